// The search engine. How it gets its speed while reporting exactly what a
// one-by-one walk of every (combination, interval, mask) reports:
//
// - Each point count goes to one of two engines, whichever a cost model
//   (FastSearchChoice) finds cheaper: the brute force below, or the
//   meet-in-the-middle search (FastSearchMeet), which finds the lines whose
//   digit sums meet the targets through tables of partial sums, at a cost
//   that grows with the parts of lines rather than with the lines.
// - Brute force: subtrees that can never be accepted are never entered. A
//   line's first point decides the distance rule and its last point the
//   longest interval whose walk stays inside the history, so both become
//   bounds on the index of a level; combinations past them are only counted.
// - Brute force: every other line is tested against all of its (interval,
//   mask) pairs at once: the digits of every candidate at the first few
//   reference rows of each pair are laid out in vector lanes, targets less
//   the digits of the points chosen so far are carried down the combination
//   tree, and a leaf costs a handful of vector instructions
//   (FastSearchKernel.inc). The few lanes that survive those steps are
//   walked exactly, as the walk always did; only accepted patterns become
//   TVexelReg objects.
// - Histories whose values are not plain digits (a damaged workspace file can
//   hold any 32-bit value) make the mod-10 shortcut unsound; they, and
//   searches that need no step beyond the forecast, are walked exactly for
//   every pair, still with the bounds above.
// - The lines of a point count are cut into chunks by their leading indices
//   (for the meet-in-the-middle search: ranges of first indices); worker
//   threads take chunks in order, and the calling thread hands the found
//   patterns to the sink chunk by chunk, in order, filling in the progress
//   reports a one-by-one walk would make on the way. A meet-in-the-middle
//   range is shared: each thread takes some of its intervals, and the merge
//   sorts the parts' patterns together. Only a bounded number
//   of chunks is in flight, and found patterns are handed over in batches as
//   they come: workers pause while many wait for the calling thread.
//
// The parts: FastSearchCount (counters), FastSearchPlan (bounds, exact walk,
// kernel tables), FastSearchKernel (the kernel per instruction set),
// FastSearchChunks (units of work), FastSearchWorker (a chunk's lines),
// FastSearchChoice (the engine of each point count), FastSearchMeet (the
// meet-in-the-middle search of a chunk); this file runs the workers and
// merges their reports on the calling thread.
#include "core/FastSearch.h"
#include "core/FastSearchMeet.h"
#include "core/FastSearchWorker.h"

#include <QThread>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <iterator>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

using namespace FastSearchImpl;

namespace {

// How long the calling thread waits for the workers before it looks at the
// clock again.
constexpr std::chrono::milliseconds MergePoll{10};

// A chunk through the engine its point count was given; the brute force
// takes a chunk the meet-in-the-middle search gave up on.
void ProcessChunk(TChunkWorker &worker, TMeetWorker &meet, const TChunk &chunk, std::vector<TFound> &found)
{
    if (chunk.meet && meet.Process(chunk, found))
        return;
    found.clear();
    worker.Process(chunk, found);
}

// The workers, and the merge of their reports on the calling thread.
class TRun
{
public:
    TRun(const TEngine &e, TSearchSink &sink, const std::atomic<bool> &stop,
         const TFastSearchConfig &config, int threads)
        : m_e(e), m_sink(sink), m_stop(stop), m_config(config), m_threads(threads),
          m_window(size_t(64 * threads)), m_ring(m_window),
          m_gen(e, config.chunkCombinations, threads)
    {
    }

    qint64 Execute()
    {
        m_lastProgress = Clock::now();
        if (m_threads == 1)
            return ExecuteHere();
        std::vector<std::thread> workers;
        try {
            for (int t = 0; t < m_threads; ++t)
                workers.emplace_back([this] { WorkerMain(); });
            Merge();
        } catch (...) {
            Abort();
            for (std::thread &w : workers)
                w.join();
            throw;
        }
        Abort();
        for (std::thread &w : workers)
            w.join();
        if (m_error)
            std::rethrow_exception(m_error);
        return m_position;
    }

private:
    using Clock = std::chrono::steady_clock;

    struct Slot
    {
        TChunk chunk;
        std::vector<TFound> found; // handed over, not yet taken by the merge
        bool ready = false;        // the chunk is done: nothing more comes
    };

    // What of one chunk has reached the merge and been reported.
    struct TMergeState
    {
        std::vector<TFound> found;
        size_t next = 0;      // first one not yet reported
        qint64 multiple = 0;  // next multiple of ProgressEvery to report at
        bool go = true;       // false once the run is to end

        explicit TMergeState(const TChunk &c)
            : multiple(c.lo > Saturated - ProgressEvery ? Saturated : (c.lo / ProgressEvery + 1) * ProgressEvery)
        {
        }
        // Drops what has been reported.
        void Compact()
        {
            if (next == found.size()) {
                found.clear();
                next = 0;
            } else if (next >= 1024) {
                found.erase(found.begin(), found.begin() + qsizetype(next));
                next = 0;
            }
        }
    };

    // One thread: the calling thread takes each chunk in turn and reports
    // its patterns batch by batch.
    qint64 ExecuteHere()
    {
        struct Here
        {
            TRun *run;
            const TChunk *chunk;
            TMergeState *state;
        };
        TChunkWorker worker(m_e, m_stop);
        TMeetWorker meet(m_e, m_stop);
        // The tables of a long point count keep this thread busy: progress
        // comes from there.
        meet.SetPoll([](void *context) { static_cast<TRun *>(context)->KeepAlive(); }, this);
        TChunk chunk;
        while (m_gen.Next(chunk)) {
            TMergeState state(chunk);
            Here here{this, &chunk, &state};
            const auto handOver = [](void *context, std::vector<TFound> &found) {
                auto &h = *static_cast<Here *>(context);
                if (h.state->go) {
                    h.state->go = h.run->Emit(*h.chunk, *h.state, false);
                    h.state->Compact();
                } else {
                    found.clear(); // the run ends: the worker stops at its next poll
                }
            };
            worker.SetHandOver(handOver, &here, m_config.foundBatch);
            meet.SetHandOver(handOver, &here, m_config.foundBatch);
            if (chunk.kind == TChunk::Range && chunk.work)
                ProcessChunk(worker, meet, chunk, state.found);
            // A chunk cut short by a stop is not reported as if it were whole.
            if (!state.go || m_stop.load() || !Emit(chunk, state, true))
                break;
            KeepAlive();
        }
        return m_position;
    }


    void Abort()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_abort.store(true);
        m_workCv.notify_all();
    }

    struct THandOverContext
    {
        TRun *run;
        Slot *slot;
        qint64 seq;
    };

    // A worker's batch of found patterns joins its slot; then the worker
    // waits while too many wait for the merge. The workers of the chunks the
    // merge is on (the parts of a shared range) count only their own
    // patterns not yet reported, so they never wait for the merge to report
    // the others first, nor while the merge waits for more of theirs.
    static void HandOver(void *context, std::vector<TFound> &found)
    {
        auto &c = *static_cast<THandOverContext *>(context);
        TRun &r = *c.run;
        std::unique_lock<std::mutex> lock(r.m_mutex);
        r.Append(*c.slot, found);
        const qint64 limit = std::max<qint64>(1, r.m_config.waitingPatterns);
        r.m_workCv.wait(lock, [&] {
            if (r.m_abort.load())
                return true;
            if (c.seq < r.m_mergingEnd)
                return qint64(c.slot->found.size()) + r.m_reporting < limit;
            return r.m_waiting < limit;
        });
    }

    // Moves found patterns into a slot; the mutex is held.
    void Append(Slot &slot, std::vector<TFound> &found)
    {
        m_waiting += qint64(found.size());
        if (slot.found.empty())
            slot.found.swap(found);
        else
            std::move(found.begin(), found.end(), std::back_inserter(slot.found));
        found.clear();
        m_doneCv.notify_all();
    }

    void WorkerMain()
    {
        TChunkWorker worker(m_e, m_abort);
        TMeetWorker meet(m_e, m_abort);
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_workCv.wait(lock, [&] {
                return m_abort.load() || m_genDone || m_nextSeq - m_mergedSeq < qint64(m_window);
            });
            if (m_abort.load() || m_genDone)
                return;
            Slot &slot = m_ring[size_t(m_nextSeq % qint64(m_window))];
            if (!m_gen.Next(slot.chunk)) {
                m_genDone = true;
                m_doneCv.notify_all();
                return;
            }
            const qint64 seq = m_nextSeq++;
            slot.found.clear();
            if (slot.chunk.kind != TChunk::Range || !slot.chunk.work) {
                slot.ready = true;
                m_doneCv.notify_all();
                continue;
            }
            slot.ready = false;
            lock.unlock();
            std::vector<TFound> found;
            THandOverContext context{this, &slot, seq};
            worker.SetHandOver(&TRun::HandOver, &context, m_config.foundBatch);
            meet.SetHandOver(&TRun::HandOver, &context, m_config.foundBatch);
            try {
                ProcessChunk(worker, meet, slot.chunk, found);
            } catch (...) {
                lock.lock();
                if (!m_error)
                    m_error = std::current_exception();
                m_abort.store(true);
                m_workCv.notify_all();
                m_doneCv.notify_all();
                return;
            }
            lock.lock();
            Append(slot, found);
            slot.ready = true;
        }
    }

    bool Stopped()
    {
        if (m_stop.load(std::memory_order_relaxed))
            m_abort.store(true);
        return m_abort.load(std::memory_order_relaxed);
    }

    void Progress(qint64 counter)
    {
        m_sink.Progress(counter);
        m_lastProgress = Clock::now();
    }

    // Reports the position so far when the next look at the clock (a merge
    // poll away) could come too late for the promised interval.
    void KeepAlive()
    {
        if (m_config.progressIntervalMs > 0
            && Clock::now() - m_lastProgress + MergePoll >= std::chrono::milliseconds(m_config.progressIntervalMs))
            Progress(m_position);
    }

    Slot &SlotOf(qint64 seq) { return m_ring[size_t(seq % qint64(m_window))]; }

    // Waits, the mutex held, until `ready` holds; false once the run is to
    // end. Progress keeps coming meanwhile.
    template <class Ready>
    bool WaitUntil(std::unique_lock<std::mutex> &lock, Ready ready)
    {
        for (;;) {
            if (m_error || Stopped())
                return false;
            if (ready())
                return true;
            m_doneCv.wait_for(lock, MergePoll);
            lock.unlock();
            KeepAlive();
            lock.lock();
        }
    }

    void Merge()
    {
        for (qint64 seq = 0;;) {
            int parts = 1;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                if (!WaitUntil(lock, [&] { return seq < m_nextSeq; }))
                    return;
                parts = SlotOf(seq).chunk.parts;
                m_mergingEnd = seq + parts;
                m_workCv.notify_all();
            }
            std::optional<bool> go = parts == 1 ? MergeChunk(seq) : MergeShared(seq, parts);
            if (!go)
                return;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                for (int p = 0; p < parts; ++p)
                    SlotOf(seq + p).ready = false;
                m_mergedSeq = seq + parts;
                m_mergingEnd = m_mergedSeq + 1;
                m_workCv.notify_all();
            }
            if (!*go)
                return;
            KeepAlive();
            seq += parts;
        }
    }

    // Moves a slot's found patterns to the merge; the mutex is held.
    void Take(Slot &slot, std::vector<TFound> &to)
    {
        m_waiting -= qint64(slot.found.size());
        std::move(slot.found.begin(), slot.found.end(), std::back_inserter(to));
        std::vector<TFound>().swap(slot.found);
    }

    // Reports a chunk's patterns batch by batch as they come. Whether the
    // run goes on; nothing when it ended while waiting.
    std::optional<bool> MergeChunk(qint64 seq)
    {
        Slot &slot = SlotOf(seq);
        TMergeState state(slot.chunk);
        for (bool complete = false; !complete;) {
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                if (!WaitUntil(lock, [&] { return slot.ready || !slot.found.empty(); }))
                    return std::nullopt;
                Take(slot, state.found);
                m_reporting = qint64(state.found.size() - state.next);
                complete = slot.ready;
                m_workCv.notify_all();
            }
            state.go = Emit(slot.chunk, state, complete);
            state.Compact();
            {
                // What is left waits for more of the chunk's patterns.
                std::lock_guard<std::mutex> lock(m_mutex);
                m_reporting = 0;
                m_workCv.notify_all();
            }
            if (!state.go)
                break;
        }
        return state.go;
    }

    // The parts of a shared range: their patterns are gathered as they come
    // (so their workers never wait for the merge) and put in enumeration
    // order once every part is done.
    std::optional<bool> MergeShared(qint64 seq, int parts)
    {
        const TChunk &chunk = SlotOf(seq).chunk;
        TMergeState state(chunk);
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            auto taken = [&](int p) { return seq + p < m_nextSeq; };
            auto done = [&] {
                for (int p = 0; p < parts; ++p)
                    if (!taken(p) || !SlotOf(seq + p).ready)
                        return false;
                return true;
            };
            for (;;) {
                const bool ready = WaitUntil(lock, [&] {
                    for (int p = 0; p < parts; ++p)
                        if (taken(p) && !SlotOf(seq + p).found.empty())
                            return true;
                    return done();
                });
                if (!ready)
                    return std::nullopt;
                for (int p = 0; p < parts && taken(p); ++p)
                    Take(SlotOf(seq + p), state.found);
                m_workCv.notify_all();
                if (done())
                    break;
            }
        }
        std::sort(state.found.begin(), state.found.end(), [](const TFound &a, const TFound &b) {
            if (a.counter != b.counter)
                return a.counter < b.counter;
            if (a.interval != b.interval)
                return a.interval < b.interval;
            return a.mask < b.mask;
        });
        return Emit(chunk, state, true);
    }

    bool EmitFound(TFound &f)
    {
        m_position = f.counter;
        m_sink.Found(std::move(f.pattern), f.counter);
        return !Stopped();
    }

    // Reports what has come of a chunk and was not reported yet; `complete`
    // once nothing more comes. False once the run is to end.
    bool Emit(const TChunk &c, TMergeState &state, bool complete)
    {
        if (c.kind == TChunk::KStart) {
            m_position = c.lo;
            Progress(c.lo);
            return !Stopped();
        }
        if (c.kind == TChunk::End)
            return false;

        std::vector<TFound> &found = state.found;
        size_t &f = state.next;
        qint64 &m = state.multiple;
        const bool evaluations = m_e.intervals > 0 && m_e.nm > 0;
        for (;;) {
            const bool multiple = evaluations && m <= c.hi && m != Saturated;
            while (f < found.size() && (!multiple || found[f].counter < m))
                if (!EmitFound(found[f++]))
                    return false;
            if (!multiple)
                break;
            // The line at a multiple of ProgressEvery reports progress after
            // each of its rejected evaluations, in between its found ones:
            // all of them must be here, as they are once a later line's are.
            if (!complete && (f == found.size() || found.back().counter <= m))
                return !Stopped();
            quint32 polls = 0;
            m_position = m;
            if (f == found.size() || found[f].counter != m) {
                // None of its evaluations was accepted: the usual case.
                m_sink.ProgressRepeated(m, m_e.intervals * m_e.nm);
            } else {
                for (qint64 interval = m_e.plan.intervalFirst; interval <= m_e.plan.intervalLast; ++interval)
                    for (int mi = 0; mi < m_e.nm; ++mi) {
                        if (f < found.size() && found[f].counter == m && found[f].interval == interval
                            && found[f].mask == mi) {
                            if (!EmitFound(found[f++]))
                                return false;
                        } else {
                            m_position = m;
                            m_sink.Progress(m);
                            if ((++polls & 255) == 0 && Stopped())
                                return false;
                        }
                    }
            }
            // Over a hundred reports in a row: the clock is read once after them.
            m_lastProgress = Clock::now();
            if (Stopped())
                return false;
            m = m > Saturated - ProgressEvery ? Saturated : m + ProgressEvery;
        }
        if (complete)
            m_position = c.hi;
        return !Stopped();
    }

    const TEngine &m_e;
    TSearchSink &m_sink;
    const std::atomic<bool> &m_stop;
    const TFastSearchConfig m_config;
    const int m_threads;
    const size_t m_window;

    std::mutex m_mutex;
    std::condition_variable m_workCv; // workers wait for room in the window or for the merge to catch up
    std::condition_variable m_doneCv; // the merge waits for found patterns or a finished chunk
    std::vector<Slot> m_ring;
    TChunkGen m_gen;
    bool m_genDone = false;
    qint64 m_nextSeq = 0;
    qint64 m_mergedSeq = 0;
    qint64 m_mergingEnd = 1;          // past the chunks the merge is on
    qint64 m_waiting = 0;             // found patterns in slots, not yet taken by the merge
    qint64 m_reporting = 0;           // taken by the merge, being reported now
    std::atomic<bool> m_abort{false};
    std::exception_ptr m_error;

    qint64 m_position = 0;
    Clock::time_point m_lastProgress;
};

} // namespace

qint64 RunFastSearch(const TCodes &draws, const TRegOptions &settings, TSearchSink &sink,
                     const std::atomic<bool> &stop, const TFastSearchConfig &config)
{
    TEngine engine(draws);
    engine.Setup(settings);
    engine.kernel = KernelFor(config.isa);
    engine.meetKernel = MeetKernelFor(config.isa);
    engine.engineMode = config.engine;
    engine.meetRanges = config.meetRanges;
    engine.meetClasses = config.meetClasses;
    if (config.meetMatchLimit > 0)
        engine.meetMatchLimit = size_t(std::min<qint64>(config.meetMatchLimit, qint64(MeetMaxMatches)));
    int threads = std::clamp(config.threads > 0 ? config.threads : QThread::idealThreadCount(), 1, 256);
    if (config.chunkCombinations <= 0 && engine.ViableLines() < ParallelSearchLines)
        threads = 1;
    TRun run(engine, sink, stop, config, threads);
    return run.Execute();
}