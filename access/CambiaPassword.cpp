#include "access/CambiaPassword.h"

#include "access/PasswordStore.h"
#include "shell/Dialogs.h"
#include "storage/ArchiveError.h"
#include "storage/TextField.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace ScreenKit;

namespace {

const QColor kSteelBlue = argb(0xFF4682B4);
const FontStyle kLabelFont{"Verdana", 12};
const FontStyle kFieldFont{"Verdana", 14, true};

const ControlDef kControls[] = {
    {.name = "shpSfondo", .kind = ControlKind::Box, .geometry = {8, 8, 369, 334}, .fill = kSteelBlue, .fillBottom = Qt::white, .frame = Qt::white},
    {.name = "imgLogo", .kind = ControlKind::Picture, .geometry = {16, 16, 353, 148}, .picture = QStringLiteral(":/access/cambia.svg")},
    {.name = "lblRigo05", .kind = ControlKind::Label, .geometry = {16, 172, 0, 0}, .caption = QStringLiteral("Vecchia password:"), .font = kLabelFont},
    {.name = "effPasswordOld", .kind = ControlKind::HighlightFrame, .geometry = {12, 189, 361, 30}},
    {.name = "txtPasswordOld", .kind = ControlKind::TextField, .geometry = {16, 193, 353, 22}, .font = kFieldFont, .focus = FocusStyle::Frame, .next = "txtPasswordNew", .masked = true},
    {.name = "lblRigo06", .kind = ControlKind::Label, .geometry = {16, 228, 0, 0}, .caption = QStringLiteral("Nuova password:"), .font = kLabelFont},
    {.name = "effPasswordNew", .kind = ControlKind::HighlightFrame, .geometry = {12, 245, 361, 30}},
    {.name = "txtPasswordNew", .kind = ControlKind::TextField, .geometry = {16, 249, 353, 22}, .font = kFieldFont, .focus = FocusStyle::Frame, .next = "txtConferma", .masked = true},
    {.name = "lblRigo07", .kind = ControlKind::Label, .geometry = {16, 284, 0, 0}, .caption = QStringLiteral("Conferma nuova password:"), .font = kLabelFont},
    {.name = "effConferma", .kind = ControlKind::HighlightFrame, .geometry = {12, 301, 361, 30}},
    {.name = "txtConferma", .kind = ControlKind::TextField, .geometry = {16, 305, 353, 22}, .font = kFieldFont, .focus = FocusStyle::Frame, .next = "txtPasswordOld", .masked = true},
    {.name = "cmdEsci", .kind = ControlKind::Button, .geometry = {8, 350, 146, 32}, .caption = QStringLiteral("Chiudi")},
    {.name = "cmdOK", .kind = ControlKind::Button, .geometry = {232, 350, 146, 32}, .caption = QStringLiteral("OK"), .enabled = false},
};

} // namespace

TfrmCambiaPassword::TfrmCambiaPassword(QWidget *parent)
    : Screen(parent, QStringLiteral(" Cambia password"), QSize(411, 418), QSize(385, 390), kSteelBlue)
{
    setObjectName(QStringLiteral("frmCambiaPassword"));
    buildControls(kControls);
    memoryLabel()->move(24, 24);
    makeFixedDialog();

    capture({{"txtPasswordOld", &txtPasswordOld},
             {"txtPasswordNew", &txtPasswordNew},
             {"txtConferma", &txtConferma},
             {"cmdOK", &cmdOK}});
    for (QLineEdit *field : {txtPasswordOld, txtPasswordNew, txtConferma})
        connect(field, &QLineEdit::textChanged, this, &TfrmCambiaPassword::fieldsChange);
    connect(cmdOK, &QPushButton::clicked, this, &TfrmCambiaPassword::cmdOKClick);
    // Enter in the last field confirms, as OK does once all three are filled.
    connect(txtConferma, &QLineEdit::returnPressed, this, [this] {
        if (cmdOK->isEnabled())
            cmdOK->click();
    });
    connect(control<QPushButton>("cmdEsci"), &QPushButton::clicked, this, &TfrmCambiaPassword::cmdEsciClick);
}

void TfrmCambiaPassword::showEvent(QShowEvent *event)
{
    txtPasswordOld->clear();
    txtPasswordNew->clear();
    txtConferma->clear();
    setMemory(QString());
    Screen::showEvent(event);
    txtPasswordOld->setFocus(Qt::OtherFocusReason);
}

void TfrmCambiaPassword::fieldsChange()
{
    const bool filled = !TextField::trimmed(txtPasswordOld->text()).isEmpty()
        && !TextField::trimmed(txtPasswordNew->text()).isEmpty()
        && !TextField::trimmed(txtConferma->text()).isEmpty();
    cmdOK->setEnabled(filled);
}

void TfrmCambiaPassword::cmdOKClick()
{
    const PasswordCheck::Change change = PasswordCheck::changePassword(
        PasswordStore::path(), txtPasswordOld->text(), txtPasswordNew->text(), txtConferma->text());
    setMemory(change.unscrambled);
    switch (change.result) {
    case PasswordCheck::ChangeResult::WrongOld:
        Dialogs::message(QStringLiteral("Attenzione: vecchia password errata."));
        txtPasswordOld->clear();
        txtPasswordOld->setFocus(Qt::OtherFocusReason);
        return;
    case PasswordCheck::ChangeResult::NotConfirmed:
        Dialogs::message(QStringLiteral("Attenzione: la nuova password non \u00E8 stata confermata correttamente. "
                                        "\u00C8 necessario reinserire entrambi i valori."));
        txtPasswordNew->clear();
        txtConferma->clear();
        txtPasswordNew->setFocus(Qt::OtherFocusReason);
        return;
    case PasswordCheck::ChangeResult::Unstorable:
        Dialogs::message(QStringLiteral("Attenzione: la nuova password non pu\u00F2 essere memorizzata. Utilizzare al "
                                        "massimo 255 caratteri, scegliendo tra lettere, cifre, lettere accentate e "
                                        "segni di punteggiatura comuni. \u00C8 necessario reinserire entrambi i valori."));
        txtPasswordNew->clear();
        txtConferma->clear();
        txtPasswordNew->setFocus(Qt::OtherFocusReason);
        return;
    case PasswordCheck::ChangeResult::Failed:
        Dialogs::message(withCause(QStringLiteral("Attenzione: si \u00E8 verificato un errore durante la procedura di modifica "
                                                  "della password. Si consiglia di reinstallare il software."),
                                   causeOfSystemError(change.systemError)));
        return;
    case PasswordCheck::ChangeResult::Damaged:
        Dialogs::message(PasswordCheck::damagedStoreMessage());
        return;
    case PasswordCheck::ChangeResult::Done:
        Dialogs::message(QStringLiteral("Modifica della password completata con successo."));
        close();
        return;
    }
}

void TfrmCambiaPassword::cmdEsciClick()
{
    close();
}

void TfrmCambiaPassword::closeEvent(QCloseEvent *event)
{
    event->accept();
    Screen::closeEvent(event);
    emit closed();
}
