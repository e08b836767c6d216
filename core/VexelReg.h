#pragma once

#include "core/ExtList.h"
#include "core/Persistent.h"

#include <QString>
#include <QtGlobal>
#include <memory>
#include <vector>

class QDataStream;
class TCodes;

// One Vexel pattern: a line of grid points, an interval, a target mask and
// the chain of steps at which the line's digit sum matched the target sum.
// Step 0 lies at the next, not yet drawn, draw; its value is the forecast.
class TVexelReg : public TPersistent
{
public:
    TVexelReg();
    TVexelReg(const TVexelReg &other);
    TVexelReg &operator=(const TVexelReg &other);
    ~TVexelReg() override;

    void Clear();

    TPointList &Line(int i) { Q_ASSERT(i == 0); Q_UNUSED(i); return m_line; }
    const TPointList &Line(int i) const { Q_ASSERT(i == 0); Q_UNUSED(i); return m_line; }

    void AddStep(const qint32 *stepValues, quint16 mask);
    void AddStep(std::initializer_list<qint32> stepValues, quint16 mask) { AddStep(stepValues.begin(), mask); }
    // Entries outside the stored steps read as 0, so a pattern read from a
    // damaged file can still be listed and drawn.
    qint32 Value(int step, int line) const;
    quint16 StepMask(int step, int line) const;

    qint32 LineValue(int row, int line, const TCodes &draws) const;
    qint32 NearestRow() const;

    QString PointsText() const;
    QString StepsText() const;
    QString PositionText() const;
    QString ResultText() const;
    void ShortestOrder();

    static qint32 PairedDigit(qint32 v) { return qint32((qint64(v) + 15) % 10); }

    qint32 Interval() const { return m_interval; }
    void SetInterval(qint32 v) { m_interval = v; }
    qint32 StepCount() const { return m_stepCount; }
    qint32 LineCount() const { return 1; }
    qint32 DrawCount() const { return m_drawCount; }
    void SetDrawCount(qint32 v) { m_drawCount = v; }
    qint16 TargetCount() const { return m_targetCount; }
    void SetTargetCount(qint16 v) { m_targetCount = v; }
    quint16 TargetMask() const { return m_targetMask; }
    void SetTargetMask(quint16 v) { m_targetMask = v; }
    qint32 Kind() const { return m_kind; }
    void SetKind(qint32 v) { m_kind = v; }
    // Copies of every value and mask held.
    std::vector<qint32> Values() const;
    std::vector<quint16> Masks() const;
    // Where the values and masks live, for fetching them ahead when many
    // patterns are read in a row; null when none are held.
    const void *StepData() const { return m_steps.get(); }

    void Assign(const TPersistent &source) override;
    void AssignTo(TPersistent &destination) const override;

    void LoadFromStream(QDataStream &stream);
    void SaveToStream(QDataStream &stream) const;

private:
    // The values and masks of the steps live in one block: `capacity`
    // values, then `capacity` masks. The capacity follows from the number of
    // entries alone (see StepCapacity), so it needs no field of its own.
    static qint64 StepCapacity(qint64 entries);
    // Sets the number of entries; the first ones keep their values, new
    // ones are zero.
    void ResizeSteps(qint64 entries);
    qint32 ValueAt(qint64 i) const;
    quint16 MaskAt(qint64 i) const;
    void SetValueAt(qint64 i, qint32 value);
    void SetMaskAt(qint64 i, quint16 mask);

    // The one line (a pattern always has exactly one).
    TPointList m_line;
    std::unique_ptr<char[]> m_steps;
    qint32 m_entries = 0;   // values (and masks) held; may exceed the step count after Clear
    qint32 m_interval = 0;
    qint32 m_stepCount = 0;
    qint32 m_drawCount = 0;
    qint32 m_kind = 0;
    qint16 m_targetCount = 2;
    quint16 m_targetMask = 0;
};
