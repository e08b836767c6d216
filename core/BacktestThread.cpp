#include "BacktestThread.h"

TBacktestThread::TBacktestThread(const TCodes &draws, const TRegOptions &settings, TDrawSpan span,
                                 int threads, QObject *parent)
    : QThread(parent), m_draws(draws), m_settings(settings), m_span(span), m_threads(threads)
{
    qRegisterMetaType<TBacktestDraw>();
    qRegisterMetaType<TBacktestResult>();
}

TBacktestThread::~TBacktestThread()
{
    Stop();
    wait();
}

void TBacktestThread::run()
{
    TBacktestResult result;
    bool failed = false;
    try {
        result = RunBacktest(
            m_draws, m_settings, m_span, m_stop,
            [this](const TBacktestDraw &draw, int done, int total) { emit drawTested(draw, done, total); },
            m_threads);
    } catch (...) {
        result.complete = false;
        failed = true;
    }
    emit backtestFinished(result, failed);
}
