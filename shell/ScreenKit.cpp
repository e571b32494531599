#include "shell/ScreenKit.h"

#include "assets/Artwork.h"
#include "shell/Clock.h"
#include "shell/LineList.h"
#include "storage/TextField.h"

#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QApplication>
#include <QHash>

#include <algorithm>

namespace ScreenKit {
namespace {

// Properties by which the conventions recognise a control.
constexpr const char *kFocusStyle = "volantixFocusStyle";
constexpr const char *kResting = "volantixResting";
constexpr const char *kNext = "volantixNext";
constexpr const char *kHint = "volantixHint";
constexpr const char *kClearsHint = "volantixClearsHint";
constexpr const char *kPainted = "volantixPaintedFocused";
constexpr const char *kTypingLimit = "volantixTypingLimit"; // a text field's maximum length
constexpr const char *kShownText = "volantixShownText";     // a text field's text before the user's edit
constexpr const char *kEditedText = "volantixEditedText";   // the text of the user's edit being reported
constexpr const char *kCloses = "volantixCloses";           // Escape presses the control

// The frame that belongs to a field: "txtCognome" has "effCognome".
QString companionFrameName(const QString &fieldName)
{
    return QStringLiteral("eff") + (fieldName.startsWith(QLatin1String("txt")) ? fieldName.mid(3) : fieldName);
}

QFont fontOf(const FontStyle &style, const QFont &base)
{
    QFont font = base;
    if (style.family != nullptr)
        font.setFamily(QString::fromLatin1(style.family));
    if (style.pixelSize > 0)
        font.setPixelSize(style.pixelSize); // screen font sizes are in window units
    font.setBold(style.bold);
    return font;
}

// The hint of a text field: its whole value while the value is wider than the
// field can show, nothing otherwise (and never for a masked field).
void updateWholeValueHint(QLineEdit *field)
{
    const QString text = field->text();
    bool cut = false;
    if (field->echoMode() == QLineEdit::Normal && !text.isEmpty()) {
        const QMargins margins = field->textMargins();
        // QLineEdit keeps two pixels free on either side of the text.
        const int room = field->contentsRect().width() - margins.left() - margins.right() - 4;
        cut = field->fontMetrics().horizontalAdvance(text) > room;
    }
    const QString hint = cut ? text : QString();
    if (field->toolTip() != hint)
        field->setToolTip(hint);
}

// One per screen: focus colouring, the Enter chain and the status-line hints.
class Conventions final : public QObject
{
public:
    explicit Conventions(Screen *screen)
        : QObject(screen)
        , m_screen(screen)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget == nullptr)
            return false;
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            // The field that is the window's focus is painted as focused, every other
            // field as resting: a message box or another window taking the keyboard
            // leaves the field painted, and no two fields are ever focused at once.
            paintFocusOfAll();
            break;
        case QEvent::KeyPress: {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                moveToNext(widget);
            break; // Enter is not swallowed
        }
        case QEvent::MouseMove:
            showHint(widget, static_cast<QMouseEvent *>(event)->position().toPoint());
            break;
        case QEvent::Resize:
        case QEvent::FontChange:
            if (auto *field = qobject_cast<QLineEdit *>(widget))
                updateWholeValueHint(field);
            break;
        default:
            break;
        }
        return false;
    }

private:
    void paintFocusOfAll()
    {
        QWidget *focused = m_screen->focusWidget();
        for (QLineEdit *field : m_screen->findChildren<QLineEdit *>()) {
            if (field->window() != m_screen || field->property(kFocusStyle).toInt() == static_cast<int>(FocusStyle::None))
                continue; // fields of this screen only, not of the screens it opened
            const bool isFocused = field == focused;
            if (field->property(kPainted).isValid() && field->property(kPainted).toBool() == isFocused)
                continue;
            field->setProperty(kPainted, isFocused);
            paintFocus(field, isFocused);
        }
    }

    void paintFocus(QWidget *field, bool focused)
    {
        const auto style = static_cast<FocusStyle>(field->property(kFocusStyle).toInt());
        if (style == FocusStyle::Background) {
            if (auto *flat = qobject_cast<FlatField *>(field))
                flat->setBackground(focused ? focusColour() : field->property(kResting).value<QColor>());
        } else if (style == FocusStyle::Frame) {
            if (QWidget *frame = m_screen->findControl<QWidget>(companionFrameName(field->objectName()).toLatin1().constData()))
                frame->setVisible(focused);
        }
    }

    void moveToNext(QWidget *field)
    {
        const QByteArray next = field->property(kNext).toByteArray();
        if (next.isEmpty())
            return;
        if (QWidget *target = m_screen->findControl<QWidget>(next.constData()))
            target->setFocus(Qt::TabFocusReason);
    }

    void showHint(QWidget *widget, QPoint position)
    {
        QLabel *status = m_screen->statusLine();
        if (status == nullptr)
            return;
        const QVariant hint = widget->property(kHint);
        if (hint.isValid()) {
            status->setText(hint.toString());
        } else if (widget->property(kClearsHint).toBool() && widget->childAt(position) == nullptr) {
            // Only when the mouse is over the screen or panel itself (or a box or
            // picture on it): a move that a control ignored and passed up is not.
            status->clear();
        }
    }

    Screen *m_screen;
};

// The field's maximum length and typing filter, applied after each edit of the
// user's (textEdited is not emitted for the program's setText). The text before the
// edit is kept on the field, updated on every change, program or user.
void applyTypingRules(QLineEdit *field, TypingFilter filter)
{
    field->setProperty(kShownText, field->text());
    QObject::connect(field, &QLineEdit::textChanged, field, [field] {
        // The field's text, not the signal's: a correction made while the edit is
        // being reported changes the text before the edit's own textChanged arrives.
        field->setProperty(kShownText, field->text());
    });
    QObject::connect(field, &QLineEdit::textEdited, field, [field, filter](const QString &text) {
        const FilteredText limited = applyTypingLimit(field->property(kShownText).toString(), text,
                                                      field->cursorPosition(), field->property(kTypingLimit).toInt());
        const FilteredText filtered = applyTypingFilter(filter, limited.text, limited.caret);
        if (filtered.text != text) {
            field->setText(filtered.text);
            field->setCursorPosition(filtered.caret);
        }
    });
}

// A value wider than its field: the field shows its beginning and its hint the
// whole value, as Windows programs do.
void showBeginningOfValues(QLineEdit *field)
{
    // A user's edit is reported as textEdited and then textChanged with the same
    // text; a textChanged of another text is the program's (setText, clear), also
    // when a typing rule corrects the user's edit while it is being reported.
    QObject::connect(field, &QLineEdit::textEdited, field, [field](const QString &text) { field->setProperty(kEditedText, text); });
    QObject::connect(field, &QLineEdit::textChanged, field, [field](const QString &text) {
        const QVariant edited = field->property(kEditedText);
        if (edited.isValid() && edited.toString() == text)
            field->setProperty(kEditedText, QVariant());
        else
            field->setCursorPosition(0);
        updateWholeValueHint(field);
    });
}

void trackForHints(QWidget *widget, QObject *conventions, bool clears)
{
    widget->setMouseTracking(true);
    widget->installEventFilter(conventions);
    if (clears)
        widget->setProperty(kClearsHint, true);
}

MissingControlHandler &missingControlHandler()
{
    static MissingControlHandler handler;
    return handler;
}

} // namespace

void setMissingControlHandler(MissingControlHandler handler)
{
    missingControlHandler() = std::move(handler);
}

void setEnterTarget(QWidget *field, const char *next)
{
    field->setProperty(kNext, QByteArray(next));
}

FilteredText applyTypingFilter(TypingFilter filter, const QString &text, int caret)
{
    if (filter == TypingFilter::None)
        return {text, caret};
    const QStringView trimmed = TextField::trimmed(text);
    const auto leading = static_cast<int>(trimmed.data() - text.constData());
    const int newCaret = std::clamp(caret - std::min(caret, leading), 0, static_cast<int>(trimmed.size()));
    return {filter == TypingFilter::UpperCase ? TextField::upperAZ(trimmed) : trimmed.toString(), newCaret};
}

FilteredText applyTypingLimit(const QString &previous, const QString &edited, int caret, int limit)
{
    const qsizetype editedSize = edited.size();
    const qsizetype previousSize = previous.size();
    if (limit <= 0 || editedSize <= limit)
        return {edited, caret};
    // The edit replaced previous[head, previousSize - tail) with edited[head, editedSize - tail).
    qsizetype tail = 0;
    const qsizetype afterCaret = editedSize - caret;
    const bool caretEndsInsertion = caret >= 0 && afterCaret >= 0 && afterCaret <= previousSize
        && QStringView(edited).sliced(caret) == QStringView(previous).sliced(previousSize - afterCaret);
    if (caretEndsInsertion)
        tail = afterCaret; // typing, pasting, dropping: the caret follows what went in
    const qsizetype common = std::min(previousSize, editedSize);
    qsizetype head = 0;
    while (head < common - tail && previous.at(head) == edited.at(head))
        ++head;
    if (!caretEndsInsertion) {
        // Undo can leave the caret before the text it brought back.
        while (tail < common - head && previous.at(previousSize - 1 - tail) == edited.at(editedSize - 1 - tail))
            ++tail;
        if (tail > 0 && edited.at(editedSize - tail).isLowSurrogate())
            --tail;
    }
    if (head > 0 && edited.at(head - 1).isHighSurrogate())
        --head;
    const qsizetype inserted = editedSize - tail - head;
    // What is left of the previous text keeps its place, even beyond the limit.
    qsizetype room = std::clamp<qsizetype>(limit - (head + tail), 0, inserted);
    if (room == inserted)
        return {edited, caret}; // nothing went in (a deletion) or all of it fits
    if (room > 0 && edited.at(head + room - 1).isHighSurrogate())
        --room; // never half a character
    const qsizetype end = head + room;
    const qsizetype newCaret = caret <= end ? caret : std::max(end, caret - (inserted - room));
    return {edited.left(end) + edited.right(tail), static_cast<int>(newCaret)};
}

void paintVerticalGradient(QPainter &painter, const QRect &rect, QColor top, QColor bottom)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.fillRect(rect, gradient);
}

Box::Box(QWidget *parent, QColor fill, QColor fillBottom, QColor frame, QColor frameBottom)
    : QWidget(parent)
    , m_fill(fill)
    , m_fillBottom(fillBottom)
    , m_frame(frame)
    , m_frameBottom(frameBottom)
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
        if (m_frameBottom.isValid()) {
            QLinearGradient gradient(rect().topLeft(), rect().bottomLeft());
            gradient.setColorAt(0, m_frame);
            gradient.setColorAt(1, m_frameBottom);
            painter.setPen(QPen(QBrush(gradient), 1));
        } else {
            painter.setPen(m_frame);
        }
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

FlatField::FlatField(QWidget *parent, QColor background)
    : QLineEdit(parent)
{
    // No frame of the style's own: the outline is drawn over a one-pixel margin.
    setFrame(false);
    setTextMargins(1, 1, 1, 1);
    setBackground(background);
}

void FlatField::setBackground(QColor colour)
{
    QPalette palette = this->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, colour);
    setPalette(palette);
}

QColor FlatField::background() const
{
    return palette().color(QPalette::Base);
}

void FlatField::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    painter.setPen(outlineColour());
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

Button::Button(const QString &caption, QWidget *parent)
    : QPushButton(caption, parent)
{
    setAutoDefault(false);
    setDefault(false);
    setCursor(Qt::PointingHandCursor);
}

void Button::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // On the key going down, as Windows does; holding the key presses it once.
        if (!event->isAutoRepeat())
            click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event); // Space
}

void Button::initStyleOption(QStyleOptionButton *option) const
{
    QPushButton::initStyleOption(option);
    // The style draws the focus frame only after focus moves by the keyboard's
    // Tab; here the focus also comes with Enter from a field, and always shows.
    if (hasFocus())
        option->state |= QStyle::State_KeyboardFocusChange;
}

Picture::Picture(QWidget *parent, const QString &resource, bool clickable)
    : QWidget(parent)
    , m_resource(resource)
    , m_clickable(clickable)
{
    if (clickable)
        setCursor(Qt::PointingHandCursor);
    else
        setAttribute(Qt::WA_TransparentForMouseEvents);
}

const Artwork &Picture::artwork() const
{
    // Read when first needed, so that creating the many screens that stay hidden
    // reads no artwork.
    if (m_artwork == nullptr)
        m_artwork = &Artwork::get(m_resource);
    return *m_artwork;
}

bool Picture::isValid() const
{
    return artwork().isValid();
}

void Picture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    artwork().render(painter, QRectF(rect()), Qt::KeepAspectRatio);
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

namespace {
int g_deferredBuilding = 0;
} // namespace

DeferredBuilding::DeferredBuilding()
{
    ++g_deferredBuilding;
}

DeferredBuilding::~DeferredBuilding()
{
    --g_deferredBuilding;
}

Screen::Screen(QWidget *parent, const QString &caption, QSize clientSize, QSize panelSize,
               QColor top, QColor bottom, const char *panelName)
    : QDialog(parent, Qt::Window)
    , m_conventions(new Conventions(this))
    , m_panel(new Panel(this, panelSize))
    , m_lblMemory(new QLabel(m_panel))
    , m_top(top)
    , m_bottom(bottom)
    , m_deferBuilding(g_deferredBuilding > 0)
{
    setWindowTitle(caption);
    m_panel->setObjectName(QLatin1String(panelName));
    m_panels << m_panel;
    m_lblMemory->setObjectName(QStringLiteral("lblMemory"));
    m_lblMemory->hide();
    resize(clientSize);
    setMinimumSize(panelSize);
    m_panel->centreInWindow();
    // The screen and its panels empty the status line when the mouse moves over them.
    trackForHints(this, m_conventions, true);
    trackForHints(m_panel, m_conventions, true);
}

Panel *Screen::addPanel(const char *name, QSize size)
{
    auto *panel = new Panel(this, size);
    panel->setObjectName(QLatin1String(name));
    panel->centreInWindow();
    m_panels << panel;
    trackForHints(panel, m_conventions, true);
    return panel;
}

void Screen::emptyStatusOver(QWidget *widget)
{
    widget->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    trackForHints(widget, m_conventions, true);
}

void Screen::makeFixedDialog()
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(size());
    m_centreOnShow = true;
}

void Screen::setMemory(const QString &memory)
{
    m_lblMemory->setText(memory);
}

QString Screen::memory() const
{
    return m_lblMemory->text();
}

QWidget *Screen::closeControl() const
{
    ensureBuilt();
    const auto usable = [this](const QWidget *control) { return control->window() == this && control->isVisibleTo(this) && control->isEnabled(); };
    const QList<QWidget *> controls = findChildren<QWidget *>();
    for (QWidget *control : controls) {
        if (control->property(kCloses).toBool() && usable(control))
            return control;
    }
    for (QWidget *control : controls) {
        const auto *button = qobject_cast<Button *>(control);
        if (button != nullptr && (button->text() == QLatin1String("Chiudi") || button->text() == QLatin1String("Annulla")) && usable(control))
            return control;
    }
    return nullptr;
}

void Screen::keyPressEvent(QKeyEvent *event)
{
    // Not QDialog's: its Escape would close the screen without its close control
    // having a say, and its Enter press a default button.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (QWidget *closer = closeControl()) {
            event->accept();
            if (auto *button = qobject_cast<QAbstractButton *>(closer))
                button->click();
            else if (auto *picture = qobject_cast<Picture *>(closer))
                emit picture->clicked();
            return;
        }
    }
    QWidget::keyPressEvent(event); // NOLINT(bugprone-parent-virtual-call)
}

void Screen::buildWhenNeeded(std::function<void()> build)
{
    if (m_deferBuilding)
        m_pendingBuild = std::move(build);
    else
        build();
}

void Screen::ensureBuilt() const
{
    if (!m_pendingBuild)
        return;
    const std::function<void()> build = std::move(m_pendingBuild);
    m_pendingBuild = nullptr;
    build();
}

void Screen::capture(std::initializer_list<Capture> captures) const
{
    for (const Capture &wanted : captures) {
        QWidget *widget = findControl<QWidget>(wanted.name());
        if (widget == nullptr || !wanted.fill(widget))
            missingControl(wanted.name(), wanted.typeName());
    }
}

void Screen::missingControl(const char *name, const char *type) const
{
    const QString screenName = objectName().isEmpty() ? QString::fromLatin1(metaObject()->className()) : objectName();
    const QString message = QStringLiteral("screen %1 (%2) has no control %3 of type %4")
                                .arg(screenName, windowTitle().trimmed(), QLatin1String(name), QLatin1String(type));
    if (missingControlHandler())
        missingControlHandler()(message);
    qFatal("%s", qPrintable(message));
}

void Screen::setVisible(bool visible)
{
    // Before showing, so that the new controls are shown with the window.
    if (visible) {
        ensureBuilt();
        for (const QPointer<QWidget> &widget : std::exchange(m_autoSized, {})) {
            if (widget)
                widget->adjustSize();
        }
    }
    QDialog::setVisible(visible);
}

void Screen::showEvent(QShowEvent *event)
{
    if (m_centreOnShow && !m_shownOnce) {
        if (const QScreen *display = screen())
            move(display->availableGeometry().center() - rect().center());
    }
    m_shownOnce = true;
    QDialog::showEvent(event);
}

void Screen::buildControls(std::span<const ControlDef> controls, Panel *panel)
{
    Panel *target = panel != nullptr ? panel : m_panel;
    QObject *conventions = m_conventions;
    for (const ControlDef &item : controls) {
        QWidget *widget = nullptr;
        switch (item.kind) {
        case ControlKind::Box:
            widget = new Box(target, item.fill, item.fillBottom, item.frame);
            break;
        case ControlKind::HighlightFrame:
            widget = new Box(target, focusColour(), QColor(), focusColour(), Qt::white);
            break;
        case ControlKind::Picture:
            widget = new Picture(target, item.picture, false);
            break;
        case ControlKind::PictureButton:
        case ControlKind::DateButton:
        case ControlKind::TimeButton:
            widget = new Picture(target, item.picture, true);
            break;
        case ControlKind::Label:
        case ControlKind::StatusLine: {
            auto *label = new QLabel(item.caption, target);
            if (item.textColour.isValid()) {
                QPalette palette = label->palette();
                palette.setColor(QPalette::WindowText, item.textColour);
                label->setPalette(palette);
            }
            if (item.alignment)
                label->setAlignment(item.alignment);
            label->setWordWrap(item.wordWrap);
            if (item.kind == ControlKind::StatusLine)
                m_statusLine = label;
            widget = label;
            break;
        }
        case ControlKind::TextField: {
            const QColor resting = item.resting.isValid() ? item.resting : restingColour();
            auto *field = item.focus == FocusStyle::Background ? new FlatField(target, resting) : new QLineEdit(target);
            // Not QLineEdit's own maximum length, which would cut the program's text too.
            if (item.maxLength > 0)
                field->setProperty(kTypingLimit, item.maxLength);
            if (item.alignment)
                field->setAlignment(item.alignment);
            if (item.masked)
                field->setEchoMode(QLineEdit::Password);
            if (item.readOnly) {
                field->setReadOnly(true);
                QPalette palette = field->palette();
                palette.setColor(QPalette::Text, Qt::darkGray);
                field->setPalette(palette);
            }
            field->setProperty(kFocusStyle, static_cast<int>(item.focus));
            if (item.focus == FocusStyle::Background)
                field->setProperty(kResting, resting);
            if (item.next != nullptr)
                field->setProperty(kNext, QByteArray(item.next));
            field->installEventFilter(conventions);
            if (item.maxLength > 0 || item.filter != TypingFilter::None)
                applyTypingRules(field, item.filter);
            showBeginningOfValues(field);
            widget = field;
            break;
        }
        case ControlKind::LineList:
            widget = new LineListView(target);
            break;
        case ControlKind::CheckBox:
            widget = new QCheckBox(item.caption, target);
            widget->setCursor(Qt::PointingHandCursor);
            break;
        case ControlKind::Button:
            widget = new Button(item.caption, target);
            break;
        case ControlKind::ProgressBar: {
            auto *bar = new QProgressBar(target);
            bar->setRange(0, 1000);
            bar->setValue(0);
            bar->setTextVisible(true);
            widget = bar;
            break;
        }
        }
        widget->setObjectName(QLatin1String(item.name));
        if (item.kind != ControlKind::LineList && (item.font.family != nullptr || item.font.pixelSize > 0 || item.font.bold))
            widget->setFont(fontOf(item.font, widget->font()));
        widget->setGeometry(item.geometry);
        if (item.geometry.size().isEmpty()) {
            // "Auto" size: as large as its content. Measuring text loads fonts, so a
            // screen not on view yet does it just before it is first shown.
            if (isVisible())
                widget->adjustSize();
            else
                m_autoSized << widget;
        }
        if (!item.hint.isEmpty()) {
            widget->setProperty(kHint, item.hint);
            trackForHints(widget, conventions, false);
        }
        if (item.keepsHint)
            widget->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        if (item.closes)
            widget->setProperty(kCloses, true);
        widget->setEnabled(item.enabled);
        if (!item.visible || item.kind == ControlKind::HighlightFrame)
            widget->hide();
    }
    // Frames lie right behind their fields.
    for (const ControlDef &item : controls) {
        if (item.kind != ControlKind::HighlightFrame)
            continue;
        const QString name = QString::fromLatin1(item.name);
        const QString field = QStringLiteral("txt") + (name.startsWith(QLatin1String("eff")) ? name.mid(3) : name);
        if (QWidget *companion = findControl<QWidget>(field.toLatin1().constData()))
            control(item.name)->stackUnder(companion);
    }
    wireConventions(controls);
}

void Screen::wireConventions(std::span<const ControlDef> controls)
{
    for (const ControlDef &item : controls) {
        if (item.kind != ControlKind::DateButton && item.kind != ControlKind::TimeButton)
            continue;
        auto *button = control<Picture>(item.name);
        auto *field = control<QLineEdit>(item.fills);
        Q_ASSERT(button != nullptr && field != nullptr);
        const bool date = item.kind == ControlKind::DateButton;
        connect(button, &Picture::clicked, field, [field, date] {
            field->setText(date ? Clock::todayText() : Clock::timeText());
        });
    }
}

void Screen::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintVerticalGradient(painter, rect(), m_top, m_bottom);
}

void Screen::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    for (Panel *panel : std::as_const(m_panels))
        panel->centreInWindow();
}

} // namespace ScreenKit
