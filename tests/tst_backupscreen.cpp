// The backup screen and the automatic backup, driven through the real screen.

#include "DialogRecorder.h"
#include "TestSupport.h"

#include "backup/Backup.h"
#include "backup/BackupSettings.h"
#include "backup/CopiaSicurezza.h"
#include "shell/Clock.h"
#include "shell/Dialogs.h"
#include "storage/IniFile.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"

#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace TestSupport;

namespace {

// Every file of a folder with its bytes, by relative path.
QMap<QString, QByteArray> treeOf(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(root).relativeFilePath(path), readAll(path));
    }
    return files;
}

QByteArray students(std::initializer_list<const char *> surnames)
{
    RecordBuffer s(StudentRecord::layout());
    QByteArray bytes;
    for (const char *surname : surnames) {
        s.setText(StudentRecord::txtCognome, QString::fromLatin1(surname));
        s.setText(StudentRecord::txtNome, QStringLiteral("Anna"));
        bytes += s.bytes();
    }
    return bytes;
}

} // namespace

class TestBackupScreen : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_data;
    QString m_dest;
    std::unique_ptr<DialogRecorder> m_dialogs;
    QString m_chosenFolder;
    QString m_chosenFile;
    std::optional<QString> m_password;

    QString data(const QString &name) const { return QDir(m_data).filePath(name); }

    void writeSample()
    {
        QVERIFY(writeAll(data(QStringLiteral("Allievi.pro")), students({"Rossi", "Bianchi", "Verdi"})));
        QVERIFY(writeAll(data(QStringLiteral("Lezioni_Guida_Allievo_1.lez")), QByteArray(LessonRecord::Size * 2, 'x')));
        QVERIFY(QDir().mkpath(data(QStringLiteral("Documenti_Allegati"))));
        QVERIFY(writeAll(data(QStringLiteral("Documenti_Allegati/patente.pdf")), QByteArray("%PDF-1.4 scansione")));
        QVERIFY(IniFile::writeValue(data(QStringLiteral("Autoscuola.ini")), QStringLiteral("Copia di sicurezza"), QStringLiteral("Cartella"),
                                    m_dest));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_data = m_root.filePath(QStringLiteral("programma"));
        m_dest = m_root.filePath(QStringLiteral("copie"));
        ProgramFolder::setOverride(m_data);
        Dialogs::setFolderChooser([this](const QString &, const QString &) { return m_chosenFolder; });
        Dialogs::setFileChooser([this](const QString &, const QString &) { return m_chosenFile; });
        Dialogs::setPasswordAsker([this](const QString &, const QString &) { return m_password; });
    }

    void init()
    {
        QDir(m_data).removeRecursively();
        QDir(m_dest).removeRecursively();
        QVERIFY(QDir().mkpath(m_data));
        writeSample();
        m_dialogs = std::make_unique<DialogRecorder>();
        Clock::setSource([] { return QDateTime(QDate(2026, 12, 11), QTime(9, 0)); });
    }

    void cleanup()
    {
        m_dialogs.reset();
        Clock::setSource({});
    }

    void backupNowMakesAVerifiedBackupAndShowsIt()
    {
        TfrmCopiaSicurezza screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        // No password yet: advised once.
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs->shown.size(), 1, 10000);
        QVERIFY(m_dialogs->take().contains(QStringLiteral("password")));
        QCOMPARE(screen.control<QLineEdit>("txtCartella")->text(), QDir::toNativeSeparators(m_dest));
        QCOMPARE(screen.control<QLabel>("lblUltima")->text(), QStringLiteral("Nessuna copia di sicurezza in questa cartella."));

        QTest::mouseClick(screen.control<QPushButton>("btnEsegui"), Qt::LeftButton);
        const std::vector<Backup::Found> made = Backup::list(m_dest);
        QCOMPARE(made.size(), std::size_t(1));
        QVERIFY(m_dialogs->take().startsWith(QStringLiteral("Copia di sicurezza eseguita e verificata")));
        QVERIFY(Backup::verify(made.front().path, QString()).ok());
        QCOMPARE(*Backup::isEncrypted(made.front().path), false);
        QVERIFY(screen.control<QLabel>("lblUltima")->text().startsWith(QStringLiteral("Ultima copia verificata: 11/12/2026 alle 09:00")));
        QVERIFY(screen.control<QPushButton>("btnChiudi")->isEnabled());

        // Advised once only, this run or the next.
        screen.hide();
        TfrmCopiaSicurezza again;
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QTest::qWait(0);
        QApplication::processEvents();
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    void folderChoice_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("program folder") << QStringLiteral("programma") << false;
        QTest::newRow("inside the program folder") << QStringLiteral("programma/copie") << false;
        QTest::newRow("beside it") << QStringLiteral("usb/Volantix_Backup") << true;
    }

    void folderChoice()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, accepted);
        BackupSettings::Settings settings = BackupSettings::load();
        settings.advised = true;
        QVERIFY(BackupSettings::save(settings));
        TfrmCopiaSicurezza screen;
        m_chosenFolder = m_root.filePath(chosen);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QTest::mouseClick(screen.control<QPushButton>("btnSfoglia"), Qt::LeftButton);
        const QString expected = accepted ? m_chosenFolder : m_dest;
        QCOMPARE(BackupSettings::load().folder, expected);
        QCOMPARE(screen.control<QLineEdit>("txtCartella")->text(), QDir::toNativeSeparators(expected));
        QCOMPARE(m_dialogs->shown.size(), accepted ? 0 : 1);
    }

    void passwordProtectsTheNextBackups()
    {
        TfrmCopiaSicurezza screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs->shown.size(), 1, 10000);
        m_dialogs->take();
        auto *password = screen.control<QLineEdit>("txtPassword");
        auto *confirm = screen.control<QLineEdit>("txtConferma");
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QTest::keyClicks(password, QStringLiteral("Segreto-1"));
        QTest::keyClicks(confirm, QStringLiteral("Segreto-2"));
        QTest::mouseClick(screen.control<QPushButton>("btnPassword"), Qt::LeftButton);
        QVERIFY(m_dialogs->take().contains(QStringLiteral("non coincidono")));
        QVERIFY(BackupSettings::storedPassword().isEmpty());
        confirm->clear();
        QTest::keyClicks(confirm, QStringLiteral("Segreto-1"));
        QTest::mouseClick(screen.control<QPushButton>("btnPassword"), Qt::LeftButton);
        QVERIFY(m_dialogs->take().contains(QStringLiteral("senza la sua password")));
        QCOMPARE(BackupSettings::storedPassword(), QStringLiteral("Segreto-1"));
        // Never in clear among the settings.
        QVERIFY(!readAll(data(QStringLiteral("Autoscuola.ini"))).contains("Segreto"));
#ifndef Q_OS_WIN
        QCOMPARE(QFile::permissions(BackupSettings::passwordFile()) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
        QTest::mouseClick(screen.control<QPushButton>("btnEsegui"), Qt::LeftButton);
        const std::vector<Backup::Found> made = Backup::list(m_dest);
        QCOMPARE(made.size(), std::size_t(1));
        QCOMPARE(*Backup::isEncrypted(made.front().path), true);
        QCOMPARE(Backup::verify(made.front().path, QStringLiteral("Segreto-2")).outcome, Backup::Outcome::WrongPassword);
        QVERIFY(Backup::verify(made.front().path, QStringLiteral("Segreto-1")).ok());
        QVERIFY(BackupSettings::storePassword(QString()));
    }

    void annullaStopsABackupAndLeavesNothing()
    {
        // Enough data for the backup to take a while.
        QByteArray noise(48 << 20, Qt::Uninitialized);
        QRandomGenerator generator(25);
        generator.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QVERIFY(writeAll(data(QStringLiteral("Documenti_Allegati/scansione.tif")), noise));
        BackupSettings::Settings settings = BackupSettings::load();
        settings.advised = true;
        QVERIFY(BackupSettings::save(settings));
        TfrmCopiaSicurezza screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        int seenProgress = -1;
        QString seenFile;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &screen, [&] {
            auto *cancel = screen.control<QPushButton>("btnAnnulla");
            if (!cancel->isEnabled())
                return;
            // The screen answers while the work goes on.
            QVERIFY(!screen.control<QPushButton>("btnChiudi")->isEnabled());
            seenProgress = screen.control<QProgressBar>("prgCopia")->value();
            seenFile = screen.control<QLabel>("lblFile")->text();
            if (seenFile.isEmpty())
                return;
            poll.stop();
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        poll.start(10);
        QTest::mouseClick(screen.control<QPushButton>("btnEsegui"), Qt::LeftButton);
        QVERIFY2(seenFile.startsWith(QStringLiteral("Lettura di ")), qPrintable(seenFile));
        QVERIFY(seenProgress >= 0);
        QCOMPARE(m_dialogs->shown.size(), 1);
        QVERIFY2(m_dialogs->take().contains(QStringLiteral("annullata")), "the cancel is told");
        QVERIFY(QDir(m_dest).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
        QVERIFY(screen.control<QPushButton>("btnChiudi")->isEnabled());
    }

    void automaticBackupFollowsTheDays_data()
    {
        QTest::addColumn<int>("everyDays");
        QTest::addColumn<int>("lastDaysAgo"); // -1: none yet
        QTest::addColumn<bool>("runs");
        QTest::newRow("none yet") << 1 << -1 << true;
        QTest::newRow("yesterday's") << 1 << 1 << true;
        QTest::newRow("today's") << 1 << 0 << false;
        QTest::newRow("every week, three days ago") << 7 << 3 << false;
        QTest::newRow("switched off") << 0 << -1 << false;
    }

    void automaticBackupFollowsTheDays()
    {
        QFETCH(int, everyDays);
        QFETCH(int, lastDaysAgo);
        QFETCH(bool, runs);
        BackupSettings::Settings settings = BackupSettings::load();
        settings.everyDays = everyDays;
        QVERIFY(BackupSettings::save(settings));
        const QDateTime now = Clock::now();
        if (lastDaysAgo >= 0) {
            Backup::CreateOptions options;
            options.now = now.addDays(-lastDaysAgo).addSecs(-60);
            QVERIFY(Backup::create(m_data, m_dest, options).ok());
        }
        const std::size_t before = Backup::list(m_dest).size();
        // (The restore tests come last: a restore pauses them for the run.)
        QVERIFY(!TfrmCopiaSicurezza::automaticPaused());
        // Over the start screen, as when the program closes.
        QWidget start;
        start.show();
        QVERIFY(QTest::qWaitForWindowExposed(&start));
        QCOMPARE(TfrmCopiaSicurezza::runAutomatic(&start), runs);
        QCOMPARE(Backup::list(m_dest).size(), before + (runs ? 1 : 0));
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    void restorePutsTheBackupBack_data()
    {
        QTest::addColumn<QString>("secret");
        QTest::addColumn<QString>("given");
        QTest::addColumn<bool>("restored");
        QTest::newRow("plain") << QString() << QString() << true;
        QTest::newRow("with its password") << QStringLiteral("chiave-sicura") << QStringLiteral("chiave-sicura") << true;
        QTest::newRow("wrong password") << QStringLiteral("chiave-sicura") << QStringLiteral("sbagliata") << false;
    }

    void restorePutsTheBackupBack()
    {
        QFETCH(QString, secret);
        QFETCH(QString, given);
        QFETCH(bool, restored);
        Backup::CreateOptions options;
        options.password = secret;
        options.now = QDateTime(QDate(2026, 12, 1), QTime(18, 0));
        options.version = QStringLiteral("1.0.0");
        const Backup::Result made = Backup::create(m_data, m_dest, options);
        QVERIFY2(made.ok(), qPrintable(made.message));
        const QMap<QString, QByteArray> before = treeOf(m_data);
        // The data change after the backup.
        QVERIFY(writeAll(data(QStringLiteral("Allievi.pro")), students({"Rossi", "Bianchi", "Verdi", "Neri"})));
        QVERIFY(writeAll(data(QStringLiteral("Lezioni_Guida_Allievo_4.lez")), QByteArray(LessonRecord::Size, 'y')));

        TfrmCopiaSicurezza screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs->shown.size(), 1, 10000);
        m_dialogs->take();
        const QMap<QString, QByteArray> changed = treeOf(m_data);
        m_chosenFile = made.path;
        m_password = given;
        QTest::mouseClick(screen.control<QPushButton>("btnRipristina"), Qt::LeftButton);
        if (restored) {
            QCOMPARE(m_dialogs->shown.size(), 2);
            const QString preview = m_dialogs->shown[0].second;
            QVERIFY2(preview.contains(QStringLiteral("Contiene 3 allievi")), qPrintable(preview));
            QVERIFY(preview.contains(QStringLiteral("Primi allievi: Rossi Anna, Bianchi Anna, Verdi Anna")));
            QVERIFY(m_dialogs->shown[1].second.startsWith(QStringLiteral("Ripristino completato")));
            QCOMPARE(treeOf(m_data), before);
            // The data replaced went into a backup first.
            const std::vector<Backup::Found> all = Backup::list(m_dest);
            QCOMPARE(all.size(), std::size_t(2));
            QVERIFY(TfrmCopiaSicurezza::automaticPaused());
            QVERIFY(!TfrmCopiaSicurezza::runAutomatic(nullptr));
        } else {
            QCOMPARE(m_dialogs->shown.size(), 1);
            QVERIFY(m_dialogs->take().contains(QStringLiteral("password")));
            QCOMPARE(treeOf(m_data), changed);
        }
    }
};

QTEST_MAIN(TestBackupScreen)
#include "tst_backupscreen.moc"
