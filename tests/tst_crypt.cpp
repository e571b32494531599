#include "TestSupport.h"

#include "access/Crypt.h"
#include "access/PasswordStore.h"
#include "storage/IniFile.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

class TestCrypt : public QObject
{
    Q_OBJECT

private slots:
    void knownScrambles_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("scrambled");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("first-access keyword") << QStringLiteral("PASSACORRIDOIO") << QStringLiteral("D24D657B83D29A904012C28D2044");
        QTest::newRow("MELA") << QStringLiteral("MELA") << QStringLiteral("CF1EB501");
        QTest::newRow("accented") << QStringLiteral("S\u00EC") << QStringLiteral("D190");
    }

    void knownScrambles()
    {
        QFETCH(QString, plain);
        QFETCH(QString, scrambled);
        QCOMPARE(ScramblePassword(plain), scrambled);
        QCOMPARE(UnscramblePassword(scrambled), std::optional<QString>(plain));
        QCOMPARE(UnscramblePassword(scrambled.toLower()), std::optional<QString>(plain));
    }

    void roundTrip()
    {
        QString every;
        for (int code = 0; code < 256; ++code)
            every.append(QChar(static_cast<char16_t>(code)));
        QCOMPARE(UnscramblePassword(ScramblePassword(every.left(255))), std::optional<QString>(every.left(255)));
        QCOMPARE(UnscramblePassword(ScramblePassword(every.right(255))), std::optional<QString>(every.right(255)));

        QRandomGenerator random(2112);
        for (int round = 0; round < 200; ++round) {
            QString plain;
            const int length = random.bounded(256);
            for (int i = 0; i < length; ++i)
                plain.append(QChar(static_cast<char16_t>(random.bounded(256))));
            QCOMPARE(ScramblePassword(plain).size(), 2 * length);
            QCOMPARE(UnscramblePassword(ScramblePassword(plain)), std::optional<QString>(plain));
        }
    }

    void unscrambleEdges_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("plain");
        QTest::newRow("odd last digit ignored") << QStringLiteral("CF1EB5017") << true << QStringLiteral("MELA");
        QTest::newRow("odd, not even hexadecimal") << QStringLiteral("CF1EB501Z") << true << QStringLiteral("MELA");
        QTest::newRow("one digit") << QStringLiteral("C") << true << QString();
        QTest::newRow("G1") << QStringLiteral("G1") << false << QString();
        QTest::newRow("bad pair later") << QStringLiteral("CF1EB5G1") << false << QString();
        QTest::newRow("blank inside a pair") << QStringLiteral("CF 1") << false << QString();
        QTest::newRow("sign inside a pair") << QStringLiteral("+1") << false << QString();
    }

    void unscrambleEdges()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QString, plain);
        const std::optional<QString> result = UnscramblePassword(text);
        QCOMPARE(result.has_value(), ok);
        if (ok)
            QCOMPARE(*result, plain);
    }

    void onlyLowBitsAreKept()
    {
        QVERIFY(IsScramblable(QString(255, QLatin1Char('x'))));
        QVERIFY(!IsScramblable(QString(256, QLatin1Char('x'))));
        QVERIFY(!IsScramblable(QStringLiteral("\u20AC")));
        // A character above 255 comes back as its low byte.
        QCOMPARE(UnscramblePassword(ScramblePassword(QStringLiteral("\u0141"))), std::optional<QString>(QStringLiteral("A")));
    }

    void newInstallationStore()
    {
        QTemporaryDir dir;
        const auto initStore = [&dir] { return TestSupport::runTool(QStringLiteral(VOLANTIX_INIT_STORE_TOOL), {dir.path()}).code; };
        QCOMPARE(initStore(), 0);
        const QString store = dir.filePath(QStringLiteral("unins000.dll"));
        const QString value = IniFile::readValue(store, QStringLiteral("Accesso"), QStringLiteral("Valore"));
        QCOMPARE(UnscramblePassword(value), std::optional<QString>(QStringLiteral("PASSACORRIDOIO")));
        QVERIFY(TestSupport::readAll(store).contains("[Accesso]\r\nValore=D24D657B83D29A904012C28D2044\r\n"));

        // A store that exists already, the user's own password, is never replaced.
        QVERIFY(PasswordStore::writePassword(store, QStringLiteral("MELA")));
        const QByteArray own = TestSupport::readAll(store);
        QCOMPARE(initStore(), 0);
        QCOMPARE(TestSupport::readAll(store), own);
    }
};

QTEST_GUILESS_MAIN(TestCrypt)
#include "tst_crypt.moc"
