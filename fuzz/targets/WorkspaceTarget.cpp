// Reading a workspace file. The file is walked here a second time, by the
// layout alone, with fields past the end of the input reading as zero like
// the reader's. That walk says what the reader must do:
// - no negative count and every count within the input: the load succeeds
//   and saving gives the input back, byte for byte, up to the end of the
//   layout (a negative pattern count reads as none);
// - a count whose entries run past the end of the input may be refused, or
//   read with the missing entries zero, and then saving gives the input up
//   to its last whole field followed by zeros;
// - a negative draw, point or step count fails the load;
// - a failed load keeps the chart draws and the patterns read before the
//   count it failed at, each as it stands in the file.
// The model never holds much more than the input: the saved size is bounded.
#include "fuzz/targets/FuzzTargets.h"

#include "core/Hao.h"
#include "core/VexelError.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"
#include "core/Workspace.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

#include <vector>

namespace VexelFuzz {

namespace {

const char *const Target = "workspace";

constexpr qint64 DrawBytes = 32;
constexpr qint64 PointBytes = 8;
constexpr qint64 StepBytes = 6;      // a value and a mask
constexpr qint64 PatternMinBytes = 24;

// A count at which the reader may stop with an error.
struct Suspect
{
    enum Where { Chart, PatternCount, Points, Steps, Snapshot } where;
    int pattern;        // patterns read completely before it
    bool negative;      // negative: the reader must stop here
};

struct PatternSpan
{
    qint64 start = 0;
    qint64 end = 0;
};

class Layout
{
public:
    explicit Layout(const QByteArray &bytes) : m_bytes(bytes), m_size(bytes.size()) { Walk(); }

    qint64 announced = 0;  // size of the file that the counts describe
    qint64 whole = -1;     // input bytes read as whole fields, when the input ran out
    qint64 patternCountAt = -1;
    qint32 patternCount = 0;
    qint32 chartCount = 0;
    std::vector<Suspect> suspects;    // in file order, up to the first negative count
    std::vector<PatternSpan> patterns;
    bool mustFail = false;

    // The bytes a save after a successful load must give.
    QByteArray Expected() const
    {
        const qint64 kept = whole >= 0 ? whole : announced;
        QByteArray out = m_bytes.left(kept);
        out.append(QByteArray(announced - kept, '\0'));
        if (patternCount < 0 && patternCountAt + 4 <= out.size())
            qToLittleEndian<qint32>(0, out.data() + patternCountAt);
        return out;
    }

    // The bytes a pattern read from the file saves as.
    QByteArray PatternBytes(int i) const
    {
        if (size_t(i) >= patterns.size())
            return QByteArray(PatternMinBytes, '\0');
        const PatternSpan &span = patterns[size_t(i)];
        const qint64 kept = whole >= 0 ? qBound(span.start, whole, span.end) : span.end;
        QByteArray out = m_bytes.mid(span.start, kept - span.start);
        out.append(QByteArray(span.end - kept, '\0'));
        return out;
    }

private:
    qint64 Left() const { return qMax<qint64>(0, m_size - m_pos); }

    // Fields of `width` bytes, `count` of them; after the input ran out they
    // are zero.
    void Skip(qint64 count, qint64 width)
    {
        if (whole < 0) {
            const qint64 full = qMin(count, Left() / width);
            if (full < count)
                whole = m_pos + full * width;
        }
        m_pos += count * width;
    }

    template<typename T>
    T Read()
    {
        T value = 0;
        if (whole < 0 && m_pos + qint64(sizeof(T)) <= m_size)
            value = qFromLittleEndian<T>(m_bytes.constData() + m_pos);
        Skip(1, sizeof(T));
        return value;
    }

    // Returns false when reading must stop at this count.
    bool Count(qint32 count, qint64 entryBytes, Suspect::Where where)
    {
        const int done = int(patterns.size());
        if (count < 0) {
            suspects.push_back({where, done, true});
            mustFail = true;
            return false;
        }
        if (qint64(count) * entryBytes > Left())
            suspects.push_back({where, done, false});
        return true;
    }

    bool DrawList(Suspect::Where where)
    {
        Read<qint32>();
        const qint32 n = Read<qint32>();
        if (where == Suspect::Chart)
            chartCount = n;
        if (!Count(n, DrawBytes, where))
            return false;
        Skip(qint64(n) * 8, 4);     // eight values a draw, read one by one
        return true;
    }

    void Walk()
    {
        if (!DrawList(Suspect::Chart))
            return;
        patternCountAt = m_pos;
        patternCount = Read<qint32>();
        if (patternCount > 0 && qint64(patternCount) * PatternMinBytes > Left())
            suspects.push_back({Suspect::PatternCount, 0, false});
        for (qint32 i = 0; i < patternCount; ++i) {
            if (whole >= 0) {
                // The input has run out: every pattern left reads as zeros.
                m_pos += qint64(patternCount - i) * PatternMinBytes;
                break;
            }
            PatternSpan span;
            span.start = m_pos;
            const qint32 points = Read<qint32>();
            if (!Count(points, PointBytes, Suspect::Points))
                return;
            Skip(qint64(points) * 2, 4); // column and row, read one by one
            Read<quint16>();                   // target mask
            Read<qint16>();                    // target count
            Read<qint32>();                    // interval
            const qint32 steps = Read<qint32>();
            Read<qint32>();                    // draw count
            Read<qint32>();                    // kind
            if (!Count(steps, StepBytes, Suspect::Steps))
                return;
            Skip(steps, 4);
            Skip(steps, 2);
            span.end = m_pos;
            patterns.push_back(span);
        }
        if (!DrawList(Suspect::Snapshot))
            return;
        announced = m_pos;
    }

    const QByteArray &m_bytes;
    const qint64 m_size;
    qint64 m_pos = 0;
};

QByteArray Saved(const TCodes &chart, const TVexelRegMgr &patterns)
{
    return ::Workspace::Build(chart, patterns);
}

QByteArray SavedPattern(const TVexelReg &pattern)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    pattern.SaveToStream(stream);
    return bytes;
}

// What was read before the failure: the chart (unless the failure was at its
// own count) and each pattern read completely, as it stands in the file.
void CheckKept(const Layout &layout, const TCodes &chart, const TVexelRegMgr &patterns, const QString &error)
{
    bool matched = false;
    for (const Suspect &s : layout.suspects) {
        const int chartCount = s.where == Suspect::Chart ? 0 : layout.chartCount;
        const int patternCount = s.where == Suspect::Snapshot ? qMax(0, layout.patternCount) : s.pattern;
        if (chart.Count() == chartCount && patterns.Count() == patternCount && patterns.Draws().Count() == 0)
            matched = true;
    }
    FUZZ_CHECK(Target, matched,
               QStringLiteral("a failed load (%1) keeps %2 draws and %3 patterns, which is no count where "
                              "reading could stop").arg(error).arg(chart.Count()).arg(patterns.Count()));
    for (int i = 0; i < patterns.Count(); ++i)
        FUZZ_CHECK(Target, SavedPattern(*patterns.Get(i)) == layout.PatternBytes(i),
                   QStringLiteral("pattern %1, read before the failure, is not the one in the file").arg(i));
}

} // namespace

void Workspace(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const Layout layout(bytes);

    TCodes chart;
    TVexelRegMgr patterns(nullptr);
    bool loaded = false;
    QString error;
    try {
        loaded = ::Workspace::Read(bytes, chart, patterns);
    } catch (const EVexelError &e) {
        error = e.message();
    }

    if (size == 0) {
        FUZZ_CHECK(Target, !loaded && error.isEmpty(), QStringLiteral("an empty file is not loaded and is no error"));
        return;
    }
    // However the load went, what it left can be saved.
    const QByteArray saved = Saved(chart, patterns);
    FUZZ_CHECK(Target, saved.size() <= 8 * qint64(size) + (4 << 20),
               QStringLiteral("%1 input bytes hold a model that saves as %2 bytes").arg(size).arg(saved.size()));

    if (!error.isEmpty()) {
        FUZZ_CHECK(Target, !layout.suspects.empty(),
                   QStringLiteral("the load fails (%1) although every count fits the input").arg(error));
        CheckKept(layout, chart, patterns, error);
        return;
    }
    FUZZ_CHECK(Target, !layout.mustFail, QStringLiteral("a negative count is read without an error"));
    FUZZ_CHECK(Target, loaded, QStringLiteral("a file of %1 bytes is not loaded").arg(size));
    const QByteArray expected = layout.Expected();
    if (saved != expected) {
        qsizetype at = 0;
        while (at < saved.size() && at < expected.size() && saved[at] == expected[at])
            ++at;
        Fail(Target, QStringLiteral("saving gives %1 bytes instead of %2, first difference at %3: %4")
                         .arg(saved.size()).arg(expected.size()).arg(at).arg(Hex(saved.mid(at, 16))));
    }
    for (int i = 0; i < patterns.Count(); ++i) {
        const TVexelReg &p = *patterns.Get(i);
        const size_t entries = size_t(qMax(0, p.StepCount())) * size_t(p.LineCount());
        FUZZ_CHECK(Target, p.Values().size() == entries && p.Masks().size() == entries,
                   QStringLiteral("pattern %1 holds arrays that do not match its step count").arg(i));
    }
}

} // namespace VexelFuzz
