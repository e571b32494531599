#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// Windows-style INI text files beside the program ("key=value", sections in
// brackets). Texts are Windows-1252, or UTF-8 when the file starts with a
// byte-order mark. Section and key names match regardless of the case of A-Z.
namespace IniFile {

enum class ReadStatus { Ok, Missing, Unreadable };

struct ReadResult {
    ReadStatus status = ReadStatus::Missing;
    QString value; // empty unless found
};

// Reads one key. A missing file, section or key reads as the empty text
// (status Missing); a file that exists but cannot be read gives Unreadable, and
// so does anything but a regular file of at most 1 MiB (a folder, a pipe, a
// device), which is refused at once, never waited on.
ReadResult read(const QString &path, const QString &section, const QString &key);

// Convenience: the value, or the empty text for a missing or unreadable file.
QString readValue(const QString &path, const QString &section, const QString &key);

// Writes one key, keeping every other line of the file byte for byte: sections,
// keys, comments, blank and malformed lines, line breaks, and every byte from a
// NUL on (readers stop at it, so nothing is set or added past it). A file that already
// holds the value is not written at all. Otherwise the file is replaced as a
// whole, and only once the new content is safely on disk, so a failure leaves it
// as it was. Returns false when it cannot be written.
bool writeValue(const QString &path, const QString &section, const QString &key, const QString &value);

// Writes several keys of one section in one replacement of the file.
bool writeValues(const QString &path, const QString &section, const QList<QPair<QString, QString>> &values);

// Why a write failed.
struct WriteFailure {
    enum class Kind {
        None,
        Unreadable,  // the file as it stands cannot be read (or is no INI file at all)
        Unstorable,  // a value would not read back as given (nothing is written)
        NotReplaced, // the new file could not take the old one's place
    };
    Kind kind = Kind::None;
    int systemError = 0; // the system's error number, when it gave one
};
bool writeValues(const QString &path, const QString &section, const QList<QPair<QString, QString>> &values,
                 WriteFailure *failure);

} // namespace IniFile
