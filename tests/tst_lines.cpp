#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "students/Lines.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

namespace {

RecordBuffer lesson(const QString &date, const QString &vehicle, const QString &module)
{
    RecordBuffer record(LessonRecord::layout());
    record.setText(LessonRecord::txtData, date);
    record.setText(LessonRecord::txtDurata, QStringLiteral("1 ora"));
    record.setText(LessonRecord::txtOraInizio, QStringLiteral("07:30"));
    record.setText(LessonRecord::txtVeicolo, vehicle);
    record.setText(LessonRecord::txtTarga, QStringLiteral("AB123CD"));
    record.setText(LessonRecord::txtIstruttore, QStringLiteral("Bell\u00F2"));
    record.setText(LessonRecord::txtModulo, module);
    return record;
}

RecordBuffer student(const QString &surname, const QString &name, const QString &flag)
{
    RecordBuffer record(StudentRecord::layout());
    record.setText(StudentRecord::txtCognome, surname);
    record.setText(StudentRecord::txtNome, name);
    record.setText(StudentRecord::txtNumIsc, QStringLiteral("12"));
    record.setText(StudentRecord::txtDataIsc, QStringLiteral("07/01/2026"));
    record.setText(StudentRecord::txtPreferenziale, QStringLiteral("333 1234567"));
    record.setText(StudentRecord::txtCodiceCor, QStringLiteral("B-2026"));
    record.setText(StudentRecord::txtNote, QStringLiteral("  guide al mattino "));
    record.setText(StudentRecord::chkRicontatta, flag);
    return record;
}

} // namespace

class TestLines : public QObject
{
    Q_OBJECT

private slots:
    void columns_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("column");
        QTest::newRow("padded") << QStringLiteral("ab") << 5 << QStringLiteral("ab   ");
        QTest::newRow("cut") << QStringLiteral("abcdefg") << 5 << QStringLiteral("abcde");
        QTest::newRow("exact") << QStringLiteral("abcde") << 5 << QStringLiteral("abcde");
        QTest::newRow("trimmed first") << QStringLiteral("  ab  ") << 4 << QStringLiteral("ab  ");
        QTest::newRow("empty") << QString() << 3 << QStringLiteral("   ");
    }

    void columns()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, column);
        RecordBuffer record(LessonRecord::layout());
        record.setText(LessonRecord::txtVeicolo, text);
        const Lines::Column columns[] = {{QLatin1StringView("["), LessonRecord::txtVeicolo, width}};
        const Lines::LineFormat format{&LessonRecord::layout(), -1, -1, 0, columns};
        QCOMPARE(Lines::line(record.span(), format),
                 QLatin1Char('[') + column);
    }

    void nameColumn_data()
    {
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("join");
        QTest::addColumn<QString>("column");
        const int whole = int(Lines::NameJoin::TrimmedWhole);
        const int blank = int(Lines::NameJoin::Blank);
        QTest::newRow("both, cut") << QStringLiteral("Rossi") << QStringLiteral("Mariangela") << whole << QStringLiteral("Rossi Mari");
        QTest::newRow("surname only") << QStringLiteral("Rossi") << QString() << whole << QStringLiteral("Rossi     ");
        QTest::newRow("name only") << QString() << QStringLiteral(" Ugo") << whole << QStringLiteral("Ugo       ");
        QTest::newRow("neither") << QString() << QString() << whole << QString(10, QLatin1Char(' '));
        QTest::newRow("surname fills it") << QStringLiteral("Abbondanzieri") << QStringLiteral("Ugo") << whole << QStringLiteral("Abbondanzi");
        QTest::newRow("room for the blank only") << QStringLiteral("Rossinian") << QStringLiteral("Ugo") << whole << QStringLiteral("Rossinian ");
        // Joined by a blank that stays.
        QTest::newRow("blank: both, cut") << QStringLiteral("Rossi") << QStringLiteral("Mariangela") << blank << QStringLiteral("Rossi Mari");
        QTest::newRow("blank: surname only") << QStringLiteral("Rossi") << QString() << blank << QStringLiteral("Rossi     ");
        QTest::newRow("blank: name only") << QString() << QStringLiteral(" Ugo") << blank << QStringLiteral(" Ugo      ");
        QTest::newRow("blank: name only, cut") << QString() << QStringLiteral("Massimiliano") << blank << QStringLiteral(" Massimili");
        QTest::newRow("blank: neither") << QString() << QString() << blank << QString(10, QLatin1Char(' '));
        QTest::newRow("blank: surname fills it") << QStringLiteral("Abbondanzieri") << QStringLiteral("Ugo") << blank << QStringLiteral("Abbondanzi");
    }

    void nameColumn()
    {
        // Surname and name joined by a blank and taken as one value of the width.
        QFETCH(QString, surname);
        QFETCH(QString, name);
        QFETCH(int, join);
        QFETCH(QString, column);
        RecordBuffer record = student(surname, name, QStringLiteral("No"));
        const Lines::Column columns[] = {{QLatin1StringView("|"), StudentRecord::txtCatPat, 0}};
        const Lines::LineFormat format{&StudentRecord::layout(), StudentRecord::txtCognome, StudentRecord::txtNome, 10, columns,
                                       static_cast<Lines::NameJoin>(join)};
        QCOMPARE(Lines::line(record.span(), format),
                 column + QLatin1Char('|'));
    }

    void lessonLine()
    {
        const QString vehicle26 = QStringLiteral("Fiat Panda 1.2 Easy benzin");
        QCOMPARE(vehicle26.size(), 26);
        const QString module30 = QStringLiteral("Guida in citt\u00E0 e in autostrada");
        QCOMPARE(module30.size(), 30);
        QCOMPARE(Lines::LessonLine(lesson(QStringLiteral("05/03/2024"), vehicle26, module30)),
                 QStringLiteral("Data: 05/03/2024   Durata: 1 ora            Mezzo: Fiat Panda 1.2 Easy benzin   Targa: AB123CD      "
                                "Istr. Bell\u00F2") + QString(24, QLatin1Char(' ')) + QStringLiteral("Mod. Guida in citt\u00E0 e in autostrada"));
    }

    void attendeeLine()
    {
        // 20 + 1 + 10 characters: the column keeps the first 28.
        const QString line = Lines::AttendeeLine(student(QStringLiteral("Abbondanzieri Rossi"), QStringLiteral("Mariangela"), QStringLiteral("No")));
        QCOMPARE(QStringLiteral("Abbondanzieri Rossi").size(), 19);
        QCOMPARE(line, QStringLiteral("Abbondanzieri Rossi Mariange  Isc. n. 12              Data: 07/01/2026  Tel. 333 1234567     "
                                      "Corso: B-2026              guide al mattino"));
    }

    void currentAttendees_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<bool>("current");
        QTest::newRow("No") << QStringLiteral("No") << true;
        QTest::newRow("S\u00EC") << QStringLiteral("S\u00EC") << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("no, other case") << QStringLiteral("no") << false;
    }

    void currentAttendees()
    {
        QFETCH(QString, flag);
        QFETCH(bool, current);
        QCOMPARE(Lines::isCurrentAttendee(student(QStringLiteral("A"), QStringLiteral("B"), flag)), current);
    }

    void sortIgnoresTheCaseOfAtoZOnly()
    {
        QStringList lines{QStringLiteral("Alfa"), QStringLiteral("charlie"), QStringLiteral("Bravo"),
                          QStringLiteral("\u00C9ric"), QStringLiteral("eco"), QStringLiteral("_sotto"),
                          QStringLiteral("Zeta"), QStringLiteral("alfa")};
        Lines::sortFoldedAZ(lines);
        // '_' (0x5F) comes after 'Z' (0x5A) once letters count as capitals; \u00C9 after everything ASCII.
        QCOMPARE(lines, (QStringList{QStringLiteral("Alfa"), QStringLiteral("alfa"), QStringLiteral("Bravo"),
                                     QStringLiteral("charlie"), QStringLiteral("eco"), QStringLiteral("Zeta"),
                                     QStringLiteral("_sotto"), QStringLiteral("\u00C9ric")}));
    }

    void sortMatchesAPlainStableSort_data()
    {
        QTest::addColumn<QStringList>("lines");
        const QString prefix = QStringLiteral("Rossi Maria Grazia          Isc. n. 1             Data: 01/01/2026  Tel. ");
        QTest::newRow("alike past the key") << QStringList{prefix + QStringLiteral("b"), prefix + QStringLiteral("A"),
                                                            prefix + QStringLiteral("a"), prefix, prefix + QStringLiteral("B")};
        QTest::newRow("euro after y with diaeresis") << QStringList{QStringLiteral("x\u20AC"), QStringLiteral("x\u00FF"),
                                                                     QStringLiteral("x~"), QStringLiteral("X\u0081")};
        QTest::newRow("blanks, NUL and short") << QStringList{QStringLiteral("a"), QString(), QStringLiteral("A") + QChar(0),
                                                               QStringLiteral("A"), QStringLiteral(" "), QString(QChar(0))};
        QTest::newRow("equal lines keep their order") << QStringList{QStringLiteral("abc"), QStringLiteral("ABC"),
                                                                      QStringLiteral("Abc"), QStringLiteral("abC")};
        QTest::newRow("characters no record holds") << QStringList{QStringLiteral("\u0100b"), QStringLiteral("zeta"),
                                                                    QStringLiteral("\u4E2D"), QStringLiteral("\u0100a"),
                                                                    QStringLiteral("Zeta")};
        // Many lines from a small alphabet, with long shared beginnings.
        QRandomGenerator random(20261210);
        const QString alphabet = QStringLiteral("aAbB \u00E8\u20AC0");
        QStringList many;
        for (int i = 0; i < 3000; ++i) {
            QString line = prefix.left(static_cast<qsizetype>(random.bounded(prefix.size() + 1)));
            for (int n = random.bounded(4); n > 0; --n)
                line += alphabet[random.bounded(alphabet.size())];
            many << line;
        }
        QTest::newRow("random") << many;
    }

    void sortMatchesAPlainStableSort()
    {
        QFETCH(QStringList, lines);
        QStringList expected = lines;
        std::stable_sort(expected.begin(), expected.end(), Lines::lessFoldedAZ);
        // The same order in a line store, as the attendee list sorts it.
        LineStore store;
        Lines::FoldedSort sort;
        for (const QString &line : std::as_const(lines)) {
            store.append(line);
            sort.add(line);
        }
        sort.sort(store);
        QCOMPARE(store.toList(), expected);
        Lines::sortFoldedAZ(lines);
        QCOMPARE(lines, expected);
    }

    void lineStoreKeepsEveryLine()
    {
        // Lines longer than a block and many short ones, read back as added and
        // then in another order.
        LineStore store;
        QStringList added;
        for (int i = 0; i < 5000; ++i) {
            const QString line = i % 1000 == 7 ? QString(70000 + i, QChar(u'a' + i % 26)) : QStringLiteral("riga %1 \u20AC").arg(i);
            store.append(line);
            added << line;
        }
        store.append(QString());
        added << QString();
        QCOMPARE(store.size(), added.size());
        QCOMPARE(store.toList(), added);
        std::vector<qsizetype> order;
        for (qsizetype i = store.size() - 1; i >= 0; --i)
            order.push_back(i);
        store.setOrder(order);
        QCOMPARE(store.at(0), QStringView());
        QCOMPARE(store.at(store.size() - 1), QStringView(added.first()));
        QCOMPARE(store.added(7).size(), 70007);
        QCOMPARE(LineStore::fromList(added).toList(), added);
    }
};

QTEST_GUILESS_MAIN(TestLines)
#include "tst_lines.moc"
