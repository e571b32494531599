#include "checks/TaxCode.h"

#include <array>

namespace {

// Values of the characters "0".."Z" in code order; the seven signs between "9"
// and "A" count 0. Digits and letters count alike, which covers omocodia.
constexpr std::array<int, 43> kOddValues = {
    1, 0, 5, 7, 9, 13, 15, 17, 19, 21,                  // 0-9
    0, 0, 0, 0, 0, 0, 0,                                // : ; < = > ? @
    1, 0, 5, 7, 9, 13, 15, 17, 19, 21, 2, 4, 18,        // A-M
    20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23,    // N-Z
};

constexpr std::array<int, 43> kEvenValues = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9,                       // 0-9
    0, 0, 0, 0, 0, 0, 0,                                // : ; < = > ? @
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,           // A-M
    13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, // N-Z
};

} // namespace

char16_t TaxCodeCheckLetter(QStringView firstFifteen)
{
    if (firstFifteen.size() < 15)
        return 0;
    int sum = 0;
    for (int i = 0; i < 15; ++i) {
        const char16_t c = firstFifteen[i].unicode();
        if (c < u'0' || c > u'Z')
            return 0;
        const auto index = static_cast<std::size_t>(c - u'0');
        // Position i + 1 is odd when i is even.
        sum += (i % 2 == 0) ? kOddValues[index] : kEvenValues[index];
    }
    return static_cast<char16_t>(u'A' + sum % 26);
}

bool IsValidTaxCode(QStringView code)
{
    if (code.size() != 16)
        return false;
    const char16_t expected = TaxCodeCheckLetter(code.first(15));
    return expected != 0 && code[15].unicode() == expected;
}
