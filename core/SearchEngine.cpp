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

TSearchPlan MakeSearchPlan(const TRegOptions &s, int drawCount)
{
    TSearchPlan plan;
    plan.masks = TargetMasks(s.FallTargetGbx);
    // A hand-edited FallTargetGbx can be any 32-bit value; without masks the
    // count is never stored, but it must not overflow on the way.
    plan.targetCount = qint16(qint64(s.FallTargetGbx) + 2);

    // A point farther back than the whole history can never be read, so a
    // line holding one is never accepted, and a point more than the history
    // ahead always reads nothing. Hand-edited distances are clamped to that
    // band (never narrower than the dialog's 1..9) so that they cannot build
    // millions of candidates; what is found among the rest is unchanged.
    const int width = s.RefTailChk ? 7 : 4;
    const qint64 band = qMax<qint64>(qint64(drawCount) + 1, 9);
    const qint64 dFirst = qMax<qint64>(s.LinedDistMinSe, -band);
    const qint64 dLast = qMin<qint64>(s.LinedDistMaxSe, band);
    for (qint64 d = dFirst; d <= dLast; ++d)
        for (int col = 0; col <= width; ++col)
            if (col > 0 || s.RefSumChk)
                plan.candidates.Add(TPoint{col, qint32(-d)});

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
