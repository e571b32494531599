#include "shell/FormatSettings.h"

#include <QLocale>

namespace FormatSettings {
namespace {

struct Settings {
    QString shortDatePattern = QStringLiteral("dd/mm/yyyy");
    QChar decimalSeparator = QLatin1Char(',');
};

Settings &settings()
{
    static Settings current;
    return current;
}

} // namespace

void apply()
{
    settings().shortDatePattern = QStringLiteral("dd/mm/yyyy");
    settings().decimalSeparator = QLatin1Char(',');
    // Numbers shown by the toolkit follow the Italian conventions too.
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
}

QString shortDatePattern()
{
    return settings().shortDatePattern;
}

QChar decimalSeparator()
{
    return settings().decimalSeparator;
}

QChar dateSeparator()
{
    return QLatin1Char('/');
}

QString formatDate(const QDate &date)
{
    const QChar sep = dateSeparator();
    return QStringLiteral("%1%2%3%4%5")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(sep)
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(sep)
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

} // namespace FormatSettings
