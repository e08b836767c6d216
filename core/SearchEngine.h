#pragma once

#include "core/ExtList.h"
#include "core/RegOptions.h"

#include <QtGlobal>
#include <atomic>
#include <memory>
#include <vector>

class TCodes;
class TVexelReg;

// Receives what a search run reports, in the order the run makes them.
class TSearchSink
{
public:
    virtual ~TSearchSink() = default;
    virtual void Progress(qint64 combinations) = 0;
    // The same progress report `times` times in a row, as a line at a
    // multiple of the progress interval makes one for each of its rejected
    // evaluations; a sink that treats repeats as one can take them at once.
    virtual void ProgressRepeated(qint64 combinations, qint64 times)
    {
        for (qint64 i = 0; i < times; ++i)
            Progress(combinations);
    }
    virtual void Found(std::unique_ptr<TVexelReg> pattern, qint64 combinations) = 0;
};

// The values a run derives from the settings before it enumerates anything.
struct TSearchPlan
{
    std::vector<quint16> masks;   // target masks, in evaluation order
    qint16 targetCount = 2;
    TPointList candidates;        // candidate grid points, in index order
    // Candidates after the listed ones, farther back than the history: no
    // line holding one is ever accepted, so they are never built, but the
    // combination counter counts their lines all the same.
    qint64 unlistedCandidates = 0;
    int kFirst = 0;               // first point count (always searched)
    int kLast = 0;                // last point count
    int intervalFirst = 1;
    int intervalLast = 0;
    int minSteps = 0;             // least steps of an accepted pattern (at least 1)
    int maxDistance = 0;          // largest distance of a line's nearest point

    qint64 CandidateCount() const { return candidates.Count() + unlistedCandidates; }
};

// Progress is reported whenever the combination counter is a multiple of this.
constexpr qint64 ProgressEvery = 112323;

std::vector<quint16> TargetMasks(qint32 fallTarget);
TSearchPlan MakeSearchPlan(const TRegOptions &settings, int drawCount);
// The plan's CandidateCount(), worked out without building the candidates.
qint64 CandidateCount(const TRegOptions &settings, int drawCount);

// The exhaustive search over every point count, combination, interval and
// mask of the plan. Reports progress at the start of each point count and,
// after each rejected evaluation, whenever the counter is a multiple of
// ProgressEvery; reports every accepted pattern with the counter of its
// combination, in enumeration order. Polls `stop`; does not report the end.
// Returns the number of combinations taken. Runs on SearchThreadCount()
// worker threads (see RunFastSearch).
qint64 RunVexelSearch(const TCodes &draws, const TRegOptions &settings, TSearchSink &sink,
                    const std::atomic<bool> &stop);

// Worker threads of every later RunVexelSearch; 0 (the default) means one
// per core.
void SetSearchThreadCount(int threads);
int SearchThreadCount();
