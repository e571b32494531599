// The hours screen, driven through the real screen.

#include "DialogRecorder.h"
#include "Modal.h"
#include "ReportCheck.h"
#include "TestSupport.h"

#include "app/Avvio.h"
#include "app/ScreenSet.h"
#include "lessons/LessonRegister.h"
#include "lessons/OreGuida.h"
#include "printing/PrintSeam.h"
#include "shell/Clock.h"
#include "shell/LineList.h"
#include "shell/OpenURL.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "students/Allievi.h"
#include "students/LezioniGuida.h"

#include <QLabel>
#include <QLineEdit>
#include <QPdfWriter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;

namespace {

QByteArray lessonBytes(const char *date, const char *from, const char *to, const char *instructor, const char *plate,
                       const char *module = "Citt\xE0")
{
    RecordBuffer l(LessonRecord::layout());
    l.setText(LessonRecord::txtData, QString::fromLatin1(date));
    l.setText(LessonRecord::txtOraInizio, QString::fromLatin1(from));
    l.setText(LessonRecord::txtOraFine, QString::fromLatin1(to));
    l.setText(LessonRecord::txtVeicolo, QStringLiteral("Fiat Panda"));
    l.setText(LessonRecord::txtIstruttore, QString::fromLatin1(instructor));
    l.setText(LessonRecord::txtTarga, QString::fromLatin1(plate));
    l.setText(LessonRecord::txtModulo, QString::fromLatin1(module));
    return l.bytes();
}

} // namespace

class TestHours : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<DialogRecorder> m_dialogs;
    QString m_pdf;
    QList<QUrl> m_opened;

    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        ProgramFolder::setOverride(m_dir.path());
        Clock::setSource([] { return QDateTime(QDate(2026, 3, 20), QTime(8, 30)); });
        TMisc::setShellOpener([this](const QUrl &url) { m_opened << url; });
        PrintSeam::setDialogHandler([this](QPrinter &printer, int) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(m_pdf);
            return !m_pdf.isEmpty();
        });
        RecordBuffer s(StudentRecord::layout());
        QByteArray students;
        for (const char *surname : {"Rossi", "Bianchi"}) {
            s.setText(StudentRecord::txtCognome, QString::fromLatin1(surname));
            s.setText(StudentRecord::txtNome, QStringLiteral("Anna"));
            students += s.bytes();
        }
        QVERIFY(writeAll(file("Allievi.pro"), students));
        QVERIFY(writeAll(file("Lezioni_Guida_Allievo_1.lez"), lessonBytes("02/03/2026", "08:00", "09:30", "Gianni", "AB123CD")
                                                                  + lessonBytes("28/02/2026", "08:00", "09:00", "Gianni", "AB123CD")));
        QVERIFY(writeAll(file("Lezioni_Guida_Allievo_2.lez"), lessonBytes("05/03/2026", "10:00", "11:00", "Paolo", "AB123CD")
                                                                  + lessonBytes("06/03/2026", "10:00", "10:45", "gianni", "XY987ZW")));
    }

    void init()
    {
        m_dialogs = std::make_unique<DialogRecorder>();
        m_pdf.clear();
        m_opened.clear();
    }

    void cleanup() { m_dialogs.reset(); }

    // The month's hours per instructor and per plate; a double click on one
    // lists its lessons with the students' names.
    void monthAndDetail()
    {
        TfrmOreGuida screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QTRY_VERIFY_WITH_TIMEOUT(screen.list()->lineModel()->rowCount() > 0, 20000);
        QCOMPARE(screen.control<QLineEdit>("txtDal")->text(), QStringLiteral("01/03/2026"));
        QCOMPARE(screen.control<QLineEdit>("txtAl")->text(), QStringLiteral("31/03/2026"));
        const QStringList lines = screen.list()->lineModel()->lines();
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines[0], QStringLiteral("ISTRUTTORI dal 01/03/2026 al 31/03/2026"));
        QVERIFY2(lines[1].startsWith(QStringLiteral("  Gianni")) && lines[1].contains(QStringLiteral("2 h 15 min")) &&
                     lines[1].endsWith(QStringLiteral("2 lezioni")),
                 qPrintable(lines[1]));
        QVERIFY2(lines[2].startsWith(QStringLiteral("  Paolo")) && lines[2].contains(QStringLiteral("1 h ")), qPrintable(lines[2]));
        QVERIFY(lines[4].startsWith(QStringLiteral("VEICOLI (TARGA)")));
        QVERIFY2(lines[5].startsWith(QStringLiteral("  AB123CD")) && lines[5].contains(QStringLiteral("2 h 30 min")), qPrintable(lines[5]));

        // A heading picks nothing; Gianni lists his lessons, Rossi's and Bianchi's.
        screen.list()->selectRow(0);
        screen.lstRecordsDblClick();
        QCOMPARE(screen.detail()->lineModel()->rowCount(), 0);
        screen.list()->selectRow(1);
        QTest::mouseDClick(screen.list()->viewport(), Qt::LeftButton, {},
                           screen.list()->visualRect(screen.list()->lineModel()->index(1)).center());
        const QStringList detail = screen.detail()->lineModel()->lines();
        QCOMPARE(detail.size(), 2);
        QVERIFY2(detail[0].startsWith(QStringLiteral("02/03/2026  08:00-09:30")) && detail[0].contains(QStringLiteral("Rossi Anna")),
                 qPrintable(detail[0]));
        QVERIFY2(detail[1].contains(QStringLiteral("Bianchi Anna")) && detail[1].contains(QStringLiteral("XY987ZW")), qPrintable(detail[1]));
        QVERIFY(screen.control<QLabel>("lblDettaglio")->text().startsWith(QStringLiteral("Lezioni di Gianni")));

        // Another period.
        screen.control<QLineEdit>("txtDal")->setText(QStringLiteral("01/02/2026"));
        QTest::mouseClick(screen.control("btnCalcola"), Qt::LeftButton);
        QVERIFY(screen.list()->lineModel()->lines()[1].contains(QStringLiteral("3 h 15 min")));
        QCOMPARE(screen.detail()->lineModel()->rowCount(), 0);

        m_pdf = file("ore.pdf");
        QTest::mouseClick(screen.control("btnStampa"), Qt::LeftButton);
        QVERIFY(QFileInfo(m_pdf).size() > 0);

        QTest::mouseClick(screen.control("btnEsporta"), Qt::LeftButton);
        const QByteArray bytes = readAll(file("Ore_di_guida.xls"));
        const QByteArray cell = "<td style=\"text-align: left;\">";
        QVERIFY(bytes.contains(QByteArray("<tr>" + cell + "Istruttore</td>" + cell + "Gianni</td>" + cell + "01/02/2026</td>" + cell + "31/03/2026</td>"
                               + cell + "195</td>" + cell + "3 h 15 min</td>" + cell + "3</td>" + cell + "0</td></tr>")));
        QVERIFY(bytes.contains(QByteArray(cell + "Veicolo</td>" + cell + "XY987ZW</td>")));
        QCOMPARE(m_opened.size(), 1);
    }

    void periodThatIsNotOne()
    {
        TfrmOreGuida screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QTRY_VERIFY_WITH_TIMEOUT(screen.list()->lineModel()->rowCount() > 0, 20000);
        m_dialogs->take();
        screen.control<QLineEdit>("txtAl")->setText(QStringLiteral("31/02/2026"));
        QTest::mouseClick(screen.control("btnCalcola"), Qt::LeftButton);
        QVERIFY(m_dialogs->take().startsWith(QStringLiteral("Attenzione: indicare il periodo")));
        QCOMPARE(screen.list()->lineModel()->rowCount(), 7); // the last figures stay
    }

    // The registry's toolbar and the start screen open it.
    void openedFromTheRegistryAndTheStartScreen()
    {
        ScreenSet screens;
        screens.createScreens();
        int opened = 0;
        const auto check = [&opened](QWidget *modal) {
            QCOMPARE(modal->objectName(), QStringLiteral("frmOreGuida"));
            ++opened;
        };
        whenModalOpens(check);
        emit screens.frmAvvio()->oreGuidaRequested();
        screens.frmAvvio()->imgAnagraficaClick();
        QVERIFY(QTest::qWaitForWindowExposed(screens.frmAllievi()));
        whenModalOpens(check);
        QTest::mouseClick(screens.frmAllievi()->control("cmdOreGuida"), Qt::LeftButton);
        QCOMPARE(opened, 2);
    }

    // The register of a student's lessons: every value whole inside its cell,
    // empty boxes to sign, the totals of each kind and the footnote.
    void lessonRegister()
    {
        const std::optional<LessonRegister::Student> student = LessonRegister::studentAt(file("Allievi.pro"), 2);
        QVERIFY(student);
        QCOMPARE(student->surname, QStringLiteral("Bianchi"));
        QVERIFY(!LessonRegister::studentAt(file("Allievi.pro"), 3));
        std::vector<Lessons::Lesson> lessons;
        for (int i = 1; i <= 30; ++i) {
            Lessons::Lesson l;
            l.number = i;
            l.date = QStringLiteral("%1/03/2026").arg(i, 2, 10, QLatin1Char('0'));
            l.start = QStringLiteral("20:00");
            l.end = i % 2 ? QStringLiteral("21:00") : QStringLiteral("20:45");
            l.module = i % 5 == 0 ? QStringLiteral("Guida notturna in tangenziale con traffico intenso e pioggia battente, poi autostrada A14")
                                  : QStringLiteral("Notturna");
            l.instructor = QStringLiteral("Gianni Bell\u00F2 Mastrangelo De Santis");
            l.vehicle = QStringLiteral("Fiat Panda");
            l.plate = QStringLiteral("AB123CD");
            lessons.push_back(l);
        }
        const Report::Document document = LessonRegister::create(*student, QStringLiteral("BO1234"), lessons,
                                                                 Lessons::Keywords::defaults(), QDate(2026, 3, 31));
        QVERIFY(document.pages().size() >= 2);
        QCOMPARE(document.pageLayout().orientation(), QPageLayout::Landscape);
        QPdfWriter pdf(file("registro_lezioni.pdf"));
        pdf.setResolution(1200);
        pdf.setPageLayout(document.pageLayout());
        const QStringList wrong = boxesOutOfPlace(document, pdf);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
        QVERIFY(document.find(QStringLiteral("txtSottotitolo1"))->text.contains(QStringLiteral("Bianchi Anna")));
        QVERIFY(document.find(QStringLiteral("txtSottotitolo1"))->text.contains(QStringLiteral("BO1234")));
        QCOMPARE(document.find(QStringLiteral("h10"))->text, QStringLiteral("Firma allievo"));
        QCOMPARE(document.find(QStringLiteral("r0c10"))->text, QString());
        QCOMPARE(document.find(QStringLiteral("r0c11"))->text, QString());
        QVERIFY(document.find(QStringLiteral("r0c10"))->mm.height() >= 8);
        QCOMPARE(document.find(QStringLiteral("r4c5"))->text, QStringLiteral("Notturna"));
        QCOMPARE(document.find(QStringLiteral("r1c4"))->text, QStringLiteral("45 min"));
        QVERIFY(document.find(QStringLiteral("txtNota")) != nullptr);
        const QString note = document.find(QStringLiteral("txtNota"))->text;
        QVERIFY2(note.contains(QStringLiteral("notturna 26 h 15 min / 2 h")), qPrintable(note));
        QVERIFY(note.endsWith(LessonRegister::footnote()));
        int page = 0;
        for (const Report::Page &p : document.pages()) {
            ++page;
            const auto footer = std::find_if(p.boxes.begin(), p.boxes.end(),
                                             [](const Report::TextBox &b) { return b.name == QStringLiteral("txtPagina"); });
            QVERIFY(footer != p.boxes.end());
            QCOMPARE(footer->text, QStringLiteral("Pagina %1 di %2").arg(page).arg(document.pages().size()));
        }
        QVERIFY(document.print(pdf));
        if (qEnvironmentVariableIsSet("VOLANTIX_KEEP_PDF"))
            QFile::copy(file("registro_lezioni.pdf"), qEnvironmentVariable("VOLANTIX_KEEP_PDF"));
    }

    // The lesson manager: hours and the mandatory kinds under the list, a mark and
    // a hint on the lines with warnings, Durata filled from the times, and the
    // register printed.
    void lessonManager()
    {
        QVERIFY(writeAll(file("Lezioni_Guida_Allievo_1.lez"),
                         lessonBytes("02/03/2026", "20:00", "22:00", "Gianni", "AB123CD", "Guida notturna")
                             + lessonBytes("03/03/2026", "10:00", "10:20", "Gianni", "AB123CD", "Autostrada")
                             + lessonBytes("04/03/2026", "10:30", "11:00", "Gianni", "AB123CD")));
        const auto restore = qScopeGuard([this] {
            writeAll(file("Lezioni_Guida_Allievo_1.lez"), lessonBytes("02/03/2026", "08:00", "09:30", "Gianni", "AB123CD")
                                                              + lessonBytes("28/02/2026", "08:00", "09:00", "Gianni", "AB123CD"));
            QFile::remove(file("Autoscuola.ini"));
        });
        TfrmLezioniGuida screen;
        screen.setStudent({QStringLiteral("Anna"), QStringLiteral("Rossi"), QStringLiteral("B-7"), QStringLiteral("1")});
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QCOMPARE(screen.control<QLabel>("lblTotale")->text(), QStringLiteral("3"));
        const QString hours = screen.control<QLabel>("lblOre")->text();
        QVERIFY2(hours.startsWith(QStringLiteral("Ore: 2 h 50 min")), qPrintable(hours));
        QVERIFY2(hours.contains(QStringLiteral("\u2713 Notte 2 h / 2 h")), qPrintable(hours));
        QVERIFY2(hours.contains(QStringLiteral("Autostrada 20 min / 2 h")) && !hours.contains(QStringLiteral("\u2713 Autostrada")), qPrintable(hours));
        QVERIFY(!hours.contains(QStringLiteral("completate")));
        // The keywords are written to the INI file the first time.
        QVERIFY(readAll(file("Autoscuola.ini")).contains("[Guide obbligatorie]"));

        LineListModel *model = screen.list()->lineModel();
        int marked = -1;
        for (int row = 0; row < model->rowCount(); ++row) {
            const QColor mark = model->data(model->index(row), Qt::DecorationRole).value<QColor>();
            if (mark.alpha() > 0) {
                QCOMPARE(marked, -1);
                marked = row;
            }
        }
        QVERIFY(marked >= 0);
        QCOMPARE(model->recordAt(marked), qint64(2));
        QVERIFY(model->data(model->index(marked), Qt::ToolTipRole).toString().contains(QStringLiteral("durata inferiore a 30 minuti")));
        QVERIFY(model->lines()[marked].startsWith(QStringLiteral("Data: 03/03/2026")));

        // A new lesson: Durata from the times, then the warnings as typed.
        screen.btnAggiungiClick();
        auto *start = screen.control<QLineEdit>("txtOraInizio");
        auto *end = screen.control<QLineEdit>("txtOraFine");
        auto *duration = screen.control<QLineEdit>("txtDurata");
        screen.control<QLineEdit>("txtData")->setText(QStringLiteral("06/03/2026"));
        start->setText(QStringLiteral("09:00"));
        end->setText(QStringLiteral("10:30"));
        emit end->editingFinished();
        QCOMPARE(duration->text(), QStringLiteral("1 h 30 min"));
        end->setText(QStringLiteral("09:15"));
        emit end->editingFinished();
        QCOMPARE(duration->text(), QStringLiteral("1 h 30 min")); // what is there stays
        QVERIFY(screen.control<QLabel>("lblAvvisi")->isVisible());
        QVERIFY(screen.control<QLabel>("lblAvvisi")->text().contains(QStringLiteral("durata inferiore a 30 minuti")));
        QVERIFY(screen.control<QLabel>("lblAvvisi")->text().contains(QStringLiteral("istruttore non indicato")));
        end->setText(QStringLiteral("10:30"));
        screen.control<QLineEdit>("txtVeicolo")->setText(QStringLiteral("Fiat Panda"));
        screen.control<QLineEdit>("txtTarga")->setText(QStringLiteral("ZZ111ZZ"));
        screen.control<QLineEdit>("txtIstruttore")->setText(QStringLiteral("Paolo"));
        screen.control<QLineEdit>("txtModulo")->setText(QStringLiteral("Extraurbana"));
        QVERIFY(!screen.control<QLabel>("lblAvvisi")->isVisible());
        // The same plate in Bianchi's lesson of 06/03 10:00-10:45 would be a double booking.
        screen.control<QLineEdit>("txtTarga")->setText(QStringLiteral("XY987ZW"));
        QVERIFY2(screen.control<QLabel>("lblAvvisi")->text().contains(QStringLiteral("targa gi\u00E0 impegnata con Bianchi Anna (10:00-10:45)")),
                 qPrintable(screen.control<QLabel>("lblAvvisi")->text()));

        // The register, through the print seam.
        m_pdf = file("registro_guide.pdf");
        QTest::mouseClick(screen.control("btnRegistro"), Qt::LeftButton);
        QVERIFY(QFileInfo(m_pdf).size() > 0);
    }
};

QTEST_MAIN(TestHours)
#include "tst_hours.moc"
