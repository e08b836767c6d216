#pragma once

#include <QList>
#include <functional>

class QItemSelectionModel;

// The list's selection read and set in time linear in its rows and ranges.
// QItemSelectionModel::selectedRows() tests every row against every range,
// and replacing one scattered selection by another compares every old range
// with every new one: with tens of thousands of ranges either froze the
// window for minutes.
namespace ListSelection {

// Which rows have every column selected.
QList<bool> SelectedRows(const QItemSelectionModel &selection, int rowCount, int columnCount);
// The one row selected, or -1 when none or several are.
int SoleSelectedRow(const QItemSelectionModel &selection, int rowCount, int columnCount);
// Selects exactly the rows flagged, every column of them.
void SelectRows(QItemSelectionModel &selection, const QList<bool> &rows, int columnCount);
// Runs `change`, which moves, adds or removes rows, with the selection set
// aside, then selects the rows of the items that were selected; `itemOf`
// names the item of a row. Through the change itself the selection model
// would follow every selected row with a persistent index of its own, and
// moving a million of those takes Qt minutes.
void KeepAcrossChange(QItemSelectionModel &selection, int columnCount, const std::function<const void *(int)> &itemOf,
                      const std::function<void()> &change);

} // namespace ListSelection
