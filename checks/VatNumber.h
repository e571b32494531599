#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// True when `number` is exactly eleven digits and the last is the check digit
// of the first ten.
bool IsValidVatNumber(QStringView number);

// The VAT office named by a three-digit office code (characters 8 to 10 of the
// number), or nothing for a code the table does not hold.
std::optional<QString> VatOfficeName(QStringView officeCode);
