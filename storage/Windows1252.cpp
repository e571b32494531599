#include "storage/Windows1252.h"

#include <array>

namespace Windows1252 {
namespace {

constexpr unsigned char kSubstitute = '?';

} // namespace

unsigned char encodeCodePoint(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<unsigned char>(codePoint);
    for (std::size_t i = 0; i < detail::kHighControls.size(); ++i) {
        if (detail::kHighControls[i] == codePoint)
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
