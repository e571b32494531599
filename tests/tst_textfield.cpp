#include "storage/TextField.h"
#include "storage/Windows1252.h"

#include <QTest>

#include <array>

namespace {

// A field of maximum length `max`, every byte preset to 0xAA so that untouched
// bytes can be told apart.
QByteArray presetField(int max)
{
    return QByteArray(max + 1, '\xAA');
}

std::span<char> span(QByteArray &bytes)
{
    return {bytes.data(), static_cast<std::size_t>(bytes.size())};
}

std::span<const char> cspan(const QByteArray &bytes)
{
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace

class TestTextField : public QObject
{
    Q_OBJECT

private slots:
    void windows1252RoundTripsEveryByte()
    {
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = static_cast<char>(i);
        const QString text = Windows1252::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(Windows1252::encode(text), all);
    }

    void windows1252DecodesInPlaceAtEveryLength()
    {
        // Short and long texts, with a byte of the upper half in every place of
        // some and none in others: the characters are those of the table, and the
        // characters on either side of the room are left alone.
        for (int length = 0; length <= 40; ++length) {
            for (int upper = -1; upper < length; ++upper) {
                QByteArray bytes(length, '\0');
                for (int i = 0; i < length; ++i)
                    bytes[i] = static_cast<char>(0x21 + (i * 7 + length) % 0x5E);
                if (upper >= 0)
                    bytes[upper] = static_cast<char>(0x80 + (upper * 11 + length) % 0x80);
                QString room(length + 2, QChar(u'#'));
                Windows1252::decodeInto(bytes, room.data() + 1);
                QString expected = QStringLiteral("#");
                for (const char byte : std::as_const(bytes))
                    expected += QChar(Windows1252::decodeByte(static_cast<unsigned char>(byte)));
                expected += QLatin1Char('#');
                QCOMPARE(room, expected);
            }
        }
    }

    void windows1252Characters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("euro") << QStringLiteral("\u20AC") << QByteArray("\x80");
        QTest::newRow("i grave") << QStringLiteral("\u00EC") << QByteArray("\xEC");
        QTest::newRow("a grave capital") << QStringLiteral("\u00C0") << QByteArray("\xC0");
        QTest::newRow("em dash") << QStringLiteral("\u2014") << QByteArray("\x97");
        QTest::newRow("y diaeresis capital") << QStringLiteral("\u0178") << QByteArray("\x9F");
        QTest::newRow("unassigned 81") << QStringLiteral("\u0081") << QByteArray("\x81");
        QTest::newRow("unassigned 9D") << QStringLiteral("\u009D") << QByteArray("\x9D");
        QTest::newRow("greek omega") << QStringLiteral("\u03A9") << QByteArray("?");
        QTest::newRow("check mark") << QStringLiteral("\u2713") << QByteArray("?");
        QTest::newRow("emoji is one character") << QStringLiteral("a\U0001F600b") << QByteArray("a?b");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
        QTest::newRow("control 0x1A stays") << QStringLiteral("\x1A") << QByteArray("\x1A");
    }

    void windows1252Characters()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(Windows1252::encode(text), bytes);
        if (!bytes.contains('?'))
            QCOMPARE(Windows1252::decode(bytes), text);
    }

    void storeTrimsAndKeepsTheTail()
    {
        QByteArray field = presetField(50);
        TextField::store(span(field), QStringLiteral("  Rossi  "));
        QCOMPARE(field.left(6), QByteArray("\x05Rossi"));
        QCOMPARE(field.mid(6), QByteArray(45, '\xAA'));
    }

    void storeTrimsControlCharacters()
    {
        QByteArray field = presetField(20);
        TextField::store(span(field), QStringLiteral("\t\r\n Bianchi\x01\x1F "));
        QCOMPARE(field.left(8), QByteArray("\x07" "Bianchi"));
        // Characters of code 32 and below inside the text stay.
        TextField::store(span(field), QStringLiteral("A\tB"));
        QCOMPARE(field.left(4), QByteArray("\x03" "A\tB"));
    }

    void storeCutsToTheField_data()
    {
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("typed");
        QTest::addColumn<int>("kept");
        QTest::newRow("60 into 50") << 50 << 60 << 50;
        QTest::newRow("300 into 250") << 250 << 300 << 250;
        QTest::newRow("300 into 255 stops at 255") << 255 << 300 << 255;
        QTest::newRow("exactly full") << 10 << 10 << 10;
        QTest::newRow("one character field") << 1 << 5 << 1;
    }

    void storeCutsToTheField()
    {
        QFETCH(int, max);
        QFETCH(int, typed);
        QFETCH(int, kept);
        QString text;
        for (int i = 0; i < typed; ++i)
            text.append(QChar(u'a' + i % 26));
        QByteArray field = presetField(max);
        TextField::store(span(field), text);
        QCOMPARE(static_cast<unsigned char>(field[0]), static_cast<unsigned char>(kept));
        QCOMPARE(field.mid(1, kept), Windows1252::encode(text.left(kept)));
        QCOMPARE(TextField::load(cspan(field)), text.left(kept));
    }

    void storeCutsAfterTrimmingLeadingBlanks()
    {
        // The 255-character limit counts from the first character that is kept.
        QByteArray field = presetField(255);
        const QString text = QString(10, QLatin1Char(' ')) + QString(300, QLatin1Char('x'));
        TextField::store(span(field), text);
        QCOMPARE(static_cast<unsigned char>(field[0]), 255);
        QCOMPARE(field.mid(1), QByteArray(255, 'x'));
    }

    void storeSubstitutesQuestionMark()
    {
        QByteArray field = presetField(10);
        TextField::store(span(field), QStringLiteral("\u03A9mega\u20AC"));
        QCOMPARE(field.left(7), QByteArray("\x06?mega\x80"));
    }

    void yesNoBytes()
    {
        QByteArray field = presetField(2);
        TextField::storeYesNo(span(field), true);
        QCOMPARE(field, QByteArray("\x02\x53\xEC"));
        QCOMPARE(TextField::load(cspan(field)), QStringLiteral("S\u00EC"));
        TextField::storeYesNo(span(field), false);
        QCOMPARE(field, QByteArray("\x02\x4E\x6F"));
        QCOMPARE(TextField::load(cspan(field)), QStringLiteral("No"));
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("length zero ignores the bytes") << QByteArray("\x00Rossi", 6) << QString();
        QTest::newRow("only the length counts") << QByteArray("\x03RossiXX") << QStringLiteral("Ros");
        QTest::newRow("trimmed on load") << QByteArray("\x07  Rossi") << QStringLiteral("Rossi");
        QTest::newRow("control characters trimmed") << QByteArray("\x04\x0D\x0A" "ab", 5) << QStringLiteral("ab");
        QTest::newRow("NUL inside stays") << QByteArray("\x03" "a\0b", 4) << QStringLiteral("a") + QChar(0) + QStringLiteral("b");
        QTest::newRow("length over the maximum reads the maximum")
            << QByteArray("\xC8" "abcde") << QStringLiteral("abcde");
        QTest::newRow("unassigned bytes") << QByteArray("\x02\x81\x8D") << QStringLiteral("\u0081\u008D");
        QTest::newRow("all five unassigned bytes") << QByteArray("\x05\x81\x8D\x8F\x90\x9D") << QStringLiteral("\u0081\u008D\u008F\u0090\u009D");
        QTest::newRow("CR LF inside stays") << QByteArray("\x06" "a\r\nbc\n") << QStringLiteral("a\r\nbc");
    }

    void load()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, text);
        QCOMPARE(TextField::load(cspan(field)), text);
    }

    void lengthOverMaximumNeverReadsTheNextField()
    {
        // Two adjacent fields of maximum 3; the first claims 200 characters.
        const QByteArray record("\xC8" "abc" "\x03" "xyz");
        const std::span<const char> first(record.constData(), 4);
        QCOMPARE(TextField::storedLength(first), 3);
        QCOMPARE(TextField::load(first), QStringLiteral("abc"));
    }

    void upperAZ()
    {
        QCOMPARE(TextField::upperAZ(QStringLiteral("ab\u00E0z \u00E8Z1")), QStringLiteral("AB\u00E0Z \u00E8Z1"));
    }
};

QTEST_GUILESS_MAIN(TestTextField)
#include "tst_textfield.moc"
