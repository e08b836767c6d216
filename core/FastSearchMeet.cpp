#include "core/FastSearchMeet.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <numeric>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VEXEL_MEET_X86 1
#endif

namespace FastSearchImpl {

namespace meetgeneric {
#define MEET_LEVEL 0
#include "core/FastSearchMeetKernel.inc"
#undef MEET_LEVEL
} // namespace meetgeneric

#ifdef VEXEL_MEET_X86
#ifdef __clang__
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace meetavx2 {
#define MEET_LEVEL 1
#include "core/FastSearchMeetKernel.inc"
#undef MEET_LEVEL
} // namespace meetavx2
#ifdef __clang__
#pragma clang attribute pop
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512dq,avx512vl"))), apply_to = function)
#else
#pragma GCC pop_options
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512dq,avx512vl")
#endif
namespace meetavx512 {
#define MEET_LEVEL 2
#include "core/FastSearchMeetKernel.inc"
#undef MEET_LEVEL
} // namespace meetavx512
#ifdef __clang__
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

TMeetFn MeetKernelFor(TSearchIsa isa)
{
#ifdef VEXEL_MEET_X86
    const bool avx512 = isa == TSearchIsa::Auto || isa == TSearchIsa::Avx512;
    if (avx512 && IsaSupported(TSearchIsa::Avx512) && __builtin_cpu_supports("avx512dq")
        && __builtin_cpu_supports("avx512vl"))
        return meetavx512::RunClasses;
    const bool avx2 = avx512 || isa == TSearchIsa::Avx2;
    if (avx2 && IsaSupported(TSearchIsa::Avx2))
        return meetavx2::RunClasses;
#else
    Q_UNUSED(isa);
#endif
    return meetgeneric::RunClasses;
}

namespace {

using meetgeneric::AddMod10;
using meetgeneric::ClassOf;

V16 SubMod10(V16 a, V16 b)
{
    const V16 d = a - b;
    const V16 e = d + 10;
    return e < d ? e : d;
}

} // namespace

void TMeetWorker::SetHandOver(THandOver handOver, void *context, int batch)
{
    m_handOver = handOver;
    m_handOverContext = context;
    m_batch = size_t(std::max(1, batch));
}

void TMeetWorker::SetPoll(void (*poll)(void *), void *context)
{
    m_poll = poll;
    m_pollContext = context;
}

bool TMeetWorker::Process(const TChunk &chunk, std::vector<TFound> &out)
{
    m_chunk = &chunk;
    m_matches.clear();
    m_members.clear();
    const TSearchPlan &plan = m_e.plan;
    for (qint64 interval = plan.intervalFirst; interval <= plan.intervalLast; ++interval) {
        if (!chunk.HasInterval(interval - plan.intervalFirst))
            continue;
        const int usable = m_e.shape.usable[size_t(interval - plan.intervalFirst)];
        const TMeetStatus status = SearchInterval(chunk, interval, usable);
        if (status == TMeetStatus::Stopped)
            return true; // the run ends; nothing of this chunk is reported
        if (status == TMeetStatus::TooLarge) {
            m_matches.clear();
            m_members.clear();
            return false;
        }
    }

    // Enumeration order: line (its counter), interval, mask.
    std::vector<quint32> order(m_matches.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](quint32 x, quint32 y) {
        const TMatch &a = m_matches[x], &b = m_matches[y];
        if (a.counter != b.counter)
            return a.counter < b.counter;
        if (a.interval != b.interval)
            return a.interval < b.interval;
        return a.mask < b.mask;
    });
    const int k = chunk.k;
    std::vector<TPoint> line(static_cast<size_t>(k));
    std::vector<qint32> values;
    quint32 polls = 0;
    for (quint32 index : order) {
        const TMatch &m = m_matches[index];
        for (int i = 0; i < k; ++i)
            line[size_t(i)] = m_e.cand[m_members[m.members + quint32(i)]];
        const quint16 mask = m_e.plan.masks[m.mask];
        values.clear();
        // Beyond the key's digits the match is only likely: the walk decides.
        if (m_e.Walk(line.data(), k, m.interval, mask, &values) >= m_e.plan.minSteps)
            out.push_back(TFound{m.counter, m.interval, m.mask, m_e.MakePattern(line, m.interval, mask, values)});
        if (m_handOver && out.size() >= m_batch)
            m_handOver(m_handOverContext, out);
        if ((++polls & 255) == 0 && m_abort.load(std::memory_order_relaxed))
            break;
    }
    m_matches.clear();
    m_members.clear();
    return true;
}

TMeetStatus TMeetWorker::SearchInterval(const TChunk &chunk, qint64 interval, int usable)
{
    const int k = chunk.k;
    const int split = chunk.split;
    const int lo = chunk.first;
    const int top = std::min({chunk.last, usable - k, m_e.shape.firstLimit});
    if (top < lo)
        return TMeetStatus::Done;
    m_interval = interval;

    // The digits of every usable candidate and of every mask's targets at
    // the first steps of the chain. The least chain reads no draw before
    // the first: that is what makes a candidate usable.
    const int steps = std::min(m_e.plan.minSteps - 1, MeetKeyDigits);
    const int N = m_e.N;
    m_digits.assign(size_t(usable), TMeetList::Sum{});
    for (int c = 0; c < usable; ++c)
        for (int j = 1; j <= steps; ++j) {
            const qint64 row = qint64(N) - interval * j + m_e.cand[c].y;
            if (row < N)
                m_digits[size_t(c)].v[j - 1] = (unsigned char)(m_e.draws.At(m_e.cand[c].x, int(row)) % 10);
        }
    m_targets.assign(m_e.plan.masks.size(), TMeetList::Sum{});
    for (size_t mi = 0; mi < m_e.plan.masks.size(); ++mi)
        for (int j = 1; j <= steps; ++j)
            m_targets[mi].v[j - 1] = (unsigned char)m_e.Target(qint64(N) - interval * j, m_e.plan.masks[mi]);

    // A + B + C + D meets T_M where T_M - A - B (or -A - B) in the table
    // equals C + D (or C + D - T_M).
    const int a = (split + 1) / 2, b = split - a, c = (k - split) / 2, d = k - split - c;
    const bool after = chunk.masksAfter;
    const double entries = (after ? 1.0 : double(m_e.nm)) * SubsetsFirstIn(usable, split, lo, top);
    m_classes = m_e.meetClasses > 0 ? MeetClassesOf(m_e.meetClasses, steps) : MeetClassesFor(entries, steps);
    m_maskList = after ? 3 : 0;
    // A and C by last candidate rising, B by first rising, D by first
    // falling: how the class loop pairs them.
    BuildList(m_lists[0], a, lo, usable, top, !after, true, TOrder::LastRising);
    BuildList(m_lists[1], b, lo + a, usable, usable - 1, false, true, TOrder::FirstRising);
    BuildList(m_lists[2], c, lo + split, usable, usable - 1, false, false, TOrder::LastRising);
    BuildList(m_lists[3], d, lo + split, usable, usable - 1, after, false, TOrder::FirstFalling);
    for (const TMeetList &list : m_lists)
        if (list.sums.size() > MeetMaxListEntries)
            return TMeetStatus::TooLarge;
    Bucket(m_lists[0], TOrder::LastRising);
    Bucket(m_lists[1], TOrder::FirstRising);
    Bucket(m_lists[2], TOrder::LastRising);
    Bucket(m_lists[3], TOrder::FirstFalling);

    TMeetCall call;
    call.a = &m_lists[0];
    call.b = &m_lists[1];
    call.c = &m_lists[2];
    call.d = &m_lists[3];
    call.classes = m_classes;
    call.maxEntries = MeetMaxClassEntries;
    call.table = &m_table;
    call.abort = &m_abort;
    call.poll = m_poll;
    call.pollContext = m_pollContext;
    call.match = &TMeetWorker::OnMatch;
    call.matchContext = this;
    return m_e.meetKernel(call);
}

void TMeetWorker::BuildList(TMeetList &list, int size, int from, int to, int firstLast, bool withMasks,
                            bool negate, TOrder order)
{
    list.size = size;
    list.sums.clear();
    list.lo.clear();
    list.hi.clear();
    list.members.clear();
    list.mask.clear();
    bool full = false;
    auto add = [&](V16 sum, const int *idx) {
        const size_t copies = withMasks ? m_targets.size() : 1;
        if (negate)
            sum = SubMod10(V16{}, sum);
        for (size_t mi = 0; mi < copies; ++mi) {
            // With the masks: T_M - A on the table's side, D - T_M on the other.
            const V16 v = !withMasks ? sum : negate ? AddMod10(m_targets[mi].v, sum) : SubMod10(sum, m_targets[mi].v);
            list.sums.push_back(TMeetList::Sum{v});
            // An empty part lies after and before everything.
            list.lo.push_back(size > 0 ? qint16(idx[0]) : qint16(INT16_MAX));
            list.hi.push_back(size > 0 ? qint16(idx[size - 1]) : qint16(-1));
            for (int i = 0; i < size; ++i)
                list.members.push_back(quint16(idx[i]));
            if (withMasks)
                list.mask.push_back(quint8(mi));
        }
        full = list.sums.size() > MeetMaxListEntries;
    };
    if (size == 0) {
        add(V16{}, nullptr);
        return;
    }
    std::vector<int> &idx = m_buildIndices;
    idx.assign(size_t(size), 0);
    const TMeetList::Sum *digits = m_digits.data();
    std::vector<TMeetList::Sum> &sums = m_buildSums;
    sums.resize(size_t(size) + 1);
    // Every `count`-subset of lo .. hi - 1 whose first lies at most at
    // `firstMax`, in lexicographic order, into idx[at ..], its digits added
    // to `base`; then the whole entry is added.
    auto subsets = [&](int count, int lo, int hi, int firstMax, V16 base, int at) {
        if (count == 0) {
            add(base, idx.data());
            return;
        }
        sums[0].v = base;
        int l = 0;
        idx[size_t(at)] = lo;
        while (!full) {
            const int bound = l == 0 ? std::min(firstMax, hi - count) : hi - count + l;
            if (idx[size_t(at + l)] > bound) {
                if (l == 0)
                    return;
                --l;
                ++idx[size_t(at + l)];
                continue;
            }
            sums[size_t(l) + 1].v = AddMod10(sums[size_t(l)].v, digits[idx[size_t(at + l)]].v);
            if (l == count - 1) {
                add(sums[size_t(count)].v, idx.data());
                ++idx[size_t(at + l)];
            } else {
                ++l;
                idx[size_t(at + l)] = idx[size_t(at + l) - 1] + 1;
            }
        }
    };
    // Made in the order the class loop wants, ties in lexicographic order,
    // so that they need no sorting.
    switch (order) {
    case TOrder::FirstRising:
        subsets(size, from, to, firstLast, V16{}, 0);
        break;
    case TOrder::LastRising:
        for (int last = from + size - 1; last < to && !full; ++last) {
            idx[size_t(size) - 1] = last;
            if (size == 1) {
                if (last <= firstLast)
                    add(digits[last].v, idx.data());
            } else {
                subsets(size - 1, from, last, firstLast, digits[last].v, 0);
            }
        }
        break;
    case TOrder::FirstFalling:
        for (int first = std::min(firstLast, to - size); first >= from && !full; --first) {
            idx[0] = first;
            subsets(size - 1, first + 1, to, INT_MAX, digits[first].v, 1);
        }
        break;
    }
}

void TMeetWorker::Bucket(TMeetList &list, TOrder order)
{
    const int classes = m_classes.Count();
    const size_t count = list.sums.size();
    // Candidates lie in 0 .. n - 1; an empty part's first is past them all.
    const int n = m_e.n;
    auto candidateKey = [&](size_t i) {
        if (order == TOrder::LastRising)
            return int(list.hi[i]) + 1;
        const int first = std::min(int(list.lo[i]), n);
        return order == TOrder::FirstRising ? first : n - first;
    };
    std::vector<quint32> &cls = m_bucketClass;
    cls.resize(count);
    for (size_t i = 0; i < count; ++i)
        cls[i] = classes > 1 ? ClassOf(list.sums[i].v, m_classes) : 0;
    // BuildList makes a list in the order asked for, and then only the
    // classes are sorted; the candidate sort is kept for any other list.
    bool ordered = true;
    for (size_t i = 1; i < count && ordered; ++i)
        ordered = candidateKey(i - 1) <= candidateKey(i);

    list.start.assign(size_t(classes) + 1, 0);
    for (size_t i = 0; i < count; ++i)
        ++list.start[size_t(cls[i]) + 1];
    std::partial_sum(list.start.begin(), list.start.end(), list.start.begin());
    list.classes.clear();
    for (int c = 0; c < classes; ++c)
        if (list.start[size_t(c) + 1] > list.start[size_t(c)])
            list.classes.push_back(quint32(c));
    if (ordered && classes == 1)
        return;

    // Counting sorts: by candidate within a class, then by class.
    std::vector<quint32> &perm = m_bucketOrder, &next = m_bucketNext;
    perm.resize(count);
    next.resize(count);
    std::iota(perm.begin(), perm.end(), 0u);
    auto countingSort = [&](auto keyOf, int keys) {
        std::vector<quint32> &start = m_bucketStart;
        start.assign(size_t(keys) + 1, 0);
        for (quint32 i : perm)
            ++start[size_t(keyOf(i)) + 1];
        std::partial_sum(start.begin(), start.end(), start.begin());
        for (quint32 i : perm)
            next[start[size_t(keyOf(i))]++] = i;
        perm.swap(next);
    };
    if (!ordered)
        countingSort([&](quint32 i) { return candidateKey(i); }, n + 1);
    if (classes > 1)
        countingSort([&](quint32 i) { return int(cls[i]); }, classes);

    TMeetList &out = m_bucketSpare;
    out.size = list.size;
    out.sums.resize(count);
    out.lo.resize(count);
    out.hi.resize(count);
    out.members.resize(list.members.size());
    out.mask.resize(list.mask.size());
    const size_t size = size_t(list.size);
    for (size_t to = 0; to < count; ++to) {
        const quint32 from = perm[to];
        out.sums[to] = list.sums[from];
        out.lo[to] = list.lo[from];
        out.hi[to] = list.hi[from];
        std::copy_n(list.members.begin() + qsizetype(from * size), size, out.members.begin() + qsizetype(to * size));
        if (!list.mask.empty())
            out.mask[to] = list.mask[from];
    }
    // The spare keeps the old arrays for the next list.
    list.sums.swap(out.sums);
    list.lo.swap(out.lo);
    list.hi.swap(out.hi);
    list.members.swap(out.members);
    list.mask.swap(out.mask);
}

bool TMeetWorker::OnMatch(void *context, int a, int b, int c, int d)
{
    auto &w = *static_cast<TMeetWorker *>(context);
    if (w.m_matches.size() >= w.m_e.meetMatchLimit)
        return false;
    const TChunk &chunk = *w.m_chunk;
    const int k = chunk.k;
    w.m_line.resize(size_t(k));
    const int parts[4] = {a, b, c, d};
    const quint32 offset = quint32(w.m_members.size());
    int l = 0;
    for (int part = 0; part < 4; ++part) {
        const TMeetList &list = w.m_lists[part];
        for (int i = 0; i < list.size; ++i) {
            const quint16 member = list.members[size_t(parts[part]) * size_t(list.size) + size_t(i)];
            w.m_line[size_t(l++)] = member;
            w.m_members.push_back(member);
        }
    }
    const qint64 counter = SatAdd(SatAdd(chunk.base, Rank(w.m_line.data(), k, w.m_e.n)), 1);
    const TMeetList &masked = w.m_lists[w.m_maskList];
    w.m_matches.push_back(TMatch{counter, qint32(w.m_interval), masked.mask[size_t(parts[w.m_maskList])], offset});
    return true;
}

} // namespace FastSearchImpl
