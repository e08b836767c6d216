#pragma once

// Which of the two engines searches each point count: the brute force walks
// every line through the vector kernel, the meet-in-the-middle search
// (FastSearchMeet) finds the lines whose digit sums meet the targets through
// tables of partial sums. Both report the same; the choice is a cost model,
// shared by the engine and the settings dialog's estimate. Internal to the
// search engine.

#include "core/FastSearch.h"

#include <vector>

namespace FastSearchImpl {

// What the choice needs to know of a planned search.
struct TSearchShape
{
    int n = 0;                 // candidates
    int masks = 0;
    int minSteps = 1;          // least steps of an accepted pattern
    qint64 intervalFirst = 1;
    // Per interval from intervalFirst on: the candidates 0 .. usable - 1 can
    // be read at every step of the least chain (the others lie too far back
    // for the history).
    std::vector<int> usable;
    int firstLimit = -1;       // last candidate that may come first in a line (the distance rule)
    int lastLimit = -1;        // last candidate that fits the first interval
    bool exact = true;         // line sums mod 10 add up digit by digit (no negative or huge value)
    // Candidates counted but not listed (farther back than the history): the
    // brute force counts their lines; the meet-in-the-middle search ranks
    // lines among the listed ones only, so it leaves such searches alone.
    qint64 unlisted = 0;

    qint64 Intervals() const { return qint64(usable.size()); }
};

TSearchShape ShapeOf(const TSearchPlan &plan, int drawCount);

// One unit of work of the meet-in-the-middle search of a point count: the
// lines whose first candidate lies in first .. last, each cut after its
// `split` first points; the masks go with the part after the cut, or with
// the part before it.
struct TMeetRange
{
    int first = 0;
    int last = -1;
    int split = 0;
    bool masksAfter = false;
};

struct TPointCountChoice
{
    bool meet = false;
    double lines = 0;   // lines the brute force walks
    double bruteNs = 0; // time of the brute force on one thread, in this machine's nanoseconds
    double meetNs = 0;  // of the meet-in-the-middle search; 0 when it cannot run
    std::vector<TMeetRange> ranges; // of the meet-in-the-middle search, in enumeration order
};

// `ranges`: the meet-in-the-middle search's units of work for this point
// count; 0 lets the cost model choose (as few as keep each one short, so
// that progress moves; the threads share each one's intervals, and get a
// range each only where there are fewer intervals than `threads`).
TPointCountChoice ChoosePointCount(const TSearchShape &shape, int k, int threads, TSearchEngine engine,
                                   int ranges = 0);

// The classes the partial sums are taken in, one at a time, so that a table
// holds one class's share of them: a class is the first digits of a sum,
// each taken mod 10, 5 or 2 (digits that add up mod 10 add up mod 5 and mod
// 2 too), so that the counts run 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000.
struct TMeetClasses
{
    int moduli[3] = {1, 1, 1};

    int Count() const { return moduli[0] * moduli[1] * moduli[2]; }
};

// The fewest classes that hold some ten thousand of `entries` each, taking
// no more digits than the key has.
TMeetClasses MeetClassesFor(double entries, int keyDigits);
// The most classes up to `count`.
TMeetClasses MeetClassesOf(int count, int keyDigits);

// Digits of the key a table is built on: the first steps of the least chain.
constexpr int MeetKeyDigits = 16;

// Sizes beyond which the meet-in-the-middle search would need too much
// memory: it is not chosen then, and a chunk that outgrows them (a history
// of few distinct digits makes far more lines meet than random digits do)
// is left to the brute force.
constexpr size_t MeetMaxListEntries = size_t(1) << 21;
constexpr size_t MeetMaxClassEntries = size_t(1) << 20;
constexpr size_t MeetMaxMatches = size_t(1) << 19;

// The subsets of `size` candidates among 0 .. u - 1 whose first lies in
// lo .. hi (approximately, for sizes).
double SubsetsFirstIn(double u, double size, double lo, double hi);

} // namespace FastSearchImpl
