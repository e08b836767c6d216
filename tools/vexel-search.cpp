// vexel-search: runs the program's pattern search without the window.
//
//   vexel-search DRAWS.txt [--settings FILE.ini] [--save OUT.vxr] [--threads N]
//
// Imports the draw text file as the Import command does, searches with the
// settings file's search settings (or the start defaults), prints one
// tab-separated line per found pattern and can write the workspace file the
// desktop program would save. The search runs on N worker threads (default:
// one per core).
#include "DrawText.h"
#include "Hao.h"
#include "SearchEngine.h"
#include "SettingsFile.h"
#include "VexelError.h"
#include "VexelReg.h"
#include "VexelRegMgr.h"
#include "Workspace.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr char Usage[] =
    "usage: vexel-search DRAWS.txt [--settings FILE.ini] [--save OUT.vxr] [--threads N]\n";

struct Arguments
{
    QString draws;
    QString settings;
    QString save;
    int threads = 0; // 0: one per core
};

bool parseArguments(const QStringList &args, Arguments &out)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--settings") || a == QLatin1String("--save")) {
            if (i + 1 >= args.size())
                return false;
            (a == QLatin1String("--settings") ? out.settings : out.save) = args[++i];
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
    QStringList points;
    const TPointList &line = p.Line(0);
    for (int i = 0; i < line.Count(); ++i)
        points << QStringLiteral("%1,%2").arg(line.Get(i).x).arg(line.Get(i).y);
    return QStringList{p.PointsText(), QString::number(p.StepCount()), QString::number(p.Interval()),
                       QString::number(-p.NearestRow()), p.StepsText(), p.PositionText(),
                       p.ResultText(), points.join(QLatin1Char(' '))}
        .join(QLatin1Char('\t'));
}

int fail(const QString &message)
{
    std::fprintf(stderr, "vexel-search: %s\n", message.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
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

    const bool showProgress = isatty(fileno(stderr));
    QTextStream out(stdout);
    TVexelRegMgr patterns(&settings);
    QObject::connect(&patterns, &TVexelRegMgr::SearchEvent, &app,
                     [&](quint8 kind, qint64 combinations, TVexelReg *found) {
        if (kind == TSearchReport::Found && found) {
            found->ShortestOrder();
            out << patternLine(*found) << '\n';
        }
        if (showProgress && kind != TSearchReport::Found)
            std::fprintf(stderr, "\r%lld combinations, %d patterns%s", (long long)combinations,
                         patterns.Count(), kind == TSearchReport::Finished ? "\n" : "");
        if (kind == TSearchReport::Finished)
            app.quit();
    });
    patterns.Start(draws);
    app.exec();
    out.flush();

    if (!args.save.isEmpty()) {
        try {
            Workspace::Save(args.save, draws, patterns);
        } catch (const EVexelError &e) {
            return fail(e.message());
        }
    }
    return 0;
}
