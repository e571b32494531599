// Puts the first-access password store into a new program folder.
// Usage: volantix-init-store FOLDER. An existing store is left untouched.

#include "access/PasswordStore.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fputs("usage: volantix-init-store FOLDER\n", stderr);
        return 2;
    }
    const QString folder = args.at(1);
    if (!QDir(folder).exists()) {
        std::fprintf(stderr, "volantix-init-store: no such folder: %s\n", qPrintable(folder));
        return 2;
    }
    const QString store = QDir(folder).filePath(PasswordStore::fileName());
    if (!PasswordStore::createIfAbsent(store)) {
        std::fprintf(stderr, "volantix-init-store: cannot write %s\n", qPrintable(store));
        return 1;
    }
    return 0;
}
