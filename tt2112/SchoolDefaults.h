#pragma once

#include <QString>

#include <optional>

// The school's own data kept between runs in Autoscuola.ini, section
// "Modello TT2112": its identification code and its provincial office.
namespace SchoolDefaults {

struct Values {
    QString code;   // "Codice Autoscuola"
    QString office; // "Ufficio Provinciale"
};

QString fileName(); // "Autoscuola.ini"
QString path();     // in the program folder

// A missing file, section or key reads as empty; nothing when the file cannot be read.
std::optional<Values> read(const QString &iniPath);

// Writes both values trimmed, keeping everything else in the file; false on failure.
bool write(const QString &iniPath, const Values &values);

} // namespace SchoolDefaults
