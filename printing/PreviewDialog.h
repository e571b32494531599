#pragma once

#include "printing/Report.h"

#include <QDialog>

class QPrintPreviewWidget;
class QPrinter;

// The print preview: modal, maximised, at 100 %, pages not editable, with exactly
// these commands: print, zoom, full screen, page thumbnails and close.
class PreviewDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewDialog)

public:
    PreviewDialog(const Report::Document &document, QWidget *parent = nullptr);
    ~PreviewDialog() override;

private:
    const Report::Document &m_document;
    std::unique_ptr<QPrinter> m_printer;
    QPrintPreviewWidget *m_view;
};
