#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__) || defined(_M_X64)
// Whether any of the bytes is one of 0x80..0x9F, the only ones that do not decode
// to the character of their own code: a bit of the result for each such byte.
inline int tableBytes(__m128i bytes)
{
    return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(bytes, _mm_set1_epi8(static_cast<char>(0xE0))), _mm_set1_epi8(static_cast<char>(0x80))));
}
#endif

// N (4 or 8) bytes to N characters. Outside 0x80..0x9F every byte is the
// character of its own code, widened as a group (a few vector instructions); a
// group with one of those goes through the table.
template <int N>
inline void decodeGroup(const unsigned char *from, char16_t *to)
{
    static_assert(N == 4 || N == 8);
#if defined(__SSE2__) || defined(_M_X64)
    __m128i bytes;
    if constexpr (N == 8) {
        bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(from));
    } else {
        quint32 word;
        std::memcpy(&word, from, sizeof word);
        bytes = _mm_cvtsi32_si128(static_cast<int>(word));
    }
    if ((tableBytes(bytes) & ((1 << N) - 1)) == 0) {
        const __m128i wide = _mm_unpacklo_epi8(bytes, _mm_setzero_si128());
        if constexpr (N == 8)
            _mm_storeu_si128(reinterpret_cast<__m128i *>(to), wide);
        else
            _mm_storel_epi64(reinterpret_cast<__m128i *>(to), wide);
        return;
    }
#endif
    char16_t units[N];
    for (int i = 0; i < N; ++i)
        units[i] = kDecodeTable[from[i]];
    std::memcpy(to, units, sizeof units);
}

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
// Inline, in groups of eight: the list lines decode every value through it, and
// most values are short. Reads and writes nothing past either end: the last group
// overlaps the one before it.
inline void decodeInto(QByteArrayView bytes, QChar *out)
{
    const auto *from = reinterpret_cast<const unsigned char *>(bytes.data());
    auto *to = reinterpret_cast<char16_t *>(out);
    const qsizetype n = bytes.size();
    if (n >= 8) {
        for (qsizetype i = 0; i + 8 < n; i += 8)
            detail::decodeGroup<8>(from + i, to + i);
        detail::decodeGroup<8>(from + n - 8, to + n - 8);
    } else if (n >= 4) {
        detail::decodeGroup<4>(from, to);
        detail::decodeGroup<4>(from + n - 4, to + n - 4);
    } else {
        for (qsizetype i = 0; i < n; ++i)
            to[i] = detail::kDecodeTable[from[i]];
    }
}

// Encodes at most maxCharacters characters (code points; a surrogate pair is
// one character), one byte each.
QByteArray encode(QStringView text, qsizetype maxCharacters = -1);

} // namespace Windows1252
