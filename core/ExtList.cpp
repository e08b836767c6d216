#include "core/ExtList.h"
#include "core/StreamLimits.h"
#include "core/VexelError.h"

#include <QDataStream>
#include <algorithm>

TPointList::TPointList(const TPointList &other)
    : TPersistent(other)
{
    Assign(other);
}

TPointList &TPointList::operator=(const TPointList &other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

TPointList::~TPointList() = default;

int TPointList::Add(const TPoint &point)
{
    if (m_count == m_capacity)
        Grow();
    m_items[size_t(m_count)] = point;
    return m_count++;
}

void TPointList::Grow()
{
    int delta;
    if (m_capacity > 64)
        delta = m_capacity / 4;
    else if (m_capacity > 8)
        delta = 16;
    else
        delta = 4;
    SetCapacity(m_capacity + delta);
}

void TPointList::Clear()
{
    SetCount(0);
    SetCapacity(0);
}

void TPointList::Delete(int index)
{
    if (index < 0 || index >= m_count)
        throw EVexelError(QStringLiteral("TPointList.Delete Index isnot valid!"));
    --m_count;
    std::copy(m_items.get() + index + 1, m_items.get() + m_count + 1, m_items.get() + index);
}

TPoint TPointList::Get(int index) const
{
    if (index < 0 || index >= m_count)
        throw EVexelError(QStringLiteral("TPointList.Get Index isnot valid!"));
    return m_items[size_t(index)];
}

void TPointList::Put(int index, const TPoint &point)
{
    if (index < 0 || index >= m_count)
        throw EVexelError(QStringLiteral("TPointList.Put Index isnot valid!"));
    m_items[size_t(index)] = point;
}

void TPointList::SetCount(int newCount)
{
    if (newCount < 0 || newCount > MaxListSize)
        throw EVexelError(QStringLiteral("TPointList.SetCount NewCount isnot valid!"));
    if (newCount > m_capacity)
        SetCapacity(newCount);
    if (newCount > m_count)
        std::fill(m_items.get() + m_count, m_items.get() + newCount, TPoint{});
    // Shrinking drops points from the end; nothing after them needs to move.
    m_count = newCount;
}

void TPointList::SetCapacity(int newCapacity)
{
    if (newCapacity < m_count || newCapacity > MaxListSize)
        throw EVexelError(QStringLiteral("TPointList.SetCapacity NewCapacity isnot valid!"));
    if (newCapacity == m_capacity)
        return;
    std::unique_ptr<TPoint[]> block;
    if (newCapacity > 0) {
        block.reset(new TPoint[size_t(newCapacity)]);
        std::copy(m_items.get(), m_items.get() + m_count, block.get());
    }
    m_items = std::move(block);
    m_capacity = newCapacity;
}

void TPointList::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TPointList *>(&source);
    if (!other)
        throw EVexelError(QStringLiteral("TPointList.Assign Source isnot valid!"));
    if (other == this)
        return;
    Clear();
    SetCount(other->m_count);
    std::copy(other->m_items.get(), other->m_items.get() + other->m_count, m_items.get());
}

void TPointList::AssignTo(TPersistent &destination) const
{
    auto *other = dynamic_cast<TPointList *>(&destination);
    if (!other)
        throw EVexelError(QStringLiteral("TPointList.AssignTo Dest isnot valid!"));
    other->Assign(*this);
}

void TPointList::LoadFromStream(QDataStream &stream)
{
    stream.setByteOrder(QDataStream::LittleEndian);
    Clear();
    qint32 count = 0;
    stream >> count;
    if (count > 0 && !StreamLimits::Plausible(stream, count, sizeof(TPoint)))
        throw EVexelError(QStringLiteral("TPointList.SetCount NewCount isnot valid!"));
    SetCount(count);
    for (int i = 0; i < m_count; ++i)
        stream >> m_items[size_t(i)].x >> m_items[size_t(i)].y;
}

void TPointList::SaveToStream(QDataStream &stream) const
{
    stream.setByteOrder(QDataStream::LittleEndian);
    stream << m_count;
    for (int i = 0; i < m_count; ++i)
        stream << m_items[size_t(i)].x << m_items[size_t(i)].y;
}
