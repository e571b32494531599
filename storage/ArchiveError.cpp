#include "storage/ArchiveError.h"

#include "storage/NativeFile.h"

FailureCause causeOfSystemError(int error)
{
    if (error == 0)
        return FailureCause::Unknown;
    switch (NativeFile::conditionOf(error)) {
    case NativeFile::Condition::DiskFull:
        return FailureCause::DiskFull;
    case NativeFile::Condition::AccessDenied:
        return FailureCause::AccessDenied;
    case NativeFile::Condition::Io:
        break;
    }
    return FailureCause::Unknown;
}

QString causeLine(FailureCause cause)
{
    switch (cause) {
    case FailureCause::DiskFull:
        return QStringLiteral("Dettagli: disco pieno");
    case FailureCause::InUse:
        return QStringLiteral("Dettagli: l'archivio \u00E8 in uso da un'altra postazione");
    case FailureCause::AccessDenied:
        return QStringLiteral("Dettagli: accesso negato");
    case FailureCause::Damaged:
        return QStringLiteral("Dettagli: file danneggiato");
    case FailureCause::PartialRecord:
        return QStringLiteral("Impossibile annullare la scrittura interrotta: l'archivio pu\u00F2 contenere un record "
                              "incompleto, che il comando \"volantix-archive check\" individua.");
    case FailureCause::Unknown:
        break;
    }
    return QString();
}

QString withCause(const QString &message, FailureCause cause)
{
    const QString line = causeLine(cause);
    if (line.isEmpty())
        return message;
    // The messages break their lines either as "\n\r" or as "\r\n".
    const qsizetype pair = message.indexOf(QStringLiteral("\n\r"));
    const qsizetype crlf = message.indexOf(QStringLiteral("\r\n"));
    const bool pairs = pair >= 0 && (crlf < 0 || pair < crlf);
    QString text = message;
    text.append(pairs ? u"\n\r\n\r" : u"\r\n\r\n");
    text.append(line);
    return text;
}

QString ArchiveAccessError()
{
    return QStringLiteral(
        "Attenzione: il sistema non permette di accedere all'archivio.\n\r\n\r"
        "Accertarsi di possedere i privilegi di scrittura nella cartella di installazione del programma.");
}

QString ArchiveAccessError(FailureCause cause)
{
    return withCause(ArchiveAccessError(), cause);
}

RecordFileError::RecordFileError(const QString &detail, FailureCause cause)
    : std::runtime_error(detail.toStdString())
    , m_detail(detail)
    , m_cause(cause)
{
}
