// The search as its rules read, one (combination, interval, mask) at a time.
// It shares nothing with the product's search but the draw list and the
// pattern record: the candidates, the masks, what becomes of hand-edited
// settings and the walk are its own.
#include "tests/support/ReferenceEngine.h"
#include "core/Hao.h"
#include "core/VexelReg.h"

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 Most = std::numeric_limits<qint64>::max();

// a choose b, stuck at Most once it passes it.
qint64 Choose(qint64 a, qint64 b)
{
    if (b < 0 || b > a)
        return 0;
    b = std::min(b, a - b);
    unsigned __int128 c = 1;
    for (qint64 i = 0; i < b; ++i) {
        c = c * static_cast<unsigned __int128>(a - i) / static_cast<unsigned __int128>(i + 1);
        if (c > static_cast<unsigned __int128>(Most))
            return Most;
    }
    return qint64(c);
}

// Besides the start of each point count, progress comes after a rejected
// evaluation whenever the combination counter is a multiple of this.
constexpr qint64 EveryCombinations = 112323;

std::vector<quint16> MasksOf(qint32 fallTarget)
{
    if (fallTarget == 0)
        return {6, 10, 18, 12, 20, 24};
    if (fallTarget == 1)
        return {14, 22, 26, 28};
    if (fallTarget == 2)
        return {30};
    return {};
}

// The settings as the search uses them. The dialog cannot make the values
// the bounds act on; a hand-edited settings file can:
// - distances within max(N + 1, 9) draws ahead of the reference row (a point
//   farther ahead never reads anything, and is not a candidate at all);
// - points farther back than that can never be read, so no line holding one
//   is accepted; they are candidates all the same, the last ones, and the
//   combination counter counts their lines;
// - point counts from 0 on, intervals from 1 to N (a longer one ends every
//   walk at the forecast step), at least one step.
struct TRules
{
    qint64 firstDistance, lastDistance;
    qint64 unreadable; // candidates beyond lastDistance
    int width;
    bool sumColumn;
    qint64 firstPoints, lastPoints;
    qint64 firstInterval, lastInterval;
    qint64 leastSteps;
    qint64 farthestNearest;
    std::vector<quint16> masks;
    qint16 targetCount;
};

TRules RulesOf(const TRegOptions &s, int drawCount)
{
    const qint64 reach = std::max<qint64>(qint64(drawCount) + 1, 9);
    TRules r;
    r.firstDistance = std::max<qint64>(s.LinedDistMinSe, -reach);
    r.lastDistance = std::min<qint64>(s.LinedDistMaxSe, reach);
    r.width = s.RefTailChk ? 7 : 4;
    r.sumColumn = s.RefSumChk;
    const qint64 firstUnreadable = std::max(r.lastDistance, r.firstDistance - 1) + 1;
    r.unreadable = std::max<qint64>(0, qint64(s.LinedDistMaxSe) - firstUnreadable + 1)
        * (r.width + (r.sumColumn ? 1 : 0));
    r.firstPoints = std::max<qint64>(s.LinedPtMinSe, 0);
    r.lastPoints = s.LinedPtMaxSe;
    r.firstInterval = std::max<qint64>(s.InterMinSe, 1);
    r.lastInterval = std::min<qint64>(s.InterMaxSe, drawCount);
    r.leastSteps = std::max<qint64>(s.SecCountSe, 1);
    r.farthestNearest = s.MaxYOfSecSe;
    r.masks = MasksOf(s.FallTargetGbx);
    r.targetCount = qint16(qint64(s.FallTargetGbx) + 2);
    return r;
}

// One line walked back from the next draw in steps of one interval, for
// every mask in turn: the line values of its steps, worked out once.
class TWalk
{
public:
    TWalk(const TCodes &draws, const TVexelReg &line, qint64 interval) : m_draws(draws), m_line(line), m_interval(interval)
    {
        for (int i = 0; i < line.Line(0).Count(); ++i)
            m_deepest = std::min<qint64>(m_deepest, line.Line(0).Get(i).y);
    }

    // The line values of the steps that hold for `mask` go into `values`.
    // The walk ends at the first step that fails or that would read a draw
    // before the first (the line's deepest point or the target's draw).
    void Run(quint16 mask, std::vector<qint32> &values)
    {
        const qint64 n = m_draws.Count();
        values.clear();
        for (qint64 step = 0;; ++step) {
            const qint64 row = n - m_interval * step;
            if (row < 0 || row + m_deepest < 0)
                return;
            if (step == qint64(m_values.size()))
                m_values.push_back(m_line.LineValue(int(row), 0, m_draws) % 10);
            const qint32 value = m_values[size_t(step)];
            if (row < n) {
                qint32 target = 0;
                for (int p = 0; p <= 4; ++p)
                    if (mask & (1u << p))
                        target = (target + m_draws.GetNum(p, int(row)) % 10) % 10;
                if (target != value)
                    return;
            }
            values.push_back(value);
        }
    }

private:
    const TCodes &m_draws;
    const TVexelReg &m_line;
    const qint64 m_interval;
    qint64 m_deepest = 0;
    std::vector<qint32> m_values;
};

} // namespace

qint64 RunReferenceSearch(const TCodes &draws, const TRegOptions &settings, TSearchSink &sink,
                          const std::atomic<bool> &stop)
{
    const TRules rules = RulesOf(settings, draws.Count());
    std::vector<TPoint> candidates;
    for (qint64 d = rules.firstDistance; d <= rules.lastDistance; ++d)
        for (int column = rules.sumColumn ? 0 : 1; column <= rules.width; ++column)
            candidates.push_back(TPoint{column, qint32(-d)});
    const qint64 n = qint64(candidates.size());
    const qint64 all = n + rules.unreadable;
    const qint64 evaluations =
        std::max<qint64>(0, rules.lastInterval - rules.firstInterval + 1) * qint64(rules.masks.size());

    auto stopped = [&] { return stop.load(std::memory_order_relaxed); };
    qint64 counter = 0;
    TVexelReg line;
    std::vector<qint32> values;
    for (qint64 k = rules.firstPoints;; ++k) {
        sink.Progress(counter);
        // No combination of more points than candidates, nor of any more.
        if (k > all)
            break;
        std::vector<qint64> chosen(static_cast<size_t>(k));
        for (int i = 0; i < int(k); ++i)
            chosen[size_t(i)] = i;
        // The next combination in lexicographic order; false after the last.
        const auto advance = [&] {
            int place = int(k) - 1;
            while (place >= 0 && chosen[size_t(place)] >= all - k + place)
                --place;
            if (place < 0)
                return false;
            ++chosen[size_t(place)];
            for (int j = place + 1; j < int(k); ++j)
                chosen[size_t(j)] = chosen[size_t(place)] + (j - place);
            return true;
        };
        for (bool more = true; more;) {
            // The lines from here that keep the points before the first
            // unreadable one: every evaluation of each is rejected.
            int first = 0;
            while (first < int(k) && chosen[size_t(first)] < n)
                ++first;
            if (first < int(k)) {
                const qint64 count = Choose(all - chosen[size_t(first)], k - first);
                const qint64 end = count > Most - counter ? Most : counter + count;
                for (qint64 m = (counter / EveryCombinations + 1) * EveryCombinations; m <= end && m < Most;
                     m += EveryCombinations)
                    for (qint64 e = 0; e < evaluations; ++e)
                        sink.Progress(m);
                counter = end;
                for (int j = first; j < int(k); ++j)
                    chosen[size_t(j)] = all - k + j;
                more = advance();
                continue;
            }
            ++counter;
            line.Line(0).Clear();
            for (qint64 c : chosen)
                line.Line(0).Add(candidates[size_t(c)]);
            const bool nearEnough = -qint64(line.NearestRow()) <= rules.farthestNearest;
            for (qint64 interval = rules.firstInterval; interval <= rules.lastInterval; ++interval) {
                TWalk walk(draws, line, interval);
                for (quint16 mask : rules.masks) {
                    bool found = false;
                    if (nearEnough) {
                        walk.Run(mask, values);
                        if (qint64(values.size()) >= rules.leastSteps) {
                            auto pattern = std::make_unique<TVexelReg>();
                            pattern->SetTargetMask(mask);
                            pattern->SetTargetCount(rules.targetCount);
                            pattern->SetDrawCount(draws.Count());
                            pattern->SetKind(1);
                            pattern->SetInterval(qint32(interval));
                            for (qint64 c : chosen)
                                pattern->Line(0).Add(candidates[size_t(c)]);
                            for (qint32 v : values)
                                pattern->AddStep(&v, mask);
                            sink.Found(std::move(pattern), counter);
                            found = true;
                        }
                    }
                    if (!found && counter % EveryCombinations == 0)
                        sink.Progress(counter);
                    // A stop leaves the mask loop; the next interval's first
                    // evaluation leaves it again.
                    if (stopped())
                        break;
                }
            }
            if (stopped())
                return counter;
            more = advance();
        }
        if (k >= rules.lastPoints)
            break;
    }
    return counter;
}
