#include "core/SearchEngine.h"
#include "core/FastSearch.h"

#include <algorithm>

std::vector<quint16> TargetMasks(qint32 fallTarget)
{
    switch (fallTarget) {
    case 0: return {6, 10, 18, 12, 20, 24};  // two-position sums of positions 1..4
    case 1: return {14, 22, 26, 28};         // three-position sums
    case 2: return {30};                     // the four-position sum
    default: return {};
    }
}

namespace {

// The candidates come in rows, one per distance, nearest first. A point more
// than the history (and the dialog's nine rows) ahead reads nothing at any
// step: hand-edited distances ahead stop there, so that they cannot build
// millions of candidates. A point farther back than the history makes the
// walk need a draw before the first one at the forecast step already, so no
// line holding one is ever accepted: those candidates, the last ones, are
// counted (the combination counter counts their lines) but not listed.
struct TCandidateRows
{
    qint64 first = 0; // distances of the listed rows
    qint64 last = -1;
    int cols = 0;     // candidates per row
    qint64 unlisted = 0;
};

TCandidateRows CandidateRows(const TRegOptions &s, int drawCount)
{
    TCandidateRows rows;
    rows.cols = (s.RefTailChk ? 7 : 4) + (s.RefSumChk ? 1 : 0);
    const qint64 ahead = qMax<qint64>(qint64(drawCount) + 1, 9);
    rows.first = qMax<qint64>(s.LinedDistMinSe, -ahead);
    rows.last = qMin<qint64>(s.LinedDistMaxSe, qMax(0, drawCount));
    const qint64 firstUnlisted = qMax(rows.last, rows.first - 1) + 1;
    if (s.LinedDistMaxSe >= firstUnlisted)
        rows.unlisted = (qint64(s.LinedDistMaxSe) - firstUnlisted + 1) * rows.cols;
    return rows;
}

} // namespace

qint64 CandidateCount(const TRegOptions &settings, int drawCount)
{
    const TCandidateRows rows = CandidateRows(settings, drawCount);
    return qMax<qint64>(0, rows.last - rows.first + 1) * rows.cols + rows.unlisted;
}

TSearchPlan MakeSearchPlan(const TRegOptions &s, int drawCount)
{
    TSearchPlan plan;
    plan.masks = TargetMasks(s.FallTargetGbx);
    // A hand-edited FallTargetGbx can be any 32-bit value; without masks the
    // count is never stored, but it must not overflow on the way.
    plan.targetCount = qint16(qint64(s.FallTargetGbx) + 2);

    const TCandidateRows rows = CandidateRows(s, drawCount);
    const int width = s.RefTailChk ? 7 : 4;
    const qint64 listed = qMax<qint64>(0, rows.last - rows.first + 1) * rows.cols;
    if (listed <= TPointList::MaxListSize)
        plan.candidates.SetCapacity(int(listed));
    for (qint64 d = rows.first; d <= rows.last; ++d)
        for (int col = 0; col <= width; ++col)
            if (col > 0 || s.RefSumChk)
                plan.candidates.Add(TPoint{col, qint32(-d)});
    plan.unlistedCandidates = rows.unlisted;

    // A negative point count would have no combination to enumerate; the
    // count starts at 0 instead, whose one empty line is never close enough.
    plan.kFirst = qMax(0, s.LinedPtMinSe);
    plan.kLast = s.LinedPtMaxSe;
    // Steps back by less than one draw would never leave the forecast row.
    plan.intervalFirst = qMax(1, s.InterMinSe);
    plan.intervalLast = s.InterMaxSe;
    // A chain needs at least its forecast step to be a pattern.
    plan.minSteps = qMax(1, s.SecCountSe);
    plan.maxDistance = s.MaxYOfSecSe;
    // An interval beyond the history ends every walk after the forecast
    // step: with two steps or more required it can never be accepted, and
    // with one it would accept the same forecast once for every interval of
    // a hand-edited range of up to 2^31, which no history can back.
    plan.intervalLast = qMin<qint64>(plan.intervalLast, qint64(drawCount));
    return plan;
}

namespace {

std::atomic<int> searchThreads{0};

} // namespace

void SetSearchThreadCount(int threads)
{
    searchThreads.store(qMax(0, threads));
}

int SearchThreadCount()
{
    return searchThreads.load();
}

qint64 RunVexelSearch(const TCodes &draws, const TRegOptions &settings, TSearchSink &sink,
                    const std::atomic<bool> &stop)
{
    TFastSearchConfig config;
    config.threads = SearchThreadCount();
    return RunFastSearch(draws, settings, sink, stop, config);
}
