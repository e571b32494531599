#include "DialogRecorder.h"
#include "Modal.h"
#include "TestSupport.h"

#include "shell/QuickFind.h"
#include "search/Search.h"
#include "search/TrovaScreen.h"
#include "app/Avvio.h"
#include "shell/LineList.h"
#include "shell/RecordEditor.h"
#include "app/ScreenSet.h"
#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "students/Allievi.h"
#include "tt2112/Mod_TT2112.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace TestSupport;

namespace {

struct Student {
    const char *surname;
    const char *name;
    const char *note = "";
};

QByteArray students(std::initializer_list<Student> list)
{
    QByteArray bytes;
    int n = 0;
    for (const Student &s : list) {
        RecordBuffer record(StudentRecord::layout());
        record.setText(StudentRecord::txtCognome, QString::fromUtf8(s.surname));
        record.setText(StudentRecord::txtNome, QString::fromUtf8(s.name));
        record.setText(StudentRecord::txtNote, QString::fromUtf8(s.note));
        record.setText(StudentRecord::txtNumIsc, QString::number(++n));
        record.setText(StudentRecord::txtSesso, QStringLiteral("F"));
        record.setText(StudentRecord::txtPrescrizioni, QStringLiteral("01"));
        record.setText(StudentRecord::txtCatPat, QStringLiteral("B"));
        record.setYesNo(StudentRecord::chkRicontatta, false);
        bytes += record.bytes();
    }
    return bytes;
}

QByteArray form(const char *surname, const char *birth, const char *date)
{
    RecordBuffer record(TT2112Record::layout());
    record.setText(TT2112Record::txtCodice, QStringLiteral("AS1"));
    record.setText(TT2112Record::txtCognome, QString::fromUtf8(surname));
    record.setText(TT2112Record::txtNome, QStringLiteral("Anna"));
    record.setText(TT2112Record::txtDataNascPro, QString::fromUtf8(birth));
    record.setText(TT2112Record::txtData, QString::fromUtf8(date));
    record.setYesNo(TT2112Record::chkConseguimento, true);
    return record.bytes();
}

QStringList surnamesOf(const QStringList &lines)
{
    QStringList names;
    for (const QString &line : lines)
        names << line.left(28).trimmed();
    return names;
}


} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ScreenSet> m_screens;
    std::unique_ptr<DialogRecorder> m_dialogs;

    QString studentsPath() const { return ProgramFolder::filePath(QStringLiteral("Allievi.pro")); }
    QString formsPath() const { return ProgramFolder::filePath(QStringLiteral("Modelli_TT2112.pro")); }

    QStringList findStudents(std::initializer_list<std::pair<const char *, QString>> filters)
    {
        std::vector<Search::Filter> list;
        for (const auto &[field, text] : filters)
            list.push_back({text, StudentRecord::layout().indexOf(field)});
        return Search::run(studentsPath(), StudentRecord::layout(), list, &Search::studentSearchLine);
    }

private slots:
    void initTestCase()
    {
        ProgramFolder::setOverride(m_dir.path());
    }

    void init()
    {
        for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile::remove(m_dir.filePath(name));
            QDir(m_dir.filePath(name)).removeRecursively();
        }
        m_dialogs = std::make_unique<DialogRecorder>();
    }

    void cleanup()
    {
        m_screens.reset();
        m_dialogs.reset();
    }

    // --- matching and lines ---

    void filters_data()
    {
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("no filter lists everyone") << QString() << QString()
            << QStringList{"Bianco Ross", "Byte\u0081", "Chi?", "De Rossi", "Lira\u20AC", "Ross Bianco", "Rossi", "ROSSINI", "Schir\u00F2",
                           "\u00C8lia", "\u00E8lia"};
        QTest::newRow("ross") << "ross" << QString() << QStringList{"Bianco Ross", "De Rossi", "Ross Bianco", "Rossi", "ROSSINI"};
        QTest::newRow("ross with a blank name filter") << "ross" << "   " << QStringList{"Bianco Ross", "De Rossi", "Ross Bianco", "Rossi", "ROSSINI"};
        QTest::newRow("ross and mar") << "ross" << "mar" << QStringList{"De Rossi", "Rossi"};
        QTest::newRow("trailing blank is searched for") << "ross " << QString() << QStringList{"Ross Bianco"};
        QTest::newRow("accented small letter finds both cases") << "\u00E8" << QString() << QStringList{"\u00C8lia", "\u00E8lia"};
        QTest::newRow("accented capital finds both cases") << "\u00C8LI" << QString() << QStringList{"\u00C8lia", "\u00E8lia"};
        QTest::newRow("capitals with an accent") << "SCHIR\u00D2" << QString() << QStringList{"Schir\u00F2"};
        QTest::newRow("nothing") << "zzz" << QString() << QStringList{};
        QTest::newRow("euro sign") << "\u20AC" << QString() << QStringList{"Lira\u20AC"};
        QTest::newRow("unassigned byte") << "\u0081" << QString() << QStringList{"Byte\u0081"};
        QTest::newRow("a character no record holds") << "\u0100" << QString() << QStringList{};
        QTest::newRow("a sign without case") << "LIRA\u20AC" << QString() << QStringList{"Lira\u20AC"};
    }

    void filters()
    {
        QFETCH(QString, surname);
        QFETCH(QString, name);
        QFETCH(QStringList, found);
        QVERIFY(writeAll(studentsPath(), students({{"Rossi", "Maria"}, {"ROSSINI", "Luca"}, {"De Rossi", "Marco"},
                                                   {"Ross Bianco", "Anna"}, {"\u00C8lia", "Eva"}, {"\u00E8lia", "Ugo"},
                                                   {"Bianco Ross", "Piero"}, {"Lira\u20AC", "Ada"}, {"Byte\u0081", "Ida"},
                                                   {"Chi?", "Ivo"}, {"Schir\u00F2", "Rita"}})));
        QStringList surnames;
        for (const QString &line : findStudents({{"txtCognome", surname}, {"txtNome", name}})) {
            const QString joined = line.left(28).trimmed();
            surnames << joined.left(joined.lastIndexOf(u' '));
        }
        QCOMPARE(surnames, found);
    }

    void fieldsAreSearchedWhole()
    {
        // A stored field with blanks around (written by another program) is searched as stored.
        RecordBuffer record(StudentRecord::layout());
        const QByteArray note = "\x0A  al mattino";
        std::copy(note.begin(), note.end(), record.fieldBytes(StudentRecord::txtNote).begin());
        QVERIFY(writeAll(studentsPath(), record.bytes()));
        QCOMPARE(findStudents({{"txtNote", QStringLiteral("  al")}}).size(), 1);
    }

    void absentArchiveIsCreatedEmpty()
    {
        QCOMPARE(findStudents({}).size(), 0);
        QVERIFY(QFileInfo::exists(studentsPath()));
    }

    void dateFiltersOnTheirOwnFields()
    {
        QVERIFY(writeAll(formsPath(), form("Nata", "03/05/2014", "10/01/2020") + form("Compilata", "03/05/1990", "11/02/2014")));
        const auto find = [&](const char *field) {
            const Search::Filter filter{QStringLiteral("2014"), TT2112Record::layout().indexOf(field)};
            return surnamesOf(Search::run(formsPath(), TT2112Record::layout(), std::span(&filter, 1), &Search::tt2112SearchLine));
        };
        QCOMPARE(find("txtData"), QStringList{QStringLiteral("Compilata Anna")});
        QCOMPARE(find("txtDataNascPro"), QStringList{QStringLiteral("Nata Anna")});
    }

    void searchLines()
    {
        RecordBuffer student(StudentRecord::layout());
        student.setText(StudentRecord::txtCognome, QStringLiteral("Abbondanzieri Rossi"));
        student.setText(StudentRecord::txtNome, QStringLiteral("Mariangela"));
        student.setText(StudentRecord::txtNumIsc, QStringLiteral("123456789012345"));
        student.setText(StudentRecord::txtCodiceCor, QStringLiteral("B"));
        student.setText(StudentRecord::txtNumPat, QStringLiteral("U1A234567B"));
        student.setText(StudentRecord::txtCatPat, QStringLiteral("B, A2"));
        QCOMPARE(Search::StudentSearchLine(student),
                 QStringLiteral("Abbondanzieri Rossi Mariange  Isc. n. 12345678901234  Data:             Tel.                 "
                                "Corso: B                   Pat. n. U1A234567B      Cat. B, A2"));

        RecordBuffer form(TT2112Record::layout());
        form.setText(TT2112Record::txtCognome, QStringLiteral("Nome Cognome Molto Lungo"));
        form.setText(TT2112Record::txtNome, QStringLiteral("Ugo Carlo"));
        form.setText(TT2112Record::txtCodFiscPro, QStringLiteral("ABC"));
        form.setText(TT2112Record::txtData, QStringLiteral("01/02/2014"));
        form.setText(TT2112Record::txtConsegui, QStringLiteral("B"));
        form.setText(TT2112Record::txtNote, QStringLiteral("nota"));
        QCOMPARE(Search::TT2112SearchLine(form),
                 QStringLiteral("Nome Cognome Molto Lungo Ugo C  CF: ABC               Data: 01/02/2014  Patente B   Note: nota"));
    }

    // --- quick find ---

    void quickFindSequence()
    {
        const QStringList lines{QStringLiteral("Bianchi Anna"), QStringLiteral("Rossi Mario"), QStringLiteral("Verdi Maria")};
        QuickFind::State state;
        int selected = -1;
        for (const int expected : {1, 2, 1}) {
            selected = QuickFind::find(lines, selected, QStringLiteral("mar"), state).selected;
            QCOMPARE(selected, expected);
        }
        QCOMPARE(state.LastFindText, QStringLiteral("mar"));
        QCOMPARE(QuickFind::find(lines, 0, QStringLiteral("MARIO"), state).selected, 1);
        // A line selected by hand: the same fragment goes on from there.
        QCOMPARE(QuickFind::find(lines, 2, QStringLiteral("MARIO"), state).selected, 1);
        // New fragments search from the top, whatever is selected.
        QCOMPARE(QuickFind::find(lines, 1, QStringLiteral("ver"), state).selected, 2);
        QCOMPARE(QuickFind::find(lines, 1, QStringLiteral("bia"), state).selected, 0);
    }

    void quickFindEdges_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<int>("after");
        const QStringList names{QStringLiteral("Rossi Mario"), QStringLiteral("Bianchi Rossi"), QStringLiteral("\u00C8lia")};
        QTest::newRow("empty fragment, nothing selected") << names << -1 << QString() << 0;
        QTest::newRow("empty fragment keeps the selection") << names << 2 << QString() << 2;
        QTest::newRow("trailing blank") << QStringList{QStringLiteral("Bianchi Rossi"), QStringLiteral("Rossi Mario")} << -1 << QStringLiteral("rossi ") << 1;
        QTest::newRow("accented capitals fold too") << names << -1 << QStringLiteral("\u00E8") << 2;
        QTest::newRow("no match keeps the selection") << names << 1 << QStringLiteral("zz") << 1;
    }

    void quickFindEdges()
    {
        QFETCH(QStringList, lines);
        QFETCH(int, selected);
        QFETCH(QString, fragment);
        QFETCH(int, after);
        QuickFind::State state;
        const QuickFind::Result result = QuickFind::find(lines, selected, fragment, state);
        QVERIFY(result.applicable);
        QCOMPARE(result.selected, after);
        QCOMPARE(state.LastFindText, Search::lowerCase(fragment));
    }

    void quickFindOnAnEmptyList()
    {
        QuickFind::State state{QStringLiteral("prima")};
        QVERIFY(!QuickFind::find(QStringList(), -1, QStringLiteral("x"), state).applicable);
        QCOMPARE(state.LastFindText, QStringLiteral("prima"));
    }

    // A list of lines made from records tells the record of each row, in any
    // order of the lines; lines that stand for no record tell none.
    void listModelKnowsTheRecordOfEachRow()
    {
        LineListView view;
        RecordLines list;
        Lines::FoldedSort sort;
        for (const auto &[line, position] : {std::pair{"Verdi", 7}, {"Abate", 3}, {"Verdi", 9}}) {
            list.append(QString::fromLatin1(line), position);
            sort.add(QString::fromLatin1(line));
        }
        sort.sort(list.lines);
        view.lineModel()->setLines(std::move(list));
        QCOMPARE(view.lineModel()->lines(), (QStringList{"Abate", "Verdi", "Verdi"}));
        QCOMPARE(view.selectedRecord(), 0);
        const qint64 expected[] = {3, 7, 9};
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(view.lineModel()->recordAt(row), expected[row]);
            view.selectRow(row);
            QCOMPARE(view.selectedRecord(), expected[row]);
        }
        QCOMPARE(view.lineModel()->recordAt(3), 0);
        view.lineModel()->setLines(QStringList{"Abate", "Verdi"});
        view.selectRow(1);
        QCOMPARE(view.selectedRecord(), 0);
    }

    // --- the screens ---

    void studentSearchFromTheRegistry()
    {
        QVERIFY(writeAll(studentsPath(), students({{"Verdi", "Anna", "prima"}, {"rossi", "Maria"}, {"Verdi", "Anna", "seconda"}, {"Bianchi", "Ugo"}})));
        // Records 1 and 3 give the same line only if their enrolment numbers agree.
        RecordBuffer third(StudentRecord::layout());
        QByteArray bytes = readAll(studentsPath());
        third.setBytes(QByteArrayView(bytes).sliced(2 * StudentRecord::Size, StudentRecord::Size));
        third.setText(StudentRecord::txtNumIsc, QStringLiteral("1"));
        bytes.replace(2 * StudentRecord::Size, StudentRecord::Size, third.bytes());
        QVERIFY(writeAll(studentsPath(), bytes));

        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
        m_screens->frmAvvio()->imgAnagraficaClick();
        TfrmAllievi *registry = m_screens->frmAllievi();
        QStringList lines;
        QString found;
        whenModalOpens([&](QWidget *modal) {
            auto *screen = static_cast<TfrmTrovaAllievi *>(modal);
            QCOMPARE(screen->windowTitle(), QStringLiteral(" Trova allievi in archivio"));
            QTRY_VERIFY(screen->control<QLineEdit>("txtCodiceCor")->hasFocus());
            // Enter walks the filters without searching, up to the last, where it presses Cerca.
            QTest::keyClick(screen->control<QLineEdit>("txtCodiceCor"), Qt::Key_Return);
            QVERIFY(screen->control<QLineEdit>("txtTipologiaCor")->hasFocus());
            QVERIFY(!screen->panel()->isVisible());
            QTest::keyClicks(screen->control<QLineEdit>("txtCognome"), QStringLiteral("r"));
            screen->control<QLineEdit>("txtCatPat")->setFocus();
            QTest::keyClick(screen->control<QLineEdit>("txtCatPat"), Qt::Key_Return);
            QVERIFY(screen->control<QLineEdit>("txtNote")->hasFocus());
            QVERIFY(!screen->panel()->isVisible());
            QTest::keyClick(screen->control<QLineEdit>("txtNote"), Qt::Key_Return);
            QVERIFY(screen->panel()->isVisible());
            QCOMPARE(screen->control<QLabel>("lblConta")->text(), QStringLiteral("1"));
            found = screen->control<QLabel>("lblTrovate")->text();
            lines = screen->list()->lineModel()->lines();
            QVERIFY(screen->control<QLineEdit>("txtTrova")->hasFocus());
            // Quick find: Enter in the fragment finds the first match, Trova the next.
            QTest::keyClicks(screen->control<QLineEdit>("txtTrova"), QStringLiteral("anna"));
            QTest::keyClick(screen->control<QLineEdit>("txtTrova"), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), screen->control<QWidget>("txtTrova"));
            QCOMPARE(screen->list()->selectedRow(), 1);
            QTest::mouseClick(screen->control<QPushButton>("btnTrova"), Qt::LeftButton);
            QCOMPARE(screen->list()->selectedRow(), 2);
            QTest::mouseClick(screen->control<QPushButton>("btnTrova"), Qt::LeftButton);
            QCOMPARE(screen->list()->selectedRow(), 1);
            emit screen->list()->lineDoubleClicked();
        });
        QTest::mouseClick(registry->control("cmdTrova"), Qt::LeftButton);
        QCOMPARE(found, QStringLiteral("Il presente riepilogo contiene 3 schede."));
        QCOMPARE(surnamesOf(lines), (QStringList{QStringLiteral("rossi Maria"), QStringLiteral("Verdi Anna"), QStringLiteral("Verdi Anna")}));
        // The two Verdi Anna lines are alike; the one picked was made from the first record.
        QCOMPARE(registry->positionLabel()->text(), QStringLiteral("1"));
        QCOMPARE(registry->control<QLineEdit>("txtNote")->text(), QStringLiteral("prima"));
    }

    void identicalLinesPickTheirOwnRecord_data()
    {
        QTest::addColumn<bool>("forms");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("record");
        // Sorted: Abate (4), Verdi (1), Verdi (3), Verdi (5), Zanna (2).
        for (const bool forms : {false, true}) {
            const char *search = forms ? "TT 2112 search" : "student search";
            QTest::addRow("%s, first of three", search) << forms << 1 << 1;
            QTest::addRow("%s, second of three", search) << forms << 2 << 3;
            QTest::addRow("%s, third of three", search) << forms << 3 << 5;
            QTest::addRow("%s, first line, fourth record", search) << forms << 0 << 4;
        }
    }

    // Records that give the same line stay distinct: the list is sorted, so its
    // lines stand in another order than their records, and a double click loads
    // the record the picked line was made from, with its position.
    void identicalLinesPickTheirOwnRecord()
    {
        QFETCH(bool, forms);
        QFETCH(int, row);
        QFETCH(int, record);
        const RecordLayout &layout = forms ? TT2112Record::layout() : StudentRecord::layout();
        const char *const surnames[] = {"Verdi", "Zanna", "Verdi", "Abate", "Verdi"};
        QByteArray bytes;
        for (int i = 0; i < 5; ++i) {
            RecordBuffer buffer(layout);
            buffer.setText(layout.indexOf("txtCognome"), QString::fromLatin1(surnames[i]));
            buffer.setText(layout.indexOf("txtNome"), QStringLiteral("Anna"));
            // Not on either search's line: tells the records apart.
            buffer.setText(layout.indexOf("txtComuneResPro"), QStringLiteral("Comune %1").arg(i + 1));
            bytes += buffer.bytes();
        }
        QVERIFY(writeAll(forms ? formsPath() : studentsPath(), bytes));
        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
        RecordEditor *editor = nullptr;
        if (forms) {
            m_screens->frmAvvio()->imgModelloClick();
            editor = m_screens->frmMod_TT2112();
        } else {
            m_screens->frmAvvio()->imgAnagraficaClick();
            editor = m_screens->frmAllievi();
        }
        QStringList lines;
        whenModalOpens([&](QWidget *modal) {
            auto *screen = static_cast<TrovaScreen *>(modal);
            QTest::mouseClick(screen->control<QPushButton>("btnCerca"), Qt::LeftButton);
            lines = screen->list()->lineModel()->lines();
            screen->list()->selectRow(row);
            QTest::mouseDClick(screen->list()->viewport(), Qt::LeftButton, {},
                               screen->list()->visualRect(screen->list()->lineModel()->index(row)).center());
        });
        QTest::mouseClick(editor->control("cmdTrova"), Qt::LeftButton);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[1], lines[2]);
        QCOMPARE(lines[2], lines[3]);
        QCOMPARE(editor->positionLabel()->text(), QString::number(record));
        QCOMPARE(editor->control<QLineEdit>("txtComuneResPro")->text(), QStringLiteral("Comune %1").arg(record));
    }

    // The import into the form takes the student of the picked line too.
    void importTakesThePickedStudent()
    {
        QVERIFY(writeAll(studentsPath(), students({{"Rossi", "Maria", "a"}, {"Rossi", "Maria", "b"}})));
        QByteArray bytes = readAll(studentsPath());
        RecordBuffer second(StudentRecord::layout());
        second.setBytes(QByteArrayView(bytes).sliced(StudentRecord::Size, StudentRecord::Size));
        second.setText(StudentRecord::txtNumIsc, QStringLiteral("1")); // the same line as the first
        second.setText(StudentRecord::txtCodFiscPro, QStringLiteral("RSSMRA80A41H501U"));
        bytes.replace(StudentRecord::Size, StudentRecord::Size, second.bytes());
        QVERIFY(writeAll(studentsPath(), bytes));
        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
        m_screens->frmAvvio()->imgModelloClick();
        TfrmMod_TT2112 *manager = m_screens->frmMod_TT2112();
        QStringList lines;
        whenModalOpens([&](QWidget *modal) {
            auto *screen = static_cast<TfrmTrovaAllievi *>(modal);
            QTest::mouseClick(screen->control<QPushButton>("btnCerca"), Qt::LeftButton);
            lines = screen->list()->lineModel()->lines();
            screen->list()->selectRow(1);
            emit screen->list()->lineDoubleClicked();
        });
        QTest::mouseClick(manager->control("cmdImporta"), Qt::LeftButton);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], lines[1]);
        QCOMPARE(manager->control<QLineEdit>("txtCodFiscPro")->text(), QStringLiteral("RSSMRA80A41H501U"));
    }

    void importIntoTheForm()
    {
        QVERIFY(writeAll(studentsPath(), students({{"Rossi", "Maria"}})));
        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
        m_screens->frmAvvio()->imgModelloClick();
        TfrmMod_TT2112 *manager = m_screens->frmMod_TT2112();
        manager->control<QLineEdit>("txtCodice")->setText(QStringLiteral("SCUOLA"));
        manager->control<QLineEdit>("txtNote")->setText(QStringLiteral("nota"));
        manager->control<QLineEdit>("txtTarga")->setText(QStringLiteral("AB123CD"));
        manager->positionLabel()->setText(QStringLiteral("7"));
        whenModalOpens([&](QWidget *modal) {
            auto *screen = static_cast<TfrmTrovaAllievi *>(modal);
            QCOMPARE(screen->memory(), QStringLiteral("modello"));
            QTest::mouseClick(screen->control<QPushButton>("btnCerca"), Qt::LeftButton);
            screen->list()->selectRow(0);
            emit screen->list()->lineDoubleClicked();
        });
        QTest::mouseClick(manager->control("cmdImporta"), Qt::LeftButton);
        QCOMPARE(manager->control<QLineEdit>("txtCognome")->text(), QStringLiteral("Rossi"));
        QCOMPARE(manager->control<QLineEdit>("txtSesso")->text(), QStringLiteral("F"));
        QCOMPARE(manager->control<QLineEdit>("txtPrescrizioni")->text(), QStringLiteral("01"));
        QCOMPARE(manager->control<QLineEdit>("txtCodice")->text(), QStringLiteral("SCUOLA"));
        QCOMPARE(manager->control<QLineEdit>("txtNote")->text(), QStringLiteral("nota"));
        QCOMPARE(manager->control<QLineEdit>("txtTarga")->text(), QStringLiteral("AB123CD"));
        QCOMPARE(manager->positionLabel()->text(), QStringLiteral("7"));
    }

    void formSearchReopensTheForm()
    {
        QVERIFY(writeAll(formsPath(), form("Prima", "01/01/1990", "05/05/2013") + form("Seconda", "01/01/1991", "06/06/2014")));
        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
        m_screens->frmAvvio()->imgModelloClick();
        TfrmMod_TT2112 *manager = m_screens->frmMod_TT2112();
        whenModalOpens([&](QWidget *modal) {
            auto *screen = static_cast<TfrmTrovaModelli *>(modal);
            QCOMPARE(screen->windowTitle(), QStringLiteral(" Trova Modelli TT 2112 in archivio"));
            QTRY_VERIFY(screen->control<QLineEdit>("txtCognome")->hasFocus());
            screen->control<QLineEdit>("txtData")->setText(QStringLiteral("2014"));
            QTest::mouseClick(screen->control<QPushButton>("btnCerca"), Qt::LeftButton);
            QCOMPARE(screen->list()->lineModel()->rowCount(), 1);
            screen->list()->selectRow(0);
            emit screen->list()->lineDoubleClicked();
        });
        QTest::mouseClick(manager->control("cmdTrova"), Qt::LeftButton);
        QCOMPARE(manager->control<QLineEdit>("txtCognome")->text(), QStringLiteral("Seconda"));
        QCOMPARE(manager->positionLabel()->text(), QStringLiteral("2"));
        QVERIFY(manager->control<QCheckBox>("chkConseguimento")->isChecked());
    }

    void emptySurnameComesFirst_data()
    {
        QTest::addColumn<bool>("forms");
        QTest::addColumn<int>("width");
        QTest::newRow("student search") << false << 28;
        QTest::newRow("TT 2112 search") << true << 30;
    }

    // A line begins with the blank that joins surname and name, so a record
    // without a surname is listed first and is found again by its line.
    void emptySurnameComesFirst()
    {
        QFETCH(bool, forms);
        QFETCH(int, width);
        const RecordLayout &layout = forms ? TT2112Record::layout() : StudentRecord::layout();
        const std::pair<QString, QString> people[] = {
            {QStringLiteral("Bianchi"), QStringLiteral("Anna")}, {QString(), QStringLiteral("Mario")},
            {QStringLiteral("Mario"), QString()}, {QStringLiteral("Abate"), QStringLiteral("Zeno")}};
        QByteArray bytes;
        for (const auto &[surname, name] : people) {
            RecordBuffer record(layout);
            record.setText(layout.indexOf("txtCognome"), QString(QStringLiteral("  ") + surname));
            record.setText(layout.indexOf("txtNome"), name);
            record.setText(layout.indexOf("txtNote"), QString(surname + QStringLiteral("|") + name));
            bytes += record.bytes();
        }
        QVERIFY(writeAll(forms ? formsPath() : studentsPath(), bytes));
        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
        RecordEditor *editor = nullptr;
        if (forms) {
            m_screens->frmAvvio()->imgModelloClick();
            editor = m_screens->frmMod_TT2112();
        } else {
            m_screens->frmAvvio()->imgAnagraficaClick();
            editor = m_screens->frmAllievi();
        }
        QStringList lines;
        whenModalOpens([&](QWidget *modal) {
            auto *screen = static_cast<TrovaScreen *>(modal);
            QTest::mouseClick(screen->control<QPushButton>("btnCerca"), Qt::LeftButton);
            lines = screen->list()->lineModel()->lines();
            screen->list()->selectRow(0);
            emit screen->list()->lineDoubleClicked();
        });
        QTest::mouseClick(editor->control("cmdTrova"), Qt::LeftButton);
        QCOMPARE(lines.size(), 4);
        QStringList names;
        for (const QString &line : std::as_const(lines))
            names << line.left(width);
        const auto column = [width](const QString &value) { return value.leftJustified(width, QLatin1Char(' ')); };
        QCOMPARE(names, (QStringList{column(QStringLiteral(" Mario")), column(QStringLiteral("Abate Zeno")),
                                     column(QStringLiteral("Bianchi Anna")), column(QStringLiteral("Mario"))}));
        // The first line is the record without a surname, not the one without a name.
        QCOMPARE(editor->positionLabel()->text(), QStringLiteral("2"));
        QCOMPARE(editor->control<QLineEdit>("txtNote")->text(), QStringLiteral("|Mario"));
    }

    // On the result panel Tab goes from the find field to Trova, then to the list.
    void resultPanelTabOrder()
    {
        TfrmTrovaAllievi screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowActive(&screen));
        QTest::mouseClick(screen.control<QPushButton>("btnCerca"), Qt::LeftButton);
        QTRY_COMPARE(QApplication::focusWidget(), screen.control("txtTrova"));
        const QStringList order{"txtTrova", "btnTrova", "lstRecords", "btnStampa", "btnChiudi"};
        QStringList walked{order.first()};
        for (qsizetype i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(walked, order);
    }

    // Enter in the find field moves to Trova; Enter again finds, and again finds
    // the next line.
    void quickFindWithTheKeyboardOnly()
    {
        QVERIFY(writeAll(studentsPath(), students({{"Bianchi", "Anna"}, {"Rossi", "Mario"}, {"Verdi", "Maria"}})));
        TfrmTrovaAllievi screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowActive(&screen));
        QTest::mouseClick(screen.control<QPushButton>("btnCerca"), Qt::LeftButton);
        QWidget *field = screen.control("txtTrova");
        QTRY_COMPARE(QApplication::focusWidget(), field);
        QTest::keyClicks(field, QStringLiteral("mar"));
        // Enter in the fragment finds the first match and stays in the field;
        // Enter again finds the next.
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), field);
        QCOMPARE(screen.list()->selectedRow(), 1);
        QTest::keyClick(field, Qt::Key_Enter);
        QCOMPARE(screen.list()->selectedRow(), 2);
        QVERIFY(m_dialogs->shown.isEmpty());
        auto *outcome = screen.findControl<QLabel>("lblEsitoTrova");
        QVERIFY(outcome != nullptr);
        QVERIFY(!outcome->isVisible());
        // A fragment that no line holds: the old line is no longer picked, nor
        // highlighted, and the screen says so under the find field.
        QTest::keyClicks(field, QStringLiteral("zz"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(screen.list()->selectedRow(), -1);
        QVERIFY(!screen.list()->currentIndex().isValid());
        QVERIFY(outcome->isVisible());
        QCOMPARE(outcome->text(), QStringLiteral("Nessuna corrispondenza"));
        QVERIFY(outcome->geometry().top() > field->geometry().bottom());
        QVERIFY(screen.panel()->findChild<QWidget *>(QStringLiteral("shpTrova"))->geometry().contains(outcome->geometry()));
        // Trova again says it again; a changed fragment takes the words away.
        QTest::mouseClick(screen.control<QPushButton>("btnTrova"), Qt::LeftButton);
        QVERIFY(outcome->isVisible());
        static_cast<QLineEdit *>(field)->clear();
        QTest::keyClicks(field, QStringLiteral("ros"));
        QVERIFY(!outcome->isVisible());
        QTest::keyClick(screen.control("btnTrova"), Qt::Key_Return);
        QCOMPARE(screen.list()->selectedRow(), 1);
        QVERIFY(!outcome->isVisible());
        // A match after a miss takes the words away too.
        QTest::keyClicks(field, QStringLiteral("zz"));
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(outcome->isVisible());
        static_cast<QLineEdit *>(field)->setText(QStringLiteral("bia"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(screen.list()->selectedRow(), 0);
        QVERIFY(!outcome->isVisible());
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    void searchFailureKeepsTheFilters()
    {
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Allievi.pro")));
        TfrmTrovaAllievi screen;
        screen.setMemory(QStringLiteral("allievi"));
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QTest::mouseClick(screen.control<QPushButton>("btnCerca"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.first().first, Dialogs::Kind::Message);
        QCOMPARE(m_dialogs->take(), ArchiveAccessError(FailureCause::Damaged));
        QVERIFY(screen.control<QWidget>("panAvvio")->isVisible());
        QVERIFY(!screen.panel()->isVisible());
        QVERIFY(screen.control<QLabel>("lblAttendere")->isVisible());
    }

    void quickFindOnAnEmptyResult()
    {
        TfrmTrovaAllievi screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QTest::mouseClick(screen.control<QPushButton>("btnCerca"), Qt::LeftButton);
        QCOMPARE(screen.control<QLabel>("lblTrovate")->text(), QStringLiteral("Il presente riepilogo contiene 0 schede."));
        QTest::mouseClick(screen.control<QPushButton>("btnTrova"), Qt::LeftButton);
        QCOMPARE(m_dialogs->take(), QStringLiteral("Ricerca non applicabile: la lista non contiene nessuna voce."));
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
