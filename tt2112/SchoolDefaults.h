#pragma once

#include "storage/IniFile.h"

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
// False on failure, with what failed in `failure` when given.
bool writeChanged(const QString &iniPath, const std::optional<QString> &code, const std::optional<QString> &office,
                  IniFile::WriteFailure *failure = nullptr);

// What a failed write tells the user: the warning with the cause on its last line.
// A value that the file cannot keep (it would not read back) fails at every
// close in the same way, so it is told once per run, while `alreadyTold` is
// false; the result is empty when nothing is to be told.
QString writeFailureWarning(const IniFile::WriteFailure &failure, bool *alreadyTold);
bool write(const QString &iniPath, const Values &values, IniFile::WriteFailure *failure);

} // namespace SchoolDefaults
