#include "access/PasswordStore.h"

#include "access/Crypt.h"
#include "storage/ProgramFolder.h"
#include "storage/TextField.h"

#include <QFileInfo>

namespace PasswordStore {

QString fileName()
{
    return QStringLiteral("unins000.dll");
}

QString section()
{
    return QStringLiteral("Accesso");
}

QString key()
{
    return QStringLiteral("Valore");
}

QString firstAccessKeyword()
{
    return QStringLiteral("passacorridoio");
}

QString path()
{
    return ProgramFolder::filePath(fileName());
}

IniFile::ReadResult readScrambled(const QString &storePath)
{
    return IniFile::read(storePath, section(), key());
}

bool writePassword(const QString &storePath, const QString &plain)
{
    return IniFile::writeValue(storePath, section(), key(), ScramblePassword(plain));
}

bool createIfAbsent(const QString &storePath)
{
    if (QFileInfo::exists(storePath) || QFileInfo(storePath).isSymLink())
        return true;
    return writePassword(storePath, TextField::upperAZ(firstAccessKeyword()));
}

} // namespace PasswordStore
