#include "storage/TextField.h"

#include "storage/Windows1252.h"

#include <algorithm>
#include <cstring>

namespace TextField {
namespace {

bool isTrimmable(QChar c)
{
    return c.unicode() <= 32;
}

} // namespace

QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmable(text[begin]))
        ++begin;
    while (end > begin && isTrimmable(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

QString trimmedString(QStringView text)
{
    return trimmed(text).toString();
}

QString upperAZ(QStringView text)
{
    QString result = text.toString();
    for (QChar &c : result) {
        if (c.unicode() >= u'a' && c.unicode() <= u'z')
            c = QChar(static_cast<char16_t>(c.unicode() - (u'a' - u'A')));
    }
    return result;
}

void store(std::span<char> field, QStringView text)
{
    Q_ASSERT(field.size() >= 2 && field.size() <= 256);
    const auto maxLength = static_cast<qsizetype>(field.size() - 1);
    QByteArray bytes = Windows1252::encode(trimmed(text), kMaxStoredCharacters);
    if (bytes.size() > maxLength)
        bytes.truncate(maxLength);
    field[0] = static_cast<char>(static_cast<unsigned char>(bytes.size()));
    std::memcpy(field.data() + 1, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString load(std::span<const char> field)
{
    return Windows1252::decode(trimmedBytes(field));
}

void loadInto(std::span<const char> field, QString &out)
{
    const QByteArrayView bytes = trimmedBytes(field);
    out.resize(bytes.size());
    Windows1252::decodeInto(bytes, out.data());
}

QString yesText()
{
    return QStringLiteral("S\u00EC");
}

QString noText()
{
    return QStringLiteral("No");
}

void storeYesNo(std::span<char> field, bool yes)
{
    store(field, yes ? yesText() : noText());
}

} // namespace TextField
