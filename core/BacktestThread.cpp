#include "core/BacktestThread.h"

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

// Reports travel as calls queued to this object, which lives on the
// receiver's thread, and are emitted there; destroying the object drops the
// calls still queued, so nothing of a run arrives after its thread object
// is gone.
void TBacktestThread::run()
{
    TBacktestResult result;
    bool failed = false;
    try {
        result = RunBacktest(
            m_draws, m_settings, m_span, m_stop,
            [this](const TBacktestDraw &draw, int done, int total) {
                QMetaObject::invokeMethod(
                    this, [this, draw, done, total] { emit drawTested(draw, done, total); }, Qt::QueuedConnection);
            },
            m_threads);
    } catch (...) {
        result.complete = false;
        failed = true;
    }
    QMetaObject::invokeMethod(
        this, [this, result = std::move(result), failed] { emit backtestFinished(result, failed); },
        Qt::QueuedConnection);
}
