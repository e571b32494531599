#include "students/Attachments.h"

#include "storage/FileReplacement.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/TextField.h"
#include "storage/Windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <string_view>

namespace Attachments {
namespace {

// What Windows refuses in a file name, besides the control characters.
constexpr char kRefused[] = "\\/:*?\"<>|";

} // namespace

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

QString storedName(const QString &chosenPath)
{
    const QString own = TextField::trimmedString(QFileInfo(chosenPath).fileName());
    QString name;
    name.reserve(own.size());
    for (qsizetype i = 0; i < own.size(); ++i) {
        char32_t codePoint = own[i].unicode();
        if (own[i].isHighSurrogate() && i + 1 < own.size() && own[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(own[i], own[i + 1]); // one character, one "_"
            ++i;
        }
        // The code page's substitute "?" is refused by Windows as well.
        const bool storable = Windows1252::encodeCodePoint(codePoint) != '?';
        const bool refused = codePoint < 32
            || (codePoint < 0x80 && std::string_view(kRefused).find(static_cast<char>(codePoint)) != std::string_view::npos);
        name += storable && !refused ? QChar(static_cast<char16_t>(codePoint)) : QChar(u'_');
    }
    // The record keeps this many characters (the same in both archives) and loads them trimmed.
    const int fieldLength = StudentRecord::layout().field(StudentRecord::lblFile01).maxLength;
    return TextField::trimmedString(QStringView(name).left(fieldLength));
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
    const QFileInfo stored(storedPath(storedName(source)));
    const QFileInfo chosen(source);
    return stored.exists() && chosen.exists() && stored.canonicalFilePath() == chosen.canonicalFilePath();
}

bool copyIn(const QString &source, int *systemError)
{
    int ignored = 0;
    int &error = systemError != nullptr ? *systemError : ignored;
    error = 0;
    const QString target = storedPath(storedName(source));
    if (target.isEmpty())
        return false;
    if (isStoredFile(source))
        return true; // already there: nothing to copy, and nothing to lose
    if (!QFileInfo(source).isFile())
        return false;
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly))
        return false;
    FileReplacement output(target);
    if (!output.open()) {
        error = output.systemError();
        return false;
    }
    QByteArray block(1 << 16, Qt::Uninitialized);
    for (;;) {
        const qint64 n = input.read(block.data(), block.size());
        if (n < 0 || (n > 0 && output.write(block.constData(), n) != n)) {
            error = output.systemError();
            output.discard();
            return false;
        }
        if (n == 0)
            break;
    }
    if (!output.commit()) {
        error = output.systemError();
        return false;
    }
    return true;
}

} // namespace Attachments
