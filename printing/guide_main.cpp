// Renders the user guide (HTML) to the PDF supplied with the program. The guide's
// pictures ("shots/NAME.png") are taken from PICTURES, and each is scaled to the
// width of the text.
//   volantix-guide GUIDE.html PICTURES Guida.pdf

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

#include <cstdio>

namespace {

// The text keeps 2 cm from every edge of the sheet: QTextDocument::print() puts
// that margin inside the printable area, which is the whole sheet here.
constexpr qreal kTextMarginMm = 20;

// Loads every picture the guide names; false (with a message) when one is missing.
bool loadPictures(QTextDocument &document, const QString &html, const QString &folder)
{
    bool complete = true;
    static const QRegularExpression source(QStringLiteral("<img[^>]*src=\"(shots/[^\"]+)\""));
    for (auto match = source.globalMatch(html); match.hasNext();) {
        const QString name = match.next().captured(1);
        const QImage picture(QDir(folder).filePath(name.mid(6)));
        if (picture.isNull()) {
            std::fprintf(stderr, "volantix-guide: no picture %s in %s\n", qPrintable(name), qPrintable(folder));
            complete = false;
            continue;
        }
        document.addResource(QTextDocument::ImageResource, QUrl(name), picture);
    }
    return complete;
}

// The pictures are taken at twice a screen's pixels; a list screen, 880 points
// wide, fills the text's width. Wider pictures are scaled down to that width,
// narrower ones (the small windows) keep the same scale, so that every picture's
// lettering comes out the same size on paper.
constexpr qreal kPixelsForTextWidth = 1760;

// Scales every picture to the text's width (`width`, in the document's units),
// keeping its proportions.
void fitPictures(QTextDocument &document, qreal textWidth)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QImage picture = document.resource(QTextDocument::ImageResource, QUrl(format.name())).value<QImage>();
            if (picture.isNull())
                continue;
            const qreal width = qMin(textWidth, textWidth * picture.width() / kPixelsForTextWidth);
            format.setWidth(width);
            format.setHeight(width * picture.height() / picture.width());
            QTextCursor cursor(&document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 4) {
        std::fputs("usage: volantix-guide GUIDE.html PICTURES OUT.pdf\n", stderr);
        return 2;
    }
    QFile source(args.at(1));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "volantix-guide: cannot read %s\n", qPrintable(args.at(1)));
        return 2;
    }
    const QString html = QString::fromUtf8(source.readAll());
    QTextDocument document;
    if (!loadPictures(document, html, args.at(2)))
        return 1;
    document.setHtml(html);

    const QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
    // The document is laid out at 96 units an inch; the sheet's width less the
    // text's margins and the document's own margin on either side is the text's width.
    const qreal textMm = layout.fullRect(QPageLayout::Millimeter).width() - 2 * kTextMarginMm;
    fitPictures(document, textMm / 25.4 * 96 - 2 * document.documentMargin() - 1);

    // A guide left from an earlier build must not pass for this one.
    if (QFile::exists(args.at(3)) && !QFile::remove(args.at(3))) {
        std::fprintf(stderr, "volantix-guide: cannot replace %s\n", qPrintable(args.at(3)));
        return 1;
    }
    QPdfWriter writer(args.at(3));
    writer.setTitle(QStringLiteral("Guida all'utilizzo di Volantix"));
    writer.setCreator(QStringLiteral("Volantix"));
    writer.setPageLayout(layout);
    document.print(&writer);
    const qint64 written = QFileInfo(args.at(3)).size();
    if (written <= 0)
        std::fprintf(stderr, "volantix-guide: %s was not written\n", qPrintable(args.at(3)));
    return written > 0 ? 0 : 1;
}
