#include "tt2112/SchoolDefaults.h"

#include "storage/ArchiveError.h"
#include "storage/IniFile.h"
#include "storage/ProgramFolder.h"
#include "storage/TextField.h"

namespace SchoolDefaults {
namespace {

const QString kSection = QStringLiteral("Modello TT2112");
const QString kCode = QStringLiteral("Codice Autoscuola");
const QString kOffice = QStringLiteral("Ufficio Provinciale");

} // namespace

QString fileName()
{
    return QStringLiteral("Autoscuola.ini");
}

QString path()
{
    return ProgramFolder::filePath(fileName());
}

std::optional<Values> read(const QString &iniPath)
{
    const IniFile::ReadResult code = IniFile::read(iniPath, kSection, kCode);
    if (code.status == IniFile::ReadStatus::Unreadable)
        return std::nullopt;
    const IniFile::ReadResult office = IniFile::read(iniPath, kSection, kOffice);
    if (office.status == IniFile::ReadStatus::Unreadable)
        return std::nullopt;
    return Values{code.value, office.value, code.status == IniFile::ReadStatus::Ok, office.status == IniFile::ReadStatus::Ok};
}

bool write(const QString &iniPath, const Values &values)
{
    return write(iniPath, values, nullptr);
}

bool write(const QString &iniPath, const Values &values, IniFile::WriteFailure *failure)
{
    return IniFile::writeValues(iniPath, kSection,
                                {{kCode, TextField::trimmedString(values.code)},
                                 {kOffice, TextField::trimmedString(values.office)}},
                                failure);
}

QString writeFailureWarning(const IniFile::WriteFailure &failure, bool *alreadyTold)
{
    FailureCause cause = causeOfSystemError(failure.systemError);
    switch (failure.kind) {
    case IniFile::WriteFailure::Kind::None:
        return QString();
    case IniFile::WriteFailure::Kind::Unstorable:
        if (*alreadyTold)
            return QString();
        *alreadyTold = true;
        break;
    case IniFile::WriteFailure::Kind::Unreadable:
        if (failure.systemError == 0)
            cause = FailureCause::Damaged; // not a file the program can read as its settings
        break;
    case IniFile::WriteFailure::Kind::NotReplaced:
        break;
    }
    return withCause(QStringLiteral("Attenzione: non \u00E8 stato possibile memorizzare il codice dell'autoscuola e "
                                    "l'ufficio provinciale nel file Autoscuola.ini.\r\n\r\nAccertarsi di possedere i "
                                    "privilegi di scrittura nella cartella di installazione del programma."),
                     cause);
}

bool writeChanged(const QString &iniPath, const std::optional<QString> &code, const std::optional<QString> &office,
                  IniFile::WriteFailure *failure)
{
    QList<QPair<QString, QString>> values;
    if (code)
        values.append({kCode, TextField::trimmedString(*code)});
    if (office)
        values.append({kOffice, TextField::trimmedString(*office)});
    return values.isEmpty() || IniFile::writeValues(iniPath, kSection, values, failure);
}

} // namespace SchoolDefaults
