#include "printing/Report.h"

#include "assets/Artwork.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace Report {
namespace {

// Millimetres to device units.
struct Scale {
    double x;
    double y;
    QRectF rect(const QRectF &mm) const { return {mm.x() * x, mm.y() * y, mm.width() * x, mm.height() * y}; }
    QPointF point(const QPointF &mm) const { return {mm.x() * x, mm.y() * y}; }
};

Scale scaleOf(const QPaintDevice &device)
{
    return {device.logicalDpiX() / 25.4, device.logicalDpiY() / 25.4};
}

QFont fontOf(const TextBox &box, QPaintDevice *device)
{
    QFont font(box.family);
    font.setPointSizeF(box.points);
    font.setBold(box.bold);
    font.setStyleHint(box.family.contains(QLatin1String("Courier")) ? QFont::TypeWriter : QFont::SansSerif);
    return QFont(font, device);
}

QFont fontOf(const TextBox &box, double points, QPaintDevice *device)
{
    TextBox sized = box;
    sized.points = points;
    return fontOf(sized, device);
}

// `areaMm`: where the page may be printed, in the coordinates of box.mm.
void drawBox(QPainter &painter, const TextBox &box, const Scale &scale, const QRectF &areaMm, QPointF offsetMm = {})
{
    if (box.background.isValid())
        painter.fillRect(scale.rect(box.mm.translated(offsetMm)), box.background);
    if (box.text.isEmpty())
        return;
    const FittedText fitted = fitText(box, areaMm.translated(-offsetMm), painter.device());
    if (fitted.text.isEmpty())
        return;
    const QRectF rect = scale.rect(fitted.mm.translated(offsetMm));
    painter.save();
    painter.setClipRect(rect);
    painter.setFont(fontOf(box, fitted.points, painter.device()));
    painter.setPen(box.colour);
    const int wrap = box.wordWrap ? (box.wrapAnywhere ? Qt::TextWrapAnywhere : Qt::TextWordWrap) : Qt::TextSingleLine;
    const int flags = static_cast<int>(box.alignment) | wrap;
    painter.drawText(rect, flags, fitted.text);
    painter.restore();
}

// A painter on `device`, or the reason why the device refuses to be painted on.
bool beginOn(QPainter &painter, QPagedPaintDevice &device, Printed &printed)
{
    if (painter.begin(&device))
        return true;
    printed.failure = QStringLiteral("il dispositivo di stampa non accetta il documento");
    return false;
}

bool nextSheet(QPagedPaintDevice &device, Printed &printed)
{
    if (device.newPage())
        return true;
    printed.failure = QStringLiteral("non \u00E8 stato possibile passare al foglio %1").arg(printed.pages + 1);
    return false;
}

// Ends the painting; the document is whole only when the device says so.
Printed &finish(QPainter &painter, Printed &printed)
{
    const bool ended = painter.end();
    printed.ok = ended && printed.failure.isEmpty();
    if (!ended && printed.failure.isEmpty())
        printed.failure = QStringLiteral("il dispositivo di stampa non ha completato il documento");
    return printed;
}

// Translates the painter so that (0, 0) is the top-left corner of the paper,
// whatever the device's own origin (a printer's origin is its printable area).
void originAtPaperCorner(QPainter &painter, const QPagedPaintDevice &device)
{
    const QRectF full = device.pageLayout().fullRectPixels(device.logicalDpiX());
    const QRectF paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
    painter.translate(full.topLeft() - paint.topLeft());
}

// Pages [first, last] (1-based) of a document of `count` pages, kept inside it;
// a last page below 1 means the end.
std::pair<int, int> pageSpan(int first, int last, int count)
{
    first = std::clamp(first, 1, count);
    last = last < 1 ? count : std::clamp(last, first, count);
    return {first, last};
}

// Where the lines and the footer of a list fall, as laid out for one device.
struct ListPages {
    double lineMm = 0;
    std::vector<int> lines; // per page; the first page is there even with no lines
    int footerPage = 0;     // 0-based; one past the lines' pages when they leave no room
    double footerTop = 0;   // mm inside the margins

    int count() const { return footerPage + 1; }
};

ListPages layOut(const ListDocument &list, QPagedPaintDevice &device)
{
    device.setPageLayout(list.layout);
    const QFontMetricsF metrics(fontOf(list.body, &device));
    const double pageMm = list.layout.paintRect(QPageLayout::Millimeter).height();
    ListPages pages;
    pages.lineMm = metrics.lineSpacing() * 25.4 / device.logicalDpiY();
    double used = list.titleBand;
    int onPage = 0;
    const qsizetype lineCount = list.wrap ? list.printedLines(device).size() : list.lines.size();
    for (qsizetype i = 0; i < lineCount; ++i) {
        if (used + pages.lineMm > pageMm + 1e-6) {
            pages.lines.push_back(onPage);
            onPage = 0;
            used = 0;
        }
        used += pages.lineMm;
        ++onPage;
    }
    pages.lines.push_back(onPage);
    // The footer right after the last line (and the padding under it), on a new page if needed.
    pages.footerPage = static_cast<int>(pages.lines.size()) - 1;
    used += list.bodyPadding;
    if (used + list.footerBand > pageMm + 1e-6) {
        ++pages.footerPage;
        used = 0;
    }
    pages.footerTop = used;
    return pages;
}

} // namespace

QRectF printableArea(const Page &page, const QPageLayout &layout)
{
    const QRectF sheet = layout.fullRect(QPageLayout::Millimeter);
    const QRectF inside = sheet.adjusted(kUnprintableEdge, kUnprintableEdge, -kUnprintableEdge, -kUnprintableEdge);
    return page.frame.isEmpty() ? inside : page.frame.intersected(inside);
}

FittedText fitText(const TextBox &box, const QRectF &area, QPaintDevice *device)
{
    FittedText fitted{box.mm, box.points, box.text, false};
    if (box.wordWrap || box.text.isEmpty())
        return fitted;
    if (!area.isEmpty())
        fitted.mm = QRectF(QPointF(std::max(box.mm.left(), area.left()), box.mm.top()),
                           QPointF(std::min(box.mm.right(), area.right()), box.mm.bottom()));
    const double room = fitted.mm.width() * device->logicalDpiX() / 25.4;
    if (room <= 0) {
        fitted.mm.setWidth(0);
        fitted.text.clear();
        fitted.cut = true;
        return fitted;
    }
    const auto width = [&](double points, const QString &text) {
        return QFontMetricsF(fontOf(box, points, device)).horizontalAdvance(text);
    };
    const double whole = width(box.points, box.text);
    if (whole <= room)
        return fitted; // drawn as designed

    // The width grows with the size almost in proportion: start from there, in
    // tenths of a point, and step down until the text fits.
    const auto tenths = [](double points) { return std::floor(points * 10 + 1e-6) / 10; };
    double points = std::max(kSmallestPoints, std::min(tenths(box.points * room / whole), tenths(box.points - 0.1)));
    while (points > kSmallestPoints && width(points, box.text) > room)
        points = std::max(kSmallestPoints, tenths(points - 0.1));
    while (tenths(points + 0.1) < box.points && width(tenths(points + 0.1), box.text) <= room)
        points = tenths(points + 0.1);
    fitted.points = points;
    if (width(points, box.text) <= room)
        return fitted;

    // Too long even at the smallest size: as much as fits, then "…".
    const QChar ellipsis(0x2026);
    const auto cutAt = [&](qsizetype length) -> QString {
        QString head = box.text.left(length);
        if (length > 0 && head.at(length - 1).isHighSurrogate())
            head.chop(1);
        while (!head.isEmpty() && head.back().isSpace())
            head.chop(1);
        return head + ellipsis;
    };
    qsizetype fits = 0; // the longest head that fits with the ellipsis
    qsizetype tooLong = box.text.size();
    while (tooLong - fits > 1) {
        const qsizetype middle = (fits + tooLong) / 2;
        if (width(points, cutAt(middle)) <= room)
            fits = middle;
        else
            tooLong = middle;
    }
    fitted.text = cutAt(fits);
    fitted.cut = true;
    if (width(points, fitted.text) > room)
        fitted.text.clear(); // not even the ellipsis has room
    return fitted;
}

Document::Document(QString name, QPageLayout layout)
    : m_name(std::move(name))
    , m_layout(std::move(layout))
{
}

TextBox *Document::find(const QString &name)
{
    for (Page &page : m_pages) {
        for (TextBox &box : page.boxes) {
            if (box.name == name)
                return &box;
        }
    }
    return nullptr;
}

const TextBox *Document::find(const QString &name) const
{
    return const_cast<Document *>(this)->find(name);
}

bool Document::setText(const QString &name, const QString &text)
{
    TextBox *box = find(name);
    if (box == nullptr)
        return false;
    box->text = text;
    return true;
}

void drawPage(QPainter &painter, const Page &page, const QPageLayout &layout)
{
    const Scale scale = scaleOf(*painter.device());
    if (!page.picture.isEmpty()) {
        const Artwork &picture = Artwork::get(page.picture);
        const QSizeF size = picture.size();
        if (picture.isValid()) {
            const double ratio = std::min(page.pictureBox.width() / size.width(), page.pictureBox.height() / size.height());
            picture.render(painter, scale.rect(QRectF(page.pictureBox.topLeft(), size * ratio)));
        }
    }
    for (const Rectangle &rectangle : page.rectangles) {
        const QRectF rect = scale.rect(rectangle.mm);
        if (rectangle.fill.isValid())
            painter.fillRect(rect, rectangle.fill);
        if (rectangle.outline) {
            painter.setPen(QPen(Qt::black, 0.2 * scale.x));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect);
        }
    }
    painter.setPen(QPen(Qt::black, 0.2 * scale.x));
    for (const Line &line : page.lines)
        painter.drawLine(scale.point(line.from), scale.point(line.to));
    const QRectF area = printableArea(page, layout);
    for (const TextBox &box : page.boxes)
        drawBox(painter, box, scale, area);
}

Printed Document::print(QPagedPaintDevice &device, int first, int last) const
{
    Printed printed;
    std::tie(first, last) = pageSpan(first, last, static_cast<int>(m_pages.size()));
    device.setPageLayout(m_layout);
    QPainter painter;
    if (!beginOn(painter, device, printed))
        return printed;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (int i = first; i <= last; ++i) {
        if (i > first && !nextSheet(device, printed))
            break;
        painter.save();
        originAtPaperCorner(painter, device);
        drawPage(painter, m_pages[static_cast<std::size_t>(i - 1)], m_layout);
        painter.restore();
        ++printed.pages;
    }
    return finish(painter, printed);
}

std::vector<SqueezedBox> Document::squeezedBoxes(double points, QPaintDevice *device) const
{
    // Without a device: the metrics of a PDF page at a printer's resolution.
    QBuffer sink;
    QPdfWriter reference(&sink);
    if (device == nullptr) {
        reference.setResolution(1200);
        reference.setPageLayout(m_layout);
        device = &reference;
    }
    std::vector<SqueezedBox> squeezed;
    for (const Page &page : m_pages) {
        const QRectF area = printableArea(page, m_layout);
        for (const TextBox &box : page.boxes) {
            const FittedText fitted = fitText(box, area, device);
            if (fitted.cut || (fitted.shrunk(box) && fitted.points < points))
                squeezed.push_back({box.name, fitted.points, fitted.cut});
        }
    }
    return squeezed;
}

QStringList ListDocument::printedLines(QPaintDevice &device) const
{
    if (!wrap)
        return lines;
    const QFontMetricsF metrics(fontOf(body, &device));
    const double room = body.mm.width() * device.logicalDpiX() / 25.4;
    constexpr qsizetype kIndent = 4;
    QStringList out;
    for (const QString &line : lines) {
        QString rest = line;
        bool first = true;
        while (true) {
            const QString lead = first ? QString() : QString(kIndent, u' ');
            if (metrics.horizontalAdvance(lead + rest) <= room || rest.size() <= 1) {
                out << lead + rest;
                break;
            }
            // The longest head that fits, broken at a blank within its last third if there is one.
            qsizetype fits = 1;
            while (fits < rest.size() && metrics.horizontalAdvance(lead + rest.left(fits + 1)) <= room)
                ++fits;
            qsizetype cut = fits;
            const qsizetype blank = rest.lastIndexOf(u' ', fits);
            if (blank > fits * 2 / 3)
                cut = blank;
            out << lead + rest.left(cut).trimmed();
            rest = rest.mid(cut).trimmed();
            first = false;
            if (rest.isEmpty())
                break;
        }
    }
    return out;
}

std::vector<int> ListDocument::linesPerPage(QPagedPaintDevice &device) const
{
    return layOut(*this, device).lines;
}

int ListDocument::pageCount(QPagedPaintDevice &device) const
{
    return layOut(*this, device).count();
}

Printed ListDocument::print(QPagedPaintDevice &device, int first, int last) const
{
    Printed printed;
    const ListPages pages = layOut(*this, device);
    std::tie(first, last) = pageSpan(first, last, pages.count());
    QPainter painter;
    if (!beginOn(painter, device, printed))
        return printed;
    painter.setRenderHint(QPainter::TextAntialiasing);
    const Scale scale = scaleOf(device);
    // Positions are inside the margins: the painter's origin is the printable area.
    const QPointF margin = layout.paintRect(QPageLayout::Millimeter).topLeft();
    const QRectF area = printableArea(Page(), layout).translated(-margin);

    const QStringList shown = printedLines(device);
    qsizetype next = 0;
    for (int page = 0; page < pages.count(); ++page) {
        const int lineCount = page < static_cast<int>(pages.lines.size()) ? pages.lines[static_cast<std::size_t>(page)] : 0;
        if (page + 1 < first || page + 1 > last) {
            next += lineCount;
            continue;
        }
        if (page + 1 > first && !nextSheet(device, printed))
            break;
        painter.save();
        originAtPaperCorner(painter, device);
        painter.translate(scale.point(margin));
        double y = 0;
        if (page == 0) {
            drawBox(painter, title, scale, area);
            y = titleBand;
        }
        TextBox lineBox = body;
        for (int i = 0; i < lineCount; ++i, ++next) {
            lineBox.text = shown.at(next);
            lineBox.mm = QRectF(body.mm.x(), y, body.mm.width(), pages.lineMm);
            drawBox(painter, lineBox, scale, area);
            y += pages.lineMm;
        }
        if (page == pages.footerPage)
            drawBox(painter, footer, scale, area, QPointF(0, pages.footerTop));
        painter.restore();
        ++printed.pages;
    }
    return finish(painter, printed);
}

} // namespace Report
