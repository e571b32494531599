#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <span>
#include <vector>

class QIODevice;
struct RecordLayout;

// The export of an archive to a spreadsheet file: the grid's columns, taken from
// the records, and the file written from the grid (an HTML table with Excel's
// worksheet settings, one line, Windows-1252).
namespace Export {

enum class Source {
    Field,    // the trimmed field (or two fields joined by one blank)
    Position, // the record's 1-based position
    Licence,  // "Cat. " + category + " n. " + number
};

struct Column {
    const char *name;     // colXxx
    QString header;       // the grid's header
    int gridWidth;
    bool readOnly;
    Source source;
    const char *first;    // record fields
    const char *second;
    QString exportLabel;  // the file's header (column 0 is not exported)
    int exportWidth;
};

struct Table {
    QString caption;
    QString archiveName;
    const RecordLayout *layout;
    QString sheetName;
    QString fileName;
    std::span<const Column> columns; // 26: column 0 is the position
};

const Table &tt2112Table();
const Table &studentTable();

constexpr int kColumns = 26;

// The grid's rows, each kept as one text with the ends of its cells, so that a
// large archive costs little more than the text it holds. Cells hold text of any
// length: a row whose text grows too long for that (only typing into the grid
// can make it so) keeps its cells apart.
class Rows
{
public:
    int count() const { return static_cast<int>(m_rows.size()); }
    QStringView cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);
    void append(const std::array<QString, kColumns> &cells);
    // A row as one text and the end of each cell in it.
    void append(QString text, const std::array<quint16, kColumns> &ends);
    void clear();
    void reserve(std::size_t rows) { m_rows.reserve(rows); }
    // Bytes held: the texts and the cell ends.
    std::size_t bytes() const;

private:
    struct Row {
        QString text;
        std::array<quint16, kColumns> ends;
        qint32 apart = -1; // the row's cells in m_apart, when its text is too long for `ends`
    };
    void store(Row &row, std::array<QString, kColumns> &&cells);

    std::vector<Row> m_rows;
    std::vector<std::array<QString, kColumns>> m_apart;
};

// Loads the archive into `rows`. A failure stops the loading: the rows read so
// far stay, and the result is false. True only when every record counted when the
// archive was opened was read. `progress` (if given) hears the rows done and the total.
[[nodiscard]] bool load(const QString &path, const Table &table, Rows &rows,
          const std::function<bool(qint64 done, qint64 total)> &progress = {});

// Writes the file. The characters <, > and & of a value are written as &lt;,
// &gt; and &amp;, so that no value can break its cell. `progress` may stop the
// writing by returning false. Returns false when the device fails or is stopped.
bool write(QIODevice &device, const Table &table, const Rows &rows,
           const std::function<bool(int done, int total)> &progress = {});

// A sheet of any other list, written as the archives' exports are: the columns'
// labels and widths, then one row of texts each.
struct SheetColumn {
    QString label;
    int width;
};
QByteArray sheet(const QString &sheetName, std::span<const SheetColumn> columns, const std::vector<QStringList> &rows);

} // namespace Export
