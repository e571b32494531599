#include "shell/OpenTarget.h"

#include "storage/TextField.h"

namespace OpenTarget {
namespace {

QString unquoted(const QString &command)
{
    QString target = TextField::trimmedString(command);
    if (target.size() >= 2 && target.startsWith(QLatin1Char('"')) && target.endsWith(QLatin1Char('"')))
        target = target.mid(1, target.size() - 2);
    return target;
}

bool startsWithNoCase(const QString &text, QLatin1StringView prefix)
{
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

QByteArray encoded(const QString &text, const QByteArray &keep = QByteArray())
{
    return QUrl::toPercentEncoding(text, keep);
}

QUrl mailUrl(const QString &target)
{
    const QString rest = target.mid(7); // after "mailto:"
    const qsizetype question = rest.indexOf(QLatin1Char('?'));
    const QString address = question < 0 ? rest : rest.left(question);
    QByteArray url = "mailto:" + encoded(address, "@+");
    if (question >= 0) {
        QString query = rest.mid(question + 1);
        QByteArray encodedQuery;
        // The body comes last and may hold any character, '&' included.
        const QLatin1StringView bodyKey("body=");
        qsizetype bodyAt = -1;
        if (startsWithNoCase(query, bodyKey))
            bodyAt = 0;
        else if (const qsizetype at = query.indexOf(QLatin1String("&body="), 0, Qt::CaseInsensitive); at >= 0)
            bodyAt = at + 1;
        const QString head = bodyAt < 0 ? query : query.left(qMax<qsizetype>(0, bodyAt - 1));
        const QString body = bodyAt < 0 ? QString() : query.mid(bodyAt + bodyKey.size());
        const QStringList pairs = head.isEmpty() ? QStringList() : head.split(QLatin1Char('&'));
        for (const QString &pair : pairs) {
            const qsizetype eq = pair.indexOf(QLatin1Char('='));
            if (!encodedQuery.isEmpty())
                encodedQuery += '&';
            if (eq < 0)
                encodedQuery += encoded(pair);
            else
                encodedQuery += encoded(pair.left(eq)) + '=' + encoded(pair.mid(eq + 1));
        }
        if (bodyAt >= 0) {
            if (!encodedQuery.isEmpty())
                encodedQuery += '&';
            encodedQuery += "body=" + encoded(body);
        }
        url += '?' + encodedQuery;
    }
    return QUrl::fromEncoded(url, QUrl::StrictMode);
}

} // namespace

QUrl resolve(const QString &command)
{
    const QString target = unquoted(command);
    if (target.isEmpty())
        return QUrl();
    if (startsWithNoCase(target, QLatin1StringView("mailto:")))
        return mailUrl(target);
    if (startsWithNoCase(target, QLatin1StringView("http://")) || startsWithNoCase(target, QLatin1StringView("https://"))
        || startsWithNoCase(target, QLatin1StringView("ftp://")) || startsWithNoCase(target, QLatin1StringView("file://")))
        return QUrl(target, QUrl::TolerantMode);
    if (startsWithNoCase(target, QLatin1StringView("www.")))
        return QUrl(QStringLiteral("http://") + target, QUrl::TolerantMode);
    return QUrl::fromLocalFile(target);
}

} // namespace OpenTarget
