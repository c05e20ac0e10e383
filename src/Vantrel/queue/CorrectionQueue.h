#pragma once

// The application's one correction queue: the ordered jobs, the console log, the
// processing loop that runs pending jobs one at a time (correction, then
// verification), and the commands the views call. Lives on the main thread; every
// state change is announced by a signal. The jobs are kept in "queue.json" in the
// storage folder and restored when the queue is made.
//
// Inside, the queue has two halves. The job store keeps the ordered jobs and their
// tallies, announces each change (one job, or the list), and saves: requests are
// merged and written on a thread of its own, all or nothing. The run processor
// carries one run at a time through preparing, correcting, verifying and finished;
// it is the only code that changes a job's status, and one cancellation stops a
// run whatever stage it is in.

#include "Vantrel/queue/CorrectionJob.h"
#include "Vantrel/queue/CorrectionRunning.h"
#include "Vantrel/queue/DurableFile.h"
#include "Vantrel/queue/OutputVerifying.h"
#include "Vantrel/queue/SleepInhibitor.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

namespace vantrel {

class JobStore;

class CorrectionQueue : public QObject {
    Q_OBJECT

public:
    static constexpr int maxLogLines = 5000;

    // Free space and name of the volume that holds a folder, for the preflight.
    struct VolumeInfo {
        std::optional<qint64> availableBytes;
        std::optional<QString> name;
    };
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
    bool isProcessing() const { return isProcessing_; }
    const std::optional<QString>& persistenceError() const { return persistenceError_; }
    std::optional<QUuid> currentJobId() const { return currentJobId_; }
    std::optional<QUuid> currentlyVerifyingJobId() const;
    bool isDeepVerifying() const;
    qint64 sessionBytesDone() const { return sessionBytesDone_; }
    double sessionSecondsDone() const { return sessionSecondsDone_; }
    const QStringList& logLines() const { return logLines_; }
    bool isSleepPrevented() const { return isSleepPrevented_; }
    const std::optional<QString>& queueFilePath() const { return queueFilePath_; }
    // The paths of job files whose access the queue started and has not stopped yet.
    // Nothing needs granting here: a start only finds the item and counts it (Bookmarks.h).
    const QSet<QString>& accessedSecurityScopedResources() const { return accessedResources_; }

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
    const CorrectionRunning* runner() const { return runner_.get(); }

    // Commands. Each takes effect at once; its save is written in the background,
    // except for enqueue, which returns once the queue file holds the new jobs.
    void enqueue(const CorrectionJob& job);
    // Many jobs at once: one announcement and one save. A job whose id is already
    // queued is given a new one.
    void enqueue(const QList<CorrectionJob>& jobs);
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
    // persistenceError and a console line once the write has ended.
    void saveQueue();
    // Returns once every save asked for so far has been written (or has failed),
    // with its outcome applied.
    void waitForSaves();

    // For tests and special set-ups.
    void setSleepInhibitor(std::unique_ptr<SleepInhibitor> inhibitor);
    void setVolumeInfoProvider(VolumeInfoProvider provider);
    void setQueueFileWriter(FileByteWriter writer);

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
    friend class JobStore;
    struct JobRun;
    class Relay;
    enum class Access { started, alreadyHeld, notGranted };

    // Storage.
    void makeQueueFileURL(const std::optional<QString>& directory);
    void loadQueue();
    std::optional<QString> moveQueueFileAside();
    void applySaveOutcome(const std::optional<QString>& failure);

    // Processing: the run processor.
    void processQueue();
    void processNextPending();
    void finishProcessing();
    void processJob(CorrectionJob job);
    void onRunFinished(const std::shared_ptr<JobRun>& run, const QFuture<void>& future);
    void beginVerificationStage(const std::shared_ptr<JobRun>& run);
    void onStandardVerified(const std::shared_ptr<JobRun>& run, const QFuture<VerificationResult>& future);
    void finishVerificationStage(const std::shared_ptr<JobRun>& run, const VerificationResult& result);
    void finishManualVerify(const std::shared_ptr<JobRun>& run, const VerificationResult& result);
    // Ends a run: its status (when given), access stopped, the loop moves on.
    void endRun(const std::shared_ptr<JobRun>& run, std::optional<JobStatus> status = std::nullopt);
    // Cancels the loop's run, whatever its stage; "line" names it in the console.
    void cancelRun(const QString& line);
    void preventSleep();
    void allowSleep();
    Access beginSecurityScopedAccess(const QString& path);
    void endSecurityScopedAccess(const QString& path);
    // Resolves bookmarks on a copy, on a worker (finding a moved source reads its
    // folder); then, on this thread, writes renewed bookmarks (and a moved
    // source's new path) back into the job, fills the run's paths and calls
    // `then`. Nothing is called once the queue is gone.
    void resolveJobLocations(const std::shared_ptr<JobRun>& run, std::function<void()> then);
    // The loop's run once its files are found: preflight, then the correction.
    void correctJob(const std::shared_ptr<JobRun>& run);
    // The one place where a job's status changes.
    void setJobStatus(const QUuid& id, JobStatus status, std::optional<double> progress = std::nullopt);
    // The statuses the commands set: retried, the pending ones cancelled or failed.
    bool retryStatus(const QUuid& id);
    int settlePending(const JobStatus& status);
    // A restored job: an interrupted run is pending again, lost files fail it.
    static void settleRestored(CorrectionJob& job);

    // Helpers.
    void setProcessing(bool processing);
    void setLoopVerifying(std::optional<QUuid> id, bool deep);
    void setPersistenceError(std::optional<QString> error);
    template <typename T>
    void whenFinished(const QFuture<T>& future, std::function<void(const QFuture<T>&)> handler);
    std::function<void(double)> verificationProgressSetter(const QUuid& id);

    std::shared_ptr<CorrectionRunning> runner_;
    std::shared_ptr<OutputVerifying> verifier_;
    std::shared_ptr<Relay> relay_;
    std::unique_ptr<SleepInhibitor> sleepInhibitor_;
    VolumeInfoProvider volumeInfo_;

    bool isProcessing_ = false;
    std::optional<QString> persistenceError_;
    std::optional<QUuid> currentJobId_;
    std::optional<QUuid> loopVerifyingJobId_;
    std::optional<QUuid> manualVerifyingJobId_;
    bool loopDeepVerifying_ = false;
    qint64 sessionBytesDone_ = 0;
    double sessionSecondsDone_ = 0;
    QStringList logLines_;
    bool isSleepPrevented_ = false;
    QSet<QString> accessedResources_;
    std::optional<QString> queueFilePath_;
    std::shared_ptr<JobRun> loopRun_;     // the loop's run, until it has ended
    std::shared_ptr<JobRun> manualRun_;   // a thorough verification asked for by hand
    QFuture<void> runnerBusy_;            // the last correction, until its tool has ended
    // A loop verification that waits for a manual one to end.
    std::function<void()> deferredVerificationStage_;
    std::unique_ptr<JobStore> store_;     // last: its saver writes what is pending on the way out
};

}  // namespace vantrel
