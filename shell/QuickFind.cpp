#include "shell/QuickFind.h"

#include "shell/LineMaker.h"

namespace QuickFind {

namespace {

template <typename List>
Result findIn(const List &lines, int selected, const QString &fragment, State &state)
{
    const int n = static_cast<int>(lines.size());
    if (n == 0)
        return {false, selected};
    if (selected < 0 || selected >= n)
        selected = 0;
    const QString folded = Lines::lowerCase(fragment);
    const auto matches = [&](int i) { return !folded.isEmpty() && Lines::lowerCase(lines.at(i)).contains(folded); };

    const bool sameAgain = folded == state.LastFindText;
    const int start = sameAgain ? selected : 0;
    int found = -1;
    if (!sameAgain && matches(0))
        found = 0;
    // From the line after `start` round to `start` itself, tested last.
    for (int step = 1; found < 0 && step <= n; ++step) {
        const int i = (start + step) % n;
        if (matches(i))
            found = i;
    }
    state.LastFindText = folded;
    return {true, found >= 0 ? found : selected, found >= 0};
}

} // namespace

Result find(const QStringList &lines, int selected, const QString &fragment, State &state)
{
    return findIn(lines, selected, fragment, state);
}

Result find(const LineStore &lines, int selected, const QString &fragment, State &state)
{
    return findIn(lines, selected, fragment, state);
}

} // namespace QuickFind
