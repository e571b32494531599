// Records of the three layouts, as a damaged or foreign file may hold them:
// loading every field, and the support tool's check and dump of such a file.
#include "cli/ArchiveTool.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_records";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    if (size == 0)
        return 0;
    const RecordLayout *layouts[] = {&TT2112Record::layout(), &StudentRecord::layout(), &LessonRecord::layout()};
    const RecordLayout &layout = *layouts[data[0] % 3];
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));

    // Every field of every whole record loads, and a value never exceeds its field.
    RecordBuffer record(layout);
    for (qsizetype at = 0; at + layout.recordSize <= bytes.size(); at += layout.recordSize) {
        record.setBytes(QByteArrayView(bytes).sliced(at, layout.recordSize));
        for (int i = 0; i < layout.fieldCount(); ++i) {
            if (record.text(i).size() > layout.field(i).maxLength)
                __builtin_trap();
            (void)record.yesNo(i);
        }
    }

    // The tool reads the same bytes as a file.
    const QString path = dir.filePath(QString::fromLatin1(layout.kind.data(), static_cast<qsizetype>(layout.kind.size())) + QStringLiteral(".bin"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(bytes);
    file.close();
    const QString kind = QString::fromLatin1(layout.kind.data(), static_cast<qsizetype>(layout.kind.size()));
    for (const char *command : {"check", "dump"}) {
        QBuffer in;
        QBuffer out;
        QBuffer err;
        in.open(QIODevice::ReadOnly);
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        const int code = ArchiveTool::run({QLatin1String(command), path, QStringLiteral("--kind"), kind}, in, out, err);
        if (code == 2)
            __builtin_trap(); // a readable file is never bad input
    }
    return 0;
}
