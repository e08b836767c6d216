#pragma once

#include "core/RegOptions.h"

// The family of searches the benchmark measures and the cost estimate times
// itself on, as a user sets them in the settings dialog: distances 1 to 9,
// the sum column and the last three digits on, 1 to `maxPoints` points,
// intervals 1 to 20, the nearest point at most 6 back, at least `minSteps`
// steps, two-position targets. "wide" is (4, 6), "deep" (6, 9), "max"
// (9, 12); (6, 3) finds hundreds of millions of patterns.
inline TRegOptions WideSearchSettings(int maxPoints, int minSteps)
{
    TRegOptions s;
    s.LinedDistMinSe = 1;
    s.LinedDistMaxSe = 9;
    s.RefSumChk = true;
    s.RefTailChk = true;
    s.LinedPtMinSe = 1;
    s.LinedPtMaxSe = maxPoints;
    s.InterMinSe = 1;
    s.InterMaxSe = 20;
    s.MaxYOfSecSe = 6;
    s.SecCountSe = minSteps;
    s.FallTargetGbx = 0;
    return s;
}
