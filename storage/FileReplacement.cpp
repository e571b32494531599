#include "storage/FileReplacement.h"

#include "storage/NativeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <utility>

namespace {

FileReplacement::Fault g_fault = FileReplacement::Fault::None;

// Characters of the target's name in the temporary file's name.
constexpr qsizetype kStemLength = 64;

using NativeFile::Condition;

// A temporary file of this age that still lies beside its target was left by a
// replacement that never ended (a program killed, a computer switched off).
constexpr qint64 kLeftoverAgeSeconds = 10 * 60;

QString temporaryPrefix(const QString &folder, const QString &stem)
{
    return folder + QStringLiteral("/.") + stem + QLatin1Char('.');
}

// Removes the temporary files of earlier replacements of the same target that
// were never committed nor discarded: names made exactly as open() makes them for
// this target, regular files, untouched for ten minutes. A replacement still in
// progress is never taken for one: it writes its file from start to end without
// pausing for minutes (its time of change keeps moving), and on Windows a file
// being written cannot be deleted at all, as it is created unshared.
void removeLeftovers(const QString &folder, const QString &stem, const QString &own)
{
    const QRegularExpression pattern(QLatin1Char('^') + QRegularExpression::escape(QLatin1Char('.') + stem + QLatin1Char('.'))
                                     + QStringLiteral("[0-9a-f]{1,8}\\.tmp$"));
    const QDateTime oldest = QDateTime::currentDateTimeUtc().addSecs(-kLeftoverAgeSeconds);
    // Only names of this target's pattern are looked at (an attachments folder may
    // hold thousands of files); the expression then checks them exactly.
    const QFileInfoList entries = QDir(folder).entryInfoList({QLatin1Char('.') + stem + QStringLiteral(".*.tmp")},
                                                             QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        if (!pattern.match(entry.fileName()).hasMatch() || entry.isSymLink() || entry.absoluteFilePath() == own)
            continue;
        if (entry.lastModified().toUTC() < oldest)
            NativeFile::remove(entry.absoluteFilePath());
    }
}

} // namespace

void FileReplacement::setFault(Fault fault)
{
    g_fault = fault;
}

FileReplacement::FileReplacement(const QString &path, QObject *parent)
    : QIODevice(parent)
{
    // A link stays a link: the file it points to is the one replaced.
    const QFileInfo info(path);
    m_target = info.isSymbolicLink() ? info.symLinkTarget() : path;
}

FileReplacement::~FileReplacement()
{
    discard();
}

bool FileReplacement::open(OpenMode mode)
{
    if (isOpen() || (mode & ~(QIODevice::Truncate | QIODevice::Unbuffered)) != QIODevice::WriteOnly)
        return false;
    m_error = 0;
    m_written = 0;
    const QFileInfo target(m_target);
    const QString folder = target.absolutePath();
    if (g_fault == Fault::Create) {
        fail(NativeFile::errorFor(Condition::AccessDenied));
        return false;
    }
    // A read-only file is not replaced, as writing it in place would be refused
    // (Windows refuses to rename over it; POSIX would let the rename through).
    if (NativeFile::isReadOnly(m_target)) {
        fail(NativeFile::errorFor(Condition::AccessDenied));
        return false;
    }
    // Named after the target, but no longer than a name the file system takes
    // whatever the target's length: the random part makes it unique.
    QString stem = target.fileName().left(kStemLength);
    if (!stem.isEmpty() && stem.back().isHighSurrogate())
        stem.chop(1);
    int error = 0;
    for (int attempt = 0; attempt < 100 && m_file == NativeFile::kNoHandle; ++attempt) {
        m_temporary = temporaryPrefix(folder, stem) + QString::number(QRandomGenerator::global()->generate(), 16) + QStringLiteral(".tmp");
        bool taken = false;
        m_file = NativeFile::createNew(m_temporary, &error, &taken);
        if (m_file == NativeFile::kNoHandle && !taken)
            break;
    }
    if (m_file == NativeFile::kNoHandle) {
        m_temporary.clear();
        fail(error);
        return false;
    }
    // The new file keeps the permissions of the one it replaces.
    NativeFile::copyPermissions(m_target, m_file);
    if (!m_batch)
        removeLeftovers(folder, stem, QFileInfo(m_temporary).absoluteFilePath());
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 FileReplacement::readData(char *, qint64)
{
    return -1;
}

qint64 FileReplacement::writeData(const char *data, qint64 size)
{
    if (m_file == NativeFile::kNoHandle || m_error != 0)
        return -1;
    if (g_fault == Fault::Write && size > 0) {
        fail(NativeFile::errorFor(Condition::DiskFull));
        return -1;
    }
    qint64 done = 0;
    while (done < size) {
        int error = 0;
        const qint64 n = NativeFile::write(m_file, data + done, size - done, &error);
        if (n <= 0) {
            fail(n < 0 ? error : NativeFile::errorFor(Condition::DiskFull));
            return -1;
        }
        done += n;
    }
    m_written += done;
    return done;
}

bool FileReplacement::commit()
{
    if (!isOpen() || m_file == NativeFile::kNoHandle) {
        discard();
        return false;
    }
    int error = 0;
    if (m_error == 0) {
        if (g_fault == Fault::Flush)
            fail(NativeFile::errorFor(Condition::Io));
        else if (!m_deferFlush && !NativeFile::flush(m_file, &error))
            fail(error);
    }
    if (m_error == 0) {
        if (!NativeFile::close(std::exchange(m_file, NativeFile::kNoHandle), &error))
            fail(error);
    }
    if (m_error == 0) {
        if (g_fault == Fault::Rename || NativeFile::isReadOnly(m_target))
            fail(NativeFile::errorFor(Condition::AccessDenied));
        else if (!(m_deferFlush ? NativeFile::replaceLater(m_temporary, m_target, &error)
                                : NativeFile::replace(m_temporary, m_target, &error)))
            fail(error);
    }
    if (m_error != 0) {
        discard();
        return false;
    }
    m_temporary.clear();
    QIODevice::close();
    return true;
}

void FileReplacement::discard()
{
    removeTemporary();
    if (isOpen())
        QIODevice::close();
}

void FileReplacement::removeTemporary()
{
    if (m_file != NativeFile::kNoHandle) {
        int ignored = 0;
        NativeFile::close(std::exchange(m_file, NativeFile::kNoHandle), &ignored);
    }
    if (!m_temporary.isEmpty())
        NativeFile::remove(std::exchange(m_temporary, QString()));
}

void FileReplacement::fail(int error)
{
    if (m_error == 0) {
        m_error = error != 0 ? error : NativeFile::errorFor(Condition::Io);
        setErrorString(NativeFile::errorText(m_error));
    }
}

bool FileReplacement::replace(const QString &path, QByteArrayView bytes)
{
    FileReplacement file(path);
    if (!file.open())
        return false;
    if (!bytes.isEmpty() && file.write(bytes.data(), bytes.size()) != bytes.size()) {
        file.discard();
        return false;
    }
    return file.commit();
}
