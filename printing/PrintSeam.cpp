#include "printing/PrintSeam.h"

#include "printing/PreviewDialog.h"
#include "shell/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QPrintDialog>
#include <QPrinter>

namespace PrintSeam {
namespace {

DialogHandler &dialogHandler()
{
    static DialogHandler handler;
    return handler;
}

PreviewHandler &previewHandler()
{
    static PreviewHandler handler;
    return handler;
}

bool askPrinter(QPrinter &printer, int pages)
{
    printer.setCopyCount(1);
    printer.setFromTo(0, 0);
    if (dialogHandler())
        return dialogHandler()(printer, pages);
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setMinMax(1, std::max(1, pages));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, pages > 1);
    return dialog.exec() == QDialog::Accepted;
}

// Proposes the print's file name for print to file (see print()).
void proposeFile(QPrinter &printer, const QString &name)
{
    if (name.isEmpty())
        return;
    printer.setDocName(name);
#if !defined(Q_OS_WIN)
    // The toolkit's dialog offers the printer's output file for "Print to File
    // (PDF)". Naming one turns the printer into a PDF writer: it goes back to the
    // printer it had, keeping the name, so that the default printer stays the
    // choice (the dialog empties the name when a printer is chosen). On Windows
    // an output file would send the printer's own data there: only the document's
    // name is given.
    const bool native = printer.outputFormat() == QPrinter::NativeFormat;
    printer.setOutputFileName(proposedFile(name));
    if (native)
        printer.setOutputFormat(QPrinter::NativeFormat);
#endif
}

// Why a print did not reach its printer or file, as the user knows them.
QString failureOf(const QPrinter &printer, const Report::Printed &printed)
{
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return QStringLiteral("non \u00E8 stato possibile scrivere il file \"%1\"").arg(QDir::toNativeSeparators(printer.outputFileName()));
    if (!printer.printerName().isEmpty())
        return QStringLiteral("la stampante \"%1\" non \u00E8 disponibile").arg(printer.printerName());
    return printed.failure.isEmpty() ? QStringLiteral("nessuna stampante disponibile") : printed.failure;
}

// Asks for printer, copies and pages (1 to `pages`), then draws the range the user
// gave, or every page. A print that fails is told to the user with its reason.
template <typename Printable>
bool printChosenPages(const Printable &printable, QPrinter &printer, int pages)
{
    if (!askPrinter(printer, pages))
        return false;
    const bool range = printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0;
    const Report::Printed printed = printable.print(printer, range ? printer.fromPage() : 1, range ? printer.toPage() : -1);
    const QPrinter::PrinterState state = printer.printerState();
    if (printed && state != QPrinter::Error && state != QPrinter::Aborted)
        return true;
    Dialogs::warning(QStringLiteral("Stampa non riuscita: ") + failureOf(printer, printed) + QLatin1Char('.'));
    return false;
}

} // namespace

bool print(const Report::Document &document)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(document.name());
    proposeFile(printer, document.fileName());
    printer.setPageLayout(document.pageLayout());
    return printChosenPages(document, printer, static_cast<int>(document.pages().size()));
}

bool print(const Report::ListDocument &list)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(list.name);
    proposeFile(printer, list.fileName.isEmpty() ? list.name : list.fileName);
    printer.setPageLayout(list.layout);
    // Pages counted on the default printer; a range is kept within what the chosen one takes.
    return printChosenPages(list, printer, list.pageCount(printer));
}

QString printName(const QString &what, const QString &surname, const QString &name)
{
    const QString person = QString(surname.trimmed() + QLatin1Char(' ') + name.trimmed()).trimmed();
    return person.isEmpty() ? what : what + QStringLiteral(" - ") + person;
}

QString proposedFile(const QString &printName)
{
    QString fileName;
    fileName.reserve(printName.size() + 4);
    for (const QChar c : printName) {
        const bool forbidden = c.unicode() < 32 || QStringView(u"\\/:*?\"<>|").contains(c);
        fileName += forbidden ? QChar(u' ') : c;
    }
    fileName = fileName.simplified();
    // Windows drops dots and blanks at the end of a name.
    while (fileName.endsWith(QLatin1Char('.')) || fileName.endsWith(QLatin1Char(' ')))
        fileName.chop(1);
    if (fileName.isEmpty())
        fileName = QStringLiteral("Stampa");
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return QDir(folder).filePath(fileName + QStringLiteral(".pdf"));
}

void preview(const Report::Document &document)
{
    if (previewHandler()) {
        previewHandler()(document);
        return;
    }
    PreviewDialog dialog(document, QApplication::activeWindow());
    dialog.exec();
}

void setDialogHandler(DialogHandler handler)
{
    dialogHandler() = std::move(handler);
}

void setPreviewHandler(PreviewHandler handler)
{
    previewHandler() = std::move(handler);
}

} // namespace PrintSeam
