#include "bench/ListBench.h"

#include "app/Main.h"
#include "app/RegListModel.h"
#include "core/SearchEngine.h"
#include "core/SearchWorkloads.h"
#include "chart/VexelCtrl.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Distances 1-9, sum column and last three digits, 1-6 points, intervals
// 1-20, nearest point at most 6 back, at least 3 steps, two-position
// targets: hundreds of millions of patterns on the sample history.
TRegOptions BigSearch()
{
    return WideSearchSettings(6, 3);
}

// Bytes of heap in use, chunk headers included, in every arena and in
// blocks the allocator took straight from the system.
qint64 HeapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return qint64(m.uordblks) + qint64(m.hblkhd);
}

qint64 Resident()
{
    FILE *f = std::fopen("/proc/self/statm", "r");
    long pages = 0;
    long resident = 0;
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return qint64(resident) * sysconf(_SC_PAGESIZE);
}

double Seconds(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

// The engine alone, on the same settings, until it has found `target`.
double SearchAlone(const TCodes &draws, int target)
{
    struct Counter : TSearchSink
    {
        int found = 0;
        int target = 0;
        std::atomic<bool> *stop = nullptr;
        void Progress(qint64) override {}
        void Found(std::unique_ptr<TVexelReg>, qint64) override
        {
            if (++found >= target)
                stop->store(true);
        }
    } counter;
    std::atomic<bool> stop{false};
    counter.target = target;
    counter.stop = &stop;
    QElapsedTimer clock;
    clock.start();
    RunVexelSearch(draws, BigSearch(), counter, stop);
    return Seconds(clock);
}

// The process's largest resident size so far: which step raised it shows
// what the window needs at its peak.
double PeakResidentMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Heartbeats of the interface thread: the longest gap between two is the
// longest the window could not react (paint, take input) meanwhile.
class THeartbeat
{
public:
    THeartbeat()
    {
        m_beat.setInterval(5);
        QObject::connect(&m_beat, &QTimer::timeout, [this] { Beat(); });
    }
    void Start()
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_beat.start();
    }
    // The longest gap since Start, in seconds.
    double Stop()
    {
        Beat();
        m_beat.stop();
        return double(m_longest) / 1e9;
    }

private:
    void Beat()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = qMax(m_longest, now - m_last);
        m_last = now;
    }

    QTimer m_beat;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// Runs `step`, lets the window handle what it caused, and prints the time,
// the longest pause of the interface thread and the peak memory so far.
template <typename Step>
void Timed(const char *what, Step step)
{
    THeartbeat heartbeat;
    QElapsedTimer clock;
    heartbeat.Start();
    clock.start();
    step();
    QCoreApplication::processEvents();
    std::printf("list  %-44s %8.3f s   longest pause %6.3f s   peak so far %7.1f MB\n", what, Seconds(clock),
                heartbeat.Stop(), PeakResidentMb());
    std::fflush(stdout);
}

} // namespace

void BenchList(const QString &samplePath, int target)
{
    QTemporaryDir folder;
    TMainForm::MessageHook = [](const QString &) {};
    TMainForm::StopPauseMs = 0;
    auto form = std::make_unique<TMainForm>(folder.path());
    form->resize(1280, 800);
    form->show();
    // The window makes its data folder the current one.
    form->ImportFile(QFileInfo(samplePath).absoluteFilePath());
    form->Settings() = BigSearch();
    QCoreApplication::processEvents();

    THeartbeat heartbeat;
    QElapsedTimer clock;
    bool finished = false;
    TVexelRegMgr &patterns = form->Patterns();
    QObject::connect(&patterns, &TVexelRegMgr::SearchEvent, form.get(), [&](quint8 kind, qint64, TVexelReg *) {
        if (patterns.Busy() && patterns.Count() >= target)
            form->RegMenuStopClick();
        if (kind == TSearchReport::Finished)
            finished = true;
    });

    malloc_trim(0);
    const qint64 heapBefore = HeapInUse();
    const qint64 residentBefore = Resident();
    clock.start();
    heartbeat.Start();
    form->RegMenuSearchClick();
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double listed = Seconds(clock);
    const double longestGap = heartbeat.Stop();
    while (patterns.WorkerRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    const int count = patterns.Count();
    const qint64 heap = HeapInUse() - heapBefore;
    const qint64 resident = Resident() - residentBefore;
    std::printf("list  %d patterns held, %d rows listed\n", count, form->ListModel().rowCount());
    std::printf("list  heap per pattern (collection, rows and the window's view): %.1f bytes "
                "(%.1f MB in all); resident memory per pattern %.1f bytes\n",
                double(heap) / count, double(heap) / 1e6, double(resident) / count);
    const double alone = SearchAlone(form->Chart().Codes(), count);
    std::printf("list  the search alone found them in %.3f s; the window listed them in %.3f s, "
                "its longest pause %.1f ms; peak so far %.1f MB\n", alone, listed, longestGap * 1e3,
                PeakResidentMb());
    std::fflush(stdout);

    QHeaderView *header = form->ListView().horizontalHeader();
    for (int c = 0; c < TRegListModel::ColumnCount; ++c)
        Timed(qPrintable(QStringLiteral("sort by column %1").arg(c)), [&] { emit header->sectionClicked(c); });
    const QString saved = QDir(folder.path()).filePath(TMainForm::WorkspaceName);
    Timed("save", [&] { form->FileMenuSaveClick(); });
    std::printf("list  workspace file %.1f MB\n", double(QFileInfo(saved).size()) / 1e6);
    Timed("select all", [&] { form->RegMenuSelAllClick(); });
    Timed("invert (all to none)", [&] { form->RegMenuSelNoneClick(); });
    Timed("select every other row (the bench's own step)", [&] {
        QItemSelection every;
        TRegListModel &model = form->ListModel();
        for (int r = 0; r < model.rowCount(); r += 2)
            every.select(model.index(r, 0), model.index(r, TRegListModel::ColumnCount - 1));
        form->ListView().selectionModel()->select(every, QItemSelectionModel::ClearAndSelect);
    });
    Timed("invert (every other row to the others)", [&] { form->RegMenuSelNoneClick(); });
    Timed("sort by column 2, every other row selected", [&] { emit header->sectionClicked(2); });
    Timed("delete (every other row)", [&] { form->RegMenuDelClick(); });
    std::printf("list  %d patterns held, %d rows listed after the delete\n", patterns.Count(),
                form->ListModel().rowCount());
    // The next start on the saved file, beside this window: the window is
    // there at once and reads the file while it paints.
    std::unique_ptr<TMainForm> next;
    Timed("start on the saved workspace, until listed", [&] {
        next = std::make_unique<TMainForm>(folder.path());
        next->show();
        while (next->ListModel().rowCount() < next->Patterns().Count() || next->Patterns().Count() == 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    });
    next.reset();

    // What of the heap the view itself holds per row (its row header keeps
    // a record per row): detaching the model frees it.
    const int rows = form->ListModel().rowCount();
    const qint64 withView = HeapInUse();
    form->ListView().setModel(nullptr);
    QCoreApplication::processEvents();
    std::printf("list  of which the list view's own records per row: %.1f bytes\n",
                double(withView - HeapInUse()) / qMax(1, rows));
    Timed("close the window", [&] { form.reset(); });
}
