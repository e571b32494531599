#include "students/Attachments.h"

#include "storage/FileReplacement.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"
#include "storage/Windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <string_view>

namespace Attachments {
namespace {

// What Windows refuses in a file name, besides the control characters.
constexpr char kRefused[] = "\\/:*?\"<>|";

int fieldLength()
{
    // The record keeps this many characters (the same in both archives) and loads them trimmed.
    return StudentRecord::layout().field(StudentRecord::lblFile01).maxLength;
}

Qt::CaseSensitivity nameCase()
{
#ifdef Q_OS_WIN
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

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
    return TextField::trimmedString(QStringView(name).left(fieldLength()));
}

NameChange storedNameChange(const QString &chosenPath)
{
    const QString own = TextField::trimmedString(QFileInfo(chosenPath).fileName());
    const QString stored = storedName(chosenPath);
    if (stored == own)
        return NameChange::None;
    return own.startsWith(stored) ? NameChange::Length : NameChange::Characters;
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

bool sameStoredFile(const QString &name, const QString &other)
{
    const QString first = bareName(name);
    const QString second = bareName(other);
    if (first.isEmpty() || second.isEmpty())
        return false;
    if (first.compare(second, nameCase()) == 0)
        return true;
    const QFileInfo a(storedPath(first));
    const QFileInfo b(storedPath(second));
    return a.exists() && b.exists() && a.canonicalFilePath() == b.canonicalFilePath();
}

bool sameContent(const QString &source, const QString &name)
{
    const QString stored = storedPath(name);
    if (stored.isEmpty() || !QFileInfo(source).isFile() || !QFileInfo(stored).isFile()
        || QFileInfo(source).size() != QFileInfo(stored).size())
        return false;
    QFile a(source);
    QFile b(stored);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 kBlock = 1 << 16;
    for (;;) {
        const QByteArray x = a.read(kBlock);
        const QByteArray y = b.read(kBlock);
        if (x != y)
            return false;
        if (x.isEmpty())
            return a.atEnd() && b.atEnd();
    }
}

QStringList linkedNames(bool *complete)
{
    if (complete != nullptr)
        *complete = true;
    QStringList names;
    const struct {
        const char *file;
        const RecordLayout &layout;
        int fields[3];
    } archives[] = {
        {StudentRecord::FileName, StudentRecord::layout(), {StudentRecord::lblFile01, StudentRecord::lblFile02, StudentRecord::lblFile03}},
        {TT2112Record::FileName, TT2112Record::layout(), {TT2112Record::lblFile01, TT2112Record::lblFile02, TT2112Record::lblFile03}},
    };
    for (const auto &archive : archives) {
        const QString path = ProgramFolder::filePath(QString::fromLatin1(archive.file));
        if (!QFileInfo::exists(path))
            continue;
        try {
            RecordFile file;
            file.OpenForReading(path, archive.layout.recordSize);
            RecordBuffer record(archive.layout);
            const bool whole = file.ScanRecords([&](std::span<const char> bytes) {
                record.setBytes(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
                for (const int field : archive.fields) {
                    if (const QString name = bareName(record.text(field)); !name.isEmpty())
                        names.append(name);
                }
            });
            file.CloseRecordFile();
            if (!whole && complete != nullptr)
                *complete = false;
        } catch (const RecordFileError &) {
            if (complete != nullptr)
                *complete = false;
        }
    }
    return names;
}

QString freeName(const QString &name, const QStringList &linked)
{
    if (!QFileInfo::exists(storedPath(name)))
        return name;
    // "foglio_rosa.pdf" -> "foglio_rosa" and ".pdf"; a leading dot starts no extension.
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int n = 2;; ++n) {
        const QString number = QStringLiteral(" (") + QString::number(n) + u')';
        const qsizetype room = fieldLength() - number.size() - extension.size();
        const QString candidate = TextField::trimmedString(QStringView(base).left(std::max<qsizetype>(room, 1))) + number + extension;
        const bool taken = QFileInfo::exists(storedPath(candidate))
            || std::any_of(linked.begin(), linked.end(), [&](const QString &link) { return link.compare(candidate, nameCase()) == 0; });
        if (!taken)
            return candidate;
    }
}

bool copyIn(const QString &source, int *systemError)
{
    return copyIn(source, storedName(source), systemError);
}

bool copyIn(const QString &source, const QString &name, int *systemError)
{
    int ignored = 0;
    int &error = systemError != nullptr ? *systemError : ignored;
    error = 0;
    const QString target = storedPath(name);
    if (target.isEmpty())
        return false;
    if (name == storedName(source) && isStoredFile(source))
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
