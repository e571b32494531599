#include "checks/TaxCodeData.h"

#include <QTest>

// Every code below was worked out by hand from the rules: three letters of the
// surname, three of the name, two digits of the year, the month's letter
// (A B C D E H L M P R S T), the day (plus 40 for a woman), the place's cadastral
// code, and the check letter of the fifteen before it.

namespace {

// "Today" for every reading: the two-digit years are read against it.
const QDate kToday(2026, 12, 10);

QString describe(const std::optional<BirthPlace> &place)
{
    if (!place)
        return QStringLiteral("(none)");
    return place->code + QLatin1Char(' ') + place->name + QLatin1Char(' ') + place->province;
}

QString codesOf(const QList<BirthPlace> &places)
{
    QStringList codes;
    for (const BirthPlace &place : places)
        codes << place.code;
    return codes.join(QLatin1Char(' '));
}

} // namespace

class TestTaxCode : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QDate>("birthDate");
        QTest::addColumn<QString>("placeCode");
        QTest::addColumn<QString>("place"); // code, name and province of the place found

        // RSS (Rossi) MRA (Mario) 80 A=January 01 H501 (Roma) -> U
        QTest::newRow("Mario Rossi") << "RSSMRA80A01H501U" << kToday << "M" << QDate(1980, 1, 1) << "H501" << "H501 Roma RM";
        // BNC (Bianchi) LRA (Laura) 70 A 41=1+40 F205 (Milano) -> E
        QTest::newRow("a woman") << "BNCLRA70A41F205E" << kToday << "F" << QDate(1970, 1, 1) << "F205" << "F205 Milano MI";
        // VRD (Verdi) NNA (Anna) 95 T=December 71=31+40 L219 (Torino) -> W
        QTest::newRow("a woman on the 31st") << "VRDNNA95T71L219W" << kToday << "F" << QDate(1995, 12, 31) << "L219" << "L219 Torino TO";

        // RSS MRA 80, day 15, H501, each month: the check letter follows the month's letter.
        const struct {
            const char *code;
            int month;
        } months[] = {
            {"RSSMRA80A15H501I", 1},  {"RSSMRA80B15H501H", 2},  {"RSSMRA80C15H501M", 3},
            {"RSSMRA80D15H501O", 4},  {"RSSMRA80E15H501Q", 5},  {"RSSMRA80H15H501Y", 6},
            {"RSSMRA80L15H501L", 7},  {"RSSMRA80M15H501Z", 8},  {"RSSMRA80P15H501K", 9},
            {"RSSMRA80R15H501P", 10}, {"RSSMRA80S15H501T", 11}, {"RSSMRA80T15H501V", 12},
        };
        for (const auto &m : months) {
            QTest::addRow("month letter %c", m.code[8]) << QString::fromLatin1(m.code) << kToday << "M"
                                                        << QDate(1980, m.month, 15) << "H501" << "H501 Roma RM";
        }

        // RSS LCU (Luca) 90 E=May 10 A744: Bellagio, merged into a new municipality
        // on 4 February 2014, existed on the birth date -> G
        QTest::newRow("municipality merged since") << "RSSLCU90E10A744G" << kToday << "M" << QDate(1990, 5, 10) << "A744" << "A744 Bellagio CO";
        // RSS MRA 90 E 10 M335: the new Bellagio's code, made in 2014, on a 1990
        // birth date, when the old Bellagio existed: no place -> V
        QTest::newRow("code made after the birth") << "RSSMRA90E10M335V" << kToday << "M" << QDate(1990, 5, 10) << "M335" << "(none)";
        // RSS MRA 60 A 01 G113: Oristano, listed from 1974 (its province's founding) -> K
        QTest::newRow("place listed after the birth") << "RSSMRA60A01G113K" << kToday << "M" << QDate(1960, 1, 1) << "G113" << "G113 Oristano OR";
        // SMT (Smith: S M T H) JHN (John) 85 L=July 04 Z404 -> B
        QTest::newRow("foreign state") << "SMTJHN85L04Z404B" << kToday << "M" << QDate(1985, 7, 4) << "Z404" << "Z404 Stati Uniti d'America ";
        // VNV (Ivanova) LGO (Olga) 75 C=March 48=8+40 Z135, the Soviet Union until 1992 -> I
        QTest::newRow("state that no longer exists") << "VNVLGO75C48Z135I" << kToday << "F" << QDate(1975, 3, 8) << "Z135" << "Z135 Unione Sovietica ";

        // Municipalities whose province the list once gave as the 1927-45 one.
        // RSS MRA 80 A 01 E379 (Ivrea, Torino, not Aosta). Check letter: the odd
        // places R S R 8 A 1 3 9 count 8+12+8+19+1+0+7+21 = 76, the even places
        // S M A 0 0 E 7 count 18+12+0+0+0+4+7 = 41; 117 mod 26 = 13 -> N
        QTest::newRow("born in Ivrea") << "RSSMRA80A01E379N" << kToday << "M" << QDate(1980, 1, 1) << "E379" << "E379 Ivrea TO";
        // RSS MRA 80 A 01 B963 (Caserta, not Napoli): odd R S R 8 A 1 9 3 count
        // 8+12+8+19+1+0+21+7 = 76, even S M A 0 0 B 6 count 18+12+0+0+0+1+6 = 37;
        // 113 mod 26 = 9 -> J
        QTest::newRow("born in Caserta") << "RSSMRA80A01B963J" << kToday << "M" << QDate(1980, 1, 1) << "B963" << "B963 Caserta CE";
        // RSS MRA 80 A 01 A512 (Aversa, province of Caserta): odd R S R 8 A 1 5 2
        // count 8+12+8+19+1+0+13+5 = 66, even S M A 0 0 A 1 count 18+12+0+0+0+0+1 = 31;
        // 97 mod 26 = 19 -> T
        QTest::newRow("born in Aversa") << "RSSMRA80A01A512T" << kToday << "M" << QDate(1980, 1, 1) << "A512" << "A512 Aversa CE";

        // The two-digit year: the latest that makes the holder 14 by today (10/12/2026).
        // RSS MRA 12 T 10 H501 -> S: 14 on 10/12/2026 exactly
        QTest::newRow("14 today") << "RSSMRA12T10H501S" << kToday << "M" << QDate(2012, 12, 10) << "H501" << "H501 Roma RM";
        // RSS MRA 12 T 11 H501 -> R: 2012 would make 13, so 1912
        QTest::newRow("14 tomorrow") << "RSSMRA12T11H501R" << kToday << "M" << QDate(1912, 12, 11) << "H501" << "H501 Roma RM";
        // RSS MRA 13 A 01 H501 -> E: 2013 would make 13, so 1913
        QTest::newRow("year 13") << "RSSMRA13A01H501E" << kToday << "M" << QDate(1913, 1, 1) << "H501" << "H501 Roma RM";
        // RSS MRA 00 A 01 H501 -> C
        QTest::newRow("year 00") << "RSSMRA00A01H501C" << kToday << "M" << QDate(2000, 1, 1) << "H501" << "H501 Roma RM";
        // RSS MRA 26 A 01 H501 -> M: 2026 is too late, so 1926
        QTest::newRow("year 26") << "RSSMRA26A01H501M" << kToday << "M" << QDate(1926, 1, 1) << "H501" << "H501 Roma RM";
        // RSS MRA 00 B 29 H501 -> Y: 29/02/2000, a leap day
        QTest::newRow("29 February 2000") << "RSSMRA00B29H501Y" << kToday << "M" << QDate(2000, 2, 29) << "H501" << "H501 Roma RM";
        // RSS MRA 12 B 29 H501 -> Z
        QTest::newRow("29 February 2012") << "RSSMRA12B29H501Z" << kToday << "M" << QDate(2012, 2, 29) << "H501" << "H501 Roma RM";
    }

    void decode()
    {
        QFETCH(QString, code);
        QFETCH(QDate, today);
        QFETCH(QString, sex);
        QFETCH(QDate, birthDate);
        QFETCH(QString, placeCode);
        QFETCH(QString, place);
        const std::optional<DecodedTaxCode> decoded = DecodeTaxCode(code, today);
        QVERIFY(decoded);
        QCOMPARE(QString(decoded->sex), sex);
        QCOMPARE(decoded->birthDate, birthDate);
        QCOMPARE(decoded->placeCode, placeCode);
        QCOMPARE(describe(decoded->place), place);
        if (decoded->place)
            QVERIFY(decoded->place->foreign == placeCode.startsWith(QLatin1Char('Z')));
    }

    // Omocodia: digits replaced by L M N P Q R S T U V (0..9) read as the same person.
    void omocodia_data()
    {
        QTest::addColumn<QString>("code");
        // From RSSMRA80A01H501U, one digit at a time, then all seven; the check letter follows.
        QTest::newRow("position 7: 8 -> U") << "RSSMRAU0A01H501R";
        QTest::newRow("position 8: 0 -> L") << "RSSMRA8LA01H501F";
        QTest::newRow("position 10: 0 -> L") << "RSSMRA80AL1H501F";
        QTest::newRow("position 11: 1 -> M") << "RSSMRA80A0MH501M";
        QTest::newRow("position 13: 5 -> R") << "RSSMRA80A01HR01P";
        QTest::newRow("position 14: 0 -> L") << "RSSMRA80A01H5L1F";
        QTest::newRow("position 15: 1 -> M") << "RSSMRA80A01H50MM";
        QTest::newRow("all seven") << "RSSMRAULALMHRLMD";
    }

    void omocodia()
    {
        QFETCH(QString, code);
        const std::optional<DecodedTaxCode> decoded = DecodeTaxCode(code, kToday);
        QVERIFY(decoded);
        QCOMPARE(QString(decoded->sex), QStringLiteral("M"));
        QCOMPARE(decoded->birthDate, QDate(1980, 1, 1));
        QCOMPARE(decoded->placeCode, QStringLiteral("H501"));
        QCOMPARE(describe(decoded->place), QStringLiteral("H501 Roma RM"));
        // The same person as the code without omocodia: nothing to tell them apart.
        const TaxCodeScreenData rossi{QStringLiteral("Rossi"), QStringLiteral("Mario"), QStringLiteral("M"),
                                      QStringLiteral("01/01/1980"), QStringLiteral("Roma"), QStringLiteral("RM"), QString()};
        QVERIFY(TaxCodeMismatches(code, rossi, kToday).isEmpty());
    }

    void invalidCodes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QDate>("today");
        QTest::newRow("wrong check letter") << "RSSMRA80A01H501A" << kToday;
        QTest::newRow("lower case") << "rssmra80a01h501u" << kToday;
        QTest::newRow("fifteen characters") << "RSSMRA80A01H501" << kToday;
        // The rest carry the right check letter: only their content is wrong.
        QTest::newRow("month letter F") << "RSSMRA80F01H501G" << kToday;
        QTest::newRow("day 00") << "RSSMRA80A00H501V" << kToday;
        QTest::newRow("day 32") << "RSSMRA80A32H501C" << kToday;
        QTest::newRow("day 40") << "RSSMRA80A40H501Z" << kToday;
        QTest::newRow("day 72, a woman's 32") << "RSSMRA80A72H501G" << kToday;
        QTest::newRow("30 February") << "RSSMRA80B30H501X" << kToday;
        QTest::newRow("30 February, a woman") << "RSSMRA80B70H501B" << kToday;
        QTest::newRow("31 April") << "RSSMRA80D31H501D" << kToday;
        // RSS MRA 00 B 29: read against 01/06/2013, 2000 would make 13, and 1900 had no 29 February
        QTest::newRow("29 February 1900") << "RSSMRA00B29H501Y" << QDate(2013, 6, 1);
        QTest::newRow("A among the year's digits") << "RSSMRA8AA01H501U" << kToday;
        QTest::newRow("digit in the surname") << "R5SMRA80A01H501H" << kToday;
        QTest::newRow("digit for the place's letter") << "RSSMRA80A015501S" << kToday;
        QTest::newRow("sign among the place's digits") << "RSSMRA80A01H5:1U" << kToday;
    }

    void invalidCodes()
    {
        QFETCH(QString, code);
        QFETCH(QDate, today);
        QVERIFY(!DecodeTaxCode(code, today));
        // Nothing to compare with a code that says nothing.
        const TaxCodeScreenData someone{QStringLiteral("Bianchi"), QStringLiteral("Laura"), QStringLiteral("F"),
                                        QStringLiteral("02/02/1990"), QStringLiteral("Milano"), QStringLiteral("MI"), QString()};
        QVERIFY(TaxCodeMismatches(code, someone, today).isEmpty());
    }

    void letters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("name");
        QTest::newRow("Rossi") << "Rossi" << "RSS" << "RSS";
        QTest::newRow("Mario") << "Mario" << "MRA" << "MRA";
        // F R N C S C: a surname takes the first three, a name the 1st, 3rd and 4th
        QTest::newRow("Francesco") << "Francesco" << "FRN" << "FNC";
        // M R G R Z
        QTest::newRow("Maria Grazia") << "Maria Grazia" << "MRG" << "MGR";
        // J H N, three consonants: as they come
        QTest::newRow("John") << "John" << "JHN" << "JHN";
        QTest::newRow("one consonant, one vowel") << "Fo" << "FOX" << "FOX";
        QTest::newRow("two vowels") << "Ai" << "AIX" << "AIX";
        QTest::newRow("one consonant, two vowels") << "Ugo" << "GUO" << "GUO";
        QTest::newRow("Ida") << "Ida" << "DIA" << "DIA";
        QTest::newRow("one letter") << "O" << "OXX" << "OXX";
        // D M C: the apostrophe does not count
        QTest::newRow("apostrophe") << "D'Amico" << "DMC" << "DMC";
        // N C C L: the accent comes off; as a name the 1st, 3rd and 4th
        QTest::newRow("accent") << "Niccol\u00F2" << "NCC" << "NCL";
        QTest::newRow("accent written as an apostrophe") << "NICCOLO'" << "NCC" << "NCL";
        // D S N T S
        QTest::newRow("two words") << "De Santis" << "DSN" << "DNT";
        // D L L C Q B N C H
        QTest::newRow("hyphen and blanks") << "  Dell'Acqua-Bianchi " << "DLL" << "DLC";
        QTest::newRow("accented capital") << "\u00C8rcole" << "RCL" << "RCL";
        // Class 7: Ä Ö Ü are AE OE UE (Z + O E; without the rule ZOX)
        QTest::newRow("O umlaut") << "\u00D6z" << "ZOE" << "ZOE";
        // B R + A E
        QTest::newRow("a umlaut") << "B\u00E4r" << "BRA" << "BRA";
        // M T + U E I
        QTest::newRow("U umlaut") << "\u00DCmit" << "MTU" << "MTU";
        // M L L R: the umlaut adds a vowel only
        QTest::newRow("u umlaut among consonants") << "M\u00FCller" << "MLL" << "MLR";
        QTest::newRow("no letters") << " '-. " << "" << "";
        QTest::newRow("empty") << "" << "" << "";
    }

    void letters()
    {
        QFETCH(QString, text);
        QFETCH(QString, surname);
        QFETCH(QString, name);
        QCOMPARE(TaxCodeSurnameLetters(text), surname);
        QCOMPARE(TaxCodeNameLetters(text), name);
    }

    void compute_data()
    {
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QChar>("sex");
        QTest::addColumn<QDate>("birthDate");
        QTest::addColumn<QString>("placeCode");
        QTest::addColumn<QString>("code");

        // RSS MRA 80 A 01 H501 -> U
        QTest::newRow("Mario Rossi") << "Rossi" << "Mario" << QChar(u'M') << QDate(1980, 1, 1) << "H501" << "RSSMRA80A01H501U";
        // BNC LRA 70 A 41 F205 -> E
        QTest::newRow("a woman") << "Bianchi" << "Laura" << QChar(u'F') << QDate(1970, 1, 1) << "F205" << "BNCLRA70A41F205E";
        // FOX AIX 90 C=March 05 H501 -> X
        QTest::newRow("short surname and name") << "Fo" << "Ai" << QChar(u'M') << QDate(1990, 3, 5) << "H501" << "FOXAIX90C05H501X";
        // AIX GUO 90 C 05 H501 -> Z
        QTest::newRow("vowels first, then X") << "Ai" << "Ugo" << QChar(u'M') << QDate(1990, 3, 5) << "H501" << "AIXGUO90C05H501Z";
        // DSN (De Santis) FNC (Francesco: F R N C S C) 75 P=September 30 H501 -> R
        QTest::newRow("four consonants in the name") << "De Santis" << "Francesco" << QChar(u'M') << QDate(1975, 9, 30) << "H501" << "DSNFNC75P30H501R";
        // NCC (Niccolò) NCL (Nicolò: N C L) 82 H=June 12 H501 -> Q
        QTest::newRow("accents") << "Niccol\u00F2" << "Nicol\u00F2" << QChar(u'M') << QDate(1982, 6, 12) << "H501" << "NCCNCL82H12H501Q";
        // DMC (D'Amico) MGR (Maria Grazia: M R G R Z) 88 S=November 51=11+40 F205 -> F
        QTest::newRow("apostrophe, two names") << "D'Amico" << "Maria Grazia" << QChar(u'F') << QDate(1988, 11, 11) << "F205" << "DMCMGR88S51F205F";
        // LOX (Lo) DIA (Ida) 64 R=October 22 F205 -> S
        QTest::newRow("two-letter surname") << "Lo" << "Ida" << QChar(u'M') << QDate(1964, 10, 22) << "F205" << "LOXDIA64R22F205S";
        // SMT JHN 85 L 04 Z404 -> B
        QTest::newRow("foreign state") << "Smith" << "John" << QChar(u'M') << QDate(1985, 7, 4) << "Z404" << "SMTJHN85L04Z404B";
        // VRD NNA 95 T 71 L219 -> W
        QTest::newRow("a woman on the 31st") << "Verdi" << "Anna" << QChar(u'F') << QDate(1995, 12, 31) << "L219" << "VRDNNA95T71L219W";
    }

    void compute()
    {
        QFETCH(QString, surname);
        QFETCH(QString, name);
        QFETCH(QChar, sex);
        QFETCH(QDate, birthDate);
        QFETCH(QString, placeCode);
        QFETCH(QString, code);
        QCOMPARE(ComputeTaxCode({surname, name, sex, birthDate, placeCode}), code);
        // Read back, the code gives the person's sex, date and place.
        const std::optional<DecodedTaxCode> decoded = DecodeTaxCode(code, kToday);
        QVERIFY(decoded);
        QCOMPARE(decoded->sex, sex);
        QCOMPARE(decoded->birthDate, birthDate);
        QCOMPARE(decoded->placeCode, placeCode);
    }

    void computeRefusesUnusableData_data()
    {
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QChar>("sex");
        QTest::addColumn<QDate>("birthDate");
        QTest::addColumn<QString>("placeCode");
        const QDate date(1980, 1, 1);
        QTest::newRow("no surname") << "" << "Mario" << QChar(u'M') << date << "H501";
        QTest::newRow("surname without letters") << "'- ." << "Mario" << QChar(u'M') << date << "H501";
        QTest::newRow("no name") << "Rossi" << "" << QChar(u'M') << date << "H501";
        QTest::newRow("sex X") << "Rossi" << "Mario" << QChar(u'X') << date << "H501";
        QTest::newRow("no sex") << "Rossi" << "Mario" << QChar() << date << "H501";
        QTest::newRow("no date") << "Rossi" << "Mario" << QChar(u'M') << QDate() << "H501";
        QTest::newRow("no place") << "Rossi" << "Mario" << QChar(u'M') << date << "";
        QTest::newRow("place of three characters") << "Rossi" << "Mario" << QChar(u'M') << date << "H50";
        QTest::newRow("place without its letter") << "Rossi" << "Mario" << QChar(u'M') << date << "1501";
        QTest::newRow("place in omocodia") << "Rossi" << "Mario" << QChar(u'M') << date << "HR01";
    }

    void computeRefusesUnusableData()
    {
        QFETCH(QString, surname);
        QFETCH(QString, name);
        QFETCH(QChar, sex);
        QFETCH(QDate, birthDate);
        QFETCH(QString, placeCode);
        QCOMPARE(ComputeTaxCode({surname, name, sex, birthDate, placeCode}), QString());
    }

    void validOn_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<bool>("valid");
        const QDate from(1928, 4, 3);
        const QDate to(2014, 2, 4);
        QTest::newRow("inside") << from << to << QDate(1990, 5, 10) << true;
        QTest::newRow("first day") << from << to << from << true;
        QTest::newRow("day before") << from << to << from.addDays(-1) << false;
        QTest::newRow("last day") << from << to << to.addDays(-1) << true;
        QTest::newRow("day it ceased") << from << to << to << false;
        QTest::newRow("since before any record") << QDate() << to << QDate(1700, 1, 1) << true;
        QTest::newRow("still valid") << from << QDate() << QDate(2090, 1, 1) << true;
        QTest::newRow("today's list, still valid") << from << QDate() << QDate() << true;
        QTest::newRow("today's list, ceased") << from << to << QDate() << false;
    }

    void validOn()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QDate, date);
        QFETCH(bool, valid);
        BirthPlace place;
        place.validFrom = from;
        place.validTo = to;
        QCOMPARE(place.validOn(date), valid);
    }

    void byCode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("place");
        QTest::newRow("Roma") << "H501" << QDate(1980, 1, 1) << "H501 Roma RM";
        QTest::newRow("Milano, no date") << "F205" << QDate() << "F205 Milano MI";
        QTest::newRow("first line of the list") << "A001" << QDate() << "A001 Abano Terme PD";
        QTest::newRow("accented name") << "C744" << QDate(2000, 1, 1) << "C744 Citt\u00E0 della Pieve PG";
        QTest::newRow("United States") << "Z404" << QDate(1985, 7, 4) << "Z404 Stati Uniti d'America ";
        // Bellagio A744: 17/03/1861 up to 04/02/2014, when it became M335.
        QTest::newRow("merged: before") << "A744" << QDate(1990, 5, 10) << "A744 Bellagio CO";
        QTest::newRow("merged: its last day") << "A744" << QDate(2014, 2, 3) << "A744 Bellagio CO";
        QTest::newRow("merged: the day it ceased") << "A744" << QDate(2014, 2, 4) << "(none)";
        QTest::newRow("merged: after") << "A744" << kToday << "(none)";
        QTest::newRow("merged: no date") << "A744" << QDate() << "A744 Bellagio CO";
        QTest::newRow("new code: its first day") << "M335" << QDate(2014, 2, 4) << "M335 Bellagio CO";
        QTest::newRow("new code: before it was made") << "M335" << QDate(1990, 5, 10) << "(none)";
        // Castro LE (M261) dates from 1975; Castro BG existed before.
        QTest::newRow("namesake existed before") << "M261" << QDate(1960, 1, 1) << "(none)";
        // Oristano is listed from 1974, the founding of its province, and no other Oristano was.
        QTest::newRow("listed from a change of province") << "G113" << QDate(1950, 1, 1) << "G113 Oristano OR";
        QTest::newRow("state, while it existed") << "Z135" << QDate(1975, 3, 8) << "Z135 Unione Sovietica ";
        QTest::newRow("state, after it ceased") << "Z135" << QDate(1995, 1, 1) << "(none)";
        // Provinces of existing municipalities: today's, where the list once had
        // the 1927-45 one or an older one; the provinces newer than the list that
        // corrects it stay.
        QTest::newRow("province: Aosta to Torino") << "E379" << QDate() << "E379 Ivrea TO";
        QTest::newRow("province: Napoli to Caserta") << "E791" << QDate() << "E791 Maddaloni CE";
        QTest::newRow("province: Benevento to Caserta") << "A200" << QDate() << "A200 Alife CE";
        QTest::newRow("province: Benevento to Campobasso") << "C486" << QDate() << "C486 Cercemaggiore CB";
        QTest::newRow("province: Savona to Genova") << "C823" << QDate() << "C823 Cogoleto GE";
        QTest::newRow("province: Lecco to Bergamo") << "L257" << QDate() << "L257 Torre de' Busi BG";
        QTest::newRow("province: moved to Rimini in 2021") << "F478" << QDate() << "F478 Montecopiolo RN";
        // Sardinia: the provinces of today's ISTAT list, not OT and OG.
        QTest::newRow("province: Sardinia's of today") << "G015" << QDate() << "G015 Olbia SS";
        QTest::newRow("province: Lanusei, Nuoro") << "E441" << QDate() << "E441 Lanusei NU";
        // A code decodes to today's province.
        QTest::newRow("province: Monza, MB today") << "F704" << QDate(1990, 1, 1) << "F704 Monza MB";
        QTest::newRow("province: Carbonia, SU today") << "B745" << QDate(1980, 1, 1) << "B745 Carbonia SU";
        QTest::newRow("province: Barletta, BT today") << "A669" << QDate(1980, 1, 1) << "A669 Barletta BT";
        // Class 1: territories of the Agenzia delle Entrate's list.
        QTest::newRow("territory: Hong Kong") << "Z221" << QDate(1990, 1, 1) << "Z221 Hong Kong ";
        QTest::newRow("territory: Macao") << "Z231" << QDate(1990, 1, 1) << "Z231 Macao ";
        QTest::newRow("territory: Puerto Rico") << "Z518" << QDate(1990, 1, 1) << "Z518 Puerto Rico ";
        QTest::newRow("territory: Guadalupa") << "Z508" << QDate(1990, 1, 1) << "Z508 Guadalupa ";
        QTest::newRow("territory: Riunione") << "Z324" << QDate(1990, 1, 1) << "Z324 La Reunion (Isola) ";
        QTest::newRow("territory: Guyana francese") << "Z607" << QDate(1990, 1, 1) << "Z607 Guiana Francese ";
        // Class 2: the current official names, spelt as ISTAT spells them.
        QTest::newRow("name: Piedimonte Matese") << "G596" << QDate() << "G596 Piedimonte Matese CE";
        QTest::newRow("name: Cervignano del Friuli") << "C556" << QDate() << "C556 Cervignano del Friuli UD";
        QTest::newRow("name: Villa di Briano") << "D801" << QDate() << "D801 Villa di Briano CE";
        QTest::newRow("name: Settimo Vittone") << "I702" << QDate() << "I702 Settimo Vittone TO";
        QTest::newRow("capitals: Sant'Angelo d'Alife") << "I273" << QDate() << "I273 Sant'Angelo d'Alife CE";
        QTest::newRow("capitals: Casal di Principe") << "B872" << QDate() << "B872 Casal di Principe CE";
        // Class 6: a municipality made after the birth date, by a merger.
        QTest::newRow("made by a merger, before") << "M376" << QDate(1980, 1, 1) << "(none)";
        QTest::newRow("made by a merger, after") << "M376" << QDate(2020, 1, 1) << "M376 Abetone Cutigliano PT";
        QTest::newRow("province: unchanged") << "H501" << QDate() << "H501 Roma RM";
        QTest::newRow("code in no list") << "Z999" << QDate() << "(none)";
        QTest::newRow("not a code") << "Roma" << QDate() << "(none)";
        QTest::newRow("empty") << "" << QDate() << "(none)";
    }

    void byCode()
    {
        QFETCH(QString, code);
        QFETCH(QDate, date);
        QFETCH(QString, place);
        QCOMPARE(describe(BirthPlaces::byCode(code, date)), place);
    }

    void placePeriods()
    {
        const std::optional<BirthPlace> old = BirthPlaces::byCode(u"A744");
        QVERIFY(old);
        QCOMPARE(old->validFrom, QDate(1861, 3, 17));
        QCOMPARE(old->validTo, QDate(2014, 2, 4));
        QVERIFY(!old->foreign);
        const std::optional<BirthPlace> usa = BirthPlaces::byCode(u"Z404");
        QVERIFY(usa);
        QVERIFY(usa->foreign);
        QVERIFY(usa->province.isEmpty());
        QVERIFY(!usa->validFrom.isValid());
        QVERIFY(!usa->validTo.isValid());
    }

    void byName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("province");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("codes"); // best first
        const QDate date(2000, 1, 1);
        QTest::newRow("Roma") << "Roma" << "RM" << date << "H501";
        QTest::newRow("upper case, province in lower case") << "ROMA" << "rm" << date << "H501";
        QTest::newRow("wrong province") << "Roma" << "MI" << date << "";
        QTest::newRow("no such place") << "Atlantide" << "" << date << "";
        QTest::newRow("empty") << "" << "" << date << "";
        // Two municipalities called Castro: Bergamo's and Lecce's (from 1975).
        // Castro dei Volsci (FR) was called Castro: the lists give the former name
        // without dates, so it is found too, after the places called so today.
        QTest::newRow("two provinces") << "Castro" << "" << date << "C337 M261 C338";
        QTest::newRow("two provinces, one given") << "Castro" << "LE" << date << "M261";
        QTest::newRow("two provinces, before the second") << "Castro" << "" << QDate(1960, 1, 1) << "C337 C338";
        QTest::newRow("Samone") << "Samone" << "" << date << "H753 H754";
        // The two Samone: Torino's (once listed under Aosta) and Trento's.
        QTest::newRow("Samone in Torino") << "Samone" << "TO" << date << "H753";
        QTest::newRow("Samone in Trento") << "Samone" << "TN" << date << "H754";
        // Aosta was the province of the Canavese in 1927-45, Napoli that of Caserta:
        // provinces at birth, which the lists give without dates.
        QTest::newRow("Samone in Aosta") << "Samone" << "AO" << date << "H753";
        QTest::newRow("Ivrea in Torino") << "Ivrea" << "TO" << date << "E379";
        QTest::newRow("Ivrea in Aosta") << "Ivrea" << "AO" << date << "E379";
        QTest::newRow("Caserta in Caserta") << "Caserta" << "CE" << date << "B963";
        QTest::newRow("Caserta in Napoli") << "Caserta" << "NA" << date << "B963";
        QTest::newRow("Caserta in Milano") << "Caserta" << "MI" << date << "";
        QTest::newRow("Peglio") << "Peglio" << "" << date << "G415 G416";
        QTest::newRow("Livo in Trento") << "Livo" << "TN" << date << "E624";
        // Sant'Elena: a municipality near Padova, and the island, a foreign state.
        QTest::newRow("municipality and state") << "Sant'Elena" << "" << date << "I319 Z340";
        QTest::newRow("typographic apostrophe, upper case") << "SANT\u2019ELENA" << "PD" << date << "I319";
        QTest::newRow("blank for the apostrophe") << "sant  elena" << "" << date << "I319 Z340";
        QTest::newRow("abroad") << "Sant'Elena" << "EE" << date << "Z340";
        QTest::newRow("accent as an apostrophe") << "CITTA' DELLA PIEVE" << "PG" << date << "C744";
        QTest::newRow("no accent") << "citta della pieve" << "" << date << "C744";
        QTest::newRow("hyphen") << "Bellaria Igea Marina" << "RN" << date << "A747";
        QTest::newRow("state") << "stati uniti d america" << "" << date << "Z404";
        // Bellagio: A744 until 04/02/2014, M335 since; best first: the one that still exists.
        QTest::newRow("merged, before") << "Bellagio" << "CO" << QDate(1990, 5, 10) << "A744";
        QTest::newRow("merged, after") << "Bellagio" << "CO" << kToday << "M335";
        QTest::newRow("merged, any time") << "Bellagio" << "CO" << QDate() << "M335 A744";
        QTest::newRow("listed from a change of province") << "Oristano" << "OR" << QDate(1960, 1, 1) << "G113";

        // Territories.
        QTest::newRow("territory: Hong Kong") << "Hong Kong" << "EE" << date << "Z221";
        QTest::newRow("territory: Macao") << "macao" << "" << date << "Z231";
        QTest::newRow("territory: Puerto Rico") << "Puerto Rico" << "EE" << date << "Z518";
        QTest::newRow("territory: Riunione") << "Riunione" << "EE" << date << "Z324";
        // Class 2: today's names, and the old ones still found.
        QTest::newRow("name: Piedimonte Matese") << "Piedimonte Matese" << "CE" << date << "G596";
        QTest::newRow("name: the old Piedimonte d'Alife") << "Piedimonte d'Alife" << "CE" << QDate(1960, 1, 1) << "G596";
        QTest::newRow("name: Cervignano del Friuli") << "Cervignano del Friuli" << "UD" << date << "C556";
        QTest::newRow("capitals: Sant'Angelo d'Alife") << "SANT'ANGELO D'ALIFE" << "CE" << date << "I273";
        // Class 3: former names. Calliano in AT is Calliano Monferrato, never Calliano (TN).
        QTest::newRow("former name, in its province") << "Calliano" << "AT" << QDate(1980, 1, 1) << "B418";
        QTest::newRow("former name, the namesake's province") << "Calliano" << "TN" << QDate(1980, 1, 1) << "B419";
        QTest::newRow("former name, no province: both") << "Calliano" << "" << QDate(1980, 1, 1) << "B419 B418";
        QTest::newRow("former name of a state") << "Iugoslavia" << "EE" << QDate(1980, 1, 1) << "Z118";
        QTest::newRow("former name of a merged place") << "Terranova Pausania" << "SS" << QDate(1930, 1, 1) << "G015";
        // Class 4: the province at birth.
        QTest::newRow("province at birth: Monza (MI)") << "Monza" << "MI" << QDate(1990, 1, 1) << "F704";
        QTest::newRow("province at birth: Lecco (CO)") << "Lecco" << "CO" << QDate(1980, 1, 1) << "E507";
        QTest::newRow("province at birth: Barletta (BA)") << "Barletta" << "BA" << QDate(1980, 1, 1) << "A669";
        QTest::newRow("province at birth: Rimini (FO)") << "Rimini" << "FO" << QDate(1980, 1, 1) << "H294";
        QTest::newRow("province at birth: Pesaro (PS)") << "Pesaro" << "PS" << QDate(1980, 1, 1) << "G479";
        QTest::newRow("province at birth: Carbonia (CA)") << "Carbonia" << "CA" << QDate(1980, 1, 1) << "B745";
        QTest::newRow("province at birth: Lanusei (NU)") << "Lanusei" << "NU" << QDate(1980, 1, 1) << "E441";
        QTest::newRow("province at birth: Lanusei (OG)") << "Lanusei" << "OG" << QDate(2010, 1, 1) << "E441";
        QTest::newRow("province at birth: Olbia (SS)") << "Olbia" << "SS" << QDate(1980, 1, 1) << "G015";
        QTest::newRow("province at birth: Olbia (OT)") << "Olbia" << "OT" << QDate(2010, 1, 1) << "G015";
        QTest::newRow("province of today: Monza (MB)") << "Monza" << "MB" << QDate(1990, 1, 1) << "F704";
        QTest::newRow("no province of the place: Monza (RM)") << "Monza" << "RM" << QDate(1990, 1, 1) << "";
        QTest::newRow("a province gone, a name of two places") << "Castro" << "FO" << date << "";
        // Class 5: everyday names of states.
        QTest::newRow("everyday name: Russia") << "Russia" << "EE" << date << "Z154";
        QTest::newRow("everyday name: Stati Uniti") << "Stati Uniti" << "" << date << "Z404";
        QTest::newRow("everyday name: Olanda") << "Olanda" << "EE" << date << "Z126";
        QTest::newRow("everyday name: Birmania") << "Birmania" << "EE" << date << "Z206";
        QTest::newRow("everyday name: Myanmar") << "Myanmar" << "EE" << date << "Z206";
        QTest::newRow("everyday name: Citta del Vaticano") << "Citt\u00E0 del Vaticano" << "EE" << date << "Z106";
        QTest::newRow("everyday name: Jugoslavia") << "Jugoslavia" << "EE" << QDate(1980, 1, 1) << "Z118";
        QTest::newRow("everyday name: Jugoslavia after it ceased") << "Jugoslavia" << "EE" << QDate(2010, 1, 1) << "";
        QTest::newRow("everyday name: Macedonia") << "Macedonia" << "EE" << date << "Z148";
        QTest::newRow("everyday name: Moldavia") << "Moldavia" << "EE" << date << "Z140";
        QTest::newRow("everyday name: not a municipality") << "Russia" << "RM" << date << "";
        // Class 6: a municipality made after the birth date.
        QTest::newRow("made after the birth") << "Abetone Cutigliano" << "PT" << QDate(1980, 1, 1) << "";
        QTest::newRow("made before the birth") << "Abetone Cutigliano" << "PT" << QDate(2020, 1, 1) << "M376";
    }

    void shownName_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Russia") << "Z154" << "Russia";
        QTest::newRow("Stati Uniti") << "Z404" << "Stati Uniti";
        QTest::newRow("Paesi Bassi") << "Z126" << "Paesi Bassi";
        QTest::newRow("Riunione") << "Z324" << "Riunione";
        QTest::newRow("a state without an everyday name") << "Z110" << "Francia";
        QTest::newRow("a municipality") << "H501" << "Roma";
    }

    // Class 5: a state shows its short everyday name.
    void shownName()
    {
        QFETCH(QString, code);
        QFETCH(QString, shown);
        const std::optional<BirthPlace> place = BirthPlaces::byCode(code);
        QVERIFY(place);
        QCOMPARE(place->shownName(), shown);
    }

    void placeProblems_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("problem");
        // Class 6. RSS MRA 80 A 01 M376 (Abetone Cutigliano, made in 2017) -> check letter worked out by the rules
        QTest::newRow("made after the birth") << ComputeTaxCode({QStringLiteral("Rossi"), QStringLiteral("Mario"), QChar(u'M'), QDate(1980, 1, 1), QStringLiteral("M376")})
                                              << "il luogo di nascita M376, Abetone Cutigliano (PT), non esisteva alla data di nascita";
        QTest::newRow("A000") << ComputeTaxCode({QStringLiteral("Rossi"), QStringLiteral("Mario"), QChar(u'M'), QDate(1980, 1, 1), QStringLiteral("A000")})
                              << "il codice del luogo di nascita A000 non \u00E8 tra i comuni italiani e gli stati esteri";
        QTest::newRow("Z999") << "RSSMRA80A01Z999Y" << "il codice del luogo di nascita Z999 non \u00E8 tra i comuni italiani e gli stati esteri";
        QTest::newRow("Y123") << ComputeTaxCode({QStringLiteral("Rossi"), QStringLiteral("Mario"), QChar(u'M'), QDate(1980, 1, 1), QStringLiteral("Y123")})
                              << "il codice del luogo di nascita Y123 non \u00E8 tra i comuni italiani e gli stati esteri";
        QTest::newRow("a known place") << "RSSMRA80A01H501U" << "";
        QTest::newRow("a territory") << ComputeTaxCode({QStringLiteral("Rossi"), QStringLiteral("Mario"), QChar(u'M'), QDate(1980, 1, 1), QStringLiteral("Z221")}) << "";
    }

    void placeProblems()
    {
        QFETCH(QString, code);
        QFETCH(QString, problem);
        const std::optional<DecodedTaxCode> decoded = DecodeTaxCode(code, kToday);
        QVERIFY(decoded);
        QCOMPARE(TaxCodePlaceProblem(*decoded), problem);
        QCOMPARE(decoded->place.has_value(), problem.isEmpty());
    }

    void faults_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("text");
        // Class 8: the structure is checked before the check letter.
        QTest::newRow("valid") << "RSSMRA80A01H501U" << int(TaxCodeFault::None) << "";
        QTest::newRow("empty") << "" << int(TaxCodeFault::Empty) << "\u00E8 vuoto.";
        QTest::newRow("11 digits") << "07643520567" << int(TaxCodeFault::Number11)
                                   << "un numero di 11 cifre \u00E8 il codice fiscale di una societ\u00E0 o un codice provvisorio, "
                                      "non quello di una persona: va controllato come partita IVA.";
        QTest::newRow("too short") << "RSSMRA80" << int(TaxCodeFault::Length) << "deve essere composto da 16 caratteri.";
        QTest::newRow("a sign") << "RSSMRA80A01H5-1U" << int(TaxCodeFault::Character) << "contiene caratteri diversi da lettere e cifre (carattere 14).";
        QTest::newRow("a digit in the surname, wrong check letter") << "R5SMRA80A01H501X" << int(TaxCodeFault::Letter)
                                                                    << "c'\u00E8 una cifra al posto di una lettera (carattere 2).";
        QTest::newRow("a letter in the year, wrong check letter") << "RSSMRA8AA01H501X" << int(TaxCodeFault::Digit)
                                                                  << "c'\u00E8 una lettera al posto di una cifra (carattere 8).";
        QTest::newRow("month letter F") << "RSSMRA80F01H501G" << int(TaxCodeFault::Month)
                                        << "la nona lettera, il mese di nascita, deve essere una tra A B C D E H L M P R S T.";
        QTest::newRow("day 32") << "RSSMRA80A32H501C" << int(TaxCodeFault::Day)
                                << "il giorno di nascita (caratteri 10 e 11) deve essere tra 01 e 31, o tra 41 e 71 per le donne.";
        QTest::newRow("check letter") << "RSSMRA80A01H501A" << int(TaxCodeFault::CheckLetter) << "il carattere di controllo dovrebbe essere U.";
        QTest::newRow("30 February") << "RSSMRA80B30H501X" << int(TaxCodeFault::Date) << "la data di nascita non esiste.";
    }

    void faults()
    {
        QFETCH(QString, code);
        QFETCH(int, fault);
        QFETCH(QString, text);
        const TaxCodeCheck check = CheckTaxCodeText(code, kToday);
        QCOMPARE(int(check.fault), fault);
        QCOMPARE(TaxCodeFaultText(check), text);
    }

    void byName()
    {
        QFETCH(QString, name);
        QFETCH(QString, province);
        QFETCH(QDate, date);
        QFETCH(QString, codes);
        QCOMPARE(codesOf(BirthPlaces::byName(name, province, date)), codes);
    }

    void mismatches_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("screen"); // surname, name, sex, birth date, municipality, province, state
        QTest::addColumn<QString>("parts");

        const QString rossi = QStringLiteral("RSSMRA80A01H501U");
        const QStringList mario{"Rossi", "Mario", "M", "01/01/1980", "Roma", "RM", ""};
        const auto with = [&mario](int index, const QString &text) {
            QStringList changed = mario;
            changed[index] = text;
            return changed;
        };
        QTest::newRow("the same person") << rossi << mario << "";
        QTest::newRow("other case, state Italia") << rossi << QStringList{"ROSSI", "mario", "m", "01/01/1980", "roma", "rm", "Italia"} << "";
        QTest::newRow("surname") << rossi << with(0, "Verdi") << "cognome";
        // "Rosi" gives RSX: one S less tells
        QTest::newRow("surname, one letter less") << rossi << with(0, "Rosi") << "cognome";
        // "Maria" gives MRA too: the code cannot tell
        QTest::newRow("name with the same letters") << rossi << with(1, "Maria") << "";
        QTest::newRow("name") << rossi << with(1, "Luigi") << "nome";
        QTest::newRow("sex") << rossi << with(2, "F") << "sesso";
        QTest::newRow("day") << rossi << with(3, "02/01/1980") << "data di nascita";
        QTest::newRow("month") << rossi << with(3, "01/02/1980") << "data di nascita";
        QTest::newRow("year") << rossi << with(3, "01/01/1981") << "data di nascita";
        // The code holds two digits of the year.
        QTest::newRow("another century") << rossi << with(3, "01/01/1880") << "";
        QTest::newRow("place") << rossi << with(4, "Milano").replaceInStrings("RM", "MI") << "luogo di nascita";
        QTest::newRow("everything") << rossi << QStringList{"Verdi", "Luigi", "F", "02/01/1980", "Milano", "MI", ""}
                                    << "cognome, nome, sesso, data di nascita, luogo di nascita";
        QTest::newRow("name and place") << rossi << QStringList{"Rossi", "Luigi", "M", "01/01/1980", "Milano", "", ""}
                                        << "nome, luogo di nascita";
        // Empty or unreadable parts are not compared.
        QTest::newRow("all empty") << rossi << QStringList{"", "", "", "", "", "", ""} << "";
        QTest::newRow("empty but the name") << rossi << QStringList{"", "Luigi", "", "", "", "", ""} << "nome";
        QTest::newRow("surname without letters") << rossi << with(0, "--") << "";
        QTest::newRow("sex neither M nor F") << rossi << with(2, "?") << "";
        QTest::newRow("no such date") << rossi << with(3, "31/02/1980") << "";
        QTest::newRow("date in another form") << rossi << with(3, "1980-01-02") << "";
        QTest::newRow("place in no list") << rossi << with(4, "Atlantide") << "";
        QTest::newRow("municipality in another province") << rossi << with(5, "MI") << "";
        // Castro without a province: both Castros are candidates.
        QTest::newRow("place of two provinces, the code's") << "RSSMRA80A01C337D" << with(4, "Castro").replaceInStrings("RM", "") << "";
        QTest::newRow("place of two provinces, neither") << rossi << with(4, "Castro").replaceInStrings("RM", "") << "luogo di nascita";
        // RSS MRA 80 A 01 M261: Castro of Lecce -> X
        QTest::newRow("the other province's") << "RSSMRA80A01M261X" << with(4, "Castro").replaceInStrings("RM", "BG") << "luogo di nascita";
        // RSS MRA 80 A 01 A512 (Aversa) -> T: Caserta (CE) is found, and it is another place.
        QTest::newRow("another municipality of Caserta") << "RSSMRA80A01A512T"
                                                         << with(4, "Caserta").replaceInStrings("RM", "CE") << "luogo di nascita";
        // RSS MRA 80 A 01 E379 -> N: Ivrea with its province.
        QTest::newRow("Ivrea, Torino") << "RSSMRA80A01E379N" << with(4, "Ivrea").replaceInStrings("RM", "TO") << "";
        // The place found on the screen's birth date: Bellagio CO was A744 in 1990.
        QTest::newRow("merged municipality") << "RSSLCU90E10A744G" << QStringList{"Rossi", "Luca", "M", "10/05/1990", "Bellagio", "CO", ""} << "";
        QTest::newRow("new code, old birth date") << "RSSMRA90E10M335V" << QStringList{"Rossi", "Mario", "M", "10/05/1990", "Bellagio", "CO", ""}
                                                  << "luogo di nascita";
        // Without a birth date, any Bellagio will do.
        QTest::newRow("new code, no birth date") << "RSSMRA90E10M335V" << QStringList{"Rossi", "Mario", "M", "", "Bellagio", "CO", ""} << "";
        // Foreign states: the state's name, in the state or with the province EE.
        const QString smith = QStringLiteral("SMTJHN85L04Z404B");
        QTest::newRow("state") << smith << QStringList{"Smith", "John", "M", "04/07/1985", "", "", "Stati Uniti d'America"} << "";
        QTest::newRow("state as a municipality of EE") << smith << QStringList{"Smith", "John", "M", "04/07/1985", "Stati Uniti d'America", "EE", ""} << "";
        QTest::newRow("another state") << smith << QStringList{"Smith", "John", "M", "04/07/1985", "", "", "Francia"} << "luogo di nascita";
        QTest::newRow("Italian municipality for a foreign code") << smith << QStringList{"Smith", "John", "M", "04/07/1985", "Roma", "RM", "Italia"}
                                                                 << "luogo di nascita";
        QTest::newRow("state for an Italian code") << rossi << QStringList{"Rossi", "Mario", "M", "01/01/1980", "", "EE", "Francia"} << "luogo di nascita";
        // RSS MRA 99 A 01 Z340, Saint Helena -> W; the municipality of the same name is not it
        QTest::newRow("state named like a municipality") << "RSSMRA99A01Z340W" << QStringList{"Rossi", "Mario", "M", "01/01/1999", "Sant'Elena", "PD", ""}
                                                         << "luogo di nascita";
        QTest::newRow("state named like a municipality, abroad") << "RSSMRA99A01Z340W" << QStringList{"Rossi", "Mario", "M", "01/01/1999", "Sant'Elena", "EE", ""}
                                                                 << "";
        // Omocodia: the place's digits read back.
        QTest::newRow("omocodia in the place") << "RSSMRA80A01HR01P" << mario << "";
        QTest::newRow("omocodia, another place") << "RSSMRA80A01HR01P" << with(4, "Milano").replaceInStrings("RM", "MI") << "luogo di nascita";
        QTest::newRow("invalid code") << "RSSMRA80A01H501A" << QStringList{"Verdi", "Luigi", "F", "02/01/1980", "Milano", "MI", ""} << "";
    }

    void mismatches()
    {
        QFETCH(QString, code);
        QFETCH(QStringList, screen);
        QFETCH(QString, parts);
        QCOMPARE(screen.size(), 7);
        const TaxCodeScreenData data{screen[0], screen[1], screen[2], screen[3], screen[4], screen[5], screen[6]};
        QStringList names;
        for (const TaxCodePart part : TaxCodeMismatches(code, data, kToday))
            names << TaxCodePartName(part);
        QCOMPARE(names.join(QStringLiteral(", ")), parts);
    }

    void partNames_data()
    {
        QTest::addColumn<int>("part");
        QTest::addColumn<QString>("name");
        QTest::newRow("surname") << int(TaxCodePart::Surname) << "cognome";
        QTest::newRow("name") << int(TaxCodePart::Name) << "nome";
        QTest::newRow("sex") << int(TaxCodePart::Sex) << "sesso";
        QTest::newRow("birth date") << int(TaxCodePart::BirthDate) << "data di nascita";
        QTest::newRow("birth place") << int(TaxCodePart::BirthPlace) << "luogo di nascita";
    }

    void partNames()
    {
        QFETCH(int, part);
        QFETCH(QString, name);
        QCOMPARE(TaxCodePartName(static_cast<TaxCodePart>(part)), name);
    }
};

QTEST_GUILESS_MAIN(TestTaxCode)
#include "tst_taxcode.moc"
