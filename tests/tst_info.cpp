#include "DialogRecorder.h"
#include "Modal.h"

#include "access/CambiaPassword.h"
#include "access/Password.h"
#include "export/ExportScreen.h"
#include "printing/PrintScreens.h"
#include "search/TrovaScreen.h"
#include "students/AllegaCartella.h"
#include "students/FrequentatoriOra.h"
#include "students/LezioniGuida.h"
#include "checks/CheckScreens.h"
#include "app/Avvio.h"
#include "shell/HelpScreens.h"
#include "shell/HelpTopics.h"
#include "shell/OpenURL.h"
#include "app/ScreenSet.h"
#include "storage/ProgramFolder.h"
#include "students/Allievi.h"
#include "tt2112/Mod_TT2112.h"

#include <QApplication>
#include <functional>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>
#include <QDir>
#include <QLabel>

using Kind = Dialogs::Kind;

namespace {

using ScreenFactory = std::function<ScreenKit::Screen *()>;

} // namespace

Q_DECLARE_METATYPE(ScreenFactory)

class TestInfo : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<DialogRecorder> m_dialogs;
    QList<QUrl> m_opened;

private slots:
    void initTestCase()
    {
        ProgramFolder::setOverride(m_dir.path() + QStringLiteral("/cartella con spazi"));
        QDir().mkpath(ProgramFolder::path());
        TMisc::setShellOpener([this](const QUrl &url) { m_opened << url; });
    }

    void init()
    {
        m_opened.clear();
        m_dialogs = std::make_unique<DialogRecorder>();
    }

    void cleanup() { m_dialogs.reset(); }

    // --- tax code ---

    void taxCodeVerdicts_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("closed");
        QTest::newRow("lower case, valid") << "rssmra85t10a562s" << int(Kind::Information) << "Il codice fiscale digitato \u00E8 VALIDO." << true;
        QTest::newRow("omocodia, valid") << "RSSMRA85T10A56NH" << int(Kind::Information) << "Il codice fiscale digitato \u00E8 VALIDO." << true;
        QTest::newRow("wrong letter") << "RSSMRA85T10A562T" << int(Kind::Warning)
                                      << "Attenzione: il codice fiscale digitato \u00E8 ERRATO: il carattere di controllo dovrebbe essere S." << true;
        // The structure before the check letter (A among the year's digits, and a wrong check letter).
        QTest::newRow("structure first") << "RSSMRA8AT10A562T" << int(Kind::Warning)
                                         << "Attenzione: il codice fiscale digitato \u00E8 ERRATO: c'\u00E8 una lettera al posto di una cifra (carattere 8)." << true;
        QTest::newRow("month letter") << "RSSMRA85F10A562T" << int(Kind::Warning)
                                      << "Attenzione: il codice fiscale digitato \u00E8 ERRATO: la nona lettera, il mese di nascita, deve essere una tra "
                                         "A B C D E H L M P R S T." << true;
        QTest::newRow("eleven digits") << "07643520567" << int(Kind::Warning)
                                       << "Attenzione: un numero di 11 cifre \u00E8 il codice fiscale di una societ\u00E0 o un codice provvisorio, "
                                          "non quello di una persona: va controllato come partita IVA." << false;
        // Class 6: RSS MRA 80 A 01 M376 -> P, Abetone Cutigliano, made in 2017.
        QTest::newRow("place made after the birth") << "RSSMRA80A01M376P" << int(Kind::Warning)
                                                    << "Attenzione: il carattere di controllo del codice fiscale digitato \u00E8 corretto, ma il luogo "
                                                       "di nascita M376, Abetone Cutigliano (PT), non esisteva alla data di nascita." << true;
        QTest::newRow("fifteen characters") << "RSSMRA85T10A562" << int(Kind::Warning)
                                            << "Attenzione: il codice fiscale deve essere composto da 16 caratteri alfanumerici." << false;
        QTest::newRow("blanks around do not count") << "  RSSMRA85T10A562S " << int(Kind::Information)
                                                    << "Il codice fiscale digitato \u00E8 VALIDO." << true;
    }

    void taxCodeVerdicts()
    {
        QFETCH(QString, typed);
        QFETCH(int, kind);
        QFETCH(QString, message);
        QFETCH(bool, closed);
        TfrmCodFisc screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowActive(&screen));
        auto *field = screen.control<QLineEdit>("txtCodFisc");
        QVERIFY(field->hasFocus());
        QTest::keyClicks(field, typed);
        QCOMPARE(field->text(), typed.trimmed().toUpper());
        QTest::keyClick(field, Qt::Key_Return); // moves to Controlla, checks nothing
        QVERIFY(m_dialogs->shown.isEmpty());
        QTest::mouseClick(screen.control<QPushButton>("btnControlla"), Qt::LeftButton);
        QCOMPARE(int(m_dialogs->shown.first().first), kind);
        QCOMPARE(m_dialogs->take(), message);
        QCOMPARE(screen.isVisible(), !closed);
        if (!closed)
            QVERIFY(field->hasFocus());
    }

    void checkWithTheKeyboardOnly_data()
    {
        QTest::addColumn<bool>("vat");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("tax code") << false << "RSSMRA85T10A562S" << "Il codice fiscale digitato \u00E8 VALIDO.";
        QTest::newRow("tax code, too short") << false << "RSSMRA85T10A562"
                                             << "Attenzione: il codice fiscale deve essere composto da 16 caratteri alfanumerici.";
        QTest::newRow("VAT number") << true << "12345670587"
                                    << "Il numero di partita IVA digitato risulta VALIDO.\r\n\r\n"
                                       "\u00C8 stato rilasciato dall'Ufficio IVA del Comune di Roma 1.";
    }

    // Enter in the field moves to Controlla; Enter again checks.
    void checkWithTheKeyboardOnly()
    {
        QFETCH(bool, vat);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        std::unique_ptr<ScreenKit::Screen> screen;
        if (vat)
            screen = std::make_unique<TfrmPartitaIva>();
        else
            screen = std::make_unique<TfrmCodFisc>();
        screen->show();
        QVERIFY(QTest::qWaitForWindowActive(screen.get()));
        QWidget *field = screen->control(vat ? "txtPartitaIva" : "txtCodFisc");
        QTRY_COMPARE(QApplication::focusWidget(), field);
        QTest::keyClicks(field, typed);
        QTest::keyPress(field, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), screen->control("btnControlla"));
        QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(m_dialogs->shown.isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(m_dialogs->take(), message);
    }

    void taxCodeFieldTakesSixteen()
    {
        TfrmCodFisc screen;
        screen.show();
        QTest::keyClicks(screen.control<QLineEdit>("txtCodFisc"), QStringLiteral("RSSMRA85T10A562SX"));
        QCOMPARE(screen.control<QLineEdit>("txtCodFisc")->text(), QStringLiteral("RSSMRA85T10A562S"));
    }

    // --- VAT number ---

    void vatVerdicts_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        const QString valid = QStringLiteral("Il numero di partita IVA digitato risulta VALIDO.\r\n\r\n");
        QTest::newRow("office 058") << "12345670587" << int(Kind::Information)
                                    << valid + "\u00C8 stato rilasciato dall'Ufficio IVA del Comune di Roma 1.";
        QTest::newRow("office 120") << "00000001206" << int(Kind::Information)
                                    << valid + "\u00C8 stato rilasciato dall'Ufficio IVA del Comune di Bologna 2.";
        QTest::newRow("office outside the table") << "00000000000" << int(Kind::Information)
            << valid + "Il codice dell'Ufficio IVA che lo ha rilasciato (000) non \u00E8 presente nella tabella degli uffici conosciuti dal programma.";
        QTest::newRow("wrong check digit") << "12345670588" << int(Kind::Warning)
            << "Attenzione: il numero di partita IVA digitato risulta ERRATO!\r\n\r\nNon \u00E8 quindi possibile fornire informazioni relative all'Ufficio IVA che lo ha rilasciato.";
        QTest::newRow("ten digits") << "1234567058" << int(Kind::Warning)
                                    << "Attenzione: la partita IVA deve essere composta da 11 caratteri numerici.";
    }

    void vatVerdicts()
    {
        QFETCH(QString, number);
        QFETCH(int, kind);
        QFETCH(QString, message);
        TfrmPartitaIva screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowActive(&screen));
        QTest::keyClicks(screen.control<QLineEdit>("txtPartitaIva"), number);
        QTest::mouseClick(screen.control<QPushButton>("btnControlla"), Qt::LeftButton);
        QCOMPARE(int(m_dialogs->shown.first().first), kind);
        QCOMPARE(m_dialogs->take(), message);
        QCOMPARE(screen.isVisible(), number.size() != 11);
    }

    void vatFieldTakesDigitsOnly()
    {
        TfrmPartitaIva screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowActive(&screen));
        auto *field = screen.control<QLineEdit>("txtPartitaIva");
        QTest::keyClicks(field, QStringLiteral("12a-3 b4"));
        QCOMPARE(field->text(), QStringLiteral("1234"));
        QTest::keyClick(field, Qt::Key_Home); // not one of the keys that pass
        QTest::keyClick(field, Qt::Key_Left);
        QTest::keyClicks(field, QStringLiteral("9"));
        QCOMPARE(field->text(), QStringLiteral("12394"));
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), QStringLiteral("1234"));
        QTest::keyClicks(field, QStringLiteral("123456789"));
        QCOMPARE(field->text().size(), 11);
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), screen.control<QWidget>("btnControlla"));
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    void editorButtonChoosesTheCheck_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("verdict");
        const QString length = QStringLiteral("Attenzione: la partita IVA deve essere composta da 11 caratteri numerici.");
        QTest::newRow("empty") << "   " << "frmCodFisc" << "" << "";
        QTest::newRow("eleven digits") << "12345670587" << "frmPartitaIva" << "12345670587"
                                       << "Il numero di partita IVA digitato risulta VALIDO.\r\n\r\n\u00C8 stato rilasciato dall'Ufficio IVA del Comune di Roma 1.";
        // The VAT field takes eleven digits from the keyboard, but the sixteen the
        // editor hands over stay whole, and the check says they are too many.
        QTest::newRow("sixteen digits") << "1234567058712345" << "frmPartitaIva" << "1234567058712345" << length;
        QTest::newRow("letters and digits") << " rssmra85 " << "frmCodFisc" << "rssmra85" << ""; // as it stands: only typing upper-cases
    }

    void editorButtonChoosesTheCheck()
    {
        QFETCH(QString, field);
        QFETCH(QString, screen);
        QFETCH(QString, text);
        QFETCH(QString, verdict);
        ScreenSet screens;
        screens.createScreens();
        screens.frmAvvio()->imgAnagraficaClick();
        screens.frmAllievi()->control<QLineEdit>("txtCodFiscPro")->setText(field);
        QString opened;
        QString shown;
        whenModalOpens([&](QWidget *modal) {
            opened = modal->objectName();
            shown = modal->findChild<QLineEdit *>()->text();
            if (!verdict.isEmpty())
                QTest::mouseClick(modal->findChild<QPushButton *>(QStringLiteral("btnControlla")), Qt::LeftButton);
        });
        QTest::mouseClick(screens.frmAllievi()->control("btnCodFiscPro"), Qt::LeftButton);
        QCOMPARE(opened, screen);
        QCOMPARE(shown, text.isEmpty() ? QString() : text);
        if (verdict.isEmpty())
            QVERIFY(m_dialogs->shown.isEmpty());
        else
            QCOMPARE(m_dialogs->take(), verdict);
        QCOMPARE(screens.frmAllievi()->control<QLineEdit>("txtCodFiscPro")->text(), field); // never changed
    }

    // --- help ---

    void topics()
    {
        const QStringList s = HelpTopics::paragraphs(HelpTopics::Topic::S);
        const QStringList a = HelpTopics::paragraphs(HelpTopics::Topic::A);
        const QStringList b = HelpTopics::paragraphs(HelpTopics::Topic::B);
        QCOMPARE(s.size(), 28);
        QCOMPARE(a.size(), 11);
        QCOMPARE(b.size(), 11);
        QCOMPARE(s.mid(1, 11), a);
        QCOMPARE(s.mid(12, 11), b);
        QCOMPARE(HelpTopics::paragraphs(HelpTopics::Topic::C).size(), 3);
        QCOMPARE(HelpTopics::paragraphs(HelpTopics::Topic::C).mid(1), HelpTopics::paragraphs(HelpTopics::Topic::D).mid(1));
        QCOMPARE(HelpTopics::body(HelpTopics::Topic::S).split(QStringLiteral("\r\n\r\n")), s);
        QVERIFY(!HelpTopics::body(HelpTopics::Topic::A).startsWith(QLatin1Char('\r')));
        QVERIFY(s.at(26).contains(QStringLiteral("passacorridoio")));
        for (const QString &paragraph : s + HelpTopics::paragraphs(HelpTopics::Topic::C) + HelpTopics::paragraphs(HelpTopics::Topic::D))
            QVERIFY(!paragraph.trimmed().isEmpty() && !paragraph.contains(QStringLiteral("\r\n")));
    }

    void eachScreenShowsItsTopic_data()
    {
        QTest::addColumn<int>("caller");
        QTest::addColumn<QString>("title");
        QTest::newRow("start screen") << 0 << "Uno sguardo a Volantix.";
        QTest::newRow("form manager") << 1 << "Applicazione Gestione Modello TT 2112.";
        QTest::newRow("registry") << 2 << "Applicazione Anagrafica Allievi.";
    }

    void eachScreenShowsItsTopic()
    {
        QFETCH(int, caller);
        QFETCH(QString, title);
        ScreenSet screens;
        screens.createScreens();
        QWidget *button = nullptr;
        if (caller == 0) {
            emit screens.frmPassword()->accessGranted();
            button = screens.frmAvvio()->control("imgGuida");
        } else if (caller == 1) {
            screens.frmAvvio()->imgModelloClick();
            button = screens.frmMod_TT2112()->control("cmdGuida");
        } else {
            screens.frmAvvio()->imgAnagraficaClick();
            button = screens.frmAllievi()->control("cmdGuida");
        }
        QString shownTitle;
        QString body;
        whenModalOpens([&](QWidget *modal) {
            shownTitle = modal->findChild<QLabel *>(QStringLiteral("lblTitolo"))->text();
            body = modal->findChild<QPlainTextEdit *>(QStringLiteral("txtGuida"))->toPlainText();
        });
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(shownTitle, title);
        QVERIFY(!body.isEmpty());
    }

    void guideLinkOpensTheQuotedPdf()
    {
        TfrmGuida page;
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        auto *link = page.findChild<QLabel *>(QStringLiteral("lnkWeb"));
        QTest::mousePress(link, Qt::LeftButton);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor::fromRgba(0xFFFFA500));
        QTest::mouseRelease(link, Qt::LeftButton);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor::fromRgba(0xFF00008B));
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(ProgramFolder::filePath(QStringLiteral("Guida.pdf")))});
        // The PDF picture is the same link.
        QTest::mouseClick(page.control("imgPDF"), Qt::LeftButton);
        QCOMPARE(m_opened.size(), 2);
    }

    void aboutAndCreditsLinks()
    {
        TfrmInfo info;
        info.show();
        QTest::mouseClick(info.findChild<QLabel *>(QStringLiteral("lnkWeb")), Qt::LeftButton);
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.first().scheme(), QStringLiteral("mailto"));
        QCOMPARE(m_opened.first().path(), QStringLiteral("info@volantix.it"));
        QCOMPARE(QUrlQuery(m_opened.first()).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded), QStringLiteral("Software Volantix"));
        QCOMPARE(QUrlQuery(m_opened.first()).queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded),
                 QStringLiteral("Salve, desidererei avere le seguenti informazioni sul software in oggetto:"));
        TfrmSplash credits;
        credits.show();
        QTest::mouseClick(credits.control("imgWeb"), Qt::LeftButton);
        QCOMPARE(m_opened.last(), QUrl(QStringLiteral("https://www.volantix.it")));
    }

    // --- Escape ---

    void escapeClosesEverySecondaryWindow_data()
    {
        using Factory = ScreenFactory;
        QTest::addColumn<Factory>("make");
        QTest::addColumn<QString>("prepare"); // a button to press first, or a control to focus
        QTest::addColumn<QString>("closer");  // the control Escape presses
        const auto row = [](const char *name, Factory make, const char *prepare, const char *closer) {
            QTest::newRow(name) << make << QString::fromLatin1(prepare) << QString::fromLatin1(closer);
        };
        const auto lessons = [] {
            auto *screen = new TfrmLezioniGuida;
            screen->setStudent({QStringLiteral("Mario"), QStringLiteral("Rossi"), QStringLiteral("B"), QStringLiteral("1")});
            return screen;
        };
        row("tax code check", [] { return new TfrmCodFisc; }, "", "btnChiudi");
        row("VAT number check", [] { return new TfrmPartitaIva; }, "", "btnChiudi");
        row("form export", [] { return new TfrmExpModelli; }, "", "cmdEsci");
        row("student export", [] { return new TfrmExpAllievi; }, "", "cmdEsci");
        row("student search, filters", [] { return new TfrmTrovaAllievi; }, "", "btnAnnulla");
        row("student search, results", [] { return new TfrmTrovaAllievi; }, "btnCerca", "btnChiudi");
        row("form search, results on the list", [] { return new TfrmTrovaModelli; }, "btnCerca lstRecords", "btnChiudi");
        row("change password", [] { return new TfrmCambiaPassword; }, "", "cmdEsci");
        row("help", [] { return new TfrmGuida; }, "", "btnChiudi");
        row("prescriptions", [] { return new TfrmIstruzioni; }, "", "btnChiudi");
        row("information", [] { return new TfrmInfo; }, "", "btnChiudi");
        row("copyright", [] { return new TfrmSplash; }, "", "btnChiudi");
        row("lessons, list", lessons, "lstRecords", "btnChiudi");
        row("lessons, entry panel", lessons, "btnAggiungi", "cmdClose");
        row("current attendees", [] { return new TfrmFrequentatoriOra; }, "", "btnChiudi");
        row("attachments", [] { return new TfrmAllegaCartella; }, "", "btnAnnulla");
        row("form print", [] { return new TfrmStampa_Modello; }, "", "btnAnnulla");
        row("form preview", [] { return new TfrmAnteprima_Modello; }, "", "btnAnnulla");
        row("student card print", [] { return new TfrmStampaAllievo; }, "", "btnAnnulla");
    }

    // Escape closes a secondary window by pressing its Chiudi (or Annulla, or its
    // exit picture), wherever the focus is, so the window does what that control does.
    void escapeClosesEverySecondaryWindow()
    {
        using Factory = ScreenFactory;
        QFETCH(Factory, make);
        QFETCH(QString, prepare);
        QFETCH(QString, closer);
        std::unique_ptr<ScreenKit::Screen> screen(make());
        screen->show();
        QVERIFY(QTest::qWaitForWindowActive(screen.get()));
        for (const QString &step : prepare.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            QWidget *control = screen->control(step.toLatin1().constData());
            if (auto *button = qobject_cast<QPushButton *>(control))
                button->click();
            else
                control->setFocus();
        }
        QWidget *control = screen->control(closer.toLatin1().constData());
        QCOMPARE(screen->closeControl(), control);
        int pressed = 0;
        if (auto *button = qobject_cast<QPushButton *>(control))
            connect(button, &QPushButton::clicked, this, [&pressed] { ++pressed; });
        else
            connect(qobject_cast<ScreenKit::Picture *>(control), &ScreenKit::Picture::clicked, this, [&pressed] { ++pressed; });
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus != nullptr);
        QCOMPARE(focus->window(), screen.get());
        QTest::keyClick(focus, Qt::Key_Escape);
        QCOMPARE(pressed, 1);
        QTRY_VERIFY(!screen->isVisible());
        m_dialogs->shown.clear();
    }

    // The main windows have no Chiudi: Escape leaves them open.
    void escapeLeavesTheMainWindows()
    {
        TfrmPassword login;
        TfrmAvvio start;
        for (ScreenKit::Screen *screen : std::initializer_list<ScreenKit::Screen *>{&login, &start}) {
            screen->show();
            QVERIFY(QTest::qWaitForWindowActive(screen));
            QCOMPARE(screen->closeControl(), nullptr);
            QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : screen, Qt::Key_Escape);
            QVERIFY(screen->isVisible());
            screen->hide();
        }
        ScreenSet screens;
        screens.createScreens();
        screens.frmAvvio()->imgAnagraficaClick();
        QVERIFY(QTest::qWaitForWindowActive(screens.frmAllievi()));
        QCOMPARE(screens.frmAllievi()->closeControl(), nullptr);
        QTest::keyClick(screens.frmAllievi(), Qt::Key_Escape);
        QVERIFY(screens.frmAllievi()->isVisible());
        screens.frmAllievi()->hide();
        screens.frmAvvio()->imgModelloClick();
        QVERIFY(QTest::qWaitForWindowActive(screens.frmMod_TT2112()));
        QCOMPARE(screens.frmMod_TT2112()->closeControl(), nullptr);
        QTest::keyClick(screens.frmMod_TT2112(), Qt::Key_Escape);
        QVERIFY(screens.frmMod_TT2112()->isVisible());
    }
};

QTEST_MAIN(TestInfo)
#include "tst_info.moc"
