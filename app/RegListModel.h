#pragma once

#include "core/ForecastCheck.h"
#include "core/RegColumnText.h"

#include <QAbstractTableModel>
#include <QSet>
#include <QString>
#include <array>
#include <optional>
#include <vector>

class TCodes;
class TVexelReg;

// The rows of the pattern list: one row per pattern, which it refers to but
// does not own. A row holds nothing but its pattern; the texts are computed
// when shown or compared. Adding a row leaves the list in ascending text
// order of the points column, whatever column it was sorted by before; a
// column sort orders by that column's texts, ordinal and ignoring the case
// of a to z.
class TRegListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = RegColumnText::ColumnCount;
    static const std::array<int, ColumnCount> ColumnWidths;

    explicit TRegListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // Texts longer than a column can show are cut (see RegColumnText). A
    // pattern whose forecast draw is known carries a mark in the result
    // column, a tick when it came true and a cross when not, with the drawn
    // digit in its tooltip; the texts stay as they are.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Adds one row and returns where it landed.
    int AddRegItem(TVexelReg *pattern);
    // Adds rows as AddRegItem would one after the other; the new rows of
    // one caption join the list in one insertion.
    void AddRegItems(const std::vector<TVexelReg *> &patterns);
    // Replaces every row by the given patterns, in one reset.
    void Fill(const std::vector<TVexelReg *> &patterns);
    // The patterns in the order Fill gives them; touches no model, so it
    // can run on any thread.
    static std::vector<TVexelReg *> CaptionOrdered(const std::vector<TVexelReg *> &patterns);
    // Fill with patterns already in that order.
    void FillOrdered(std::vector<TVexelReg *> patterns);
    void RemoveRow(int row);
    // Removes the rows of these patterns; the others keep their order.
    void RemoveRows(const QSet<const TVexelReg *> &patterns);
    void Clear();

    // The draws forecasts are judged on: the chart's, and the collection's
    // snapshot of the last search. Both must outlive the model.
    void SetForecastDraws(const TCodes *current, const TCodes *searched);
    // The draws may have changed: the marks are shown again.
    void DrawsChanged();
    TForecastCheck::Outcome ForecastOutcome(int row) const;

    TVexelReg *Reg(int row) const { return m_rows[size_t(row)]; }
    // The row's whole text in that column.
    QString Text(int row, int column) const;
    int RowOf(const TVexelReg *pattern) const;

    // Sorts by a column with ListViewCompare's rule; stable for equal texts.
    void SortByColumn(int column);
    // SortByColumn in two halves: the order, which reads the rows and their
    // patterns but changes nothing (another thread may work it out), and
    // the rows put in that order.
    std::vector<int> ColumnOrder(int column) const { return SortedOrder(column); }
    void SortInOrder(const std::vector<int> &order);
    // Whether the rows are in caption order, so that adding rows moves none.
    bool InCaptionOrder() const { return m_captionOrder; }

    // Negative, 0 or positive: ordinal, with a to z compared as A to Z.
    static int ListViewCompare(const QString &a, const QString &b);
    static std::array<QString, ColumnCount> RowTexts(const TVexelReg &pattern);

private:
    // The rows, as indices into the current ones, in a stable order by
    // that column's texts.
    std::vector<int> SortedOrder(int column) const { return SortedOrder(m_rows, column); }
    static std::vector<int> SortedOrder(const std::vector<TVexelReg *> &rows, int column);
    void SortByCaption();
    // Row i becomes the current row order[i]; selections and the current
    // row follow their patterns.
    void Reorder(const std::vector<int> &order);
    // Inserts rows of one caption after the rows with that caption.
    int InsertSameCaption(TVexelReg *const *patterns, int count);

    const TForecastCheck *Check() const;

    std::vector<TVexelReg *> m_rows;
    const TCodes *m_current = nullptr;
    const TCodes *m_searched = nullptr;
    // Judged anew when either list's revision moved on.
    mutable std::optional<TForecastCheck> m_check;
    mutable quint64 m_currentRevision = 0, m_searchedRevision = 0;
    bool m_captionOrder = true;   // whether the rows are in caption order now
};
