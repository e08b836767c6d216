#pragma once

#include "Hao.h"
#include "RegOptions.h"

#include <QMetaType>
#include <QThread>
#include <atomic>
#include <memory>

class TVexelReg;

// One report of a search run: 0 progress, 1 found, 2 finished.
struct TSearchReport
{
    enum Kind : quint8 { Progress = 0, Found = 1, Finished = 2 };

    quint8 kind = Progress;
    qint64 combinations = 0;            // the run's counter when it reported
    std::shared_ptr<TVexelReg> found;   // the accepted pattern of a found report
    quint64 run = 0;                    // which search made the report
};
Q_DECLARE_METATYPE(TSearchReport)

// The background worker of one search. It works on its own copies of the
// draws and the settings, so nothing it reads can change under it. Reports
// are queued to the receiver's thread in the order they are made; the worker
// never waits for them, so stopping and destroying it can never deadlock.
class TVexelSearchThread : public QThread
{
    Q_OBJECT

public:
    TVexelSearchThread(const TCodes &draws, const TRegOptions &settings, quint64 run,
                       QObject *parent = nullptr);
    ~TVexelSearchThread() override;

    // Asks the run to end at its next poll; the finished report still comes.
    void Terminate() { m_stop.store(true); }
    bool Terminated() const { return m_stop.load(); }
    quint64 Run() const { return m_run; }

signals:
    void reported(const TSearchReport &report);

protected:
    void run() override;

private:
    const TCodes m_draws;
    const TRegOptions m_settings;
    const quint64 m_run;
    std::atomic<bool> m_stop{false};
};
