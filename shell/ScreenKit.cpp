#include "shell/ScreenKit.h"

#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

// The artwork is compiled into the screens' static library, whose resources must
// be registered by hand.
static void registerArtwork()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(assets);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace ScreenKit {

void paintVerticalGradient(QPainter &painter, const QRect &rect, QColor top, QColor bottom)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.fillRect(rect, gradient);
}

Box::Box(QWidget *parent, QColor fill, QColor fillBottom, QColor frame)
    : QWidget(parent)
    , m_fill(fill)
    , m_fillBottom(fillBottom)
    , m_frame(frame)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Box::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_fillBottom.isValid())
        paintVerticalGradient(painter, rect(), m_fill, m_fillBottom);
    else
        painter.fillRect(rect(), m_fill);
    if (m_frame.isValid()) {
        painter.setPen(m_frame);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

Picture::Picture(QWidget *parent, const QString &resource, bool clickable)
    : QWidget(parent)
    , m_renderer((registerArtwork(), new QSvgRenderer(resource, this)))
    , m_clickable(clickable)
{
    m_renderer->setAspectRatioMode(Qt::IgnoreAspectRatio);
    if (clickable)
        setCursor(Qt::PointingHandCursor);
    else
        setAttribute(Qt::WA_TransparentForMouseEvents);
}

bool Picture::isValid() const
{
    return m_renderer->isValid();
}

void Picture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_renderer->render(&painter, QRectF(rect()));
}

void Picture::mousePressEvent(QMouseEvent *event)
{
    if (m_clickable && event->button() == Qt::LeftButton) {
        m_pressed = true;
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void Picture::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_clickable && m_pressed && event->button() == Qt::LeftButton) {
        m_pressed = false;
        event->accept();
        if (rect().contains(event->position().toPoint()))
            emit clicked();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

Panel::Panel(QWidget *window, QSize size)
    : QWidget(window)
{
    setFixedSize(size);
}

void Panel::centreInWindow()
{
    const QWidget *window = parentWidget();
    move(qMax(0, (window->width() - width()) / 2), qMax(0, (window->height() - height()) / 2));
}

Screen::Screen(QWidget *parent, const QString &caption, QSize clientSize, QSize panelSize,
               QColor top, QColor bottom, const char *panelName)
    : QDialog(parent, Qt::Window)
    , m_panel(new Panel(this, panelSize))
    , m_lblMemory(new QLabel(m_panel))
    , m_top(top)
    , m_bottom(bottom)
{
    setWindowTitle(caption);
    m_panel->setObjectName(QLatin1String(panelName));
    m_lblMemory->setObjectName(QStringLiteral("lblMemory"));
    m_lblMemory->hide();
    resize(clientSize);
    setMinimumSize(panelSize);
    m_panel->centreInWindow();
}

void Screen::setMemory(const QString &memory)
{
    m_lblMemory->setText(memory);
}

QString Screen::memory() const
{
    return m_lblMemory->text();
}

void Screen::keyPressEvent(QKeyEvent *event)
{
    // Not QDialog's: Escape would close the screen and Enter press a default button.
    QWidget::keyPressEvent(event); // NOLINT(bugprone-parent-virtual-call)
}

void Screen::buildControls(std::span<const ControlSpec> controls)
{
    ScreenKit::buildControls(m_panel, controls);
}

void Screen::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintVerticalGradient(painter, rect(), m_top, m_bottom);
}

void Screen::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_panel->centreInWindow();
}

void buildControls(QWidget *panel, std::span<const ControlSpec> controls)
{
    for (const ControlSpec &spec : controls) {
        QWidget *widget = nullptr;
        switch (spec.kind) {
        case ControlKind::Box:
            widget = new Box(panel, spec.fill, spec.fillBottom, spec.frame);
            break;
        case ControlKind::Picture:
            widget = new Picture(panel, spec.picture, false);
            break;
        case ControlKind::PictureButton:
            widget = new Picture(panel, spec.picture, true);
            break;
        case ControlKind::Label:
            widget = new QLabel(spec.caption, panel);
            break;
        }
        widget->setObjectName(QLatin1String(spec.name));
        widget->setGeometry(spec.geometry);
        if (spec.geometry.size().isEmpty())
            widget->adjustSize(); // "auto" size: as large as its content
        if (!spec.hint.isEmpty())
            widget->setStatusTip(spec.hint);
    }
}

} // namespace ScreenKit
