#pragma once

#include <QStringList>

class QIODevice;

// The support companion for archive files: dump records as JSON lines, append
// records from JSON lines, and check a file for anomalies; it also reads and
// computes tax codes.
//
//   dump FILE     one JSON object per record: "_position" (1-based), then every
//                 field by name in record order, values as loaded
//   append FILE   one JSON object per line on input, each appended as a record;
//                 prints each new position. A text cut to its field's length or
//                 holding characters that Windows-1252 lacks (stored as "?") is
//                 appended all the same with one warning line per field; with
//                 --strict it is an error and nothing is appended
//   check FILE    prints the record count and every anomaly
//   taxcode CODE  what the code says of its holder, as one JSON object: "valid",
//                 "code", "sex", "birthDate" (dd/mm/yyyy), "placeCode", and
//                 "municipality" with "province", or "state" (null when unknown);
//                 a code whose place did not exist on the birth date or is in no
//                 list has "valid": false and a "reason" (exit 1)
//   taxcode -     one code a line on input, one JSON object a line on output, as
//                 above; a code that is not valid gives {"valid": false, "code",
//                 "reason"}; exit 1 when any is not valid
//   taxcode --compute
//                 reads one JSON object ("surname", "name", "sex", "birthDate", and
//                 "municipality" with "province", or "state", or "placeCode") and
//                 prints {"code": ...}; a place that names several, a place that
//                 did not exist on the birth date and a birth date after today are
//                 errors
//   deadlines [--today dd/mm/yyyy] [--days N]
//                 the deadlines of the archives in the current folder (the program
//                 folder), one JSON object each in the order of the program's list:
//                 "_position", "txtCognome", "txtNome", "txtCodiceCor", "scadenza",
//                 "data", "stimata", "urgenza"; N days ahead (60 unless given)
//   lessons FILE --summary
//                 what a student's lessons add up to, as one JSON object: "minuti",
//                 "lezioni", "notturna", "autostrada", "extraurbana" (minutes),
//                 "sconosciute", "obbligatorie_completate" and "avvisi"
//   hours --from dd/mm/yyyy --to dd/mm/yyyy
//                 one JSON object per instructor ("istruttore") and per plate
//                 ("targa"): "minuti", "lezioni", "sconosciute", over every lesson
//                 file of the current folder
//
// The layout comes from the file name or from --kind tt2112|student|lesson.
// Anything but a regular file is refused at once, never waited on.
// Exit codes: 0 fine, 1 anomalies found (check; taxcode: a code not valid), 2 bad input (an invalid tax
// code, unusable personal data), unreadable or unwritable file, or output that
// could not be written.
namespace ArchiveTool {

int run(const QStringList &arguments, QIODevice &in, QIODevice &out, QIODevice &err);

// The JSON text of a string value, quotes included.
QByteArray jsonString(const QString &text);

} // namespace ArchiveTool
