#include "RegListModel.h"
#include "VexelReg.h"

#include <QHash>
#include <algorithm>

const std::array<int, TRegListModel::ColumnCount> TRegListModel::ColumnWidths{30, 30, 30, 30, 120, 50, 80};

namespace {

const char *const Titles[TRegListModel::ColumnCount] = {"点", "步", "隔", "距", "Vexel合分", "位置", "结果"};

} // namespace

TRegListModel::TRegListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int TRegListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TRegListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TRegListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return m_rows[size_t(index.row())].texts[size_t(index.column())];
}

QVariant TRegListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return QString::fromUtf8(Titles[section]);
}

std::array<QString, TRegListModel::ColumnCount> TRegListModel::RowTexts(const TVexelReg &p)
{
    return {p.PointsText(), QString::number(p.StepCount()), QString::number(p.Interval()),
            QString::number(-p.NearestRow()), p.StepsText(), p.PositionText(), p.ResultText()};
}

int TRegListModel::AddRegItem(TVexelReg *pattern)
{
    Row row{pattern, RowTexts(*pattern)};
    if (!m_captionOrder)
        SortByCaption();
    // After the rows already there with the same caption.
    const auto at = std::upper_bound(m_rows.begin(), m_rows.end(), row.texts[0],
                                     [](const QString &caption, const Row &r) {
                                         return caption.compare(r.texts[0]) < 0;
                                     });
    const int position = int(at - m_rows.begin());
    beginInsertRows({}, position, position);
    m_rows.insert(at, std::move(row));
    endInsertRows();
    return position;
}

void TRegListModel::AddRegItems(const std::vector<TVexelReg *> &patterns)
{
    if (patterns.empty())
        return;
    if (!m_captionOrder)
        SortByCaption();
    const size_t old = m_rows.size();
    beginInsertRows({}, int(old), int(old + patterns.size() - 1));
    for (TVexelReg *p : patterns)
        m_rows.push_back(Row{p, RowTexts(*p)});
    endInsertRows();
    // Each new row goes after the rows with the same caption that came
    // before it: a stable merge of the old rows and the new ones.
    const auto byCaption = [](const Row &a, const Row &b) { return a.texts[0].compare(b.texts[0]) < 0; };
    const bool inOrder = std::is_sorted(m_rows.begin() + qsizetype(old) - (old > 0 ? 1 : 0), m_rows.end(), byCaption);
    if (!inOrder)
        Reorder(byCaption);
}

void TRegListModel::Fill(const std::vector<TVexelReg *> &patterns)
{
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(patterns.size());
    for (TVexelReg *p : patterns)
        m_rows.push_back(Row{p, RowTexts(*p)});
    std::stable_sort(m_rows.begin(), m_rows.end(), [](const Row &a, const Row &b) {
        return a.texts[0].compare(b.texts[0]) < 0;
    });
    m_captionOrder = true;
    endResetModel();
}

void TRegListModel::RemoveRow(int row)
{
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void TRegListModel::RemoveRows(const QSet<const TVexelReg *> &patterns)
{
    beginResetModel();
    std::erase_if(m_rows, [&](const Row &r) { return patterns.contains(r.reg); });
    endResetModel();
}

void TRegListModel::Clear()
{
    beginResetModel();
    m_rows.clear();
    m_captionOrder = true;
    endResetModel();
}

int TRegListModel::RowOf(const TVexelReg *pattern) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].reg == pattern)
            return int(i);
    return -1;
}

int TRegListModel::ListViewCompare(const QString &a, const QString &b)
{
    const int n = int(qMin(a.size(), b.size()));
    for (int i = 0; i < n; ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= u'a' && x <= u'z')
            x -= 32;
        if (y >= u'a' && y <= u'z')
            y -= 32;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void TRegListModel::SortByColumn(int column)
{
    if (column < 0 || column >= ColumnCount)
        return;
    Reorder([column](const Row &a, const Row &b) {
        return ListViewCompare(a.texts[size_t(column)], b.texts[size_t(column)]) < 0;
    });
    m_captionOrder = false;
}

void TRegListModel::SortByCaption()
{
    Reorder([](const Row &a, const Row &b) { return a.texts[0].compare(b.texts[0]) < 0; });
    m_captionOrder = true;
}

void TRegListModel::Reorder(const std::function<bool(const Row &, const Row &)> &less)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<TVexelReg *> regsBefore;
    regsBefore.reserve(size_t(before.size()));
    for (const QModelIndex &i : before)
        regsBefore.push_back(m_rows[size_t(i.row())].reg);
    std::stable_sort(m_rows.begin(), m_rows.end(), less);
    // Selections and the current row follow their patterns to the new rows.
    QHash<const TVexelReg *, int> rowOf;
    rowOf.reserve(qsizetype(m_rows.size()));
    for (size_t i = 0; i < m_rows.size(); ++i)
        rowOf.insert(m_rows[i].reg, int(i));
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype k = 0; k < before.size(); ++k)
        after << index(rowOf.value(regsBefore[size_t(k)]), before[k].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
