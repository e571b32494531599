// Every archive action under injected faults: the fixed message (or none), the
// program goes on, and every record that was on disk before is still there.
#include "DialogRecorder.h"
#include "TestSupport.h"

#include "search/Search.h"
#include "search/TrovaScreen.h"
#include "app/Avvio.h"
#include "app/ScreenSet.h"
#include "storage/ArchiveError.h"
#include "cli/ArchiveTool.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "shell/LineList.h"
#include "students/Allievi.h"
#include "students/FrequentatoriOra.h"
#include "students/LezioniGuida.h"
#include "tt2112/Mod_TT2112.h"

#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;
using Mode = RecordFile::FaultPlan::Mode;

namespace {

QByteArray forms(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        RecordBuffer record(TT2112Record::layout());
        record.setText(TT2112Record::txtCognome, QStringLiteral("Modulo%1").arg(i + 1));
        record.setText(TT2112Record::txtNote, QString(200, QChar(u'a' + i)));
        bytes += record.bytes();
    }
    return bytes;
}

QByteArray students(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        RecordBuffer record(StudentRecord::layout());
        record.setText(StudentRecord::txtCognome, QStringLiteral("Allievo%1").arg(i + 1));
        record.setText(StudentRecord::chkRicontatta, QStringLiteral("No"));
        bytes += record.bytes();
    }
    return bytes;
}

QByteArray lessons(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        RecordBuffer record(LessonRecord::layout());
        record.setText(LessonRecord::txtData, QStringLiteral("0%1/03/2026").arg(i + 1));
        bytes += record.bytes();
    }
    return bytes;
}

// A line builder for a search that shortens its archive while the search reads
// it, as another copy of the program cutting the file would.
QString g_shortenedArchive;
QString shorteningLine(std::span<const char> record)
{
    if (!g_shortenedArchive.isEmpty()) {
        QFile file(std::exchange(g_shortenedArchive, QString()));
        if (!file.resize(10 * TT2112Record::Size))
            qWarning("the archive could not be shortened");
    }
    return Search::tt2112SearchLine(record);
}

struct Outcome {
    QList<QPair<Dialogs::Kind, QString>> dialogs;
    QByteArray file;
};

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<DialogRecorder> m_dialogs;

    QString archive(const char *name) const { return ProgramFolder::filePath(QLatin1String(name)); }

    // Runs `action` with the Nth operation faulted, for N = 1, 2, ... until it runs
    // without meeting the fault; `check` judges every run.
    void underEveryFault(const std::function<void()> &prepare, const std::function<void()> &action,
                         const std::function<void(const Outcome &, bool faulted)> &check)
    {
        for (const Mode mode : {Mode::Fail, Mode::ShortWrite}) {
            for (const bool forGood : {false, true}) {
                for (int at = 1; at < 200; ++at) {
                    prepare();
                    m_dialogs->shown.clear();
                    RecordFile::setFaultPlan({mode, at, forGood});
                    action();
                    const bool faulted = RecordFile::operationsSincePlan() >= at;
                    RecordFile::setFaultPlan({});
                    Outcome outcome{m_dialogs->shown, QByteArray()};
                    check(outcome, faulted);
                    if (QTest::currentTestFailed()) {
                        qWarning("mode %d, at %d, for good %d", int(mode), at, int(forGood));
                        return;
                    }
                    if (!faulted)
                        break; // the action completed before reaching the fault
                }
            }
        }
    }

private slots:
    void initTestCase()
    {
        ProgramFolder::setOverride(m_dir.path());
    }

    void init()
    {
        m_dialogs = std::make_unique<DialogRecorder>();
    }

    void cleanup()
    {
        RecordFile::setFaultPlan({});
        m_dialogs.reset();
    }

    void formSaveAppendsOrChangesNothing()
    {
        ScreenSet screens;
        screens.createScreens();
        screens.frmAvvio()->imgModelloClick();
        TfrmMod_TT2112 *manager = screens.frmMod_TT2112();
        const QByteArray before = forms(3);
        underEveryFault(
            [&] {
                QVERIFY(writeAll(archive("Modelli_TT2112.pro"), before));
                manager->ClearTT2112Screen();
                for (const char *name : {"txtCodice", "txtUfficio", "txtCognome", "txtNome"})
                    manager->control<QLineEdit>(name)->setText(QStringLiteral("X"));
                // A tax code and a date that give no warning before the save.
                manager->control<QLineEdit>("txtCodFiscPro")->setText(QStringLiteral("07643520567"));
            },
            [&] { QTest::mouseClick(manager->control("cmdSalva"), Qt::LeftButton); },
            [&](const Outcome &outcome, bool faulted) {
                const QByteArray after = readAll(archive("Modelli_TT2112.pro"));
                QCOMPARE(after.left(before.size()), before); // every earlier record, byte for byte
                QCOMPARE(outcome.dialogs.size(), 1);
                if (outcome.dialogs.first().second == ArchiveAccessError()) {
                    QCOMPARE(outcome.dialogs.first().first, Dialogs::Kind::Error);
                    QCOMPARE(after.size(), before.size()); // nothing half-written at the end
                    QVERIFY(manager->positionLabel()->text().isEmpty());
                } else {
                    QCOMPARE(outcome.dialogs.first().second, kAppended);
                    QCOMPARE(after.size(), before.size() + TT2112Record::Size);
                    QCOMPARE(manager->positionLabel()->text(), QStringLiteral("4"));
                }
                Q_UNUSED(faulted);
            });
    }

    void formSaveOverwritesOrChangesNothing()
    {
        ScreenSet screens;
        screens.createScreens();
        screens.frmAvvio()->imgModelloClick();
        TfrmMod_TT2112 *manager = screens.frmMod_TT2112();
        const QByteArray before = forms(3);
        underEveryFault(
            [&] {
                QVERIFY(writeAll(archive("Modelli_TT2112.pro"), before));
                RecordFile::setFaultPlan({});
                manager->positionLabel()->setText(QStringLiteral("1"));
                QTest::mouseClick(manager->control("cmdAvanti"), Qt::LeftButton); // record 2
                for (const char *name : {"txtCodice", "txtUfficio", "txtNome"})
                    manager->control<QLineEdit>(name)->setText(QStringLiteral("X"));
                // A tax code and a date that give no warning before the save.
                manager->control<QLineEdit>("txtCodFiscPro")->setText(QStringLiteral("07643520567"));
                manager->control<QLineEdit>("txtData")->setText(QStringLiteral("10/03/2026"));
                manager->control<QLineEdit>("txtCognome")->setText(QStringLiteral("Cambiato"));
            },
            [&] { QTest::mouseClick(manager->control("cmdSalva"), Qt::LeftButton); },
            [&](const Outcome &outcome, bool) {
                const QByteArray after = readAll(archive("Modelli_TT2112.pro"));
                QCOMPARE(after.size(), before.size());
                QCOMPARE(after.left(TT2112Record::Size), before.left(TT2112Record::Size));
                QCOMPARE(after.mid(2 * TT2112Record::Size), before.mid(2 * TT2112Record::Size));
                QCOMPARE(outcome.dialogs.size(), 1);
                const QByteArray second = after.mid(TT2112Record::Size, TT2112Record::Size);
                if (outcome.dialogs.first().second == ArchiveAccessError())
                    QCOMPARE(second, before.mid(TT2112Record::Size, TT2112Record::Size)); // the old record, whole
                else
                    QCOMPARE(second.mid(82, 9), QByteArray("\x08" "Cambiato"));
            });
    }

    void browsingReportsAndKeepsTheScreen()
    {
        ScreenSet screens;
        screens.createScreens();
        screens.frmAvvio()->imgAnagraficaClick();
        TfrmAllievi *registry = screens.frmAllievi();
        RecordBuffer student(StudentRecord::layout());
        student.setText(StudentRecord::txtCognome, QStringLiteral("Rossi"));
        const QByteArray before = student.bytes().repeated(2);
        underEveryFault(
            [&] {
                QVERIFY(writeAll(archive("Allievi.pro"), before));
                registry->ClearStudentScreen();
            },
            [&] { QTest::mouseClick(registry->control("cmdUltimo"), Qt::LeftButton); },
            [&](const Outcome &outcome, bool) {
                QCOMPARE(readAll(archive("Allievi.pro")), before);
                if (outcome.dialogs.isEmpty()) {
                    QCOMPARE(registry->positionLabel()->text(), QStringLiteral("2"));
                } else {
                    QCOMPARE(outcome.dialogs.first().first, Dialogs::Kind::Error);
                    QCOMPARE(outcome.dialogs.first().second, ArchiveAccessError());
                    QVERIFY(registry->positionLabel()->text().isEmpty());
                }
            });
    }

    void lessonSaveWarns()
    {
        ScreenSet screens;
        screens.createScreens();
        TfrmLezioniGuida lessons(screens.frmAllievi());
        lessons.setStudent({QStringLiteral("M"), QStringLiteral("R"), QStringLiteral("B"), QStringLiteral("9")});
        lessons.show();
        const QString file = archive("Lezioni_Guida_Allievo_9.lez");
        underEveryFault(
            [&] {
                QVERIFY(writeAll(file, QByteArray()));
                QTest::mouseClick(lessons.findChild<QPushButton *>(QStringLiteral("btnAggiungi")), Qt::LeftButton);
                for (const char *name : {"txtData", "txtDurata", "txtVeicolo", "txtTarga", "txtIstruttore", "txtModulo"})
                    lessons.findChild<QLineEdit *>(QLatin1String(name))->setText(QStringLiteral("x"));
            },
            [&] { QTest::mouseClick(lessons.findChild<QPushButton *>(QStringLiteral("btnSalva")), Qt::LeftButton); },
            [&](const Outcome &outcome, bool) {
                QCOMPARE(outcome.dialogs.size(), 1);
                const qint64 size = readAll(file).size();
                if (outcome.dialogs.first().second == ArchiveAccessError()) {
                    QCOMPARE(outcome.dialogs.first().first, Dialogs::Kind::Warning);
                    QCOMPARE(size, 0);
                } else {
                    QCOMPARE(size, LessonRecord::Size);
                }
            });
    }

    void searchSaysSoAndStays()
    {
        QVERIFY(writeAll(archive("Modelli_TT2112.pro"), forms(3)));
        std::unique_ptr<TfrmTrovaModelli> search;
        underEveryFault(
            [&] {
                search = std::make_unique<TfrmTrovaModelli>(); // one search per opening
                search->show();
            },
            [&] { search->btnCercaClick(); },
            [&](const Outcome &outcome, bool) {
                if (!outcome.dialogs.isEmpty()) {
                    QCOMPARE(outcome.dialogs.first().first, Dialogs::Kind::Message);
                    QCOMPARE(outcome.dialogs.first().second, ArchiveAccessError());
                    QVERIFY(search->control<QWidget>("panAvvio")->isVisible());
                } else {
                    QCOMPARE(search->list()->lineModel()->rowCount(), 3);
                }
            });
    }

    // The lists read at once when they open tell the user when a failure cut them
    // short; read whole, they say nothing.
    void attendeeListCutShortSaysSo()
    {
        std::unique_ptr<TfrmFrequentatoriOra> list;
        underEveryFault(
            [&] { QVERIFY(writeAll(archive("Allievi.pro"), students(3))); },
            [&] {
                list = std::make_unique<TfrmFrequentatoriOra>();
                list->show();
            },
            [&](const Outcome &outcome, bool faulted) {
                if (faulted) {
                    QCOMPARE(outcome.dialogs.size(), 1);
                    QCOMPARE(outcome.dialogs.first().first, Dialogs::Kind::Warning);
                    QCOMPARE(outcome.dialogs.first().second, QStringLiteral("Lettura dell'archivio interrotta: l'elenco \u00E8 incompleto."));
                    QVERIFY(list->list()->lineModel()->rowCount() < 3);
                } else {
                    QVERIFY(outcome.dialogs.isEmpty());
                    QCOMPARE(list->list()->lineModel()->rowCount(), 3);
                }
            });
    }

    void lessonListCutShortSaysSo()
    {
        TfrmLezioniGuida screen;
        screen.setStudent({QStringLiteral("M"), QStringLiteral("R"), QStringLiteral("B"), QStringLiteral("7")});
        underEveryFault(
            [&] {
                QVERIFY(writeAll(archive("Lezioni_Guida_Allievo_7.lez"), lessons(3)));
                screen.hide();
            },
            [&] { screen.show(); },
            [&](const Outcome &outcome, bool faulted) {
                const QString total = screen.findChild<QLabel *>(QStringLiteral("lblTotale"))->text();
                if (faulted) {
                    QCOMPARE(outcome.dialogs.size(), 1);
                    QCOMPARE(outcome.dialogs.first().first, Dialogs::Kind::Warning);
                    QCOMPARE(outcome.dialogs.first().second, QStringLiteral("Lettura dell'archivio interrotta: l'elenco \u00E8 incompleto."));
                    // The manager also reads the student's lessons for the hours and
                    // every lesson file for double bookings: a failure there leaves
                    // the list whole, and is told all the same.
                    QVERIFY(total.toInt() <= 3);
                } else {
                    QVERIFY(outcome.dialogs.isEmpty());
                    QCOMPARE(total, QStringLiteral("3"));
                }
            });
    }

    // Another copy of the program shortens the archive while the search reads it:
    // the lines found are shown and the user learns that the list is incomplete.
    void searchOfAShortenedArchiveSaysSo()
    {
        static const TrovaScreen::FilterField kFilters[] = {
            {"txtCognome", "lblCampo01", QStringLiteral("Cognome:"), {144, 141}},
        };
        const QString path = archive("Modelli_TT2112.pro");
        QVERIFY(writeAll(path, forms(1).repeated(800))); // more than one block of the scan
        TrovaScreen search(nullptr, {QStringLiteral(" Trova"), QStringLiteral("Modelli_TT2112.pro"), &TT2112Record::layout(),
                                     kFilters, &shorteningLine, {}, {}, QStringLiteral("Riepilogo")});
        search.show();
        g_shortenedArchive = path;
        search.btnCercaClick();
        QVERIFY(g_shortenedArchive.isEmpty()); // the archive was shortened during the search
        QCOMPARE(readAll(path).size(), 10 * TT2112Record::Size);
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown.first().first, Dialogs::Kind::Warning);
        QCOMPARE(m_dialogs->shown.first().second, QStringLiteral("Lettura dell'archivio interrotta: l'elenco \u00E8 incompleto."));
        const int shown = search.list()->lineModel()->rowCount();
        QVERIFY(shown >= 10 && shown < 800);
        QVERIFY(search.panel()->isVisible());
    }

    void archiveToolAppend()
    {
        const QByteArray before = forms(2);
        underEveryFault(
            [&] { QVERIFY(writeAll(archive("Modelli_TT2112.pro"), before)); },
            [&] {
                QByteArray input = "{\"txtCognome\":\"A\"}\n{\"txtCognome\":\"B\"}\n";
                QBuffer in(&input);
                QBuffer out;
                QBuffer err;
                in.open(QIODevice::ReadOnly);
                out.open(QIODevice::WriteOnly);
                err.open(QIODevice::WriteOnly);
                const int code = ArchiveTool::run({QStringLiteral("append"), archive("Modelli_TT2112.pro")}, in, out, err);
                if (code != 0)
                    Dialogs::message(QString::fromUtf8(err.data())); // recorded like a message
            },
            [&](const Outcome &outcome, bool) {
                const QByteArray after = readAll(archive("Modelli_TT2112.pro"));
                QCOMPARE(after.left(before.size()), before);
                QCOMPARE((after.size() - before.size()) % TT2112Record::Size, 0);
                if (!outcome.dialogs.isEmpty())
                    QVERIFY(outcome.dialogs.first().second.contains(QStringLiteral("records appended")));
                else
                    QCOMPARE(after.size(), before.size() + 2 * TT2112Record::Size);
            });
    }

    void fileDeletedBetweenTwoActions()
    {
        ScreenSet screens;
        screens.createScreens();
        screens.frmAvvio()->imgModelloClick();
        TfrmMod_TT2112 *manager = screens.frmMod_TT2112();
        QVERIFY(writeAll(archive("Modelli_TT2112.pro"), forms(3)));
        QTest::mouseClick(manager->control("cmdUltimo"), Qt::LeftButton);
        QCOMPARE(manager->positionLabel()->text(), QStringLiteral("3"));
        QFile::remove(archive("Modelli_TT2112.pro"));
        for (const char *name : {"txtCodice", "txtUfficio", "txtNome"})
            manager->control<QLineEdit>(name)->setText(QStringLiteral("X"));
        manager->control<QLineEdit>("txtCodFiscPro")->setText(QStringLiteral("07643520567"));
        manager->control<QLineEdit>("txtData")->setText(QStringLiteral("10/03/2026"));
        QTest::mouseClick(manager->control("cmdSalva"), Qt::LeftButton);
        // The form is not lost: it becomes the first record of the new archive.
        QCOMPARE(m_dialogs->take(), QStringLiteral("La scheda corrente \u00E8 stata inserita in archivio."));
        QCOMPARE(manager->positionLabel()->text(), QStringLiteral("1"));
        QCOMPARE(readAll(archive("Modelli_TT2112.pro")).size(), TT2112Record::Size);
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
