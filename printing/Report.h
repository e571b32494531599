#pragma once

#include <QColor>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

class QPagedPaintDevice;
class QPainter;

// A small document engine: fixed pages with a background picture, rectangles,
// lines and named text boxes, placed in millimetres from the paper's top-left
// corner; and a banded list whose lines split across pages. Text is printed
// exactly as set, in the font size in points, with no markup of any kind.
namespace Report {

struct TextBox {
    QString name;
    QRectF mm;
    double points = 9;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool wordWrap = false; // otherwise one line, clipped at the box
    QString text;
    QString family = QStringLiteral("Arial");
    bool bold = false;
    QColor colour = Qt::black;
    QColor background; // invalid: transparent
};

struct Rectangle {
    QRectF mm;
    QColor fill;       // invalid: not filled
    bool outline = true;
};

struct Line {
    QPointF from;
    QPointF to;
};

struct Page {
    QString picture;     // SVG resource drawn first (empty: none)
    QRectF pictureBox;   // the picture is scaled by the smaller ratio, anchored top-left
    std::vector<Rectangle> rectangles;
    std::vector<Line> lines;
    std::vector<TextBox> boxes;
};

// What became of a print: whether every page reached the device, how many pages
// were drawn, and, when it failed, why (in Italian, for the user).
struct Printed {
    bool ok = false;
    int pages = 0;
    QString failure;
    explicit operator bool() const { return ok; }
};

// Fixed pages.
class Document
{
public:
    Document(QString name, QPageLayout layout);

    const QString &name() const { return m_name; }
    const QPageLayout &pageLayout() const { return m_layout; }
    std::vector<Page> &pages() { return m_pages; }
    const std::vector<Page> &pages() const { return m_pages; }

    // The box of that name, or nullptr.
    TextBox *find(const QString &name);
    const TextBox *find(const QString &name) const;
    // Sets a box's text; false when no box has that name.
    bool setText(const QString &name, const QString &text);

    // Draws pages [first, last] (1-based) on a paged device, one per sheet.
    [[nodiscard]] Printed print(QPagedPaintDevice &device, int first = 1, int last = -1) const;

private:
    QString m_name;
    QPageLayout m_layout;
    std::vector<Page> m_pages;
};

// Draws one page on a painter whose device has the page's size.
void drawPage(QPainter &painter, const Page &page, const QPageLayout &layout);

// A title, lines in a fixed-pitch font that split across pages between lines, and
// a footer right after the last line. Positions in millimetres inside the margins.
struct ListDocument {
    QString name;
    QPageLayout layout;
    TextBox title;         // first page only
    double titleBand = 8;  // mm
    TextBox body;          // the look of the lines; its rect gives left and width
    double bodyPadding = 0; // mm added under the lines
    QStringList lines;
    TextBox footer;
    double footerBand = 8;

    // Lays the document out for `device` (line height from its real font metrics)
    // and draws pages [first, last] (1-based; last < 1: to the end).
    [[nodiscard]] Printed print(QPagedPaintDevice &device, int first = 1, int last = -1) const;
    // How many pages the document takes, as laid out for `device`.
    int pageCount(QPagedPaintDevice &device) const;
    // How many lines fit on each page, as laid out for `device`.
    std::vector<int> linesPerPage(QPagedPaintDevice &device) const;
};

} // namespace Report
