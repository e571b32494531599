#pragma once

#include <QColor>
#include <QDialog>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <span>

class QLabel;
class QSvgRenderer;

// What every screen shares: the gradient window, the centred fixed panel, pictures
// and picture buttons drawn from SVG with the hand pointer, plain boxes. A screen
// declares its controls as a table and the kit builds them, each as a child of the
// panel with the control's name as objectName.
namespace ScreenKit {

enum class ControlKind {
    Box,           // a filled rectangle, optionally with a gradient and a frame
    Picture,       // an SVG picture without behaviour
    PictureButton, // an SVG picture that acts on a click, with the hand pointer
    Label,         // a line of text
};

struct ControlSpec {
    const char *name = nullptr;
    ControlKind kind = ControlKind::Box;
    QRect geometry;          // in the panel's units
    QString picture;         // resource path of the SVG, for pictures
    QString caption;         // text of labels
    QColor fill = Qt::white; // boxes: the fill, or the top of a vertical gradient
    QColor fillBottom;       // boxes: the bottom of the gradient (invalid: plain fill)
    QColor frame;            // boxes: the frame colour (invalid: no frame)
    QString hint;            // shown on the status line while the mouse is over
};

// A filled rectangle.
class Box final : public QWidget
{
    Q_OBJECT
public:
    explicit Box(QWidget *parent, QColor fill, QColor fillBottom = QColor(), QColor frame = QColor());

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill;
    QColor m_fillBottom;
    QColor m_frame;
};

// An SVG picture scaled to the control's size; clickable when it is a button.
class Picture : public QWidget
{
    Q_OBJECT
public:
    Picture(QWidget *parent, const QString &resource, bool clickable);
    bool isClickable() const { return m_clickable; }
    bool isValid() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QSvgRenderer *m_renderer;
    bool m_clickable;
    bool m_pressed = false;
};

// The panel that holds a screen's controls: fixed size, kept centred in its window.
class Panel final : public QWidget
{
    Q_OBJECT
public:
    Panel(QWidget *window, QSize size);
    void centreInWindow();
};

// A screen window: caption, client size, background gradient from `top` to
// `bottom`, and the centred panel named `panelName`. Resident screens are shown
// and hidden; on-demand screens are opened modally with openOnDemand().
// Keys reach the controls as typed: Escape closes nothing and Enter presses no
// default button.
class Screen : public QDialog
{
    Q_OBJECT
public:
    Screen(QWidget *parent, const QString &caption, QSize clientSize, QSize panelSize,
           QColor top, QColor bottom = Qt::white, const char *panelName = "panContainer");

    Panel *panel() const { return m_panel; }
    void buildControls(std::span<const ControlSpec> controls);

    template <typename T>
    T *control(const char *name) const
    {
        return m_panel->findChild<T *>(QLatin1String(name));
    }

    // The hidden label by which a caller tells a shared screen who opened it.
    void setMemory(const QString &memory);
    QString memory() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    Panel *m_panel;
    QLabel *m_lblMemory;
    QColor m_top;
    QColor m_bottom;
};

// Opens an on-demand screen: a new instance owned by `caller`, told who opened it
// through its lblMemory, prepared by `prepare`, shown modally and destroyed when it
// closes. Returns the dialog result.
template <typename T>
int openOnDemand(QWidget *caller, const QString &memory = QString(),
                 const std::function<void(T &)> &prepare = {})
{
    QPointer<T> screen = new T(caller);
    screen->setMemory(memory);
    if (prepare)
        prepare(*screen);
    screen->setWindowModality(Qt::ApplicationModal);
    const int result = screen->exec();
    delete screen.data();
    return result;
}

// Builds `controls` on `panel`.
void buildControls(QWidget *panel, std::span<const ControlSpec> controls);

// Paints a vertical gradient from `top` to `bottom` over `rect`.
void paintVerticalGradient(QPainter &painter, const QRect &rect, QColor top, QColor bottom);

// A colour from its eight hexadecimal digits: alpha, red, green, blue.
inline QColor argb(unsigned int value)
{
    return QColor::fromRgba(value);
}

} // namespace ScreenKit
