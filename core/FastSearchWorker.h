#pragma once

// The worker's side of the search: one chunk of lines at a time, through the
// kernel or the exact walk, its accepted patterns handed over in batches.
// Internal to the search engine.

#include "core/FastSearchChunks.h"

#include <atomic>
#include <vector>

namespace FastSearchImpl {

class TChunkWorker
{
public:
    TChunkWorker(const TEngine &e, const std::atomic<bool> &abort) : m_e(e), m_abort(abort) {}

    // Called with the found patterns whenever `batch` of them are waiting
    // during Process; it takes them out of the vector.
    using THandOver = void (*)(void *context, std::vector<TFound> &found);
    void SetHandOver(THandOver handOver, void *context, int batch);

    void Process(const TChunk &chunk, std::vector<TFound> &out);

private:
    qint64 CounterOfCurrent() const;
    void LoadLine();

    // Walks one (interval, mask) of the current line; keeps it if accepted.
    // The line's counter (-1: not known yet) is worked out only then.
    bool Evaluate(qint64 &counter, qint64 interval, int maskIndex);

    // Every (interval, mask) of the current line, for the exact walk.
    void EvaluateAll(qint64 counter);

    // The exact walk over every line extending the prefix idx[0..p-1] with
    // an index from `first` to `last` at level p.
    void WalkSubtree(int p, int first, int last);

    static void OnHit(void *context, const int *, int block, quint64 low, quint64 high);

    const TEngine &m_e;
    const std::atomic<bool> &m_abort;
    std::vector<TFound> *m_out = nullptr;
    THandOver m_handOver = nullptr;
    void *m_handOverContext = nullptr;
    size_t m_batch = 1;
    const TChunk *m_chunk = nullptr;
    int m_k = -1;
    std::vector<int> m_limit;
    std::vector<int> m_idx;
    std::vector<TPoint> m_line;
    std::vector<qint32> m_values;
    TKernelTables m_tables;
    TVectors m_levels;
    TVectors m_nibbles;
};

} // namespace FastSearchImpl
