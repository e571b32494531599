#pragma once

#include "lessons/LessonRules.h"
#include "printing/Report.h"

// The register of a student's driving lessons, to be signed lesson by lesson: the
// school's code and the student's data at the top of every page, one row per
// lesson with empty boxes for both signatures, the totals of each kind and a
// note that it is the school's own record.
namespace LessonRegister {

struct Student {
    QString surname;
    QString name;
    QString taxCode;
    QString pinkSheet; // foglio rosa reference
    QString course;
};

// The student at 1-based `position` of the archive at `studentsPath`, or nothing.
std::optional<Student> studentAt(const QString &studentsPath, qint64 position);

Report::Document create(const Student &student, const QString &schoolCode, std::span<const Lessons::Lesson> lessons,
                        const Lessons::Keywords &keywords, const QDate &today);

// "Riepilogo interno dell'autoscuola: non sostituisce la certificazione ministeriale."
QString footnote();

} // namespace LessonRegister
