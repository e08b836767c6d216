#pragma once

#include "app/BackgroundWork.h"

#include <QSet>
#include <QTableView>
#include <functional>
#include <vector>

class QMenu;
class TRegListModel;
class TVexelReg;
class TVexelRegMgr;

// The pattern list: one row per pattern of the collection, whose signals it
// follows (patterns added, about to be removed, cleared), so a row never
// outlives its pattern. Several rows can be selected; while exactly one is,
// its pattern is the one to show (PatternChosen). Adding rows, filling the
// list and the selection commands never choose a pattern on their own way
// through; the commands choose the one of the last moment at which exactly
// one row was selected (SelectionWalk).
class TRegListView : public QTableView
{
    Q_OBJECT

public:
    explicit TRegListView(TVexelRegMgr &patterns, QWidget *parent = nullptr);

    TRegListModel &Model() const { return *m_model; }

    // Rebuilds every row from the collection; `progress` hears every 53rd
    // row's index, from 0. `ordered`, when given, holds the collection's
    // patterns already in the list's order (TRegListModel::CaptionOrdered).
    void Fill(const std::function<void(int row)> &progress, std::vector<TVexelReg *> *ordered = nullptr);
    // Selects every row, first to last.
    void SelectAll();
    // Inverts every row's selection, first to last.
    void InvertSelection();
    // Removes the selected rows' patterns from the collection.
    void DeleteSelected();
    // Sorts by a column's texts, the selection kept by pattern.
    void ListViewColumnClick(int column);
    // Runs the long part of a sort (the order of millions of rows) where
    // the window wants it; unset, here and now.
    using TWork = std::function<void(const BackgroundWork::Progress &)>;
    using TWorkRunner = std::function<void(const QString &text, const TWork &work)>;
    void SetWorkRunner(TWorkRunner runner) { m_workRunner = std::move(runner); }
    int SortColumn() const { return m_sortColumn; }

    // The patterns of the selected rows, in the list's order.
    std::vector<TVexelReg *> SelectedPatterns() const;
    int SelectedCount() const;
    // What an export of the list writes: the selected rows when any are
    // selected, else every row, in the list's order.
    std::vector<TVexelReg *> ExportedPatterns() const;

    // The menu that opens over the list, its bottom edge at the pointer.
    void SetPopupMenu(QMenu *menu) { m_popup = menu; }
    void PopupMenu();

signals:
    // Exactly one row became selected: show its pattern.
    void PatternChosen(TVexelReg *pattern);

private:
    // While one lives, changes of the selection choose no pattern.
    class TQuiet;

    void ListViewChange();
    void PatternsAdded(const std::vector<TVexelReg *> &patterns);
    void PatternsAboutToBeRemoved(const QSet<const TVexelReg *> &patterns);
    void AboutToClear();
    void ApplyWalk(const QList<bool> &selected, int shownRow);
    QList<bool> SelectedRows() const;
    // Runs a change that moves rows with the selection kept by pattern.
    void ReorderList(const std::function<void()> &reorder);

    TVexelRegMgr &m_patterns;
    TRegListModel *m_model = nullptr;
    QMenu *m_popup = nullptr;
    int m_sortColumn = 0;
    int m_quiet = 0;
    TWorkRunner m_workRunner;
};
