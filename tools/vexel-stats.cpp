// vexel-stats: the draw history's own figures, without the window.
//
//   vexel-stats DRAWS.txt [--last K]
//
// Imports the draw text file as the Import command does and prints, for
// each position A to G and each digit 0 to 9, one tab-separated line
//
//   POSITION  DIGIT  COUNT  OMISSION  LONGEST
//
// (the digit's count in the newest K draws, default 100, all of them when
// the history is shorter; the draws since it last came; its longest absence
// over the whole history, the current one included), and after each
// position's ten lines
//
//   # chi2  POSITION  STATISTIC  P
//
// the chi-square statistic of those counts against an even spread and its
// p-value (9 degrees of freedom).
//
// Exit codes: 0 done; 1 unreadable draw file or a bad line; 2 bad arguments.
#include "core/Hao.h"
#include "core/HistoryStats.h"
#include "core/VexelError.h"
#include "io/DrawText.h"
#include "io/StandardOptions.h"
#include "tools/ToolGuard.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

namespace {

constexpr char Usage[] = "usage: vexel-stats DRAWS.txt [--last K]\n";
constexpr int DefaultWindow = 100;
constexpr TProgramHelp Help{"vexel-stats", Usage,
    "Prints how often each digit came at each position of a draw history, how long\n"
    "since it last came and its longest absence, with a chi-square test per position.\n"
    "\n"
    "  --last K   count the newest K draws (default 100; all when there are fewer)\n"};

struct Arguments
{
    QString draws;
    int last = DefaultWindow;
};

bool parseArguments(const QStringList &args, Arguments &out)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--last")) {
            bool ok = false;
            out.last = i + 1 < args.size() ? args[++i].toInt(&ok) : 0;
            if (!ok || out.last < 1)
                return false;
        } else if (a.startsWith(QLatin1Char('-')) || !out.draws.isEmpty()) {
            return false;
        } else {
            out.draws = a;
        }
    }
    return !out.draws.isEmpty();
}

void print(const THistoryFigures &figures, QTextStream &out)
{
    for (const TPositionFigures &p : figures.positions) {
        const QChar letter = QLatin1Char(PositionLetter(p.position));
        for (int d = 0; d < 10; ++d) {
            const TDigitFigures &f = p.digits[size_t(d)];
            out << letter << '\t' << d << '\t' << f.count << '\t' << f.omission << '\t' << f.longest << '\n';
        }
        out << "# chi2\t" << letter << '\t' << QString::number(p.chiSquare, 'f', 2) << '\t'
            << QString::number(p.pValue, 'f', 3) << '\n';
    }
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
    TCodes draws;
    try {
        RebuildDrawList(draws, ReadDrawFile(args.draws));
    } catch (const EVexelError &e) {
        std::fprintf(stderr, "vexel-stats: %s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
    QTextStream out(stdout);
    print(ComputeHistoryFigures(draws, args.last), out);
    return 0;
} catch (...) {
    return ExitOnException("vexel-stats");
}
