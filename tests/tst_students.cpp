#include "DialogRecorder.h"
#include "Modal.h"
#include "TestSupport.h"

#include "app/Avvio.h"
#include "shell/Clock.h"
#include "shell/LineList.h"
#include "shell/OpenURL.h"
#include "app/ScreenSet.h"
#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "students/AllegaCartella.h"
#include "students/Allievi.h"
#include "students/FrequentatoriOra.h"
#include "students/LezioniGuida.h"
#include "tt2112/Mod_TT2112.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace TestSupport;
using Kind = Dialogs::Kind;

namespace {

QByteArray studentBytes(const QString &surname, const QString &name, const QString &flag, const QString &note = QString())
{
    RecordBuffer record(StudentRecord::layout());
    record.setText(StudentRecord::txtCodiceCor, QStringLiteral("B-2026"));
    record.setText(StudentRecord::txtTipologiaCor, QStringLiteral("Patente B"));
    record.setText(StudentRecord::txtCognome, surname);
    record.setText(StudentRecord::txtNome, name);
    record.setText(StudentRecord::txtNote, note);
    record.setText(StudentRecord::chkRicontatta, flag);
    return record.bytes();
}

QByteArray lessonBytes(const QString &date, const QString &module)
{
    RecordBuffer record(LessonRecord::layout());
    record.setText(LessonRecord::txtData, date);
    record.setText(LessonRecord::txtDurata, QStringLiteral("1 ora"));
    record.setText(LessonRecord::txtVeicolo, QStringLiteral("Fiat Panda"));
    record.setText(LessonRecord::txtTarga, QStringLiteral("AB123CD"));
    record.setText(LessonRecord::txtIstruttore, QStringLiteral("Gianni"));
    record.setText(LessonRecord::txtModulo, module);
    return record.bytes();
}


} // namespace

class TestStudents : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_elsewhere; // files chosen in the file dialog
    std::unique_ptr<ScreenSet> m_screens;
    std::unique_ptr<DialogRecorder> m_dialogs;
    QList<QUrl> m_opened;
    QString m_chosen;

    TfrmAllievi *registry() const { return m_screens->frmAllievi(); }
    QLineEdit *field(QWidget *screen, const char *name) const { return screen->findChild<QLineEdit *>(QLatin1String(name)); }
    QLineEdit *field(const char *name) const { return field(registry(), name); }
    QPushButton *button(QWidget *screen, const char *name) const { return screen->findChild<QPushButton *>(QLatin1String(name)); }
    QString position() const { return registry()->positionLabel()->text(); }
    QString archive() const { return ProgramFolder::filePath(QStringLiteral("Allievi.pro")); }
    void click(const char *name) { QTest::mouseClick(registry()->control(name), Qt::LeftButton); }

    void fillMandatory()
    {
        field("txtCodiceCor")->setText(QStringLiteral("B-2026"));
        field("txtTipologiaCor")->setText(QStringLiteral("Patente B"));
        field("txtCognome")->setText(QStringLiteral("Rossi"));
        field("txtNome")->setText(QStringLiteral("Mario"));
    }

    QString writeElsewhere(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_elsewhere.filePath(name);
        writeAll(path, bytes);
        return path;
    }

private slots:
    void initTestCase()
    {
        ProgramFolder::setOverride(m_dir.path());
        Clock::setSource([] { return QDateTime(QDate(2024, 3, 5), QTime(7, 5)); });
        TMisc::setShellOpener([this](const QUrl &url) { m_opened << url; });
        Dialogs::setFileChooser([this](const QString &, const QString &) { return m_chosen; });
    }

    void init()
    {
        for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile::remove(m_dir.filePath(name));
            QDir(m_dir.filePath(name)).removeRecursively();
        }
        m_opened.clear();
        m_chosen.clear();
        m_dialogs = std::make_unique<DialogRecorder>();
        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
        m_screens->frmAvvio()->imgAnagraficaClick();
        QVERIFY(QTest::qWaitForWindowExposed(registry()));
        registry()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(registry()));
    }

    void cleanup()
    {
        m_screens.reset();
        m_dialogs.reset();
    }

    // --- the registry ---

    void firstStartLeavesAnEmptyArchive()
    {
        QVERIFY(QFileInfo::exists(archive()));
        QCOMPARE(QFileInfo(archive()).size(), 0);
        QCOMPARE(registry()->windowTitle(), QStringLiteral(" Volantix - Anagrafica Allievi"));
        QVERIFY(field("txtCodiceCor")->hasFocus());
    }

    void browsing()
    {
        click("cmdAvanti");
        QCOMPARE(m_dialogs->take(), kEmpty);
        QVERIFY(position().isEmpty());
        QVERIFY(writeAll(archive(), studentBytes(QStringLiteral("Alfa"), QStringLiteral("A"), QStringLiteral("No"))
                                        + studentBytes(QStringLiteral("Bravo"), QStringLiteral("B"), QStringLiteral("No"))
                                        + studentBytes(QStringLiteral("Charlie"), QStringLiteral("C"), QStringLiteral("S\u00EC"))));
        click("cmdIndietro");
        QCOMPARE(position(), QStringLiteral("1"));
        click("cmdAvanti");
        click("cmdAvanti");
        QCOMPARE(position(), QStringLiteral("3"));
        QCOMPARE(field("txtCognome")->text(), QStringLiteral("Charlie"));
        QVERIFY(registry()->control<QCheckBox>("chkRicontatta")->isChecked());
        click("cmdAvanti");
        QCOMPARE(position(), QStringLiteral("3"));
        click("cmdPrimo");
        click("cmdIndietro");
        QCOMPARE(position(), QStringLiteral("1"));
        QVERIFY(m_dialogs->shown.isEmpty());
        click("cmdUltimo");
        QCOMPARE(field("txtCognome")->text(), QStringLiteral("Charlie"));
    }

    void mandatoryFields_data()
    {
        QTest::addColumn<QString>("blank");
        QTest::addColumn<QString>("warning");
        QTest::newRow("course") << "txtCodiceCor" << "Attenzione: per salvare la scheda \u00E8 necessario indicare il codice identificativo del corso.";
        QTest::newRow("type") << "txtTipologiaCor" << "Attenzione: per salvare la scheda \u00E8 necessario indicare la tipologia di corso.";
        QTest::newRow("surname") << "txtCognome" << "Attenzione: per salvare la scheda \u00E8 necessario indicare il cognome dell'allievo.";
        QTest::newRow("name of blanks, surname filled") << "txtNome" << "Attenzione: per salvare la scheda \u00E8 necessario indicare il nome dell'allievo.";
    }

    void mandatoryFields()
    {
        QFETCH(QString, blank);
        QFETCH(QString, warning);
        fillMandatory();
        field(blank.toLatin1().constData())->setText(QStringLiteral("  "));
        click("cmdSalva");
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown.first().first, Kind::Warning);
        QCOMPARE(m_dialogs->take(), warning);
        QCOMPARE(QApplication::focusWidget(), field(blank.toLatin1().constData()));
        QCOMPARE(QFileInfo(archive()).size(), 0);
    }

    void saveAppendsRecordFourThenOverwrites()
    {
        QVERIFY(writeAll(archive(), studentBytes(QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("No")).repeated(3)));
        fillMandatory();
        registry()->control<QCheckBox>("chkRicontatta")->setChecked(true);
        click("cmdSalva");
        QCOMPARE(m_dialogs->take(), kAppended);
        QCOMPARE(position(), QStringLiteral("4"));
        field("txtNote")->setText(QStringLiteral("di nuovo"));
        click("cmdSalva");
        QCOMPARE(m_dialogs->take(), kSaved);
        const QByteArray bytes = readAll(archive());
        QCOMPARE(bytes.size(), 4 * StudentRecord::Size);
        RecordBuffer fourth(StudentRecord::layout());
        fourth.setBytes(QByteArrayView(bytes).sliced(3 * StudentRecord::Size));
        QCOMPARE(fourth.text(StudentRecord::txtNote), QStringLiteral("di nuovo"));
        QCOMPARE(fourth.yesNo(StudentRecord::chkRicontatta), std::optional<bool>(true));
    }

    void flagOfAnotherValueLeavesTheBox()
    {
        QVERIFY(writeAll(archive(), studentBytes(QStringLiteral("A"), QStringLiteral("a"), QString())));
        registry()->control<QCheckBox>("chkRicontatta")->setChecked(true);
        click("cmdPrimo");
        QVERIFY(registry()->control<QCheckBox>("chkRicontatta")->isChecked());
        registry()->control<QCheckBox>("chkRicontatta")->setChecked(false);
        click("cmdPrimo");
        QVERIFY(!registry()->control<QCheckBox>("chkRicontatta")->isChecked());
    }

    void showingAgainIsEmpty()
    {
        QVERIFY(writeAll(archive(), studentBytes(QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("No"))));
        click("cmdPrimo");
        click("cmdEsci");
        QVERIFY(m_screens->frmAvvio()->isVisible());
        m_screens->frmAvvio()->imgAnagraficaClick();
        QVERIFY(field("txtCognome")->text().isEmpty());
        QVERIFY(position().isEmpty());
    }

    void fieldConventions()
    {
        field("txtProvNascPro")->setFocus();
        QTest::keyClicks(field("txtProvNascPro"), QStringLiteral("rm"));
        QCOMPARE(field("txtProvNascPro")->text(), QStringLiteral("RM"));
        field("txtEmail")->setFocus();
        QTest::keyClicks(field("txtEmail"), QStringLiteral("a@b.it "));
        QCOMPARE(field("txtEmail")->text(), QStringLiteral("a@b.it"));
        field("txtNote")->setFocus();
        QTest::keyClick(field("txtNote"), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), field("txtCodiceCor"));
    }

    void email()
    {
        field("txtEmail")->setText(QStringLiteral(" maria.rossi@example.it "));
        click("btnEmail");
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("mailto:maria.rossi@example.it"))});
    }

    void lessonButtonChecks_data()
    {
        QTest::addColumn<QString>("position");
        QTest::addColumn<QString>("blank");
        QTest::addColumn<QString>("warning");
        QTest::newRow("not saved, all filled") << "" << "" << "Attenzione: la registrazione delle lezioni di guida pu\u00F2 avvenire soltanto dopo che la scheda dell'allievo \u00E8 stata salvata in archivio.";
        QTest::newRow("course") << "1" << "txtCodiceCor" << "Attenzione: per accedere alla gestione delle lezioni di guida \u00E8 necessario indicare il codice identificativo del corso.";
        QTest::newRow("surname") << "1" << "txtCognome" << "Attenzione: per accedere alla gestione delle lezioni di guida \u00E8 necessario indicare cognome dell'allievo.";
        QTest::newRow("name") << "1" << "txtNome" << "Attenzione: per accedere alla gestione delle lezioni di guida \u00E8 necessario indicare nome dell'allievo.";
    }

    void lessonButtonChecks()
    {
        QFETCH(QString, position);
        QFETCH(QString, blank);
        QFETCH(QString, warning);
        fillMandatory();
        registry()->positionLabel()->setText(position);
        if (!blank.isEmpty())
            field(blank.toLatin1().constData())->clear();
        field("txtNote")->setFocus();
        button(registry(), "btnLezioniGuida")->click();
        QCOMPARE(m_dialogs->shown.first().first, Kind::Warning);
        QCOMPARE(m_dialogs->take(), warning);
        QCOMPARE(QApplication::focusWidget(), blank.isEmpty() ? field("txtNote") : field(blank.toLatin1().constData()));
    }

    void lessonsOfStudentThree()
    {
        fillMandatory();
        registry()->positionLabel()->setText(QStringLiteral("3"));
        QString title;
        whenModalOpens([&](QWidget *modal) {
            title = modal->findChild<QLabel *>(QStringLiteral("lblTitolo"))->text();
            // An empty list: nothing to modify.
            QCOMPARE(modal->findChild<QLabel *>(QStringLiteral("lblTotale"))->text(), QStringLiteral("0"));
            QTest::mouseClick(button(modal, "btnModifica"), Qt::LeftButton);
        });
        QTest::mouseClick(button(registry(), "btnLezioniGuida"), Qt::LeftButton);
        QCOMPARE(title, QStringLiteral("Allievo: Mario Rossi - Cod. corso: B-2026"));
        QCOMPARE(m_dialogs->take(), QStringLiteral("Modifica non applicabile: la lista non contiene nessuna voce."));
        const QString lessons = ProgramFolder::filePath(QStringLiteral("Lezioni_Guida_Allievo_3.lez"));
        QVERIFY(QFileInfo::exists(lessons));
        QCOMPARE(QFileInfo(lessons).size(), 0);
    }

    // --- the lesson manager ---

    void addingAndChangingALesson()
    {
        TfrmLezioniGuida lessons(registry());
        lessons.setStudent({QStringLiteral("Mario"), QStringLiteral("Rossi"), QStringLiteral("B-2026"), QStringLiteral("5")});
        lessons.show();
        QVERIFY(QTest::qWaitForWindowExposed(&lessons));
        QTest::mouseClick(button(&lessons, "btnModifica"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), QStringLiteral("Modifica non applicabile: la lista non contiene nessuna voce."));

        QTest::mouseClick(button(&lessons, "btnAggiungi"), Qt::LeftButton);
        QVERIFY(lessons.findChild<QWidget *>(QStringLiteral("panCosti"))->isVisible());
        QVERIFY(!lessons.panel()->isVisible());
        QTest::mouseClick(button(&lessons, "btnSalva"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), QStringLiteral("Attenzione: per salvare la scheda \u00E8 necessario indicare la data della lezione di guida."));
        QTest::mouseClick(lessons.control("impData"), Qt::LeftButton);
        QTest::mouseClick(lessons.control("impOraInizio"), Qt::LeftButton);
        QCOMPARE(field(&lessons, "txtData")->text(), QStringLiteral("05/03/2024"));
        QCOMPARE(field(&lessons, "txtOraInizio")->text(), QStringLiteral("07:05"));
        field(&lessons, "txtDurata")->setText(QStringLiteral("1 ora"));
        field(&lessons, "txtVeicolo")->setText(QStringLiteral("Fiat Panda"));
        field(&lessons, "txtIstruttore")->setText(QStringLiteral("Gianni"));
        field(&lessons, "txtModulo")->setText(QStringLiteral("Parcheggio"));
        QTest::mouseClick(button(&lessons, "btnSalva"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), QStringLiteral("Attenzione: per salvare la scheda \u00E8 necessario indicare la targa del veicolo utilizzato per la lezione di guida."));
        QCOMPARE(QApplication::focusWidget(), field(&lessons, "txtTarga"));
        QTest::keyClicks(field(&lessons, "txtTarga"), QStringLiteral("ab123cd"));
        QCOMPARE(field(&lessons, "txtTarga")->text(), QStringLiteral("AB123CD"));
        QTest::mouseClick(button(&lessons, "btnSalva"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), kAppended);
        field(&lessons, "txtModulo")->setText(QStringLiteral("Rotatorie"));
        QTest::mouseClick(button(&lessons, "btnSalva"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), kSaved);

        const QByteArray bytes = readAll(ProgramFolder::filePath(QStringLiteral("Lezioni_Guida_Allievo_5.lez")));
        QCOMPARE(bytes.size(), LessonRecord::Size);
        RecordBuffer stored(LessonRecord::layout());
        stored.setBytes(bytes);
        QCOMPARE(stored.text(LessonRecord::txtModulo), QStringLiteral("Rotatorie"));
        QCOMPARE(stored.text(LessonRecord::txtOraFine), QString());
    }

    void modifyEditsThePickedLesson_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("position");
        QTest::newRow("first of two identical lines") << 0 << 1;
        QTest::newRow("second of two identical lines") << 1 << 3;
        QTest::newRow("a line of its own") << 2 << 4;
    }

    // Identical lines stay distinct lessons: "Modifica lezione" opens the lesson
    // the picked line was made from, and saving changes that lesson only.
    void modifyEditsThePickedLesson()
    {
        QFETCH(int, row);
        QFETCH(int, position);
        const QString path = ProgramFolder::filePath(QStringLiteral("Lezioni_Guida_Allievo_2.lez"));
        QByteArray given = lessonBytes(QStringLiteral("01/03/2024"), QStringLiteral("A")) + lessonBytes(QString(), QStringLiteral("senza data"))
            + lessonBytes(QStringLiteral("01/03/2024"), QStringLiteral("A")) + lessonBytes(QStringLiteral("02/03/2024"), QStringLiteral("B"));
        // The two identical lessons differ in the start time, which the list does not show.
        RecordBuffer lesson(LessonRecord::layout());
        for (const int record : {0, 2}) {
            lesson.setBytes(QByteArrayView(given).sliced(record * LessonRecord::Size, LessonRecord::Size));
            lesson.setText(LessonRecord::txtOraInizio, record == 0 ? QStringLiteral("08:00") : QStringLiteral("15:00"));
            given.replace(record * LessonRecord::Size, LessonRecord::Size, lesson.bytes());
        }
        QVERIFY(writeAll(path, given));
        TfrmLezioniGuida lessons(registry());
        lessons.setStudent({QStringLiteral("Mario"), QStringLiteral("Rossi"), QStringLiteral("B"), QStringLiteral("2")});
        lessons.show();
        QVERIFY(QTest::qWaitForWindowExposed(&lessons));
        QCOMPARE(lessons.list()->lineModel()->rowCount(), 3); // the lesson without a date is not listed
        QCOMPARE(lessons.list()->lineModel()->store().at(0), lessons.list()->lineModel()->store().at(1));
        QCOMPARE(lessons.findChild<QLabel *>(QStringLiteral("lblTotale"))->text(), QStringLiteral("3"));
        QTest::mouseClick(button(&lessons, "btnModifica"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), QStringLiteral("Attenzione: selezionare una voce dall'elenco prima di premere il pulsante di modifica."));
        lessons.list()->selectRow(row);
        QTest::mouseClick(button(&lessons, "btnModifica"), Qt::LeftButton);
        QCOMPARE(lessons.findChild<QLabel *>(QStringLiteral("lblPosizione"))->text(), QString::number(position));
        lesson.setBytes(QByteArrayView(given).sliced((position - 1) * LessonRecord::Size, LessonRecord::Size));
        QCOMPARE(field(&lessons, "txtOraInizio")->text(), lesson.text(LessonRecord::txtOraInizio));
        QCOMPARE(field(&lessons, "txtModulo")->text(), lesson.text(LessonRecord::txtModulo));

        // Saved over the picked lesson; every other lesson keeps its bytes.
        field(&lessons, "txtModulo")->setText(QStringLiteral("Rotatorie"));
        QTest::mouseClick(button(&lessons, "btnSalva"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), kSaved);
        const QByteArray bytes = readAll(path);
        QCOMPARE(bytes.size(), given.size());
        for (int record = 0; record < 4; ++record) {
            const QByteArray stored = bytes.mid(record * LessonRecord::Size, LessonRecord::Size);
            if (record + 1 != position) {
                QCOMPARE(stored.toHex(' '), given.mid(record * LessonRecord::Size, LessonRecord::Size).toHex(' '));
                continue;
            }
            lesson.setBytes(stored);
            QCOMPARE(lesson.text(LessonRecord::txtModulo), QStringLiteral("Rotatorie"));
            QCOMPARE(lesson.text(LessonRecord::txtOraInizio), field(&lessons, "txtOraInizio")->text());
        }
    }

    void lessonIsBuiltOnTheLastRecordRead_data()
    {
        QTest::addColumn<bool>("modify");
        QTest::newRow("new lesson") << false;
        QTest::newRow("changed lesson") << true;
    }

    // A saved lesson is its fields stored over the last record read from the
    // lesson file: the unused bytes of each field are that record's, not those of
    // a lesson saved earlier.
    void lessonIsBuiltOnTheLastRecordRead()
    {
        QFETCH(bool, modify);
        // Another student's lesson, started at 08:30, saved first.
        {
            TfrmLezioniGuida other(registry());
            other.setStudent({QStringLiteral("Anna"), QStringLiteral("Verdi"), QStringLiteral("B"), QStringLiteral("8")});
            other.show();
            QVERIFY(QTest::qWaitForWindowExposed(&other));
            QTest::mouseClick(button(&other, "btnAggiungi"), Qt::LeftButton);
            const std::pair<const char *, const char *> values[] = {
                {"txtData", "01/03/2024"}, {"txtOraInizio", "08:30"}, {"txtOraFine", "09:45"}, {"txtDurata", "75 minuti lunghi"},
                {"txtVeicolo", "Lancia Ypsilon 1.0 hybrid"}, {"txtTarga", "CD456EF"}, {"txtIstruttore", "Roberto Esposito"},
                {"txtModulo", "Guida extraurbana e autostrada"}};
            for (const auto &[name, text] : values)
                field(&other, name)->setText(QString::fromLatin1(text));
            QTest::mouseClick(button(&other, "btnSalva"), Qt::LeftButton);
            QCOMPARE(m_dialogs->take(), kAppended);
        }

        QFile fixture(QStringLiteral(VOLANTIX_FIXTURES "/lessons_with_remnants.lez"));
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        const QByteArray given = fixture.readAll();
        QCOMPARE(given.size(), 2 * LessonRecord::Size);
        const QString path = ProgramFolder::filePath(QStringLiteral("Lezioni_Guida_Allievo_9.lez"));
        QVERIFY(writeAll(path, given));

        TfrmLezioniGuida lessons(registry());
        lessons.setStudent({QStringLiteral("Mario"), QStringLiteral("Rossi"), QStringLiteral("B"), QStringLiteral("9")});
        lessons.show();
        QVERIFY(QTest::qWaitForWindowExposed(&lessons));
        QCOMPARE(lessons.list()->lineModel()->rowCount(), 1); // the second lesson has no date
        // The record expected: the fields, each a length byte and its text, at their
        // places in a lesson, over the bytes of the file's last record.
        QByteArray expected = given.mid(LessonRecord::Size);
        const auto put = [&expected](int offset, const char *text) {
            const QByteArray bytes(text);
            expected[offset] = static_cast<char>(bytes.size());
            expected.replace(offset + 1, bytes.size(), bytes);
        };
        if (modify) {
            lessons.list()->selectRow(0);
            QTest::mouseClick(button(&lessons, "btnModifica"), Qt::LeftButton);
            QCOMPARE(field(&lessons, "txtOraInizio")->text(), QStringLiteral("07:30"));
            field(&lessons, "txtModulo")->setText(QStringLiteral("Rotatorie"));
            put(0, "02/03/2024");
            put(11, "1 ora");
            put(26, "07:30");
            put(32, "08:30");
            put(38, "Fiat Panda");
            put(65, "AB123CD");
            put(76, "Gianni");
            put(103, "Rotatorie");
        } else {
            QTest::mouseClick(button(&lessons, "btnAggiungi"), Qt::LeftButton);
            field(&lessons, "txtData")->setText(QStringLiteral("06/03/2024"));
            field(&lessons, "txtDurata")->setText(QStringLiteral("2 ore"));
            field(&lessons, "txtVeicolo")->setText(QStringLiteral("Fiat Punto"));
            field(&lessons, "txtTarga")->setText(QStringLiteral("ZZ999ZZ"));
            field(&lessons, "txtIstruttore")->setText(QStringLiteral("Anna"));
            field(&lessons, "txtModulo")->setText(QStringLiteral("Notturna"));
            put(0, "06/03/2024");
            put(11, "2 ore");
            put(26, ""); // the remnant 10:15 stays after the zero length
            put(32, "");
            put(38, "Fiat Punto");
            put(65, "ZZ999ZZ");
            put(76, "Anna");
            put(103, "Notturna");
        }
        QTest::mouseClick(button(&lessons, "btnSalva"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), modify ? kSaved : kAppended);
        const QByteArray bytes = readAll(path);
        QCOMPARE(bytes.size(), (modify ? 2 : 3) * LessonRecord::Size);
        const QByteArray saved = bytes.mid(modify ? 0 : 2 * LessonRecord::Size, LessonRecord::Size);
        QCOMPARE(saved.toHex(' '), expected.toHex(' '));
        // The lessons not saved are as they were.
        QCOMPARE(bytes.mid(LessonRecord::Size, LessonRecord::Size), given.mid(LessonRecord::Size));
        if (!modify)
            QCOMPARE(bytes.left(LessonRecord::Size), given.left(LessonRecord::Size));
    }

    void lessonSaveFailureIsAWarning()
    {
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Lezioni_Guida_Allievo_4.lez")));
        TfrmLezioniGuida lessons(registry());
        lessons.setStudent({QStringLiteral("M"), QStringLiteral("R"), QStringLiteral("B"), QStringLiteral("4")});
        lessons.show();
        QTest::mouseClick(button(&lessons, "btnAggiungi"), Qt::LeftButton);
        for (const char *name : {"txtData", "txtDurata", "txtVeicolo", "txtTarga", "txtIstruttore", "txtModulo"})
            field(&lessons, name)->setText(QStringLiteral("x"));
        QTest::mouseClick(button(&lessons, "btnSalva"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.first().first, Kind::Warning);
        QCOMPARE(m_dialogs->take(), ArchiveAccessError(FailureCause::Damaged));
    }

    // --- current attendees ---

    void attendeesSortedAndCalledUp()
    {
        QVERIFY(writeAll(archive(), studentBytes(QStringLiteral("Alfa"), QStringLiteral("Anna"), QStringLiteral("No"))
                                        + studentBytes(QStringLiteral("charlie"), QStringLiteral("Carlo"), QStringLiteral("No"))
                                        + studentBytes(QStringLiteral("Bravo"), QStringLiteral("Bruno"), QStringLiteral("No"))
                                        + studentBytes(QStringLiteral("Delta"), QStringLiteral("Dario"), QStringLiteral("S\u00EC"))
                                        + studentBytes(QStringLiteral("Bravo"), QStringLiteral("Bruno"), QStringLiteral("S\u00EC"))));
        QStringList lines;
        whenModalOpens([&](QWidget *modal) {
            auto *list = modal->findChild<LineListView *>(QStringLiteral("lstRecords"));
            lines = list->lineModel()->lines();
            list->selectRow(1); // Bravo Bruno
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->lineModel()->index(1)).center());
        });
        QTest::mouseClick(registry()->control("cmdFrequentatoriOra"), Qt::LeftButton);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith(QStringLiteral("Alfa Anna")));
        QVERIFY(lines[1].startsWith(QStringLiteral("Bravo Bruno")));
        QVERIFY(lines[2].startsWith(QStringLiteral("charlie Carlo")));
        // The finished Bravo Bruno later in the archive gives the same line, but the
        // line listed was made from the attending one: that one is loaded.
        QCOMPARE(position(), QStringLiteral("3"));
        QCOMPARE(field("txtCognome")->text(), QStringLiteral("Bravo"));
        QVERIFY(!registry()->control<QCheckBox>("chkRicontatta")->isChecked());
    }

    // A value longer than its field shows its beginning, and the field's hint the
    // whole value, on the registry as loaded from the archive.
    void longValuesShowTheirBeginning()
    {
        const QString address = QStringLiteral("Via dei Santissimi Apostoli Pietro e Paolo, 123, scala B, interno 7, presso Bianchi");
        RecordBuffer student(StudentRecord::layout());
        student.setBytes(studentBytes(QStringLiteral("Rossi"), QStringLiteral("Mario"), QStringLiteral("No")));
        student.setText(StudentRecord::txtViaPro, address);
        registry()->LoadStudentScreen(student, 1);
        QLineEdit *street = field("txtViaPro");
        QCOMPARE(street->text(), address);
        QCOMPARE(street->cursorPosition(), 0);
        QCOMPARE(street->toolTip(), address);
        QCOMPARE(field("txtCognome")->cursorPosition(), 0);
        QCOMPARE(field("txtCognome")->toolTip(), QString());
    }

    void identicalAttendeesAreDistinct_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("note");
        // Sorted: Alfa (5), Rossi (2), Rossi (4), Rossi (6), Zeta (1).
        QTest::newRow("first Rossi") << 1 << 2 << QStringLiteral("prima");
        QTest::newRow("second Rossi") << 2 << 4 << QStringLiteral("seconda");
        QTest::newRow("third Rossi") << 3 << 6 << QStringLiteral("terza");
        QTest::newRow("last line, first record") << 4 << 1 << QString();
    }

    // Three attending students give the same line; the list is sorted, so the
    // lines stand in another order than their records. A double click loads the
    // student the picked line was made from.
    void identicalAttendeesAreDistinct()
    {
        QFETCH(int, row);
        QFETCH(int, record);
        QFETCH(QString, note);
        const auto attendee = [](const QString &surname, const QString &address) {
            RecordBuffer student(StudentRecord::layout());
            student.setBytes(studentBytes(surname, QStringLiteral("Mario"), QStringLiteral("No")));
            student.setText(StudentRecord::txtViaPro, address); // not on the line
            return student.bytes();
        };
        QVERIFY(writeAll(archive(), attendee(QStringLiteral("Zeta"), QString()) + attendee(QStringLiteral("Rossi"), QStringLiteral("prima"))
                                        + studentBytes(QStringLiteral("Rossi"), QStringLiteral("Mario"), QStringLiteral("S\u00EC"))
                                        + attendee(QStringLiteral("Rossi"), QStringLiteral("seconda"))
                                        + attendee(QStringLiteral("Alfa"), QString()) + attendee(QStringLiteral("Rossi"), QStringLiteral("terza"))));
        QStringList lines;
        whenModalOpens([&](QWidget *modal) {
            auto *list = modal->findChild<LineListView *>(QStringLiteral("lstRecords"));
            lines = list->lineModel()->lines();
            list->selectRow(row);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->lineModel()->index(row)).center());
        });
        QTest::mouseClick(registry()->control("cmdFrequentatoriOra"), Qt::LeftButton);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[1], lines[2]);
        QCOMPARE(lines[2], lines[3]);
        QCOMPARE(position(), QString::number(record));
        QCOMPARE(field("txtViaPro")->text(), note);
        QVERIFY(!registry()->control<QCheckBox>("chkRicontatta")->isChecked());
    }

    void quickFindTellsNoMatch_data()
    {
        QTest::addColumn<bool>("lessons");
        QTest::newRow("current attendees") << false;
        QTest::newRow("driving lessons") << true;
    }

    // A fragment no line holds: no line stays picked and the screen, which has no
    // status line, says so under the find field.
    void quickFindTellsNoMatch()
    {
        QFETCH(bool, lessons);
        QVERIFY(writeAll(archive(), studentBytes(QStringLiteral("Rossi"), QStringLiteral("Mario"), QStringLiteral("No"))));
        QVERIFY(writeAll(ProgramFolder::filePath(QStringLiteral("Lezioni_Guida_Allievo_1.lez")),
                         lessonBytes(QStringLiteral("01/03/2024"), QStringLiteral("Rotatorie"))));
        std::unique_ptr<ScreenKit::Screen> screen;
        if (lessons) {
            auto lessonScreen = std::make_unique<TfrmLezioniGuida>(registry());
            lessonScreen->setStudent({QStringLiteral("Mario"), QStringLiteral("Rossi"), QStringLiteral("B"), QStringLiteral("1")});
            screen = std::move(lessonScreen);
        } else {
            screen = std::make_unique<TfrmFrequentatoriOra>(registry());
        }
        screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
        auto *list = screen->control<LineListView>("lstRecords");
        auto *find = screen->control<QLineEdit>("txtTrova");
        QCOMPARE(list->lineModel()->rowCount(), 1);
        find->setText(lessons ? QStringLiteral("rotat") : QStringLiteral("ross"));
        QTest::keyClick(find, Qt::Key_Return);
        QCOMPARE(list->selectedRow(), 0);
        auto *outcome = screen->control<QLabel>("lblEsitoTrova");
        QVERIFY(!outcome->isVisible());
        find->setText(QStringLiteral("qq")); // not "zz": "Mezzo" holds it
        QTest::mouseClick(screen->control<QPushButton>("btnTrova"), Qt::LeftButton);
        QCOMPARE(list->selectedRow(), -1);
        QVERIFY(outcome->isVisible());
        QCOMPARE(outcome->text(), QStringLiteral("Nessuna corrispondenza"));
        QVERIFY(screen->control("shpTrova")->geometry().contains(outcome->geometry()));
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    void tabOrderOfTheListScreens_data()
    {
        QTest::addColumn<bool>("lessons");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("current attendees") << false
                                           << QStringList{"txtTrova", "lstRecords", "btnStampa", "btnTrova", "btnChiudi"};
        QTest::newRow("driving lessons") << true
                                         << QStringList{"txtTrova", "lstRecords", "btnStampa", "btnTrova", "btnChiudi", "btnAggiungi",
                                                        "btnModifica", "btnRegistro"};
    }

    // Tab walks the controls from the find field in the screen's order.
    void tabOrderOfTheListScreens()
    {
        QFETCH(bool, lessons);
        QFETCH(QStringList, order);
        std::unique_ptr<ScreenKit::Screen> screen;
        if (lessons) {
            auto lessonScreen = std::make_unique<TfrmLezioniGuida>(registry());
            lessonScreen->setStudent({QStringLiteral("Mario"), QStringLiteral("Rossi"), QStringLiteral("B"), QStringLiteral("1")});
            screen = std::move(lessonScreen);
        } else {
            screen = std::make_unique<TfrmFrequentatoriOra>(registry());
        }
        screen->show();
        QVERIFY(QTest::qWaitForWindowActive(screen.get()));
        QTRY_COMPARE(QApplication::focusWidget(), screen->control(order.first().toLatin1().constData()));
        QStringList walked{order.first()};
        for (qsizetype i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(walked, order);
    }

    void attendeesOfAnInstanceThatPutsOffBuilding_data()
    {
        QTest::addColumn<bool>("byShowing");
        QTest::newRow("asked for its list") << false;
        QTest::newRow("shown") << true;
    }

    void attendeesOfAnInstanceThatPutsOffBuilding()
    {
        // Created like the start-up instance: the archive is read at once, the list
        // is made only when needed, and then holds what was read.
        QFETCH(bool, byShowing);
        QVERIFY(writeAll(archive(), studentBytes(QStringLiteral("Bravo"), QStringLiteral("Bruno"), QStringLiteral("No"))
                                        + studentBytes(QStringLiteral("Alfa"), QStringLiteral("Anna"), QStringLiteral("No"))));
        std::unique_ptr<TfrmFrequentatoriOra> screen;
        {
            const ScreenKit::DeferredBuilding deferred;
            screen = std::make_unique<TfrmFrequentatoriOra>();
        }
        QVERIFY(!screen->isBuilt());
        QVERIFY(screen->findChild<LineListView *>() == nullptr);
        QVERIFY(writeAll(archive(), QByteArray())); // later changes do not reach the lines read at creation
        if (byShowing) {
            screen->show();
            QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
            QVERIFY(screen->control("lstRecords")->isVisible());
        }
        auto *list = screen->control<LineListView>("lstRecords");
        QVERIFY(screen->isBuilt());
        const QStringList lines = list->lineModel()->lines();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].startsWith(QStringLiteral("Alfa Anna")));
        QVERIFY(lines[1].startsWith(QStringLiteral("Bravo Bruno")));
    }

    // --- attachments ---

    void attachingAFile()
    {
        m_chosen = writeElsewhere(QStringLiteral("patente.pdf"), "PDF-1");
        whenModalOpens([&](QWidget *modal) {
            QVERIFY(!button(modal, "btnApri01")->isEnabled());
            QTest::mouseClick(button(modal, "btnSfoglia01"), Qt::LeftButton);
            QCOMPARE(field(modal, "txtFile01")->text(), QStringLiteral("patente.pdf"));
            QVERIFY(button(modal, "btnApri01")->isEnabled());
            field(modal, "txtDesc01")->setText(QStringLiteral("  Patente fronte  "));
            QTest::mouseClick(button(modal, "btnApri01"), Qt::LeftButton);
            QTest::mouseClick(button(modal, "btnApplica"), Qt::LeftButton);
        });
        QTest::mouseClick(registry()->control("cmdFile"), Qt::LeftButton);
        const QString stored = m_dir.filePath(QStringLiteral("Documenti_Allegati/patente.pdf"));
        QCOMPARE(readAll(stored), QByteArray("PDF-1"));
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(stored)});
        QCOMPARE(registry()->control<QLabel>("lblFile01")->text(), QStringLiteral("patente.pdf"));
        QCOMPARE(registry()->control<QLabel>("lblDesc01")->text(), QStringLiteral("Patente fronte"));
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    void attachedFileIsStoredUnderTheRecordsName_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("stored");
        QTest::newRow("accents and the euro") << QStringLiteral("Patente gi\u00E0 rinnovata \u20AC.pdf")
                                              << QStringLiteral("Patente gi\u00E0 rinnovata \u20AC.pdf");
        QTest::newRow("outside the code page") << QStringLiteral("na\u00EFve\u2713.txt") << QStringLiteral("na\u00EFve_.txt");
        QTest::newRow("outside the basic plane, one character") << QStringLiteral("foto\U0001F600.jpg") << QStringLiteral("foto_.jpg");
#ifndef Q_OS_WIN
        // Names that only other systems give a file.
        QTest::newRow("refused by Windows") << QStringLiteral("a\\b:c*d?e\"f<g>h|i.txt") << QStringLiteral("a_b_c_d_e_f_g_h_i.txt");
        QTest::newRow("all at once") << QStringLiteral("Perch\u00E9 na\u00EFve\u2713 1:2?.pdf") << QStringLiteral("Perch\u00E9 na\u00EFve_ 1_2_.pdf");
        QTest::newRow("a control character") << QStringLiteral("riga\nnuova.txt") << QStringLiteral("riga_nuova.txt");
        QTest::newRow("longer than the field") << QString(248, QLatin1Char('x')) + QStringLiteral(".pdf")
                                               << QString(248, QLatin1Char('x')) + QStringLiteral(".p");
#endif
    }

    // The slot, the record and the stored file carry one name, so that the saved
    // record opens its file.
    void attachedFileIsStoredUnderTheRecordsName()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, stored);
        m_chosen = writeElsewhere(chosen, "CONTENUTO");
        QVERIFY(QFileInfo::exists(m_chosen));
        whenModalOpens([&](QWidget *modal) {
            QTest::mouseClick(button(modal, "btnSfoglia01"), Qt::LeftButton);
            QCOMPARE(field(modal, "txtFile01")->text(), stored);
            QTest::mouseClick(button(modal, "btnApplica"), Qt::LeftButton);
        });
        QTest::mouseClick(registry()->control("cmdFile"), Qt::LeftButton);
        QVERIFY(m_dialogs->shown.isEmpty());
        const QDir folder(m_dir.filePath(QStringLiteral("Documenti_Allegati")));
        QCOMPARE(folder.entryList(QDir::Files), QStringList{stored});

        fillMandatory();
        click("cmdSalva");
        QCOMPARE(m_dialogs->take(), kAppended);
        RecordBuffer record(StudentRecord::layout());
        record.setBytes(readAll(archive()));
        QCOMPARE(record.text(StudentRecord::lblFile01), stored);

        // Called up again from the archive, Apri opens the stored file.
        click("cmdNuovo");
        QVERIFY(registry()->control<QLabel>("lblFile01")->text().isEmpty());
        click("cmdPrimo");
        whenModalOpens([&](QWidget *modal) {
            QCOMPARE(field(modal, "txtFile01")->text(), stored);
            QTest::mouseClick(button(modal, "btnApri01"), Qt::LeftButton);
        });
        QTest::mouseClick(registry()->control("cmdFile"), Qt::LeftButton);
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(readAll(m_opened.first().toLocalFile()), QByteArray("CONTENUTO"));
    }

    QString stored(const QString &name) const { return m_dir.filePath(QStringLiteral("Documenti_Allegati/") + name); }
    QStringList storedFiles() const { return QDir(m_dir.filePath(QStringLiteral("Documenti_Allegati"))).entryList(QDir::Files); }

    void replacingTheSlotsOwnFileAsks_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("kept");
        QTest::newRow("yes") << int(Dialogs::Answer::Yes) << QByteArray("NUOVA");
        QTest::newRow("no") << int(Dialogs::Answer::No) << QByteArray("VECCHIA");
    }

    // The file the slot links may be replaced, after a question.
    void replacingTheSlotsOwnFileAsks()
    {
        QFETCH(int, answer);
        QFETCH(QByteArray, kept);
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("Documenti_Allegati"))));
        QVERIFY(writeAll(stored(QStringLiteral("foto.jpg")), "VECCHIA"));
        registry()->control<QLabel>("lblFile02")->setText(QStringLiteral("foto.jpg"));
        m_chosen = writeElsewhere(QStringLiteral("foto.jpg"), "NUOVA");
        m_dialogs->answer = static_cast<Dialogs::Answer>(answer);
        whenModalOpens([&](QWidget *modal) {
            QTest::mouseClick(button(modal, "btnSfoglia02"), Qt::LeftButton);
            QCOMPARE(field(modal, "txtFile02")->text(), QStringLiteral("foto.jpg"));
            QTest::mouseClick(button(modal, "btnApplica"), Qt::LeftButton);
        });
        QTest::mouseClick(registry()->control("cmdFile"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown.first().first, Kind::Confirmation);
        QCOMPARE(m_dialogs->take(), QStringLiteral("Attenzione: nella cartella dei documenti allegati \u00E8 presente un file con lo stesso nome.\r\n\r\nSi vuole sovrascrivere il file esistente?"));
        QCOMPARE(readAll(stored(QStringLiteral("foto.jpg"))), kept);
        QCOMPARE(storedFiles(), QStringList{QStringLiteral("foto.jpg")});
    }

    void anotherFileOfTheNameIsNeverOverwritten_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("present");  // files in the folder before
        QTest::addColumn<QStringList>("links");    // names saved records link (student 1's three slots)
        QTest::addColumn<QString>("slotLinks");    // what the slot links when the screen opens
        QTest::addColumn<QString>("attachedAs");
        QTest::addColumn<QString>("status");
        const QString pink = QStringLiteral("foglio_rosa.pdf");
        const QString taken = QStringLiteral("Nella cartella dei documenti allegati \u00E8 gi\u00E0 presente un altro file \"%1\". "
                                             "Il file \u00E8 allegato come \"%2\".");
        QTest::newRow("an empty slot") << pink << QStringList{pink} << QStringList{pink} << QString() << "foglio_rosa (2).pdf"
                                       << taken.arg(pink, QStringLiteral("foglio_rosa (2).pdf"));
        QTest::newRow("a slot that links another file") << pink << QStringList{pink, QStringLiteral("patente.pdf")} << QStringList{}
                                                        << "patente.pdf" << "foglio_rosa (2).pdf"
                                                        << taken.arg(pink, QStringLiteral("foglio_rosa (2).pdf"));
        QTest::newRow("the second name taken too") << pink << QStringList{pink, QStringLiteral("foglio_rosa (2).pdf")} << QStringList{}
                                                   << QString() << "foglio_rosa (3).pdf"
                                                   << taken.arg(pink, QStringLiteral("foglio_rosa (3).pdf"));
        QTest::newRow("the second name linked by a record whose file is gone")
            << pink << QStringList{pink} << QStringList{QStringLiteral("foglio_rosa (2).pdf")} << QString() << "foglio_rosa (3).pdf"
            << taken.arg(pink, QStringLiteral("foglio_rosa (3).pdf"));
        QTest::newRow("a name without extension") << "LEGGIMI" << QStringList{QStringLiteral("LEGGIMI")} << QStringList{} << QString()
                                                  << "LEGGIMI (2)" << taken.arg(QStringLiteral("LEGGIMI"), QStringLiteral("LEGGIMI (2)"));
        QTest::newRow("a name changed for the code page, then taken")
            << "na\u00EFve\u2713.txt" << QStringList{QStringLiteral("na\u00EFve_.txt")} << QStringList{} << QString() << "na\u00EFve_ (2).txt"
            << QStringLiteral("Il nome del file conteneva caratteri non ammessi, sostituiti da \"_\". ")
                   + taken.arg(QStringLiteral("na\u00EFve_.txt"), QStringLiteral("na\u00EFve_ (2).txt"));
        QTest::newRow("a name changed for the code page") << "na\u00EFve\u2713.txt" << QStringList{} << QStringList{} << QString()
                                                          << "na\u00EFve_.txt"
                                                          << "Il nome del file conteneva caratteri non ammessi, sostituiti da \"_\". "
                                                             "Il file \u00E8 allegato come \"na\u00EFve_.txt\".";
        QTest::newRow("a free name") << pink << QStringList{} << QStringList{pink} << QString() << pink << QString();
    }

    // A file of the chosen name that the slot does not link belongs to someone
    // else: the new file is stored beside it under a free name, and the user is told.
    void anotherFileOfTheNameIsNeverOverwritten()
    {
        QFETCH(QString, chosen);
        QFETCH(QStringList, present);
        QFETCH(QStringList, links);
        QFETCH(QString, slotLinks);
        QFETCH(QString, attachedAs);
        QFETCH(QString, status);
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("Documenti_Allegati"))));
        for (const QString &name : present)
            QVERIFY(writeAll(stored(name), "DI UN ALTRO ALLIEVO " + name.toUtf8()));
        RecordBuffer other(StudentRecord::layout());
        other.setBytes(studentBytes(QStringLiteral("Verdi"), QStringLiteral("Anna"), QStringLiteral("No")));
        for (int i = 0; i < links.size(); ++i)
            other.setText(StudentRecord::lblFile01 + i, links.at(i));
        QVERIFY(writeAll(archive(), other.bytes()));
        registry()->control<QLabel>("lblFile01")->setText(slotLinks);
        m_chosen = writeElsewhere(chosen, "NUOVO");
        QString said;
        whenModalOpens([&](QWidget *modal) {
            QTest::mouseClick(button(modal, "btnSfoglia01"), Qt::LeftButton);
            QCOMPARE(field(modal, "txtFile01")->text(), attachedAs);
            said = modal->findChild<QLabel *>(QStringLiteral("panInfo"))->text();
            QTest::mouseClick(button(modal, "btnApplica"), Qt::LeftButton);
        });
        QTest::mouseClick(registry()->control("cmdFile"), Qt::LeftButton);
        QVERIFY(m_dialogs->shown.isEmpty());
        QCOMPARE(said, status);
        for (const QString &name : present)
            QCOMPARE(readAll(stored(name)), "DI UN ALTRO ALLIEVO " + name.toUtf8());
        QCOMPARE(readAll(stored(attachedAs)), QByteArray("NUOVO"));
        QCOMPARE(storedFiles().size(), present.size() + 1);
        // The record keeps the name the file was stored under.
        fillMandatory();
        click("cmdSalva");
        QCOMPARE(m_dialogs->take(), kAppended);
        RecordBuffer saved(StudentRecord::layout());
        saved.setBytes(readAll(archive()).right(StudentRecord::Size));
        QCOMPARE(saved.text(StudentRecord::lblFile01), attachedAs);
    }

    void annullaRemovesTheCopiesOfTheVisit_data()
    {
        QTest::addColumn<QString>("leaving");
        QTest::addColumn<bool>("savedMeanwhile"); // a saved record links the copy before the user leaves
        QTest::addColumn<QStringList>("left");    // the folder afterwards
        const QStringList before{QStringLiteral("foglio_rosa.pdf")};
        const QStringList both{QStringLiteral("foglio_rosa (2).pdf"), QStringLiteral("foglio_rosa.pdf"), QStringLiteral("referto.pdf")};
        QTest::newRow("Annulla") << "Annulla" << false << before;
        QTest::newRow("the window closed") << "closed" << false << before;
        QTest::newRow("Annulla, a record links a copy") << "Annulla" << true
                                                        << QStringList{QStringLiteral("foglio_rosa (2).pdf"), QStringLiteral("foglio_rosa.pdf")};
        QTest::newRow("Applica e chiudi") << "Applica" << false << both;
    }

    // What the visit copied in goes with Annulla; what was there before stays.
    void annullaRemovesTheCopiesOfTheVisit()
    {
        QFETCH(QString, leaving);
        QFETCH(bool, savedMeanwhile);
        QFETCH(QStringList, left);
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("Documenti_Allegati"))));
        QVERIFY(writeAll(stored(QStringLiteral("foglio_rosa.pdf")), "DI UN ALTRO ALLIEVO"));
        whenModalOpens([&](QWidget *modal) {
            m_chosen = writeElsewhere(QStringLiteral("foglio_rosa.pdf"), "NUOVO");
            QTest::mouseClick(button(modal, "btnSfoglia01"), Qt::LeftButton);
            m_chosen = writeElsewhere(QStringLiteral("referto.pdf"), "REFERTO");
            QTest::mouseClick(button(modal, "btnSfoglia02"), Qt::LeftButton);
            QCOMPARE(storedFiles().size(), 3);
            if (savedMeanwhile) {
                RecordBuffer other(StudentRecord::layout());
                other.setBytes(studentBytes(QStringLiteral("Verdi"), QStringLiteral("Anna"), QStringLiteral("No")));
                other.setText(StudentRecord::lblFile03, QStringLiteral("foglio_rosa (2).pdf"));
                QVERIFY(writeAll(archive(), other.bytes()));
            }
            if (leaving == QLatin1String("Annulla"))
                QTest::mouseClick(button(modal, "btnAnnulla"), Qt::LeftButton);
            else if (leaving == QLatin1String("Applica"))
                QTest::mouseClick(button(modal, "btnApplica"), Qt::LeftButton);
            else
                modal->close();
        });
        QTest::mouseClick(registry()->control("cmdFile"), Qt::LeftButton);
        QCOMPARE(storedFiles(), left);
        QCOMPARE(readAll(stored(QStringLiteral("foglio_rosa.pdf"))), QByteArray("DI UN ALTRO ALLIEVO"));
        QCOMPARE(registry()->control<QLabel>("lblFile01")->text().isEmpty(), leaving != QLatin1String("Applica"));
    }

    void annullaKeepsAFileItReplaced()
    {
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("Documenti_Allegati"))));
        QVERIFY(writeAll(stored(QStringLiteral("foto.jpg")), "VECCHIA"));
        registry()->control<QLabel>("lblFile01")->setText(QStringLiteral("foto.jpg"));
        m_chosen = writeElsewhere(QStringLiteral("foto.jpg"), "NUOVA");
        whenModalOpens([&](QWidget *modal) {
            QTest::mouseClick(button(modal, "btnSfoglia01"), Qt::LeftButton);
            QTest::mouseClick(button(modal, "btnAnnulla"), Qt::LeftButton);
        });
        QTest::mouseClick(registry()->control("cmdFile"), Qt::LeftButton);
        // Replaced at the user's word: the file existed before the visit and stays.
        QCOMPARE(storedFiles(), QStringList{QStringLiteral("foto.jpg")});
        QCOMPARE(readAll(stored(QStringLiteral("foto.jpg"))), QByteArray("NUOVA"));
    }

    void cancelAndAnnullaChangeNothing()
    {
        registry()->control<QLabel>("lblFile03")->setText(QStringLiteral("vecchio.pdf"));
        whenModalOpens([&](QWidget *modal) {
            QCOMPARE(field(modal, "txtFile03")->text(), QStringLiteral("vecchio.pdf"));
            m_chosen.clear(); // the file dialog is cancelled
            QTest::mouseClick(button(modal, "btnSfoglia03"), Qt::LeftButton);
            QCOMPARE(field(modal, "txtFile03")->text(), QStringLiteral("vecchio.pdf"));
            QTest::mouseClick(modal->findChild<QWidget *>(QStringLiteral("imgCancella03")), Qt::LeftButton);
            QVERIFY(field(modal, "txtFile03")->text().isEmpty());
            QVERIFY(!button(modal, "btnApri03")->isEnabled());
            QTest::mouseClick(button(modal, "btnAnnulla"), Qt::LeftButton);
        });
        QTest::mouseClick(registry()->control("cmdFile"), Qt::LeftButton);
        QCOMPARE(registry()->control<QLabel>("lblFile03")->text(), QStringLiteral("vecchio.pdf"));
    }

    void sameFileForAStudentAndAFormIsStoredOnce()
    {
        m_chosen = writeElsewhere(QStringLiteral("comune.pdf"), "X");
        whenModalOpens([&](QWidget *modal) {
            QTest::mouseClick(button(modal, "btnSfoglia01"), Qt::LeftButton);
            QTest::mouseClick(button(modal, "btnApplica"), Qt::LeftButton);
        });
        QTest::mouseClick(registry()->control("cmdFile"), Qt::LeftButton);
        registry()->close();
        m_screens->frmAvvio()->imgModelloClick();
        TfrmMod_TT2112 *manager = m_screens->frmMod_TT2112();
        QVERIFY(QTest::qWaitForWindowExposed(manager));
        whenModalOpens([&](QWidget *modal) {
            QTest::mouseClick(button(modal, "btnSfoglia01"), Qt::LeftButton);
            QTest::mouseClick(button(modal, "btnApplica"), Qt::LeftButton);
        });
        QTest::mouseClick(manager->control("cmdFile"), Qt::LeftButton);
        QCOMPARE(manager->control<QLabel>("lblFile01")->text(), QStringLiteral("comune.pdf"));
        QCOMPARE(QDir(m_dir.filePath(QStringLiteral("Documenti_Allegati"))).entryList(QDir::Files), QStringList{QStringLiteral("comune.pdf")});
    }

    void choosingTheStoredFileItselfKeepsIt()
    {
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("Documenti_Allegati"))));
        const QString stored = m_dir.filePath(QStringLiteral("Documenti_Allegati/referto.pdf"));
        QVERIFY(writeAll(stored, "REFERTO"));
        m_chosen = stored;
        whenModalOpens([&](QWidget *modal) { QTest::mouseClick(button(modal, "btnSfoglia01"), Qt::LeftButton); });
        QTest::mouseClick(registry()->control("cmdFile"), Qt::LeftButton);
        QVERIFY(m_dialogs->shown.isEmpty());
        QCOMPARE(readAll(stored), QByteArray("REFERTO"));
    }

    void failedCopyLeavesTheStoredFileWhole()
    {
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("Documenti_Allegati"))));
        const QString stored = m_dir.filePath(QStringLiteral("Documenti_Allegati/doc.pdf"));
        QVERIFY(writeAll(stored, "INTERO"));
        QVERIFY(QDir(m_elsewhere.path()).mkdir(QStringLiteral("doc.pdf"))); // cannot be read as a file
        m_chosen = m_elsewhere.filePath(QStringLiteral("doc.pdf"));
        registry()->control<QLabel>("lblFile01")->setText(QStringLiteral("doc.pdf")); // replaced, at the user's word
        whenModalOpens([&](QWidget *modal) {
            QTest::mouseClick(button(modal, "btnSfoglia01"), Qt::LeftButton);
            QCOMPARE(field(modal, "txtFile01")->text(), QStringLiteral("doc.pdf"));
        });
        QTest::mouseClick(registry()->control("cmdFile"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.last().first, Kind::Warning);
        QVERIFY(m_dialogs->take().startsWith(QStringLiteral("Attenzione: non \u00E8 stato possibile copiare il file")));
        QCOMPARE(readAll(stored), QByteArray("INTERO"));
        QCOMPARE(QDir(m_dir.filePath(QStringLiteral("Documenti_Allegati"))).entryList(QDir::Files), QStringList{QStringLiteral("doc.pdf")});
        QDir(m_elsewhere.filePath(QStringLiteral("doc.pdf"))).removeRecursively();
    }

    void openUsesTheBareNameOnly()
    {
        registry()->control<QLabel>("lblFile01")->setText(QStringLiteral("../../etc/passwd"));
        whenModalOpens([&](QWidget *modal) { QTest::mouseClick(button(modal, "btnApri01"), Qt::LeftButton); });
        QTest::mouseClick(registry()->control("cmdFile"), Qt::LeftButton);
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("Documenti_Allegati/passwd")))});
    }
};

QTEST_MAIN(TestStudents)
#include "tst_students.moc"
