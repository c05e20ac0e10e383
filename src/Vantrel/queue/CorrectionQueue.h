#pragma once

// The application's one correction queue: the ordered jobs, the console log, the
// processing loop that runs pending jobs one at a time (correction, then
// verification), and the commands the views call. Lives on the main thread; every
// state change is announced by a signal. The jobs are kept in "queue.json" in the
// storage folder and restored when the queue is made.

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
    const QList<CorrectionJob>& jobs() const { return jobs_; }
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
    const QSet<QString>& accessedSecurityScopedResources() const { return accessedResources_; }

    // Counters and lookups, computed on each call.
    int pendingCount() const;
    int failedCount() const;
    int cancelledCount() const;
    int doneCount() const;     // completed, verification absent or clean
    int flaggedCount() const;  // completed with warnings
    std::optional<CorrectionJob> activeJob() const;
    std::optional<qsizetype> indexOfJob(const QUuid& id) const;

    // Seconds left for the current processing run; nothing when idle or unknown.
    std::optional<double> estimatedTimeRemaining() const;
    static std::optional<double> estimateRemaining(const QList<CorrectionJob>& jobs, bool isProcessing,
                                                   qint64 sessionBytesDone, double sessionSecondsDone,
                                                   const QDateTime& now);

    // Console: appends "[time] message", keeping the newest maxLogLines lines.
    void log(const QString& message);
    // Empties the console; announced only when there was a line.
    void clearLog();

    // The runner the queue was made with (null when none); whether it found its
    // tool does not change afterwards.
    const CorrectionRunning* runner() const { return runner_.get(); }

    // Commands.
    void enqueue(const CorrectionJob& job);
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

    // Writes the jobs to the queue file (never throws; failures become persistenceError).
    void saveQueue();

    // For tests and special set-ups.
    void setSleepInhibitor(std::unique_ptr<SleepInhibitor> inhibitor);
    void setVolumeInfoProvider(VolumeInfoProvider provider);
    void setQueueFileWriter(FileByteWriter writer);

    // The preflight: nothing when the output volume has room for the source.
    std::optional<QString> checkFreeSpace(const QString& sourcePath, const QString& outputFolder) const;

signals:
    void jobsChanged();
    void processingChanged(bool isProcessing);
    void persistenceErrorChanged();
    void verificationStateChanged();  // currentlyVerifyingJobId or isDeepVerifying
    void logLineAdded(const QString& line);
    void logCleared();

private:
    struct JobRun;
    class Relay;
    enum class Access { started, alreadyHeld, notGranted };

    // Storage.
    void makeQueueFileURL(const std::optional<QString>& directory);
    void loadQueue();
    std::optional<QString> moveQueueFileAside();

    // Processing.
    void processQueue();
    void processNextPending();
    void finishProcessing();
    void processJob(const CorrectionJob& job, std::function<void()> done);
    void onRunFinished(const std::shared_ptr<JobRun>& run, const QFuture<void>& future);
    void beginVerificationStage(const std::shared_ptr<JobRun>& run);
    void finishVerificationStage(const std::shared_ptr<JobRun>& run, const VerificationResult& result);
    void endJob(const std::shared_ptr<JobRun>& run);
    void finishManualVerify(const std::shared_ptr<JobRun>& run, const VerificationResult& result);
    void preventSleep();
    void allowSleep();
    Access beginSecurityScopedAccess(const QString& path);
    void endSecurityScopedAccess(const QString& path);
    // Resolves bookmarks on a copy and writes renewed bookmarks (and a moved
    // source's new path) back into the job; fills the run's paths.
    void resolveJobLocations(JobRun& run);

    // Helpers.
    template <typename Change>
    bool updateJob(const QUuid& id, Change&& change);
    void setJobStatus(const QUuid& id, const JobStatus& status);
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

    QList<CorrectionJob> jobs_;
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
    FileByteWriter queueFileWriter_;
    // A loop verification that waits for a manual one to end.
    std::function<void()> deferredVerificationStage_;
};

}  // namespace vantrel
