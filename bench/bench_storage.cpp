// Scanning the student archive, against a raw read of the same file.
//
//   bench_storage [FOLDER] [RECORDS]
//
// Writes an archive of RECORDS students (100,000 by default) into FOLDER (a
// temporary folder by default), then times, several times over and best of each:
//  (a) one search-like action: open, read every record in large blocks, decode the
//      ten fields the student search compares, close;
//  (b) one raw read of the same file in large blocks;
//  (c) the attendee list: every current attendee's line built, then sorted;
//  (d) a student search with two active filters, to the sorted lines;
//  (e) quick find over a list of as many lines;
//  (f) the export (grid loaded, file written) against reading the archive and
//      writing a file of the same size.
// Prints both and their ratio. Goal: ratio at most 2.

#include "storage/FileReplacement.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"
#include "students/Lines.h"
#include "shell/QuickFind.h"
#include "search/Search.h"
#include "export/ExportTable.h"

#include <QBuffer>
#include <QSaveFile>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr StudentRecord::Field kSearchFields[] = {
    StudentRecord::txtCodiceCor, StudentRecord::txtTipologiaCor, StudentRecord::txtNumIsc,
    StudentRecord::txtResponsabile, StudentRecord::txtCognome, StudentRecord::txtNome,
    StudentRecord::txtCodFiscPro, StudentRecord::txtComuneResPro, StudentRecord::txtCatPat,
    StudentRecord::txtNote,
};

bool writeArchive(const QString &path, int records)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    RecordBuffer record(StudentRecord::layout());
    QByteArray chunk;
    for (int i = 0; i < records; ++i) {
        record.setText(StudentRecord::txtCodiceCor, QStringLiteral("CORSO-%1").arg(i % 40));
        record.setText(StudentRecord::txtTipologiaCor, QStringLiteral("Patente B"));
        record.setText(StudentRecord::txtNumIsc, QString::number(i + 1));
        record.setText(StudentRecord::txtResponsabile, QStringLiteral("Ing. Bellò"));
        record.setText(StudentRecord::txtCognome, QStringLiteral("Cognome%1").arg(i * 7919 % 100000));
        record.setText(StudentRecord::txtNome, QStringLiteral("Niccolò Maria"));
        record.setText(StudentRecord::txtCodFiscPro, QStringLiteral("RSSMRA85T10A562S"));
        record.setText(StudentRecord::txtComuneResPro, QStringLiteral("Forlì"));
        record.setText(StudentRecord::txtCatPat, QStringLiteral("B"));
        record.setText(StudentRecord::txtNote, QStringLiteral("Allievo n. %1: guide al mattino, esame di teoria superato.").arg(i));
        record.setYesNo(StudentRecord::chkRicontatta, i % 2 == 0); // half of them attending
        chunk += record.bytes();
        if (chunk.size() > (8 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return file.error() == QFileDevice::NoError;
}

qint64 searchAction(const QString &path, qint64 *decodedCharacters)
{
    QElapsedTimer timer;
    timer.start();
    RecordFile file;
    file.OpenOrCreate(path, StudentRecord::Size);
    const RecordLayout &layout = StudentRecord::layout();
    qint64 characters = 0;
    QString values[std::size(kSearchFields)];
    file.ScanRecords([&](std::span<const char> record) {
        for (std::size_t i = 0; i < std::size(kSearchFields); ++i) {
            const FieldDef &def = layout.field(kSearchFields[i]);
            TextField::loadInto(record.subspan(static_cast<std::size_t>(def.offset), static_cast<std::size_t>(def.size())),
                                values[i]);
            characters += values[i].size();
        }
    });
    file.CloseRecordFile();
    *decodedCharacters = characters;
    return timer.nsecsElapsed();
}

qint64 attendeeList(const QString &path, qint64 *lines)
{
    QElapsedTimer timer;
    timer.start();
    *lines = Lines::readAttendeeLines(path).size();
    return timer.nsecsElapsed();
}

// The student search with two active filters, from opening the archive to the sorted lines.
qint64 studentSearch(const QString &path, qint64 *lines)
{
    QElapsedTimer timer;
    timer.start();
    const Search::Filter filters[] = {
        {QStringLiteral("cognome1"), StudentRecord::txtCognome},
        {QStringLiteral("forl"), StudentRecord::txtComuneResPro},
    };
    *lines = Search::run(path, StudentRecord::layout(), filters, &Search::studentSearchLine).size();
    return timer.nsecsElapsed();
}

// The export: the grid loaded from the archive, then the file written.
qint64 exportArchive(const QString &path, const QString &target, qint64 *written, std::size_t *gridBytes)
{
    QElapsedTimer timer;
    timer.start();
    Export::Rows rows;
    if (!Export::load(path, Export::studentTable(), rows))
        qWarning("the archive was not read whole");
    FileReplacement file(target);
    file.open();
    Export::write(file, Export::studentTable(), rows);
    *written = file.size();
    file.commit();
    *gridBytes = rows.bytes();
    return timer.nsecsElapsed();
}

// The physical reference for the export: read the archive and write a file of the same size.
qint64 rawReadAndWrite(const QString &path, const QString &target, qint64 size)
{
    QElapsedTimer timer;
    timer.start();
    qint64 bytes = 0;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    QByteArray block(1 << 20, Qt::Uninitialized);
    while (::read(fd, block.data(), static_cast<size_t>(block.size())) > 0) {
    }
    ::close(fd);
    QSaveFile file(target);
    file.open(QIODevice::WriteOnly);
    block.fill('x');
    while (bytes < size) {
        const qint64 n = std::min<qint64>(block.size(), size - bytes);
        file.write(block.constData(), n);
        bytes += n;
    }
    file.commit();
    return timer.nsecsElapsed();
}

qint64 rawRead(const QString &path, qint64 *bytesRead)
{
    QElapsedTimer timer;
    timer.start();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    QByteArray block(1 << 20, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, block.data(), static_cast<size_t>(block.size()));
        if (n <= 0)
            break;
        total += n;
    }
    ::close(fd);
    *bytesRead = total;
    return timer.nsecsElapsed();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTemporaryDir temporary;
    const QString folder = args.size() > 1 ? args.at(1) : temporary.path();
    const int records = args.size() > 2 ? args.at(2).toInt() : 100000;
    const QString path = folder + QStringLiteral("/Allievi.pro");

    std::printf("Writing %d student records (%.1f MB)...\n", records, double(records) * StudentRecord::Size / 1e6);
    if (!writeArchive(path, records)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }

    constexpr int kRounds = 9;
    qint64 bestScan = std::numeric_limits<qint64>::max();
    qint64 bestRaw = std::numeric_limits<qint64>::max();
    qint64 bestAttendees = std::numeric_limits<qint64>::max();
    qint64 characters = 0;
    qint64 bytes = 0;
    qint64 attendees = 0;
    qint64 bestSearch = std::numeric_limits<qint64>::max();
    qint64 found = 0;
    rawRead(path, &bytes); // warm the cache
    for (int round = 0; round < kRounds; ++round) {
        bestRaw = std::min(bestRaw, rawRead(path, &bytes));
        bestScan = std::min(bestScan, searchAction(path, &characters));
        bestAttendees = std::min(bestAttendees, attendeeList(path, &attendees));
        bestSearch = std::min(bestSearch, studentSearch(path, &found));
    }
    // The export, against reading the archive and writing a file as large as the export.
    qint64 exportBytes = 0;
    std::size_t gridBytes = 0;
    const QString target = folder + QStringLiteral("/Registro_Allievi.xls");
    const qint64 exportNs = exportArchive(path, target, &exportBytes, &gridBytes);
    const qint64 referenceNs = rawReadAndWrite(path, folder + QStringLiteral("/riferimento.bin"), exportBytes);
    QFile::remove(folder + QStringLiteral("/riferimento.bin"));
    // Quick find over a list of 100,000 lines: a fragment found only near the end.
    QStringList lines;
    for (int i = 0; i < records; ++i)
        lines << QStringLiteral("Cognome%1 Nome  Isc. n. %1  Data: 07/01/2026  Tel. 333 1234567  Corso: B").arg(i);
    QuickFind::State state;
    QElapsedTimer quick;
    quick.start();
    const int selected = QuickFind::find(lines, 0, QStringLiteral("cognome%1 ").arg(records - 1), state).selected;
    const qint64 quickNs = quick.nsecsElapsed();
    std::printf("raw read of the file:            %8.1f ms (%lld bytes)\n", double(bestRaw) / 1e6, static_cast<long long>(bytes));
    std::printf("search scan, 10 fields decoded:  %8.1f ms (%lld characters)\n", double(bestScan) / 1e6, static_cast<long long>(characters));
    std::printf("ratio scan / raw read:           %8.2f (goal: at most 2)\n", double(bestScan) / double(bestRaw));
    std::printf("student search, 2 filters:       %8.1f ms (%lld lines)\n", double(bestSearch) / 1e6, static_cast<long long>(found));
    std::printf("ratio search / raw read:         %8.2f (goal: at most 2)\n", double(bestSearch) / double(bestRaw));
    std::printf("quick find over %d lines:    %8.1f ms (line %d)\n", records, double(quickNs) / 1e6, selected);
    std::printf("export, grid and file:           %8.1f ms (%lld bytes written)\n", double(exportNs) / 1e6, static_cast<long long>(exportBytes));
    std::printf("read archive + write same size:  %8.1f ms\n", double(referenceNs) / 1e6);
    std::printf("ratio export / reference:        %8.2f (goal: at most 3)\n", double(exportNs) / double(referenceNs));
    std::printf("export grid memory:              %8.1f MB\n", double(gridBytes) / 1e6);
    std::printf("attendee list, built and sorted: %8.1f ms (%lld lines)\n", double(bestAttendees) / 1e6, static_cast<long long>(attendees));
    std::printf("ratio attendees / raw read:      %8.2f (goal: at most 1.5)\n", double(bestAttendees) / double(bestRaw));
    return 0;
}
