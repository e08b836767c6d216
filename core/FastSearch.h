#pragma once

#include "core/SearchEngine.h"

#include <QtGlobal>
#include <atomic>
#include <vector>

// Searches that walk fewer lines than this run on the calling thread alone:
// handing work between threads would cost more.
constexpr qint64 ParallelSearchLines = qint64(1) << 22;

// Instruction sets the search kernel is built for. The search picks the best
// one the processor has unless told otherwise.
enum class TSearchIsa { Auto, Generic, Avx2, Avx512 };

// The engine of each point count: chosen by a cost model, or one of the two
// throughout (where the meet-in-the-middle search cannot run, on histories
// holding values other than digits or for chains of a single step, the
// brute force runs).
enum class TSearchEngine { Auto, BruteForce, MeetInMiddle };

struct TFastSearchConfig
{
    int threads = 0;              // worker threads; 0 or less: QThread::idealThreadCount()
    int progressIntervalMs = 200; // progress reports never further apart than this; 0: only the counted ones
    TSearchIsa isa = TSearchIsa::Auto;
    qint64 chunkCombinations = 0; // combinations per unit of work; 0: chosen from the search size
    // Found patterns that may wait for the calling thread before workers on
    // later chunks pause; bounds the memory of a search that finds many.
    qint64 waitingPatterns = 16384;
    // Found patterns a worker collects before it hands them over.
    int foundBatch = 1024;
    TSearchEngine engine = TSearchEngine::Auto;
    // Units of work of each point count the meet-in-the-middle search
    // takes; 0: chosen from its cost.
    int meetRanges = 0;
    // Classes its partial sums are taken in (at most this many of 1, 2, 5,
    // 10, 20, 50, ... 1000); 0: chosen from the table sizes.
    int meetClasses = 0;
    // Matches of a unit beyond which it is left to the brute force; 0: the
    // engine's own bound.
    qint64 meetMatchLimit = 0;
};

// The instruction sets this processor can run, Generic first.
std::vector<TSearchIsa> SupportedSearchIsas();
const char *SearchIsaName(TSearchIsa isa);

// The exhaustive search of RunVexelSearch, spread over worker threads. The
// reports reach `sink` on the calling thread, in exactly the order and with
// exactly the counters of a one-by-one walk of every combination, interval
// and mask; besides those, a progress report with the combinations merged so
// far comes before progressIntervalMs pass without one. After a stop request
// the run returns within a few milliseconds; what it reported until then is
// a prefix of what the whole run would report (with the meet-in-the-middle
// search: the patterns of the chunks finished before the stop).
qint64 RunFastSearch(const TCodes &draws, const TRegOptions &settings, TSearchSink &sink,
                     const std::atomic<bool> &stop, const TFastSearchConfig &config = {});
