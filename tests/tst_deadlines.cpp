// The deadline rules against dates worked out by hand, and the list made from
// small archives on disk.

#include "calendar/Deadlines.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Deadlines;

Q_DECLARE_METATYPE(Deadlines::Outcome)

namespace {

QDate d(const char *text)
{
    return QDate::fromString(QString::fromLatin1(text), QStringLiteral("dd/MM/yyyy"));
}

// A student as the registry would hold it; fields not named stay empty.
struct Student {
    QString surname = QStringLiteral("Rossi");
    QString name = QStringLiteral("Mario");
    QString taxCode;
    QString enrolment;
    QString theoryDate;
    QString theoryResult;
    QString drivingDate;
    QString drivingResult;
    QString documentExpiry;
    bool finished = false;
    QString course = QStringLiteral("B-01");
};

QByteArray studentRecord(const Student &s)
{
    RecordBuffer r(StudentRecord::layout());
    using namespace StudentRecord;
    r.setText(txtCognome, s.surname);
    r.setText(txtNome, s.name);
    r.setText(txtCodFiscPro, s.taxCode);
    r.setText(txtDataIsc, s.enrolment);
    r.setText(txtDataTeo, s.theoryDate);
    r.setText(txtEsitoTeo, s.theoryResult);
    r.setText(txtDataGuida, s.drivingDate);
    r.setText(txtEsitoGuida, s.drivingResult);
    r.setText(txtDataScaPro, s.documentExpiry);
    r.setText(txtCodiceCor, s.course);
    r.setYesNo(chkRicontatta, s.finished);
    return r.bytes();
}

QByteArray formRecord(const QString &taxCode, const QString &date, bool conseguimento)
{
    RecordBuffer r(TT2112Record::layout());
    r.setText(TT2112Record::txtCodFiscPro, taxCode);
    r.setText(TT2112Record::txtData, date);
    r.setYesNo(TT2112Record::chkConseguimento, conseguimento);
    return r.bytes();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() && file.flush();
}

// "teoria_entro 09/06/2026 stimata" for each deadline the facts give, in order.
QStringList describe(const std::vector<Due> &due)
{
    QStringList out;
    for (const Due &one : due)
        out << kindKey(one.kind) + u' ' + one.date.toString(QStringLiteral("dd/MM/yyyy")) + (one.estimated ? QStringLiteral(" stimata") : QString());
    return out;
}

QStringList describe(const List &list)
{
    QStringList out;
    for (const Deadline &one : list.deadlines)
        out << QStringLiteral("%1 %2 %3 %4 %5%6")
                   .arg(list.candidateOf(one).position)
                   .arg(list.candidateOf(one).surname, kindKey(one.kind), one.date.toString(QStringLiteral("dd/MM/yyyy")), urgencyKey(one.urgency),
                        one.estimated ? QStringLiteral(" stimata") : QString());
    return out;
}

} // namespace

class TestDeadlines : public QObject
{
    Q_OBJECT

private slots:
    void dates_data();
    void dates();
    void outcomes_data();
    void outcomes();
    void rules_data();
    void rules();
    void urgencyAndListing_data();
    void urgencyAndListing();
    void listFromTheArchives();
    void missingArchivesAreNotCreated();
    void unreadableArchiveSaysSo();
    void summary();
};

void TestDeadlines::dates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("plain") << "13/02/2026" << QDate(2026, 2, 13);
    QTest::newRow("blanks around") << "  01/12/2025 " << QDate(2025, 12, 1);
    QTest::newRow("leap day") << "29/02/2024" << QDate(2024, 2, 29);
    QTest::newRow("no leap day") << "29/02/2025" << QDate();
    QTest::newRow("31 April") << "31/04/2026" << QDate();
    QTest::newRow("month 13") << "01/13/2026" << QDate();
    QTest::newRow("short year") << "01/02/26" << QDate();
    QTest::newRow("single digits") << "1/2/2026" << QDate();
    QTest::newRow("dashes") << "01-02-2026" << QDate();
    QTest::newRow("letters") << "ab/cd/efgh" << QDate();
    QTest::newRow("empty") << "" << QDate();
    QTest::newRow("day zero") << "00/01/2026" << QDate();
}

void TestDeadlines::dates()
{
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    const std::optional<QDate> parsed = parseDate(QStringView(text));
    QCOMPARE(parsed.value_or(QDate()), expected);
}

void TestDeadlines::outcomes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Outcome>("expected");
    QTest::newRow("idoneo") << "idoneo" << Outcome::Positive;
    QTest::newRow("capitals") << "IDONEO" << Outcome::Positive;
    QTest::newRow("feminine") << "Idonea" << Outcome::Positive;
    QTest::newRow("superato with words") << "Esame superato al primo tentativo" << Outcome::Positive;
    QTest::newRow("promosso") << "PROMOSSO!" << Outcome::Positive;
    QTest::newRow("positivo") << "esito positivo" << Outcome::Positive;
    QTest::newRow("non idoneo") << "NON IDONEO" << Outcome::Negative;
    QTest::newRow("non idonea, punctuation") << "non-idonea." << Outcome::Negative;
    QTest::newRow("non superato") << "Non superato" << Outcome::Negative;
    QTest::newRow("non promosso") << "non promosso" << Outcome::Negative;
    QTest::newRow("respinto") << "Respinto" << Outcome::Negative;
    QTest::newRow("bocciata") << "bocciata" << Outcome::Negative;
    QTest::newRow("assente") << "ASSENTE" << Outcome::Negative;
    QTest::newRow("negativo") << "esito negativo" << Outcome::Negative;
    QTest::newRow("accented capitals") << QStringLiteral("IDONE\u00D2") << Outcome::Positive;
    QTest::newRow("unknown") << "rinviato" << Outcome::Unknown;
    QTest::newRow("a word inside another") << "superatore" << Outcome::Unknown;
    QTest::newRow("empty") << "" << Outcome::Unknown;
    QTest::newRow("question") << "?" << Outcome::Unknown;
}

void TestDeadlines::outcomes()
{
    QFETCH(QString, text);
    QFETCH(Outcome, expected);
    QCOMPARE(readOutcome(QStringView(text)), expected);
}

// Each row: the facts as the registry holds them (an application date, or an
// enrolment date when estimated), today, and the deadlines worked out by hand.
void TestDeadlines::rules_data()
{
    QTest::addColumn<QString>("application");
    QTest::addColumn<bool>("estimated");
    QTest::addColumn<QString>("theoryDate");
    QTest::addColumn<QString>("theoryResult");
    QTest::addColumn<QString>("drivingDate");
    QTest::addColumn<QString>("drivingResult");
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("today");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("application only") << "10/01/2026" << false << "" << "" << "" << "" << "" << "15/01/2026"
                                      << QStringList{"teoria_entro 10/07/2026"};
    QTest::newRow("month end") << "31/08/2025" << false << "" << "" << "" << "" << "" << "01/09/2025"
                               << QStringList{"teoria_entro 28/02/2026"};
    QTest::newRow("month end, leap year") << "31/08/2023" << false << "" << "" << "" << "" << "" << "01/09/2023"
                                          << QStringList{"teoria_entro 29/02/2024"};
    QTest::newRow("estimated") << "05/03/2026" << true << "" << "" << "" << "" << "" << "06/03/2026"
                               << QStringList{"teoria_entro 05/09/2026 stimata"};
    QTest::newRow("theory failed") << "10/01/2026" << false << "20/02/2026" << "Non idoneo" << "" << "" << "" << "01/03/2026"
                                   << QStringList{"teoria_entro 10/07/2026", "teoria_non_prima 21/03/2026"};
    QTest::newRow("theory missed, 31 January") << "10/01/2026" << false << "31/01/2026" << "assente" << "" << "" << ""
                                               << "01/02/2026" << QStringList{"teoria_entro 10/07/2026", "teoria_non_prima 01/03/2026"};
    QTest::newRow("theory booked") << "10/01/2026" << false << "20/03/2026" << "" << "" << "" << "" << "01/03/2026"
                                   << QStringList{"teoria_entro 10/07/2026", "esame_teoria 20/03/2026"};
    QTest::newRow("theory past, no result") << "10/01/2026" << false << "20/02/2026" << "" << "" << "" << "" << "01/03/2026"
                                            << QStringList{"teoria_entro 10/07/2026", "esito_da_verificare 20/02/2026"};
    QTest::newRow("theory past, unknown result") << "10/01/2026" << false << "20/02/2026" << "rinviato" << "" << "" << ""
                                                 << "01/03/2026"
                                                 << QStringList{"teoria_entro 10/07/2026", "esito_da_verificare 20/02/2026"};
    QTest::newRow("theory passed") << "10/01/2026" << false << "13/02/2026" << "IDONEO" << "" << "" << "" << "14/02/2026"
                                   << QStringList{"foglio_rosa_fino 13/02/2027", "guida_non_prima 14/03/2026"};
    QTest::newRow("theory passed before the law changed") << "10/05/2021" << false << "09/11/2021" << "idoneo" << "" << ""
                                                          << "" << "10/11/2021"
                                                          << QStringList{"foglio_rosa_fino 09/05/2022", "guida_non_prima 10/12/2021"};
    QTest::newRow("theory passed the day the law changed") << "10/05/2021" << false << "10/11/2021" << "idoneo" << "" << ""
                                                           << "" << "11/11/2021"
                                                           << QStringList{"foglio_rosa_fino 10/11/2022", "guida_non_prima 11/12/2021"};
    QTest::newRow("theory passed, date not a date") << "10/01/2026" << false << "31/02/2026" << "idoneo" << "" << "" << ""
                                                    << "01/03/2026" << QStringList{};
    QTest::newRow("driving booked") << "10/01/2026" << false << "13/02/2026" << "superato" << "20/04/2026" << "" << ""
                                    << "01/04/2026" << QStringList{"foglio_rosa_fino 13/02/2027", "esame_guida 20/04/2026"};
    QTest::newRow("driving failed") << "10/01/2026" << false << "13/02/2026" << "superato" << "20/04/2026" << "respinto"
                                    << "" << "21/04/2026"
                                    << QStringList{"foglio_rosa_fino 13/02/2027", "guida_non_prima 21/05/2026"};
    QTest::newRow("driving failed after the foglio rosa") << "10/01/2026" << false << "13/02/2026" << "superato"
                                                          << "10/01/2027" << "bocciato" << "" << "11/01/2027"
                                                          << QStringList{"foglio_rosa_fino 13/02/2027", "guida_non_prima 11/02/2027"};
    QTest::newRow("driving failed, next try past the foglio rosa")
        << "10/01/2026" << false << "13/02/2026" << "superato" << "20/01/2027" << "bocciato" << "" << "21/01/2027"
        << QStringList{"foglio_rosa_fino 13/02/2027", "guida_non_prima 21/02/2027", "riporto_entro 13/04/2027"};
    QTest::newRow("driving past, unknown") << "10/01/2026" << false << "13/02/2026" << "superato" << "20/04/2026" << "boh"
                                           << "" << "21/04/2026"
                                           << QStringList{"foglio_rosa_fino 13/02/2027", "esito_da_verificare 20/04/2026"};
    QTest::newRow("document") << "" << false << "" << "" << "" << "" << "30/06/2026" << "01/03/2026"
                              << QStringList{"documento 30/06/2026"};
    QTest::newRow("nothing known") << "" << false << "" << "" << "" << "" << "" << "01/03/2026" << QStringList{};
}

void TestDeadlines::rules()
{
    QFETCH(QString, application);
    QFETCH(bool, estimated);
    QFETCH(QString, theoryDate);
    QFETCH(QString, theoryResult);
    QFETCH(QString, drivingDate);
    QFETCH(QString, drivingResult);
    QFETCH(QString, document);
    QFETCH(QString, today);
    QFETCH(QStringList, expected);

    Facts facts;
    facts.application = parseDate(QStringView(application));
    facts.estimated = estimated;
    facts.theoryDate = parseDate(QStringView(theoryDate));
    facts.theoryOutcome = readOutcome(QStringView(theoryResult));
    facts.theoryResultEmpty = theoryResult.isEmpty();
    facts.drivingDate = parseDate(QStringView(drivingDate));
    facts.drivingOutcome = readOutcome(QStringView(drivingResult));
    facts.drivingResultEmpty = drivingResult.isEmpty();
    facts.documentExpiry = parseDate(QStringView(document));
    QCOMPARE(describe(deadlinesOf(facts, d(today.toLatin1().constData()))), expected);
}

void TestDeadlines::urgencyAndListing_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("date");
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("urgency");
    QTest::addColumn<bool>("listed");
    const int by = static_cast<int>(Kind::TheoryBy);
    const int notBefore = static_cast<int>(Kind::DrivingNotBefore);
    const int toCheck = static_cast<int>(Kind::TheoryToCheck);
    // Today is 10/03/2026 in every row.
    QTest::newRow("yesterday") << by << "09/03/2026" << 60 << "scaduta" << true;
    QTest::newRow("long overdue") << by << "09/03/2020" << 60 << "scaduta" << true;
    QTest::newRow("today") << by << "10/03/2026" << 60 << "rossa" << true;
    QTest::newRow("in 15 days") << by << "25/03/2026" << 60 << "rossa" << true;
    QTest::newRow("in 16 days") << by << "26/03/2026" << 60 << "gialla" << true;
    QTest::newRow("in 30 days") << by << "09/04/2026" << 60 << "gialla" << true;
    QTest::newRow("in 31 days") << by << "10/04/2026" << 60 << "normale" << true;
    QTest::newRow("in 60 days") << by << "09/05/2026" << 60 << "normale" << true;
    QTest::newRow("in 61 days") << by << "10/05/2026" << 60 << "normale" << false;
    QTest::newRow("in 61 days, 90 asked") << by << "10/05/2026" << 90 << "normale" << true;
    QTest::newRow("not before, ahead") << notBefore << "11/03/2026" << 60 << "rossa" << true;
    QTest::newRow("not before, reached") << notBefore << "10/03/2026" << 60 << "rossa" << false;
    QTest::newRow("not before, past") << notBefore << "01/03/2026" << 60 << "scaduta" << false;
    QTest::newRow("to check, long ago") << toCheck << "01/01/2020" << 60 << "scaduta" << true;
}

void TestDeadlines::urgencyAndListing()
{
    QFETCH(int, kind);
    QFETCH(QString, date);
    QFETCH(int, days);
    QFETCH(QString, urgency);
    QFETCH(bool, listed);
    const QDate today(2026, 3, 10);
    const Due due{static_cast<Kind>(kind), d(date.toLatin1().constData())};
    QCOMPARE(urgencyKey(urgencyOf(due.date, today)), urgency);
    QCOMPARE(isListed(due, today, days), listed);
}

void TestDeadlines::listFromTheArchives()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QByteArray students;
    Student a; // 1: a later form supersedes an earlier one; its tax code typed in lower case on the form
    a.surname = "Verdi";
    a.taxCode = "VRDMRA80A01H501U";
    a.enrolment = "02/01/2026";
    students += studentRecord(a);
    Student b; // 2: no form: estimated from the enrolment
    b.surname = "Bianchi";
    b.enrolment = "20/01/2026";
    students += studentRecord(b);
    Student c; // 3: finished course: left out
    c.surname = "Neri";
    c.enrolment = "20/01/2026";
    c.finished = true;
    students += studentRecord(c);
    Student e; // 4: passed the driving exam: left out
    e.surname = "Gialli";
    e.theoryDate = "13/02/2026";
    e.theoryResult = "idoneo";
    e.drivingDate = "01/04/2026";
    e.drivingResult = QStringLiteral("PROMOSSO");
    students += studentRecord(e);
    Student f; // 5: the enrolment is not a date, a form that is not an application
    f.surname = "Azzurri";
    f.taxCode = "ZZRLCU85B02F205X";
    f.enrolment = "2026-01-20";
    f.documentExpiry = "15/07/2026";
    students += studentRecord(f);
    Student g; // 6: same date as Verdi's deadline, sorts before by surname
    g.surname = "Abate";
    g.taxCode = "BTAGNN90C03L219Y";
    students += studentRecord(g);
    QVERIFY(writeFile(dir.filePath("Allievi.pro"), students));

    QByteArray forms;
    forms += formRecord("vrdmra80a01h501u", "05/01/2026", true);
    forms += formRecord("VRDMRA80A01H501U ", "12/01/2026", true);
    forms += formRecord("VRDMRA80A01H501U", "30/01/2026", false); // a duplicate, not an application
    forms += formRecord("VRDMRA80A01H501U", "31/02/2026", true);  // not a date
    forms += formRecord("ZZRLCU85B02F205X", "10/01/2026", false);
    forms += formRecord("BTAGNN90C03L219Y", "12/01/2026", true);
    QVERIFY(writeFile(dir.filePath("Modelli_TT2112.pro"), forms));

    const List list = collect(dir.filePath("Allievi.pro"), dir.filePath("Modelli_TT2112.pro"), {QDate(2026, 6, 1), 60});
    QVERIFY(list.complete);
    QCOMPARE(describe(list), (QStringList{"6 Abate teoria_entro 12/07/2026 normale", "1 Verdi teoria_entro 12/07/2026 normale",
                                          "5 Azzurri documento 15/07/2026 normale",
                                          "2 Bianchi teoria_entro 20/07/2026 normale stimata"}));
    QCOMPARE(list.candidateOf(list.deadlines.front()).name, QStringLiteral("Mario"));
    QCOMPARE(list.candidateOf(list.deadlines.front()).course, QStringLiteral("B-01"));
    const QString last = lineOf(list.deadlines.back(), list.candidateOf(list.deadlines.back()));
    QVERIFY(last.endsWith(QStringLiteral("(stimata)")));
    QVERIFY(last.startsWith(QStringLiteral("20/07/2026  In tempo")));
    // Each student once among the candidates, by name.
    QStringList candidates;
    for (const Candidate &one : list.candidates)
        candidates << QStringLiteral("%1 %2").arg(one.position).arg(one.surname);
    QCOMPARE(candidates, (QStringList{"6 Abate", "5 Azzurri", "2 Bianchi", "1 Verdi"}));
    QCOMPARE(urgentCount(list), 0);

    const List later = collect(dir.filePath("Allievi.pro"), dir.filePath("Modelli_TT2112.pro"), {QDate(2026, 7, 13), 60});
    QCOMPARE(urgentCount(later), 4); // two overdue, two within 15 days
}

void TestDeadlines::missingArchivesAreNotCreated()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const List list = collect(dir.filePath("Allievi.pro"), dir.filePath("Modelli_TT2112.pro"), {QDate(2026, 6, 1), 60});
    QVERIFY(list.complete);
    QVERIFY(list.deadlines.empty());
    QVERIFY(!QFile::exists(dir.filePath("Allievi.pro")));
    QVERIFY(!QFile::exists(dir.filePath("Modelli_TT2112.pro")));
}

void TestDeadlines::unreadableArchiveSaysSo()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir("Modelli_TT2112.pro")); // a folder where the forms should be
    Student s;
    s.enrolment = "20/01/2026";
    QVERIFY(writeFile(dir.filePath("Allievi.pro"), studentRecord(s)));
    const List list = collect(dir.filePath("Allievi.pro"), dir.filePath("Modelli_TT2112.pro"), {QDate(2026, 6, 1), 60});
    QVERIFY(!list.complete);
    QCOMPARE(list.deadlines.size(), std::size_t(1)); // the students are still listed
}

void TestDeadlines::summary()
{
    QCOMPARE(urgentSummary(0), QString());
    QCOMPARE(urgentSummary(1), QStringLiteral("1 scadenza entro 15 giorni"));
    QCOMPARE(urgentSummary(12), QStringLiteral("12 scadenze entro 15 giorni"));
}

QTEST_GUILESS_MAIN(TestDeadlines)
#include "tst_deadlines.moc"
