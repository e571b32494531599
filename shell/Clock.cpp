#include "shell/Clock.h"

#include "shell/FormatSettings.h"

namespace Clock {
namespace {

std::function<QDateTime()> &source()
{
    static std::function<QDateTime()> current;
    return current;
}

} // namespace

QDateTime now()
{
    return source() ? source()() : QDateTime::currentDateTime();
}

void setSource(std::function<QDateTime()> newSource)
{
    source() = std::move(newSource);
}

QString todayText()
{
    return FormatSettings::formatDate(now().date());
}

QString timeText()
{
    return now().time().toString(QStringLiteral("HH:mm"));
}

} // namespace Clock
