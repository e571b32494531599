#pragma once

#include "printing/Report.h"

#include <QDate>
#include <QString>

// The enrolment register: every student, finished ones included, whose
// enrolment date falls in a period, in archive order, printed as a table.
namespace EnrolmentRegister {

struct Register {
    Report::Document document{QString(), QPageLayout()};
    int students = 0;      // rows printed
    bool complete = true;  // the archive was read to the end
};

// The register of the students in the archive at `studentsPath` (not created when
// missing) enrolled from `from` to `to`, both included; `schoolCode` heads it.
Register create(const QString &studentsPath, const QString &schoolCode, const QDate &from, const QDate &to,
                const QDate &today);

} // namespace EnrolmentRegister
