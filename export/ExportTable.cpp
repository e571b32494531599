#include "export/ExportTable.h"

#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"
#include "storage/Windows1252.h"

#include <QIODevice>

#include <charconv>
#include <cstring>
#include <iterator>
#include <limits>

namespace Export {
namespace {

using S = Source;

const Column kTT2112Columns[] = {
    {"colNum", QStringLiteral("N."), 60, true, S::Position, nullptr, nullptr, QString(), 0},
    {"colCodice", QStringLiteral("Codice Autoscuola"), 180, true, S::Field, "txtCodice", nullptr, QStringLiteral("Codice Autoscuola"), 200},
    {"colUfficio", QStringLiteral("Ufficio provinciale"), 220, false, S::Field, "txtUfficio", nullptr, QStringLiteral("Ufficio provinciale"), 250},
    {"colRichiedente", QStringLiteral("Cognome e nome richiedente"), 250, false, S::Field, "txtCognome", "txtNome", QStringLiteral("Cognome e nome richiedente"), 250},
    {"colSesso", QStringLiteral("Sesso"), 70, false, S::Field, "txtSesso", nullptr, QStringLiteral("Sesso"), 120},
    {"colDataNascPro", QStringLiteral("Data di nascita"), 150, false, S::Field, "txtDataNascPro", nullptr, QStringLiteral("Data di nascita"), 180},
    {"colLuogoNascPro", QStringLiteral("Luogo di nascita"), 250, false, S::Field, "txtLuogoNascPro", "txtProvNascPro", QStringLiteral("Luogo di nascita"), 260},
    {"colCodFiscPro", QStringLiteral("Codice fiscale"), 180, false, S::Field, "txtCodFiscPro", nullptr, QStringLiteral("Codice fiscale"), 180},
    {"colStatoNascPro", QStringLiteral("Stato di nascita"), 200, false, S::Field, "txtStatoNascPro", nullptr, QStringLiteral("Stato di nascita"), 250},
    {"colComuneResPro", QStringLiteral("Comune di residenza"), 250, false, S::Field, "txtComuneResPro", "txtProvResPro", QStringLiteral("Comune di residenza"), 260},
    {"colViaPro", QStringLiteral("Via e numero civico"), 250, false, S::Field, "txtViaPro", "txtNumPro", QStringLiteral("Via e numero civico"), 250},
    {"colCittadinanzaPro", QStringLiteral("Cittadinanza"), 200, false, S::Field, "txtCittadinanzaPro", nullptr, QStringLiteral("Cittadinanza"), 250},
    {"colTariffa01", QStringLiteral("Tariffa 1 (N)"), 150, false, S::Field, "chkTariffa01", nullptr, QStringLiteral("Tariffa 1 (N)"), 180},
    {"colTariffa02", QStringLiteral("Tariffa 2 (altro)"), 150, false, S::Field, "chkTariffa02", nullptr, QStringLiteral("Tariffa 2 (altro)"), 180},
    {"colPreGuida", QStringLiteral("Eventuali prescrizioni da osservare durante la guida"), 350, false, S::Field, "txtPreGuida", nullptr, QStringLiteral("Eventuali prescrizioni da osservare durante la guida"), 400},
    {"colPrescrizioni", QStringLiteral("Prescrizioni tecniche"), 200, true, S::Field, "txtPrescrizioni", nullptr, QStringLiteral("Prescrizioni tecniche"), 180},
    {"colConsegue", QStringLiteral("Patente da conseguire"), 200, false, S::Field, "txtConsegui", nullptr, QStringLiteral("Patente da conseguire"), 250},
    {"colDuplica", QStringLiteral("Patente da duplicare"), 200, false, S::Field, "txtDuplica", nullptr, QStringLiteral("Patente da duplicare"), 250},
    {"colRiclassifica", QStringLiteral("Patente da riclassificare in"), 200, false, S::Field, "txtRiclassifica", nullptr, QStringLiteral("Patente da riclassificare in"), 250},
    {"colEstremiPat", QStringLiteral("Estremi patente posseduta"), 350, false, S::Field, "txtEstremiPat", nullptr, QStringLiteral("Estremi patente posseduta"), 400},
    {"colTarga", QStringLiteral("Targa veicolo usato per esame"), 200, true, S::Field, "txtTarga", nullptr, QStringLiteral("Targa veicolo usato per esame"), 250},
    {"colPotenza", QStringLiteral("Potenza del motore in kW"), 200, false, S::Field, "txtPotenza", nullptr, QStringLiteral("Potenza del motore in kW"), 200},
    {"colCambio", QStringLiteral("Cambio"), 200, true, S::Field, "txtCambio", nullptr, QStringLiteral("Cambio"), 200},
    {"colCilindrata", QStringLiteral("Cilindrata (per motocicli)"), 200, false, S::Field, "txtCilindrata", nullptr, QStringLiteral("Cilindrata (per motocicli)"), 200},
    {"colData", QStringLiteral("Data compilazione"), 180, false, S::Field, "txtData", nullptr, QStringLiteral("Data compilazione"), 200},
    {"colNote", QStringLiteral("Note"), 350, false, S::Field, "txtNote", nullptr, QStringLiteral("Note"), 400},
};

const Column kStudentColumns[] = {
    {"colNum", QStringLiteral("N."), 60, true, S::Position, nullptr, nullptr, QString(), 0},
    {"colCodiceCor", QStringLiteral("Codice corso"), 180, true, S::Field, "txtCodiceCor", nullptr, QStringLiteral("Codice corso"), 200},
    {"colTipologiaCor", QStringLiteral("Tipologia corso"), 250, false, S::Field, "txtTipologiaCor", nullptr, QStringLiteral("Tipologia corso"), 250},
    {"colNumIsc", QStringLiteral("N. iscrizione allievo"), 180, false, S::Field, "txtNumIsc", nullptr, QStringLiteral("N. iscrizione allievo"), 250},
    {"colDataIsc", QStringLiteral("Data iscrizione"), 150, false, S::Field, "txtDataIsc", nullptr, QStringLiteral("Data iscrizione"), 180},
    {"colResponsabile", QStringLiteral("Responsabile didattico"), 250, false, S::Field, "txtResponsabile", nullptr, QStringLiteral("Responsabile didattico"), 250},
    {"colDataInizio", QStringLiteral("Data inizio corso"), 150, false, S::Field, "txtDataInizio", nullptr, QStringLiteral("Data inizio corso"), 180},
    {"colDataTermine", QStringLiteral("Data termine corso"), 150, false, S::Field, "txtDataTermine", nullptr, QStringLiteral("Data termine corso"), 180},
    {"colAllievo", QStringLiteral("Cognome e nome allievo"), 250, false, S::Field, "txtCognome", "txtNome", QStringLiteral("Cognome e nome allievo"), 250},
    {"colDataNascPro", QStringLiteral("Data di nascita"), 150, false, S::Field, "txtDataNascPro", nullptr, QStringLiteral("Data di nascita"), 180},
    {"colLuogoNascPro", QStringLiteral("Luogo di nascita"), 250, false, S::Field, "txtLuogoNascPro", "txtProvNascPro", QStringLiteral("Luogo di nascita"), 260},
    {"colCodFiscPro", QStringLiteral("Codice fiscale"), 180, false, S::Field, "txtCodFiscPro", nullptr, QStringLiteral("Codice fiscale"), 180},
    {"colStatoNascPro", QStringLiteral("Stato di nascita"), 200, false, S::Field, "txtStatoNascPro", nullptr, QStringLiteral("Stato di nascita"), 250},
    {"colComuneResPro", QStringLiteral("Comune di residenza"), 250, false, S::Field, "txtComuneResPro", "txtProvResPro", QStringLiteral("Comune di residenza"), 260},
    {"colViaPro", QStringLiteral("Via e numero civico"), 250, false, S::Field, "txtViaPro", "txtNumPro", QStringLiteral("Via e numero civico"), 250},
    {"colCittadinanzaPro", QStringLiteral("Cittadinanza"), 200, false, S::Field, "txtCittadinanzaPro", nullptr, QStringLiteral("Cittadinanza"), 250},
    {"colTelCel", QStringLiteral("Tel. cellulare"), 180, false, S::Field, "txtTelCel", nullptr, QStringLiteral("Tel. cellulare"), 200},
    {"colPreferenziale", QStringLiteral("Tel. prefernziale"), 180, false, S::Field, "txtPreferenziale", nullptr, QStringLiteral("Tel. preferenziale"), 200},
    {"colEmail", QStringLiteral("E-mail"), 200, false, S::Field, "txtEmail", nullptr, QStringLiteral("E-mail"), 250},
    {"colPatente", QStringLiteral("Patente di guida"), 250, true, S::Licence, "txtCatPat", "txtNumPat", QStringLiteral("Patente di guida"), 300},
    {"colPrescrizioni", QStringLiteral("Prescrizioni tecniche"), 200, true, S::Field, "txtPrescrizioni", nullptr, QStringLiteral("Prescrizioni tecniche"), 250},
    {"colDataTeo", QStringLiteral("Data esame di teoria"), 150, false, S::Field, "txtDataTeo", nullptr, QStringLiteral("Data esame di teoria"), 200},
    {"colEsitoTeo", QStringLiteral("Esito esame di teoria"), 220, true, S::Field, "txtEsitoTeo", nullptr, QStringLiteral("Esito esame di teoria"), 200},
    {"colDataGuida", QStringLiteral("Data esame di guida"), 150, false, S::Field, "txtDataGuida", nullptr, QStringLiteral("Data esame di guida"), 200},
    {"colEsitoGuida", QStringLiteral("Esito esame di guida"), 220, false, S::Field, "txtEsitoGuida", nullptr, QStringLiteral("Esito esame di guida"), 200},
    {"colNote", QStringLiteral("Note"), 350, false, S::Field, "txtNote", nullptr, QStringLiteral("Note"), 400},
};

static_assert(std::size(kTT2112Columns) == kColumns && std::size(kStudentColumns) == kColumns);


// Piece by piece, the file up to the first data row, and after the last.
const char *const kHead[] = {
    ("<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" xmlns:x=\"urn:schemas-microsoft-com:office:excel\" "
     "xmlns=\"http://www.w3.org/TR/REC-html40\">"),
    "<head>",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">",
    "<!--[if gte mso 9]><xml>",
    "<x:ExcelWorkbook>", "<x:ExcelWorksheets>", "<x:ExcelWorksheet>",
};
const char *const kOptions[] = {
    "<x:WorksheetOptions>", "<x:Selected/>", "<x:Panes>", "<x:Pane>", "<x:Number>1</x:Number>",
    "<x:ActiveRow>3</x:ActiveRow>", "</x:Pane>", "</x:Panes>",
    "<x:ProtectContents>False</x:ProtectContents>", "<x:ProtectObjects>False</x:ProtectObjects>",
    "<x:ProtectScenarios>False</x:ProtectScenarios>",
    "</x:WorksheetOptions>", "</x:ExcelWorksheet>", "</x:ExcelWorksheets>", "</x:ExcelWorkbook>",
    "</xml><![endif]-->", "</head>", "<body>", "<table x:str>",
};
const char *const kTail[] = {"</table>", "</body>", "</html>"};

// A cell's value as written: trimmed, markup characters escaped, Windows-1252.
// Writes at `out`, which has room for five bytes per character, and returns the
// end of what it wrote.
char *writeValue(char *out, QStringView value)
{
    const QStringView trimmed = TextField::trimmed(value);
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const char16_t c = trimmed[i].unicode();
        if (c < 0x80 && c != u'<' && c != u'>' && c != u'&') {
            *out++ = static_cast<char>(c);
            continue;
        }
        const auto put = [&out](const char *text, std::size_t length) {
            std::memcpy(out, text, length);
            out += length;
        };
        if (c == u'<') {
            put("&lt;", 4);
        } else if (c == u'>') {
            put("&gt;", 4);
        } else if (c == u'&') {
            put("&amp;", 5);
        } else {
            char32_t codePoint = c;
            if (QChar::isHighSurrogate(c) && i + 1 < trimmed.size() && trimmed[i + 1].isLowSurrogate())
                codePoint = QChar::surrogateToUcs4(c, trimmed[++i].unicode());
            *out++ = static_cast<char>(Windows1252::encodeCodePoint(codePoint));
        }
    }
    return out;
}

} // namespace

const Table &tt2112Table()
{
    static const Table table{QStringLiteral(" Esporta archivio Modelli TT 2112 in Microsoft Excel"),
                             QString::fromLatin1(TT2112Record::FileName), &TT2112Record::layout(),
                             QStringLiteral("Modelli TT 2112"), QStringLiteral("Modelli_TT_2112.xls"), kTT2112Columns};
    return table;
}

const Table &studentTable()
{
    static const Table table{QStringLiteral(" Esporta archivio allievi in Microsoft Excel"),
                             QString::fromLatin1(StudentRecord::FileName), &StudentRecord::layout(),
                             QStringLiteral("Registro Allievi"), QStringLiteral("Registro_Allievi.xls"), kStudentColumns};
    return table;
}

QStringView Rows::cell(int row, int column) const
{
    const Row &r = m_rows[static_cast<std::size_t>(row)];
    if (r.apart >= 0)
        return m_apart[static_cast<std::size_t>(r.apart)][static_cast<std::size_t>(column)];
    const quint16 begin = column == 0 ? 0 : r.ends[static_cast<std::size_t>(column - 1)];
    return QStringView(r.text).sliced(begin, r.ends[static_cast<std::size_t>(column)] - begin);
}

void Rows::setCell(int row, int column, const QString &text)
{
    std::array<QString, kColumns> cells;
    for (int c = 0; c < kColumns; ++c)
        cells[static_cast<std::size_t>(c)] = c == column ? text : cell(row, c).toString();
    store(m_rows[static_cast<std::size_t>(row)], std::move(cells));
}

void Rows::append(const std::array<QString, kColumns> &cells)
{
    m_rows.emplace_back();
    std::array<QString, kColumns> copy = cells;
    store(m_rows.back(), std::move(copy));
}

void Rows::store(Row &row, std::array<QString, kColumns> &&cells)
{
    qsizetype length = 0;
    for (const QString &cell : cells)
        length += cell.size();
    if (row.apart < 0 && length <= std::numeric_limits<quint16>::max()) {
        row.text.clear();
        row.text.reserve(length);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            row.text += cells[c];
            row.ends[c] = static_cast<quint16>(row.text.size());
        }
        return;
    }
    // Too long for the cell ends: the cells are kept apart from now on.
    if (row.apart < 0) {
        row.apart = static_cast<qint32>(m_apart.size());
        m_apart.emplace_back();
        row.text = QString();
    }
    m_apart[static_cast<std::size_t>(row.apart)] = std::move(cells);
}

void Rows::clear()
{
    m_rows.clear();
    m_apart.clear();
}

void Rows::append(QString text, const std::array<quint16, kColumns> &ends)
{
    m_rows.push_back({std::move(text), ends});
}

std::size_t Rows::bytes() const
{
    std::size_t total = m_rows.capacity() * sizeof(Row) + m_apart.capacity() * sizeof(std::array<QString, kColumns>);
    for (const Row &row : m_rows)
        total += static_cast<std::size_t>(row.text.capacity()) * sizeof(QChar);
    for (const auto &cells : m_apart) {
        for (const QString &cell : cells)
            total += static_cast<std::size_t>(cell.capacity()) * sizeof(QChar);
    }
    return total;
}

namespace {

// Where a column's text comes from, with its fields looked up once per load.
struct ColumnPlan {
    Source source = Source::Field;
    int first = -1;  // offsets and sizes of the record fields
    int firstSize = 0;
    int second = -1;
    int secondSize = 0;
};

std::array<ColumnPlan, kColumns> planOf(const Table &table)
{
    std::array<ColumnPlan, kColumns> plan;
    const auto place = [&](const char *name, int &offset, int &size) {
        if (name == nullptr)
            return;
        const FieldDef &def = table.layout->field(table.layout->indexOf(name));
        offset = def.offset;
        size = def.size();
    };
    for (int c = 0; c < kColumns; ++c) {
        const Column &column = table.columns[static_cast<std::size_t>(c)];
        ColumnPlan &p = plan[static_cast<std::size_t>(c)];
        p.source = column.source;
        place(column.first, p.first, p.firstSize);
        place(column.second, p.second, p.secondSize);
    }
    return plan;
}

// Appends the grid row of a record: each cell written straight into the row's
// one text, with no text per cell on the way.
void appendRecord(Rows &rows, const std::array<ColumnPlan, kColumns> &plan, std::span<const char> record, qint64 position)
{
    const auto field = [&](int offset, int size) {
        return TextField::trimmedBytes(record.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size)));
    };
    static constexpr QLatin1StringView kCat("Cat. "), kNumber(" n. ");
    char digits[24];
    const auto [digitsEnd, error] = std::to_chars(std::begin(digits), std::end(digits), position);
    Q_UNUSED(error);
    const QLatin1StringView number(digits, digitsEnd);

    // The pieces of each cell, at most four, and their total length.
    struct Piece {
        QLatin1StringView latin1;
        QByteArrayView bytes; // Windows-1252
    };
    std::array<std::array<Piece, 4>, kColumns> pieces{};
    std::array<int, kColumns> counts{};
    qsizetype length = 0;
    for (std::size_t c = 0; c < plan.size(); ++c) {
        const ColumnPlan &p = plan[c];
        auto &cell = pieces[c];
        int &n = counts[c];
        switch (p.source) {
        case Source::Position:
            cell[n++].latin1 = number;
            break;
        case Source::Licence:
            cell[n++].latin1 = kCat;
            cell[n++].bytes = field(p.first, p.firstSize);
            cell[n++].latin1 = kNumber;
            cell[n++].bytes = field(p.second, p.secondSize);
            break;
        case Source::Field:
            cell[n++].bytes = field(p.first, p.firstSize);
            if (p.second >= 0) {
                cell[n++].latin1 = QLatin1StringView(" ");
                cell[n++].bytes = field(p.second, p.secondSize);
            }
            break;
        }
        for (int i = 0; i < n; ++i)
            length += cell[static_cast<std::size_t>(i)].latin1.size() + cell[static_cast<std::size_t>(i)].bytes.size();
    }
    QString text(length, Qt::Uninitialized);
    QChar *out = text.data();
    std::array<quint16, kColumns> ends{};
    for (std::size_t c = 0; c < plan.size(); ++c) {
        for (int i = 0; i < counts[c]; ++i) {
            const Piece &piece = pieces[c][static_cast<std::size_t>(i)];
            for (const char ch : piece.latin1)
                *out++ = QLatin1Char(ch);
            Windows1252::decodeInto(piece.bytes, out);
            out += piece.bytes.size();
        }
        ends[c] = static_cast<quint16>(out - text.constData());
    }
    rows.append(std::move(text), ends);
}

} // namespace

bool load(const QString &path, const Table &table, Rows &rows, const std::function<bool(qint64, qint64)> &progress)
{
    rows.clear();
    const std::array<ColumnPlan, kColumns> plan = planOf(table);
    try {
        RecordFile file;
        file.OpenOrCreate(path, table.layout->recordSize);
        const qint64 total = file.RecordCount();
        rows.reserve(static_cast<std::size_t>(total));
        const bool whole = file.ScanRecords([&](std::span<const char> record) {
            const qint64 position = file.CurrentRecord() + 1;
            appendRecord(rows, plan, record, position);
            if (progress && position % 2000 == 0)
                progress(position, total);
        });
        file.CloseRecordFile();
        return whole;
    } catch (const RecordFileError &) {
        return false; // the rows read so far stay
    }
}

bool write(QIODevice &device, const Table &table, const Rows &rows, const std::function<bool(int, int)> &progress)
{
    QByteArray out;
    out.reserve(2 << 20);
    for (const char *piece : kHead)
        out += piece;
    out += "<x:Name>" + Windows1252::encode(table.sheetName) + "</x:Name>";
    for (const char *piece : kOptions)
        out += piece;
    out += "<tr>";
    for (int c = 1; c < kColumns; ++c) {
        const Column &column = table.columns[static_cast<std::size_t>(c)];
        out += "<td style=\"text-align: left; font-weight: bold;\" width=" + QByteArray::number(column.exportWidth) + '>'
            + Windows1252::encode(column.exportLabel) + "</td>";
    }
    out += "</tr>";
    static constexpr QByteArrayView rowOpen("<tr>");
    static constexpr QByteArrayView rowClose("</tr>");
    static constexpr QByteArrayView open("<td style=\"text-align: left;\">");
    static constexpr QByteArrayView close("</td>");
    const auto put = [](char *at, QByteArrayView text) {
        std::memcpy(at, text.data(), static_cast<std::size_t>(text.size()));
        return at + text.size();
    };
    for (int row = 0; row < rows.count(); ++row) {
        // Room for the row at its longest, every character escaped as "&amp;".
        qsizetype longest = rowOpen.size() + rowClose.size();
        for (int c = 1; c < kColumns; ++c)
            longest += open.size() + close.size() + 5 * rows.cell(row, c).size();
        const qsizetype at = out.size();
        out.resize(at + longest);
        char *end = put(out.data() + at, rowOpen);
        for (int c = 1; c < kColumns; ++c) {
            end = put(end, open);
            end = writeValue(end, rows.cell(row, c));
            end = put(end, close);
        }
        end = put(end, rowClose);
        out.resize(end - out.constData());
        if (out.size() > (1 << 20)) {
            if (device.write(out) != out.size())
                return false;
            out.resize(0); // keeps the storage for the next piece
            if (progress && !progress(row + 1, rows.count()))
                return false;
        }
    }
    for (const char *piece : kTail)
        out += piece;
    return device.write(out) == out.size();
}

QByteArray sheet(const QString &sheetName, std::span<const SheetColumn> columns, const std::vector<QStringList> &rows)
{
    QByteArray out;
    for (const char *piece : kHead)
        out += piece;
    out += "<x:Name>" + Windows1252::encode(sheetName) + "</x:Name>";
    for (const char *piece : kOptions)
        out += piece;
    out += "<tr>";
    for (const SheetColumn &column : columns)
        out += "<td style=\"text-align: left; font-weight: bold;\" width=" + QByteArray::number(column.width) + '>'
            + Windows1252::encode(column.label) + "</td>";
    out += "</tr>";
    for (const QStringList &row : rows) {
        qsizetype longest = 0;
        for (const QString &value : row)
            longest += 5 * value.size();
        QByteArray cells(longest + 64, Qt::Uninitialized);
        out += "<tr>";
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const QString value = c < static_cast<std::size_t>(row.size()) ? row[static_cast<qsizetype>(c)] : QString();
            char *end = writeValue(cells.data(), value);
            out += "<td style=\"text-align: left;\">";
            out += QByteArrayView(cells.constData(), end - cells.constData());
            out += "</td>";
        }
        out += "</tr>";
    }
    for (const char *piece : kTail)
        out += piece;
    return out;
}

} // namespace Export
