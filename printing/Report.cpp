#include "printing/Report.h"

#include "assets/Artwork.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

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

void drawBox(QPainter &painter, const TextBox &box, const Scale &scale, QPointF offsetMm = {})
{
    const QRectF rect = scale.rect(box.mm.translated(offsetMm));
    if (box.background.isValid())
        painter.fillRect(rect, box.background);
    if (box.text.isEmpty())
        return;
    painter.save();
    painter.setClipRect(rect);
    painter.setFont(fontOf(box, painter.device()));
    painter.setPen(box.colour);
    const int flags = static_cast<int>(box.alignment) | (box.wordWrap ? Qt::TextWordWrap : Qt::TextSingleLine);
    painter.drawText(rect, flags, box.text);
    painter.restore();
}

// Translates the painter so that (0, 0) is the top-left corner of the paper,
// whatever the device's own origin (a printer's origin is its printable area).
void originAtPaperCorner(QPainter &painter, const QPagedPaintDevice &device)
{
    const QRectF full = device.pageLayout().fullRectPixels(device.logicalDpiX());
    const QRectF paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
    painter.translate(full.topLeft() - paint.topLeft());
}

} // namespace

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

void drawPage(QPainter &painter, const Page &page, const QPageLayout &)
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
    for (const TextBox &box : page.boxes)
        drawBox(painter, box, scale);
}

void Document::print(QPagedPaintDevice &device, int first, int last) const
{
    const int count = static_cast<int>(m_pages.size());
    first = std::clamp(first, 1, count);
    last = last < 1 ? count : std::clamp(last, first, count);
    device.setPageLayout(m_layout);
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (int i = first; i <= last; ++i) {
        if (i > first)
            device.newPage();
        painter.save();
        originAtPaperCorner(painter, device);
        drawPage(painter, m_pages[static_cast<std::size_t>(i - 1)], m_layout);
        painter.restore();
    }
}

std::vector<int> ListDocument::linesPerPage(QPagedPaintDevice &device) const
{
    device.setPageLayout(layout);
    const QFontMetricsF metrics(fontOf(body, &device));
    const double lineMm = metrics.lineSpacing() * 25.4 / device.logicalDpiY();
    const double pageMm = layout.paintRect(QPageLayout::Millimeter).height();
    std::vector<int> pages;
    double used = titleBand;
    int onPage = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (used + lineMm > pageMm + 1e-6) {
            pages.push_back(onPage);
            onPage = 0;
            used = 0;
        }
        used += lineMm;
        ++onPage;
    }
    pages.push_back(onPage);
    return pages;
}

int ListDocument::print(QPagedPaintDevice &device) const
{
    const std::vector<int> perPage = linesPerPage(device);
    QPainter painter(&device);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const Scale scale = scaleOf(device);
    const QFontMetricsF metrics(fontOf(body, &device));
    const double lineMm = metrics.lineSpacing() * 25.4 / device.logicalDpiY();
    const double pageMm = layout.paintRect(QPageLayout::Millimeter).height();
    // Positions are inside the margins: the painter's origin is the printable area.
    const QPointF margin = layout.paintRect(QPageLayout::Millimeter).topLeft();

    qsizetype next = 0;
    double y = 0;
    int pages = 0;
    for (std::size_t page = 0; page < perPage.size(); ++page) {
        if (page > 0)
            device.newPage();
        ++pages;
        painter.save();
        originAtPaperCorner(painter, device);
        painter.translate(scale.point(margin));
        y = 0;
        if (page == 0) {
            drawBox(painter, title, scale);
            y = titleBand;
        }
        TextBox lineBox = body;
        for (int i = 0; i < perPage[page]; ++i, ++next) {
            lineBox.text = lines.at(next);
            lineBox.mm = QRectF(body.mm.x(), y, body.mm.width(), lineMm);
            drawBox(painter, lineBox, scale);
            y += lineMm;
        }
        painter.restore();
    }
    // The footer right after the last line (and the padding under it), on a new page if needed.
    y += bodyPadding;
    if (y + footerBand > pageMm + 1e-6) {
        device.newPage();
        ++pages;
        y = 0;
    }
    painter.save();
    originAtPaperCorner(painter, device);
    painter.translate(scale.point(margin));
    drawBox(painter, footer, scale, QPointF(0, y));
    painter.restore();
    return pages;
}

} // namespace Report
