#pragma once

#include "core/RegOptions.h"

#include <QtGlobal>

// What a search with some settings will cost, worked out without running it.
struct TSearchEstimate
{
    qint64 combinations = 0; // the run's combination counter at its end, exactly (saturated)
    double lines = 0;        // of those, the lines the brute force walks (the rest cannot be accepted)
    double meetWork = 0;     // the cost model's nanoseconds of the point counts the meet-in-the-middle search takes
    double patterns = 0;     // patterns to expect on a history of random digits
};

// For a history of `drawCount` draws. A walk step holds when the line's sum
// mod 10 meets the target sum, which for random digits happens one time in
// ten, whatever came before, as long as the line reads only draws before
// the target's; so a line, interval and mask whose walk fits in the history
// is accepted with probability 0.1^(least steps - 1). The lines are counted
// by their nearest and farthest distance, which decide the distance rule and
// how many intervals fit. Lines on the reference row itself (distance 0,
// from settings the dialog cannot make) are worked out one by one. Each
// point count is costed for the engine that will search it.
TSearchEstimate EstimateSearch(const TRegOptions &settings, int drawCount);

// The estimate's combinations alone, in a moment whatever the settings: the
// combination counter of the whole run.
qint64 SearchCombinations(const TRegOptions &settings, int drawCount);

// How fast this machine searches, on one thread.
struct TSearchSpeed
{
    double linesPerSecond = 0;
    double meetWorkPerSecond = 0;
    double secondsPerPattern = 0;
};

// Times three small real searches (a few tenths of a second).
TSearchSpeed MeasureSearchSpeed();

// The wall time of the search on `threads` threads (0: one per core).
double EstimateSeconds(const TSearchEstimate &estimate, const TSearchSpeed &speed, int threads = 0);
