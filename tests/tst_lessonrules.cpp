// Minutes, kinds, warnings and hours of the driving lessons.

#include "TestSupport.h"

#include "lessons/LessonRules.h"
#include "storage/IniFile.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Lessons;

Q_DECLARE_METATYPE(Lessons::Lesson)

namespace {

Lesson lesson(int number, const QString &date, const QString &start, const QString &end, const QString &module,
              const QString &instructor = QStringLiteral("Gianni"), const QString &plate = QStringLiteral("AB123CD"),
              const QString &duration = QString())
{
    Lesson l;
    l.number = number;
    l.date = date;
    l.start = start;
    l.end = end;
    l.module = module;
    l.instructor = instructor;
    l.vehicle = QStringLiteral("Fiat Panda");
    l.plate = plate;
    l.duration = duration;
    return l;
}

QByteArray lessonBytes(const Lesson &l)
{
    RecordBuffer r(LessonRecord::layout());
    using namespace LessonRecord;
    r.setText(txtData, l.date);
    r.setText(txtDurata, l.duration);
    r.setText(txtOraInizio, l.start);
    r.setText(txtOraFine, l.end);
    r.setText(txtVeicolo, l.vehicle);
    r.setText(txtTarga, l.plate);
    r.setText(txtIstruttore, l.instructor);
    r.setText(txtModulo, l.module);
    return r.bytes();
}

QStringList warningsOf(const Summary &summary)
{
    QStringList out;
    for (const Warning &w : summary.warnings)
        out << QStringLiteral("%1: %2").arg(w.lesson).arg(w.text);
    return out;
}

} // namespace

class TestLessonRules : public QObject
{
    Q_OBJECT

private slots:
    void durations_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minutes"); // -1: unknown
        QTest::newRow("1h") << "1h" << 60;
        QTest::newRow("1 h") << "1 h" << 60;
        QTest::newRow("1h30") << "1h30" << 90;
        QTest::newRow("1 h 30 min") << "1 h 30 min" << 90;
        QTest::newRow("1:30") << "1:30" << 90;
        QTest::newRow("90'") << "90'" << 90;
        QTest::newRow("90 min") << "90 min" << 90;
        QTest::newRow("2 ore") << "2 ore" << 120;
        QTest::newRow("1 ora") << "1 ora" << 60;
        QTest::newRow("1 ora e 30") << "1 ora e 30" << 90;
        QTest::newRow("1,5 h") << "1,5 h" << 90;
        QTest::newRow("1.5 ore") << "1.5 ore" << 90;
        QTest::newRow("capitals") << "1 ORA E 30" << 90;
        QTest::newRow("45 minuti") << "45 minuti" << 45;
        QTest::newRow("a plain number") << "90" << -1;
        QTest::newRow("words") << "un'ora circa" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("zero") << "0 min" << -1;
        QTest::newRow("minutes past the hour") << "1 h 75" << -1;
        QTest::newRow("more than a day") << "30 ore" << -1;
    }

    void durations()
    {
        QFETCH(QString, text);
        QFETCH(int, minutes);
        QCOMPARE(minutesOfDuration(text).value_or(-1), minutes);
    }

    void times_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("duration");
        QTest::addColumn<int>("minutes");
        QTest::newRow("times win over the text") << "08:00" << "09:30" << "1 h" << 90;
        QTest::newRow("across midnight") << "23:30" << "00:45" << "" << 75;
        QTest::newRow("single-digit hour") << "7:15" << "8:00" << "" << 45;
        QTest::newRow("a time that is not one: the text") << "25:00" << "26:00" << "2 ore" << 120;
        QTest::newRow("one time missing: the text") << "08:00" << "" << "45'" << 45;
        QTest::newRow("nothing to go by") << "08:00" << "" << "" << -1;
    }

    void times()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, duration);
        QFETCH(int, minutes);
        Lesson l = lesson(1, "01/03/2026", start, end, "Città", "Gianni", "AB123CD", duration);
        QCOMPARE(minutesOf(l).value_or(-1), minutes);
    }

    void durationTexts()
    {
        QCOMPARE(durationText(45), QStringLiteral("45 min"));
        QCOMPARE(durationText(60), QStringLiteral("1 h"));
        QCOMPARE(durationText(90), QStringLiteral("1 h 30 min"));
        QCOMPARE(durationText(120), QStringLiteral("2 h"));
    }

    void kinds_data()
    {
        QTest::addColumn<QString>("module");
        QTest::addColumn<int>("kind");
        QTest::newRow("night") << "Guida NOTTURNA" << int(Kind::Night);
        QTest::newRow("night, other word") << "di notte in città" << int(Kind::Night);
        QTest::newRow("motorway") << "Autostrada A14" << int(Kind::Motorway);
        QTest::newRow("main extra-urban is motorway") << "Strada EXTRAURBANA PRINCIPALE" << int(Kind::Motorway);
        QTest::newRow("extra-urban") << "Extraurbana secondaria" << int(Kind::ExtraUrban);
        QTest::newRow("accents") << QStringLiteral("EXTRAÙRBANA") << int(Kind::ExtraUrban);
        QTest::newRow("fast urban") << "Strada urbana di scorrimento" << int(Kind::ExtraUrban);
        QTest::newRow("ordinary") << "Parcheggio" << int(Kind::Ordinary);
    }

    void kinds()
    {
        QFETCH(QString, module);
        QFETCH(int, kind);
        QCOMPARE(int(kindOf(module, Keywords::defaults())), kind);
    }

    // The school's own words, kept in the INI file; the defaults written the first time.
    void keywordsFromTheIni()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Autoscuola.ini");
        QVERIFY(TestSupport::writeAll(ini, "[Modello TT2112]\r\nCodice Autoscuola=AS01\r\n"));
        const Keywords first = loadKeywords(ini, true);
        QCOMPARE(first.night, Keywords::defaults().night);
        QCOMPARE(TestSupport::readAll(ini), QByteArray("[Modello TT2112]\r\nCodice Autoscuola=AS01\r\n\r\n[Guide obbligatorie]\r\n"
                                                       "Notturna=notturn, notte\r\nAutostrada=autostrad, extraurbana principale\r\n"
                                                       "Extraurbana=extraurban, scorrimento\r\n"));
        QVERIFY(IniFile::writeValue(ini, "Guide obbligatorie", "Notturna", "Buio, SERA"));
        QVERIFY(IniFile::writeValue(ini, "Guide obbligatorie", "Extraurbana", ""));
        const QByteArray before = TestSupport::readAll(ini);
        const Keywords school = loadKeywords(ini, true);
        QCOMPARE(TestSupport::readAll(ini), before); // nothing missing: not written again
        QCOMPARE(kindOf(u"Guida serale", school), Kind::Night);
        QCOMPARE(kindOf(u"Guida notturna", school), Kind::Ordinary);
        QCOMPARE(kindOf(u"Extraurbana", school), Kind::Ordinary); // the school gave no words for it
        QCOMPARE(kindOf(u"Autostrada", school), Kind::Motorway);
    }

    void warnings_data()
    {
        QTest::addColumn<QList<Lesson>>("lessons");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("short") << QList<Lesson>{lesson(1, "01/03/2026", "08:00", "08:20", "Città")}
                               << QStringList{"1: durata inferiore a 30 minuti"};
        QTest::newRow("unknown") << QList<Lesson>{lesson(1, "01/03/2026", "", "", "Città")}
                                 << QStringList{"1: durata non riconosciuta"};
        QTest::newRow("night by day") << QList<Lesson>{lesson(1, "01/03/2026", "10:00", "11:00", "Notturna")}
                                      << QStringList{"1: guida notturna iniziata tra le 07:00 e le 17:00"};
        QTest::newRow("night at night") << QList<Lesson>{lesson(1, "01/03/2026", "20:00", "21:00", "Notturna")} << QStringList{};
        QTest::newRow("missing people and vehicle")
            << QList<Lesson>{[] {
                   Lesson l = lesson(1, "01/03/2026", "08:00", "09:00", "Città", "", "");
                   l.vehicle.clear();
                   return l;
               }()}
            << QStringList{"1: istruttore non indicato", "1: veicolo non indicato", "1: targa non indicata"};
        QTest::newRow("too many mandatory hours in a day")
            << QList<Lesson>{lesson(1, "01/03/2026", "08:00", "09:30", "Autostrada"), lesson(2, "01/03/2026", "10:00", "11:00", "Extraurbana"),
                             lesson(3, "02/03/2026", "10:00", "12:00", "Extraurbana")}
            << QStringList{"1: pi\u00F9 di 2 ore di guide obbligatorie nello stesso giorno",
                           "2: pi\u00F9 di 2 ore di guide obbligatorie nello stesso giorno"};
    }

    void warnings()
    {
        QFETCH(QList<Lesson>, lessons);
        QFETCH(QStringList, expected);
        const std::vector<Lesson> list(lessons.begin(), lessons.end());
        QCOMPARE(warningsOf(summarise(list, Keywords::defaults())), expected);
    }

    void totals()
    {
        const std::vector<Lesson> list{lesson(1, "01/03/2026", "20:00", "21:30", "Notturna"), lesson(2, "02/03/2026", "20:00", "20:30", "Notte"),
                                       lesson(3, "03/03/2026", "", "", "Autostrada", "Gianni", "AB123CD", "2 ore"),
                                       lesson(4, "04/03/2026", "09:00", "11:00", "Extraurbana"),
                                       lesson(5, "05/03/2026", "", "", "Città", "Gianni", "AB123CD", "boh")};
        Summary summary = summarise(list, Keywords::defaults());
        QCOMPARE(summary.lessons, 5);
        QCOMPARE(summary.minutes, 90 + 30 + 120 + 120);
        QCOMPARE(summary.night, 120);
        QCOMPARE(summary.motorway, 120);
        QCOMPARE(summary.extraUrban, 120);
        QCOMPARE(summary.unknown, 1);
        QVERIFY(summary.mandatoryDone());
        summary = summarise(std::span(list).first(3), Keywords::defaults());
        QVERIFY(!summary.mandatoryDone());
    }

    // A double booking across two students' files names the other student and
    // the times; lessons that only touch do not overlap.
    void doubleBookingAcrossStudents()
    {
        QTemporaryDir dir;
        RecordBuffer s(StudentRecord::layout());
        QByteArray students;
        for (const char *surname : {"Rossi", "Bianchi"}) {
            s.setText(StudentRecord::txtCognome, QString::fromLatin1(surname));
            s.setText(StudentRecord::txtNome, QStringLiteral("Anna"));
            students += s.bytes();
        }
        QVERIFY(TestSupport::writeAll(dir.filePath("Allievi.pro"), students));
        QVERIFY(TestSupport::writeAll(dir.filePath("Lezioni_Guida_Allievo_1.lez"),
                                      lessonBytes(lesson(1, "01/03/2026", "08:00", "09:00", "Città", "Gianni", "AB123CD"))
                                          + lessonBytes(lesson(2, "01/03/2026", "09:00", "10:00", "Città", "Gianni", "AB123CD"))));
        QVERIFY(TestSupport::writeAll(dir.filePath("Lezioni_Guida_Allievo_2.lez"),
                                      lessonBytes(lesson(1, "01/03/2026", "08:30", "09:00", "Città", "gianni ", "ZZ999ZZ"))
                                          + lessonBytes(lesson(2, "02/03/2026", "08:30", "09:30", "Città", "Paolo", "ab123cd"))));
        QVERIFY(TestSupport::writeAll(dir.filePath("Lezioni_Guida_Allievo_x.lez"), "not a lesson file of a student"));
        const Folder folder = readFolder(dir.path());
        QVERIFY(folder.complete);
        QCOMPARE(folder.size(), std::size_t(4));
        const std::vector<Lesson> mine{lesson(1, "01/03/2026", "08:00", "09:00", "Città", "Gianni", "AB123CD"),
                                       lesson(2, "01/03/2026", "09:00", "10:00", "Città", "Gianni", "AB123CD")};
        QCOMPARE(warningsOf(summarise(mine, Keywords::defaults(), 1, folder.bookings())),
                 QStringList{"1: istruttore gi\u00E0 impegnato con Bianchi Anna (08:30-09:00)"});

        const Hours hours = hoursOf(folder, QDate(2026, 3, 1), QDate(2026, 3, 1));
        QCOMPARE(hours.instructors.size(), std::size_t(1));
        QCOMPARE(hours.instructors[0].name, QStringLiteral("Gianni"));
        QCOMPARE(hours.instructors[0].minutes, 150);
        QCOMPARE(hours.instructors[0].lessons, 3);
        QCOMPARE(hours.plates.size(), std::size_t(2));
        QCOMPARE(hours.plates[0].name, QStringLiteral("AB123CD"));
        QCOMPARE(hours.plates[0].minutes, 120);
        const Hours both = hoursOf(folder, QDate(2026, 3, 1), QDate(2026, 3, 2));
        QCOMPARE(both.plates[0].lessons, 3); // "ab123cd" counts with "AB123CD"
        QCOMPARE(both.instructors.size(), std::size_t(2));
    }
};

QTEST_GUILESS_MAIN(TestLessonRules)
#include "tst_lessonrules.moc"
