// The deadline screen, the start screen's count and the enrolment register,
// driven through the real screens.

#include "DialogRecorder.h"
#include "Modal.h"
#include "ReportCheck.h"
#include "TestSupport.h"

#include "app/Avvio.h"
#include "app/ScreenSet.h"
#include "calendar/EnrolmentRegister.h"
#include "calendar/Scadenze.h"
#include "printing/PrintSeam.h"
#include "printing/TableReport.h"
#include "shell/Clock.h"
#include "shell/LineList.h"
#include "shell/OpenURL.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "students/Allievi.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPdfWriter>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;

namespace {

// Today, in every test: 05/03/2026.
const QDate kToday(2026, 3, 5);

struct Student {
    QString surname;
    QString name = QStringLiteral("Mario");
    QString enrolment;
    QString theoryDate;
    QString theoryResult;
    QString document;
    bool finished = false;
    QString residence;
};

QByteArray studentBytes(const Student &s)
{
    RecordBuffer r(StudentRecord::layout());
    using namespace StudentRecord;
    r.setText(txtCodiceCor, QStringLiteral("B-2026"));
    r.setText(txtNumIsc, QString(QStringLiteral("N") + s.surname.left(3)));
    r.setText(txtCognome, s.surname);
    r.setText(txtNome, s.name);
    r.setText(txtDataIsc, s.enrolment);
    r.setText(txtDataTeo, s.theoryDate);
    r.setText(txtEsitoTeo, s.theoryResult);
    r.setText(txtDataScaPro, s.document);
    r.setText(txtViaPro, s.residence);
    r.setText(txtComuneResPro, QStringLiteral("Bologna"));
    r.setYesNo(chkRicontatta, s.finished);
    return r.bytes();
}

} // namespace

class TestCalendar : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<DialogRecorder> m_dialogs;
    std::unique_ptr<ScreenSet> m_screens;
    QString m_pdf;
    int m_pagesOffered = 0;
    QList<QUrl> m_opened;

    QString archive() const { return m_dir.filePath(QStringLiteral("Allievi.pro")); }
    TfrmAllievi *registry() const { return m_screens->frmAllievi(); }

    // Three students with deadlines and one without (archive order):
    // 1 Rossi: theory window ends 20/03/2026 (estimated), red;
    // 2 Bianchi: document expired 01/03/2026, overdue;
    // 3 Rossi (another Mario Rossi): theory passed 01/04/2025, foglio rosa to 01/04/2026, amber;
    // 4 Verdi: finished.
    void writeSchool()
    {
        Student a{.surname = "Rossi", .enrolment = "20/09/2025"};
        Student b{.surname = "Bianchi", .enrolment = "10/01/2026", .document = "01/03/2026"};
        Student c{.surname = "Rossi", .enrolment = "15/12/2025", .theoryDate = "01/04/2025", .theoryResult = "Idoneo"};
        Student d{.surname = "Verdi", .enrolment = "01/01/2026", .document = "02/03/2026", .finished = true};
        QVERIFY(writeAll(archive(), studentBytes(a) + studentBytes(b) + studentBytes(c) + studentBytes(d)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        ProgramFolder::setOverride(m_dir.path());
        Clock::setSource([] { return QDateTime(kToday, QTime(8, 30)); });
        TMisc::setShellOpener([this](const QUrl &url) { m_opened << url; });
        PrintSeam::setDialogHandler([this](QPrinter &printer, int pages) {
            m_pagesOffered = pages;
            if (m_pdf.isEmpty())
                return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(m_pdf);
            return true;
        });
    }

    void init()
    {
        for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile::remove(m_dir.filePath(name));
            QDir(m_dir.filePath(name)).removeRecursively();
        }
        m_pdf.clear();
        m_pagesOffered = 0;
        m_opened.clear();
        m_dialogs = std::make_unique<DialogRecorder>();
        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
    }

    void cleanup()
    {
        m_screens.reset();
        m_dialogs.reset();
    }

    void startScreenCountsUrgentDeadlines_data()
    {
        QTest::addColumn<bool>("withStudents");
        QTest::addColumn<QString>("line");
        QTest::newRow("two urgent") << true << QStringLiteral("2 scadenze entro 15 giorni");
        QTest::newRow("none") << false << QString();
    }

    void startScreenCountsUrgentDeadlines()
    {
        QFETCH(bool, withStudents);
        QFETCH(QString, line);
        if (withStudents)
            writeSchool();
        TfrmAvvio *start = m_screens->frmAvvio();
        QSignalSpy counted(start, &TfrmAvvio::deadlinesCounted);
        start->show();
        // The screen is on view before the count arrives.
        QVERIFY(QTest::qWaitForWindowExposed(start));
        QTRY_COMPARE_WITH_TIMEOUT(counted.size(), 1, 30000);
        QCOMPARE(start->deadlineLine()->text(), line);
    }

    // From the registry: the list by date, a coloured mark per line, and a double
    // click that loads the student the line was made from (two students of the
    // same name are told apart by their position).
    void doubleClickLoadsTheStudentOfTheLine()
    {
        writeSchool();
        m_screens->frmAvvio()->imgAnagraficaClick();
        QVERIFY(QTest::qWaitForWindowExposed(registry()));
        QStringList lines;
        QList<QColor> marks;
        whenModalOpens([&](QWidget *modal) {
            auto *list = modal->findChild<LineListView *>(QStringLiteral("lstRecords"));
            QVERIFY(list != nullptr);
            lines = list->lineModel()->lines();
            for (int row = 0; row < list->lineModel()->rowCount(); ++row)
                marks << list->lineModel()->data(list->lineModel()->index(row), Qt::DecorationRole).value<QColor>();
            list->selectRow(2); // the second Mario Rossi's foglio rosa
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->lineModel()->index(2)).center());
        });
        QTest::mouseClick(registry()->control("cmdScadenze"), Qt::LeftButton);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith(QStringLiteral("01/03/2026  Scaduta    Documento scade il")), qPrintable(lines[0]));
        QVERIFY(lines[0].contains(QStringLiteral("Bianchi Mario")));
        QVERIFY2(lines[1].startsWith(QStringLiteral("20/03/2026  Urgente    Esame di teoria entro il")), qPrintable(lines[1]));
        QVERIFY(lines[1].endsWith(QStringLiteral("(stimata)")));
        QVERIFY2(lines[2].startsWith(QStringLiteral("01/04/2026  Vicina     Foglio rosa valido fino al")), qPrintable(lines[2]));
        QCOMPARE(marks.size(), 3);
        QVERIFY(marks[0].isValid() && marks[1].isValid() && marks[2].isValid());
        QVERIFY(marks[0] != marks[1] && marks[1] != marks[2]);
        QCOMPARE(registry()->positionLabel()->text(), QStringLiteral("3"));
        QCOMPARE(registry()->control<QLineEdit>("txtDataTeo")->text(), QStringLiteral("01/04/2025"));
    }

    // From the start screen, Enter on a line opens the registry on that student.
    void enterFromTheStartScreenOpensTheRegistry()
    {
        writeSchool();
        TfrmAvvio *start = m_screens->frmAvvio();
        start->show();
        QVERIFY(QTest::qWaitForWindowExposed(start));
        whenModalOpens([&](QWidget *modal) {
            auto *list = modal->findChild<LineListView *>(QStringLiteral("lstRecords"));
            list->setFocus();
            list->selectRow(1);
            QTest::keyClick(list, Qt::Key_Return);
        });
        start->imgScadenzeClick();
        QTRY_VERIFY(registry()->isVisible());
        QCOMPARE(registry()->positionLabel()->text(), QStringLiteral("1"));
        QCOMPARE(registry()->control<QLineEdit>("txtDataIsc")->text(), QStringLiteral("20/09/2025"));
    }

    // More days ahead list more; the list is printed through the list printer.
    void daysAheadAndPrint()
    {
        writeSchool();
        TfrmScadenze screen(nullptr);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QCOMPARE(screen.list()->lineModel()->rowCount(), 3);
        auto *days = screen.control<QLineEdit>("txtGiorni");
        QCOMPARE(days->text(), QStringLiteral("60"));
        days->setText(QStringLiteral("10"));
        emit days->editingFinished();
        QCOMPARE(screen.list()->lineModel()->rowCount(), 1); // the overdue one only
        days->setText(QStringLiteral("400"));
        emit days->editingFinished();
        QCOMPARE(screen.list()->lineModel()->rowCount(), 4); // and the second Rossi's foglio rosa

        m_pdf = m_dir.filePath(QStringLiteral("scadenze.pdf"));
        QTest::mouseClick(screen.control("btnStampa"), Qt::LeftButton);
        QCOMPARE(m_pagesOffered, 1);
        QVERIFY(QFileInfo(m_pdf).size() > 0);
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    void exportWritesTheList()
    {
        writeSchool();
        // A name with markup characters stays in its cell.
        QVERIFY(writeAll(archive(), readAll(archive()) + studentBytes({.surname = "D'Amico & <Figli>", .document = "10/03/2026"})));
        TfrmScadenze screen(nullptr);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QTest::mouseClick(screen.control("btnEsporta"), Qt::LeftButton);
        const QString path = m_dir.filePath(QStringLiteral("Scadenze.xls"));
        const QByteArray bytes = readAll(path);
        QVERIFY(bytes.contains("<x:Name>Scadenze</x:Name>"));
        QVERIFY(bytes.contains("<td style=\"text-align: left; font-weight: bold;\" width=90>Data</td>"));
        const QByteArray open = "<td style=\"text-align: left;\">";
        const QByteArray close = "</td>";
        const auto row = [&](QList<QByteArray> cells) -> QByteArray {
            QByteArray out = "<tr>";
            for (const QByteArray &cell : cells)
                out += open + cell + close;
            return out + QByteArray("</tr>");
        };
        QVERIFY(bytes.contains(row({"01/03/2026", "Scaduta", "Documento scade il", "Bianchi", "Mario", "B-2026", "", "2"})));
        QVERIFY(bytes.contains(row({"10/03/2026", "Urgente", "Documento scade il", "D'Amico &amp; &lt;Figli&gt;", "Mario", "B-2026", "", "5"})));
        QVERIFY(bytes.contains(row({"20/03/2026", "Urgente", "Esame di teoria entro il", "Rossi", "Mario", "B-2026", "S\xEC", "1"})));
        // Asked whether to open it; the answer (yes) opens the file.
        QVERIFY(m_dialogs->take().contains(QStringLiteral("Scadenze.xls")));
        QCOMPARE(m_opened.size(), 1);
    }

    void exportThatCannotBeWrittenSaysSo()
    {
        writeSchool();
        const QString path = m_dir.filePath(QStringLiteral("Scadenze.xls"));
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Scadenze.xls")));
        TfrmScadenze screen(nullptr);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QTest::mouseClick(screen.control("btnEsporta"), Qt::LeftButton);
        QVERIFY(m_dialogs->take().startsWith(QStringLiteral("Attenzione: il sistema non permette di esportare i dati.")));
        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(m_opened.isEmpty());
    }

    void registerOfAPeriod_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("told");
        QTest::addColumn<bool>("printed");
        QTest::newRow("this year") << "01/01/2026" << "31/12/2026" << QString() << true;
        QTest::newRow("nobody") << "01/01/2020" << "31/12/2020" << "Nessun allievo risulta iscritto nel periodo indicato." << false;
        QTest::newRow("not a date") << "31/02/2026" << "31/12/2026" << "Attenzione: indicare il periodo" << false;
        QTest::newRow("backwards") << "31/12/2026" << "01/01/2026" << "Attenzione: indicare il periodo" << false;
    }

    void registerOfAPeriod()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, told);
        QFETCH(bool, printed);
        writeSchool();
        TfrmScadenze screen(nullptr);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QCOMPARE(screen.control<QLineEdit>("txtDal")->text(), QStringLiteral("01/01/2026"));
        QCOMPARE(screen.control<QLineEdit>("txtAl")->text(), QStringLiteral("31/12/2026"));
        screen.control<QLineEdit>("txtDal")->setText(from);
        screen.control<QLineEdit>("txtAl")->setText(to);
        m_pdf = m_dir.filePath(QStringLiteral("registro.pdf"));
        QTest::mouseClick(screen.control("btnRegistro"), Qt::LeftButton);
        QVERIFY(m_dialogs->take().startsWith(told));
        QCOMPARE(QFileInfo::exists(m_pdf), printed);
        QCOMPARE(m_pagesOffered, printed ? 1 : 0);
    }

    // The register itself: the period's students in archive order, finished ones
    // included, every value whole in its cell and every page numbered.
    void registerKeepsEveryValueInsideItsCell()
    {
        QByteArray students;
        const QString longStreet = QStringLiteral("Via della Circonvallazione Esterna Settentrionale di Porta San Donato e dintorni");
        for (int i = 0; i < 40; ++i) {
            Student s{.surname = QStringLiteral("Allievo%1").arg(i, 2, 10, QLatin1Char('0')),
                      .enrolment = i % 10 == 9 ? QStringLiteral("15/06/2025") : QStringLiteral("10/02/2026"),
                      .theoryDate = "01/03/2026",
                      .theoryResult = "Idoneo al primo tentativo con zero errori",
                      .finished = i % 2 == 0,
                      .residence = i % 3 == 0 ? longStreet : QStringLiteral("Via Roma")};
            students += studentBytes(s);
        }
        QVERIFY(writeAll(archive(), students));
        const EnrolmentRegister::Register reg =
            EnrolmentRegister::create(archive(), QStringLiteral("BO1234"), QDate(2026, 1, 1), QDate(2026, 12, 31), kToday);
        QVERIFY(reg.complete);
        QCOMPARE(reg.students, 36);
        const Report::Document &document = reg.document;
        QVERIFY(document.pages().size() >= 2);
        QCOMPARE(document.pageLayout().orientation(), QPageLayout::Landscape);

        QPdfWriter pdf(m_dir.filePath(QStringLiteral("registro.pdf")));
        pdf.setResolution(1200);
        pdf.setPageLayout(document.pageLayout());
        QStringList surnames;
        int page = 0;
        const QStringList wrong = boxesOutOfPlace(document, pdf);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
        for (const Report::Page &p : document.pages()) {
            ++page;
            bool heading = false;
            for (const Report::TextBox &box : p.boxes) {
                if (box.name == QStringLiteral("h2"))
                    heading = true;
                if (box.name == QStringLiteral("txtPagina"))
                    QCOMPARE(box.text, QStringLiteral("Pagina %1 di %2").arg(page).arg(document.pages().size()));
                if (box.name.startsWith(u'r') && box.name.endsWith(QStringLiteral("c2")))
                    surnames << box.text.section(u' ', 0, 0);
            }
            QVERIFY2(heading, "every page repeats the column headings");
        }
        QStringList expected;
        for (int i = 0; i < 40; ++i)
            if (i % 10 != 9)
                expected << QStringLiteral("Allievo%1").arg(i, 2, 10, QLatin1Char('0'));
        QCOMPARE(surnames, expected);
        QVERIFY(document.find(QStringLiteral("txtSottotitolo1"))->text.contains(QStringLiteral("BO1234")));
        QVERIFY(document.print(pdf));
    }
};

QTEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
