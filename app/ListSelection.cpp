#include "app/ListSelection.h"

#include <QItemSelectionModel>
#include <QSet>
#include <vector>

namespace ListSelection {

namespace {

bool WholeRows(const QItemSelectionRange &range, int columnCount)
{
    return range.left() <= 0 && range.right() >= columnCount - 1;
}

} // namespace

QList<bool> SelectedRows(const QItemSelectionModel &selection, int rowCount, int columnCount)
{
    Q_ASSERT(columnCount > 0 && columnCount <= 64);
    QList<bool> rows(rowCount, false);
    // Columns selected in each row by ranges that do not span the whole row.
    std::vector<quint64> columns;
    for (const QItemSelectionRange &range : selection.selection()) {
        if (!range.isValid() || range.parent().isValid())
            continue;
        const int top = qMax(0, range.top());
        const int bottom = qMin(rowCount - 1, range.bottom());
        if (WholeRows(range, columnCount)) {
            for (int r = top; r <= bottom; ++r)
                rows[r] = true;
            continue;
        }
        if (columns.empty())
            columns.resize(size_t(rowCount));
        const int left = qMax(0, range.left());
        const int right = qMin(columnCount - 1, range.right());
        const quint64 mask = (~quint64(0) >> (63 - right)) & (~quint64(0) << left);
        for (int r = top; r <= bottom; ++r)
            columns[size_t(r)] |= mask;
    }
    const quint64 all = ~quint64(0) >> (64 - columnCount);
    for (size_t r = 0; r < columns.size(); ++r)
        if (columns[r] == all)
            rows[qsizetype(r)] = true;
    return rows;
}

int SoleSelectedRow(const QItemSelectionModel &selection, int rowCount, int columnCount)
{
    int sole = -1;
    for (const QItemSelectionRange &range : selection.selection()) {
        if (!range.isValid() || range.parent().isValid())
            continue;
        if (!WholeRows(range, columnCount)) {
            // Parts of rows: only the whole count tells.
            const QList<bool> rows = SelectedRows(selection, rowCount, columnCount);
            if (rows.count(true) != 1)
                return -1;
            return int(rows.indexOf(true));
        }
        if (range.top() != range.bottom() || (sole >= 0 && sole != range.top()))
            return -1;
        sole = range.top();
    }
    return sole;
}

void SelectRows(QItemSelectionModel &selection, const QList<bool> &rows, int columnCount)
{
    const QAbstractItemModel *model = selection.model();
    QItemSelection wanted;
    for (int r = 0; r < rows.size();) {
        if (!rows[r]) {
            ++r;
            continue;
        }
        int end = r;
        while (end + 1 < rows.size() && rows[end + 1])
            ++end;
        wanted.append(QItemSelectionRange(model->index(r, 0), model->index(end, columnCount - 1)));
        r = end + 1;
    }
    // Cleared first, then selected: each change then has an empty side, and
    // the model reports it without comparing old ranges with new ones.
    selection.clearSelection();
    selection.select(wanted, QItemSelectionModel::Select);
}

void KeepAcrossChange(QItemSelectionModel &selection, int columnCount, const std::function<const void *(int)> &itemOf,
                      const std::function<void()> &change)
{
    if (!selection.hasSelection()) {
        change();
        return;
    }
    const QAbstractItemModel *model = selection.model();
    const QList<bool> before = SelectedRows(selection, model->rowCount(), columnCount);
    QSet<const void *> selected;
    for (int r = 0; r < before.size(); ++r)
        if (before[r])
            selected.insert(itemOf(r));
    selection.clearSelection();
    change();
    QList<bool> after(model->rowCount(), false);
    for (int r = 0; r < after.size(); ++r)
        after[r] = selected.contains(itemOf(r));
    SelectRows(selection, after, columnCount);
}

} // namespace ListSelection
