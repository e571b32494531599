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

} // namespace TT2112Document
