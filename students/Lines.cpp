#include "students/Lines.h"

#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/TextField.h"

#include <algorithm>

namespace Lines {
namespace {

char16_t foldAZ(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
}

} // namespace

QString column(QStringView text, int width)
{
    const QStringView value = TextField::trimmed(text);
    if (value.size() >= width)
        return value.left(width).toString();
    return value.toString() + QString(width - value.size(), QLatin1Char(' '));
}

QString LessonLine(const RecordBuffer &lesson)
{
    using namespace LessonRecord;
    return QStringLiteral("Data: ") + column(lesson.text(txtData), 10)
        + QStringLiteral("   Durata: ") + column(lesson.text(txtDurata), 14)
        + QStringLiteral("   Mezzo: ") + column(lesson.text(txtVeicolo), 26)
        + QStringLiteral("   Targa: ") + column(lesson.text(txtTarga), 10)
        + QStringLiteral("   Istr. ") + column(lesson.text(txtIstruttore), 26)
        + QStringLiteral("   Mod. ") + lesson.text(txtModulo);
}

QString AttendeeLine(const RecordBuffer &student)
{
    using namespace StudentRecord;
    const QString name = student.text(txtCognome) + QLatin1Char(' ') + student.text(txtNome);
    return column(name, 28)
        + QStringLiteral("  Isc. n. ") + column(student.text(txtNumIsc), 14)
        + QStringLiteral("  Data: ") + column(student.text(txtDataIsc), 10)
        + QStringLiteral("  Tel. ") + column(student.text(txtPreferenziale), 14)
        + QStringLiteral("  Corso: ") + column(student.text(txtCodiceCor), 18)
        + QStringLiteral("  ") + student.text(txtNote);
}

bool isCurrentAttendee(const RecordBuffer &student)
{
    return student.text(StudentRecord::chkRicontatta) == TextField::noText();
}

bool lessFoldedAZ(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = foldAZ(a[i].unicode());
        const char16_t y = foldAZ(b[i].unicode());
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

void sortFoldedAZ(QStringList &lines)
{
    std::stable_sort(lines.begin(), lines.end(), [](const QString &a, const QString &b) { return lessFoldedAZ(a, b); });
}

} // namespace Lines
