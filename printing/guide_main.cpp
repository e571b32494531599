// Renders the user guide (HTML) to the PDF supplied with the program.
//   volantix-guide GUIDE.html Guida.pdf

#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3) {
        std::fputs("usage: volantix-guide GUIDE.html OUT.pdf\n", stderr);
        return 2;
    }
    QFile source(args.at(1));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "volantix-guide: cannot read %s\n", qPrintable(args.at(1)));
        return 2;
    }
    QTextDocument document;
    document.setHtml(QString::fromUtf8(source.readAll()));
    QPdfWriter writer(args.at(2));
    writer.setTitle(QStringLiteral("Guida all'utilizzo di Volantix"));
    writer.setCreator(QStringLiteral("Volantix"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 18, 18, 18)));
    document.print(&writer);
    return QFile::exists(args.at(2)) ? 0 : 1;
}
