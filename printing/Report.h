#pragma once

#include <QColor>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

class QPaintDevice;
class QPagedPaintDevice;
class QPainter;

// A small document engine: fixed pages with a background picture, rectangles,
// lines and named text boxes, placed in millimetres from the paper's top-left
// corner; and a banded list whose lines split across pages. Text is printed
// exactly as set, in the font size in points, with no markup of any kind.
//
// A one-line box keeps what it is given: a text wider than its box is drawn
// smaller, down to kSmallestPoints, and only a text that does not fit even then
// is cut, with "…" as its last character. No box prints outside its page's
// frame or within 5 mm of the sheet's edge, where printers print nothing.
namespace Report {

// The smallest size a one-line text is drawn at before it is cut.
inline constexpr double kSmallestPoints = 5;
// How far in from the sheet's edges text may be printed, in millimetres.
inline constexpr double kUnprintableEdge = 5;

struct TextBox {
    QString name;
    QRectF mm;
    double points = 9;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool wordWrap = false; // otherwise one line, clipped at the box
    bool wrapAnywhere = false; // word-wrapping boxes: break inside words too (for words wider than the box)
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
    // The frame drawn on the page, in millimetres from the paper's corner: one-line
    // boxes that reach past it are narrowed to it. Empty: the sheet itself.
    QRectF frame;
};

// Where text may be printed on a page, in millimetres from the paper's corner:
// its frame, kept kUnprintableEdge in from the edges of the sheet.
QRectF printableArea(const Page &page, const QPageLayout &layout);

// How the text of a box is printed.
struct FittedText {
    QRectF mm;          // the box, narrowed to the printable area
    double points = 0;  // the size it is drawn at
    QString text;       // whole, or cut with "…" as its last character
    bool cut = false;

    bool shrunk(const TextBox &box) const { return points < box.points; }
};

// Fits the text of a one-line box on its single line as drawn on `device`; `area`
// is where the page may be printed, in the coordinates of box.mm (empty: anywhere).
// A word-wrapping box, or a text that fits, is printed as it is.
FittedText fitText(const TextBox &box, const QRectF &area, QPaintDevice *device);

// A one-line box whose text is printed small or cut.
struct SqueezedBox {
    QString name;
    double points = 0;
    bool cut = false;
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
    // What the print says it is, as print to file proposes it for a file name
    // ("Modello TT 2112 - Rossi Mario"); empty: the document's name.
    const QString &fileName() const { return m_fileName.isEmpty() ? m_name : m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }
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

    // The one-line boxes, in page order, whose text is drawn below `points` or cut,
    // as laid out for `device` (nullptr: a high-resolution PDF page of the document).
    std::vector<SqueezedBox> squeezedBoxes(double points, QPaintDevice *device = nullptr) const;

private:
    QString m_name;
    QString m_fileName;
    QPageLayout m_layout;
    std::vector<Page> m_pages;
};

// Draws one page on a painter whose device has the page's size.
void drawPage(QPainter &painter, const Page &page, const QPageLayout &layout);

// A title, lines in a fixed-pitch font that split across pages between lines, and
// a footer right after the last line. Positions in millimetres inside the margins.
struct ListDocument {
    QString name;
    QString fileName; // what print to file proposes, as Document::fileName() (empty: the name)
    QPageLayout layout;
    TextBox title;         // first page only
    double titleBand = 8;  // mm
    TextBox body;          // the look of the lines; its rect gives left and width
    double bodyPadding = 0; // mm added under the lines
    QStringList lines;
    // Lines wider than the body break onto the next line (at a blank where one is
    // near, indented) instead of being drawn smaller or cut.
    bool wrap = false;
    TextBox footer;
    double footerBand = 8;

    // Lays the document out for `device` (line height from its real font metrics)
    // and draws pages [first, last] (1-based; last < 1: to the end).
    [[nodiscard]] Printed print(QPagedPaintDevice &device, int first = 1, int last = -1) const;
    // How many pages the document takes, as laid out for `device`.
    int pageCount(QPagedPaintDevice &device) const;
    // How many lines fit on each page, as laid out for `device`.
    std::vector<int> linesPerPage(QPagedPaintDevice &device) const;
    // The lines as printed on `device`: with `wrap`, the long ones broken.
    QStringList printedLines(QPaintDevice &device) const;
};

} // namespace Report
