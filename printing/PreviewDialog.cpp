#include "printing/PreviewDialog.h"

#include "printing/PrintSeam.h"

#include <QAction>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>

PreviewDialog::PreviewDialog(const Report::Document &document, QWidget *parent)
    : QDialog(parent, Qt::Window)
    , m_document(document)
    , m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    setWindowTitle(QStringLiteral(" Anteprima di stampa - ") + document.name());
    setObjectName(QStringLiteral("frmAnteprima"));
    m_printer->setPageLayout(document.pageLayout());
    m_view = new QPrintPreviewWidget(m_printer.get(), this);
    connect(m_view, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter *printer) {
        // The preview draws on the screen; printing from it goes through PrintSeam, which tells a failure.
        static_cast<void>(m_document.print(*printer));
    });

    auto *tools = new QToolBar(this);
    tools->setObjectName(QStringLiteral("barComandi"));
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction *print = tools->addAction(QStringLiteral("Stampa"), this, [this] { PrintSeam::print(m_document); });
    print->setObjectName(QStringLiteral("actStampa"));
    tools->addSeparator();
    tools->addAction(QStringLiteral("Zoom +"), m_view, [this] { m_view->zoomIn(1.25); })->setObjectName(QStringLiteral("actZoomPiu"));
    tools->addAction(QStringLiteral("Zoom \u2212"), m_view, [this] { m_view->zoomOut(1.25); })->setObjectName(QStringLiteral("actZoomMeno"));
    tools->addAction(QStringLiteral("100 %"), m_view, [this] { m_view->setZoomFactor(1.0); })->setObjectName(QStringLiteral("actZoom100"));
    tools->addSeparator();
    QAction *fullScreen = tools->addAction(QStringLiteral("Schermo intero"));
    fullScreen->setObjectName(QStringLiteral("actSchermoIntero"));
    fullScreen->setCheckable(true);
    connect(fullScreen, &QAction::toggled, this, [this](bool on) { on ? showFullScreen() : showMaximized(); });
    QAction *thumbnails = tools->addAction(QStringLiteral("Miniature"));
    thumbnails->setObjectName(QStringLiteral("actMiniature"));
    thumbnails->setCheckable(true);
    connect(thumbnails, &QAction::toggled, m_view, [this](bool on) {
        m_view->setViewMode(on ? QPrintPreviewWidget::AllPagesView : QPrintPreviewWidget::SinglePageView);
        if (!on)
            m_view->setZoomFactor(1.0);
    });
    tools->addSeparator();
    tools->addAction(QStringLiteral("Chiudi"), this, &QDialog::accept)->setObjectName(QStringLiteral("actChiudi"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(m_view);
    m_view->setViewMode(QPrintPreviewWidget::SinglePageView);
    m_view->setZoomMode(QPrintPreviewWidget::CustomZoom);
    m_view->setZoomFactor(1.0);
    setWindowState(Qt::WindowMaximized);
    resize(1024, 768);
}

PreviewDialog::~PreviewDialog() = default;
