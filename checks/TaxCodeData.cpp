#include "checks/TaxCodeData.h"

#include "checks/TaxCode.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>
#include <tuple>
#include <vector>

// The compiled-in list lives in a static library: its resource is registered by
// hand, as nothing else would pull it into the program.
static void registerBirthPlaceList()
{
    Q_INIT_RESOURCE(belfiore);
}

namespace {

// ---------------------------------------------------------------------------
// Texts compared letter by letter

// Upper-case letters and digits of `text`, accents taken off (the base letter
// stays), a few letters that have no decomposition spelt out, and everything
// else (blanks, apostrophes, hyphens, dots) dropped.
QString plainLetters(QStringView text)
{
    // Plain ASCII, most names: no decomposition needed.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        QString plain;
        plain.reserve(text.size());
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if ((u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9'))
                plain += c;
            else if (u >= u'a' && u <= u'z')
                plain += QChar(static_cast<char16_t>(u - u'a' + u'A'));
        }
        return plain;
    }
    const QString decomposed = text.toString().normalized(QString::NormalizationForm_KD);
    QString plain;
    plain.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.isMark())
            continue;
        const QChar upper = c.toUpper();
        const char16_t u = upper.unicode();
        if ((u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')) {
            plain += upper;
            continue;
        }
        switch (u) {
        case u'\u00C6': plain += QLatin1String("AE"); break; // Æ
        case u'\u0152': plain += QLatin1String("OE"); break; // Œ
        case u'\u00D8': plain += QLatin1Char('O'); break;    // Ø
        case u'\u0110': plain += QLatin1Char('D'); break;    // Đ
        case u'\u0141': plain += QLatin1Char('L'); break;    // Ł
        case u'\u00DF': plain += QLatin1String("SS"); break; // ß (upper-cased, it stays itself)
        case u'\u1E9E': plain += QLatin1String("SS"); break; // ẞ
        default: break;
        }
    }
    return plain;
}

bool isVowel(QChar c)
{
    switch (c.unicode()) {
    case u'A': case u'E': case u'I': case u'O': case u'U': return true;
    default: return false;
    }
}

// The three letters of a surname (`isName` false) or a name: its consonants,
// then its vowels, then X; a name of four consonants or more gives its first,
// third and fourth. Empty when the text holds no letter.
QString personLetters(QStringView text, bool isName)
{
    // The Interior Ministry's transliteration: Ä, Ö and Ü are written AE, OE and UE
    // (the other accented letters lose their accent, in plainLetters).
    QString spelt;
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0xC4 && c.unicode() <= 0xFC; })) {
        spelt.reserve(text.size() + 4);
        for (const QChar c : text) {
            switch (c.unicode()) {
            case u'\u00C4': case u'\u00E4': spelt += QLatin1String("AE"); break; // Ä ä
            case u'\u00D6': case u'\u00F6': spelt += QLatin1String("OE"); break; // Ö ö
            case u'\u00DC': case u'\u00FC': spelt += QLatin1String("UE"); break; // Ü ü
            default: spelt += c;
            }
        }
        text = spelt;
    }
    QString consonants;
    QString vowels;
    for (const QChar c : plainLetters(text)) {
        if (c.unicode() < u'A')
            continue; // digits are no part of a name
        (isVowel(c) ? vowels : consonants) += c;
    }
    if (consonants.isEmpty() && vowels.isEmpty())
        return QString();
    if (isName && consonants.size() >= 4)
        return QString(consonants[0]) + consonants[2] + consonants[3];
    return QString(consonants + vowels + QLatin1String("XXX")).left(3);
}

// ---------------------------------------------------------------------------
// The parts of a code

constexpr std::array<char16_t, 12> kMonthLetters = {u'A', u'B', u'C', u'D', u'E', u'H',
                                                    u'L', u'M', u'P', u'R', u'S', u'T'};
// The letters that stand for 0..9 where a code was changed to tell two people apart.
constexpr std::array<char16_t, 10> kOmocodiaLetters = {u'L', u'M', u'N', u'P', u'Q',
                                                       u'R', u'S', u'T', u'U', u'V'};

// The digit at a place that holds digits, omocodia letters read back; -1 otherwise.
int digitAt(QStringView code, qsizetype index)
{
    const char16_t c = code[index].unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    const auto *found = std::find(kOmocodiaLetters.begin(), kOmocodiaLetters.end(), c);
    return found == kOmocodiaLetters.end() ? -1 : static_cast<int>(found - kOmocodiaLetters.begin());
}

bool isLetter(QChar c)
{
    return c.unicode() >= u'A' && c.unicode() <= u'Z';
}

struct CodeParts {
    int year = 0;  // two digits
    int month = 0; // 1..12
    int day = 0;   // 1..31, forty taken off for a woman
    QChar sex;
    QString placeCode;
};

// The parts of a valid code, or nothing when a character is out of place or the
// day or month cannot be.
std::optional<CodeParts> readParts(QStringView code)
{
    if (!IsValidTaxCode(code))
        return std::nullopt;
    for (const qsizetype i : {0, 1, 2, 3, 4, 5, 11}) {
        if (!isLetter(code[i]))
            return std::nullopt;
    }
    std::array<int, 7> digits{};
    const std::array<qsizetype, 7> digitPlaces = {6, 7, 9, 10, 12, 13, 14};
    for (std::size_t i = 0; i < digitPlaces.size(); ++i) {
        digits[i] = digitAt(code, digitPlaces[i]);
        if (digits[i] < 0)
            return std::nullopt;
    }
    const auto *month = std::find(kMonthLetters.begin(), kMonthLetters.end(), code[8].unicode());
    if (month == kMonthLetters.end())
        return std::nullopt;
    CodeParts parts;
    parts.year = digits[0] * 10 + digits[1];
    parts.month = static_cast<int>(month - kMonthLetters.begin()) + 1;
    const int day = digits[2] * 10 + digits[3];
    if (day >= 1 && day <= 31) {
        parts.sex = QLatin1Char('M');
        parts.day = day;
    } else if (day >= 41 && day <= 71) {
        parts.sex = QLatin1Char('F');
        parts.day = day - 40;
    } else {
        return std::nullopt;
    }
    parts.placeCode = code[11] + QString::number(digits[4] * 100 + digits[5] * 10 + digits[6]).rightJustified(3, QLatin1Char('0'));
    return parts;
}

bool isPlaceCode(QStringView code)
{
    if (code.size() != 4 || !isLetter(code[0]))
        return false;
    return std::all_of(code.begin() + 1, code.end(), [](QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; });
}

// ---------------------------------------------------------------------------
// The list of places, read once from the compiled-in file

// Another name of a code: a former name or province, or a state's everyday name.
struct Alias {
    QString code;
    QString plainName;
    QString province; // the former province; empty for a state
    bool foreign = false;
};

struct PlaceList {
    QString text;                    // the file: the places' texts point into it
    std::vector<BirthPlace> places;  // by code, then by start
    std::vector<QString> plainNames; // plainLetters of each place's name
    std::vector<Alias> aliases;      // by plainName
    QSet<size_t> aliasHashes;        // qHash of each alias's plain name: most names have no alias
    std::vector<std::pair<qint64, QString>> ceased; // the days (Julian) on which a municipality ceased, with its province, sorted
    QHash<QString, QStringList> formerProvinces; // today's province -> provinces most of it was part of
    QSet<QString> provinces;         // the provinces of today
};

// Orders a place by code, for the searches of a code's periods.
struct PeriodOrder {
    bool operator()(const BirthPlace &place, const QString &code) const { return place.code < code; }
    bool operator()(const QString &code, const BirthPlace &place) const { return code < place.code; }
};

// The number written by the digits text[from, from + count), or -1.
int digitsAt(QStringView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// A yyyy-mm-dd date of the list (read by hand: QDate::fromString is slow, and
// the list holds over twenty thousand dates).
QDate readDate(QStringView text)
{
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return QDate();
    return QDate(digitsAt(text, 0, 4), digitsAt(text, 5, 2), digitsAt(text, 8, 2));
}

PlaceList loadPlaces()
{
    registerBirthPlaceList();
    PlaceList list;
    QFile file(QStringLiteral(":/checks/belfiore.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return list;
    list.text = QString::fromUtf8(file.readAll());
    list.places.reserve(10240);
    // The texts of the places are the file's own characters, not copies: the list
    // lives as long as the program.
    const auto kept = [](QStringView piece) { return QString::fromRawData(piece.data(), piece.size()); };
    std::vector<std::pair<QString, QString>> common; // code, everyday name, in the file's order
    // Lines and fields found by hand, without a list of pieces for each line.
    const QStringView all(list.text);
    std::array<QStringView, 8> fields;
    for (qsizetype start = 0; start < all.size();) {
        qsizetype end = all.indexOf(u'\n', start);
        if (end < 0)
            end = all.size();
        const QStringView line = all.sliced(start, end - start);
        start = end + 1;
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        std::size_t count = 0;
        for (qsizetype from = 0; count < fields.size();) {
            const qsizetype tab = line.indexOf(u'\t', from);
            fields[count++] = line.sliced(from, (tab < 0 ? line.size() : tab) - from);
            if (tab < 0)
                break;
            from = tab + 1;
        }
        if (count != 6 && count != 7)
            continue;
        if (count == 7 && !fields[6].isEmpty()) {
            if (fields[6] == u"common")
                common.emplace_back(kept(fields[0]), kept(fields[1]));
            list.aliases.push_back({kept(fields[0]), plainLetters(fields[1]), kept(fields[2]), fields[3] == u"1"});
            continue;
        }
        BirthPlace place;
        place.code = kept(fields[0]);
        place.name = kept(fields[1]);
        place.province = kept(fields[2]);
        place.foreign = fields[3] == u"1";
        place.validFrom = readDate(fields[4]);
        place.validTo = readDate(fields[5]);
        list.places.push_back(std::move(place));
    }
    // The file comes sorted; a file edited by hand still gives a usable list.
    const auto byCodeAndStart = [](const BirthPlace &a, const BirthPlace &b) {
        return std::tie(a.code, a.validFrom) < std::tie(b.code, b.validFrom);
    };
    if (!std::is_sorted(list.places.begin(), list.places.end(), byCodeAndStart))
        std::stable_sort(list.places.begin(), list.places.end(), byCodeAndStart);
    list.plainNames.reserve(list.places.size());
    for (const BirthPlace &place : list.places)
        list.plainNames.push_back(plainLetters(place.name));
    std::stable_sort(list.aliases.begin(), list.aliases.end(), [](const Alias &a, const Alias &b) { return a.plainName < b.plainName; });
    for (const Alias &alias : list.aliases)
        list.aliasHashes.insert(qHash(alias.plainName));

    const auto periods = [&list](const QString &code) {
        return std::equal_range(list.places.begin(), list.places.end(), code, PeriodOrder());
    };
    // A state's short name: its first everyday name.
    for (const auto &[code, name] : common) {
        for (auto [it, end] = periods(code); it != end; ++it) {
            if (it->shortName.isEmpty())
                it->shortName = name;
        }
    }
    for (const BirthPlace &place : list.places) {
        if (place.validTo.isValid() && !place.foreign)
            list.ceased.emplace_back(place.validTo.toJulianDay(), place.province);
        else if (!place.foreign)
            list.provinces.insert(place.province);
    }
    std::sort(list.ceased.begin(), list.ceased.end());
    // The provinces a province was made from: those that at least five of its
    // municipalities are listed under as a former province (Lecco, CO; Monza, MI).
    QHash<QString, int> moves;
    for (const Alias &alias : list.aliases) {
        if (alias.foreign || alias.province.isEmpty())
            continue;
        auto [begin, end] = periods(alias.code);
        if (begin == end)
            continue;
        const BirthPlace &today = *(end - 1);
        if (!today.validTo.isValid() && today.province != alias.province)
            ++moves[today.province + u'>' + alias.province];
    }
    for (auto it = moves.cbegin(); it != moves.cend(); ++it) {
        if (it.value() >= 5)
            list.formerProvinces[it.key().left(2)].append(it.key().right(2));
    }
    return list;
}

const PlaceList &placeList()
{
    static const PlaceList list = loadPlaces();
    return list;
}

// The places' positions ordered by their plain names, made on the first search by name.
const std::vector<int> &nameIndex()
{
    static const std::vector<int> index = [] {
        const PlaceList &list = placeList();
        std::vector<int> positions(list.places.size());
        for (std::size_t i = 0; i < positions.size(); ++i)
            positions[i] = static_cast<int>(i);
        std::stable_sort(positions.begin(), positions.end(), [&list](int a, int b) {
            return list.plainNames[static_cast<std::size_t>(a)] < list.plainNames[static_cast<std::size_t>(b)];
        });
        return positions;
    }();
    return index;
}

// The positions of the places whose plain name is `plain`.
std::pair<std::vector<int>::const_iterator, std::vector<int>::const_iterator> placesNamed(const QString &plain)
{
    const PlaceList &list = placeList();
    const std::vector<int> &index = nameIndex();
    const auto less = [&list](int position, const QString &key) { return list.plainNames[static_cast<std::size_t>(position)] < key; };
    const auto greater = [&list](const QString &key, int position) { return key < list.plainNames[static_cast<std::size_t>(position)]; };
    return {std::lower_bound(index.begin(), index.end(), plain, less), std::upper_bound(index.begin(), index.end(), plain, greater)};
}

// Orders aliases by their plain name, for the searches by name.
struct AliasOrder {
    bool operator()(const Alias &alias, const QString &key) const { return alias.plainName < key; }
    bool operator()(const QString &key, const Alias &alias) const { return key < alias.plainName; }
};

// The positions of the periods of `code`.
std::pair<std::size_t, std::size_t> periodsOf(QStringView code)
{
    const std::vector<BirthPlace> &places = placeList().places;
    const auto first = std::lower_bound(places.begin(), places.end(), code,
                                        [](const BirthPlace &place, QStringView key) { return QStringView(place.code) < key; });
    auto last = first;
    while (last != places.end() && QStringView(last->code) == code)
        ++last;
    return {static_cast<std::size_t>(first - places.begin()), static_cast<std::size_t>(last - places.begin())};
}

enum class Existence { No, Recorded, Assumed };

// Whether the place at `position` existed on `date` (null: at any time): in its
// recorded period, or, before the first period of its code, as far as no place
// of the same name says otherwise (see BirthPlaces::byCode).
Existence existedOn(std::size_t position, QDate date)
{
    const PlaceList &list = placeList();
    const BirthPlace &place = list.places[position];
    if (!date.isValid() || place.validOn(date))
        return Existence::Recorded;
    if (!place.validFrom.isValid() || date >= place.validFrom)
        return Existence::No;
    if (position > 0 && list.places[position - 1].code == place.code)
        return Existence::No; // an earlier period of the code covers earlier dates
    // Municipalities of its province ceased on the day the code begins: it was made
    // then, from them (a merger: Abetone Cutigliano from Abetone and Cutigliano on
    // 01/01/2017).
    if (std::binary_search(list.ceased.begin(), list.ceased.end(), std::make_pair(place.validFrom.toJulianDay(), place.province)))
        return Existence::No;
    const auto [begin, end] = placesNamed(list.plainNames[position]);
    for (auto it = begin; it != end; ++it) {
        if (list.places[static_cast<std::size_t>(*it)].validOn(date))
            return Existence::No;
    }
    return Existence::Assumed;
}

} // namespace

bool BirthPlace::validOn(QDate date) const
{
    if (!date.isValid())
        return !validTo.isValid();
    return (!validFrom.isValid() || date >= validFrom) && (!validTo.isValid() || date < validTo);
}

namespace BirthPlaces {

std::optional<BirthPlace> byCode(QStringView code, QDate date)
{
    const auto [first, last] = periodsOf(code);
    if (first == last)
        return std::nullopt;
    const std::vector<BirthPlace> &places = placeList().places;
    if (!date.isValid())
        return places[last - 1];
    for (std::size_t i = first; i < last; ++i) {
        if (existedOn(i, date) != Existence::No)
            return places[i];
    }
    return std::nullopt;
}

QList<BirthPlace> byName(QStringView name, QStringView province, QDate date)
{
    const QString plain = plainLetters(name);
    if (plain.isEmpty())
        return {};
    const QString wantedProvince = province.trimmed().toString().toUpper();
    const bool abroad = wantedProvince == QLatin1String("EE");
    const bool inProvince = !abroad && wantedProvince.size() == 2;
    const PlaceList &list = placeList();

    // How a place was found, best first.
    enum class Via { Name, FormerName, FormerProvince, AnyProvince };
    struct Found {
        int position;
        Existence existence;
        Via via;
    };
    std::vector<Found> found;
    const auto add = [&found](int position, Existence existence, Via via) {
        for (Found &f : found) {
            if (f.position == position) {
                f.via = std::min(f.via, via);
                return;
            }
        }
        found.push_back({position, existence, via});
    };
    // `province`: the municipality's province as the name was found; empty to take any.
    const auto provinceFits = [&](const QString &placeProvince, bool foreign, bool anyProvince, Via &via) {
        if (abroad)
            return foreign;
        if (!inProvince || anyProvince)
            return !anyProvince || !foreign;
        if (foreign)
            return false;
        if (placeProvince == wantedProvince)
            return true;
        if (list.formerProvinces.value(placeProvince).contains(wantedProvince)) {
            via = std::max(via, Via::FormerProvince);
            return true;
        }
        return false;
    };
    const auto search = [&](bool anyProvince) {
        const Via base = anyProvince ? Via::AnyProvince : Via::Name;
        const auto [begin, end] = placesNamed(plain);
        for (auto it = begin; it != end; ++it) {
            const BirthPlace &place = list.places[static_cast<std::size_t>(*it)];
            Via via = base;
            if (!provinceFits(place.province, place.foreign, anyProvince, via))
                continue;
            const Existence existence = existedOn(static_cast<std::size_t>(*it), date);
            if (existence != Existence::No)
                add(*it, existence, via);
        }
        // Former names and provinces, and everyday names: the code's place on the date.
        if (!list.aliasHashes.contains(qHash(plain)))
            return;
        const auto aliases = std::equal_range(list.aliases.begin(), list.aliases.end(), plain, AliasOrder());
        for (auto alias = aliases.first; alias != aliases.second; ++alias) {
            const auto [first, last] = periodsOf(alias->code);
            if (first == last)
                continue;
            // A former province counts as itself; a former name with the code's province of today too.
            Via via = std::max(base, Via::FormerName);
            const bool fits = alias->foreign ? provinceFits(QString(), true, anyProvince, via)
                                             : (provinceFits(alias->province, false, anyProvince, via)
                                                || provinceFits(list.places[last - 1].province, false, anyProvince, via));
            if (!fits)
                continue;
            for (std::size_t i = first; i < last; ++i) {
                if (!date.isValid()) {
                    if (i + 1 == last)
                        add(static_cast<int>(i), Existence::Recorded, via);
                    continue;
                }
                const Existence existence = existedOn(i, date);
                if (existence != Existence::No) {
                    add(static_cast<int>(i), existence, via);
                    break;
                }
            }
        }
    };
    search(false);
    // A province that is no longer one (FO, PS): the name alone, when it names one municipality.
    if (found.empty() && inProvince && !list.provinces.contains(wantedProvince)) {
        search(true);
        if (found.size() > 1)
            found.clear();
    }
    // Best first: places recorded on the date, found by their name, municipalities,
    // places that still exist, then by code.
    std::sort(found.begin(), found.end(), [&list](const Found &a, const Found &b) {
        const BirthPlace &pa = list.places[static_cast<std::size_t>(a.position)];
        const BirthPlace &pb = list.places[static_cast<std::size_t>(b.position)];
        return std::make_tuple(a.existence != Existence::Recorded, a.via, pa.foreign, pa.validTo.isValid(), a.position)
            < std::make_tuple(b.existence != Existence::Recorded, b.via, pb.foreign, pb.validTo.isValid(), b.position);
    });
    QList<BirthPlace> places;
    places.reserve(static_cast<qsizetype>(found.size()));
    for (const Found &f : found)
        places.append(list.places[static_cast<std::size_t>(f.position)]);
    return places;
}

BirthPlaceQuery queryFor(const QString &municipality, const QString &province, const QString &state)
{
    const QString trimmedState = state.trimmed();
    const bool stateAbroad = !trimmedState.isEmpty() && plainLetters(trimmedState) != QLatin1String("ITALIA");
    BirthPlaceQuery query;
    query.abroad = stateAbroad || province.trimmed().compare(QLatin1String("EE"), Qt::CaseInsensitive) == 0;
    query.name = stateAbroad ? trimmedState : municipality.trimmed();
    if (!query.abroad)
        query.province = province.trimmed().toUpper();
    return query;
}

QList<BirthPlace> named(const BirthPlaceQuery &query, QDate date)
{
    if (query.name.isEmpty())
        return {};
    QList<BirthPlace> places = byName(query.name, query.abroad ? u"EE" : QStringView(query.province), date);
    places.removeIf([&query](const BirthPlace &place) { return place.foreign != query.abroad; });
    return places;
}

} // namespace BirthPlaces

std::optional<DecodedTaxCode> DecodeTaxCode(QStringView code, QDate today)
{
    const std::optional<CodeParts> parts = readParts(code);
    if (!parts)
        return std::nullopt;
    if (!today.isValid())
        today = QDate::currentDate();
    // The latest year ending in the code's two digits by which the holder is 14.
    int year = today.year() - 14;
    year -= ((year - parts->year) % 100 + 100) % 100;
    if (std::make_pair(parts->month, parts->day) > std::make_pair(today.month(), today.day()) && year + 14 == today.year())
        year -= 100;
    const QDate birthDate(year, parts->month, parts->day);
    if (!birthDate.isValid())
        return std::nullopt;
    DecodedTaxCode decoded;
    decoded.sex = parts->sex;
    decoded.birthDate = birthDate;
    decoded.placeCode = parts->placeCode;
    decoded.place = BirthPlaces::byCode(decoded.placeCode, birthDate);
    if (!decoded.place)
        decoded.placeAnyTime = BirthPlaces::byCode(decoded.placeCode);
    return decoded;
}

TaxCodeCheck CheckTaxCodeText(QStringView code, QDate today)
{
    TaxCodeCheck check;
    const auto fault = [&check](TaxCodeFault found, qsizetype index = -1) {
        check.fault = found;
        check.position = static_cast<int>(index + 1);
        return check;
    };
    if (code.isEmpty())
        return fault(TaxCodeFault::Empty);
    const bool digitsOnly = std::all_of(code.begin(), code.end(), [](QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; });
    if (digitsOnly && code.size() == 11)
        return fault(TaxCodeFault::Number11);
    if (code.size() != 16)
        return fault(TaxCodeFault::Length);
    for (qsizetype i = 0; i < code.size(); ++i) {
        const char16_t c = code[i].unicode();
        if (!((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')))
            return fault(TaxCodeFault::Character, i);
    }
    // The structure: letters and digits in their places, before the check letter.
    for (const qsizetype i : {0, 1, 2, 3, 4, 5, 8, 11, 15}) {
        if (!isLetter(code[i]))
            return fault(TaxCodeFault::Letter, i);
    }
    for (const qsizetype i : {6, 7, 9, 10, 12, 13, 14}) {
        if (digitAt(code, i) < 0)
            return fault(TaxCodeFault::Digit, i);
    }
    if (std::find(kMonthLetters.begin(), kMonthLetters.end(), code[8].unicode()) == kMonthLetters.end())
        return fault(TaxCodeFault::Month, 8);
    const int day = digitAt(code, 9) * 10 + digitAt(code, 10);
    if (!((day >= 1 && day <= 31) || (day >= 41 && day <= 71)))
        return fault(TaxCodeFault::Day, 9);
    if (!IsValidTaxCode(code)) {
        fault(TaxCodeFault::CheckLetter, 15);
        check.expected = QChar(TaxCodeCheckLetter(code.first(15)));
        return check;
    }
    if (!DecodeTaxCode(code, today))
        return fault(TaxCodeFault::Date, 9);
    return check;
}

QString TaxCodeFaultText(const TaxCodeCheck &check)
{
    const QString at = QStringLiteral(" (carattere %1).").arg(check.position);
    switch (check.fault) {
    case TaxCodeFault::None: return QString();
    case TaxCodeFault::Empty: return QStringLiteral("\u00E8 vuoto.");
    case TaxCodeFault::Number11:
        return QStringLiteral("un numero di 11 cifre \u00E8 il codice fiscale di una societ\u00E0 o un codice provvisorio, "
                              "non quello di una persona: va controllato come partita IVA.");
    case TaxCodeFault::Length: return QStringLiteral("deve essere composto da 16 caratteri.");
    case TaxCodeFault::Character: return QStringLiteral("contiene caratteri diversi da lettere e cifre") + at;
    case TaxCodeFault::Letter: return QStringLiteral("c'\u00E8 una cifra al posto di una lettera") + at;
    case TaxCodeFault::Digit: return QStringLiteral("c'\u00E8 una lettera al posto di una cifra") + at;
    case TaxCodeFault::Month:
        return QStringLiteral("la nona lettera, il mese di nascita, deve essere una tra A B C D E H L M P R S T.");
    case TaxCodeFault::Day:
        return QStringLiteral("il giorno di nascita (caratteri 10 e 11) deve essere tra 01 e 31, o tra 41 e 71 per le donne.");
    case TaxCodeFault::CheckLetter: return QStringLiteral("il carattere di controllo dovrebbe essere ") + check.expected + u'.';
    case TaxCodeFault::Date: return QStringLiteral("la data di nascita non esiste.");
    }
    return QString();
}

QString TaxCodePlaceProblem(const DecodedTaxCode &decoded)
{
    if (decoded.place)
        return QString();
    if (!decoded.placeAnyTime)
        return QStringLiteral("il codice del luogo di nascita ") + decoded.placeCode
            + QStringLiteral(" non \u00E8 tra i comuni italiani e gli stati esteri");
    const BirthPlace &place = *decoded.placeAnyTime;
    const QString where = place.foreign ? place.shownName() : place.name + QStringLiteral(" (") + place.province + u')';
    return QStringLiteral("il luogo di nascita ") + decoded.placeCode + QStringLiteral(", ") + where
        + QStringLiteral(", non esisteva alla data di nascita");
}

QString TaxCodeSurnameLetters(QStringView surname)
{
    return personLetters(surname, false);
}

QString TaxCodeNameLetters(QStringView name)
{
    return personLetters(name, true);
}

QString ComputeTaxCode(const TaxCodePerson &person)
{
    const QString surname = TaxCodeSurnameLetters(person.surname);
    const QString name = TaxCodeNameLetters(person.name);
    const bool woman = person.sex == QLatin1Char('F');
    if (surname.isEmpty() || name.isEmpty() || (!woman && person.sex != QLatin1Char('M')) || !person.birthDate.isValid()
        || !isPlaceCode(person.placeCode))
        return QString();
    const QDate date = person.birthDate;
    const QString first15 = surname + name + QString::number(date.year() % 100).rightJustified(2, QLatin1Char('0'))
        + QChar(kMonthLetters[static_cast<std::size_t>(date.month() - 1)])
        + QString::number(date.day() + (woman ? 40 : 0)).rightJustified(2, QLatin1Char('0')) + person.placeCode;
    return first15 + QChar(TaxCodeCheckLetter(first15));
}

QList<TaxCodePart> TaxCodeMismatches(QStringView code, const TaxCodeScreenData &data, QDate today)
{
    QList<TaxCodePart> mismatches;
    const std::optional<DecodedTaxCode> decoded = DecodeTaxCode(code, today);
    if (!decoded)
        return mismatches;

    const QString surname = TaxCodeSurnameLetters(data.surname);
    if (!surname.isEmpty() && surname != code.first(3))
        mismatches << TaxCodePart::Surname;
    const QString name = TaxCodeNameLetters(data.name);
    if (!name.isEmpty() && name != code.sliced(3, 3))
        mismatches << TaxCodePart::Name;
    const QString sex = data.sex.trimmed().toUpper();
    if ((sex == QLatin1String("M") || sex == QLatin1String("F")) && sex != QString(decoded->sex))
        mismatches << TaxCodePart::Sex;
    // The code holds the year in two digits: a century apart is no mismatch.
    const QStringView typed = QStringView(data.birthDate).trimmed();
    const QDate birthDate = typed.size() == 10 && typed[2] == u'/' && typed[5] == u'/'
        ? QDate(digitsAt(typed, 6, 4), digitsAt(typed, 3, 2), digitsAt(typed, 0, 2))
        : QDate();
    const QDate coded = decoded->birthDate;
    if (birthDate.isValid()
        && std::make_tuple(birthDate.year() % 100, birthDate.month(), birthDate.day())
            != std::make_tuple(coded.year() % 100, coded.month(), coded.day()))
        mismatches << TaxCodePart::BirthDate;

    // The place: the screen's, as the lists know it, against the code's.
    const QList<BirthPlace> places =
        BirthPlaces::named(BirthPlaces::queryFor(data.municipality, data.province, data.state), birthDate);
    const bool codesPlace = std::any_of(places.begin(), places.end(),
                                        [&decoded](const BirthPlace &place) { return place.code == decoded->placeCode; });
    if (!places.isEmpty() && !codesPlace)
        mismatches << TaxCodePart::BirthPlace;
    return mismatches;
}

QString TaxCodePartName(TaxCodePart part)
{
    switch (part) {
    case TaxCodePart::Surname: return QStringLiteral("cognome");
    case TaxCodePart::Name: return QStringLiteral("nome");
    case TaxCodePart::Sex: return QStringLiteral("sesso");
    case TaxCodePart::BirthDate: return QStringLiteral("data di nascita");
    case TaxCodePart::BirthPlace: return QStringLiteral("luogo di nascita");
    }
    return QString();
}
