#pragma once

#include "core/RegOptions.h"

#include <QString>
#include <QtGlobal>
#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <vector>

class TCodes;
class TVexelReg;

// A backtest asks: had the search been run just before each of some past
// draws, how often would the forecasts of the patterns it found have come
// true? For each tested draw t the search runs on the first t draws exactly
// as a search on that history would, and every found pattern's forecast is
// compared with draw t's target sum.

// A forecast digit picked at random comes true one time in ten.
constexpr double ChanceHitRate = 0.1;

// Forecasts (or consensus tests) made and how many came true.
struct TBacktestTally
{
    qint64 tests = 0;
    qint64 hits = 0;

    double Rate() const { return tests > 0 ? double(hits) / double(tests) : 0.0; }
    void Add(const TBacktestTally &other)
    {
        tests += other.tests;
        hits += other.hits;
    }
    bool operator==(const TBacktestTally &) const = default;
};

// What one tested draw gave.
struct TBacktestDraw
{
    int index = 0;          // zero-based index of the tested draw; its number is index + 1
    qint64 patterns = 0;    // patterns found on the draws before it
    qint64 hits = 0;        // of those, forecasts that came true
    int consensusTests = 0; // targets with at least one pattern
    int consensusHits = 0;  // of those, consensus forecasts that came true
    // The same forecasts by target mask and by the pattern's step count, and
    // each target's consensus test: what the draw adds to the result's tallies.
    std::map<quint16, TBacktestTally> targets;
    std::map<int, TBacktestTally> steps;
    std::map<quint16, TBacktestTally> consensus;

    bool operator==(const TBacktestDraw &) const = default;
};

// A 95 % interval for the hit rate, and the band around the chance rate that
// luck alone gives with the same spread. The draws with tests are the
// independent units: the forecasts of one draw all face the same digits and
// come true or fail together, so counting them as separate trials would make
// the interval far too narrow. With m units the half-widths are the t
// quantile of m − 1 degrees of freedom times the standard error: the normal
// 1.96 would cover the true rate far less often than 95 % when m is small.
struct TRateInterval
{
    bool valid = false;     // needs two draws with tests or more
    int units = 0;          // draws with tests
    double rate = 0;        // hits / tests over those draws
    double standardError = 0;
    double low = 0, high = 0;
    double chanceLow = 0, chanceHigh = 0;

    bool ChanceLike() const { return rate >= chanceLow && rate <= chanceHigh; }
    // Too few draws for the interval or the band to say anything.
    bool TooFew() const;
};

// Below this many draws with tests a rate is shown greyed and with a warning.
constexpr int FewRateUnits = 20;

// The interval of the ratio estimator hits / tests over the units (those
// without tests are left out), with the variance taken between units:
// se² = m / (m − 1) · Σ (hᵢ − R·nᵢ)² / (Σ nᵢ)²; the chance band is 10 % with
// the same half-width. Both ranges are clipped to 0..1.
TRateInterval RateInterval(const std::vector<TBacktestTally> &units);

// The interval of every forecast of the draws, one unit per draw.
TRateInterval HitRateInterval(const std::vector<TBacktestDraw> &draws);
// The same for a part of the forecasts: those of one target, of one step
// count, a target's consensus tests, or every consensus test. The consensus
// tests' chance band is the binomial one: they are independent trials.
TRateInterval TargetRateInterval(const std::vector<TBacktestDraw> &draws, quint16 mask);
TRateInterval StepsRateInterval(const std::vector<TBacktestDraw> &draws, int steps);
TRateInterval ConsensusRateInterval(const std::vector<TBacktestDraw> &draws, quint16 mask);
TRateInterval ConsensusRateInterval(const std::vector<TBacktestDraw> &draws);

struct TBacktestResult
{
    std::vector<TBacktestDraw> draws;              // the tested draws, in draw order
    TBacktestTally total;                          // every forecast
    std::map<quint16, TBacktestTally> targets;     // by target mask
    std::map<int, TBacktestTally> steps;           // by the pattern's step count
    std::map<quint16, TBacktestTally> consensus;   // by target mask: one test per draw with patterns
    bool complete = true;                          // false when stopped: `draws` holds those finished

    TBacktestTally ConsensusTotal() const;
    TRateInterval Interval() const { return HitRateInterval(draws); }
};

// Scores the forecasts of patterns made for draw `index` against it: each
// pattern's forecast, and per target the consensus, the digit most of that
// target's patterns forecast (the smaller digit on a tie).
class TDrawScore
{
public:
    TDrawScore(const TCodes &draws, int index);
    void Add(const TVexelReg &pattern);
    // What the draw gave; call once, after the last Add.
    TBacktestDraw Finish();

private:
    qint32 Actual(quint16 mask);

    const TCodes &m_draws;
    const int m_index;
    TBacktestDraw m_draw;
    std::map<quint16, std::array<qint64, 10>> m_votes;
    std::map<quint16, qint32> m_actual;
};

// The result of the tested draws `draws`, in draw order: every tally is the
// sum of theirs.
TBacktestResult ResultOfDraws(std::vector<TBacktestDraw> draws);

// Called on the thread that runs the backtest, once per finished draw, in the
// order the draws finish (not necessarily draw order).
using TBacktestProgress = std::function<void(const TBacktestDraw &draw, int done, int total)>;

// The zero-based indices of the last `count` draws of a history of
// `drawCount` draws (all of them when it has fewer).
struct TDrawSpan
{
    int first = 0;
    int last = -1;
    int Count() const { return last >= first ? last - first + 1 : 0; }
};
TDrawSpan LastDraws(int drawCount, int count);

// (Sum of draw `index`'s values at the positions of `mask`, each mod 10) mod 10.
qint32 TargetSum(const TCodes &draws, int index, quint16 mask);

// Tests the draws `span` of `draws` (indices within the history). Uses
// `threads` threads (0: one per core): different draws run side by side, one
// search thread each, and a single draw gets them all. Polls `stop`; a
// stopped run returns the draws finished so far with complete = false.
TBacktestResult RunBacktest(const TCodes &draws, const TRegOptions &settings, TDrawSpan span,
                            const std::atomic<bool> &stop, const TBacktestProgress &progress = {},
                            int threads = 0);

// The name of a target as the pattern list shows it: AB, ABD, ... (H for the
// sum column).
QString TargetText(quint16 mask);

// The target masks in the order they are listed: two-position sums, then
// three, then four, then any others by value.
std::vector<quint16> ListedTargets(const std::map<quint16, TBacktestTally> &tallies);
