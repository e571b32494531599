#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <vector>

// The lines of a list kept in a few large blocks rather than one text each, so
// that tens of thousands of them are cheap to make, to reorder and to throw away.
class LineStore
{
public:
    LineStore() = default;
    LineStore(LineStore &&) noexcept = default;
    LineStore &operator=(LineStore &&) noexcept = default;
    LineStore(const LineStore &) = delete;
    LineStore &operator=(const LineStore &) = delete;

    static LineStore fromList(const QStringList &lines);
    void reserve(qsizetype lines) { m_lines.reserve(static_cast<std::size_t>(lines)); }

    qsizetype size() const { return static_cast<qsizetype>(m_lines.size()); }
    bool isEmpty() const { return m_lines.empty(); }
    // The line shown at `row`, in the current order.
    QStringView at(qsizetype row) const { return added(addedIndex(row)); }
    // Which line, counted in the order of adding, is shown at `row`.
    qsizetype addedIndex(qsizetype row) const { return m_order.empty() ? row : m_order[static_cast<std::size_t>(row)]; }
    // The line added `index`-th, whatever the order.
    QStringView added(qsizetype index) const
    {
        const Line &line = m_lines[static_cast<std::size_t>(index)];
        return QStringView(line.begin, line.length);
    }
    QStringList toList() const;

    // Adds a line at the end in two steps: beginLine() returns where the caller
    // writes at most `most` characters, endLine() says how many it wrote. The
    // characters stay where they are for the life of the store.
    QChar *beginLine(qsizetype most);
    void endLine(qsizetype length);
    void append(QStringView line);

    // Shows the lines in the order given: order[row] is the line, counted in the
    // order of adding, to show at `row`. A permutation of 0 .. size() - 1.
    void setOrder(std::vector<qsizetype> order);

private:
    struct Line {
        const char16_t *begin;
        qsizetype length;
    };
    std::vector<std::unique_ptr<char16_t[]>> m_blocks;
    char16_t *m_free = nullptr; // room left in the last block
    qsizetype m_room = 0;
    std::vector<Line> m_lines;
    std::vector<qsizetype> m_order; // empty: the order of adding
};

// The lines of a list with, for each line in the order of adding, the 1-based
// position of the record it was made from: a picked line stands for its own
// record, however many lines read the same and however the lines are ordered.
struct RecordLines {
    LineStore lines;
    std::vector<qint64> records;

    // Adds a line made from the record at `position`.
    void append(QStringView line, qint64 position)
    {
        lines.append(line);
        records.push_back(position);
    }
};
