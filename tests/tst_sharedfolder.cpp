// Two computers working on one shared folder: a record changed by the other one
// is never overwritten without asking, a folder that takes no locks is said once
// per run, and waiting for the other computer's lock shows the busy pointer.
#include "DialogRecorder.h"
#include "TestSupport.h"

#include "shell/LineList.h"
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
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>


using namespace TestSupport;
using Kind = Dialogs::Kind;

namespace {

// The three screens that save records.
enum class Saver { Registry, Manager, Lessons };

struct Archive {
    QString fileName;
    const RecordLayout *layout;
    QList<QPair<const char *, QString>> common; // the fields every record of the fixture fills
    const char *listed;                         // a field that tells the records apart
    const char *changedHere;                    // what this computer changes
    const char *changedThere;                   // what the other computer changes
};

Archive archiveOf(Saver saver)
{
    switch (saver) {
    case Saver::Registry:
        return {QString::fromLatin1(StudentRecord::FileName), &StudentRecord::layout(),
                {{"txtCodiceCor", QStringLiteral("B-2026")}, {"txtTipologiaCor", QStringLiteral("Patente B")}, {"txtNome", QStringLiteral("Mario")}},
                "txtCognome", "txtNome", "txtCognome"};
    case Saver::Manager:
        return {QString::fromLatin1(TT2112Record::FileName), &TT2112Record::layout(),
                {{"txtCodice", QStringLiteral("AS01")}, {"txtUfficio", QStringLiteral("Roma")}, {"txtNome", QStringLiteral("Mario")},
                 {"txtCodFiscPro", QStringLiteral("RSSMRA80A01H501U")}, {"txtData", QStringLiteral("01/03/2026")}},
                "txtCognome", "txtNome", "txtCognome"};
    case Saver::Lessons:
        return {LessonRecord::fileName(QStringLiteral("1")), &LessonRecord::layout(),
                {{"txtDurata", QStringLiteral("1 ora")}, {"txtVeicolo", QStringLiteral("Fiat Panda")}, {"txtTarga", QStringLiteral("AB123CD")},
                 {"txtIstruttore", QStringLiteral("Gianni")}, {"txtModulo", QStringLiteral("Parcheggio")}},
                "txtData", "txtIstruttore", "txtModulo"};
    }
    return {};
}

// Three records told apart by `listed`: "01/03/2026" ... for lessons, surnames otherwise.
QByteArray fixture(const Archive &archive)
{
    QByteArray bytes;
    for (int i = 1; i <= 3; ++i) {
        RecordBuffer record(*archive.layout);
        for (const auto &[field, value] : archive.common)
            record.setText(archive.layout->indexOf(field), value);
        const QString listed = archive.fileName.endsWith(QLatin1String(".lez")) ? QStringLiteral("0%1/03/2026").arg(i)
                                                                                 : QStringLiteral("Cognome%1").arg(i);
        record.setText(archive.layout->indexOf(archive.listed), listed);
        for (int f = 0; f < archive.layout->fieldCount(); ++f) {
            if (archive.layout->field(f).kind == FieldKind::YesNo)
                record.setYesNo(f, false);
        }
        bytes += record.bytes();
    }
    return bytes;
}

QString storedText(const Archive &archive, const QByteArray &file, int number, const char *field)
{
    RecordBuffer record(*archive.layout);
    record.setBytes(QByteArrayView(file).sliced((number - 1) * archive.layout->recordSize, archive.layout->recordSize));
    return record.text(archive.layout->indexOf(field));
}

// One computer's screen of a kind, driven as its user would.
class Seat
{
public:
    explicit Seat(Saver saver)
        : m_saver(saver)
    {
        switch (saver) {
        case Saver::Registry:
            m_screen = std::make_unique<TfrmAllievi>();
            break;
        case Saver::Manager:
            m_screen = std::make_unique<TfrmMod_TT2112>();
            break;
        case Saver::Lessons: {
            auto lessons = std::make_unique<TfrmLezioniGuida>();
            lessons->setStudent({QStringLiteral("Mario"), QStringLiteral("Rossi"), QStringLiteral("B-2026"), QStringLiteral("1")});
            m_screen = std::move(lessons);
            break;
        }
        }
        m_screen->show();
    }

    // Shows stored record 2.
    void loadSecond()
    {
        if (m_saver == Saver::Lessons) {
            auto *lessons = static_cast<TfrmLezioniGuida *>(m_screen.get());
            lessons->list()->selectRow(1); // the list is in date order
            QTest::mouseClick(m_screen->control<QPushButton>("btnModifica"), Qt::LeftButton);
        } else {
            click("cmdPrimo");
            click("cmdAvanti");
        }
        QCOMPARE(m_screen->control<QLabel>("lblPosizione")->text(), QStringLiteral("2"));
    }

    // A new record on an empty screen, every mandatory field filled.
    void startNew(const Archive &archive, const QString &listed)
    {
        if (m_saver == Saver::Lessons)
            QTest::mouseClick(m_screen->control<QPushButton>("btnAggiungi"), Qt::LeftButton);
        else
            click("cmdNuovo");
        for (const auto &[field, value] : archive.common)
            set(field, value);
        set(archive.listed, listed);
    }

    void set(const char *field, const QString &text) { m_screen->control<QLineEdit>(field)->setText(text); }
    QString get(const char *field) const { return m_screen->control<QLineEdit>(field)->text(); }

    void save()
    {
        if (m_saver == Saver::Lessons)
            QTest::mouseClick(m_screen->control<QPushButton>("btnSalva"), Qt::LeftButton);
        else
            click("cmdSalva");
    }

private:
    void click(const char *name) { QTest::mouseClick(m_screen->control(name), Qt::LeftButton); }

    Saver m_saver;
    std::unique_ptr<ScreenKit::Screen> m_screen;
};

} // namespace

class TestSharedFolder : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogRecorder> m_dialogs;

    // The texts shown since the last call.
    QStringList shownTexts()
    {
        QStringList texts;
        for (const auto &[kind, text] : std::as_const(m_dialogs->shown))
            texts << text;
        m_dialogs->shown.clear();
        return texts;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        ProgramFolder::setOverride(m_dir->path());
        m_dialogs = std::make_unique<DialogRecorder>();
        RecordSaving::startRun();
        RecordFile::setLockTimeout(std::chrono::milliseconds(10000));
    }

    void cleanup()
    {
        RecordFile::setLockRefusal(0);
        RecordFile::setLockTimeout(std::chrono::milliseconds(10000));
        m_dialogs.reset();
        m_dir.reset();
    }

    void recordChangedElsewhere_data()
    {
        QTest::addColumn<Saver>("saver");
        QTest::addColumn<bool>("overwrite");
        const struct {
            const char *name;
            Saver saver;
        } savers[] = {{"registry", Saver::Registry}, {"form manager", Saver::Manager}, {"lessons", Saver::Lessons}};
        for (const auto &entry : savers) {
            QTest::addRow("%s, overwritten", entry.name) << entry.saver << true;
            QTest::addRow("%s, reloaded", entry.name) << entry.saver << false;
        }
    }

    void recordChangedElsewhere()
    {
        QFETCH(Saver, saver);
        QFETCH(bool, overwrite);
        const Archive archive = archiveOf(saver);
        const QString path = ProgramFolder::filePath(archive.fileName);
        QVERIFY(writeAll(path, fixture(archive)));

        // Both computers show record 2.
        Seat here(saver);
        Seat there(saver);
        here.loadSecond();
        there.loadSecond();
        const QString original = here.get(archive.changedThere);

        // The other computer changes it and saves.
        there.set(archive.changedThere, QStringLiteral("Altrove"));
        there.save();
        QCOMPARE(shownTexts(), QStringList{kSaved});
        const QByteArray savedThere = readAll(path);

        // This computer saves its own change of the same record: it is asked first.
        here.set(archive.changedHere, QStringLiteral("Qui"));
        m_dialogs->answer = overwrite ? Dialogs::Answer::Yes : Dialogs::Answer::No;
        here.save();
        m_dialogs->answer = Dialogs::Answer::Ok;
        QCOMPARE(m_dialogs->shown.first().first, Kind::Confirmation);
        const QByteArray after = readAll(path);
        if (overwrite) {
            QCOMPARE(shownTexts(), (QStringList{RecordSaving::changedElsewhereQuestion(), kSaved}));
            QCOMPARE(storedText(archive, after, 2, archive.changedHere), QStringLiteral("Qui"));
            QCOMPARE(storedText(archive, after, 2, archive.changedThere), original);
        } else {
            // Nothing is written; the screen shows what the other computer saved.
            QCOMPARE(shownTexts(), QStringList{RecordSaving::changedElsewhereQuestion()});
            QCOMPARE(after, savedThere);
            QCOMPARE(here.get(archive.changedThere), QStringLiteral("Altrove"));
            QCOMPARE(here.get(archive.changedHere), storedText(archive, after, 2, archive.changedHere));
        }
        QCOMPARE(after.size(), 3 * archive.layout->recordSize);

        // From now on this computer's screen matches the stored record: no question.
        here.set(archive.changedHere, QStringLiteral("Ancora"));
        here.save();
        QCOMPARE(shownTexts(), QStringList{kSaved});
        QCOMPARE(storedText(archive, readAll(path), 2, archive.changedHere), QStringLiteral("Ancora"));
        // Nor when the same computer saves twice in a row.
        here.save();
        QCOMPARE(shownTexts(), QStringList{kSaved});
    }

    void unchangedRecordIsSavedWithoutAQuestion()
    {
        const Archive archive = archiveOf(Saver::Registry);
        const QString path = ProgramFolder::filePath(archive.fileName);
        QVERIFY(writeAll(path, fixture(archive)));
        Seat here(Saver::Registry);
        Seat there(Saver::Registry);
        here.loadSecond();
        there.loadSecond();
        // The other computer saves record 2 without changing it: nothing to ask.
        there.save();
        QCOMPARE(shownTexts(), QStringList{kSaved});
        here.set(archive.changedHere, QStringLiteral("Qui"));
        here.save();
        QCOMPARE(shownTexts(), QStringList{kSaved});
        QCOMPARE(storedText(archive, readAll(path), 2, archive.changedHere), QStringLiteral("Qui"));
    }

    void folderWithoutLocksIsSaidOncePerRun()
    {
        RecordFile::setLockRefusal(ENOLCK);
        const Archive students = archiveOf(Saver::Registry);
        const Archive lessons = archiveOf(Saver::Lessons);
        Seat registry(Saver::Registry);
        registry.startNew(students, QStringLiteral("Primo"));
        registry.save();
        // The record is saved all the same, and the user is told why it may not be safe.
        QCOMPARE(shownTexts(), (QStringList{RecordSaving::locklessWarning(), kAppended}));
        registry.startNew(students, QStringLiteral("Secondo"));
        registry.save();
        Seat lessonManager(Saver::Lessons);
        lessonManager.startNew(lessons, QStringLiteral("01/03/2026"));
        lessonManager.save();
        QCOMPARE(shownTexts(), (QStringList{kAppended, kAppended}));
        QCOMPARE(QFileInfo(ProgramFolder::filePath(students.fileName)).size(), 2 * StudentRecord::Size);
        QCOMPARE(QFileInfo(ProgramFolder::filePath(lessons.fileName)).size(), LessonRecord::Size);

        // The next run says it again, once.
        RecordSaving::startRun();
        registry.save();
        QCOMPARE(shownTexts(), (QStringList{RecordSaving::locklessWarning(), kSaved}));
        registry.save();
        QCOMPARE(shownTexts(), QStringList{kSaved});
    }

    void warningIsAWarning()
    {
        RecordFile::setLockRefusal(EOPNOTSUPP);
        Seat registry(Saver::Registry);
        registry.startNew(archiveOf(Saver::Registry), QStringLiteral("Primo"));
        registry.save();
        QVERIFY(!m_dialogs->shown.isEmpty());
        QCOMPARE(m_dialogs->shown.first().first, Kind::Warning);
    }

    void busyPointerWhileWaitingForTheLock_data()
    {
        QTest::addColumn<bool>("released"); // the other computer lets go while this one waits
        QTest::newRow("lock released during the wait") << true;
        QTest::newRow("wait runs out") << false;
    }

    void busyPointerWhileWaitingForTheLock()
    {
        QFETCH(bool, released);
        const Archive archive = archiveOf(Saver::Registry);
        const QString path = ProgramFolder::filePath(archive.fileName);
        QVERIFY(writeAll(path, fixture(archive)));
        const QByteArray before = readAll(path);
        ForeignLock lock(path);
        QVERIFY(lock.held());
        RecordFile::setLockTimeout(std::chrono::milliseconds(released ? 5000 : 600));

        Seat registry(Saver::Registry);
        registry.startNew(archive, QStringLiteral("Nuovo"));
        QVERIFY(QApplication::overrideCursor() == nullptr);
        // When this computer starts to wait, look at its pointer as the user would,
        // then (in the first case) let the other computer go.
        int shapeDuringWait = -1;
        int waits = 0;
        RecordFile::setLockWaitObserver([&](bool waiting) {
            RecordSaving::showBusyWhileWaiting(waiting);
            if (!waiting)
                return;
            ++waits;
            const QCursor *cursor = QApplication::overrideCursor();
            shapeDuringWait = cursor != nullptr ? cursor->shape() : -1;
            if (released)
                lock.release();
        });
        const auto restore = qScopeGuard([] { RecordSaving::startRun(); });
        registry.save();

        QCOMPARE(waits, 1);
        QCOMPARE(shapeDuringWait, int(Qt::WaitCursor));
        QVERIFY(QApplication::overrideCursor() == nullptr);
        if (released) {
            QCOMPARE(shownTexts(), QStringList{kAppended});
            QCOMPARE(readAll(path).size(), 4 * StudentRecord::Size);
        } else {
            QCOMPARE(m_dialogs->shown.first().first, Kind::Error);
            // The cause says who holds the archive.
            QCOMPARE(shownTexts(), QStringList{ArchiveAccessError() + QStringLiteral("\n\r\n\rDettagli: l'archivio \u00E8 in uso da un'altra postazione")});
            QCOMPARE(readAll(path), before);
        }
    }
};

QTEST_MAIN(TestSharedFolder)
#include "tst_sharedfolder.moc"
