#include "TestSupport.h"

#include "storage/ArchiveTool.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;

namespace {

struct Result {
    int code = 0;
    QByteArray out;
    QByteArray err;
};

Result runTool(const QStringList &arguments, const QByteArray &input = QByteArray())
{
    QByteArray inBytes = input;
    QBuffer in(&inBytes);
    QBuffer out;
    QBuffer err;
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    Result result;
    result.code = ArchiveTool::run(arguments, in, out, err);
    result.out = out.data();
    result.err = err.data();
    return result;
}

} // namespace

class TestArchiveTool : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const char *name) { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void init()
    {
        for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files))
            QFile::remove(m_dir.filePath(name));
    }

    void appendThenDump()
    {
        const QString archive = path("Allievi.pro");
        const QByteArray input =
            "{\"txtCognome\":\"Bell\xC3\xB2\",\"txtNome\":\"  Niccol\xC3\xB2 \",\"chkRicontatta\":true}\n"
            "\n"
            "{\"txtCognome\":\"Verdi\",\"txtNote\":\"prima riga\\nseconda \\\"citata\\\"\"}\r\n";
        const Result appended = runTool({QStringLiteral("append"), archive}, input);
        QCOMPARE(appended.code, 0);
        QCOMPARE(appended.out, QByteArray("1\n2\n"));

        const QByteArray bytes = readAll(archive);
        QCOMPARE(bytes.size(), 2 * StudentRecord::Size);
        QCOMPARE(bytes.mid(248, 6), QByteArray("\x05" "Bell\xF2"));
        QCOMPARE(bytes.mid(1668, 3), QByteArray("\x02\x53\xEC"));
        QCOMPARE(bytes.mid(StudentRecord::Size + 1668, 3), QByteArray("\x02\x4E\x6F")); // missing: "No"

        const Result dumped = runTool({QStringLiteral("dump"), archive});
        QCOMPARE(dumped.code, 0);
        const QList<QByteArray> lines = dumped.out.split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[2].isEmpty());
        QVERIFY(lines[0].startsWith("{\"_position\":1,\"txtCodiceCor\":\"\",\"txtTipologiaCor\":\"\","));
        QVERIFY(lines[0].contains(",\"txtCognome\":\"Bell\xC3\xB2\",\"txtNome\":\"Niccol\xC3\xB2\",\"txtSesso\":\"\","));
        QVERIFY(lines[0].contains(",\"chkRicontatta\":\"S\xC3\xAC\","));
        QVERIFY(lines[0].endsWith(",\"lblDesc03\":\"\"}"));
        const QJsonObject second = QJsonDocument::fromJson(lines[1]).object();
        QCOMPARE(second.value(QStringLiteral("_position")).toInt(), 2);
        QCOMPARE(second.value(QStringLiteral("txtNote")).toString(), QStringLiteral("prima riga\nseconda \"citata\""));
        QCOMPARE(second.size(), 1 + StudentRecord::FieldCount);

        // What dump prints appends again as the same record.
        const QString copy = path("copia.pro");
        QCOMPARE(runTool({QStringLiteral("append"), copy, QStringLiteral("--kind"), QStringLiteral("student")}, dumped.out).code, 0);
        QCOMPARE(readAll(copy).size(), bytes.size());
        QCOMPARE(runTool({QStringLiteral("dump"), copy, QStringLiteral("--kind=student")}).out, dumped.out);
    }

    void kindFromFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("recordSize");
        QTest::newRow("forms") << QStringLiteral("Modelli_TT2112.pro") << TT2112Record::Size;
        QTest::newRow("students") << QStringLiteral("Allievi.pro") << StudentRecord::Size;
        QTest::newRow("lessons") << QStringLiteral("Lezioni_Guida_Allievo_12.lez") << LessonRecord::Size;
        QTest::newRow("lessons, other case") << QStringLiteral("lezioni_guida_allievo_3.LEZ") << LessonRecord::Size;
    }

    void kindFromFileName()
    {
        QFETCH(QString, name);
        QFETCH(int, recordSize);
        const QString archive = m_dir.filePath(name);
        QCOMPARE(runTool({QStringLiteral("append"), archive}, "{}\n").code, 0);
        QCOMPARE(readAll(archive).size(), recordSize);
    }

    void badInputWritesNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("message");
        const QString archive = QStringLiteral("Allievi.pro");
        QTest::newRow("malformed JSON after a good line")
            << QStringList{QStringLiteral("append"), archive} << QByteArray("{\"txtNome\":\"A\"}\n{\"txtNome\":\n") << QByteArray("line 2: malformed JSON");
        QTest::newRow("not an object") << QStringList{QStringLiteral("append"), archive} << QByteArray("[1,2]\n") << QByteArray("line 1: expected a JSON object");
        QTest::newRow("unknown field") << QStringList{QStringLiteral("append"), archive} << QByteArray("{\"txtTarga\":\"AB\"}\n") << QByteArray("unknown field \"txtTarga\"");
        QTest::newRow("number for a text") << QStringList{QStringLiteral("append"), archive} << QByteArray("{\"txtNome\":12}\n") << QByteArray("field \"txtNome\" takes a text");
        QTest::newRow("bad yes/no") << QStringList{QStringLiteral("append"), archive} << QByteArray("{\"chkRicontatta\":\"forse\"}\n") << QByteArray("field \"chkRicontatta\"");
        QTest::newRow("unknown kind") << QStringList{QStringLiteral("append"), archive, QStringLiteral("--kind"), QStringLiteral("moto")} << QByteArray("{}\n") << QByteArray("unknown kind \"moto\"");
        QTest::newRow("name tells no kind") << QStringList{QStringLiteral("append"), QStringLiteral("dati.bin")} << QByteArray("{}\n") << QByteArray("cannot tell the layout");
        QTest::newRow("unknown command") << QStringList{QStringLiteral("erase"), archive} << QByteArray() << QByteArray("unknown command \"erase\"");
        QTest::newRow("no file") << QStringList{QStringLiteral("dump")} << QByteArray() << QByteArray("usage:");
    }

    void badInputWritesNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, message);
        const QString archive = path("Allievi.pro");
        QVERIFY(writeAll(archive, QByteArray(StudentRecord::Size, '\0')));
        for (QString &argument : arguments) {
            if (argument.endsWith(QLatin1String(".pro")) || argument.endsWith(QLatin1String(".bin")))
                argument = m_dir.filePath(argument);
        }
        const Result result = runTool(arguments, input);
        QCOMPARE(result.code, 2);
        QVERIFY2(result.err.contains(message), result.err.constData());
        QCOMPARE(result.err.count('\n'), 1);
        QVERIFY(result.out.isEmpty());
        QCOMPARE(readAll(archive), QByteArray(StudentRecord::Size, '\0'));
    }

    void unreadableFile()
    {
        const Result missing = runTool({QStringLiteral("dump"), path("Allievi.pro")});
        QCOMPARE(missing.code, 2);
        QVERIFY(!QFile::exists(path("Allievi.pro"))); // dumping creates nothing
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Modelli_TT2112.pro")));
        QCOMPARE(runTool({QStringLiteral("check"), path("Modelli_TT2112.pro")}).code, 2);
        QCOMPARE(runTool({QStringLiteral("append"), path("Modelli_TT2112.pro")}, "{}\n").code, 2);
        QDir(path("Modelli_TT2112.pro")).removeRecursively();
    }

    void checkReportsAnomalies()
    {
        RecordBuffer first(LessonRecord::layout());
        first.setText(LessonRecord::txtData, QStringLiteral("01/02/2026"));
        QByteArray second = first.bytes();
        second[LessonRecord::layout().field(LessonRecord::txtTarga).offset] = char(40); // maximum is 10
        const QString archive = path("Lezioni_Guida_Allievo_7.lez");

        QVERIFY(writeAll(archive, first.bytes() + first.bytes()));
        const Result clean = runTool({QStringLiteral("check"), archive});
        QCOMPARE(clean.code, 0);
        QCOMPARE(clean.out, QByteArray("records: 2\n"));

        QVERIFY(writeAll(archive, first.bytes() + second + QByteArray(20, 'x')));
        const Result damaged = runTool({QStringLiteral("check"), archive});
        QCOMPARE(damaged.code, 1);
        QCOMPARE(damaged.out, QByteArray("records: 2\n"
                                         "anomaly: record 2, field txtTarga: length byte 40 over the maximum 10\n"
                                         "anomaly: trailing partial record of 20 bytes at offset 268\n"));

        // Yes/no fields that hold neither value (a zero-filled record).
        const QString students = path("Allievi.pro");
        QVERIFY(writeAll(students, QByteArray(StudentRecord::Size, '\0')));
        const Result zeroed = runTool({QStringLiteral("check"), students});
        QCOMPARE(zeroed.code, 1);
        QCOMPARE(zeroed.out, QByteArray("records: 1\nanomaly: record 1, field chkRicontatta: yes/no field holds \"\"\n"));
    }

    void programRoundTripsAccentedText()
    {
        const QString archive = path("Modelli_TT2112.pro");
        QProcess tool;
        tool.start(QStringLiteral(VOLANTIX_ARCHIVE_TOOL), {QStringLiteral("append"), archive});
        tool.write("{\"txtCognome\":\"Nard\xC3\xB2\",\"txtUfficio\":\"Forl\xC3\xAC\",\"txtNote\":\"\xE2\x82\xAC 16,00\",\"chkTariffa01\":\"S\xC3\xAC\"}\n");
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(tool.readAllStandardOutput(), QByteArray("1\n"));
        QCOMPARE(readAll(archive).mid(82, 6), QByteArray("\x05" "Nard\xF2"));

        tool.start(QStringLiteral(VOLANTIX_ARCHIVE_TOOL), {QStringLiteral("dump"), archive});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 0);
        const QJsonObject record = QJsonDocument::fromJson(tool.readAllStandardOutput()).object();
        QCOMPARE(record.value(QStringLiteral("txtCognome")).toString(), QStringLiteral("Nard\u00F2"));
        QCOMPARE(record.value(QStringLiteral("txtUfficio")).toString(), QStringLiteral("Forl\u00EC"));
        QCOMPARE(record.value(QStringLiteral("txtNote")).toString(), QStringLiteral("\u20AC 16,00"));
        QCOMPARE(record.value(QStringLiteral("chkTariffa01")).toString(), QStringLiteral("S\u00EC"));
        QCOMPARE(record.value(QStringLiteral("chkTariffa02")).toString(), QStringLiteral("No"));

        tool.start(QStringLiteral(VOLANTIX_ARCHIVE_TOOL), {QStringLiteral("dump"), path("nessuno.pro")});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 2);
    }
};

QTEST_GUILESS_MAIN(TestArchiveTool)
#include "tst_archivetool.moc"
