#include "access/Password.h"
#include "access/CambiaPassword.h"
#include "app/Avvio.h"
#include "shell/Clock.h"
#include "shell/FormatSettings.h"
#include "shell/OpenURL.h"
#include "app/ScreenSet.h"
#include "storage/ProgramFolder.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include "backup/Backup.h"
#include "storage/IniFile.h"
#include <QTest>
#include <QTimer>

using ScreenKit::Picture;

namespace {

// An on-demand screen as the later screens are made: it remembers what its
// caller told it and counts its instances.
class SampleScreen final : public ScreenKit::Screen
{
public:
    explicit SampleScreen(QWidget *parent)
        : Screen(parent, QStringLiteral(" Prova"), QSize(300, 200), QSize(280, 180), Qt::black)
        , field(new QLineEdit(panel()))
    {
        ++alive;
        memoryAtShow.clear();
    }
    ~SampleScreen() override { --alive; }

    QLineEdit *field;
    static inline int alive = 0;
    static inline QString memoryAtShow;
    static inline QString textAtShow;

protected:
    void showEvent(QShowEvent *event) override
    {
        Screen::showEvent(event);
        memoryAtShow = memory();
        textAtShow = field->text();
    }
};

void closeActiveModalSoon(const std::function<void(QWidget *)> &before = {})
{
    QTimer::singleShot(0, [before] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal != nullptr);
        if (before)
            before(modal);
        modal->close();
    });
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_backups;
    QList<QUrl> m_opened;

private slots:
    void initTestCase()
    {
        ProgramFolder::setOverride(m_dir.path());
        TMisc::setShellOpener([this](const QUrl &url) { m_opened << url; });
        Clock::setSource([] { return QDateTime(QDate(2026, 3, 7), QTime(9, 5)); });
    }

    void init()
    {
        m_opened.clear();
    }

    void startScreenLayout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<bool>("clickable");
        QTest::newRow("imgInfo") << QStringLiteral("imgInfo") << QRect(14, 14, 30, 30) << true;
        QTest::newRow("icoLogo") << QStringLiteral("icoLogo") << QRect(74, 14, 95, 92) << false;
        QTest::newRow("icoNome") << QStringLiteral("icoNome") << QRect(180, 26, 740, 75) << false;
        QTest::newRow("imgGuida") << QStringLiteral("imgGuida") << QRect(952, 16, 29, 28) << true;
        QTest::newRow("imgSottotitolo") << QStringLiteral("imgSottotitolo") << QRect(17, 112, 961, 22) << false;
        QTest::newRow("imgAnagrafica") << QStringLiteral("imgAnagrafica") << QRect(74, 171, 348, 338) << true;
        QTest::newRow("imgModello") << QStringLiteral("imgModello") << QRect(570, 172, 348, 337) << true;
        QTest::newRow("btnAnagrafica") << QStringLiteral("btnAnagrafica") << QRect(26, 520, 442, 79) << true;
        QTest::newRow("btnModello") << QStringLiteral("btnModello") << QRect(522, 520, 442, 79) << true;
        QTest::newRow("imgSito") << QStringLiteral("imgSito") << QRect(17, 628, 961, 22) << true;
        QTest::newRow("imgCopyright") << QStringLiteral("imgCopyright") << QRect(16, 660, 23, 22) << true;
        QTest::newRow("imgEsci") << QStringLiteral("imgEsci") << QRect(960, 662, 17, 18) << true;
    }

    void startScreenLayout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(bool, clickable);
        TfrmAvvio screen;
        const auto *picture = screen.control<Picture>(name.toLatin1().constData());
        QVERIFY(picture != nullptr);
        QCOMPARE(picture->geometry(), geometry);
        QVERIFY(picture->isValid()); // the artwork is there
        QCOMPARE(picture->isClickable(), clickable);
        if (clickable)
            QCOMPARE(picture->cursor().shape(), Qt::PointingHandCursor);
    }

    void firstStartShowsOnlyTheLogin()
    {
        ScreenSet screens;
        screens.createScreens();
        screens.start();
        QVERIFY(QTest::qWaitForWindowExposed(screens.frmPassword()));
        QVERIFY(!screens.frmAvvio()->isVisible());
        QVERIFY(!screens.frmCambiaPassword()->isVisible());
    }

    void startUpInstancesOfOnDemandScreensStayUnbuilt()
    {
        ScreenSet screens;
        screens.createScreens();
        // The resident screens have their controls; the on-demand instances, never
        // shown, only ran their creation step (the attendees' one created the archive).
        for (ScreenKit::Screen *resident : {static_cast<ScreenKit::Screen *>(screens.frmPassword()),
                                            static_cast<ScreenKit::Screen *>(screens.frmAvvio())}) {
            QVERIFY(resident->isBuilt());
            QVERIFY(!resident->findChildren<QLabel *>().isEmpty());
        }
        QVERIFY(QFileInfo::exists(ProgramFolder::filePath(QStringLiteral("Allievi.pro"))));
        QStringList unbuilt;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            auto *screen = qobject_cast<ScreenKit::Screen *>(window);
            if (screen != nullptr && !screen->isBuilt()) {
                QVERIFY(screen->findChildren<QLineEdit *>().isEmpty());
                unbuilt << screen->objectName();
            }
        }
        unbuilt.sort();
        QCOMPARE(unbuilt, (QStringList{QStringLiteral("frmAllegaCartella"), QStringLiteral("frmAnteprima_Modello"),
                                       QStringLiteral("frmCodFisc"), QStringLiteral("frmExpAllievi"),
                                       QStringLiteral("frmExpModelli"), QStringLiteral("frmFrequentatoriOra"),
                                       QStringLiteral("frmGuida"), QStringLiteral("frmInfo"), QStringLiteral("frmIstruzioni"),
                                       QStringLiteral("frmLezioniGuida"), QStringLiteral("frmPartitaIva"),
                                       QStringLiteral("frmSplash"), QStringLiteral("frmStampaAllievo"),
                                       QStringLiteral("frmStampa_Modello"), QStringLiteral("frmTrovaAllievi"),
                                       QStringLiteral("frmTrovaModelli")}));
    }

    void startScreenWindow()
    {
        ScreenSet screens;
        screens.createScreens();
        TfrmAvvio *avvio = screens.frmAvvio();
        QCOMPARE(avvio->windowTitle(), QStringLiteral(" Volantix"));
        QCOMPARE(avvio->size(), QSize(1016, 713));
        QCOMPARE(avvio->panel()->objectName(), QStringLiteral("panContainer"));
        QCOMPARE(avvio->panel()->size(), QSize(995, 692));
        QVERIFY(!avvio->isVisible());

        emit screens.frmPassword()->accessGranted();
        QVERIFY(QTest::qWaitForWindowExposed(avvio));
        QVERIFY(!screens.frmPassword()->isVisible());
        QVERIFY(avvio->isMaximized() || avvio->isVisible());
        // The panel stays centred whatever the window's size.
        avvio->showNormal();
        avvio->resize(1200, 900);
        QTRY_COMPARE(avvio->panel()->geometry().center(), avvio->rect().center());
        // Creating the start screen sets the program-wide formats.
        QCOMPARE(FormatSettings::shortDatePattern(), QStringLiteral("dd/mm/yyyy"));
        QCOMPARE(FormatSettings::decimalSeparator(), QLatin1Char(','));
        QCOMPARE(Clock::todayText(), QStringLiteral("07/03/2026"));
        QCOMPARE(Clock::timeText(), QStringLiteral("09:05"));
    }

    void siteStripOpensTheWebSite()
    {
        TfrmAvvio screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QTest::mouseClick(screen.control<Picture>("imgSito"), Qt::LeftButton);
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("https://www.volantix.it"))});
    }

    void clickNeedsPressAndReleaseInside()
    {
        TfrmAvvio screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        Picture *site = screen.control<Picture>("imgSito");
        QTest::mousePress(site, Qt::LeftButton);
        QTest::mouseRelease(site, Qt::LeftButton, {}, QPoint(-5, -5));
        QVERIFY(m_opened.isEmpty());
    }

    void shellOpenStripsQuotesAndIgnoresFailures()
    {
        TMisc::Open(QStringLiteral("\"") + m_dir.filePath(QStringLiteral("con spazi.pdf")) + QStringLiteral("\""));
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.first().toLocalFile(), m_dir.filePath(QStringLiteral("con spazi.pdf")));
        TMisc::Open(QString()); // nothing to open: nothing happens
        QCOMPARE(m_opened.size(), 1);
    }

    void exitPictureEndsTheProgram_data()
    {
        QTest::addColumn<bool>("closeWindow");
        QTest::addColumn<int>("backups");
        // The first close makes the day's automatic backup; the second finds it
        // recent enough.
        QTest::newRow("exit picture") << false << 1;
        QTest::newRow("window closed") << true << 1;
    }

    void exitPictureEndsTheProgram()
    {
        QFETCH(bool, closeWindow);
        QFETCH(int, backups);
        QVERIFY(m_backups.isValid());
        QVERIFY(IniFile::writeValue(ProgramFolder::filePath(QStringLiteral("Autoscuola.ini")), QStringLiteral("Copia di sicurezza"),
                                    QStringLiteral("Cartella"), m_backups.path()));
        // The hidden login stays open: the start screen still ends the run.
        ScreenSet screens;
        screens.createScreens();
        screens.start();
        emit screens.frmPassword()->accessGranted(); // the login stays open, hidden
        QVERIFY(QTest::qWaitForWindowExposed(screens.frmAvvio()));
        bool timedOut = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, qApp, [&] {
            timedOut = true;
            QApplication::exit(1);
        });
        watchdog.start(30000);
        QTimer::singleShot(0, screens.frmAvvio(), [&] {
            if (closeWindow)
                screens.frmAvvio()->close();
            else
                QTest::mouseClick(screens.frmAvvio()->control<Picture>("imgEsci"), Qt::LeftButton);
        });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!timedOut);
        QCOMPARE(static_cast<int>(Backup::list(m_backups.path()).size()), backups);
        QVERIFY(Backup::verify(Backup::list(m_backups.path()).front().path, QString()).ok());
    }

    void onDemandScreensAreFreshEachTime()
    {
        QWidget caller;
        caller.show();
        QVERIFY(QTest::qWaitForWindowExposed(&caller));

        closeActiveModalSoon([](QWidget *modal) {
            QVERIFY(modal->isModal());
            static_cast<SampleScreen *>(modal)->field->setText(QStringLiteral("scritto"));
        });
        ScreenKit::openOnDemand<SampleScreen>(&caller, QStringLiteral("allievi"));
        QCOMPARE(SampleScreen::memoryAtShow, QStringLiteral("allievi"));
        QCOMPARE(SampleScreen::alive, 0); // destroyed once closed

        closeActiveModalSoon();
        ScreenKit::openOnDemand<SampleScreen>(&caller, QStringLiteral("modello"));
        QCOMPARE(SampleScreen::memoryAtShow, QStringLiteral("modello"));
        QVERIFY(SampleScreen::textAtShow.isEmpty()); // nothing typed in the first survives
        QCOMPARE(SampleScreen::alive, 0);
    }

    void onDemandScreenIsOwnedByItsCaller()
    {
        QWidget caller;
        QWidget *owner = nullptr;
        closeActiveModalSoon();
        ScreenKit::openOnDemand<SampleScreen>(&caller, QString(), [&](SampleScreen &screen) { owner = screen.parentWidget(); });
        QCOMPARE(owner, &caller);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
