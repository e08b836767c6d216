#pragma once

// The search as planned for one history and one set of settings: the
// candidates, masks and intervals, the bounds that spare subtrees which can
// never be accepted, the exact walk, and the kernel's tables. Internal to
// the search engine.

#include "core/FastSearchChoice.h"
#include "core/FastSearchCount.h"
#include "core/FastSearchKernel.h"
#include "core/Hao.h"
#include "core/SearchEngine.h"
#include "core/VexelReg.h"

#include <memory>
#include <vector>

namespace FastSearchImpl {

// The class loop of the meet-in-the-middle search (FastSearchMeet).
struct TMeetCall;
enum class TMeetStatus : int;
using TMeetFn = TMeetStatus (*)(const TMeetCall &);

struct TFound
{
    qint64 counter = 0;
    qint64 interval = 0;
    int mask = 0; // index in the mask table
    std::unique_ptr<TVexelReg> pattern;
};

struct TEngine
{
    const TCodes &draws;
    TSearchPlan plan;
    int N = 0;
    int n = 0;                 // candidates listed
    qint64 nAll = 0;           // and those counted besides (see TSearchPlan)
    const TPoint *cand = nullptr;
    int nm = 0;                // masks
    qint64 intervals = 0;      // evaluations per combination = intervals * nm
    int i0Limit = -1;          // last candidate that may come first in a line
    int cLimit = -1;           // last candidate that may come last in a line
    bool filtered = false;
    TKernelTables tables;      // k and limit are set per chunk
    TVectors byteTab, leafTab, root;
    TKernelFn kernel = nullptr;
    // The choice of engine per point count.
    TSearchShape shape;
    TSearchEngine engineMode = TSearchEngine::Auto;
    int meetRanges = 0;
    int meetClasses = 0;
    size_t meetMatchLimit = MeetMaxMatches;
    TMeetFn meetKernel = nullptr;

    explicit TEngine(const TCodes &d) : draws(d) {}

    // How far back the walk of a line whose farthest point lies at distance
    // `far` can go without reading before the first draw.
    static qint64 Need(qint64 far) { return std::max<qint64>(0, far); }
    qint64 Distance(int c) const { return -qint64(cand[c].y); }

    // The longest interval that can still give an accepted walk for a line
    // whose walk needs `need` draws before each reference row.
    qint64 LastInterval(qint64 need) const
    {
        const qint64 room = qint64(N) - need;
        if (room < 0)
            return qint64(plan.intervalFirst) - 1;
        if (plan.minSteps >= 2)
            return std::min<qint64>(plan.intervalLast, room / (plan.minSteps - 1));
        return plan.intervalLast;
    }

    qint32 Target(qint64 row, quint16 mask) const
    {
        qint32 target = 0;
        for (int p = 0; p <= 4; ++p)
            if (mask & (1u << p))
                target = (target + draws.At(p, int(row)) % 10) % 10;
        return target;
    }

    // The walk of one (line, interval, mask), exactly as the search defines
    // it; the line values go into `values` when given.
    int Walk(const TPoint *points, int count, qint64 interval, quint16 mask,
             std::vector<qint32> *values) const
    {
        qint32 minRow = 0;
        for (int i = 0; i < count; ++i)
            minRow = std::min(minRow, points[i].y);
        const qint64 rows = N;
        int steps = 0;
        for (qint64 r = rows;; r -= interval) {
            if (r + minRow < 0 || r < 0)
                break;
            quint32 sum = 0;
            for (int i = 0; i < count; ++i) {
                const qint64 row = r + points[i].y;
                if (row < rows)
                    sum += quint32(draws.At(points[i].x, int(row)));
            }
            const qint32 v = qint32(sum) % 10;
            if (r < rows && Target(r, mask) != v)
                break;
            ++steps;
            if (values)
                values->push_back(v);
        }
        return steps;
    }

    // Lines that pass the bounds, over every point count searched.
    qint64 ViableLines() const
    {
        qint64 total = 0;
        for (qint64 k = std::max(1, plan.kFirst); k <= std::max(plan.kFirst, plan.kLast) && k <= cLimit + 1; ++k)
            total = SatAdd(total, Binomial(cLimit + 1, k));
        return total;
    }

    // An accepted pattern of the walk above.
    std::unique_ptr<TVexelReg> MakePattern(const std::vector<TPoint> &line, qint64 interval, quint16 mask,
                                           const std::vector<qint32> &values) const;

    void Setup(const TRegOptions &settings);
    void BuildTables(int steps, qint64 lanes, int blocks);
};

} // namespace FastSearchImpl
