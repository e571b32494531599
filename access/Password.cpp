#include "access/Password.h"

#include "access/PasswordStore.h"
#include "shell/Dialogs.h"
#include "storage/TextField.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace ScreenKit;

namespace {

const QColor kSteelBlue = argb(0xFF4682B4);

const ControlDef kControls[] = {
    {.name = "shpSfondo", .kind = ControlKind::Box, .geometry = {8, 8, 344, 265}, .fill = kSteelBlue, .fillBottom = Qt::white, .frame = Qt::white},
    {.name = "imgLogo", .kind = ControlKind::Picture, .geometry = {16, 16, 328, 160}, .picture = QStringLiteral(":/access/login.svg")},
    // The first-access keyword, on the picture while the store still holds it.
    {.name = "imgPrimoAccesso", .kind = ControlKind::Picture, .geometry = {23, 129, 314, 37},
     .picture = QStringLiteral(":/access/primo_accesso.svg"), .visible = false},
    {.name = "shpTitolo", .kind = ControlKind::Box, .geometry = {16, 184, 328, 81}, .fill = argb(0xFF7DA9CD), .fillBottom = Qt::white, .frame = Qt::white},
    {.name = "lblRigo05", .kind = ControlKind::Label, .geometry = {36, 200, 0, 0}, .caption = QStringLiteral("Immetti la password e premi OK."), .font = {"Verdana", 12}},
    {.name = "effPassword", .kind = ControlKind::HighlightFrame, .geometry = {32, 218, 238, 30}},
    {.name = "txtPassword", .kind = ControlKind::TextField, .geometry = {36, 222, 230, 22}, .font = {"Verdana", 14, true}, .focus = FocusStyle::Frame, .masked = true},
    {.name = "cmdOK", .kind = ControlKind::Button, .geometry = {280, 216, 49, 33}, .caption = QStringLiteral("OK"), .enabled = false},
    {.name = "cmdEsci", .kind = ControlKind::Button, .geometry = {8, 338, 146, 32}, .caption = QStringLiteral("Esci")},
    {.name = "btnCambiaPassword", .kind = ControlKind::Button, .geometry = {205, 338, 146, 32}, .caption = QStringLiteral("Cambia password")},
};

} // namespace

TfrmPassword::TfrmPassword(QWidget *parent)
    : Screen(parent, QStringLiteral(" Volantix - Accesso"), QSize(388, 405), QSize(360, 378), kSteelBlue)
{
    setObjectName(QStringLiteral("frmPassword"));
    buildControls(kControls);
    memoryLabel()->move(24, 24);
    makeFixedDialog();

    capture({{"txtPassword", &txtPassword}, {"cmdOK", &cmdOK}});
    connect(txtPassword, &QLineEdit::textChanged, this, &TfrmPassword::txtPasswordChange);
    connect(txtPassword, &QLineEdit::returnPressed, this, [this] {
        if (!TextField::trimmed(txtPassword->text()).isEmpty())
            cmdOKClick();
    });
    connect(cmdOK, &QPushButton::clicked, this, &TfrmPassword::cmdOKClick);
    connect(control<QPushButton>("cmdEsci"), &QPushButton::clicked, this, &TfrmPassword::cmdEsciClick);
    connect(control<QPushButton>("btnCambiaPassword"), &QPushButton::clicked, this, &TfrmPassword::btnCambiaPasswordClick);
}

void TfrmPassword::showEvent(QShowEvent *event)
{
    Screen::showEvent(event);
    showFirstAccessKeyword();
    txtPassword->setFocus(Qt::OtherFocusReason);
}

void TfrmPassword::showFirstAccessKeyword()
{
    // Once the password has been changed, the keyword would only mislead.
    const PasswordCheck::Login keyword = PasswordCheck::checkLogin(PasswordStore::path(), PasswordStore::firstAccessKeyword());
    control("imgPrimoAccesso")->setVisible(keyword.result == PasswordCheck::LoginResult::Granted);
}

void TfrmPassword::txtPasswordChange()
{
    cmdOK->setEnabled(!TextField::trimmed(txtPassword->text()).isEmpty());
}

void TfrmPassword::cmdOKClick()
{
    const PasswordCheck::Login login = PasswordCheck::checkLogin(PasswordStore::path(), txtPassword->text());
    switch (login.result) {
    case PasswordCheck::LoginResult::ReadError:
        Dialogs::message(QStringLiteral("Attenzione: si \u00E8 verificato un errore durante la procedura di lettura della "
                                        "password. Si consiglia di reinstallare il software."));
        return;
    case PasswordCheck::LoginResult::Damaged:
        Dialogs::message(PasswordCheck::damagedStoreMessage());
        return;
    case PasswordCheck::LoginResult::Wrong:
        setMemory(login.unscrambled);
        Dialogs::message(QStringLiteral("Attenzione: password errata."));
        txtPassword->clear();
        txtPassword->setFocus(Qt::OtherFocusReason);
        return;
    case PasswordCheck::LoginResult::Granted:
        setMemory(login.unscrambled);
        emit accessGranted();
        return;
    }
}

void TfrmPassword::cmdEsciClick()
{
    close();
}

void TfrmPassword::btnCambiaPasswordClick()
{
    emit changePasswordRequested();
}

void TfrmPassword::comeBack()
{
    txtPassword->clear();
    setMemory(QString());
    show();
    activateWindow();
    txtPassword->setFocus(Qt::OtherFocusReason);
}

void TfrmPassword::closeEvent(QCloseEvent *event)
{
    // The main window: closing it ends the program.
    event->accept();
    QApplication::quit();
}
