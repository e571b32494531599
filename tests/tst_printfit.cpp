#include "DialogRecorder.h"
#include "TestSupport.h"

#include "app/Avvio.h"
#include "app/ScreenSet.h"
#include "printing/PrintSeam.h"
#include "printing/StudentCard.h"
#include "printing/SummaryList.h"
#include "printing/TT2112Document.h"
#include "shell/Clock.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "tt2112/Mod_TT2112.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QPrinter>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

// Values longer than their printed box: drawn smaller, cut with "…" only when
// they do not fit even at the smallest size, and never outside the box, the
// form's frame or the sheet's printable area.

namespace {

constexpr double kMmPerPoint = 25.4 / 72.0;
const QChar kEllipsis(0x2026);
constexpr double kFrameRight = 199.0;  // where the rows of the form's boxes end
constexpr double kTolerance = 0.25;    // mm: glyph side bearings and rounding

struct Word {
    int page;
    QRectF mm;
    QString text;
};

QString pdfToTextProgram()
{
    return qEnvironmentVariable("VOLANTIX_PDFTOTEXT", QStringLiteral("pdftotext"));
}

bool havePdfToText()
{
    const QString program = pdfToTextProgram();
    return QFileInfo(program).isAbsolute() ? QFileInfo::exists(program) : !QStandardPaths::findExecutable(program).isEmpty();
}

QList<Word> wordsOf(const QString &pdf)
{
    const QString html = pdf + QStringLiteral(".html");
    QFile::remove(html);
    QProcess tool;
    tool.start(pdfToTextProgram(), {QStringLiteral("-bbox"), pdf, html});
    tool.waitForFinished(60000);
    QFile file(html);
    QList<Word> words;
    if (!file.open(QIODevice::ReadOnly))
        return words;
    static const QRegularExpression pattern(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    int page = 0;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.contains(QLatin1String("<page ")))
            ++page;
        const QRegularExpressionMatch m = pattern.match(line);
        if (m.hasMatch())
            words.append({page,
                          QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()) * kMmPerPoint,
                                 QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()) * kMmPerPoint),
                          m.captured(5)
                              .replace(QLatin1String("&apos;"), QLatin1String("'"))
                              .replace(QLatin1String("&quot;"), QLatin1String("\""))
                              .replace(QLatin1String("&lt;"), QLatin1String("<"))
                              .replace(QLatin1String("&gt;"), QLatin1String(">"))
                              .replace(QLatin1String("&amp;"), QLatin1String("&"))});
    }
    return words;
}

QList<Word> onPage(const QList<Word> &words, int page)
{
    QList<Word> found;
    for (const Word &word : words) {
        if (word.page == page)
            found << word;
    }
    return found;
}

QList<Word> withText(const QList<Word> &words, const QString &text)
{
    QList<Word> found;
    for (const Word &word : words) {
        if (word.text == text)
            found << word;
    }
    return found;
}

QString joined(const QList<Word> &words)
{
    QStringList texts;
    for (const Word &word : words)
        texts << word.text;
    return texts.join(QLatin1Char(' '));
}

QString printedPdf(const Report::Document &document, const QString &path)
{
    QPdfWriter writer(path);
    writer.setResolution(1200);
    const Report::Printed printed = document.print(writer);
    if (!printed.ok)
        qWarning("printing %s failed: %s", qPrintable(path), qPrintable(printed.failure));
    return path;
}

// A text of `length` characters made of `seed` repeated, one blank between copies,
// with no blank at either end.
QString repeated(const QString &seed, int length)
{
    QString text = seed;
    while (text.size() < length)
        text += QLatin1Char(' ') + seed;
    text.truncate(length);
    if (text.endsWith(QLatin1Char(' ')))
        text.back() = QLatin1Char('X');
    return text;
}

bool printedTextUnreadable()
{
    return qEnvironmentVariableIsSet("VOLANTIX_WINE_DRIVE_C");
}

} // namespace

// Tests that read the printed words back need pdftotext, and a PDF with real text.
#define SKIP_UNLESS_READABLE()                                                                   \
    do {                                                                                         \
        if (printedTextUnreadable())                                                             \
            QSKIP("the printed text cannot be read back from a PDF written under Wine");        \
        if (!havePdfToText())                                                                    \
            QSKIP("pdftotext (poppler-utils) is not installed");                                 \
    } while (false)

class TestPrintFit : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    double m_heightPerPoint = 0; // the height of a printed word's box per point of its size

    // The size in points a word was printed at.
    double pointsOf(const Word &word) const { return word.mm.height() / kMmPerPoint / m_heightPerPoint; }

    // Every word printed for `value` lies inside `box` (narrowed to `right`), at no
    // less than 5 pt; together the words give the value, or a head of it ending in "…".
    // Returns the smallest size seen.
    double checkValue(const QList<Word> &words, const QRectF &box, double right, double sheetWidth, const QString &value, bool cut)
    {
        if (words.isEmpty()) {
            QTest::qFail("nothing printed", __FILE__, __LINE__);
            return 0;
        }
        double smallest = 1000;
        for (const Word &word : words) {
            const QString where = QStringLiteral("'%1' at %2..%3 x %4..%5 mm, box %6..%7 x %8..%9")
                                      .arg(word.text).arg(word.mm.left()).arg(word.mm.right()).arg(word.mm.top())
                                      .arg(word.mm.bottom()).arg(box.left()).arg(std::min(box.right(), right))
                                      .arg(box.top()).arg(box.bottom());
            if (word.mm.left() < box.left() - kTolerance || word.mm.right() > std::min(box.right(), right) + kTolerance
                || word.mm.top() < box.top() - 1.2 || word.mm.bottom() > box.bottom() + 1.2) {
                QTest::qFail(qPrintable(QStringLiteral("outside its box: ") + where), __FILE__, __LINE__);
                return 0;
            }
            if (word.mm.right() > sheetWidth - 5) {
                QTest::qFail(qPrintable(QStringLiteral("within 5 mm of the edge: ") + where), __FILE__, __LINE__);
                return 0;
            }
            smallest = std::min(smallest, pointsOf(word));
        }
        const QString printed = joined(words);
        if (cut) {
            if (!printed.endsWith(kEllipsis) || !value.startsWith(printed.chopped(1).trimmed()) || printed.size() < 3) {
                QTest::qFail(qPrintable(QStringLiteral("not a head of the value with an ellipsis: ") + printed), __FILE__, __LINE__);
                return 0;
            }
        } else if (printed != value) {
            QTest::qFail(qPrintable(QStringLiteral("printed '%1' for '%2'").arg(printed, value)), __FILE__, __LINE__);
            return 0;
        }
        if (smallest < Report::kSmallestPoints - 0.15) {
            QTest::qFail(qPrintable(QStringLiteral("printed at %1 pt").arg(smallest)), __FILE__, __LINE__);
            return 0;
        }
        return smallest;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (printedTextUnreadable() || !havePdfToText())
            return; // the tests that read the printed words skip
        // The height pdftotext gives a word of a known size, in the form's font.
        Report::Document probe(QStringLiteral("probe"), TT2112Document::create().pageLayout());
        Report::Page page;
        Report::TextBox box;
        box.mm = QRectF(20, 20, 150, 20);
        box.points = 20;
        box.text = QStringLiteral("Prova");
        page.boxes.push_back(box);
        probe.pages().push_back(page);
        const QList<Word> words = wordsOf(printedPdf(probe, m_dir.filePath(QStringLiteral("prova.pdf"))));
        QCOMPARE(words.size(), 1);
        m_heightPerPoint = words.first().mm.height() / kMmPerPoint / 20;
        QVERIFY(m_heightPerPoint > 0.8 && m_heightPerPoint < 1.5);
    }

    void formValuesKeepToTheirBoxes_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("fit"); // "whole": as designed; "smaller"; "cut"

        const QString street = QStringLiteral("VIA DEL PONTE SULLA STRADA VECCHIA PER SAN LAZZARO");
        QTest::newRow("street, short") << "txtViaPro" << "VIA ROMA 12" << "whole";
        QTest::newRow("street, 80") << "txtViaPro" << repeated(street, 80) << "smaller";
        QTest::newRow("street, 120") << "txtViaPro" << repeated(street, 120) << "cut";
        QTest::newRow("street, 120 wide letters") << "txtViaPro" << QString(120, QLatin1Char('W')) << "cut";

        const QString prescriptions = QStringLiteral("Obbligo di lenti correttive e di comandi al volante");
        QTest::newRow("prescriptions, short") << "txtPreGuida" << "Obbligo di lenti" << "whole";
        QTest::newRow("prescriptions, 130") << "txtPreGuida" << repeated(prescriptions, 130) << "smaller";
        QTest::newRow("prescriptions, 250") << "txtPreGuida" << repeated(prescriptions, 250) << "cut";

        const QString licence = QStringLiteral("AM n. U1A234567B rilasciata il 10/04/2021 MIT-UCO");
        QTest::newRow("licence, short") << "txtEstremiPat" << "U1A234567B" << "whole";
        QTest::newRow("licence, 50") << "txtEstremiPat" << licence << "smaller";
        QTest::newRow("licence, 250") << "txtEstremiPat" << repeated(licence, 250) << "cut";

        const QString citizenship = QStringLiteral("REPUBBLICA DEMOCRATICA DEL CONGO");
        QTest::newRow("citizenship, short") << "txtCittadinanzaPro" << "ITALIANA" << "whole";
        QTest::newRow("citizenship, 32") << "txtCittadinanzaPro" << citizenship << "smaller";
        QTest::newRow("citizenship, 50 wide letters") << "txtCittadinanzaPro" << QString(50, QLatin1Char('W')) << "cut";

        const QString office = QStringLiteral("MOTORIZZAZIONE CIVILE DI REGGIO NELL'EMILIA");
        QTest::newRow("office, short") << "txtUfficio" << "Bologna" << "whole";
        QTest::newRow("office, 50") << "txtUfficio" << repeated(office, 50) << "whole";
        QTest::newRow("office, 50 wide letters") << "txtUfficio" << QString(50, QLatin1Char('W')) << "smaller";
    }

    void formValuesKeepToTheirBoxes()
    {
        SKIP_UNLESS_READABLE();
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, fit);
        Report::Document document = TT2112Document::create();
        TT2112Document::fill(document, {[&](const char *name) { return field == QLatin1String(name) ? value : QString(); },
                                        [](const char *) { return false; }});
        const QList<Word> words = wordsOf(printedPdf(document, m_dir.filePath(QStringLiteral("modulo.pdf"))));
        for (const auto &[page, suffix] : {std::pair{2, "_A"}, {4, "_B"}, {5, "_C"}, {6, "_D"}}) {
            const Report::TextBox *box = document.find(field + QLatin1String(suffix));
            QVERIFY(box != nullptr);
            const double smallest = checkValue(onPage(words, page), box->mm, kFrameRight, 210, value, fit == QLatin1String("cut"));
            if (QTest::currentTestFailed())
                return;
            if (fit == QLatin1String("whole"))
                QVERIFY2(qAbs(smallest - box->points) < 0.25, qPrintable(QString::number(smallest)));
            else
                QVERIFY2(smallest < box->points - 0.3, qPrintable(QString::number(smallest)));
        }
        for (int page : {1, 3, 7, 8})
            QVERIFY(onPage(words, page).isEmpty());
    }

    // Short values fit and are drawn as a plain one-line text in the designed box.
    void shortValuesAsDesigned()
    {
        SKIP_UNLESS_READABLE();
        const QList<std::pair<const char *, QString>> values = {
            {"txtCognome", QStringLiteral("ZZCOGNOME")},       {"txtDataNascPro", QStringLiteral("01/02/1990")},
            {"txtCapResPro", QStringLiteral("40121")},         {"txtTarga", QStringLiteral("AB123CD")},
            {"txtData", QStringLiteral("07/03/2025")},         {"txtCodice", QStringLiteral("BO0123")},
            {"txtUfficio", QStringLiteral("Bologna")},         {"txtEstremiPat", QStringLiteral("U1A234567B del 03/04/2019")},
            {"txtPreGuida", QStringLiteral("Obbligo di lenti correttive")}, {"txtPotenza", QStringLiteral("51")},
        };
        Report::Document document = TT2112Document::create();
        TT2112Document::fill(document, {[&](const char *name) {
                                            for (const auto &[field, value] : values) {
                                                if (qstrcmp(field, name) == 0)
                                                    return value;
                                            }
                                            return QString();
                                        },
                                        [](const char *) { return false; }});
        const QList<Word> printed = wordsOf(printedPdf(document, m_dir.filePath(QStringLiteral("brevi.pdf"))));

        // The same boxes drawn the plain way, whole, in their designed rectangles.
        const QString reference = m_dir.filePath(QStringLiteral("riferimento.pdf"));
        {
            QPdfWriter writer(reference);
            writer.setResolution(1200);
            writer.setPageLayout(document.pageLayout());
            QPainter painter(&writer);
            const double k = writer.logicalDpiX() / 25.4;
            for (std::size_t i = 0; i < document.pages().size(); ++i) {
                if (i > 0)
                    writer.newPage();
                for (const Report::TextBox &box : document.pages()[i].boxes) {
                    QFont font(box.family);
                    font.setPointSizeF(box.points);
                    font.setStyleHint(QFont::SansSerif);
                    painter.setFont(QFont(font, &writer));
                    painter.drawText(QRectF(box.mm.x() * k, box.mm.y() * k, box.mm.width() * k, box.mm.height() * k),
                                     static_cast<int>(box.alignment) | Qt::TextSingleLine, box.text);
                }
            }
        }
        const QList<Word> expected = wordsOf(reference);
        QCOMPARE(printed.size(), expected.size());
        QVERIFY(printed.size() >= 4 * 12);
        for (qsizetype i = 0; i < printed.size(); ++i) {
            QCOMPARE(printed[i].text, expected[i].text);
            QCOMPARE(printed[i].page, expected[i].page);
            const QString where = QStringLiteral("%1 on page %2").arg(printed[i].text).arg(printed[i].page);
            QVERIFY2(qAbs(printed[i].mm.left() - expected[i].mm.left()) < 0.02, qPrintable(where));
            QVERIFY2(qAbs(printed[i].mm.right() - expected[i].mm.right()) < 0.02, qPrintable(where));
            QVERIFY2(qAbs(printed[i].mm.top() - expected[i].mm.top()) < 0.02, qPrintable(where));
            QVERIFY2(qAbs(printed[i].mm.bottom() - expected[i].mm.bottom()) < 0.02, qPrintable(where));
        }
    }

    void cardAndListKeepTheirValues_data()
    {
        QTest::addColumn<bool>("card");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("fit");
        const QString note = QStringLiteral("Chiede lezioni il sabato mattina, recapito presso lo studio del padre");
        QTest::newRow("card, short note") << true << "Lezioni il sabato" << "whole";
        QTest::newRow("card, note of 160") << true << repeated(note, 160) << "smaller";
        QTest::newRow("card, note of 250") << true << repeated(note, 250) << "cut";
        const QString line = QStringLiteral("ROSSI MARIA GRAZIA 31/12/2001 RSSMGR01T71I199Z");
        QTest::newRow("list, short line") << false << line << "whole";
        QTest::newRow("list, line of 200") << false << repeated(line, 200) << "smaller";
        QTest::newRow("list, line of 400") << false << repeated(line, 400) << "cut";
    }

    void cardAndListKeepTheirValues()
    {
        SKIP_UNLESS_READABLE();
        QFETCH(bool, card);
        QFETCH(QString, value);
        QFETCH(QString, fit);
        const QString pdf = m_dir.filePath(QStringLiteral("scheda_lista.pdf"));
        QList<Word> words;
        QRectF box;
        double points = 0;
        if (card) {
            Report::Document document = StudentCard::create();
            StudentCard::fill(document, [&](const char *name) { return qstrcmp(name, "txtNote") == 0 ? value : QString(); },
                              QDateTime(QDate(2025, 3, 7), QTime(9, 8, 7)));
            words = wordsOf(printedPdf(document, pdf));
            box = document.find(QStringLiteral("txtNote"))->mm.adjusted(0, -0.5, 0, 0.5);
            points = document.find(QStringLiteral("txtNote"))->points;
            // The value's words: those of row 36 right of the labels.
            words.removeIf([&](const Word &w) { return w.mm.left() < 50 || qAbs(w.mm.center().y() - box.center().y()) > 2; });
        } else {
            const Report::ListDocument list = SummaryList::create(QStringLiteral("Riepilogo allievi in archivio"),
                                                                  {QStringLiteral("Prima riga"), value, QStringLiteral("Ultima riga")},
                                                                  QDate(2025, 3, 7));
            QPdfWriter writer(pdf);
            writer.setResolution(1200);
            const Report::Printed printed = list.print(writer);
            QVERIFY2(printed.ok, qPrintable(printed.failure));
            QCOMPARE(printed.pages, 1);
            words = wordsOf(pdf);
            const QList<Word> first = withText(words, QStringLiteral("Prima"));
            const QList<Word> last = withText(words, QStringLiteral("Ultima"));
            QCOMPARE(first.size(), 1);
            QCOMPARE(last.size(), 1);
            // The second line, between the first and the last, 3 mm in from the left margin.
            box = QRectF(QPointF(13, first.first().mm.bottom() - 0.2), QPointF(13 + 273, last.first().mm.top() + 0.2));
            points = list.body.points;
            words.removeIf([&](const Word &w) { return w.mm.center().y() < box.top() || w.mm.center().y() > box.bottom(); });
        }
        const double smallest = checkValue(words, box, box.right(), card ? 210 : 297, value, fit == QLatin1String("cut"));
        if (QTest::currentTestFailed())
            return;
        if (fit == QLatin1String("whole"))
            QVERIFY2(qAbs(smallest - points) < 0.25, qPrintable(QString::number(smallest)));
        else
            QVERIFY2(smallest < points - 0.3, qPrintable(QString::number(smallest)));
    }

    // A list that wraps keeps every word of a long line, at its own size, inside
    // the page's printable width, on lines of their own.
    void wrappedListKeepsEveryWord()
    {
        SKIP_UNLESS_READABLE();
        QString longLine = QStringLiteral("Data: 02/03/2026   Durata: 1 h 30 min       Mezzo: Fiat Panda                 Targa: AB123CD"
                                          "      Istr. Gianni Bell\u00F2              Mod. Guida su strada extraurbana principale");
        longLine += QStringLiteral(" fino a Casalecchio CODAFINALE");
        Report::ListDocument list = SummaryList::create(QStringLiteral("Lezioni di guida"),
                                                        {QStringLiteral("Prima riga"), longLine, QStringLiteral("Ultima riga")},
                                                        QDate(2025, 3, 7));
        list.wrap = true;
        const QString pdf = m_dir.filePath(QStringLiteral("lezioni.pdf"));
        QPdfWriter writer(pdf);
        writer.setResolution(1200);
        writer.setPageLayout(list.layout);
        const QStringList shown = list.printedLines(writer);
        QVERIFY2(shown.size() >= 4, qPrintable(shown.join(u'|')));
        const Report::Printed printed = list.print(writer);
        QVERIFY2(printed.ok, qPrintable(printed.failure));
        const QList<Word> words = wordsOf(pdf);
        const QList<Word> tail = withText(words, QStringLiteral("CODAFINALE"));
        const QList<Word> first = withText(words, QStringLiteral("Prima"));
        QCOMPARE(tail.size(), 1);
        QCOMPARE(first.size(), 1);
        // At the body's size (the same height as the first line's words) and on a later line.
        QVERIFY(qAbs(tail.first().mm.height() - first.first().mm.height()) < 0.2);
        QVERIFY(tail.first().mm.top() > first.first().mm.bottom() + 3);
        for (const Word &word : words)
            QVERIFY2(word.mm.right() <= 297 - 10 + 0.5, qPrintable(word.text));
        // Nothing lost: the words of the long line, in order, across its lines.
        QList<Word> inOrder = words;
        std::sort(inOrder.begin(), inOrder.end(), [](const Word &a, const Word &b) {
            if (qAbs(a.mm.top() - b.mm.top()) > 1)
                return a.mm.top() < b.mm.top();
            return a.mm.left() < b.mm.left();
        });
        QStringList texts;
        for (const Word &word : inOrder)
            texts << word.text;
        const QString all = texts.join(u' ');
        QVERIFY2(all.contains(QStringLiteral("Mod. Guida su strada extraurbana principale fino a Casalecchio CODAFINALE")), qPrintable(all));
    }

    // What the layout reports: the boxes drawn below 7 pt or cut, by the names
    // of the fields on the form screen.
    void squeezedFieldsNamed_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("squeezed");
        QTest::newRow("all short") << QStringList{"txtViaPro", "txtUfficio"} << QStringList{"VIA ROMA 12", "Bologna"} << QStringList{};
        QTest::newRow("a little smaller only")
            << QStringList{"txtUfficio"} << QStringList{repeated(QStringLiteral("MOTORIZZAZIONE CIVILE DI REGGIO"), 50)}
            << QStringList{};
        QTest::newRow("shrunk and cut, in the form's order")
            << QStringList{"txtEstremiPat", "txtViaPro", "txtCognome"}
            << QStringList{QStringLiteral("AM n. U1A234567B rilasciata il 10/04/2021 MIT-UCO"), QString(120, QLatin1Char('W')),
                           QStringLiteral("ROSSI")}
            << QStringList{"txtViaPro", "txtEstremiPat"};
    }

    void squeezedFieldsNamed()
    {
        QFETCH(QStringList, fields);
        QFETCH(QStringList, values);
        QFETCH(QStringList, squeezed);
        Report::Document document = TT2112Document::create();
        TT2112Document::fill(document, {[&](const char *name) { return values.value(fields.indexOf(QLatin1String(name))); },
                                        [](const char *) { return true; }});
        QCOMPARE(TT2112Document::squeezedFields(document), squeezed);
    }

    void managerStatusNamesThem_data()
    {
        QTest::addColumn<QString>("street");
        QTest::addColumn<QString>("licence");
        QTest::addColumn<bool>("print"); // the user prints, or cancels the print dialog
        QTest::addColumn<QString>("status");
        const QString ready = QStringLiteral("Pronto per archiviare una nuova scheda...");
        const QString longLicence = QStringLiteral("AM n. U1A234567B rilasciata il 10/04/2021 MIT-UCO");
        QTest::newRow("nothing long") << "VIA ROMA 12" << "U1A234567B" << true << ready;
        QTest::newRow("street and licence") << QString(120, QLatin1Char('W')) << longLicence << true
                                            << QStringLiteral("Stampa: ridotti per stare nel riquadro: Via, Estremi patente posseduta");
        QTest::newRow("licence only") << "VIA ROMA 12" << repeated(QStringLiteral("AM n. U1A234567B"), 250) << true
                                      << QStringLiteral("Stampa: ridotti per stare nel riquadro: Estremi patente posseduta");
        QTest::newRow("not printed: nothing said") << QString(120, QLatin1Char('W')) << longLicence << false << ready;
    }

    void managerStatusNamesThem()
    {
        QFETCH(QString, street);
        QFETCH(QString, licence);
        QFETCH(bool, print);
        QFETCH(QString, status);
        QTemporaryDir folder;
        ProgramFolder::setOverride(folder.path());
        Clock::setSource([] { return QDateTime(QDate(2025, 3, 7), QTime(9, 8, 7)); });
        int dialogs = 0;
        const QString pdf = folder.filePath(QStringLiteral("modulo.pdf"));
        PrintSeam::setDialogHandler([&](QPrinter &printer, int) {
            ++dialogs;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return print;
        });
        DialogRecorder messages;
        ScreenSet screens;
        screens.createScreens();
        screens.frmAvvio()->imgModelloClick();
        TfrmMod_TT2112 *manager = screens.frmMod_TT2112();
        manager->findChild<QLineEdit *>(QStringLiteral("txtViaPro"))->setText(street);
        manager->findChild<QLineEdit *>(QStringLiteral("txtEstremiPat"))->setText(licence);
        QCOMPARE(manager->statusLine()->text(), QStringLiteral("Pronto per archiviare una nuova scheda..."));

        bool pressed = false;
        QTimer::singleShot(0, [&pressed] {
            QWidget *modal = QApplication::activeModalWidget();
            QVERIFY(modal != nullptr);
            QTest::mouseClick(modal->findChild<QPushButton *>(QStringLiteral("btnStampa")), Qt::LeftButton);
            pressed = true;
        });
        QTest::mouseClick(manager->findChild<QWidget *>(QStringLiteral("cmdStampa")), Qt::LeftButton);
        QVERIFY(pressed);
        QCOMPARE(dialogs, 1);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(QFileInfo::exists(pdf), print);
        QCOMPARE(manager->statusLine()->text(), status);
        PrintSeam::setDialogHandler({});
    }
};

QTEST_MAIN(TestPrintFit)
#include "tst_printfit.moc"
