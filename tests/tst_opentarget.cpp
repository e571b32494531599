#include "shell/OpenTarget.h"

#include <QTest>

class TestOpenTarget : public QObject
{
    Q_OBJECT

private slots:
    void resolve_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("url");
        QTest::newRow("quoted path with blanks")
            << QStringLiteral("\"/srv/Volantix/Documenti_Allegati/foglio rosa.pdf\"")
            << QByteArray("file:///srv/Volantix/Documenti_Allegati/foglio%20rosa.pdf");
        QTest::newRow("unquoted path") << QStringLiteral("/tmp/Registro_Allievi.xls") << QByteArray("file:///tmp/Registro_Allievi.xls");
        QTest::newRow("web address") << QStringLiteral("https://www.volantix.it") << QByteArray("https://www.volantix.it");
        QTest::newRow("bare www address") << QStringLiteral("www.volantix.it") << QByteArray("http://www.volantix.it");
        QTest::newRow("mail with subject and body")
            << QStringLiteral("\"mailto:info@volantix.it?subject=Richiesta informazioni&body=Buongiorno, vorrei sapere se \u00E8 possibile & altro\"")
            << QByteArray("mailto:info@volantix.it?subject=Richiesta%20informazioni"
                          "&body=Buongiorno%2C%20vorrei%20sapere%20se%20%C3%A8%20possibile%20%26%20altro");
        QTest::newRow("plain mail address") << QStringLiteral("\"mailto:maria.rossi@example.it\"") << QByteArray("mailto:maria.rossi@example.it");
        QTest::newRow("mail address with a blank") << QStringLiteral("\"mailto:maria rossi@example.it\"") << QByteArray("mailto:maria%20rossi@example.it");
    }

    void resolve()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, url);
        const QUrl resolved = OpenTarget::resolve(command);
        QVERIFY(resolved.isValid());
        QCOMPARE(resolved.toEncoded(), url);
    }

    void nothingToOpen()
    {
        QVERIFY(OpenTarget::resolve(QString()).isEmpty());
        QVERIFY(OpenTarget::resolve(QStringLiteral("\"\"")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestOpenTarget)
#include "tst_opentarget.moc"
