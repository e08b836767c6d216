#pragma once

#include <QAbstractTableModel>
#include <QSet>
#include <QString>
#include <array>
#include <functional>
#include <vector>

class TVexelReg;

// The rows of the pattern list: one row per pattern, which it refers to but
// does not own. Adding a row leaves the list in ascending text order of the
// points column, whatever column it was sorted by before; a column sort
// orders by that column's texts, ordinal and ignoring the case of a to z.
class TRegListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = 7;
    static const std::array<int, ColumnCount> ColumnWidths;

    explicit TRegListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Adds one row and returns where it landed.
    int AddRegItem(TVexelReg *pattern);
    // Adds rows as AddRegItem would one after the other, in one change.
    void AddRegItems(const std::vector<TVexelReg *> &patterns);
    // Replaces every row by the given patterns, in one reset.
    void Fill(const std::vector<TVexelReg *> &patterns);
    void RemoveRow(int row);
    // Removes the rows of these patterns in one pass.
    void RemoveRows(const QSet<const TVexelReg *> &patterns);
    void Clear();

    TVexelReg *Reg(int row) const { return m_rows[size_t(row)].reg; }
    QString Text(int row, int column) const { return m_rows[size_t(row)].texts[size_t(column)]; }
    int RowOf(const TVexelReg *pattern) const;

    // Sorts by a column with ListViewCompare's rule; stable for equal texts.
    void SortByColumn(int column);

    // Negative, 0 or positive: ordinal, with a to z compared as A to Z.
    static int ListViewCompare(const QString &a, const QString &b);
    static std::array<QString, ColumnCount> RowTexts(const TVexelReg &pattern);

private:
    struct Row
    {
        TVexelReg *reg;
        std::array<QString, ColumnCount> texts;
    };

    void SortByCaption();
    void Reorder(const std::function<bool(const Row &, const Row &)> &less);

    std::vector<Row> m_rows;
    bool m_captionOrder = true;   // whether the rows are in caption order now
};
