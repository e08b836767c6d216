#include "core/VexelSearchThread.h"
#include "core/SearchEngine.h"
#include "core/VexelError.h"
#include "core/VexelReg.h"

#include <QElapsedTimer>
#include <new>

namespace {

class ReportingSink : public TSearchSink
{
public:
    ReportingSink(TVexelSearchThread &thread, quint64 run, TPatternRoom &room, std::atomic<bool> &stop)
        : m_thread(thread), m_run(run), m_room(room), m_stop(stop)
    {
    }

    // Whether the run was ended because the pattern limit was reached.
    bool LimitReached() const { return m_limitReached; }
    // The combination counter as the run last reported it.
    qint64 Counter() const { return m_counter; }

    // At full speed the search reports each multiple of ProgressEvery once
    // for every rejected evaluation of that combination (over a hundred in a
    // row) and thousands of such counts a second, more than the receiver can
    // drain. It needs a new count now and then: repeats are dropped, and so
    // are counts that come within 20 ms of the last one passed on.
    void Progress(qint64 combinations) override
    {
        m_counter = combinations;
        if (combinations == m_lastProgress)
            return;
        if (m_sinceProgress.isValid() && m_sinceProgress.elapsed() < 20)
            return;
        m_lastProgress = combinations;
        m_sinceProgress.start();
        m_thread.Report(TSearchReport{TSearchReport::Progress, combinations, nullptr, m_run, {}});
    }

    void ProgressRepeated(qint64 combinations, qint64) override { Progress(combinations); }

    void Found(std::unique_ptr<TVexelReg> pattern, qint64 combinations) override
    {
        // Once one pattern found no room, none after it is reported either,
        // even if room is freed meanwhile: what was kept is what a run
        // stopped at that moment would have reported.
        m_counter = combinations;
        if (m_limitReached)
            return;
        if (!m_room.TryTake()) {
            m_limitReached = true;
            m_stop.store(true);
            return;
        }
        m_thread.Report(TSearchReport{TSearchReport::Found, combinations,
                                      std::move(pattern), m_run, {}});
    }


private:
    TVexelSearchThread &m_thread;
    quint64 m_run;
    TPatternRoom &m_room;
    std::atomic<bool> &m_stop;
    bool m_limitReached = false;
    qint64 m_counter = 0;
    qint64 m_lastProgress = -1;
    QElapsedTimer m_sinceProgress;
};

} // namespace

TSearchOutcome SearchFailure(std::exception_ptr error)
{
    TSearchOutcome outcome;
    outcome.end = TSearchOutcome::Failed;
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc &) {
        outcome.end = TSearchOutcome::OutOfMemory;
    } catch (const EVexelError &e) {
        outcome.error = e.message();
    } catch (const std::exception &e) {
        outcome.error = QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    return outcome;
}

bool TReportQueue::Push(TSearchReport report)
{
    QMutexLocker lock(&m_mutex);
    m_reports.push_back(std::move(report));
    if (m_wakePending)
        return false;
    m_wakePending = true;
    return true;
}

std::vector<TSearchReport> TReportQueue::Take(size_t most, bool &more)
{
    QMutexLocker lock(&m_mutex);
    const size_t n = qMin(most, m_reports.size());
    std::vector<TSearchReport> taken(std::make_move_iterator(m_reports.begin()),
                                     std::make_move_iterator(m_reports.begin() + qsizetype(n)));
    m_reports.erase(m_reports.begin(), m_reports.begin() + qsizetype(n));
    more = !m_reports.empty();
    // With nothing left, the next report asks for a new wake-up.
    m_wakePending = more;
    return taken;
}

void TVexelSearchThread::Report(TSearchReport report)
{
    if (m_reports->Push(std::move(report)))
        emit reportsWaiting();
}

TVexelSearchThread::TVexelSearchThread(const TCodes &draws, const TRegOptions &settings,
                                       quint64 run, std::shared_ptr<TPatternRoom> room,
                                       TSearchFunction search, QObject *parent)
    : QThread(parent), m_draws(draws), m_settings(settings), m_run(run), m_room(std::move(room)),
      m_search(std::move(search))
{
    qRegisterMetaType<TSearchReport>();
}

TVexelSearchThread::~TVexelSearchThread()
{
    Terminate();
    wait();
}

void TVexelSearchThread::run()
{
    ReportingSink sink(*this, m_run, *m_room, m_stop);
    qint64 combinations = -1;
    TSearchOutcome outcome;
    // A run that cannot go on never passes for a finished one: the finished
    // report says why it ended, and what was reported before stays found.
    try {
        combinations = m_search(m_draws, m_settings, sink, m_stop);
        outcome.end = sink.LimitReached() ? TSearchOutcome::LimitReached
                      : m_stop.load()     ? TSearchOutcome::Stopped
                                          : TSearchOutcome::Completed;
    } catch (...) {
        outcome = SearchFailure(std::current_exception());
    }
    if (combinations < 0)
        combinations = sink.Counter();
    Report(TSearchReport{TSearchReport::Finished, combinations, nullptr, m_run, std::move(outcome)});
}
