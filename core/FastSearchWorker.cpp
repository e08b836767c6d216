#include "core/FastSearchWorker.h"

namespace FastSearchImpl {

void TChunkWorker::SetHandOver(THandOver handOver, void *context, int batch)
{
    m_handOver = handOver;
    m_handOverContext = context;
    m_batch = size_t(std::max(1, batch));
}

void TChunkWorker::Process(const TChunk &chunk, std::vector<TFound> &out)
{
    m_out = &out;
    m_chunk = &chunk;
    const int k = chunk.k;
    if (k != m_k) {
        m_k = k;
        m_limit = LevelLimits(m_e, k);
        m_idx.assign(size_t(std::max(k, 1)), 0);
        m_line.resize(size_t(std::max(k, 0)));
        if (m_e.filtered) {
            m_tables = m_e.tables;
            m_tables.k = k;
            m_tables.limit = m_limit.data();
            const size_t width = size_t(m_tables.steps) * 2 * size_t(m_tables.blocks);
            m_levels.Assign(size_t(k + 1) * width);
            m_nibbles.Assign(size_t(m_tables.steps) * size_t(m_tables.blocks));
        }
    }
    const int p = int(chunk.prefix.size());
    std::copy(chunk.prefix.begin(), chunk.prefix.end(), m_idx.begin());
    if (k == 0) {
        // The one empty line: it is never nearer than distance 1000.
        if (1000 <= m_e.plan.maxDistance)
            EvaluateAll(chunk.hi);
        return;
    }
    if (m_e.filtered) {
        TKernelCall call;
        call.tables = &m_tables;
        call.abort = &m_abort;
        call.hit = &TChunkWorker::OnHit;
        call.hitContext = this;
        call.levels = m_levels.data();
        call.nibbles = m_nibbles.data();
        call.indices = m_idx.data();
        call.prefixLength = p;
        call.first = chunk.first;
        call.last = chunk.last;
        m_e.kernel(call);
    } else {
        WalkSubtree(p, chunk.first, chunk.last);
    }
}

qint64 TChunkWorker::CounterOfCurrent() const
{
    return SatAdd(SatAdd(m_chunk->base, Rank(m_idx.data(), m_k, m_e.nAll)), 1);
}

void TChunkWorker::LoadLine()
{
    for (int i = 0; i < m_k; ++i)
        m_line[size_t(i)] = m_e.cand[m_idx[size_t(i)]];
}

bool TChunkWorker::Evaluate(qint64 &counter, qint64 interval, int maskIndex)
{
    // A range the meet-in-the-middle search gave up on: this chunk's share
    // of it is its intervals.
    if (!m_chunk->HasInterval(interval - m_e.plan.intervalFirst))
        return false;
    const quint16 mask = m_e.plan.masks[size_t(maskIndex)];
    m_values.clear();
    const int steps = m_e.Walk(m_line.data(), m_k, interval, mask, &m_values);
    if (steps < m_e.plan.minSteps)
        return false;
    if (counter < 0)
        counter = CounterOfCurrent();
    m_out->push_back(TFound{counter, interval, maskIndex, m_e.MakePattern(m_line, interval, mask, m_values)});
    if (m_handOver && m_out->size() >= m_batch)
        m_handOver(m_handOverContext, *m_out);
    return true;
}

void TChunkWorker::EvaluateAll(qint64 counter)
{
    const qint64 need = m_k > 0 ? TEngine::Need(m_e.Distance(m_idx[size_t(m_k - 1)])) : 0;
    const qint64 last = m_e.LastInterval(need);
    LoadLine();
    quint32 polls = 0;
    for (qint64 interval = m_e.plan.intervalFirst; interval <= last; ++interval)
        for (int m = 0; m < m_e.nm; ++m) {
            Evaluate(counter, interval, m);
            if ((++polls & 1023) == 0 && m_abort.load(std::memory_order_relaxed))
                return;
        }
}

void TChunkWorker::WalkSubtree(int p, int first, int last)
{
    const int k = m_k;
    int *idx = m_idx.data();
    int l = p;
    idx[l] = first;
    for (;;) {
        const int bound = l == p ? std::min(last, m_limit[size_t(l)]) : m_limit[size_t(l)];
        if (idx[l] > bound) {
            if (l == p)
                return;
            --l;
            ++idx[l];
            continue;
        }
        if (l == k - 1) {
            if (m_abort.load(std::memory_order_relaxed))
                return;
            EvaluateAll(-1);
            ++idx[l];
        } else {
            ++l;
            idx[l] = idx[l - 1] + 1;
        }
    }
}

void TChunkWorker::OnHit(void *context, const int *, int block, quint64 low, quint64 high)
{
    auto &w = *static_cast<TChunkWorker *>(context);
    qint64 counter = -1;
    w.LoadLine();
    const quint64 halves[2] = {low, high};
    for (int h = 0; h < 2; ++h)
        for (quint64 bits = halves[h]; bits; bits &= bits - 1) {
            const qint64 lane = qint64(block) * 128 + h * 64 + __builtin_ctzll(bits);
            w.Evaluate(counter, w.m_e.plan.intervalFirst + lane / w.m_e.nm, int(lane % w.m_e.nm));
        }
}

} // namespace FastSearchImpl
