// The compiled artwork against its SVG source: every picture the program carries
// must paint what its drawing shows, and be found under the drawing's name.
#include "assets/Artwork.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

namespace {

// A white image; at `dpi` dots per inch, as printers and PDF files have many more
// than screens.
QImage blank(QSize size, int dpi = 96)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    return image;
}

// Share of pixels that differ clearly (more than a quarter of the range in a channel).
double differingShare(const QImage &a, const QImage &b)
{
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *lineA = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *lineB = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = lineA[x];
            const QRgb q = lineB[x];
            if (std::abs(qRed(p) - qRed(q)) > 64 || std::abs(qGreen(p) - qGreen(q)) > 64
                || std::abs(qBlue(p) - qBlue(q)) > 64)
                ++differing;
        }
    }
    return double(differing) / double(qint64(a.width()) * a.height());
}

} // namespace

class TestArtwork : public QObject
{
    Q_OBJECT

private slots:
    void matchesDrawing_data()
    {
        QTest::addColumn<QString>("drawing");
        QDirIterator it(QStringLiteral(VOLANTIX_ASSETS), {QStringLiteral("*.svg")}, QDir::Files,
                        QDirIterator::Subdirectories);
        QStringList drawings;
        while (it.hasNext())
            drawings << QDir(QStringLiteral(VOLANTIX_ASSETS)).relativeFilePath(it.next());
        drawings.sort();
        QVERIFY(drawings.size() > 50);
        for (const QString &drawing : drawings)
            QTest::newRow(qPrintable(drawing)) << drawing;
    }

    void matchesDrawing()
    {
        QFETCH(QString, drawing);
        const Artwork &picture = Artwork::get(QStringLiteral(":/") + drawing);
        QVERIFY(picture.isValid());
        QSvgRenderer svg(QStringLiteral(VOLANTIX_ASSETS "/") + drawing);
        QVERIFY(svg.isValid());
        QCOMPARE(picture.size(), svg.viewBoxF().size());

        // Twice the drawing's size, on a device of a printer's resolution.
        const QSize size = (svg.viewBoxF().size() * 2).toSize();
        QImage expected = blank(size, 600);
        QImage actual = blank(size, 600);
        {
            QPainter painter(&expected);
            painter.setRenderHint(QPainter::Antialiasing);
            svg.render(&painter, QRectF(QPointF(0, 0), size));
        }
        {
            QPainter painter(&actual);
            painter.setRenderHint(QPainter::Antialiasing);
            picture.render(painter, QRectF(QPointF(0, 0), size));
        }
        QVERIFY2(actual != blank(size, 600) || expected == blank(size, 600), "the picture paints nothing");
        const double share = differingShare(expected, actual);
        QVERIFY2(share < 0.01, qPrintable(QStringLiteral("%1% of the pixels differ").arg(share * 100, 0, 'f', 2)));
    }

    void keepsShapeWhenAsked()
    {
        // A wide banner in a square keeps its shape, centred; stretched, it fills the square.
        const Artwork &banner = Artwork::get(QStringLiteral(":/info/esporta_banner.svg"));
        QVERIFY(banner.isValid());
        QVERIFY(banner.size().width() > 2 * banner.size().height());
        const auto rows = [&](Qt::AspectRatioMode mode) {
            QImage image = blank(QSize(200, 200));
            QPainter painter(&image);
            banner.render(painter, QRectF(0, 0, 200, 200), mode);
            painter.end();
            int first = -1;
            int last = -1;
            for (int y = 0; y < image.height(); ++y) {
                bool painted = false;
                for (int x = 0; x < image.width() && !painted; ++x)
                    painted = image.pixel(x, y) != qRgb(255, 255, 255);
                if (painted) {
                    if (first < 0)
                        first = y;
                    last = y;
                }
            }
            return std::pair(first, last);
        };
        const auto [keptFirst, keptLast] = rows(Qt::KeepAspectRatio);
        const double height = 200 * banner.size().height() / banner.size().width();
        QVERIFY(keptFirst >= int(100 - height / 2) - 1);
        QVERIFY(keptLast <= int(100 + height / 2) + 1);
        const auto [stretchedFirst, stretchedLast] = rows(Qt::IgnoreAspectRatio);
        // Stretched, the same drawing is taller by the ratio of its width to its height.
        QVERIFY(stretchedLast - stretchedFirst > 1.8 * (keptLast - keptFirst));
    }

    void unknownNameIsInvalid()
    {
        const Artwork &missing = Artwork::get(QStringLiteral(":/nessuna/cartella.svg"));
        QVERIFY(!missing.isValid());
        QImage image = blank(QSize(10, 10));
        QPainter painter(&image);
        missing.render(painter, QRectF(0, 0, 10, 10)); // paints nothing, and does not fail
        painter.end();
        QCOMPARE(image, blank(QSize(10, 10)));
    }

    void damagedCompiledFormIsRefused_data()
    {
        QTest::addColumn<int>("cut");
        QTest::newRow("empty") << 0;
        QTest::newRow("header only") << 8;
        QTest::newRow("half") << -2;
    }

    void damagedCompiledFormIsRefused()
    {
        QFETCH(int, cut);
        QPicture picture;
        {
            QPainter painter(&picture);
            painter.drawRect(0, 0, 10, 10);
        }
        const QByteArray whole = Artwork::serialize(QSizeF(10, 10), picture);
        QSizeF size;
        QPicture read;
        QVERIFY(Artwork::deserialize(whole, &size, &read));
        QCOMPARE(size, QSizeF(10, 10));
        const QByteArray damaged = whole.left(cut >= 0 ? cut : whole.size() / -cut);
        QVERIFY(!Artwork::deserialize(damaged, &size, &read));
    }
};

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
