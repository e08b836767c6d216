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

const QString DigestKey = QStringLiteral("# digest");
const QString HistoryKey = QStringLiteral("# history");

// A part's count and rate, then the band luck alone gives that part and the
// draws it rests on ("chance -" when fewer than two draws have its tests).
QString CountLine(const QString &key, const QString &name, const TBacktestTally &t, const TRateInterval &r)
{
    QStringList fields{QStringLiteral("# ") + key, name, QString::number(t.tests), QString::number(t.hits),
                       PercentText(t.Rate()), QStringLiteral("chance")};
    if (r.valid)
        fields << PercentText(r.chanceLow) << PercentText(r.chanceHigh) << QStringLiteral("draws")
               << QString::number(r.units);
    else
        fields << QStringLiteral("-");
    return fields.join(QLatin1Char('\t'));
}

QString SpanText(const std::vector<TBacktestDraw> &draws)
{
    if (draws.empty())
        return QStringLiteral("-");
    return QStringLiteral("%1-%2").arg(draws.front().index + 1).arg(draws.back().index + 1);
}

// The draw's forecasts by target, each with its consensus ("-" for none),
// and by step count.
QString TargetsField(const TBacktestDraw &d)
{
    QStringList items;
    for (quint16 mask : ListedTargets(d.targets)) {
        const TBacktestTally &t = d.targets.at(mask);
        const auto consensus = d.consensus.find(mask);
        items << QStringLiteral("%1:%2:%3:%4")
                     .arg(TargetText(mask))
                     .arg(t.tests)
                     .arg(t.hits)
                     .arg(consensus == d.consensus.end() ? QStringLiteral("-")
                                                         : QString::number(consensus->second.hits));
    }
    return items.isEmpty() ? QStringLiteral("-") : items.join(QLatin1Char(' '));
}

QString StepsField(const TBacktestDraw &d)
{
    QStringList items;
    for (const auto &[steps, t] : d.steps)
        items << QStringLiteral("%1:%2:%3").arg(steps).arg(t.tests).arg(t.hits);
    return items.isEmpty() ? QStringLiteral("-") : items.join(QLatin1Char(' '));
}

QString DigestOf(const QString &text)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex().left(32));
}

// A line of a damaged report is quoted only in part.
QString Quoted(const QString &line)
{
    constexpr int MaxQuoted = 80;
    return QLatin1Char('\'') + (line.size() <= MaxQuoted ? line : line.left(MaxQuoted) + QStringLiteral("..."))
           + QLatin1Char('\'');
}

// Where a report is read: its name and the line at hand (from 1).
struct TPlace
{
    QString name;
    int line = 0;

    [[noreturn]] void Fault(const QString &what) const
    {
        throw EVexelError(QStringLiteral("%1, line %2: %3").arg(name).arg(line).arg(what));
    }

    qint64 Count(const QString &text) const
    {
        bool ok = false;
        const qint64 v = text.toLongLong(&ok);
        if (!ok || v < 0)
            Fault(QStringLiteral("'%1' is not a count").arg(text));
        return v;
    }

    TBacktestTally Tally(const QString &tests, const QString &hits) const
    {
        const TBacktestTally t{Count(tests), Count(hits)};
        if (t.hits > t.tests)
            Fault(QStringLiteral("more hits than patterns"));
        return t;
    }

    quint16 TargetMask(const QString &name) const
    {
        static const QString letters = QStringLiteral("HABCD");
        quint16 mask = 0;
        for (QChar c : name) {
            const int bit = letters.indexOf(c);
            if (bit < 0)
                Fault(QStringLiteral("'%1' is not a target").arg(name));
            mask |= quint16(1u << bit);
        }
        if (mask == 0 || TargetText(mask) != name)
            Fault(QStringLiteral("'%1' is not a target").arg(name));
        return mask;
    }
};

// The items of a draw line's target or step field.
QStringList FieldItems(const QString &field)
{
    return field == QLatin1String("-") ? QStringList() : field.split(QLatin1Char(' '));
}

// One draw line. Its targets and its step counts must each account for all
// of its patterns and hits.
TBacktestDraw ReadDrawLine(const TPlace &at, const QString &line)
{
    const QStringList f = line.split(QLatin1Char('\t'));
    if (f.size() != 5)
        at.Fault(QStringLiteral("%1 is not a draw line").arg(Quoted(line)));
    TBacktestDraw d;
    const qint64 number = at.Count(f[0]);
    if (number < 1 || number > (1 << 30))
        at.Fault(QStringLiteral("'%1' is not a draw number").arg(f[0]));
    d.index = int(number - 1);
    const TBacktestTally all = at.Tally(f[1], f[2]);
    d.patterns = all.tests;
    d.hits = all.hits;

    TBacktestTally byTarget, bySteps;
    for (const QString &item : FieldItems(f[3])) {
        const QStringList p = item.split(QLatin1Char(':'));
        if (p.size() != 4)
            at.Fault(QStringLiteral("'%1' is not a target's count").arg(item));
        const quint16 mask = at.TargetMask(p[0]);
        if (!d.targets.emplace(mask, at.Tally(p[1], p[2])).second)
            at.Fault(QStringLiteral("target %1 listed twice").arg(p[0]));
        byTarget.Add(d.targets[mask]);
        if (p[3] != QLatin1String("-")) {
            const TBacktestTally consensus = at.Tally(QStringLiteral("1"), p[3]);
            d.consensus[mask] = consensus;
            d.consensusTests += 1;
            d.consensusHits += int(consensus.hits);
        }
    }
    for (const QString &item : FieldItems(f[4])) {
        const QStringList p = item.split(QLatin1Char(':'));
        if (p.size() != 3)
            at.Fault(QStringLiteral("'%1' is not a step count's count").arg(item));
        const int steps = int(qMin<qint64>(at.Count(p[0]), 1 << 30));
        if (!d.steps.emplace(steps, at.Tally(p[1], p[2])).second)
            at.Fault(QStringLiteral("step count %1 listed twice").arg(steps));
        bySteps.Add(d.steps[steps]);
    }
    if (!(byTarget == all) || !(bySteps == all))
        at.Fault(QStringLiteral("the targets and step counts of draw %1 do not add up to its %2 patterns and %3 hits")
                     .arg(number).arg(all.tests).arg(all.hits));
    return d;
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
        lines << QStringList{QString::number(d.index + 1), QString::number(d.patterns), QString::number(d.hits),
                             TargetsField(d), StepsField(d)}
                     .join(QLatin1Char('\t'));
    lines << QStringLiteral("# draws\t%1\t%2").arg(SpanText(r.draws)).arg(r.draws.size());
    lines << QStringLiteral("%1\t%2\t%3").arg(HistoryKey).arg(report.historyDraws).arg(report.fingerprint);
    lines << QStringList{QStringLiteral("# total"), QString::number(r.total.tests),
                         QString::number(r.total.hits), PercentText(r.total.Rate())}
                 .join(QLatin1Char('\t'));
    for (quint16 mask : ListedTargets(r.targets))
        lines << CountLine(QStringLiteral("target"), TargetText(mask), r.targets.at(mask),
                           TargetRateInterval(r.draws, mask));
    for (const auto &[steps, tally] : r.steps)
        lines << CountLine(QStringLiteral("steps"), QString::number(steps), tally, StepsRateInterval(r.draws, steps));
    for (quint16 mask : ListedTargets(r.consensus))
        lines << CountLine(QStringLiteral("consensus"), TargetText(mask), r.consensus.at(mask),
                           ConsensusRateInterval(r.draws, mask));
    lines << CountLine(QStringLiteral("consensus"), QStringLiteral("all"), r.ConsensusTotal(),
                       ConsensusRateInterval(r.draws));
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
    lines << QStringLiteral("# 说明\t") + ManyRowsCaution();
    const QString text = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    return (text + DigestKey + QLatin1Char('\t') + DigestOf(text) + QLatin1Char('\n')).toUtf8();
}

TBacktestReport ReadReport(const QString &name, const QByteArray &bytes)
{
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    // A whole report ends with a line end; what follows the last one is a
    // line cut short.
    const bool lastLineCut = !lines.last().isEmpty();
    if (!lastLineCut)
        lines.removeLast();

    int next = 0; // the line after the draw lines
    std::vector<TBacktestDraw> draws;
    for (; next < lines.size() && !lines[next].startsWith(QLatin1Char('#')); ++next) {
        const TPlace here{name, next + 1};
        TBacktestDraw d = ReadDrawLine(here, lines[next]);
        if (!draws.empty() && d.index != draws.back().index + 1)
            here.Fault(QStringLiteral("draw %1 follows draw %2: a draw line is missing, repeated or out of order")
                           .arg(d.index + 1).arg(draws.back().index + 1));
        draws.push_back(std::move(d));
    }
    if (draws.empty())
        TPlace{name, 1}.Fault(QStringLiteral("no draw lines: not a vexel-backtest report"));

    // The history and the settings are all a report holds beyond its draws.
    TBacktestReport report;
    int history = next;
    while (history < lines.size() && !lines[history].startsWith(HistoryKey + QLatin1Char('\t')))
        ++history;
    if (history == lines.size())
        TPlace{name, next + 2}.Fault(QStringLiteral("the '# history' line is missing"));
    const TPlace historyAt{name, history + 1};
    const QStringList h = lines[history].split(QLatin1Char('\t'));
    if (h.size() != 3)
        historyAt.Fault(QStringLiteral("%1 is not a history line").arg(Quoted(lines[history])));
    report.historyDraws = int(qMin<qint64>(historyAt.Count(h[1]), 1 << 30));
    report.fingerprint = h[2];
    report.result = ResultOfDraws(std::move(draws));

    // Every other line must read as the draw lines make it.
    QStringList expected = QString::fromUtf8(ReportText(report)).split(QLatin1Char('\n'));
    expected.removeLast();
    for (int i = 0; i < qMax(lines.size(), expected.size()); ++i) {
        const TPlace here{name, i + 1};
        if (i >= lines.size())
            here.Fault(QStringLiteral("the report ends here, cut short: %1 and the lines after it are missing")
                           .arg(Quoted(expected[i])));
        if (i >= expected.size())
            here.Fault(QStringLiteral("%1 follows the end of the report").arg(Quoted(lines[i])));
        if (lines[i] == expected[i])
            continue;
        if (expected[i].startsWith(DigestKey) && lines[i].startsWith(DigestKey))
            here.Fault(QStringLiteral("the digest does not match the lines above: the report was changed "
                                      "(the '# history' line is checked by the digest alone)"));
        here.Fault(QStringLiteral("%1 does not follow from the draw lines, which give %2")
                       .arg(Quoted(lines[i]), Quoted(expected[i])));
    }
    if (lastLineCut)
        TPlace{name, int(lines.size())}.Fault(QStringLiteral("no line end: the report was cut short"));
    return report;
}

TBacktestReport MergeReports(const QList<QPair<QString, QByteArray>> &slices)
{
    struct TSlice
    {
        QString name;
        TBacktestReport report;
        int First() const { return report.result.draws.front().index; }
        int Last() const { return report.result.draws.back().index; }
    };
    std::vector<TSlice> read;
    for (const auto &[name, bytes] : slices)
        read.push_back({name, ReadReport(name, bytes)});
    if (read.empty())
        throw EVexelError(QStringLiteral("no slices to merge"));
    std::sort(read.begin(), read.end(), [](const TSlice &a, const TSlice &b) { return a.First() < b.First(); });

    TBacktestReport merged;
    merged.historyDraws = read.front().report.historyDraws;
    merged.fingerprint = read.front().report.fingerprint;
    std::vector<TBacktestDraw> draws;
    for (size_t i = 0; i < read.size(); ++i) {
        const TSlice &s = read[i];
        const auto fault = [&s](const QString &what) { throw EVexelError(s.name + QStringLiteral(": ") + what); };
        if (s.report.historyDraws != merged.historyDraws || s.report.fingerprint != merged.fingerprint)
            fault(QStringLiteral("comes from another history or other settings than %1").arg(read.front().name));
        if (i > 0 && s.First() <= read[i - 1].Last())
            fault(QStringLiteral("overlaps %1").arg(read[i - 1].name));
        if (i > 0 && s.First() > read[i - 1].Last() + 1)
            fault(QStringLiteral("draws %1-%2 are in no slice").arg(read[i - 1].Last() + 2).arg(s.First()));
        const std::vector<TBacktestDraw> &part = s.report.result.draws;
        draws.insert(draws.end(), part.begin(), part.end());
    }
    merged.result = ResultOfDraws(std::move(draws));
    return merged;
}
