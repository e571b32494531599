#include "shell/LineList.h"

#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

QFont lineFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(12 * 4 / 3); // 12 points on a 96-dpi screen
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

constexpr int kItemWidth = 1600;

} // namespace

QString incompleteListWarning()
{
    return QStringLiteral("Lettura dell'archivio interrotta: l'elenco \u00E8 incompleto.");
}

LineListModel::LineListModel(QObject *parent)
    : QAbstractListModel(parent)
    , m_itemSize(kItemWidth, QFontMetrics(lineFont()).height() + 2)
{
}

void LineListModel::setLines(const QStringList &lines)
{
    setLines(LineStore::fromList(lines));
}

void LineListModel::setLines(LineStore lines)
{
    beginResetModel();
    m_lines = std::move(lines);
    m_records.clear();
    endResetModel();
}

void LineListModel::setLines(RecordLines lines)
{
    Q_ASSERT(static_cast<qsizetype>(lines.records.size()) == lines.lines.size());
    beginResetModel();
    m_lines = std::move(lines.lines);
    m_records = std::move(lines.records);
    endResetModel();
}

qint64 LineListModel::recordAt(int row) const
{
    if (row < 0 || row >= m_lines.size())
        return 0;
    const auto added = static_cast<std::size_t>(m_lines.addedIndex(row));
    return added < m_records.size() ? m_records[added] : 0;
}

int LineListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

QVariant LineListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_lines.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_lines.at(index.row()).toString();
    case Qt::FontRole:
        return lineFont();
    case Qt::SizeHintRole:
        return m_itemSize;
    case Qt::ToolTipRole:
        if (m_hint) {
            const QString hint = m_hint(index.row());
            if (!hint.isEmpty())
                return hint;
        }
        return {};
    case Qt::DecorationRole:
        if (m_mark) {
            const QColor colour = m_mark(index.row());
            if (colour.isValid())
                return colour;
        }
        return {};
    default:
        return {};
    }
}

LineListView::LineListView(QWidget *parent)
    : QListView(parent)
    , m_model(new LineListModel(this))
{
    setModel(m_model);
    setFont(lineFont());
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
}

std::optional<QString> LineListView::selectedLine() const
{
    const int row = selectedRow();
    if (row < 0)
        return std::nullopt;
    return m_model->store().at(row).toString();
}

qint64 LineListView::selectedRecord() const
{
    return m_model->recordAt(selectedRow());
}

int LineListView::selectedRow() const
{
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void LineListView::selectRow(int row)
{
    const QModelIndex index = m_model->index(row);
    setCurrentIndex(index);
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void LineListView::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && selectedRow() >= 0) {
        emit lineDoubleClicked();
        return;
    }
    QListView::keyPressEvent(event);
}

void LineListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit lineDoubleClicked();
}
