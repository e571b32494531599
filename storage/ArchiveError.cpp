#include "storage/ArchiveError.h"

QString ArchiveAccessError()
{
    return QStringLiteral(
        "Attenzione: il sistema non permette di accedere all'archivio.\n\r\n\r"
        "Accertarsi di possedere i privilegi di scrittura nella cartella di installazione del programma.");
}

RecordFileError::RecordFileError(const QString &detail)
    : std::runtime_error(detail.toStdString())
    , m_detail(detail)
{
}
