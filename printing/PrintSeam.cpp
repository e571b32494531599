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
        return dialogHandler()(printer);
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setMinMax(1, std::max(1, pages));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, pages > 1);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

bool print(const Report::Document &document)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(document.name());
    printer.setPageLayout(document.pageLayout());
    const int pages = static_cast<int>(document.pages().size());
    if (!askPrinter(printer, pages))
        return false;
    const bool range = printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0;
    document.print(printer, range ? printer.fromPage() : 1, range ? printer.toPage() : pages);
    return true;
}

bool print(const Report::ListDocument &list)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(list.name);
    printer.setPageLayout(list.layout);
    if (!askPrinter(printer, 1))
        return false;
    list.print(printer);
    return true;
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
