// The conventions every input screen shares, on a screen declared as a table.
#include "shell/Clock.h"
#include "shell/Dialogs.h"
#include "shell/LineList.h"
#include "shell/QuickFindBar.h"
#include "shell/ScreenKit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace ScreenKit;

namespace {

const ControlDef kControls[] = {
    {.name = "shpBox", .kind = ControlKind::Box, .geometry = {0, 0, 400, 40}, .fill = Qt::lightGray},
    {.name = "txtCognome", .kind = ControlKind::TextField, .geometry = {10, 50, 150, 22}, .maxLength = 10, .filter = TypingFilter::UpperCase, .focus = FocusStyle::Background, .next = "txtEmail"},
    {.name = "txtEmail", .kind = ControlKind::TextField, .geometry = {10, 80, 150, 22}, .filter = TypingFilter::Trim, .focus = FocusStyle::Background, .next = "txtCat"},
    {.name = "chkFlag", .kind = ControlKind::CheckBox, .geometry = {170, 80, 100, 22}, .caption = QStringLiteral("Flag"), .hint = QStringLiteral("Spunta.")},
    {.name = "txtCat", .kind = ControlKind::TextField, .geometry = {10, 110, 50, 22}, .focus = FocusStyle::Background, .resting = Qt::white, .next = "txtCognome"},
    {.name = "txtData", .kind = ControlKind::TextField, .geometry = {10, 140, 100, 22}, .maxLength = 10},
    {.name = "impData", .kind = ControlKind::DateButton, .geometry = {115, 140, 22, 22}, .picture = QStringLiteral(":/avvio/info.svg"), .hint = QStringLiteral("Data di oggi."), .fills = "txtData"},
    {.name = "txtOra", .kind = ControlKind::TextField, .geometry = {10, 170, 100, 22}, .maxLength = 5},
    {.name = "impOra", .kind = ControlKind::TimeButton, .geometry = {115, 170, 22, 22}, .picture = QStringLiteral(":/avvio/info.svg"), .fills = "txtOra"},
    {.name = "lblTesto", .kind = ControlKind::Label, .geometry = {200, 140, 100, 20}, .caption = QStringLiteral("Etichetta")},
    {.name = "panInfo", .kind = ControlKind::StatusLine, .geometry = {0, 270, 400, 20}, .caption = QStringLiteral("Pronto")},
    {.name = "txtCodice", .kind = ControlKind::TextField, .geometry = {280, 50, 100, 22}, .next = "btnControlla"},
    {.name = "btnControlla", .kind = ControlKind::Button, .geometry = {280, 80, 100, 28}, .caption = QStringLiteral("Controlla")},
    {.name = "btnChiudi", .kind = ControlKind::Button, .geometry = {280, 110, 100, 28}, .caption = QStringLiteral("Chiudi")},
};

class SampleScreen final : public Screen
{
public:
    SampleScreen()
        : Screen(nullptr, QStringLiteral(" Prova"), QSize(420, 310), QSize(400, 290), Qt::darkBlue)
    {
        buildControls(kControls);
    }
};

// A screen built from `table` that captures the text field `wanted`.
class CapturingScreen final : public Screen
{
public:
    CapturingScreen(std::span<const ControlDef> table, const char *wanted)
        : Screen(nullptr, QStringLiteral(" Prova"), QSize(420, 310), QSize(400, 290), Qt::darkBlue)
    {
        setObjectName(QStringLiteral("frmProva"));
        buildControls(table);
        if (wanted != nullptr)
            capture({{wanted, &field}});
    }
    QLineEdit *field = nullptr;
};

struct MissingControl : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The colour the field shows just inside its right edge, away from text and caret.
QString background(QWidget *field)
{
    const QImage image = field->grab().toImage();
    return image.pixelColor(image.width() - 3, image.height() / 2).name();
}

// The colour of the field's outline, at the middle of its left edge.
QString outline(QWidget *field)
{
    const QImage image = field->grab().toImage();
    return image.pixelColor(0, image.height() / 2).name();
}

} // namespace

class TestConventions : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SampleScreen> m_screen;

    QLineEdit *field(const char *name) { return m_screen->control<QLineEdit>(name); }

private slots:
    void init()
    {
        m_screen = std::make_unique<SampleScreen>();
        m_screen->show();
        QVERIFY(QTest::qWaitForWindowActive(m_screen.get()));
    }

    void cleanup() { m_screen.reset(); }

    void missingControlFailsWhileBuilding_data()
    {
        QTest::addColumn<QByteArray>("wanted"); // empty: nothing captured
        QTest::addColumn<bool>("dateButtonFillsAMissingField");
        QTest::addColumn<QString>("failure");   // empty: the screen builds
        QTest::newRow("captured field is there") << QByteArray("txtCognome") << false << QString();
        QTest::newRow("captured field is missing")
            << QByteArray("txtManca") << false << QStringLiteral("screen frmProva (Prova) has no control txtManca of type QLineEdit");
        QTest::newRow("captured name is not a field")
            << QByteArray("lblTesto") << false << QStringLiteral("screen frmProva (Prova) has no control lblTesto of type QLineEdit");
        QTest::newRow("date button fills a missing field")
            << QByteArray() << true << QStringLiteral("screen frmProva (Prova) has no control txtNessuno of type QLineEdit");
    }

    // A screen that asks for a control its table does not build fails as it is
    // built, naming itself and the control, rather than with a null pointer later.
    void missingControlFailsWhileBuilding()
    {
        QFETCH(QByteArray, wanted);
        QFETCH(bool, dateButtonFillsAMissingField);
        QFETCH(QString, failure);
        std::vector<ControlDef> table(std::begin(kControls), std::end(kControls));
        if (dateButtonFillsAMissingField)
            table.push_back({.name = "impNessuno", .kind = ControlKind::DateButton, .geometry = {115, 200, 22, 22},
                             .picture = QStringLiteral(":/avvio/info.svg"), .fills = "txtNessuno"});
        setMissingControlHandler([](const QString &message) { throw MissingControl(message.toStdString()); });
        const auto restore = qScopeGuard([] { setMissingControlHandler({}); });
        QString thrown;
        std::unique_ptr<CapturingScreen> screen;
        try {
            screen = std::make_unique<CapturingScreen>(table, wanted.isEmpty() ? nullptr : wanted.constData());
        } catch (const MissingControl &error) {
            thrown = QString::fromStdString(error.what());
        }
        QCOMPARE(thrown, failure);
        if (failure.isEmpty()) {
            QVERIFY(screen->field != nullptr);
            QCOMPARE(screen->field, screen->findChild<QLineEdit *>(QString::fromLatin1(wanted)));
        }
    }

    void focusColours()
    {
        // Resting light blue (or white where the screen says so), yellow with the focus.
        QCOMPARE(QApplication::focusWidget(), field("txtCognome"));
        QCOMPARE(background(field("txtCognome")), QStringLiteral("#ffff00"));
        QCOMPARE(background(field("txtEmail")), QStringLiteral("#f0f8ff"));
        QCOMPARE(background(field("txtCat")), QStringLiteral("#ffffff"));
        QCOMPARE(outline(field("txtCognome")), QStringLiteral("#87ceeb"));
        QCOMPARE(outline(field("txtCat")), QStringLiteral("#87ceeb"));
        field("txtCat")->setFocus();
        QCOMPARE(background(field("txtCognome")), QStringLiteral("#f0f8ff"));
        QCOMPARE(background(field("txtCat")), QStringLiteral("#ffff00"));
        field("txtEmail")->setFocus();
        QCOMPARE(background(field("txtCat")), QStringLiteral("#ffffff"));
    }

    void focusStaysPaintedUnderAMessage()
    {
        field("txtCognome")->setFocus();
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(background(field("txtCognome")), QStringLiteral("#ffff00"));
    }

    void enterChainWrapsAround()
    {
        field("txtCognome")->setFocus();
        // Check boxes are skipped: txtEmail leads to txtCat.
        for (const char *next : {"txtEmail", "txtCat", "txtCognome"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), field(next));
        }
        // A field with no next control keeps the focus.
        field("txtData")->setFocus();
        QTest::keyClick(field("txtData"), Qt::Key_Enter);
        QCOMPARE(QApplication::focusWidget(), field("txtData"));
    }

    void upperCaseFilter()
    {
        QLineEdit *name = field("txtCognome");
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("ab"));
        QCOMPARE(name->text(), QStringLiteral("AB"));
        QTest::sendKeyEvent(QTest::Click, name, Qt::Key_Agrave, QStringLiteral("\u00E0"), Qt::NoModifier);
        QCOMPARE(name->text(), QStringLiteral("AB\u00E0"));
        // A blank at the end vanishes at once; one between two characters stays.
        QTest::keyClick(name, Qt::Key_Space);
        QCOMPARE(name->text(), QStringLiteral("AB\u00E0"));
        name->setCursorPosition(1);
        QTest::keyClick(name, Qt::Key_Space);
        QCOMPARE(name->text(), QStringLiteral("A B\u00E0"));
        QCOMPARE(name->cursorPosition(), 2);
        QTest::keyClicks(name, QStringLiteral("x"));
        QCOMPARE(name->text(), QStringLiteral("A XB\u00E0"));
        QCOMPARE(name->cursorPosition(), 3);
        // A blank typed at the start vanishes and the caret stays at the start.
        name->setCursorPosition(0);
        QTest::keyClick(name, Qt::Key_Space);
        QCOMPARE(name->text(), QStringLiteral("A XB\u00E0"));
        QCOMPARE(name->cursorPosition(), 0);
    }

    void programTextIsNotFiltered()
    {
        field("txtCognome")->setText(QStringLiteral(" rossi "));
        QCOMPARE(field("txtCognome")->text(), QStringLiteral(" rossi "));
    }

    void trimFilter()
    {
        QLineEdit *mail = field("txtEmail");
        mail->setFocus();
        QTest::keyClicks(mail, QStringLiteral(" Mario.Rossi@example.it "));
        QCOMPARE(mail->text(), QStringLiteral("Mario.Rossi@example.it"));
    }

    void maximumLength()
    {
        field("txtCognome")->setFocus();
        QTest::keyClicks(field("txtCognome"), QStringLiteral("abcdefghijkl"));
        QCOMPARE(field("txtCognome")->text(), QStringLiteral("ABCDEFGHIJ"));
    }

    // The maximum length as applied to one edit of the user's: what the edit put in
    // is cut to fit, what it took out stays out, the program's text is never cut.
    void typingLimit_data()
    {
        QTest::addColumn<QString>("previous");
        QTest::addColumn<QString>("edited");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("keptCaret");
        QTest::newRow("typing below the limit") << QStringLiteral("ABC") << QStringLiteral("ABCD") << 4 << 5
                                                << QStringLiteral("ABCD") << 4;
        QTest::newRow("typing up to the limit") << QStringLiteral("ABCD") << QStringLiteral("ABXCD") << 3 << 5
                                                << QStringLiteral("ABXCD") << 3;
        QTest::newRow("typing at the limit, at the end") << QStringLiteral("ABCDE") << QStringLiteral("ABCDEF") << 6 << 5
                                                         << QStringLiteral("ABCDE") << 5;
        QTest::newRow("typing at the limit, in the middle") << QStringLiteral("ABCDE") << QStringLiteral("ABXCDE") << 3 << 5
                                                            << QStringLiteral("ABCDE") << 2;
        QTest::newRow("paste cut to fit") << QStringLiteral("AB") << QStringLiteral("AwxyzB") << 5 << 4
                                          << QStringLiteral("AwxB") << 3;
        QTest::newRow("paste of letters already there") << QStringLiteral("ab") << QStringLiteral("abab") << 3 << 3
                                                        << QStringLiteral("abb") << 2;
        QTest::newRow("paste replacing a selection") << QStringLiteral("ABCDE") << QStringLiteral("AwxyzE") << 5 << 5
                                                     << QStringLiteral("AwxyE") << 4;
        QTest::newRow("paste replacing a selection, no room") << QStringLiteral("ABCDEF") << QStringLiteral("AxyDEF") << 3 << 3
                                                              << QStringLiteral("ADEF") << 1;
        QTest::newRow("typing into over-long text") << QStringLiteral("ABCDEFGHIJKL") << QStringLiteral("ABCDExFGHIJKL") << 6 << 10
                                                    << QStringLiteral("ABCDEFGHIJKL") << 5;
        QTest::newRow("replacing a character of over-long text") << QStringLiteral("ABCDEFGHIJKL") << QStringLiteral("ABCDExGHIJKL") << 6 << 10
                                                                 << QStringLiteral("ABCDEGHIJKL") << 5;
        QTest::newRow("deleting from over-long text") << QStringLiteral("ABCDEFGHIJKL") << QStringLiteral("ABCDFGHIJKL") << 4 << 10
                                                      << QStringLiteral("ABCDFGHIJKL") << 4;
        QTest::newRow("undo bringing text back before the caret") << QStringLiteral("AE") << QStringLiteral("ABCDE") << 1 << 4
                                                                  << QStringLiteral("ABCE") << 1;
        QTest::newRow("no half characters") << QStringLiteral("AB") << QStringLiteral("AB\U0001F600") << 4 << 3
                                            << QStringLiteral("AB") << 2;
        QTest::newRow("no limit") << QStringLiteral("AB") << QStringLiteral("ABCDEFGH") << 8 << 0
                                  << QStringLiteral("ABCDEFGH") << 8;
    }

    void typingLimit()
    {
        QFETCH(QString, previous);
        QFETCH(QString, edited);
        QFETCH(int, caret);
        QFETCH(int, limit);
        QFETCH(QString, text);
        QFETCH(int, keptCaret);
        const FilteredText limited = applyTypingLimit(previous, edited, caret, limit);
        QCOMPARE(limited.text, text);
        QCOMPARE(limited.caret, keptCaret);
    }

    void programTextIsKeptWhole()
    {
        // txtCognome takes at most 10 characters from the keyboard.
        QLineEdit *name = field("txtCognome");
        const QString code = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXY");
        name->setText(code);
        QCOMPARE(name->text(), code);
        name->setFocus();
        name->end(false);
        QTest::keyClicks(name, QStringLiteral("z"));
        QCOMPARE(name->text(), code);
        // It can be shortened, and lengthened again only up to the limit.
        name->setText(code.left(12));
        name->end(false);
        QTest::keyClick(name, Qt::Key_Backspace);
        QTest::keyClick(name, Qt::Key_Backspace);
        QCOMPARE(name->text(), code.left(10));
        QTest::keyClicks(name, QStringLiteral("z"));
        QCOMPARE(name->text(), code.left(10));
        QTest::keyClick(name, Qt::Key_Backspace);
        QTest::keyClicks(name, QStringLiteral("zz"));
        QCOMPARE(name->text(), code.left(9) + QLatin1Char('Z'));
    }

    void userInputStopsAtTheLimit_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("keptCaret");
        QTest::newRow("typing into a full field") << QStringLiteral("ABCDEFGHIJ") << 4 << QStringLiteral("keys") << QStringLiteral("xy")
                                                  << QStringLiteral("ABCDEFGHIJ") << 4;
        QTest::newRow("typing, upper-cased") << QStringLiteral("ABC") << 3 << QStringLiteral("keys") << QStringLiteral("de")
                                             << QStringLiteral("ABCDE") << 5;
        QTest::newRow("paste cut to fit") << QStringLiteral("ABC") << 1 << QStringLiteral("paste") << QStringLiteral("xyzwvutsrq")
                                          << QStringLiteral("AXYZWVUTBC") << 8;
        QTest::newRow("paste into over-long text") << QStringLiteral("ABCDEFGHIJKL") << 12 << QStringLiteral("paste") << QStringLiteral("x")
                                                   << QStringLiteral("ABCDEFGHIJKL") << 12;
        QTest::newRow("input method cut to fit") << QStringLiteral("ABCDEFGH") << 8 << QStringLiteral("input method") << QStringLiteral("xyz")
                                                 << QStringLiteral("ABCDEFGHXY") << 10;
    }

    void userInputStopsAtTheLimit()
    {
        QFETCH(QString, start);
        QFETCH(int, caret);
        QFETCH(QString, how);
        QFETCH(QString, input);
        QFETCH(QString, text);
        QFETCH(int, keptCaret);
        QLineEdit *name = field("txtCognome"); // at most 10, upper case
        name->setFocus();
        name->setText(start);
        name->setCursorPosition(caret);
        if (how == QLatin1String("keys")) {
            QTest::keyClicks(name, input);
        } else if (how == QLatin1String("paste")) {
            QGuiApplication::clipboard()->setText(input);
            QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
        } else {
            QInputMethodEvent event;
            event.setCommitString(input);
            QApplication::sendEvent(name, &event);
        }
        QCOMPARE(name->text(), text);
        QCOMPARE(name->cursorPosition(), keptCaret);
    }

    void hints()
    {
        QLabel *status = m_screen->statusLine();
        QCOMPARE(status->text(), QStringLiteral("Pronto"));
        // A check box or picture button with a hint sets it.
        QTest::mouseMove(m_screen->control("chkFlag"), QPoint(5, 5));
        QTRY_COMPARE(status->text(), QStringLiteral("Spunta."));
        QTest::mouseMove(m_screen->control("impData"), QPoint(5, 5));
        QTRY_COMPARE(status->text(), QStringLiteral("Data di oggi."));
        // Text fields and labels leave it as it is.
        QTest::mouseMove(field("txtCognome"), QPoint(5, 5));
        QTest::mouseMove(m_screen->control("lblTesto"), QPoint(5, 5));
        QTest::qWait(20);
        QCOMPARE(status->text(), QStringLiteral("Data di oggi."));
        // The panel, and the boxes and pictures on it, empty it.
        QTest::mouseMove(m_screen->control("shpBox"), QPoint(5, 5));
        QTRY_COMPARE(status->text(), QString());
        QTest::mouseMove(m_screen->control("impData"), QPoint(5, 5));
        QTRY_COMPARE(status->text(), QStringLiteral("Data di oggi."));
        QTest::mouseMove(m_screen->panel(), QPoint(300, 200));
        QTRY_COMPARE(status->text(), QString());
    }

    // A value the program puts into a field shows from its beginning; the user's
    // typing keeps the caret where the user typed.
    void programTextShowsItsBeginning()
    {
        const QString address = QStringLiteral("Via dei Santissimi Apostoli Pietro e Paolo, 123 - Scala B interno 7");
        QLineEdit *mail = field("txtEmail");
        mail->setText(address);
        QCOMPARE(mail->cursorPosition(), 0);
        QVERIFY(mail->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < 10);
        // Also with the focus in the field, and when the text is replaced or emptied.
        mail->setFocus();
        mail->setText(address.left(40));
        QCOMPARE(mail->cursorPosition(), 0);
        // Typing goes on where the user puts the caret.
        mail->end(false);
        QTest::keyClicks(mail, QStringLiteral("xy"));
        QCOMPARE(mail->text(), address.left(40) + QStringLiteral("xy"));
        QCOMPARE(mail->cursorPosition(), 42);
        // A typing rule that changes the user's edit keeps the caret where the user typed.
        QLineEdit *name = field("txtCognome");
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("ros"));
        QCOMPARE(name->text(), QStringLiteral("ROS"));
        QCOMPARE(name->cursorPosition(), 3);
        // The date button is the program's too.
        QTest::mouseClick(m_screen->control("impData"), Qt::LeftButton);
        QCOMPARE(field("txtData")->cursorPosition(), 0);
    }

    // While a value is wider than its field, the field's hint is the whole value.
    void hintShowsAValueThatDoesNotFit()
    {
        QLineEdit *mail = field("txtEmail"); // 150 wide
        const QString longValue = QStringLiteral("mario.rossi.cognome.molto.lungo@autoscuola-esempio.example.it");
        mail->setText(QStringLiteral("a@b.it"));
        QCOMPARE(mail->toolTip(), QString());
        mail->setText(longValue);
        QCOMPARE(mail->toolTip(), longValue);
        // Shortened by the user until it fits: no hint.
        mail->setFocus();
        mail->end(false);
        for (int i = 0; i < longValue.size() - 6; ++i)
            QTest::keyClick(mail, Qt::Key_Backspace);
        QCOMPARE(mail->text(), longValue.left(6));
        QCOMPARE(mail->toolTip(), QString());
        // Typed past the field's width: the hint follows.
        QTest::keyClicks(mail, longValue.mid(6));
        QCOMPARE(mail->toolTip(), longValue);
        // A masked field never shows its value.
        const ControlDef masked[] = {
            {.name = "txtPassword", .kind = ControlKind::TextField, .geometry = {10, 50, 60, 22}, .masked = true},
        };
        CapturingScreen screen(masked, "txtPassword");
        screen.field->setText(longValue);
        QCOMPARE(screen.field->toolTip(), QString());
        QCOMPARE(screen.field->cursorPosition(), 0);
    }

    // On a screen with a status line, quick find tells there that nothing matches,
    // and takes away only its own words.
    void quickFindTellsNoMatchOnTheStatusLine()
    {
        const ControlDef table[] = {
            {.name = "txtTrova", .kind = ControlKind::TextField, .geometry = {10, 10, 200, 22}},
            {.name = "btnTrova", .kind = ControlKind::Button, .geometry = {220, 8, 80, 28}, .caption = QStringLiteral("Trova")},
            {.name = "lstRecords", .kind = ControlKind::LineList, .geometry = {10, 40, 380, 200}},
            {.name = "panInfo", .kind = ControlKind::StatusLine, .geometry = {0, 270, 400, 20}, .caption = QStringLiteral("Pronto")},
        };
        CapturingScreen screen(table, "txtTrova");
        auto *list = screen.control<LineListView>("lstRecords");
        list->lineModel()->setLines(QStringList{QStringLiteral("Bianchi Anna"), QStringLiteral("Rossi Mario")});
        QuickFindBar bar(screen.field, screen.control<QPushButton>("btnTrova"), list);
        QCOMPARE(bar.outcome(), screen.statusLine());
        QVERIFY(screen.findChild<QLabel *>(QStringLiteral("lblEsitoTrova")) == nullptr);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        screen.field->setText(QStringLiteral("zz"));
        QTest::keyClick(screen.field, Qt::Key_Return);
        QCOMPARE(screen.statusLine()->text(), QStringLiteral("Nessuna corrispondenza"));
        screen.field->setText(QStringLiteral("ros"));
        QTest::keyClick(screen.field, Qt::Key_Return);
        QCOMPARE(list->selectedRow(), 1);
        QCOMPARE(screen.statusLine()->text(), QString());
        // A hint that came after the words stays.
        screen.field->setText(QStringLiteral("zz"));
        QTest::keyClick(screen.field, Qt::Key_Return);
        screen.statusLine()->setText(QStringLiteral("Spunta.")); // as the mouse over the check box puts it
        screen.field->setText(QStringLiteral("bia"));
        QTest::keyClick(screen.field, Qt::Key_Return);
        QCOMPARE(list->selectedRow(), 0);
        QCOMPARE(screen.statusLine()->text(), QStringLiteral("Spunta."));
    }

    void dateAndTimeButtons()
    {
        Clock::setSource([] { return QDateTime(QDate(2014, 3, 7), QTime(8, 4)); });
        field("txtData")->setText(QStringLiteral("vecchia"));
        QTest::mouseClick(m_screen->control("impData"), Qt::LeftButton);
        QTest::mouseClick(m_screen->control("impOra"), Qt::LeftButton);
        Clock::setSource({});
        QCOMPARE(field("txtData")->text(), QStringLiteral("07/03/2014"));
        QCOMPARE(field("txtOra")->text(), QStringLiteral("08:04"));
        QCOMPARE(field("txtCognome")->text(), QString());
    }

    void messageBoxes_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<int>("answer");
        // Italian on an English, a plain C and an Italian system alike.
        for (const QString &locale : {QStringLiteral("en_US"), QStringLiteral("C"), QStringLiteral("it_IT")}) {
            const QByteArray at = locale.toLatin1();
            QTest::addRow("warning, %s", at.constData()) << locale << int(Dialogs::Kind::Warning) << QStringLiteral("Attenzione") << int(QMessageBox::Warning)
                                     << QStringList{QStringLiteral("OK"), QStringLiteral("Annulla")} << int(Dialogs::Answer::Ok);
            QTest::addRow("error, %s", at.constData()) << locale << int(Dialogs::Kind::Error) << QStringLiteral("Errore") << int(QMessageBox::Critical)
                                   << QStringList{QStringLiteral("OK"), QStringLiteral("Annulla")} << int(Dialogs::Answer::Ok);
            QTest::addRow("information, %s", at.constData()) << locale << int(Dialogs::Kind::Information) << QStringLiteral("Informazione") << int(QMessageBox::Information)
                                         << QStringList{QStringLiteral("OK"), QStringLiteral("Annulla")} << int(Dialogs::Answer::Ok);
            QTest::addRow("confirmation, %s", at.constData()) << locale << int(Dialogs::Kind::Confirmation) << QStringLiteral("Conferma") << int(QMessageBox::Question)
                                          << QStringList{QStringLiteral("S\u00EC"), QStringLiteral("No")} << int(Dialogs::Answer::Yes);
            QTest::addRow("question, %s", at.constData()) << locale << int(Dialogs::Kind::Question) << QStringLiteral("Conferma") << int(QMessageBox::Question)
                                      << QStringList{QStringLiteral("S\u00EC"), QStringLiteral("No"), QStringLiteral("Annulla")} << int(Dialogs::Answer::Yes);
            QTest::addRow("plain message, %s", at.constData()) << locale << int(Dialogs::Kind::Message) << QString() << int(QMessageBox::NoIcon)
                                           << QStringList{QStringLiteral("OK")} << int(Dialogs::Answer::Ok);
        }
    }

    // The real boxes: title, icon, buttons in Italian whatever the system's
    // language, default first, owned by the active screen.
    void messageBoxes()
    {
        QFETCH(QString, locale);
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(int, icon);
        QFETCH(QStringList, buttons);
        QFETCH(int, answer);
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
        bool inspected = false;
        QTimer::singleShot(0, m_screen.get(), [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            inspected = true;
            QCOMPARE(box->windowTitle(), title);
            QCOMPARE(int(box->icon()), icon);
            QCOMPARE(box->text(), QStringLiteral("Testo\n\r\n\rseconda parte"));
            QCOMPARE(box->parentWidget(), m_screen.get());
            QStringList captions;
            for (QAbstractButton *button : box->buttons())
                captions << button->text().remove(QLatin1Char('&'));
            std::sort(captions.begin(), captions.end());
            QStringList expected = buttons;
            std::sort(expected.begin(), expected.end());
            QCOMPARE(captions, expected);
            QCOMPARE(box->defaultButton()->text().remove(QLatin1Char('&')), buttons.first());
            box->defaultButton()->click();
        });
        const Dialogs::Answer given = Dialogs::show(static_cast<Dialogs::Kind>(kind), QStringLiteral("Testo\n\r\n\rseconda parte"));
        QVERIFY(inspected);
        QCOMPARE(int(given), answer);
    }

    // Escape, or closing the three-button question, stays where the user was.
    void questionLeftWithEscapeIsAnnulla()
    {
        bool inspected = false;
        QTimer::singleShot(0, m_screen.get(), [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            inspected = true;
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QCOMPARE(Dialogs::ask(QStringLiteral("Salvare?")), Dialogs::Answer::Cancel);
        QVERIFY(inspected);
    }

    // The toolkit's own dialogs (print, page set-up, files) speak Italian on a
    // system of another language too.
    void toolkitDialogsSpeakItalian()
    {
        QCOMPARE(QLocale::system().language() == QLocale::Italian, false); // the tests run on a C system
        Dialogs::installToolkitTranslations();
        QCOMPARE(QCoreApplication::translate("QPrintDialog", "Print"), QStringLiteral("Stampa"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annulla"));
    }

    void focusedButton_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
        QTest::newRow("Space") << int(Qt::Key_Space);
    }

    // Enter in a field moves to the button and presses nothing; the focus shows on
    // the button, and the key then presses it. No button is ever a default one.
    void focusedButton()
    {
        QFETCH(int, key);
        auto *button = m_screen->control<QPushButton>("btnControlla");
        auto *other = m_screen->control<QPushButton>("btnChiudi");
        int clicks = 0;
        int otherClicks = 0;
        connect(button, &QPushButton::clicked, m_screen.get(), [&clicks] { ++clicks; });
        connect(other, &QPushButton::clicked, m_screen.get(), [&otherClicks] { ++otherClicks; });
        const QImage resting = button->grab().toImage();
        field("txtCodice")->setFocus();
        // The key goes down in the field and comes up on the button that took the focus.
        QTest::keyPress(field("txtCodice"), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), button);
        QTest::keyRelease(button, Qt::Key_Return);
        QCOMPARE(clicks, 0);
        QVERIFY2(button->grab().toImage() != resting, "no focus frame on the focused button");
        QTest::keyClick(button, static_cast<Qt::Key>(key));
        QCOMPARE(clicks, 1);
        QCOMPARE(otherClicks, 0);
        // Enter in a field that leads nowhere presses no button of the screen.
        field("txtData")->setFocus();
        QTest::keyClick(field("txtData"), static_cast<Qt::Key>(key == Qt::Key_Space ? Qt::Key_Return : key));
        QCOMPARE(clicks, 1);
        QCOMPARE(otherClicks, 0);
        for (const QPushButton *each : m_screen->findChildren<QPushButton *>())
            QVERIFY(!each->isDefault() && !each->autoDefault());
        // Away from the button its focus frame goes.
        QTRY_COMPARE(button->grab().toImage(), resting);
    }

    void fileFilterPatterns_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("shown");
        QTest::newRow("all files: no extension") << "Tutti i file (*.*)" << "README" << true;
        QTest::newRow("all files: an extension") << "Tutti i file (*.*)" << "patente.pdf" << true;
        QTest::newRow("all files: two dots") << "Tutti i file (*.*)" << "archivio.tar.gz" << true;
        QTest::newRow("all files: a leading dot") << "Tutti i file (*.*)" << ".profilo" << true;
        QTest::newRow("extension in either case") << "Documenti PDF (*.pdf)" << "PATENTE.PDF" << true;
        QTest::newRow("another extension") << "Documenti PDF (*.pdf)" << "README" << false;
        QTest::newRow("extension not at the end") << "Documenti PDF (*.pdf)" << "patente.pdf.txt" << false;
        QTest::newRow("second pattern") << "Immagini (*.jpg *.png)" << "foto.png" << true;
        QTest::newRow("stem with any extension: none") << "Patente (patente.*)" << "patente" << true;
        QTest::newRow("stem with any extension: another stem") << "Patente (patente.*)" << "patente2.pdf" << false;
        QTest::newRow("patterns without a description") << "*.txt" << "nota.TXT" << true;
    }

    // Patterns are read as Windows reads them.
    void fileFilterPatterns()
    {
        QFETCH(QString, filter);
        QFETCH(QString, name);
        QFETCH(bool, shown);
        QCOMPARE(Dialogs::filterShows(filter, name), shown);
    }

    // The real file dialog with the attachments' filter lists a file without an
    // extension, and the entry reads as given.
    void fileDialogListsEveryFile()
    {
        QTemporaryDir folder;
        for (const char *name : {"README", "patente.pdf"}) {
            QFile file(folder.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("sotto")));
        // The toolkit's dialog on every system, so that the test can look into it.
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        const auto restore = qScopeGuard([] { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs, false); });
        bool inspected = false;
        QTimer::singleShot(0, m_screen.get(), [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            const auto close = qScopeGuard([dialog] {
                if (dialog->isVisible())
                    dialog->reject();
            });
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Selezionare il file da allegare:"));
            QCOMPARE(dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))->currentText(), QStringLiteral("Tutti i file (*.*)"));
            dialog->setDirectory(folder.path());
            auto *view = dialog->findChild<QListView *>(QStringLiteral("listView"));
            QVERIFY(view != nullptr);
            const auto listed = [view] {
                QStringList names;
                for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
                    const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
                    if (index.flags() & Qt::ItemIsEnabled)
                        names << index.data().toString();
                }
                names.sort();
                return names;
            };
            QTRY_COMPARE(listed(), (QStringList{QStringLiteral("README"), QStringLiteral("patente.pdf"), QStringLiteral("sotto")}));
            inspected = true;
            // The user picks README from the list.
            QModelIndex readme;
            for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
                if (view->model()->index(row, 0, view->rootIndex()).data().toString() == QLatin1String("README"))
                    readme = view->model()->index(row, 0, view->rootIndex());
            }
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(readme).center());
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(readme).center());
        });
        const QString chosen = Dialogs::openFileName(QStringLiteral("Selezionare il file da allegare:"), QStringLiteral("Tutti i file (*.*)"));
        QVERIFY(inspected);
        QCOMPARE(QFileInfo(chosen), QFileInfo(folder.filePath(QStringLiteral("README"))));
    }
};

QTEST_MAIN(TestConventions)
#include "tst_conventions.moc"
