#pragma once

#include "core/Hao.h"
#include "core/PatternRoom.h"
#include "core/RegOptions.h"
#include "core/SearchEngine.h"
#include "core/VexelReg.h"

#include <QMetaType>
#include <QMutex>
#include <QThread>
#include <atomic>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

// Why a search run ended.
struct TSearchOutcome
{
    enum End : quint8 {
        Completed,      // every combination was walked
        Stopped,        // the receiver asked it to stop
        LimitReached,   // the next pattern found would have passed the pattern limit
        OutOfMemory,    // an allocation failed inside the run
        Failed,         // any other error inside the run; `error` tells which, when known
    };

    End end = Completed;
    QString error;

    bool IsFailure() const { return end == OutOfMemory || end == Failed; }
};

// The outcome of a run that ended with this error: out of memory, the
// model's own error with its message, or an error of unknown kind.
TSearchOutcome SearchFailure(std::exception_ptr error);

// One report of a search run: 0 progress, 1 found, 2 finished.
struct TSearchReport
{
    enum Kind : quint8 { Progress = 0, Found = 1, Finished = 2 };

    quint8 kind = Progress;
    qint64 combinations = 0;            // the run's counter when it reported
    std::unique_ptr<TVexelReg> found;   // the accepted pattern of a found report
    quint64 run = 0;                    // which search made the report
    TSearchOutcome outcome;             // of a finished report
};

// What a worker runs: RunVexelSearch, unless a test puts something else in.
using TSearchFunction = std::function<qint64(const TCodes &, const TRegOptions &, TSearchSink &,
                                             const std::atomic<bool> &)>;
Q_DECLARE_METATYPE(TSearchReport)

// Reports on their way from a worker to the thread that receives them. The
// worker never waits for the receiver: it appends and, when the receiver has
// no wake-up pending yet, asks for one. The receiver takes the reports in
// order, in slices, so that a burst of thousands of found patterns neither
// floods the event queue nor holds the window up.
class TReportQueue
{
public:
    // Returns true when the receiver needs a wake-up for this report.
    bool Push(TSearchReport report);
    // Takes up to `most` reports; `more` tells whether any are left, in
    // which case the caller must come back for them.
    std::vector<TSearchReport> Take(size_t most, bool &more);

private:
    QMutex m_mutex;
    std::deque<TSearchReport> m_reports;
    bool m_wakePending = false;
};

// The background worker of one search. It works on its own copies of the
// draws and the settings, so nothing it reads can change under it. Reports
// are queued to the receiver's thread in the order they are made; the worker
// never waits for them, so stopping and destroying it can never deadlock.
// Each pattern takes its place in `room` before it is reported; when there is
// none, the run ends as a stopped one would, with the patterns found so far.
class TVexelSearchThread : public QThread
{
    Q_OBJECT

public:
    TVexelSearchThread(const TCodes &draws, const TRegOptions &settings, quint64 run,
                       std::shared_ptr<TPatternRoom> room, TSearchFunction search = RunVexelSearch,
                       QObject *parent = nullptr);
    ~TVexelSearchThread() override;

    // The reports of this run; shared, so that they outlive the worker.
    const std::shared_ptr<TReportQueue> &Reports() const { return m_reports; }

    // Asks the run to end at its next poll; the finished report still comes.
    void Terminate() { m_stop.store(true); }
    bool Terminated() const { return m_stop.load(); }
    quint64 Run() const { return m_run; }

    // Queues one report for the receiver.
    void Report(TSearchReport report);

signals:
    // Reports are waiting in Reports(); emitted once until they are taken.
    void reportsWaiting();

protected:
    void run() override;

private:
    const TCodes m_draws;
    const TRegOptions m_settings;
    const quint64 m_run;
    const std::shared_ptr<TPatternRoom> m_room;
    const TSearchFunction m_search;
    std::atomic<bool> m_stop{false};
    std::shared_ptr<TReportQueue> m_reports = std::make_shared<TReportQueue>();
};
