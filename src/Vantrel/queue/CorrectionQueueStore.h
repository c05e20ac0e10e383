#pragma once

// The queue's jobs in order, and the writer that keeps the queue file up to date.

#include "Vantrel/queue/CorrectionQueue.h"

#include <QHash>
#include <QMutex>
#include <QWaitCondition>

#include <array>
#include <functional>
#include <memory>
#include <thread>

namespace vantrel {

// Writes snapshots of the jobs to the queue file on a thread of its own. A request
// made while a write is under way replaces any request still waiting, so a burst
// of changes costs one or two writes. Outcomes come back on the queue's thread, in
// order. On the way out whatever is waiting is still written.
class QueueSaver {
public:
    using Outcome = std::optional<QString>;  // nothing, or why the file was left as it was

    QueueSaver(QObject* context, std::function<void(const Outcome&)> deliver);
    ~QueueSaver();

    // `urgent`: someone is about to wait for this write.
    void request(const QString& path, QList<CorrectionJob> jobs, bool urgent = false);
    // Until every request made so far is written; their outcomes are delivered first.
    void wait();
    // Calls `then` on the queue's thread (never from inside this call) once every
    // request made so far is written and its outcome delivered.
    void whenWritten(std::function<void()> then);
    void setWriter(FileByteWriter writer);

private:
    struct State;
    void work();
    static void deliverDue(State& state, bool followUps);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

// The ordered jobs with an index by id and running tallies, so that counting costs
// nothing however long the queue is. Every change goes through here and is
// announced: a change of one job by jobChanged(id), a change of the list by
// jobsChanged(). Ids are unique within the store.
class JobStore {
public:
    enum class Tally { pending, running, failed, cancelled, done, flagged, completedFailing, count };

    explicit JobStore(CorrectionQueue* queue);

    const QList<CorrectionJob>& jobs() const { return jobs_; }
    std::optional<qsizetype> indexOf(const QUuid& id) const;
    const CorrectionJob* find(const QUuid& id) const;
    int count(Tally tally) const { return counts_[size_t(tally)]; }
    // The source bytes of the pending jobs that know theirs.
    qint64 pendingBytes() const { return pendingBytes_; }
    static Tally tallyOf(const CorrectionJob& job);

    // List changes, each announced once.
    void append(QList<CorrectionJob> jobs);
    bool remove(QUuid id);  // by value: the id may be one of the list's own
    qsizetype removeIf(const std::function<bool(const CorrectionJob&)>& which);

    // Changes one job; false when it is not here.
    template <typename Change>
    bool update(const QUuid& jobId, Change&& change);
    // Changes every job `which` picks, announced as one change of the list; how many.
    int updateWhere(const std::function<bool(const CorrectionJob&)>& which,
                    const std::function<void(CorrectionJob&)>& change);

    QueueSaver& saver() { return saver_; }

private:
    void rebuild();
    void count(const CorrectionJob& job, int delta) {
        const Tally tally = tallyOf(job);
        counts_[size_t(tally)] += delta;
        if (tally == Tally::pending && job.totalSourceBytes) pendingBytes_ += delta * *job.totalSourceBytes;
    }

    CorrectionQueue* queue_;
    QList<CorrectionJob> jobs_;
    QHash<QUuid, qsizetype> index_;
    std::array<int, size_t(Tally::count)> counts_{};
    qint64 pendingBytes_ = 0;
    QueueSaver saver_;
};

template <typename Change>
bool JobStore::update(const QUuid& jobId, Change&& change) {
    // `jobId` may point into the list itself, which the write below can move away
    // from a save that shares it: keep a copy.
    const QUuid id = jobId;
    const auto index = indexOf(id);
    if (!index) return false;
    CorrectionJob& job = jobs_[*index];
    count(job, -1);
    change(job);
    job.id = id;  // the index stays true
    count(job, +1);
    emit queue_->jobChanged(id);
    return true;
}

}  // namespace vantrel
