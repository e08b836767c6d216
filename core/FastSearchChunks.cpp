#include "core/FastSearchChunks.h"

#include <algorithm>

namespace FastSearchImpl {

std::vector<int> LevelLimits(const TEngine &e, int k)
{
    std::vector<int> limit(size_t(std::max(k, 0)));
    for (int l = 0; l < k; ++l) {
        limit[size_t(l)] = e.cLimit - (k - 1 - l);
        if (l == 0)
            limit[0] = std::min(limit[0], e.i0Limit);
    }
    return limit;
}

TChunkGen::TChunkGen(const TEngine &e, qint64 chunkCombinations, int threads)
    : m_e(e), m_fixed(chunkCombinations), m_threads(threads), m_k(e.plan.kFirst)
{
}

bool TChunkGen::Next(TChunk &out)
{
    for (;;) {
        switch (m_state) {
        case Done:
            return false;
        case StartK:
            out = TChunk{};
            out.kind = TChunk::KStart;
            out.k = m_k;
            out.lo = out.hi = out.base = m_pos;
            if (m_k > m_e.nAll) {
                m_state = Finish;
            } else {
                m_base = m_pos;
                BeginK();
            }
            return true;
        case Finish:
            out = TChunk{};
            out.kind = TChunk::End;
            out.lo = out.hi = m_pos;
            m_state = Done;
            return true;
        case InK:
            if (Step(out))
                return true;
            // This point count is done.
            if (m_k >= m_e.plan.kLast) {
                m_state = Finish;
            } else {
                ++m_k;
                m_state = StartK;
            }
            break;
        }
    }
}

void TChunkGen::BeginK()
{
    m_state = InK;
    m_meet.clear();
    m_meetNext = 0;
    m_meetPart = 0;
    m_meetRest = false;
    if (m_k >= 2 && Binomial(m_e.n, m_k) != Saturated) {
        TPointCountChoice choice = ChoosePointCount(m_e.shape, m_k, m_threads, m_e.engineMode, m_e.meetRanges);
        if (choice.meet)
            m_meet = std::move(choice.ranges);
    }
    const qint64 intervals = qint64(m_e.plan.intervalLast) - m_e.plan.intervalFirst + 1;
    m_meetParts = int(std::clamp<qint64>(intervals, 1, m_threads));
    m_limit = LevelLimits(m_e, m_k);
    m_path.assign(size_t(std::max(m_k, 1)), 0);
    m_stack.clear();
    m_atStart = true;
    const qint64 viable = m_k > 0 ? Binomial(m_e.cLimit + 1, m_k) : 1;
    // Small enough for even pace across threads; on the calling thread
    // alone, small enough for prompt progress reports.
    m_target = m_fixed > 0 ? m_fixed
                           : std::clamp<qint64>(viable / (qint64(m_threads) * 64), 1 << 14,
                                                m_threads > 1 ? 1 << 26 : 1 << 22);
}

TChunk TChunkGen::Make(bool work, int prefixLength, int first, int last, qint64 size)
{
    TChunk c;
    c.kind = TChunk::Range;
    c.work = work;
    c.k = m_k;
    c.prefix.assign(m_path.begin(), m_path.begin() + prefixLength);
    c.first = first;
    c.last = last;
    c.base = m_base;
    c.lo = m_pos;
    c.hi = m_pos = SatAdd(m_pos, size);
    return c;
}

bool TChunkGen::MeetStep(TChunk &out)
{
    const int k = m_k;
    const int n = m_e.n;
    if (m_meetPart > 0 && m_meetPart < m_meetParts) {
        out = m_meetChunk;
        out.part = m_meetPart++;
        return true;
    }
    if (m_meetNext < m_meet.size()) {
        const TMeetRange &r = m_meet[m_meetNext++];
        out = Make(true, 0, r.first, r.last, Binomial(n - r.first, k) - Binomial(n - r.last - 1, k));
        out.meet = true;
        out.split = r.split;
        out.masksAfter = r.masksAfter;
        out.parts = m_meetParts;
        m_meetChunk = out;
        m_meetPart = 1;
        return true;
    }
    // The lines after the last range are too far away or too long.
    const int from = m_meet.back().last + 1;
    if (!m_meetRest && from <= n - k) {
        m_meetRest = true;
        out = Make(false, 0, 0, -1, Binomial(n - from, k));
        return true;
    }
    return false;
}

bool TChunkGen::Step(TChunk &out)
{
    if (!m_meet.empty())
        return MeetStep(out);
    const int k = m_k;
    const qint64 n = m_e.nAll;
    if (m_atStart) {
        m_atStart = false;
        if (k == 0) {
            out = Make(true, 0, 0, -1, 1);
            return true;
        }
        m_stack.push_back(Frame{0, 0});
    }
    while (!m_stack.empty()) {
        Frame &f = m_stack.back();
        const int l = f.level;
        const qint64 i = f.next;
        const qint64 lastIndex = n - k + l;
        if (i > lastIndex) {
            m_stack.pop_back();
            continue;
        }
        if (i > m_limit[size_t(l)]) {
            // The rest of this level cannot be accepted: one gap.
            f.next = lastIndex + 1;
            out = Make(false, 0, 0, -1, Binomial(n - i, k - l));
            return true;
        }
        // Lines below index i at level l worth walking; from here on i is
        // within the level's limit, a listed candidate.
        auto viable = [&](int x) { return Binomial(m_e.cLimit - x, k - 1 - l); };
        const bool deeper = l + 1 < k - 1;
        if (deeper && viable(int(i)) > m_target) {
            m_path[size_t(l)] = int(i);
            f.next = i + 1;
            m_stack.push_back(Frame{l + 1, i + 1});
            continue;
        }
        // A run of siblings, together about the target size.
        const int bound = int(std::min<qint64>(lastIndex, m_limit[size_t(l)]));
        int j = int(i);
        qint64 total = 0;
        while (j <= bound) {
            const qint64 v = viable(j);
            if (j > i && SatAdd(total, v) > m_target)
                break;
            total = SatAdd(total, v);
            ++j;
        }
        f.next = j;
        const qint64 all = Binomial(n - i, k - l);
        out = Make(true, l, int(i), j - 1, all == Saturated ? all : all - Binomial(n - j, k - l));
        return true;
    }
    return false;
}

} // namespace FastSearchImpl
