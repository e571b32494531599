#include "DialogRecorder.h"
#include "TestSupport.h"

#include "export/ExportScreen.h"
#include "export/ExportTable.h"
#include "shell/OpenURL.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"

#include <QBuffer>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>

using namespace TestSupport;

namespace {

// The file up to the sheet name, and from the sheet name to the header row.
const QByteArray kHead =
    "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" xmlns:x=\"urn:schemas-microsoft-com:office:excel\" "
    "xmlns=\"http://www.w3.org/TR/REC-html40\"><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"
    "<!--[if gte mso 9]><xml><x:ExcelWorkbook><x:ExcelWorksheets><x:ExcelWorksheet>";
const QByteArray kOptions =
    "<x:WorksheetOptions><x:Selected/><x:Panes><x:Pane><x:Number>1</x:Number><x:ActiveRow>3</x:ActiveRow></x:Pane></x:Panes>"
    "<x:ProtectContents>False</x:ProtectContents><x:ProtectObjects>False</x:ProtectObjects>"
    "<x:ProtectScenarios>False</x:ProtectScenarios></x:WorksheetOptions></x:ExcelWorksheet></x:ExcelWorksheets>"
    "</x:ExcelWorkbook></xml><![endif]--></head><body><table x:str>";
const QByteArray kTail = "</table></body></html>";

QByteArray headerRow(const QList<QPair<const char *, int>> &cells)
{
    QByteArray row = "<tr>";
    for (const auto &[label, width] : cells)
        row += "<td style=\"text-align: left; font-weight: bold;\" width=" + QByteArray::number(width) + '>' + label + "</td>";
    return row + "</tr>";
}

QByteArray dataRow(const QList<QByteArray> &cells)
{
    QByteArray row = "<tr>";
    for (const QByteArray &cell : cells)
        row += "<td style=\"text-align: left;\">" + cell + "</td>";
    return row + "</tr>";
}

const QByteArray kStudentHeader = headerRow({
    {"Codice corso", 200}, {"Tipologia corso", 250}, {"N. iscrizione allievo", 250}, {"Data iscrizione", 180},
    {"Responsabile didattico", 250}, {"Data inizio corso", 180}, {"Data termine corso", 180}, {"Cognome e nome allievo", 250},
    {"Data di nascita", 180}, {"Luogo di nascita", 260}, {"Codice fiscale", 180}, {"Stato di nascita", 250},
    {"Comune di residenza", 260}, {"Via e numero civico", 250}, {"Cittadinanza", 250}, {"Tel. cellulare", 200},
    {"Tel. preferenziale", 200}, {"E-mail", 250}, {"Patente di guida", 300}, {"Prescrizioni tecniche", 250},
    {"Data esame di teoria", 200}, {"Esito esame di teoria", 200}, {"Data esame di guida", 200}, {"Esito esame di guida", 200},
    {"Note", 400}});

const QByteArray kFormHeader = headerRow({
    {"Codice Autoscuola", 200}, {"Ufficio provinciale", 250}, {"Cognome e nome richiedente", 250}, {"Sesso", 120},
    {"Data di nascita", 180}, {"Luogo di nascita", 260}, {"Codice fiscale", 180}, {"Stato di nascita", 250},
    {"Comune di residenza", 260}, {"Via e numero civico", 250}, {"Cittadinanza", 250}, {"Tariffa 1 (N)", 180},
    {"Tariffa 2 (altro)", 180}, {"Eventuali prescrizioni da osservare durante la guida", 400}, {"Prescrizioni tecniche", 180},
    {"Patente da conseguire", 250}, {"Patente da duplicare", 250}, {"Patente da riclassificare in", 250},
    {"Estremi patente posseduta", 400}, {"Targa veicolo usato per esame", 250}, {"Potenza del motore in kW", 200}, {"Cambio", 200},
    {"Cilindrata (per motocicli)", 200}, {"Data compilazione", 200}, {"Note", 400}});

QByteArray exported(const Export::Table &table, const Export::Rows &rows)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!Export::write(buffer, table, rows))
        return QByteArray("write failed");
    return buffer.data();
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<DialogRecorder> m_dialogs;
    QList<QUrl> m_opened;

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    void writeStudents()
    {
        RecordBuffer first(StudentRecord::layout());
        first.setText(StudentRecord::txtCodiceCor, QStringLiteral("B-2026"));
        first.setText(StudentRecord::txtCognome, QStringLiteral("Nard\u00F2"));
        first.setText(StudentRecord::txtNome, QStringLiteral("Niccol\u00F2"));
        first.setText(StudentRecord::txtLuogoNascPro, QStringLiteral("Forl\u00EC")); // no province
        first.setText(StudentRecord::txtViaPro, QStringLiteral("Via Emilia"));
        first.setText(StudentRecord::txtNumPro, QStringLiteral("3"));
        first.setText(StudentRecord::txtCatPat, QStringLiteral("B"));
        first.setText(StudentRecord::txtNumPat, QStringLiteral("U1A234567B"));
        first.setText(StudentRecord::txtNote, QStringLiteral("Paga 50 \u20AC & porta <foto>"));
        first.setText(StudentRecord::txtFoglio, QStringLiteral("non esportato"));
        RecordBuffer second(StudentRecord::layout());
        second.setText(StudentRecord::txtCognome, QStringLiteral("Bianchi"));
        QVERIFY(writeAll(path("Allievi.pro"), first.bytes() + second.bytes()));
    }

private slots:
    void initTestCase()
    {
        ProgramFolder::setOverride(m_dir.path());
        TMisc::setShellOpener([this](const QUrl &url) { m_opened << url; });
    }

    void init()
    {
        for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile::remove(m_dir.filePath(name));
            QDir(m_dir.filePath(name)).removeRecursively();
        }
        m_opened.clear();
        m_dialogs = std::make_unique<DialogRecorder>();
    }

    void cleanup() { m_dialogs.reset(); }

    void studentFileByteForByte()
    {
        writeStudents();
        Export::Rows rows;
        QVERIFY(Export::load(path("Allievi.pro"), Export::studentTable(), rows));
        QCOMPARE(rows.count(), 2);
        QCOMPARE(rows.cell(1, 0), QStringLiteral("2"));
        const QByteArray expected = kHead + "<x:Name>Registro Allievi</x:Name>" + kOptions + kStudentHeader
            + dataRow({"B-2026", "", "", "", "", "", "", "Nard\xF2 Niccol\xF2", "", "Forl\xEC", "", "", "", "Via Emilia 3", "", "", "",
                       "", "Cat. B n. U1A234567B", "", "", "", "", "", "Paga 50 \x80 &amp; porta &lt;foto&gt;"})
            + dataRow({"", "", "", "", "", "", "", "Bianchi", "", "", "", "", "", "", "", "", "", "", "Cat.  n.", "", "", "", "", "", ""})
            + kTail;
        QCOMPARE(exported(Export::studentTable(), rows), expected);
    }

    void formFileByteForByte()
    {
        RecordBuffer form(TT2112Record::layout());
        form.setText(TT2112Record::txtCodice, QStringLiteral("AS01"));
        form.setText(TT2112Record::txtCognome, QStringLiteral("Rossi"));
        form.setText(TT2112Record::txtNome, QStringLiteral("Maria"));
        form.setText(TT2112Record::txtProvNascPro, QStringLiteral("RM"));
        form.setText(TT2112Record::txtCapResPro, QStringLiteral("00100")); // not exported
        form.setYesNo(TT2112Record::chkTariffa01, true);
        form.setYesNo(TT2112Record::chkTariffa02, false);
        form.setText(TT2112Record::txtConsegui, QStringLiteral("B"));
        RecordBuffer empty(TT2112Record::layout()); // yes/no fields never written: exported as stored
        QVERIFY(writeAll(path("Modelli_TT2112.pro"), form.bytes() + empty.bytes()));
        Export::Rows rows;
        QVERIFY(Export::load(path("Modelli_TT2112.pro"), Export::tt2112Table(), rows));
        const QByteArray expected = kHead + "<x:Name>Modelli TT 2112</x:Name>" + kOptions + kFormHeader
            + dataRow({"AS01", "", "Rossi Maria", "", "", "RM", "", "", "", "", "", "S\xEC", "No", "", "", "B", "", "", "", "", "", "",
                       "", "", ""})
            + dataRow(QList<QByteArray>(25))
            + kTail;
        QCOMPARE(exported(Export::tt2112Table(), rows), expected);
    }

    void largeGridIsWrittenWhole()
    {
        // Far more than the writer holds at once, with values to escape and encode.
        Export::Rows rows;
        QByteArray expected = kHead + "<x:Name>Registro Allievi</x:Name>" + kOptions + kStudentHeader;
        for (int r = 0; r < 3000; ++r) {
            std::array<QString, Export::kColumns> cells;
            QList<QByteArray> written;
            for (int c = 0; c < Export::kColumns; ++c) {
                cells[static_cast<std::size_t>(c)] = QStringLiteral(" %1 & <caff\u00E8> \u20AC%2 ").arg(r).arg(c).repeated(4);
                if (c > 0)
                    written << QStringLiteral(" %1 &amp; &lt;caff\u00E8&gt; \u0080%2 ").arg(r).arg(c).toLatin1().repeated(4).trimmed();
            }
            rows.append(cells);
            expected += dataRow(written);
        }
        expected += kTail;
        QVERIFY(expected.size() > 3 * (1 << 20));
        QCOMPARE(exported(Export::studentTable(), rows), expected);
    }

    void emptyArchive()
    {
        Export::Rows rows;
        QVERIFY(Export::load(path("Allievi.pro"), Export::studentTable(), rows));
        QCOMPARE(rows.count(), 0);
        QVERIFY(QFileInfo::exists(path("Allievi.pro")));
        QCOMPARE(exported(Export::studentTable(), rows),
                 kHead + "<x:Name>Registro Allievi</x:Name>" + kOptions + kStudentHeader + kTail);
    }

    void screenExportsTheGridAndOffersToOpen()
    {
        writeStudents();
        const QByteArray archive = readAll(path("Allievi.pro"));
        TfrmExpAllievi screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QCOMPARE(screen.windowTitle(), QStringLiteral(" Esporta archivio allievi in Microsoft Excel"));
        QCOMPARE(screen.model()->rowCount(), 2);
        QCOMPARE(screen.grid()->verticalHeader()->defaultSectionSize(), 21);
        QCOMPARE(screen.model()->headerData(17, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Tel. prefernziale"));
        // Read-only columns take no typing; the others do, and reach the file only.
        QVERIFY(!screen.model()->setData(screen.model()->index(0, 1), QStringLiteral("X"), Qt::EditRole));
        QVERIFY(screen.model()->setData(screen.model()->index(1, 2), QStringLiteral(" Patente A "), Qt::EditRole));
        QTest::mouseClick(screen.control("cmdEsporta"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.size(), 2);
        QCOMPARE(m_dialogs->shown[0].first, Dialogs::Kind::Confirmation);
        QCOMPARE(m_dialogs->shown[1].second,
                 QStringLiteral("Le schede in archivio sono state esportate con successo.\r\n\r\nSi vuole aprire il file di Excel?"));
        const QByteArray file = readAll(path("Registro_Allievi.xls"));
        QVERIFY(file.contains("<td style=\"text-align: left;\">Patente A</td>"));
        QVERIFY(!file.contains('\n'));
        QCOMPARE(readAll(path("Allievi.pro")), archive);
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(path("Registro_Allievi.xls"))});
        QVERIFY(screen.isVisible());
    }

    void typedCellsReachTheFileWhole_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("just over 4000") << 4001;
        QTest::newRow("over a line editor's usual limit") << 40000;
        QTest::newRow("over a row's room for cell ends") << 70000;
    }

    // Text typed into a grid cell is exported as typed, whatever its length.
    void typedCellsReachTheFileWhole()
    {
        QFETCH(int, length);
        writeStudents();
        TfrmExpAllievi screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QString typed;
        for (int i = 0; i < length; ++i)
            typed += QChar(u'a' + i % 26);
        typed.replace(length - 4, 4, QStringLiteral("FINE"));
        const QModelIndex note = screen.model()->index(0, 25);
        screen.grid()->setCurrentIndex(note);
        screen.grid()->edit(note);
        auto *editor = screen.grid()->viewport()->findChild<QLineEdit *>();
        QVERIFY(editor != nullptr);
        editor->setText(typed);
        QTest::keyClick(editor, Qt::Key_Return); // the grid takes the text once the key is handled
        QTRY_COMPARE(screen.model()->data(note, Qt::DisplayRole).toString(), typed);
        // Another cell of the row typed afterwards; the row's other cells stay.
        QVERIFY(screen.model()->setData(screen.model()->index(0, 2), QStringLiteral("Patente A"), Qt::EditRole));
        QCOMPARE(screen.model()->data(note, Qt::DisplayRole).toString(), typed);
        QCOMPARE(screen.model()->data(screen.model()->index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("B-2026"));
        QCOMPARE(screen.model()->data(screen.model()->index(0, 8), Qt::DisplayRole).toString(), QStringLiteral("Nard\u00F2 Niccol\u00F2"));
        QTest::mouseClick(screen.control("cmdEsporta"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.size(), 2);
        const QByteArray file = readAll(path("Registro_Allievi.xls"));
        QVERIFY(file.contains("<td style=\"text-align: left;\">Patente A</td>"));
        QVERIFY(file.contains(QByteArray("<td style=\"text-align: left;\">" + typed.toLatin1() + "</td></tr>")));
    }

    void answeringNoWritesNothing()
    {
        TfrmExpModelli screen;
        screen.show();
        m_dialogs->answer = Dialogs::Answer::No;
        QTest::mouseClick(screen.control("cmdEsporta"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.size(), 1);
        QVERIFY(!QFileInfo::exists(path("Modelli_TT_2112.xls")));
    }

    void failingWriteKeepsTheScreenOpen_data()
    {
        QTest::addColumn<bool>("readOnly"); // a read-only export, or a folder in its place
        QTest::addColumn<QString>("cause");
        QTest::newRow("a folder of that name") << false << QString();
        QTest::newRow("a read-only file") << true << QStringLiteral("\n\r\n\rDettagli: accesso negato");
    }

    void failingWriteKeepsTheScreenOpen()
    {
        QFETCH(bool, readOnly);
        QFETCH(QString, cause);
        const QString target = path("Modelli_TT_2112.xls");
        if (readOnly) {
            QVERIFY(writeAll(target, "esportazione precedente"));
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        } else {
            QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Modelli_TT_2112.xls")));
        }
        const auto cleanUp = qScopeGuard([&] { QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner); });
        TfrmExpModelli screen;
        screen.show();
        QTest::mouseClick(screen.control("cmdEsporta"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.last().first, Dialogs::Kind::Message);
        const QString shown = m_dialogs->take();
        const QString message = QStringLiteral("Attenzione: il sistema non permette di esportare i dati.\n\r\n\r"
                                               "Accertarsi che il file di Excel non sia gi\u00E0 aperto.");
        if (cause.isEmpty())
            QVERIFY2(shown.startsWith(message), qPrintable(shown));
        else
            QCOMPARE(shown, message + cause);
        if (readOnly)
            QCOMPARE(readAll(target), QByteArray("esportazione precedente"));
        QVERIFY(screen.isVisible());
        QVERIFY(m_opened.isEmpty());
    }

    void unreadableArchiveKeepsTheLastExport_data()
    {
        QTest::addColumn<bool>("forms");
        QTest::addColumn<bool>("folder"); // the archive is a folder; otherwise each of its reads fails in turn
        QTest::newRow("students, archive is a folder") << false << true;
        QTest::newRow("forms, archive is a folder") << true << true;
        QTest::newRow("students, a read fails") << false << false;
        QTest::newRow("forms, a read fails") << true << false;
    }

    // An archive that cannot be read whole is not exported: the last export stays
    // byte for byte and the user is told why.
    void unreadableArchiveKeepsTheLastExport()
    {
        QFETCH(bool, forms);
        QFETCH(bool, folder);
        const Export::Table &table = forms ? Export::tt2112Table() : Export::studentTable();
        const QString archive = path(forms ? "Modelli_TT2112.pro" : "Allievi.pro");
        const QString target = path(forms ? "Modelli_TT_2112.xls" : "Registro_Allievi.xls");
        const QByteArray lastExport = "<html>l'esportazione di ieri</html>";
        const int recordSize = table.layout->recordSize;
        // Records over more than one block of the loading, so that a later read fails with rows already in the grid.
        const QByteArray records = QByteArray(recordSize, '\0').repeated((1 << 20) / recordSize + 20);
        bool partlyLoaded = false;
        for (int at = 1; at < 50; ++at) {
            QVERIFY(writeAll(target, lastExport));
            QFile::remove(archive);
            QDir(archive).removeRecursively();
            if (folder)
                QVERIFY(QDir(m_dir.path()).mkdir(QFileInfo(archive).fileName()));
            else
                QVERIFY(writeAll(archive, records));
            std::unique_ptr<ExportScreen> screen;
            if (forms)
                screen = std::make_unique<TfrmExpModelli>();
            else
                screen = std::make_unique<TfrmExpAllievi>();
            if (!folder)
                RecordFile::setFaultPlan({RecordFile::FaultPlan::Mode::Fail, at, false});
            screen->show();
            const bool faulted = folder || RecordFile::operationsSincePlan() >= at;
            RecordFile::setFaultPlan({});
            if (!faulted) {
                QCOMPARE(screen->model()->rowCount(), records.size() / recordSize);
                break; // every read done without meeting the fault
            }
            partlyLoaded = partlyLoaded || screen->model()->rowCount() > 0;
            m_dialogs->shown.clear();
            QTest::mouseClick(screen->control("cmdEsporta"), Qt::LeftButton);
            QCOMPARE(m_dialogs->shown.size(), 1);
            QCOMPARE(m_dialogs->shown.first().first, Dialogs::Kind::Warning);
            QCOMPARE(m_dialogs->shown.first().second,
                     QStringLiteral("Attenzione: non \u00E8 stato possibile leggere l'archivio per intero, quindi i dati non sono "
                                    "stati esportati.\r\n\r\nIl file di Excel esportato in precedenza non \u00E8 stato modificato."));
            QCOMPARE(readAll(target), lastExport);
            QVERIFY(m_opened.isEmpty());
            QVERIFY(screen->isVisible());
            if (folder)
                return;
        }
        QVERIFY(partlyLoaded); // a failure after the first rows was met too
    }

    void exportingTwiceKeepsOnlyTheCurrentGrid()
    {
        writeStudents();
        Export::Rows rows;
        QVERIFY(Export::load(path("Allievi.pro"), Export::studentTable(), rows));
        const QByteArray first = exported(Export::studentTable(), rows);
        rows.setCell(0, 2, QStringLiteral("cambiato"));
        const QByteArray second = exported(Export::studentTable(), rows);
        QVERIFY(second.contains(">cambiato<"));
        QVERIFY(!first.contains(">cambiato<"));
        QCOMPARE(rows.cell(0, 1), QStringLiteral("B-2026"));
        QCOMPARE(rows.cell(0, 3), QString());
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
