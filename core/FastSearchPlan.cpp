#include "core/FastSearchPlan.h"

namespace FastSearchImpl {

namespace {

// Tables beyond this size would cost more to build than they save.
constexpr size_t MaxTableBytes = size_t(256) << 20;

} // namespace

void TEngine::Setup(const TRegOptions &settings)
{
    N = draws.Count();
    plan = MakeSearchPlan(settings, N);
    n = plan.candidates.Count();
    nAll = plan.CandidateCount();
    cand = plan.candidates.Data();
    nm = int(plan.masks.size());
    intervals = plan.intervalLast >= plan.intervalFirst
        ? qint64(plan.intervalLast) - plan.intervalFirst + 1 : 0;

    shape = ShapeOf(plan, N);
    i0Limit = shape.firstLimit;
    cLimit = shape.lastLimit;
    if (cLimit < 0 || i0Limit < 0) {
        shape.exact = false;
        return;
    }

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
    shape.exact = digits;

    const int steps = int(std::min<qint64>(plan.minSteps - 1, FilterSteps));
    const qint64 lanes = (LastInterval(Need(Distance(0))) - plan.intervalFirst + 1) * nm;
    const qint64 blocks = (lanes + 127) / 128;
    const double bytes = double(cLimit + 1) * steps * 3.0 * double(blocks) * 64.0;
    if (!digits || steps < 1 || bytes > double(MaxTableBytes))
        return;
    filtered = true;
    BuildTables(steps, lanes, int(blocks));
}

std::unique_ptr<TVexelReg> TEngine::MakePattern(const std::vector<TPoint> &line, qint64 interval, quint16 mask,
                                                const std::vector<qint32> &values) const
{
    auto pattern = std::make_unique<TVexelReg>();
    pattern->SetTargetMask(mask);
    pattern->SetTargetCount(plan.targetCount);
    pattern->SetDrawCount(N);
    pattern->SetKind(1);
    pattern->SetInterval(qint32(interval));
    // Exactly as many points as the line has: millions of patterns may
    // be kept.
    pattern->Line(0).SetCapacity(int(line.size()));
    for (const TPoint &p : line)
        pattern->Line(0).Add(p);
    for (qint32 v : values)
        pattern->AddStep(&v, mask);
    return pattern;
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

} // namespace FastSearchImpl
