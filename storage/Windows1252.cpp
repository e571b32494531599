#include "storage/Windows1252.h"

#include <array>

namespace Windows1252 {
namespace {

// Characters of bytes 0x80..0x9F; unassigned bytes map to the C1 control of the same value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

constexpr unsigned char kSubstitute = '?';

constexpr std::array<char16_t, 256> makeDecodeTable()
{
    std::array<char16_t, 256> table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = (i >= 0x80 && i <= 0x9F) ? kHighControls[i - 0x80] : static_cast<char16_t>(i);
    return table;
}

constexpr std::array<char16_t, 256> kDecodeTable = makeDecodeTable();

} // namespace

char16_t decodeByte(unsigned char byte)
{
    return kDecodeTable[byte];
}

void decodeInto(QByteArrayView bytes, QChar *out)
{
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    auto *target = reinterpret_cast<char16_t *>(out);
    const qsizetype n = bytes.size();
    // Most bytes are their own character: widen them all in a loop the compiler
    // can vectorise, then mend the few of 0x80..0x9F.
    bool highControls = false;
    for (qsizetype i = 0; i < n; ++i) {
        target[i] = in[i];
        highControls |= (in[i] & 0xE0) == 0x80;
    }
    if (highControls) {
        for (qsizetype i = 0; i < n; ++i)
            target[i] = kDecodeTable[in[i]];
    }
}

unsigned char encodeCodePoint(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<unsigned char>(codePoint);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == codePoint)
            return static_cast<unsigned char>(0x80 + i);
    }
    return kSubstitute;
}

QString decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    decodeInto(bytes, text.data());
    return text;
}

QByteArray encode(QStringView text, qsizetype maxCharacters)
{
    QByteArray bytes;
    bytes.reserve(maxCharacters < 0 ? text.size() : qMin(text.size(), maxCharacters));
    qsizetype i = 0;
    while (i < text.size() && (maxCharacters < 0 || bytes.size() < maxCharacters)) {
        const QChar c = text[i];
        char32_t codePoint = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(c, text[i + 1]);
            ++i;
        }
        ++i;
        bytes.append(static_cast<char>(encodeCodePoint(codePoint)));
    }
    return bytes;
}

} // namespace Windows1252
