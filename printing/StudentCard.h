#pragma once

#include "printing/Report.h"

#include <QDateTime>

#include <functional>

// The one-page card of the student on the registry: 37 labelled rows, a title and
// a footer with the date and time of printing.
namespace StudentCard {

Report::Document create();

// Sets the 37 values from the registry's fields (`text` gives a field's text) and
// the footer from `now`.
void fill(Report::Document &card, const std::function<QString(const char *field)> &text, const QDateTime &now);

} // namespace StudentCard
