#pragma once

#include <QList>

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

} // namespace ListSelection
