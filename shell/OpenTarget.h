#pragma once

#include <QString>
#include <QUrl>

// How a target handed to the shell is understood: surrounding double quotes are
// removed; a web or mail address becomes a URL (the subject and body of a mail
// address percent-encoded); anything else is a local file path.
namespace OpenTarget {

QUrl resolve(const QString &command);

} // namespace OpenTarget
