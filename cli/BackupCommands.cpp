#include "cli/BackupCommands.h"

#include "backup/Backup.h"
#include "backup/BackupSettings.h"
#include "storage/NativeFile.h"
#include "storage/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>

#include <optional>

namespace BackupCommands {

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 2;

int fail(QIODevice &err, const QString &reason)
{
    QString line = reason;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    err.write("volantix-archive: " + line.simplified().toUtf8() + '\n');
    return kFailed;
}

std::optional<QString> readPassword(const std::optional<QString> &file, QIODevice &in, QString *why)
{
    QByteArray bytes;
    if (file) {
        int error = 0;
        if (NativeFile::readWhole(*file, &bytes, &error, 4096) != NativeFile::WholeRead::Done) {
            *why = QStringLiteral("cannot read the password file %1").arg(*file);
            return std::nullopt;
        }
    } else {
        bytes = in.readLine(4096);
    }
    const qsizetype end = bytes.indexOf('\n');
    if (end >= 0)
        bytes.truncate(end);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    return QString::fromUtf8(bytes);
}

} // namespace

bool handles(const QString &command)
{
    return command == QLatin1String("backup") || command == QLatin1String("verify") || command == QLatin1String("restore");
}

int run(const QStringList &arguments, QIODevice &in, QIODevice &out, QIODevice &err)
{
    QStringList positional;
    std::optional<QString> passwordFile;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--password-file")) {
            if (i + 1 >= arguments.size())
                return fail(err, QStringLiteral("--password-file needs a file"));
            passwordFile = arguments[++i];
        } else {
            positional << arguments[i];
        }
    }
    if (positional.size() != 2)
        return fail(err, QStringLiteral("usage: volantix-archive backup DEST_FOLDER | verify BACKUP.zip | restore BACKUP.zip "
                                        "[--password-file FILE]"));
    const QString &command = positional[0];
    const QString &target = positional[1];
    // Run in the program folder: its data, its settings and its backup password.
    const QString dataFolder = QDir::currentPath();
    ProgramFolder::setOverride(dataFolder);
    QString why;

    if (command == QLatin1String("backup")) {
        if (BackupSettings::insideProgramFolder(target))
            return fail(err, QStringLiteral("the backup folder may not lie inside the program folder"));
        Backup::CreateOptions options = BackupSettings::createOptions();
        if (passwordFile) {
            const std::optional<QString> given = readPassword(passwordFile, in, &why);
            if (!given)
                return fail(err, why);
            options.password = *given;
        }
        const Backup::Result result = Backup::create(dataFolder, target, options);
        if (!result.ok())
            return fail(err, result.message);
        Backup::rotate(target, BackupSettings::load().keep);
        out.write(QDir::toNativeSeparators(result.path).toUtf8() + '\n');
        return kOk;
    }

    // Verify and restore read an encrypted backup with its password.
    QString password;
    const std::optional<bool> encrypted = Backup::isEncrypted(target);
    if (encrypted.value_or(false)) {
        const std::optional<QString> given = readPassword(passwordFile, in, &why);
        if (!given)
            return fail(err, why);
        password = *given;
    }
    if (command == QLatin1String("verify")) {
        const Backup::Result result = Backup::verify(target, password);
        if (!result.ok())
            return fail(err, result.message);
        out.write(QStringLiteral("%1: verified\n").arg(QFileInfo(target).fileName()).toUtf8());
        return kOk;
    }
    if (command == QLatin1String("restore")) {
        const Backup::Result result = Backup::restore(target, dataFolder, BackupSettings::restoreOptions(password));
        if (!result.ok())
            return fail(err, result.message);
        out.write(QStringLiteral("restored; the data replaced are in %1\n").arg(QDir::toNativeSeparators(result.path)).toUtf8());
        return kOk;
    }
    return fail(err, QStringLiteral("unknown command \"%1\"").arg(command));
}

} // namespace BackupCommands
