#pragma once

#include "core/Persistent.h"

#include <QtGlobal>
#include <memory>

class QDataStream;

// A grid point: a draw-record position (column) and a draw offset (row),
// 0 or negative in pattern lines.
struct TPoint
{
    qint32 x = 0;
    qint32 y = 0;

    bool operator==(const TPoint &) const = default;
};

// A compact growable list of grid points with an explicit capacity that
// grows by 4, 16 or a quarter, depending on its size.
class TPointList : public TPersistent
{
public:
    static constexpr int MaxListSize = 134217727;

    TPointList() = default;
    TPointList(const TPointList &other);
    TPointList &operator=(const TPointList &other);
    ~TPointList() override;

    int Add(const TPoint &point);
    virtual void Grow();
    virtual void Clear();
    void Delete(int index);
    TPoint Get(int index) const;
    void Put(int index, const TPoint &point);
    void SetCount(int newCount);
    void SetCapacity(int newCapacity);

    int Count() const { return m_count; }
    int Capacity() const { return m_capacity; }
    const TPoint *Data() const { return m_items.get(); }

    void Assign(const TPersistent &source) override;
    void AssignTo(TPersistent &destination) const override;

    void LoadFromStream(QDataStream &stream);
    void SaveToStream(QDataStream &stream) const;

private:
    std::unique_ptr<TPoint[]> m_items;
    qint32 m_count = 0;
    qint32 m_capacity = 0;
};
