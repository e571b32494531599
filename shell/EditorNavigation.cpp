#include "shell/EditorNavigation.h"

#include "storage/TextField.h"

#include <QString>

namespace EditorNavigation {
namespace {

// The number in a non-blank position label: decimal digits, nothing else.
std::optional<qint64> numberIn(QStringView trimmed)
{
    bool ok = false;
    const qint64 number = trimmed.toLongLong(&ok, 10);
    if (!ok || number < 0 || trimmed.startsWith(u'+'))
        return std::nullopt;
    return number;
}

} // namespace

std::optional<Step> plan(Action action, QStringView position, qint64 count)
{
    const QStringView label = TextField::trimmed(position);
    const Step empty{Step::Kind::Empty, 0, false};
    switch (action) {
    case Action::First:
    case Action::Last:
        if (count == 0)
            return empty;
        return Step{Step::Kind::Load, action == Action::First ? 1 : count, false};
    case Action::Next: {
        const std::optional<qint64> p = label.isEmpty() ? std::optional<qint64>(0) : numberIn(label);
        if (!p)
            return std::nullopt;
        if (count == 0)
            return Step{Step::Kind::Empty, 0, true};
        if (*p < count)
            return Step{Step::Kind::Load, *p + 1, false};
        return Step{};
    }
    case Action::Previous: {
        if (label == u"1")
            return Step{};
        if (count == 0)
            return empty;
        if (label.isEmpty())
            return Step{Step::Kind::Load, 1, false};
        const std::optional<qint64> p = numberIn(label);
        if (!p || *p < 2)
            return std::nullopt;
        // A position past the end (the file was shortened elsewhere) goes to the last record.
        return Step{Step::Kind::Load, std::min(*p - 1, count), false};
    }
    }
    return std::nullopt;
}

std::optional<Save> planSave(QStringView position)
{
    const QStringView label = TextField::trimmed(position);
    if (label.isEmpty())
        return Save{true, 0};
    const std::optional<qint64> k = numberIn(label);
    if (!k || *k < 1)
        return std::nullopt;
    return Save{false, *k};
}

} // namespace EditorNavigation
