#include "DialogRecorder.h"
#include "TestSupport.h"

#include "printing/PreviewDialog.h"
#include "printing/PrintScreens.h"
#include "printing/PrintSeam.h"
#include "printing/StudentCard.h"
#include "printing/SummaryList.h"
#include "printing/TT2112Document.h"
#include "shell/Clock.h"
#include "shell/LineList.h"
#include "app/ScreenSet.h"
#include "app/Avvio.h"
#include "storage/ProgramFolder.h"
#include "students/Allievi.h"
#include "students/FrequentatoriOra.h"
#include "students/LezioniGuida.h"
#include "search/TrovaScreen.h"
#include "tt2112/Mod_TT2112.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace TestSupport;

namespace {

// A word that pdftotext found, with its box in millimetres and its page (1-based).
struct Word {
    int page;
    QRectF mm;
    QString text;
};

// Poppler's pdftotext reads the printed files. A Windows build of the tests,
// running under Wine, is given the Linux program's path and where Wine keeps
// drive C:, and the text goes through a file beside the PDF.
QString pathForPdfToText(const QString &path)
{
    const QString driveC = qEnvironmentVariable("VOLANTIX_WINE_DRIVE_C");
    if (driveC.isEmpty())
        return path;
    const QString slashed = QDir::fromNativeSeparators(path);
    if (slashed.startsWith(QLatin1String("C:"), Qt::CaseInsensitive))
        return driveC + slashed.mid(2);
    if (slashed.startsWith(QLatin1String("Z:"), Qt::CaseInsensitive))
        return slashed.mid(2);
    return slashed;
}

QString pdfToText(const QString &pdf, const QString &option)
{
    const QString text = pdf + QStringLiteral(".txt");
    QFile::remove(text);
    QProcess tool;
    tool.start(qEnvironmentVariable("VOLANTIX_PDFTOTEXT", QStringLiteral("pdftotext")),
               {option, pathForPdfToText(pdf), pathForPdfToText(text)});
    tool.waitForFinished(60000);
    QFile file(text);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// Under Wine, Qt's PDF writer gets no font it can embed and writes the text as
// outlines, which no tool can read back: the tests that read printed words are
// left to the native runs (the same code lays out the pages on both).
bool printedTextUnreadable()
{
    return qEnvironmentVariableIsSet("VOLANTIX_WINE_DRIVE_C");
}
constexpr const char *kUnderWine = "the printed text cannot be read back from a PDF written under Wine";

QList<Word> wordsOf(const QString &pdf)
{
    const QString html = pdfToText(pdf, QStringLiteral("-bbox"));
    QList<Word> words;
    int page = 0;
    static const QRegularExpression wordPattern(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (const QString &line : html.split(QLatin1Char('\n'))) {
        if (line.contains(QLatin1String("<page ")))
            ++page;
        const QRegularExpressionMatch m = wordPattern.match(line);
        if (!m.hasMatch())
            continue;
        const double k = 25.4 / 72.0; // points to millimetres
        words.append({page, QRectF(QPointF(m.captured(1).toDouble() * k, m.captured(2).toDouble() * k),
                                   QPointF(m.captured(3).toDouble() * k, m.captured(4).toDouble() * k)),
                      m.captured(5)});
    }
    return words;
}

// The words of each page that has any, page by page.
QList<QStringList> pageWords(const QString &pdf)
{
    QMap<int, QStringList> pages;
    for (const Word &word : wordsOf(pdf))
        pages[word.page] << word.text;
    return pages.values();
}

// Counts the times a widget is shown.
class ShowCounter final : public QObject
{
public:
    int shown = 0;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            ++shown;
        return false;
    }
};

QStringList textLines(const QString &pdf)
{
    return pdfToText(pdf, QStringLiteral("-layout")).split(QLatin1Char('\n'));
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ScreenSet> m_screens;
    std::unique_ptr<DialogRecorder> m_dialogs;
    int m_dialogsShown = 0;
    QString m_pdf;
    std::optional<std::pair<int, int>> m_range; // pages the user asks for in the print dialog
    int m_pagesOffered = 0;
    std::optional<bool> m_waitUpAtDialog; // whether the please-wait line showed when the dialog or preview opened
    std::optional<Report::Document> m_previewed;
    QString m_proposed; // the output file the print dialog was given
    QString m_docName;  // the document's name the print dialog was given

    TfrmMod_TT2112 *manager() const { return m_screens->frmMod_TT2112(); }
    QLineEdit *field(QWidget *screen, const char *name) const { return screen->findChild<QLineEdit *>(QLatin1String(name)); }

    // Opens a print screen from `button` of `caller` and presses its own button,
    // after `before` has seen the screen.
    void printFrom(QWidget *caller, const char *button, const char *action, const std::function<void(QWidget *)> &before = {})
    {
        QTimer::singleShot(0, [action, before] {
            QWidget *modal = QApplication::activeModalWidget();
            QVERIFY(modal != nullptr);
            if (before)
                before(modal);
            QTest::mouseClick(modal->findChild<QPushButton *>(QLatin1String(action)), Qt::LeftButton);
        });
        QTest::mouseClick(caller->findChild<QWidget *>(QLatin1String(button)), Qt::LeftButton);
    }

    static QStringList numberedLines(int count)
    {
        QStringList lines;
        for (int i = 1; i <= count; ++i)
            lines << QStringLiteral("Riga %1").arg(i, 3, 10, QLatin1Char('0'));
        return lines;
    }

    static void showList(TfrmFrequentatoriOra &screen, const QStringList &lines)
    {
        screen.list()->lineModel()->setLines(lines);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
    }

    // Prints the list of `screen` into `file` through its print button; the words of each page.
    QList<QStringList> printList(QWidget &screen, const QString &file)
    {
        m_pdf = m_dir.filePath(file);
        QTest::mouseClick(screen.findChild<QPushButton *>(QStringLiteral("btnStampa")), Qt::LeftButton);
        return pageWords(m_pdf);
    }

    // Notes whether the print screen on top shows its please-wait line.
    void noteWaitLine()
    {
        QWidget *modal = QApplication::activeModalWidget();
        const QLabel *wait = modal != nullptr ? modal->findChild<QLabel *>(QStringLiteral("lblAttendere")) : nullptr;
        m_waitUpAtDialog = wait != nullptr ? std::optional<bool>(wait->isVisible()) : std::nullopt;
    }

private slots:
    void initTestCase()
    {
        ProgramFolder::setOverride(m_dir.path());
#if !defined(Q_OS_WIN)
        // A home of the test's own, with a documents folder.
        qputenv("HOME", m_dir.filePath(QStringLiteral("casa")).toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("casa/.config")).toLocal8Bit());
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("casa/Documents"))));
#endif
        Clock::setSource([] { return QDateTime(QDate(2025, 3, 7), QTime(9, 8, 7)); });
        PrintSeam::setDialogHandler([this](QPrinter &printer, int pages) {
            ++m_dialogsShown;
            m_pagesOffered = pages;
            m_proposed = printer.outputFileName();
            m_docName = printer.docName();
            noteWaitLine();
            if (m_pdf.isEmpty())
                return false; // the user cancels
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(m_pdf);
            if (m_range) {
                printer.setPrintRange(QPrinter::PageRange);
                printer.setFromTo(m_range->first, m_range->second);
            }
            return true;
        });
        PrintSeam::setPreviewHandler([this](const Report::Document &document) {
            noteWaitLine();
            m_previewed = document;
        });
    }

    void init()
    {
        m_dialogsShown = 0;
        m_pdf.clear();
        m_range.reset();
        m_pagesOffered = 0;
        m_waitUpAtDialog.reset();
        m_previewed.reset();
        m_proposed.clear();
        m_docName.clear();
        m_dialogs = std::make_unique<DialogRecorder>();
        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
    }

    void cleanup()
    {
        m_screens.reset();
        m_dialogs.reset();
    }

    // --- the TT 2112 document ---

    void everyBoxOnce()
    {
        const Report::Document document = TT2112Document::create();
        QCOMPARE(document.pages().size(), std::size_t(8));
        QSet<QString> names;
        int count = 0;
        for (const Report::Page &page : document.pages()) {
            QVERIFY(!page.picture.isEmpty());
            for (const Report::TextBox &box : page.boxes) {
                QVERIFY2(!names.contains(box.name), qPrintable(box.name));
                names.insert(box.name);
                ++count;
                QCOMPARE(box.family, QStringLiteral("Arial"));
                QVERIFY(box.text.isEmpty());
            }
        }
        QCOMPARE(count, 124);
        QCOMPARE(document.pages()[0].boxes.size(), std::size_t(0));
        QCOMPARE(document.pages()[6].boxes.size(), std::size_t(0));
        QCOMPARE(document.pages()[2].boxes.size(), std::size_t(2));
        QCOMPARE(document.pages()[7].boxes.size(), std::size_t(4));
        QVERIFY(document.find(QStringLiteral("txtNote_C")) == nullptr);
        QVERIFY(document.find(QStringLiteral("txtNote_D")) == nullptr);
    }

    void boxPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("page");
        QTest::addColumn<QRectF>("mm");
        QTest::addColumn<double>("points");
        QTest::addColumn<bool>("centred");
        QTest::newRow("code") << "txtCodice_A" << 2 << QRectF(103.20, 24.40, 18.00, 3.50) << 7.0 << true;
        QTest::newRow("surname B") << "txtCognome_B" << 4 << QRectF(39.00, 47.60, 107.00, 3.60) << 9.0 << false;
        QTest::newRow("birth date on page 5") << "txtDataNascPro_C" << 5 << QRectF(65.40, 90.20, 28.00, 3.60) << 9.0 << true;
        QTest::newRow("birth date on page 6") << "txtDataNascPro_D" << 6 << QRectF(65.40, 91.00, 28.00, 3.60) << 9.0 << true;
        QTest::newRow("request square") << "txtDuplicato_D" << 6 << QRectF(12.00, 161.20, 5.60, 4.60) << 12.0 << true;
        QTest::newRow("prescriptions page 5") << "txtPreGuida_C" << 5 << QRectF(82.00, 206.00, 125.00, 3.60) << 8.0 << false;
        QTest::newRow("prescriptions page 2") << "txtPreGuida_A" << 2 << QRectF(81.00, 208.00, 128.00, 3.60) << 8.0 << false;
        QTest::newRow("note") << "txtNote_B" << 4 << QRectF(16.00, 244.00, 182.00, 26.00) << 9.0 << false;
        QTest::newRow("tariff") << "txtTariffa02" << 3 << QRectF(180.00, 39.40, 8.60, 9.00) << 24.0 << true;
        QTest::newRow("gearbox") << "txtCambio" << 8 << QRectF(28.00, 173.30, 46.60, 3.60) << 9.0 << false;
    }

    void boxPlaces()
    {
        QFETCH(QString, name);
        QFETCH(int, page);
        QFETCH(QRectF, mm);
        QFETCH(double, points);
        QFETCH(bool, centred);
        Report::Document document = TT2112Document::create();
        const Report::TextBox *box = document.find(name);
        QVERIFY(box != nullptr);
        const auto &boxes = document.pages()[static_cast<std::size_t>(page - 1)].boxes;
        QVERIFY(std::any_of(boxes.begin(), boxes.end(), [&](const Report::TextBox &b) { return b.name == name; }));
        QCOMPARE(box->mm, mm);
        QCOMPARE(box->points, points);
        QCOMPARE(bool(box->alignment & Qt::AlignHCenter), centred);
        QCOMPARE(box->wordWrap, name.startsWith(QLatin1String("txtNote")));
    }

    void previewTakesTheManagerScreen()
    {
        m_screens->frmAvvio()->imgModelloClick();
        field(manager(), "txtCognome")->setText(QStringLiteral("  Rossi  "));
        field(manager(), "txtViaPro")->setText(QStringLiteral("   "));
        field(manager(), "txtNote")->setText(QStringLiteral("chiamare [dopo] le 18"));
        manager()->findChild<QCheckBox *>(QStringLiteral("chkDuplicato"))->setChecked(true);
        manager()->findChild<QCheckBox *>(QStringLiteral("chkTariffa02"))->setChecked(true);
        printFrom(manager(), "cmdAnteprima", "btnStampa");
        QVERIFY(m_previewed.has_value());
        const Report::Document &document = *m_previewed;
        for (const char *copy : {"_A", "_B", "_C", "_D"}) {
            QCOMPARE(document.find(QStringLiteral("txtDuplicato") + QLatin1String(copy))->text, QStringLiteral("X"));
            QCOMPARE(document.find(QStringLiteral("txtConseguimento") + QLatin1String(copy))->text, QString());
            QCOMPARE(document.find(QStringLiteral("txtCognome") + QLatin1String(copy))->text, QStringLiteral("Rossi"));
            QCOMPARE(document.find(QStringLiteral("txtViaPro") + QLatin1String(copy))->text, QString());
            QCOMPARE(document.find(QStringLiteral("txtData") + QLatin1String(copy))->text, QStringLiteral("07/03/2025"));
        }
        QCOMPARE(document.find(QStringLiteral("txtNote_A"))->text, QStringLiteral("chiamare [dopo] le 18"));
        QCOMPARE(document.find(QStringLiteral("txtNote_B"))->text, QStringLiteral("chiamare [dopo] le 18"));
        QCOMPARE(document.find(QStringLiteral("txtTariffa01"))->text, QString());
        QCOMPARE(document.find(QStringLiteral("txtTariffa02"))->text, QStringLiteral("X"));
        QVERIFY(!QApplication::activeModalWidget()); // the screen closed

        // Unticked and printed again: the squares are blank.
        manager()->findChild<QCheckBox *>(QStringLiteral("chkDuplicato"))->setChecked(false);
        printFrom(manager(), "cmdAnteprima", "btnStampa");
        QCOMPARE(m_previewed->find(QStringLiteral("txtDuplicato_C"))->text, QString());
    }

    void printedValuesLandInTheirBoxes()
    {
        if (printedTextUnreadable())
            QSKIP(kUnderWine);
        m_screens->frmAvvio()->imgModelloClick();
        field(manager(), "txtCognome")->setText(QStringLiteral("ZZCOGNOME"));
        field(manager(), "txtDataNascPro")->setText(QStringLiteral("01/02/1990"));
        field(manager(), "txtCapResPro")->setText(QStringLiteral("40121"));
        field(manager(), "txtTarga")->setText(QStringLiteral("AB123CD"));
        m_pdf = m_dir.filePath(QStringLiteral("modello.pdf"));
        printFrom(manager(), "cmdStampa", "btnStampa");
        QCOMPARE(m_dialogsShown, 1);
        const QList<Word> words = wordsOf(m_pdf);
        const Report::Document layout = TT2112Document::create();
        const auto check = [&](int page, const QString &text, const QString &box) {
            const QRectF cell = layout.find(box)->mm.adjusted(-0.3, -1.2, 0.3, 1.2);
            bool found = false;
            for (const Word &w : words) {
                if (w.page == page && w.text == text) {
                    found = true;
                    QVERIFY2(cell.contains(w.mm), qPrintable(QStringLiteral("%1 on page %2 at %3,%4 outside %5")
                                                                 .arg(text).arg(page).arg(w.mm.x()).arg(w.mm.y()).arg(box)));
                }
            }
            QVERIFY2(found, qPrintable(text + QStringLiteral(" not on page ") + QString::number(page)));
        };
        check(2, QStringLiteral("ZZCOGNOME"), QStringLiteral("txtCognome_A"));
        check(2, QStringLiteral("01/02/1990"), QStringLiteral("txtDataNascPro_A"));
        check(5, QStringLiteral("01/02/1990"), QStringLiteral("txtDataNascPro_C"));
        check(5, QStringLiteral("40121"), QStringLiteral("txtCapResPro_C"));
        check(8, QStringLiteral("AB123CD"), QStringLiteral("txtTarga"));
        check(2, QStringLiteral("07/03/2025"), QStringLiteral("txtData_A"));
    }

    void annullaPrintsNothing()
    {
        m_screens->frmAvvio()->imgModelloClick();
        m_pdf = m_dir.filePath(QStringLiteral("mai.pdf"));
        printFrom(manager(), "cmdStampa", "btnAnnulla");
        QCOMPARE(m_dialogsShown, 0);
        QVERIFY(!QFileInfo::exists(m_pdf));
    }

    void cancelledDialogPrintsNothingAndCloses()
    {
        m_screens->frmAvvio()->imgModelloClick();
        printFrom(manager(), "cmdStampa", "btnStampa");
        QCOMPARE(m_dialogsShown, 1);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void failedPrintIsTold_data()
    {
        QTest::addColumn<bool>("list");      // a list's print, else the TT 2112 form's
        QTest::addColumn<QString>("target"); // the PDF, in the test folder
        QTest::addColumn<bool>("fails");
        QTest::newRow("form, folder missing") << false << QStringLiteral("manca/modulo.pdf") << true;
        QTest::newRow("form, folder is a file") << false << QStringLiteral("occupato/modulo.pdf") << true;
        QTest::newRow("list, folder missing") << true << QStringLiteral("manca/elenco.pdf") << true;
        QTest::newRow("list, folder is a file") << true << QStringLiteral("occupato/elenco.pdf") << true;
        QTest::newRow("list, writable folder") << true << QStringLiteral("elenco.pdf") << false;
    }

    // A print that does not reach its file says so, with the reason, and nothing else.
    void failedPrintIsTold()
    {
        QFETCH(bool, list);
        QFETCH(QString, target);
        QFETCH(bool, fails);
        QVERIFY(writeAll(m_dir.filePath(QStringLiteral("occupato")), "un file, non una cartella"));
        m_pdf = m_dir.filePath(target);
        QFile::remove(m_pdf);
        m_dialogs->shown.clear();
        TfrmFrequentatoriOra attendees;
        if (list) {
            showList(attendees, numberedLines(5));
            QTest::mouseClick(attendees.findChild<QPushButton *>(QStringLiteral("btnStampa")), Qt::LeftButton);
            QVERIFY(attendees.isVisible());
        } else {
            m_screens->frmAvvio()->imgModelloClick();
            printFrom(manager(), "cmdStampa", "btnStampa");
            QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), 10000);
        }
        QCOMPARE(m_dialogsShown, 1);
        if (!fails) {
            QVERIFY(m_dialogs->shown.isEmpty());
            QVERIFY(QFileInfo(m_pdf).size() > 0);
            return;
        }
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown.first().first, Dialogs::Kind::Warning);
        QCOMPARE(m_dialogs->shown.first().second, QStringLiteral("Stampa non riuscita: non \u00E8 stato possibile scrivere il file \"")
                                                       + QDir::toNativeSeparators(m_pdf) + QStringLiteral("\"."));
        QVERIFY(!QFileInfo::exists(m_pdf));
    }

    void waitLineGoneBeforeTheDialog_data()
    {
        QTest::addColumn<bool>("card");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("printed");
        QTest::newRow("form print") << false << "cmdStampa" << true;
        QTest::newRow("form print, cancelled") << false << "cmdStampa" << false;
        QTest::newRow("form preview") << false << "cmdAnteprima" << false;
        QTest::newRow("student card") << true << "cmdStampa" << true;
    }

    void waitLineGoneBeforeTheDialog()
    {
        QFETCH(bool, card);
        QFETCH(QString, button);
        QFETCH(bool, printed);
        QWidget *caller = nullptr;
        if (card) {
            m_screens->frmAvvio()->imgAnagraficaClick();
            caller = m_screens->frmAllievi();
        } else {
            m_screens->frmAvvio()->imgModelloClick();
            caller = manager();
        }
        const QString pdf = m_dir.filePath(QStringLiteral("attesa.pdf"));
        QFile::remove(pdf);
        if (printed)
            m_pdf = pdf;
        ShowCounter waitLine;
        printFrom(caller, qPrintable(button), "btnStampa", [&waitLine](QWidget *modal) {
            auto *wait = modal->findChild<QLabel *>(QStringLiteral("lblAttendere"));
            QVERIFY(wait != nullptr);
            QVERIFY(!wait->isVisible());
            wait->installEventFilter(&waitLine);
        });
        QCOMPARE(waitLine.shown, 1); // up while the document was made
        QCOMPARE(m_waitUpAtDialog, std::optional<bool>(false)); // and gone when the dialog or the preview came
        QCOMPARE(QFileInfo::exists(pdf), printed);
        QVERIFY(!QApplication::activeModalWidget());
    }

    // --- the student card ---

    void cardOfAnEmptyScreen()
    {
        Report::Document card = StudentCard::create();
        StudentCard::fill(card, [](const char *) { return QString(); }, QDateTime(QDate(2025, 3, 7), QTime(9, 8, 7)));
        QCOMPARE(card.find(QStringLiteral("txtAllievo"))->text, QStringLiteral("    -   Sesso: "));
        QCOMPARE(card.find(QStringLiteral("txtLuogoNascPro"))->text, QStringLiteral(" "));
        QCOMPARE(card.find(QStringLiteral("txtCalce"))->text, QStringLiteral("Stampa eseguita in data 07/03/2025 alle ore 09:08:07"));
        QCOMPARE(card.find(QStringLiteral("titArcataSup"))->text, QStringLiteral("SCHEDA ANAGRAFICA ALLIEVO"));
        QCOMPARE(card.find(QStringLiteral("lblRiga36"))->text, QStringLiteral("Note:"));
        // Row k lies at 7.50 + 5k mm inside the 10 mm margins.
        QCOMPARE(card.find(QStringLiteral("txtNote"))->mm, QRectF(54.00, 197.50, 144.00, 3.50));
    }

    void cardFromTheRegistry()
    {
        if (printedTextUnreadable())
            QSKIP(kUnderWine);
        m_screens->frmAvvio()->imgAnagraficaClick();
        TfrmAllievi *registry = m_screens->frmAllievi();
        field(registry, "txtCognome")->setText(QStringLiteral(" Rossi "));
        field(registry, "txtNome")->setText(QStringLiteral("Maria"));
        field(registry, "txtSesso")->setText(QStringLiteral("F"));
        field(registry, "txtViaPro")->setText(QStringLiteral("Via Roma"));
        field(registry, "txtNumPro")->setText(QStringLiteral("12"));
        m_pdf = m_dir.filePath(QStringLiteral("scheda.pdf"));
        QCOMPARE(registry->findChild<QLineEdit *>(QStringLiteral("txtCognome"))->text(), QStringLiteral(" Rossi "));
        printFrom(registry, "cmdStampa", "btnStampa");
        const QString text = textLines(m_pdf).join(QLatin1Char('\n'));
        // (pdftotext gives runs of blanks as one)
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Rossi Maria +- +Sesso: F"))), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Via Roma 12")));
        QVERIFY(text.contains(QStringLiteral("Stampa eseguita in data 07/03/2025 alle ore 09:08:07")));
    }

    // --- the name print to file proposes ---

    void printToFileProposesWhatItIs_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("expected");
        QTest::newRow("form") << "form" << "Modello TT 2112 - Rossi Mario";
        QTest::newRow("form without a name") << "empty form" << "Modello TT 2112";
        QTest::newRow("form from its preview") << "preview" << "Modello TT 2112 - Rossi Mario";
        QTest::newRow("student card") << "card" << "Scheda allievo - Rossi Mario";
        QTest::newRow("lessons") << "lessons" << "Lezioni di guida - Rossi Mario";
        QTest::newRow("current attendees") << "attendees" << "Frequentatori attuali";
        QTest::newRow("student search") << "student search" << "Ricerca allievi";
        QTest::newRow("form search") << "form search" << "Ricerca modelli TT 2112";
    }

    // Print to file proposes a name that says what the print is, and whose, in the
    // user's documents folder; the default printer stays the choice.
    void printToFileProposesWhatItIs()
    {
        QFETCH(QString, what);
        QFETCH(QString, expected);
        if (what == QLatin1String("form") || what == QLatin1String("empty form") || what == QLatin1String("preview")) {
            m_screens->frmAvvio()->imgModelloClick();
            if (what != QLatin1String("empty form")) {
                field(manager(), "txtCognome")->setText(QStringLiteral(" Rossi "));
                field(manager(), "txtNome")->setText(QStringLiteral("Mario "));
            }
            if (what == QLatin1String("preview")) {
                printFrom(manager(), "cmdAnteprima", "btnStampa");
                QVERIFY(m_previewed.has_value());
                QCOMPARE(m_previewed->fileName(), expected);
                PreviewDialog preview(*m_previewed);
                preview.findChild<QAction *>(QStringLiteral("actStampa"))->trigger();
            } else {
                printFrom(manager(), "cmdStampa", "btnStampa");
            }
        } else if (what == QLatin1String("card")) {
            m_screens->frmAvvio()->imgAnagraficaClick();
            field(m_screens->frmAllievi(), "txtCognome")->setText(QStringLiteral("Rossi"));
            field(m_screens->frmAllievi(), "txtNome")->setText(QStringLiteral("Mario"));
            printFrom(m_screens->frmAllievi(), "cmdStampa", "btnStampa");
        } else {
            std::unique_ptr<ScreenKit::Screen> screen;
            if (what == QLatin1String("lessons")) {
                auto lessons = std::make_unique<TfrmLezioniGuida>();
                lessons->setStudent({QStringLiteral("Mario"), QStringLiteral("Rossi "), QStringLiteral("B"), QStringLiteral("1")});
                screen = std::move(lessons);
            } else if (what == QLatin1String("attendees")) {
                screen = std::make_unique<TfrmFrequentatoriOra>();
            } else if (what == QLatin1String("student search")) {
                screen = std::make_unique<TfrmTrovaAllievi>();
            } else {
                screen = std::make_unique<TfrmTrovaModelli>();
            }
            screen->show();
            QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
            if (auto *cerca = screen->findControl<QPushButton>("btnCerca"))
                cerca->click();
            screen->control<QPushButton>("btnStampa")->click();
        }
        QCOMPARE(m_dialogsShown, 1);
        QCOMPARE(m_docName, expected);
#if defined(Q_OS_WIN)
        // Windows' own PDF printer proposes the document's name; an output file
        // would take the printer's data.
        QCOMPARE(m_proposed, QString());
#else
        QCOMPARE(m_proposed, m_dir.filePath(QStringLiteral("casa/Documents/")) + expected + QStringLiteral(".pdf"));
#endif
    }

    void proposedFileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::newRow("plain") << "Scheda allievo - Rossi Mario" << "Scheda allievo - Rossi Mario.pdf";
        QTest::newRow("accents and apostrophes") << "Lezioni di guida - D'Annunzio Nicolò" << "Lezioni di guida - D'Annunzio Nicolò.pdf";
        QTest::newRow("characters no file name holds") << "Modello TT 2112 - Rossi/Bianchi: \"Mario\"?" << "Modello TT 2112 - Rossi Bianchi Mario.pdf";
        QTest::newRow("dots and blanks at the end") << "Scheda allievo - Rossi M. " << "Scheda allievo - Rossi M.pdf";
    }

    void proposedFileNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, file);
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QString folder = QFileInfo(documents).isDir() ? documents : QDir::homePath(); // see below
        QCOMPARE(PrintSeam::proposedFile(name), QDir(folder).filePath(file));
        QCOMPARE(PrintSeam::printName(QStringLiteral("Scheda allievo"), QStringLiteral(" Rossi "), QString()),
                 QStringLiteral("Scheda allievo - Rossi"));
        QCOMPARE(PrintSeam::printName(QStringLiteral("Scheda allievo"), QStringLiteral(" "), QStringLiteral(" ")),
                 QStringLiteral("Scheda allievo"));
    }

#if !defined(Q_OS_WIN)
    // Without a documents folder, the home folder.
    void proposedFileWithoutADocumentsFolder()
    {
        QVERIFY(QDir(m_dir.filePath(QStringLiteral("casa/Documents"))).removeRecursively());
        const auto restore = qScopeGuard([this] { QDir().mkpath(m_dir.filePath(QStringLiteral("casa/Documents"))); });
        QCOMPARE(PrintSeam::proposedFile(QStringLiteral("Ricerca allievi")), m_dir.filePath(QStringLiteral("casa/Ricerca allievi.pdf")));
    }
#endif

    // --- summary lists ---

    void longListFlowsOverPages()
    {
        if (printedTextUnreadable())
            QSKIP(kUnderWine);
        QStringList lines;
        for (int i = 1; i <= 200; ++i)
            lines << QStringLiteral("Riga %1 [colonna] ").arg(i, 3, 10, QLatin1Char('0')) + QString(20, QLatin1Char('x'));
        const Report::ListDocument list = SummaryList::create(QStringLiteral("Riepilogo allievi in archivio"), lines, QDate(2025, 3, 7));
        const QString pdf = m_dir.filePath(QStringLiteral("lista.pdf"));
        QPdfWriter writer(pdf);
        writer.setResolution(600);
        const Report::Printed printed = list.print(writer);
        QVERIFY(printed);
        QVERIFY(printed.pages >= 4);
        const QStringList text = textLines(pdf);
        QCOMPARE(text.filter(QStringLiteral("Riepilogo allievi in archivio")).size(), 1);
        QCOMPARE(text.filter(QStringLiteral("Stampa eseguita in data 07/03/2025")).size(), 1);
        int expected = 1;
        for (const QString &line : text) {
            if (line.contains(QLatin1String("Riga "))) {
                QVERIFY2(line.contains(QStringLiteral("Riga %1 [colonna]").arg(expected, 3, 10, QLatin1Char('0'))), qPrintable(line));
                ++expected;
            }
        }
        QCOMPARE(expected, 201); // every line, in order
        // The footer comes after the last line.
        const int last = static_cast<int>(text.indexOf(QRegularExpression(QStringLiteral(".*Riga 200.*"))));
        const int footer = static_cast<int>(text.indexOf(QRegularExpression(QStringLiteral(".*Stampa eseguita.*"))));
        QVERIFY(footer > last);
        const std::vector<int> perPage = list.linesPerPage(writer);
        QCOMPARE(std::accumulate(perPage.begin(), perPage.end(), 0), 200);
    }

    void emptyListPrintsTitleAndFooter()
    {
        if (printedTextUnreadable())
            QSKIP(kUnderWine);
        const Report::ListDocument list = SummaryList::create(QStringLiteral("Riepilogo frequentatori attuali"), {}, QDate(2025, 3, 7));
        const QString pdf = m_dir.filePath(QStringLiteral("vuota.pdf"));
        QPdfWriter writer(pdf);
        QCOMPARE(list.print(writer).pages, 1);
        const QString text = textLines(pdf).join(QLatin1Char('\n'));
        QVERIFY(text.contains(QStringLiteral("Riepilogo frequentatori attuali")));
        QVERIFY(text.contains(QStringLiteral("Stampa eseguita in data 07/03/2025")));
    }

    void pageMarginsAreTenMillimetres_data()
    {
        QTest::addColumn<bool>("card");
        QTest::addColumn<QRectF>("printable");
        QTest::newRow("summary list, A4 landscape") << false << QRectF(10, 10, 277, 190);
        QTest::newRow("student card, A4 portrait") << true << QRectF(10, 10, 190, 277);
    }

    void pageMarginsAreTenMillimetres()
    {
        QFETCH(bool, card);
        QFETCH(QRectF, printable);
        const QPageLayout layout = card ? StudentCard::create().pageLayout()
                                        : SummaryList::create(QStringLiteral("Riepilogo allievi in archivio"), {}, QDate(2025, 3, 7)).layout;
        QCOMPARE(layout.margins(QPageLayout::Millimeter), QMarginsF(10, 10, 10, 10));
        QCOMPARE(layout.paintRect(QPageLayout::Millimeter), printable);
    }

    void listFillsThePageInsideTheMargins()
    {
        if (printedTextUnreadable())
            QSKIP(kUnderWine);
        const Report::ListDocument list =
            SummaryList::create(QStringLiteral("Riepilogo allievi in archivio"), numberedLines(200), QDate(2025, 3, 7));
        const QString pdf = m_dir.filePath(QStringLiteral("margini.pdf"));
        QPdfWriter writer(pdf);
        writer.setResolution(600);
        QVERIFY(list.print(writer));

        // The height of a Courier New 8 pt line on this device; of the 210 mm of a
        // landscape page the margins leave 190, and the title band takes 8 of them.
        QFont courier(QStringLiteral("Courier New"));
        courier.setPointSizeF(8);
        courier.setStyleHint(QFont::TypeWriter);
        const double pitch = QFontMetricsF(QFont(courier, &writer)).lineSpacing() * 25.4 / writer.logicalDpiY();
        const int onFirstPage = static_cast<int>((190.0 - 8.0) / pitch + 1e-9);
        const int onOtherPages = static_cast<int>(190.0 / pitch + 1e-9);

        QMap<int, QList<Word>> rows; // the lines' first words, page by page
        QList<Word> footer;
        for (const Word &word : wordsOf(pdf)) {
            if (word.text == QLatin1String("Riga"))
                rows[word.page] << word;
            else if (word.text == QLatin1String("Stampa"))
                footer << word;
            QVERIFY2(word.mm.left() > 10 - 0.1 && word.mm.right() < 287 + 0.1 && word.mm.top() > 10 - 0.1 && word.mm.bottom() < 200 + 0.1,
                     qPrintable(QStringLiteral("%1 on page %2 at %3, %4 outside the margins")
                                    .arg(word.text).arg(word.page).arg(word.mm.x()).arg(word.mm.y())));
        }
        QVERIFY(rows.size() >= 3);
        QCOMPARE(rows.first().size(), onFirstPage);
        for (int page = 2; page < rows.lastKey(); ++page)
            QCOMPARE(rows.value(page).size(), onOtherPages);
        // Lines start 3 mm in from the left margin, under the title band on the
        // first page and at the top margin on the others.
        for (const Word &row : std::as_const(rows).first())
            QVERIFY2(qAbs(row.mm.left() - 13) < 0.2, qPrintable(QString::number(row.mm.left())));
        QVERIFY2(qAbs(rows.value(1).first().mm.top() - 18) < 0.6, qPrintable(QString::number(rows.value(1).first().mm.top())));
        QVERIFY2(qAbs(rows.value(2).first().mm.top() - 10) < 0.6, qPrintable(QString::number(rows.value(2).first().mm.top())));
        QCOMPARE(footer.size(), 1);
        QCOMPARE(footer.first().page, rows.lastKey());
    }

    void listPrintsThePagesChosen_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("first page, with the title") << 1 << 1;
        QTest::newRow("a middle page") << 2 << 2;
        QTest::newRow("last page, with the footer") << 3 << 3;
        QTest::newRow("second to last") << 2 << 3;
        QTest::newRow("every page as a range") << 1 << 3;
    }

    void listPrintsThePagesChosen()
    {
        if (printedTextUnreadable())
            QSKIP(kUnderWine);
        QFETCH(int, from);
        QFETCH(int, to);
        TfrmFrequentatoriOra screen;
        showList(screen, numberedLines(150));
        const QList<QStringList> whole = printList(screen, QStringLiteral("tutte.pdf"));
        QCOMPARE(whole.size(), 3);
        QCOMPARE(m_pagesOffered, 3); // the dialog offers every page
        m_range = {from, to};
        const QList<QStringList> chosen = printList(screen, QStringLiteral("scelte.pdf"));
        QCOMPARE(m_dialogsShown, 2);
        QCOMPARE(chosen, whole.mid(from - 1, to - from + 1));
        QVERIFY(screen.isVisible()); // the list screen stays open
    }

    void listFooterAloneOnTheLastPage()
    {
        if (printedTextUnreadable())
            QSKIP(kUnderWine);
        // As many lines as fill the first page: the footer goes on a page of its own,
        // which the dialog offers too.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const int full = SummaryList::create(QString(), numberedLines(100), QDate(2025, 3, 7)).linesPerPage(printer).front();
        TfrmFrequentatoriOra screen;
        showList(screen, numberedLines(full));
        const QList<QStringList> whole = printList(screen, QStringLiteral("piena.pdf"));
        QCOMPARE(whole.size(), 2);
        QCOMPARE(whole.first().filter(QStringLiteral("Riga")).size(), full);
        QCOMPARE(m_pagesOffered, 2);
        m_range = {2, 2};
        const QList<QStringList> last = printList(screen, QStringLiteral("piede.pdf"));
        QCOMPARE(last, QList<QStringList>({QStringList({QStringLiteral("Stampa"), QStringLiteral("eseguita"), QStringLiteral("in"),
                                                        QStringLiteral("data"), QStringLiteral("07/03/2025")})}));
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
