#include "shell/LineMaker.h"

#include "storage/Layouts.h"
#include "storage/ArchiveError.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"
#include "storage/Windows1252.h"

#include <QtEndian>

#if !defined(__GNUC__) && (defined(_M_X64) || defined(_M_IX86))
#include <xmmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <vector>

namespace Lines {
namespace {

// Asks for the memory at `address` to be brought into the cache ahead of its use.
inline void prefetch(const void *address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#elif defined(_M_X64) || defined(_M_IX86)
    _mm_prefetch(static_cast<const char *>(address), _MM_HINT_T0);
#else
    Q_UNUSED(address);
#endif
}

char16_t foldAZ(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
}

// Writes fixed-width lines straight into their final storage. Labels, values and
// padding go in groups of eight characters, the last group of each overlapping
// the one before it, so that nothing is written past its end. The characters
// before `laid` already hold the labels and the padding (see LineMaker): only the
// values are written there.
class LineWriter
{
public:
    explicit LineWriter(QChar *out, const QChar *laid = nullptr)
        : m_out(reinterpret_cast<char16_t *>(out))
        , m_laid(reinterpret_cast<const char16_t *>(laid))
    {
    }
    void text(QLatin1StringView literal)
    {
        if (m_out < m_laid) {
            m_out += literal.size();
            return;
        }
        // Windows-1252 differs from Latin-1 only in 0x80..0x9F, controls that no
        // label holds.
        Windows1252::decodeInto(QByteArrayView(literal.data(), literal.size()), reinterpret_cast<QChar *>(m_out));
        m_out += literal.size();
    }
    void bytes(QByteArrayView value, int width)
    {
        const int length = width < 0 ? static_cast<int>(value.size()) : std::min(static_cast<int>(value.size()), width);
        Windows1252::decodeInto(value.first(length), reinterpret_cast<QChar *>(m_out));
        m_out += length;
        if (length < width)
            blanks(width - length);
    }

    qsizetype written(const QChar *begin) const { return reinterpret_cast<const QChar *>(m_out) - begin; }

private:
    void blanks(qsizetype n)
    {
        if (m_out < m_laid) {
            m_out += n;
            return;
        }
        std::fill_n(m_out, n, u' ');
        m_out += n;
    }

    char16_t *m_out;
    const char16_t *m_laid;
};

// A field of a record, trimmed. Inlined: every value of every line goes through it.
Q_ALWAYS_INLINE QByteArrayView trimmedField(std::span<const char> record, const RecordLayout &layout, int index)
{
    const FieldDef &def = layout.field(index);
    return TextField::trimmedBytes(record.subspan(static_cast<std::size_t>(def.offset), static_cast<std::size_t>(def.size())));
}

} // namespace

qsizetype longestLine(const LineFormat &format)
{
    qsizetype length = format.nameWidth;
    for (const Column &column : format.columns)
        length += column.label.size() + (column.width >= 0 ? column.width : 255);
    return length;
}

namespace {

// Surname, a blank and the name make one value of the name column, trimmed as a
// whole or keeping the blank.
void writeName(LineWriter &writer, std::span<const char> record, const LineFormat &format)
{
    const QByteArrayView surname = trimmedField(record, *format.layout, format.surname);
    const QByteArrayView name = trimmedField(record, *format.layout, format.name);
    if (format.join == NameJoin::TrimmedWhole && (surname.isEmpty() || name.isEmpty())) {
        writer.bytes(surname.isEmpty() ? name : surname, format.nameWidth);
    } else if (surname.size() >= format.nameWidth) {
        writer.bytes(surname, format.nameWidth);
    } else {
        writer.bytes(surname, -1);
        writer.text(QLatin1StringView(" "));
        writer.bytes(name, format.nameWidth - 1 - static_cast<int>(surname.size()));
    }
}

} // namespace

qsizetype writeLine(std::span<const char> record, const LineFormat &format, QChar *out)
{
    LineWriter writer(out);
    if (format.nameWidth > 0)
        writeName(writer, record, format);
    for (const Column &column : format.columns) {
        writer.text(column.label);
        writer.bytes(trimmedField(record, *format.layout, column.field), column.width);
    }
    return writer.written(out);
}

LineMaker::LineMaker(const LineFormat &format)
    : m_format(format)
    , m_room(longestLine(format))
{
    // The labels and the padding are those of a line of empty fields, up to the
    // first column of no fixed width, which moves what follows it. The values of
    // the columns before it have their places there.
    qsizetype at = format.nameWidth;
    m_restAt = at;
    for (const Column &column : format.columns) {
        at += column.label.size();
        if (column.width < 0)
            break;
        const FieldDef &def = format.layout->field(column.field);
        m_slots.push_back({def.offset, def.size(), column.width, at});
        at += column.width;
        m_restAt = at;
    }
    const std::vector<char> empty(static_cast<std::size_t>(format.layout->recordSize), '\0');
    m_laid = Lines::line(empty, format).left(at);
    // Where write() reads each field: from its length byte on, over 64 bytes at
    // most (two cache lines), for the texts that start near the end of one.
    const auto reads = [this](int field) {
        const FieldDef &def = m_format.layout->field(field);
        m_reads.push_back(def.offset);
        m_reads.push_back(def.offset + std::min(def.size(), 64) - 1);
    };
    if (format.nameWidth > 0) {
        reads(format.surname);
        reads(format.name);
    }
    for (const Column &column : format.columns)
        reads(column.field);
}

qsizetype LineMaker::write(std::span<const char> record, QChar *out) const
{
    // The fields lie far apart in the record, each likely out of the cache: they
    // are all asked for at once rather than waited for one after the other.
    for (const int offset : m_reads)
        prefetch(record.data() + offset);
    std::memcpy(out, m_laid.constData(), static_cast<std::size_t>(m_laid.size()) * sizeof(QChar));
    const QChar *laid = out + m_laid.size();
    if (m_format.nameWidth > 0) {
        LineWriter writer(out, laid);
        writeName(writer, record, m_format);
    }
    for (const Slot &slot : m_slots) {
        const QByteArrayView value = TextField::trimmedBytes(record.subspan(static_cast<std::size_t>(slot.offset), static_cast<std::size_t>(slot.size)));
        Windows1252::decodeInto(value.first(std::min(value.size(), qsizetype(slot.width))), out + slot.at);
    }
    LineWriter writer(out + m_restAt, laid);
    for (const Column &column : m_format.columns.subspan(m_slots.size())) {
        writer.text(column.label);
        writer.bytes(trimmedField(record, *m_format.layout, column.field), column.width);
    }
    return writer.written(out);
}

QString LineMaker::line(std::span<const char> record) const
{
    QString text(m_room, Qt::Uninitialized);
    text.truncate(write(record, text.data()));
    return text;
}

QString line(std::span<const char> record, const LineFormat &format)
{
    QString text(longestLine(format), Qt::Uninitialized);
    text.truncate(writeLine(record, format, text.data()));
    return text;
}

namespace {

// Compares two lines from `from` on, letter case of A-Z aside: < 0, 0 or > 0.
// Runs of identical units, the common case between neighbouring lines, are
// skipped without folding.
int compareFoldedFrom(QStringView a, QStringView b, qsizetype from)
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t *x = a.utf16();
    const char16_t *y = b.utf16();
    for (qsizetype i = from; i < n; ++i) {
        if (x[i] == y[i])
            continue;
        const char16_t fx = foldAZ(x[i]);
        const char16_t fy = foldAZ(y[i]);
        if (fx != fy)
            return fx < fy ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

} // namespace

bool lessFoldedAZ(QStringView a, QStringView b)
{
    return compareFoldedFrom(a, b, 0) < 0;
}

namespace {

// The place in the folded order (see foldedRanks()) of a unit below 0x80, worked
// out rather than looked up so that a whole key of them takes a few vector
// instructions. Each of these units is the character of its own byte and comes
// after all the units below it, except that a-z count as A-Z: the units up to '`'
// take the places 1 to 0x61, and '{' to DEL follow them straight away.
constexpr quint8 asciiRank(char16_t unit)
{
    return static_cast<quint8>(unit + 1 - (unit >= u'a' && unit <= u'z' ? 32 : 0) - (unit > u'z' ? 26 : 0));
}

// The place of each UTF-16 unit in the folded order, one byte wide: 1, 2, ... for
// the units that Windows-1252 bytes decode to (the only ones record text holds),
// with a-z taking the place of A-Z; 0 for every other unit.
const std::array<quint8, 65536> &foldedRanks()
{
    static const std::array<quint8, 65536> ranks = [] {
        std::vector<char16_t> folded;
        for (int byte = 0; byte < 256; ++byte)
            folded.push_back(foldAZ(Windows1252::decodeByte(static_cast<unsigned char>(byte))));
        std::sort(folded.begin(), folded.end());
        folded.erase(std::unique(folded.begin(), folded.end()), folded.end());
        std::array<quint8, 65536> table{};
        for (int byte = 0; byte < 256; ++byte) {
            const char16_t unit = Windows1252::decodeByte(static_cast<unsigned char>(byte));
            const auto place = std::lower_bound(folded.begin(), folded.end(), foldAZ(unit)) - folded.begin();
            table[unit] = static_cast<quint8>(1 + place);
        }
        for (char16_t unit = 0; unit < 0x80; ++unit)
            Q_ASSERT(table[unit] == asciiRank(unit));
        return table;
    }();
    return ranks;
}

// Sorts heads alike in the high bytes of their word by the `bytes` lowest ones,
// keeping the order of equal ones: one pass per byte from the lowest, leaving out
// those where every head has the same byte; a few heads by insertion.
template <typename Head>
void sortByLowBytes(Head *heads, Head *spare, std::size_t size, std::size_t bytes)
{
    if (size <= 32) {
        for (std::size_t i = 1; i < size; ++i) {
            const Head head = heads[i];
            std::size_t j = i;
            for (; j > 0 && heads[j - 1].word > head.word; --j)
                heads[j] = heads[j - 1];
            heads[j] = head;
        }
        return;
    }
    std::array<std::array<quint32, 256>, 8> counts{};
    for (std::size_t i = 0; i < size; ++i) {
        const quint64 word = heads[i].word;
        for (std::size_t b = 0; b < bytes; ++b)
            ++counts[b][(word >> (8 * b)) & 0xFF];
    }
    Head *from = heads;
    Head *to = spare;
    for (std::size_t b = 0; b < bytes; ++b) {
        std::array<quint32, 256> &next = counts[b];
        if (next[(from[0].word >> (8 * b)) & 0xFF] == size)
            continue;
        quint32 place = 0;
        for (quint32 &count : next)
            place += std::exchange(count, place);
        for (std::size_t i = 0; i < size; ++i)
            to[next[(from[i].word >> (8 * b)) & 0xFF]++] = from[i];
        std::swap(from, to);
    }
    if (from != heads)
        std::copy(from, from + size, heads);
}

// Sorts heads by their word, keeping the order of equal ones. Many heads are first
// parted by the highest byte, so that the passes over each part stay in the cache.
template <typename Head>
void sortByWord(Head *heads, Head *spare, std::size_t size)
{
    if (size <= 4096) {
        sortByLowBytes(heads, spare, size, 8);
        return;
    }
    std::array<quint32, 257> starts{};
    for (std::size_t i = 0; i < size; ++i)
        ++starts[(heads[i].word >> 56) + 1];
    for (std::size_t d = 1; d < starts.size(); ++d)
        starts[d] += starts[d - 1];
    std::array<quint32, 256> next;
    std::copy(starts.begin(), starts.end() - 1, next.begin());
    for (std::size_t i = 0; i < size; ++i)
        spare[next[heads[i].word >> 56]++] = heads[i];
    for (std::size_t d = 0; d < 256; ++d) {
        const std::size_t begin = starts[d];
        const std::size_t length = starts[d + 1] - begin;
        if (length == 0)
            continue;
        sortByLowBytes(spare + begin, heads + begin, length, 7);
        std::copy(spare + begin, spare + begin + length, heads + begin);
    }
}

} // namespace

void FoldedSort::reserve(qsizetype count)
{
    m_keys.reserve(static_cast<std::size_t>(count));
    m_heads.reserve(static_cast<std::size_t>(count));
}

void FoldedSort::add(QStringView line)
{
    const qsizetype size = std::min(line.size(), kKeyChars);
    quint8 places[kKeyChars];
    // The units of a short line are taken with blanks after them: their places
    // are set to 0 below.
    const char16_t *units = line.utf16();
    char16_t padded[kKeyChars];
    if (size < kKeyChars) {
        std::fill(padded, padded + kKeyChars, u' ');
        if (size > 0)
            std::memcpy(padded, units, static_cast<std::size_t>(size) * sizeof(char16_t));
        units = padded;
    }
    for (qsizetype c = 0; c < kKeyChars; ++c)
        places[c] = asciiRank(units[c]);
    // The others (accented letters, mostly) from the table: a bit for each.
    quint64 others = 0;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i upper = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    for (int group = 0; group < kKeyChars / 8; ++group) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units + group * 8));
        const __m128i below = _mm_cmpeq_epi16(_mm_and_si128(eight, upper), zero);
        const auto bits = static_cast<quint64>(~_mm_movemask_epi8(_mm_packs_epi16(below, zero)) & 0xFF);
        others |= bits << (group * 8);
    }
#else
    for (qsizetype c = 0; c < kKeyChars; ++c)
        others |= quint64(units[c] >= 0x80) << c;
#endif
    if (others != 0) {
        const std::array<quint8, 65536> &ranks = foldedRanks();
        bool unknown = false;
        for (; others != 0; others &= others - 1) {
            const int c = std::countr_zero(others);
            places[c] = ranks[units[c]];
            unknown |= places[c] == 0;
        }
        if (unknown)
            m_plain = true; // a character no record holds
    }
    std::fill(places + size, places + kKeyChars, quint8(0));
    Key key;
    for (std::size_t w = 0; w < kWords; ++w)
        key.words[w] = qFromBigEndian<quint64>(places + w * 8);
    m_keys.push_back(key);
    m_heads.push_back({key.words[0], static_cast<qsizetype>(m_heads.size())});
}

void FoldedSort::orderRange(std::vector<Head> &heads, std::vector<Head> &spare, std::size_t begin, std::size_t end,
                            std::size_t depth, const LineAt &lineAt) const
{
    const auto first = heads.begin() + static_cast<std::ptrdiff_t>(begin);
    const auto last = heads.begin() + static_cast<std::ptrdiff_t>(end);
    // Lines alike in all their key: both at least kKeyChars long, or equally short
    // with the same characters, so comparing from there decides.
    const auto restLess = [&lineAt](const Head &a, const Head &b) {
        const QStringView x = lineAt(a.index);
        const QStringView y = lineAt(b.index);
        const int comparison = compareFoldedFrom(x, y, std::min({x.size(), y.size(), kKeyChars}));
        return comparison != 0 ? comparison < 0 : a.index < b.index;
    };
    // A few heads are compared whole, the words of their keys in turn.
    if (end - begin <= 32) {
        std::sort(first, last, [&](const Head &a, const Head &b) {
            const Key &x = m_keys[static_cast<std::size_t>(a.index)];
            const Key &y = m_keys[static_cast<std::size_t>(b.index)];
            for (std::size_t w = depth; w < kWords; ++w) {
                if (x.words[w] != y.words[w])
                    return x.words[w] < y.words[w];
            }
            return restLess(a, b);
        });
        return;
    }
    // Many by their word at this depth; then each run alike in it by what follows.
    // The keys of the heads in runs are fetched a little ahead of their use: they
    // lie all over the memory.
    sortByWord(heads.data() + begin, spare.data() + begin, end - begin);
    std::size_t fetched = begin;
    const auto fetchUpTo = [&](std::size_t upTo) {
        for (upTo = std::min(upTo, end); fetched < upTo; ++fetched) {
            const bool inRun = (fetched > begin && heads[fetched - 1].word == heads[fetched].word)
                || (fetched + 1 < end && heads[fetched + 1].word == heads[fetched].word);
            if (inRun)
                prefetch(&m_keys[static_cast<std::size_t>(heads[fetched].index)].words[std::min(depth + 1, kWords - 1)]);
        }
    };
    for (std::size_t run = begin; run < end;) {
        std::size_t next = run + 1;
        while (next < end && heads[next].word == heads[run].word)
            ++next;
        fetchUpTo(next + 16);
        if (next - run > 1) {
            if (depth + 1 < kWords) {
                for (std::size_t h = run; h < next; ++h)
                    heads[h].word = m_keys[static_cast<std::size_t>(heads[h].index)].words[depth + 1];
                orderRange(heads, spare, run, next, depth + 1, lineAt);
            } else {
                std::sort(heads.begin() + static_cast<std::ptrdiff_t>(run), heads.begin() + static_cast<std::ptrdiff_t>(next), restLess);
            }
        }
        run = next;
    }
}

std::vector<qsizetype> FoldedSort::order(const LineAt &lineAt)
{
    const std::size_t count = m_keys.size();
    std::vector<qsizetype> order;
    order.reserve(count);
    if (m_plain) {
        for (std::size_t i = 0; i < count; ++i)
            order.push_back(static_cast<qsizetype>(i));
        std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return lessFoldedAZ(lineAt(a), lineAt(b)); });
        return order;
    }
    // By the first word of the keys, then each run alike in it by the next word and
    // so on, then by the rest of the lines; equal lines by their place in the list.
    // The heads start in the order of adding and every step keeps the order of
    // equal ones.
    std::vector<Head> heads = std::move(m_heads);
    if (heads.size() != count) { // ordered before
        heads.clear();
        for (std::size_t i = 0; i < count; ++i)
            heads.push_back({m_keys[i].words[0], static_cast<qsizetype>(i)});
    }
    std::vector<Head> spare(count);
    orderRange(heads, spare, 0, count, 0, lineAt);
    for (const Head &head : heads)
        order.push_back(head.index);
    return order;
}

void FoldedSort::sort(QStringList &lines)
{
    Q_ASSERT(static_cast<std::size_t>(lines.size()) == m_keys.size());
    QStringList sorted;
    sorted.reserve(lines.size());
    for (const qsizetype index : order([&lines](qsizetype i) { return QStringView(lines.at(i)); }))
        sorted.append(std::move(lines[index]));
    lines = std::move(sorted);
}

void FoldedSort::sort(LineStore &lines)
{
    Q_ASSERT(static_cast<std::size_t>(lines.size()) == m_keys.size());
    lines.setOrder(order([&lines](qsizetype i) { return lines.added(i); }));
}

void sortFoldedAZ(QStringList &lines)
{
    FoldedSort sort;
    sort.reserve(lines.size());
    for (const QString &line : std::as_const(lines))
        sort.add(line);
    sort.sort(lines);
}

QString lowerCase(QStringView text)
{
    QString result = text.toString();
    for (QChar &c : result) {
        const char16_t u = c.unicode();
        if ((u >= u'A' && u <= u'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
            c = QChar(static_cast<char16_t>(u + 0x20));
    }
    return result;
}

} // namespace Lines
