#include "checks/VatNumber.h"

#include <array>

namespace {

// Offices 001 to 102, in code order; 120 and 121 repeat 101 and 102.
constexpr std::array<const char16_t *, 102> kOffices = {
    u"Torino", u"Vercelli", u"Novara", u"Cuneo", u"Asti", u"Alessandria", u"Aosta", u"Imperia",
    u"Savona", u"Genova 1", u"La Spezia", u"Varese", u"Como", u"Sondrio", u"Milano 1", u"Bergamo",
    u"Brescia 1", u"Pavia", u"Cremona", u"Mantova", u"Bolzano", u"Trento", u"Verona", u"Vicenza",
    u"Belluno", u"Treviso", u"Venezia", u"Padova", u"Rovigo", u"Udine", u"Gorizia", u"Trieste",
    u"Piacenza", u"Parma", u"Reggio Emilia", u"Modena", u"Bologna 1", u"Ferrara", u"Ravenna",
    u"Forl\u00EC", u"Pesaro", u"Ancona", u"Macerata", u"Ascoli Piceno", u"Massa Carrara", u"Lucca",
    u"Pistoia", u"Firenze 1", u"Livorno", u"Pisa", u"Arezzo", u"Siena", u"Grosseto", u"Perugia",
    u"Terni", u"Viterbo", u"Rieti", u"Roma 1", u"Latina", u"Frosinone", u"Caserta", u"Benevento",
    u"Napoli 1", u"Avellino", u"Salerno", u"Aquila", u"Teramo", u"Pescara", u"Chieti", u"Campobasso",
    u"Foggia", u"Bari", u"Taranto", u"Brindisi", u"Lecce", u"Potenza", u"Matera", u"Cosenza",
    u"Catanzaro", u"Reggio Calabria", u"Trapani", u"Palermo", u"Messina", u"Agrigento",
    u"Caltanissetta", u"Enna", u"Catania", u"Ragusa", u"Siracusa", u"Sassari", u"Nuoro", u"Cagliari",
    u"Pordenone", u"Isernia", u"Oristano", u"Monza (Milano 2)", u"Prato (Firenze 2)", u"Brescia 2",
    u"Chiavari (Genova 2)", u"Roma 2", u"Bologna 2", u"Napoli 2",
};

bool isDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

} // namespace

bool IsValidVatNumber(QStringView number)
{
    if (number.size() != 11)
        return false;
    for (const QChar c : number) {
        if (!isDigit(c))
            return false;
    }
    int sum = 0;
    for (int i = 0; i < 10; ++i) {
        const int d = number[i].unicode() - u'0';
        // Position i + 1 is odd when i is even.
        sum += (i % 2 == 0) ? d : (d < 5 ? 2 * d : 2 * d - 9);
    }
    const int check = sum % 10 == 0 ? 0 : 10 - sum % 10;
    return number[10].unicode() - u'0' == check;
}

std::optional<QString> VatOfficeName(QStringView officeCode)
{
    if (officeCode.size() != 3 || !isDigit(officeCode[0]) || !isDigit(officeCode[1]) || !isDigit(officeCode[2]))
        return std::nullopt;
    const int code = officeCode.toInt();
    if (code == 120)
        return QString::fromUtf16(kOffices[100]);
    if (code == 121)
        return QString::fromUtf16(kOffices[101]);
    if (code < 1 || code > static_cast<int>(kOffices.size()))
        return std::nullopt;
    return QString::fromUtf16(kOffices[static_cast<std::size_t>(code - 1)]);
}
