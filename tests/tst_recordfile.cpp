#include "TestSupport.h"

#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/NativeFile.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <optional>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#endif

using namespace TestSupport;

namespace {

// A student record whose surname tells which it is.
RecordBuffer student(const QString &surname)
{
    RecordBuffer record(StudentRecord::layout());
    record.setText(StudentRecord::txtCognome, surname);
    record.setYesNo(StudentRecord::chkRicontatta, false);
    return record;
}

QString surnameAt(const QByteArray &file, qint64 index)
{
    RecordBuffer record(StudentRecord::layout());
    record.setBytes(QByteArrayView(file).sliced(index * StudentRecord::Size, StudentRecord::Size));
    return record.text(StudentRecord::txtCognome);
}

// Whether `action` fails with RecordFileError.
template <typename F>
bool fails(F action)
{
    try {
        action();
    } catch (const RecordFileError &) {
        return true;
    }
    return false;
}

} // namespace

class TestRecordFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

    QByteArray threeStudents()
    {
        QByteArray bytes;
        for (const char *name : {"Bianchi", "Rossi", "Verdi"})
            bytes += student(QString::fromLatin1(name)).bytes();
        return bytes;
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
#ifndef Q_OS_WIN
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
#endif
        for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files))
            QFile::remove(m_dir.filePath(name));
        m_path = m_dir.filePath(QStringLiteral("Allievi.pro"));
        RecordFile::setLockTimeout(std::chrono::milliseconds(10000));
    }

    void missingFileIsCreatedEmpty()
    {
        RecordFile file;
        file.OpenOrCreate(m_path, StudentRecord::Size);
        QCOMPARE(file.RecordCount(), 0);
        QCOMPARE(file.CurrentRecord(), 0);
        file.CloseRecordFile();
        QVERIFY(QFileInfo::exists(m_path));
        QCOMPARE(QFileInfo(m_path).size(), 0);
    }

    void partialTrailingRecordIsIgnoredAndOverwritten()
    {
        QByteArray bytes = threeStudents().left(2 * StudentRecord::Size) + QByteArray(10, 'x');
        QVERIFY(writeAll(m_path, bytes));
        RecordFile file;
        file.OpenOrCreate(m_path, StudentRecord::Size);
        QCOMPARE(file.RecordCount(), 2);
        QCOMPARE(file.TrailingBytes(), 10);
        QCOMPARE(file.AppendRecord(student(QStringLiteral("Gialli"))), 3);
        QCOMPARE(file.CurrentRecord(), 3);
        file.CloseRecordFile();
        const QByteArray after = readAll(m_path);
        QCOMPARE(after.size(), 3 * StudentRecord::Size);
        QCOMPARE(after.left(2 * StudentRecord::Size), bytes.left(2 * StudentRecord::Size));
        QCOMPARE(surnameAt(after, 2), QStringLiteral("Gialli"));
    }

    void readAndOverwriteByNumber()
    {
        QVERIFY(writeAll(m_path, threeStudents()));
        RecordFile file;
        file.OpenOrCreate(m_path, StudentRecord::Size);
        RecordBuffer buffer(StudentRecord::layout());
        file.SeekRecord(1);
        file.ReadRecord(buffer);
        QCOMPARE(file.CurrentRecord(), 2);
        QCOMPARE(buffer.text(StudentRecord::txtCognome), QStringLiteral("Rossi"));

        buffer.setText(StudentRecord::txtCognome, QStringLiteral("Rossini"));
        file.SeekRecord(1);
        file.WriteRecord(buffer);
        QCOMPARE(file.CurrentRecord(), 2);
        QCOMPARE(file.RecordCount(), 3);
        file.CloseRecordFile();

        const QByteArray after = readAll(m_path);
        QCOMPARE(surnameAt(after, 0), QStringLiteral("Bianchi"));
        QCOMPARE(surnameAt(after, 1), QStringLiteral("Rossini"));
        QCOMPARE(surnameAt(after, 2), QStringLiteral("Verdi"));
    }

    void thirdFormStartsAtByte5852()
    {
        RecordFile file;
        file.OpenOrCreate(m_dir.filePath(QStringLiteral("Modelli_TT2112.pro")), TT2112Record::Size);
        RecordBuffer form(TT2112Record::layout());
        for (const char *name : {"Uno", "Due", "Tre"}) {
            form.setText(TT2112Record::txtCognome, QString::fromLatin1(name));
            file.AppendRecord(form);
        }
        file.CloseRecordFile();
        const QByteArray bytes = readAll(m_dir.filePath(QStringLiteral("Modelli_TT2112.pro")));
        QCOMPARE(bytes.mid(5852 + 82, 4), QByteArray("\x03Tre"));
    }

    void readingBeyondTheEndFails()
    {
        QVERIFY(writeAll(m_path, threeStudents()));
        RecordFile file;
        file.OpenOrCreate(m_path, StudentRecord::Size);
        RecordBuffer buffer(StudentRecord::layout());
        file.SeekRecord(3);
        QVERIFY(fails([&] { file.ReadRecord(buffer); }));
        QCOMPARE(file.CurrentRecord(), 3);
    }

    void writingPastTheEndAppendsWithoutAGap()
    {
        QVERIFY(writeAll(m_path, threeStudents()));
        RecordFile file;
        file.OpenOrCreate(m_path, StudentRecord::Size);
        file.SeekRecord(9); // a position from a file that was longer once
        file.WriteRecord(student(QStringLiteral("Neri")));
        QCOMPARE(file.CurrentRecord(), 4);
        file.CloseRecordFile();
        const QByteArray after = readAll(m_path);
        QCOMPARE(after.size(), 4 * StudentRecord::Size);
        QCOMPARE(surnameAt(after, 3), QStringLiteral("Neri"));
    }

    void scanVisitsEveryRecordAcrossBlocks()
    {
        // More records than one read block holds.
        QByteArray bytes;
        const int count = 700;
        for (int i = 0; i < count; ++i)
            bytes += student(QString::number(i)).bytes();
        bytes += QByteArray(100, 'z');
        QVERIFY(writeAll(m_path, bytes));

        RecordFile file;
        file.OpenOrCreate(m_path, StudentRecord::Size);
        int seen = 0;
        bool inOrder = true;
        RecordBuffer buffer(StudentRecord::layout());
        file.ScanRecords([&](std::span<const char> record) {
            buffer.setBytes(QByteArrayView(record.data(), static_cast<qsizetype>(record.size())));
            inOrder = inOrder && buffer.text(StudentRecord::txtCognome) == QString::number(seen);
            ++seen;
        });
        QCOMPARE(seen, count);
        QVERIFY(inOrder);
        QCOMPARE(file.CurrentRecord(), count);
    }

    void folderInPlaceOfTheArchive()
    {
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Allievi.pro")));
        RecordFile file;
        QVERIFY(fails([&] { file.OpenOrCreate(m_path, StudentRecord::Size); }));
        QVERIFY(!file.isOpen());
        QVERIFY(QFileInfo(m_path).isDir());
        QDir(m_path).removeRecursively();
    }

    void readOnlyFolder()
    {
#ifdef Q_OS_WIN
        QSKIP("POSIX permissions: Windows folders have access lists instead");
#else
        QVERIFY(writeAll(m_path, threeStudents()));
        const QByteArray before = readAll(m_path);
        const QString missing = m_dir.filePath(QStringLiteral("Modelli_TT2112.pro"));
        ::chmod(QFile::encodeName(m_path).constData(), 0644);
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0555);

        // The existing archive cannot be opened for writing, and is not replaced.
        const int existing = runInChild(dropRights, [&] {
            RecordFile file;
            return fails([&] { file.OpenOrCreate(m_path, StudentRecord::Size); }) ? 0 : 1;
        });
        // A missing archive cannot be created.
        const int created = runInChild(dropRights, [&] {
            RecordFile file;
            return fails([&] { file.OpenOrCreate(missing, TT2112Record::Size); }) ? 0 : 1;
        });
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
        QCOMPARE(existing, 0);
        QCOMPARE(created, 0);
        QCOMPARE(readAll(m_path), before);
        QVERIFY(!QFileInfo::exists(missing));
#endif
    }

    void fullDiskRollsBackTheAppend_data()
    {
        QTest::addColumn<qint64>("room");     // bytes the file may still grow by
        QTest::addColumn<qint64>("trailing"); // bytes past the last whole record
        QTest::newRow("no room at all") << qint64(0) << qint64(0);
        QTest::newRow("room for part of a record") << qint64(1000) << qint64(0);
        QTest::newRow("one byte short") << qint64(StudentRecord::Size - 1) << qint64(0);
        QTest::newRow("trailing bytes, no room") << qint64(0) << qint64(10);
        QTest::newRow("trailing bytes, room for part") << qint64(1000) << qint64(10);
    }

    void fullDiskRollsBackTheAppend()
    {
#ifdef Q_OS_WIN
        QSKIP("a file size limit for one process is a POSIX resource limit; the fault plan covers Windows");
#else
        QFETCH(qint64, room);
        QFETCH(qint64, trailing);
        // The append writes over the trailing bytes: a failure gives them back too.
        QVERIFY(writeAll(m_path, threeStudents() + QByteArray(trailing, '\x7F')));
        const QByteArray before = readAll(m_path);
        const int result = runInChild(limitFileSize(before.size() + room), [&] {
            RecordFile file;
            try {
                file.OpenOrCreate(m_path, StudentRecord::Size);
                file.AppendRecord(student(QStringLiteral("Perso")));
            } catch (const RecordFileError &) {
                return 0;
            }
            return 1;
        });
        QCOMPARE(result, 0);
        QCOMPARE(readAll(m_path), before);
#endif
    }

    void injectedWriteFaultRestoresTrailingBytes()
    {
        // The same through the fault seam, whatever step of the write fails.
        const QByteArray before = threeStudents() + QByteArray("0123456789");
        for (const auto mode : {RecordFile::FaultPlan::Mode::Fail, RecordFile::FaultPlan::Mode::ShortWrite}) {
            for (int at = 1; at < 10; ++at) {
                QVERIFY(writeAll(m_path, before));
                RecordFile::setFaultPlan({mode, at, true});
                const bool failed = fails([&] {
                    RecordFile file;
                    file.OpenOrCreate(m_path, StudentRecord::Size);
                    file.AppendRecord(student(QStringLiteral("Perso")));
                });
                const bool reached = RecordFile::operationsSincePlan() >= at;
                RecordFile::setFaultPlan({});
                QCOMPARE(failed, reached);
                if (!reached)
                    break;
                QCOMPARE(readAll(m_path), before);
            }
        }
    }

    void failedRollbackIsToldApart()
    {
        // Whatever step of the write fails, a rollback that fails in turn is no
        // plain write failure: the archive may hold a partial record.
        const QByteArray before = threeStudents();
        const auto restore = qScopeGuard([] {
            RecordFile::setRollbackFault(false);
            RecordFile::setFaultPlan({});
        });
        for (int at = 1; at < 10; ++at) {
            QVERIFY(writeAll(m_path, before));
            RecordFile::setRollbackFault(true);
            RecordFile::setFaultPlan({RecordFile::FaultPlan::Mode::Fail, at, true});
            std::optional<FailureCause> cause;
            QString detail;
            try {
                RecordFile file;
                file.OpenOrCreate(m_path, StudentRecord::Size);
                file.AppendRecord(student(QStringLiteral("Perso")));
            } catch (const RecordFileError &e) {
                cause = e.cause();
                detail = e.detail();
            }
            const bool reached = RecordFile::operationsSincePlan() >= at;
            RecordFile::setFaultPlan({});
            RecordFile::setRollbackFault(false);
            if (!reached)
                break;
            QVERIFY(cause.has_value());
            // Only a failure of the write itself has anything to undo.
            const bool wrote = readAll(m_path).size() > before.size();
            if (wrote || detail.contains(QStringLiteral("write failed"))) {
                QCOMPARE(int(*cause), int(FailureCause::PartialRecord));
                QVERIFY2(detail.contains(QStringLiteral("may hold a partial record")), qPrintable(detail));
                QVERIFY2(detail.contains(QStringLiteral("volantix-archive check")), qPrintable(detail));
            } else {
                QVERIFY(*cause != FailureCause::PartialRecord);
            }
        }
        // The rollback is faulted only when asked: a failed write is undone again.
        QVERIFY(writeAll(m_path, before));
        RecordFile::setFaultPlan({RecordFile::FaultPlan::Mode::Fail, 3, true});
        QVERIFY(fails([&] {
            RecordFile file;
            file.OpenOrCreate(m_path, StudentRecord::Size);
            file.AppendRecord(student(QStringLiteral("Perso")));
        }));
        RecordFile::setFaultPlan({});
        QCOMPARE(readAll(m_path), before);
    }

    void tornRecordLeftByAFailedRollback()
    {
#ifdef Q_OS_WIN
        QSKIP("a file size limit for one process is a POSIX resource limit; the fault plan covers Windows");
#else
        // A file that may grow by 1000 bytes only, and a rollback that cannot
        // shorten it again: the first 1000 bytes of the record stay, and the
        // error says so.
        QVERIFY(writeAll(m_path, threeStudents()));
        const QByteArray before = readAll(m_path);
        const int result = runInChild(limitFileSize(before.size() + 1000), [&] {
            RecordFile::setRollbackFault(true);
            try {
                RecordFile file;
                file.OpenOrCreate(m_path, StudentRecord::Size);
                file.AppendRecord(student(QStringLiteral("Perso")));
            } catch (const RecordFileError &e) {
                return e.cause() == FailureCause::PartialRecord ? 0 : 2;
            }
            return 1;
        });
        QCOMPARE(result, 0);
        const QByteArray after = readAll(m_path);
        QCOMPARE(after.size(), before.size() + 1000);
        QCOMPARE(after.left(before.size()), before);
        RecordFile file;
        file.OpenForReading(m_path, StudentRecord::Size);
        QCOMPARE(file.TrailingBytes(), qint64(1000));
#endif
    }

    void causeOnTheLastLine_data()
    {
        QTest::addColumn<int>("error"); // a system error, or 0 for a cause given as such
        QTest::addColumn<int>("cause");
        QTest::addColumn<QString>("line");
        QTest::newRow("disk full") << NativeFile::errorFor(NativeFile::Condition::DiskFull) << int(FailureCause::DiskFull)
                                   << QStringLiteral("Dettagli: disco pieno");
#ifndef Q_OS_WIN
        QTest::newRow("file size limit") << int(EFBIG) << int(FailureCause::DiskFull) << QStringLiteral("Dettagli: disco pieno");
        QTest::newRow("read-only file system") << int(EROFS) << int(FailureCause::AccessDenied)
                                               << QStringLiteral("Dettagli: accesso negato");
#endif
        QTest::newRow("access denied") << NativeFile::errorFor(NativeFile::Condition::AccessDenied)
                                       << int(FailureCause::AccessDenied) << QStringLiteral("Dettagli: accesso negato");
        QTest::newRow("other failure: no line") << NativeFile::errorFor(NativeFile::Condition::Io) << int(FailureCause::Unknown)
                                                << QString();
        QTest::newRow("another workstation") << 0 << int(FailureCause::InUse)
                                             << QStringLiteral("Dettagli: l'archivio \u00E8 in uso da un'altra postazione");
        QTest::newRow("damaged") << 0 << int(FailureCause::Damaged) << QStringLiteral("Dettagli: file danneggiato");
        QTest::newRow("partial record") << 0 << int(FailureCause::PartialRecord)
                                        << QStringLiteral("Impossibile annullare la scrittura interrotta: l'archivio pu\u00F2 "
                                                          "contenere un record incompleto, che il comando \"volantix-archive "
                                                          "check\" individua.");
        QTest::newRow("unknown") << 0 << int(FailureCause::Unknown) << QString();
    }

    void causeOnTheLastLine()
    {
        QFETCH(int, error);
        QFETCH(int, cause);
        QFETCH(QString, line);
        if (error != 0)
            QCOMPARE(int(causeOfSystemError(error)), cause);
        const auto given = static_cast<FailureCause>(cause);
        QCOMPARE(causeLine(given), line);
        // The fixed message stays as it is; the cause follows it after a blank line.
        QCOMPARE(ArchiveAccessError(given), line.isEmpty() ? ArchiveAccessError() : ArchiveAccessError() + "\n\r\n\r" + line);
        const QString crlf = QStringLiteral("Attenzione: prova.\r\n\r\nSeconda riga.");
        QCOMPARE(withCause(crlf, given), line.isEmpty() ? crlf : crlf + "\r\n\r\n" + line);
    }

    void failuresCarryTheirCause()
    {
        // A folder where the archive should be: not a file the program can use.
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Allievi.pro")));
        std::optional<FailureCause> cause;
        try {
            RecordFile file;
            file.OpenOrCreate(m_path, StudentRecord::Size);
        } catch (const RecordFileError &e) {
            cause = e.cause();
        }
        QDir(m_path).removeRecursively();
        QVERIFY(cause.has_value());
        QCOMPARE(int(*cause), int(FailureCause::Damaged));
#ifndef Q_OS_WIN
        // A folder that may not be written: access denied.
        const QString missing = m_dir.filePath(QStringLiteral("Modelli_TT2112.pro"));
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0555);
        const int created = runInChild(dropRights, [&] {
            try {
                RecordFile file;
                file.OpenOrCreate(missing, TT2112Record::Size);
            } catch (const RecordFileError &e) {
                return e.cause() == FailureCause::AccessDenied ? 0 : 2;
            }
            return 1;
        });
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
        QCOMPARE(created, 0);
        // No room left: disk full.
        QVERIFY(writeAll(m_path, threeStudents()));
        const int full = runInChild(limitFileSize(readAll(m_path).size() + 100), [&] {
            try {
                RecordFile file;
                file.OpenOrCreate(m_path, StudentRecord::Size);
                file.AppendRecord(student(QStringLiteral("Perso")));
            } catch (const RecordFileError &e) {
                return e.cause() == FailureCause::DiskFull ? 0 : 2;
            }
            return 1;
        });
        QCOMPARE(full, 0);
#endif
    }

    void overwriteOnlyWhenUnchanged()
    {
        QVERIFY(writeAll(m_path, threeStudents()));
        const QByteArray loaded = student(QStringLiteral("Rossi")).bytes();
        auto span = [](const QByteArray &bytes) { return std::span<const char>(bytes.constData(), static_cast<std::size_t>(bytes.size())); };

        RecordFile file;
        file.OpenOrCreate(m_path, StudentRecord::Size);
        // Nobody changed record 2: it is written.
        QByteArray stored;
        file.SeekRecord(1);
        QVERIFY(file.WriteRecordIfUnchanged(student(QStringLiteral("Rossini")).span(), span(loaded), &stored));
        QCOMPARE(file.CurrentRecord(), 2);
        QVERIFY(stored.isEmpty());
        QCOMPARE(surnameAt(readAll(m_path), 1), QStringLiteral("Rossini"));

        // Now the record is not what was loaded: nothing is written, the stored bytes come back.
        const QByteArray onDisk = readAll(m_path);
        file.SeekRecord(1);
        QVERIFY(!file.WriteRecordIfUnchanged(student(QStringLiteral("Altro")).span(), span(loaded), &stored));
        QCOMPARE(stored, onDisk.mid(StudentRecord::Size, StudentRecord::Size));
        QCOMPARE(readAll(m_path), onDisk);

        // A record past the end (the file was shortened elsewhere) is appended.
        file.SeekRecord(7);
        QVERIFY(file.WriteRecordIfUnchanged(student(QStringLiteral("Nuovo")).span(), span(loaded), &stored));
        QCOMPARE(file.CurrentRecord(), 4);
        QCOMPARE(surnameAt(readAll(m_path), 3), QStringLiteral("Nuovo"));
    }

    void fileSystemWithoutLocks_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("written");
        QTest::newRow("no locks available") << ENOLCK << true;
        QTest::newRow("locks not supported") << EOPNOTSUPP << true;
        QTest::newRow("lock request refused as invalid") << EINVAL << true;
        QTest::newRow("any other failure") << EBADF << false;
    }

    void fileSystemWithoutLocks()
    {
        QFETCH(int, error);
        QFETCH(bool, written);
        QVERIFY(writeAll(m_path, threeStudents()));
        RecordFile::setLockRefusal(error);
        RecordFile file;
        file.OpenOrCreate(m_path, StudentRecord::Size);
        QVERIFY(!file.wroteWithoutLock());
        const bool failed = fails([&] { file.AppendRecord(student(QStringLiteral("Senza"))); });
        RecordFile::setLockRefusal(0);
        QCOMPARE(failed, !written);
        QCOMPARE(file.wroteWithoutLock(), written);
        QCOMPARE(QFileInfo(m_path).size(), (written ? 4 : 3) * StudentRecord::Size);
    }

    void nonRegularFilesAreRefusedAtOnce_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("writable");
#ifndef Q_OS_WIN
        QTest::newRow("pipe, to write") << "pipe" << true;
        QTest::newRow("pipe, to read") << "pipe" << false;
#endif
        QTest::newRow("device, to read") << "device" << false;
        QTest::newRow("device, to write") << "device" << true;
        QTest::newRow("folder, to read") << "folder" << false;
    }

    void nonRegularFilesAreRefusedAtOnce()
    {
        QFETCH(QString, kind);
        QFETCH(bool, writable);
        QString path = m_dir.filePath(QStringLiteral("Speciale.pro"));
        QFile::remove(path);
        QDir(path).removeRecursively();
        if (kind == QLatin1String("pipe")) {
#ifndef Q_OS_WIN
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
        } else if (kind == QLatin1String("device")) {
#ifdef Q_OS_WIN
            path = QStringLiteral("NUL");
#else
            path = QStringLiteral("/dev/null");
#endif
        }
        else
            QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Speciale.pro")));
        // Opening a pipe for reading would wait for a writer: it must not.
        QString detail;
        try {
            RecordFile file;
            if (writable)
                file.OpenOrCreate(path, StudentRecord::Size);
            else
                file.OpenForReading(path, StudentRecord::Size);
        } catch (const RecordFileError &e) {
            detail = e.detail();
        }
        QCOMPARE(detail, path + (kind == QLatin1String("folder") ? QStringLiteral(": is a folder") : QStringLiteral(": not a regular file")));
    }

    void lockedByAnotherCopyTimesOut()
    {
        QVERIFY(writeAll(m_path, threeStudents()));
        const QByteArray before = readAll(m_path);
        // Another copy of the program holds the writers' lock.
        ForeignLock other(m_path);
        QVERIFY(other.held());

        RecordFile::setLockTimeout(std::chrono::milliseconds(200));
        QList<bool> waits;
        RecordFile::setLockWaitObserver([&](bool waiting) { waits << waiting; });
        RecordFile file;
        file.OpenOrCreate(m_path, StudentRecord::Size);
        QString detail;
        FailureCause cause = FailureCause::Unknown;
        try {
            file.AppendRecord(student(QStringLiteral("Attesa")));
        } catch (const RecordFileError &e) {
            detail = e.detail();
            cause = e.cause();
        }
        QCOMPARE(detail, m_path + QStringLiteral(": another program holds the archive: its lock was not released within 200 ms"));
        QCOMPARE(int(cause), int(FailureCause::InUse));
        // The wait was announced, and its end too.
        QCOMPARE(waits, (QList<bool>{true, false}));
        file.SeekRecord(0);
        QVERIFY(fails([&] { file.WriteRecord(student(QStringLiteral("Attesa"))); }));
        QCOMPARE(readAll(m_path), before);

        // Reading is never held up by the lock.
        RecordBuffer buffer(StudentRecord::layout());
        file.SeekRecord(2);
        file.ReadRecord(buffer);
        QCOMPARE(buffer.text(StudentRecord::txtCognome), QStringLiteral("Verdi"));

        other.release();
        waits.clear();
        QCOMPARE(file.AppendRecord(student(QStringLiteral("Attesa"))), 4);
        QVERIFY(waits.isEmpty()); // no wait, nothing announced
        RecordFile::setLockWaitObserver({});
    }

    void closesOnEveryPath()
    {
        // After a failed action the descriptor is gone: the folder can be removed
        // and the process keeps no handle on the file.
        QVERIFY(writeAll(m_path, threeStudents()));
        const auto openDescriptors = [] { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(); };
        const qsizetype before = openDescriptors();
        {
            RecordFile file;
            file.OpenOrCreate(m_path, StudentRecord::Size);
            RecordBuffer buffer(StudentRecord::layout());
            file.SeekRecord(50);
            QVERIFY(fails([&] { file.ReadRecord(buffer); }));
        }
        QCOMPARE(openDescriptors(), before);
    }
};

QTEST_GUILESS_MAIN(TestRecordFile)
#include "tst_recordfile.moc"
