#pragma once

// The meet-in-the-middle search of one chunk: the lines whose first
// candidate lies in the chunk's range, every interval, every mask. Internal
// to the search engine.
//
// For an interval, candidate c contributes at step j = 1 .. least steps - 1
// its digit x_c(j) at that step's reference row, and a line holds at those
// steps for mask M exactly when its digits add up to the targets T_M(j),
// digit by digit mod 10. A line a_1 < ... < a_k is cut into four runs of
// consecutive points: A and B (its first `split` points), C and D (the
// rest). The sums T_M - A - B of every A and B (for every mask) go into a
// table, the sums C + D are looked up in it: each line holds exactly where
// the two meet. The sums are taken one class at a time (the class is their
// first digits), so a table stays small; within a class, the A and B (and C
// and D) lists are bucketed by class too, so each pair is made only for the
// class it belongs to. Every match is walked exactly; the accepted patterns
// are sorted into enumeration order and handed over as the brute force's
// would be.

#include "core/FastSearchChunks.h"
#include "core/FastSearchChoice.h"

#include <atomic>
#include <vector>

namespace FastSearchImpl {

// The digits of a partial sum at the first steps of the chain, one a byte.
typedef unsigned char V16 __attribute__((vector_size(16)));

// One of the four lists of partial lines of an interval, bucketed by the
// class of their sums. A and B hold negated sums; A's or D's entries are
// made once for each mask and carry it.
struct TMeetList
{
    struct Sum
    {
        V16 v;
    };
    int size = 0;                  // points per entry
    std::vector<Sum> sums;
    std::vector<qint16> lo, hi;    // the entry's first and last candidate
    std::vector<quint16> members;  // its candidates, `size` per entry
    std::vector<quint8> mask;      // the mask's index (the list with the masks)
    std::vector<int> start;        // per class: its first entry; one more at the end
    std::vector<quint32> classes;  // classes with entries
};

// Buffers of one class's table, kept between classes and chunks.
struct TMeetTable
{
    std::vector<quint64> keys;     // the hash of each entry's key
    std::vector<quint32> fromA, fromB;
    std::vector<quint32> head;     // per hash value: its last entry + 1, 0 when none
    std::vector<quint32> next;     // per entry: the one before it of the same hash value + 1
    std::vector<quint64> filter;   // one bit per hash value
    size_t capacity = 0;           // entries the arrays hold
};

struct TMeetCall
{
    const TMeetList *a = nullptr, *b = nullptr, *c = nullptr, *d = nullptr;
    TMeetClasses classes;
    size_t maxEntries = 0;         // a class with more gives up
    TMeetTable *table = nullptr;
    const std::atomic<bool> *abort = nullptr;
    void (*poll)(void *) = nullptr;
    void *pollContext = nullptr;
    // A line that meets: entries of A, B, C and D; false gives up.
    bool (*match)(void *context, int a, int b, int c, int d) = nullptr;
    void *matchContext = nullptr;
};

enum class TMeetStatus : int { Done, Stopped, TooLarge };

TMeetFn MeetKernelFor(TSearchIsa isa);

class TMeetWorker
{
public:
    TMeetWorker(const TEngine &e, const std::atomic<bool> &abort) : m_e(e), m_abort(abort) {}

    using THandOver = void (*)(void *context, std::vector<TFound> &found);
    void SetHandOver(THandOver handOver, void *context, int batch);
    // Called now and then while the tables are worked on.
    void SetPoll(void (*poll)(void *), void *context);

    // Finds the chunk's patterns. False when it gives up (too many matches,
    // as a history of few distinct digits brings): nothing was handed over
    // and the brute force is to take the chunk.
    bool Process(const TChunk &chunk, std::vector<TFound> &out);

private:
    struct TMatch
    {
        qint64 counter;
        qint32 interval;
        quint8 mask;
        quint32 members; // offset in m_members
    };

    TMeetStatus SearchInterval(const TChunk &chunk, qint64 interval, int usable);
    enum class TOrder { LastRising, FirstRising, FirstFalling };
    void BuildList(TMeetList &list, int size, int from, int to, int firstLast, bool withMasks, bool negate,
                   TOrder order);
    void Bucket(TMeetList &list, TOrder order);
    static bool OnMatch(void *context, int a, int b, int c, int d);

    const TEngine &m_e;
    const std::atomic<bool> &m_abort;
    THandOver m_handOver = nullptr;
    void *m_handOverContext = nullptr;
    size_t m_batch = 1;
    void (*m_poll)(void *) = nullptr;
    void *m_pollContext = nullptr;

    TMeetClasses m_classes;
    int m_maskList = 0;                    // the list whose entries carry the masks
    std::vector<TMeetList::Sum> m_digits;  // per usable candidate
    std::vector<TMeetList::Sum> m_targets; // per mask
    TMeetList m_lists[4];
    // Buffers of Bucket, kept from one list to the next.
    std::vector<quint32> m_bucketClass, m_bucketOrder, m_bucketNext, m_bucketStart;
    std::vector<int> m_buildIndices;
    std::vector<TMeetList::Sum> m_buildSums;
    TMeetList m_bucketSpare;
    TMeetTable m_table;
    const TChunk *m_chunk = nullptr;
    qint64 m_interval = 0;
    std::vector<TMatch> m_matches;
    std::vector<quint16> m_members;
    std::vector<int> m_line;
    bool m_overflow = false;
};

} // namespace FastSearchImpl
