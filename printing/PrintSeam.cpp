#include "printing/PrintSeam.h"

#include "printing/PreviewDialog.h"
#include "shell/Dialogs.h"

#include <QApplication>
#include <QDir>
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
    printer.setPageLayout(document.pageLayout());
    return printChosenPages(document, printer, static_cast<int>(document.pages().size()));
}

bool print(const Report::ListDocument &list)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(list.name);
    printer.setPageLayout(list.layout);
    // Pages counted on the default printer; a range is kept within what the chosen one takes.
    return printChosenPages(list, printer, list.pageCount(printer));
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
