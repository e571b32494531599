#include "DialogRecorder.h"
#include "TestSupport.h"

#include "app/Avvio.h"
#include "shell/Clock.h"
#include "app/ScreenSet.h"
#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "tt2112/Mod_TT2112.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;
using Kind = Dialogs::Kind;

namespace {

// A form whose surname tells which record it is.
QByteArray form(const QString &surname, const QString &name = QStringLiteral("Anna"))
{
    RecordBuffer record(TT2112Record::layout());
    record.setText(TT2112Record::txtCodice, QStringLiteral("SCUOLA1"));
    record.setText(TT2112Record::txtUfficio, QStringLiteral("Bologna"));
    record.setText(TT2112Record::txtCognome, surname);
    record.setText(TT2112Record::txtNome, name);
    record.setText(TT2112Record::txtCodFiscPro, QStringLiteral("RSSMRA85T10A562S"));
    record.setText(TT2112Record::txtData, QStringLiteral("01/02/2026"));
    for (int field = TT2112Record::chkTariffa01; field <= TT2112Record::chkRiclassificazione; ++field)
        record.setYesNo(field, field == TT2112Record::chkDuplicato);
    return record.bytes();
}

QByteArray archiveOf(int records)
{
    const QString names[] = {QStringLiteral("Uno"), QStringLiteral("Due"), QStringLiteral("Tre")};
    QByteArray bytes;
    for (int i = 0; i < records; ++i)
        bytes += form(names[i]);
    return bytes;
}

} // namespace

class TestTT2112 : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ScreenSet> m_screens;
    std::unique_ptr<DialogRecorder> m_dialogs;

    TfrmMod_TT2112 *manager() const { return m_screens->frmMod_TT2112(); }
    QLineEdit *field(const char *name) const { return manager()->control<QLineEdit>(name); }
    QCheckBox *check(const char *name) const { return manager()->control<QCheckBox>(name); }
    QString position() const { return manager()->positionLabel()->text(); }
    QString archive() const { return ProgramFolder::filePath(QStringLiteral("Modelli_TT2112.pro")); }
    QString settings() const { return ProgramFolder::filePath(QStringLiteral("Autoscuola.ini")); }
    void click(const char *button) { QTest::mouseClick(manager()->control(button), Qt::LeftButton); }

    void openManager()
    {
        m_screens->frmAvvio()->imgModelloClick();
        QVERIFY(QTest::qWaitForWindowExposed(manager()));
        manager()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(manager()));
    }

    void fillMandatory()
    {
        field("txtCodice")->setText(QStringLiteral("AS01"));
        field("txtUfficio")->setText(QStringLiteral("Roma"));
        field("txtCognome")->setText(QStringLiteral("Rossi"));
        field("txtNome")->setText(QStringLiteral("Mario"));
        field("txtCodFiscPro")->setText(QStringLiteral("RSSMRA85T10A562S"));
        field("txtData")->setText(QStringLiteral("10/12/2026"));
    }

private slots:
    void initTestCase()
    {
        ProgramFolder::setOverride(m_dir.path());
        Clock::setSource([] { return QDateTime(QDate(2014, 3, 7), QTime(10, 30)); });
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
        openManager();
    }

    void cleanup()
    {
        m_screens.reset();
        m_dialogs.reset();
    }

    void showingClearsTheForm()
    {
        QCOMPARE(manager()->windowTitle(), QStringLiteral(" Volantix - Gestione Modello TT 2112"));
        QVERIFY(!m_screens->frmAvvio()->isVisible());
        QCOMPARE(field("txtData")->text(), QStringLiteral("07/03/2014"));
        QVERIFY(position().isEmpty());
        QVERIFY(field("txtCognome")->hasFocus());
        QCOMPARE(manager()->statusLine()->text(), QStringLiteral("Pronto per archiviare una nuova scheda..."));
    }

    void transitions_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("shown"); // surname on screen afterwards ("-" when untouched)
        QTest::addColumn<QString>("message");

        const QString none;
        const QString untouched = QStringLiteral("-");
        for (const char *before : {"", "2"}) {
            QTest::addRow("first, empty, label '%s'", before) << 0 << before << "cmdPrimo" << before << untouched << kEmpty;
            QTest::addRow("last, empty, label '%s'", before) << 0 << before << "cmdUltimo" << before << untouched << kEmpty;
            QTest::addRow("next, empty, label '%s'", before) << 0 << before << "cmdAvanti" << "" << untouched << kEmpty;
            QTest::addRow("previous, empty, label '%s'", before) << 0 << before << "cmdIndietro" << before << untouched << kEmpty;
        }
        QTest::newRow("previous from 1, empty") << 0 << "1" << "cmdIndietro" << "1" << untouched << none;
        for (int n : {1, 3}) {
            const QString last = QString::number(n);
            const QString lastName = n == 1 ? QStringLiteral("Uno") : QStringLiteral("Tre");
            QTest::addRow("first, %d", n) << n << "" << "cmdPrimo" << "1" << "Uno" << none;
            QTest::addRow("last, %d", n) << n << "" << "cmdUltimo" << last << lastName << none;
            QTest::addRow("next from new, %d", n) << n << "" << "cmdAvanti" << "1" << "Uno" << none;
            QTest::addRow("previous from new, %d", n) << n << "" << "cmdIndietro" << "1" << "Uno" << none;
            QTest::addRow("next from last, %d", n) << n << last << "cmdAvanti" << last << untouched << none;
            QTest::addRow("previous from 1, %d", n) << n << "1" << "cmdIndietro" << "1" << untouched << none;
            QTest::addRow("new, %d", n) << n << "1" << "cmdNuovo" << "" << "" << none;
        }
        QTest::newRow("next from 1, 3") << 3 << "1" << "cmdAvanti" << "2" << "Due" << none;
        QTest::newRow("next from 2, 3") << 3 << "2" << "cmdAvanti" << "3" << "Tre" << none;
        QTest::newRow("previous from 3, 3") << 3 << "3" << "cmdIndietro" << "2" << "Due" << none;
        QTest::newRow("previous from 2, 3") << 3 << "2" << "cmdIndietro" << "1" << "Uno" << none;
        // The file was shortened by another program: the label names a record past the end.
        QTest::newRow("previous from past the end") << 3 << "7" << "cmdIndietro" << "3" << "Tre" << none;
        QTest::newRow("next from past the end") << 3 << "7" << "cmdAvanti" << "7" << untouched << none;
        QTest::newRow("label not a number") << 3 << "x1" << "cmdAvanti" << "x1" << untouched << ArchiveAccessError();
    }

    void transitions()
    {
        QFETCH(int, records);
        QFETCH(QString, before);
        QFETCH(QString, action);
        QFETCH(QString, after);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        if (records > 0)
            QVERIFY(writeAll(archive(), archiveOf(records)));
        const QByteArray bytes = readAll(archive());
        field("txtCognome")->setText(QStringLiteral("-"));
        manager()->positionLabel()->setText(before);

        click(action.toLatin1().constData());

        QCOMPARE(position(), after);
        QCOMPARE(field("txtCognome")->text(), shown);
        // The marker typed into the surname is a change: the screen asks before it
        // drops it (the recorder answers No), and only then.
        const qsizetype asked = m_dialogs->shown.removeAll(qMakePair(Dialogs::Kind::Question, RecordSaving::unsavedChangesQuestion()));
        QCOMPARE(asked, shown == QLatin1String("-") ? 0 : 1);
        QCOMPARE(m_dialogs->take(), message);
        QVERIFY(QFileInfo::exists(archive()) || action == QLatin1String("cmdNuovo"));
        QCOMPARE(readAll(archive()), bytes); // browsing never writes
    }

    void loadShowsTheRecordAsStored()
    {
        RecordBuffer record(TT2112Record::layout());
        record.setBytes(form(QStringLiteral("Bianchi  ")));
        record.setText(TT2112Record::txtProvResPro, QStringLiteral("bo"));
        record.setText(TT2112Record::chkTariffa02, QStringLiteral("forse")); // neither S\u00EC nor No
        record.setText(TT2112Record::lblFile02, QStringLiteral("foglio rosa.pdf"));
        QVERIFY(writeAll(archive(), record.bytes()));
        check("chkTariffa02")->setChecked(true);
        click("cmdPrimo");
        QCOMPARE(field("txtCognome")->text(), QStringLiteral("Bianchi"));
        QCOMPARE(field("txtProvResPro")->text(), QStringLiteral("bo")); // not upper-cased
        QVERIFY(check("chkDuplicato")->isChecked());
        QVERIFY(!check("chkTariffa01")->isChecked());
        QVERIFY(check("chkTariffa02")->isChecked()); // left as it was
        QCOMPARE(manager()->control<QLabel>("lblFile02")->text(), QStringLiteral("foglio rosa.pdf"));
        QCOMPARE(field("txtCodice")->text(), QStringLiteral("SCUOLA1"));
    }

    void loadThenStoreGivesTheRecordBack()
    {
        QFile fixture(QStringLiteral(VOLANTIX_FIXTURES "/tt2112_record.bin"));
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        const QByteArray golden = fixture.readAll();
        QVERIFY(writeAll(archive(), golden));
        click("cmdPrimo");
        click("cmdSalva");
        QCOMPARE(m_dialogs->take(), kSaved);
        QCOMPARE(readAll(archive()), golden);
    }

    void mandatoryFields_data()
    {
        QTest::addColumn<QStringList>("blank");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("warning");
        QTest::newRow("school code") << QStringList{QStringLiteral("txtCodice")} << "txtCodice"
                                     << "Attenzione: per salvare la scheda \u00E8 necessario indicare il codice identificativo dell'autoscuola.";
        QTest::newRow("office") << QStringList{QStringLiteral("txtUfficio")} << "txtUfficio"
                                << "Attenzione: per salvare la scheda \u00E8 necessario indicare l'Ufficio provinciale.";
        QTest::newRow("surname and name: only the surname")
            << QStringList{QStringLiteral("txtCognome"), QStringLiteral("txtNome")} << "txtCognome"
            << "Attenzione: per salvare la scheda \u00E8 necessario indicare il cognome del richiedente.";
        QTest::newRow("name of blanks") << QStringList{QStringLiteral("txtNome")} << "txtNome"
                                        << "Attenzione: per salvare la scheda \u00E8 necessario indicare il nome del richiedente.";
        QTest::newRow("tax code") << QStringList{QStringLiteral("txtCodFiscPro")} << "txtCodFiscPro"
                                  << "Attenzione: per salvare la scheda \u00E8 necessario indicare il codice fiscale del richiedente.";
        QTest::newRow("date last") << QStringList{QStringLiteral("txtData")} << "txtData"
                                   << "Attenzione: per salvare la scheda \u00E8 necessario indicare la data della richiesta.";
    }

    void mandatoryFields()
    {
        QFETCH(QStringList, blank);
        QFETCH(QString, focus);
        QFETCH(QString, warning);
        fillMandatory();
        for (const QString &name : blank)
            field(name.toLatin1().constData())->setText(QStringLiteral("   "));
        click("cmdSalva");
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown.first().first, Kind::Warning);
        QCOMPARE(m_dialogs->take(), warning);
        QCOMPARE(QApplication::focusWidget(), field(focus.toLatin1().constData()));
        QVERIFY(!QFileInfo::exists(archive())); // nothing written, not even opened
        QVERIFY(position().isEmpty());
    }

    void saveTwiceAppendsOnceThenOverwrites()
    {
        QVERIFY(writeAll(archive(), archiveOf(3)));
        fillMandatory();
        click("cmdSalva");
        QCOMPARE(m_dialogs->shown.first().first, Kind::Information);
        QCOMPARE(m_dialogs->take(), kAppended);
        QCOMPARE(position(), QStringLiteral("4"));
        QCOMPARE(readAll(archive()).size(), 4 * TT2112Record::Size);
        field("txtNote")->setText(QStringLiteral("seconda volta"));
        click("cmdSalva");
        QCOMPARE(m_dialogs->take(), kSaved);
        QCOMPARE(position(), QStringLiteral("4"));
        const QByteArray bytes = readAll(archive());
        QCOMPARE(bytes.size(), 4 * TT2112Record::Size);
        RecordBuffer record(TT2112Record::layout());
        record.setBytes(QByteArrayView(bytes).sliced(3 * TT2112Record::Size, TT2112Record::Size));
        QCOMPARE(record.text(TT2112Record::txtNote), QStringLiteral("seconda volta"));
        QCOMPARE(record.yesNo(TT2112Record::chkConseguimento), std::optional<bool>(false));
        QCOMPARE(record.text(TT2112Record::txtData), QStringLiteral("10/12/2026"));
    }

    void firstSaveCreatesTheArchive()
    {
        click("cmdPrimo");
        QCOMPARE(m_dialogs->take(), kEmpty);
        QCOMPARE(readAll(archive()).size(), 0);
        fillMandatory();
        click("cmdSalva");
        QCOMPARE(m_dialogs->take(), kAppended);
        QCOMPARE(position(), QStringLiteral("1"));
    }

    void editingRecordTwoChangesOnlyRecordTwo()
    {
        const QByteArray before = archiveOf(3);
        QVERIFY(writeAll(archive(), before));
        click("cmdPrimo");
        click("cmdAvanti");
        QCOMPARE(position(), QStringLiteral("2"));
        field("txtCognome")->setText(QStringLiteral("  Duetti "));
        check("chkTariffa01")->setChecked(true);
        click("cmdSalva");
        QCOMPARE(m_dialogs->take(), kSaved);

        RecordBuffer expected(TT2112Record::layout());
        expected.setBytes(QByteArrayView(before).sliced(TT2112Record::Size, TT2112Record::Size));
        expected.setText(TT2112Record::txtCognome, QStringLiteral("Duetti"));
        expected.setYesNo(TT2112Record::chkTariffa01, true);
        const QByteArray after = readAll(archive());
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after.left(TT2112Record::Size), before.left(TT2112Record::Size));
        QCOMPARE(after.mid(TT2112Record::Size, TT2112Record::Size), expected.bytes());
        QCOMPARE(after.mid(2 * TT2112Record::Size), before.mid(2 * TT2112Record::Size));
    }

    void savePastTheEndAppendsAtTheEnd()
    {
        QVERIFY(writeAll(archive(), archiveOf(3)));
        fillMandatory();
        manager()->positionLabel()->setText(QStringLiteral("7"));
        click("cmdSalva");
        QCOMPARE(m_dialogs->take(), kAppended);
        QCOMPARE(position(), QStringLiteral("4"));
        QCOMPARE(readAll(archive()).size(), 4 * TT2112Record::Size);
    }

    void unreadableArchiveKeepsTheScreen()
    {
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Modelli_TT2112.pro")));
        fillMandatory();
        for (const char *action : {"cmdPrimo", "cmdAvanti", "cmdSalva"}) {
            click(action);
            QCOMPARE(m_dialogs->shown.size(), 1);
            QCOMPARE(m_dialogs->shown.first().first, Kind::Error);
            // A folder in the archive's place: the fixed text, and the cause after it.
            QCOMPARE(m_dialogs->take(), ArchiveAccessError() + "\n\r\n\rDettagli: file danneggiato");
            QCOMPARE(field("txtCognome")->text(), QStringLiteral("Rossi"));
            QVERIFY(position().isEmpty());
        }
    }

    void newKeepsTheSchoolFields()
    {
        fillMandatory();
        check("chkDuplicato")->setChecked(true);
        manager()->control<QLabel>("lblFile01")->setText(QStringLiteral("a.pdf"));
        manager()->positionLabel()->setText(QStringLiteral("3"));
        field("txtNote")->setFocus();
        click("cmdNuovo");
        QCOMPARE(field("txtCodice")->text(), QStringLiteral("AS01"));
        QCOMPARE(field("txtUfficio")->text(), QStringLiteral("Roma"));
        QVERIFY(field("txtCognome")->text().isEmpty());
        QCOMPARE(field("txtData")->text(), QStringLiteral("07/03/2014"));
        QVERIFY(!check("chkDuplicato")->isChecked());
        QVERIFY(manager()->control<QLabel>("lblFile01")->text().isEmpty());
        QVERIFY(position().isEmpty());
        QVERIFY(field("txtCognome")->hasFocus());
    }

    void schoolDefaultsAcrossShowings()
    {
        // First use: no settings file, both fields empty.
        QVERIFY(field("txtCodice")->text().isEmpty());
        QVERIFY(field("txtUfficio")->text().isEmpty());
        QVERIFY(writeAll(archive(), archiveOf(3)));
        click("cmdUltimo"); // loads the record's school fields too
        QCOMPARE(field("txtCodice")->text(), QStringLiteral("SCUOLA1"));
        field("txtCodice")->setText(QStringLiteral("  AS 0123  "));
        field("txtUfficio")->setText(QStringLiteral("Forl\u00EC"));
        click("cmdEsci");
        QVERIFY(!manager()->isVisible());
        QVERIFY(m_screens->frmAvvio()->isVisible());
        QCOMPARE(readAll(settings()), QByteArray("[Modello TT2112]\r\nCodice Autoscuola=AS 0123\r\nUfficio Provinciale=Forl\xEC\r\n"));

        // Shown again: a cleared form with today's date and the defaults.
        openManager();
        QCOMPARE(field("txtCodice")->text(), QStringLiteral("AS 0123"));
        QCOMPARE(field("txtUfficio")->text(), QStringLiteral("Forl\u00EC"));
        QVERIFY(field("txtCognome")->text().isEmpty());
        QVERIFY(position().isEmpty());
        QCOMPARE(field("txtData")->text(), QStringLiteral("07/03/2014"));

        // Emptying a field stores an empty value.
        field("txtUfficio")->clear();
        manager()->close();
        QVERIFY(readAll(settings()).contains("Ufficio Provinciale=\r\n"));
        openManager();
        QVERIFY(field("txtUfficio")->text().isEmpty());
        QCOMPARE(field("txtCodice")->text(), QStringLiteral("AS 0123"));
    }

    void settingsSurviveOpeningAndClosing()
    {
        // A school code longer than the field takes by typing, and lines the
        // program does not write, come back unchanged after a showing.
        const QByteArray code = "ASC-" + QByteArray(36, '7'); // 40 characters
        const QByteArray before = "; scritto a mano\r\n[Modello TT2112]\r\nCodice Autoscuola = " + code
            + "\r\nnota senza uguale\r\nUfficio Provinciale=Forl\xEC\r\nAltro=1";
        manager()->close();
        QVERIFY(writeAll(settings(), before));
        openManager();
        QCOMPARE(field("txtCodice")->text(), QString::fromLatin1(code));
        click("cmdEsci");
        QCOMPARE(readAll(settings()), before);
        QVERIFY(m_dialogs->shown.isEmpty());

        // A change touches its own line only.
        openManager();
        field("txtUfficio")->setText(QStringLiteral("Cesena"));
        click("cmdEsci");
        QByteArray expected = before;
        expected.replace("Forl\xEC", "Cesena");
        QCOMPARE(readAll(settings()), expected);
    }

    void longSchoolCodeStaysWhole_data()
    {
        QTest::addColumn<bool>("saveFirst");
        QTest::addColumn<bool>("changeOffice");
        QTest::newRow("shown and closed") << false << false;
        QTest::newRow("a form saved, then closed") << true << false;
        QTest::newRow("the office changed") << false << true;
    }

    // A school code longer than a field can hold is shown cut, but the file keeps
    // it whole: only a value the user changed is written back.
    void longSchoolCodeStaysWhole()
    {
        QFETCH(bool, saveFirst);
        QFETCH(bool, changeOffice);
        QByteArray code(40000, 'C');
        code.replace(39996, 4, "FINE");
        const QByteArray before = "[Modello TT2112]\r\nCodice Autoscuola=" + code + "\r\nUfficio Provinciale=Forl\xEC\r\n";
        manager()->close();
        QVERIFY(writeAll(settings(), before));
        openManager();
        QVERIFY(field("txtCodice")->text().size() < code.size()); // the field holds only part of it
        QVERIFY(QString::fromLatin1(code).startsWith(field("txtCodice")->text()));
        if (saveFirst) {
            for (const char *name : {"txtCognome", "txtNome", "txtCodFiscPro"})
                field(name)->setText(QStringLiteral("X"));
            click("cmdSalva");
            QCOMPARE(m_dialogs->take(), kAppended);
        }
        if (changeOffice)
            field("txtUfficio")->setText(QStringLiteral("Cesena"));
        click("cmdEsci");
        QVERIFY(m_screens->frmAvvio()->isVisible());
        QVERIFY(m_dialogs->shown.isEmpty());
        QByteArray expected = before;
        if (changeOffice)
            expected.replace("Forl\xEC", "Cesena");
        QCOMPARE(readAll(settings()), expected);
    }

    void valueTheSettingsCannotKeepIsToldOncePerRun()
    {
        // A line break would end the value early: it cannot be stored so that it
        // reads back, and closing the manager must not say so every time.
        const QByteArray before = "[Modello TT2112]\r\nCodice Autoscuola=A1\r\n";
        QVERIFY(writeAll(settings(), before));
        for (int closing = 0; closing < 3; ++closing) {
            if (closing > 0)
                openManager();
            field("txtCodice")->setText(QStringLiteral("A\nB"));
            QVERIFY(field("txtCodice")->text().contains(QLatin1Char('\n')));
            click("cmdEsci");
            QVERIFY(m_screens->frmAvvio()->isVisible());
        }
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown.first().first, Kind::Warning);
        QVERIFY(m_dialogs->take().startsWith(QStringLiteral("Attenzione: non \u00E8 stato possibile memorizzare")));
        QCOMPARE(readAll(settings()), before);
        // A file that cannot be written at all is still told at every close.
        QFile::remove(settings());
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Autoscuola.ini")));
        for (int closing = 0; closing < 2; ++closing) {
            openManager();
            click("cmdEsci");
            QCOMPARE(m_dialogs->shown.size(), 1);
            QVERIFY(m_dialogs->take().endsWith(QStringLiteral("\r\n\r\nDettagli: file danneggiato")));
        }
    }

    void startScreenComesBackWhenSettingsCannotBeWritten()
    {
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Autoscuola.ini")));
        click("cmdEsci");
        QVERIFY(!manager()->isVisible());
        QVERIFY(m_screens->frmAvvio()->isVisible());
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown.first().first, Kind::Warning);
        QVERIFY(m_dialogs->take().contains(QStringLiteral("Autoscuola.ini")));
    }

    void enterWalksAllFields()
    {
        const char *order[] = {
            "txtCodice", "txtUfficio", "txtCognome", "txtNome", "txtSesso", "txtDataNascPro", "txtLuogoNascPro",
            "txtProvNascPro", "txtCodFiscPro", "txtStatoNascPro", "txtComuneResPro", "txtProvResPro", "txtCapResPro",
            "txtViaPro", "txtNumPro", "txtCittadinanzaPro", "txtPreGuida", "txtPrescrizioni", "txtConsegui",
            "txtPossedutaCon", "txtDuplica", "txtPossedutaDup", "txtRiclassifica", "txtPossedutaRic", "txtEstremiPat",
            "txtTarga", "txtPotenza", "txtCambio", "txtCilindrata", "txtData", "txtNote", "txtCodice"};
        field("txtCodice")->setFocus();
        for (std::size_t i = 1; i < std::size(order); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(order[i]));
        }
    }

    void typingUpperCases()
    {
        field("txtProvNascPro")->setFocus();
        QTest::keyClicks(field("txtProvNascPro"), QStringLiteral("bo"));
        QCOMPARE(field("txtProvNascPro")->text(), QStringLiteral("BO"));
        field("txtCognome")->setFocus();
        QTest::keyClicks(field("txtCognome"), QStringLiteral("de rossi"));
        QCOMPARE(field("txtCognome")->text(), QStringLiteral("de rossi"));
    }

    void hintsOnTheManager()
    {
        QLabel *status = manager()->statusLine();
        QTest::mouseMove(manager()->control("cmdSalva"), QPoint(10, 10));
        QTRY_COMPARE(status->text(), QStringLiteral("Salva la scheda corrente in archivio."));
        QTest::mouseMove(manager()->control("icoLogo"), QPoint(10, 10));
        QTest::mouseMove(field("txtNome"), QPoint(10, 10));
        QTest::qWait(20);
        QCOMPARE(status->text(), QStringLiteral("Salva la scheda corrente in archivio."));
        QTest::mouseMove(manager()->control("chkDuplicato"), QPoint(5, 5));
        QTRY_VERIFY(status->text().startsWith(QStringLiteral("Spunta questa casella per annotare che il presente modulo \u00E8 usato per la richiesta del duplicato")));
        QTest::mouseMove(manager()->control("icoAvvertenze"), QPoint(10, 10));
        QTRY_COMPARE(status->text(), QString());
    }

    void dateButtonFillsToday()
    {
        field("txtData")->clear();
        click("impData");
        QCOMPARE(field("txtData")->text(), QStringLiteral("07/03/2014"));
    }
};

QTEST_MAIN(TestTT2112)
#include "tst_tt2112.moc"
