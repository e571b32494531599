#include "printing/SummaryList.h"

#include "shell/FormatSettings.h"

#include <QPageSize>

namespace SummaryList {

Report::ListDocument create(const QString &title, const QStringList &lines, const QDate &today)
{
    Report::ListDocument list;
    list.name = QStringLiteral("Riepilogo dati");
    list.layout = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);

    list.title.name = QStringLiteral("txtTitolo");
    list.title.mm = QRectF(2.00, 1.00, 273.00, 5.00);
    list.title.family = QStringLiteral("Verdana");
    list.title.points = 9;
    list.title.bold = true;
    list.title.colour = Qt::white;
    list.title.background = QColor::fromRgba(0xFF708090);
    list.title.alignment = Qt::AlignCenter;
    list.title.text = title;
    list.titleBand = 8.00;

    list.body.name = QStringLiteral("txtRiepilogo");
    list.body.mm = QRectF(3.00, 0, 273.00, 0);
    list.body.family = QStringLiteral("Courier New");
    list.body.points = 8;
    list.body.alignment = Qt::AlignLeft | Qt::AlignTop;
    list.bodyPadding = 2.6458;
    list.lines = lines;

    list.footer.name = QStringLiteral("txtPagina");
    list.footer.mm = QRectF(3.00, 2.00, 272.00, 5.00);
    list.footer.family = QStringLiteral("Verdana");
    list.footer.points = 8;
    list.footer.bold = true;
    list.footer.colour = Qt::white;
    list.footer.background = QColor::fromRgba(0xFF708090);
    list.footer.alignment = Qt::AlignCenter;
    list.footer.text = QStringLiteral("Stampa eseguita in data ") + FormatSettings::formatDate(today);
    list.footerBand = 8.00;
    return list;
}

} // namespace SummaryList
