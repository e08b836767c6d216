// The search engine. How it gets its speed while reporting exactly what a
// one-by-one walk of every (combination, interval, mask) reports:
//
// - Subtrees that can never be accepted are never entered. A line's first
//   point decides the distance rule and its last point the longest interval
//   whose walk stays inside the history, so both become bounds on the index
//   of a level; combinations past them are only counted.
// - Every other line is tested against all of its (interval, mask) pairs at
//   once: the digits of every candidate at the first few reference rows of
//   each pair are laid out in vector lanes, targets less the digits of the
//   points chosen so far are carried down the combination tree, and a leaf
//   costs a handful of vector instructions (FastSearchKernel.inc). The few
//   lanes that survive those steps are walked exactly, as the walk always
//   did; only accepted patterns become TVexelReg objects.
// - Histories whose values are not plain digits (a damaged workspace file can
//   hold any 32-bit value) make the mod-10 shortcut unsound; they, and
//   searches that need no step beyond the forecast, are walked exactly for
//   every pair, still with the bounds above.
// - The lines of a point count are cut into chunks by their leading indices;
//   worker threads take chunks in order, and the calling thread hands the
//   found patterns to the sink chunk by chunk, in order, filling in the
//   progress reports a one-by-one walk would make on the way. Only a bounded
//   number of chunks is in flight, and found patterns are handed over in
//   batches as they come: workers pause while many wait for the calling
//   thread, so memory stays bounded however many are found.
#include "FastSearch.h"
#include "Hao.h"
#include "VexelReg.h"

#include <QThread>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <iterator>
#include <thread>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VEXEL_X86 1
#endif

namespace {

typedef unsigned char V64 __attribute__((vector_size(64)));

// A zero-filled, 64-byte aligned array of vectors (a std::vector of them is
// not reliably aligned).
class TVectors
{
public:
    void Assign(size_t count, unsigned char fill = 0)
    {
        const size_t bytes = std::max<size_t>(count, 1) * sizeof(V64);
        m_data.reset(static_cast<V64 *>(std::aligned_alloc(64, bytes)));
        if (!m_data)
            throw std::bad_alloc();
        std::memset(static_cast<void *>(m_data.get()), fill, bytes);
    }
    V64 *data() { return m_data.get(); }
    const V64 *data() const { return m_data.get(); }

private:
    struct Free
    {
        void operator()(V64 *p) const { std::free(p); }
    };
    std::unique_ptr<V64, Free> m_data;
};

// Steps tested in vector lanes before a line is walked (the kernel is built
// for 1 to 6); more steps cost a little per leaf and save the walks of lines
// that fail soon after.
constexpr int FilterSteps = 6;
// Tables beyond this size would cost more to build than they save.
constexpr size_t MaxTableBytes = size_t(256) << 20;

struct TKernelTables
{
    int k = 0;            // points per line
    int steps = 0;        // walk steps held in lanes (1..FilterSteps)
    int blocks = 0;       // nibble vectors per step (128 lanes each)
    const V64 *byteTab = nullptr; // per candidate: steps * 2 * blocks vectors
    const V64 *leafTab = nullptr; // per candidate: steps * blocks vectors
    const V64 *root = nullptr;    // targets: steps * 2 * blocks vectors
    const int *limit = nullptr;   // per level: the last index worth entering
};

using THitFn = void (*)(void *context, const int *indices, int block, quint64 low, quint64 high);

struct TKernelCall
{
    const TKernelTables *tables = nullptr;
    const std::atomic<bool> *abort = nullptr;
    THitFn hit = nullptr;
    void *hitContext = nullptr;
    V64 *levels = nullptr;  // (k + 1) * steps * 2 * blocks vectors of scratch
    V64 *nibbles = nullptr; // steps * blocks vectors of scratch
    int *indices = nullptr; // k entries, the prefix filled in
    int prefixLength = 0;
    int first = 0;          // the range of the index after the prefix
    int last = -1;
};

namespace generic {
#define KERNEL_LEVEL 0
#include "FastSearchKernel.inc"
#undef KERNEL_LEVEL
} // namespace generic

#ifdef VEXEL_X86
// GCC takes a target pragma for everything that follows; clang ignores it
// and needs the target attached to each function instead.
#ifdef __clang__
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace avx2 {
#define KERNEL_LEVEL 1
#include "FastSearchKernel.inc"
#undef KERNEL_LEVEL
} // namespace avx2
#ifdef __clang__
#pragma clang attribute pop
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw"))), apply_to = function)
#else
#pragma GCC pop_options
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw")
#endif
namespace avx512 {
#define KERNEL_LEVEL 2
#include "FastSearchKernel.inc"
#undef KERNEL_LEVEL
} // namespace avx512
#ifdef __clang__
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

using TKernelFn = void (*)(const TKernelCall &);

bool IsaSupported(TSearchIsa isa)
{
    switch (isa) {
    case TSearchIsa::Auto:
    case TSearchIsa::Generic:
        return true;
#ifdef VEXEL_X86
    case TSearchIsa::Avx2:
        return __builtin_cpu_supports("avx2");
    case TSearchIsa::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
#endif
    default:
        return false;
    }
}

TKernelFn KernelFor(TSearchIsa isa)
{
    if (isa == TSearchIsa::Auto)
        isa = IsaSupported(TSearchIsa::Avx512) ? TSearchIsa::Avx512
            : IsaSupported(TSearchIsa::Avx2)   ? TSearchIsa::Avx2
                                               : TSearchIsa::Generic;
    if (!IsaSupported(isa))
        isa = TSearchIsa::Generic;
    switch (isa) {
#ifdef VEXEL_X86
    case TSearchIsa::Avx512: return avx512::RunSubtree;
    case TSearchIsa::Avx2: return avx2::RunSubtree;
#endif
    default: return generic::RunSubtree;
    }
}

// --- counting ---------------------------------------------------------------

constexpr qint64 Saturated = std::numeric_limits<qint64>::max();

// Counters of absurd hand-edited searches could pass 2^63; they stick there.
qint64 SatAdd(qint64 a, qint64 b)
{
    return a > Saturated - b ? Saturated : a + b;
}

qint64 BinomialSlow(qint64 a, qint64 b)
{
    b = std::min(b, a - b);
    unsigned __int128 r = 1;
    for (qint64 i = 0; i < b; ++i) {
        r = r * static_cast<unsigned __int128>(a - i) / static_cast<unsigned __int128>(i + 1);
        if (r > static_cast<unsigned __int128>(Saturated))
            return Saturated;
    }
    return qint64(r);
}

// Pascal's triangle for the sizes every real search has.
constexpr int BinomialRows = 256;

struct TBinomialTable
{
    std::vector<qint64> cells = std::vector<qint64>(size_t(BinomialRows) * BinomialRows, 0);
    TBinomialTable()
    {
        for (int a = 0; a < BinomialRows; ++a) {
            cells[size_t(a) * BinomialRows] = 1;
            for (int b = 1; b <= a; ++b)
                cells[size_t(a) * BinomialRows + size_t(b)] =
                    SatAdd(cells[size_t(a - 1) * BinomialRows + size_t(b - 1)],
                           cells[size_t(a - 1) * BinomialRows + size_t(b)]);
        }
    }
};

qint64 Binomial(qint64 a, qint64 b)
{
    if (a < 0 || b < 0 || b > a)
        return 0;
    if (a < BinomialRows) {
        static const TBinomialTable table;
        return table.cells[size_t(a) * BinomialRows + size_t(b)];
    }
    return BinomialSlow(a, b);
}

// Combinations before `idx` among the k-subsets of n, in lexicographic order.
qint64 Rank(const int *idx, int k, int n)
{
    qint64 rank = 0;
    int prev = -1;
    for (int l = 0; l < k; ++l) {
        const qint64 all = Binomial(n - 1 - prev, k - l);
        if (all == Saturated)
            return Saturated;
        rank = SatAdd(rank, all - Binomial(n - idx[l], k - l));
        prev = idx[l];
    }
    return rank;
}

// --- the search as planned --------------------------------------------------

struct TFound
{
    qint64 counter = 0;
    qint64 interval = 0;
    int mask = 0; // index in the mask table
    std::unique_ptr<TVexelReg> pattern;
};

struct TEngine
{
    const TCodes &draws;
    TSearchPlan plan;
    int N = 0;
    int n = 0;                 // candidates
    const TPoint *cand = nullptr;
    int nm = 0;                // masks
    qint64 intervals = 0;      // evaluations per combination = intervals * nm
    int i0Limit = -1;          // last candidate that may come first in a line
    int cLimit = -1;           // last candidate that may come last in a line
    bool filtered = false;
    TKernelTables tables;      // k and limit are set per chunk
    TVectors byteTab, leafTab, root;
    TKernelFn kernel = nullptr;

    explicit TEngine(const TCodes &d) : draws(d) {}

    // How far back the walk of a line whose farthest point lies at distance
    // `far` can go without reading before the first draw.
    static qint64 Need(qint64 far) { return std::max<qint64>(0, far); }
    qint64 Distance(int c) const { return -qint64(cand[c].y); }

    // The longest interval that can still give an accepted walk for a line
    // whose walk needs `need` draws before each reference row.
    qint64 LastInterval(qint64 need) const
    {
        const qint64 room = qint64(N) - need;
        if (room < 0)
            return qint64(plan.intervalFirst) - 1;
        if (plan.minSteps >= 2)
            return std::min<qint64>(plan.intervalLast, room / (plan.minSteps - 1));
        return plan.intervalLast;
    }

    qint32 Target(qint64 row, quint16 mask) const
    {
        qint32 target = 0;
        for (int p = 0; p <= 4; ++p)
            if (mask & (1u << p))
                target = (target + draws.At(p, int(row)) % 10) % 10;
        return target;
    }

    // The walk of one (line, interval, mask), exactly as the search defines
    // it; the line values go into `values` when given.
    int Walk(const TPoint *points, int count, qint64 interval, quint16 mask,
             std::vector<qint32> *values) const
    {
        qint32 minRow = 0;
        for (int i = 0; i < count; ++i)
            minRow = std::min(minRow, points[i].y);
        const qint64 rows = N;
        int steps = 0;
        for (qint64 r = rows;; r -= interval) {
            if (r + minRow < 0 || r < 0)
                break;
            quint32 sum = 0;
            for (int i = 0; i < count; ++i) {
                const qint64 row = r + points[i].y;
                if (row < rows)
                    sum += quint32(draws.At(points[i].x, int(row)));
            }
            const qint32 v = qint32(sum) % 10;
            if (r < rows && Target(r, mask) != v)
                break;
            ++steps;
            if (values)
                values->push_back(v);
        }
        return steps;
    }

    // Lines that pass the bounds, over every point count searched.
    qint64 ViableLines() const
    {
        qint64 total = 0;
        for (qint64 k = std::max(1, plan.kFirst); k <= std::max(plan.kFirst, plan.kLast) && k <= cLimit + 1; ++k)
            total = SatAdd(total, Binomial(cLimit + 1, k));
        return total;
    }

    void Setup(const TRegOptions &settings);
    void BuildTables(int steps, qint64 lanes, int blocks);
};

void TEngine::Setup(const TRegOptions &settings)
{
    N = draws.Count();
    plan = MakeSearchPlan(settings, N);
    n = plan.candidates.Count();
    cand = plan.candidates.Data();
    nm = int(plan.masks.size());
    intervals = plan.intervalLast >= plan.intervalFirst
        ? qint64(plan.intervalLast) - plan.intervalFirst + 1 : 0;

    for (int c = 0; c < n; ++c) {
        if (-qint64(std::max(-1000, cand[c].y)) > plan.maxDistance)
            break;
        i0Limit = c;
    }
    if (intervals > 0 && nm > 0)
        for (int c = 0; c < n; ++c) {
            if (LastInterval(Need(Distance(c))) < plan.intervalFirst)
                break;
            cLimit = c;
        }
    if (cLimit < 0 || i0Limit < 0)
        return;

    // The lanes hold residues mod 10, which add up to the walk's line value
    // only when no value is negative and no line sum can overflow.
    const qint64 kMost = std::min<qint64>(std::max(plan.kFirst, plan.kLast), cLimit + 1);
    qint32 lowest = 0;
    qint32 highest = 0;
    for (int i = 0; i < N; ++i)
        for (int p = 0; p <= 7; ++p) {
            lowest = std::min(lowest, draws.At(p, i));
            highest = std::max(highest, draws.At(p, i));
        }
    const bool digits = lowest >= 0 && qint64(highest) * std::max<qint64>(1, kMost) <= qint64(INT32_MAX);

    const int steps = int(std::min<qint64>(plan.minSteps - 1, FilterSteps));
    const qint64 lanes = (LastInterval(Need(Distance(0))) - plan.intervalFirst + 1) * nm;
    const qint64 blocks = (lanes + 127) / 128;
    const double bytes = double(cLimit + 1) * steps * 3.0 * double(blocks) * 64.0;
    if (!digits || steps < 1 || bytes > double(MaxTableBytes))
        return;
    filtered = true;
    BuildTables(steps, lanes, int(blocks));
}

void TEngine::BuildTables(int steps, qint64 lanes, int blocks)
{
    const int width = steps * 2 * blocks;
    const int leafWidth = steps * blocks;
    const size_t used = size_t(cLimit) + 1;
    byteTab.Assign(used * size_t(width));
    leafTab.Assign(used * size_t(leafWidth), 0xFF);
    root.Assign(size_t(width));

    auto byteAt = [&](V64 *base, int j, qint64 lane) -> unsigned char & {
        auto *bytes = reinterpret_cast<unsigned char *>(base + size_t(j) * size_t(2 * blocks) + size_t(lane / 64));
        return bytes[lane % 64];
    };
    // Lane l of step j: nibble (l / 64) % 2 of byte l % 64 of vector l / 128.
    auto setNibble = [&](V64 *base, int j, qint64 lane, unsigned char value) {
        auto *bytes = reinterpret_cast<unsigned char *>(base + size_t(j) * size_t(blocks) + size_t(lane / 128));
        unsigned char &b = bytes[lane % 64];
        if ((lane / 64) % 2)
            b = (unsigned char)((b & 0x0F) | (value << 4));
        else
            b = (unsigned char)((b & 0xF0) | value);
    };

    const qint64 iFirst = plan.intervalFirst;
    for (qint64 lane = 0; lane < lanes; ++lane) {
        const qint64 interval = iFirst + lane / nm;
        const quint16 mask = plan.masks[size_t(lane % nm)];
        for (int j = 0; j < steps; ++j)
            byteAt(root.data(), j, lane) = (unsigned char)Target(N - (j + 1) * interval, mask);
    }
    for (size_t c = 0; c < used; ++c) {
        const TPoint point = cand[c];
        const qint64 last = LastInterval(Need(Distance(int(c))));
        V64 *bytes = byteTab.data() + c * size_t(width);
        V64 *leaf = leafTab.data() + c * size_t(leafWidth);
        for (qint64 lane = 0; lane < lanes; ++lane) {
            const qint64 interval = iFirst + lane / nm;
            for (int j = 0; j < steps; ++j) {
                const qint64 row = N - (j + 1) * interval + point.y;
                const unsigned char digit =
                    row >= 0 && row < N ? (unsigned char)(draws.At(point.x, int(row)) % 10) : 0;
                byteAt(bytes, j, lane) = digit;
                setNibble(leaf, j, lane, interval <= last ? digit : 0x0F);
            }
        }
    }
    tables.steps = steps;
    tables.blocks = blocks;
    tables.byteTab = byteTab.data();
    tables.leafTab = leafTab.data();
    tables.root = root.data();
}

// --- units of work ----------------------------------------------------------

struct TChunk
{
    enum Kind : quint8 { KStart, Range, End };
    Kind kind = Range;
    bool work = false;       // false: nothing in it can be accepted
    int k = 0;
    std::vector<int> prefix; // the leading indices shared by its lines
    int first = 0;           // the range of the next index
    int last = -1;
    qint64 base = 0;         // the counter before the first line of k
    qint64 lo = 0;           // the counter before its first line
    qint64 hi = 0;           // the counter after its last line
};

// Level bounds for lines of k points: an index past them leads only to lines
// that are too far away or too long for any interval.
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

// Produces the chunks of every point count in enumeration order.
class TChunkGen
{
public:
    TChunkGen(const TEngine &e, qint64 chunkCombinations, int threads)
        : m_e(e), m_fixed(chunkCombinations), m_threads(threads), m_k(e.plan.kFirst)
    {
    }

    bool Next(TChunk &out)
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
                if (m_k > m_e.n) {
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

private:
    enum State { StartK, InK, Finish, Done };
    struct Frame
    {
        int level;
        int next;
    };

    void BeginK()
    {
        m_state = InK;
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

    TChunk Make(bool work, int prefixLength, int first, int last, qint64 size)
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

    bool Step(TChunk &out)
    {
        const int k = m_k;
        const int n = m_e.n;
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
            const int i = f.next;
            const int lastIndex = n - k + l;
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
            // Lines below index i at level l worth walking.
            auto viable = [&](int x) { return Binomial(m_e.cLimit - x, k - 1 - l); };
            const bool deeper = l + 1 < k - 1;
            if (deeper && viable(i) > m_target) {
                m_path[size_t(l)] = i;
                f.next = i + 1;
                m_stack.push_back(Frame{l + 1, i + 1});
                continue;
            }
            // A run of siblings, together about the target size.
            const int bound = std::min(lastIndex, m_limit[size_t(l)]);
            int j = i;
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
            out = Make(true, l, i, j - 1, all == Saturated ? all : all - Binomial(n - j, k - l));
            return true;
        }
        return false;
    }

    const TEngine &m_e;
    const qint64 m_fixed;
    const int m_threads;
    State m_state = StartK;
    int m_k;
    qint64 m_pos = 0;
    qint64 m_base = 0;
    qint64 m_target = 1;
    bool m_atStart = true;
    std::vector<int> m_limit;
    std::vector<int> m_path;
    std::vector<Frame> m_stack;
};

// --- the worker's side ------------------------------------------------------

class TChunkWorker
{
public:
    TChunkWorker(const TEngine &e, const std::atomic<bool> &abort) : m_e(e), m_abort(abort) {}

    // Called with the found patterns whenever `batch` of them are waiting
    // during Process; it takes them out of the vector.
    using THandOver = void (*)(void *context, std::vector<TFound> &found);
    void SetHandOver(THandOver handOver, void *context, int batch)
    {
        m_handOver = handOver;
        m_handOverContext = context;
        m_batch = size_t(std::max(1, batch));
    }

    void Process(const TChunk &chunk, std::vector<TFound> &out)
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

private:
    qint64 CounterOfCurrent() const
    {
        return SatAdd(SatAdd(m_chunk->base, Rank(m_idx.data(), m_k, m_e.n)), 1);
    }

    void LoadLine()
    {
        for (int i = 0; i < m_k; ++i)
            m_line[size_t(i)] = m_e.cand[m_idx[size_t(i)]];
    }

    // Walks one (interval, mask) of the current line; keeps it if accepted.
    // The line's counter (-1: not known yet) is worked out only then.
    bool Evaluate(qint64 &counter, qint64 interval, int maskIndex)
    {
        const quint16 mask = m_e.plan.masks[size_t(maskIndex)];
        m_values.clear();
        const int steps = m_e.Walk(m_line.data(), m_k, interval, mask, &m_values);
        if (steps < m_e.plan.minSteps)
            return false;
        if (counter < 0)
            counter = CounterOfCurrent();
        auto pattern = std::make_unique<TVexelReg>();
        pattern->SetTargetMask(mask);
        pattern->SetTargetCount(m_e.plan.targetCount);
        pattern->SetDrawCount(m_e.N);
        pattern->SetKind(1);
        pattern->SetInterval(qint32(interval));
        // Exactly as many points as the line has: millions of patterns may
        // be kept.
        pattern->Line(0).SetCapacity(int(m_line.size()));
        for (const TPoint &p : m_line)
            pattern->Line(0).Add(p);
        for (qint32 v : m_values)
            pattern->AddStep(&v, mask);
        m_out->push_back(TFound{counter, interval, maskIndex, std::move(pattern)});
        if (m_handOver && m_out->size() >= m_batch)
            m_handOver(m_handOverContext, *m_out);
        return true;
    }

    // Every (interval, mask) of the current line, for the exact walk.
    void EvaluateAll(qint64 counter)
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

    // The exact walk over every line extending the prefix idx[0..p-1] with
    // an index from `first` to `last` at level p.
    void WalkSubtree(int p, int first, int last)
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

    static void OnHit(void *context, const int *, int block, quint64 low, quint64 high)
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

// --- the run: workers, and the merge on the calling thread ------------------

class TRun
{
public:
    TRun(const TEngine &e, TSearchSink &sink, const std::atomic<bool> &stop,
         const TFastSearchConfig &config, int threads)
        : m_e(e), m_sink(sink), m_stop(stop), m_config(config), m_threads(threads),
          m_window(size_t(64 * threads)), m_ring(m_window),
          m_gen(e, config.chunkCombinations, threads)
    {
    }

    qint64 Execute()
    {
        m_lastProgress = Clock::now();
        if (m_threads == 1)
            return ExecuteHere();
        std::vector<std::thread> workers;
        try {
            for (int t = 0; t < m_threads; ++t)
                workers.emplace_back([this] { WorkerMain(); });
            Merge();
        } catch (...) {
            Abort();
            for (std::thread &w : workers)
                w.join();
            throw;
        }
        Abort();
        for (std::thread &w : workers)
            w.join();
        if (m_error)
            std::rethrow_exception(m_error);
        return m_position;
    }

private:
    using Clock = std::chrono::steady_clock;

    struct Slot
    {
        TChunk chunk;
        std::vector<TFound> found; // handed over, not yet taken by the merge
        bool ready = false;        // the chunk is done: nothing more comes
    };

    // What of one chunk has reached the merge and been reported.
    struct TMergeState
    {
        std::vector<TFound> found;
        size_t next = 0;      // first one not yet reported
        qint64 multiple = 0;  // next multiple of ProgressEvery to report at
        bool go = true;       // false once the run is to end

        explicit TMergeState(const TChunk &c)
            : multiple(c.lo > Saturated - ProgressEvery ? Saturated : (c.lo / ProgressEvery + 1) * ProgressEvery)
        {
        }
        // Drops what has been reported.
        void Compact()
        {
            if (next == found.size()) {
                found.clear();
                next = 0;
            } else if (next >= 1024) {
                found.erase(found.begin(), found.begin() + qsizetype(next));
                next = 0;
            }
        }
    };

    // One thread: the calling thread takes each chunk in turn and reports
    // its patterns batch by batch.
    qint64 ExecuteHere()
    {
        struct Here
        {
            TRun *run;
            const TChunk *chunk;
            TMergeState *state;
        };
        TChunkWorker worker(m_e, m_stop);
        TChunk chunk;
        while (m_gen.Next(chunk)) {
            TMergeState state(chunk);
            Here here{this, &chunk, &state};
            worker.SetHandOver([](void *context, std::vector<TFound> &found) {
                auto &h = *static_cast<Here *>(context);
                if (h.state->go) {
                    h.state->go = h.run->Emit(*h.chunk, *h.state, false);
                    h.state->Compact();
                } else {
                    found.clear(); // the run ends: the worker stops at its next poll
                }
            }, &here, m_config.foundBatch);
            if (chunk.kind == TChunk::Range && chunk.work)
                worker.Process(chunk, state.found);
            if (!state.go || !Emit(chunk, state, true))
                break;
            KeepAlive();
        }
        return m_position;
    }


    void Abort()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_abort.store(true);
        m_workCv.notify_all();
    }

    struct THandOverContext
    {
        TRun *run;
        Slot *slot;
        qint64 seq;
    };

    // A worker's batch of found patterns joins its slot; then the worker
    // waits while too many wait for the merge. The worker of the chunk the
    // merge is on counts only that chunk's patterns not yet reported, so it
    // never waits for the merge to report the others first, nor while the
    // merge waits for more of its patterns.
    static void HandOver(void *context, std::vector<TFound> &found)
    {
        auto &c = *static_cast<THandOverContext *>(context);
        TRun &r = *c.run;
        std::unique_lock<std::mutex> lock(r.m_mutex);
        r.Append(*c.slot, found);
        const qint64 limit = std::max<qint64>(1, r.m_config.waitingPatterns);
        r.m_workCv.wait(lock, [&] {
            if (r.m_abort.load())
                return true;
            if (c.seq == r.m_mergedSeq)
                return qint64(c.slot->found.size()) + r.m_reporting < limit;
            return r.m_waiting < limit;
        });
    }

    // Moves found patterns into a slot; the mutex is held.
    void Append(Slot &slot, std::vector<TFound> &found)
    {
        m_waiting += qint64(found.size());
        if (slot.found.empty())
            slot.found.swap(found);
        else
            std::move(found.begin(), found.end(), std::back_inserter(slot.found));
        found.clear();
        m_doneCv.notify_all();
    }

    void WorkerMain()
    {
        TChunkWorker worker(m_e, m_abort);
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_workCv.wait(lock, [&] {
                return m_abort.load() || m_genDone || m_nextSeq - m_mergedSeq < qint64(m_window);
            });
            if (m_abort.load() || m_genDone)
                return;
            Slot &slot = m_ring[size_t(m_nextSeq % qint64(m_window))];
            if (!m_gen.Next(slot.chunk)) {
                m_genDone = true;
                m_doneCv.notify_all();
                return;
            }
            const qint64 seq = m_nextSeq++;
            slot.found.clear();
            if (slot.chunk.kind != TChunk::Range || !slot.chunk.work) {
                slot.ready = true;
                m_doneCv.notify_all();
                continue;
            }
            slot.ready = false;
            lock.unlock();
            std::vector<TFound> found;
            THandOverContext context{this, &slot, seq};
            worker.SetHandOver(&TRun::HandOver, &context, m_config.foundBatch);
            try {
                worker.Process(slot.chunk, found);
            } catch (...) {
                lock.lock();
                if (!m_error)
                    m_error = std::current_exception();
                m_abort.store(true);
                m_workCv.notify_all();
                m_doneCv.notify_all();
                return;
            }
            lock.lock();
            Append(slot, found);
            slot.ready = true;
        }
    }

    bool Stopped()
    {
        if (m_stop.load(std::memory_order_relaxed))
            m_abort.store(true);
        return m_abort.load(std::memory_order_relaxed);
    }

    void Progress(qint64 counter)
    {
        m_sink.Progress(counter);
        m_lastProgress = Clock::now();
    }

    void KeepAlive()
    {
        if (m_config.progressIntervalMs > 0
            && Clock::now() - m_lastProgress >= std::chrono::milliseconds(m_config.progressIntervalMs))
            Progress(m_position);
    }

    void Merge()
    {
        for (qint64 seq = 0;; ++seq) {
            Slot &slot = m_ring[size_t(seq % qint64(m_window))];
            std::optional<TMergeState> state;
            for (bool complete = false; !complete;) {
                {
                    std::unique_lock<std::mutex> lock(m_mutex);
                    for (;;) {
                        if (m_error || Stopped())
                            return;
                        if (seq < m_nextSeq && (slot.ready || !slot.found.empty()))
                            break;
                        m_doneCv.wait_for(lock, std::chrono::milliseconds(10));
                        lock.unlock();
                        KeepAlive();
                        lock.lock();
                    }
                    if (!state)
                        state.emplace(slot.chunk);
                    m_waiting -= qint64(slot.found.size());
                    std::move(slot.found.begin(), slot.found.end(), std::back_inserter(state->found));
                    std::vector<TFound>().swap(slot.found);
                    m_reporting = qint64(state->found.size() - state->next);
                    complete = slot.ready;
                    m_workCv.notify_all();
                }
                state->go = Emit(slot.chunk, *state, complete);
                state->Compact();
                {
                    // What is left waits for more of the chunk's patterns.
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_reporting = 0;
                    m_workCv.notify_all();
                }
                if (!state->go)
                    break;
            }
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                slot.ready = false;
                m_mergedSeq = seq + 1;
                m_workCv.notify_all();
            }
            if (!state->go)
                return;
            KeepAlive();
        }
    }

    bool EmitFound(TFound &f)
    {
        m_position = f.counter;
        m_sink.Found(std::move(f.pattern), f.counter);
        return !Stopped();
    }

    // Reports what has come of a chunk and was not reported yet; `complete`
    // once nothing more comes. False once the run is to end.
    bool Emit(const TChunk &c, TMergeState &state, bool complete)
    {
        if (c.kind == TChunk::KStart) {
            m_position = c.lo;
            Progress(c.lo);
            return !Stopped();
        }
        if (c.kind == TChunk::End)
            return false;

        std::vector<TFound> &found = state.found;
        size_t &f = state.next;
        qint64 &m = state.multiple;
        const bool evaluations = m_e.intervals > 0 && m_e.nm > 0;
        for (;;) {
            const bool multiple = evaluations && m <= c.hi && m != Saturated;
            while (f < found.size() && (!multiple || found[f].counter < m))
                if (!EmitFound(found[f++]))
                    return false;
            if (!multiple)
                break;
            // The line at a multiple of ProgressEvery reports progress after
            // each of its rejected evaluations, in between its found ones:
            // all of them must be here, as they are once a later line's are.
            if (!complete && (f == found.size() || found.back().counter <= m))
                return !Stopped();
            quint32 polls = 0;
            for (qint64 interval = m_e.plan.intervalFirst; interval <= m_e.plan.intervalLast; ++interval)
                for (int mi = 0; mi < m_e.nm; ++mi) {
                    if (f < found.size() && found[f].counter == m && found[f].interval == interval
                        && found[f].mask == mi) {
                        if (!EmitFound(found[f++]))
                            return false;
                    } else {
                        m_position = m;
                        Progress(m);
                        if ((++polls & 255) == 0 && Stopped())
                            return false;
                    }
                }
            if (Stopped())
                return false;
            m = m > Saturated - ProgressEvery ? Saturated : m + ProgressEvery;
        }
        if (complete)
            m_position = c.hi;
        return !Stopped();
    }

    const TEngine &m_e;
    TSearchSink &m_sink;
    const std::atomic<bool> &m_stop;
    const TFastSearchConfig m_config;
    const int m_threads;
    const size_t m_window;

    std::mutex m_mutex;
    std::condition_variable m_workCv; // workers wait for room in the window or for the merge to catch up
    std::condition_variable m_doneCv; // the merge waits for found patterns or a finished chunk
    std::vector<Slot> m_ring;
    TChunkGen m_gen;
    bool m_genDone = false;
    qint64 m_nextSeq = 0;
    qint64 m_mergedSeq = 0;
    qint64 m_waiting = 0;             // found patterns in slots, not yet taken by the merge
    qint64 m_reporting = 0;           // taken by the merge, being reported now
    std::atomic<bool> m_abort{false};
    std::exception_ptr m_error;

    qint64 m_position = 0;
    Clock::time_point m_lastProgress;
};

} // namespace

std::vector<TSearchIsa> SupportedSearchIsas()
{
    std::vector<TSearchIsa> isas;
    for (TSearchIsa isa : {TSearchIsa::Generic, TSearchIsa::Avx2, TSearchIsa::Avx512})
        if (IsaSupported(isa))
            isas.push_back(isa);
    return isas;
}

const char *SearchIsaName(TSearchIsa isa)
{
    switch (isa) {
    case TSearchIsa::Auto: return "auto";
    case TSearchIsa::Generic: return "generic";
    case TSearchIsa::Avx2: return "avx2";
    case TSearchIsa::Avx512: return "avx512";
    }
    return "?";
}

qint64 RunFastSearch(const TCodes &draws, const TRegOptions &settings, TSearchSink &sink,
                     const std::atomic<bool> &stop, const TFastSearchConfig &config)
{
    TEngine engine(draws);
    engine.Setup(settings);
    engine.kernel = KernelFor(config.isa);
    int threads = std::clamp(config.threads > 0 ? config.threads : QThread::idealThreadCount(), 1, 256);
    if (config.chunkCombinations <= 0 && engine.ViableLines() < ParallelSearchLines)
        threads = 1;
    TRun run(engine, sink, stop, config, threads);
    return run.Execute();
}
