#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// Hands a file, a web address or a mail address to the desktop's default handler.
class TMisc
{
public:
    // `sCommand` may be wrapped in double quotes, which are not part of the target.
    // The result of the shell is not examined and nothing is reported.
    static void Open(const QString &sCommand);

    // The operation that actually asks the desktop; tests record the URL instead.
    using ShellOpener = std::function<void(const QUrl &)>;
    static void setShellOpener(ShellOpener opener); // empty: the desktop's handler
};
