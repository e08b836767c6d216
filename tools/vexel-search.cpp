// vexel-search: runs the program's pattern search without the window.
//
//   vexel-search DRAWS.txt [--settings FILE.ini] [--save OUT.vxr] [--max-patterns N] [--threads N]
//
// Imports the draw text file as the Import command does, searches with the
// settings file's search settings (or the start defaults), prints one
// tab-separated line per found pattern and can write the workspace file the
// desktop program would save. The search runs on N worker threads (default:
// one per core).
//
// Without --save the patterns are printed as they are found and none is
// kept, so a search of any size runs in the same memory. With --save (or
// --max-patterns) they are kept in a collection under the desktop program's
// pattern limit (or N); a search that reaches it stops, keeps what it found
// and exits with code 3.
//
// Exit codes: 0 done; 1 unreadable input, a bad line, a failed search or a
// failed save; 2 bad arguments; 3 stopped at the pattern limit.
#include "io/DrawText.h"
#include "core/Hao.h"
#include "core/PatternRoom.h"
#include "core/RegColumnText.h"
#include "core/SearchEngine.h"
#include "io/SettingsFile.h"
#include "io/StandardOptions.h"
#include "core/VexelError.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"
#include "core/Workspace.h"
#include "tools/ToolGuard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr char Usage[] =
    "usage: vexel-search DRAWS.txt [--settings FILE.ini] [--save OUT.vxr] [--max-patterns N] [--threads N]\n";

constexpr TProgramHelp Help{"vexel-search", Usage,
    "Searches a draw history for patterns and prints one tab-separated line per pattern.\n"
    "\n"
    "  --settings FILE.ini  search with that settings file's search settings\n"
    "  --save OUT.vxr       also write the workspace file of the draws and the patterns\n"
    "  --max-patterns N     stop at N patterns (exit code 3); default with --save: 3000000\n"
    "  --threads N          search on N threads (1 to 256; default one per core)\n"};

// Exit code of a search that stopped at the pattern limit.
constexpr int LimitReachedCode = 3;

struct Arguments
{
    QString draws;
    QString settings;
    QString save;
    int threads = 0;         // 0: one per core
    qint64 maxPatterns = -1; // -1: none when streaming, DefaultPatternLimit when saving
};

bool parseArguments(const QStringList &args, Arguments &out)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--settings") || a == QLatin1String("--save")) {
            if (i + 1 >= args.size())
                return false;
            (a == QLatin1String("--settings") ? out.settings : out.save) = args[++i];
        } else if (a == QLatin1String("--max-patterns")) {
            bool ok = false;
            out.maxPatterns = i + 1 < args.size() ? args[++i].toLongLong(&ok) : -1;
            if (!ok || out.maxPatterns < 0)
                return false;
        } else if (a == QLatin1String("--threads")) {
            bool ok = false;
            out.threads = i + 1 < args.size() ? args[++i].toInt(&ok) : 0;
            if (!ok || out.threads < 1 || out.threads > 256)
                return false;
        } else if (a.startsWith(QLatin1Char('-')) || !out.draws.isEmpty()) {
            return false;
        } else {
            out.draws = a;
        }
    }
    return !out.draws.isEmpty();
}

QString patternLine(const TVexelReg &p)
{
    return (RegColumnText::Row(p) << RegColumnText::PointPairs(p)).join(QLatin1Char('\t'));
}

int fail(const QString &message)
{
    std::fprintf(stderr, "vexel-search: %s\n", message.toLocal8Bit().constData());
    return 1;
}

// Progress on stderr, when it is a terminal, at most five times a second.
class ProgressLine
{
public:
    ProgressLine() : m_shown(isatty(fileno(stderr))) {}

    void Show(qint64 combinations, qint64 patterns, bool last = false)
    {
        if (!m_shown || (!last && m_clock.isValid() && m_clock.elapsed() < 200))
            return;
        m_clock.start();
        std::fprintf(stderr, "\r%lld combinations, %lld patterns%s", (long long)combinations,
                     (long long)patterns, last ? "\n" : "");
    }

private:
    const bool m_shown;
    QElapsedTimer m_clock;
};

// Prints each pattern as it is found and keeps none.
class PrintingSink : public TSearchSink
{
public:
    explicit PrintingSink(QTextStream &out) : m_out(out) {}

    qint64 Count() const { return m_count; }
    void Progress(qint64 combinations) override { m_progress.Show(combinations, m_count); }
    void ProgressRepeated(qint64 combinations, qint64) override { Progress(combinations); }
    void Found(std::unique_ptr<TVexelReg> pattern, qint64 combinations) override
    {
        pattern->ShortestOrder();
        m_out << patternLine(*pattern) << '\n';
        ++m_count;
        m_progress.Show(combinations, m_count);
    }
    void End(qint64 combinations) { m_progress.Show(combinations, m_count, true); }

private:
    QTextStream &m_out;
    ProgressLine m_progress;
    qint64 m_count = 0;
};

TSearchOutcome streamSearch(const TCodes &draws, const TRegOptions &settings, QTextStream &out, qint64 &found)
{
    PrintingSink sink(out);
    TSearchOutcome outcome;
    std::atomic<bool> stop{false};
    try {
        sink.End(RunVexelSearch(draws, settings, sink, stop));
    } catch (...) {
        outcome = SearchFailure(std::current_exception());
    }
    found = sink.Count();
    return outcome;
}

// Runs the search as the desktop program does, into its collection.
TSearchOutcome collectSearch(QCoreApplication &app, const TCodes &draws, TVexelRegMgr &patterns, QTextStream &out)
{
    ProgressLine progress;
    QObject::connect(&patterns, &TVexelRegMgr::SearchEvent, &app,
                     [&](quint8 kind, qint64 combinations, TVexelReg *found) {
        if (kind == TSearchReport::Found && found) {
            found->ShortestOrder();
            out << patternLine(*found) << '\n';
        }
        progress.Show(combinations, patterns.Count(), kind == TSearchReport::Finished);
        if (kind == TSearchReport::Finished)
            app.quit();
    });
    patterns.Start(draws);
    app.exec();
    return patterns.LastOutcome();
}

// How the search ended, on stderr; the exit code.
int reportOutcome(const TSearchOutcome &outcome, qint64 found, qint64 limit, bool saved)
{
    const char *kept = saved ? "kept and saved" : "printed";
    switch (outcome.end) {
    case TSearchOutcome::LimitReached:
        std::fprintf(stderr, "vexel-search: the pattern limit of %lld was reached and the search stopped; "
                     "the %lld patterns found were %s\n", (long long)limit, (long long)found, kept);
        return LimitReachedCode;
    case TSearchOutcome::OutOfMemory:
    case TSearchOutcome::Failed: {
        const QString why = outcome.end == TSearchOutcome::OutOfMemory ? QStringLiteral("out of memory")
                            : outcome.error.isEmpty() ? QStringLiteral("unknown error")
                                                      : outcome.error;
        return fail(QStringLiteral("the search failed (%1); the %2 patterns found were %3")
                        .arg(why).arg(found).arg(QLatin1String(kept)));
    }
    case TSearchOutcome::Completed:
    case TSearchOutcome::Stopped:
        break;
    }
    return 0;
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
    SetSearchThreadCount(args.threads);

    TCodes draws;
    TRegOptions settings;
    try {
        RebuildDrawList(draws, ReadDrawFile(args.draws));
        // A settings file named here must be used or refused: searching
        // with the start defaults instead would look like success.
        if (!args.settings.isEmpty())
            settings = ReadOptionsFile(args.settings);
    } catch (const EVexelError &e) {
        return fail(e.message());
    }

    QTextStream out(stdout);
    TVexelRegMgr patterns(&settings);
    const bool keep = !args.save.isEmpty() || args.maxPatterns >= 0;
    if (args.maxPatterns >= 0)
        patterns.SetPatternLimit(args.maxPatterns);
    qint64 found = 0;
    TSearchOutcome outcome;
    if (keep) {
        outcome = collectSearch(app, draws, patterns, out);
        found = patterns.Count();
    } else {
        outcome = streamSearch(draws, settings, out, found);
    }
    out.flush();

    if (!args.save.isEmpty()) {
        try {
            Workspace::Save(args.save, draws, patterns);
        } catch (const EVexelError &e) {
            return fail(e.message());
        }
    }
    return reportOutcome(outcome, found, patterns.PatternLimit(), !args.save.isEmpty());
} catch (...) {
    return ExitOnException("vexel-search");
}
