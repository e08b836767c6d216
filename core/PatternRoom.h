#pragma once

#include <QtGlobal>
#include <atomic>

// The most patterns a collection holds, earlier searches included. A stored
// pattern with its list row takes at most 256 bytes; four million of them
// are about 1 GB, which leaves room under 1.5 GB for the rest of the program
// (libraries, window, chart, the draws, a sort's index, a save).
constexpr qint64 DefaultPatternLimit = 4'000'000;

// The count of patterns held against a limit, shared by a collection and the
// search workers that fill it: a worker takes room for each pattern before
// it reports it, the collection gives room back when it frees patterns.
class TPatternRoom
{
public:
    explicit TPatternRoom(qint64 limit = DefaultPatternLimit) : m_limit(limit) {}

    qint64 Limit() const { return m_limit.load(); }
    void SetLimit(qint64 limit) { m_limit.store(limit); }
    qint64 Held() const { return m_held.load(); }

    // Takes room for one more pattern; false, taking nothing, when the limit
    // is reached.
    bool TryTake();
    // Counts patterns that are held whatever the limit (read from a file).
    void Take(qint64 count) { m_held.fetch_add(count); }
    void Give(qint64 count) { m_held.fetch_sub(count); }

private:
    std::atomic<qint64> m_limit;
    std::atomic<qint64> m_held{0};
};
