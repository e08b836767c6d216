#pragma once

// Units of work: the lines of each point count cut into chunks by their
// leading indices, in enumeration order, each with the counters it spans.
// Internal to the search engine.

#include "core/FastSearchPlan.h"

#include <vector>

namespace FastSearchImpl {

struct TChunk
{
    enum Kind : quint8 { KStart, Range, End };
    Kind kind = Range;
    bool work = false;       // false: nothing in it can be accepted
    bool meet = false;       // for the meet-in-the-middle search (prefix empty)
    int split = 0;           // its lines are cut after this many points
    bool masksAfter = false; // the masks go with the part after the cut
    int k = 0;
    std::vector<int> prefix; // the leading indices shared by its lines
    int first = 0;           // the range of the next index
    int last = -1;
    qint64 base = 0;         // the counter before the first line of k
    qint64 lo = 0;           // the counter before its first line
    qint64 hi = 0;           // the counter after its last line
    // The threads share a range of the meet-in-the-middle search: each of
    // its `parts` chunks (consecutive, alike but for `part`) takes some of
    // the intervals, so the range is done, and progress moves past it, in
    // a fraction of the time one thread would take.
    int part = 0;
    int parts = 1;

    // Whether the interval `offset` places after the first is this chunk's.
    bool HasInterval(qint64 offset) const
    {
        if (parts == 1)
            return true;
        // Back and forth (0 1 1 0 0 1 ...): longer intervals have fewer
        // candidates, so each part gets about its share of the work.
        const qint64 q = offset % (2 * parts);
        return (q < parts ? q : 2 * parts - 1 - q) == part;
    }
};

// Level bounds for lines of k points: an index past them leads only to lines
// that are too far away or too long for any interval.
std::vector<int> LevelLimits(const TEngine &e, int k);

// Produces the chunks of every point count in enumeration order.
class TChunkGen
{
public:
    TChunkGen(const TEngine &e, qint64 chunkCombinations, int threads);
    bool Next(TChunk &out);

private:
    enum State { StartK, InK, Finish, Done };
    struct Frame
    {
        int level;
        qint64 next; // candidates counted but not listed can take it past int
    };

    void BeginK();
    TChunk Make(bool work, int prefixLength, int first, int last, qint64 size);
    bool Step(TChunk &out);
    bool MeetStep(TChunk &out);

    const TEngine &m_e;
    const qint64 m_fixed;
    const int m_threads;
    State m_state = StartK;
    int m_k;
    qint64 m_pos = 0;
    qint64 m_base = 0;
    qint64 m_target = 1;
    bool m_atStart = true;
    std::vector<TMeetRange> m_meet; // this point count's, when it is searched so
    size_t m_meetNext = 0;
    int m_meetParts = 1;            // chunks of each range
    int m_meetPart = 0;             // the next of the current range's
    TChunk m_meetChunk;             // the current range's
    bool m_meetRest = false;        // the lines after the last range, counted
    std::vector<int> m_limit;
    std::vector<int> m_path;
    std::vector<Frame> m_stack;
};

} // namespace FastSearchImpl
