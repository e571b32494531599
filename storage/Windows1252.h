#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>

// Exact Windows-1252 conversion in both directions.
// Every byte decodes to one character; the five bytes the code page leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) decode to the C1 control of the
// same value and encode back to that byte, so any file round-trips unchanged.
// A character the code page cannot represent encodes as '?'.
namespace Windows1252 {

namespace detail {

// Characters of bytes 0x80..0x9F; unassigned bytes map to the C1 control of the same value.
inline constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

constexpr std::array<char16_t, 256> makeDecodeTable()
{
    std::array<char16_t, 256> table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = (i >= 0x80 && i <= 0x9F) ? kHighControls[i - 0x80] : static_cast<char16_t>(i);
    return table;
}

inline constexpr std::array<char16_t, 256> kDecodeTable = makeDecodeTable();

} // namespace detail

// Inline: the list lines decode every value through it.
inline char16_t decodeByte(unsigned char byte)
{
    return detail::kDecodeTable[byte];
}

// Returns the byte for a Unicode code point, or '?' when the code page lacks it.
unsigned char encodeCodePoint(char32_t codePoint);

QString decode(QByteArrayView bytes);
// Decodes `bytes` into `out`, which must have room for bytes.size() characters.
void decodeInto(QByteArrayView bytes, QChar *out);

// Encodes at most maxCharacters characters (code points; a surrogate pair is
// one character), one byte each.
QByteArray encode(QStringView text, qsizetype maxCharacters = -1);

} // namespace Windows1252
