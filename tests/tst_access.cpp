#include "DialogRecorder.h"
#include "TestSupport.h"

#include "access/CambiaPassword.h"
#include "access/Crypt.h"
#include "access/Password.h"
#include "access/PasswordStore.h"
#include "app/Avvio.h"
#include "app/ScreenSet.h"
#include "storage/ProgramFolder.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace TestSupport;

namespace {

const QString kWrong = QStringLiteral("Attenzione: password errata.");
const QString kDamaged = QStringLiteral("Attenzione: il file delle password \u00E8 danneggiato o vuoto. Si consiglia di reinstallare il software.");
const QString kReadError = QStringLiteral("Attenzione: si \u00E8 verificato un errore durante la procedura di lettura della password. Si consiglia di reinstallare il software.");
const QString kWrongOld = QStringLiteral("Attenzione: vecchia password errata.");
const QString kNotConfirmed = QStringLiteral("Attenzione: la nuova password non \u00E8 stata confermata correttamente. \u00C8 necessario reinserire entrambi i valori.");
const QString kDone = QStringLiteral("Modifica della password completata con successo.");
const QString kChangeError = QStringLiteral("Attenzione: si \u00E8 verificato un errore durante la procedura di modifica della password. Si consiglia di reinstallare il software.");

} // namespace

class TestAccess : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_store;
    std::unique_ptr<ScreenSet> m_screens;
    std::unique_ptr<DialogRecorder> m_dialogs;

    TfrmPassword *login() const { return m_screens->frmPassword(); }
    TfrmCambiaPassword *change() const { return m_screens->frmCambiaPassword(); }
    QLineEdit *field(QWidget *screen, const char *name) const { return screen->findChild<QLineEdit *>(QLatin1String(name)); }
    QPushButton *button(QWidget *screen, const char *name) const { return screen->findChild<QPushButton *>(QLatin1String(name)); }

    void writeStore(const QByteArray &bytes) { QVERIFY(writeAll(m_store, bytes)); }

    void typeInto(QLineEdit *target, const QString &text)
    {
        target->setFocus();
        QTest::keyClicks(target, text);
    }

    void openChangeScreen()
    {
        QTest::mouseClick(button(login(), "btnCambiaPassword"), Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowExposed(change()));
        change()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(change()));
    }

    void fillChange(const QString &old, const QString &fresh, const QString &confirm)
    {
        field(change(), "txtPasswordOld")->setText(old);
        field(change(), "txtPasswordNew")->setText(fresh);
        field(change(), "txtConferma")->setText(confirm);
    }

private slots:
    void init()
    {
        ProgramFolder::setOverride(m_dir.path());
        m_store = PasswordStore::path();
        QFile::remove(m_store);
        QDir(m_store).removeRecursively();
        QVERIFY(PasswordStore::createIfAbsent(m_store));
        m_dialogs = std::make_unique<DialogRecorder>();
        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
        m_screens->start();
        QVERIFY(QTest::qWaitForWindowActive(login()));
    }

    void cleanup()
    {
        m_screens.reset();
        m_dialogs.reset();
    }

    void loginWindow()
    {
        QCOMPARE(login()->windowTitle(), QStringLiteral(" Volantix - Accesso"));
        QCOMPARE(login()->size(), QSize(388, 405));
        QCOMPARE(login()->panel()->size(), QSize(360, 378));
        QCOMPARE(field(login(), "txtPassword")->geometry(), QRect(36, 222, 230, 22));
        QCOMPARE(field(login(), "txtPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(button(login(), "cmdOK")->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(field(login(), "txtPassword")->hasFocus());
    }

    void keywordIsAccepted_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("lower case") << QStringLiteral("passacorridoio");
        QTest::newRow("upper case") << QStringLiteral("PASSACORRIDOIO");
        QTest::newRow("mixed case") << QStringLiteral("PassaCorridoio");
        QTest::newRow("blanks around") << QStringLiteral("  passacorridoio ");
    }

    void keywordIsAccepted()
    {
        QFETCH(QString, typed);
        typeInto(field(login(), "txtPassword"), typed);
        QVERIFY(button(login(), "cmdOK")->isEnabled());
        QTest::mouseClick(button(login(), "cmdOK"), Qt::LeftButton);
        QVERIFY(m_dialogs->shown.isEmpty());
        QVERIFY(QTest::qWaitForWindowExposed(m_screens->frmAvvio()));
        QVERIFY(!login()->isVisible());
    }

    void enterRunsTheCheck()
    {
        typeInto(field(login(), "txtPassword"), QStringLiteral("passacorridoio"));
        QTest::keyClick(field(login(), "txtPassword"), Qt::Key_Return);
        QVERIFY(m_dialogs->shown.isEmpty());
        QVERIFY(m_screens->frmAvvio()->isVisible());
    }

    void wrongPassword()
    {
        QLineEdit *password = field(login(), "txtPassword");
        typeInto(password, QStringLiteral("passacorridoi"));
        QTest::keyClick(password, Qt::Key_Return);
        QCOMPARE(m_dialogs->take(), kWrong);
        QCOMPARE(m_dialogs->shown.size(), 0);
        QVERIFY(password->text().isEmpty());
        QVERIFY(password->hasFocus());
        QVERIFY(login()->isVisible());
        QVERIFY(!m_screens->frmAvvio()->isVisible());
        QVERIFY(!button(login(), "cmdOK")->isEnabled());
    }

    void blankFieldCannotLogIn()
    {
        QLineEdit *password = field(login(), "txtPassword");
        QVERIFY(!button(login(), "cmdOK")->isEnabled());
        typeInto(password, QStringLiteral("   "));
        QVERIFY(!button(login(), "cmdOK")->isEnabled());
        QTest::keyClick(password, Qt::Key_Return);
        QVERIFY(m_dialogs->shown.isEmpty());
        typeInto(password, QStringLiteral("x"));
        QVERIFY(button(login(), "cmdOK")->isEnabled());
    }

    void storeContents_data()
    {
        QTest::addColumn<QByteArray>("store");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("no store") << QByteArray() << QStringLiteral("x") << kWrong;
        // A store that is there but holds no password is damaged, whatever is typed.
        QTest::newRow("empty value") << QByteArray("[Accesso]\r\nValore=\r\n") << QStringLiteral("x") << kDamaged;
        QTest::newRow("no section") << QByteArray("[Altro]\r\nValore=D24D\r\n") << QStringLiteral("passacorridoio") << kDamaged;
        QTest::newRow("blank value") << QByteArray("[Accesso]\r\nValore=   \r\n") << QStringLiteral("x") << kDamaged;
        QTest::newRow("NUL bytes only") << QByteArray("\0\0\0\0", 4) << QStringLiteral("passacorridoio") << kDamaged;
        QTest::newRow("not hexadecimal") << QByteArray("[Accesso]\r\nValore=G1\r\n") << QStringLiteral("x") << kReadError;
        QTest::newRow("odd digit ignored")
            << QByteArray("[Accesso]\r\nValore=D24D657B83D29A904012C28D20447\r\n") << QStringLiteral("passacorridoio") << QString();
        QTest::newRow("lower-case digits")
            << QByteArray("[Accesso]\r\nValore=d24d657b83d29a904012c28d2044\r\n") << QStringLiteral("passacorridoio") << QString();
        QTest::newRow("blanks around the stored value")
            << QByteArray("[Accesso]\r\nValore =  D24D657B83D29A904012C28D2044  \r\n") << QStringLiteral("passacorridoio") << QString();
        QTest::newRow("a blank inside the stored value")
            << QByteArray("[Accesso]\r\nValore=D24D 657B83D29A904012C28D2044\r\n") << QStringLiteral("passacorridoio") << kReadError;
        QTest::newRow("blanks stored around")
            << QByteArray("[Accesso]\r\nValore=") + ScramblePassword(QStringLiteral("  MELA ")).toLatin1() + "\r\n" << QStringLiteral("mela") << QString();
    }

    void storeContents()
    {
        QFETCH(QByteArray, store);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFile::remove(m_store);
        if (!store.isEmpty())
            writeStore(store);
        typeInto(field(login(), "txtPassword"), typed);
        QTest::mouseClick(button(login(), "cmdOK"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), message);
        QCOMPARE(m_screens->frmAvvio()->isVisible(), message.isEmpty());
    }

    void emptyStoreIsDamaged()
    {
        writeStore(QByteArray());
        QVERIFY(QFileInfo::exists(m_store));
        typeInto(field(login(), "txtPassword"), QStringLiteral("passacorridoio"));
        QTest::mouseClick(button(login(), "cmdOK"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), kDamaged);
        QVERIFY(login()->isVisible());
        QVERIFY(!m_screens->frmAvvio()->isVisible());
        // The field keeps what was typed: the password may well be right.
        QCOMPARE(field(login(), "txtPassword")->text(), QStringLiteral("passacorridoio"));
    }

    void unreadableStore()
    {
        QFile::remove(m_store);
        QVERIFY(QDir().mkdir(m_store));
        typeInto(field(login(), "txtPassword"), QStringLiteral("passacorridoio"));
        QTest::mouseClick(button(login(), "cmdOK"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), kReadError);
        QVERIFY(login()->isVisible());
    }

    void frameFollowsTheFocus()
    {
        QWidget *frame = login()->control("effPassword");
        QVERIFY(frame->isVisible());
        button(login(), "cmdOK")->setEnabled(true);
        QTest::keyClick(field(login(), "txtPassword"), Qt::Key_Tab);
        QVERIFY(!field(login(), "txtPassword")->hasFocus());
        QVERIFY(!frame->isVisible());
        field(login(), "txtPassword")->setFocus();
        QVERIFY(frame->isVisible());
    }

    void exitEndsTheProgram()
    {
        QTimer::singleShot(0, login(), [this] { QTest::mouseClick(button(login(), "cmdEsci"), Qt::LeftButton); });
        QTimer::singleShot(5000, qApp, [] { QApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
    }

    void changeScreenOpensEmpty()
    {
        openChangeScreen();
        QVERIFY(!login()->isVisible());
        QCOMPARE(change()->windowTitle(), QStringLiteral(" Cambia password"));
        QCOMPARE(change()->size(), QSize(411, 418));
        QCOMPARE(field(change(), "txtConferma")->geometry(), QRect(16, 305, 353, 22));
        QVERIFY(field(change(), "txtPasswordOld")->hasFocus());
        QVERIFY(change()->control("effPasswordOld")->isVisible());
        // Leaving and coming back starts empty again.
        typeInto(field(change(), "txtPasswordOld"), QStringLiteral("abc"));
        QTest::mouseClick(button(change(), "cmdEsci"), Qt::LeftButton);
        QVERIFY(login()->isVisible());
        openChangeScreen();
        QVERIFY(field(change(), "txtPasswordOld")->text().isEmpty());
    }

    void changeEnterChain()
    {
        openChangeScreen();
        // While OK is off, Enter goes round the fields (with it on, Enter in the
        // confirmation presses it: enterInTheConfirmationConfirms).
        fillChange(QStringLiteral("passacorridoio"), QStringLiteral("mela"), QString());
        QVERIFY(!button(change(), "cmdOK")->isEnabled());
        const char *order[] = {"txtPasswordOld", "txtPasswordNew", "txtConferma", "txtPasswordOld"};
        for (int i = 0; i < 3; ++i) {
            QVERIFY(field(change(), order[i])->hasFocus());
            QTest::keyClick(field(change(), order[i]), Qt::Key_Return);
            QVERIFY(field(change(), order[i + 1])->hasFocus());
            QVERIFY(change()->control(order[i + 1] == QByteArray("txtPasswordOld") ? "effPasswordOld" : order[i + 1] == QByteArray("txtPasswordNew") ? "effPasswordNew" : "effConferma")->isVisible());
        }
        QVERIFY(m_dialogs->shown.isEmpty());
        QVERIFY(change()->isVisible());
    }

    void okNeedsAllThreeFields_data()
    {
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("fresh");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("all filled") << QStringLiteral("a") << QStringLiteral("b") << QStringLiteral("c") << true;
        QTest::newRow("old blank") << QStringLiteral("  ") << QStringLiteral("b") << QStringLiteral("c") << false;
        QTest::newRow("new empty") << QStringLiteral("a") << QString() << QStringLiteral("c") << false;
        QTest::newRow("confirmation blank") << QStringLiteral("a") << QStringLiteral("b") << QStringLiteral(" ") << false;
    }

    void okNeedsAllThreeFields()
    {
        QFETCH(QString, old);
        QFETCH(QString, fresh);
        QFETCH(QString, confirm);
        QFETCH(bool, enabled);
        openChangeScreen();
        fillChange(old, fresh, confirm);
        QCOMPARE(button(change(), "cmdOK")->isEnabled(), enabled);
    }

    void changeIsStoredAndWorksAfterARestart()
    {
        openChangeScreen();
        fillChange(QStringLiteral(" PassaCorridoio "), QStringLiteral("mela"), QStringLiteral("mela"));
        QTest::mouseClick(button(change(), "cmdOK"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), kDone);
        QCOMPARE(IniFile::readValue(m_store, QStringLiteral("Accesso"), QStringLiteral("Valore")), ScramblePassword(QStringLiteral("MELA")));
        // Back at the login, empty and focused.
        QVERIFY(!change()->isVisible());
        QVERIFY(login()->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(login()));
        QVERIFY(field(login(), "txtPassword")->text().isEmpty());
        QVERIFY(field(login(), "txtPassword")->hasFocus());

        // A new run of the program: the old keyword no longer works, the new one does.
        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
        m_screens->start();
        QVERIFY(QTest::qWaitForWindowActive(login()));
        typeInto(field(login(), "txtPassword"), QStringLiteral("passacorridoio"));
        QTest::keyClick(field(login(), "txtPassword"), Qt::Key_Return);
        QCOMPARE(m_dialogs->take(), kWrong);
        typeInto(field(login(), "txtPassword"), QStringLiteral("Mela"));
        QTest::keyClick(field(login(), "txtPassword"), Qt::Key_Return);
        QVERIFY(m_dialogs->shown.isEmpty());
        QVERIFY(m_screens->frmAvvio()->isVisible());
    }

    // --- the first-access keyword on the login picture ---

    void firstAccessKeywordOnlyWhileStored_data()
    {
        QTest::addColumn<QByteArray>("store"); // empty: as installed
        QTest::addColumn<bool>("shown");
        QTest::newRow("as installed") << QByteArray() << true;
        // Typed passwords are compared in capitals: this store takes no keyword.
        QTest::newRow("the keyword stored in small letters")
            << ("[Accesso]\r\nValore=" + ScramblePassword(QStringLiteral("passacorridoio")).toLatin1() + "\r\n") << false;
        QTest::newRow("a password of the school's own")
            << ("[Accesso]\r\nValore=" + ScramblePassword(QStringLiteral("MELA")).toLatin1() + "\r\n") << false;
        QTest::newRow("no store") << QByteArray("-") << false;
        QTest::newRow("an empty store") << QByteArray("\r\n") << false;
        QTest::newRow("a store that cannot be read") << QByteArray("[Accesso]\r\nValore=G1\r\n") << false;
    }

    void firstAccessKeywordOnlyWhileStored()
    {
        QFETCH(QByteArray, store);
        QFETCH(bool, shown);
        if (store == "-")
            QVERIFY(QFile::remove(m_store));
        else if (!store.isEmpty())
            writeStore(store);
        // A new run of the program on that store.
        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
        m_screens->start();
        QVERIFY(QTest::qWaitForWindowExposed(login()));
        QWidget *keyword = login()->control("imgPrimoAccesso");
        QCOMPARE(keyword->isVisible(), shown);
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    void firstAccessKeywordGoesWithTheChange()
    {
        QVERIFY(login()->control("imgPrimoAccesso")->isVisible());
        // Changed: the store holds the school's password, the keyword goes.
        openChangeScreen();
        fillChange(QStringLiteral("passacorridoio"), QStringLiteral("mela"), QStringLiteral("mela"));
        QTest::mouseClick(button(change(), "cmdOK"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), kDone);
        QCOMPARE(IniFile::readValue(m_store, QStringLiteral("Accesso"), QStringLiteral("Valore")), ScramblePassword(QStringLiteral("MELA")));
        QVERIFY(QTest::qWaitForWindowExposed(login()));
        QVERIFY(!login()->control("imgPrimoAccesso")->isVisible());
        // Changed back to the keyword: it shows again.
        openChangeScreen();
        fillChange(QStringLiteral("mela"), QStringLiteral("passacorridoio"), QStringLiteral("passacorridoio"));
        QTest::mouseClick(button(change(), "cmdOK"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), kDone);
        QCOMPARE(IniFile::readValue(m_store, QStringLiteral("Accesso"), QStringLiteral("Valore")),
                 ScramblePassword(QStringLiteral("PASSACORRIDOIO")));
        QVERIFY(QTest::qWaitForWindowExposed(login()));
        QVERIFY(login()->control("imgPrimoAccesso")->isVisible());
    }

    void refusedChanges_data()
    {
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("fresh");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("oldKept");
        QTest::newRow("not confirmed: case differs") << QStringLiteral("passacorridoio") << QStringLiteral("mela") << QStringLiteral("MELA") << kNotConfirmed << true;
        QTest::newRow("wrong old password") << QStringLiteral("passacorridoi") << QStringLiteral("mela") << QStringLiteral("mela") << kWrongOld << false;
        QTest::newRow("too long to keep") << QStringLiteral("passacorridoio") << QString(256, QLatin1Char('x')) << QString(256, QLatin1Char('x')) << QString() << true;
        QTest::newRow("character the store cannot keep") << QStringLiteral("passacorridoio") << QStringLiteral("\u20ACuro") << QStringLiteral("\u20ACuro") << QString() << true;
    }

    void refusedChanges()
    {
        QFETCH(QString, old);
        QFETCH(QString, fresh);
        QFETCH(QString, confirm);
        QFETCH(QString, message);
        QFETCH(bool, oldKept);
        const QByteArray before = readAll(m_store);
        openChangeScreen();
        fillChange(old, fresh, confirm);
        QTest::mouseClick(button(change(), "cmdOK"), Qt::LeftButton);
        const QString shown = m_dialogs->take();
        if (message.isEmpty())
            QVERIFY(shown.startsWith(QStringLiteral("Attenzione: la nuova password non pu\u00F2 essere memorizzata.")));
        else
            QCOMPARE(shown, message);
        QCOMPARE(readAll(m_store), before); // nothing written
        QVERIFY(change()->isVisible());
        QCOMPARE(field(change(), "txtPasswordOld")->text(), oldKept ? old : QString());
        if (oldKept) {
            QVERIFY(field(change(), "txtPasswordNew")->text().isEmpty());
            QVERIFY(field(change(), "txtConferma")->text().isEmpty());
            QVERIFY(field(change(), "txtPasswordNew")->hasFocus());
        } else {
            QCOMPARE(field(change(), "txtPasswordNew")->text(), fresh);
            QVERIFY(field(change(), "txtPasswordOld")->hasFocus());
        }
    }

    // A store that holds no password is said to be damaged by the change of
    // password too, not taken for a wrong old password.
    void enterInTheConfirmationConfirms_data()
    {
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("message"); // empty: nothing said, nothing written
        QTest::newRow("all filled: the change is made") << QStringLiteral("mela") << kDone;
        QTest::newRow("confirmation empty: OK is off, nothing happens") << QString() << QString();
    }

    void enterInTheConfirmationConfirms()
    {
        QFETCH(QString, confirm);
        QFETCH(QString, message);
        const QByteArray before = readAll(m_store);
        openChangeScreen();
        fillChange(QStringLiteral("passacorridoio"), QStringLiteral("mela"), confirm);
        field(change(), "txtConferma")->setFocus();
        QTest::keyClick(field(change(), "txtConferma"), Qt::Key_Return);
        if (message.isEmpty()) {
            QVERIFY(m_dialogs->shown.isEmpty());
            QCOMPARE(readAll(m_store), before);
            QVERIFY(change()->isVisible());
        } else {
            QCOMPARE(m_dialogs->take(), message);
            QCOMPARE(IniFile::readValue(m_store, QStringLiteral("Accesso"), QStringLiteral("Valore")), ScramblePassword(QStringLiteral("MELA")));
        }
    }

    void damagedStoreRefusesTheChange()
    {
        writeStore("[Accesso]\r\nValore=\r\n");
        openChangeScreen();
        fillChange(QStringLiteral("passacorridoio"), QStringLiteral("mela"), QStringLiteral("mela"));
        QTest::mouseClick(button(change(), "cmdOK"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), kDamaged);
        QCOMPARE(readAll(m_store), QByteArray("[Accesso]\r\nValore=\r\n"));
        QVERIFY(change()->isVisible());
    }

    void malformedStoreRefusesTheChange()
    {
        writeStore("[Accesso]\r\nValore=ZZ\r\n");
        openChangeScreen();
        fillChange(QStringLiteral("x"), QStringLiteral("mela"), QStringLiteral("mela"));
        QTest::mouseClick(button(change(), "cmdOK"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), kChangeError);
        QCOMPARE(readAll(m_store), QByteArray("[Accesso]\r\nValore=ZZ\r\n"));
        QVERIFY(change()->isVisible());
    }

    void sameNewPasswordIsWrittenAgain()
    {
        openChangeScreen();
        fillChange(QStringLiteral("passacorridoio"), QStringLiteral("passacorridoio"), QStringLiteral("passacorridoio"));
        QTest::mouseClick(button(change(), "cmdOK"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), kDone);
        QVERIFY(readAll(m_store).contains("Valore=D24D657B83D29A904012C28D2044"));
    }
};

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
