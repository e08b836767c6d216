#include "tests/support/ReferenceEngine.h"
#include "core/Hao.h"
#include "core/VexelReg.h"

#include <limits>

namespace {

constexpr qint64 Most = std::numeric_limits<qint64>::max();

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
              int interval, quint16 mask, std::vector<qint32> *values)
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

} // namespace

qint64 RunReferenceSearch(const TCodes &draws, const TRegOptions &settings, TSearchSink &sink,
                          const std::atomic<bool> &stop)
{
    const TSearchPlan plan = MakeSearchPlan(settings, draws.Count());
    const int n = plan.candidates.Count();
    const qint64 all = plan.CandidateCount();
    const TPoint *candidates = plan.candidates.Data();
    const qint64 evaluations = qMax<qint64>(0, qint64(plan.intervalLast) - plan.intervalFirst + 1)
        * qint64(plan.masks.size());

    std::vector<qint64> indices;
    std::vector<TPoint> line;
    std::vector<qint32> values;
    qint64 counter = 0;

    for (int k = plan.kFirst;; ++k) {
        sink.Progress(counter);
        // Once k exceeds the candidates no larger count has a combination.
        if (k > all)
            break;
        indices.resize(size_t(k));
        line.resize(size_t(k));
        for (int i = 0; i < k; ++i)
            indices[size_t(i)] = i;
        // The next combination in lexicographic order; false after the last.
        const auto advance = [&] {
            int i = k - 1;
            while (i >= 0 && indices[size_t(i)] >= all - k + i)
                --i;
            if (i < 0)
                return false;
            ++indices[size_t(i)];
            for (int j = i + 1; j < k; ++j)
                indices[size_t(j)] = indices[size_t(i)] + (j - i);
            return true;
        };

        for (;;) {
            // A line holding an unlisted candidate is never accepted, nor is
            // any after it that keeps the points before that one: each is
            // taken, its evaluations rejected, at once.
            int first = 0;
            while (first < k && indices[size_t(first)] < n)
                ++first;
            if (first < k) {
                const qint64 count = Choose(all - indices[size_t(first)], k - first);
                const qint64 end = count > Most - counter ? Most : counter + count;
                for (qint64 m = (counter / ProgressEvery + 1) * ProgressEvery; m <= end && m < Most; m += ProgressEvery)
                    for (qint64 e = 0; e < evaluations; ++e)
                        sink.Progress(m);
                counter = end;
                for (int j = first; j < k; ++j)
                    indices[size_t(j)] = all - k + j;
                if (!advance())
                    break;
                continue;
            }
            ++counter;
            qint32 nearest = -1000;
            qint32 minRow = 0;
            for (int i = 0; i < k; ++i) {
                line[size_t(i)] = candidates[indices[size_t(i)]];
                nearest = qMax(nearest, line[size_t(i)].y);
                minRow = qMin(minRow, line[size_t(i)].y);
            }
            const bool closeEnough = -qint64(nearest) <= plan.maxDistance;

            for (qint64 interval = plan.intervalFirst; interval <= plan.intervalLast; ++interval) {
                for (quint16 mask : plan.masks) {
                    bool found = false;
                    if (closeEnough) {
                        const int steps = WalkChain(draws, line.data(), k, minRow, int(interval),
                                                    mask, nullptr);
                        if (steps >= plan.minSteps) {
                            values.clear();
                            WalkChain(draws, line.data(), k, minRow, int(interval), mask, &values);
                            auto pattern = std::make_unique<TVexelReg>();
                            pattern->SetTargetMask(mask);
                            pattern->SetTargetCount(plan.targetCount);
                            pattern->SetDrawCount(draws.Count());
                            pattern->SetKind(1);
                            pattern->SetInterval(int(interval));
                            for (const TPoint &p : line)
                                pattern->Line(0).Add(p);
                            for (qint32 v : values)
                                pattern->AddStep(&v, mask);
                            sink.Found(std::move(pattern), counter);
                            found = true;
                        }
                    }
                    if (!found && counter % ProgressEvery == 0)
                        sink.Progress(counter);
                    if (stop.load(std::memory_order_relaxed))
                        break;
                }
            }
            if (stop.load(std::memory_order_relaxed))
                return counter;
            if (!advance())
                break;
        }
        if (stop.load(std::memory_order_relaxed) || k >= plan.kLast)
            break;
    }
    return counter;
}
