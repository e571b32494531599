#include "TestSupport.h"

#include "shell/Clock.h"
#include "cli/ArchiveTool.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

#ifndef Q_OS_WIN
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

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

// What the tool says before every message.
QByteArray toolLine(const QString &message)
{
    return "volantix-archive: " + message.toUtf8() + '\n';
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
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
        for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden))
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
        QTest::newRow("--strict for check") << QStringList{QStringLiteral("check"), archive, QStringLiteral("--strict")} << QByteArray() << QByteArray("--strict applies to append only");
        // Bad input is reported alone, without the warnings of the lines before it.
        QTest::newRow("--strict, long text, then malformed JSON")
            << QStringList{QStringLiteral("--strict"), QStringLiteral("append"), archive}
            << QByteArray("{\"txtCognome\":\"" + QByteArray(60, 'R') + "\"}\n{\"txtNome\":\n") << QByteArray("line 2: malformed JSON");
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

    void notARegularFileIsRefusedAtOnce_data()
    {
        QTest::addColumn<bool>("pipe");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("message"); // after the path
#ifdef Q_OS_WIN
        for (const bool pipe : {false}) { // no named pipes among files on Windows
#else
        for (const bool pipe : {true, false}) {
#endif
            const QString detail = pipe ? QStringLiteral(": not a regular file") : QStringLiteral(": is a folder");
            const char *what = pipe ? "pipe" : "folder";
            QTest::addRow("dump, %s", what) << pipe << QStringLiteral("dump") << detail;
            QTest::addRow("check, %s", what) << pipe << QStringLiteral("check") << detail;
            QTest::addRow("append, %s", what) << pipe << QStringLiteral("append") << detail + QStringLiteral(" (no records appended)");
        }
    }

    void notARegularFileIsRefusedAtOnce()
    {
        QFETCH(bool, pipe);
        QFETCH(QString, command);
        QFETCH(QString, message);
        const QString archive = path("Allievi.pro");
#ifndef Q_OS_WIN
        if (pipe)
            QCOMPARE(::mkfifo(QFile::encodeName(archive).constData(), 0600), 0);
        else
#endif
            QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Allievi.pro")));
        const auto cleanUp = qScopeGuard([&] {
            if (!pipe)
                QDir(archive).removeRecursively();
        });
        const QString verb = command == QLatin1String("append") ? QStringLiteral("cannot write ") : QStringLiteral("cannot read ");
        const QByteArray expected = toolLine(verb + archive + message);

        // A file that blocks would hang the whole suite: the alarm ends it instead.
#ifndef Q_OS_WIN
        ::alarm(30);
#endif
        const Result result = runTool({command, archive}, "{\"txtCognome\":\"Rossi\"}\n");
#ifndef Q_OS_WIN
        ::alarm(0);
#endif
        QCOMPARE(result.code, 2);
        QCOMPARE(result.err, expected); // the whole line: no system error text tacked on
        QVERIFY(result.out.isEmpty());

        // The program, with its input left open: append refuses the file before
        // it waits for any input.
        QProcess tool;
        tool.start(QStringLiteral(VOLANTIX_ARCHIVE_TOOL), {command, archive});
        QVERIFY(tool.waitForStarted());
        // It ends by itself while its input is still open: a tool that waited for
        // the input (or blocked on the file) would still be running after a minute.
        // A tool that has already ended by now counts as finished too.
        const bool finished = tool.waitForFinished(60000) || tool.state() == QProcess::NotRunning;
        if (!finished)
            tool.kill();
        QVERIFY2(finished, "the program is still waiting");
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 2);
        QCOMPARE(tool.readAllStandardError(), expected);
        QVERIFY(tool.readAllStandardOutput().isEmpty());

        const QFileInfo after(archive);
        QCOMPARE(after.isDir(), !pipe);
        QVERIFY(!after.isFile());
    }

    void appendReportsTextsNotStoredAsGiven_data()
    {
        QTest::addColumn<bool>("strict");
        QTest::addColumn<bool>("existing"); // the archive holds one record before
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QStringList>("warnings");
        QTest::addColumn<int>("records");
        QTest::addColumn<QByteArray>("lastCognome"); // the length byte and the characters stored

        struct Case {
            const char *name;
            QByteArray input;
            QStringList warnings;
            int records;
            QByteArray lastCognome;
        };
        const QByteArray snowman = "\xE2\x98\x83"; // U+2603, not in Windows-1252
        const QByteArray face = "\xF0\x9F\x98\x80"; // U+1F600, one character in two UTF-16 units
        const Case cases[] = {
            {"too long",
             "{\"txtCognome\":\"  " + QByteArray(60, 'R') + " \"}\n",
             {QStringLiteral("line 1: field \"txtCognome\": cut from 60 to 50 characters")},
             1, "\x32" + QByteArray(50, 'R')},
            {"outside the code page",
             "{\"txtCognome\":\"\xC5\x81ukasz " + face + " M\xC3\xBCller\"}\n",
             {QStringLiteral("line 1: field \"txtCognome\": 2 characters outside Windows-1252 stored as \"?\"")},
             1, "\x0F?ukasz ? M\xFCller"},
            // Only what is kept counts: the second snowman is cut off.
            {"both in one field",
             "{\"txtCognome\":\"" + QByteArray(49, 'A') + snowman + snowman + QByteArray(10, 'B') + "\"}\n",
             {QStringLiteral("line 1: field \"txtCognome\": cut from 61 to 50 characters; 1 character outside Windows-1252 stored as \"?\"")},
             1, "\x32" + QByteArray(49, 'A') + '?'},
            {"two fields of the third line",
             "{\"txtCognome\":\"Rossi\"}\n\n{\"txtCognome\":\"Bianchi\",\"txtNome\":\"" + QByteArray(51, 'N')
                 + "\",\"txtNote\":\"gi\xC3\xA0 " + snowman + "\"}\n",
             {QStringLiteral("line 3: field \"txtNome\": cut from 51 to 50 characters"),
              QStringLiteral("line 3: field \"txtNote\": 1 character outside Windows-1252 stored as \"?\"")},
             2, "\x07" "Bianchi"},
            // Blanks around a text are trimmed as always, and a text of the field's
            // full length in characters of the code page is kept whole.
            {"clean input",
             "{\"txtCognome\":\"  D'Al\xC3\xB2 M\xC3\xBCller \xE2\x80\x93 \xE2\x82\xAC \\t\",\"txtNome\":\"" + QByteArray(50, 'N')
                 + "\",\"txtNote\":\"   \"}\n",
             {},
             1, "\x10" "D'Al\xF2 M\xFCller \x96 \x80"},
        };
        for (const Case &c : cases) {
            QTest::addRow("%s", c.name) << false << true << c.input << c.warnings << c.records << c.lastCognome;
            QTest::addRow("%s, --strict", c.name) << true << true << c.input << c.warnings << c.records << c.lastCognome;
            QTest::addRow("%s, --strict, new archive", c.name) << true << false << c.input << c.warnings << c.records << c.lastCognome;
        }
    }

    void appendReportsTextsNotStoredAsGiven()
    {
        QFETCH(bool, strict);
        QFETCH(bool, existing);
        QFETCH(QByteArray, input);
        QFETCH(QStringList, warnings);
        QFETCH(int, records);
        QFETCH(QByteArray, lastCognome);
        const QString archive = path("Allievi.pro");
        RecordBuffer first(StudentRecord::layout());
        first.setText(StudentRecord::txtCognome, QStringLiteral("Primo"));
        const QByteArray before = existing ? first.bytes() : QByteArray();
        if (existing)
            QVERIFY(writeAll(archive, before));

        QStringList arguments{QStringLiteral("append"), archive};
        if (strict)
            arguments.prepend(QStringLiteral("--strict"));
        const Result result = runTool(arguments, input);

        const bool refused = strict && !warnings.isEmpty();
        QByteArray expectedErr;
        for (const QString &warning : std::as_const(warnings))
            expectedErr += toolLine(warning);
        if (refused)
            expectedErr += toolLine(QStringLiteral("nothing appended: --strict refuses texts that would be cut or changed"));
        QCOMPARE(result.err, expectedErr);
        QCOMPARE(result.code, refused ? 2 : 0);

        const QByteArray after = readAll(archive);
        if (refused) {
            QVERIFY(result.out.isEmpty());
            QCOMPARE(QFile::exists(archive), existing);
            QCOMPARE(after, before);
            return;
        }
        QByteArray positions;
        const int firstNew = existing ? 2 : 1;
        for (int n = firstNew; n < firstNew + records; ++n)
            positions += QByteArray::number(n) + '\n';
        QCOMPARE(result.out, positions);
        QCOMPARE(after.size(), before.size() + records * StudentRecord::Size);
        QCOMPARE(after.left(before.size()), before);
        const qsizetype cognome = after.size() - StudentRecord::Size + StudentRecord::layout().field(StudentRecord::txtCognome).offset;
        QCOMPARE(after.mid(cognome, lastCognome.size()), lastCognome);
    }

    void appendGivesUpOnAnotherProgramsLock()
    {
        const QString archive = path("Allievi.pro");
        RecordBuffer first(StudentRecord::layout());
        first.setText(StudentRecord::txtCognome, QStringLiteral("Primo"));
        QVERIFY(writeAll(archive, first.bytes()));

        // Another copy of the program holds the writers' lock.
        ForeignLock other(archive);
        QVERIFY(other.held());

        const std::chrono::milliseconds usual = RecordFile::lockTimeout();
        const auto restore = qScopeGuard([usual] { RecordFile::setLockTimeout(usual); });
        const std::chrono::milliseconds timeout(200);
        RecordFile::setLockTimeout(timeout);

        const QByteArray input = "{\"txtCognome\":\"Attesa\"}\n";
        const Result held = runTool({QStringLiteral("append"), archive}, input);
        QCOMPARE(held.code, 2);
        QCOMPARE(held.err, toolLine(QStringLiteral("cannot write %1: another program holds the archive: its lock was not "
                                                   "released within %2 ms (0 of 1 records appended)")
                                        .arg(archive)
                                        .arg(timeout.count())));
        QVERIFY(held.out.isEmpty());
        QCOMPARE(readAll(archive), first.bytes());

        // Once the other program lets go, the same input is appended.
        other.release();
        const Result free = runTool({QStringLiteral("append"), archive}, input);
        QCOMPARE(free.code, 0);
        QCOMPARE(free.out, QByteArray("2\n"));
        QCOMPARE(readAll(archive).size(), 2 * StudentRecord::Size);
    }

    void appendPastAFileSizeLimitFailsWholeRecords()
    {
#ifdef Q_OS_WIN
        QSKIP("a file size limit for one process is a POSIX resource limit");
#else
        // The archive may grow by one record and a part of the next: the tool is
        // not ended by the system's signal, the part is rolled back, and it says
        // how many records went in.
        const QString archive = path("Allievi.pro");
        RecordBuffer first(StudentRecord::layout());
        first.setText(StudentRecord::txtCognome, QStringLiteral("Primo"));
        QVERIFY(writeAll(archive, first.bytes()));
        const qint64 limit = 2 * StudentRecord::Size + 1000;
        QProcess tool;
        tool.setChildProcessModifier([limit] {
            // As a shell's "ulimit -f" would, and with the signal as the system has it.
            ::signal(SIGXFSZ, SIG_DFL);
            struct rlimit size {};
            size.rlim_cur = static_cast<rlim_t>(limit);
            size.rlim_max = static_cast<rlim_t>(limit);
            if (::setrlimit(RLIMIT_FSIZE, &size) != 0)
                ::_exit(98);
        });
        tool.start(QStringLiteral(VOLANTIX_ARCHIVE_TOOL), {QStringLiteral("append"), archive});
        QVERIFY(tool.waitForStarted(60000));
        tool.write("{\"txtCognome\":\"Secondo\"}\n{\"txtCognome\":\"Terzo\"}\n");
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished(60000) || tool.state() == QProcess::NotRunning);
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 2);
        const QByteArray err = tool.readAllStandardError();
        QVERIFY2(err.contains("(1 of 2 records appended)"), err.constData());
        QVERIFY2(err.contains(systemError(EFBIG).toUtf8()), err.constData());
        QCOMPARE(tool.readAllStandardOutput(), QByteArray("2\n"));
        const QByteArray after = readAll(archive);
        QCOMPARE(after.size(), 2 * StudentRecord::Size);
        QCOMPARE(after.left(StudentRecord::Size), first.bytes());
#endif
    }

    void appendSaysWhenTheRollbackFailed()
    {
        const QString archive = path("Allievi.pro");
        RecordBuffer first(StudentRecord::layout());
        first.setText(StudentRecord::txtCognome, QStringLiteral("Primo"));
        QVERIFY(writeAll(archive, first.bytes()));
        const auto restore = qScopeGuard([] {
            RecordFile::setFaultPlan({});
            RecordFile::setRollbackFault(false);
        });
        // Every operation from the record's write on fails, the undoing too.
        RecordFile::setRollbackFault(true);
        RecordFile::setFaultPlan({RecordFile::FaultPlan::Mode::Fail, 4, true});
        const Result result = runTool({QStringLiteral("append"), archive}, "{\"txtCognome\":\"Secondo\"}\n");
        QCOMPARE(result.code, 2);
        QVERIFY2(result.err.startsWith(toolLine(QStringLiteral("cannot write %1: write failed: ").arg(archive)).chopped(1)),
                 result.err.constData());
        QVERIFY2(result.err.contains("the archive may hold a partial record, which \"volantix-archive check\" finds"),
                 result.err.constData());
        QVERIFY2(result.err.endsWith(" (0 of 1 records appended)\n"), result.err.constData());
    }

    void appendWithoutLocksIsSaid()
    {
        const QString archive = path("Allievi.pro");
        RecordFile::setLockRefusal(ENOLCK);
        const Result result = runTool({QStringLiteral("append"), archive}, "{\"txtCognome\":\"Uno\"}\n{\"txtCognome\":\"Due\"}\n");
        RecordFile::setLockRefusal(0);
        // Appended all the same, and said once.
        QCOMPARE(result.code, 0);
        QCOMPARE(result.out, QByteArray("1\n2\n"));
        QCOMPARE(result.err, toolLine(archive + QStringLiteral(": the file system refuses locks; records appended from several "
                                                             "computers at once may be lost")));
        QCOMPARE(readAll(archive).size(), 2 * StudentRecord::Size);
        // With locks, nothing of the kind.
        const Result locked = runTool({QStringLiteral("append"), archive}, "{\"txtCognome\":\"Tre\"}\n");
        QCOMPARE(locked.code, 0);
        QVERIFY(locked.err.isEmpty());
    }

    void standardStreamsThatFail_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("redirections");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("appended");
        const QString full = QStringLiteral("cannot write the output: ") + systemError(ENOSPC);
        QTest::newRow("dump to a full disk") << QStringLiteral("dump") << QStringLiteral(">/dev/full") << full << 0;
        QTest::newRow("check to a full disk") << QStringLiteral("check") << QStringLiteral(">/dev/full") << full << 0;
        // The records are in the archive all the same, and the message says so.
        QTest::newRow("append to a full disk") << QStringLiteral("append") << QStringLiteral("<\"$2\" >/dev/full")
                                               << full + QStringLiteral(" (2 of 2 records appended)") << 2;
        QTest::newRow("append from a folder") << QStringLiteral("append") << QStringLiteral("<\"$3\"")
                                              << QStringLiteral("cannot read the input: ") + systemError(EISDIR) << 0;
    }

    void standardStreamsThatFail()
    {
        QFETCH(QString, command);
        QFETCH(QString, redirections);
        QFETCH(QString, message);
        QFETCH(int, appended);
        if (!QFileInfo(QStringLiteral("/dev/full")).exists())
            QSKIP("this system has no /dev/full");
        const QString archive = path("Allievi.pro");
        RecordBuffer first(StudentRecord::layout());
        first.setText(StudentRecord::txtCognome, QStringLiteral("Primo"));
        first.setYesNo(StudentRecord::chkRicontatta, false);
        QVERIFY(writeAll(archive, first.bytes()));
        const QString input = path("input.jsonl");
        QVERIFY(writeAll(input, "{\"txtCognome\":\"Rossi\"}\n{\"txtCognome\":\"Verdi\"}\n"));

        QProcess shell;
        shell.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"), QStringLiteral("exec \"$0\" %1 \"$1\" %2").arg(command, redirections),
                     QStringLiteral(VOLANTIX_ARCHIVE_TOOL), archive, input, m_dir.path()});
        QVERIFY(shell.waitForFinished(10000));
        QCOMPARE(shell.exitStatus(), QProcess::NormalExit);
        QCOMPARE(shell.readAllStandardError(), toolLine(message));
        QCOMPARE(shell.exitCode(), 2);
        const QByteArray after = readAll(archive);
        QCOMPARE(after.size(), (1 + appended) * StudentRecord::Size);
        QCOMPARE(after.left(StudentRecord::Size), first.bytes());
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

    void taxCode_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err"); // the whole message, after the tool's name

        const QStringList read{QStringLiteral("taxcode")};
        const QStringList compute{QStringLiteral("taxcode"), QStringLiteral("--compute")};
        const QByteArray rossi = "{\"valid\":true,\"code\":\"RSSMRA80A01H501U\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\","
                                 "\"placeCode\":\"H501\",\"municipality\":\"Roma\",\"province\":\"RM\",\"state\":null}\n";
        QTest::newRow("code") << read + QStringList{"RSSMRA80A01H501U"} << QByteArray() << 0 << rossi << QByteArray();
        QTest::newRow("code in lower case, with blanks") << read + QStringList{" rssmra80a01h501u "} << QByteArray() << 0 << rossi << QByteArray();
        // Omocodia at the place's digits (5 -> R): the place read back.
        QTest::newRow("omocodia") << read + QStringList{"RSSMRA80A01HR01P"} << QByteArray() << 0
                                  << QByteArray(rossi).replace("H501U\"", "HR01P\"") << QByteArray();
        // A woman born abroad: the state, no municipality.
        QTest::newRow("foreign state") << read + QStringList{"VNVLGO75C48Z135I"} << QByteArray() << 0
                                       << QByteArray("{\"valid\":true,\"code\":\"VNVLGO75C48Z135I\",\"sex\":\"F\",\"birthDate\":\"08/03/1975\","
                                                     "\"placeCode\":\"Z135\",\"municipality\":null,\"province\":null,\"state\":\"Unione Sovietica\"}\n")
                                       << QByteArray();
        // RSS MRA 80 A 01 Z999 -> Y: a code of a place in no list is not valid, and says why.
        QTest::newRow("place in no list") << read + QStringList{"RSSMRA80A01Z999Y"} << QByteArray() << 1
                                          << QByteArray("{\"valid\":false,\"code\":\"RSSMRA80A01Z999Y\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\","
                                                        "\"placeCode\":\"Z999\",\"municipality\":null,\"province\":null,\"state\":null,"
                                                        "\"reason\":\"the birth place code Z999 is in no list of places\"}\n")
                                          << QByteArray();
        // RSS MRA 80 A 01 M376 -> P: Abetone Cutigliano, made in 2017.
        QTest::newRow("place made after the birth") << read + QStringList{"RSSMRA80A01M376P"} << QByteArray() << 1
                                                    << QByteArray("{\"valid\":false,\"code\":\"RSSMRA80A01M376P\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\","
                                                                  "\"placeCode\":\"M376\",\"municipality\":null,\"province\":null,\"state\":null,"
                                                                  "\"reason\":\"the birth place M376, Abetone Cutigliano (PT), did not exist on the birth date\"}\n")
                                                    << QByteArray();
        // RSS MRA 90 A 01 Z221 -> I: Hong Kong, a territory.
        QTest::newRow("territory") << read + QStringList{"RSSMRA90A01Z221I"} << QByteArray() << 0
                                   << QByteArray("{\"valid\":true,\"code\":\"RSSMRA90A01Z221I\",\"sex\":\"M\",\"birthDate\":\"01/01/1990\","
                                                 "\"placeCode\":\"Z221\",\"municipality\":null,\"province\":null,\"state\":\"Hong Kong\"}\n")
                                   << QByteArray();
        // RSS MRA 90 A 01 F704 -> H: Monza, in today's province.
        QTest::newRow("province of today") << read + QStringList{"RSSMRA90A01F704H"} << QByteArray() << 0
                                           << QByteArray("{\"valid\":true,\"code\":\"RSSMRA90A01F704H\",\"sex\":\"M\",\"birthDate\":\"01/01/1990\","
                                                         "\"placeCode\":\"F704\",\"municipality\":\"Monza\",\"province\":\"MB\",\"state\":null}\n")
                                           << QByteArray();
        // Class 8: the structure before the check letter; eleven digits named for what they are.
        QTest::newRow("a letter among the digits, wrong check letter") << read + QStringList{"RSSMRA8AA01H501X"} << QByteArray() << 2 << QByteArray()
                                                                       << QByteArray("\"RSSMRA8AA01H501X\" is not a valid tax code: character 8 should be a digit");
        QTest::newRow("eleven digits") << read + QStringList{"07643520567"} << QByteArray() << 2 << QByteArray()
                                       << QByteArray("\"07643520567\" is not a valid tax code: an 11-digit number is the tax code of a company "
                                                     "or a provisional code, not a person's");
        // RSS MRA 80 A 01 B963 -> J: Caserta, in its own province.
        QTest::newRow("code born in Caserta") << read + QStringList{"RSSMRA80A01B963J"} << QByteArray() << 0
                                              << QByteArray("{\"valid\":true,\"code\":\"RSSMRA80A01B963J\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\","
                                                            "\"placeCode\":\"B963\",\"municipality\":\"Caserta\",\"province\":\"CE\",\"state\":null}\n")
                                              << QByteArray();
        QTest::newRow("wrong check letter") << read + QStringList{"RSSMRA80A01H501A"} << QByteArray() << 2 << QByteArray()
                                            << QByteArray("\"RSSMRA80A01H501A\" is not a valid tax code: its check letter should be U");
        QTest::newRow("30 February") << read + QStringList{"RSSMRA80B30H501X"} << QByteArray() << 2 << QByteArray()
                                     << QByteArray("\"RSSMRA80B30H501X\" is not a valid tax code: its birth date does not exist");
        QTest::newRow("too short") << read + QStringList{"RSSMRA80"} << QByteArray() << 2 << QByteArray()
                                   << QByteArray("\"RSSMRA80\" is not a valid tax code: it has 8 characters, not 16");
        QTest::newRow("no code") << read << QByteArray() << 2 << QByteArray()
                                 << QByteArray("taxcode takes a code, - and one code a line on input, or --compute and a JSON object on input; usage: volantix-archive "
                                               "dump|append|check FILE [--kind tt2112|student|lesson] [--strict], or volantix-archive taxcode CODE|-|--compute, "
                                               "or volantix-archive deadlines [--today dd/mm/yyyy] [--days N], "
                                               "or volantix-archive lessons FILE --summary, "
                                               "or volantix-archive hours --from dd/mm/yyyy --to dd/mm/yyyy, "
                                               "or volantix-archive backup DEST_FOLDER | verify BACKUP.zip | restore BACKUP.zip [--password-file FILE]");
        QTest::newRow("--kind") << read + QStringList{"RSSMRA80A01H501U", "--kind", "student"} << QByteArray() << 2 << QByteArray()
                                << QByteArray("--kind and --strict apply to archive files only");
        QTest::newRow("--compute for an archive") << QStringList{"dump", "Allievi.pro", "--compute"} << QByteArray() << 2 << QByteArray()
                                                  << QByteArray("--compute applies to taxcode only");

        QTest::newRow("compute") << compute
                                 << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\","
                                               "\"municipality\":\"Roma\",\"province\":\"RM\"}")
                                 << 0 << QByteArray("{\"code\":\"RSSMRA80A01H501U\"}\n") << QByteArray();
        // DMC MGR 88 S 51 F205 -> F: Milano needs no province, there is one
        QTest::newRow("compute, no province needed")
            << compute
            << QByteArray("{\"surname\":\"D'Amico\",\"name\":\"Maria Grazia\",\"sex\":\"f\",\"birthDate\":\"11/11/1988\",\"municipality\":\"MILANO\"}")
            << 0 << QByteArray("{\"code\":\"DMCMGR88S51F205F\"}\n") << QByteArray();
        QTest::newRow("compute, state")
            << compute
            << QByteArray("{\"surname\":\"Smith\",\"name\":\"John\",\"sex\":\"M\",\"birthDate\":\"04/07/1985\",\"state\":\"Stati Uniti d'America\"}")
            << 0 << QByteArray("{\"code\":\"SMTJHN85L04Z404B\"}\n") << QByteArray();
        QTest::newRow("compute, place code")
            << compute
            << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Luca\",\"sex\":\"M\",\"birthDate\":\"10/05/1990\",\"placeCode\":\"a744\"}")
            << 0 << QByteArray("{\"code\":\"RSSLCU90E10A744G\"}\n") << QByteArray();
        // RSS MRA 80 A 01 C337 (Castro, Bergamo) -> D
        QTest::newRow("compute, province tells")
            << compute
            << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\",\"municipality\":\"Castro\",\"province\":\"BG\"}")
            << 0 << QByteArray("{\"code\":\"RSSMRA80A01C337D\"}\n") << QByteArray();
        // RSS MRA 80 A 01 E379 (Ivrea, Torino) -> N
        QTest::newRow("compute, Ivrea in Torino")
            << compute
            << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\",\"municipality\":\"Ivrea\",\"province\":\"TO\"}")
            << 0 << QByteArray("{\"code\":\"RSSMRA80A01E379N\"}\n") << QByteArray();
        QTest::newRow("compute, ambiguous")
            << compute
            << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\",\"municipality\":\"Castro\"}")
            << 2 << QByteArray()
            << QByteArray("several municipalities \"Castro\" on 01/01/1980: Castro (BG), Castro (LE), Castro dei Volsci (FR); give the province");
        QTest::newRow("compute, municipality elsewhere")
            << compute
            << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\",\"municipality\":\"Castro\",\"province\":\"MI\"}")
            << 2 << QByteArray()
            << QByteArray("no municipality \"Castro\" (MI) on 01/01/1980; the lists know Castro (BG), Castro (LE), Castro dei Volsci (FR)");
        // Castro dei Volsci was Castro, in the province of Roma: RSS MRA 80 A 01 C338 -> F
        QTest::newRow("compute, former name and province")
            << compute
            << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\",\"municipality\":\"Castro\",\"province\":\"RM\"}")
            << 0 << QByteArray("{\"code\":\"RSSMRA80A01C338F\"}\n") << QByteArray();
        // Calliano in AT is Calliano Monferrato, B418 -> E
        QTest::newRow("compute, Calliano in Asti")
            << compute
            << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\",\"municipality\":\"Calliano\",\"province\":\"AT\"}")
            << 0 << QByteArray("{\"code\":\"RSSMRA80A01B418E\"}\n") << QByteArray();
        // Monza in MI, born before Monza e Brianza: F704 -> H
        QTest::newRow("compute, province at birth")
            << compute
            << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1990\",\"municipality\":\"Monza\",\"province\":\"MI\"}")
            << 0 << QByteArray("{\"code\":\"RSSMRA90A01F704H\"}\n") << QByteArray();
        // Everyday name of a state: Russia, Z154 -> P; a territory: Hong Kong, Z221 -> I
        QTest::newRow("compute, everyday state name")
            << compute << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1990\",\"state\":\"Russia\"}")
            << 0 << QByteArray("{\"code\":\"RSSMRA90A01Z154P\"}\n") << QByteArray();
        QTest::newRow("compute, territory")
            << compute << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1990\",\"state\":\"Hong Kong\"}")
            << 0 << QByteArray("{\"code\":\"RSSMRA90A01Z221I\"}\n") << QByteArray();
        // Class 6: a municipality made after the birth date, by its name or its code.
        QTest::newRow("compute, municipality made after the birth")
            << compute
            << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\",\"municipality\":\"Abetone Cutigliano\",\"province\":\"PT\"}")
            << 2 << QByteArray()
            << QByteArray("no municipality \"Abetone Cutigliano\" (PT) on 01/01/1980; Abetone Cutigliano (PT) was made on 01/01/2017");
        QTest::newRow("compute, place code made after the birth")
            << compute << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\",\"placeCode\":\"M376\"}")
            << 2 << QByteArray() << QByteArray("\"placeCode\": \"M376\", Abetone Cutigliano (PT), did not exist on 01/01/1980");
        // Class 8: a birth date after today (10/12/2026).
        QTest::newRow("compute, birth date after today")
            << compute << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"11/12/2026\",\"placeCode\":\"H501\"}")
            << 2 << QByteArray() << QByteArray("\"birthDate\": 11/12/2026 is after today");
        // Class 7: Ü as UE. M L L + J R G N (Jürgen: first, third, fourth) 80 A 01 H294 (Rimini, in FO at the time) -> Q
        QTest::newRow("compute, umlauts and a province gone")
            << compute
            << QByteArray("{\"surname\":\"M\xC3\xBCller\",\"name\":\"J\xC3\xBCrgen\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\",\"municipality\":\"Rimini\",\"province\":\"FO\"}")
            << 0 << QByteArray("{\"code\":\"MLLJGN80A01H294Q\"}\n") << QByteArray();
        // Class 9: batch mode, one code a line on input, one object a line on output, blank lines left out.
        QTest::newRow("batch")
            << QStringList{QStringLiteral("taxcode"), QStringLiteral("-")}
            << QByteArray("RSSMRA80A01H501U\n\n rssmra80a01z999y\r\n07643520567\nRSSMRA8AA01H501X")
            << 1
            << QByteArray(rossi
                          + "{\"valid\":false,\"code\":\"RSSMRA80A01Z999Y\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\",\"placeCode\":\"Z999\","
                            "\"municipality\":null,\"province\":null,\"state\":null,\"reason\":\"the birth place code Z999 is in no list of places\"}\n"
                            "{\"valid\":false,\"code\":\"07643520567\",\"reason\":\"an 11-digit number is the tax code of a company or a provisional code, "
                            "not a person's\"}\n"
                            "{\"valid\":false,\"code\":\"RSSMRA8AA01H501X\",\"reason\":\"character 8 should be a digit\"}\n")
            << QByteArray();
        QTest::newRow("batch, all valid")
            << QStringList{QStringLiteral("taxcode"), QStringLiteral("-")} << QByteArray("RSSMRA80A01H501U\nrssmra80a01h501u\n") << 0
            << QByteArray(rossi + rossi) << QByteArray();
        QTest::newRow("batch, nothing on input")
            << QStringList{QStringLiteral("taxcode"), QStringLiteral("-")} << QByteArray() << 0 << QByteArray() << QByteArray();
        QTest::newRow("compute, no such state")
            << compute
            << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1995\",\"state\":\"Unione Sovietica\"}")
            << 2 << QByteArray() << QByteArray("no foreign state called \"Unione Sovietica\" on 01/01/1995; Unione Sovietica ceased on 01/01/1992");
        QTest::newRow("compute, no surname")
            << compute << QByteArray("{\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\",\"placeCode\":\"H501\"}")
            << 2 << QByteArray() << QByteArray("\"surname\" needs at least one letter");
        QTest::newRow("compute, no sex")
            << compute << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"birthDate\":\"01/01/1980\",\"placeCode\":\"H501\"}")
            << 2 << QByteArray() << QByteArray("\"sex\" takes \"M\" or \"F\"");
        QTest::newRow("compute, date in another form")
            << compute << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"1980-01-01\",\"placeCode\":\"H501\"}")
            << 2 << QByteArray() << QByteArray("\"birthDate\" takes a date as dd/mm/yyyy");
        QTest::newRow("compute, no place")
            << compute << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\"}")
            << 2 << QByteArray()
            << QByteArray("the birth place is missing: give \"municipality\" and \"province\", \"state\", or \"placeCode\"");
        QTest::newRow("compute, place code in no list")
            << compute << QByteArray("{\"surname\":\"Rossi\",\"name\":\"Mario\",\"sex\":\"M\",\"birthDate\":\"01/01/1980\",\"placeCode\":\"Z999\"}")
            << 2 << QByteArray() << QByteArray("\"placeCode\": \"Z999\" is in no list of places");
        QTest::newRow("compute, number for a text")
            << compute << QByteArray("{\"surname\":\"Rossi\",\"name\":7}") << 2 << QByteArray() << QByteArray("\"name\" takes a text");
        QTest::newRow("compute, malformed JSON")
            << compute << QByteArray("{\"surname\":") << 2 << QByteArray() << QByteArray("malformed JSON: unterminated object");
    }

    void taxCode()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        // Two-digit years are read against today.
        Clock::setSource([] { return QDateTime(QDate(2026, 12, 10), QTime(10, 0)); });
        const auto restore = qScopeGuard([] { Clock::setSource({}); });
        const Result result = runTool(arguments, input);
        QCOMPARE(result.code, exitCode);
        QCOMPARE(result.out, out);
        QCOMPARE(result.err, err.isEmpty() ? QByteArray() : toolLine(QString::fromUtf8(err)));
    }

    void programReadsTaxCode()
    {
        // The list of places travels inside the program.
        const QString program = QStringLiteral(VOLANTIX_ARCHIVE_TOOL);
        TestSupport::ToolRun run = TestSupport::runTool(program, {QStringLiteral("taxcode"), QStringLiteral("RSSLCU90E10A744G")});
        QCOMPARE(run.code, 0);
        const QJsonObject decoded = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(decoded.value(QStringLiteral("municipality")).toString(), QStringLiteral("Bellagio"));
        QCOMPARE(decoded.value(QStringLiteral("province")).toString(), QStringLiteral("CO"));
        QCOMPARE(decoded.value(QStringLiteral("birthDate")).toString(), QStringLiteral("10/05/1990"));

        run = TestSupport::runTool(program, {QStringLiteral("taxcode"), QStringLiteral("--compute")},
                                   "{\"surname\":\"Niccol\xC3\xB2\",\"name\":\"Nicol\xC3\xB2\",\"sex\":\"M\",\"birthDate\":\"12/06/1982\","
                                   "\"municipality\":\"Roma\",\"province\":\"RM\"}");
        QCOMPARE(run.code, 0);
        // NCC NCL 82 H 12 H501 -> Q
        QCOMPARE(run.out, QByteArray("{\"code\":\"NCCNCL82H12H501Q\"}\n"));
    }

    void programRoundTripsAccentedText()
    {
        const QString archive = path("Modelli_TT2112.pro");
        const QString program = QStringLiteral(VOLANTIX_ARCHIVE_TOOL);
        TestSupport::ToolRun run = TestSupport::runTool(
            program, {QStringLiteral("append"), archive},
            "{\"txtCognome\":\"Nard\xC3\xB2\",\"txtUfficio\":\"Forl\xC3\xAC\",\"txtNote\":\"\xE2\x82\xAC 16,00\",\"chkTariffa01\":\"S\xC3\xAC\"}\n");
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QByteArray("1\n"));
        QCOMPARE(readAll(archive).mid(82, 6), QByteArray("\x05" "Nard\xF2"));

        run = TestSupport::runTool(program, {QStringLiteral("dump"), archive});
        QCOMPARE(run.code, 0);
        const QJsonObject record = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(record.value(QStringLiteral("txtCognome")).toString(), QStringLiteral("Nard\u00F2"));
        QCOMPARE(record.value(QStringLiteral("txtUfficio")).toString(), QStringLiteral("Forl\u00EC"));
        QCOMPARE(record.value(QStringLiteral("txtNote")).toString(), QStringLiteral("\u20AC 16,00"));
        QCOMPARE(record.value(QStringLiteral("chkTariffa01")).toString(), QStringLiteral("S\u00EC"));
        QCOMPARE(record.value(QStringLiteral("chkTariffa02")).toString(), QStringLiteral("No"));

        QCOMPARE(TestSupport::runTool(program, {QStringLiteral("dump"), path("nessuno.pro")}).code, 2);
    }

    // The deadlines of the folder's archives, in the list's order, as JSON lines.
    void deadlinesOfTheFolder_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("out");
        const QByteArray verdi = "{\"_position\":2,\"txtCognome\":\"Verdi\",\"txtNome\":\"Lucia\",\"txtCodiceCor\":\"B-7\","
                                 "\"scadenza\":\"documento\",\"data\":\"10/03/2026\",\"stimata\":false,\"urgenza\":\"scaduta\"}\n";
        const QByteArray rossi = "{\"_position\":1,\"txtCognome\":\"Rossi\",\"txtNome\":\"Mario\",\"txtCodiceCor\":\"B-7\","
                                 "\"scadenza\":\"teoria_entro\",\"data\":\"20/04/2026\",\"stimata\":true,\"urgenza\":\"rossa\"}\n";
        QTest::newRow("ten days") << QStringList{"deadlines", "--today", "10/04/2026", "--days", "10"} << 0 << verdi + rossi;
        QTest::newRow("none ahead") << QStringList{"deadlines", "--today", "10/04/2026", "--days", "0"} << 0 << verdi;
        QByteArray ahead = verdi;
        ahead.replace("scaduta", "normale");
        QTest::newRow("today from the clock") << QStringList{"deadlines", "--days", "70"} << 0 << ahead; // 01/01/2026
        QTest::newRow("sixty days unless told") << QStringList{"deadlines"} << 0 << QByteArray();
        QTest::newRow("bad day") << QStringList{"deadlines", "--today", "31/04/2026"} << 2 << QByteArray();
        QTest::newRow("bad days") << QStringList{"deadlines", "--days", "-1"} << 2 << QByteArray();
        QTest::newRow("a file") << QStringList{"deadlines", "Allievi.pro"} << 2 << QByteArray();
        QTest::newRow("elsewhere") << QStringList{"dump", "Allievi.pro", "--days", "3"} << 2 << QByteArray();
    }

    void deadlinesOfTheFolder()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QByteArray, out);
        RecordBuffer a(StudentRecord::layout());
        a.setText(StudentRecord::txtCognome, QStringLiteral("Rossi"));
        a.setText(StudentRecord::txtNome, QStringLiteral("Mario"));
        a.setText(StudentRecord::txtCodiceCor, QStringLiteral("B-7"));
        a.setText(StudentRecord::txtDataIsc, QStringLiteral("20/10/2025"));
        a.setYesNo(StudentRecord::chkRicontatta, false);
        RecordBuffer b(StudentRecord::layout());
        b.setText(StudentRecord::txtCognome, QStringLiteral("Verdi"));
        b.setText(StudentRecord::txtNome, QStringLiteral("Lucia"));
        b.setText(StudentRecord::txtCodiceCor, QStringLiteral("B-7"));
        b.setText(StudentRecord::txtDataScaPro, QStringLiteral("10/03/2026"));
        b.setText(StudentRecord::txtDataIsc, QStringLiteral("01/01/2025"));
        b.setText(StudentRecord::txtEsitoTeo, QStringLiteral("idonea"));
        b.setText(StudentRecord::txtDataTeo, QStringLiteral("31/13/2025")); // not a date: nothing computed from it
        b.setYesNo(StudentRecord::chkRicontatta, false);
        QVERIFY(TestSupport::writeAll(path("Allievi.pro"), a.bytes() + b.bytes()));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
        Clock::setSource([] { return QDateTime(QDate(2026, 1, 1), QTime(9, 0)); });
        const auto clock = qScopeGuard([] { Clock::setSource({}); });
        const Result run = runTool(arguments);
        QCOMPARE(run.code, code);
        QCOMPARE(run.out, out);
        QCOMPARE(run.err.isEmpty(), code == 0);
    }

    // A student's lessons summed up, and the hours of instructors and plates.
    void lessonsAndHours()
    {
        const auto lesson = [](const char *date, const char *from, const char *to, const char *duration, const char *instructor,
                               const char *plate, const char *module) {
            RecordBuffer l(LessonRecord::layout());
            l.setText(LessonRecord::txtData, QString::fromLatin1(date));
            l.setText(LessonRecord::txtOraInizio, QString::fromLatin1(from));
            l.setText(LessonRecord::txtOraFine, QString::fromLatin1(to));
            l.setText(LessonRecord::txtDurata, QString::fromLatin1(duration));
            l.setText(LessonRecord::txtVeicolo, QStringLiteral("Fiat Panda"));
            l.setText(LessonRecord::txtIstruttore, QString::fromLatin1(instructor));
            l.setText(LessonRecord::txtTarga, QString::fromLatin1(plate));
            l.setText(LessonRecord::txtModulo, QString::fromLatin1(module));
            return l.bytes();
        };
        RecordBuffer s(StudentRecord::layout());
        s.setText(StudentRecord::txtCognome, QStringLiteral("Rossi"));
        s.setText(StudentRecord::txtNome, QStringLiteral("Anna"));
        QByteArray students = s.bytes();
        s.setText(StudentRecord::txtCognome, QStringLiteral("Verdi"));
        students += s.bytes();
        QVERIFY(TestSupport::writeAll(path("Allievi.pro"), students));
        QVERIFY(TestSupport::writeAll(path("Lezioni_Guida_Allievo_1.lez"),
                                      lesson("02/03/2026", "20:00", "22:00", "", "Gianni", "AB123CD", "Guida notturna")
                                          + lesson("03/03/2026", "", "", "2 ore", "Gianni", "AB123CD", "Autostrada")
                                          + lesson("04/03/2026", "10:00", "10:20", "", "Paolo", "AB123CD", "Citt\xE0")
                                          + lesson("", "", "", "", "", "", "")));
        QVERIFY(TestSupport::writeAll(path("Lezioni_Guida_Allievo_2.lez"),
                                      lesson("04/03/2026", "10:00", "11:00", "", "Paolo", "XY987ZW", "Parcheggio")));
        Result run = runTool({"lessons", path("Lezioni_Guida_Allievo_1.lez"), "--summary"});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QByteArray("{\"minuti\":260,\"lezioni\":3,\"notturna\":120,\"autostrada\":120,\"extraurbana\":0,\"sconosciute\":0,"
                                     "\"obbligatorie_completate\":false,\"avvisi\":[{\"lezione\":3,\"avviso\":\"durata inferiore a 30 minuti\"},"
                                     "{\"lezione\":3,\"avviso\":\"istruttore gi\xC3\xA0 impegnato con Verdi Anna (10:00-11:00)\"}]}\n"));
        QCOMPARE(runTool({"lessons", path("Lezioni_Guida_Allievo_1.lez")}).code, 2);
        QCOMPARE(runTool({"lessons", path("Lezioni_Guida_Allievo_9.lez"), "--summary"}).code, 2);

        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
        run = runTool({"hours", "--from", "03/03/2026", "--to", "31/03/2026"});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QByteArray("{\"istruttore\":\"Gianni\",\"minuti\":120,\"lezioni\":1,\"sconosciute\":0}\n"
                                     "{\"istruttore\":\"Paolo\",\"minuti\":80,\"lezioni\":2,\"sconosciute\":0}\n"
                                     "{\"targa\":\"AB123CD\",\"minuti\":140,\"lezioni\":2,\"sconosciute\":0}\n"
                                     "{\"targa\":\"XY987ZW\",\"minuti\":60,\"lezioni\":1,\"sconosciute\":0}\n"));
        QCOMPARE(runTool({"hours", "--from", "31/03/2026", "--to", "03/03/2026"}).code, 2);
        QCOMPARE(runTool({"hours", "--from", "03/03/2026"}).code, 2);
    }
};

QTEST_GUILESS_MAIN(TestArchiveTool)
#include "tst_archivetool.moc"
