#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <span>

// Length-prefixed text fields: a field of maximum length N is N + 1 bytes,
// a length byte and up to N Windows-1252 characters.
namespace TextField {

// Longest text that a field ever receives, in characters, before cutting to the field.
inline constexpr qsizetype kMaxStoredCharacters = 255;

// Removes leading and trailing characters whose code is 32 or below.
QStringView trimmed(QStringView text);
QString trimmedString(QStringView text);

// Turns the letters a-z into A-Z; every other character stays as it is.
QString upperAZ(QStringView text);

// Stores text into a field of maximum length `field.size() - 1`: trims it, takes at
// most 255 characters, converts them to Windows-1252 ('?' where the code page has
// no such character), keeps at most N bytes and writes the length byte and the
// bytes. The rest of the field is left as it is.
void store(std::span<char> field, QStringView text);

// The length byte as it should be read: a value above the field's maximum
// (a damaged file) counts as the maximum.
inline int storedLength(std::span<const char> field)
{
    const int maxLength = static_cast<int>(field.size()) - 1;
    const int length = static_cast<unsigned char>(field[0]);
    return length < maxLength ? length : maxLength;
}

// The stored bytes without leading and trailing bytes of code 32 or below: the
// bytes of the trimmed text (in Windows-1252 exactly those bytes decode to
// characters of code 32 or below). Inline: list lines call it for every value.
inline QByteArrayView trimmedBytes(std::span<const char> field)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(field.data()) + 1;
    int begin = 0;
    int end = storedLength(field);
    while (begin < end && bytes[begin] <= 32)
        ++begin;
    while (end > begin && bytes[end - 1] <= 32)
        --end;
    return QByteArrayView(field.data() + 1 + begin, end - begin);
}

// Loads a field into text: its bytes converted from Windows-1252, then trimmed.
QString load(std::span<const char> field);
// The same into `out`, reusing its storage: for scans over many records.
void loadInto(std::span<const char> field, QString &out);

// Yes/no fields hold "Sì" (02 53 EC) or "No" (02 4E 6F).
QString yesText();
QString noText();
void storeYesNo(std::span<char> field, bool yes);

} // namespace TextField
