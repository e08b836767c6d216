#include "app/RegListView.h"
#include "app/ListSelection.h"
#include "app/RegListModel.h"
#include "app/SelectionWalk.h"
#include "core/VexelRegMgr.h"

#include <QCursor>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QScrollBar>

class TRegListView::TQuiet
{
public:
    explicit TQuiet(TRegListView &view) : m_view(view) { ++m_view.m_quiet; }
    ~TQuiet() { --m_view.m_quiet; }
    TQuiet(const TQuiet &) = delete;
    TQuiet &operator=(const TQuiet &) = delete;

private:
    TRegListView &m_view;
};

TRegListView::TRegListView(TVexelRegMgr &patterns, QWidget *parent)
    : QTableView(parent), m_patterns(patterns), m_model(new TRegListModel(this))
{
    setObjectName(QStringLiteral("ListView"));
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab and Shift+Tab leave the list for the chart and the window's other
    // controls, as everywhere else, instead of stepping from cell to cell.
    setTabKeyNavigation(false);
    setShowGrid(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    // The titles never show the selection, yet the header asks for each one
    // it paints whether its whole column is selected: a test of every row,
    // seconds with millions of them. It gets a selection of its own, empty.
    horizontalHeader()->setSelectionModel(new QItemSelectionModel(m_model, this));
    for (int c = 0; c < TRegListModel::ColumnCount; ++c)
        setColumnWidth(c, TRegListModel::ColumnWidths[size_t(c)]);
    setContextMenuPolicy(Qt::CustomContextMenu);

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TRegListView::ListViewColumnClick);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TRegListView::ListViewChange);
    connect(&m_patterns, &TVexelRegMgr::PatternsAdded, this, &TRegListView::PatternsAdded);
    connect(&m_patterns, &TVexelRegMgr::PatternsAboutToBeRemoved, this, &TRegListView::PatternsAboutToBeRemoved);
    connect(&m_patterns, &TVexelRegMgr::AboutToClear, this, &TRegListView::AboutToClear);
}

void TRegListView::Fill(const std::function<void(int row)> &progress, std::vector<TVexelReg *> *ordered)
{
    const TQuiet quiet(*this);
    setUpdatesEnabled(false);
    std::vector<TVexelReg *> patterns;
    if (!ordered)
        patterns.reserve(size_t(m_patterns.Count()));
    for (int i = 0; i < m_patterns.Count(); ++i) {
        if (!ordered)
            patterns.push_back(m_patterns.Get(i));
        if (i % 53 == 0)
            progress(i);
    }
    if (ordered)
        m_model->FillOrdered(std::move(*ordered));
    else
        m_model->Fill(patterns);
    setUpdatesEnabled(true);
}

QList<bool> TRegListView::SelectedRows() const
{
    return ListSelection::SelectedRows(*selectionModel(), m_model->rowCount(), TRegListModel::ColumnCount);
}

void TRegListView::ApplyWalk(const QList<bool> &selected, int shownRow)
{
    {
        const TQuiet quiet(*this);
        ListSelection::SelectRows(*selectionModel(), selected, TRegListModel::ColumnCount);
    }
    if (shownRow >= 0)
        emit PatternChosen(m_model->Reg(shownRow));
}

void TRegListView::SelectAll()
{
    const SelectionWalk::Result r = SelectionWalk::SelectAll(SelectedRows());
    ApplyWalk(r.selected, r.shownRow);
}

void TRegListView::InvertSelection()
{
    const SelectionWalk::Result r = SelectionWalk::Invert(SelectedRows());
    ApplyWalk(r.selected, r.shownRow);
}

void TRegListView::DeleteSelected()
{
    const QList<bool> selected = SelectedRows();
    const int topRow = rowAt(0);
    QSet<const TVexelReg *> doomed;
    int lastDoomed = -1;
    int doomedAbove = 0; // above the view's top row
    for (int r = 0; r < selected.size(); ++r)
        if (selected[r]) {
            doomed.insert(m_model->Reg(r));
            lastDoomed = r;
            doomedAbove += r < topRow;
        }
    if (doomed.isEmpty())
        return;
    // The user keeps their place: the row after the deleted ones (the last
    // row when they were at the end) becomes the current one, and the rows
    // in view stay in view. Left alone, the current row would follow the
    // doomed rows to the end of the list, and the view with it.
    const int keptBefore = lastDoomed + 1 - int(doomed.size());
    const int next = lastDoomed + 1 < int(selected.size()) ? keptBefore : keptBefore - 1;
    const int column = qMax(0, currentIndex().column());
    const int rowStep = verticalScrollMode() == ScrollPerItem ? 1 : verticalHeader()->defaultSectionSize();
    const int top = verticalScrollBar()->value() - doomedAbove * rowStep;
    const int left = horizontalScrollBar()->value();
    const TQuiet quiet(*this);
    // The doomed rows are the selected ones: cleared first, the selection
    // need not follow them while they are moved and removed.
    selectionModel()->clearSelection();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    m_patterns.RemoveAll(doomed);
    verticalScrollBar()->setValue(top);
    horizontalScrollBar()->setValue(left);
    if (next >= 0) {
        // Current, not selected, and not scrolled to: it may be out of view.
        const bool scrolls = hasAutoScroll();
        setAutoScroll(false);
        selectionModel()->setCurrentIndex(m_model->index(next, column), QItemSelectionModel::NoUpdate);
        setAutoScroll(scrolls);
    }
}

std::vector<TVexelReg *> TRegListView::SelectedPatterns() const
{
    const QList<bool> selected = SelectedRows();
    std::vector<TVexelReg *> patterns;
    for (int r = 0; r < selected.size(); ++r)
        if (selected[r])
            patterns.push_back(m_model->Reg(r));
    return patterns;
}

int TRegListView::SelectedCount() const
{
    return int(SelectedRows().count(true));
}

std::vector<TVexelReg *> TRegListView::ExportedPatterns() const
{
    std::vector<TVexelReg *> patterns = SelectedPatterns();
    if (!patterns.empty())
        return patterns;
    patterns.reserve(size_t(m_model->rowCount()));
    for (int r = 0; r < m_model->rowCount(); ++r)
        patterns.push_back(m_model->Reg(r));
    return patterns;
}

void TRegListView::ListViewChange()
{
    if (m_quiet > 0)
        return;
    const int row = ListSelection::SoleSelectedRow(*selectionModel(), m_model->rowCount(),
                                                    TRegListModel::ColumnCount);
    if (row >= 0)
        emit PatternChosen(m_model->Reg(row));
}

void TRegListView::ListViewColumnClick(int column)
{
    if (column < 0 || column >= TRegListModel::ColumnCount)
        return;
    m_sortColumn = column;
    std::vector<int> order;
    const auto sort = [&](const BackgroundWork::Progress &) { order = m_model->ColumnOrder(column); };
    if (m_workRunner)
        m_workRunner(QStringLiteral("正在排序规律..."), sort);
    else
        sort({});
    ReorderList([this, &order] { m_model->SortInOrder(order); });
}

void TRegListView::ReorderList(const std::function<void()> &reorder)
{
    const TQuiet quiet(*this);
    ListSelection::KeepAcrossChange(*selectionModel(), TRegListModel::ColumnCount,
                                    [this](int row) -> const void * { return m_model->Reg(row); }, reorder);
}

void TRegListView::PatternsAdded(const std::vector<TVexelReg *> &patterns)
{
    // Rows join in place; only after a column sort does the first batch put
    // the list back into caption order.
    const TQuiet quiet(*this);
    if (m_model->InCaptionOrder())
        m_model->AddRegItems(patterns);
    else
        ReorderList([this, &patterns] { m_model->AddRegItems(patterns); });
}

void TRegListView::PatternsAboutToBeRemoved(const QSet<const TVexelReg *> &patterns)
{
    const TQuiet quiet(*this);
    m_model->RemoveRows(patterns);
}

void TRegListView::AboutToClear()
{
    const TQuiet quiet(*this);
    m_model->Clear();
}

void TRegListView::PopupMenu()
{
    if (!m_popup)
        return;
    const QPoint at = QCursor::pos();
    m_popup->popup(QPoint(at.x(), at.y() - m_popup->sizeHint().height()));
}
