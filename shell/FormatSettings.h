#pragma once

#include <QChar>
#include <QDate>
#include <QString>

// Program-wide format settings: the short-date pattern and the decimal separator.
// Screens set them when they are created; they hold for the whole process.
namespace FormatSettings {

// Sets the short-date pattern "dd/mm/yyyy" and the decimal separator ",".
void apply();

QString shortDatePattern(); // "dd/mm/yyyy" once applied
QChar decimalSeparator();   // ',' once applied
QChar dateSeparator();      // '/'

// A date in the short-date pattern: two-digit day, two-digit month, four-digit year.
QString formatDate(const QDate &date);

} // namespace FormatSettings
