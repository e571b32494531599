#include "access/PasswordStore.h"

#include "access/Crypt.h"
#include "storage/ProgramFolder.h"
#include "storage/TextField.h"

#include <QFileInfo>

#include <optional>

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

namespace PasswordCheck {
namespace {

// The stored password: nothing when the store cannot be read or is malformed.
std::optional<QString> storedPassword(const QString &storePath)
{
    const IniFile::ReadResult read = PasswordStore::readScrambled(storePath);
    if (read.status == IniFile::ReadStatus::Unreadable)
        return std::nullopt;
    return UnscramblePassword(read.value);
}

// A store that is there but gives no password (an empty file, a section or key
// gone, an empty value) is damaged: no typed password can match it, and saying
// "wrong password" would send the user the wrong way. A store that is not there
// at all is no store: every password is wrong, as the installation must provide it.
bool isDamaged(const QString &storePath, const QString &password)
{
    return password.isEmpty() && (QFileInfo::exists(storePath) || QFileInfo(storePath).isSymLink());
}

QString typedForm(const QString &typed)
{
    return TextField::trimmedString(TextField::upperAZ(typed));
}

} // namespace

Login checkLogin(const QString &storePath, const QString &typed)
{
    const std::optional<QString> stored = storedPassword(storePath);
    if (!stored)
        return {LoginResult::ReadError, QString()};
    const QString password = TextField::trimmedString(*stored);
    if (isDamaged(storePath, password))
        return {LoginResult::Damaged, *stored};
    // An empty stored password never matches: a typed password is never empty.
    const QString candidate = typedForm(typed);
    if (password.isEmpty() || candidate != password)
        return {LoginResult::Wrong, *stored};
    return {LoginResult::Granted, *stored};
}

QString damagedStoreMessage()
{
    return QStringLiteral("Attenzione: il file delle password \u00E8 danneggiato o vuoto. Si consiglia di reinstallare il software.");
}

Change changePassword(const QString &storePath, const QString &oldPassword, const QString &newPassword,
                      const QString &confirmation)
{
    const std::optional<QString> stored = storedPassword(storePath);
    if (!stored)
        return {ChangeResult::Failed, QString()};
    const QString present = TextField::trimmedString(*stored);
    if (isDamaged(storePath, present))
        return {ChangeResult::Damaged, *stored};
    const QString old = typedForm(oldPassword);
    if (present.isEmpty() || old != present)
        return {ChangeResult::WrongOld, *stored};
    if (TextField::trimmed(newPassword) != TextField::trimmed(confirmation))
        return {ChangeResult::NotConfirmed, *stored};
    const QString password = typedForm(newPassword);
    if (!IsScramblable(password))
        return {ChangeResult::Unstorable, *stored};
    IniFile::WriteFailure failure;
    if (!IniFile::writeValues(storePath, PasswordStore::section(),
                              {{PasswordStore::key(), TextField::trimmedString(ScramblePassword(password))}}, &failure))
        return {ChangeResult::Failed, *stored, failure.systemError};
    return {ChangeResult::Done, *stored};
}

} // namespace PasswordCheck
