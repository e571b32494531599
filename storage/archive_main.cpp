#include "storage/ArchiveTool.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QFile in;
    QFile out;
    QFile err;
    if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly)
        || !err.open(stderr, QIODevice::WriteOnly)) {
        std::fputs("volantix-archive: cannot use the standard input and output\n", stderr);
        return 2;
    }
    return ArchiveTool::run(QCoreApplication::arguments().mid(1), in, out, err);
}
