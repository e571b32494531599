#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/Windows1252.h"
#include "students/Lines.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <vector>

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

// Writes a field's length byte and bytes as they are, without trimming or
// cutting: what another program, or a damaged file, may hold.
void setRaw(QByteArray &record, const RecordLayout &layout, int field, const QByteArray &text, int lengthByte = -1)
{
    const FieldDef &def = layout.field(field);
    record[def.offset] = static_cast<char>(lengthByte >= 0 ? lengthByte : text.size());
    for (qsizetype i = 0; i < text.size() && i < def.maxLength; ++i)
        record[def.offset + 1 + i] = text[i];
}

// Random text for a field: letters, digits and blanks, now and then a letter of
// the upper half of the code page (accented letters, the euro sign, the dashes),
// blanks at either end, more bytes than the field keeps or a length byte past it.
void setRandom(QByteArray &record, const RecordLayout &layout, int field, QRandomGenerator &random)
{
    static const QByteArray kBytes = QByteArrayLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .-/'"
                                                       "\xE0\xE8\xE9\xEC\xF2\xF9\xC8\x80\x96\x97\x81\x9F");
    const int max = layout.field(field).maxLength;
    const int length = random.bounded(3) == 0 ? random.bounded(std::min(max, 12) + 1) : random.bounded(max + 1);
    QByteArray text;
    for (int i = 0; i < length; ++i)
        text += kBytes[random.bounded(kBytes.size())];
    if (length > 0 && random.bounded(6) == 0)
        text[0] = ' ';
    if (length > 1 && random.bounded(6) == 0)
        text[length - 1] = random.bounded(2) == 0 ? ' ' : '\t';
    const int damaged = random.bounded(40) == 0 ? 255 : -1;
    setRaw(record, layout, field, text, damaged);
}

QByteArray randomStudent(QRandomGenerator &random)
{
    static const char *const kSurnames[] = {"Rossi", "Rossini", "Bianchi", "Esposito", "De Luca", "D'Amico", "Bell\xF2", "\xC8rcole"};
    RecordBuffer buffer(StudentRecord::layout());
    QByteArray record = buffer.bytes();
    const RecordLayout &layout = StudentRecord::layout();
    for (const int field : {StudentRecord::txtNome, StudentRecord::txtNumIsc, StudentRecord::txtDataIsc,
                            StudentRecord::txtPreferenziale, StudentRecord::txtCodiceCor, StudentRecord::txtNote})
        setRandom(record, layout, field, random);
    // Many share the beginning of the line, so that the order rests on what follows.
    if (random.bounded(4) == 0)
        setRandom(record, layout, StudentRecord::txtCognome, random);
    else
        setRaw(record, layout, StudentRecord::txtCognome,
               QByteArray(kSurnames[random.bounded(8)]) + QByteArray::number(random.bounded(30)));
    static const QByteArray kFlags[] = {QByteArrayLiteral("No"), QByteArrayLiteral("S\xEC"), QByteArray(), QByteArrayLiteral("no")};
    setRaw(record, layout, StudentRecord::chkRicontatta, kFlags[random.bounded(4) == 0 ? 1 + random.bounded(3) : 0]);
    return record;
}

// The lines of a list, as each is made on its own, sorted as the lists are.
QStringList sortedLinesOf(const std::vector<QByteArray> &records, bool (*listed)(std::span<const char>),
                          QString (*lineOf)(std::span<const char>))
{
    QStringList lines;
    for (const QByteArray &record : records) {
        const std::span<const char> bytes(record.constData(), static_cast<std::size_t>(record.size()));
        if (listed(bytes))
            lines << lineOf(bytes);
    }
    std::stable_sort(lines.begin(), lines.end(), Lines::lessFoldedAZ);
    return lines;
}

std::span<const char> spanOf(const QByteArray &bytes)
{
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
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
        // Thousands, so that the sort takes them in parts, and lines alike in all
        // of their key, so that it needs more than the keys.
        QRandomGenerator more(20261211);
        const auto randomLine = [&more](const QString &units, int most) {
            QString line;
            for (int n = more.bounded(most + 1); n > 0; --n)
                line += units[more.bounded(units.size())];
            return line;
        };
        QString ascii;
        for (char16_t unit = 0; unit < 0x80; ++unit)
            ascii += QChar(unit);
        QString codePage;
        for (int byte = 0; byte < 256; ++byte)
            codePage += QChar(Windows1252::decodeByte(static_cast<unsigned char>(byte)));
        const QString beginnings[] = {QStringLiteral("Rossi Maria"), QStringLiteral("ROSSI MARIO"), QStringLiteral("Bianchi"),
                                      QStringLiteral("Bell\u00F2 Ugo"), QStringLiteral("\u00C8rcole"), QString()};
        QStringList alike;
        QStringList everyAscii;
        QStringList everyByte;
        QStringList wholeKey;
        const QString key = QStringLiteral("Rossi Maria Grazia          Isc. n. 1             Data: 01/01/2026");
        for (int i = 0; i < 6000; ++i) {
            alike << beginnings[more.bounded(6)] + randomLine(QStringLiteral("aAbB 0\u00E8"), 12) + randomLine(ascii, 70);
            everyAscii << randomLine(ascii, 80);
            everyByte << randomLine(codePage, 80);
            wholeKey << key.left(60 + more.bounded(8)) + randomLine(QStringLiteral("aAbB_~"), 3);
        }
        QTest::newRow("thousands alike in their beginnings") << alike;
        QTest::newRow("every unit below 0x80") << everyAscii;
        QTest::newRow("every character of the code page") << everyByte;
        QTest::newRow("alike in all of the key") << wholeKey;
    }

    void sortMatchesAPlainStableSort()
    {
        QFETCH(QStringList, lines);
        QStringList expected = lines;
        std::stable_sort(expected.begin(), expected.end(), Lines::lessFoldedAZ);
        // The same order in a line store, as the attendee list sorts it.
        LineStore store;
        Lines::FoldedSort sort;
        sort.reserve(lines.size());
        for (const QString &line : std::as_const(lines)) {
            store.append(line);
            sort.add(line);
        }
        sort.sort(store);
        QCOMPARE(store.toList(), expected);
        Lines::sortFoldedAZ(lines);
        QCOMPARE(lines, expected);
    }

    void attendeeListOfAnArchive_data()
    {
        QTest::addColumn<int>("students");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("none") << 0 << 1u;
        QTest::newRow("a few") << 40 << 2u;
        // More attendees than the sort takes in one part.
        QTest::newRow("thousands") << 7000 << 3u;
    }

    void attendeeListOfAnArchive()
    {
        // The list of an archive is each attending student's line, made on its
        // own, in the folded order; equal lines in the order of the archive.
        QFETCH(int, students);
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        std::vector<QByteArray> records;
        QByteArray archive;
        for (int i = 0; i < students; ++i) {
            records.push_back(randomStudent(random));
            archive += records.back();
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Allievi.pro"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(archive), archive.size());
        file.close();
        const QStringList expected = sortedLinesOf(records, &Lines::isCurrentAttendee, &Lines::attendeeLine);
        QVERIFY(students == 0 || !expected.isEmpty());
        QCOMPARE(Lines::readAttendeeLines(path).toList(), expected);
    }

    void lineMakerWritesWhatWriteLineWrites_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("name, fixed columns, the last of no width") << 0;
        QTest::newRow("name kept with its blank, a column of no width in between") << 1;
        QTest::newRow("no name, every column fixed") << 2;
        QTest::newRow("no name, the first column of no width") << 3;
        QTest::newRow("lessons, up to the end of the record") << 4;
    }

    void lineMakerWritesWhatWriteLineWrites()
    {
        QFETCH(int, format);
        using namespace StudentRecord;
        static constexpr Lines::Column kAttendee[] = {
            {QLatin1StringView("  Isc. n. "), txtNumIsc, 14}, {QLatin1StringView("  Data: "), txtDataIsc, 10},
            {QLatin1StringView("  Tel. "), txtPreferenziale, 14}, {QLatin1StringView("  Corso: "), txtCodiceCor, 18},
            {QLatin1StringView("  "), txtNote, -1}};
        static constexpr Lines::Column kMiddle[] = {
            {QLatin1StringView("|"), txtCodiceCor, 0}, {QLatin1StringView(" a long label, longer than sixteen: "), txtNumIsc, 3},
            {QLatin1StringView(" <"), txtNote, -1}, {QLatin1StringView("> "), txtDataIsc, 10}, {QLatin1StringView(""), txtPreferenziale, 40}};
        static constexpr Lines::Column kFixed[] = {
            {QLatin1StringView(""), txtCognome, 50}, {QLatin1StringView(" "), txtNote, 250}, {QLatin1StringView(" "), txtNumIsc, 1}};
        static constexpr Lines::Column kFirstFree[] = {{QLatin1StringView("N: "), txtNote, -1}, {QLatin1StringView(" "), txtNome, 7}};
        static constexpr Lines::Column kLesson[] = {
            {QLatin1StringView("Data: "), LessonRecord::txtData, 10}, {QLatin1StringView("   Istr. "), LessonRecord::txtIstruttore, 26},
            {QLatin1StringView("   Mod. "), LessonRecord::txtModulo, 30}};
        const Lines::LineFormat formats[] = {
            {&StudentRecord::layout(), txtCognome, txtNome, 28, kAttendee},
            {&StudentRecord::layout(), txtCognome, txtNome, 12, kMiddle, Lines::NameJoin::Blank},
            {&StudentRecord::layout(), -1, -1, 0, kFixed},
            {&StudentRecord::layout(), -1, -1, 0, kFirstFree},
            {&LessonRecord::layout(), -1, -1, 0, kLesson},
        };
        const Lines::LineFormat &chosen = formats[format];
        const Lines::LineMaker maker(chosen);
        QCOMPARE(maker.room(), Lines::longestLine(chosen));
        QRandomGenerator random(static_cast<quint32>(format) + 100);
        std::vector<int> fields{chosen.surname, chosen.name};
        for (const Lines::Column &column : chosen.columns)
            fields.push_back(column.field);
        for (int n = 0; n < 300; ++n) {
            QByteArray record = RecordBuffer(*chosen.layout).bytes();
            for (const int field : fields) {
                if (field >= 0)
                    setRandom(record, *chosen.layout, field, random);
            }
            // Room and one character on either side, to see that nothing is written past it.
            QString room(maker.room() + 2, QChar(u'#'));
            const qsizetype length = maker.write(spanOf(record), room.data() + 1);
            const QString expected = Lines::line(spanOf(record), chosen);
            QCOMPARE(QStringView(room).mid(1, length), QStringView(expected));
            QCOMPARE(room.front(), QChar(u'#'));
            QCOMPARE(room.back(), QChar(u'#'));
        }
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

    // Each line keeps the record it was made from through any order: identical
    // lines stay distinct records, sorted and sorted again.
    void recordLinesFollowTheOrder()
    {
        RecordLines list;
        const QString lines[] = {QStringLiteral("Verdi"), QStringLiteral("Abate"), QStringLiteral("Verdi"),
                                 QStringLiteral("bianchi"), QStringLiteral("Verdi")};
        qint64 position = 10;
        Lines::FoldedSort sort;
        for (const QString &line : lines) {
            list.append(line, position);
            sort.add(line);
            position += 10;
        }
        const auto recordAt = [&list](qsizetype row) { return list.records[static_cast<std::size_t>(list.lines.addedIndex(row))]; };
        for (qsizetype row = 0; row < list.lines.size(); ++row)
            QCOMPARE(recordAt(row), 10 * (row + 1));
        // Sorted: equal lines in the order of adding.
        sort.sort(list.lines);
        QCOMPARE(list.lines.toList(), (QStringList{"Abate", "bianchi", "Verdi", "Verdi", "Verdi"}));
        const qint64 sorted[] = {20, 40, 10, 30, 50};
        for (qsizetype row = 0; row < list.lines.size(); ++row)
            QCOMPARE(recordAt(row), sorted[row]);
        // Sorted again, the other way round.
        list.lines.setOrder({4, 2, 0, 3, 1});
        QCOMPARE(list.lines.toList(), (QStringList{"Verdi", "Verdi", "Verdi", "bianchi", "Abate"}));
        const qint64 reversed[] = {50, 30, 10, 40, 20};
        for (qsizetype row = 0; row < list.lines.size(); ++row) {
            QCOMPARE(recordAt(row), reversed[row]);
            QCOMPARE(list.lines.at(row), QStringView(lines[list.lines.addedIndex(row)]));
        }
    }
};

QTEST_GUILESS_MAIN(TestLines)
#include "tst_lines.moc"
