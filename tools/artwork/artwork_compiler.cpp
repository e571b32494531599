// Build tool: turns each SVG drawing of the artwork into the compiled picture the
// program carries (see assets/Artwork.h).
//
//   volantix-artwork-compiler INPUT.svg OUTPUT.pic
//
// The drawing is rendered through a painting device that records every command
// into a QPicture, except text, which is recorded as the outline of its glyphs:
// the picture then depends on no font of the machine that shows or prints it.
#include "assets/Artwork.h"
#include "storage/FileReplacement.h"

#include <QFile>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPicture>
#include <QSvgRenderer>

#include <cstdio>

namespace {

// Hands every painting command to a painter on a QPicture. Text is left to the
// base class, which turns it into outlines and paints them as paths.
class RecordingEngine final : public QPaintEngine
{
public:
    explicit RecordingEngine(QPicture *picture)
        : QPaintEngine(AllFeatures)
        , m_picture(picture)
    {
    }

    bool begin(QPaintDevice *) override { return m_inner.begin(m_picture); }
    bool end() override { return m_inner.end(); }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState &changed) override
    {
        const DirtyFlags dirty = changed.state();
        if (dirty & DirtyTransform)
            m_inner.setTransform(changed.transform());
        if (dirty & DirtyPen)
            m_inner.setPen(changed.pen());
        if (dirty & DirtyBrush)
            m_inner.setBrush(changed.brush());
        if (dirty & DirtyBrushOrigin)
            m_inner.setBrushOrigin(changed.brushOrigin());
        if (dirty & DirtyBackground)
            m_inner.setBackground(changed.backgroundBrush());
        if (dirty & DirtyBackgroundMode)
            m_inner.setBackgroundMode(changed.backgroundMode());
        if (dirty & DirtyFont)
            m_inner.setFont(changed.font());
        if (dirty & DirtyHints)
            m_inner.setRenderHints(changed.renderHints());
        if (dirty & DirtyCompositionMode)
            m_inner.setCompositionMode(changed.compositionMode());
        if (dirty & DirtyOpacity)
            m_inner.setOpacity(changed.opacity());
        if (dirty & DirtyClipPath)
            m_inner.setClipPath(changed.clipPath(), changed.clipOperation());
        if (dirty & DirtyClipRegion)
            m_inner.setClipRegion(changed.clipRegion(), changed.clipOperation());
        if (dirty & DirtyClipEnabled)
            m_inner.setClipping(changed.isClipEnabled());
    }

    void drawPath(const QPainterPath &path) override { m_inner.drawPath(path); }
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        if (mode == PolylineMode)
            m_inner.drawPolyline(points, count);
        else
            m_inner.drawPolygon(points, count, mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
    }
    void drawRects(const QRectF *rects, int count) override { m_inner.drawRects(rects, count); }
    void drawLines(const QLineF *lines, int count) override { m_inner.drawLines(lines, count); }
    void drawEllipse(const QRectF &rect) override { m_inner.drawEllipse(rect); }
    void drawPoints(const QPointF *points, int count) override { m_inner.drawPoints(points, count); }
    void drawPixmap(const QRectF &target, const QPixmap &pixmap, const QRectF &source) override
    {
        m_inner.drawPixmap(target, pixmap, source);
    }
    void drawImage(const QRectF &target, const QImage &image, const QRectF &source,
                   Qt::ImageConversionFlags flags) override
    {
        m_inner.drawImage(target, image, source, flags);
    }
    void drawTiledPixmap(const QRectF &target, const QPixmap &pixmap, const QPointF &offset) override
    {
        m_inner.drawTiledPixmap(target, pixmap, offset);
    }

private:
    QPicture *m_picture;
    QPainter m_inner;
};

// A device of the drawing's size, at the resolution SVG units are defined in.
class RecordingDevice final : public QPaintDevice
{
public:
    RecordingDevice(QSize size, QPicture *picture)
        : m_size(size)
        , m_engine(picture)
    {
    }
    QPaintEngine *paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmWidthMM:
            return qRound(m_size.width() * 25.4 / 96);
        case PdmHeightMM:
            return qRound(m_size.height() * 25.4 / 96);
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    QSize m_size;
    mutable RecordingEngine m_engine;
};

int fail(const QString &message)
{
    std::fprintf(stderr, "volantix-artwork-compiler: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 3)
        return fail(QStringLiteral("usage: volantix-artwork-compiler INPUT.svg OUTPUT.pic"));
    QSvgRenderer svg(arguments.at(1));
    if (!svg.isValid())
        return fail(arguments.at(1) + QStringLiteral(": not a drawing that can be read"));
    const QSizeF size = svg.viewBoxF().size();
    if (size.isEmpty())
        return fail(arguments.at(1) + QStringLiteral(": the drawing has no size"));

    QPicture picture;
    RecordingDevice device(size.toSize().expandedTo(QSize(1, 1)), &picture);
    QPainter painter(&device);
    if (!painter.isActive())
        return fail(QStringLiteral("cannot record the drawing"));
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    svg.render(&painter, QRectF(QPointF(0, 0), size));
    painter.end();

    if (!FileReplacement::replace(arguments.at(2), Artwork::serialize(size, picture)))
        return fail(arguments.at(2) + QStringLiteral(": cannot be written"));
    return 0;
}
