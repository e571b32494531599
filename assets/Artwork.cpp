#include "assets/Artwork.h"

#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QPainter>

#include <memory>

// The pictures are compiled into a static library, whose resources must be
// registered by hand (outside any namespace).
static void registerResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(artwork);
        return true;
    }();
    Q_UNUSED(registered);
}

const Artwork &Artwork::get(const QString &name)
{
    // Each picture is read once and shared by every control and page that shows it.
    static QHash<QString, std::shared_ptr<Artwork>> cache;
    std::shared_ptr<Artwork> &entry = cache[name];
    if (!entry) {
        registerResources();
        entry = std::make_shared<Artwork>();
        QFile file(compiledName(name));
        if (file.open(QIODevice::ReadOnly))
            entry->m_valid = deserialize(file.readAll(), &entry->m_size, &entry->m_picture);
    }
    return *entry;
}

void Artwork::render(QPainter &painter, const QRectF &target, Qt::AspectRatioMode mode) const
{
    if (!m_valid || target.isEmpty())
        return;
    QRectF box = target;
    if (mode != Qt::IgnoreAspectRatio) {
        const QSizeF fitted = m_size.scaled(target.size(), mode);
        box = QRectF(QPointF(0, 0), fitted);
        box.moveCenter(target.center());
    }
    painter.save();
    painter.translate(box.topLeft());
    painter.scale(box.width() / m_size.width(), box.height() / m_size.height());
    // A picture replays itself scaled by the device's resolution against the one
    // it was recorded at; here the target rectangle alone sets the size.
    const QPaintDevice *device = painter.device();
    painter.scale(double(m_picture.logicalDpiX()) / device->logicalDpiX(),
                  double(m_picture.logicalDpiY()) / device->logicalDpiY());
    painter.drawPicture(QPointF(0, 0), m_picture);
    painter.restore();
}
