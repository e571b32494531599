// Every archive action of the program beside its physical reference, on archives
// of 10,000 and 100,000 records, and the searches beside SQLite on the same data.
//   bench_side_by_side [FOLDER]
// Prints a Markdown table (the figures of docs/performance.md).

#include "backup/Backup.h"
#include "calendar/Deadlines.h"
#include "lessons/LessonRules.h"
#include "export/ExportTable.h"
#include "search/Search.h"
#include "storage/FileReplacement.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "students/Lines.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

const char *const kSurnames[] = {"Rossi", "Russo", "Ferrari", "Esposito", "Bianchi", "Romano", "Colombo", "Ricci",
                                 "Marino", "Greco", "Bruno", "Gallo", "Conti", "De Luca", "Mancini", "Costa"};
const char *const kTowns[] = {"Roma", "Milano", "Napoli", "Torino", "Forl\u00EC", "Bologna", "Cefal\u00F9", "Bari"};

QString surname(int i) { return QString::fromUtf8(kSurnames[i % 16]) + QString::number(i % 997); }
QString town(int i) { return QString::fromUtf8(kTowns[(i / 16) % 8]); }

// Writes the file and waits until it is on disk, so that no write-back of the
// fresh archives runs during the timings.
void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
    file.flush();
    ::fsync(file.handle());
}

void writeArchives(const QString &folder, int n)
{
    QByteArray students;
    QByteArray forms;
    RecordBuffer s(StudentRecord::layout());
    RecordBuffer f(TT2112Record::layout());
    for (int i = 0; i < n; ++i) {
        s.setText(StudentRecord::txtCodiceCor, QStringLiteral("B-%1").arg(2020 + i % 7));
        s.setText(StudentRecord::txtTipologiaCor, QStringLiteral("Patente B"));
        s.setText(StudentRecord::txtNumIsc, QString::number(i + 1));
        s.setText(StudentRecord::txtDataIsc, QStringLiteral("%1/01/2026").arg(1 + i % 28, 2, 10, QLatin1Char('0')));
        s.setText(StudentRecord::txtCognome, surname(i));
        s.setText(StudentRecord::txtNome, QStringLiteral("Maria Grazia"));
        s.setText(StudentRecord::txtComuneResPro, town(i));
        s.setText(StudentRecord::txtPreferenziale, QStringLiteral("333 1234567"));
        s.setText(StudentRecord::txtCatPat, QStringLiteral("B"));
        s.setText(StudentRecord::txtNote, QStringLiteral("Allievo n. %1, guide al mattino").arg(i));
        s.setYesNo(StudentRecord::chkRicontatta, i % 2 == 0);
        // What the deadline list reads: tax code, exams and the document.
        s.setText(StudentRecord::txtCodFiscPro, QStringLiteral("RSSMRA85T10%1").arg(i % 100000, 5, 10, QLatin1Char('0')));
        s.setText(StudentRecord::txtDataTeo, QStringLiteral("%1/02/2026").arg(1 + i % 28, 2, 10, QLatin1Char('0')));
        s.setText(StudentRecord::txtEsitoTeo, i % 3 == 0 ? QStringLiteral("Idoneo") : i % 3 == 1 ? QStringLiteral("Non idoneo") : QString());
        s.setText(StudentRecord::txtDataScaPro, QStringLiteral("%1/%2/2026").arg(1 + i % 28, 2, 10, QLatin1Char('0')).arg(1 + i % 12, 2, 10, QLatin1Char('0')));
        students += s.bytes();
        f.setText(TT2112Record::txtCodice, QStringLiteral("AS0123"));
        f.setText(TT2112Record::txtCognome, surname(i));
        f.setText(TT2112Record::txtNome, QStringLiteral("Luca"));
        f.setText(TT2112Record::txtCodFiscPro, QStringLiteral("RSSMRA85T10%1").arg((i * 7) % 100000, 5, 10, QLatin1Char('0')));
        f.setYesNo(TT2112Record::chkConseguimento, i % 4 != 0);
        f.setText(TT2112Record::txtComuneResPro, town(i));
        f.setText(TT2112Record::txtData, QStringLiteral("%1/%2/20%3").arg(1 + i % 28, 2, 10, QLatin1Char('0')).arg(1 + i % 12, 2, 10, QLatin1Char('0')).arg(14 + i % 10));
        f.setText(TT2112Record::txtConsegui, QStringLiteral("B"));
        f.setText(TT2112Record::txtNote, QStringLiteral("Pratica %1").arg(i));
        forms += f.bytes();
    }
    writeFile(folder + QStringLiteral("/Allievi.pro"), students);
    writeFile(folder + QStringLiteral("/Modelli_TT2112.pro"), forms);
    QByteArray lessons;
    RecordBuffer l(LessonRecord::layout());
    for (int i = 0; i < 1000; ++i) {
        l.setText(LessonRecord::txtData, QStringLiteral("%1/03/2026").arg(1 + i % 28, 2, 10, QLatin1Char('0')));
        l.setText(LessonRecord::txtDurata, QStringLiteral("1 ora"));
        l.setText(LessonRecord::txtVeicolo, QStringLiteral("Fiat Panda"));
        l.setText(LessonRecord::txtTarga, QStringLiteral("AB123CD"));
        l.setText(LessonRecord::txtIstruttore, QStringLiteral("Gianni Bell\u00F2"));
        l.setText(LessonRecord::txtModulo, QStringLiteral("Modulo %1").arg(i % 9));
        lessons += l.bytes();
    }
    writeFile(folder + QStringLiteral("/Lezioni_Guida_Allievo_1.lez"), lessons);
}

// The best of `rounds` runs of `action`, in milliseconds.
template <typename F>
double best(F action, int rounds = 5)
{
    double result = 1e300;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        action();
        result = std::min(result, double(timer.nsecsElapsed()) / 1e6);
    }
    return result;
}

void rawRead(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    static QByteArray block(1 << 20, Qt::Uninitialized);
    while (::read(fd, block.data(), static_cast<size_t>(block.size())) > 0) {
    }
    ::close(fd);
}

// SQLite on the same data: a table of the fields the searches use, LIKE on the same filters.
bool haveSqlite()
{
    QProcess probe;
    probe.start(QStringLiteral("sqlite3"), {QStringLiteral("-version")});
    return probe.waitForFinished(5000) && probe.exitCode() == 0;
}

double sqliteQuery(const QString &database, const QString &query)
{
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {database});
    sqlite.write(".timer on\n" + query.toUtf8() + "\n");
    sqlite.closeWriteChannel();
    sqlite.waitForFinished(120000);
    const QString out = QString::fromUtf8(sqlite.readAllStandardOutput());
    static const QRegularExpression timer(QStringLiteral("Run Time: real ([0-9.]+)"));
    double best = 1e300;
    auto it = timer.globalMatch(out);
    while (it.hasNext())
        best = std::min(best, it.next().captured(1).toDouble() * 1000);
    return best;
}

// One table per archive with a column for every field of the record, holding its
// trimmed text, and the line the search shows for it.
QString sqliteTable(const QString &folder, const char *fileName, const char *table, const RecordLayout &layout,
                    Search::LineBuilder line)
{
    const auto quote = [](QString text) -> QString {
        return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
    };
    QString script = QStringLiteral("CREATE TABLE %1(pos INTEGER").arg(QLatin1String(table));
    for (const FieldDef &field : layout.fields)
        script += QStringLiteral(", \"%1\" TEXT").arg(QLatin1String(field.name.data(), static_cast<qsizetype>(field.name.size())));
    script += QStringLiteral(", line TEXT);");
    RecordFile file;
    file.OpenOrCreate(folder + QLatin1Char('/') + QLatin1String(fileName), layout.recordSize);
    RecordBuffer record(layout);
    file.ScanRecords([&](std::span<const char> bytes) {
        record.setBytes(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        script += QStringLiteral("INSERT INTO %1 VALUES(%2").arg(QLatin1String(table)).arg(file.CurrentRecord() + 1);
        for (int f = 0; f < layout.fieldCount(); ++f)
            script += QLatin1Char(',') + quote(record.text(f).trimmed());
        script += QLatin1Char(',') + quote(line(bytes)) + QStringLiteral(");");
    });
    return script;
}

void buildSqlite(const QString &folder, const QString &database)
{
    QFile::remove(database);
    const QString script = QStringLiteral("BEGIN;")
        + sqliteTable(folder, StudentRecord::FileName, "allievi", StudentRecord::layout(), &Search::studentSearchLine)
        + sqliteTable(folder, TT2112Record::FileName, "modelli", TT2112Record::layout(), &Search::tt2112SearchLine)
        + QStringLiteral("COMMIT;");
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {database});
    sqlite.write(script.toUtf8());
    sqlite.closeWriteChannel();
    sqlite.waitForFinished(600000);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = QCoreApplication::arguments().size() > 1 ? QCoreApplication::arguments().at(1) : temporary.path();
    QDir().mkpath(folder);
    const bool sqlite = haveSqlite();
    std::printf("| Action | Records | Volantix (ms) | Reference (ms) | Ratio | Goal | SQLite (ms) |\n");
    std::printf("|---|---:|---:|---:|---:|---|---:|\n");
    for (const int n : {10000, 100000}) {
        writeArchives(folder, n);
        const QString students = folder + QStringLiteral("/Allievi.pro");
        const QString forms = folder + QStringLiteral("/Modelli_TT2112.pro");
        const QString lessons = folder + QStringLiteral("/Lezioni_Guida_Allievo_1.lez");
        rawRead(students);
        rawRead(forms);
        const double readStudents = best([&] { rawRead(students); }, 9);
        const double readForms = best([&] { rawRead(forms); }, 9);
        const double readLessons = best([&] { rawRead(lessons); }, 9);

        const Search::Filter studentFilters[] = {{QStringLiteral("ross"), StudentRecord::txtCognome},
                                                 {QStringLiteral("roma"), StudentRecord::txtComuneResPro}};
        const Search::Filter formFilters[] = {{QStringLiteral("ross"), TT2112Record::txtCognome},
                                              {QStringLiteral("2014"), TT2112Record::txtData}};
        const double studentSearch = best([&] { Search::run(students, StudentRecord::layout(), studentFilters, &Search::studentSearchLine); }, 9);
        const double formSearch = best([&] { Search::run(forms, TT2112Record::layout(), formFilters, &Search::tt2112SearchLine); }, 9);
        const double attendees = best([&] { Lines::readAttendeeLines(students); }, 9);
#ifdef __GLIBC__
        // The same list in memory that the process has just given back to the
        // system, as on the screen's first opening: every page it writes is new.
        double attendeesFresh = 1e300;
        for (int r = 0; r < 9; ++r) {
            malloc_trim(0);
            attendeesFresh = std::min(attendeesFresh, best([&] { Lines::readAttendeeLines(students); }, 1));
        }
#endif
        const double deadlineList = best([&] { Deadlines::collect(students, forms, {QDate(2026, 3, 10), 60}); }, 9);
        const double lessonList = best([&] { Lines::readLessonLines(lessons); }, 9);
        qint64 exportSize = 0;
        std::size_t gridBytes = 0;
        std::size_t textBytes = 0;
        const double exportMs = best([&] {
            Export::Rows rows;
            if (!Export::load(students, Export::studentTable(), rows))
                qWarning("the archive was not read whole");
            FileReplacement file(folder + QStringLiteral("/Registro_Allievi.xls"));
            file.open();
            Export::write(file, Export::studentTable(), rows);
            exportSize = file.size();
            file.commit();
            gridBytes = rows.bytes();
            textBytes = 0;
            for (int r = 0; r < rows.count(); ++r)
                for (int c = 0; c < Export::kColumns; ++c)
                    textBytes += static_cast<std::size_t>(rows.cell(r, c).size()) * sizeof(QChar);
        }, 3);
        const double exportReference = best([&] {
            rawRead(students);
            QSaveFile file(folder + QStringLiteral("/riferimento.bin"));
            file.open(QIODevice::WriteOnly);
            QByteArray block(1 << 20, 'x');
            for (qint64 done = 0; done < exportSize; done += block.size())
                file.write(block.constData(), std::min<qint64>(block.size(), exportSize - done));
            file.commit();
        }, 3);
        QFile::remove(folder + QStringLiteral("/riferimento.bin"));

        double sqliteStudents = -1;
        double sqliteForms = -1;
        if (sqlite) {
            const QString database = folder + QStringLiteral("/riferimento.sqlite");
            buildSqlite(folder, database);
            const QString repeat = QStringLiteral(";\n");
            QString studentQuery;
            QString formQuery;
            for (int r = 0; r < 5; ++r) {
                studentQuery += QStringLiteral("SELECT line FROM allievi WHERE txtCognome LIKE '%ross%' AND txtComuneResPro LIKE '%roma%' ORDER BY upper(line)") + repeat;
                formQuery += QStringLiteral("SELECT line FROM modelli WHERE txtCognome LIKE '%ross%' AND txtData LIKE '%2014%' ORDER BY upper(line)") + repeat;
            }
            sqliteStudents = sqliteQuery(database, QStringLiteral(".output /dev/null\n") + studentQuery);
            sqliteForms = sqliteQuery(database, QStringLiteral(".output /dev/null\n") + formQuery);
            QFile::remove(database);
        }
        const auto row = [&](const char *action, double ms, double reference, const char *goal, double sqliteMs) {
            std::printf("| %s | %d | %.2f | %.2f | %.2f | %s | %s |\n", action, n, ms, reference, ms / reference, goal,
                        sqliteMs < 0 ? "" : qPrintable(QString::number(sqliteMs, 'f', 1)));
        };
        row("Student search, 2 filters", studentSearch, readStudents, "<= 2", sqliteStudents);
        row("TT 2112 search, 2 filters", formSearch, readForms, "<= 2", sqliteForms);
        row("Current attendees list", attendees, readStudents, "<= 1.5", -1);
#ifdef __GLIBC__
        row("Current attendees list, memory new to the process", attendeesFresh, readStudents, "", -1);
#endif
        row("Lesson list, 1,000 lessons", lessonList, readLessons, "<= 2", -1);
        row("Deadline list (students + forms)", deadlineList, readStudents + readForms, "<= 2", -1);
        row("Export (grid + file)", exportMs, exportReference, "<= 3 (read + write)", -1);
        std::printf("| Export grid memory (MB vs text held) | %d | %.1f | %.1f | %.2f | <= 2 | |\n", n, double(gridBytes) / 1e6,
                    double(textBytes) / 1e6, double(gridBytes) / double(textBytes));
        std::fflush(stdout);
    }
    // The hours screen's reading: 10,000 lesson files of 20 lessons each, against
    // opening and reading the same files raw.
    {
        const QString lessonsFolder = folder + QStringLiteral("/ore");
        QDir(lessonsFolder).removeRecursively();
        QDir().mkpath(lessonsFolder);
        RecordBuffer l(LessonRecord::layout());
        for (int file = 1; file <= 10000; ++file) {
            QByteArray bytes;
            for (int i = 0; i < 20; ++i) {
                l.setText(LessonRecord::txtData, QStringLiteral("%1/03/2026").arg(1 + (file + i) % 28, 2, 10, QLatin1Char('0')));
                l.setText(LessonRecord::txtOraInizio, QStringLiteral("%1:00").arg(8 + i % 10, 2, 10, QLatin1Char('0')));
                l.setText(LessonRecord::txtOraFine, QStringLiteral("%1:00").arg(9 + i % 10, 2, 10, QLatin1Char('0')));
                l.setText(LessonRecord::txtDurata, QStringLiteral("1 ora"));
                l.setText(LessonRecord::txtVeicolo, QStringLiteral("Fiat Panda"));
                l.setText(LessonRecord::txtTarga, QStringLiteral("AB%1CD").arg(file % 12, 3, 10, QLatin1Char('0')));
                l.setText(LessonRecord::txtIstruttore, QStringLiteral("Istruttore %1").arg(file % 9));
                l.setText(LessonRecord::txtModulo, QStringLiteral("Modulo %1").arg(i % 9));
                bytes += l.bytes();
            }
            writeFile(lessonsFolder + QStringLiteral("/Lezioni_Guida_Allievo_%1.lez").arg(file), bytes);
        }
        const auto rawAll = [&] {
            for (const auto &entry : Lessons::lessonFiles(lessonsFolder))
                rawRead(entry.second);
        };
        rawAll();
        const double raw = best(rawAll, 5);
        const double hours = best([&] {
            const Lessons::Folder read = Lessons::readFolder(lessonsFolder);
            Lessons::hoursOf(read, QDate(2026, 3, 1), QDate(2026, 3, 31));
        }, 5);
        std::printf("| Hours screen, 10,000 lesson files of 20 lessons | 200000 | %.2f | %.2f | %.2f | <= 2 | |\n", hours, raw, hours / raw);

        // Backups of a school of 10,000 students, each with a lesson file, and
        // 200 MB of attachments (seven in ten scans that do not compress, the rest
        // documents that do): a verified backup against zip -6 of the same files
        // without any check, and a restore into an empty folder against unzip.
        const QString school = folder + QStringLiteral("/scuola");
        QDir(school).removeRecursively();
        QDir().mkpath(school);
        writeArchives(school, 10000);
        QDir().rename(lessonsFolder, school + QStringLiteral("/lezioni"));
        for (const QString &name : QDir(school + QStringLiteral("/lezioni")).entryList(QDir::Files))
            QDir().rename(school + QStringLiteral("/lezioni/") + name, school + QLatin1Char('/') + name);
        QDir(school + QStringLiteral("/lezioni")).removeRecursively();
        QDir().mkpath(school + QStringLiteral("/Documenti_Allegati"));
        quint64 state = 88172645463325252ull;
        for (int file = 0; file < 200; ++file) {
            QByteArray bytes(1 << 20, Qt::Uninitialized);
            if (file % 10 < 7) {
                for (qsizetype i = 0; i + 8 <= bytes.size(); i += 8) {
                    state ^= state << 13;
                    state ^= state >> 7;
                    state ^= state << 17;
                    std::memcpy(bytes.data() + i, &state, 8);
                }
            } else {
                const QByteArray line = QByteArrayLiteral("Dichiarazione sostitutiva di certificazione, allievo n. ") + QByteArray::number(file) + '\n';
                for (qsizetype i = 0; i < bytes.size(); ++i)
                    bytes[i] = line[i % line.size()];
            }
            writeFile(school + QStringLiteral("/Documenti_Allegati/documento_%1.%2").arg(file).arg(QLatin1String(file % 10 < 7 ? "jpg" : "txt")), bytes);
        }
        const QString copies = folder + QStringLiteral("/copie");
        const QString reference = folder + QStringLiteral("/riferimento.zip");
        const auto run = [](const QString &program, const QStringList &arguments, const QString &in) {
            QProcess process;
            process.setWorkingDirectory(in);
            process.start(program, arguments);
            return process.waitForFinished(-1) && process.exitCode() == 0;
        };
        if (run(QStringLiteral("zip"), {QStringLiteral("-h")}, folder) && run(QStringLiteral("unzip"), {QStringLiteral("-v")}, folder)) {
            const double zipMs = best([&] {
                QFile::remove(reference);
                run(QStringLiteral("zip"), {QStringLiteral("-r"), QStringLiteral("-6"), QStringLiteral("-q"), reference, QStringLiteral(".")}, school);
            }, 3);
            QString made;
            int second = 0;
            const double backupMs = best([&] {
                QDir(copies).removeRecursively();
                Backup::CreateOptions options;
                options.now = QDateTime(QDate(2026, 12, 11), QTime(9, 0, second++));
                const Backup::Result result = Backup::create(school, copies, options);
                if (!result.ok())
                    qWarning("backup failed: %s", qPrintable(result.message));
                made = result.path;
            }, 3);
            std::printf("| Backup with verification, 10,000 students, lessons, 200 MB attachments | 10000 | %.2f | %.2f | %.2f | <= 1.5 (zip -6) | |\n",
                        backupMs, zipMs, backupMs / zipMs);
            const QString target = folder + QStringLiteral("/ripristino");
            const double unzipMs = best([&] {
                QDir(target).removeRecursively();
                QDir().mkpath(target);
                run(QStringLiteral("unzip"), {QStringLiteral("-q"), QStringLiteral("-o"), reference, QStringLiteral("-d"), target}, folder);
            }, 3);
            const QString safety = folder + QStringLiteral("/sicurezza");
            const double restoreMs = best([&] {
                QDir(target).removeRecursively();
                QDir(safety).removeRecursively();
                QDir().mkpath(target);
                Backup::RestoreOptions options;
                options.safetyFolder = safety;
                options.now = QDateTime(QDate(2026, 12, 11), QTime(10, 0));
                const Backup::Result result = Backup::restore(made, target, options);
                if (!result.ok())
                    qWarning("restore failed: %s", qPrintable(result.message));
            }, 3);
            std::printf("| Restore into an empty folder (checked against the manifest) | 10000 | %.2f | %.2f | %.2f | <= 1.5 (unzip) | |\n",
                        restoreMs, unzipMs, restoreMs / unzipMs);
            QDir(target).removeRecursively();
            QDir(safety).removeRecursively();
            QDir(copies).removeRecursively();
            QFile::remove(reference);
        }
        QDir(school).removeRecursively();
    }
    return 0;
}
