#pragma once

#include "printing/Report.h"

#include <functional>

class QPrinter;

// Where printed documents go: the print dialog and the printer, and the preview
// window. Tests replace them, to print into a PDF file or to record the preview.
namespace PrintSeam {

// Prints after the print dialog (default printer and one copy preselected); the
// user may choose printer, copies and pages, or cancel. True when printed; a print
// that fails (the printer gone, a file that cannot be written) is told to the user
// in a warning with its reason, and gives false.
// Print to file proposes the document's file name (proposedFile()): the toolkit's
// dialog shows it as the output file, and the document's name in the spooler is
// that name too, which Windows' own PDF printer proposes.
bool print(const Report::Document &document);
bool print(const Report::ListDocument &list);

// The name of a print that says what it is and whose: "Modello TT 2112 - Rossi
// Mario" from "Modello TT 2112", "Rossi" and "Mario" (each trimmed; `what` alone
// when the person has no name).
QString printName(const QString &what, const QString &surname = QString(), const QString &name = QString());
// The file print to file proposes for a print of that name: the name, each
// character that a file name may not hold on Windows or Linux made a blank, with
// ".pdf", in the user's documents folder (the home folder where there is none).
QString proposedFile(const QString &printName);

// Shows the document in the modal preview window, from which it can be printed.
void preview(const Report::Document &document);

// Replaces the print dialog: it receives the printer to set up and the number of
// pages the dialog offers (1 to `pages`), and says whether to print.
using DialogHandler = std::function<bool(QPrinter &printer, int pages)>;
void setDialogHandler(DialogHandler handler);
// Replaces the preview window.
using PreviewHandler = std::function<void(const Report::Document &document)>;
void setPreviewHandler(PreviewHandler handler);

} // namespace PrintSeam
