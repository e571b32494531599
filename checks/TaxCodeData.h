#pragma once

// What an Italian tax code says about its holder: reading it back (sex, birth
// date, birth place), computing it from the personal data, and comparing a code
// with the person it is given for. Birth places are cadastral codes: a
// municipality, or "Z" and three digits for a foreign state. A code stays valid
// for people born while it existed, so every lookup is made on a date.

#include <QDate>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

struct BirthPlace {
    QString code;          // "H501", "Z404"
    QString name;          // as the official lists write it: "Roma", "Reggio nell'Emilia", "Stati Uniti d'America"
    QString province;      // two letters for a municipality ("RM"); empty for a foreign state
    bool foreign = false;  // a foreign state
    QDate validFrom;       // null: since before any record
    QDate validTo;         // null: still valid; otherwise the day it ceased, on which it is no longer valid
    QString shortName;     // a state's everyday name ("Russia" for "Federazione russa"); empty when it has none

    // True when the code denoted this place on `date` (a null date: today's list).
    bool validOn(QDate date) const;
    // The name the program writes in the fields it fills: the everyday name of a
    // state when it has one, otherwise the official name.
    QString shownName() const { return shortName.isEmpty() ? name : shortName; }
};

namespace BirthPlaces {

// The place `code` denoted on `date`; with a null date, the newest place the code
// denoted. Nothing when the code is in no list.
//
// The lists often date a place from its latest change of province or name rather
// than from its beginning (Oristano from 1974, when its province was founded),
// so a date before a code's first period still finds that first period, unless
// another place of the same name existed on that date (then the code was made
// later, for a new municipality: Bellagio's of 2014 beside the old one). byName
// follows the same rule.
std::optional<BirthPlace> byCode(QStringView code, QDate date = {});

// Places called `name` that existed on `date` (null: any time), best first:
// municipalities of `province` when one is given (two letters), otherwise every
// municipality of that name and every foreign state of that name. Case, accents,
// apostrophes, hyphens and repeated blanks do not count ("Sant'Angelo" matches
// "SANT ANGELO"). The province "EE" (abroad) asks for foreign states only.
//
// A place is found under every name the lists give it: its official one first,
// then a former name or province ("Calliano" in AT is Calliano Monferrato, "Monza"
// in MI is Monza, MB today) and a state's everyday names ("Russia", "Olanda"). The
// lists give former names no dates, so one counts on any day its code existed. A
// province that many of a province's municipalities belonged to before it was made
// counts for all of them (Lecco in CO, Carbonia in CA), and a province that no
// longer exists under that name (FO, PS) is not held against a name found in one
// place only. The places returned are always as the code denotes them on the
// date: today's official name and province.
QList<BirthPlace> byName(QStringView name, QStringView province, QDate date);

// How a person's birth place is written: a municipality with its province, or a
// state abroad (a state other than Italy, or the province "EE", with the state's
// name in `state` or else in `municipality`).
struct BirthPlaceQuery {
    QString name;        // the name to look for; empty when none is given
    QString province;    // two letters for a municipality; empty for any province or abroad
    bool abroad = false;
};
BirthPlaceQuery queryFor(const QString &municipality, const QString &province, const QString &state);

// The places `query` names on `date` (as byName): only states when abroad, only
// municipalities otherwise.
QList<BirthPlace> named(const BirthPlaceQuery &query, QDate date);

} // namespace BirthPlaces

struct DecodedTaxCode {
    QChar sex;                        // 'M' or 'F'
    QDate birthDate;
    QString placeCode;                // with omocodia letters turned back into digits
    std::optional<BirthPlace> place;  // the place valid on the birth date; empty when unknown
    // When `place` is empty: the newest place of the code, which did not exist on
    // the birth date; empty too when the code is in no list.
    std::optional<BirthPlace> placeAnyTime;
};

// Reads a valid code (omocodia included). The two-digit year is read as the most
// recent year that makes the holder at least 14 on `today`. Nothing when the code
// is not valid (IsValidTaxCode) or its date cannot exist.
std::optional<DecodedTaxCode> DecodeTaxCode(QStringView code, QDate today);

// What is wrong with a text given as a person's tax code, the first fault in the
// order a reader checks it: its length (an 11-digit number is the code of a
// company or a provisional code), a character that is no letter or digit, a
// letter or digit out of its place (the structure), a month letter or day that
// cannot be, and only then the check letter, and a date that does not exist.
enum class TaxCodeFault {
    None,         // a valid code
    Empty,
    Number11,     // eleven digits: a company's or a provisional code
    Length,       // not 16 characters
    Character,    // a character that is no letter or digit (position)
    Letter,       // a digit where a letter belongs (position)
    Digit,        // a letter where a digit belongs, omocodia letters apart (position)
    Month,        // the 9th character is no month letter
    Day,          // the day is neither 1-31 nor 41-71
    CheckLetter,  // the 16th character should be `expected`
    Date,         // the day does not exist in that month (30 February)
};
struct TaxCodeCheck {
    TaxCodeFault fault = TaxCodeFault::None;
    int position = 0;  // 1-based, for Character, Letter and Digit
    QChar expected;    // for CheckLetter
};
TaxCodeCheck CheckTaxCodeText(QStringView code, QDate today);

// The same in Italian, as the program says it after "Il codice fiscale ... non è
// valido: " ("il carattere di controllo dovrebbe essere U."). Empty for None.
QString TaxCodeFaultText(const TaxCodeCheck &check);

// Why the birth place of a decoded code is no place ("il codice H501 ..."), in
// Italian; empty when the place is known.
QString TaxCodePlaceProblem(const DecodedTaxCode &decoded);

struct TaxCodePerson {
    QString surname;
    QString name;
    QChar sex;        // 'M' or 'F'
    QDate birthDate;
    QString placeCode;
};

// The three letters that a surname or a name gives the code: its consonants, then
// its vowels, then X ("Rossi" RSS, "Fo" FOX); a name of four consonants or more
// gives its first, third and fourth ("Francesco" FNC). Accents are taken off and
// anything but letters is left out ("D'Amico" DMC). Empty when there is no letter.
QString TaxCodeSurnameLetters(QStringView surname);
QString TaxCodeNameLetters(QStringView name);

// The code of `person`, or an empty string when a part is missing or unusable
// (no letter in the surname or name, a sex other than M or F, a null date, a
// place code not of the form letter and three digits).
QString ComputeTaxCode(const TaxCodePerson &person);

// The personal data as a screen holds them, as text.
struct TaxCodeScreenData {
    QString surname;
    QString name;
    QString sex;           // "M", "F" or empty
    QString birthDate;     // "dd/mm/yyyy" or empty
    QString municipality;  // birth municipality, or the state's name
    QString province;      // two letters, "EE" or empty
    QString state;         // state of birth, or empty
};

enum class TaxCodePart { Surname, Name, Sex, BirthDate, BirthPlace };

// The parts of `data` that the valid code `code` contradicts, in the order of the
// enumeration. A part left empty on the screen, or one that cannot be read (a date
// that is no date, a place in no list), is not compared.
QList<TaxCodePart> TaxCodeMismatches(QStringView code, const TaxCodeScreenData &data, QDate today);

// Italian names of the parts, as a sentence lists them: "cognome", "nome",
// "sesso", "data di nascita", "luogo di nascita".
QString TaxCodePartName(TaxCodePart part);
