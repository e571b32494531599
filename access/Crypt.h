#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Reversible scrambling of the access password: a byte-wise XOR with a 16-bit key
// stream, written as upper-case hexadecimal digits, two per character. Only the
// low 8 bits of each character are kept.
QString ScramblePassword(QStringView plain);

// The inverse of ScramblePassword. A last odd digit is ignored; a pair that is not
// a hexadecimal number (digits in either case) gives nothing.
std::optional<QString> UnscramblePassword(QStringView text);

// Whether ScramblePassword keeps `plain` intact: at most 255 characters, each with
// a code from 0 to 255.
bool IsScramblable(QStringView plain);
