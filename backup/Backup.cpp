#include "backup/Backup.h"

#include "storage/FileReplacement.h"
#include "storage/Layouts.h"
#include "storage/NativeFile.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "students/Attachments.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace Backup {

namespace {

constexpr qint64 kRecordFileLimit = qint64(1) << 34; // far beyond any real archive
constexpr qint64 kManifestLimit = qint64(64) << 20;
constexpr qint64 kChunk = qint64(1) << 20;
constexpr int kFirstStudents = 10;
std::atomic<int> g_restoreFaultAfter{-1};

// Whether `text`, from `from` on, is `count` ASCII digits.
bool digitsAt(QStringView text, qsizetype from, qsizetype count)
{
    if (from < 0 || from + count > text.size())
        return false;
    for (qsizetype i = from; i < from + count; ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return false;
    }
    return true;
}

// "Lezioni_Guida_Allievo_" + 1 to 12 digits + ".lez", in any case. Matched by
// hand: the names are read in the backup's own thread, where no pattern engine
// need keep a stack of its own.
bool isLessonFile(const QString &name)
{
    static const QLatin1String prefix("Lezioni_Guida_Allievo_");
    static const QLatin1String suffix(".lez");
    if (!name.startsWith(prefix, Qt::CaseInsensitive) || !name.endsWith(suffix, Qt::CaseInsensitive))
        return false;
    const qsizetype digits = name.size() - prefix.size() - suffix.size();
    return digits >= 1 && digits <= 12 && digitsAt(name, prefix.size(), digits);
}

// The names of a folder's lesson files, in order of name.
QStringList lessonFilesIn(const QDir &folder)
{
    QStringList names;
    for (const QString &name : folder.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        if (isLessonFile(name))
            names.push_back(name);
    }
    return names;
}

// The size of a record file's records, or 0 for other files.
int recordSizeOf(const QString &name)
{
    if (name.compare(QLatin1String(StudentRecord::FileName), Qt::CaseInsensitive) == 0)
        return StudentRecord::Size;
    if (name.compare(QLatin1String(TT2112Record::FileName), Qt::CaseInsensitive) == 0)
        return TT2112Record::Size;
    if (isLessonFile(name))
        return LessonRecord::Size;
    return 0;
}

const QStringList &singleFiles()
{
    static const QStringList files{QString::fromLatin1(StudentRecord::FileName), QString::fromLatin1(TT2112Record::FileName),
                                   QStringLiteral("Autoscuola.ini"), QStringLiteral("unins000.dll")};
    return files;
}

quint32 crcOf(const char *data, qint64 size, quint32 crc)
{
    while (size > 0) {
        const uInt n = static_cast<uInt>(std::min<qint64>(size, qint64(1) << 30));
        crc = static_cast<quint32>(::crc32(crc, reinterpret_cast<const Bytef *>(data), n));
        data += n;
        size -= n;
    }
    return crc;
}

Result failed(const QString &message, FailureCause cause = FailureCause::Unknown)
{
    Result result;
    result.outcome = Outcome::Failed;
    result.message = withCause(message, cause);
    result.cause = cause;
    return result;
}

Result cancelled()
{
    Result result;
    result.outcome = Outcome::Cancelled;
    result.message = QStringLiteral("Operazione annullata.");
    return result;
}

QString zipError(zip_error_t *error)
{
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

FailureCause causeOfZipError(zip_error_t *error)
{
    if (zip_error_system_type(error) == ZIP_ET_SYS)
        return causeOfSystemError(zip_error_code_system(error));
    return FailureCause::Unknown;
}

// Shared state of a long operation: the bytes done and whether the user stopped it.
struct Meter {
    const Progress *progress = nullptr;
    qint64 total = 0;
    qint64 done = 0;
    QString file;
    bool stopped = false;

    bool advance(qint64 bytes, const QString &at)
    {
        done += bytes;
        if (!at.isEmpty())
            file = at;
        if (progress && *progress && !stopped && !(*progress)(done, total, file))
            stopped = true;
        return !stopped;
    }
};

// What goes into the zip: bytes read under the writers' lock, or a file read as
// the zip is written.
struct Item {
    Entry entry;
    QByteArray bytes;  // record files and the INI files, read at once
    QString filePath;  // attachments, read by the zip writer
};

// Feeds one item to the zip writer, checking that a file still holds what the
// manifest says of it.
struct ItemSource {
    const Item *item = nullptr;
    Meter *meter = nullptr;
    QFile file;
    qint64 offset = 0;
    quint32 crc = 0;
    zip_error_t error{};

    ItemSource() { zip_error_init(&error); }
    ~ItemSource() { zip_error_fini(&error); }
};

zip_int64_t itemCallback(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto *source = static_cast<ItemSource *>(state);
    const Item &item = *source->item;
    switch (command) {
    case ZIP_SOURCE_OPEN:
        source->offset = 0;
        source->crc = crcOf(nullptr, 0, 0);
        if (!item.filePath.isEmpty()) {
            source->file.setFileName(item.filePath);
            if (!source->file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
                zip_error_set(&source->error, ZIP_ER_OPEN, 0);
                return -1;
            }
        }
        return 0;
    case ZIP_SOURCE_READ: {
        const qint64 left = item.entry.size - source->offset;
        const qint64 n = std::min<qint64>(left, static_cast<qint64>(std::min<zip_uint64_t>(length, kChunk)));
        if (n <= 0)
            return 0;
        char *out = static_cast<char *>(data);
        if (item.filePath.isEmpty()) {
            std::memcpy(out, item.bytes.constData() + source->offset, static_cast<std::size_t>(n));
        } else {
            qint64 got = 0;
            while (got < n) {
                const qint64 r = source->file.read(out + got, n - got);
                if (r <= 0) {
                    // Shorter than when it was measured: it changed meanwhile.
                    zip_error_set(&source->error, ZIP_ER_READ, 0);
                    return -1;
                }
                got += r;
            }
        }
        source->crc = crcOf(out, n, source->crc);
        source->offset += n;
        if (source->offset == item.entry.size && source->crc != item.entry.crc) {
            zip_error_set(&source->error, ZIP_ER_CHANGED, 0);
            return -1;
        }
        if (!source->meter->advance(n, item.entry.name)) {
            zip_error_set(&source->error, ZIP_ER_CANCELLED, 0);
            return -1;
        }
        return n;
    }
    case ZIP_SOURCE_CLOSE:
        source->file.close();
        return 0;
    case ZIP_SOURCE_STAT: {
        auto *st = static_cast<zip_stat_t *>(data);
        zip_stat_init(st);
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        st->size = static_cast<zip_uint64_t>(item.entry.size);
        st->mtime = time(nullptr);
        return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&source->error, data, length);
    case ZIP_SOURCE_FREE:
        delete source;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&source->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

// Reads a file whole (the INI files), only when it is a regular one.
bool readSmallFile(const QString &path, QByteArray *bytes, QString *why)
{
    int error = 0;
    switch (NativeFile::readWhole(path, bytes, &error)) {
    case NativeFile::WholeRead::Done: return true;
    case NativeFile::WholeRead::Missing: *why = QString(); return false;
    case NativeFile::WholeRead::Refused: *why = QStringLiteral("non \u00E8 un file normale"); return false;
    case NativeFile::WholeRead::Failed: *why = NativeFile::errorText(error); return false;
    }
    return false;
}

// Measures an attachment: its size and CRC, read once.
bool measureFile(const QString &path, Entry *entry, Meter *meter, QString *why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        *why = file.errorString();
        return false;
    }
    QByteArray block(kChunk, Qt::Uninitialized);
    quint32 crc = crcOf(nullptr, 0, 0);
    qint64 size = 0;
    for (;;) {
        const qint64 n = file.read(block.data(), block.size());
        if (n < 0) {
            *why = file.errorString();
            return false;
        }
        if (n == 0)
            break;
        crc = crcOf(block.constData(), n, crc);
        size += n;
        if (!meter->advance(n, entry->name))
            return false;
    }
    entry->size = size;
    entry->crc = crc;
    return true;
}

void setCounts(Entry *entry, int recordSize)
{
    if (recordSize > 0) {
        entry->records = entry->size / recordSize;
        entry->trailing = entry->size % recordSize;
    }
}

struct ZipCloser {
    void operator()(zip_t *zip) const { zip_discard(zip); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipCloser>;

ZipHandle openZip(const QString &path, int flags, QString *why)
{
    // A backup to read is a regular file: a pipe or a device named like one
    // would make the zip reader wait for ever.
    if (!(flags & ZIP_CREATE) && !QFileInfo(path).isFile()) {
        *why = QStringLiteral("non \u00E8 un file normale");
        return ZipHandle();
    }
    int code = 0;
#ifdef Q_OS_WIN
    // libzip takes Windows file names in UTF-8, not in the ANSI code page: a
    // folder named with an accented letter would not open otherwise.
    const QByteArray name = path.toUtf8();
#else
    const QByteArray name = QFile::encodeName(path);
#endif
    zip_t *zip = zip_open(name.constData(), flags, &code);
    if (!zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        *why = zipError(&error);
        zip_error_fini(&error);
    }
    return ZipHandle(zip);
}

// Every regular file of the attachments folder, by its name in the zip.
bool listAttachments(const QString &dataFolder, std::vector<std::pair<QString, QString>> *files)
{
    const QString root = QDir(dataFolder).filePath(Attachments::folderName());
    if (!QFileInfo(root).isDir())
        return true;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (!info.isFile() || info.isSymLink())
            continue;
        files->emplace_back(Attachments::folderName() + QLatin1Char('/') + QDir(root).relativeFilePath(path), path);
    }
    std::sort(files->begin(), files->end());
    return true;
}

// A name inside a backup that may be written into the data folder: one of the
// program's files, or a path below the attachments folder without a way out.
bool safeEntryName(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('\\')) || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char(':')))
        return false;
    const QStringList parts = name.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    return belongsToBackup(name);
}

} // namespace

QString fileNameFor(const QDateTime &when)
{
    return QStringLiteral("Volantix_backup_") + when.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".zip");
}

std::optional<QDateTime> timeOfName(const QString &fileName)
{
    // "Volantix_backup_" + 8 digits + "_" + 6 digits + ".zip"
    static const QLatin1String prefix("Volantix_backup_");
    if (fileName.size() != prefix.size() + 15 + 4 || !fileName.startsWith(prefix) || !fileName.endsWith(QLatin1String(".zip"))
        || !digitsAt(fileName, prefix.size(), 8) || fileName[prefix.size() + 8] != u'_' || !digitsAt(fileName, prefix.size() + 9, 6))
        return std::nullopt;
    const QDateTime when = QDateTime::fromString(fileName.mid(prefix.size(), 15), QStringLiteral("yyyyMMdd_HHmmss"));
    if (!when.isValid())
        return std::nullopt;
    return when;
}

bool belongsToBackup(const QString &relativePath)
{
    if (relativePath.startsWith(Attachments::folderName() + QLatin1Char('/')))
        return relativePath.size() > Attachments::folderName().size() + 1;
    if (relativePath.contains(QLatin1Char('/')))
        return false;
    return singleFiles().contains(relativePath) || isLessonFile(relativePath);
}

QByteArray Manifest::text() const
{
    QByteArray out;
    out += "Volantix - copia di sicurezza\n";
    out += "versione\t" + version.toUtf8() + '\n';
    out += "creata\t" + created.toString(Qt::ISODate).toUtf8() + '\n';
    out += "file\t" + QByteArray::number(static_cast<qsizetype>(entries.size())) + '\n';
    out += "nome\tbyte\tcrc32\trecord\n";
    for (const Entry &entry : entries) {
        out += entry.name.toUtf8() + '\t' + QByteArray::number(entry.size) + '\t' +
               QByteArray::number(entry.crc, 16).rightJustified(8, '0') + '\t';
        if (entry.records >= 0) {
            out += QByteArray::number(entry.records);
            if (entry.trailing > 0)
                out += '+' + QByteArray::number(entry.trailing);
        }
        out += '\n';
    }
    return out;
}

std::optional<Manifest> Manifest::parse(const QByteArray &text)
{
    const QList<QByteArray> lines = text.split('\n');
    if (lines.size() < 5 || lines[0] != "Volantix - copia di sicurezza")
        return std::nullopt;
    Manifest manifest;
    const auto value = [&lines](int at, const char *key) -> std::optional<QByteArray> {
        const QByteArray prefix = QByteArray(key) + '\t';
        if (!lines[at].startsWith(prefix))
            return std::nullopt;
        return lines[at].mid(prefix.size());
    };
    const auto version = value(1, "versione");
    const auto created = value(2, "creata");
    const auto count = value(3, "file");
    if (!version || !created || !count || lines[4] != "nome\tbyte\tcrc32\trecord")
        return std::nullopt;
    manifest.version = QString::fromUtf8(*version);
    manifest.created = QDateTime::fromString(QString::fromUtf8(*created), Qt::ISODate);
    if (!manifest.created.isValid())
        return std::nullopt;
    bool ok = false;
    const qsizetype expected = count->toLongLong(&ok);
    if (!ok || expected < 0 || expected > lines.size())
        return std::nullopt;
    for (qsizetype i = 5; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QList<QByteArray> fields = lines[i].split('\t');
        if (fields.size() != 4)
            return std::nullopt;
        Entry entry;
        entry.name = QString::fromUtf8(fields[0]);
        bool sizeOk = false, crcOk = false;
        entry.size = fields[1].toLongLong(&sizeOk);
        entry.crc = fields[2].toUInt(&crcOk, 16);
        if (!sizeOk || !crcOk || entry.size < 0 || fields[2].size() != 8)
            return std::nullopt;
        if (!fields[3].isEmpty()) {
            const QList<QByteArray> parts = fields[3].split('+');
            bool recOk = false, trailOk = true;
            entry.records = parts[0].toLongLong(&recOk);
            if (parts.size() == 2)
                entry.trailing = parts[1].toLongLong(&trailOk);
            if (!recOk || !trailOk || parts.size() > 2 || entry.records < 0 || entry.trailing < 0)
                return std::nullopt;
        }
        manifest.entries.push_back(std::move(entry));
    }
    if (static_cast<qsizetype>(manifest.entries.size()) != expected)
        return std::nullopt;
    return manifest;
}

const Entry *Manifest::find(const QString &name) const
{
    for (const Entry &entry : entries) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

Result create(const QString &dataFolder, const QString &destinationFolder, const CreateOptions &options, const Progress &progress)
{
    const QDir data(dataFolder);
    if (!QDir().mkpath(destinationFolder))
        return failed(QStringLiteral("Impossibile creare la cartella della copia di sicurezza:\n%1").arg(QDir::toNativeSeparators(destinationFolder)),
                      FailureCause::AccessDenied);

    Meter meter;
    meter.progress = &progress;
    std::vector<Item> items;

    // The archives, each read whole under the writers' lock, one at a time, so
    // that no save is caught half done; then the INI files.
    QStringList recordFiles{QString::fromLatin1(StudentRecord::FileName), QString::fromLatin1(TT2112Record::FileName)};
    recordFiles += lessonFilesIn(data);
    std::vector<std::pair<QString, QString>> attachments;
    listAttachments(dataFolder, &attachments);
    qint64 attachmentBytes = 0;
    for (const auto &file : attachments)
        attachmentBytes += QFileInfo(file.second).size();
    // Measured, written and read back.
    meter.total = 3 * attachmentBytes;

    for (const QString &name : recordFiles) {
        const QString path = data.filePath(name);
        const QFileInfo info(path);
        if (!info.exists())
            continue;
        if (!info.isFile())
            return failed(QStringLiteral("Impossibile leggere %1: non \u00E8 un file normale.").arg(name), FailureCause::Damaged);
        Item item;
        item.entry.name = name;
        try {
            const auto held = options.held.find(path);
            if (held != options.held.end()) {
                item.bytes = held->second->ReadWhole(kRecordFileLimit);
            } else {
                RecordFile file;
                file.OpenOrCreate(path, recordSizeOf(name));
                file.LockWriters();
                item.bytes = file.ReadWhole(kRecordFileLimit);
                file.CloseRecordFile();
            }
        } catch (const RecordFileError &error) {
            if (error.cause() == FailureCause::InUse)
                return failed(QStringLiteral("Copia di sicurezza non eseguita: un'altra postazione sta salvando in %1 "
                                             "e non ha terminato entro il tempo di attesa. Riprovare tra poco.")
                                  .arg(name),
                              FailureCause::InUse);
            return failed(QStringLiteral("Copia di sicurezza non eseguita: impossibile leggere %1.").arg(name), error.cause());
        }
        item.entry.size = item.bytes.size();
        item.entry.crc = crcOf(item.bytes.constData(), item.bytes.size(), crcOf(nullptr, 0, 0));
        setCounts(&item.entry, recordSizeOf(name));
        meter.total += 2 * item.entry.size;
        if (!meter.advance(0, name))
            return cancelled();
        items.push_back(std::move(item));
    }
    for (const QString &name : {QStringLiteral("Autoscuola.ini"), QStringLiteral("unins000.dll")}) {
        Item item;
        item.entry.name = name;
        QString why;
        if (!readSmallFile(data.filePath(name), &item.bytes, &why)) {
            if (why.isEmpty())
                continue; // not there: nothing to keep
            return failed(QStringLiteral("Copia di sicurezza non eseguita: impossibile leggere %1 (%2).").arg(name, why));
        }
        item.entry.size = item.bytes.size();
        item.entry.crc = crcOf(item.bytes.constData(), item.bytes.size(), crcOf(nullptr, 0, 0));
        meter.total += 2 * item.entry.size;
        items.push_back(std::move(item));
    }
    for (const auto &[name, path] : attachments) {
        Item item;
        item.entry.name = name;
        item.filePath = path;
        QString why;
        if (!measureFile(path, &item.entry, &meter, &why)) {
            if (meter.stopped)
                return cancelled();
            return failed(QStringLiteral("Copia di sicurezza non eseguita: impossibile leggere l'allegato %1 (%2).").arg(name, why));
        }
        items.push_back(std::move(item));
    }

    Manifest manifest;
    manifest.version = options.version;
    manifest.created = options.now;
    for (const Item &item : items)
        manifest.entries.push_back(item.entry);
    const QByteArray manifestText = manifest.text();

    const QString finalPath = QDir(destinationFolder).filePath(fileNameFor(options.now));
    const QString partPath = finalPath + QStringLiteral(".part");
    QFile::remove(partPath);
    QString why;
    ZipHandle zip = openZip(partPath, ZIP_CREATE | ZIP_TRUNCATE, &why);
    if (!zip)
        return failed(QStringLiteral("Impossibile creare la copia di sicurezza in %1 (%2).").arg(QDir::toNativeSeparators(destinationFolder), why));
    const QByteArray password = options.password.toUtf8();
    const auto addEntry = [&](const QString &name, zip_source_t *source) -> bool {
        const zip_int64_t index = zip_file_add(zip.get(), name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            return false;
        }
        zip_set_file_compression(zip.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 6);
        if (!password.isEmpty() &&
            zip_file_set_encryption(zip.get(), static_cast<zip_uint64_t>(index), ZIP_EM_AES_256, password.constData()) != 0)
            return false;
        return true;
    };
    {
        zip_source_t *source = zip_source_buffer(zip.get(), manifestText.constData(), static_cast<zip_uint64_t>(manifestText.size()), 0);
        if (!source || !addEntry(QString::fromLatin1(kManifestName), source))
            return failed(QStringLiteral("Impossibile preparare la copia di sicurezza (%1).").arg(zipError(zip_get_error(zip.get()))));
    }
    for (const Item &item : items) {
        auto *state = new ItemSource;
        state->item = &item;
        state->meter = &meter;
        zip_source_t *source = zip_source_function(zip.get(), itemCallback, state);
        if (!source) {
            delete state;
            return failed(QStringLiteral("Impossibile preparare la copia di sicurezza (%1).").arg(zipError(zip_get_error(zip.get()))));
        }
        if (!addEntry(item.entry.name, source))
            return failed(QStringLiteral("Impossibile preparare la copia di sicurezza (%1).").arg(zipError(zip_get_error(zip.get()))));
    }
    if (zip_close(zip.get()) != 0) {
        zip_error_t *error = zip_get_error(zip.get());
        const bool stop = zip_error_code_zip(error) == ZIP_ER_CANCELLED || meter.stopped;
        const bool changed = zip_error_code_zip(error) == ZIP_ER_CHANGED || zip_error_code_zip(error) == ZIP_ER_READ;
        const QString text = zipError(error);
        const FailureCause cause = causeOfZipError(error);
        zip.reset();
        QFile::remove(partPath);
        if (stop)
            return cancelled();
        if (changed)
            return failed(QStringLiteral("Copia di sicurezza non eseguita: un allegato \u00E8 cambiato durante la copia. Riprovare."));
        return failed(QStringLiteral("Copia di sicurezza non eseguita: impossibile scrivere in %1 (%2).")
                          .arg(QDir::toNativeSeparators(destinationFolder), text),
                      cause);
    }
    zip.release(); // closed and freed by zip_close
    // On the disk before it is read back.
    {
        int error = 0;
        QString refusal;
        const NativeFile::Handle handle = NativeFile::openShared(partPath, true, &error, &refusal);
        const bool flushed = handle != NativeFile::kNoHandle && NativeFile::flush(handle, &error);
        if (handle != NativeFile::kNoHandle)
            NativeFile::close(handle, &error);
        if (!flushed) {
            QFile::remove(partPath);
            return failed(QStringLiteral("Copia di sicurezza non eseguita: impossibile scrivere in %1.").arg(QDir::toNativeSeparators(destinationFolder)),
                          causeOfSystemError(error));
        }
    }

    Manifest readBack;
    const qint64 base = meter.done;
    Result verified = verify(
        partPath, options.password,
        [&meter, base](qint64 done, qint64, const QString &file) {
            meter.done = base;
            return meter.advance(done, file);
        },
        &readBack);
    if (!verified.ok()) {
        QFile::remove(partPath);
        if (verified.outcome == Outcome::Cancelled)
            return cancelled();
        return failed(QStringLiteral("La copia di sicurezza non ha superato la verifica ed \u00E8 stata eliminata.\n%1").arg(verified.message));
    }
    // The verified zip must hold what was read, not only agree with itself.
    if (readBack.text() != manifestText) {
        QFile::remove(partPath);
        return failed(QStringLiteral("La copia di sicurezza non ha superato la verifica ed \u00E8 stata eliminata: il suo elenco non corrisponde ai dati letti."));
    }
    int error = 0;
    if (QFileInfo::exists(finalPath) || !NativeFile::replace(partPath, finalPath, &error)) {
        QFile::remove(partPath);
        return failed(QStringLiteral("Copia di sicurezza non eseguita: impossibile dare il nome a %1.").arg(fileNameFor(options.now)),
                      causeOfSystemError(error));
    }
    Result result;
    result.outcome = Outcome::Done;
    result.path = finalPath;
    result.size = QFileInfo(finalPath).size();
    return result;
}

namespace {

// Reads one entry whole into `sink` (may be null), with its CRC and size.
// Takes each block of an entry as it is read; false stops the reading, with the
// reason in `why` (and ZIP_ER_CANCELLED in `zipCode` when the user stopped it).
using BlockSink = std::function<bool(const char *data, qint64 n, QString *why, int *zipCode)>;

// Reads one entry whole, with its CRC and size, handing every block to `each`.
bool readEntry(zip_t *zip, zip_uint64_t index, quint32 *crc, qint64 *size, const BlockSink &each, int *zipCode, QString *why)
{
    zip_file_t *file = zip_fopen_index(zip, index, 0);
    if (!file) {
        *zipCode = zip_error_code_zip(zip_get_error(zip));
        *why = zipError(zip_get_error(zip));
        return false;
    }
    QByteArray block(kChunk, Qt::Uninitialized);
    *crc = crcOf(nullptr, 0, 0);
    *size = 0;
    bool ok = true;
    for (;;) {
        const zip_int64_t n = zip_fread(file, block.data(), static_cast<zip_uint64_t>(block.size()));
        if (n < 0) {
            *zipCode = zip_error_code_zip(zip_file_get_error(file));
            *why = zipError(zip_file_get_error(file));
            ok = false;
            break;
        }
        if (n == 0)
            break;
        *crc = crcOf(block.constData(), n, *crc);
        *size += n;
        if (each && !each(block.constData(), n, why, zipCode)) {
            ok = false;
            break;
        }
    }
    zip_fclose(file);
    return ok;
}

// A sink that counts each block on `meter`, so that the user may stop the reading.
BlockSink metered(Meter *meter, const QString &name)
{
    return [meter, name](const char *, qint64 n, QString *, int *zipCode) {
        if (meter->advance(n, name))
            return true;
        *zipCode = ZIP_ER_CANCELLED;
        return false;
    };
}

Result wrongPassword(bool given)
{
    Result result;
    result.outcome = Outcome::WrongPassword;
    result.message = given ? QStringLiteral("La password della copia di sicurezza non \u00E8 corretta.")
                           : QStringLiteral("La copia di sicurezza \u00E8 protetta da password: senza la password non si pu\u00F2 leggere.");
    return result;
}

// Opens a backup and reads its manifest.
struct Opened {
    ZipHandle zip;
    Manifest manifest;
    zip_int64_t manifestIndex = -1;
};

Result openBackup(const QString &zipPath, const QString &password, Opened *opened)
{
    const QFileInfo info(zipPath);
    if (!info.isFile())
        return failed(QStringLiteral("Il file %1 non esiste o non \u00E8 un file.").arg(QDir::toNativeSeparators(zipPath)));
    QString why;
    opened->zip = openZip(zipPath, ZIP_RDONLY | ZIP_CHECKCONS, &why);
    if (!opened->zip)
        return failed(QStringLiteral("%1 non \u00E8 una copia di sicurezza leggibile (%2).").arg(info.fileName(), why), FailureCause::Damaged);
    zip_t *zip = opened->zip.get();
    const QByteArray secret = password.toUtf8();
    if (!secret.isEmpty())
        zip_set_default_password(zip, secret.constData());
    opened->manifestIndex = zip_name_locate(zip, kManifestName, 0);
    if (opened->manifestIndex < 0)
        return failed(QStringLiteral("%1 non \u00E8 una copia di sicurezza di Volantix: manca l'elenco del contenuto.").arg(info.fileName()),
                      FailureCause::Damaged);
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip, static_cast<zip_uint64_t>(opened->manifestIndex), 0, &st) == 0 && (st.valid & ZIP_STAT_ENCRYPTION_METHOD) &&
        st.encryption_method != ZIP_EM_NONE && secret.isEmpty())
        return wrongPassword(false);
    QByteArray text;
    quint32 crc = 0;
    qint64 size = 0;
    int code = 0;
    const BlockSink keep = [&text](const char *data, qint64 n, QString *tooLong, int *) {
        if (text.size() + n > kManifestLimit) {
            *tooLong = QStringLiteral("troppo grande");
            return false;
        }
        text.append(data, n);
        return true;
    };
    if (!readEntry(zip, static_cast<zip_uint64_t>(opened->manifestIndex), &crc, &size, keep, &code, &why)) {
        if (code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_NOPASSWD)
            return wrongPassword(!secret.isEmpty());
        return failed(QStringLiteral("Impossibile leggere l'elenco del contenuto di %1 (%2).").arg(info.fileName(), why), FailureCause::Damaged);
    }
    const std::optional<Manifest> manifest = Manifest::parse(text);
    if (!manifest)
        return failed(QStringLiteral("L'elenco del contenuto di %1 \u00E8 danneggiato.").arg(info.fileName()), FailureCause::Damaged);
    opened->manifest = *manifest;
    Result result;
    result.outcome = Outcome::Done;
    return result;
}

// Every entry of the zip is in its manifest, once, and every manifest entry is
// in the zip: the names only, without reading the data.
Result checkNames(const Opened &opened, const QString &fileName)
{
    zip_t *zip = opened.zip.get();
    const Manifest &manifest = opened.manifest;
    std::vector<bool> seen(manifest.entries.size(), false);
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        if (i == opened.manifestIndex)
            continue;
        const char *raw = zip_get_name(zip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        const QString name = raw ? QString::fromUtf8(raw) : QString();
        const auto found = std::find_if(manifest.entries.begin(), manifest.entries.end(),
                                        [&name](const Entry &entry) { return entry.name == name; });
        if (found == manifest.entries.end() || seen[static_cast<std::size_t>(found - manifest.entries.begin())])
            return failed(QStringLiteral("%1 contiene un file che il suo elenco non riporta: %2.").arg(fileName, name), FailureCause::Damaged);
        seen[static_cast<std::size_t>(found - manifest.entries.begin())] = true;
    }
    for (std::size_t i = 0; i < seen.size(); ++i) {
        if (!seen[i])
            return failed(QStringLiteral("%1 \u00E8 incompleta: manca il file %2.").arg(fileName, manifest.entries[i].name), FailureCause::Damaged);
    }
    Result result;
    result.outcome = Outcome::Done;
    return result;
}

} // namespace

Result verify(const QString &zipPath, const QString &password, const Progress &progress, Manifest *manifestOut)
{
    Opened opened;
    const QString fileName = QFileInfo(zipPath).fileName();
    Result result = openBackup(zipPath, password, &opened);
    if (result.ok())
        result = checkNames(opened, fileName);
    if (!result.ok())
        return result;
    zip_t *zip = opened.zip.get();
    const Manifest &manifest = opened.manifest;
    Meter meter;
    meter.progress = &progress;
    for (const Entry &entry : manifest.entries)
        meter.total += entry.size;
    for (const Entry &entry : manifest.entries) {
        const QString &name = entry.name;
        const zip_int64_t index = zip_name_locate(zip, name.toUtf8().constData(), ZIP_FL_ENC_UTF_8);
        quint32 crc = 0;
        qint64 size = 0;
        int code = 0;
        QString why;
        if (index < 0 || !readEntry(zip, static_cast<zip_uint64_t>(index), &crc, &size, metered(&meter, name), &code, &why)) {
            if (code == ZIP_ER_CANCELLED)
                return cancelled();
            if (code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_NOPASSWD)
                return wrongPassword(!password.isEmpty());
            return failed(QStringLiteral("%1 \u00E8 danneggiata: il file %2 non si legge (%3).").arg(fileName, name, why), FailureCause::Damaged);
        }
        if (size != entry.size || crc != entry.crc)
            return failed(QStringLiteral("%1 \u00E8 danneggiata: il file %2 non corrisponde a quanto letto al momento della copia.").arg(fileName, name),
                          FailureCause::Damaged);
        const int recordSize = recordSizeOf(name);
        if (recordSize > 0 && (entry.records != size / recordSize || entry.trailing != size % recordSize))
            return failed(QStringLiteral("%1 \u00E8 danneggiata: l'archivio %2 non contiene i record attesi.").arg(fileName, name),
                          FailureCause::Damaged);
    }
    if (manifestOut)
        *manifestOut = manifest;
    result.outcome = Outcome::Done;
    result.path = zipPath;
    result.size = QFileInfo(zipPath).size();
    return result;
}

std::optional<bool> isEncrypted(const QString &zipPath)
{
    QString why;
    ZipHandle zip = openZip(zipPath, ZIP_RDONLY, &why);
    if (!zip)
        return std::nullopt;
    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip.get(), static_cast<zip_uint64_t>(i), 0, &st) == 0 && (st.valid & ZIP_STAT_ENCRYPTION_METHOD) &&
            st.encryption_method != ZIP_EM_NONE)
            return true;
    }
    return false;
}

Result preview(const QString &zipPath, const QString &password, Preview *out)
{
    Opened opened;
    Result result = openBackup(zipPath, password, &opened);
    if (!result.ok())
        return result;
    Preview preview;
    preview.manifest = opened.manifest;
    for (const Entry &entry : opened.manifest.entries) {
        if (entry.name == QLatin1String(StudentRecord::FileName))
            preview.students = static_cast<int>(entry.records);
        else if (entry.name == QLatin1String(TT2112Record::FileName))
            preview.forms = static_cast<int>(entry.records);
        else if (isLessonFile(entry.name))
            ++preview.lessonFiles;
        else if (entry.name.startsWith(Attachments::folderName() + QLatin1Char('/')))
            ++preview.attachments;
    }
    // The first students, read from the zipped archive.
    const zip_int64_t index = zip_name_locate(opened.zip.get(), StudentRecord::FileName, 0);
    if (index >= 0) {
        zip_file_t *file = zip_fopen_index(opened.zip.get(), static_cast<zip_uint64_t>(index), 0);
        if (file) {
            RecordBuffer record(StudentRecord::layout());
            for (int i = 0; i < kFirstStudents; ++i) {
                if (zip_fread(file, record.data(), StudentRecord::Size) != StudentRecord::Size)
                    break;
                const QString name =
                    record.text(StudentRecord::txtCognome).trimmed() + QLatin1Char(' ') + record.text(StudentRecord::txtNome).trimmed();
                preview.firstStudents.push_back(name.trimmed());
            }
            zip_fclose(file);
        }
    }
    *out = std::move(preview);
    result.path = zipPath;
    result.size = QFileInfo(zipPath).size();
    return result;
}

std::vector<Found> list(const QString &folder)
{
    std::vector<Found> found;
    const QDir dir(folder);
    for (const QFileInfo &info : dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot)) {
        const std::optional<QDateTime> when = timeOfName(info.fileName());
        if (when && info.isFile())
            found.push_back({info.filePath(), *when, info.size()});
    }
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) { return a.when > b.when; });
    return found;
}

QStringList rotate(const QString &folder, int keep)
{
    QStringList removed;
    const std::vector<Found> backups = list(folder);
    for (std::size_t i = static_cast<std::size_t>(std::max(1, keep)); i < backups.size(); ++i) {
        if (QFile::remove(backups[i].path))
            removed.push_back(QFileInfo(backups[i].path).fileName());
    }
    return removed;
}

void setRestoreFaultAfter(int swapped)
{
    g_restoreFaultAfter = swapped;
}

namespace {

// Extracts one entry into `path` through the whole-file writer, checking it
// against the manifest.
bool extractEntry(zip_t *zip, zip_uint64_t index, const Entry &entry, const QString &path, Meter *meter, QString *why, int *code)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        *why = QStringLiteral("impossibile creare la cartella");
        return false;
    }
    FileReplacement out(path);
    out.joinBatch(); // one flush for the whole backup, before the swap
    if (!out.open(QIODevice::WriteOnly)) {
        *why = NativeFile::errorText(out.systemError());
        return false;
    }
    const BlockSink count = metered(meter, entry.name);
    const BlockSink write = [&out, &count](const char *data, qint64 n, QString *failure, int *zipCode) {
        if (out.write(data, n) != n) {
            *failure = NativeFile::errorText(out.systemError());
            return false;
        }
        return count(data, n, failure, zipCode);
    };
    quint32 crc = 0;
    qint64 size = 0;
    if (!readEntry(zip, index, &crc, &size, write, code, why))
        return false;
    if (size != entry.size || crc != entry.crc) {
        *why = QStringLiteral("il contenuto non corrisponde all'elenco");
        return false;
    }
    if (!out.commit()) {
        *why = NativeFile::errorText(out.systemError());
        return false;
    }
    return true;
}

// The first component of a path in a backup: what is swapped as one piece.
QString topLevel(const QString &name)
{
    return name.section(QLatin1Char('/'), 0, 0);
}

bool removeTree(const QString &path)
{
    QDir dir(path);
    return !dir.exists() || dir.removeRecursively();
}

} // namespace

Result restore(const QString &zipPath, const QString &dataFolder, const RestoreOptions &options, const Progress &progress)
{
    const QDir data(dataFolder);
    const QString fileName = QFileInfo(zipPath).fileName();
    // Its manifest and names are checked before anything is touched; every entry's
    // data are checked against the manifest as they are extracted, before the swap.
    Manifest manifest;
    {
        Opened opened;
        Result checked = openBackup(zipPath, options.password, &opened);
        if (checked.ok())
            checked = checkNames(opened, fileName);
        if (!checked.ok())
            return checked;
        manifest = opened.manifest;
    }
    for (const Entry &entry : manifest.entries) {
        if (!safeEntryName(entry.name))
            return failed(QStringLiteral("%1 contiene un file che non appartiene ai dati del programma: %2. Ripristino annullato.").arg(fileName, entry.name),
                          FailureCause::Damaged);
    }

    // No other copy of the program may write the archives meanwhile.
    std::vector<std::unique_ptr<RecordFile>> locked;
    std::map<QString, RecordFile *> held;
    QStringList archives{QString::fromLatin1(StudentRecord::FileName), QString::fromLatin1(TT2112Record::FileName)};
    const QStringList currentLessons = lessonFilesIn(data);
    try {
        for (const QString &name : archives + currentLessons) {
            const QString path = data.filePath(name);
            if (!QFileInfo(path).isFile())
                continue;
            auto file = std::make_unique<RecordFile>();
            file->OpenOrCreate(path, recordSizeOf(name));
            file->LockWriters();
            if (recordSizeOf(name) == LessonRecord::Size) {
                // A lesson file is only checked: the archives' locks are what
                // every save of the program waits for first.
                file->CloseRecordFile();
                continue;
            }
            held.emplace(path, file.get());
            locked.push_back(std::move(file));
        }
    } catch (const RecordFileError &error) {
        if (error.cause() == FailureCause::InUse)
            return failed(QStringLiteral("Ripristino non eseguito: un'altra copia del programma sta usando gli archivi. "
                                         "Chiudere il programma sulle altre postazioni e riprovare."),
                          FailureCause::InUse);
        return failed(QStringLiteral("Ripristino non eseguito: impossibile accedere agli archivi."), error.cause());
    }

    // Extracted beside the data, on the same disk, so that each piece moves in one step.
    const QString work = data.filePath(QStringLiteral(".ripristino_") + options.now.toString(QStringLiteral("yyyyMMdd_HHmmss")));
    const QString fresh = work + QStringLiteral("/nuovi");
    const QString former = work + QStringLiteral("/precedenti");
    removeTree(work);
    if (!QDir().mkpath(fresh) || !QDir().mkpath(former)) {
        removeTree(work);
        return failed(QStringLiteral("Ripristino non eseguito: impossibile creare una cartella di lavoro in %1.").arg(QDir::toNativeSeparators(dataFolder)),
                      FailureCause::AccessDenied);
    }
    {
        Opened opened;
        Result open = openBackup(zipPath, options.password, &opened);
        if (!open.ok()) {
            removeTree(work);
            return open;
        }
        Meter meter;
        meter.progress = &progress;
        for (const Entry &entry : manifest.entries)
            meter.total += entry.size;
        for (const Entry &entry : manifest.entries) {
            const zip_int64_t index = zip_name_locate(opened.zip.get(), entry.name.toUtf8().constData(), ZIP_FL_ENC_UTF_8);
            QString why;
            int code = 0;
            if (index < 0 || !extractEntry(opened.zip.get(), static_cast<zip_uint64_t>(index), entry, fresh + QLatin1Char('/') + entry.name, &meter, &why, &code)) {
                removeTree(work);
                if (code == ZIP_ER_CANCELLED)
                    return cancelled();
                return failed(QStringLiteral("Ripristino non eseguito: impossibile estrarre %1 (%2). I dati attuali non sono stati toccati.").arg(entry.name, why));
            }
        }
    }
    // Every extracted file on the disk before any of them takes the place of the data.
    if (int error = 0; !NativeFile::syncFileSystem(fresh, &error)) {
        removeTree(work);
        return failed(QStringLiteral("Ripristino non eseguito: i file estratti non si possono scrivere sul disco. I dati attuali non sono stati toccati."),
                      causeOfSystemError(error));
    }

    // A backup of the data as they are, before anything of them is touched (and
    // only for a backup that extracted whole: a damaged one adds no file).
    CreateOptions safety;
    safety.password = options.safetyPassword;
    safety.now = options.now;
    safety.version = options.version;
    safety.held = held;
    const Result saved = create(dataFolder, options.safetyFolder, safety, progress);
    if (!saved.ok()) {
        removeTree(work);
        if (saved.outcome == Outcome::Cancelled)
            return saved;
        return failed(QStringLiteral("Ripristino non eseguito: la copia di sicurezza dei dati attuali non \u00E8 riuscita.\n%1").arg(saved.message),
                      saved.cause);
    }

    // What is swapped: every piece of the backup, and every piece of the current
    // data of the same kinds (a lesson file the backup does not have goes away).
    QStringList pieces;
    for (const Entry &entry : manifest.entries) {
        const QString piece = topLevel(entry.name);
        if (!pieces.contains(piece))
            pieces.push_back(piece);
    }
    for (const QString &name : singleFiles() + currentLessons + QStringList{Attachments::folderName()}) {
        if (QFileInfo::exists(data.filePath(name)) && !pieces.contains(name))
            pieces.push_back(name);
    }
    struct Step {
        QString piece;
        bool movedOld = false;
        bool movedNew = false;
    };
    std::vector<Step> journal;
    QString failure;
    const int faultAfter = g_restoreFaultAfter.load();
    for (const QString &piece : pieces) {
        if (faultAfter >= 0 && static_cast<int>(journal.size()) >= faultAfter) {
            failure = QStringLiteral("interruzione di prova");
            break;
        }
        Step step{piece};
        const QString current = data.filePath(piece);
        if (QFileInfo::exists(current) || QFileInfo(current).isSymLink()) {
            if (!QDir().rename(current, former + QLatin1Char('/') + piece)) {
                failure = QStringLiteral("impossibile spostare %1").arg(piece);
                break;
            }
            step.movedOld = true;
        }
        journal.push_back(step);
        const QString incoming = fresh + QLatin1Char('/') + piece;
        if (QFileInfo::exists(incoming)) {
            if (!QDir().rename(incoming, current)) {
                failure = QStringLiteral("impossibile mettere al suo posto %1").arg(piece);
                break;
            }
            journal.back().movedNew = true;
        }
    }
    if (!failure.isEmpty()) {
        // Everything back as it was.
        bool undone = true;
        for (auto it = journal.rbegin(); it != journal.rend(); ++it) {
            const QString current = data.filePath(it->piece);
            if (it->movedNew && !QDir().rename(current, fresh + QLatin1Char('/') + it->piece))
                undone = false;
            if (it->movedOld && !QDir().rename(former + QLatin1Char('/') + it->piece, current))
                undone = false;
        }
        if (!undone)
            return failed(QStringLiteral("Ripristino interrotto (%1) e i dati attuali non sono stati rimessi tutti al loro posto. "
                                         "Non usare il programma: i dati precedenti si trovano in %2 e nella copia di sicurezza %3.")
                              .arg(failure, QDir::toNativeSeparators(former), QDir::toNativeSeparators(saved.path)));
        removeTree(work);
        return failed(QStringLiteral("Ripristino non eseguito (%1). I dati attuali sono stati rimessi come erano.").arg(failure));
    }
    locked.clear();
    // The new names on the disk too.
    if (int error = 0; !NativeFile::syncFileSystem(dataFolder, &error))
        return failed(QStringLiteral("I dati della copia sono stati messi al loro posto, ma il disco non ha confermato la scrittura. "
                                     "Verificare il disco; i dati precedenti si trovano in %1 e nella copia di sicurezza %2.")
                          .arg(QDir::toNativeSeparators(former), QDir::toNativeSeparators(saved.path)),
                      causeOfSystemError(error));
    removeTree(work);
    Result result;
    result.outcome = Outcome::Done;
    result.path = saved.path;
    result.size = saved.size;
    return result;
}

} // namespace Backup
