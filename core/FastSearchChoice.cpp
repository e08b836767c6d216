#include "core/FastSearchChoice.h"
#include "core/Probability.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace FastSearchImpl {

namespace {

// Costs measured on the benchmark's machine (vexel-bench), in nanoseconds.
// Only their ratios decide; the settings dialog times the engines itself.
constexpr double BruteLineNs = 3.6;    // a line through the kernel, per 128 lanes
constexpr double BruteWalkNs = 12.0;   // a lane walked exactly, where the kernel cannot run
constexpr double MeetEntryNs = 5.2;    // a partial sum made and put in a table
constexpr double MeetProbeNs = 3.9;    // a partial sum made and looked up
constexpr double MeetVisitNs = 2.0;    // an outer list entry or bucket visited for a class
constexpr double MeetListNs = 50.0;    // a list entry made, classed and sorted
constexpr double MeetMatchNs = 500.0;  // a match kept, sorted and walked
constexpr double MeetFixedNs = 26000;  // the lists of one interval of one range
// The meet-in-the-middle search runs only where it is clearly cheaper.
constexpr double MeetMargin = 1.25;

constexpr int MeetMostCandidates = 1024;
constexpr size_t MeetMostIntervalGroups = 256; // intervals of different usable candidates

// Time the meet-in-the-middle search of one range may take on one thread:
// the counter stands still while the threads work on it, but narrower
// ranges cost more in all (on max, about 0.4 s on two threads and 16 %
// more than one range).
constexpr double RangeNs = 8e8;

double Choose(double a, double b)
{
    if (b < 0 || a < 0 || b > a)
        return 0;
    if (b == 0 || b == a)
        return 1;
    return std::exp(Probability::LogGamma(a + 1) - Probability::LogGamma(b + 1) - Probability::LogGamma(a - b + 1));
}

double FirstIn(double u, double size, double lo, double hi)
{
    return SubsetsFirstIn(u, size, lo, hi);
}

struct TRangeCost
{
    double ns = 0;
    double matches = 0;
    bool fits = true;
};

class TMeetCost
{
public:
    TMeetCost(const TSearchShape &shape, int k) : m_shape(shape), m_k(k)
    {
        // Intervals with the same usable candidates cost the same.
        for (int u : shape.usable) {
            if (!m_groups.empty() && m_groups.back().first == u)
                ++m_groups.back().second;
            else
                m_groups.push_back({u, 1});
        }
        m_keyDigits = std::min(shape.minSteps - 1, MeetKeyDigits);
    }

    // The last first candidate worth searching.
    int LastFirst() const
    {
        int most = 0;
        for (int u : m_shape.usable)
            most = std::max(most, u);
        return std::min(m_shape.firstLimit, most - m_k);
    }

    TRangeCost Cost(int lo, int hi, int split, bool masksAfter) const
    {
        TRangeCost cost;
        const double m = m_shape.masks;
        const double before = masksAfter ? 1 : m, after = masksAfter ? m : 1;
        const int k = m_k;
        const int a = (split + 1) / 2, b = split - a, c = (k - split) / 2, d = k - split - c;
        for (const auto &[u, weight] : m_groups) {
            const int top = std::min(hi, u - k);
            if (top < lo)
                continue;
            const double table = before * FirstIn(u, split, lo, top);
            const double probes = after * Choose(u - lo - split, k - split);
            const double listA = before * FirstIn(u, a, lo, top);
            const double listB = Choose(u - lo - a, b);
            const double listC = Choose(u - lo - split, c);
            const double listD = after * Choose(u - lo - split, d);
            const double classes = MeetClassesFor(table, m_keyDigits).Count();
            const double matches = m * FirstIn(u, k, lo, top) * std::pow(0.1, m_keyDigits);
            if (std::max({listA, listB, listC, listD}) > double(MeetMaxListEntries)
                || table / classes > double(MeetMaxClassEntries))
                cost.fits = false;
            cost.matches += weight * matches;
            cost.ns += weight
                * (MeetFixedNs + MeetListNs * (listA + listB + listC + listD) + MeetEntryNs * table
                   + MeetProbeNs * probes + MeetVisitNs * classes * (listB + listC + 2 * classes)
                   + MeetMatchNs * matches);
        }
        return cost;
    }

    // The cheapest way to search a range.
    std::pair<TMeetRange, TRangeCost> Best(int lo, int hi) const
    {
        TMeetRange best{lo, hi, 0, false};
        TRangeCost bestCost;
        bestCost.ns = std::numeric_limits<double>::infinity();
        bestCost.fits = false;
        for (int split = 1; split < m_k; ++split)
            for (bool masksAfter : {false, true}) {
                const TRangeCost c = Cost(lo, hi, split, masksAfter);
                if (c.fits && c.ns < bestCost.ns) {
                    best = TMeetRange{lo, hi, split, masksAfter};
                    bestCost = c;
                }
            }
        return {best, bestCost};
    }

    size_t Groups() const { return m_groups.size(); }

private:
    const TSearchShape &m_shape;
    const int m_k;
    int m_keyDigits = 0;
    std::vector<std::pair<int, int>> m_groups; // usable candidates, intervals with them
};

} // namespace

double SubsetsFirstIn(double u, double size, double lo, double hi)
{
    if (size == 0)
        return 1;
    return std::max(0.0, Choose(u - lo, size) - Choose(u - hi - 1, size));
}

namespace {

// The class counts in order, and the moduli of the first three digits.
constexpr int ClassSeries[][3] = {{1, 1, 1},  {2, 1, 1},   {5, 1, 1},   {10, 1, 1},  {10, 2, 1},
                                  {10, 5, 1}, {10, 10, 1}, {10, 10, 2}, {10, 10, 5}, {10, 10, 10}};

TMeetClasses ClassesAt(size_t i)
{
    TMeetClasses c;
    std::copy(std::begin(ClassSeries[i]), std::end(ClassSeries[i]), c.moduli);
    return c;
}

// The last of the series that takes no more than `keyDigits` digits.
size_t LastClasses(int keyDigits)
{
    size_t last = 0;
    for (size_t i = 0; i < std::size(ClassSeries); ++i) {
        int digits = 0;
        for (int m : ClassSeries[i])
            digits += m > 1;
        if (digits <= keyDigits)
            last = i;
    }
    return last;
}

} // namespace

TMeetClasses MeetClassesFor(double entries, int keyDigits)
{
    // The table, its slots and its filter stay in the processor's
    // second-level cache beside the lists that stream past.
    constexpr double ClassEntries = 60000;
    const size_t last = LastClasses(keyDigits);
    size_t i = 0;
    while (i < last && entries / ClassesAt(i).Count() > ClassEntries)
        ++i;
    return ClassesAt(i);
}

TMeetClasses MeetClassesOf(int count, int keyDigits)
{
    const size_t last = LastClasses(keyDigits);
    size_t i = 0;
    while (i < last && ClassesAt(i + 1).Count() <= count)
        ++i;
    return ClassesAt(i);
}

TSearchShape ShapeOf(const TSearchPlan &plan, int drawCount)
{
    TSearchShape s;
    s.n = plan.candidates.Count();
    s.unlisted = plan.unlistedCandidates;
    s.masks = int(plan.masks.size());
    s.minSteps = plan.minSteps;
    s.intervalFirst = plan.intervalFirst;
    const TPoint *cand = plan.candidates.Data();
    // The distance rule: a line's nearest point is its first (candidates
    // come nearest first), its distance counted as 1000 at most.
    for (int c = 0; c < s.n; ++c) {
        if (-qint64(std::max(-1000, cand[c].y)) > plan.maxDistance)
            break;
        s.firstLimit = c;
    }
    if (plan.intervalLast < plan.intervalFirst || plan.masks.empty())
        return s;
    // A candidate d draws back fits an interval when the least chain's last
    // step, (least steps - 1) intervals back, still finds its draw.
    // Longer intervals fit no more candidates than shorter ones.
    const qint64 span = qint64(plan.minSteps) - 1;
    int u = s.n;
    for (qint64 interval = plan.intervalFirst; interval <= plan.intervalLast; ++interval) {
        const qint64 room = qint64(drawCount) - interval * span;
        while (u > 0 && room - std::max<qint64>(0, -qint64(cand[u - 1].y)) < 0)
            --u;
        s.usable.push_back(u);
    }
    s.lastLimit = s.usable.front() - 1;
    return s;
}

TPointCountChoice ChoosePointCount(const TSearchShape &shape, int k, int threads, TSearchEngine engine,
                                   int ranges)
{
    TPointCountChoice choice;
    const double last = shape.lastLimit;
    const double first = std::min<double>(shape.firstLimit, last);
    if (k >= 1 && first >= 0)
        choice.lines = std::max(0.0, Choose(last + 1, k) - Choose(last - first, k));
    int lanes = 0;
    for (int u : shape.usable)
        lanes += u > 0 ? shape.masks : 0;
    const bool kernel = shape.exact && shape.minSteps >= 2;
    choice.bruteNs = choice.lines * (kernel ? BruteLineNs * std::ceil(lanes / 128.0) : BruteWalkNs * lanes);

    // Settings far beyond the dialog's (thousands of candidates or of
    // intervals) are left to the brute force, as is choosing for them.
    const bool possible = engine != TSearchEngine::BruteForce && kernel && k >= 2 && shape.masks > 0
        && shape.n <= MeetMostCandidates && shape.unlisted == 0 && !shape.usable.empty();
    if (!possible)
        return choice;
    const TMeetCost cost(shape, k);
    const int lastFirst = cost.LastFirst();
    if (lastFirst < 0 || cost.Groups() > MeetMostIntervalGroups)
        return choice;

    const auto [all, whole] = cost.Best(0, lastFirst);
    if (!whole.fits)
        return choice;
    // A range keeps its matches until it is done: a few hundred thousand,
    // well below the bound at which it gives up.
    const double matchesPerRange = double(MeetMaxMatches) / 8;
    auto fits = [&](const TRangeCost &c) { return c.fits && c.matches <= 2 * matchesPerRange; };
    // Asked for a number of ranges: ranges of about equal cost. Otherwise
    // ranges of at most RangeNs each, as few as that allows. A range costs
    // more than its share of the whole, as each one looks up the back parts
    // of its lines anew, so narrower ranges make the search dearer.
    const int count = ranges > 0 ? std::min(ranges, lastFirst + 1) : 0;
    double budget = count > 0 ? whole.ns / count : RangeNs;
    // The threads share a range's intervals; with fewer intervals than
    // threads, they need a range each.
    if (count == 0 && int(shape.usable.size()) < threads)
        budget = std::min(budget, whole.ns / threads);
    for (int lo = 0; lo <= lastFirst;) {
        // The widest range from lo within the budget (a range costs more as
        // it widens), leaving a first candidate to each range asked for
        // after it.
        const int rangesLeft = count - int(choice.ranges.size());
        int hi = lastFirst;
        if (count == 0 || rangesLeft > 1) {
            hi = lo;
            for (int l = lo + 1, r = count > 0 ? lastFirst - (rangesLeft - 1) : lastFirst; l <= r;) {
                const int mid = l + (r - l) / 2;
                const TRangeCost c = cost.Best(lo, mid).second;
                if (fits(c) && c.ns <= budget) {
                    hi = mid;
                    l = mid + 1;
                } else {
                    r = mid - 1;
                }
            }
        }
        const auto best = cost.Best(lo, hi);
        if (!fits(best.second))
            return TPointCountChoice{false, choice.lines, choice.bruteNs, 0, {}};
        choice.ranges.push_back(best.first);
        choice.meetNs += best.second.ns;
        lo = hi + 1;
    }
    choice.meet = engine == TSearchEngine::MeetInMiddle || choice.meetNs * MeetMargin < choice.bruteNs;
    if (!choice.meet)
        choice.ranges.clear();
    return choice;
}

} // namespace FastSearchImpl
