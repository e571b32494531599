#include "storage/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace ProgramFolder {
namespace {

QString &overridePath()
{
    static QString folder;
    return folder;
}

} // namespace

QString path()
{
    if (!overridePath().isEmpty())
        return overridePath();
    return QCoreApplication::applicationDirPath();
}

QString filePath(const QString &fileName)
{
    return path() + QLatin1Char('/') + fileName;
}

void setOverride(const QString &folder)
{
    overridePath() = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

} // namespace ProgramFolder
