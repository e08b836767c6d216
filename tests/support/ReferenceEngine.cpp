#include "tests/support/ReferenceEngine.h"
#include "core/Hao.h"
#include "core/VexelReg.h"

#include <limits>

namespace {

constexpr qint64 Most = std::numeric_limits<qint64>::max();

// The search's rules, stated here on their own rather than taken from the
// product's plan.
struct TRules
{
    std::vector<quint16> masks;
    qint16 targetCount = 2;
    std::vector<TPoint> listed; // the candidates a walk can use, in index order
    qint64 all = 0;             // every candidate, the unlisted last ones included
    qint64 kFirst = 0;
    qint64 kLast = 0;
    qint64 intervalFirst = 1;
    qint64 intervalLast = 0;
    int minSteps = 1;
    qint64 maxDistance = 0;
};

TRules RulesOf(const TRegOptions &s, int drawCount)
{
    TRules r;
    switch (s.FallTargetGbx) {
    case 0: r.masks = {6, 10, 18, 12, 20, 24}; break;
    case 1: r.masks = {14, 22, 26, 28}; break;
    case 2: r.masks = {30}; break;
    default: break;
    }
    r.targetCount = qint16(qint64(s.FallTargetGbx) + 2);
    // Distances LinedDistMinSe to LinedDistMaxSe, columns 0 (with the sum)
    // and 1 to 7 (to 4 without the tail). Points more than the history (and
    // nine rows) ahead read nothing and are not searched; points farther
    // back than the history end every walk at its forecast step: their
    // lines are counted, never walked.
    const int width = s.RefTailChk ? 7 : 4;
    const qint64 cols = width + (s.RefSumChk ? 1 : 0);
    const qint64 from = qMax<qint64>(s.LinedDistMinSe, -qMax<qint64>(drawCount + 1, 9));
    for (qint64 d = from; d <= s.LinedDistMaxSe && d <= drawCount; ++d)
        for (int col = s.RefSumChk ? 0 : 1; col <= width; ++col)
            r.listed.push_back(TPoint{col, qint32(-d)});
    const qint64 farFrom = qMax<qint64>(from, qint64(drawCount) + 1);
    r.all = qint64(r.listed.size()) + qMax<qint64>(0, qint64(s.LinedDistMaxSe) - farFrom + 1) * cols;
    r.kFirst = qMax(0, s.LinedPtMinSe);
    r.kLast = s.LinedPtMaxSe;
    // Intervals below 1 are skipped; those beyond the history are not
    // searched (their walks end at the forecast step).
    r.intervalFirst = qMax(1, s.InterMinSe);
    r.intervalLast = qMin<qint64>(s.InterMaxSe, drawCount);
    r.minSteps = qMax(1, s.SecCountSe);
    r.maxDistance = s.MaxYOfSecSe;
    return r;
}

// a choose b, stuck at Most once it passes it.
qint64 Choose(qint64 a, qint64 b)
{
    if (b < 0 || b > a)
        return 0;
    b = qMin(b, a - b);
    unsigned __int128 c = 1;
    for (qint64 i = 0; i < b; ++i) {
        c = c * static_cast<unsigned __int128>(a - i) / static_cast<unsigned __int128>(i + 1);
        if (c > static_cast<unsigned __int128>(Most))
            return Most;
    }
    return qint64(c);
}

// Walks one (line, interval, mask) back from the next draw and returns the
// number of steps that hold; the line values go into `values` when given.
int WalkChain(const TCodes &draws, const TPoint *points, int pointCount, qint32 minRow,
              qint64 interval, quint16 mask, std::vector<qint32> *values)
{
    const qint64 n = draws.Count();
    int steps = 0;
    for (qint64 r = n;; r -= interval) {
        // The step would read a draw before the first one: the walk ends.
        if (r + minRow < 0 || r < 0)
            break;
        quint32 sum = 0;
        for (int i = 0; i < pointCount; ++i) {
            const qint64 row = r + points[i].y;
            if (row < n)
                sum += quint32(draws.At(points[i].x, int(row)));
        }
        const qint32 v = qint32(sum) % 10;
        if (r < n) {
            qint32 target = 0;
            for (int p = 0; p <= 4; ++p)
                if (mask & (1u << p))
                    target = (target + draws.At(p, int(r)) % 10) % 10;
            if (target != v)
                break;
        }
        ++steps;
        if (values)
            values->push_back(v);
    }
    return steps;
}

// Every combination of k candidates in lexicographic order, each evaluated
// with every interval and mask.
class TReferenceRun
{
public:
    TReferenceRun(const TCodes &draws, const TRules &rules, TSearchSink &sink, const std::atomic<bool> &stop)
        : m_draws(draws), m_rules(rules), m_sink(sink), m_stop(stop)
    {
    }

    qint64 Execute()
    {
        for (qint64 k = m_rules.kFirst;; ++k) {
            m_sink.Progress(m_counter);
            // Once k exceeds the candidates no larger count has a combination.
            if (k > m_rules.all)
                break;
            m_k = int(k);
            m_line.resize(size_t(k));
            if (!Combinations(0, 0) || m_stop.load(std::memory_order_relaxed) || k >= m_rules.kLast)
                break;
        }
        return m_counter;
    }

private:
    // The combinations extending the first `level` points with candidates
    // from `from` on; false once a stop was seen.
    bool Combinations(int level, qint64 from)
    {
        if (level == m_k)
            return Evaluate();
        for (qint64 i = from; i <= m_rules.all - (m_k - level); ++i) {
            if (i >= qint64(m_rules.listed.size())) {
                // Every line from here on holds a point farther back than
                // the history: each one is taken, evaluated and rejected.
                Rejected(Choose(m_rules.all - i, m_k - level));
                return true;
            }
            m_line[size_t(level)] = m_rules.listed[size_t(i)];
            if (!Combinations(level + 1, i + 1))
                return false;
        }
        return true;
    }

    // The next `count` combinations, none of which can be accepted.
    void Rejected(qint64 count)
    {
        const qint64 end = count > Most - m_counter ? Most : m_counter + count;
        const qint64 evaluations = qMax<qint64>(0, m_rules.intervalLast - m_rules.intervalFirst + 1)
            * qint64(m_rules.masks.size());
        for (qint64 m = (m_counter / ProgressEvery + 1) * ProgressEvery; evaluations > 0 && m <= end && m < Most;
             m += ProgressEvery)
            for (qint64 e = 0; e < evaluations; ++e)
                m_sink.Progress(m);
        m_counter = end;
    }

    bool Evaluate()
    {
        if (m_counter < Most)
            ++m_counter;
        qint32 nearest = -1000;
        qint32 minRow = 0;
        for (const TPoint &p : m_line) {
            nearest = qMax(nearest, p.y);
            minRow = qMin(minRow, p.y);
        }
        const bool closeEnough = -qint64(nearest) <= m_rules.maxDistance;
        for (qint64 interval = m_rules.intervalFirst; interval <= m_rules.intervalLast; ++interval) {
            for (quint16 mask : m_rules.masks) {
                bool found = false;
                if (closeEnough) {
                    const int steps = WalkChain(m_draws, m_line.data(), m_k, minRow, interval, mask, nullptr);
                    if (steps >= m_rules.minSteps) {
                        m_values.clear();
                        WalkChain(m_draws, m_line.data(), m_k, minRow, interval, mask, &m_values);
                        auto pattern = std::make_unique<TVexelReg>();
                        pattern->SetTargetMask(mask);
                        pattern->SetTargetCount(m_rules.targetCount);
                        pattern->SetDrawCount(m_draws.Count());
                        pattern->SetKind(1);
                        pattern->SetInterval(int(interval));
                        for (const TPoint &p : m_line)
                            pattern->Line(0).Add(p);
                        for (qint32 v : m_values)
                            pattern->AddStep(&v, mask);
                        m_sink.Found(std::move(pattern), m_counter);
                        found = true;
                    }
                }
                if (!found && m_counter % ProgressEvery == 0)
                    m_sink.Progress(m_counter);
                if (m_stop.load(std::memory_order_relaxed))
                    break;
            }
        }
        return !m_stop.load(std::memory_order_relaxed);
    }

    const TCodes &m_draws;
    const TRules &m_rules;
    TSearchSink &m_sink;
    const std::atomic<bool> &m_stop;
    int m_k = 0;
    qint64 m_counter = 0;
    std::vector<TPoint> m_line;
    std::vector<qint32> m_values;
};

} // namespace

qint64 RunReferenceSearch(const TCodes &draws, const TRegOptions &settings, TSearchSink &sink,
                          const std::atomic<bool> &stop)
{
    const TRules rules = RulesOf(settings, draws.Count());
    TReferenceRun run(draws, rules, sink, stop);
    return run.Execute();
}
