#include "VexelSearchThread.h"
#include "SearchEngine.h"
#include "VexelReg.h"

#include <QElapsedTimer>

namespace {

class ReportingSink : public TSearchSink
{
public:
    ReportingSink(TVexelSearchThread &thread, quint64 run) : m_thread(thread), m_run(run) {}

    // At full speed the search reports each multiple of ProgressEvery once
    // for every rejected evaluation of that combination (over a hundred in a
    // row) and thousands of such counts a second, more than the receiver can
    // drain. It needs a new count now and then: repeats are dropped, and so
    // are counts that come within 20 ms of the last one passed on.
    void Progress(qint64 combinations) override
    {
        if (combinations == m_lastProgress)
            return;
        if (m_sinceProgress.isValid() && m_sinceProgress.elapsed() < 20)
            return;
        m_lastProgress = combinations;
        m_sinceProgress.start();
        m_thread.Report(TSearchReport{TSearchReport::Progress, combinations, nullptr, m_run});
    }

    void Found(std::unique_ptr<TVexelReg> pattern, qint64 combinations) override
    {
        m_thread.Report(TSearchReport{TSearchReport::Found, combinations, std::move(pattern), m_run});
    }


private:
    TVexelSearchThread &m_thread;
    quint64 m_run;
    qint64 m_lastProgress = -1;
    QElapsedTimer m_sinceProgress;
};

} // namespace

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
                                       quint64 run, QObject *parent)
    : QThread(parent), m_draws(draws), m_settings(settings), m_run(run)
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
    ReportingSink sink(*this, m_run);
    qint64 combinations = 0;
    try {
        combinations = RunVexelSearch(m_draws, m_settings, sink, m_stop);
    } catch (...) {
        // A run that cannot go on (out of memory on absurd settings) ends
        // like a stopped one: the finished report still tells the receiver.
    }
    Report(TSearchReport{TSearchReport::Finished, combinations, nullptr, m_run});
}
