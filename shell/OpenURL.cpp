#include "shell/OpenURL.h"

#include "shell/OpenTarget.h"

#include <QDesktopServices>

namespace {

TMisc::ShellOpener &shellOpener()
{
    static TMisc::ShellOpener opener;
    return opener;
}

} // namespace

void TMisc::Open(const QString &sCommand)
{
    const QUrl url = OpenTarget::resolve(sCommand);
    if (!url.isValid() || url.isEmpty())
        return;
    if (shellOpener())
        shellOpener()(url);
    else
        QDesktopServices::openUrl(url);
}

void TMisc::setShellOpener(ShellOpener opener)
{
    shellOpener() = std::move(opener);
}
