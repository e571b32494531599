#pragma once

#include <QString>

#include <optional>

// The school's own data kept between runs in Autoscuola.ini, section
// "Modello TT2112": its identification code and its provincial office.
namespace SchoolDefaults {

struct Values {
    QString code;   // "Codice Autoscuola"
    QString office; // "Ufficio Provinciale"
    // Whether the file holds each key (read() only): a key it lacks is written
    // on closing even when its empty value is left as it is.
    bool codeStored = false;
    bool officeStored = false;
};

QString fileName(); // "Autoscuola.ini"
QString path();     // in the program folder

// A missing file, section or key reads as empty; nothing when the file cannot be read.
std::optional<Values> read(const QString &iniPath);

// Writes both values trimmed, keeping everything else in the file; false on failure.
bool write(const QString &iniPath, const Values &values);

// Writes, trimmed, only the values given; with none given the file is not touched.
// False on failure.
bool writeChanged(const QString &iniPath, const std::optional<QString> &code, const std::optional<QString> &office);

} // namespace SchoolDefaults
