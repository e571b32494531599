// The files the program rewrites as a whole (the password store, the school
// defaults, the exports, the attached files) when the new content cannot be put
// in place: the user is told, and the file that was there stays as it was.
#include "DialogRecorder.h"
#include "Modal.h"
#include "TestSupport.h"

#include "access/CambiaPassword.h"
#include "access/Password.h"
#include "access/PasswordStore.h"
#include "export/ExportScreen.h"
#include "app/Avvio.h"
#include "shell/OpenURL.h"
#include "app/ScreenSet.h"
#include "storage/ArchiveError.h"
#include "storage/FileReplacement.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "students/Allievi.h"
#include "students/Attachments.h"
#include "tt2112/Mod_TT2112.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

using namespace TestSupport;
using Kind = Dialogs::Kind;
using Fault = FileReplacement::Fault;
using Shown = QPair<Dialogs::Kind, QString>;

namespace {

enum class Writer { PasswordStore, SchoolDefaults, Export, AttachmentCopy };

const QString kPasswordNotChanged = QStringLiteral(
    "Attenzione: si \u00E8 verificato un errore durante la procedura di modifica della password. Si consiglia di reinstallare il software.");
const QString kDefaultsNotStored = QStringLiteral(
    "Attenzione: non \u00E8 stato possibile memorizzare il codice dell'autoscuola e l'ufficio provinciale nel file Autoscuola.ini."
    "\r\n\r\nAccertarsi di possedere i privilegi di scrittura nella cartella di installazione del programma.");
const QString kExportQuestion = QStringLiteral(
    "L'esportazione dei dati in Excel pu\u00F2 richiedere diversi minuti a seconda del numero di schede presenti in archivio."
    "\r\n\r\nSi vuole esportare i dati adesso?");
const QString kExportFailed = QStringLiteral(
    "Attenzione: il sistema non permette di esportare i dati.\n\r\n\rAccertarsi che il file di Excel non sia gi\u00E0 aperto.");
const QString kOverwriteQuestion = QStringLiteral(
    "Attenzione: nella cartella dei documenti allegati \u00E8 presente un file con lo stesso nome.\r\n\r\n"
    "Si vuole sovrascrivere il file esistente?");
const QString kNotCopied = QStringLiteral(
    "Attenzione: non \u00E8 stato possibile copiare il file nella cartella dei documenti allegati.\r\n\r\n"
    "Accertarsi di possedere i privilegi di scrittura nella cartella di installazione del programma.");

// Every box the user sees while `writer` fails with `cause`, in order, with the
// answers given by the recorder (Yes to every question).
QList<Shown> failureDialogs(Writer writer, FailureCause cause)
{
    switch (writer) {
    case Writer::PasswordStore:
        return {{Kind::Message, withCause(kPasswordNotChanged, cause)}};
    case Writer::SchoolDefaults:
        return {{Kind::Warning, withCause(kDefaultsNotStored, cause)}};
    case Writer::Export:
        return {{Kind::Confirmation, kExportQuestion}, {Kind::Message, withCause(kExportFailed, cause)}};
    case Writer::AttachmentCopy:
        return {{Kind::Confirmation, kOverwriteQuestion}, {Kind::Warning, withCause(kNotCopied, cause)}};
    }
    return {};
}

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Warning:
        return QStringLiteral("warning");
    case Kind::Error:
        return QStringLiteral("error");
    case Kind::Information:
        return QStringLiteral("information");
    case Kind::Confirmation:
        return QStringLiteral("confirmation");
    case Kind::Question:
        return QStringLiteral("question");
    case Kind::Message:
        return QStringLiteral("message");
    }
    return QStringLiteral("?");
}

// The boxes as readable lines, so that a mismatch shows which box differs.
QStringList described(const QList<Shown> &dialogs)
{
    QStringList lines;
    for (const auto &[kind, text] : dialogs)
        lines << kindName(kind) + QStringLiteral(": ") + text;
    return lines;
}

// Every entry of a folder, hidden ones included.
QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray student(const QString &surname, const QString &name)
{
    RecordBuffer record(StudentRecord::layout());
    record.setText(StudentRecord::txtCodiceCor, QStringLiteral("B-2026"));
    record.setText(StudentRecord::txtTipologiaCor, QStringLiteral("Patente B"));
    record.setText(StudentRecord::txtCognome, surname);
    record.setText(StudentRecord::txtNome, name);
    return record.bytes();
}

#ifndef Q_OS_WIN
// A tmpfs mounted over a folder for as long as the object lives.
class SmallDisk
{
public:
    SmallDisk(const QString &folder, const char *options)
        : m_folder(QFile::encodeName(folder))
    {
        m_mounted = ::mount("tmpfs", m_folder.constData(), "tmpfs", 0, options) == 0;
        m_error = m_mounted ? 0 : errno;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return m_mounted; }
    int error() const { return m_error; }

private:
    QByteArray m_folder;
    bool m_mounted = false;
    int m_error = 0;
};

// Writes `path` until the disk has no room left; the system's error number of the
// write that failed.
int fillDisk(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    const QByteArray block(64 * 1024, 'z');
    int error = 0;
    for (;;) {
        const ssize_t n = ::write(fd, block.constData(), static_cast<size_t>(block.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : 0;
            break;
        }
    }
    ::close(fd);
    return error;
}
#endif

} // namespace

class TestWholeFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_elsewhere; // files chosen in the file dialog
    std::unique_ptr<DialogRecorder> m_dialogs;
    std::unique_ptr<ScreenSet> m_screens;
    QList<QUrl> m_opened;
    QString m_chosen;

    static QLineEdit *field(QWidget *screen, const char *name) { return screen->findChild<QLineEdit *>(QLatin1String(name)); }
    static QPushButton *button(QWidget *screen, const char *name) { return screen->findChild<QPushButton *>(QLatin1String(name)); }

    void startProgram()
    {
        m_screens.reset();
        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
    }

    // The file `writer` replaces.
    static QString target(Writer writer)
    {
        switch (writer) {
        case Writer::PasswordStore:
            return PasswordStore::path();
        case Writer::SchoolDefaults:
            return ProgramFolder::filePath(QStringLiteral("Autoscuola.ini"));
        case Writer::Export:
            return ProgramFolder::filePath(QStringLiteral("Registro_Allievi.xls"));
        case Writer::AttachmentCopy:
            return Attachments::folderPath() + QStringLiteral("/patente.pdf");
        }
        return QString();
    }

    // Puts in place the file that `writer` will try to replace, and what the user
    // will work with.
    void layDown(Writer writer)
    {
        const QString file = target(writer);
        switch (writer) {
        case Writer::PasswordStore:
            QFile::remove(file);
            QVERIFY(PasswordStore::createIfAbsent(file));
            break;
        case Writer::SchoolDefaults:
            QVERIFY(writeAll(file, "[Modello TT2112]\r\nCodice Autoscuola=AS01\r\nUfficio Provinciale=Roma\r\n"));
            break;
        case Writer::Export:
            QVERIFY(writeAll(ProgramFolder::filePath(QStringLiteral("Allievi.pro")), student(QStringLiteral("Rossi"), QStringLiteral("Mario"))));
            QVERIFY(writeAll(file, "<html><body><table x:str><tr><td>esportazione di ieri</td></tr></table></body></html>"));
            break;
        case Writer::AttachmentCopy:
            QVERIFY(QDir().mkpath(Attachments::folderPath()));
            QVERIFY(writeAll(file, "%PDF-1.4 la patente scansionata ieri"));
            // A new scan under the same name, larger than one block of the copy.
            m_chosen = m_elsewhere.filePath(QStringLiteral("patente.pdf"));
            QVERIFY(writeAll(m_chosen, QByteArray("%PDF-1.7 la nuova scansione ").repeated(3000)));
            break;
        }
        QVERIFY(!readAll(file).isEmpty());
    }

    // Does on the screens what makes `writer` replace its file, as the user would.
    void drive(Writer writer)
    {
        switch (writer) {
        case Writer::PasswordStore: {
            m_screens->start();
            TfrmPassword *login = m_screens->frmPassword();
            QVERIFY(QTest::qWaitForWindowExposed(login));
            QTest::mouseClick(button(login, "btnCambiaPassword"), Qt::LeftButton);
            TfrmCambiaPassword *change = m_screens->frmCambiaPassword();
            QVERIFY(QTest::qWaitForWindowExposed(change));
            field(change, "txtPasswordOld")->setText(QStringLiteral("passacorridoio"));
            field(change, "txtPasswordNew")->setText(QStringLiteral("mela"));
            field(change, "txtConferma")->setText(QStringLiteral("mela"));
            QTest::mouseClick(button(change, "cmdOK"), Qt::LeftButton);
            // The user gives up and logs in with the password that has always worked.
            if (change->isVisible())
                QTest::mouseClick(button(change, "cmdEsci"), Qt::LeftButton);
            QVERIFY(login->isVisible());
            field(login, "txtPassword")->setText(QStringLiteral("passacorridoio"));
            QTest::mouseClick(button(login, "cmdOK"), Qt::LeftButton);
            break;
        }
        case Writer::SchoolDefaults: {
            m_screens->frmAvvio()->imgModelloClick();
            TfrmMod_TT2112 *manager = m_screens->frmMod_TT2112();
            QVERIFY(QTest::qWaitForWindowExposed(manager));
            QCOMPARE(manager->control<QLineEdit>("txtCodice")->text(), QStringLiteral("AS01"));
            manager->control<QLineEdit>("txtCodice")->setText(QStringLiteral("AS02"));
            QTest::mouseClick(manager->control("cmdEsci"), Qt::LeftButton);
            break;
        }
        case Writer::Export: {
            TfrmExpAllievi screen;
            screen.show();
            QVERIFY(QTest::qWaitForWindowExposed(&screen));
            QTest::mouseClick(screen.control("cmdEsporta"), Qt::LeftButton);
            QVERIFY(screen.isVisible());
            break;
        }
        case Writer::AttachmentCopy: {
            TfrmAllievi *registry = m_screens->frmAllievi();
            m_screens->frmAvvio()->imgAnagraficaClick();
            QVERIFY(QTest::qWaitForWindowExposed(registry));
            // The slot links the stored scan, which the new one replaces.
            registry->control<QLabel>("lblFile01")->setText(QStringLiteral("patente.pdf"));
            bool browsed = false;
            whenModalOpens([&](QWidget *modal) {
                QTest::mouseClick(button(modal, "btnSfoglia01"), Qt::LeftButton);
                QCOMPARE(field(modal, "txtFile01")->text(), QStringLiteral("patente.pdf"));
                browsed = true;
            });
            QTest::mouseClick(registry->control("cmdFile"), Qt::LeftButton);
            QVERIFY(browsed);
            QVERIFY(registry->isVisible());
            break;
        }
        }
    }

    // After `writer` was driven: the user was told of the failure and of nothing
    // else, the file is as it was, nothing is left beside it and the program goes on.
    void checkFailed(Writer writer, const QByteArray &previous, const QStringList &folderBefore, FailureCause cause)
    {
        // Exactly these boxes: the failure, and no word of success ("Modifica della
        // password completata...", "Le schede in archivio sono state esportate...").
        QCOMPARE(described(m_dialogs->shown), described(failureDialogs(writer, cause)));
        QCOMPARE(readAll(target(writer)), previous);
        QCOMPARE(entries(QFileInfo(target(writer)).absolutePath()).join(u'|'), folderBefore.join(u'|'));
        switch (writer) {
        case Writer::PasswordStore:
            QCOMPARE(PasswordCheck::checkLogin(PasswordStore::path(), QStringLiteral("passacorridoio")).result,
                     PasswordCheck::LoginResult::Granted);
            QVERIFY(m_screens->frmAvvio()->isVisible()); // the old password opened the program
            break;
        case Writer::SchoolDefaults:
            // The start screen comes back all the same.
            QVERIFY(!m_screens->frmMod_TT2112()->isVisible());
            QVERIFY(m_screens->frmAvvio()->isVisible());
            break;
        case Writer::Export:
            QVERIFY(m_opened.isEmpty()); // nothing is opened
            break;
        case Writer::AttachmentCopy:
            break;
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_elsewhere.isValid());
        TMisc::setShellOpener([this](const QUrl &url) { m_opened << url; });
        Dialogs::setFileChooser([this](const QString &, const QString &) { return m_chosen; });
    }

    void init()
    {
        ProgramFolder::setOverride(m_dir.path());
        for (const QString &name : entries(m_dir.path())) {
            QFile::remove(m_dir.filePath(name));
            QDir(m_dir.filePath(name)).removeRecursively();
        }
        m_opened.clear();
        m_chosen.clear();
        m_dialogs = std::make_unique<DialogRecorder>();
        startProgram();
    }

    void cleanup()
    {
        FileReplacement::setFault(Fault::None);
        m_screens.reset();
        m_dialogs.reset();
        ProgramFolder::setOverride(m_dir.path());
    }

    void failedReplacementKeepsThePreviousFile_data()
    {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<Fault>("fault");
        const struct {
            Writer writer;
            const char *name;
        } writers[] = {
            {Writer::PasswordStore, "password store"},
            {Writer::SchoolDefaults, "school defaults"},
            {Writer::Export, "export"},
            {Writer::AttachmentCopy, "attachment copy"},
        };
        const struct {
            Fault fault;
            const char *name;
        } faults[] = {
            {Fault::Write, "write fails"},
            {Fault::Flush, "flush fails"},
            {Fault::Rename, "rename fails"},
        };
        for (const auto &writer : writers) {
            for (const auto &fault : faults)
                QTest::addRow("%s, %s", writer.name, fault.name) << writer.writer << fault.fault;
        }
    }

    void failedReplacementKeepsThePreviousFile()
    {
        QFETCH(Writer, writer);
        QFETCH(Fault, fault);
        layDown(writer);
        if (QTest::currentTestFailed())
            return;
        const QByteArray previous = readAll(target(writer));
        const QStringList folderBefore = entries(QFileInfo(target(writer)).absolutePath());

        FileReplacement::setFault(fault);
        drive(writer);
        FileReplacement::setFault(Fault::None);
        if (QTest::currentTestFailed())
            return;
        // The faults are a full disk (write), a failing disk (flush) and a refusal (rename).
        const FailureCause cause = fault == Fault::Write ? FailureCause::DiskFull
            : fault == Fault::Rename                    ? FailureCause::AccessDenied
                                                        : FailureCause::Unknown;
        checkFailed(writer, previous, folderBefore, cause);
    }

    void fullDiskKeepsEveryFile()
    {
#ifdef Q_OS_WIN
        QSKIP("a small disk of its own is mounted on Linux only; the fault seam covers Windows");
#else
        QTemporaryDir mountPoint;
        QVERIFY(mountPoint.isValid());
        const SmallDisk disk(mountPoint.path(), "size=512k");
        if (!disk.mounted())
            QSKIP(qPrintable(QStringLiteral("a tmpfs cannot be mounted here (%1): mounting needs root or CAP_SYS_ADMIN")
                                 .arg(QString::fromLocal8Bit(std::strerror(disk.error())))));
        // The screens let go of the disk before it is unmounted.
        const auto closeScreens = qScopeGuard([this] { m_screens.reset(); });
        ProgramFolder::setOverride(mountPoint.path());
        startProgram();

        const Writer writers[] = {Writer::PasswordStore, Writer::SchoolDefaults, Writer::Export, Writer::AttachmentCopy};
        for (const Writer writer : writers) {
            layDown(writer);
            if (QTest::currentTestFailed())
                return;
        }
        // Two students, then a record cut short by an earlier failure.
        const QString archive = ProgramFolder::filePath(QStringLiteral("Allievi.pro"));
        const QByteArray students = student(QStringLiteral("Rossi"), QStringLiteral("Mario")) + student(QStringLiteral("Bianchi"), QStringLiteral("Anna"))
            + QByteArray("TRONCATO..");
        QCOMPARE(students.size(), 2 * StudentRecord::Size + 10);
        QVERIFY(writeAll(archive, students));

        QMap<Writer, QByteArray> previous;
        for (const Writer writer : writers)
            previous[writer] = readAll(target(writer));
        QCOMPARE(fillDisk(mountPoint.filePath(QStringLiteral("riempitivo.bin"))), ENOSPC);
        QVERIFY(QFileInfo(mountPoint.filePath(QStringLiteral("riempitivo.bin"))).size() > 256 * 1024);

        for (const Writer writer : writers) {
            const QStringList folderBefore = entries(QFileInfo(target(writer)).absolutePath());
            m_dialogs->shown.clear();
            drive(writer);
            if (QTest::currentTestFailed())
                return;
            checkFailed(writer, previous[writer], folderBefore, FailureCause::DiskFull);
            if (QTest::currentTestFailed()) {
                qWarning("writer %d", int(writer));
                return;
            }
        }

        // A new student: the registry is still open after the attachment.
        TfrmAllievi *registry = m_screens->frmAllievi();
        QVERIFY(registry->isVisible());
        QTest::mouseClick(registry->control("cmdNuovo"), Qt::LeftButton);
        QVERIFY(registry->positionLabel()->text().isEmpty());
        registry->control<QLineEdit>("txtCodiceCor")->setText(QStringLiteral("B-2026"));
        registry->control<QLineEdit>("txtTipologiaCor")->setText(QStringLiteral("Patente B"));
        registry->control<QLineEdit>("txtCognome")->setText(QStringLiteral("Verdi"));
        registry->control<QLineEdit>("txtNome")->setText(QStringLiteral("Luca"));
        const QStringList folderBefore = entries(mountPoint.path());
        m_dialogs->shown.clear();
        QTest::mouseClick(registry->control("cmdSalva"), Qt::LeftButton);
        QCOMPARE(described(m_dialogs->shown), described({{Kind::Error, ArchiveAccessError() + "\n\r\n\rDettagli: disco pieno"}}));
        const QByteArray after = readAll(archive);
        QCOMPARE(after.mid(2 * StudentRecord::Size), QByteArray("TRONCATO.."));
        QCOMPARE(after, students); // the two records as well
        QVERIFY(registry->positionLabel()->text().isEmpty());
        QCOMPARE(entries(mountPoint.path()).join(u'|'), folderBefore.join(u'|'));
#endif
    }
};

QTEST_MAIN(TestWholeFiles)
#include "tst_wholefiles.moc"
