// What the two editors and the lesson entry panel do with the user's typing: an
// action that would drop a record changed since it was loaded or saved asks first
// whether to save it. Both editors run the same rows.

#include "DialogRecorder.h"
#include "Modal.h"
#include "TestSupport.h"

#include "app/Avvio.h"
#include "app/ScreenSet.h"
#include "shell/Clock.h"
#include "shell/LineList.h"
#include "shell/RecordEditor.h"
#include "shell/RecordSaving.h"
#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "students/Allievi.h"
#include "students/LezioniGuida.h"
#include "tt2112/Mod_TT2112.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;
using Kind = Dialogs::Kind;
using Answer = Dialogs::Answer;

namespace {

const QStringList kSurnames = {QStringLiteral("Uno"), QStringLiteral("Due"), QStringLiteral("Tre")};

// Field name -> text, as a row gives them.
using Fields = QList<QPair<QString, QString>>;

// A student: surname, name and tax code.
struct Person {
    QString surname;
    QString name;
    QString code;
};

// Records every mandatory field of which is filled, so that they save as they are:
// by default three, with no tax code.
QByteArray studentArchive(const QList<Person> &people = {{QStringLiteral("Uno"), QStringLiteral("Mario"), QString()},
                                                         {QStringLiteral("Due"), QStringLiteral("Mario"), QString()},
                                                         {QStringLiteral("Tre"), QStringLiteral("Mario"), QString()}})
{
    QByteArray bytes;
    for (const Person &person : people) {
        RecordBuffer record(StudentRecord::layout());
        record.setText(StudentRecord::txtCodiceCor, QStringLiteral("B-2026"));
        record.setText(StudentRecord::txtTipologiaCor, QStringLiteral("Patente B"));
        record.setText(StudentRecord::txtCognome, person.surname);
        record.setText(StudentRecord::txtNome, person.name);
        record.setText(StudentRecord::txtCodFiscPro, person.code);
        record.setText(StudentRecord::txtNote, person.surname.toLower());
        record.setYesNo(StudentRecord::chkRicontatta, false);
        bytes += record.bytes();
    }
    return bytes;
}

QByteArray formArchive()
{
    QByteArray bytes;
    for (const QString &surname : kSurnames) {
        RecordBuffer record(TT2112Record::layout());
        record.setText(TT2112Record::txtCodice, QStringLiteral("BO0123"));
        record.setText(TT2112Record::txtUfficio, QStringLiteral("Bologna"));
        record.setText(TT2112Record::txtCognome, surname);
        record.setText(TT2112Record::txtNome, QStringLiteral("Mario"));
        record.setText(TT2112Record::txtCodFiscPro, QStringLiteral("07643520567"));
        record.setText(TT2112Record::txtData, QStringLiteral("10/12/2026"));
        record.setText(TT2112Record::txtNote, surname.toLower());
        bytes += record.bytes();
    }
    return bytes;
}

QByteArray lessonBytes(const QString &module)
{
    RecordBuffer record(LessonRecord::layout());
    record.setText(LessonRecord::txtData, QStringLiteral("05/03/2024"));
    record.setText(LessonRecord::txtDurata, QStringLiteral("1 ora"));
    record.setText(LessonRecord::txtVeicolo, QStringLiteral("Fiat Panda"));
    record.setText(LessonRecord::txtTarga, QStringLiteral("AB123CD"));
    record.setText(LessonRecord::txtIstruttore, QStringLiteral("Gianni"));
    record.setText(LessonRecord::txtModulo, module);
    return record.bytes();
}

} // namespace

class TestEditing : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ScreenSet> m_screens;
    std::unique_ptr<DialogRecorder> m_dialogs;
    RecordEditor *m_editor = nullptr;

    bool isRegistry() const { return m_editor == m_screens->frmAllievi(); }
    QLineEdit *field(QWidget *screen, const char *name) const { return screen->findChild<QLineEdit *>(QLatin1String(name)); }
    QLineEdit *field(const char *name) const { return field(m_editor, name); }
    QString position() const { return m_editor->positionLabel()->text(); }
    void click(const char *name) { QTest::mouseClick(m_editor->control(name), Qt::LeftButton); }

    const RecordLayout &layout() const { return isRegistry() ? StudentRecord::layout() : TT2112Record::layout(); }

    // The note of stored record `number` (1-based), as the file holds it now.
    QString storedNote(int number) const
    {
        const QByteArray bytes = readAll(m_editor->archivePath());
        RecordBuffer record(layout());
        if (bytes.size() < number * layout().recordSize)
            return QStringLiteral("(missing)");
        record.setBytes(QByteArrayView(bytes).sliced((number - 1) * layout().recordSize, layout().recordSize));
        return record.text(layout().indexOf("txtNote"));
    }

    // Opens the editor on stored record 2, as the user reaches it.
    void openOnRecordTwo(const QString &which, const QByteArray &students = studentArchive())
    {
        QVERIFY(writeAll(ProgramFolder::filePath(QStringLiteral("Allievi.pro")), students));
        QVERIFY(writeAll(ProgramFolder::filePath(QStringLiteral("Modelli_TT2112.pro")), formArchive()));
        if (which == QLatin1String("registry")) {
            m_screens->frmAvvio()->imgAnagraficaClick();
            m_editor = m_screens->frmAllievi();
        } else {
            m_screens->frmAvvio()->imgModelloClick();
            m_editor = m_screens->frmMod_TT2112();
        }
        QVERIFY(QTest::qWaitForWindowExposed(m_editor));
        click("cmdPrimo");
        click("cmdAvanti");
        QCOMPARE(position(), QStringLiteral("2"));
        QVERIFY(m_dialogs->shown.isEmpty());
        QVERIFY(!m_editor->hasUnsavedChanges());
    }

    // ... and changes its note.
    void openOnRecordTwoAndChangeIt(const QString &which)
    {
        openOnRecordTwo(which);
        field("txtNote")->setText(QStringLiteral("cambiata"));
        QVERIFY(m_editor->hasUnsavedChanges());
    }

    // How many times the question was asked; it is always a three-button question.
    int questionsAsked() const
    {
        int asked = 0;
        for (const auto &[kind, text] : m_dialogs->shown) {
            if (text == RecordSaving::unsavedChangesQuestion()) {
                [&] { QCOMPARE(kind, Kind::Question); }();
                ++asked;
            }
        }
        return asked;
    }

    // Answers the question as a row says: "yes", "no", "cancel", or "yes" to a
    // save that fails ("yes, save fails") or that a blank name refuses ("yes,
    // save refused").
    void answerWith(const QString &answer)
    {
        m_dialogs->question = answer.startsWith(QLatin1String("yes")) ? Answer::Yes
            : answer == QLatin1String("no")                            ? Answer::No
                                                                       : Answer::Cancel;
        if (answer == QLatin1String("yes, save refused"))
            field("txtNome")->clear();
        if (answer == QLatin1String("yes, save fails")) {
            // Every operation on record files fails from the answer on.
            m_dialogs->onShow = [](Kind kind, const QString &) {
                if (kind == Kind::Question)
                    RecordFile::setFaultPlan({RecordFile::FaultPlan::Mode::Fail, 1, true});
            };
        }
    }

private slots:
    void initTestCase()
    {
        ProgramFolder::setOverride(m_dir.path());
        Clock::setSource([] { return QDateTime(QDate(2026, 12, 10), QTime(9, 0)); });
    }

    void init()
    {
        for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile::remove(m_dir.filePath(name));
            QDir(m_dir.filePath(name)).removeRecursively();
        }
        m_dialogs = std::make_unique<DialogRecorder>();
        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
        m_editor = nullptr;
    }

    void cleanup()
    {
        RecordFile::setFaultPlan({});
        m_screens.reset();
        m_dialogs.reset();
    }

    // --- the editors' own actions ---

    void actionsAskBeforeDroppingChanges_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("after");   // position once the action went on ("closed": the window closed)
        QTest::addColumn<QString>("noteAfter"); // note on screen once it went on

        const struct {
            const char *action;
            const char *after;
            const char *noteAfter;
        } actions[] = {
            {"cmdNuovo", "", ""},       {"cmdPrimo", "1", "uno"},    {"cmdIndietro", "1", "uno"}, {"cmdAvanti", "3", "tre"},
            {"cmdUltimo", "3", "tre"},  {"cmdEsci", "closed", ""},   {"window closed", "closed", ""},
        };
        for (const char *editor : {"registry", "manager"}) {
            for (const auto &action : actions) {
                for (const char *answer : {"yes", "no", "cancel"})
                    QTest::addRow("%s, %s, %s", editor, action.action, answer)
                        << editor << action.action << answer << action.after << action.noteAfter;
            }
            for (const char *action : {"cmdAvanti", "cmdEsci"}) {
                for (const char *answer : {"yes, save refused", "yes, save fails"})
                    QTest::addRow("%s, %s, %s", editor, action, answer) << editor << action << answer << "" << "";
            }
        }
    }

    void actionsAskBeforeDroppingChanges()
    {
        QFETCH(QString, editor);
        QFETCH(QString, action);
        QFETCH(QString, answer);
        QFETCH(QString, after);
        QFETCH(QString, noteAfter);
        openOnRecordTwoAndChangeIt(editor);
        const QByteArray before = readAll(m_editor->archivePath());
        answerWith(answer);

        if (action == QLatin1String("window closed"))
            m_editor->close();
        else
            click(action.toLatin1().constData());
        RecordFile::setFaultPlan({});

        QCOMPARE(questionsAsked(), 1);
        QCOMPARE(m_dialogs->shown.first().second, QStringLiteral("Salvare le modifiche alla scheda corrente?"));
        const bool goesOn = answer == QLatin1String("yes") || answer == QLatin1String("no");
        if (answer == QLatin1String("yes")) {
            // Saved over record 2, then on.
            QCOMPARE(storedNote(2), QStringLiteral("cambiata"));
            QCOMPARE(QFileInfo(m_editor->archivePath()).size(), before.size());
            QCOMPARE(m_dialogs->shown.at(1), qMakePair(Kind::Information, kSaved));
        } else {
            QCOMPARE(readAll(m_editor->archivePath()), before);
        }
        if (answer == QLatin1String("yes, save refused"))
            QCOMPARE(m_dialogs->shown.at(1).first, Kind::Warning);
        if (answer == QLatin1String("yes, save fails"))
        {
            QCOMPARE(m_dialogs->shown.at(1).first, Kind::Error);
            QVERIFY(m_dialogs->shown.at(1).second.startsWith(ArchiveAccessError()));
        }

        if (!goesOn) {
            // The screen stays as it was, changes and all.
            QVERIFY(m_editor->isVisible());
            QCOMPARE(position(), QStringLiteral("2"));
            QCOMPARE(field("txtNote")->text(), QStringLiteral("cambiata"));
            QVERIFY(m_editor->hasUnsavedChanges());
            return;
        }
        if (after == QLatin1String("closed")) {
            QVERIFY(!m_editor->isVisible());
            QVERIFY(m_screens->frmAvvio()->isVisible());
            return;
        }
        QVERIFY(m_editor->isVisible());
        QCOMPARE(position(), after);
        QCOMPARE(field("txtNote")->text(), noteAfter);
        QVERIFY(!m_editor->hasUnsavedChanges());
    }

    void unchangedRecordsGoWithoutAQuestion_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("action");
        for (const char *editor : {"registry", "manager"}) {
            for (const char *action : {"cmdAvanti", "cmdNuovo", "cmdEsci"}) {
                QTest::addRow("%s, %s, untouched", editor, action) << editor << "none" << action;
                QTest::addRow("%s, %s, typed and put back", editor, action) << editor << "put back" << action;
                QTest::addRow("%s, %s, a blank at the end", editor, action) << editor << "blank" << action;
                QTest::addRow("%s, %s, saved", editor, action) << editor << "saved" << action;
            }
        }
        // The school's code on a new form is the next form's default, kept by Nuovo
        // and by the settings file.
        for (const char *action : {"cmdNuovo", "cmdEsci"})
            QTest::addRow("manager, %s, school code of a new form", action) << "manager" << "school code" << action;
    }

    void unchangedRecordsGoWithoutAQuestion()
    {
        QFETCH(QString, editor);
        QFETCH(QString, change);
        QFETCH(QString, action);
        openOnRecordTwo(editor);
        QLineEdit *note = field("txtNote");
        if (change == QLatin1String("put back")) {
            QTest::keyClicks(note, QStringLiteral("x"));
            QVERIFY(m_editor->hasUnsavedChanges());
            QTest::keyClick(note, Qt::Key_Backspace);
        } else if (change == QLatin1String("blank")) {
            note->setText(QStringLiteral(" due "));
        } else if (change == QLatin1String("saved")) {
            note->setText(QStringLiteral("cambiata"));
            click("cmdSalva");
            QCOMPARE(m_dialogs->take(), kSaved);
        } else if (change == QLatin1String("school code")) {
            click("cmdNuovo");
            field("txtCodice")->setText(QStringLiteral("AS0456"));
        }
        QVERIFY(!m_editor->hasUnsavedChanges());
        click(action.toLatin1().constData());
        QCOMPARE(questionsAsked(), 0);
        QVERIFY(m_editor->isVisible() == (action != QLatin1String("cmdEsci")));
    }

    // --- warnings before saving ---

    void saveWarnsAndSavesAnyway_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<bool>("newRecord"); // a new record, or stored record 2 changed
        QTest::addColumn<Fields>("fields");
        QTest::addColumn<QStringList>("lines"); // the question's lines, in order
        QTest::addColumn<QString>("focus");     // where No sends the user

        const auto bad = [](const char *name, const char *text) {
            return QStringLiteral("%1: \"%2\" non \u00E8 una data valida nella forma gg/mm/aaaa.")
                .arg(QString::fromUtf8(name), QString::fromUtf8(text));
        };
        // Every date of both editors, with a day that does not exist.
        const struct {
            const char *editor;
            const char *field;
            const char *name;
        } dates[] = {
            {"registry", "txtDataIsc", "Data di iscrizione"},
            {"registry", "txtDataInizio", "Data di inizio del corso"},
            {"registry", "txtDataTermine", "Data di termine del corso"},
            {"registry", "txtDataNascPro", "Data di nascita"},
            {"registry", "txtDataRilPro", "Data di rilascio del documento"},
            {"registry", "txtDataScaPro", "Data di scadenza del documento"},
            {"registry", "txtRilPat", "Data di rilascio della patente"},
            {"registry", "txtScaPat", "Data di scadenza della patente"},
            {"registry", "txtDataTeo", "Data dell'esame di teoria"},
            {"registry", "txtDataGuida", "Data dell'esame di guida"},
            {"manager", "txtDataNascPro", "Data di nascita"},
            {"manager", "txtData", "Data della richiesta"},
        };
        for (const auto &date : dates) {
            QTest::addRow("%s, %s of 31 February", date.editor, date.field)
                << date.editor << false << Fields{{QString::fromLatin1(date.field), QStringLiteral("31/02/2026")}} << QStringList{bad(date.name, "31/02/2026")} << date.field;
        }
        // What is not a real date written dd/mm/yyyy.
        for (const char *text : {"1/2/2026", "01-02-2026", "01/13/2026", "29/02/2025", "00/01/2026", "ieri", "01/02/26"}) {
            QTest::addRow("registry, birth date '%s'", text)
                << "registry" << true << Fields{{QStringLiteral("txtDataNascPro"), QString::fromUtf8(text)}} << QStringList{bad("Data di nascita", text)} << "txtDataNascPro";
        }
        // A new student whose tax code the archive already holds, as typed in any case.
        const Fields rossi = {{"txtCognome", "Rossi"}, {"txtNome", "Mario"}, {"txtCodFiscPro", "RSSMRA80A01H501U"}};
        const QString inRecordTwo =
            QStringLiteral("Il codice fiscale RSSMRA80A01H501U \u00E8 gi\u00E0 presente in archivio nella scheda n. 2 (Rossi Mario).");
        QTest::newRow("registry, a new student's code in the archive") << "registry" << true << rossi << QStringList{inRecordTwo}
                                                                       << "txtCodFiscPro";
        Fields lower = rossi;
        lower.last().second = QStringLiteral("rssmra80a01h501u");
        QTest::newRow("registry, the same code in small letters") << "registry" << true << lower << QStringList{inRecordTwo}
                                                                  << "txtCodFiscPro";
        QTest::newRow("registry, a code two records hold")
            << "registry" << true << Fields{{"txtCognome", "Verdi"}, {"txtNome", "Giuseppe"}, {"txtCodFiscPro", "VRDGPP80A01H501U"}}
            << QStringList{QStringLiteral("Il codice fiscale VRDGPP80A01H501U \u00E8 gi\u00E0 presente in archivio nelle schede "
                                          "n. 3 (Verdi Giuseppe), n. 4 (Verdi Giuseppe).")}
            << "txtCodFiscPro";
        // Everything in one question: the code first, then the dates in screen order.
        QTest::newRow("registry, everything at once")
            << "registry" << true
            << Fields{{"txtCognome", "Bianchi"}, {"txtNome", "Mario"}, {"txtDataIsc", "07/13/2026"},
                      {"txtDataNascPro", "01/01/1980"}, {"txtCodFiscPro", "RSSMRA80A01H501U"}, {"txtDataGuida", "domani"}}
            << QStringList{QStringLiteral("Il codice fiscale RSSMRA80A01H501U non corrisponde ai dati della scheda (cognome)."), inRecordTwo,
                           bad("Data di iscrizione", "07/13/2026"), bad("Data dell'esame di guida", "domani")}
            << "txtCodFiscPro";
        QTest::newRow("manager, an invalid code and a wrong date")
            << "manager" << false << Fields{{"txtCodFiscPro", "RSSMRA80A01H501X"}, {"txtData", "10/12/26"}}
            << QStringList{QStringLiteral("Il codice fiscale RSSMRA80A01H501X non \u00E8 valido: il carattere di controllo dovrebbe essere U."),
                           bad("Data della richiesta", "10/12/26")}
            << "txtCodFiscPro";
    }

    void saveWarnsAndSavesAnyway()
    {
        QFETCH(QString, editor);
        QFETCH(bool, newRecord);
        QFETCH(Fields, fields);
        QFETCH(QStringList, lines);
        QFETCH(QString, focus);
        openOnRecordTwo(editor, studentArchive({{QStringLiteral("Uno"), QStringLiteral("Mario"), QString()},
                                                {QStringLiteral("Rossi"), QStringLiteral("Mario"), QStringLiteral("RSSMRA80A01H501U")},
                                                {QStringLiteral("Verdi"), QStringLiteral("Giuseppe"), QStringLiteral("VRDGPP80A01H501U")},
                                                {QStringLiteral("Verdi"), QStringLiteral("Giuseppe"), QStringLiteral("VRDGPP80A01H501U")}}));
        if (newRecord) {
            click("cmdNuovo");
            const Fields mandatory = isRegistry() ? Fields{{"txtCodiceCor", "B-2026"}, {"txtTipologiaCor", "Patente B"},
                                                           {"txtCognome", "Nuovo"}, {"txtNome", "Mario"}}
                                                  : Fields{{"txtCognome", "Nuovo"}, {"txtNome", "Mario"}, {"txtCodFiscPro", "07643520567"}};
            for (const auto &[name, value] : mandatory)
                field(name.toLatin1().constData())->setText(value);
        }
        for (const auto &[name, value] : fields)
            field(name.toLatin1().constData())->setText(value);
        const QByteArray before = readAll(m_editor->archivePath());
        QVERIFY(m_dialogs->shown.isEmpty());

        // No: nothing written, back to the first field named.
        m_dialogs->answer = Answer::No;
        click("cmdSalva");
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown.first().first, Kind::Confirmation);
        QCOMPARE(m_dialogs->take(), QStringLiteral("Attenzione: prima di salvare la scheda, controllare quanto segue.\r\n\r\n- ")
                                        + lines.join(QStringLiteral("\r\n- ")) + QStringLiteral("\r\n\r\nSalvare comunque?"));
        QCOMPARE(readAll(m_editor->archivePath()), before);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(field(focus.toLatin1().constData())));
        QVERIFY(m_editor->hasUnsavedChanges());

        // Sì: saved as typed.
        m_dialogs->answer = Answer::Ok;
        click("cmdSalva");
        QCOMPARE(m_dialogs->take(), newRecord ? kAppended : kSaved);
        const QByteArray after = readAll(m_editor->archivePath());
        const int size = layout().recordSize;
        const qint64 number = newRecord ? before.size() / size + 1 : 2;
        QCOMPARE(after.size(), before.size() + (newRecord ? size : 0));
        QCOMPARE(after.left((number - 1) * size), before.left((number - 1) * size));
        RecordBuffer stored(layout());
        stored.setBytes(QByteArrayView(after).sliced((number - 1) * size, size));
        for (const auto &[name, value] : fields)
            QCOMPARE(stored.text(layout().indexOf(name.toLatin1().constData())), value.trimmed());
        QCOMPARE(position(), QString::number(number));
    }

    void saveWithoutWarnings_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<bool>("newRecord");
        QTest::addColumn<Fields>("fields");
        QTest::newRow("registry, real dates, an empty one") << "registry" << true
                                                            << Fields{{"txtDataNascPro", "29/02/2024"}, {"txtDataIsc", " 07/01/2026 "},
                                                                      {"txtDataTeo", ""}};
        QTest::newRow("registry, stored record keeps its own code")
            << "registry" << false << Fields{{"txtCognome", "Rossi"}, {"txtNote", "cambiata"}};
        QTest::newRow("registry, a code nobody else holds")
            << "registry" << true << Fields{{"txtCognome", "Bianchi"}, {"txtNome", "Mario"}, {"txtCodFiscPro", "BNCMRA80A01H501A"}};
        QTest::newRow("manager, a code another form holds")
            << "manager" << true << Fields{{"txtCognome", "Rossi"}, {"txtNome", "Mario"}, {"txtCodFiscPro", "07643520567"}};
    }

    void saveWithoutWarnings()
    {
        QFETCH(QString, editor);
        QFETCH(bool, newRecord);
        QFETCH(Fields, fields);
        openOnRecordTwo(editor, studentArchive({{QStringLiteral("Uno"), QStringLiteral("Mario"), QString()},
                                                {QStringLiteral("Rossi"), QStringLiteral("Mario"), QStringLiteral("RSSMRA80A01H501U")}}));
        if (newRecord) {
            click("cmdNuovo");
            const Fields mandatory = isRegistry() ? Fields{{"txtCodiceCor", "B-2026"}, {"txtTipologiaCor", "Patente B"}, {"txtCognome", "Nuovo"}, {"txtNome", "Mario"}}
                                                  : Fields{};
            for (const auto &[name, value] : mandatory)
                field(name.toLatin1().constData())->setText(value);
        }
        for (const auto &[name, value] : fields)
            field(name.toLatin1().constData())->setText(value);
        click("cmdSalva");
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->take(), newRecord ? kAppended : kSaved);
    }

    // --- records loaded by other screens ---

    void loadingFromAListAsks_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("answer");
        for (const char *answer : {"yes", "no", "cancel", "yes, save refused"}) {
            QTest::addRow("student search, %s", answer) << "registry" << "cmdTrova" << answer;
            QTest::addRow("current attendees, %s", answer) << "registry" << "cmdFrequentatoriOra" << answer;
            QTest::addRow("form search, %s", answer) << "manager" << "cmdTrova" << answer;
        }
    }

    // The lists hand the picked record to the editor's one entry point, which asks.
    void loadingFromAListAsks()
    {
        QFETCH(QString, editor);
        QFETCH(QString, opener);
        QFETCH(QString, answer);
        openOnRecordTwoAndChangeIt(editor);
        const QByteArray before = readAll(m_editor->archivePath());
        answerWith(answer);
        bool picked = false;
        whenModalOpens([&](QWidget *list) {
            if (auto *search = list->findChild<QPushButton *>(QStringLiteral("btnCerca")))
                QTest::mouseClick(search, Qt::LeftButton);
            auto *lines = list->findChild<LineListView *>(QStringLiteral("lstRecords"));
            QVERIFY(lines != nullptr);
            const QStringList texts = lines->lineModel()->lines();
            const qsizetype row = texts.indexOf(QRegularExpression(QStringLiteral(".*Tre.*")));
            QVERIFY2(row >= 0, qPrintable(texts.join(u'\n')));
            lines->selectRow(static_cast<int>(row));
            emit lines->lineDoubleClicked();
            picked = true;
        });
        click(opener.toLatin1().constData());
        QVERIFY(picked);

        QCOMPARE(questionsAsked(), 1);
        if (answer == QLatin1String("yes"))
            QCOMPARE(storedNote(2), QStringLiteral("cambiata"));
        else
            QCOMPARE(readAll(m_editor->archivePath()), before);
        if (answer == QLatin1String("yes") || answer == QLatin1String("no")) {
            QCOMPARE(position(), QStringLiteral("3"));
            QCOMPARE(field("txtNote")->text(), QStringLiteral("tre"));
            QVERIFY(!m_editor->hasUnsavedChanges());
        } else {
            QCOMPARE(position(), QStringLiteral("2"));
            QCOMPARE(field("txtNote")->text(), QStringLiteral("cambiata"));
        }
    }

    void loadingOneOfSeveralEqualLinesAsksOnce()
    {
        // Two records give the picked line: keeping the record on screen keeps it
        // from both.
        QByteArray bytes = studentArchive();
        bytes += bytes.right(StudentRecord::Size);
        openOnRecordTwoAndChangeIt(QStringLiteral("registry"));
        QVERIFY(writeAll(m_editor->archivePath(), bytes));
        m_dialogs->question = Answer::Cancel;
        whenModalOpens([&](QWidget *list) {
            QTest::mouseClick(list->findChild<QPushButton *>(QStringLiteral("btnCerca")), Qt::LeftButton);
            auto *lines = list->findChild<LineListView *>(QStringLiteral("lstRecords"));
            lines->selectRow(static_cast<int>(lines->lineModel()->lines().indexOf(QRegularExpression(QStringLiteral(".*Tre.*")))));
            emit lines->lineDoubleClicked();
        });
        click("cmdTrova");
        QCOMPARE(questionsAsked(), 1);
        QCOMPARE(position(), QStringLiteral("2"));
        QCOMPARE(field("txtNote")->text(), QStringLiteral("cambiata"));
    }

    // --- the lesson entry panel ---

    void lessonPanelAsksBeforeClosing_data()
    {
        QTest::addColumn<bool>("existing"); // a lesson of the file, or a new one
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("answer");
        for (bool existing : {false, true}) {
            const char *lesson = existing ? "changed lesson" : "new lesson";
            for (const char *how : {"Chiudi", "window closed"}) {
                for (const char *answer : {"yes", "no", "cancel", "yes, save refused"})
                    QTest::addRow("%s, %s, %s", lesson, how, answer) << existing << how << answer;
            }
        }
    }

    void lessonPanelAsksBeforeClosing()
    {
        QFETCH(bool, existing);
        QFETCH(QString, how);
        QFETCH(QString, answer);
        const QString path = ProgramFolder::filePath(QStringLiteral("Lezioni_Guida_Allievo_2.lez"));
        const QByteArray before = existing ? lessonBytes(QStringLiteral("Parcheggio")) : QByteArray();
        QVERIFY(writeAll(path, before));
        TfrmLezioniGuida lessons(m_screens->frmAllievi());
        lessons.setStudent({QStringLiteral("Mario"), QStringLiteral("Due"), QStringLiteral("B-2026"), QStringLiteral("2")});
        lessons.show();
        QVERIFY(QTest::qWaitForWindowExposed(&lessons));
        if (existing) {
            lessons.list()->selectRow(0);
            QTest::mouseClick(lessons.control("btnModifica"), Qt::LeftButton);
            QVERIFY(!lessons.hasUnsavedChanges());
        } else {
            QTest::mouseClick(lessons.control("btnAggiungi"), Qt::LeftButton);
            const RecordBuffer lesson = [] {
                RecordBuffer record(LessonRecord::layout());
                record.setBytes(lessonBytes(QStringLiteral("Parcheggio")));
                return record;
            }();
            for (const char *name : {"txtData", "txtDurata", "txtVeicolo", "txtTarga", "txtIstruttore"})
                field(&lessons, name)->setText(lesson.text(LessonRecord::layout().indexOf(name)));
        }
        field(&lessons, "txtModulo")->setText(QStringLiteral("Rotatorie"));
        QVERIFY(lessons.hasUnsavedChanges());
        m_dialogs->question = answer.startsWith(QLatin1String("yes")) ? Answer::Yes
            : answer == QLatin1String("no")                            ? Answer::No
                                                                       : Answer::Cancel;
        if (answer == QLatin1String("yes, save refused"))
            field(&lessons, "txtIstruttore")->clear();

        if (how == QLatin1String("Chiudi"))
            QTest::mouseClick(lessons.control("cmdClose"), Qt::LeftButton);
        else
            lessons.close();

        QCOMPARE(m_dialogs->shown.size() >= 1, true);
        QCOMPARE(m_dialogs->shown.first(), qMakePair(Kind::Question, QStringLiteral("Salvare le modifiche alla scheda corrente?")));
        if (answer == QLatin1String("yes")) {
            QCOMPARE(m_dialogs->shown.at(1).second, existing ? kSaved : kAppended);
            RecordBuffer stored(LessonRecord::layout());
            const QByteArray bytes = readAll(path);
            QCOMPARE(bytes.size(), LessonRecord::Size);
            stored.setBytes(bytes);
            QCOMPARE(stored.text(LessonRecord::txtModulo), QStringLiteral("Rotatorie"));
        } else {
            QCOMPARE(readAll(path), before);
        }
        const bool closes = answer == QLatin1String("yes") || answer == QLatin1String("no");
        QCOMPARE(lessons.isVisible(), !closes);
        if (!closes) {
            QVERIFY(lessons.findChild<QWidget *>(QStringLiteral("panCosti"))->isVisible());
            QCOMPARE(field(&lessons, "txtModulo")->text(), QStringLiteral("Rotatorie"));
        }
    }

    void lessonPanelUnchangedClosesAtOnce_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("the list") << "list";
        QTest::newRow("a lesson shown") << "shown";
        QTest::newRow("a lesson saved") << "saved";
    }

    void lessonPanelUnchangedClosesAtOnce()
    {
        QFETCH(QString, state);
        const QString path = ProgramFolder::filePath(QStringLiteral("Lezioni_Guida_Allievo_2.lez"));
        QVERIFY(writeAll(path, lessonBytes(QStringLiteral("Parcheggio"))));
        TfrmLezioniGuida lessons(m_screens->frmAllievi());
        lessons.setStudent({QStringLiteral("Mario"), QStringLiteral("Due"), QStringLiteral("B-2026"), QStringLiteral("2")});
        lessons.show();
        QVERIFY(QTest::qWaitForWindowExposed(&lessons));
        QPushButton *close = lessons.findChild<QPushButton *>(QStringLiteral("btnChiudi"));
        if (state != QLatin1String("list")) {
            lessons.list()->selectRow(0);
            QTest::mouseClick(lessons.control("btnModifica"), Qt::LeftButton);
            close = lessons.findChild<QPushButton *>(QStringLiteral("cmdClose"));
        }
        if (state == QLatin1String("saved")) {
            field(&lessons, "txtModulo")->setText(QStringLiteral("Rotatorie"));
            QTest::mouseClick(lessons.control("btnSalva"), Qt::LeftButton);
            QCOMPARE(m_dialogs->take(), kSaved);
        }
        QTest::mouseClick(close, Qt::LeftButton);
        QVERIFY(m_dialogs->shown.isEmpty());
        QVERIFY(!lessons.isVisible());
    }
};

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
