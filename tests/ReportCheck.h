#pragma once

// Checks of a printed table: every box inside the page's printable area and the
// text of every wrapping box inside its box's height, as `device` lays it out.

#include "printing/Report.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QStringList>

// The boxes that break the rules, each with why; empty when all keep to them.
inline QStringList boxesOutOfPlace(const Report::Document &document, QPaintDevice &device)
{
    QStringList wrong;
    for (const Report::Page &page : document.pages()) {
        const QRectF area = Report::printableArea(page, document.pageLayout());
        for (const Report::TextBox &box : page.boxes) {
            if (!area.contains(box.mm))
                wrong << box.name + QStringLiteral(": outside the printable area");
            if (!box.wordWrap || box.text.isEmpty())
                continue;
            QFont font(box.family);
            font.setPointSizeF(box.points);
            font.setBold(box.bold);
            const QFontMetricsF metrics(QFont(font, &device), &device);
            const double dotsPerMm = device.logicalDpiX() / 25.4;
            const QRectF rect(0, 0, box.mm.width() * dotsPerMm, 1e7);
            const int flags = static_cast<int>(box.alignment) | (box.wrapAnywhere ? Qt::TextWrapAnywhere : Qt::TextWordWrap);
            const double needed = metrics.boundingRect(rect, flags, box.text).height() / dotsPerMm;
            if (needed > box.mm.height() + 0.01)
                wrong << QStringLiteral("%1: %2 mm of text in %3 mm").arg(box.name).arg(needed).arg(box.mm.height());
            const double widest = metrics.boundingRect(rect, flags, box.text).width() / dotsPerMm;
            if (widest > box.mm.width() + 0.01)
                wrong << QStringLiteral("%1: %2 mm wide in %3 mm").arg(box.name).arg(widest).arg(box.mm.width());
        }
    }
    return wrong;
}
