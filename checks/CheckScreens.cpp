#include "checks/CheckScreens.h"

#include "checks/TaxCode.h"
#include "checks/TaxCodeAssist.h"
#include "checks/TaxCodeData.h"
#include "shell/Clock.h"
#include "checks/VatNumber.h"
#include "shell/Dialogs.h"
#include "shell/FormatSettings.h"
#include "storage/TextField.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

using namespace ScreenKit;

namespace {

ControlDef fieldControl(const char *name, int maxLength)
{
    return {.name = name, .kind = ControlKind::TextField, .geometry = {26, 128, 233, 28}, .font = {"Courier New", 20, true},
            .maxLength = maxLength};
}

std::vector<ControlDef> controls(const QString &banner, const QString &instruction, QColor boxTop, bool whiteFrame,
                                  const ControlDef &field)
{
    return {
        {.name = "shpContainer", .kind = ControlKind::Box, .geometry = {8, 8, 437, 169}, .fill = argb(0xFFF3F1F1)},
        {.name = "imgLogo", .kind = ControlKind::Picture, .geometry = {16, 16, 421, 73}, .picture = banner},
        {.name = "lblTitolo", .kind = ControlKind::Label, .geometry = {16, 98, 0, 0}, .caption = instruction, .font = {"Arial", 12}},
        {.name = "shpCodFisc", .kind = ControlKind::Box, .geometry = {16, 118, 421, 50}, .fill = boxTop, .fillBottom = Qt::white,
         .frame = whiteFrame ? QColor(Qt::white) : QColor()},
        field,
        {.name = "btnControlla", .kind = ControlKind::Button, .geometry = {268, 128, 160, 28}, .caption = QStringLiteral("Controlla")},
        {.name = "btnChiudi", .kind = ControlKind::Button, .geometry = {170, 184, 116, 28}, .caption = QStringLiteral("Chiudi")},
    };
}

bool onlyDigits(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; });
}

} // namespace

TfrmCodFisc::TfrmCodFisc(QWidget *parent)
    : Screen(parent, QStringLiteral(" Controllo codice fiscale"), QSize(478, 254), QSize(453, 222), argb(0xFF206320))
{
    setObjectName(QStringLiteral("frmCodFisc"));
    makeFixedDialog();
    buildWhenNeeded([this] {
        ControlDef field = fieldControl("txtCodFisc", 16);
        field.filter = TypingFilter::UpperCase;
        field.next = "btnControlla";
        std::vector<ControlDef> table = controls(QStringLiteral(":/info/codfisc_banner.svg"),
                                                 QStringLiteral("Immettere il codice fiscale e premere il pulsante di controllo."),
                                                 QColor(0x19, 0x19, 0x70), false, field);
        // What a valid code says of its holder, under the field.
        table.push_back({.name = "lblDatiCodFisc", .kind = ControlKind::Label, .geometry = {26, 157, 400, 12},
                         .font = {"Arial", 10, true}, .textColour = argb(0xFF206320)});
        buildControls(table);
        QLabel *decoded = nullptr;
        capture({{"txtCodFisc", &txtCodFisc}, {"lblDatiCodFisc", &decoded}});
        // Green for a valid code; a code whose birth place is no place on the birth
        // date gets a warning line in red instead.
        const QPalette valid = decoded->palette();
        QPalette warning = valid;
        warning.setColor(QPalette::WindowText, QColor(0xB2, 0x22, 0x22));
        connect(txtCodFisc, &QLineEdit::textChanged, decoded, [decoded, valid, warning](const QString &code) {
            bool placeWarning = false;
            decoded->setText(TaxCodeAssist::describe(code, Clock::now().date(), &placeWarning));
            decoded->setPalette(placeWarning ? warning : valid);
            decoded->setProperty("warning", placeWarning);
        });
        connect(control<QPushButton>("btnControlla"), &QPushButton::clicked, this, &TfrmCodFisc::btnControllaClick);
        connect(control<QPushButton>("btnChiudi"), &QPushButton::clicked, this, &QDialog::reject);
    });
    FormatSettings::apply();
}

void TfrmCodFisc::setCode(const QString &code)
{
    txtCodFisc->setText(code);
}

void TfrmCodFisc::showEvent(QShowEvent *event)
{
    Screen::showEvent(event);
    txtCodFisc->setFocus(Qt::OtherFocusReason);
}

void TfrmCodFisc::btnControllaClick()
{
    const QString code = TextField::upperAZ(txtCodFisc->text());
    const QDate today = Clock::now().date();
    const TaxCodeCheck check = CheckTaxCodeText(code, today);
    // Eleven digits are a company's tax code or a provisional one, which the VAT
    // number check reads; any other length is no code.
    if (check.fault == TaxCodeFault::Number11 || code.size() != 16) {
        Dialogs::warning(check.fault == TaxCodeFault::Number11
                             ? QStringLiteral("Attenzione: un numero di 11 cifre \u00E8 il codice fiscale di una societ\u00E0 o un codice "
                                              "provvisorio, non quello di una persona: va controllato come partita IVA.")
                             : QStringLiteral("Attenzione: il codice fiscale deve essere composto da 16 caratteri alfanumerici."));
        txtCodFisc->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (check.fault != TaxCodeFault::None) {
        // The first fault in reading order: the structure before the check letter.
        Dialogs::warning(QStringLiteral("Attenzione: il codice fiscale digitato \u00E8 ERRATO: ") + TaxCodeFaultText(check));
    } else if (const QString problem = TaxCodePlaceProblem(*DecodeTaxCode(code, today)); !problem.isEmpty()) {
        Dialogs::warning(QStringLiteral("Attenzione: il carattere di controllo del codice fiscale digitato \u00E8 corretto, ma ")
                         + problem + u'.');
    } else {
        Dialogs::information(QStringLiteral("Il codice fiscale digitato \u00E8 VALIDO."));
    }
    accept();
}

TfrmPartitaIva::TfrmPartitaIva(QWidget *parent)
    : Screen(parent, QStringLiteral(" Controllo partita IVA"), QSize(480, 254), QSize(453, 222), argb(0xFF4682B4))
{
    setObjectName(QStringLiteral("frmPartitaIva"));
    makeFixedDialog();
    buildWhenNeeded([this] {
        buildControls(controls(QStringLiteral(":/info/piva_banner.svg"),
                               QStringLiteral("Immettere il numero di partita IVA e premere il pulsante di controllo."),
                               argb(0xFF4682B4), true, fieldControl("txtPartitaIva", 11)));
        capture({{"txtPartitaIva", &txtPartitaIva}});
        txtPartitaIva->installEventFilter(this);
        connect(control<QPushButton>("btnControlla"), &QPushButton::clicked, this, &TfrmPartitaIva::btnControllaClick);
        connect(control<QPushButton>("btnChiudi"), &QPushButton::clicked, this, &QDialog::reject);
    });
    FormatSettings::apply();
}

void TfrmPartitaIva::setNumber(const QString &number)
{
    txtPartitaIva->setText(number);
}

void TfrmPartitaIva::showEvent(QShowEvent *event)
{
    Screen::showEvent(event);
    txtPartitaIva->setFocus(Qt::OtherFocusReason);
}

bool TfrmPartitaIva::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtPartitaIva && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            control<QPushButton>("btnControlla")->setFocus(Qt::TabFocusReason);
            return true;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Escape: // closes the screen
            return false;
        default:
            // Only digits can be typed; every other key does nothing here.
            return !(key->text().size() == 1 && key->text()[0].unicode() >= u'0' && key->text()[0].unicode() <= u'9'
                     && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)));
        }
    }
    return Screen::eventFilter(watched, event);
}

void TfrmPartitaIva::btnControllaClick()
{
    const QString number = TextField::upperAZ(txtPartitaIva->text());
    if (number.size() != 11) {
        Dialogs::warning(QStringLiteral("Attenzione: la partita IVA deve essere composta da 11 caratteri numerici."));
        txtPartitaIva->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (IsValidVatNumber(number)) {
        const std::optional<QString> office = VatOfficeName(QStringView(number).sliced(7, 3));
        // An office code outside the table still gives a valid number; say so plainly.
        const QString second = office
            ? QString(QStringLiteral("\u00C8 stato rilasciato dall'Ufficio IVA del Comune di ") + *office + QLatin1Char('.'))
            : QString(QStringLiteral("Il codice dell'Ufficio IVA che lo ha rilasciato (") + number.mid(7, 3)
                      + QStringLiteral(") non \u00E8 presente nella tabella degli uffici conosciuti dal programma."));
        Dialogs::information(QStringLiteral("Il numero di partita IVA digitato risulta VALIDO.\r\n\r\n") + second);
    } else {
        Dialogs::warning(QStringLiteral("Attenzione: il numero di partita IVA digitato risulta ERRATO!\r\n\r\n"
                                        "Non \u00E8 quindi possibile fornire informazioni relative all'Ufficio IVA che lo ha rilasciato."));
    }
    accept();
}

CheckFor checkFor(const QString &fieldText)
{
    const QStringView text = TextField::trimmed(fieldText);
    if (text.isEmpty())
        return CheckFor::EmptyTaxCode;
    return onlyDigits(text) ? CheckFor::VatNumber : CheckFor::TaxCode;
}

void openCheckFor(QWidget *editor, const QString &fieldText)
{
    const QString text = TextField::trimmedString(fieldText);
    switch (checkFor(fieldText)) {
    case CheckFor::EmptyTaxCode:
        ScreenKit::openOnDemand<TfrmCodFisc>(editor);
        break;
    case CheckFor::VatNumber:
        ScreenKit::openOnDemand<TfrmPartitaIva>(editor, QString(), [&](TfrmPartitaIva &screen) { screen.setNumber(text); });
        break;
    case CheckFor::TaxCode:
        ScreenKit::openOnDemand<TfrmCodFisc>(editor, QString(), [&](TfrmCodFisc &screen) { screen.setCode(text); });
        break;
    }
}
