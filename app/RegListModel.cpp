#include "app/RegListModel.h"
#include "core/Hao.h"
#include "core/RegColumnText.h"
#include "core/VexelReg.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <numeric>

const std::array<int, TRegListModel::ColumnCount> TRegListModel::ColumnWidths{30, 30, 30, 30, 120, 50, 80};

namespace {

RegColumnText::TSortKey CaptionKey(const TVexelReg *p)
{
    return RegColumnText::SortKey(*p, 0);
}

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

namespace {

constexpr int ResultColumn = 6;

// A tick in green or a cross in grey, painted once.
QIcon OutcomeIcon(bool hit)
{
    QPixmap picture(14, 14);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(hit ? QColor(0, 140, 60) : QColor(150, 150, 150), 2.2, Qt::SolidLine, Qt::RoundCap));
    if (hit) {
        painter.drawLine(QPointF(2.5, 7.5), QPointF(5.5, 10.5));
        painter.drawLine(QPointF(5.5, 10.5), QPointF(11.5, 3.5));
    } else {
        painter.drawLine(QPointF(3.5, 3.5), QPointF(10.5, 10.5));
        painter.drawLine(QPointF(10.5, 3.5), QPointF(3.5, 10.5));
    }
    return QIcon(picture);
}

} // namespace

QVariant TRegListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const TVexelReg &p = *m_rows[size_t(index.row())];
    if (role == Qt::DisplayRole)
        return RegColumnText::Shown(p, index.column());
    if (index.column() != ResultColumn || (role != Qt::DecorationRole && role != Qt::ToolTipRole))
        return {};
    const TForecastCheck *check = Check();
    const TForecastCheck::Outcome outcome = check ? check->Of(p) : TForecastCheck::Unknown;
    if (outcome == TForecastCheck::Unknown)
        return {};
    if (role == Qt::DecorationRole) {
        static const QIcon hit = OutcomeIcon(true), miss = OutcomeIcon(false);
        return outcome == TForecastCheck::Hit ? hit : miss;
    }
    const qint32 drawn = TargetSum(check->Draws(), int(p.DrawCount()), p.TargetMask());
    return outcome == TForecastCheck::Hit
               ? QStringLiteral("第 %1 期已开奖：预测 %2，开出 %2，命中").arg(p.DrawCount() + 1).arg(drawn)
               : QStringLiteral("第 %1 期已开奖：预测 %2，开出 %3，未中")
                     .arg(p.DrawCount() + 1)
                     .arg(p.Value(0, 0))
                     .arg(drawn);
}

void TRegListModel::SetForecastDraws(const TCodes *current, const TCodes *searched)
{
    m_current = current;
    m_searched = searched;
    m_check.reset();
    DrawsChanged();
}

const TForecastCheck *TRegListModel::Check() const
{
    if (!m_current || !m_searched)
        return nullptr;
    if (!m_check || m_currentRevision != m_current->Revision() || m_searchedRevision != m_searched->Revision()) {
        m_check.emplace(*m_current, *m_searched);
        m_currentRevision = m_current->Revision();
        m_searchedRevision = m_searched->Revision();
    }
    return &*m_check;
}

void TRegListModel::DrawsChanged()
{
    if (m_rows.empty() || (m_check && m_current && m_searched && m_currentRevision == m_current->Revision()
                           && m_searchedRevision == m_searched->Revision()))
        return;
    m_check.reset();
    emit dataChanged(index(0, ResultColumn), index(rowCount() - 1, ResultColumn),
                     {Qt::DecorationRole, Qt::ToolTipRole});
}

TForecastCheck::Outcome TRegListModel::ForecastOutcome(int row) const
{
    const TForecastCheck *check = Check();
    return check ? check->Of(*m_rows[size_t(row)]) : TForecastCheck::Unknown;
}

QVariant TRegListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return RegColumnText::Title(section);
}

std::array<QString, TRegListModel::ColumnCount> TRegListModel::RowTexts(const TVexelReg &p)
{
    std::array<QString, ColumnCount> texts;
    for (int c = 0; c < ColumnCount; ++c)
        texts[size_t(c)] = RegColumnText::Full(p, c);
    return texts;
}

QString TRegListModel::Text(int row, int column) const
{
    return RegColumnText::Full(*m_rows[size_t(row)], column);
}

int TRegListModel::AddRegItem(TVexelReg *pattern)
{
    if (!m_captionOrder)
        SortByCaption();
    return InsertSameCaption(&pattern, 1);
}

void TRegListModel::AddRegItems(const std::vector<TVexelReg *> &patterns)
{
    if (patterns.empty())
        return;
    if (!m_captionOrder)
        SortByCaption();
    // Added one by one, each row would go after the rows with its caption,
    // the earlier ones of the batch included: so the batch, in a stable
    // order by caption, joins the list one caption at a time.
    std::vector<std::pair<RegColumnText::TSortKey, TVexelReg *>> batch;
    batch.reserve(patterns.size());
    for (TVexelReg *p : patterns)
        batch.emplace_back(CaptionKey(p), p);
    std::stable_sort(batch.begin(), batch.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<TVexelReg *> sorted;
    sorted.reserve(batch.size());
    for (const auto &entry : batch)
        sorted.push_back(entry.second);
    for (size_t from = 0; from < batch.size();) {
        size_t to = from + 1;
        while (to < batch.size() && batch[to].first == batch[from].first)
            ++to;
        InsertSameCaption(sorted.data() + from, int(to - from));
        from = to;
    }
}

int TRegListModel::InsertSameCaption(TVexelReg *const *patterns, int count)
{
    const RegColumnText::TSortKey caption = CaptionKey(patterns[0]);
    const auto at = std::upper_bound(m_rows.begin(), m_rows.end(), caption,
                                     [](const RegColumnText::TSortKey &key, const TVexelReg *row) {
                                         return key < CaptionKey(row);
                                     });
    const int position = int(at - m_rows.begin());
    beginInsertRows({}, position, position + count - 1);
    m_rows.insert(at, patterns, patterns + count);
    endInsertRows();
    return position;
}

void TRegListModel::Fill(const std::vector<TVexelReg *> &patterns)
{
    FillOrdered(CaptionOrdered(patterns));
}

std::vector<TVexelReg *> TRegListModel::CaptionOrdered(const std::vector<TVexelReg *> &patterns)
{
    const std::vector<int> order = SortedOrder(patterns, 0);
    std::vector<TVexelReg *> rows(patterns.size());
    for (size_t i = 0; i < order.size(); ++i)
        rows[i] = patterns[size_t(order[i])];
    return rows;
}

void TRegListModel::FillOrdered(std::vector<TVexelReg *> patterns)
{
    beginResetModel();
    m_rows = std::move(patterns);
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
    // The doomed rows first move, in order, behind the others, and then go
    // in one removal: scattered rows removed one range at a time would cost
    // the view a pass over the list for each range.
    std::vector<int> order;
    order.reserve(m_rows.size());
    std::vector<int> doomed;
    for (size_t i = 0; i < m_rows.size(); ++i)
        (patterns.contains(m_rows[i]) ? doomed : order).push_back(int(i));
    if (doomed.empty())
        return;
    const int kept = int(order.size());
    if (doomed.front() != kept) {
        order.insert(order.end(), doomed.begin(), doomed.end());
        Reorder(order);
    }
    beginRemoveRows({}, kept, int(m_rows.size()) - 1);
    m_rows.resize(size_t(kept));
    endRemoveRows();
}

void TRegListModel::Clear()
{
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_captionOrder = true;
    endResetModel();
}

int TRegListModel::RowOf(const TVexelReg *pattern) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i] == pattern)
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
    SortInOrder(SortedOrder(column));
}

void TRegListModel::SortInOrder(const std::vector<int> &order)
{
    if (order.size() != m_rows.size())
        return;
    Reorder(order);
    m_captionOrder = false;
}

void TRegListModel::SortByCaption()
{
    Reorder(SortedOrder(0));
    m_captionOrder = true;
}

std::vector<int> TRegListModel::SortedOrder(const std::vector<TVexelReg *> &rows, int column)
{
    // Keys settle nearly every comparison; only texts that agree in their
    // first 15 characters and go on are compared whole.
    std::vector<RegColumnText::TSortKey> keys(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        keys[i] = RegColumnText::SortKey(*rows[i], column);
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const RegColumnText::TSortKey &x = keys[size_t(a)];
        const RegColumnText::TSortKey &y = keys[size_t(b)];
        if (x != y)
            return x < y;
        return x.Cut() && RegColumnText::Compare(*rows[size_t(a)], *rows[size_t(b)], column) < 0;
    });
    return order;
}

void TRegListModel::Reorder(const std::vector<int> &order)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<TVexelReg *> rows(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        rows[i] = m_rows[size_t(order[i])];
    m_rows.swap(rows);
    // Selections and the current row follow their patterns to the new rows.
    const QModelIndexList before = persistentIndexList();
    if (!before.isEmpty()) {
        std::vector<int> newRow(order.size());
        for (size_t i = 0; i < order.size(); ++i)
            newRow[size_t(order[i])] = int(i);
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex &i : before)
            after << index(newRow[size_t(i.row())], i.column());
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
