#pragma once

// The queue's jobs in order, and the queue file that keeps them.

#include "Vantrel/queue/CorrectionJob.h"
#include "Vantrel/queue/QueueSaver.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QUuid>

#include <array>
#include <functional>
#include <optional>

namespace vantrel {

// The ordered jobs with an index by id and running tallies, so that counting costs
// nothing however long the queue is. Every change goes through here and is
// announced: a change of one job by jobChanged(id), a change of the list by
// jobsChanged(). Ids are unique within the store.
//
// Saving writes a snapshot of the jobs to the queue file in the background; the
// outcome of the latest write is persistenceError(). A snapshot that could not be
// written is tried again (QueueSaver.h), and once more when the store goes.
class JobStore : public QObject {
    Q_OBJECT

public:
    enum class Tally { pending, running, failed, cancelled, done, flagged, completedFailing, count };

    explicit JobStore(QObject* parent = nullptr);

    const QList<CorrectionJob>& jobs() const { return jobs_; }
    std::optional<qsizetype> indexOf(const QUuid& id) const;
    const CorrectionJob* find(const QUuid& id) const;
    int count(Tally tally) const { return counts_[size_t(tally)]; }
    // The source bytes of the pending jobs that know theirs.
    qint64 pendingBytes() const { return pendingBytes_; }
    static Tally tallyOf(const CorrectionJob& job);

    // List changes, each announced once. A job whose id is taken gets a new one.
    void append(QList<CorrectionJob> jobs);
    bool remove(QUuid id);  // by value: the id may be one of the list's own
    // The jobs `which` picks, taken out of the list.
    QList<CorrectionJob> removeIf(const std::function<bool(const CorrectionJob&)>& which);

    // Changes one job; false when it is not here.
    template <typename Change>
    bool update(const QUuid& jobId, Change&& change);
    // Changes every job `which` picks, announced as one change of the list; how many.
    int updateWhere(const std::function<bool(const CorrectionJob&)>& which,
                    const std::function<void(CorrectionJob&)>& change);

    // The queue file; none: nothing is saved.
    const std::optional<QString>& filePath() const { return filePath_; }
    void setFilePath(std::optional<QString> path) { filePath_ = std::move(path); }
    // Asks for the jobs to be written; requests made while a write is under way
    // are merged. `urgent`: the caller is about to wait for it.
    void save(bool urgent = false);
    // Returns once every save asked for so far has been written (or has failed),
    // with its outcome applied.
    void waitForSaves();
    // Calls `then` on this object's thread once every save asked for so far is
    // written: with nothing when the file holds the jobs as they were asked to be
    // saved (or newer), else with why it could not be written.
    void whenSaved(std::function<void(const std::optional<QString>& failure)> then);
    void setFileWriter(FileByteWriter writer);
    void setRetryDelays(QueueSaver::Delay first, QueueSaver::Delay longest);
    const std::optional<QString>& persistenceError() const { return persistenceError_; }
    // Why the latest write failed; nothing once one succeeded.
    const std::optional<QString>& lastSaveFailure() const { return lastSaveFailure_; }

signals:
    void jobsChanged();
    void jobChanged(const QUuid& id);
    void persistenceErrorChanged();
    // A save failed after the last one that succeeded: once per run of failures.
    void saveFailed(const QString& reason);

private:
    void rebuild();
    void count(const CorrectionJob& job, int delta) {
        const Tally tally = tallyOf(job);
        counts_[size_t(tally)] += delta;
        if (tally == Tally::pending && job.totalSourceBytes) pendingBytes_ += delta * *job.totalSourceBytes;
    }
    void applySaveOutcome(const QueueSaver::Outcome& failure);

    QList<CorrectionJob> jobs_;
    QHash<QUuid, qsizetype> index_;
    std::array<int, size_t(Tally::count)> counts_{};
    qint64 pendingBytes_ = 0;
    std::optional<QString> filePath_;
    std::optional<QString> persistenceError_;
    std::optional<QString> lastSaveFailure_;
    QueueSaver saver_;  // last: on the way out it writes what is still waiting
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
    emit jobChanged(id);
    return true;
}

}  // namespace vantrel
