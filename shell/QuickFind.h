#pragma once

#include "shell/LineStore.h"

#include <QString>
#include <QStringList>

#include <optional>

// Quick find inside a list of lines: the next line that holds a fragment, the
// letters A-Z folded, going on from the top after the last line.
namespace QuickFind {

// The remembered fragment of one list (LastFindText).
struct State {
    QString LastFindText;
};

struct Result {
    bool applicable = true; // false: the list holds no line
    int selected = -1;      // the line to select afterwards (-1: none)
    bool found = false;     // a line holds the fragment
};

// `selected` is the line selected now (-1 for none). Updates `state`.
Result find(const QStringList &lines, int selected, const QString &fragment, State &state);
Result find(const LineStore &lines, int selected, const QString &fragment, State &state);

} // namespace QuickFind
