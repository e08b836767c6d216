#include "core/VexelReg.h"
#include "core/Hao.h"
#include "core/StreamLimits.h"
#include "core/VexelError.h"

#include <QDataStream>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

TVexelReg::TVexelReg()
{
    Clear();
}

TVexelReg::TVexelReg(const TVexelReg &other)
    : TPersistent(other)
{
    Assign(other);
}

TVexelReg &TVexelReg::operator=(const TVexelReg &other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

TVexelReg::~TVexelReg() = default;

void TVexelReg::Clear()
{
    m_line.Clear();
    m_interval = 0;
    m_stepCount = 0;
    m_drawCount = 0;
}

qint64 TVexelReg::StepCapacity(qint64 entries)
{
    // Exact for the short chains a search gives; beyond 16 entries rounded
    // up to a sixteenth of the size, so that adding steps one at a time
    // copies each entry a bounded number of times and wastes at most 1/8.
    if (entries <= 16)
        return entries;
    const int shift = std::bit_width(quint64(entries)) - 4;
    return ((entries + (qint64(1) << shift) - 1) >> shift) << shift;
}

void TVexelReg::ResizeSteps(qint64 entries)
{
    const qint64 oldCapacity = StepCapacity(m_entries);
    const qint64 capacity = StepCapacity(entries);
    if (capacity != oldCapacity) {
        std::unique_ptr<char[]> block;
        if (capacity > 0) {
            block.reset(new char[size_t(capacity) * 6]);
            const qint64 kept = qMin<qint64>(m_entries, entries);
            if (kept > 0) {
                std::memcpy(block.get(), m_steps.get(), size_t(kept) * 4);
                std::memcpy(block.get() + capacity * 4, m_steps.get() + oldCapacity * 4, size_t(kept) * 2);
            }
        }
        m_steps = std::move(block);
    }
    const qint64 old = m_entries;
    m_entries = qint32(entries);
    for (qint64 i = old; i < entries; ++i) {
        SetValueAt(i, 0);
        SetMaskAt(i, 0);
    }
}

qint32 TVexelReg::ValueAt(qint64 i) const
{
    qint32 v;
    std::memcpy(&v, m_steps.get() + i * 4, sizeof v);
    return v;
}

quint16 TVexelReg::MaskAt(qint64 i) const
{
    quint16 m;
    std::memcpy(&m, m_steps.get() + StepCapacity(m_entries) * 4 + i * 2, sizeof m);
    return m;
}

void TVexelReg::SetValueAt(qint64 i, qint32 value)
{
    std::memcpy(m_steps.get() + i * 4, &value, sizeof value);
}

void TVexelReg::SetMaskAt(qint64 i, quint16 mask)
{
    std::memcpy(m_steps.get() + StepCapacity(m_entries) * 4 + i * 2, &mask, sizeof mask);
}

void TVexelReg::AddStep(const qint32 *stepValues, quint16 mask)
{
    m_stepCount = m_entries + 1;
    ResizeSteps(qint64(m_entries) + 1);
    SetValueAt(m_entries - 1, stepValues[0]);
    SetMaskAt(m_entries - 1, mask);
}

qint32 TVexelReg::Value(int step, int line) const
{
    const qint64 i = qint64(step) + line;
    return step >= 0 && line >= 0 && i < m_entries ? ValueAt(i) : 0;
}

quint16 TVexelReg::StepMask(int step, int line) const
{
    const qint64 i = qint64(step) + line;
    return step >= 0 && line >= 0 && i < m_entries ? MaskAt(i) : 0;
}

std::vector<qint32> TVexelReg::Values() const
{
    std::vector<qint32> values(static_cast<size_t>(m_entries));
    for (qint32 i = 0; i < m_entries; ++i)
        values[size_t(i)] = ValueAt(i);
    return values;
}

std::vector<quint16> TVexelReg::Masks() const
{
    std::vector<quint16> masks(static_cast<size_t>(m_entries));
    for (qint32 i = 0; i < m_entries; ++i)
        masks[size_t(i)] = MaskAt(i);
    return masks;
}

qint32 TVexelReg::LineValue(int row, int line, const TCodes &draws) const
{
    Q_UNUSED(line);
    const TPointList &points = m_line;
    // Unsigned arithmetic wraps like the stored 32-bit sums instead of
    // overflowing on values read from a damaged file.
    quint32 sum = 0;
    for (int i = 0; i < points.Count(); ++i) {
        const TPoint p = points.Data()[i];
        const qint64 index = qint64(row) + p.y;
        if (index < draws.Count())
            sum += quint32(draws.GetNum(p.x, index < 0 ? -1 : int(index)));
    }
    return qint32(sum);
}

qint32 TVexelReg::NearestRow() const
{
    qint32 nearest = -1000;
    for (int i = 0; i < m_line.Count(); ++i)
        nearest = qMax(nearest, m_line.Data()[i].y);
    return nearest;
}

QString TVexelReg::PointsText() const
{
    return QString::number(m_line.Count());
}

QString TVexelReg::StepsText() const
{
    QString text;
    for (int s = m_stepCount - 1; s >= 0; --s) {
        text += QString::number(Value(s, 0));
        text += QLatin1Char(',');
    }
    if (!text.isEmpty())
        text.chop(1);
    return text;
}

QString TVexelReg::PositionText() const
{
    static const char letters[] = "HABCDEFG";
    QString text;
    for (int b = 0; b <= 4; ++b)
        if (m_targetMask & (1u << b))
            text += QLatin1Char(letters[b]);
    return text;
}

QString TVexelReg::ResultText() const
{
    if (m_stepCount <= 0)
        return QString();
    const qint32 v = Value(0, 0);
    switch (m_kind) {
    case 1:
        return QString::number(v);
    case 2:
        return QString::number(PairedDigit(v));
    default:
        return QString::number(v) + QString::number(PairedDigit(v));
    }
}

namespace {

// Each undirected path through 3 or 4 points, listed once.
const char *const Orders3[] = {"123", "132", "213"};
const char *const Orders4[] = {"1234", "1243", "1324", "1342", "1423", "1432",
                               "2134", "2143", "2314", "2413", "3124", "3214"};

float PathLength(const TPoint *points, const char *order)
{
    float length = 0.0f;
    for (int i = 1; order[i]; ++i) {
        const TPoint a = points[order[i - 1] - '1'];
        const TPoint b = points[order[i] - '1'];
        const qint64 dy = qint64(a.y) - b.y;
        const qint64 dx = qint64(a.x) - b.x;
        // A point read from a damaged file can lie 2^32 rows from another,
        // and the square of that overflows 64 bits. In a double the squares
        // and their sum are exact below 2^53, far beyond any real line, and
        // the sum is rounded to single precision as before.
        length += std::sqrt(float(double(dy) * double(dy) + double(dx) * double(dx)));
    }
    return length;
}

} // namespace

void TVexelReg::ShortestOrder()
{
    const int n = m_line.Count();
    if (n < 3 || n > 4)
        return;
    const char *const *orders = n == 3 ? Orders3 : Orders4;
    const int orderCount = n == 3 ? 3 : 12;
    float best = 10000.0f;
    const char *bestOrder = nullptr;
    for (int i = 0; i < orderCount; ++i) {
        const float length = PathLength(m_line.Data(), orders[i]);
        if (length < best) {
            best = length;
            bestOrder = orders[i];
        }
    }
    if (!bestOrder)
        return;
    TPoint points[4];
    std::copy(m_line.Data(), m_line.Data() + n, points);
    // The reordered line has exactly n places, as a line assigned from a
    // list of n points has. A line that has them already (every line the
    // search makes) is reordered where it is: millions of patterns are
    // reordered as they are found.
    if (m_line.Capacity() != n) {
        m_line.Clear();
        m_line.SetCount(n);
    }
    for (int i = 0; i < n; ++i)
        m_line.Put(i, points[bestOrder[i] - '1']);
}

void TVexelReg::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TVexelReg *>(&source);
    if (!other)
        throw EVexelError(QStringLiteral("TVexelReg.Assign Source isnot valid!"));
    if (other == this)
        return;
    Clear();
    m_line.Assign(other->m_line);
    m_interval = other->m_interval;
    m_stepCount = other->m_stepCount;
    m_drawCount = other->m_drawCount;
    m_targetMask = other->m_targetMask;
    m_targetCount = other->m_targetCount;
    m_kind = other->m_kind;
    // A source whose arrays are shorter than its step count still gives a
    // pattern whose every step can be read.
    const qint64 entries = qMax(0, m_stepCount);
    ResizeSteps(0);
    ResizeSteps(entries);
    for (qint64 i = 0; i < qMin<qint64>(entries, other->m_entries); ++i) {
        SetValueAt(i, other->ValueAt(i));
        SetMaskAt(i, other->MaskAt(i));
    }
}

void TVexelReg::AssignTo(TPersistent &destination) const
{
    auto *other = dynamic_cast<TVexelReg *>(&destination);
    if (!other)
        throw EVexelError(QStringLiteral("TVexelReg.AssignTo Dest isnot valid!"));
    other->Assign(*this);
}

void TVexelReg::LoadFromStream(QDataStream &stream)
{
    stream.setByteOrder(QDataStream::LittleEndian);
    Clear();
    m_line.LoadFromStream(stream);
    qint32 steps = 0;
    stream >> m_targetMask >> m_targetCount >> m_interval >> steps >> m_drawCount >> m_kind;
    // Each step takes 6 bytes in the stream (a value and a mask).
    if (steps < 0 || !StreamLimits::Plausible(stream, steps, 6))
        throw EVexelError(QStringLiteral("TVexelReg.LoadFromStream StepCount isnot valid!"));
    m_stepCount = steps;
    ResizeSteps(0);
    ResizeSteps(steps);
    for (qint32 i = 0; i < steps; ++i) {
        qint32 v = 0;
        stream >> v;
        SetValueAt(i, v);
    }
    for (qint32 i = 0; i < steps; ++i) {
        quint16 m = 0;
        stream >> m;
        SetMaskAt(i, m);
    }
}

void TVexelReg::SaveToStream(QDataStream &stream) const
{
    stream.setByteOrder(QDataStream::LittleEndian);
    m_line.SaveToStream(stream);
    stream << m_targetMask << m_targetCount << m_interval << m_stepCount << m_drawCount << m_kind;
    const qint64 entries = qMax(0, m_stepCount);
    for (qint64 i = 0; i < entries; ++i)
        stream << (i < m_entries ? ValueAt(i) : 0);
    for (qint64 i = 0; i < entries; ++i)
        stream << (i < m_entries ? MaskAt(i) : quint16(0));
}
