#pragma once

#include <QDateTime>

#include <functional>

// Today's date and the time of day. Tests set a fixed clock.
namespace Clock {

QDateTime now();

// Replaces the clock (an empty function restores the system clock).
void setSource(std::function<QDateTime()> source);

// Today's date in the program's short-date pattern (dd/mm/yyyy).
QString todayText();
// The time of day as HH:MM.
QString timeText();

} // namespace Clock
