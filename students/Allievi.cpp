#include "students/Allievi.h"

#include "shell/Dialogs.h"
#include "shell/FormatSettings.h"
#include "shell/OpenURL.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/TextField.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

using namespace ScreenKit;

namespace {

const QColor kTop = argb(0xFF427AA8);
const QColor kBody = argb(0xFFC8D6E3);
const QColor kStatusBar = argb(0xFF3030DD);
const QColor kLightBlue = argb(0xFF8CB6D8);

constexpr Qt::Alignment kCentred = Qt::AlignHCenter | Qt::AlignVCenter;
constexpr TypingFilter kUpper = TypingFilter::UpperCase;
constexpr TypingFilter kNone = TypingFilter::None;

#define FIELD VOLANTIX_EDITOR_FIELD

#define BOX(NAME, X, Y, W, H, COLOUR) \
    {.name = NAME, .kind = ControlKind::Box, .geometry = {X, Y, W, H}, .fill = COLOUR}

#define TOOL(NAME, X, Y, W, H) RecordEditor::tool(NAME, {X, Y, W, H})

#define PICTURE(NAME, X, Y, W, H, PICTURE, KEEPS)                                                                       \
    {.name = NAME, .kind = ControlKind::Picture, .geometry = {X, Y, W, H}, .picture = QStringLiteral(PICTURE),          \
     .keepsHint = KEEPS}

#define HIDDEN(NAME) {.name = NAME, .kind = ControlKind::Label, .geometry = {0, 0, 10, 10}, .visible = false}

const ControlDef kControls[] = {
    {.name = "shpCornice", .kind = ControlKind::Box, .geometry = {8, 8, 978, 675}, .fill = kTop, .fillBottom = Qt::white},
    BOX("shpGruppo01", 16, 16, 226, 57, Qt::white),
    BOX("shpGruppo02", 247, 16, 289, 57, Qt::white),
    BOX("shpGruppo03", 541, 16, 284, 57, Qt::white),
    BOX("shpGruppo04", 830, 16, 50, 57, Qt::white),
    BOX("shpGruppo05", 885, 16, 93, 57, Qt::white),
    BOX("shpCorpo", 16, 80, 962, 554, kBody),
    BOX("shpSezione01", 24, 120, 946, 110, Qt::white),
    BOX("shpSezione02", 24, 272, 946, 158, Qt::white),
    BOX("shpSezione03", 24, 438, 946, 188, Qt::white),
    {.name = "shpBarraStato", .kind = ControlKind::Box, .geometry = {16, 642, 962, 32}, .fill = kStatusBar},
    BOX("shpLezioni", 770, 542, 190, 40, kLightBlue),
    BOX("shpRicontatta", 810, 588, 150, 28, kLightBlue),

    PICTURE("icoCorso", 24, 88, 946, 25, ":/allievi/corso.svg", false),
    PICTURE("icoAnagrafici", 24, 240, 946, 25, ":/allievi/anagrafici.svg", false),
    PICTURE("icoVeicolo", 32, 137, 120, 79, ":/allievi/veicolo.svg", false),
    PICTURE("icoTelefono", 34, 452, 32, 32, ":/allievi/telefono.svg", true),
    PICTURE("icoPrescrizioni", 710, 502, 69, 34, ":/editor/occhiali.svg", false),
    PICTURE("icoSpunta", 770, 587, 32, 28, ":/allievi/spunta.svg", true),

    FIELD("CodiceCor", "Codice corso:", 30, 160, 148, 180, {}, kNone, "txtTipologiaCor"),
    FIELD("TipologiaCor", "Tipologia corso:", 50, 348, 148, 276, {}, kNone, "txtNumIsc"),
    FIELD("NumIsc", "Numero iscrizione allievo:", 30, 632, 148, 202, {}, kNone, "txtDataIsc"),
    FIELD("DataIsc", "Data iscrizione:", 10, 842, 148, 118, kCentred, kNone, "txtFoglio"),
    FIELD("Foglio", "Estremi foglio rosa:", 50, 160, 196, 304, {}, kNone, "txtResponsabile"),
    FIELD("Responsabile", "Responsabile didattico:", 50, 472, 196, 236, {}, kNone, "txtDataInizio"),
    FIELD("DataInizio", "Data inizio:", 10, 716, 196, 118, kCentred, kNone, "txtDataTermine"),
    FIELD("DataTermine", "Data termine:", 10, 842, 196, 118, kCentred, kNone, "txtCognome"),
    FIELD("Cognome", "Cognome:", 50, 34, 300, 168, {}, kNone, "txtNome"),
    FIELD("Nome", "Nome:", 50, 210, 300, 168, {}, kNone, "txtSesso"),
    FIELD("Sesso", "Sesso:", 1, 386, 300, 46, kCentred, kUpper, "txtDataNascPro"),
    FIELD("DataNascPro", "Data di nascita:", 10, 440, 300, 112, kCentred, kNone, "txtLuogoNascPro"),
    FIELD("LuogoNascPro", "Comune di nascita:", 50, 560, 300, 170, {}, kNone, "txtProvNascPro"),
    FIELD("ProvNascPro", "Prov.", 2, 738, 300, 40, kCentred, kUpper, "txtCodFiscPro"),
    FIELD("CodFiscPro", "Codice fiscale:", 16, 786, 300, 148, {}, kUpper, "txtStatoNascPro"),
    FIELD("StatoNascPro", "Stato di nascita:", 30, 34, 348, 124, {}, kNone, "txtComuneResPro"),
    FIELD("ComuneResPro", "Comune di residenza:", 50, 166, 348, 170, {}, kNone, "txtProvResPro"),
    FIELD("ProvResPro", "Prov.", 2, 344, 348, 40, kCentred, kUpper, "txtCapResPro"),
    FIELD("CapResPro", "CAP:", 5, 392, 348, 90, kCentred, kNone, "txtViaPro"),
    FIELD("ViaPro", "Via:", 120, 490, 348, 240, {}, kNone, "txtNumPro"),
    FIELD("NumPro", "N.", 10, 738, 348, 40, {}, kNone, "txtCittadinanzaPro"),
    FIELD("CittadinanzaPro", "Cittadinanza:", 50, 786, 348, 174, {}, kNone, "txtTipoDocPro"),
    FIELD("TipoDocPro", "Tipo documento:", 50, 34, 396, 206, {}, kNone, "txtNumDocPro"),
    FIELD("NumDocPro", "Numero:", 30, 248, 396, 234, {}, kNone, "txtEnteRilPro"),
    FIELD("EnteRilPro", "Ente rilascio:", 50, 490, 396, 218, {}, kNone, "txtDataRilPro"),
    FIELD("DataRilPro", "Data rilascio:", 10, 716, 396, 118, kCentred, kNone, "txtDataScaPro"),
    FIELD("DataScaPro", "Data scadenza:", 10, 842, 396, 118, kCentred, kNone, "txtTelCasa"),
    FIELD("TelCasa", "Tel. casa:", 30, 78, 465, 150, {}, kNone, "txtTelUff"),
    FIELD("TelUff", "Tel. ufficio:", 30, 236, 465, 150, {}, kNone, "txtTelCel"),
    FIELD("TelCel", "Tel. cellulare:", 30, 394, 465, 150, {}, kNone, "txtPreferenziale"),
    FIELD("Preferenziale", "Tel. preferenziale:", 30, 552, 465, 150, {}, kNone, "txtEmail"),
    FIELD("Email", "E-mail:", 50, 710, 465, 224, {}, TypingFilter::Trim, "txtCatPat"),
    FIELD("CatPat", "Categoria patente:", 30, 34, 513, 140, kCentred, kNone, "txtNumPat"),
    FIELD("NumPat", "Numero:", 50, 182, 513, 204, {}, kNone, "txtRilPat"),
    FIELD("RilPat", "Data rilascio:", 10, 394, 513, 150, kCentred, kNone, "txtScaPat"),
    FIELD("ScaPat", "Data scadenza:", 10, 552, 513, 150, kCentred, kNone, "txtPrescrizioni"),
    FIELD("Prescrizioni", "Prescrizioni tecniche:", 10, 784, 513, 138, kCentred, kUpper, "txtDataTeo"),
    FIELD("DataTeo", "Data esame di teoria:", 10, 34, 561, 140, kCentred, kNone, "txtEsitoTeo"),
    FIELD("EsitoTeo", "Esito esame di teoria:", 120, 182, 561, 204, {}, kNone, "txtDataGuida"),
    FIELD("DataGuida", "Data esame di guida:", 10, 394, 561, 150, kCentred, kNone, "txtEsitoGuida"),
    FIELD("EsitoGuida", "Esito esame di guida:", 120, 552, 561, 204, {}, kNone, "txtNote"),
    {.name = "titNote", .kind = ControlKind::Label, .geometry = {34, 597, 0, 0}, .caption = QStringLiteral("Note:"),
     .font = RecordEditor::captionFont(), .textColour = RecordEditor::captionColour()},
    {.name = "txtNote", .kind = ControlKind::TextField, .geometry = {74, 593, 682, 22}, .font = RecordEditor::fieldFont(),
     .maxLength = 250, .focus = FocusStyle::Background, .next = "txtCodiceCor"},
    {.name = "chkRicontatta", .kind = ControlKind::CheckBox, .geometry = {818, 590, 139, 25},
     .caption = QStringLiteral("Corso terminato"),
     .hint = QStringLiteral("Spunta questa casella per annotare che l'allievo ha terminato il corso."),
     .font = {"Verdana", 11, true}},
    {.name = "btnLezioniGuida", .kind = ControlKind::Button, .geometry = {776, 548, 178, 28},
     .caption = QStringLiteral("LEZIONI DI GUIDA"),
     .hint = QStringLiteral("Registra le esercitazioni di guida effettuate dall'allievo."), .font = {"Verdana", 11, true}},

    TOOL("cmdNuovo", 20, 26, 37, 39),
    TOOL("cmdSalva", 57, 26, 37, 39),
    TOOL("cmdTrova", 94, 26, 37, 39),
    TOOL("cmdFrequentatoriOra", 129, 26, 37, 39),
    TOOL("cmdScadenze", 165, 26, 37, 39),
    TOOL("cmdOreGuida", 201, 26, 37, 39),
    TOOL("cmdFile", 251, 28, 140, 32),
    TOOL("cmdStampa", 393, 28, 138, 32),
    TOOL("cmdPrimo", 550, 26, 37, 39),
    TOOL("cmdIndietro", 592, 26, 37, 39),
    TOOL("cmdAvanti", 738, 26, 37, 39),
    TOOL("cmdUltimo", 780, 26, 37, 39),
    TOOL("cmdEsporta", 836, 26, 37, 39),
    TOOL("cmdGuida", 892, 26, 37, 39),
    TOOL("cmdEsci", 933, 26, 37, 39),
    TOOL("btnCodFiscPro", 938, 300, 22, 22),
    TOOL("btnCalcolaCodFisc", 938, 276, 22, 22),
    TOOL("btnEmail", 938, 465, 22, 22),
    TOOL("btnPrescrizioni", 928, 504, 30, 31),

    {.name = "lblPosizione", .kind = ControlKind::Label, .geometry = {628, 34, 108, 24}, .font = {"Verdana", 14, true},
     .alignment = kCentred},
    {.name = "panInfo", .kind = ControlKind::StatusLine, .geometry = {22, 650, 950, 18},
     .caption = QStringLiteral("Pronto per archiviare una nuova scheda..."), .font = {"Tahoma", 12}, .textColour = Qt::white},
    HIDDEN("lblFile01"), HIDDEN("lblFile02"), HIDDEN("lblFile03"),
    HIDDEN("lblDesc01"), HIDDEN("lblDesc02"), HIDDEN("lblDesc03"),
};

#undef FIELD
#undef BOX
#undef TOOL
#undef PICTURE
#undef HIDDEN

const RecordEditor::MandatoryField kMandatory[] = {
    {"txtCodiceCor", QStringLiteral("Attenzione: per salvare la scheda \u00E8 necessario indicare il codice identificativo del corso.")},
    {"txtTipologiaCor", QStringLiteral("Attenzione: per salvare la scheda \u00E8 necessario indicare la tipologia di corso.")},
    {"txtCognome", QStringLiteral("Attenzione: per salvare la scheda \u00E8 necessario indicare il cognome dell'allievo.")},
    {"txtNome", QStringLiteral("Attenzione: per salvare la scheda \u00E8 necessario indicare il nome dell'allievo.")},
};

// The dates of the record, in screen order, as the warnings before saving name them.
const RecordEditor::DateField kDates[] = {
    {"txtDataIsc", "data di iscrizione"},
    {"txtDataInizio", "data di inizio del corso"},
    {"txtDataTermine", "data di termine del corso"},
    {"txtDataNascPro", "data di nascita"},
    {"txtDataRilPro", "data di rilascio del documento"},
    {"txtDataScaPro", "data di scadenza del documento"},
    {"txtRilPat", "data di rilascio della patente"},
    {"txtScaPat", "data di scadenza della patente"},
    {"txtDataTeo", "data dell'esame di teoria"},
    {"txtDataGuida", "data dell'esame di guida"},
};

const RecordEditor::MandatoryField kLessonChecks[] = {
    {"txtCodiceCor", QStringLiteral("Attenzione: per accedere alla gestione delle lezioni di guida \u00E8 necessario indicare il codice identificativo del corso.")},
    {"txtCognome", QStringLiteral("Attenzione: per accedere alla gestione delle lezioni di guida \u00E8 necessario indicare cognome dell'allievo.")},
    {"txtNome", QStringLiteral("Attenzione: per accedere alla gestione delle lezioni di guida \u00E8 necessario indicare nome dell'allievo.")},
};

} // namespace

TfrmAllievi::TfrmAllievi(QWidget *parent)
    : RecordEditor(parent, QStringLiteral(" Volantix - Anagrafica Allievi"), kTop, QSize(996, 692),
                   {QString::fromLatin1(StudentRecord::FileName), &StudentRecord::layout(),
                    &screenRecordBuffer<TfrmAllievi>(StudentRecord::layout()), kMandatory, {}, kDates,
                    "txtCodFiscPro", "il codice fiscale"})
{
    setObjectName(QStringLiteral("frmAllievi"));
    buildControls(kControls);
    connectToolbar();
    connectPictureButtons<TfrmAllievi>({
        {"cmdFrequentatoriOra", &TfrmAllievi::frequentatoriRequested},
        {"cmdScadenze", &TfrmAllievi::scadenzeRequested},
        {"cmdOreGuida", &TfrmAllievi::oreGuidaRequested},
        {"btnEmail", &TfrmAllievi::btnEmailClick},
    });
    connect(control<QPushButton>("btnLezioniGuida"), &QPushButton::clicked, this, &TfrmAllievi::btnLezioniGuidaClick);
    FormCreate();
    markUnchanged();
}

void TfrmAllievi::FormCreate()
{
    FormatSettings::apply();
}

void TfrmAllievi::ClearStudentScreen()
{
    clearBoundControls();
    control<QLineEdit>("txtCodiceCor")->setFocus(Qt::OtherFocusReason);
    markUnchanged();
}

bool TfrmAllievi::LoadStudentScreen(const RecordBuffer &record, qint64 position)
{
    return loadRecord(record, position);
}

void TfrmAllievi::StoreStudentScreen()
{
    storeScreenIntoRecord(recordBuffer());
}

void TfrmAllievi::showEvent(QShowEvent *event)
{
    RecordEditor::showEvent(event);
    if (!event->spontaneous())
        ClearStudentScreen();
}

void TfrmAllievi::btnEmailClick()
{
    const QString address = TextField::trimmedString(control<QLineEdit>("txtEmail")->text());
    TMisc::Open(QStringLiteral("\"mailto:") + address + QStringLiteral("\""));
}

void TfrmAllievi::btnLezioniGuidaClick()
{
    if (TextField::trimmed(lblPosizione->text()).isEmpty()) {
        Dialogs::warning(QStringLiteral("Attenzione: la registrazione delle lezioni di guida pu\u00F2 avvenire soltanto dopo "
                                        "che la scheda dell'allievo \u00E8 stata salvata in archivio."));
        return;
    }
    for (const MandatoryField &check : kLessonChecks) {
        auto *field = control<QLineEdit>(check.control);
        if (TextField::trimmed(field->text()).isEmpty()) {
            Dialogs::warning(check.warning);
            field->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    emit lezioniRequested();
}
