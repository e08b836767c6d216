#pragma once

#include <QtGlobal>
#include <atomic>

// The most patterns a collection holds, earlier searches included. A stored
// pattern with its list row takes about 190 bytes, so three million take
// about 0.6 GB; the window's own work on them (a sort's keys, and above all
// Qt's records of a scattered selection: every other row selected and then
// inverted holds two of them at once) keeps the whole program under 1.5 GB.
// At four million that worst case measured 1.8 GB.
constexpr qint64 DefaultPatternLimit = 3'000'000;

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
