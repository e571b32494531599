#include "students/Attachments.h"

#include "storage/FileReplacement.h"
#include "storage/ProgramFolder.h"
#include "storage/TextField.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Attachments {

QString folderName()
{
    return QStringLiteral("Documenti_Allegati");
}

QString folderPath()
{
    return ProgramFolder::filePath(folderName());
}

QString bareName(QStringView path)
{
    const QStringView trimmed = TextField::trimmed(path);
    const qsizetype cut = std::max(trimmed.lastIndexOf(u'/'), trimmed.lastIndexOf(u'\\'));
    return trimmed.mid(cut + 1).toString();
}

QString storedPath(QStringView name)
{
    const QString bare = bareName(name);
    if (bare.isEmpty() || bare == QLatin1String(".") || bare == QLatin1String(".."))
        return QString();
    return folderPath() + QLatin1Char('/') + bare;
}

bool ensureFolder()
{
    return QDir().mkpath(folderPath());
}

bool isStoredFile(const QString &source)
{
    const QFileInfo stored(storedPath(bareName(source)));
    const QFileInfo chosen(source);
    return stored.exists() && chosen.exists() && stored.canonicalFilePath() == chosen.canonicalFilePath();
}

bool copyIn(const QString &source)
{
    const QString target = storedPath(bareName(source));
    if (target.isEmpty())
        return false;
    if (isStoredFile(source))
        return true; // already there: nothing to copy, and nothing to lose
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly))
        return false;
    FileReplacement output(target);
    if (!output.open())
        return false;
    QByteArray block(1 << 16, Qt::Uninitialized);
    for (;;) {
        const qint64 n = input.read(block.data(), block.size());
        if (n < 0 || (n > 0 && output.write(block.constData(), n) != n)) {
            output.discard();
            return false;
        }
        if (n == 0)
            break;
    }
    return output.commit();
}

} // namespace Attachments
