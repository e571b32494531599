// The export file written from any grid: one table row per grid row, whatever the
// cells hold, and no value can open or close an element.
#include "export/ExportTable.h"

#include <QBuffer>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QStringList pieces = text.split(QLatin1Char('|'));
    Export::Rows rows;
    std::array<QString, Export::kColumns> cells;
    int column = 0;
    for (const QString &piece : pieces) {
        cells[static_cast<std::size_t>(column)] = piece.left(2000);
        if (++column == Export::kColumns) {
            rows.append(cells);
            cells = {};
            column = 0;
        }
    }
    if (column > 0)
        rows.append(cells);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!Export::write(buffer, Export::studentTable(), rows))
        __builtin_trap();
    const QByteArray file = buffer.data();
    if (file.count("<tr>") != rows.count() + 1 || file.count("<td") != 25 * (rows.count() + 1) || !file.endsWith("</table></body></html>"))
        __builtin_trap();
    return 0;
}
