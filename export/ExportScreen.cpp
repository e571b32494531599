#include "export/ExportScreen.h"

#include "shell/Dialogs.h"
#include "storage/ArchiveError.h"
#include "shell/OpenURL.h"
#include "storage/FileReplacement.h"
#include "storage/ProgramFolder.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTableView>

#include <limits>

using namespace ScreenKit;

namespace {

// Archives this large show a progress window while they load or are written.
constexpr qint64 kProgressFrom = 5000;

const ControlDef kControls[] = {
    {.name = "shpSfondo", .kind = ControlKind::Box, .geometry = {8, 8, 821, 65}, .fill = Qt::white},
    {.name = "imgLogo", .kind = ControlKind::Picture, .geometry = {13, 13, 505, 55}, .picture = QStringLiteral(":/info/esporta_banner.svg")},
    {.name = "icoHand", .kind = ControlKind::Picture, .geometry = {528, 32, 31, 25}, .picture = QStringLiteral(":/info/mano.svg")},
    {.name = "cmdEsporta", .kind = ControlKind::PictureButton, .geometry = {566, 15, 49, 50}, .picture = QStringLiteral(":/info/esporta.svg"),
     .hint = QStringLiteral("Esporta l'archivio in formato Microsoft Excel.")},
    {.name = "cmdGuida", .kind = ControlKind::PictureButton, .geometry = {670, 13, 50, 55}, .picture = QStringLiteral(":/info/guida.svg"),
     .hint = QStringLiteral("Visualizza la pagina della guida sensibile al contesto.")},
    {.name = "cmdEsci", .kind = ControlKind::PictureButton, .geometry = {766, 15, 40, 50}, .picture = QStringLiteral(":/info/esci.svg"),
     .hint = QStringLiteral("Esci da questo ambiente di lavoro."), .closes = true},
    {.name = "shpInfo", .kind = ControlKind::Box, .geometry = {8, 493, 821, 32}, .fill = argb(0xFF6A5ACD)},
    {.name = "panInfo", .kind = ControlKind::StatusLine, .geometry = {14, 499, 800, 20},
     .caption = QStringLiteral("Esportazione archivio in Microsoft Excel."), .font = {"Tahoma", 12}, .textColour = Qt::white},
};

// The grid's cell editor takes text of any length, which reaches the file whole.
class CellDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *field = qobject_cast<QLineEdit *>(editor))
            field->setMaxLength(std::numeric_limits<int>::max());
        return editor;
    }
};

} // namespace

ExportModel::ExportModel(const Export::Table &table, QObject *parent)
    : QAbstractTableModel(parent)
    , m_table(table)
{
}

bool ExportModel::reload(const QString &path, const std::function<bool(qint64, qint64)> &progress)
{
    beginResetModel();
    const bool whole = Export::load(path, m_table, m_rows, progress);
    endResetModel();
    return whole;
}

int ExportModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.count();
}

int ExportModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Export::kColumns;
}

QVariant ExportModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_rows.cell(index.row(), index.column()).toString();
}

bool ExportModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    m_rows.setCell(index.row(), index.column(), value.toString());
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant ExportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= Export::kColumns)
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_table.columns[static_cast<std::size_t>(section)].header;
}

Qt::ItemFlags ExportModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.isValid() && !m_table.columns[static_cast<std::size_t>(index.column())].readOnly)
        flags |= Qt::ItemIsEditable;
    return flags;
}

ExportScreen::ExportScreen(QWidget *parent, const Export::Table &table)
    : Screen(parent, table.caption, QSize(862, 560), QSize(837, 533), argb(0xFFEEEDED), argb(0xFFEEEDED))
    , m_table(table)
    , m_model(new ExportModel(table, this))
    , m_grid(new QTableView(panel()))
{
    makeFixedDialog();
    buildWhenNeeded([this] {
        buildControls(kControls);
        m_grid->setObjectName(QStringLiteral("grdRecords"));
        m_grid->setGeometry(8, 80, 821, 409);
        m_grid->setModel(m_model);
        m_grid->setItemDelegate(new CellDelegate(m_grid));
        m_grid->setAlternatingRowColors(true);
        m_grid->verticalHeader()->setDefaultSectionSize(21);
        m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        m_grid->verticalHeader()->hide();
        m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
        for (int c = 0; c < Export::kColumns; ++c)
            m_grid->setColumnWidth(c, m_table.columns[static_cast<std::size_t>(c)].gridWidth);
        // The grid and the info bar empty the info line, like the screen's background.
        for (QWidget *widget : {static_cast<QWidget *>(m_grid->viewport()), control("shpInfo")})
            emptyStatusOver(widget);
        connectPictureButtons<ExportScreen>({
            {"cmdEsporta", &ExportScreen::cmdEsportaClick},
            {"cmdGuida", &ExportScreen::guidaRequested},
        });
        connect(control<Picture>("cmdEsci"), &Picture::clicked, this, &QDialog::reject);
    });
}

QString ExportScreen::exportPath() const
{
    return ProgramFolder::filePath(m_table.fileName);
}

void ExportScreen::showEvent(QShowEvent *event)
{
    Screen::showEvent(event);
    if (event->spontaneous())
        return;
    std::unique_ptr<QProgressDialog> progress;
    // A loading that fails leaves the grid as far as it got, without a word; the
    // export then refuses to write, so the last good file stays.
    m_archiveRead = m_model->reload(ProgramFolder::filePath(m_table.archiveName), [&](qint64 done, qint64 total) {
        if (total < kProgressFrom)
            return true;
        if (!progress) {
            progress = std::make_unique<QProgressDialog>(QStringLiteral("Caricamento dell'archivio in corso..."), QString(), 0,
                                                         static_cast<int>(total), this);
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(300);
        }
        progress->setValue(static_cast<int>(done));
        return true;
    });
}

void ExportScreen::cmdEsportaClick()
{
    if (!m_archiveRead) {
        Dialogs::warning(QStringLiteral("Attenzione: non \u00E8 stato possibile leggere l'archivio per intero, quindi i dati non sono "
                                        "stati esportati.\r\n\r\nIl file di Excel esportato in precedenza non \u00E8 stato modificato."));
        return;
    }
    if (!Dialogs::confirm(QStringLiteral("L'esportazione dei dati in Excel pu\u00F2 richiedere diversi minuti a seconda del numero di "
                                         "schede presenti in archivio.\r\n\r\nSi vuole esportare i dati adesso?")))
        return;
    const QString path = exportPath();
    // The file is replaced only once it is complete: a failure leaves the last export whole.
    FileReplacement file(path);
    bool written = file.open();
    if (written) {
        std::unique_ptr<QProgressDialog> progress;
        const int rows = m_model->rows().count();
        if (rows >= kProgressFrom) {
            progress = std::make_unique<QProgressDialog>(QStringLiteral("Esportazione dei dati in corso..."), QStringLiteral("Annulla"),
                                                         0, rows, this);
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(300);
        }
        written = Export::write(file, m_table, m_model->rows(), [&](int done, int) {
            if (!progress)
                return true;
            progress->setValue(done);
            return !progress->wasCanceled();
        });
        if (progress && progress->wasCanceled()) {
            file.discard();
            return;
        }
        written = written && file.commit();
    }
    if (!written) {
        file.discard();
        Dialogs::message(withCause(QStringLiteral("Attenzione: il sistema non permette di esportare i dati.\n\r\n\r"
                                                  "Accertarsi che il file di Excel non sia gi\u00E0 aperto."),
                                   causeOfSystemError(file.systemError())));
        return;
    }
    if (Dialogs::confirm(QStringLiteral("Le schede in archivio sono state esportate con successo.\r\n\r\nSi vuole aprire il file di Excel?")))
        TMisc::Open(QStringLiteral("\"") + path + QStringLiteral("\""));
}

TfrmExpModelli::TfrmExpModelli(QWidget *parent)
    : ExportScreen(parent, Export::tt2112Table())
{
    setObjectName(QStringLiteral("frmExpModelli"));
}

TfrmExpAllievi::TfrmExpAllievi(QWidget *parent)
    : ExportScreen(parent, Export::studentTable())
{
    setObjectName(QStringLiteral("frmExpAllievi"));
}
