#pragma once

#include "core/Backtest.h"
#include "core/Hao.h"
#include "core/RegOptions.h"

#include <QMetaType>
#include <QThread>
#include <atomic>

Q_DECLARE_METATYPE(TBacktestDraw)
Q_DECLARE_METATYPE(TBacktestResult)

// A backtest in the background, on its own copies of the draws and the
// settings. Its signals are emitted on the thread this object lives on (the
// receiver's), never on the worker. Destroying it stops the run and waits
// for it; after that no signal of the run comes, not even one already on
// its way.
class TBacktestThread : public QThread
{
    Q_OBJECT

public:
    TBacktestThread(const TCodes &draws, const TRegOptions &settings, TDrawSpan span,
                    int threads = 0, QObject *parent = nullptr);
    ~TBacktestThread() override;

    // Asks the run to end soon; `finished` still comes, with complete = false.
    void Stop() { m_stop.store(true); }

signals:
    // One tested draw finished; `done` of `total` are finished.
    void drawTested(const TBacktestDraw &draw, int done, int total);
    // The run ended; `failed` when it could not go on (out of memory).
    void backtestFinished(const TBacktestResult &result, bool failed);

protected:
    void run() override;

private:
    const TCodes m_draws;
    const TRegOptions m_settings;
    const TDrawSpan m_span;
    const int m_threads;
    std::atomic<bool> m_stop{false};
};
