#pragma once

#include "printing/Report.h"

#include <functional>

// The printed TT 2112 form: eight A4 pages over the pictures of the official
// pages, with 124 named text boxes where the form has its fields.
namespace TT2112Document {

Report::Document create();

// What the form on screen holds: a field's text, and whether a box is ticked.
struct Source {
    std::function<QString(const char *field)> text;
    std::function<bool(const char *box)> ticked;
};

// Sets every box of the document from the form (trimmed texts, "X" marks).
void fill(Report::Document &document, const Source &source);

// The fields of the form on screen (`txtViaPro`, `chkTariffa01`, ...) whose value
// is printed below `points` or cut on some copy, in the order of the document, as
// laid out for `device` (nullptr: a high-resolution PDF).
QStringList squeezedFields(const Report::Document &document, double points = 7, QPaintDevice *device = nullptr);

} // namespace TT2112Document
