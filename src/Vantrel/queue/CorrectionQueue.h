#pragma once

// The application's one correction queue: the ordered jobs, the console log, the
// processing loop that runs pending jobs one at a time (correction, then
// verification), and the commands the views call. Lives on the main thread; every
// state change is announced by a signal. The jobs are kept in "queue.json" in the
// storage folder and restored when the queue is made.
//
// The queue is the face the views see of three parts: the job store (JobStore.h)
// keeps the ordered jobs and their tallies, announces each change and saves them
// on a thread of its own; the run processor (RunProcessor.h) carries one run at a
// time through preparing, correcting, verifying and finished, and is the only code
// that changes a job's status; the console (QueueConsole.h) keeps the log.

#include "Vantrel/queue/CorrectionJob.h"
#include "Vantrel/queue/CorrectionRunning.h"
#include "Vantrel/queue/DurableFile.h"
#include "Vantrel/queue/OutputVerifying.h"
#include "Vantrel/queue/SleepInhibitor.h"
#include "Vantrel/queue/VolumeInfo.h"
#include "Vantrel/media/SerialWorker.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace vantrel {

class JobStore;
class QueueConsole;
class RunProcessor;

class CorrectionQueue : public QObject {
    Q_OBJECT

public:
    static constexpr int maxLogLines = 5000;

    // Free space and name of the volume that holds a folder, for the preflight.
    using VolumeInfo = VolumeFacts;
    using VolumeInfoProvider = std::function<VolumeInfo(const QString& folder)>;

    // Sets up the storage folder ("Vantrel" in the user's data folder unless one is
    // given) and restores the saved jobs. It neither saves nor starts processing.
    // Without a runner nothing can be corrected; without a verifier every
    // verification fails.
    CorrectionQueue(std::shared_ptr<CorrectionRunning> runner, std::shared_ptr<OutputVerifying> verifier,
                    const std::optional<QString>& storageDirectory = std::nullopt, QObject* parent = nullptr);
    ~CorrectionQueue() override;

    // State.
    const QList<CorrectionJob>& jobs() const;
    bool isProcessing() const;
    const std::optional<QString>& persistenceError() const;
    std::optional<QUuid> currentJobId() const;
    std::optional<QUuid> currentlyVerifyingJobId() const;
    bool isDeepVerifying() const;
    qint64 sessionBytesDone() const;
    double sessionSecondsDone() const;
    const QStringList& logLines() const;
    bool isSleepPrevented() const;
    const std::optional<QString>& queueFilePath() const;
    // The paths of job files whose access the queue started and has not stopped yet.
    // Nothing needs granting here: a start only finds the item and counts it (Bookmarks.h).
    const QSet<QString>& accessedSecurityScopedResources() const;

    // Counters and lookups; the counters are kept up to date with every change.
    int pendingCount() const;
    int failedCount() const;
    int cancelledCount() const;
    int doneCount() const;     // completed, verification absent or clean
    int flaggedCount() const;  // completed with warnings
    int finishedCount() const; // completed, cancelled or failed
    std::optional<CorrectionJob> activeJob() const;
    std::optional<qsizetype> indexOfJob(const QUuid& id) const;

    // Seconds left for the current processing run; nothing when idle or unknown.
    std::optional<double> estimatedTimeRemaining() const;
    static std::optional<double> estimateRemaining(const QList<CorrectionJob>& jobs, bool isProcessing,
                                                   qint64 sessionBytesDone, double sessionSecondsDone,
                                                   const QDateTime& now);

    // Console: appends "[time] message", keeping the newest maxLogLines lines.
    void log(const QString& message);
    // Several lines at once, announced line by line and then together.
    void log(const QStringList& messages);
    // Empties the console; announced only when there was a line.
    void clearLog();

    // The runner the queue was made with (null when none); whether it found its
    // tool does not change afterwards.
    const CorrectionRunning* runner() const;

    // Commands. Each takes effect at once; its save is written in the background,
    // except for enqueue, which returns once the queue file holds the new jobs.
    void enqueue(const CorrectionJob& job);
    // Many jobs at once: one announcement and one save. A job whose id is already
    // queued is given a new one.
    void enqueue(const QList<CorrectionJob>& jobs);
    // Removing a job (alone or by clearing) also removes, in the background, the
    // partial file an interrupted run of it left in its output folder (the one it
    // recorded, when no run holds it).
    void removeJob(const QUuid& id);
    void retryJob(const QUuid& id);
    void clearFinished();
    void clearQueue();
    void cancelCurrentJob();
    void stop();
    // Runs the pending jobs, one after another, until none is left.
    void start();
    // A thorough verification of a completed job, on request. Refused while any
    // other verification runs.
    void manualThoroughVerify(const QUuid& id);

    // Asks for the jobs to be written to the queue file; requests made while a write
    // is under way are merged into one. Never throws; a failure becomes
    // persistenceError and a console line once the write has ended (one line until
    // a save succeeds again). What could not be written is written with the next
    // change, tried again after a few seconds (then less and less often), and once
    // more when the queue goes; persistenceError stays until a write succeeds.
    void saveQueue();
    // Returns once every save asked for so far has been written (or has failed),
    // with its outcome applied, and every clean-up of partial files asked for so
    // far has ended.
    void waitForSaves();

    // What a quit now would lose: why the queue file could not be written, and how
    // many of the jobs the next start would restore are not in it.
    struct UnsavedJobs {
        QString reason;
        int count = 0;
        QString file;  // the queue file
    };
    // Before a quit: waits for the saves under way and, when the last one failed,
    // tries once more. Nothing when the file holds every job the next start would
    // restore (finished jobs are not restored, so they are never lost).
    std::optional<UnsavedJobs> saveBeforeQuit();

    // For tests and special set-ups.
    void setSleepInhibitor(std::unique_ptr<SleepInhibitor> inhibitor);
    void setVolumeInfoProvider(VolumeInfoProvider provider);
    void setQueueFileWriter(FileByteWriter writer);
    // The delay before a failed save is first tried again, and the most it grows to.
    void setSaveRetryDelays(std::chrono::milliseconds first, std::chrono::milliseconds longest);

    // The preflight: nothing when the output volume has room for the source.
    std::optional<QString> checkFreeSpace(const QString& sourcePath, const QString& outputFolder) const;

signals:
    // The list changed: jobs were added or removed (or many changed at once).
    void jobsChanged();
    // One job's fields changed (status, progress, verification, paths).
    void jobChanged(const QUuid& id);
    void processingChanged(bool isProcessing);
    void persistenceErrorChanged();
    void verificationStateChanged();  // currentlyVerifyingJobId or isDeepVerifying
    void logLineAdded(const QString& line);
    // After the lines of one log call have been announced one by one: all of them.
    void logLinesAdded(const QStringList& lines);
    void logCleared();

private:
    // Storage.
    void makeQueueFileURL(const std::optional<QString>& directory);
    void loadQueue();
    std::optional<QString> moveQueueFileAside();
    // Removes, on the housekeeping thread, the partial files these jobs recorded.
    void sweepPartialsOf(const QList<CorrectionJob>& jobs);

    std::unique_ptr<QueueConsole> console_;
    std::unique_ptr<JobStore> store_;
    std::unique_ptr<RunProcessor> processor_;
    SerialWorker housekeeping_{QStringLiteral("QueueHousekeeping")};
};

}  // namespace vantrel
