#pragma once

#include <QStringView>

#include <optional>

// What the browsing and saving actions of the two editors do, decided from the
// position label (the 1-based number of the record on screen, or blank for a new
// record) and the number of records in the archive at the time of the action.
namespace EditorNavigation {

enum class Action { First, Previous, Next, Last };

struct Step {
    enum class Kind {
        Load,    // read `record` and show it; the position becomes `record`
        Empty,   // the archive holds no record: say so
        Nothing, // nothing happens and nothing is said
    };
    Kind kind = Kind::Nothing;
    qint64 record = 0;          // 1-based, for Load
    bool clearPosition = false; // Empty: the position label is emptied
};

// Nothing when the position label holds text that is not a record number.
std::optional<Step> plan(Action action, QStringView position, qint64 count);

// Saving: append a new record, or overwrite record `record`.
struct Save {
    bool append = true;
    qint64 record = 0;
};
std::optional<Save> planSave(QStringView position);

} // namespace EditorNavigation
