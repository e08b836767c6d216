#pragma once

#include <QList>

// The list reacts to a change of a row's selection only while exactly one
// row is selected: it then shows that row's pattern. Commands that select or
// deselect many rows change them one row at a time, first to last, so the
// pattern shown afterwards is the one of the last moment at which exactly one
// row was selected. These walks compute that row (or -1 when no such moment
// came) and the selection that results.
namespace SelectionWalk {

struct Result
{
    QList<bool> selected;
    int shownRow = -1;
};

// Every row is set selected, first to last.
Result SelectAll(const QList<bool> &selected);
// Every row's selection is inverted, first to last.
Result Invert(const QList<bool> &selected);

} // namespace SelectionWalk
