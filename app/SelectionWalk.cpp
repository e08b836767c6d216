#include "app/SelectionWalk.h"

#include <set>

namespace SelectionWalk {

namespace {

template <typename Change>
Result Walk(const QList<bool> &selected, Change change)
{
    Result r{selected, -1};
    std::set<int> on;
    for (int i = 0; i < selected.size(); ++i)
        if (selected[i])
            on.insert(on.end(), i);
    for (int i = 0; i < r.selected.size(); ++i) {
        const bool now = change(r.selected[i]);
        if (now == r.selected[i])
            continue;
        r.selected[i] = now;
        if (now)
            on.insert(i);
        else
            on.erase(i);
        if (on.size() == 1)
            r.shownRow = *on.begin();
    }
    return r;
}

} // namespace

Result SelectAll(const QList<bool> &selected)
{
    return Walk(selected, [](bool) { return true; });
}

Result Invert(const QList<bool> &selected)
{
    return Walk(selected, [](bool was) { return !was; });
}

} // namespace SelectionWalk
