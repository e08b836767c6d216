#include "app/SelectionWalk.h"

#include <QtGlobal>

namespace SelectionWalk {

namespace {

template <typename Change>
Result Walk(const QList<bool> &selected, Change change)
{
    Result r{selected, -1};
    // The selected rows' count and the sum of their indices: while one row
    // is selected, the sum is that row.
    qint64 count = 0;
    qint64 sum = 0;
    for (int i = 0; i < selected.size(); ++i)
        if (selected[i]) {
            ++count;
            sum += i;
        }
    for (int i = 0; i < r.selected.size(); ++i) {
        const bool now = change(r.selected[i]);
        if (now == r.selected[i])
            continue;
        r.selected[i] = now;
        count += now ? 1 : -1;
        sum += now ? i : -i;
        if (count == 1)
            r.shownRow = int(sum);
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
