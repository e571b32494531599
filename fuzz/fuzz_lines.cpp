// The list lines built from any record, the search filters on them and quick find.
#include "shell/QuickFind.h"
#include "search/Search.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "students/Lines.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString fragment = QString::fromLatin1(bytes.left(8));
    bytes = bytes.mid(8);
    QByteArray student = bytes.left(StudentRecord::Size).leftJustified(StudentRecord::Size, '\0');
    QByteArray form = bytes.left(TT2112Record::Size).leftJustified(TT2112Record::Size, '\0');
    QByteArray lesson = bytes.left(LessonRecord::Size).leftJustified(LessonRecord::Size, '\0');
    RecordBuffer s(StudentRecord::layout());
    s.setBytes(student);
    RecordBuffer l(LessonRecord::layout());
    l.setBytes(lesson);
    const std::span<const char> studentSpan = s.span();
    const QStringList lines{Lines::AttendeeLine(s), Lines::LessonLine(l), Search::StudentSearchLine(s),
                            Search::tt2112SearchLine(std::span<const char>(form.constData(), static_cast<std::size_t>(form.size())))};
    // The fixed columns always stand where they should.
    if (lines[0].mid(28, 10) != QLatin1String("  Isc. n. ") || lines[2].mid(28, 10) != QLatin1String("  Isc. n. "))
        __builtin_trap();
    if (!lines[1].startsWith(QLatin1String("Data: ")) || lines[1].mid(16, 11) != QLatin1String("   Durata: "))
        __builtin_trap();
    const Search::Filter filter{fragment, StudentRecord::txtCognome};
    (void)Search::matches(studentSpan, StudentRecord::layout(), Search::activeFilters(std::span(&filter, 1)));
    QStringList sorted = lines;
    Lines::sortFoldedAZ(sorted);
    for (qsizetype i = 1; i < sorted.size(); ++i) {
        if (Lines::lessFoldedAZ(sorted[i], sorted[i - 1]))
            __builtin_trap();
    }
    QuickFind::State state;
    const QuickFind::Result found = QuickFind::find(lines, static_cast<int>(size % 5) - 1, fragment, state);
    if (found.selected < -1 || found.selected >= lines.size())
        __builtin_trap();
    return 0;
}
