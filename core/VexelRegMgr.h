#pragma once

#include "core/Hao.h"
#include "core/PatternRoom.h"
#include "core/RegOptions.h"
#include "core/VexelSearchThread.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <functional>
#include <memory>
#include <vector>

class QDataStream;
class TVexelReg;

// Owns every pattern found, starts and stops the search worker, relays its
// reports on the thread that owns the collection, and keeps the snapshot of
// the draws the last search ran on.
class TVexelRegMgr : public QObject
{
    Q_OBJECT

public:
    explicit TVexelRegMgr(const TRegOptions *settings, QObject *parent = nullptr);
    ~TVexelRegMgr() override;

    TVexelReg *Add(TVexelReg *pattern);
    TVexelReg *Add(std::unique_ptr<TVexelReg> pattern);
    void Clear();
    int Count() const { return int(m_patterns.size()); }
    TVexelReg *Get(int index) const;
    int IndexOf(const TVexelReg *pattern) const;
    void Delete(int index);
    void Remove(const TVexelReg *pattern);
    // Removes every pattern of the set in one pass; the others keep their order.
    void RemoveAll(const QSet<const TVexelReg *> &patterns);

    // Snapshots `draws`, copies the settings and starts a worker on them.
    void Start(const TCodes &draws);
    // Asks the running worker to end and clears the busy flag at once.
    void Stop();
    bool Busy() const { return m_busy; }
    // Why the last search that finished ended (set before its finished event).
    const TSearchOutcome &LastOutcome() const { return m_outcome; }

    // The most patterns the collection holds: a search stops, keeping what it
    // found, when its next pattern would pass it. Patterns read from a file
    // are kept whatever the limit.
    qint64 PatternLimit() const { return m_room->Limit(); }
    void SetPatternLimit(qint64 limit) { m_room->SetLimit(limit); }
    // What later searches run (tests put in searches that fail).
    void SetSearchFunction(TSearchFunction search) { m_search = std::move(search); }
    // Whether any worker, the current or a stopped one, has not yet ended.
    bool WorkerRunning() const;

    const TCodes &Draws() const { return m_draws; }
    TCodes &Draws() { return m_draws; }
    // Milliseconds since the last search started.
    qint64 ElapsedMs() const { return m_started.isValid() ? m_started.elapsed() : 0; }

    // Reading replaces every pattern; the patterns read are not announced
    // (PatternsAdded): whoever lists them lists them once the file is read.
    // `tick`, when set, is called every few thousand patterns.
    void LoadFromStream(QDataStream &stream, const std::function<void()> &tick = {});
    void SaveToStream(QDataStream &stream, const std::function<void()> &tick = {}) const;
    // The bytes SaveToStream writes.
    qint64 StreamSize() const;
    // Replaces every pattern and the draws snapshot by those of `other`
    // (read on another thread, say), which is left empty; as with reading,
    // the patterns are not announced.
    void TakeOver(TVexelRegMgr &other);

    // While held (the calls nest), the searches' reports wait: nothing is
    // added to the collection, so another thread may read it meanwhile.
    void HoldReports();
    void ReleaseReports();

    // Whether patterns were found, added, removed or cleared since the last
    // ResetChanged.
    bool Changed() const { return m_changed; }
    void ResetChanged() { m_changed = false; }

signals:
    // Patterns joined the collection: each one given to Add, and those a
    // search found, once per delivered slice of reports (before its
    // ReportsDelivered, and before the finished event).
    void PatternsAdded(const std::vector<TVexelReg *> &patterns);
    // These patterns are about to be freed.
    void PatternsAboutToBeRemoved(const QSet<const TVexelReg *> &patterns);
    // Every pattern is about to be freed.
    void AboutToClear();
    // kind 0 progress, 1 found (the pattern was just added), 2 finished.
    // `combinations` is the worker's counter as it stood at that report.
    void SearchEvent(quint8 kind, qint64 combinations, TVexelReg *found);
    // A slice of reports has been delivered; receivers may redraw now.
    void ReportsDelivered();

private:
    void OnReport(TSearchReport &report);
    // Appends a pattern whose room is already taken.
    TVexelReg *Keep(std::unique_ptr<TVexelReg> pattern);
    void Drain(const std::shared_ptr<TReportQueue> &queue);
    // Announces the found patterns not yet announced.
    void AnnounceFound();

    static constexpr size_t TickEvery = 4096;

    std::vector<std::unique_ptr<TVexelReg>> m_patterns;
    std::vector<TVexelReg *> m_unannounced; // found in the slice being delivered
    bool m_changed = false;
    TCodes m_draws;
    const TRegOptions *m_settings;
    std::shared_ptr<TPatternRoom> m_room = std::make_shared<TPatternRoom>();
    TSearchFunction m_search = RunVexelSearch;
    TSearchOutcome m_outcome;
    QPointer<TVexelSearchThread> m_worker;
    quint64 m_run = 0;
    bool m_busy = false;
    QElapsedTimer m_started;
    int m_held = 0;
    std::vector<std::shared_ptr<TReportQueue>> m_heldQueues; // drained once released
};
