// vexel-screenshot: pictures of the desktop program for the documentation.
//
//   vexel-screenshot DRAWS.txt OUT_FOLDER
//   vexel-screenshot --windows DRAWS.txt SETTINGS.ini OUT_FOLDER
//
// Starts the main window on a scratch data folder, imports the draw history,
// runs a search with the start settings, selects the pattern with the most
// steps and writes OUT_FOLDER/screenshot.png (the window) and
// OUT_FOLDER/chart.png (the chart alone), and the same window at the size of
// a 1366 x 768 screen, OUT_FOLDER/window-1366x768.png; then the same with the
// last three digits left out of the search, OUT_FOLDER/window-7-columns.png,
// and the window at its normal size a few seconds into a long search,
// OUT_FOLDER/window-searching.png.
//
// With --windows: searches the history with the settings file's search
// settings, once for each choice of targets (two, three and four positions,
// as three searches in a row leave them), and writes
// OUT_FOLDER/statistics.png, the statistics window over those patterns,
// OUT_FOLDER/history-statistics.png, the history statistics window over
// the draws, and OUT_FOLDER/backtest.png, the backtest window after a run
// of the last 100 draws with the settings as they are, each at the size it
// opens at on the screen the program runs on.
#include "app/BacktestWindow.h"
#include "io/DrawText.h"
#include "core/FastSearch.h"
#include "core/FileAccess.h"
#include "app/Main.h"
#include "io/SettingsFile.h"
#include "core/SearchWorkloads.h"
#include "app/StatsWindow.h"
#include "app/HistoryStatsWindow.h"
#include "app/RegListModel.h"
#include "chart/VexelCtrl.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"
#include "tools/ToolGuard.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

namespace {

// Writes a picture through the checked write, as the program writes its files.
bool SavePicture(const QPixmap &picture, const QString &path)
{
    QByteArray png;
    QBuffer buffer(&png);
    QString error = QStringLiteral("PNG encoding failed");
    if (buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "PNG")
        && FileAccess::WriteAtomically(path, png, error))
        return true;
    std::fprintf(stderr, "vexel-screenshot: cannot write %s: %s\n", qPrintable(path), qPrintable(error));
    return false;
}

struct TCollect : TSearchSink
{
    std::vector<std::unique_ptr<TVexelReg>> found;
    void Progress(qint64) override {}
    void Found(std::unique_ptr<TVexelReg> pattern, qint64) override { found.push_back(std::move(pattern)); }
};

// A main window on a scratch folder whose settings file holds `settings`.
std::unique_ptr<TMainForm> WindowWith(const QTemporaryDir &scratch, const TRegOptions &settings)
{
    SaveOptions(SettingsFilePath(scratch.path()), settings);
    return std::make_unique<TMainForm>(scratch.path());
}

bool SearchEnds(TMainForm &window)
{
    return QTest::qWaitFor([&] { return !window.Patterns().Busy() && !window.Patterns().WorkerRunning(); },
                           180000);
}

// The chart without the last three digits, a pattern of the search shown.
bool SevenColumnShot(const QString &draws, const QDir &out, const TRegOptions &settings)
{
    QTemporaryDir scratch;
    TRegOptions s = settings;
    s.RefTailChk = false;
    auto window = WindowWith(scratch, s);
    window->resize(1280, 800);
    window->show();
    window->ImportFile(draws);
    window->RegMenuSearchClick();
    if (!SearchEnds(*window))
        return false;
    QTest::qWait(200);
    if (window->ListModel().rowCount() > 0)
        window->ListView().selectRow(0);
    QTest::qWait(300);
    return SavePicture(window->grab(), out.filePath(QStringLiteral("window-7-columns.png")));
}

// The window at its normal size, 687 x 500, three seconds into a search of
// minutes: the progress bar under the search's text, both whole.
bool SearchingShot(const QString &draws, const QDir &out)
{
    QTemporaryDir scratch;
    auto window = WindowWith(scratch, WideSearchSettings(9, 12));
    window->show();
    QTest::qWait(100);
    window->showNormal();
    window->resize(687, 500);
    window->ImportFile(draws);
    window->RegMenuSearchClick();
    QTest::qWait(3000);
    const bool ok = window->Patterns().Busy()
                    && SavePicture(window->grab(), out.filePath(QStringLiteral("window-searching.png")));
    window->RegMenuStopClick();
    return SearchEnds(*window) && ok;
}

int WindowShots(const QString &drawFile, const QString &settingsFile, const QDir &out)
{
    TCodes draws;
    RebuildDrawList(draws, ReadDrawFile(drawFile));
    const TRegOptions settings = LoadOptions(settingsFile);
    TCollect patterns;
    std::atomic<bool> stop{false};
    for (qint32 targets = 0; targets <= 2; ++targets) {
        TRegOptions s = settings;
        s.FallTargetGbx = targets;
        RunFastSearch(draws, s, patterns, stop);
    }
    QDir().mkpath(out.path());

    TStatsWindow stats([&] {
        TStatsSubject subject;
        for (const auto &p : patterns.found)
            subject.patterns.push_back(p.get());
        return subject;
    });
    stats.show();
    QTest::qWait(300);
    bool ok = SavePicture(stats.grab(), out.filePath(QStringLiteral("statistics.png")));
    stats.hide();

    THistoryStatsWindow history([&]() -> const TCodes & { return draws; });
    history.show();
    QTest::qWait(300);
    ok = SavePicture(history.grab(), out.filePath(QStringLiteral("history-statistics.png"))) && ok;
    history.hide();

    auto *backtest = new TBacktestWindow(draws, settings);
    QPointer<TBacktestWindow> guard(backtest);
    backtest->show();
    bool shown = false;
    QObject::connect(backtest, &TBacktestWindow::backtestShown, [&] { shown = true; });
    backtest->StartClick();
    if (!QTest::qWaitFor([&] { return shown; }, 600000))
        return 1;
    QTest::qWait(300);
    ok = SavePicture(backtest->grab(), out.filePath(QStringLiteral("backtest.png"))) && ok;
    std::printf("%zu patterns; backtest of %zu draws; wrote %s\n", patterns.found.size(),
                backtest->Result().draws.size(), qPrintable(out.path()));
    backtest->close();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
try {
    QApplication app(argc, argv);
    if (argc == 5 && QByteArray(argv[1]) == "--windows")
        return WindowShots(QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath(),
                           QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath(),
                           QDir(QFileInfo(QString::fromLocal8Bit(argv[4])).absoluteFilePath()));
    if (argc != 3) {
        std::fputs("usage: vexel-screenshot DRAWS.txt OUT_FOLDER\n"
                    "       vexel-screenshot --windows DRAWS.txt SETTINGS.ini OUT_FOLDER\n",
                    stderr);
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
    bool ok = SavePicture(window.grab(), out.filePath(QStringLiteral("screenshot.png")))
              && SavePicture(window.Chart().grab(), out.filePath(QStringLiteral("chart.png")));
    // A common laptop screen: the end of the list with the whole
    // description block below the entry row.
    window.resize(1366, 768);
    QTest::qWait(300);
    ok = SavePicture(window.grab(), out.filePath(QStringLiteral("window-1366x768.png"))) && ok;
    std::printf("%d patterns; wrote %s\n", window.Patterns().Count(), qPrintable(out.path()));
    const TRegOptions searched = window.Settings();
    window.hide();
    return ok && SevenColumnShot(draws, out, searched) && SearchingShot(draws, out) ? 0 : 1;
} catch (...) {
    return ExitOnException("vexel-screenshot");
}
