#include "backup/BackupSettings.h"

#include "shell/Clock.h"
#include "storage/FileReplacement.h"
#include "storage/IniFile.h"
#include "storage/NativeFile.h"
#include "storage/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#include <dpapi.h>
#endif

namespace BackupSettings {

namespace {

const QString &section()
{
    static const QString name = QStringLiteral("Copia di sicurezza");
    return name;
}

QString iniPath()
{
    return ProgramFolder::filePath(QStringLiteral("Autoscuola.ini"));
}

int number(const QString &key, int fallback, int low, int high)
{
    bool ok = false;
    const int value = IniFile::readValue(iniPath(), section(), key).trimmed().toInt(&ok);
    return ok && value >= low && value <= high ? value : fallback;
}

QString canonical(const QString &path)
{
    const QFileInfo info(path);
    const QString real = info.canonicalFilePath();
    return QDir::cleanPath(real.isEmpty() ? info.absoluteFilePath() : real);
}

#ifdef Q_OS_WIN
QByteArray protect(const QByteArray &clear, bool unprotect)
{
    DATA_BLOB in{static_cast<DWORD>(clear.size()), reinterpret_cast<BYTE *>(const_cast<char *>(clear.constData()))};
    DATA_BLOB out{};
    const BOOL ok = unprotect ? CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)
                              : CryptProtectData(&in, L"Volantix", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out);
    if (!ok)
        return QByteArray();
    QByteArray result(reinterpret_cast<const char *>(out.pbData), static_cast<qsizetype>(out.cbData));
    LocalFree(out.pbData);
    return result;
}
#endif

} // namespace

Settings load()
{
    Settings settings;
    settings.folder = IniFile::readValue(iniPath(), section(), QStringLiteral("Cartella")).trimmed();
    settings.everyDays = number(QStringLiteral("Giorni"), 1, 0, 365);
    settings.keep = number(QStringLiteral("Conserva"), 10, 1, 1000);
    settings.advised = IniFile::readValue(iniPath(), section(), QStringLiteral("Consiglio")).trimmed() == QLatin1String("1");
    return settings;
}

bool save(const Settings &settings)
{
    return IniFile::writeValues(iniPath(), section(),
                                {{QStringLiteral("Cartella"), settings.folder},
                                 {QStringLiteral("Giorni"), QString::number(settings.everyDays)},
                                 {QStringLiteral("Conserva"), QString::number(settings.keep)},
                                 {QStringLiteral("Consiglio"), settings.advised ? QStringLiteral("1") : QStringLiteral("0")}});
}

QString proposedFolder()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return QDir(documents).filePath(QStringLiteral("Volantix_Backup"));
}

QString destination(const Settings &settings)
{
    return settings.folder.isEmpty() ? proposedFolder() : settings.folder;
}

bool insideProgramFolder(const QString &folder)
{
    const QString program = canonical(ProgramFolder::path());
    // The folder may not exist yet: its nearest existing parent decides.
    QString probe = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QString rest;
    while (!QFileInfo::exists(probe) && !QFileInfo(probe).isRoot()) {
        rest = QFileInfo(probe).fileName() + (rest.isEmpty() ? QString() : QLatin1Char('/') + rest);
        probe = QFileInfo(probe).absolutePath();
    }
    QString path = canonical(probe);
    if (!rest.isEmpty())
        path = QDir::cleanPath(path + QLatin1Char('/') + rest);
    const Qt::CaseSensitivity cs =
#ifdef Q_OS_WIN
        Qt::CaseInsensitive;
#else
        Qt::CaseSensitive;
#endif
    return path.compare(program, cs) == 0 || path.startsWith(program + QLatin1Char('/'), cs);
}

bool automaticDue(const Settings &settings, const std::optional<QDateTime> &last, const QDateTime &now)
{
    if (settings.everyDays <= 0)
        return false;
    return !last || last->addDays(settings.everyDays) <= now;
}

QString passwordFile()
{
    return ProgramFolder::filePath(QStringLiteral("Copia_sicurezza.chiave"));
}

QString storedPassword()
{
    QByteArray bytes;
    int error = 0;
    if (NativeFile::readWhole(passwordFile(), &bytes, &error, 4096) != NativeFile::WholeRead::Done)
        return QString();
#ifdef Q_OS_WIN
    bytes = protect(bytes, true);
#endif
    return QString::fromUtf8(bytes);
}

bool storePassword(const QString &password)
{
    const QString path = passwordFile();
    if (password.isEmpty())
        return !QFileInfo::exists(path) || QFile::remove(path);
    QByteArray bytes = password.toUtf8();
#ifdef Q_OS_WIN
    bytes = protect(bytes, false);
    if (bytes.isEmpty())
        return false;
#else
    // Readable by its owner only, before anything is written in it: the
    // replacement takes the permissions of the file it replaces.
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.close();
    }
    if (!QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
#endif
    return FileReplacement::replace(path, bytes);
}

Backup::CreateOptions createOptions()
{
    Backup::CreateOptions options;
    options.password = storedPassword();
    options.now = Clock::now();
    options.version = QStringLiteral(VOLANTIX_VERSION);
    return options;
}

Backup::RestoreOptions restoreOptions(const QString &password)
{
    Backup::RestoreOptions options;
    options.password = password;
    options.safetyFolder = destination(load());
    options.safetyPassword = storedPassword();
    options.now = Clock::now();
    options.version = QStringLiteral(VOLANTIX_VERSION);
    return options;
}

} // namespace BackupSettings
