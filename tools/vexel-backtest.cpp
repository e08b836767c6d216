// vexel-backtest: would the patterns found before each past draw have
// forecast it better than chance?
//
//   vexel-backtest DRAWS.txt [--settings FILE.ini] [--last M] [--threads N]
//                  [--cuts FROM-TO] [--csv OUT]
//   vexel-backtest --merge SLICE... [--csv OUT]
//
// For each of the last M draws (default 100), or the draws numbered FROM to
// TO, searches the draws before it with the settings file's search settings
// (or the start defaults) and counts the found patterns whose forecast came
// true. Prints the report described in BacktestReport.h; --csv also writes
// the per-draw table. --merge joins the reports of slices of one run into
// the report of the whole run.
#include "io/BacktestCsv.h"
#include "tools/BacktestReport.h"
#include "io/CsvFile.h"
#include "io/DrawText.h"
#include "core/FileAccess.h"
#include "core/Hao.h"
#include "io/SettingsFile.h"
#include "io/StandardOptions.h"
#include "core/VexelError.h"
#include "tools/ToolGuard.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr char Usage[] =
    "usage: vexel-backtest DRAWS.txt [--settings FILE.ini] [--last M] [--threads N] [--cuts FROM-TO] [--csv OUT]\n"
    "       vexel-backtest --merge SLICE... [--csv OUT]\n";

constexpr TProgramHelp Help{"vexel-backtest", Usage,
    "Tests whether the patterns found before each past draw forecast it better than chance.\n"
    "\n"
    "  --settings FILE.ini  search with that settings file's search settings\n"
    "  --last M             test the last M draws (default 100)\n"
    "  --cuts FROM-TO       test the draws numbered FROM to TO (counted from 1)\n"
    "  --threads N          test on N threads (1 to 256; default one per core)\n"
    "  --csv OUT            also write the per-draw table as CSV\n"
    "  --merge SLICE...     join the reports of slices of one run\n"};

struct Arguments
{
    QStringList inputs; // the draw file, or the slices to merge
    bool merge = false;
    QString settings;
    QString csv;
    int last = 0;       // 0: not given
    int threads = 0;    // 0: one per core
    int cutFrom = 0;    // 0: no cuts
    int cutTo = 0;
};

bool readNumber(const QStringList &args, int &i, int &out)
{
    bool ok = false;
    out = i + 1 < args.size() ? args[++i].toInt(&ok) : 0;
    return ok;
}

bool parseArguments(const QStringList &args, Arguments &out)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--merge")) {
            out.merge = true;
        } else if (a == QLatin1String("--settings") || a == QLatin1String("--csv")) {
            if (i + 1 >= args.size())
                return false;
            (a == QLatin1String("--settings") ? out.settings : out.csv) = args[++i];
        } else if (a == QLatin1String("--last")) {
            if (!readNumber(args, i, out.last) || out.last < 1)
                return false;
        } else if (a == QLatin1String("--threads")) {
            if (!readNumber(args, i, out.threads) || out.threads < 1 || out.threads > 256)
                return false;
        } else if (a == QLatin1String("--cuts")) {
            static const QRegularExpression form(QStringLiteral("^([0-9]{1,9})-([0-9]{1,9})$"));
            const QRegularExpressionMatch m = form.match(i + 1 < args.size() ? args[++i] : QString());
            if (!m.hasMatch())
                return false;
            out.cutFrom = m.captured(1).toInt();
            out.cutTo = m.captured(2).toInt();
            if (out.cutFrom < 1 || out.cutFrom > out.cutTo)
                return false;
        } else if (a.startsWith(QLatin1Char('-'))) {
            return false;
        } else {
            out.inputs << a;
        }
    }
    if (out.merge)
        return !out.inputs.isEmpty() && out.settings.isEmpty() && out.last == 0 && out.threads == 0
            && out.cutFrom == 0;
    return out.inputs.size() == 1;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "vexel-backtest: %s\n", message.toLocal8Bit().constData());
    return 1;
}

// The draws to test: the last M (100 unless given), narrowed to FROM..TO when
// cuts are given; cuts alone test exactly FROM..TO.
TDrawSpan spanToTest(const Arguments &args, int drawCount)
{
    if (args.cutFrom == 0)
        return LastDraws(drawCount, args.last > 0 ? args.last : 100);
    if (args.cutTo > drawCount)
        throw EVexelError(QStringLiteral("draws %1-%2 are not all in the history of %3 draws")
                              .arg(args.cutFrom).arg(args.cutTo).arg(drawCount));
    TDrawSpan span{args.cutFrom - 1, args.cutTo - 1};
    if (args.last > 0) {
        const TDrawSpan last = LastDraws(drawCount, args.last);
        span = TDrawSpan{qMax(span.first, last.first), qMin(span.last, last.last)};
        if (span.Count() == 0)
            throw EVexelError(QStringLiteral("draws %1-%2 are not among the last %3")
                                  .arg(args.cutFrom).arg(args.cutTo).arg(args.last));
    }
    return span;
}

TBacktestReport runBacktest(const Arguments &args)
{
    TCodes draws;
    TRegOptions settings;
    RebuildDrawList(draws, ReadDrawFile(args.inputs.front()));
    // A settings file named here must be used or refused: a backtest with
    // the start settings instead would look like success.
    if (!args.settings.isEmpty())
        settings = ReadOptionsFile(args.settings);
    if (draws.Count() == 0)
        throw EVexelError(QStringLiteral("the draw file holds no draws"));
    const TDrawSpan span = spanToTest(args, draws.Count());

    const bool showProgress = isatty(fileno(stderr));
    std::atomic<bool> stop{false};
    TBacktestReport report;
    report.historyDraws = draws.Count();
    report.fingerprint = RunFingerprint(draws, settings);
    report.result = RunBacktest(draws, settings, span, stop, [&](const TBacktestDraw &, int done, int total) {
        if (showProgress)
            std::fprintf(stderr, "\r%d of %d draws tested", done, total);
    }, args.threads);
    if (showProgress)
        std::fputs("\n", stderr);
    return report;
}

TBacktestReport mergeSlices(const Arguments &args)
{
    // A report of a few hundred draws is some ten kilobytes; one of more
    // draws than any history holds would still be far below this.
    constexpr qint64 MaxSliceBytes = 64 * 1024 * 1024;
    QList<QPair<QString, QByteArray>> slices;
    for (const QString &path : args.inputs) {
        QByteArray bytes;
        QString error;
        if (!FileAccess::ReadRegular(path, MaxSliceBytes, bytes, error))
            throw EVexelError(QStringLiteral("cannot read slice \"%1\": %2").arg(path, error));
        slices.append({path, bytes});
    }
    return MergeReports(slices);
}

} // namespace

int main(int argc, char *argv[])
try {
    if (const int code = AnswerStandardOptions(argc, argv, Help); code >= 0)
        return code;
    QCoreApplication app(argc, argv);
    Arguments args;
    if (!parseArguments(app.arguments(), args)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    try {
        const TBacktestReport report = args.merge ? mergeSlices(args) : runBacktest(args);
        const QByteArray text = ReportText(report);
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        std::fflush(stdout);
        if (!args.csv.isEmpty())
            WriteCsvFile(args.csv, BacktestCsvRows(report.result));
    } catch (const EVexelError &e) {
        return fail(e.message());
    }
    return 0;
} catch (...) {
    return ExitOnException("vexel-backtest");
}
