// The tax code on the two editors and on the check screen: filling in the personal
// data from the code, computing the code, and the warning before saving a code
// that is not valid or belongs to someone else. Both editors run the same rows.

#include "DialogRecorder.h"
#include "TestSupport.h"

#include "app/Avvio.h"
#include "app/ScreenSet.h"
#include "checks/CheckScreens.h"
#include "checks/TaxCodeData.h"
#include "shell/Clock.h"
#include "shell/RecordEditor.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "students/Allievi.h"
#include "tt2112/Mod_TT2112.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace TestSupport;

namespace {

// Field name -> text, as a row gives them.
using Fields = QList<QPair<QString, QString>>;

} // namespace

class TestTaxCodeScreens : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ScreenSet> m_screens;
    std::unique_ptr<DialogRecorder> m_dialogs;
    QList<QStringList> m_choices; // what the place chooser offered
    int m_choice = 0;

    RecordEditor *m_editor = nullptr;

    QLineEdit *field(const QString &name) const { return m_editor->findChild<QLineEdit *>(name); }
    QString text(const QString &name) const { return field(name)->text(); }
    QString status() const { return m_editor->statusLine()->text(); }

    void openEditor(const QString &which)
    {
        if (which == QLatin1String("registry")) {
            m_screens->frmAvvio()->imgAnagraficaClick();
            m_editor = m_screens->frmAllievi();
        } else {
            m_screens->frmAvvio()->imgModelloClick();
            m_editor = m_screens->frmMod_TT2112();
        }
        QVERIFY(QTest::qWaitForWindowExposed(m_editor));
        m_editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_editor));
    }

    void fill(const Fields &fields)
    {
        for (const auto &[name, value] : fields) {
            QLineEdit *target = field(name);
            QVERIFY2(target != nullptr, qPrintable(name));
            target->setText(value);
        }
    }

    // Types the code into the empty tax code field and leaves it with Enter.
    void typeCodeAndLeave(const QString &code)
    {
        QLineEdit *codeField = field(QStringLiteral("txtCodFiscPro"));
        codeField->setFocus(Qt::OtherFocusReason);
        QVERIFY(codeField->hasFocus());
        QTest::keyClicks(codeField, code);
        QTest::keyClick(codeField, Qt::Key_Return);
        QVERIFY(!codeField->hasFocus());
    }

    void clickCompute()
    {
        auto *button = m_editor->findChild<ScreenKit::Picture *>(QStringLiteral("btnCalcolaCodFisc"));
        QVERIFY(button != nullptr);
        QVERIFY(button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
    }

    qint64 savedRecords() const
    {
        const QString path = m_editor->archivePath();
        const int size = m_editor == m_screens->frmAllievi() ? StudentRecord::Size : TT2112Record::Size;
        return QFileInfo(path).size() / size;
    }

    // What both editors need to save besides the personal data.
    Fields mandatory() const
    {
        if (m_editor == m_screens->frmAllievi())
            return {{"txtCodiceCor", "B-2026"}, {"txtTipologiaCor", "Patente B"}};
        return {{"txtCodice", "BO0123"}, {"txtUfficio", "Bologna"}, {"txtData", "10/12/2026"}};
    }

    static void editors()
    {
        QTest::addColumn<QString>("editor");
    }

private slots:
    void initTestCase()
    {
        ProgramFolder::setOverride(m_dir.path());
        Clock::setSource([] { return QDateTime(QDate(2026, 12, 10), QTime(9, 0)); });
        Dialogs::setItemChooser([this](const QString &, const QString &, const QStringList &items) {
            m_choices.append(items);
            return m_choice;
        });
    }

    void cleanupTestCase() { Dialogs::setItemChooser({}); }

    void init()
    {
        for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot))
            QFile::remove(m_dir.filePath(name));
        m_choices.clear();
        m_choice = 0;
        m_dialogs = std::make_unique<DialogRecorder>();
        m_screens = std::make_unique<ScreenSet>();
        m_screens->createScreens();
    }

    void cleanup()
    {
        m_screens.reset();
        m_dialogs.reset();
        m_editor = nullptr;
    }

    // --- filling in from the code ---

    void fillsTheEmptyFields_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<Fields>("before");
        QTest::addColumn<QString>("code");
        QTest::addColumn<Fields>("after");
        QTest::addColumn<QString>("said");

        for (const char *editor : {"registry", "manager"}) {
            const bool registry = qstrcmp(editor, "registry") == 0;
            Fields rossi = {{"txtSesso", "M"}, {"txtDataNascPro", "01/01/1980"}, {"txtLuogoNascPro", "Roma"}, {"txtProvNascPro", "RM"}};
            if (registry)
                rossi.append(qMakePair(QStringLiteral("txtStatoNascPro"), QStringLiteral("Italia")));
            QTest::addRow("%s: empty screen", editor)
                << editor << Fields() << "RSSMRA80A01H501U" << rossi
                << (registry ? "Compilati dal codice fiscale: sesso, data di nascita, comune di nascita, provincia di nascita, "
                               "stato di nascita."
                             : "Compilati dal codice fiscale: sesso, data di nascita, comune di nascita, provincia di nascita.");
            // What the user typed stays, even where the code says otherwise.
            QTest::addRow("%s: the user's fields stay", editor)
                << editor << Fields {{"txtSesso", "F"}, {"txtLuogoNascPro", "Frascati"}}
                << "RSSMRA80A01H501U"
                << Fields {{"txtSesso", "F"}, {"txtDataNascPro", "01/01/1980"}, {"txtLuogoNascPro", "Frascati"}, {"txtProvNascPro", "RM"}}
                << QString();
            // A woman born abroad: the state, with "EE" for the province.
            Fields abroad = {{"txtSesso", "F"}, {"txtDataNascPro", "15/06/1990"}, {"txtProvNascPro", "EE"}};
            QTest::addRow("%s: born abroad", editor) << editor << Fields() << "BNCLRA90H55Z404G" << abroad << QString();
            // A state is written with its everyday name. RSS MRA 90 A 01 Z154 -> P
            Fields russia = {{"txtSesso", "M"}, {"txtDataNascPro", "01/01/1990"}, {"txtLuogoNascPro", "Russia"}, {"txtProvNascPro", "EE"}};
            if (registry)
                russia.append(qMakePair(QStringLiteral("txtStatoNascPro"), QStringLiteral("Russia")));
            QTest::addRow("%s: a state's everyday name", editor) << editor << Fields() << "RSSMRA90A01Z154P" << russia << QString();
            // Class 6: a place that did not exist on the birth date fills no place, and the status says why.
            QTest::addRow("%s: place made after the birth", editor)
                << editor << Fields() << "RSSMRA80A01M376P"
                << Fields {{"txtSesso", "M"}, {"txtDataNascPro", "01/01/1980"}, {"txtLuogoNascPro", ""}, {"txtProvNascPro", ""}}
                << "Compilati dal codice fiscale: sesso, data di nascita. Attenzione: il luogo di nascita M376, Abetone Cutigliano (PT), "
                   "non esisteva alla data di nascita.";
            QTest::addRow("%s: invalid code fills nothing", editor)
                << editor << Fields() << "RSSMRA80A01H501X"
                << Fields {{"txtSesso", ""}, {"txtDataNascPro", ""}, {"txtLuogoNascPro", ""}, {"txtProvNascPro", ""}} << QString();
        }
    }

    void fillsTheEmptyFields()
    {
        QFETCH(QString, editor);
        QFETCH(Fields, before);
        QFETCH(QString, code);
        QFETCH(Fields, after);
        QFETCH(QString, said);
        openEditor(editor);
        fill(before);
        typeCodeAndLeave(code);
        for (const auto &[name, value] : after)
            QCOMPARE(text(name), value);
        if (!said.isEmpty())
            QCOMPARE(status(), said);
        if (code == QLatin1String("BNCLRA90H55Z404G")) {
            QVERIFY(text(QStringLiteral("txtLuogoNascPro")).contains(QStringLiteral("Stati Uniti"), Qt::CaseInsensitive));
            if (editor == QLatin1String("registry"))
                QCOMPARE(text(QStringLiteral("txtStatoNascPro")), text(QStringLiteral("txtLuogoNascPro")));
        }
        // Nothing is saved by filling in.
        QCOMPARE(savedRecords(), 0);
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    // --- computing the code ---

    void computes_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<Fields>("person");
        QTest::addColumn<QString>("code");
        for (const char *editor : {"registry", "manager"}) {
            QTest::addRow("%s: Rossi Mario, Roma", editor)
                << editor
                << Fields {{"txtCognome", "Rossi"}, {"txtNome", "Mario"}, {"txtSesso", "M"}, {"txtDataNascPro", "01/01/1980"},
                           {"txtLuogoNascPro", "Roma"}, {"txtProvNascPro", "RM"}}
                << "RSSMRA80A01H501U";
            // The province is not needed where the name is unique; it is filled in.
            QTest::addRow("%s: no province", editor)
                << editor
                << Fields {{"txtCognome", "Rossi"}, {"txtNome", "Mario"}, {"txtSesso", "M"}, {"txtDataNascPro", "01/01/1980"},
                           {"txtLuogoNascPro", "roma"}}
                << "RSSMRA80A01H501U";
            QTest::addRow("%s: born abroad", editor)
                << editor
                << Fields {{"txtCognome", "Bianchi"}, {"txtNome", "Laura"}, {"txtSesso", "F"}, {"txtDataNascPro", "15/06/1990"},
                           {"txtLuogoNascPro", "Stati Uniti d'America"}, {"txtProvNascPro", "EE"}}
                << "BNCLRA90H55Z404G";
            // A state by its everyday name, a former name in its province,
            // the province at birth, a territory, umlauts.
            QTest::addRow("%s: everyday name of a state", editor)
                << editor
                << Fields {{"txtCognome", "Bianchi"}, {"txtNome", "Laura"}, {"txtSesso", "F"}, {"txtDataNascPro", "15/06/1990"},
                           {"txtLuogoNascPro", "Stati Uniti"}, {"txtProvNascPro", "EE"}}
                << "BNCLRA90H55Z404G";
            QTest::addRow("%s: former name", editor)
                << editor
                << Fields {{"txtCognome", "Rossi"}, {"txtNome", "Mario"}, {"txtSesso", "M"}, {"txtDataNascPro", "01/01/1980"},
                           {"txtLuogoNascPro", "Calliano"}, {"txtProvNascPro", "AT"}}
                << "RSSMRA80A01B418E";
            QTest::addRow("%s: province at birth", editor)
                << editor
                << Fields {{"txtCognome", "Rossi"}, {"txtNome", "Mario"}, {"txtSesso", "M"}, {"txtDataNascPro", "01/01/1990"},
                           {"txtLuogoNascPro", "Monza"}, {"txtProvNascPro", "MI"}}
                << "RSSMRA90A01F704H";
            QTest::addRow("%s: territory", editor)
                << editor
                << Fields {{"txtCognome", "Rossi"}, {"txtNome", "Mario"}, {"txtSesso", "M"}, {"txtDataNascPro", "01/01/1990"},
                           {"txtLuogoNascPro", "Hong Kong"}, {"txtProvNascPro", "EE"}}
                << "RSSMRA90A01Z221I";
            QTest::addRow("%s: umlauts", editor)
                << editor
                << Fields {{"txtCognome", "M\u00FCller"}, {"txtNome", "J\u00FCrgen"}, {"txtSesso", "M"}, {"txtDataNascPro", "01/01/1980"},
                           {"txtLuogoNascPro", "Rimini"}, {"txtProvNascPro", "FO"}}
                << "MLLJGN80A01H294Q";
        }
    }

    void computes()
    {
        QFETCH(QString, editor);
        QFETCH(Fields, person);
        QFETCH(QString, code);
        openEditor(editor);
        fill(person);
        clickCompute();
        QCOMPARE(text(QStringLiteral("txtCodFiscPro")), code);
        QCOMPARE(status(), QStringLiteral("Il codice fiscale \u00E8 stato calcolato dai dati anagrafici."));
        if (code == QLatin1String("RSSMRA80A01H501U"))
            QCOMPARE(text(QStringLiteral("txtProvNascPro")), QStringLiteral("RM"));
        QVERIFY(m_dialogs->shown.isEmpty());
        QVERIFY(m_choices.isEmpty());
    }

    void computeAsksWhichPlace_data()
    {
        editors();
        QTest::newRow("registry") << "registry";
        QTest::newRow("manager") << "manager";
    }

    // Two municipalities share the name: the user chooses, or cancels.
    void computeAsksWhichPlace()
    {
        QFETCH(QString, editor);
        openEditor(editor);
        fill({{"txtCognome", "Rossi"}, {"txtNome", "Mario"}, {"txtSesso", "M"}, {"txtDataNascPro", "01/01/1980"},
              {"txtLuogoNascPro", "Castro"}});
        m_choice = -1;
        clickCompute();
        QCOMPARE(m_choices.size(), 1);
        // Castro dei Volsci (FR), once called Castro, is offered too, last.
        QCOMPARE(m_choices.first(), (QStringList{QStringLiteral("Castro (BG)"), QStringLiteral("Castro (LE)"), QStringLiteral("Castro dei Volsci (FR)")}));
        QVERIFY(text(QStringLiteral("txtCodFiscPro")).isEmpty());
        QVERIFY(text(QStringLiteral("txtProvNascPro")).isEmpty());

        m_choice = static_cast<int>(m_choices.first().indexOf(QStringLiteral("Castro (LE)")));
        clickCompute();
        QCOMPARE(text(QStringLiteral("txtProvNascPro")), QStringLiteral("LE"));
        const QString code = text(QStringLiteral("txtCodFiscPro"));
        QCOMPARE(code.size(), 16);
        QCOMPARE(code.left(11), QStringLiteral("RSSMRA80A01"));
        QCOMPARE(code.mid(11, 4), BirthPlaces::byName(u"Castro", u"LE", QDate(1980, 1, 1)).value(0).code);
    }

    void computeSaysWhatIsMissing_data()
    {
        QTest::addColumn<Fields>("person");
        QTest::addColumn<QString>("missing");
        const Fields whole = {{"txtCognome", "Rossi"}, {"txtNome", "Mario"}, {"txtSesso", "M"}, {"txtDataNascPro", "01/01/1980"},
                              {"txtLuogoNascPro", "Roma"}, {"txtProvNascPro", "RM"}};
        const auto without = [&whole](const char *name, const char *value = "") {
            Fields changed = whole;
            for (auto &entry : changed) {
                if (entry.first == QLatin1String(name))
                    entry.second = QString::fromUtf8(value);
            }
            return changed;
        };
        QTest::newRow("no surname") << without("txtCognome") << "cognome";
        QTest::newRow("no letter in the name") << without("txtNome", "'") << "nome";
        QTest::newRow("sex X") << without("txtSesso", "X") << "sesso (M o F)";
        QTest::newRow("no date") << without("txtDataNascPro", "31/02/1980") << "data di nascita (gg/mm/aaaa)";
        QTest::newRow("no place") << without("txtLuogoNascPro") << "comune di nascita (o stato di nascita, se estero)";
    }

    void computeSaysWhatIsMissing()
    {
        QFETCH(Fields, person);
        QFETCH(QString, missing);
        openEditor(QStringLiteral("registry"));
        fill(person);
        clickCompute();
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown.first().first, Dialogs::Kind::Warning);
        QCOMPARE(m_dialogs->take(), QStringLiteral("Attenzione: per calcolare il codice fiscale occorre indicare ") + missing + u'.');
        QVERIFY(text(QStringLiteral("txtCodFiscPro")).isEmpty());
    }

    void computeWarnsOfAnUnknownPlace_data()
    {
        QTest::addColumn<Fields>("place");
        QTest::addColumn<QString>("focus");
        QTest::newRow("municipality") << Fields{{"txtLuogoNascPro", "Atlantide"}, {"txtProvNascPro", "RM"}} << "txtLuogoNascPro";
        QTest::newRow("state, with a blank after it")
            << Fields{{"txtLuogoNascPro", "Poseidonia"}, {"txtStatoNascPro", "Atlantide "}} << "txtStatoNascPro";
        QTest::newRow("state in the municipality field")
            << Fields{{"txtLuogoNascPro", "Atlantide"}, {"txtProvNascPro", "EE"}} << "txtLuogoNascPro";
    }

    // The warning names the place, and the field that holds it takes the focus.
    void computeWarnsOfAnUnknownPlace()
    {
        QFETCH(Fields, place);
        QFETCH(QString, focus);
        openEditor(QStringLiteral("registry"));
        fill({{"txtCognome", "Rossi"}, {"txtNome", "Mario"}, {"txtSesso", "M"}, {"txtDataNascPro", "01/01/1980"}});
        fill(place);
        clickCompute();
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown.first().first, Dialogs::Kind::Warning);
        QCOMPARE(m_dialogs->take(), QStringLiteral("Attenzione: il luogo di nascita \"Atlantide\" non risulta tra i comuni italiani "
                                                   "e gli stati esteri esistenti alla data di nascita."));
        QTRY_COMPARE(QApplication::focusWidget(), field(focus));
        QVERIFY(text(QStringLiteral("txtCodFiscPro")).isEmpty());
    }

    // A place made after the birth date, and a birth
    // date after today, are refused with the reason.
    void computeRefusesWithTheReason_data()
    {
        QTest::addColumn<Fields>("person");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("made after the birth")
            << Fields {{"txtDataNascPro", "01/01/1980"}, {"txtLuogoNascPro", "Abetone Cutigliano"}, {"txtProvNascPro", "PT"}}
            << "Attenzione: il luogo di nascita \"Abetone Cutigliano\" non risulta tra i comuni italiani e gli stati esteri esistenti "
               "alla data di nascita.\r\n\r\nAbetone Cutigliano (PT) esiste dal 01/01/2017."
            << "txtLuogoNascPro";
        QTest::newRow("birth date after today")
            << Fields {{"txtDataNascPro", "11/12/2026"}, {"txtLuogoNascPro", "Roma"}, {"txtProvNascPro", "RM"}}
            << "Attenzione: la data di nascita 11/12/2026 \u00E8 successiva a oggi: il codice fiscale non pu\u00F2 essere calcolato."
            << "txtDataNascPro";
    }

    void computeRefusesWithTheReason()
    {
        QFETCH(Fields, person);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        openEditor(QStringLiteral("registry"));
        fill({{"txtCognome", "Rossi"}, {"txtNome", "Mario"}, {"txtSesso", "M"}});
        fill(person);
        clickCompute();
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown.first().first, Dialogs::Kind::Warning);
        QCOMPARE(m_dialogs->take(), message);
        QTRY_COMPARE(QApplication::focusWidget(), field(focus));
        QVERIFY(text(QStringLiteral("txtCodFiscPro")).isEmpty());
    }

    void computeAsksBeforeReplacing()
    {
        openEditor(QStringLiteral("manager"));
        fill({{"txtCognome", "Rossi"}, {"txtNome", "Mario"}, {"txtSesso", "M"}, {"txtDataNascPro", "01/01/1980"},
              {"txtLuogoNascPro", "Roma"}, {"txtProvNascPro", "RM"}, {"txtCodFiscPro", "VRDGPP80A01H501U"}});
        m_dialogs->answer = Dialogs::Answer::No;
        clickCompute();
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown.first().first, Dialogs::Kind::Confirmation);
        QVERIFY(m_dialogs->take().contains(QStringLiteral("RSSMRA80A01H501U")));
        QCOMPARE(text(QStringLiteral("txtCodFiscPro")), QStringLiteral("VRDGPP80A01H501U"));
        m_dialogs->answer = Dialogs::Answer::Ok; // Yes
        clickCompute();
        QCOMPARE(text(QStringLiteral("txtCodFiscPro")), QStringLiteral("RSSMRA80A01H501U"));
    }

    // --- the warnings before saving ---

    void saveWarnsOfTheTaxCode_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<Fields>("person");
        QTest::addColumn<QString>("warning"); // the line of the question; empty: no question
        for (const char *editor : {"registry", "manager"}) {
            const Fields rossi = {{"txtCognome", "Rossi"}, {"txtNome", "Mario"}, {"txtSesso", "M"}, {"txtDataNascPro", "01/01/1980"},
                                  {"txtLuogoNascPro", "Roma"}, {"txtProvNascPro", "RM"}, {"txtCodFiscPro", "RSSMRA80A01H501U"}};
            QTest::addRow("%s: the same person", editor) << editor << rossi << QString();
            Fields sparse = {{"txtCognome", "Rossi"}, {"txtNome", "Mario"}, {"txtCodFiscPro", "RSSMRA80A01H501U"}};
            QTest::addRow("%s: empty parts are not compared", editor) << editor << sparse << QString();
            Fields vat = sparse;
            vat.last().second = QStringLiteral("07643520567");
            QTest::addRow("%s: a valid VAT number", editor) << editor << vat << QString();
            Fields invalid = rossi;
            invalid.last().second = QStringLiteral("RSSMRA80A01H501X");
            QTest::addRow("%s: a wrong check letter", editor)
                << editor << invalid
                << "Il codice fiscale RSSMRA80A01H501X non \u00E8 valido: il carattere di controllo dovrebbe essere U.";
            invalid.last().second = QStringLiteral("RSSMRA80A01H501");
            QTest::addRow("%s: too short", editor)
                << editor << invalid << "Il codice fiscale RSSMRA80A01H501 non \u00E8 valido: deve essere composto da 16 caratteri.";
            invalid.last().second = QStringLiteral("07643520568");
            QTest::addRow("%s: digits that are no VAT number", editor)
                << editor << invalid
                << "Il codice fiscale 07643520568 non \u00E8 valido: un codice di sole cifre deve essere una partita IVA valida di 11 cifre.";
            invalid.last().second = QStringLiteral("RSSMRA80A01H5-1U");
            QTest::addRow("%s: a character that is no letter or digit", editor)
                << editor << invalid
                << "Il codice fiscale RSSMRA80A01H5-1U non \u00E8 valido: contiene caratteri diversi da lettere e cifre.";
            Fields other = rossi;
            other[0].second = QStringLiteral("Verdi");
            other[3].second = QStringLiteral("02/01/1980");
            QTest::addRow("%s: someone else's code", editor)
                << editor << other
                << "Il codice fiscale RSSMRA80A01H501U non corrisponde ai dati della scheda (cognome, data di nascita).";
            Fields place = rossi;
            place[4].second = QStringLiteral("Milano");
            place[5].second = QStringLiteral("MI");
            QTest::addRow("%s: another birth place", editor)
                << editor << place << "Il codice fiscale RSSMRA80A01H501U non corrisponde ai dati della scheda (luogo di nascita).";
            // The structure before the check letter; a place made after the birth.
            invalid.last().second = QStringLiteral("RSSMRA8AA01H501X");
            QTest::addRow("%s: the structure before the check letter", editor)
                << editor << invalid << "Il codice fiscale RSSMRA8AA01H501X non \u00E8 valido: c'\u00E8 una lettera al posto di una cifra (carattere 8).";
            invalid.last().second = QStringLiteral("RSSMRA80A01M376P");
            QTest::addRow("%s: a place made after the birth", editor)
                << editor << invalid
                << "Il codice fiscale RSSMRA80A01M376P non \u00E8 valido: il luogo di nascita M376, Abetone Cutigliano (PT), non esisteva "
                   "alla data di nascita.";
        }
    }

    void saveWarnsOfTheTaxCode()
    {
        QFETCH(QString, editor);
        QFETCH(Fields, person);
        QFETCH(QString, warning);
        openEditor(editor);
        fill(mandatory());
        fill(person);

        if (warning.isEmpty()) {
            m_editor->cmdSalvaClick();
            QCOMPARE(savedRecords(), 1);
            for (const auto &[kind, said] : m_dialogs->shown)
                QVERIFY2(kind != Dialogs::Kind::Confirmation, qPrintable(said));
            return;
        }
        // No: back to the code, nothing saved.
        m_dialogs->answer = Dialogs::Answer::No;
        m_editor->cmdSalvaClick();
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown.first().first, Dialogs::Kind::Confirmation);
        QCOMPARE(m_dialogs->take(), QStringLiteral("Attenzione: prima di salvare la scheda, controllare quanto segue.\r\n\r\n- ")
                                        + warning + QStringLiteral("\r\n\r\nSalvare comunque?"));
        QCOMPARE(savedRecords(), 0);
        QVERIFY(field(QStringLiteral("txtCodFiscPro"))->hasFocus());
        // Yes: saved as it is.
        m_dialogs->answer = Dialogs::Answer::Ok;
        m_editor->cmdSalvaClick();
        QCOMPARE(savedRecords(), 1);
        RecordBuffer stored(m_editor == m_screens->frmAllievi() ? StudentRecord::layout() : TT2112Record::layout());
        stored.setBytes(readAll(m_editor->archivePath()));
        QCOMPARE(stored.text(stored.layout().indexOf("txtCodFiscPro")), person.last().second);
    }

    // --- the check screen ---

    void checkScreenShowsTheDecodedData_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("warning");
        QTest::newRow("man") << "RSSMRA80A01H501U" << "Maschio, nato il 01/01/1980 a Roma (RM)" << false;
        QTest::newRow("omocodia") << "RSSMRA80A01H50MM" << "Maschio, nato il 01/01/1980 a Roma (RM)" << false;
        QTest::newRow("wrong check letter") << "RSSMRA80A01H501X" << "" << false;
        QTest::newRow("too short") << "RSSMRA80A01" << "" << false;
        // A state's everyday name, today's province, a territory
        QTest::newRow("state") << "RSSMRA90A01Z154P" << "Maschio, nato il 01/01/1990, stato estero: Russia" << false;
        QTest::newRow("province of today") << "RSSMRA90A01F704H" << "Maschio, nato il 01/01/1990 a Monza (MB)" << false;
        QTest::newRow("territory") << "RSSMRA90A01Z221I" << "Maschio, nato il 01/01/1990, stato estero: Hong Kong" << false;
        // Class 6: a warning line, not the green one.
        QTest::newRow("place made after the birth") << "RSSMRA80A01M376P"
                                                    << "Maschio, nato il 01/01/1980: attenzione, il luogo di nascita M376, Abetone Cutigliano (PT), "
                                                       "non esisteva alla data di nascita" << true;
        QTest::newRow("place in no list") << "RSSMRA80A01Z999Y"
                                          << "Maschio, nato il 01/01/1980: attenzione, il codice del luogo di nascita Z999 non \u00E8 tra i "
                                             "comuni italiani e gli stati esteri" << true;
    }

    void checkScreenShowsTheDecodedData()
    {
        QFETCH(QString, code);
        QFETCH(QString, line);
        QFETCH(bool, warning);
        TfrmCodFisc screen;
        screen.setCode(code);
        const auto *decoded = screen.findChild<QLabel *>(QStringLiteral("lblDatiCodFisc"));
        QVERIFY(decoded != nullptr);
        QCOMPARE(decoded->text(), line);
        QCOMPARE(decoded->property("warning").toBool(), warning);
        const QColor green(0x20, 0x63, 0x20);
        QCOMPARE(decoded->palette().color(QPalette::WindowText) == green, !warning);
    }
};

QTEST_MAIN(TestTaxCodeScreens)
#include "tst_taxcodescreens.moc"
