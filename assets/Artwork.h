#pragma once

#include <QPicture>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

// A picture of the program's artwork: logos, banners, icons and the form pages.
// The drawings are edited as SVG files; the build turns each one into a recorded
// list of vector painting commands (text already turned into outlines), which is
// what the program carries and replays. So the artwork looks the same on every
// platform and needs no SVG renderer at run time, and everything printed stays
// vector.
//
// Pictures are named after their drawing, as ":/<folder>/<name>.svg".
class Artwork
{
public:
    // The shared picture named `name`; an invalid one when there is no such picture.
    static const Artwork &get(const QString &name);

    bool isValid() const { return m_valid; }
    // The drawing's own size (its view box), in its own units.
    QSizeF size() const { return m_size; }
    // Paints the whole drawing into `target`, scaled to fill it; with
    // Qt::KeepAspectRatio, the largest rectangle of the drawing's shape, centred.
    void render(QPainter &painter, const QRectF &target, Qt::AspectRatioMode mode = Qt::IgnoreAspectRatio) const;

    // The compiled form of a drawing, as the build writes it and get() reads it.
    static QByteArray serialize(const QSizeF &size, const QPicture &picture);
    static bool deserialize(const QByteArray &bytes, QSizeF *size, QPicture *picture);
    // Where the compiled form of drawing `name` is kept among the resources.
    static QString compiledName(const QString &name);

private:
    bool m_valid = false;
    QSizeF m_size;
    QPicture m_picture;
};
