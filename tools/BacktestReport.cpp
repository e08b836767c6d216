#include "tools/BacktestReport.h"
#include "core/BacktestText.h"
#include "core/Hao.h"
#include "core/VexelError.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QIODevice>
#include <QStringList>
#include <algorithm>

namespace {

QString CountLine(const QString &key, const QString &name, const TBacktestTally &t)
{
    return QStringList{QStringLiteral("# ") + key, name, QString::number(t.tests), QString::number(t.hits),
                       PercentText(t.Rate())}
        .join(QLatin1Char('\t'));
}

QString SpanText(const std::vector<TBacktestDraw> &draws)
{
    if (draws.empty())
        return QStringLiteral("-");
    return QStringLiteral("%1-%2").arg(draws.front().index + 1).arg(draws.back().index + 1);
}

// One slice, read back.
struct TSlice
{
    QString name;
    TBacktestReport report;
    int first = 0; // zero-based draw indices of the "# draws" line
    int last = -1;
};

[[noreturn]] void Fault(const QString &slice, const QString &what)
{
    throw EVexelError(QStringLiteral("%1: %2").arg(slice, what));
}

qint64 Count(const QString &slice, const QString &text)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v < 0)
        Fault(slice, QStringLiteral("'%1' is not a count").arg(text));
    return v;
}

// A draw number (from 1) as a zero-based index.
int DrawIndex(const QString &slice, const QString &text)
{
    const qint64 number = Count(slice, text);
    if (number < 1 || number > (1 << 30))
        Fault(slice, QStringLiteral("'%1' is not a draw number").arg(text));
    return int(number - 1);
}

quint16 TargetMaskOf(const QString &slice, const QString &name)
{
    static const QString letters = QStringLiteral("HABCD");
    quint16 mask = 0;
    for (QChar c : name) {
        const int bit = letters.indexOf(c);
        if (bit < 0)
            Fault(slice, QStringLiteral("'%1' is not a target").arg(name));
        mask |= quint16(1u << bit);
    }
    if (mask == 0 || TargetText(mask) != name)
        Fault(slice, QStringLiteral("'%1' is not a target").arg(name));
    return mask;
}

TBacktestTally TallyOf(const QString &slice, const QStringList &f)
{
    const TBacktestTally t{Count(slice, f[2]), Count(slice, f[3])};
    if (t.hits > t.tests)
        Fault(slice, QStringLiteral("more hits than tests"));
    return t;
}

void AddOnce(const QString &slice, std::map<quint16, TBacktestTally> &into, quint16 key, TBacktestTally t)
{
    if (into.count(key))
        Fault(slice, QStringLiteral("target %1 listed twice").arg(TargetText(key)));
    into[key] = t;
}

TSlice ReadSlice(const QString &name, const QByteArray &bytes)
{
    TSlice s;
    s.name = name;
    TBacktestResult &r = s.report.result;
    bool haveDraws = false, haveHistory = false, haveTotal = false;
    TBacktestTally total;
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (const QString &line : std::as_const(lines)) {
        const QStringList f = line.split(QLatin1Char('\t'));
        const QString key = f[0];
        if (!key.startsWith(QLatin1Char('#'))) {
            if (f.size() != 3)
                Fault(name, QStringLiteral("bad line '%1'").arg(line));
            TBacktestDraw d;
            d.index = DrawIndex(name, f[0]);
            d.patterns = Count(name, f[1]);
            d.hits = Count(name, f[2]);
            if (d.hits > d.patterns)
                Fault(name, QStringLiteral("more hits than patterns in '%1'").arg(line));
            if (!r.draws.empty() && d.index != r.draws.back().index + 1)
                Fault(name, QStringLiteral("draw %1 out of order").arg(d.index + 1));
            r.draws.push_back(d);
        } else if (key == QLatin1String("# draws") && f.size() == 3) {
            const QStringList span = f[1].split(QLatin1Char('-'));
            if (span.size() != 2)
                Fault(name, QStringLiteral("bad line '%1'").arg(line));
            s.first = DrawIndex(name, span[0]);
            s.last = DrawIndex(name, span[1]);
            haveDraws = true;
        } else if (key == QLatin1String("# history") && f.size() == 3) {
            s.report.historyDraws = int(qMin<qint64>(Count(name, f[1]), 1 << 30));
            s.report.fingerprint = f[2];
            haveHistory = true;
        } else if (key == QLatin1String("# total") && f.size() == 4) {
            total = {Count(name, f[1]), Count(name, f[2])};
            haveTotal = true;
        } else if (key == QLatin1String("# target") && f.size() == 5) {
            AddOnce(name, r.targets, TargetMaskOf(name, f[1]), TallyOf(name, f));
        } else if (key == QLatin1String("# steps") && f.size() == 5) {
            const int steps = int(qMin<qint64>(Count(name, f[1]), 1 << 30));
            if (r.steps.count(steps))
                Fault(name, QStringLiteral("step count %1 listed twice").arg(steps));
            r.steps[steps] = TallyOf(name, f);
        } else if (key == QLatin1String("# consensus") && f.size() == 5) {
            if (f[1] != QLatin1String("all"))
                AddOnce(name, r.consensus, TargetMaskOf(name, f[1]), TallyOf(name, f));
        } else if (key != QLatin1String("# interval") && key != QStringLiteral("# 说明")) {
            Fault(name, QStringLiteral("bad line '%1'").arg(line));
        }
    }
    // A slice cut short (a job killed half way) lacks its summary.
    if (!haveDraws || !haveHistory || !haveTotal)
        Fault(name, QStringLiteral("not a whole vexel-backtest report"));
    for (const TBacktestDraw &d : r.draws)
        r.total.Add(TBacktestTally{d.patterns, d.hits});
    if (!(r.total == total) || r.draws.empty() || r.draws.front().index != s.first
        || r.draws.back().index != s.last)
        Fault(name, QStringLiteral("its draw lines do not add up to its summary"));
    return s;
}

} // namespace

QString RunFingerprint(const TCodes &draws, const TRegOptions &s)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (int i = 0; i < draws.Count(); ++i)
        for (int p = 0; p <= 7; ++p)
            out << draws.At(p, i);
    // The settings that steer the search; the member name and password do not.
    out << s.LinedDistMinSe << s.LinedDistMaxSe << s.LinedPtMinSe << s.LinedPtMaxSe << s.RefSumChk
        << s.InterMinSe << s.InterMaxSe << s.MaxYOfSecSe << s.RefTailChk << s.SecCountSe << s.FallTargetGbx;
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(16));
}

QByteArray ReportText(const TBacktestReport &report)
{
    const TBacktestResult &r = report.result;
    QStringList lines;
    for (const TBacktestDraw &d : r.draws)
        lines << QStringLiteral("%1\t%2\t%3").arg(d.index + 1).arg(d.patterns).arg(d.hits);
    lines << QStringLiteral("# draws\t%1\t%2").arg(SpanText(r.draws)).arg(r.draws.size());
    lines << QStringLiteral("# history\t%1\t%2").arg(report.historyDraws).arg(report.fingerprint);
    lines << QStringList{QStringLiteral("# total"), QString::number(r.total.tests),
                         QString::number(r.total.hits), PercentText(r.total.Rate())}
                 .join(QLatin1Char('\t'));
    for (quint16 mask : ListedTargets(r.targets))
        lines << CountLine(QStringLiteral("target"), TargetText(mask), r.targets.at(mask));
    for (const auto &[steps, tally] : r.steps)
        lines << CountLine(QStringLiteral("steps"), QString::number(steps), tally);
    for (quint16 mask : ListedTargets(r.consensus))
        lines << CountLine(QStringLiteral("consensus"), TargetText(mask), r.consensus.at(mask));
    lines << CountLine(QStringLiteral("consensus"), QStringLiteral("all"), r.ConsensusTotal());
    const TRateInterval interval = r.Interval();
    if (interval.valid)
        lines << QStringList{QStringLiteral("# interval"), PercentText(interval.low), PercentText(interval.high),
                             QStringLiteral("chance"), PercentText(interval.chanceLow),
                             PercentText(interval.chanceHigh), QStringLiteral("draws"),
                             QString::number(interval.units)}
                     .join(QLatin1Char('\t'));
    else
        lines << QStringLiteral("# interval\t-");
    lines << QStringLiteral("# 说明\t") + IntervalExplanation(interval);
    lines << QStringLiteral("# 说明\t") + ChanceExplanation(interval);
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

TBacktestReport MergeReports(const QList<QPair<QString, QByteArray>> &slices)
{
    std::vector<TSlice> read;
    for (const auto &[name, bytes] : slices)
        read.push_back(ReadSlice(name, bytes));
    if (read.empty())
        throw EVexelError(QStringLiteral("no slices to merge"));
    std::sort(read.begin(), read.end(), [](const TSlice &a, const TSlice &b) { return a.first < b.first; });

    TBacktestReport merged;
    merged.historyDraws = read.front().report.historyDraws;
    merged.fingerprint = read.front().report.fingerprint;
    TBacktestResult &r = merged.result;
    for (size_t i = 0; i < read.size(); ++i) {
        const TSlice &s = read[i];
        if (s.report.historyDraws != merged.historyDraws || s.report.fingerprint != merged.fingerprint)
            Fault(s.name, QStringLiteral("comes from another history or other settings than %1")
                              .arg(read.front().name));
        if (i > 0 && s.first <= read[i - 1].last)
            Fault(s.name, QStringLiteral("overlaps %1").arg(read[i - 1].name));
        if (i > 0 && s.first > read[i - 1].last + 1)
            Fault(s.name, QStringLiteral("draws %1-%2 are in no slice").arg(read[i - 1].last + 2).arg(s.first));
        const TBacktestResult &part = s.report.result;
        r.draws.insert(r.draws.end(), part.draws.begin(), part.draws.end());
        r.total.Add(part.total);
        for (const auto &[mask, t] : part.targets)
            r.targets[mask].Add(t);
        for (const auto &[steps, t] : part.steps)
            r.steps[steps].Add(t);
        for (const auto &[mask, t] : part.consensus)
            r.consensus[mask].Add(t);
    }
    return merged;
}
