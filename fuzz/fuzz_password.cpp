// The password store: any stored value unscrambles or is refused, never crashes;
// a whole value scrambles back to itself; the login check reads any store.
#include "access/Crypt.h"
#include "access/PasswordStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_password";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    const QString value = QString::fromLatin1(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (const std::optional<QString> plain = UnscramblePassword(value)) {
        const QString whole = value.left(value.size() / 2 * 2).toUpper();
        if (ScramblePassword(*plain) != whole)
            __builtin_trap();
    }
    const QString store = dir.filePath(QStringLiteral("unins000.dll"));
    QFile file(store);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write("[Accesso]\r\nValore=");
        file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
        file.close();
        (void)PasswordCheck::checkLogin(store, QStringLiteral("passacorridoio"));
    }
    return 0;
}
