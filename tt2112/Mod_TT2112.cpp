#include "tt2112/Mod_TT2112.h"

#include "printing/TT2112Document.h"
#include "shell/Clock.h"
#include "shell/Dialogs.h"
#include "shell/FormatSettings.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "tt2112/SchoolDefaults.h"

#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>

using namespace ScreenKit;

namespace {

const QColor kTop = argb(0xFF427AA8);
const QColor kWorkArea = argb(0xFFC8D6E3);
const QColor kBand = argb(0xFFC9DCEC);
const QColor kStatusBar = argb(0xFF3030DD);
const FontStyle kCheckFont{"Verdana", 11, true};

constexpr Qt::Alignment kCentred = Qt::AlignHCenter | Qt::AlignVCenter;
constexpr TypingFilter kUpper = TypingFilter::UpperCase;

#define FIELD VOLANTIX_EDITOR_FIELD

// A category field on a request band: white at rest, caption drawn as a picture.
#define CATEGORY(NAME, X, Y, NEXT)                                                                                       \
    {.name = NAME, .kind = ControlKind::TextField, .geometry = {X, Y, 40, 22}, .font = RecordEditor::fieldFont(), .maxLength = 2,       \
     .alignment = kCentred, .filter = kUpper, .focus = FocusStyle::Background, .resting = Qt::white, .next = NEXT}

#define BOX(NAME, X, Y, W, H, COLOUR) \
    {.name = NAME, .kind = ControlKind::Box, .geometry = {X, Y, W, H}, .fill = COLOUR}

#define TOOL(NAME, X, Y, W, H) RecordEditor::tool(NAME, {X, Y, W, H})

#define PICTURE(NAME, X, Y, W, H, PICTURE) \
    {.name = NAME, .kind = ControlKind::Picture, .geometry = {X, Y, W, H}, .picture = QStringLiteral(PICTURE)}

#define CHECK(NAME, CAPTION, X, Y, W, HINT)                                                                              \
    {.name = NAME, .kind = ControlKind::CheckBox, .geometry = {X, Y, W, 25}, .caption = QStringLiteral(CAPTION),          \
     .hint = QStringLiteral(HINT), .font = kCheckFont}

#define HIDDEN(NAME) {.name = NAME, .kind = ControlKind::Label, .geometry = {0, 0, 10, 10}, .visible = false}

// Back to front; the focusable controls in their tab order.
const ControlDef kControls[] = {
    {.name = "shpCornice", .kind = ControlKind::Box, .geometry = {8, 8, 978, 675}, .fill = kTop, .fillBottom = Qt::white},
    BOX("shpGruppo01", 16, 16, 172, 57, Qt::white),
    BOX("shpGruppo02", 193, 16, 162, 57, Qt::white),
    BOX("shpGruppo03", 360, 16, 205, 57, Qt::white),
    BOX("shpGruppo04", 570, 16, 252, 57, Qt::white),
    BOX("shpGruppo05", 827, 16, 52, 57, Qt::white),
    BOX("shpGruppo06", 884, 16, 94, 57, Qt::white),
    BOX("shpArea", 16, 80, 962, 555, kWorkArea),
    BOX("shpIntestazione", 24, 88, 946, 54, Qt::white),
    BOX("shpCorpo", 24, 147, 946, 480, Qt::white),
    {.name = "shpBarraStato", .kind = ControlKind::Box, .geometry = {16, 642, 962, 32}, .fill = kStatusBar, .keepsHint = true},
    BOX("bkgTariffa01", 34, 256, 148, 34, kBand),
    BOX("bkgTariffa02", 188, 256, 148, 34, kBand),
    BOX("bkgRichiesta01", 34, 300, 927, 34, kBand),
    BOX("bkgRichiesta02", 34, 340, 927, 34, kBand),
    BOX("bkgRichiesta03", 34, 380, 927, 34, kBand),
    BOX("linSeparatore", 34, 568, 926, 4, kBand),

    {.name = "icoLogo", .kind = ControlKind::Picture, .geometry = {30, 94, 614, 42}, .picture = QStringLiteral(":/tt2112/titolo.svg"), .keepsHint = true},
    PICTURE("icoPrescrizioni", 712, 257, 69, 34, ":/editor/occhiali.svg"),
    PICTURE("icoRichiesta01", 72, 305, 440, 23, ":/tt2112/richiesta01.svg"),
    PICTURE("icoRichiesta02", 72, 345, 440, 23, ":/tt2112/richiesta02.svg"),
    PICTURE("icoRichiesta03", 72, 385, 440, 23, ":/tt2112/richiesta03.svg"),
    PICTURE("icoCategoria01", 732, 305, 170, 23, ":/tt2112/categoria.svg"),
    PICTURE("icoCategoria02", 732, 345, 170, 23, ":/tt2112/categoria.svg"),
    PICTURE("icoCategoria03", 732, 385, 170, 23, ":/tt2112/categoria.svg"),
    PICTURE("icoAvvertenze", 451, 424, 510, 134, ":/tt2112/avvertenze.svg"),

    FIELD("Codice", "Codice Autoscuola:", 30, 654, 113, 150, kCentred, TypingFilter::None, "txtUfficio"),
    FIELD("Ufficio", "Ufficio provinciale di", 50, 812, 113, 150, {}, TypingFilter::None, "txtCognome"),
    FIELD("Cognome", "Cognome:", 50, 34, 172, 168, {}, TypingFilter::None, "txtNome"),
    FIELD("Nome", "Nome:", 50, 210, 172, 168, {}, TypingFilter::None, "txtSesso"),
    FIELD("Sesso", "Sesso:", 1, 386, 172, 46, kCentred, kUpper, "txtDataNascPro"),
    FIELD("DataNascPro", "Data di nascita:", 10, 440, 172, 112, kCentred, TypingFilter::None, "txtLuogoNascPro"),
    FIELD("LuogoNascPro", "Comune di nascita:", 50, 560, 172, 170, {}, TypingFilter::None, "txtProvNascPro"),
    FIELD("ProvNascPro", "Prov.", 2, 738, 172, 40, kCentred, kUpper, "txtCodFiscPro"),
    FIELD("CodFiscPro", "Codice fiscale:", 16, 786, 172, 148, {}, kUpper, "txtStatoNascPro"),
    FIELD("StatoNascPro", "Stato di nascita:", 30, 34, 220, 124, {}, TypingFilter::None, "txtComuneResPro"),
    FIELD("ComuneResPro", "Comune di residenza:", 50, 166, 220, 170, {}, TypingFilter::None, "txtProvResPro"),
    FIELD("ProvResPro", "Prov.", 2, 344, 220, 40, kCentred, kUpper, "txtCapResPro"),
    FIELD("CapResPro", "CAP:", 5, 392, 220, 90, kCentred, TypingFilter::None, "txtViaPro"),
    FIELD("ViaPro", "Via:", 120, 490, 220, 240, {}, TypingFilter::None, "txtNumPro"),
    FIELD("NumPro", "N.", 10, 738, 220, 40, {}, TypingFilter::None, "txtCittadinanzaPro"),
    FIELD("CittadinanzaPro", "Cittadinanza:", 50, 786, 220, 174, {}, TypingFilter::None, "txtPreGuida"),
    CHECK("chkTariffa01", "Tariffa 1 (N)", 40, 261, 139,
          "Spunta questa casella per annotare che la tariffa applicata \u00E8 quella per richieste di tipo N (con esame)."),
    CHECK("chkTariffa02", "Tariffa 2 (altro)", 194, 261, 139,
          "Spunta questa casella per annotare che la tariffa applicata \u00E8 quella per richieste di tipo diverso da N (senza esame)."),
    FIELD("PreGuida", "Eventuali prescrizioni da osservare durante la guida:", 250, 344, 268, 361, {}, TypingFilter::None, "txtPrescrizioni"),
    FIELD("Prescrizioni", "Prescrizioni tecniche:", 10, 786, 268, 138, kCentred, kUpper, "txtConsegui"),
    CHECK("chkConseguimento", "", 40, 305, 26,
          "Spunta questa casella per annotare che il presente modulo \u00E8 usato per la richiesta di conseguimento della patente di guida."),
    CATEGORY("txtConsegui", 522, 306, "txtPossedutaCon"),
    CATEGORY("txtPossedutaCon", 914, 306, "txtDuplica"),
    CHECK("chkDuplicato", "", 40, 345, 26,
          "Spunta questa casella per annotare che il presente modulo \u00E8 usato per la richiesta del duplicato o della conversione della patente di guida."),
    CATEGORY("txtDuplica", 522, 346, "txtPossedutaDup"),
    CATEGORY("txtPossedutaDup", 914, 346, "txtRiclassifica"),
    CHECK("chkRiclassificazione", "", 40, 385, 26,
          "Spunta questa casella per annotare che il presente modulo \u00E8 usato per la richiesta di riclassificazione della patente di guida."),
    CATEGORY("txtRiclassifica", 522, 386, "txtPossedutaRic"),
    CATEGORY("txtPossedutaRic", 914, 386, "txtEstremiPat"),
    FIELD("EstremiPat", "Estremi patente posseduta:", 250, 34, 440, 400, {}, TypingFilter::None, "txtTarga"),
    FIELD("Targa", "Targa veicolo usato per esame:", 12, 34, 488, 210, kCentred, kUpper, "txtPotenza"),
    FIELD("Potenza", "Potenza del motore (kW):", 12, 254, 488, 180, kCentred, TypingFilter::None, "txtCambio"),
    FIELD("Cambio", "Cambio (automatico / manuale):", 30, 34, 536, 210, kCentred, TypingFilter::None, "txtCilindrata"),
    FIELD("Cilindrata", "Cilindrata (per motocicli:", 12, 254, 536, 180, kCentred, TypingFilter::None, "txtData"),
    FIELD("Data", "Data:", 10, 34, 594, 127, kCentred, TypingFilter::None, "txtNote"),
    FIELD("Note", "Note:", 250, 200, 594, 761, {}, TypingFilter::None, "txtCodice"),

    TOOL("cmdNuovo", 24, 26, 37, 39),
    TOOL("cmdImporta", 64, 26, 37, 39),
    TOOL("cmdSalva", 104, 26, 37, 39),
    TOOL("cmdTrova", 144, 26, 37, 39),
    TOOL("cmdFile", 200, 28, 148, 32),
    TOOL("cmdAnteprima", 367, 26, 37, 39),
    TOOL("cmdStampa", 410, 28, 148, 32),
    TOOL("cmdPrimo", 580, 26, 37, 39),
    TOOL("cmdIndietro", 622, 26, 37, 39),
    TOOL("cmdAvanti", 736, 26, 37, 39),
    TOOL("cmdUltimo", 778, 26, 37, 39),
    TOOL("cmdEsporta", 835, 26, 37, 39),
    TOOL("cmdGuida", 892, 26, 37, 39),
    TOOL("cmdEsci", 934, 26, 37, 39),
    TOOL("btnCodFiscPro", 938, 172, 22, 22),
    TOOL("btnCalcolaCodFisc", 938, 148, 22, 22),
    TOOL("btnPrescrizioni", 929, 259, 30, 31),
    {.name = "impData", .kind = ControlKind::DateButton, .geometry = {166, 594, 22, 22}, .picture = QStringLiteral(":/editor/data.svg"),
     .hint = QStringLiteral("Inserisci la data di oggi."), .fills = "txtData"},

    {.name = "lblPosizione", .kind = ControlKind::Label, .geometry = {657, 34, 78, 24}, .font = {"Verdana", 14, true},
     .alignment = kCentred},
    {.name = "panInfo", .kind = ControlKind::StatusLine, .geometry = {22, 650, 950, 18},
     .caption = QStringLiteral("Pronto per archiviare una nuova scheda..."), .font = {"Tahoma", 12}, .textColour = Qt::white},
    HIDDEN("lblFile01"), HIDDEN("lblFile02"), HIDDEN("lblFile03"),
    HIDDEN("lblDesc01"), HIDDEN("lblDesc02"), HIDDEN("lblDesc03"),
};

#undef FIELD
#undef CATEGORY
#undef BOX
#undef TOOL
#undef PICTURE
#undef CHECK
#undef HIDDEN

const RecordEditor::MandatoryField kMandatory[] = {
    {"txtCodice", QStringLiteral("Attenzione: per salvare la scheda \u00E8 necessario indicare il codice identificativo dell'autoscuola.")},
    {"txtUfficio", QStringLiteral("Attenzione: per salvare la scheda \u00E8 necessario indicare l'Ufficio provinciale.")},
    {"txtCognome", QStringLiteral("Attenzione: per salvare la scheda \u00E8 necessario indicare il cognome del richiedente.")},
    {"txtNome", QStringLiteral("Attenzione: per salvare la scheda \u00E8 necessario indicare il nome del richiedente.")},
    {"txtCodFiscPro", QStringLiteral("Attenzione: per salvare la scheda \u00E8 necessario indicare il codice fiscale del richiedente.")},
    {"txtData", QStringLiteral("Attenzione: per salvare la scheda \u00E8 necessario indicare la data della richiesta.")},
};

// The form's dates, as the warnings before saving name them.
const RecordEditor::DateField kDates[] = {
    {"txtDataNascPro", "data di nascita"},
    {"txtData", "data della richiesta"},
};

// The school fields keep the defaults or what the user typed from form to form.
const char *const kSchoolFields[] = {"txtCodice", "txtUfficio"};

} // namespace

TfrmMod_TT2112::TfrmMod_TT2112(QWidget *parent)
    : RecordEditor(parent, QStringLiteral(" Volantix - Gestione Modello TT 2112"), kTop, QSize(994, 692),
                   {QString::fromLatin1(TT2112Record::FileName), &TT2112Record::layout(),
                    &screenRecordBuffer<TfrmMod_TT2112>(TT2112Record::layout()), kMandatory, kSchoolFields, kDates})
{
    setObjectName(QStringLiteral("frmMod_TT2112"));
    buildControls(kControls);
    connectToolbar();
    connectPictureButtons<TfrmMod_TT2112>({
        {"cmdImporta", &TfrmMod_TT2112::importaRequested},
        {"cmdAnteprima", &TfrmMod_TT2112::anteprimaRequested},
    });
    FormCreate();
    markUnchanged();
}

void TfrmMod_TT2112::notePrintedFit(const Report::Document &document)
{
    static const QString kPrefix = QStringLiteral("Stampa: ridotti per stare nel riquadro: ");
    QStringList captions;
    for (const QString &field : TT2112Document::squeezedFields(document)) {
        // The caption above the field, as the screen shows it, without its colon.
        const auto *caption = findChild<QLabel *>(QStringLiteral("tit") + field.mid(3));
        QString text = caption != nullptr ? caption->text().trimmed() : field.mid(3);
        if (text.endsWith(QLatin1Char(':')))
            text.chop(1);
        captions << text;
    }
    QLabel *status = statusLine();
    if (!captions.isEmpty())
        status->setText(kPrefix + captions.join(QStringLiteral(", ")));
    else if (status->text().startsWith(kPrefix))
        status->clear(); // a warning of an earlier print no longer holds
}

void TfrmMod_TT2112::FormCreate()
{
    FormatSettings::apply();
}

void TfrmMod_TT2112::ClearTT2112Screen()
{
    // The school fields keep the defaults or what the user typed.
    clearBoundControls();
    control<QLineEdit>("txtData")->setText(Clock::todayText());
    control<QLineEdit>("txtCognome")->setFocus(Qt::OtherFocusReason);
    markUnchanged();
}

void TfrmMod_TT2112::LoadTT2112Screen(const RecordBuffer &record)
{
    loadRecordIntoScreen(record);
}

void TfrmMod_TT2112::StoreTT2112Screen()
{
    storeScreenIntoRecord(recordBuffer());
}

bool TfrmMod_TT2112::showArchivedForm(const RecordBuffer &record, qint64 position)
{
    return loadRecord(record, position);
}

void TfrmMod_TT2112::importStudent(const RecordBuffer &student)
{
    // The applicant's personal data; nothing else on the form changes, not even its position.
    static const char *const kImported[] = {
        "txtCognome", "txtNome", "txtSesso", "txtDataNascPro", "txtLuogoNascPro", "txtProvNascPro", "txtCodFiscPro",
        "txtStatoNascPro", "txtComuneResPro", "txtProvResPro", "txtCapResPro", "txtViaPro", "txtNumPro",
        "txtCittadinanzaPro", "txtPrescrizioni",
    };
    for (const char *name : kImported)
        control<QLineEdit>(name)->setText(student.text(student.layout().indexOf(name)));
}

void TfrmMod_TT2112::showEvent(QShowEvent *event)
{
    RecordEditor::showEvent(event);
    if (event->spontaneous())
        return; // restored from the task bar: not a new showing
    ClearTT2112Screen();
    readSchoolDefaults();
    markUnchanged(); // a new form, with the school's defaults
}

void TfrmMod_TT2112::readSchoolDefaults()
{
    // A settings file that cannot be read leaves the fields as they are.
    m_shownDefaults.reset();
    if (const std::optional<SchoolDefaults::Values> values = SchoolDefaults::read(SchoolDefaults::path())) {
        auto *code = control<QLineEdit>("txtCodice");
        auto *office = control<QLineEdit>("txtUfficio");
        code->setText(values->code);
        office->setText(values->office);
        m_shownDefaults = ShownDefaults{*values, code->text(), office->text()};
    }
}

void TfrmMod_TT2112::aboutToClose()
{
    // Only what changed since the showing goes back: a value the field could not
    // hold whole stays whole in the file, and an unchanged file is not rewritten.
    // A key the file lacks is written all the same, as on a first closing.
    const QString code = control<QLineEdit>("txtCodice")->text();
    const QString office = control<QLineEdit>("txtUfficio")->text();
    const std::optional<ShownDefaults> &shown = m_shownDefaults;
    const bool codeChanged = !shown || !shown->read.codeStored || code != shown->code;
    const bool officeChanged = !shown || !shown->read.officeStored || office != shown->office;
    IniFile::WriteFailure failure;
    const bool written = SchoolDefaults::writeChanged(SchoolDefaults::path(), codeChanged ? std::optional<QString>(code) : std::nullopt,
                                                      officeChanged ? std::optional<QString>(office) : std::nullopt, &failure);
    // The start screen comes back all the same; the user is told that the defaults
    // will have to be typed again.
    if (!written) {
        if (const QString text = SchoolDefaults::writeFailureWarning(failure, &m_unstorableTold); !text.isEmpty())
            Dialogs::warning(text);
    }
}
