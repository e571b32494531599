#pragma once

#include <QColor>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <span>
#include <utility>

class QLabel;
class QLineEdit;
class Artwork;

// What every screen shares: the gradient window, the centred fixed panel, pictures
// and picture buttons drawn from SVG with the hand pointer, boxes, highlight
// frames, the status line and the conventions every input field follows. A screen
// declares its controls as a table and the kit builds them, each as a child of its
// panel with the control's name as objectName.
namespace ScreenKit {

enum class ControlKind {
    Box,            // a filled rectangle, optionally with a gradient and a frame
    HighlightFrame, // the yellow frame behind a field (frame variant of focus colouring)
    Picture,        // an SVG picture without behaviour
    PictureButton,  // an SVG picture that acts on a click, with the hand pointer
    DateButton,     // a picture button that puts today's date into the field `fills`
    TimeButton,     // a picture button that puts the time now (HH:MM) into the field `fills`
    Label,          // a line of text
    TextField,      // a one-line input field
    CheckBox,
    Button,         // a push button with the hand pointer (Button)
    StatusLine,     // the status line that shows hints (panInfo)
    LineList,       // a list of fixed-width lines (LineListView)
    ProgressBar,    // how far long work has gone (0 to 1000)
};

// A text field built by the kit shows a value that the program puts into it from
// its beginning (the caret at the start), as Windows programs do, and while a
// value is wider than the field its hint (tooltip) shows the whole value.

// What a field does to the user's typing (never to text the program puts in).
enum class TypingFilter {
    None,
    UpperCase, // trimmed, a-z turned into A-Z
    Trim,      // trimmed
};

// How a field shows that it has the focus.
enum class FocusStyle {
    None,
    Background, // yellow when focused, the resting colour otherwise, sky-blue outline
    Frame,      // the companion effXxx frame is shown while focused
};

struct FontStyle {
    const char *family = nullptr; // nullptr: the toolkit's default
    int pixelSize = 0;
    bool bold = false;
};

struct ControlDef {
    const char *name = nullptr;
    ControlKind kind = ControlKind::Box;
    QRect geometry;           // in the panel's units; an empty size means "as large as the content"
    QString picture;          // pictures: resource path of the SVG
    QString caption;          // labels, check boxes, buttons
    QColor fill = Qt::white;  // boxes: the fill, or the top of a vertical gradient
    QColor fillBottom;        // boxes: the bottom of the gradient (invalid: plain fill)
    QColor frame;             // boxes: the frame colour (invalid: no frame)
    QString hint;             // shown on the status line while the mouse is over the control
    FontStyle font;
    QColor textColour;        // labels (invalid: default)
    int maxLength = 0;        // text fields: the longest the user may type (0: no limit)
    Qt::Alignment alignment = {};
    TypingFilter filter = TypingFilter::None;
    FocusStyle focus = FocusStyle::None;
    QColor resting;           // background focus style: resting colour (invalid: FFF0F8FF)
    const char *next = nullptr;  // text fields: the control that Enter moves to
    const char *fills = nullptr; // date and time buttons: the field they fill
    bool masked = false;      // text fields: show a bullet for each character
    bool readOnly = false;    // text fields: shown, not typed into
    bool wordWrap = false;    // labels: wrap within the control's width
    bool keepsHint = false;   // boxes and pictures: the mouse over them leaves the status line as it is
    bool visible = true;
    bool enabled = true;
    bool closes = false;      // Esc presses it: the close control of a screen that has no Chiudi or Annulla button
};

// A typed pointer of a screen that the kit fills with one of the screen's
// controls, found by name as the screen is built: {"lstRecords", &lstRecords}.
class Capture
{
public:
    template <typename T>
    Capture(const char *name, T **target)
        : m_name(name)
        , m_fill([target](QWidget *widget) {
            *target = qobject_cast<T *>(widget);
            return *target != nullptr;
        })
        , m_type(T::staticMetaObject.className())
    {
    }

    const char *name() const { return m_name; }
    const char *typeName() const { return m_type; }
    // Puts `widget` into the pointer; false when it is not of the pointer's type.
    bool fill(QWidget *widget) const { return m_fill(widget); }

private:
    const char *m_name;
    std::function<bool(QWidget *)> m_fill;
    const char *m_type;
};

// What happens when a screen asks for a control it does not have: by default
// the program stops at once with a message naming the screen and the control.
// Tests may install a handler that throws; a handler that returns changes nothing.
using MissingControlHandler = std::function<void(const QString &message)>;
void setMissingControlHandler(MissingControlHandler handler);

// Colours of the field conventions.
inline QColor focusColour() { return QColor::fromRgba(0xFFFFFF00); }
inline QColor restingColour() { return QColor::fromRgba(0xFFF0F8FF); }
inline QColor outlineColour() { return QColor::fromRgba(0xFF87CEEB); }

// A colour from its eight hexadecimal digits: alpha, red, green, blue.
inline QColor argb(unsigned int value)
{
    return QColor::fromRgba(value);
}

// A filled rectangle.
class Box final : public QWidget
{
    Q_OBJECT
public:
    Box(QWidget *parent, QColor fill, QColor fillBottom = QColor(), QColor frame = QColor(), QColor frameBottom = QColor());

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill;
    QColor m_fillBottom;
    QColor m_frame;
    QColor m_frameBottom;
};

// A text field drawn flat: its background colour inside a one-pixel outline of
// the outline colour. The focus conventions change the background.
class FlatField final : public QLineEdit
{
    Q_OBJECT
public:
    FlatField(QWidget *parent, QColor background);
    void setBackground(QColor colour);
    QColor background() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A push button that behaves as on any Windows dialog: while it has the focus,
// Enter and Space press it and a focus frame shows on it, however the focus came
// to it. It is never a default button: Enter elsewhere on its screen leaves it be.
class Button final : public QPushButton
{
    Q_OBJECT
public:
    Button(const QString &caption, QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void initStyleOption(QStyleOptionButton *option) const override;
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
    const Artwork &artwork() const;

    QString m_resource;
    mutable const Artwork *m_artwork = nullptr;
    bool m_clickable;
    bool m_pressed = false;
};

// A panel that holds a screen's controls: fixed size, kept centred in its window.
class Panel final : public QWidget
{
    Q_OBJECT
public:
    Panel(QWidget *window, QSize size);
    void centreInWindow();
};

// A screen window: caption, client size, background gradient from `top` to
// `bottom`, and the centred panel named `panelName`. Resident screens are shown
// and hidden; on-demand screens are opened modally with openOnDemand(). Keys reach
// the controls as typed: Enter presses no default button. Escape presses the
// screen's close control, as a click would, so that it does whatever that
// control does: the visible, enabled control its table marks `closes`, or else
// its visible, enabled button captioned "Chiudi" or "Annulla". The main windows
// (login, start screen, editors) have neither, and Escape leaves them be.
class Screen : public QDialog
{
    Q_OBJECT
public:
    Screen(QWidget *parent, const QString &caption, QSize clientSize, QSize panelSize,
           QColor top, QColor bottom = Qt::white, const char *panelName = "panContainer");

    Panel *panel() const { return m_panel; }
    // Adds another centred panel of the same window (screens with two faces).
    Panel *addPanel(const char *name, QSize size);
    // Builds the table's controls; those that take the focus follow one another
    // with Tab in the order of the table.
    void buildControls(std::span<const ControlDef> controls, Panel *panel = nullptr);

    // The control of that name and type. A screen that asks for one it does not
    // have is wrongly built: the program stops, naming the screen and the control.
    template <typename T>
    T *control(const char *name) const
    {
        T *found = findControl<T>(name);
        if (found == nullptr)
            missingControl(name, T::staticMetaObject.className());
        return found;
    }
    QWidget *control(const char *name) const { return control<QWidget>(name); }
    // The control of that name and type, or nullptr for one the screen may lack.
    template <typename T>
    T *findControl(const char *name) const
    {
        ensureBuilt();
        return findChild<T *>(QLatin1String(name));
    }
    // Fills each typed pointer with its control; a control missing or of another
    // type stops the program as control() does, while the screen is being built.
    void capture(std::initializer_list<Capture> captures) const;

    // Connects each named picture button to the screen's signal beside it.
    template <typename S>
    void connectPictureButtons(std::initializer_list<std::pair<const char *, void (S::*)()>> buttons)
    {
        for (const auto &[name, signal] : buttons)
            connect(control<Picture>(name), &Picture::clicked, static_cast<S *>(this), signal);
    }

    // A fixed-size window without window buttons, centred on the screen when shown.
    void makeFixedDialog();

    // The hidden label by which a caller tells a shared screen who opened it.
    void setMemory(const QString &memory);
    QString memory() const;
    QLabel *memoryLabel() const { return m_lblMemory; }

    // Moving the mouse over `widget` empties the status line, as over the background.
    void emptyStatusOver(QWidget *widget);

    // The status line (panInfo), if the screen has one.
    QLabel *statusLine() const { return m_statusLine; }

    // The control that Escape presses now, or nullptr.
    QWidget *closeControl() const;

    // Whether the screen's controls exist yet (see buildWhenNeeded).
    bool isBuilt() const { return !m_pendingBuild; }
    void setVisible(bool visible) override;

protected:
    // Runs `build`, which makes the screen's controls and connects them, at once;
    // or, for a screen created while a DeferredBuilding lives, just before the
    // screen is first shown or asked for a control.
    void buildWhenNeeded(std::function<void()> build);

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void wireConventions(std::span<const ControlDef> controls);
    void ensureBuilt() const;
    [[noreturn]] void missingControl(const char *name, const char *type) const;

    QObject *m_conventions;
    Panel *m_panel;
    QList<Panel *> m_panels;
    QLabel *m_lblMemory;
    QLabel *m_statusLine = nullptr;
    QColor m_top;
    QColor m_bottom;
    bool m_centreOnShow = false;
    bool m_shownOnce = false;
    const bool m_deferBuilding;
    mutable std::function<void()> m_pendingBuild;
    QList<QPointer<QWidget>> m_autoSized; // controls to size to their content when first shown
};

// While one lives, the screens created put off building their controls until
// they are needed. The program creates one instance of every on-demand screen at
// start-up and never shows it: those instances run their creation step without
// building windows nobody will see.
class DeferredBuilding
{
public:
    DeferredBuilding();
    ~DeferredBuilding();
    DeferredBuilding(const DeferredBuilding &) = delete;
    DeferredBuilding &operator=(const DeferredBuilding &) = delete;
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

// Names the control that Enter moves to from `field` (a text field built by the kit).
void setEnterTarget(QWidget *field, const char *next);

// Paints a vertical gradient from `top` to `bottom` over `rect`.
void paintVerticalGradient(QPainter &painter, const QRect &rect, QColor top, QColor bottom);

// The typing filters, as applied to the user's typing: the new text and where the
// caret goes so that it stays where the user was typing.
struct FilteredText {
    QString text;
    int caret = 0;
};
FilteredText applyTypingFilter(TypingFilter filter, const QString &text, int caret);

// A field's maximum length, as applied to the user's typing: `edited` is the text
// after an edit of `previous` with the caret at `caret`. What the edit inserted is
// cut so that the text is no longer than `limit` (0: no limit); what it removed
// stays removed. Text longer than the limit that the program put in is kept: the
// user may shorten it but not lengthen it. The caret stays where the user was
// typing.
FilteredText applyTypingLimit(const QString &previous, const QString &edited, int caret, int limit);

} // namespace ScreenKit
