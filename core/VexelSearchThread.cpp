#include "VexelSearchThread.h"
#include "SearchEngine.h"
#include "VexelReg.h"

namespace {

class ReportingSink : public TSearchSink
{
public:
    ReportingSink(TVexelSearchThread &thread, quint64 run) : m_thread(thread), m_run(run) {}

    void Progress(qint64 combinations) override
    {
        emit m_thread.reported(TSearchReport{TSearchReport::Progress, combinations, nullptr, m_run});
    }

    void Found(std::unique_ptr<TVexelReg> pattern, qint64 combinations) override
    {
        emit m_thread.reported(TSearchReport{TSearchReport::Found, combinations,
                                             std::shared_ptr<TVexelReg>(std::move(pattern)), m_run});
    }


private:
    TVexelSearchThread &m_thread;
    quint64 m_run;
};

} // namespace

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
    emit reported(TSearchReport{TSearchReport::Finished, combinations, nullptr, m_run});
}
