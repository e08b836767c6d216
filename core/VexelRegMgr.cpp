#include "core/VexelRegMgr.h"
#include "core/StreamLimits.h"
#include "core/VexelError.h"
#include "core/VexelReg.h"

#include <QDataStream>
#include <algorithm>

TVexelRegMgr::TVexelRegMgr(const TRegOptions *settings, QObject *parent)
    : QObject(parent), m_settings(settings)
{
    qRegisterMetaType<TVexelReg *>();
}

TVexelRegMgr::~TVexelRegMgr()
{
    // Stop every worker that has not ended, and wait for it, before the
    // patterns go: no report can reach this collection once it is gone.
    for (TVexelSearchThread *worker : findChildren<TVexelSearchThread *>(Qt::FindDirectChildrenOnly)) {
        worker->disconnect(this);
        worker->Terminate();
        worker->wait();
    }
    Clear();
}

TVexelReg *TVexelRegMgr::Add(TVexelReg *pattern)
{
    return Add(std::unique_ptr<TVexelReg>(pattern));
}

TVexelReg *TVexelRegMgr::Add(std::unique_ptr<TVexelReg> pattern)
{
    m_room->Take(1);
    TVexelReg *added = Keep(std::move(pattern));
    emit PatternsAdded({added});
    return added;
}

TVexelReg *TVexelRegMgr::Keep(std::unique_ptr<TVexelReg> pattern)
{
    m_patterns.push_back(std::move(pattern));
    m_changed = true;
    return m_patterns.back().get();
}

void TVexelRegMgr::Clear()
{
    emit AboutToClear();
    m_unannounced.clear();
    if (!m_patterns.empty())
        m_changed = true;
    m_room->Give(Count());
    while (!m_patterns.empty())
        m_patterns.pop_back();
    m_patterns.shrink_to_fit();
}

TVexelReg *TVexelRegMgr::Get(int index) const
{
    if (index < 0 || index >= Count())
        throw EVexelError(QStringLiteral("TRegMgr.GeTVexelReg Index isnot valid!"));
    return m_patterns[size_t(index)].get();
}

int TVexelRegMgr::IndexOf(const TVexelReg *pattern) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_patterns[size_t(i)].get() == pattern)
            return i;
    return -1;
}

void TVexelRegMgr::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw EVexelError(QStringLiteral("TRegMgr.Del Index isnot valid!"));
    const TVexelReg *doomed = m_patterns[size_t(index)].get();
    emit PatternsAboutToBeRemoved({doomed});
    std::erase(m_unannounced, doomed);
    m_patterns.erase(m_patterns.begin() + index);
    m_room->Give(1);
    m_changed = true;
}

void TVexelRegMgr::Remove(const TVexelReg *pattern)
{
    const int index = IndexOf(pattern);
    if (index >= 0)
        Delete(index);
}

void TVexelRegMgr::RemoveAll(const QSet<const TVexelReg *> &patterns)
{
    if (patterns.isEmpty())
        return;
    emit PatternsAboutToBeRemoved(patterns);
    std::erase_if(m_unannounced, [&](const TVexelReg *p) { return patterns.contains(p); });
    const size_t removed = std::erase_if(m_patterns, [&](const std::unique_ptr<TVexelReg> &p) {
        return patterns.contains(p.get());
    });
    m_room->Give(qint64(removed));
    if (removed > 0)
        m_changed = true;
}

void TVexelRegMgr::Start(const TCodes &draws)
{
    m_draws.Assign(draws);
    auto *worker = new TVexelSearchThread(m_draws, *m_settings, ++m_run, m_room, m_search, this);
    // The queue is captured so that reports still waiting when the worker
    // has been deleted are delivered all the same.
    const std::shared_ptr<TReportQueue> queue = worker->Reports();
    connect(worker, &TVexelSearchThread::reportsWaiting, this, [this, queue] { Drain(queue); },
            Qt::QueuedConnection);
    // The finished report is queued before the thread ends, so it is handled
    // before the deferred delete.
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    m_worker = worker;
    worker->start();
    m_busy = true;
    m_outcome = TSearchOutcome();
    m_started.start();
    // With the memory exhausted no thread may be had: the search ends at
    // once, as one that ran out of memory, rather than never.
    if (!worker->isRunning() && !worker->isFinished()) {
        TSearchOutcome outcome;
        outcome.end = TSearchOutcome::OutOfMemory;
        worker->Report(TSearchReport{TSearchReport::Finished, 0, nullptr, m_run, outcome});
        worker->deleteLater();
    }
}

void TVexelRegMgr::Stop()
{
    if (!m_busy)
        return;
    if (m_worker)
        m_worker->Terminate();
    m_busy = false;
}

bool TVexelRegMgr::WorkerRunning() const
{
    for (TVexelSearchThread *worker : findChildren<TVexelSearchThread *>(Qt::FindDirectChildrenOnly))
        if (!worker->isFinished())
            return true;
    return false;
}

void TVexelRegMgr::HoldReports()
{
    ++m_held;
}

void TVexelRegMgr::ReleaseReports()
{
    if (m_held == 0 || --m_held > 0)
        return;
    std::vector<std::shared_ptr<TReportQueue>> queues;
    queues.swap(m_heldQueues);
    for (const std::shared_ptr<TReportQueue> &queue : queues)
        QMetaObject::invokeMethod(this, [this, queue] { Drain(queue); }, Qt::QueuedConnection);
}

void TVexelRegMgr::Drain(const std::shared_ptr<TReportQueue> &queue)
{
    if (m_held > 0) {
        if (std::find(m_heldQueues.begin(), m_heldQueues.end(), queue) == m_heldQueues.end())
            m_heldQueues.push_back(queue);
        return;
    }
    // Reports are handled for up to SliceMs at a time, so that a burst of
    // found patterns costs the window one repaint per slice rather than one
    // per few hundred patterns, and input still gets through between slices.
    constexpr size_t Batch = 512;
    constexpr qint64 SliceMs = 40;
    QElapsedTimer spent;
    spent.start();
    bool more = false;
    do {
        std::vector<TSearchReport> reports = queue->Take(Batch, more);
        for (TSearchReport &report : reports)
            OnReport(report);
    } while (more && spent.elapsed() < SliceMs);
    // Come back for the rest after the events already waiting (paints, input).
    if (more)
        QMetaObject::invokeMethod(this, [this, queue] { Drain(queue); }, Qt::QueuedConnection);
    AnnounceFound();
    emit ReportsDelivered();
}

void TVexelRegMgr::AnnounceFound()
{
    if (m_unannounced.empty())
        return;
    std::vector<TVexelReg *> found;
    found.swap(m_unannounced);
    emit PatternsAdded(found);
}

void TVexelRegMgr::OnReport(TSearchReport &report)
{
    const bool current = report.run == m_run;
    TVexelReg *found = nullptr;
    // The worker took room for the pattern before it reported it.
    if (report.kind == TSearchReport::Found && report.found) {
        found = Keep(std::move(report.found));
        m_unannounced.push_back(found);
    }
    // A stopped worker's late progress and end belong to no running search;
    // only its found patterns still count.
    if (!current && report.kind != TSearchReport::Found)
        return;
    if (report.kind == TSearchReport::Finished) {
        m_busy = false;
        m_outcome = report.outcome;
        // The search's last patterns join before its end is told.
        AnnounceFound();
    }
    emit SearchEvent(report.kind, report.combinations, found);
}

void TVexelRegMgr::LoadFromStream(QDataStream &stream, const std::function<void()> &tick)
{
    stream.setByteOrder(QDataStream::LittleEndian);
    Clear();
    qint32 count = 0;
    stream >> count;
    // Even an empty pattern takes 24 bytes in the stream.
    if (count > 0 && !StreamLimits::Plausible(stream, count, 24))
        throw EVexelError(QStringLiteral("TRegMgr.LoadFromStream Count isnot valid!"));
    for (qint32 i = 0; i < count; ++i) {
        // A pattern that fails to read is not kept.
        auto pattern = std::make_unique<TVexelReg>();
        pattern->LoadFromStream(stream);
        m_room->Take(1);
        Keep(std::move(pattern));
        if (tick && i % TickEvery == 0)
            tick();
    }
    m_draws.LoadFromStream(stream);
}

void TVexelRegMgr::SaveToStream(QDataStream &stream, const std::function<void()> &tick) const
{
    stream.setByteOrder(QDataStream::LittleEndian);
    stream << qint32(Count());
    for (size_t i = 0; i < m_patterns.size(); ++i) {
        m_patterns[i]->SaveToStream(stream);
        if (tick && i % TickEvery == 0)
            tick();
    }
    m_draws.SaveToStream(stream);
}

qint64 TVexelRegMgr::StreamSize() const
{
    // The count; each pattern's line (count and points), its five fields
    // and step count, and a value and a mask per step; the snapshot.
    qint64 bytes = 4;
    for (const auto &pattern : m_patterns)
        bytes += 4 + 8 * qint64(pattern->Line(0).Count()) + 20 + 6 * qint64(qMax(0, pattern->StepCount()));
    return bytes + 8 + qint64(m_draws.Count()) * TCodes::RecordSize;
}

void TVexelRegMgr::TakeOver(TVexelRegMgr &other)
{
    Clear();
    m_room->Take(other.Count());
    other.m_room->Give(other.Count());
    m_patterns.swap(other.m_patterns);
    m_draws = std::move(other.m_draws);
    other.m_draws = TCodes();
    m_changed = true;
}
