#include "storage/IniFile.h"

#include "storage/FileReplacement.h"
#include "storage/NativeFile.h"
#include "storage/Windows1252.h"

// Texts are converted by the program itself (Windows1252, or UTF-8 after a
// byte-order mark): the reader only splits the lines.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION // the templates are instantiated here, in this file only
#include <SimpleIni.h>

#include <string>

namespace IniFile {
namespace {

std::string toStore(const QString &text, bool utf8)
{
    const QByteArray bytes = utf8 ? text.toUtf8() : Windows1252::encode(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString fromStore(const char *text, bool utf8)
{
    const QByteArrayView bytes(text);
    return utf8 ? QString::fromUtf8(bytes) : Windows1252::decode(bytes);
}

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");

// One line of the file as it stands, and the line break that ends it ("\r\n",
// "\n", "\r", or nothing for a last line without one).
struct Line {
    QByteArray text;
    QByteArray end;
};

QList<Line> splitLines(const QByteArray &data)
{
    QList<Line> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (data[i] != '\r' && data[i] != '\n')
            continue;
        const qsizetype breakLength = data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n' ? 2 : 1;
        lines.append({data.mid(start, i - start), data.mid(i, breakLength)});
        i += breakLength - 1;
        start = i + 1;
    }
    if (start < data.size())
        lines.append({data.mid(start), QByteArray()});
    return lines;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

// Section and key names match regardless of the case of A-Z, as the reader has it.
bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

// What a line is to the reader: a section header, a "key=value" entry, or
// anything else (blank, comment, malformed), which is kept as it is.
struct ParsedLine {
    enum class Kind { Other, Section, Entry } kind = Kind::Other;
    QByteArrayView name;       // the section's or the key's name
    qsizetype valueStart = 0;  // entries: where the value begins (just after '=')
};

ParsedLine parseLine(QByteArrayView text)
{
    qsizetype at = 0;
    while (at < text.size() && isBlank(text[at]))
        ++at;
    if (at == text.size() || text[at] == ';' || text[at] == '#')
        return {};
    if (text[at] == '[') {
        const qsizetype close = text.indexOf(']', at + 1);
        if (close < 0)
            return {};
        return {ParsedLine::Kind::Section, trimBlanks(text.sliced(at + 1, close - at - 1)), 0};
    }
    const qsizetype equals = text.indexOf('=', at);
    if (equals <= at)
        return {};
    return {ParsedLine::Kind::Entry, trimBlanks(text.sliced(at, equals - at)), equals + 1};
}

// The file's text with each key of `entries` set in `section`. Every other byte
// stays as it was: other sections, keys, comments, blank lines, malformed lines,
// the spelling of names and the line breaks. A key found in the section has its
// value replaced in place (in every copy of the section, so that no reader can
// find an old value); a missing key is added after the section's last entry; a
// missing section is added at the end. New lines end as the file's lines do.
QByteArray withValues(const QByteArray &original, QByteArrayView section, const QList<QPair<QByteArray, QByteArray>> &entries)
{
    QList<Line> lines = splitLines(original);
    const qsizetype firstLineFeed = original.indexOf('\n');
    const QByteArray lineBreak = firstLineFeed > 0 && original[firstLineFeed - 1] != '\r' ? QByteArray("\n") : QByteArray("\r\n");

    QList<bool> found(entries.size(), false);
    bool inSection = false;
    qsizetype insertAfter = -1; // the first copy of the section: its header or its last entry
    bool firstCopy = false;
    // Readers stop at a NUL byte: every byte from it on is no part of the file to
    // them, and it is carried through untouched. Nothing past the line that holds
    // it is looked at, and nothing is added after that line, where no reader
    // would find it.
    qsizetype lastVisible = lines.size() - 1;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArrayView text = lines[n].text;
        const qsizetype nul = text.indexOf('\0');
        if (nul >= 0) {
            text = text.first(nul);
            lastVisible = n - 1;
        }
        const qsizetype skipped = n == 0 && text.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
        const ParsedLine parsed = parseLine(text.sliced(skipped));
        if (parsed.kind == ParsedLine::Kind::Section) {
            inSection = sameName(parsed.name, section);
            // A header cut by a NUL: keys added under it would follow the NUL,
            // so the section is added again before this line instead.
            firstCopy = inSection && insertAfter < 0 && nul < 0;
            if (firstCopy)
                insertAfter = n;
            if (nul >= 0)
                break;
            continue;
        }
        if (parsed.kind != ParsedLine::Kind::Entry || !inSection) {
            if (nul >= 0)
                break;
            continue;
        }
        if (firstCopy && nul < 0)
            insertAfter = n;
        for (qsizetype e = 0; e < entries.size(); ++e) {
            if (!sameName(parsed.name, entries[e].first))
                continue;
            found[e] = true;
            const qsizetype valueStart = skipped + parsed.valueStart;
            if (trimBlanks(text.sliced(valueStart)) != entries[e].second)
                lines[n].text = lines[n].text.left(valueStart) + entries[e].second + lines[n].text.mid(text.size());
            // A line holds one key; and the views of the line read the text it
            // had, which the new value has just replaced.
            break;
        }
        if (nul >= 0)
            break;
    }

    QList<Line> added;
    for (qsizetype e = 0; e < entries.size(); ++e) {
        if (!found[e])
            added.append({entries[e].first + '=' + entries[e].second, lineBreak});
    }
    if (!added.isEmpty()) {
        if (insertAfter < 0) {
            added.prepend({'[' + section.toByteArray() + ']', lineBreak});
            if (lastVisible >= 0 && !trimBlanks(lines[lastVisible].text).isEmpty())
                added.prepend({QByteArray(), lineBreak}); // a blank line before the new section
            insertAfter = lastVisible;
            if (insertAfter < 0 && !lines.isEmpty() && lines.first().text.startsWith(kByteOrderMark)) {
                // At the very top: the byte-order mark stays the file's first bytes.
                lines.first().text.remove(0, kByteOrderMark.size());
                added.first().text.prepend(kByteOrderMark.toByteArray());
            }
        }
        if (insertAfter >= 0 && lines[insertAfter].end.isEmpty())
            lines[insertAfter].end = lineBreak;
        for (qsizetype i = 0; i < added.size(); ++i)
            lines.insert(insertAfter + 1 + i, added[i]);
    }

    QByteArray text;
    text.reserve(original.size() + 64);
    for (const Line &line : lines)
        text += line.text + line.end;
    return text;
}

enum class LoadStatus { Ok, Missing, Unreadable };

// The file's bytes, read through the one bounded reader: a pipe, a device, a
// folder or a file too long for an INI file is unreadable, never waited on.
LoadStatus readFile(const QString &path, QByteArray *data, int *error)
{
    switch (NativeFile::readWhole(path, data, error)) {
    case NativeFile::WholeRead::Done:
        return LoadStatus::Ok;
    case NativeFile::WholeRead::Missing:
        return LoadStatus::Missing;
    case NativeFile::WholeRead::Refused:
    case NativeFile::WholeRead::Failed:
        break;
    }
    return LoadStatus::Unreadable;
}

LoadStatus load(const QString &path, CSimpleIniA &ini)
{
    QByteArray data;
    int error = 0;
    if (const LoadStatus status = readFile(path, &data, &error); status != LoadStatus::Ok)
        return status;
    ini.SetUnicode(false); // the loader switches to UTF-8 when it meets a byte-order mark
    if (ini.LoadData(data.constData(), static_cast<size_t>(data.size())) < 0)
        return LoadStatus::Unreadable;
    return LoadStatus::Ok;
}

} // namespace

ReadResult read(const QString &path, const QString &section, const QString &key)
{
    CSimpleIniA ini;
    ini.SetSpaces(false);
    switch (load(path, ini)) {
    case LoadStatus::Missing:
        return {ReadStatus::Missing, QString()};
    case LoadStatus::Unreadable:
        return {ReadStatus::Unreadable, QString()};
    case LoadStatus::Ok:
        break;
    }
    const bool utf8 = ini.IsUnicode();
    const char *value = ini.GetValue(toStore(section, utf8).c_str(), toStore(key, utf8).c_str(), nullptr);
    if (value == nullptr)
        return {ReadStatus::Missing, QString()};
    return {ReadStatus::Ok, fromStore(value, utf8)};
}

QString readValue(const QString &path, const QString &section, const QString &key)
{
    return read(path, section, key).value;
}

bool writeValue(const QString &path, const QString &section, const QString &key, const QString &value)
{
    return writeValues(path, section, {{key, value}});
}

bool writeValues(const QString &path, const QString &section, const QList<QPair<QString, QString>> &values)
{
    return writeValues(path, section, values, nullptr);
}

bool writeValues(const QString &path, const QString &section, const QList<QPair<QString, QString>> &values,
                 WriteFailure *failure)
{
    WriteFailure ignored;
    WriteFailure &why = failure != nullptr ? *failure : ignored;
    why = WriteFailure();
    QByteArray before;
    switch (readFile(path, &before, &why.systemError)) {
    case LoadStatus::Ok:
    case LoadStatus::Missing:
        break;
    case LoadStatus::Unreadable:
        why.kind = WriteFailure::Kind::Unreadable;
        return false;
    }
    const bool utf8 = before.startsWith(kByteOrderMark);
    QList<QPair<QByteArray, QByteArray>> entries;
    for (const auto &[key, value] : values)
        entries.append({QByteArray::fromStdString(toStore(key, utf8)), QByteArray::fromStdString(toStore(value, utf8))});
    const QByteArray after = withValues(before, QByteArray::fromStdString(toStore(section, utf8)), entries);

    // What the readers will find in the new text must be what was asked for,
    // in the encoding they will take it to be in.
    why.kind = WriteFailure::Kind::Unstorable;
    if (after.startsWith(kByteOrderMark) != utf8)
        return false;
    CSimpleIniA check;
    check.SetSpaces(false);
    check.SetUnicode(false);
    if (check.LoadData(after.constData(), static_cast<size_t>(after.size())) < 0)
        return false;
    for (const auto &[key, value] : values) {
        const char *stored = check.GetValue(toStore(section, utf8).c_str(), toStore(key, utf8).c_str(), nullptr);
        if (stored == nullptr || fromStore(stored, utf8) != fromStore(toStore(value, utf8).c_str(), utf8))
            return false;
    }
    why.kind = WriteFailure::Kind::None;
    if (after == before)
        return true; // the file already holds the values: it stays as it is
    FileReplacement file(path);
    const bool written = file.open() && file.write(after) == after.size() && file.commit();
    if (!written) {
        why.kind = WriteFailure::Kind::NotReplaced;
        why.systemError = file.systemError();
    }
    return written;
}

} // namespace IniFile
