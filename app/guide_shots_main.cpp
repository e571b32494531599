// Takes the pictures of the user guide: the program's own screens, opened on a
// sample school folder, each saved as a PNG, and the form's printed page with the
// applicant's data.
// Run at build time, so the guide always shows the screens as they are.
//   volantix-guide-shots FOLDER
//
// Headless by default (Qt's offscreen platform, the same widgets and the same
// raster painting as on a desktop); QT_QPA_PLATFORM chooses another platform.

#include "app/ScreenSet.h"
#include "backup/Backup.h"
#include "backup/BackupSettings.h"
#include "access/Password.h"
#include "access/PasswordStore.h"
#include "app/Avvio.h"
#include "checks/CheckScreens.h"
#include "checks/TaxCode.h"
#include "printing/Report.h"
#include "printing/TT2112Document.h"
#include "shell/Clock.h"
#include "shell/Dialogs.h"
#include "shell/OpenURL.h"
#include "shell/RecordSaving.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "students/Allievi.h"
#include "shell/LineList.h"
#include "tt2112/SchoolDefaults.h"
#include "tt2112/Mod_TT2112.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <functional>

// Where the sample backup goes: a folder of its own, beside the sample school's.
static QTemporaryDir *g_copies = nullptr;

namespace {

// The size a maximised working screen is shown at in the pictures.
const QSize kWorkingScreen(1016, 713);

QString g_outFolder;
int g_failures = 0;

void fail(const QString &what)
{
    std::fprintf(stderr, "volantix-guide-shots: %s\n", qPrintable(what));
    ++g_failures;
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

void save(QWidget *screen, const QString &name)
{
    settle();
    const QPixmap picture = screen->grab();
    const QString path = QDir(g_outFolder).filePath(name + QStringLiteral(".png"));
    if (picture.isNull() || !picture.save(path, "PNG"))
        fail(QStringLiteral("cannot save %1").arg(path));
}

// Opens a modal screen with `open`, lets `prepare` act on it, takes its picture
// and closes it. `prepare` may open a further modal screen the same way.
void shootModal(const std::function<void()> &open, const QString &name, const std::function<void(QWidget *)> &prepare = {})
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            fail(QStringLiteral("no window opened for %1").arg(name));
            return;
        }
        seen = true;
        if (prepare)
            prepare(modal);
        if (!name.isEmpty())
            save(modal, name);
        if (modal->isVisible())
            modal->close();
    });
    open();
    if (!seen)
        fail(QStringLiteral("%1 was not shown").arg(name));
}

template <typename T = QLineEdit>
T *child(QWidget *screen, const char *name)
{
    T *found = screen->findChild<T *>(QString::fromLatin1(name));
    if (found == nullptr)
        fail(QStringLiteral("no %1 on %2").arg(QString::fromLatin1(name), screen->objectName()));
    return found;
}

void setField(QWidget *screen, const char *name, const QString &text)
{
    if (QLineEdit *field = child(screen, name))
        field->setText(text);
}

void click(QWidget *screen, const char *name)
{
    if (auto *button = child<QAbstractButton>(screen, name))
        button->click();
}

// ---------------------------------------------------------------- sample folder

struct SampleStudent {
    const char *cognome;
    const char *nome;
    char sesso;
    const char *nascita;
    const char *luogo;
    const char *prov;
    const char *codiceSenzaControllo; // the first fifteen characters of the tax code
    const char *comuneRes;
    const char *via;
    const char *telCel;
    const char *categoria;
    bool terminato;
};

const SampleStudent kStudents[] = {
    {"BIANCHI", "GIULIA", 'F', "14/05/2006", "BOLOGNA", "BO", "BNCGLI06E54A944", "BOLOGNA", "VIA DELL'INDIPENDENZA", "333 1234567", "B", false},
    {"ESPOSITO", "LUCA", 'M', "23/09/2005", "NAPOLI", "NA", "SPSLCU05P23F839", "CASALECCHIO DI RENO", "VIA PORRETTANA", "347 2345678", "B", false},
    {"FERRARI", "CHIARA", 'F', "02/11/2007", "MODENA", "MO", "FRRCHR07S42F257", "BOLOGNA", "VIA SAN FELICE", "328 3456789", "A2", false},
    {"RUSSO", "ANDREA", 'M', "17/07/2006", "BOLOGNA", "BO", "RSSNDR06L17A944", "SAN LAZZARO DI SAVENA", "VIA EMILIA", "340 4567890", "B", true},
    {"ROMANO", "SOFIA", 'F', "30/03/2007", "IMOLA", "BO", "RMNSFO07C70E289", "BOLOGNA", "VIA MAZZINI", "339 5678901", "B", false},
    {"COLOMBO", "MATTEO", 'M', "08/02/2004", "CASALECCHIO DI RENO", "BO", "CLMMTT04B08B880", "CASALECCHIO DI RENO", "VIA MARCONI", "335 6789012", "C", true},
    {"RICCI", "ELENA", 'F', "21/12/2006", "FERRARA", "FE", "RCCLNE06T61D548", "BOLOGNA", "VIA SARAGOZZA", "366 7890123", "B", false},
    {"ROSSI", "MARIO", 'M', "01/01/1980", "ROMA", "RM", "RSSMRA80A01H501", "BOLOGNA", "VIA GIUSEPPE GARIBALDI", "333 8901234", "BE", false},
};

QString taxCode(const char *firstFifteen)
{
    const QString first = QString::fromLatin1(firstFifteen);
    return first + QChar(TaxCodeCheckLetter(first));
}

QByteArray studentBytes(const SampleStudent &s, int number)
{
    using namespace StudentRecord;
    RecordBuffer r(layout());
    r.setText(txtCodiceCor, s.terminato ? QStringLiteral("B-2025-09") : QStringLiteral("B-2026-02"));
    r.setText(txtTipologiaCor, QString(QStringLiteral("Patente ") + QString::fromLatin1(s.categoria)));
    r.setText(txtNumIsc, QString::number(100 + number));
    r.setText(txtDataIsc, s.terminato ? QStringLiteral("15/09/2025") : QStringLiteral("02/02/2026"));
    r.setText(txtFoglio, QString(QStringLiteral("Foglio ") + QString::number(10 + number)));
    r.setText(txtResponsabile, QStringLiteral("Paolo Gualandi"));
    r.setText(txtDataInizio, s.terminato ? QStringLiteral("22/09/2025") : QStringLiteral("09/02/2026"));
    r.setText(txtDataTermine, s.terminato ? QStringLiteral("19/12/2025") : QStringLiteral("29/05/2026"));
    r.setText(txtCognome, QString::fromLatin1(s.cognome));
    r.setText(txtNome, QString::fromLatin1(s.nome));
    r.setText(txtSesso, QString(QChar::fromLatin1(s.sesso)));
    r.setText(txtDataNascPro, QString::fromLatin1(s.nascita));
    r.setText(txtLuogoNascPro, QString::fromLatin1(s.luogo));
    r.setText(txtProvNascPro, QString::fromLatin1(s.prov));
    r.setText(txtCodFiscPro, taxCode(s.codiceSenzaControllo));
    r.setText(txtStatoNascPro, QStringLiteral("ITALIA"));
    r.setText(txtComuneResPro, QString::fromLatin1(s.comuneRes));
    r.setText(txtProvResPro, QStringLiteral("BO"));
    r.setText(txtCapResPro, QString::fromLatin1(s.comuneRes) == QString::fromLatin1("BOLOGNA") ? QStringLiteral("40121") : QStringLiteral("40033"));
    r.setText(txtViaPro, QString::fromLatin1(s.via));
    r.setText(txtNumPro, QString::number(3 * number + 1));
    r.setText(txtCittadinanzaPro, QStringLiteral("ITALIANA"));
    r.setText(txtTipoDocPro, QStringLiteral("Carta d'identit\u00E0"));
    r.setText(txtNumDocPro, QStringLiteral("CA%1234AB").arg(number, 2, 10, QLatin1Char('0')));
    r.setText(txtEnteRilPro, QStringLiteral("Comune di Bologna"));
    r.setText(txtDataRilPro, QStringLiteral("12/06/2023"));
    r.setText(txtDataScaPro, QStringLiteral("11/06/2033"));
    r.setText(txtTelCel, QString::fromLatin1(s.telCel));
    r.setText(txtPreferenziale, QStringLiteral("Cellulare"));
    r.setText(txtEmail, QString(QString::fromLatin1(s.nome).toLower() + QLatin1Char('.') + QString::fromLatin1(s.cognome).toLower()
                                + QStringLiteral("@example.it")));
    r.setText(txtCatPat, QString::fromLatin1(s.categoria));
    r.setText(txtDataTeo, s.terminato ? QStringLiteral("14/11/2025") : QStringLiteral("17/04/2026"));
    r.setText(txtEsitoTeo, s.terminato ? QStringLiteral("Superato") : QString());
    r.setText(txtDataGuida, s.terminato ? QStringLiteral("18/12/2025") : QString());
    r.setText(txtEsitoGuida, s.terminato ? QStringLiteral("Superato") : QString());
    r.setText(txtNote, s.terminato ? QStringLiteral("Patente conseguita.") : QStringLiteral("Preferisce le lezioni del pomeriggio."));
    r.setText(chkRicontatta, s.terminato ? QStringLiteral("S\u00EC") : QStringLiteral("No"));
    // A few candidates further along, so that the deadline list shows each kind.
    switch (number) {
    case 2: // theory passed, driving exam booked
        r.setText(txtDataTeo, QStringLiteral("12/02/2026"));
        r.setText(txtEsitoTeo, QStringLiteral("Idoneo"));
        r.setText(txtDataGuida, QStringLiteral("20/03/2026"));
        break;
    case 3: // theory failed: the next attempt a month on
        r.setText(txtDataIsc, QStringLiteral("15/10/2025"));
        r.setText(txtDataTeo, QStringLiteral("20/02/2026"));
        r.setText(txtEsitoTeo, QStringLiteral("Non idoneo"));
        break;
    case 5: // the identity document runs out
        r.setText(txtDataScaPro, QStringLiteral("28/03/2026"));
        break;
    case 7: // an exam day gone by without a result
        r.setText(txtDataTeo, QStringLiteral("02/03/2026"));
        break;
    default:
        break;
    }
    if (number == 1) {
        r.setText(lblFile01, QStringLiteral("Carta_identita_Bianchi.pdf"));
        r.setText(lblDesc01, QStringLiteral("Carta d'identit\u00E0 (fronte e retro)"));
        r.setText(lblFile02, QStringLiteral("Certificato_medico_Bianchi.pdf"));
        r.setText(lblDesc02, QStringLiteral("Certificato medico"));
    }
    return r.bytes();
}

QByteArray lessonBytes(const char *date, const char *from, const char *to, const char *module)
{
    using namespace LessonRecord;
    RecordBuffer r(layout());
    r.setText(txtData, QString::fromLatin1(date));
    r.setText(txtDurata, QStringLiteral("1 ora"));
    r.setText(txtOraInizio, QString::fromLatin1(from));
    r.setText(txtOraFine, QString::fromLatin1(to));
    r.setText(txtVeicolo, QStringLiteral("Fiat Panda"));
    r.setText(txtTarga, QStringLiteral("GA123BC"));
    r.setText(txtIstruttore, QStringLiteral("Paolo Gualandi"));
    r.setText(txtModulo, QString::fromLatin1(module));
    return r.bytes();
}

// The applicant of the sample form: the first student, entered for licence B.
const QList<QPair<const char *, QString>> &formFields()
{
    static const QList<QPair<const char *, QString>> fields = {
        {"txtCodice", QStringLiteral("BO0123")},
        {"txtUfficio", QStringLiteral("Bologna")},
        {"txtCognome", QStringLiteral("BIANCHI")},
        {"txtNome", QStringLiteral("GIULIA")},
        {"txtSesso", QStringLiteral("F")},
        {"txtDataNascPro", QStringLiteral("14/05/2006")},
        {"txtLuogoNascPro", QStringLiteral("BOLOGNA")},
        {"txtProvNascPro", QStringLiteral("BO")},
        {"txtCodFiscPro", taxCode("BNCGLI06E54A944")},
        {"txtStatoNascPro", QStringLiteral("ITALIA")},
        {"txtComuneResPro", QStringLiteral("BOLOGNA")},
        {"txtProvResPro", QStringLiteral("BO")},
        {"txtCapResPro", QStringLiteral("40121")},
        {"txtViaPro", QStringLiteral("VIA DELL'INDIPENDENZA")},
        {"txtNumPro", QStringLiteral("4")},
        {"txtCittadinanzaPro", QStringLiteral("ITALIANA")},
        {"txtConsegui", QStringLiteral("B")},
        {"txtTarga", QStringLiteral("GA123BC")},
        {"txtPotenza", QStringLiteral("51")},
        {"txtCambio", QStringLiteral("MANUALE")},
        {"txtCilindrata", QStringLiteral("1242")},
        {"txtData", QStringLiteral("10/03/2026")},
        {"txtNote", QStringLiteral("Esame di guida richiesto per la sessione di maggio.")},
    };
    return fields;
}

QByteArray formBytes(int variant)
{
    RecordBuffer r(TT2112Record::layout());
    for (const auto &[name, text] : formFields()) {
        const int index = TT2112Record::layout().indexOf(name);
        if (index < 0)
            fail(QStringLiteral("no form field %1").arg(QString::fromLatin1(name)));
        else
            r.setText(index, text);
    }
    r.setText(TT2112Record::chkTariffa01, QStringLiteral("S\u00EC"));
    r.setText(TT2112Record::chkConseguimento, QStringLiteral("S\u00EC"));
    r.setText(TT2112Record::chkTariffa02, QStringLiteral("No"));
    r.setText(TT2112Record::chkDuplicato, QStringLiteral("No"));
    r.setText(TT2112Record::chkRiclassificazione, QStringLiteral("No"));
    if (variant == 1) {
        r.setText(TT2112Record::txtCognome, QStringLiteral("ROMANO"));
        r.setText(TT2112Record::txtNome, QStringLiteral("SOFIA"));
        r.setText(TT2112Record::txtDataNascPro, QStringLiteral("30/03/2007"));
        r.setText(TT2112Record::txtLuogoNascPro, QStringLiteral("IMOLA"));
        r.setText(TT2112Record::txtCodFiscPro, taxCode("RMNSFO07C70E289"));
        r.setText(TT2112Record::txtViaPro, QStringLiteral("VIA MAZZINI"));
        r.setText(TT2112Record::txtData, QStringLiteral("06/03/2026"));
        r.setText(TT2112Record::txtNote, QString());
    }
    return r.bytes();
}

bool writeRecords(const QString &fileName, int size, const QList<QByteArray> &records)
{
    try {
        RecordFile file;
        file.OpenOrCreate(ProgramFolder::filePath(fileName), size);
        for (const QByteArray &record : records)
            file.AppendRecord(std::span<const char>(record.constData(), static_cast<std::size_t>(record.size())));
        file.CloseRecordFile();
        return true;
    } catch (const std::exception &error) {
        fail(QStringLiteral("cannot write %1: %2").arg(fileName, QString::fromLocal8Bit(error.what())));
        return false;
    }
}

void writeSampleFolder()
{
    QList<QByteArray> students;
    int number = 0;
    for (const SampleStudent &s : kStudents)
        students.append(studentBytes(s, ++number));
    writeRecords(QString::fromLatin1(StudentRecord::FileName), StudentRecord::Size, students);

    writeRecords(LessonRecord::fileName(u"1"), LessonRecord::Size,
                 {lessonBytes("16/02/2026", "15:00", "16:00", "Manovre in area privata"),
                  lessonBytes("19/02/2026", "15:00", "16:00", "Guida in centro abitato"),
                  lessonBytes("24/02/2026", "17:00", "18:00", "Guida in centro abitato"),
                  lessonBytes("02/03/2026", "15:00", "16:00", "Guida extraurbana"),
                  lessonBytes("05/03/2026", "18:00", "19:00", "Guida notturna")});

    writeRecords(QString::fromLatin1(TT2112Record::FileName), TT2112Record::Size, {formBytes(1), formBytes(0)});

    if (!PasswordStore::createIfAbsent(ProgramFolder::filePath(PasswordStore::fileName())))
        fail(QStringLiteral("cannot write the password store"));

    if (!SchoolDefaults::write(SchoolDefaults::path(), {QStringLiteral("BO0123"), QStringLiteral("Bologna")}))
        fail(QStringLiteral("cannot write %1").arg(SchoolDefaults::fileName()));
}

// ---------------------------------------------------------------- the pictures

void shootPrintedPage(TfrmMod_TT2112 *manager)
{
    Report::Document document = TT2112Document::create();
    const auto text = [manager](const char *name) {
        const auto *field = manager->findChild<QLineEdit *>(QString::fromLatin1(name));
        return field != nullptr ? field->text() : QString();
    };
    const auto ticked = [manager](const char *name) {
        const auto *box = manager->findChild<QCheckBox *>(QString::fromLatin1(name));
        return box != nullptr && box->isChecked();
    };
    TT2112Document::fill(document, {text, ticked});
    const QPageLayout &layout = document.pageLayout();
    const QSizeF mm = layout.fullRect(QPageLayout::Millimeter).size();
    constexpr double dpi = 150;
    QImage page(qRound(mm.width() / 25.4 * dpi), qRound(mm.height() / 25.4 * dpi), QImage::Format_RGB32);
    page.setDotsPerMeterX(qRound(dpi / 0.0254));
    page.setDotsPerMeterY(qRound(dpi / 0.0254));
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        painter.setRenderHint(QPainter::Antialiasing);
        Report::drawPage(painter, document.pages().at(1), layout); // the applicant's data
    }
    // A thin border shows where the sheet ends on the guide's white page.
    {
        QPainter painter(&page);
        painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 3));
        painter.drawRect(page.rect().adjusted(1, 1, -2, -2));
    }
    const QString path = QDir(g_outFolder).filePath(QStringLiteral("pagina_stampata.png"));
    if (!page.save(path, "PNG"))
        fail(QStringLiteral("cannot save %1").arg(path));
}

void shootEverything(ScreenSet &screens)
{
    // Login, with a password being typed.
    TfrmPassword *login = screens.frmPassword();
    screens.start();
    settle();
    if (auto *field = login->findChild<QLineEdit *>())
        field->setText(QStringLiteral("passacorridoio"));
    save(login, QStringLiteral("accesso"));
    login->cmdOKClick();
    settle();

    // The start screen.
    TfrmAvvio *start = screens.frmAvvio();
    // The start screen counts the urgent deadlines once on view: wait for the count.
    bool counted = !start->deadlineLine()->text().isEmpty();
    QObject::connect(start, &TfrmAvvio::deadlinesCounted, start, [&counted] { counted = true; });
    for (int i = 0; i < 1000 && !counted; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    save(start, QStringLiteral("avvio"));

    shootModal([start] { emit start->copyrightRequested(); }, QStringLiteral("crediti"));

    // The backup screen, with one verified backup in a folder beside the school's.
    {
        const QString copies = g_copies->filePath(QStringLiteral("Volantix_Backup"));
        BackupSettings::Settings settings = BackupSettings::load();
        settings.folder = QDir::cleanPath(copies);
        settings.advised = true;
        Backup::CreateOptions options;
        options.now = Clock::now();
        options.version = QStringLiteral(VOLANTIX_VERSION);
        if (!BackupSettings::save(settings) || !Backup::create(ProgramFolder::path(), settings.folder, options).ok())
            fail(QStringLiteral("cannot make the sample backup"));
        shootModal([start] { emit start->copiaRequested(); }, QStringLiteral("copia_sicurezza"));
    }

    // The student registry, on the first student.
    start->imgAnagraficaClick();
    settle();
    TfrmAllievi *registry = screens.frmAllievi();
    registry->cmdPrimoClick();
    save(registry, QStringLiteral("anagrafica"));

    shootModal([registry] { emit registry->lezioniRequested(); }, QStringLiteral("lezioni"));
    shootModal([registry] { emit registry->frequentatoriRequested(); }, QStringLiteral("frequentatori"));
    shootModal([registry] { emit registry->scadenzeRequested(); }, QStringLiteral("scadenze"));
    shootModal([registry] { emit registry->oreGuidaRequested(); }, QStringLiteral("ore_guida"), [](QWidget *hours) {
        for (int i = 0; i < 100; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (auto *list = hours->findChild<LineListView *>(QStringLiteral("lstRecords"))) {
            list->selectRow(1);
            QMetaObject::invokeMethod(hours, "lstRecordsDblClick");
        }
    });
    shootModal([registry] { emit registry->fileRequested(); }, QStringLiteral("allegati"));
    shootModal([registry] { emit registry->trovaRequested(); }, QStringLiteral("trova_allievi"), [](QWidget *search) {
        setField(search, "txtComuneResPro", QStringLiteral("Bologna"));
        save(search, QStringLiteral("trova_allievi_filtri"));
        click(search, "btnCerca");
    });
    shootModal([registry] { emit registry->esportaRequested(); }, QStringLiteral("esporta_allievi"));
    shootModal([registry] { emit registry->codFiscRequested(); }, QStringLiteral("controllo_codice_fiscale"),
               [](QWidget *check) { click(check, "btnControlla"); });
    shootModal([registry] { ScreenKit::openOnDemand<TfrmPartitaIva>(registry); }, QStringLiteral("controllo_partita_iva"),
               [](QWidget *check) {
                   setField(check, "txtPartitaIva", QStringLiteral("07643520567"));
                   click(check, "btnControlla");
               });
    shootModal([registry] { emit registry->stampaRequested(); }, QStringLiteral("stampa_scheda"));

    // A new student filled in from the tax code: typed, then left with Enter.
    registry->cmdNuovoClick();
    settle();
    QApplication::setActiveWindow(registry);
    if (QLineEdit *code = child(registry, "txtCodFiscPro")) {
        code->setFocus(Qt::OtherFocusReason);
        settle();
        code->setText(QStringLiteral("RSSMRA80A01H501U"));
        if (QLineEdit *next = child(registry, "txtStatoNascPro"))
            next->setFocus(Qt::OtherFocusReason);
        settle();
        if (child(registry, "txtDataNascPro")->text() != QLatin1String("01/01/1980"))
            fail(QStringLiteral("the tax code filled in nothing"));
    }
    save(registry, QStringLiteral("codice_fiscale_compila"));
    registry->cmdEsciClick();
    settle();

    // The TT 2112 manager, on the last form in the archive.
    start->imgModelloClick();
    settle();
    TfrmMod_TT2112 *manager = screens.frmMod_TT2112();
    manager->cmdUltimoClick();
    save(manager, QStringLiteral("modello_tt2112"));
    shootModal([manager] { emit manager->importaRequested(); }, QStringLiteral("importa_allievo"), [](QWidget *search) {
        setField(search, "txtCognome", QStringLiteral("Bianchi"));
        click(search, "btnCerca");
    });
    shootModal([manager] { emit manager->trovaRequested(); }, QStringLiteral("trova_modelli"),
               [](QWidget *search) { click(search, "btnCerca"); });
    shootModal([manager] { emit manager->anteprimaRequested(); }, QString(), [](QWidget *print) {
        save(print, QStringLiteral("anteprima_avvio"));
        shootModal([print] { click(print, "btnStampa"); }, QStringLiteral("anteprima"));
    });
    shootModal([manager] { emit manager->esportaRequested(); }, QStringLiteral("esporta_modelli"));
    shootPrintedPage(manager);
}

} // namespace

int main(int argc, char *argv[])
{
    // Twice the pixels of a screen, so that the pictures stay sharp on paper.
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    // Headless, on a screen as large as a working screen, so that maximised windows
    // come out as they would on a school's monitor.
    QTemporaryDir scratch;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if ((platform.isEmpty() || platform == "offscreen") && scratch.isValid()) {
        const QString config = scratch.filePath(QStringLiteral("screen.json"));
        QFile file(config);
        const double scale = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble();
        const QByteArray json = QStringLiteral(R"({"screens": [{"name": "guida", "x": 0, "y": 0, "width": %1, "height": %2,)"
                                               R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                                    .arg(qRound(kWorkingScreen.width() * scale))
                                    .arg(qRound(kWorkingScreen.height() * scale))
                                    .toUtf8();
        if (file.open(QIODevice::WriteOnly) && file.write(json) == json.size() && file.flush())
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
        else
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Volantix"));
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fputs("usage: volantix-guide-shots FOLDER\n", stderr);
        return 2;
    }
    g_outFolder = args.at(1);
    if (!QDir().mkpath(g_outFolder)) {
        std::fprintf(stderr, "volantix-guide-shots: cannot create %s\n", qPrintable(g_outFolder));
        return 2;
    }

    QTemporaryDir school;
    QTemporaryDir copies;
    g_copies = &copies;
    if (!school.isValid()) {
        std::fputs("volantix-guide-shots: cannot create a sample folder\n", stderr);
        return 2;
    }
    ProgramFolder::setOverride(school.path());
    Clock::setSource([] { return QDateTime(QDate(2026, 3, 10), QTime(10, 30)); });
    // Nothing may leave this run: no message box waits for an answer, nothing opens
    // outside. The checks' verdicts are expected; any other message means that the
    // screens no longer go the way the pictures are taken.
    Dialogs::setPresenter([](Dialogs::Kind, const QString &text) {
        // The new student filled in from the tax code is left unsaved.
        if (text == RecordSaving::unsavedChangesQuestion())
            return Dialogs::Answer::No;
        if (!text.contains(QStringLiteral("VALIDO")))
            fail(QStringLiteral("unexpected message: %1").arg(text));
        return Dialogs::Answer::Ok;
    });
    TMisc::setShellOpener([](const QUrl &) {});
    writeSampleFolder();

    ScreenSet screens;
    screens.createScreens();
    shootEverything(screens);
    return g_failures == 0 ? 0 : 1;
}
