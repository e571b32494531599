#pragma once

#include "shell/LineStore.h"

#include <QAbstractListModel>
#include <QColor>
#include <QListView>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// The lists of fixed-width lines (search results, lessons, attendees): a model
// that holds the lines, built in one pass and replaced whole, and a view that
// draws them in Courier New 12 with items 1600 units wide, scrolling sideways.
// What a list screen tells the user when the archive behind its list could not
// be read to the end: the lines shown are only those read before.
QString incompleteListWarning();

class LineListModel final : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit LineListModel(QObject *parent = nullptr);

    // Lines that stand for no record (a picked line is known by its text only).
    void setLines(const QStringList &lines);
    void setLines(LineStore lines);
    // Lines each made from a record: a picked line is known by its record.
    void setLines(RecordLines lines);
    const LineStore &store() const { return m_lines; }
    // The 1-based position of the record the line at `row` was made from; 0 for
    // a row out of range or lines that stand for no record.
    qint64 recordAt(int row) const;
    // A copy of the lines, in the order shown.
    QStringList lines() const { return m_lines.toList(); }
    void clear() { setLines(LineStore()); }
    // A coloured mark at the start of each line (an invalid colour: none).
    using RowMark = std::function<QColor(int row)>;
    void setRowMark(RowMark mark) { m_mark = std::move(mark); }
    // The hint shown over each line (empty: none).
    using RowHint = std::function<QString(int row)>;
    void setRowHint(RowHint hint) { m_hint = std::move(hint); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    LineStore m_lines;
    std::vector<qint64> m_records; // by line, in the order of adding
    QSize m_itemSize;
    RowMark m_mark;
    RowHint m_hint;
};

class LineListView final : public QListView
{
    Q_OBJECT
public:
    explicit LineListView(QWidget *parent = nullptr);

    LineListModel *lineModel() const { return m_model; }
    // The text of the selected line, or nothing when no line is selected.
    std::optional<QString> selectedLine() const;
    // The 1-based position of the record the selected line was made from, or 0
    // when no line is selected (or the lines stand for no record).
    qint64 selectedRecord() const;
    int selectedRow() const;
    void selectRow(int row);

signals:
    void lineDoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    // Enter on a picked line acts as a double click on it.
    void keyPressEvent(QKeyEvent *event) override;

private:
    LineListModel *m_model;
};
