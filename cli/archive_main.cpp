#include "cli/ArchiveTool.h"
#include "storage/NativeFile.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char *argv[])
{
    // A file size limit makes an append fail, rolled back, instead of ending the tool.
    NativeFile::ignoreFileSizeSignal();
    QCoreApplication app(argc, argv);
#ifdef Q_OS_WIN
    // Bytes in and out as they are, with no line-break translation: the same
    // output on every platform, and binary records through pipes.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    QFile in;
    QFile out;
    QFile err;
    // By descriptor, not by C stream: reading a pipe to its end is then no error
    // on Windows either.
    if (!in.open(fileno(stdin), QIODevice::ReadOnly) || !out.open(fileno(stdout), QIODevice::WriteOnly)
        || !err.open(fileno(stderr), QIODevice::WriteOnly)) {
        std::fputs("volantix-archive: cannot use the standard input and output\n", stderr);
        return 2;
    }
    return ArchiveTool::run(QCoreApplication::arguments().mid(1), in, out, err);
}
