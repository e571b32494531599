#pragma once

#include "printing/Report.h"

#include <QStringList>

#include <vector>

// A register printed as a table on A4 landscape: a heading on every page, the
// column headings repeated on every page, one row per entry whose long values
// wrap inside their cells (a row never splits across pages), an optional
// footnote under the table and "Pagina N di M" at the foot of every page.
namespace TableReport {

struct Column {
    QString heading;
    double widthMm = 20;
    Qt::Alignment alignment = Qt::AlignLeft;
};

struct Table {
    QString name;            // the document's name (print job, file name)
    QString title;           // first heading line, in bold
    QStringList subtitles;   // further heading lines
    std::vector<Column> columns; // their widths should add up to at most 277 mm
    std::vector<QStringList> rows;
    QString footnote;        // printed once, under the last row
    double points = 8;       // the size of the cells' text
    double minRowMm = 0;     // rows at least this tall (room to sign in)
};

// The page layout of every table: A4 landscape with 10 mm margins.
QPageLayout pageLayout();

// Lays the table out in pages. The text boxes of the cells are named
// "r<row>c<column>" (both from 0), the column headings "h<column>", so that a
// test can find where each value went.
Report::Document create(const Table &table);

} // namespace TableReport
