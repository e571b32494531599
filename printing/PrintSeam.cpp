#include "printing/PrintSeam.h"

#include "printing/PreviewDialog.h"

#include <QApplication>
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

// Asks for printer, copies and pages (1 to `pages`), then draws the range the user
// gave, or every page.
template <typename Printable>
bool printChosenPages(const Printable &printable, QPrinter &printer, int pages)
{
    if (!askPrinter(printer, pages))
        return false;
    const bool range = printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0;
    printable.print(printer, range ? printer.fromPage() : 1, range ? printer.toPage() : -1);
    return true;
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
