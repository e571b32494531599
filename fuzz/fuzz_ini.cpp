// INI files as another program may have written them: a key reads, and a key
// written reads back as written, with the rest of the file kept.
#include "storage/IniFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_ini";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Autoscuola.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    file.close();
    const QString section = QStringLiteral("Modello TT2112");
    const QString key = QStringLiteral("Codice Autoscuola");
    (void)IniFile::read(path, section, key);
    const QString value = QStringLiteral("AS 01 \u00E0\u20AC");
    if (IniFile::writeValue(path, section, key, value) && IniFile::readValue(path, section, key) != value)
        __builtin_trap();
    return 0;
}
