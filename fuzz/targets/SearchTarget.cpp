// A few bytes of search settings, then a workspace file. Every pattern read
// gets its list texts and its shortest order; then a small search runs on the
// chart's draws as read (any 32-bit values) and on the same draws cut down to
// digits. The product engine must report exactly what the plain walk of
// every combination, interval and mask reports, each pattern it finds must
// be one the rules accept, and a search stopped before it starts must report
// a prefix of that.
#include "fuzz/targets/FuzzTargets.h"

#include "core/FastSearch.h"
#include "core/Hao.h"
#include "tests/support/ReferenceEngine.h"
#include "core/VexelError.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"
#include "core/Workspace.h"

#include <QDataStream>
#include <QIODevice>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace VexelFuzz {

namespace {

const char *const Target = "search";

// The search runs on at most this many draws, so that a run stays short.
constexpr int MaxSearchDraws = 64;

TRegOptions SettingsFrom(const uint8_t *b)
{
    TRegOptions s;
    s.LinedDistMinSe = b[0] % 6 - 1;
    s.LinedDistMaxSe = s.LinedDistMinSe + b[1] % 3 - 1;
    s.LinedPtMinSe = b[2] % 4 - 1;
    s.LinedPtMaxSe = s.LinedPtMinSe + b[3] % 3 - 1;
    s.InterMinSe = b[4] % 5 - 1;
    s.InterMaxSe = s.InterMinSe + b[5] % 4 - 1;
    s.MaxYOfSecSe = b[6] % 6 - 1;
    s.SecCountSe = b[7] % 9 - 1;
    s.FallTargetGbx = b[8] % 4;
    s.RefSumChk = b[9] & 1;
    s.RefTailChk = b[9] & 2;
    // A hand-edited file can hold any 32-bit value. One field at a time
    // takes such a value, the others staying where the search is short.
    if (b[9] & 0x80) {
        constexpr qint32 Most = std::numeric_limits<qint32>::max();
        constexpr qint32 Least = std::numeric_limits<qint32>::min();
        const qint32 extremes[] = {Least, Least + 1, -1000000, 1000000, Most - 1, Most};
        const qint32 v = extremes[b[7] % 6];
        switch (b[8] / 4 % 8) {
        case 0: // distances: the candidates then span the whole history
            (b[6] & 1 ? s.LinedDistMinSe : s.LinedDistMaxSe) = v;
            s.LinedPtMinSe = qMin(s.LinedPtMinSe, 1);
            s.LinedPtMaxSe = qMin(s.LinedPtMaxSe, 1);
            break;
        case 1:
            // Up to every point count: one distance of four columns.
            (b[6] & 1 ? s.LinedPtMinSe : s.LinedPtMaxSe) = v;
            s.LinedPtMinSe = qMin(s.LinedPtMinSe, 3);
            s.LinedDistMaxSe = s.LinedDistMinSe;
            s.RefSumChk = s.RefTailChk = false;
            break;
        case 2:
            s.InterMinSe = v;
            break;
        case 3: // a long interval range, walked only when chains need two steps
            s.InterMaxSe = v;
            s.SecCountSe = qMax(s.SecCountSe, 2);
            break;
        case 4:
            s.MaxYOfSecSe = v;
            break;
        case 5:
            s.SecCountSe = v;
            break;
        default:
            s.FallTargetGbx = v;
            break;
        }
    }
    return s;
}

QByteArray Bytes(const TVexelReg &pattern)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    pattern.SaveToStream(stream);
    return bytes;
}

struct Event
{
    int kind;              // 0 progress, 1 found
    qint64 combinations;
    QByteArray pattern;

    bool operator==(const Event &) const = default;
};

class Recorder : public TSearchSink
{
public:
    void Progress(qint64 combinations) override { events.push_back({0, combinations, {}}); }
    void Found(std::unique_ptr<TVexelReg> pattern, qint64 combinations) override
    {
        events.push_back({1, combinations, Bytes(*pattern)});
        found.push_back(std::move(pattern));
    }

    std::vector<Event> events;
    std::vector<std::unique_ptr<TVexelReg>> found;
};

QString Where(const std::vector<Event> &a, const std::vector<Event> &b)
{
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    const auto show = [](const std::vector<Event> &v, size_t i) {
        return i < v.size() ? QStringLiteral("kind %1 at %2 %3").arg(v[i].kind).arg(v[i].combinations).arg(Hex(v[i].pattern, 24))
                            : QStringLiteral("nothing");
    };
    return QStringLiteral("report %1 of %2/%3: engine %4, walk %5").arg(i).arg(a.size()).arg(b.size())
        .arg(show(a, i), show(b, i));
}

qint32 Remainder10(qint32 v) { return v % 10; }

// Whether step j of the line holds, and whether it can be tested at all.
enum class Step { Holds, Fails, OutOfHistory };

Step StepAt(const TCodes &draws, const TVexelReg &p, qint64 j, qint32 &value)
{
    const qint64 n = draws.Count();
    const qint64 r = n - qint64(p.Interval()) * j;
    const TPointList &line = p.Line(0);
    if (r < 0)
        return Step::OutOfHistory;
    for (int i = 0; i < line.Count(); ++i)
        if (r + line.Get(i).y < 0)
            return Step::OutOfHistory;
    value = Remainder10(p.LineValue(int(r), 0, draws));
    if (r >= n)
        return Step::Holds;
    qint32 s = 0;
    for (int b = 0; b <= 4; ++b)
        if (p.TargetMask() & (1u << b))
            s = (s + Remainder10(draws.GetNum(b, int(r)))) % 10;
    return s == value ? Step::Holds : Step::Fails;
}

// A pattern the search reports must be one its rules accept.
void CheckFound(const TCodes &draws, const TRegOptions &s, const TVexelReg &p)
{
    const std::vector<quint16> masks = TargetMasks(s.FallTargetGbx);
    const TPointList &line = p.Line(0);
    FUZZ_CHECK(Target, p.Kind() == 1 && p.DrawCount() == draws.Count() && p.TargetCount() == s.FallTargetGbx + 2,
               QStringLiteral("a found pattern has kind %1, draw count %2, target count %3")
                   .arg(p.Kind()).arg(p.DrawCount()).arg(p.TargetCount()));
    FUZZ_CHECK(Target, std::find(masks.begin(), masks.end(), p.TargetMask()) != masks.end(),
               QStringLiteral("a found pattern has target mask %1").arg(p.TargetMask()));
    FUZZ_CHECK(Target, p.Interval() >= qMax(1, s.InterMinSe) && p.Interval() <= s.InterMaxSe,
               QStringLiteral("a found pattern has interval %1").arg(p.Interval()));
    FUZZ_CHECK(Target, line.Count() >= qMax(0, s.LinedPtMinSe)
                           && (line.Count() <= s.LinedPtMaxSe || line.Count() == qMax(0, s.LinedPtMinSe)),
               QStringLiteral("a found pattern has %1 points").arg(line.Count()));
    for (int i = 0; i < line.Count(); ++i) {
        const TPoint pt = line.Get(i);
        const bool column = pt.x >= (s.RefSumChk ? 0 : 1) && pt.x <= (s.RefTailChk ? 7 : 4);
        const bool distance = -pt.y >= s.LinedDistMinSe && -pt.y <= s.LinedDistMaxSe;
        FUZZ_CHECK(Target, column && distance, QStringLiteral("a found pattern has the point %1,%2").arg(pt.x).arg(pt.y));
        if (i > 0) {
            const TPoint before = line.Get(i - 1);
            FUZZ_CHECK(Target, before.y > pt.y || (before.y == pt.y && before.x < pt.x),
                       QStringLiteral("a found pattern's points are not in candidate order"));
        }
    }
    FUZZ_CHECK(Target, -p.NearestRow() <= s.MaxYOfSecSe,
               QStringLiteral("a found pattern lies %1 draws back").arg(-p.NearestRow()));
    FUZZ_CHECK(Target, p.StepCount() >= qMax(1, s.SecCountSe),
               QStringLiteral("a found pattern has only %1 steps").arg(p.StepCount()));
    for (int j = 0; j < p.StepCount(); ++j) {
        qint32 v = 0;
        FUZZ_CHECK(Target, StepAt(draws, p, j, v) == Step::Holds && v == p.Value(j, 0)
                               && p.StepMask(j, 0) == p.TargetMask(),
                   QStringLiteral("step %1 of a found pattern does not hold as stored").arg(j));
    }
    qint32 v = 0;
    FUZZ_CHECK(Target, StepAt(draws, p, p.StepCount(), v) != Step::Holds,
               QStringLiteral("a found pattern's chain goes on past its %1 steps").arg(p.StepCount()));
}

void Search(const TCodes &draws, const TRegOptions &settings, const uint8_t *b)
{
    const std::atomic<bool> going{false};
    Recorder walk;
    const qint64 walkCount = RunReferenceSearch(draws, settings, walk, going);

    TFastSearchConfig config;
    config.threads = (b[9] & 4) ? 2 : 1;
    config.progressIntervalMs = 0;
    config.chunkCombinations = (b[9] >> 4) & 7;
    // Either engine throughout, the meet-in-the-middle search in a few units.
    config.engine = (b[9] & 8) ? TSearchEngine::MeetInMiddle : TSearchEngine::BruteForce;
    config.meetRanges = (b[9] >> 4) & 3;
    Recorder engine;
    const qint64 engineCount = RunFastSearch(draws, settings, engine, going, config);
    FUZZ_CHECK(Target, engine.events == walk.events, Where(engine.events, walk.events));
    FUZZ_CHECK(Target, engineCount == walkCount,
               QStringLiteral("the engine took %1 combinations, the walk %2").arg(engineCount).arg(walkCount));
    // Every pattern found is checked against the rules; beyond a few
    // hundred they only repeat the same walk.
    for (size_t i = 0; i < walk.found.size() && i < 300; ++i)
        CheckFound(draws, settings, *walk.found[i]);

    const std::atomic<bool> stopped{true};
    Recorder early;
    RunFastSearch(draws, settings, early, stopped, config);
    FUZZ_CHECK(Target, early.events.size() <= walk.events.size()
                           && std::equal(early.events.begin(), early.events.end(), walk.events.begin()),
               QStringLiteral("a stopped search reports what the whole search does not"));
}

double Length(const TPoint *p, const char *order)
{
    double length = 0;
    for (int i = 1; order[i]; ++i) {
        const TPoint a = p[order[i - 1] - '1'];
        const TPoint b = p[order[i] - '1'];
        length += std::hypot(double(a.x) - b.x, double(a.y) - b.y);
    }
    return length;
}

void CheckPattern(const TVexelReg &read, const TCodes &draws)
{
    TVexelReg p = read;
    const int n = p.Line(0).Count();
    std::vector<TPoint> before(p.Line(0).Data(), p.Line(0).Data() + n);

    p.ShortestOrder();
    std::vector<TPoint> after(p.Line(0).Data(), p.Line(0).Data() + p.Line(0).Count());
    const auto byXY = [](const TPoint &a, const TPoint &b) { return a.x != b.x ? a.x < b.x : a.y < b.y; };
    std::vector<TPoint> sortedBefore = before, sortedAfter = after;
    std::sort(sortedBefore.begin(), sortedBefore.end(), byXY);
    std::sort(sortedAfter.begin(), sortedAfter.end(), byXY);
    FUZZ_CHECK(Target, sortedBefore == sortedAfter, QStringLiteral("the shortest order changed the points of a line"));
    if (n < 3 || n > 4) {
        FUZZ_CHECK(Target, before == after, QStringLiteral("the shortest order reordered a line of %1 points").arg(n));
    } else {
        bool small = true;
        for (const TPoint &pt : before)
            small = small && std::abs(qint64(pt.x)) <= 1000 && std::abs(qint64(pt.y)) <= 1000;
        if (small) {
            const char *const paths3[] = {"123", "132", "213"};
            const char *const paths4[] = {"1234", "1243", "1324", "1342", "1423", "1432",
                                          "2134", "2143", "2314", "2413", "3124", "3214"};
            double best = 1e300;
            for (int i = 0; i < (n == 3 ? 3 : 12); ++i)
                best = std::min(best, Length(before.data(), n == 3 ? paths3[i] : paths4[i]));
            const double chosen = Length(after.data(), n == 3 ? "123" : "1234");
            if (best < 9999)
                FUZZ_CHECK(Target, chosen <= best + 1e-3,
                           QStringLiteral("the shortest order chose a path of %1, the shortest is %2").arg(chosen).arg(best));
            else if (best > 10001)
                FUZZ_CHECK(Target, before == after, QStringLiteral("a line longer than any kept order was reordered"));
        }
        if (n == 3) {
            TVexelReg twice = p;
            twice.ShortestOrder();
            FUZZ_CHECK(Target, Bytes(twice) == Bytes(p), QStringLiteral("the shortest order of three points is not stable"));
        }
    }

    FUZZ_CHECK(Target, p.PointsText() == QString::number(n), QStringLiteral("points text %1").arg(p.PointsText()));
    const QString steps = p.StepsText();
    const qsizetype stepPieces = steps.isEmpty() ? 0 : steps.count(QLatin1Char(',')) + 1;
    FUZZ_CHECK(Target, stepPieces == qMax(0, p.StepCount()),
               QStringLiteral("steps text '%1' for %2 steps").arg(steps.left(60)).arg(p.StepCount()));
    const QString positions = p.PositionText();
    bool letters = positions.size() == qPopulationCount(quint32(p.TargetMask() & 31u));
    for (const QChar c : positions)
        letters = letters && QStringLiteral("HABCD").contains(c);
    FUZZ_CHECK(Target, letters, QStringLiteral("position text '%1' for mask %2").arg(positions).arg(p.TargetMask()));
    FUZZ_CHECK(Target, p.ResultText().isEmpty() == (p.StepCount() <= 0),
               QStringLiteral("result text '%1' for %2 steps").arg(p.ResultText()).arg(p.StepCount()));
    // The chart draws lines read from any file; a point outside the draws
    // raises, nothing worse.
    try {
        p.LineValue(draws.Count(), 0, draws);
        p.LineValue(p.DrawCount(), 0, draws);
    } catch (const EVexelError &) {
    }
}

// The same draws with every value cut down to a digit, sums recomputed.
TCodes Digits(const TCodes &draws)
{
    TCodes out;
    for (int i = 0; i < draws.Count(); ++i) {
        out.Add();
        for (int p = 1; p <= 7; ++p)
            out.SetNum(p, i, (draws.GetNum(p, i) % 10 + 10) % 10);
    }
    return out;
}

} // namespace

void Search(const uint8_t *data, size_t size)
{
    if (size < size_t(SearchSettingsBytes))
        return;
    const TRegOptions settings = SettingsFrom(data);
    const QByteArray bytes(reinterpret_cast<const char *>(data) + SearchSettingsBytes,
                           qsizetype(size) - SearchSettingsBytes);
    TCodes chart;
    TVexelRegMgr patterns(nullptr);
    try {
        ::Workspace::Read(bytes, chart, patterns);
    } catch (const EVexelError &) {
        // The program goes on with what was read.
    }
    for (int i = 0; i < patterns.Count() && i < 200; ++i)
        CheckPattern(*patterns.Get(i), chart);

    if (chart.Count() > MaxSearchDraws)
        chart.SetCount(MaxSearchDraws);
    Search(chart, settings, data);
    Search(Digits(chart), settings, data);
}

} // namespace VexelFuzz
