#pragma once

#include "shell/LineMaker.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <span>
#include <vector>

struct RecordLayout;
class RecordBuffer;

// The filter searches of both archives: which records match, and the lines that
// list them.
namespace Search {

using Lines::lowerCase;

// One filter: the text typed (untrimmed) and the record field it is tested on.
struct Filter {
    QString text;
    int field = 0;
};

// A filter that takes part, ready for matching: its text folded and in the
// archive's code page, as the bytes a field holding it would store.
struct ActiveFilter {
    QByteArray bytes;
    bool storable = true; // false when the text has a character no record can hold
    int field = 0;
};

// The filters that take part: those whose trimmed text is not empty, folded.
std::vector<ActiveFilter> activeFilters(std::span<const Filter> filters);

// Whether every active filter occurs in its field (the field's whole stored text,
// untrimmed, folded the same way). With no active filter every record matches.
bool matches(std::span<const char> record, const RecordLayout &layout, std::span<const ActiveFilter> active);

// The lines of the two searches begin with the surname and the name, each
// trimmed and joined by a blank that stays when either is empty (" Mario").

// surname + " " + name (28) "  Isc. n. " number(14) "  Data: " date(10)
// "  Tel. " phone(14) "  Corso: " course(18) "  Pat. n. " licence(14) "  Cat. " category.
QString StudentSearchLine(const RecordBuffer &student);
QString studentSearchLine(std::span<const char> studentRecord);

// surname + " " + name (30) "  CF: " tax code(16) "  Data: " date(10)
// "  Patente " category(2) "  Note: " notes.
QString TT2112SearchLine(const RecordBuffer &form);
QString tt2112SearchLine(std::span<const char> formRecord);

using LineBuilder = QString (*)(std::span<const char> record);

// Scans the archive at `path` (created empty when missing) and returns the lines
// of the matching records, sorted. Raises RecordFileError on failure. `complete`
// (if given) learns whether every record counted at the opening was scanned: a
// file shortened meanwhile by another copy of the program ends the scan early.
QStringList run(const QString &path, const RecordLayout &layout, std::span<const Filter> filters, LineBuilder line,
                bool *complete = nullptr);
// The same, each line with the position of its record, so that a picked line
// stands for its own record even where several records give the same line.
RecordLines runRecords(const QString &path, const RecordLayout &layout, std::span<const Filter> filters, LineBuilder line,
                       bool *complete = nullptr);

// Calls `visit` with the record at the 1-based `position` of the archive at `path`
// (created empty when missing). Raises RecordFileError on failure, a position past
// the last record included.
void readRecordAt(const QString &path, const RecordLayout &layout, qint64 position,
                  const std::function<void(std::span<const char> record, qint64 position)> &visit);

} // namespace Search
