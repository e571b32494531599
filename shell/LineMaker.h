#pragma once

#include "shell/LineStore.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <span>
#include <vector>

class RecordBuffer;
struct RecordLayout;

// The fixed-width lines that the lists show, one per record, in Courier New so
// that the columns line up.
namespace Lines {

// A column of a line: the text before it, then a field's trimmed value padded
// with blanks or cut to `width`; -1, for the last column, takes the whole value.
struct Column {
    QLatin1StringView label;
    int field;
    int width;
};

// How the surname and the name make one value.
enum class NameJoin {
    TrimmedWhole, // joined by a blank and trimmed as one text: "Mario" without a surname
    Blank,        // each trimmed, then joined by a blank: " Mario" without a surname
};

// How a record makes a list line: first, where `nameWidth` is not 0, the surname
// and the name joined by a blank as one value of that width; then the columns.
struct LineFormat {
    const RecordLayout *layout;
    int surname;
    int name;
    int nameWidth;
    std::span<const Column> columns;
    NameJoin join = NameJoin::TrimmedWhole;
};

QString line(std::span<const char> record, const LineFormat &format);
// The same written at `out`, which has room for longestLine(format) characters;
// returns how many it wrote.
qsizetype longestLine(const LineFormat &format);
qsizetype writeLine(std::span<const char> record, const LineFormat &format, QChar *out);

// Makes many lines of one format, each as writeLine() does: the labels and the
// padding of the columns of a fixed width are laid out once, and every line
// starts as a copy of them.
class LineMaker
{
public:
    explicit LineMaker(const LineFormat &format);
    // The room write() needs at `out`: longestLine() of the format.
    qsizetype room() const { return m_room; }
    qsizetype write(std::span<const char> record, QChar *out) const;
    // The same as a text of its own.
    QString line(std::span<const char> record) const;

private:
    // A column of a fixed width before the first of none: where its field lies in
    // the record and where its value goes in the line.
    struct Slot {
        int offset;
        int size;
        int width;
        qsizetype at;
    };
    LineFormat m_format;
    qsizetype m_room;
    QString m_laid;
    std::vector<Slot> m_slots; // for the first columns of the format
    qsizetype m_restAt = 0;    // where the label of the column after them starts
    std::vector<int> m_reads;  // where in the record write() reads first
};

// Turns the capital letters of the code page into small ones: A-Z into a-z and
// À-Þ (but the multiplication sign) into à-þ, so that "SCHIRÒ" finds
// "Schirò"; every other character stays as it is.
QString lowerCase(QStringView text);
// The same for one byte of Windows-1252 text.
constexpr char lowerCaseByte(char b)
{
    const auto u = static_cast<unsigned char>(b);
    return ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) ? static_cast<char>(u + 0x20) : b;
}

// Orders texts character by character, the letters a-z counting as A-Z and every
// other character by its code (not the locale's collation).
bool lessFoldedAZ(QStringView a, QStringView b);
void sortFoldedAZ(QStringList &lines);

// The same order for lines given one by one as they are made, so that each key
// is taken while its line is still in the cache; equal lines keep their order.
class FoldedSort
{
public:
    void reserve(qsizetype count);
    // Takes the key of the next line of the list that sort() will order.
    void add(QStringView line);
    // Orders `lines`, which holds the lines given to add(), in that order.
    void sort(QStringList &lines);
    void sort(LineStore &lines);

private:
    static constexpr std::size_t kWords = 8;
    static constexpr qsizetype kKeyChars = kWords * 8;
    // The first kKeyChars characters of a line, one byte each (its place in the
    // folded order, 0 past the end), packed so that comparing the words in turn
    // compares those characters in order.
    struct Key {
        quint64 words[kWords];
    };
    // A line being ordered: the word of its key that decides at the current depth.
    struct Head {
        quint64 word;
        qsizetype index;
    };
    using LineAt = std::function<QStringView(qsizetype)>;

    // order[k] is the index of the line that comes k-th.
    std::vector<qsizetype> order(const LineAt &lineAt);
    // Orders heads[begin, end), alike in the words before `depth`, by the rest.
    void orderRange(std::vector<Head> &heads, std::vector<Head> &spare, std::size_t begin, std::size_t end,
                    std::size_t depth, const LineAt &lineAt) const;

    std::vector<Key> m_keys;   // by line, in the order of adding
    std::vector<Head> m_heads; // the same, with the first word of each key
    bool m_plain = false;
};

} // namespace Lines
