#include "export/SheetExport.h"

#include "shell/Dialogs.h"
#include "shell/OpenURL.h"
#include "storage/ArchiveError.h"
#include "storage/FileReplacement.h"
#include "storage/ProgramFolder.h"

namespace SheetExport {

bool save(const QString &fileName, const QString &sheetName, std::span<const Export::SheetColumn> columns,
          const std::vector<QStringList> &rows, const QString &what)
{
    const QString path = ProgramFolder::filePath(fileName);
    const QByteArray bytes = Export::sheet(sheetName, columns, rows);
    FileReplacement file(path);
    const bool written = file.open() && file.write(bytes) == bytes.size() && file.commit();
    if (!written) {
        file.discard();
        Dialogs::message(withCause(QStringLiteral("Attenzione: il sistema non permette di esportare i dati.\n\r\n\r"
                                                  "Accertarsi che il file di Excel non sia gi\u00E0 aperto."),
                                   causeOfSystemError(file.systemError())));
        return false;
    }
    if (Dialogs::confirm(QStringLiteral("%1 sono state esportate nel file %2.\r\n\r\nSi vuole aprire il file di Excel?").arg(what, fileName)))
        TMisc::Open(QStringLiteral("\"") + path + QStringLiteral("\""));
    return true;
}

} // namespace SheetExport
