// vexel-screenshot: pictures of the desktop program for the documentation.
//
//   vexel-screenshot DRAWS.txt OUT_FOLDER
//
// Starts the main window on a scratch data folder, imports the draw history,
// runs a search with the start settings, selects the pattern with the most
// steps and writes OUT_FOLDER/screenshot.png (the window) and
// OUT_FOLDER/chart.png (the chart alone).
#include "Main.h"
#include "RegListModel.h"
#include "VexelCtrl.h"
#include "VexelReg.h"
#include "VexelRegMgr.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: vexel-screenshot DRAWS.txt OUT_FOLDER\n", stderr);
        return 2;
    }
    // The window makes its data folder the current one: resolve paths first.
    const QString draws = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QDir out(QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath());
    QTemporaryDir scratch;
    QStringList messages;
    TMainForm::MessageHook = [&](const QString &text) { messages << text; };
    TMainForm window(scratch.path());
    // A search that finds patterns worth showing in a few seconds.
    TRegOptions &s = window.Settings();
    s.LinedDistMinSe = 1;
    s.LinedDistMaxSe = 4;
    s.LinedPtMinSe = 2;
    s.LinedPtMaxSe = 3;
    s.InterMinSe = 1;
    s.InterMaxSe = 6;
    s.MaxYOfSecSe = 2;
    s.SecCountSe = 5;
    window.resize(1280, 800);
    window.show();
    window.ImportFile(draws);
    window.RegMenuSearchClick();
    if (!QTest::qWaitFor([&] { return !window.Patterns().Busy() && !window.Patterns().WorkerRunning(); }, 120000))
        return 1;
    QTest::qWait(200);
    TRegListModel &model = window.ListModel();
    int best = -1;
    for (int r = 0; r < model.rowCount(); ++r)
        if (best < 0 || model.Reg(r)->StepCount() > model.Reg(best)->StepCount())
            best = r;
    if (best >= 0) {
        window.ListView().selectRow(best);
        window.ListView().scrollTo(model.index(best, 0));
    }
    QTest::qWait(300);
    QDir().mkpath(out.path());
    const bool ok = window.grab().save(out.filePath(QStringLiteral("screenshot.png")))
                    && window.Chart().grab().save(out.filePath(QStringLiteral("chart.png")));
    std::printf("%d patterns; wrote %s\n", window.Patterns().Count(), qPrintable(out.path()));
    return ok ? 0 : 1;
}
