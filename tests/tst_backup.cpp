// Backups of a folder's data: what goes in, verification, restore, rotation,
// the command line, and what other zip tools make of the files written.
#include "TestSupport.h"

#include "backup/Backup.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <zip.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <set>

#ifndef Q_OS_WIN
#include <sys/resource.h>
#endif

using namespace TestSupport;
using namespace std::chrono_literals;

namespace {

// Every file and folder below a root, by its relative path ("<folder>" for folders).
using Tree = std::map<QString, QByteArray>;

Tree snapshot(const QString &root)
{
    Tree tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(root).relativeFilePath(path);
        tree[relative] = it.fileInfo().isDir() ? QByteArray("<folder>") : readAll(path);
    }
    return tree;
}

// The first difference between two trees, empty when they are the same.
QString difference(const Tree &expected, const Tree &actual)
{
    for (const auto &[name, bytes] : expected) {
        const auto found = actual.find(name);
        if (found == actual.end())
            return QStringLiteral("missing: ") + name;
        if (found->second != bytes)
            return QStringLiteral("different: %1 (%2 bytes, expected %3)").arg(name).arg(found->second.size()).arg(bytes.size());
    }
    for (const auto &entry : actual) {
        if (!expected.count(entry.first))
            return QStringLiteral("unexpected: ") + entry.first;
    }
    return QString();
}

#define COMPARE_TREES(expected, actual)                                                                                \
    do {                                                                                                               \
        const QString diff = difference((expected), (actual));                                                         \
        QVERIFY2(diff.isEmpty(), qPrintable(diff));                                                                    \
    } while (false)

QByteArray randomBytes(qsizetype size, unsigned seed)
{
    std::mt19937 random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(random() & 0xFF);
    return bytes;
}

bool put(const QString &path, const QByteArray &bytes)
{
    return QDir().mkpath(QFileInfo(path).absolutePath()) && writeAll(path, bytes);
}

QByteArray students(const QStringList &names)
{
    QByteArray bytes;
    for (const QString &name : names) {
        RecordBuffer record(StudentRecord::layout());
        record.setText(StudentRecord::txtCognome, name.section(QLatin1Char(' '), 0, 0));
        record.setText(StudentRecord::txtNome, name.section(QLatin1Char(' '), 1));
        record.setText(StudentRecord::txtNote, QString(QStringLiteral("Note di ") + name));
        bytes += record.bytes();
    }
    return bytes;
}

// Records of `layout` stamped with a tag in their first field.
QByteArray records(const RecordLayout &layout, const QString &tag, int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        RecordBuffer record(layout);
        record.setText(0, QStringLiteral("%1-%2").arg(tag).arg(i));
        bytes += record.bytes();
    }
    return bytes;
}

const QStringList kStudents{QStringLiteral("Rossi Mario"), QStringLiteral("Bianchi Anna"), QStringLiteral("Verdi Niccol\u00F2")};

// Files of the folder that are no data to back up: the program's own files, an
// export, and names that only look like the data files.
const QStringList kOthers{QStringLiteral("Registro_Allievi.xls"),         QStringLiteral("Volantix.exe"),
                          QStringLiteral("Qt6Core.dll"),                  QStringLiteral("volantix-archive.exe"),
                          QStringLiteral("Allievi.pro.bak"),              QStringLiteral("Lezioni_Guida_Allievo_x.lez"),
                          QStringLiteral("Lezioni_Guida_Allievo_3.lez.tmp")};

// The entries a backup of the sample holds, besides its manifest.
const QStringList kSampleEntries{QStringLiteral("Allievi.pro"),
                                 QStringLiteral("Modelli_TT2112.pro"),
                                 QStringLiteral("Lezioni_Guida_Allievo_1.lez"),
                                 QStringLiteral("Lezioni_Guida_Allievo_15.lez"),
                                 QStringLiteral("Lezioni_Guida_Allievo_2.lez"),
                                 QStringLiteral("Autoscuola.ini"),
                                 QStringLiteral("unins000.dll"),
                                 QStringLiteral("Documenti_Allegati/Niccol\u00F2 Verdi/2024/visita m\u00E9dica.txt"),
                                 QStringLiteral("Documenti_Allegati/Rossi Mario/carta d'identit\u00E0.pdf"),
                                 QStringLiteral("Documenti_Allegati/Rossi Mario/patente fronte.jpg"),
                                 QStringLiteral("Documenti_Allegati/elenco.txt")};

// A school's folder: archives, lesson files (one with a partial record at its
// end, kept as it is), attachments in subfolders with accented names, the INI
// files, and files that are not the school's data.
bool writeSample(const QString &root, const QByteArray &iniExtra = {})
{
    const QDir dir(root);
    bool ok = put(dir.filePath(QStringLiteral("Allievi.pro")), students(kStudents));
    ok = ok && put(dir.filePath(QStringLiteral("Modelli_TT2112.pro")), records(TT2112Record::layout(), QStringLiteral("M"), 2));
    ok = ok && put(dir.filePath(QStringLiteral("Lezioni_Guida_Allievo_1.lez")), records(LessonRecord::layout(), QStringLiteral("L1"), 4));
    ok = ok && put(dir.filePath(QStringLiteral("Lezioni_Guida_Allievo_2.lez")),
                   records(LessonRecord::layout(), QStringLiteral("L2"), 2) + QByteArray("\x01parte", 6));
    ok = ok && put(dir.filePath(QStringLiteral("Lezioni_Guida_Allievo_15.lez")), records(LessonRecord::layout(), QStringLiteral("L15"), 1));
    ok = ok && put(dir.filePath(QStringLiteral("Documenti_Allegati/Rossi Mario/patente fronte.jpg")), randomBytes(300 * 1024, 1));
    ok = ok && put(dir.filePath(QStringLiteral("Documenti_Allegati/Rossi Mario/carta d'identit\u00E0.pdf")),
                   "%PDF-1.4\n" + randomBytes(20 * 1024, 2));
    ok = ok && put(dir.filePath(QStringLiteral("Documenti_Allegati/Niccol\u00F2 Verdi/2024/visita m\u00E9dica.txt")),
                   QByteArray("Idoneit\xC3\xA0 alla guida\n").repeated(50));
    ok = ok && put(dir.filePath(QStringLiteral("Documenti_Allegati/elenco.txt")), "Rossi Mario\r\nVerdi Niccol\xF2\r\n");
    ok = ok && put(dir.filePath(QStringLiteral("Autoscuola.ini")),
                   "[Autoscuola]\r\nRagione sociale=Autoscuola Prova\r\nCitt\xE0=Forl\xEC\r\n" + iniExtra);
    ok = ok && put(dir.filePath(QStringLiteral("unins000.dll")), "[Accesso]\r\nValore=5A3F0C\r\n");
    for (const QString &name : kOthers)
        ok = ok && put(dir.filePath(name), name.toUtf8() + randomBytes(512, 3));
    return ok;
}

// Changes every kind of data of the sample, and one file that is not data.
bool changeSample(const QString &root, const QByteArray &iniExtra = {})
{
    const QDir dir(root);
    bool ok = put(dir.filePath(QStringLiteral("Allievi.pro")), students({QStringLiteral("Nuovo Allievo")}));
    ok = ok && QFile::remove(dir.filePath(QStringLiteral("Modelli_TT2112.pro")));
    ok = ok && QFile::remove(dir.filePath(QStringLiteral("Lezioni_Guida_Allievo_15.lez")));
    ok = ok && put(dir.filePath(QStringLiteral("Lezioni_Guida_Allievo_42.lez")), records(LessonRecord::layout(), QStringLiteral("L42"), 3));
    ok = ok && put(dir.filePath(QStringLiteral("Lezioni_Guida_Allievo_1.lez")), records(LessonRecord::layout(), QStringLiteral("X1"), 5));
    ok = ok && QDir(dir.filePath(QStringLiteral("Documenti_Allegati/Niccol\u00F2 Verdi"))).removeRecursively();
    ok = ok && put(dir.filePath(QStringLiteral("Documenti_Allegati/nuovo/scansione.png")), randomBytes(1000, 4));
    ok = ok && put(dir.filePath(QStringLiteral("Autoscuola.ini")), "[Autoscuola]\nRagione sociale=Altra\n" + iniExtra);
    ok = ok && put(dir.filePath(QStringLiteral("unins000.dll")), "[Accesso]\r\nValore=000000\r\n");
    ok = ok && put(dir.filePath(QStringLiteral("Registro_Allievi.xls")), "esportato dopo la copia");
    return ok;
}

// The tree expected after restoring a backup of `before` over `now`: the data
// as they were, the other files as they are.
Tree restoredTree(const Tree &before, const Tree &now)
{
    Tree expected = before;
    for (const QString &name : kOthers) {
        expected.erase(name);
        if (now.count(name))
            expected[name] = now.at(name);
    }
    return expected;
}

const QDateTime kWhen(QDate(2025, 3, 4), QTime(10, 20, 30));

Backup::CreateOptions createOptions(const QString &password = {}, const QDateTime &when = kWhen)
{
    Backup::CreateOptions options;
    options.password = password;
    options.now = when;
    options.version = QStringLiteral("9.8.7");
    return options;
}

Backup::RestoreOptions restoreOptions(const QString &safetyFolder, const QString &password = {}, const QString &safetyPassword = {})
{
    Backup::RestoreOptions options;
    options.password = password;
    options.safetyFolder = safetyFolder;
    options.safetyPassword = safetyPassword;
    options.now = kWhen.addSecs(3600);
    options.version = QStringLiteral("9.8.7");
    return options;
}

// A file name as libzip takes it: UTF-8 on Windows, the system's encoding elsewhere.
QByteArray zipFileName(const QString &path)
{
#ifdef Q_OS_WIN
    return path.toUtf8();
#else
    return QFile::encodeName(path);
#endif
}

// The entries of a zip, read with libzip directly.
QStringList zipNames(const QString &path)
{
    int error = 0;
    zip_t *zip = zip_open(zipFileName(path).constData(), ZIP_RDONLY, &error);
    if (!zip)
        return {QStringLiteral("<not a zip>")};
    QStringList names;
    for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i)
        names << QString::fromUtf8(zip_get_name(zip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS));
    zip_discard(zip);
    names.sort();
    return names;
}

QByteArray zipEntry(const QString &path, const QString &name, const QString &password = {})
{
    int error = 0;
    zip_t *zip = zip_open(zipFileName(path).constData(), ZIP_RDONLY, &error);
    if (!zip)
        return QByteArray();
    const QByteArray secret = password.toUtf8();
    zip_file_t *file = password.isEmpty() ? zip_fopen(zip, name.toUtf8().constData(), 0)
                                          : zip_fopen_encrypted(zip, name.toUtf8().constData(), 0, secret.constData());
    QByteArray bytes;
    if (file) {
        char block[65536];
        zip_int64_t n = 0;
        while ((n = zip_fread(file, block, sizeof block)) > 0)
            bytes.append(block, static_cast<qsizetype>(n));
        zip_fclose(file);
    }
    zip_discard(zip);
    return bytes;
}

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

// The files of a folder, hidden ones included (a backup's folder should hold no leftovers).
QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

quint16 le16(const QByteArray &bytes, qsizetype at)
{
    return static_cast<quint16>(static_cast<uchar>(bytes[at]) | static_cast<uchar>(bytes[at + 1]) << 8);
}

// Where the stored (compressed, maybe encrypted) data of an entry start in the
// zip's bytes, found by its local header; -1 when not found.
qsizetype entryDataOffset(const QByteArray &zip, const QByteArray &name)
{
    for (qsizetype at = zip.indexOf("PK\x03\x04"); at >= 0 && at + 30 <= zip.size(); at = zip.indexOf("PK\x03\x04", at + 1)) {
        const quint16 nameLength = le16(zip, at + 26);
        const quint16 extraLength = le16(zip, at + 28);
        if (nameLength == name.size() && zip.mid(at + 30, nameLength) == name)
            return at + 30 + nameLength + extraLength;
    }
    return -1;
}

qint64 compressedSize(const QString &path, const QString &name)
{
    int error = 0;
    zip_t *zip = zip_open(zipFileName(path).constData(), ZIP_RDONLY, &error);
    if (!zip)
        return -1;
    zip_stat_t st;
    zip_stat_init(&st);
    const qint64 size = zip_stat(zip, name.toUtf8().constData(), 0, &st) == 0 ? static_cast<qint64>(st.comp_size) : -1;
    zip_discard(zip);
    return size;
}

// One run of volantix-archive in `folder` (its program folder).
ToolRun runArchive(const QString &folder, const QStringList &arguments, const QByteArray &input = {},
                   const std::function<void()> &inChild = {}, int msecs = 120000)
{
    QProcess tool;
    tool.setWorkingDirectory(folder);
#ifndef Q_OS_WIN
    // Whatever the tool would put in the user's documents lands beside the
    // folder, never in the real ones.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), QDir(folder).filePath(QStringLiteral("../casa")));
    environment.remove(QStringLiteral("XDG_DOCUMENTS_DIR"));
    environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
    tool.setProcessEnvironment(environment);
    if (inChild)
        tool.setChildProcessModifier(inChild);
#else
    Q_UNUSED(inChild);
#endif
    return runProcess(tool, QStringLiteral(VOLANTIX_ARCHIVE_TOOL), arguments, input, msecs);
}

bool oneLineReason(const QByteArray &err)
{
    return err.startsWith("volantix-archive: ") && err.endsWith('\n') && err.count('\n') == 1 &&
           err.size() > int(sizeof "volantix-archive: ");
}

// Another copy of the program in the middle of a save: it holds the writers'
// lock of an archive and has written the first half of a new record. Told
// "finish", it writes the rest and lets the lock go.
int holdWritersLock(const QString &path, int recordSize)
{
    QFile in;
    QFile out;
    if (!in.open(fileno(stdin), QIODevice::ReadOnly) || !out.open(fileno(stdout), QIODevice::WriteOnly))
        return 3;
    try {
        RecordFile file;
        file.OpenOrCreate(path, recordSize);
        file.LockWriters();
        const QByteArray record(recordSize, 'h');
        const qsizetype half = recordSize / 2;
        QFile raw(path);
        if (!raw.open(QIODevice::Append) || raw.write(record.left(half)) != half || !raw.flush())
            return 4;
        out.write("held\n");
        out.flush();
        if (in.readLine().startsWith("finish")) {
            if (raw.write(record.mid(half)) != recordSize - half || !raw.flush())
                return 5;
            raw.close();
            file.UnlockWriters();
            out.write("released\n");
            out.flush();
        }
        in.readAll(); // until the test lets go
        file.CloseRecordFile();
    } catch (const RecordFileError &) {
        return 1;
    }
    return 0;
}

class LockHolder
{
public:
    void start(const QString &path, int recordSize)
    {
        m_process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold"), path, QString::number(recordSize)});
    }
    // Whether the holder has said `line` (reads what it wrote so far).
    bool said(const QByteArray &line)
    {
        m_said += m_process.readAllStandardOutput();
        // Line ends as the system writes them to a pipe ("\r\n" on Windows).
        for (const QByteArray &said : m_said.split('\n')) {
            if (said.trimmed() == line)
                return true;
        }
        return false;
    }
    void finish() { m_process.write("finish\n"); }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(30000) && m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    ~LockHolder() { stop(); }

private:
    QProcess m_process;
    QByteArray m_said;
};

constexpr int kWait = 60000;

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

private:
    std::chrono::milliseconds m_lockTimeout{};

private slots:
    void initTestCase() { m_lockTimeout = RecordFile::lockTimeout(); }

    void cleanup()
    {
        RecordFile::setLockTimeout(m_lockTimeout);
        Backup::setRestoreFaultAfter(-1);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("accentedFolders"); // as a user's documents folder may be named
        QTest::newRow("plain") << QString() << false;
        QTest::newRow("password") << QStringLiteral("Segreto-42") << false;
        QTest::newRow("accented password") << QStringLiteral("p\u00E0ss w\u00F6rd \u20AC") << false;
        QTest::newRow("accented folders") << QString() << true;
        QTest::newRow("accented folders, password") << QStringLiteral("Segreto-42") << true;
    }

    void roundTrip()
    {
        QFETCH(QString, password);
        QFETCH(bool, accentedFolders);
        QTemporaryDir dir;
        const QString data = dir.filePath(accentedFolders ? QStringLiteral("Autoscuola Forl\u00EC") : QStringLiteral("Volantix"));
        const QString dest = dir.filePath(accentedFolders ? QStringLiteral("Niccol\u00F2/Copie di sicurezza") : QStringLiteral("Copie"));
        const QString safety = dir.filePath(accentedFolders ? QStringLiteral("Sicurezza \u00E8 qui") : QStringLiteral("Sicurezza"));
        QVERIFY(writeSample(data));
        const Tree before = snapshot(data);

        const Backup::Result made = Backup::create(data, dest, createOptions(password));
        QVERIFY2(made.ok(), qPrintable(made.message));
        QCOMPARE(made.path, QDir(dest).filePath(QStringLiteral("Volantix_backup_20250304_102030.zip")));
        QCOMPARE(made.size, QFileInfo(made.path).size());
        QCOMPARE(filesIn(dest), QStringList{QStringLiteral("Volantix_backup_20250304_102030.zip")}); // no .part left
        COMPARE_TREES(before, snapshot(data)); // a backup changes nothing

        // Exactly the data, and the manifest; never the other files.
        QCOMPARE(zipNames(made.path), sorted(kSampleEntries + QStringList{QStringLiteral("manifest.txt")}));
        QCOMPARE(Backup::isEncrypted(made.path), std::optional<bool>(!password.isEmpty()));
        for (const QString &name : kSampleEntries)
            QCOMPARE(zipEntry(made.path, name, password), before.at(name));

        Backup::Manifest manifest;
        const Backup::Result verified = Backup::verify(made.path, password, {}, &manifest);
        QVERIFY2(verified.ok(), qPrintable(verified.message));
        QCOMPARE(manifest.version, QStringLiteral("9.8.7"));
        QCOMPARE(manifest.created, kWhen);
        QCOMPARE(qsizetype(manifest.entries.size()), kSampleEntries.size());
        const Backup::Entry *partial = manifest.find(QStringLiteral("Lezioni_Guida_Allievo_2.lez"));
        QVERIFY(partial);
        QCOMPARE(partial->records, 2);
        QCOMPARE(partial->trailing, 6);
        QCOMPARE(manifest.find(QStringLiteral("Autoscuola.ini"))->records, -1);

        Backup::Preview preview;
        QVERIFY(Backup::preview(made.path, password, &preview).ok());
        QCOMPARE(preview.students, 3);
        QCOMPARE(preview.forms, 2);
        QCOMPARE(preview.lessonFiles, 3);
        QCOMPARE(preview.attachments, 4);
        QCOMPARE(preview.firstStudents, kStudents);

        // Restored over changed data: the data as they were, the other files as they are.
        QVERIFY(changeSample(data));
        const Tree changed = snapshot(data);
        const Backup::Result restored = Backup::restore(made.path, data, restoreOptions(safety, password, password));
        QVERIFY2(restored.ok(), qPrintable(restored.message));
        COMPARE_TREES(restoredTree(before, changed), snapshot(data));

        // The data replaced are in the safety backup.
        QVERIFY(QFileInfo(restored.path).isFile());
        QCOMPARE(QFileInfo(restored.path).absolutePath(), QFileInfo(safety).absoluteFilePath());
        QVERIFY(Backup::verify(restored.path, password).ok());
        QCOMPARE(zipEntry(restored.path, QStringLiteral("Allievi.pro"), password), changed.at(QStringLiteral("Allievi.pro")));
        QCOMPARE(zipEntry(restored.path, QStringLiteral("Documenti_Allegati/nuovo/scansione.png"), password),
                 changed.at(QStringLiteral("Documenti_Allegati/nuovo/scansione.png")));
    }

    void wrongPasswordRestoresNothing_data()
    {
        QTest::addColumn<QString>("given");
        QTest::newRow("wrong") << QStringLiteral("segreto-42");
        QTest::newRow("none") << QString();
        QTest::newRow("longer") << QStringLiteral("Segreto-42 ");
    }

    void wrongPasswordRestoresNothing()
    {
        QFETCH(QString, given);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Volantix"));
        const QString safety = dir.filePath(QStringLiteral("Sicurezza"));
        QVERIFY(writeSample(data));
        const Backup::Result made = Backup::create(data, dir.filePath(QStringLiteral("Copie")), createOptions(QStringLiteral("Segreto-42")));
        QVERIFY2(made.ok(), qPrintable(made.message));
        QVERIFY(changeSample(data));
        const Tree changed = snapshot(data);

        const Backup::Result verified = Backup::verify(made.path, given);
        QCOMPARE(verified.outcome, Backup::Outcome::WrongPassword);
        QVERIFY(!verified.message.isEmpty());
        Backup::Preview preview;
        QCOMPARE(Backup::preview(made.path, given, &preview).outcome, Backup::Outcome::WrongPassword);
        const Backup::Result restored = Backup::restore(made.path, data, restoreOptions(safety, given));
        QCOMPARE(restored.outcome, Backup::Outcome::WrongPassword);
        COMPARE_TREES(changed, snapshot(data));
        QVERIFY(filesIn(safety).isEmpty());
    }

    void otherZipToolsReadTheBackup_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("password"); // of the backup
        QTest::addColumn<QString>("given");
        QTest::addColumn<bool>("reads");
        QTest::newRow("7-Zip, plain") << QStringLiteral("7zz") << QString() << QString() << true;
        QTest::newRow("7-Zip, password") << QStringLiteral("7zz") << QStringLiteral("Segreto-42") << QStringLiteral("Segreto-42") << true;
        QTest::newRow("7-Zip, wrong password") << QStringLiteral("7zz") << QStringLiteral("Segreto-42") << QStringLiteral("segreto-42")
                                               << false;
        QTest::newRow("unzip, plain") << QStringLiteral("unzip") << QString() << QString() << true;
    }

    void otherZipToolsReadTheBackup()
    {
        QFETCH(QString, tool);
        QFETCH(QString, password);
        QFETCH(QString, given);
        QFETCH(bool, reads);
        QString program = QStandardPaths::findExecutable(tool);
        if (program.isEmpty() && tool == QLatin1String("7zz"))
            program = QStandardPaths::findExecutable(QStringLiteral("7z"));
        if (program.isEmpty())
            QSKIP(qPrintable(tool + QStringLiteral(" is not installed")));
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Volantix"));
        QVERIFY(writeSample(data));
        const Backup::Result made = Backup::create(data, dir.filePath(QStringLiteral("Copie")), createOptions(password));
        QVERIFY2(made.ok(), qPrintable(made.message));

        QStringList arguments;
        if (tool == QLatin1String("unzip"))
            arguments << QStringLiteral("-t") << made.path;
        else
            arguments << QStringLiteral("t") << QStringLiteral("-p") + given << made.path;
        const ToolRun run = runTool(program, arguments);
        QVERIFY2(reads ? run.code == 0 : run.code > 0, run.out.constData());
        if (reads && tool == QLatin1String("unzip"))
            QVERIFY2(run.out.contains("No errors detected"), run.out.constData());
        if (reads && tool != QLatin1String("unzip"))
            QVERIFY2(run.out.contains("Files: 12"), run.out.constData()); // the data and the manifest
    }

    void damagedZipFailsVerification_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("password");
        for (const QString &password : {QString(), QStringLiteral("Segreto-42")}) {
            const char *kind = password.isEmpty() ? "plain" : "password";
            QTest::addRow("flipped byte in an archive, %s", kind) << QStringLiteral("flip Allievi.pro") << password;
            QTest::addRow("flipped byte in an attachment, %s", kind)
                << QStringLiteral("flip Documenti_Allegati/Rossi Mario/patente fronte.jpg") << password;
            QTest::addRow("flipped byte in the manifest, %s", kind) << QStringLiteral("flip manifest.txt") << password;
            QTest::addRow("extra entry, %s", kind) << QStringLiteral("add Documenti_Allegati/extra.txt") << password;
            QTest::addRow("extra lesson file, %s", kind) << QStringLiteral("add Lezioni_Guida_Allievo_7.lez") << password;
            QTest::addRow("missing lesson file, %s", kind) << QStringLiteral("delete Lezioni_Guida_Allievo_1.lez") << password;
            QTest::addRow("missing attachment, %s", kind) << QStringLiteral("delete Documenti_Allegati/elenco.txt") << password;
            QTest::addRow("missing manifest, %s", kind) << QStringLiteral("delete manifest.txt") << password;
            QTest::addRow("cut short, %s", kind) << QStringLiteral("truncate") << password;
        }
    }

    void damagedZipFailsVerification()
    {
        QFETCH(QString, damage);
        QFETCH(QString, password);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Volantix"));
        const QString safety = dir.filePath(QStringLiteral("Sicurezza"));
        QVERIFY(writeSample(data));
        const Backup::Result made = Backup::create(data, dir.filePath(QStringLiteral("Copie")), createOptions(password));
        QVERIFY2(made.ok(), qPrintable(made.message));

        const QString verb = damage.section(QLatin1Char(' '), 0, 0);
        const QString name = damage.section(QLatin1Char(' '), 1);
        if (verb == QLatin1String("flip") || verb == QLatin1String("truncate")) {
            QByteArray bytes = readAll(made.path);
            if (verb == QLatin1String("flip")) {
                const qsizetype at = entryDataOffset(bytes, name.toUtf8());
                const qint64 stored = compressedSize(made.path, name);
                QVERIFY(at > 0);
                QVERIFY(stored > 64);
                bytes[at + stored / 2] = static_cast<char>(bytes[at + stored / 2] ^ 0x10);
            } else {
                bytes.chop(bytes.size() / 3);
            }
            QVERIFY(writeAll(made.path, bytes));
        } else {
            int error = 0;
            zip_t *zip = zip_open(zipFileName(made.path).constData(), 0, &error);
            QVERIFY(zip);
            if (verb == QLatin1String("add")) {
                static const char extra[] = "non in elenco";
                zip_source_t *source = zip_source_buffer(zip, extra, sizeof extra - 1, 0);
                QVERIFY(zip_file_add(zip, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) >= 0);
            } else {
                const zip_int64_t index = zip_name_locate(zip, name.toUtf8().constData(), 0);
                QVERIFY(index >= 0);
                QCOMPARE(zip_delete(zip, static_cast<zip_uint64_t>(index)), 0);
            }
            QCOMPARE(zip_close(zip), 0);
        }

        const Backup::Result verified = Backup::verify(made.path, password);
        QCOMPARE(verified.outcome, Backup::Outcome::Failed);
        QCOMPARE(verified.cause, FailureCause::Damaged);
        QVERIFY(!verified.message.isEmpty());

        // Never restored either.
        QVERIFY(changeSample(data));
        const Tree changed = snapshot(data);
        QCOMPARE(Backup::restore(made.path, data, restoreOptions(safety, password)).outcome, Backup::Outcome::Failed);
        COMPARE_TREES(changed, snapshot(data));
        QVERIFY(filesIn(safety).isEmpty());
    }

    void fullDiskLeavesNoPart_data()
    {
        QTest::addColumn<int>("limit"); // per mille of the backup's size
        QTest::newRow("nothing fits") << 0;
        QTest::newRow("half fits") << 500;
        QTest::newRow("all but the end fits") << 990;
    }

    void fullDiskLeavesNoPart()
    {
#ifdef Q_OS_WIN
        QSKIP("a file size limit for one process is a POSIX resource limit");
#else
        QFETCH(int, limit);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Volantix"));
        const QString dest = dir.filePath(QStringLiteral("Chiavetta"));
        QVERIFY(writeSample(data));
        // The size of the backup, on a disk with room.
        const Backup::Result sized = Backup::create(data, dir.filePath(QStringLiteral("Prova")), createOptions());
        QVERIFY2(sized.ok(), qPrintable(sized.message));
        const qint64 room = std::max<qint64>(1024, sized.size * limit / 1000);
        QVERIFY(room < sized.size);
        QVERIFY(QDir().mkpath(dest));
        const Tree before = snapshot(data);

        const ToolRun run = runArchive(data, {QStringLiteral("backup"), dest}, {}, [room] {
            // As a shell's "ulimit -f" would, with the signal as the system has it.
            ::signal(SIGXFSZ, SIG_DFL);
            struct rlimit size {};
            size.rlim_cur = static_cast<rlim_t>(room);
            size.rlim_max = static_cast<rlim_t>(room);
            if (::setrlimit(RLIMIT_FSIZE, &size) != 0)
                ::_exit(98);
        });
        QCOMPARE(run.code, 2);
        QVERIFY2(oneLineReason(run.err), run.err.constData());
        QVERIFY(run.out.isEmpty());
        QCOMPARE(filesIn(dest), QStringList()); // no .part, no temporary file
        COMPARE_TREES(before, snapshot(data));
#endif
    }

    void lockHeldTooLongEndsTheBackup_data()
    {
        QTest::addColumn<QString>("held");
        QTest::addColumn<int>("recordSize");
        QTest::newRow("students") << QStringLiteral("Allievi.pro") << StudentRecord::Size;
        QTest::newRow("forms") << QStringLiteral("Modelli_TT2112.pro") << TT2112Record::Size;
        QTest::newRow("lessons") << QStringLiteral("Lezioni_Guida_Allievo_2.lez") << LessonRecord::Size;
    }

    void lockHeldTooLongEndsTheBackup()
    {
        QFETCH(QString, held);
        QFETCH(int, recordSize);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Volantix"));
        const QString dest = dir.filePath(QStringLiteral("Copie"));
        QVERIFY(writeSample(data));
        QVERIFY(QDir().mkpath(dest));
        LockHolder other;
        other.start(QDir(data).filePath(held), recordSize);
        QTRY_VERIFY_WITH_TIMEOUT(other.said("held"), kWait);
        const Tree before = snapshot(data);

        RecordFile::setLockTimeout(300ms);
        const Backup::Result made = Backup::create(data, dest, createOptions());
        QCOMPARE(made.outcome, Backup::Outcome::Failed);
        QCOMPARE(made.cause, FailureCause::InUse);
        QVERIFY2(made.message.contains(held), qPrintable(made.message));
        QCOMPARE(filesIn(dest), QStringList()); // nothing left behind
        COMPARE_TREES(before, snapshot(data));

        // The other copy ends its save: the next backup goes through.
        other.finish();
        QTRY_VERIFY_WITH_TIMEOUT(other.said("released"), kWait);
        const Backup::Result again = Backup::create(data, dest, createOptions());
        QVERIFY2(again.ok(), qPrintable(again.message));
        QCOMPARE(zipEntry(again.path, held), readAll(QDir(data).filePath(held)));
    }

    void lockReleasedInTimeDelaysTheBackup_data()
    {
        QTest::addColumn<QString>("held");
        QTest::addColumn<int>("recordSize");
        QTest::addColumn<QString>("before"); // the record file read just before it
        QTest::newRow("forms") << QStringLiteral("Modelli_TT2112.pro") << TT2112Record::Size << QStringLiteral("Allievi.pro");
        QTest::newRow("lessons") << QStringLiteral("Lezioni_Guida_Allievo_2.lez") << LessonRecord::Size
                                 << QStringLiteral("Lezioni_Guida_Allievo_15.lez");
    }

    void lockReleasedInTimeDelaysTheBackup()
    {
        QFETCH(QString, held);
        QFETCH(int, recordSize);
        QFETCH(QString, before);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Volantix"));
        const QString dest = dir.filePath(QStringLiteral("Copie"));
        QVERIFY(writeSample(data));
        const QString path = QDir(data).filePath(held);
        const qint64 recordsBefore = QFileInfo(path).size() / recordSize;
        LockHolder other;
        other.start(path, recordSize);
        QTRY_VERIFY_WITH_TIMEOUT(other.said("held"), kWait);
        RecordFile::setLockTimeout(120s);

        std::atomic<bool> reached{false};
        std::atomic<bool> done{false};
        Backup::Result made;
        // A thread of Qt's own: the backup's files are Qt objects.
        std::unique_ptr<QThread> worker(QThread::create([&] {
            made = Backup::create(data, dest, createOptions(), [&](qint64, qint64, const QString &file) {
                if (file == before)
                    reached = true;
                return true;
            });
            done = true;
        }));
        worker->start();
        const auto join = qScopeGuard([&] {
            other.stop();
            worker->wait();
        });
        // The backup has read the file before the held one, and waits for the lock:
        // it cannot end while half of the other copy's save is in the file.
        QTRY_VERIFY_WITH_TIMEOUT(reached.load(), kWait);
        QVERIFY(!done.load());
        other.finish();
        QTRY_VERIFY_WITH_TIMEOUT(other.said("released"), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(done.load(), kWait);
        QVERIFY2(made.ok(), qPrintable(made.message));

        // The save is in the backup whole.
        const QByteArray onDisk = readAll(path);
        QCOMPARE(zipEntry(made.path, held), onDisk);
        Backup::Manifest manifest;
        QVERIFY(Backup::verify(made.path, QString(), {}, &manifest).ok());
        QVERIFY(manifest.find(held));
        QCOMPARE(manifest.find(held)->records, recordsBefore + 1);
    }

    void rotation_data()
    {
        QTest::addColumn<int>("keep");
        QTest::addColumn<int>("removed"); // the oldest ones
        QTest::newRow("keep 10") << 10 << 2;
        QTest::newRow("keep 11") << 11 << 1;
        QTest::newRow("keep 12") << 12 << 0;
        QTest::newRow("keep 100") << 100 << 0;
        QTest::newRow("keep 1") << 1 << 11;
        QTest::newRow("keep 0 keeps the newest") << 0 << 11;
        QTest::newRow("keep -3 keeps the newest") << -3 << 11;
    }

    void rotation()
    {
        QFETCH(int, keep);
        QFETCH(int, removed);
        QTemporaryDir dir;
        const QString folder = dir.path();
        // Twelve backups, made in an order unlike their names' and with times on
        // disk that say the opposite of their names.
        QStringList backups; // oldest first
        for (int i = 0; i < 12; ++i)
            backups << Backup::fileNameFor(QDateTime(QDate(2024, 1 + i, 1 + i), QTime(i, 2 * i, 59 - i)));
        const int order[] = {5, 0, 11, 3, 8, 1, 10, 2, 7, 4, 9, 6};
        for (const int i : order) {
            QVERIFY(writeAll(QDir(folder).filePath(backups[i]), "copia " + QByteArray::number(i)));
            QFile file(QDir(folder).filePath(backups[i]));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime(QDate(2030, 1, 1), QTime(0, 0)).addDays(-i), QFileDevice::FileModificationTime));
        }
        // Files and folders that are not backups, some older by their names.
        const QStringList unrelated{QStringLiteral("Volantix_backup_x.zip"), QStringLiteral("note.txt"),
                                    QStringLiteral("Volantix_backup_20200101_000000.zip.part"),
                                    QStringLiteral("Volantix_backup_20201301_000000.zip"), // no such month
                                    QStringLiteral("Volantix_backup_20200101_000000.zip.bak"),
                                    QStringLiteral("Copia_Volantix_backup_20200101_000000.zip")};
        for (const QString &name : unrelated)
            QVERIFY(writeAll(QDir(folder).filePath(name), name.toUtf8()));
        QVERIFY(QDir(folder).mkdir(QStringLiteral("Volantix_backup_20190101_000000.zip")));
        const Tree before = snapshot(folder);

        QCOMPARE(Backup::list(folder).size(), std::size_t(12));
        QCOMPARE(QFileInfo(Backup::list(folder).front().path).fileName(), backups.last());
        const QStringList gone = Backup::rotate(folder, keep);
        QCOMPARE(sorted(gone), sorted(backups.mid(0, removed)));
        Tree expected = before;
        for (const QString &name : backups.mid(0, removed))
            expected.erase(name);
        COMPARE_TREES(expected, snapshot(folder));
        // A second rotation finds nothing more to remove.
        QCOMPARE(Backup::rotate(folder, keep), QStringList());
    }

    void failedRestorePutsTheDataBack_data()
    {
        QTest::addColumn<int>("faultAfter"); // pieces swapped in before the failure
        QTest::addColumn<QString>("safetyPassword");
        QTest::newRow("before the first") << 0 << QString();
        QTest::newRow("after the students") << 1 << QString();
        QTest::newRow("after the lessons") << 5 << QStringLiteral("Sicura-1");
        QTest::newRow("after the attachments") << 8 << QString();
    }

    void failedRestorePutsTheDataBack()
    {
        QFETCH(int, faultAfter);
        QFETCH(QString, safetyPassword);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Volantix"));
        const QString safety = dir.filePath(QStringLiteral("Sicurezza"));
        QVERIFY(writeSample(data));
        const Tree original = snapshot(data);
        const Backup::Result made = Backup::create(data, dir.filePath(QStringLiteral("Copie")), createOptions());
        QVERIFY2(made.ok(), qPrintable(made.message));
        QVERIFY(changeSample(data));
        const Tree changed = snapshot(data);

        Backup::setRestoreFaultAfter(faultAfter);
        const Backup::Result failed = Backup::restore(made.path, data, restoreOptions(safety, QString(), safetyPassword));
        QCOMPARE(failed.outcome, Backup::Outcome::Failed);
        QVERIFY(!failed.message.isEmpty());
        COMPARE_TREES(changed, snapshot(data)); // no work folder left either

        // The safety backup was made first, and holds the data as they are.
        const std::vector<Backup::Found> saved = Backup::list(safety);
        QCOMPARE(saved.size(), std::size_t(1));
        QVERIFY(Backup::verify(saved.front().path, safetyPassword).ok());
        QCOMPARE(zipEntry(saved.front().path, QStringLiteral("Allievi.pro"), safetyPassword), changed.at(QStringLiteral("Allievi.pro")));
        QCOMPARE(zipEntry(saved.front().path, QStringLiteral("Lezioni_Guida_Allievo_42.lez"), safetyPassword),
                 changed.at(QStringLiteral("Lezioni_Guida_Allievo_42.lez")));

        // Once the fault is gone, the same backup restores.
        Backup::setRestoreFaultAfter(-1);
        QVERIFY(QDir(safety).removeRecursively());
        const Backup::Result restored = Backup::restore(made.path, data, restoreOptions(safety));
        QVERIFY2(restored.ok(), qPrintable(restored.message));
        COMPARE_TREES(restoredTree(original, changed), snapshot(data));
    }

    void restoreLeavesExactlyTheBackupsLessons_data()
    {
        QTest::addColumn<QStringList>("inBackup");
        QTest::addColumn<QStringList>("current");
        const QStringList sample{QStringLiteral("Lezioni_Guida_Allievo_1.lez"), QStringLiteral("Lezioni_Guida_Allievo_15.lez"),
                                 QStringLiteral("Lezioni_Guida_Allievo_2.lez")};
        QTest::newRow("more lesson files now") << sample
                                               << (sample + QStringList{QStringLiteral("Lezioni_Guida_Allievo_3.lez"),
                                                                        QStringLiteral("Lezioni_Guida_Allievo_4.lez"),
                                                                        QStringLiteral("Lezioni_Guida_Allievo_100.lez")});
        QTest::newRow("others now") << sample
                                    << QStringList{QStringLiteral("Lezioni_Guida_Allievo_7.lez"), QStringLiteral("Lezioni_Guida_Allievo_8.lez")};
        QTest::newRow("none in the backup") << QStringList() << sample;
    }

    void restoreLeavesExactlyTheBackupsLessons()
    {
        QFETCH(QStringList, inBackup);
        QFETCH(QStringList, current);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Volantix"));
        QVERIFY(writeSample(data));
        const QDir folder(data);
        const auto lessons = [&folder] {
            return folder.entryList({QStringLiteral("Lezioni_Guida_Allievo_*.lez")}, QDir::Files, QDir::Name);
        };
        const QString odd = QStringLiteral("Lezioni_Guida_Allievo_x.lez"); // no student's number: not a lesson file
        for (const QString &name : lessons()) {
            if (name != odd && !inBackup.contains(name))
                QVERIFY(QFile::remove(folder.filePath(name)));
        }
        Tree wanted;
        for (const QString &name : inBackup)
            wanted[name] = readAll(folder.filePath(name));
        const Backup::Result made = Backup::create(data, dir.filePath(QStringLiteral("Copie")), createOptions());
        QVERIFY2(made.ok(), qPrintable(made.message));

        for (const QString &name : lessons()) {
            if (name != odd)
                QVERIFY(QFile::remove(folder.filePath(name)));
        }
        for (const QString &name : current)
            QVERIFY(writeAll(folder.filePath(name), records(LessonRecord::layout(), name, 2)));

        const Backup::Result restored = Backup::restore(made.path, data, restoreOptions(dir.filePath(QStringLiteral("Sicurezza"))));
        QVERIFY2(restored.ok(), qPrintable(restored.message));
        QCOMPARE(lessons(), sorted(inBackup + QStringList{odd}));
        for (const QString &name : inBackup)
            QCOMPARE(readAll(folder.filePath(name)), wanted[name]);
        QCOMPARE(readAll(folder.filePath(odd)).left(odd.size()), odd.toUtf8());
    }

    void largeAttachmentsAreReadableByUnzip()
    {
        if (qEnvironmentVariableIsSet("VOLANTIX_SKIP_LARGE"))
            QSKIP("VOLANTIX_SKIP_LARGE is set");
        const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
        if (unzip.isEmpty())
            QSKIP("unzip is not installed");
        QTemporaryDir dir;
        if (QStorageInfo(dir.path()).bytesAvailable() < (qint64(12) << 30))
            QSKIP("less than 12 GiB free for the large backup");
        const QString data = dir.filePath(QStringLiteral("Volantix"));
        QVERIFY(put(QDir(data).filePath(QStringLiteral("Allievi.pro")), students(kStudents)));
        // A file past 4 GiB, with bytes of its own on both sides of the 4 GiB mark and at its end.
        const qint64 size = (qint64(4) << 30) + (qint64(1) << 20);
        const QString big = QDir(data).filePath(QStringLiteral("Documenti_Allegati/scansioni/archivio scansioni.bin"));
        QVERIFY(QDir().mkpath(QFileInfo(big).absolutePath()));
        {
            QFile file(big);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(size));
            QVERIFY(file.seek((qint64(1) << 32) - 3));
            QCOMPARE(file.write("a cavallo"), qint64(9));
            QVERIFY(file.seek(size - 4));
            QCOMPARE(file.write("fine"), qint64(4));
        }
        QVERIFY(put(QDir(data).filePath(QStringLiteral("Documenti_Allegati/piccolo.txt")), "dopo il grande"));

        const Backup::Result made = Backup::create(data, dir.filePath(QStringLiteral("Copie")), createOptions());
        QVERIFY2(made.ok(), qPrintable(made.message));
        Backup::Manifest manifest;
        QVERIFY(Backup::verify(made.path, QString(), {}, &manifest).ok());
        QCOMPARE(manifest.find(QStringLiteral("Documenti_Allegati/scansioni/archivio scansioni.bin"))->size, size);

        const ToolRun run = runTool(unzip, {QStringLiteral("-t"), made.path}, {}, 600000);
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains("No errors detected"), run.out.constData());
        QVERIFY2(run.out.contains("archivio scansioni.bin"), run.out.constData());
    }

    void commandLine_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("fromFile"); // else from the standard input, for verify and restore
        QTest::newRow("plain") << QString() << false;
        QTest::newRow("password file") << QStringLiteral("Segreto-42") << true;
        QTest::newRow("password on standard input") << QStringLiteral("p\u00E0ss 42") << false;
    }

    void commandLine()
    {
        QFETCH(QString, password);
        QFETCH(bool, fromFile);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Volantix"));
        const QString dest = dir.filePath(QStringLiteral("Chiavetta/Copie"));
        const QString safety = dir.filePath(QStringLiteral("Sicurezza"));
        // The school's backup folder takes the safety backup of a restore.
        const QByteArray settings = "\r\n[Copia di sicurezza]\r\nCartella=" + safety.toUtf8() + "\r\n";
        QVERIFY(writeSample(data, settings));
        const Tree before = snapshot(data);
        const QString passwordFile = dir.filePath(QStringLiteral("password.txt"));
        QVERIFY(writeAll(passwordFile, password.toUtf8() + "\r\nseconda riga\n"));
        QStringList withPassword;
        if (!password.isEmpty())
            withPassword << QStringLiteral("--password-file") << passwordFile;
        const QStringList readPassword = fromFile ? withPassword : QStringList();
        const QByteArray input = fromFile ? QByteArray() : password.toUtf8() + '\n';

        const ToolRun made = runArchive(data, QStringList{QStringLiteral("backup"), dest} + withPassword);
        QCOMPARE(made.code, 0);
        QVERIFY2(made.err.isEmpty(), made.err.constData());
        const std::vector<Backup::Found> found = Backup::list(dest);
        QCOMPARE(found.size(), std::size_t(1));
        QCOMPARE(made.out, QDir::toNativeSeparators(found.front().path).toUtf8() + '\n');
        QCOMPARE(filesIn(dest).size(), 1);
        QCOMPARE(Backup::isEncrypted(found.front().path), std::optional<bool>(!password.isEmpty()));
        QVERIFY(Backup::verify(found.front().path, password).ok());
        const QString zip = found.front().path;

        const ToolRun verified = runArchive(data, QStringList{QStringLiteral("verify"), zip} + readPassword, input);
        QCOMPARE(verified.code, 0);
        QCOMPARE(verified.out, QFileInfo(zip).fileName().toUtf8() + ": verified\n");
        QVERIFY(verified.err.isEmpty());

        if (!password.isEmpty()) {
            // A wrong password, either way.
            const ToolRun wrong = runArchive(data, {QStringLiteral("verify"), zip}, "sbagliata\n");
            QCOMPARE(wrong.code, 2);
            QVERIFY2(oneLineReason(wrong.err), wrong.err.constData());
            const ToolRun none = runArchive(data, {QStringLiteral("restore"), zip});
            QCOMPARE(none.code, 2);
            QVERIFY2(oneLineReason(none.err), none.err.constData());
        }

        QVERIFY(changeSample(data, settings));
        const Tree changed = snapshot(data);
        const ToolRun restored = runArchive(data, QStringList{QStringLiteral("restore"), zip} + readPassword, input);
        QVERIFY2(restored.code == 0, restored.err.constData());
        QVERIFY(restored.out.startsWith("restored; the data replaced are in "));
        COMPARE_TREES(restoredTree(before, changed), snapshot(data));
        QCOMPARE(Backup::list(safety).size(), std::size_t(1));
        QVERIFY(restored.out.contains(QDir::toNativeSeparators(Backup::list(safety).front().path).toUtf8()));
    }

    void commandLineRefuses_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "DATA" and "OUT" stand for the folders
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("backup into the program folder") << QStringList{QStringLiteral("backup"), QStringLiteral("Copie")} << QByteArray();
        QTest::newRow("backup into the program folder, by its full path")
            << QStringList{QStringLiteral("backup"), QStringLiteral("DATA/Copie/nuove")} << QByteArray();
        QTest::newRow("backup into the program folder itself") << QStringList{QStringLiteral("backup"), QStringLiteral("DATA")} << QByteArray();
        QTest::newRow("backup into the program folder, by a roundabout path")
            << QStringList{QStringLiteral("backup"), QStringLiteral("OUT/Copie/../Volantix/./Copie")} << QByteArray();
        QTest::newRow("backup without a destination") << QStringList{QStringLiteral("backup")} << QByteArray();
        QTest::newRow("backup with a missing password file")
            << QStringList{QStringLiteral("backup"), QStringLiteral("OUT/Copie"), QStringLiteral("--password-file"),
                           QStringLiteral("OUT/nessuna.txt")}
            << QByteArray();
        QTest::newRow("verify a missing backup") << QStringList{QStringLiteral("verify"), QStringLiteral("OUT/nessuna.zip")} << QByteArray();
        QTest::newRow("verify a file that is no zip") << QStringList{QStringLiteral("verify"), QStringLiteral("DATA/Allievi.pro")}
                                                      << QByteArray();
        QTest::newRow("restore a file that is no zip") << QStringList{QStringLiteral("restore"), QStringLiteral("DATA/Registro_Allievi.xls")}
                                                       << QByteArray();
        QTest::newRow("too many arguments") << QStringList{QStringLiteral("backup"), QStringLiteral("OUT/a"), QStringLiteral("OUT/b")}
                                              << QByteArray();
#ifndef Q_OS_WIN
        // A pipe named like a backup is refused at once, never waited on.
        QTest::newRow("verify a pipe") << QStringList{QStringLiteral("verify"), QStringLiteral("OUT/tubo.zip")} << QByteArray("PIPE");
#endif
    }

    void commandLineRefuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Volantix"));
        QVERIFY(writeSample(data));
        for (QString &argument : arguments) {
            argument.replace(QLatin1String("DATA"), data);
            argument.replace(QLatin1String("OUT"), dir.path());
        }
#ifndef Q_OS_WIN
        if (input == "PIPE") {
            QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("tubo.zip"))).constData(), 0600) == 0);
            input.clear();
        }
#endif
        const Tree before = snapshot(data);
        const QStringList around = filesIn(dir.path());

        const ToolRun run = runArchive(data, arguments, input, {}, 30000);
        QCOMPARE(run.code, 2);
        QVERIFY2(oneLineReason(run.err), run.err.constData());
        QVERIFY(run.out.isEmpty());
        COMPARE_TREES(before, snapshot(data)); // no backup folder made in the program folder
        QCOMPARE(filesIn(dir.path()), around);
    }

    void manifestRoundTrips()
    {
        Backup::Manifest manifest;
        manifest.version = QStringLiteral("1.4.0");
        manifest.created = kWhen;
        manifest.entries.push_back({QStringLiteral("Allievi.pro"), 3 * StudentRecord::Size, 0x0a1b2c3d, 3, 0});
        manifest.entries.push_back({QStringLiteral("Lezioni_Guida_Allievo_2.lez"), 2 * LessonRecord::Size + 6, 0xffffffff, 2, 6});
        manifest.entries.push_back({QStringLiteral("Documenti_Allegati/Niccol\u00F2/carta d'identit\u00E0.pdf"), 0, 0, -1, 0});
        manifest.entries.push_back({QStringLiteral("Documenti_Allegati/grande.bin"), (qint64(5) << 30) + 7, 0x00000001, -1, 0});
        const QByteArray text = manifest.text();
        const std::optional<Backup::Manifest> parsed = Backup::Manifest::parse(text);
        QVERIFY(parsed);
        QCOMPARE(parsed->text(), text);
        QCOMPARE(parsed->version, manifest.version);
        QCOMPARE(parsed->created, manifest.created);
        QCOMPARE(parsed->entries.size(), manifest.entries.size());
        for (std::size_t i = 0; i < manifest.entries.size(); ++i) {
            QCOMPARE(parsed->entries[i].name, manifest.entries[i].name);
            QCOMPARE(parsed->entries[i].size, manifest.entries[i].size);
            QCOMPARE(parsed->entries[i].crc, manifest.entries[i].crc);
            QCOMPARE(parsed->entries[i].records, manifest.entries[i].records);
            QCOMPARE(parsed->entries[i].trailing, manifest.entries[i].trailing);
        }
        QVERIFY(parsed->find(QStringLiteral("Documenti_Allegati/grande.bin")));
        QVERIFY(!parsed->find(QStringLiteral("grande.bin")));
    }

    void damagedManifestIsRefused_data()
    {
        QTest::addColumn<QByteArray>("text");
        const QByteArray head = "Volantix - copia di sicurezza\nversione\t1.4.0\ncreata\t2025-03-04T10:20:30\n";
        const QByteArray columns = "nome\tbyte\tcrc32\trecord\n";
        const QByteArray good = head + "file\t2\n" + columns + "Allievi.pro\t6354\t0a1b2c3d\t2\nDocumenti_Allegati/a.pdf\t10\tdeadbeef\t\n";
        QVERIFY(Backup::Manifest::parse(good)); // the texts below spoil this one
        const auto entries = [&](const QByteArray &lines) -> QByteArray { return head + "file\t1\n" + columns + lines; };
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("another first line") << QByteArray(good).replace("Volantix - copia", "Volantix - copie");
        QTest::newRow("no version line") << QByteArray(good).replace("versione\t1.4.0\n", "");
        QTest::newRow("no columns line") << QByteArray(good).replace(columns, "");
        QTest::newRow("more files announced") << QByteArray(good).replace("file\t2", "file\t3");
        QTest::newRow("fewer files announced") << QByteArray(good).replace("file\t2", "file\t1");
        QTest::newRow("count not a number") << QByteArray(good).replace("file\t2", "file\tdue");
        QTest::newRow("negative count") << QByteArray(good).replace("file\t2", "file\t-2");
        QTest::newRow("Windows line ends") << QByteArray(good).replace("\n", "\r\n");
        QTest::newRow("size not a number") << entries("Allievi.pro\t63a4\t0a1b2c3d\t2\n");
        QTest::newRow("negative size") << entries("Allievi.pro\t-6354\t0a1b2c3d\t2\n");
        QTest::newRow("short crc") << entries("Allievi.pro\t6354\ta1b2c3d\t2\n");
        QTest::newRow("crc not hexadecimal") << entries("Allievi.pro\t6354\t0a1b2c3g\t2\n");
        QTest::newRow("too few fields") << entries("Allievi.pro\t6354\t0a1b2c3d\n");
        QTest::newRow("too many fields") << entries("Allievi.pro\t6354\t0a1b2c3d\t2\t\n");
        QTest::newRow("records not a number") << entries("Allievi.pro\t6354\t0a1b2c3d\tdue\n");
        QTest::newRow("negative records") << entries("Allievi.pro\t6354\t0a1b2c3d\t-2\n");
        QTest::newRow("trailing not a number") << entries("Allievi.pro\t6354\t0a1b2c3d\t2+x\n");
        QTest::newRow("negative trailing") << entries("Allievi.pro\t6354\t0a1b2c3d\t2+-6\n");
        QTest::newRow("two trailing parts") << entries("Allievi.pro\t6354\t0a1b2c3d\t2+1+1\n");
        QTest::newRow("creation time not a time") << QByteArray(good).replace("2025-03-04T10:20:30", "ieri");
    }

    void damagedManifestIsRefused()
    {
        QFETCH(QByteArray, text);
        QVERIFY(!Backup::Manifest::parse(text));
    }

    void restoreRefusedWhileAnArchiveIsLocked_data()
    {
        QTest::addColumn<QString>("held");
        QTest::addColumn<int>("recordSize");
        QTest::newRow("students") << QStringLiteral("Allievi.pro") << StudentRecord::Size;
        QTest::newRow("forms") << QStringLiteral("Modelli_TT2112.pro") << TT2112Record::Size;
        QTest::newRow("lessons") << QStringLiteral("Lezioni_Guida_Allievo_15.lez") << LessonRecord::Size;
    }

    void restoreRefusedWhileAnArchiveIsLocked()
    {
        QFETCH(QString, held);
        QFETCH(int, recordSize);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Volantix"));
        const QString safety = dir.filePath(QStringLiteral("Sicurezza"));
        QVERIFY(writeSample(data));
        const Backup::Result made = Backup::create(data, dir.filePath(QStringLiteral("Copie")), createOptions());
        QVERIFY2(made.ok(), qPrintable(made.message));
        // Another copy of the program in the middle of a save.
        QVERIFY(put(QDir(data).filePath(QStringLiteral("Lezioni_Guida_Allievo_15.lez")), records(LessonRecord::layout(), QStringLiteral("A"), 3)));
        LockHolder other;
        other.start(QDir(data).filePath(held), recordSize);
        QTRY_VERIFY_WITH_TIMEOUT(other.said("held"), kWait);
        const Tree before = snapshot(data);

        RecordFile::setLockTimeout(300ms);
        const Backup::Result restored = Backup::restore(made.path, data, restoreOptions(safety));
        QCOMPARE(restored.outcome, Backup::Outcome::Failed);
        QCOMPARE(restored.cause, FailureCause::InUse);
        QVERIFY(!restored.message.isEmpty());
        COMPARE_TREES(before, snapshot(data));
        QVERIFY(filesIn(safety).isEmpty());

        // Once the other copy is done, the restore goes ahead.
        other.finish();
        QTRY_VERIFY_WITH_TIMEOUT(other.said("released"), kWait);
        other.stop();
        const Backup::Result again = Backup::restore(made.path, data, restoreOptions(safety));
        QVERIFY2(again.ok(), qPrintable(again.message));
        QCOMPARE(readAll(QDir(data).filePath(QStringLiteral("Lezioni_Guida_Allievo_15.lez"))),
                 records(LessonRecord::layout(), QStringLiteral("L15"), 1));
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 4 && arguments[1] == QLatin1String("--hold"))
        return holdWritersLock(arguments[2], arguments[3].toInt());
    TestBackup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_backup.moc"
