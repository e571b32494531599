#include "students/AllegaCartella.h"

#include "shell/Dialogs.h"
#include "storage/ArchiveError.h"
#include "shell/OpenURL.h"
#include "storage/TextField.h"
#include "students/Attachments.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <vector>

using namespace ScreenKit;

namespace {

const char *const kSlotSuffix[] = {"01", "02", "03"};

QByteArray nameOf(const char *prefix, int slot)
{
    return QByteArray(prefix) + kSlotSuffix[slot - 1];
}

// The window's controls: the banner, then three alike slots, then the two buttons.
std::vector<ControlDef> controls()
{
    static std::vector<QByteArray> names; // keeps the generated names alive
    names.clear();
    names.reserve(40);
    auto keep = [](const QByteArray &name) {
        names.push_back(name);
        return names.back().constData();
    };
    const FontStyle label{"Verdana", 12};
    std::vector<ControlDef> table = {
        {.name = "shpSfondo", .kind = ControlKind::Box, .geometry = {8, 8, 593, 433}, .fill = Qt::white},
        {.name = "imgLogo", .kind = ControlKind::Picture, .geometry = {20, 20, 543, 49}, .picture = QStringLiteral(":/lists/allega_banner.svg")},
    };
    for (int slot = 1; slot <= 3; ++slot) {
        const int y0 = 80 + 120 * (slot - 1);
        const QString ordinal = QString::number(slot) + QStringLiteral("\u00B0");
        table.push_back({.name = keep(nameOf("shpSlot", slot)), .kind = ControlKind::Box, .geometry = {16, y0, 577, 113},
                         .fill = argb(0xFFA8CAE5), .fillBottom = Qt::white});
        table.push_back({.name = keep(nameOf("titFile", slot)), .kind = ControlKind::Label, .geometry = {28, y0 + 10, 0, 0},
                         .caption = QStringLiteral("Nome ") + ordinal + QStringLiteral(" file allegato:"), .font = label});
        table.push_back({.name = keep(nameOf("txtFile", slot)), .kind = ControlKind::TextField, .geometry = {28, y0 + 28, 338, 22},
                         .font = {"Verdana", 12, true}, .readOnly = true});
        table.push_back({.name = keep(nameOf("imgCancella", slot)), .kind = ControlKind::PictureButton,
                         .geometry = {370, y0 + 28, 22, 22}, .picture = QStringLiteral(":/lists/gomma.svg")});
        table.push_back({.name = keep(nameOf("btnSfoglia", slot)), .kind = ControlKind::Button, .geometry = {400, y0 + 24, 86, 28},
                         .caption = QStringLiteral("Sfoglia...")});
        table.push_back({.name = keep(nameOf("btnApri", slot)), .kind = ControlKind::Button, .geometry = {494, y0 + 24, 86, 28},
                         .caption = QStringLiteral("Apri"), .enabled = false});
        table.push_back({.name = keep(nameOf("titDesc", slot)), .kind = ControlKind::Label, .geometry = {28, y0 + 60, 0, 0},
                         .caption = QStringLiteral("Descrizione ") + ordinal + QStringLiteral(" file allegato:"), .font = label});
        table.push_back({.name = keep(nameOf("txtDesc", slot)), .kind = ControlKind::TextField, .geometry = {28, y0 + 78, 552, 22},
                         .font = {"Verdana", 12, true}});
    }
    table.push_back({.name = "btnApplica", .kind = ControlKind::Button, .geometry = {447, 456, 154, 32},
                     .caption = QStringLiteral("Applica e chiudi")});
    table.push_back({.name = "btnAnnulla", .kind = ControlKind::Button, .geometry = {312, 456, 126, 32},
                     .caption = QStringLiteral("Annulla")});
    // What happened to the name of the file just attached.
    table.push_back({.name = "panInfo", .kind = ControlKind::StatusLine, .geometry = {8, 446, 296, 54}, .font = {"Tahoma", 11},
                     .alignment = Qt::AlignLeft | Qt::AlignVCenter, .wordWrap = true});
    return table;
}

const char *const kLabels[] = {"lblFile01", "lblDesc01", "lblFile02", "lblDesc02", "lblFile03", "lblDesc03"};

} // namespace

TfrmAllegaCartella::TfrmAllegaCartella(QWidget *parent)
    : Screen(parent, QStringLiteral(" Allega file"), QSize(634, 534), QSize(609, 503), argb(0xFFEBE9E9))
{
    setObjectName(QStringLiteral("frmAllegaCartella"));
    makeFixedDialog();
    buildWhenNeeded([this] {
        const std::vector<ControlDef> table = controls();
        buildControls(table);
        memoryLabel()->move(9, 453);
        for (int slot = 1; slot <= 3; ++slot) {
            connect(control<QPushButton>(nameOf("btnSfoglia", slot).constData()), &QPushButton::clicked, this,
                    [this, slot] { btnSfogliaClick(slot); });
            connect(openButton(slot), &QPushButton::clicked, this, [this, slot] { btnApriClick(slot); });
            connect(control<Picture>(nameOf("imgCancella", slot).constData()), &Picture::clicked, this,
                    [this, slot] { imgCancellaClick(slot); });
            // Apri is enabled while the slot names a file.
            connect(fileField(slot), &QLineEdit::textChanged, this, [this, slot](const QString &text) {
                openButton(slot)->setEnabled(!TextField::trimmed(text).isEmpty());
            });
        }
        connect(control<QPushButton>("btnApplica"), &QPushButton::clicked, this, &TfrmAllegaCartella::btnApplicaClick);
        connect(control<QPushButton>("btnAnnulla"), &QPushButton::clicked, this, &TfrmAllegaCartella::btnAnnullaClick);
    });
}

QLineEdit *TfrmAllegaCartella::fileField(int slot) const
{
    return control<QLineEdit>(nameOf("txtFile", slot).constData());
}

QLineEdit *TfrmAllegaCartella::descField(int slot) const
{
    return control<QLineEdit>(nameOf("txtDesc", slot).constData());
}

QPushButton *TfrmAllegaCartella::openButton(int slot) const
{
    return control<QPushButton>(nameOf("btnApri", slot).constData());
}

void TfrmAllegaCartella::fillFrom(const QWidget &caller)
{
    QLineEdit *fields[] = {fileField(1), descField(1), fileField(2), descField(2), fileField(3), descField(3)};
    for (std::size_t i = 0; i < std::size(kLabels); ++i) {
        if (const auto *label = caller.findChild<QLabel *>(QLatin1String(kLabels[i])))
            fields[i]->setText(TextField::trimmedString(label->text()));
    }
}

void TfrmAllegaCartella::btnSfogliaClick(int slot)
{
    const QString chosen = Dialogs::openFileName(QStringLiteral("Selezionare il file da allegare:"),
                                                 QStringLiteral("Tutti i file (*.*)"));
    if (chosen.isEmpty())
        return;
    const QString linked = TextField::trimmedString(fileField(slot)->text());
    // The slot shows the name the record will keep, which is the stored file's name.
    const QString name = Attachments::storedName(chosen);
    QStringList said;
    switch (Attachments::storedNameChange(chosen)) {
    case Attachments::NameChange::None:
        break;
    case Attachments::NameChange::Characters:
        said << QStringLiteral("Il nome del file conteneva caratteri non ammessi, sostituiti da \"_\".");
        break;
    case Attachments::NameChange::Length:
        said << QStringLiteral("Il nome del file era troppo lungo ed \u00E8 stato accorciato.");
        break;
    }
    statusLine()->clear();
    const auto tell = [this, &said](const QString &attachedAs) {
        if (!said.isEmpty())
            statusLine()->setText(said.join(u' ') + QStringLiteral(" Il file \u00E8 allegato come \"") + attachedAs
                                  + QStringLiteral("\"."));
    };
    fileField(slot)->setText(name);
    // The slot keeps the new name whatever happens next; a copy that fails is said.
    const QString notCopied = QStringLiteral("Attenzione: non \u00E8 stato possibile copiare il file nella cartella dei documenti "
                                             "allegati.\r\n\r\nAccertarsi di possedere i privilegi di scrittura nella cartella di "
                                             "installazione del programma.");
    if (!Attachments::ensureFolder()) {
        Dialogs::warning(notCopied);
        return;
    }
    if (Attachments::isStoredFile(chosen)) {
        tell(name);
        return; // the file chosen is the stored one itself: nothing to copy
    }
    QString target = name;
    if (QFileInfo::exists(Attachments::storedPath(name))) {
        if (Attachments::sameContent(chosen, name)) {
            // The very document is stored already (attached to another record, say).
            said << QStringLiteral("Il file era gi\u00E0 presente nella cartella dei documenti allegati.");
            tell(name);
            return;
        }
        if (Attachments::sameStoredFile(linked, name)) {
            // The file this slot links: the user may replace it.
            if (!Dialogs::confirm(QStringLiteral("Attenzione: nella cartella dei documenti allegati \u00E8 presente un file con lo "
                                                 "stesso nome.\r\n\r\nSi vuole sovrascrivere il file esistente?")))
                return;
        } else {
            // Another record's file, or one no record links: never overwritten.
            target = Attachments::freeName(name, Attachments::linkedNames());
            said << QStringLiteral("Nella cartella dei documenti allegati \u00E8 gi\u00E0 presente un altro file \"") + name
                    + QStringLiteral("\".");
            fileField(slot)->setText(target);
        }
    }
    const bool created = !QFileInfo::exists(Attachments::storedPath(target));
    if (int error = 0; !Attachments::copyIn(chosen, target, &error)) {
        Dialogs::warning(withCause(notCopied, causeOfSystemError(error)));
        return;
    }
    if (created)
        m_copiedIn << target;
    tell(target);
}

void TfrmAllegaCartella::btnApriClick(int slot)
{
    const QString path = Attachments::storedPath(fileField(slot)->text());
    if (!path.isEmpty())
        TMisc::Open(QStringLiteral("\"") + path + QStringLiteral("\""));
}

void TfrmAllegaCartella::imgCancellaClick(int slot)
{
    fileField(slot)->clear();
}

void TfrmAllegaCartella::btnApplicaClick()
{
    const QString mode = TextField::trimmedString(memory());
    if (mode != QLatin1String("allievi") && mode != QLatin1String("modello"))
        return;
    QWidget *caller = parentWidget();
    if (caller == nullptr)
        return;
    const QLineEdit *fields[] = {fileField(1), descField(1), fileField(2), descField(2), fileField(3), descField(3)};
    for (std::size_t i = 0; i < std::size(kLabels); ++i) {
        if (auto *label = caller->findChild<QLabel *>(QLatin1String(kLabels[i])))
            label->setText(TextField::trimmedString(fields[i]->text()));
    }
    accept();
}

void TfrmAllegaCartella::btnAnnullaClick()
{
    reject();
}

void TfrmAllegaCartella::reject()
{
    // Nothing of this visit is kept: the files it copied in go, unless a saved
    // record links one of them meanwhile (another workstation, say).
    if (!m_copiedIn.isEmpty()) {
        bool complete = false;
        const QStringList linked = Attachments::linkedNames(&complete);
        for (const QString &name : std::as_const(m_copiedIn)) {
            const bool kept = !complete || std::any_of(linked.begin(), linked.end(), [&](const QString &link) {
                return Attachments::sameStoredFile(link, name);
            });
            if (!kept)
                QFile::remove(Attachments::storedPath(name));
        }
        m_copiedIn.clear();
    }
    Screen::reject();
}
