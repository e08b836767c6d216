#pragma once

#include "ExtList.h"
#include "Persistent.h"

#include <QString>
#include <QtGlobal>
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

    TPointList &Line(int i) { return m_lines[size_t(i)]; }
    const TPointList &Line(int i) const { return m_lines[size_t(i)]; }

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
    qint32 LineCount() const { return m_lineCount; }
    qint32 DrawCount() const { return m_drawCount; }
    void SetDrawCount(qint32 v) { m_drawCount = v; }
    qint16 TargetCount() const { return m_targetCount; }
    void SetTargetCount(qint16 v) { m_targetCount = v; }
    quint16 TargetMask() const { return m_targetMask; }
    void SetTargetMask(quint16 v) { m_targetMask = v; }
    qint32 Kind() const { return m_kind; }
    void SetKind(qint32 v) { m_kind = v; }
    const std::vector<qint32> &Values() const { return m_values; }
    const std::vector<quint16> &Masks() const { return m_masks; }

    void Assign(const TPersistent &source) override;
    void AssignTo(TPersistent &destination) const override;

    void LoadFromStream(QDataStream &stream);
    void SaveToStream(QDataStream &stream) const;

private:
    std::vector<TPointList> m_lines;
    std::vector<qint32> m_values;
    std::vector<quint16> m_masks;
    qint32 m_interval = 0;
    qint32 m_stepCount = 0;
    qint32 m_lineCount = 1;
    qint32 m_drawCount = 0;
    qint16 m_targetCount = 2;
    quint16 m_targetMask = 0;
    qint32 m_kind = 0;
};
