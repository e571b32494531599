#pragma once

#include "printing/Report.h"

#include <QDate>

// The printed summary of a list screen: A4 landscape, the title once, the lines in
// Courier New 8 pt flowing over as many pages as they need, the footer once after
// the last line.
namespace SummaryList {

Report::ListDocument create(const QString &title, const QStringList &lines, const QDate &today);

} // namespace SummaryList
