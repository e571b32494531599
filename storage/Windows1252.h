#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Exact Windows-1252 conversion in both directions.
// Every byte decodes to one character; the five bytes the code page leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) decode to the C1 control of the
// same value and encode back to that byte, so any file round-trips unchanged.
// A character the code page cannot represent encodes as '?'.
namespace Windows1252 {

char16_t decodeByte(unsigned char byte);

// Returns the byte for a Unicode code point, or '?' when the code page lacks it.
unsigned char encodeCodePoint(char32_t codePoint);

QString decode(QByteArrayView bytes);
// Decodes `bytes` into `out`, which must have room for bytes.size() characters.
void decodeInto(QByteArrayView bytes, QChar *out);

// Encodes at most maxCharacters characters (code points; a surrogate pair is
// one character), one byte each.
QByteArray encode(QStringView text, qsizetype maxCharacters = -1);

} // namespace Windows1252
