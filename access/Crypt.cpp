#include "access/Crypt.h"

#include <cstdint>

namespace {

constexpr std::uint16_t kStartKey = 33491;
constexpr std::uint16_t kMultiplier = 36919;
constexpr std::uint16_t kIncrement = 62417;

constexpr std::uint16_t nextKey(std::uint16_t key, std::uint8_t scrambled)
{
    return static_cast<std::uint16_t>((static_cast<std::uint32_t>(scrambled + key) * kMultiplier + kIncrement) & 0xFFFFu);
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

} // namespace

QString ScramblePassword(QStringView plain)
{
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    QString result;
    result.reserve(plain.size() * 2);
    std::uint16_t key = kStartKey;
    for (const QChar c : plain) {
        const auto b = static_cast<std::uint8_t>(c.unicode() & 0xFFu);
        const auto s = static_cast<std::uint8_t>(b ^ (key >> 8));
        result.append(QChar(kDigits[s >> 4]));
        result.append(QChar(kDigits[s & 0x0F]));
        key = nextKey(key, s);
    }
    return result;
}

std::optional<QString> UnscramblePassword(QStringView text)
{
    const qsizetype pairs = text.size() / 2;
    QString plain;
    plain.reserve(pairs);
    std::uint16_t key = kStartKey;
    for (qsizetype i = 0; i < pairs; ++i) {
        const int high = hexValue(text[2 * i]);
        const int low = hexValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        const auto s = static_cast<std::uint8_t>(high * 16 + low);
        plain.append(QChar(static_cast<char16_t>(s ^ (key >> 8))));
        key = nextKey(key, s);
    }
    return plain;
}

bool IsScramblable(QStringView plain)
{
    if (plain.size() > 255)
        return false;
    for (const QChar c : plain) {
        if (c.unicode() > 255)
            return false;
    }
    return true;
}
