#include "printing/TableReport.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>

#include <algorithm>
#include <cmath>

namespace TableReport {
namespace {

constexpr double kLeft = 10;
constexpr double kTop = 10;
constexpr double kWidth = 277;
constexpr double kBottom = 200;      // where the page's usable area ends
constexpr double kFooterBand = 6;    // "Pagina N di M"
constexpr double kPadding = 0.8;     // inside each cell, on every side
constexpr double kMeasureDpi = 600;

// Measures wrapped text as a page of high resolution lays it out, a little
// narrower than the cell, so that no printer wraps it onto more lines.
class Measure
{
public:
    Measure()
        : m_device(8, 8, QImage::Format_RGB32)
    {
        const int dotsPerMetre = static_cast<int>(std::lround(kMeasureDpi / 0.0254));
        m_device.setDotsPerMeterX(dotsPerMetre);
        m_device.setDotsPerMeterY(dotsPerMetre);
    }

    // The height in millimetres that `text` takes in a cell `widthMm` wide.
    double height(const QString &text, double widthMm, double points, bool bold)
    {
        const QFontMetricsF metrics(font(points, bold), &m_device);
        const double lineMm = metrics.lineSpacing() * 25.4 / kMeasureDpi;
        if (text.isEmpty())
            return lineMm;
        const double widthPx = (widthMm - 2 * kPadding) * 0.94 * kMeasureDpi / 25.4;
        const QRectF bounds = metrics.boundingRect(QRectF(0, 0, widthPx, 1e6), wrapFlags(text, widthMm, points, bold), text);
        return std::max(lineMm, bounds.height() * 25.4 / kMeasureDpi) + lineMm * 0.25;
    }

    // Words wider than the cell break anywhere; others at word boundaries.
    int wrapFlags(const QString &text, double widthMm, double points, bool bold)
    {
        const QFontMetricsF metrics(font(points, bold), &m_device);
        const double widthPx = (widthMm - 2 * kPadding) * 0.94 * kMeasureDpi / 25.4;
        const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
        const bool longWord = std::any_of(words.begin(), words.end(),
                                          [&](const QString &word) { return metrics.horizontalAdvance(word) > widthPx; });
        return Qt::AlignLeft | Qt::AlignTop | (longWord ? Qt::TextWrapAnywhere : Qt::TextWordWrap);
    }

private:
    static QFont font(double points, bool bold)
    {
        QFont font(QStringLiteral("Arial"));
        font.setStyleHint(QFont::SansSerif);
        font.setPointSizeF(points);
        font.setBold(bold);
        return font;
    }

    QImage m_device;
};

Report::TextBox cell(const QString &name, const QRectF &mm, const QString &text, double points, bool bold,
                     Qt::Alignment alignment, bool anywhere)
{
    Report::TextBox box;
    box.name = name;
    box.mm = mm.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    box.points = points;
    box.bold = bold;
    box.alignment = alignment | Qt::AlignTop;
    box.wordWrap = true;
    box.wrapAnywhere = anywhere;
    box.text = text;
    return box;
}

} // namespace

QPageLayout pageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
}

Report::Document create(const Table &table)
{
    Report::Document document(table.name, pageLayout());
    Measure measure;

    // Column edges, squeezed to the page's width if they ask for more.
    double total = 0;
    for (const Column &column : table.columns)
        total += column.widthMm;
    const double ratio = total > kWidth ? kWidth / total : 1.0;
    std::vector<double> left;
    std::vector<double> width;
    double x = kLeft;
    for (const Column &column : table.columns) {
        left.push_back(x);
        width.push_back(column.widthMm * ratio);
        x += column.widthMm * ratio;
    }

    const auto rowHeight = [&](const QStringList &cells, bool bold) {
        double height = 0;
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
            const QString text = c < static_cast<std::size_t>(cells.size()) ? cells[static_cast<qsizetype>(c)] : QString();
            height = std::max(height, measure.height(text, width[c], table.points, bold));
        }
        return std::min(height + 2 * kPadding, kBottom - kTop - kFooterBand - 40);
    };

    QStringList headings;
    for (const Column &column : table.columns)
        headings << column.heading;
    const double headingRow = rowHeight(headings, true);

    // The heading of every page: the title, then the subtitles.
    const double titleBand = 7 + 5 * static_cast<double>(table.subtitles.size()) + 2;

    std::vector<Report::Page> pages;
    double y = 0;
    const auto newPage = [&] {
        Report::Page page;
        page.frame = QRectF(kLeft, kTop, kWidth, kBottom - kTop);
        Report::TextBox title;
        title.name = QStringLiteral("txtTitolo");
        title.mm = QRectF(kLeft, kTop, kWidth, 7);
        title.points = 12;
        title.bold = true;
        title.text = table.title;
        page.boxes.push_back(title);
        double line = kTop + 7;
        for (qsizetype i = 0; i < table.subtitles.size(); ++i, line += 5) {
            Report::TextBox subtitle;
            subtitle.name = QStringLiteral("txtSottotitolo%1").arg(i + 1);
            subtitle.mm = QRectF(kLeft, line, kWidth, 5);
            subtitle.points = 9;
            subtitle.text = table.subtitles[i];
            page.boxes.push_back(subtitle);
        }
        y = kTop + titleBand;
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
            const QRectF rect(left[c], y, width[c], headingRow);
            page.rectangles.push_back({rect, QColor(0xE3, 0xE8, 0xEE), true});
            page.boxes.push_back(cell(QStringLiteral("h%1").arg(c), rect, table.columns[c].heading, table.points, true,
                                      table.columns[c].alignment, false));
        }
        y += headingRow;
        pages.push_back(std::move(page));
    };
    newPage();

    const double end = kBottom - kFooterBand;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const QStringList &cells = table.rows[r];
        const double height = std::max(rowHeight(cells, false), table.minRowMm);
        if (y + height > end + 1e-6)
            newPage();
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
            const QRectF rect(left[c], y, width[c], height);
            const QString text = c < static_cast<std::size_t>(cells.size()) ? cells[static_cast<qsizetype>(c)] : QString();
            pages.back().rectangles.push_back({rect, QColor(), true});
            pages.back().boxes.push_back(cell(QStringLiteral("r%1c%2").arg(r).arg(c), rect, text, table.points, false,
                                              table.columns[c].alignment,
                                              (measure.wrapFlags(text, width[c], table.points, false) & Qt::TextWrapAnywhere) != 0));
        }
        y += height;
    }

    if (!table.footnote.isEmpty()) {
        const double height = measure.height(table.footnote, kWidth, table.points, false) + 2;
        if (y + 2 + height > end + 1e-6)
            newPage();
        Report::TextBox note;
        note.name = QStringLiteral("txtNota");
        note.mm = QRectF(kLeft, y + 2, kWidth, height);
        note.points = table.points;
        note.wordWrap = true;
        note.alignment = Qt::AlignLeft | Qt::AlignTop;
        note.text = table.footnote;
        pages.back().boxes.push_back(note);
    }

    const int count = static_cast<int>(pages.size());
    for (int i = 0; i < count; ++i) {
        Report::TextBox footer;
        footer.name = QStringLiteral("txtPagina");
        footer.mm = QRectF(kLeft, kBottom - kFooterBand + 1, kWidth, kFooterBand - 1);
        footer.points = 8;
        footer.alignment = Qt::AlignRight | Qt::AlignVCenter;
        footer.text = QStringLiteral("Pagina %1 di %2").arg(i + 1).arg(count);
        pages[static_cast<std::size_t>(i)].boxes.push_back(footer);
    }
    document.pages() = std::move(pages);
    return document;
}

} // namespace TableReport
