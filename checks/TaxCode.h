#pragma once

#include <QStringView>

// True when the 16th character of `code` is the check letter of its first fifteen.
// `code` must be 16 characters in upper case; any other length gives false, and a
// character outside "0".."Z" makes the code invalid.
bool IsValidTaxCode(QStringView code);

// The check letter of the first fifteen characters, or nothing when one of them
// lies outside "0".."Z" or fewer than fifteen are given.
char16_t TaxCodeCheckLetter(QStringView firstFifteen);
