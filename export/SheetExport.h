#pragma once

#include "export/ExportTable.h"

// Exports a list to a spreadsheet file in the program folder, as the archives'
// exports do: the file replaced only once written whole, a failure told with its
// cause and the previous file left as it was, then the offer to open the file.
// `what` names the exported lines in the message ("Le scadenze in elenco").
// True when the file was written.
namespace SheetExport {

bool save(const QString &fileName, const QString &sheetName, std::span<const Export::SheetColumn> columns,
          const std::vector<QStringList> &rows, const QString &what);

} // namespace SheetExport
