#include "VexelReg.h"
#include "Hao.h"
#include "StreamLimits.h"
#include "VexelError.h"

#include <QDataStream>
#include <cmath>

TVexelReg::TVexelReg()
    : m_lines(1)
{
    Clear();
}

TVexelReg::TVexelReg(const TVexelReg &other)
    : TPersistent(other), m_lines(size_t(other.m_lineCount)), m_lineCount(other.m_lineCount)
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
    for (TPointList &line : m_lines)
        line.Clear();
    m_interval = 0;
    m_stepCount = 0;
    m_drawCount = 0;
}

void TVexelReg::AddStep(const qint32 *stepValues, quint16 mask)
{
    m_stepCount = qint32(m_values.size() / size_t(m_lineCount)) + 1;
    m_values.insert(m_values.end(), stepValues, stepValues + m_lineCount);
    m_masks.push_back(mask);
}

qint32 TVexelReg::Value(int step, int line) const
{
    const qint64 i = qint64(step) * m_lineCount + line;
    return step >= 0 && line >= 0 && i < qint64(m_values.size()) ? m_values[size_t(i)] : 0;
}

quint16 TVexelReg::StepMask(int step, int line) const
{
    const qint64 i = qint64(step) * m_lineCount + line;
    return step >= 0 && line >= 0 && i < qint64(m_masks.size()) ? m_masks[size_t(i)] : 0;
}

qint32 TVexelReg::LineValue(int row, int line, const TCodes &draws) const
{
    const TPointList &points = m_lines[size_t(line)];
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
    for (const TPointList &line : m_lines)
        for (int i = 0; i < line.Count(); ++i)
            nearest = qMax(nearest, line.Data()[i].y);
    return nearest;
}

QString TVexelReg::PointsText() const
{
    return QString::number(m_lines[0].Count());
}

QString TVexelReg::StepsText() const
{
    QString text;
    for (int s = m_stepCount - 1; s >= 0; --s) {
        for (int m = m_lineCount - 1; m >= 0; --m)
            text += QString::number(Value(s, m));
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
    for (TPointList &line : m_lines) {
        const int n = line.Count();
        if (n < 3 || n > 4)
            continue;
        const char *const *orders = n == 3 ? Orders3 : Orders4;
        const int orderCount = n == 3 ? 3 : 12;
        float best = 10000.0f;
        const char *bestOrder = nullptr;
        for (int i = 0; i < orderCount; ++i) {
            const float length = PathLength(line.Data(), orders[i]);
            if (length < best) {
                best = length;
                bestOrder = orders[i];
            }
        }
        if (!bestOrder)
            continue;
        TPointList reordered;
        for (const char *c = bestOrder; *c; ++c)
            reordered.Add(line.Get(*c - '1'));
        line.Assign(reordered);
    }
}

void TVexelReg::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TVexelReg *>(&source);
    if (!other)
        throw EVexelError(QStringLiteral("TVexelReg.Assign Source isnot valid!"));
    if (other == this)
        return;
    Clear();
    for (size_t i = 0; i < m_lines.size() && i < other->m_lines.size(); ++i)
        m_lines[i].Assign(other->m_lines[i]);
    m_interval = other->m_interval;
    m_stepCount = other->m_stepCount;
    m_lineCount = other->m_lineCount;
    m_drawCount = other->m_drawCount;
    m_targetMask = other->m_targetMask;
    m_targetCount = other->m_targetCount;
    m_kind = other->m_kind;
    const size_t entries = size_t(qMax(0, m_stepCount)) * size_t(m_lineCount);
    m_values.assign(other->m_values.begin(),
                    other->m_values.begin() + qMin(entries, other->m_values.size()));
    m_masks.assign(other->m_masks.begin(),
                   other->m_masks.begin() + qMin(entries, other->m_masks.size()));
    // A source whose arrays are shorter than its step count still gives a
    // pattern whose every step can be read.
    m_values.resize(entries, 0);
    m_masks.resize(entries, 0);
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
    for (TPointList &line : m_lines)
        line.LoadFromStream(stream);
    qint32 steps = 0;
    stream >> m_targetMask >> m_targetCount >> m_interval >> steps >> m_drawCount >> m_kind;
    // Each step takes 6 bytes per line in the stream (a value and a mask).
    if (steps < 0 || !StreamLimits::Plausible(stream, qint64(steps) * m_lineCount, 6))
        throw EVexelError(QStringLiteral("TVexelReg.LoadFromStream StepCount isnot valid!"));
    m_stepCount = steps;
    const size_t entries = size_t(steps) * size_t(m_lineCount);
    m_values.assign(entries, 0);
    m_masks.assign(entries, 0);
    for (qint32 &v : m_values)
        stream >> v;
    for (quint16 &m : m_masks)
        stream >> m;
}

void TVexelReg::SaveToStream(QDataStream &stream) const
{
    stream.setByteOrder(QDataStream::LittleEndian);
    for (const TPointList &line : m_lines)
        line.SaveToStream(stream);
    stream << m_targetMask << m_targetCount << m_interval << m_stepCount << m_drawCount << m_kind;
    const size_t entries = size_t(qMax(0, m_stepCount)) * size_t(m_lineCount);
    for (size_t i = 0; i < entries; ++i)
        stream << (i < m_values.size() ? m_values[i] : 0);
    for (size_t i = 0; i < entries; ++i)
        stream << (i < m_masks.size() ? m_masks[i] : quint16(0));
}
