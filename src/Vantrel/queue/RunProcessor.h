#pragma once

// The run processor: takes the pending jobs one at a time and carries each run
// through preparing, correcting, verifying and finished; beside it, a thorough
// verification asked for by hand. It is the only code that changes a job's status,
// and a run ends in one place only (finish), which reads the run's cancellation.

#include "Vantrel/queue/CorrectionJob.h"
#include "Vantrel/queue/CorrectionRunning.h"
#include "Vantrel/queue/JobRun.h"
#include "Vantrel/queue/OutputVerifying.h"
#include "Vantrel/queue/SleepInhibitor.h"
#include "Vantrel/queue/VerificationResult.h"
#include "Vantrel/queue/VolumeInfo.h"

#include <QFuture>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

namespace vantrel {

class JobStore;
class QueueConsole;

class RunProcessor : public QObject {
    Q_OBJECT

public:
    using VolumeInfoProvider = std::function<VolumeFacts(const QString& folder)>;

    RunProcessor(JobStore& store, QueueConsole& console, std::shared_ptr<CorrectionRunning> runner,
                 std::shared_ptr<OutputVerifying> verifier, QObject* parent = nullptr);
    ~RunProcessor() override;

    bool isProcessing() const { return isProcessing_; }
    std::optional<QUuid> currentJobId() const;
    std::optional<QUuid> currentlyVerifyingJobId() const;
    bool isDeepVerifying() const;
    qint64 sessionBytesDone() const { return sessionBytesDone_; }
    double sessionSecondsDone() const { return sessionSecondsDone_; }
    bool isSleepPrevented() const { return isSleepPrevented_; }
    const QSet<QString>& accessedResources() const { return accessedResources_; }
    const CorrectionRunning* runner() const { return runner_.get(); }

    // Runs the pending jobs, one after another, until none is left.
    void start();
    // Cancels the current run (its console line starts with `line`); nothing
    // when no run is under way.
    void cancelCurrentRun(const QString& line);
    // The pending jobs become cancelled; how many.
    int cancelPending();
    // A cancelled or failed job is pending again; false for any other job.
    bool retry(const QUuid& id);
    // A thorough verification of a completed job; refused while any other
    // verification runs.
    void manualThoroughVerify(const QUuid& id);

    // A job read back from the queue file: an interrupted run is pending again,
    // lost files fail it.
    static void settleRestored(CorrectionJob& job);

    void setSleepInhibitor(std::unique_ptr<SleepInhibitor> inhibitor);
    void setVolumeInfoProvider(VolumeInfoProvider provider) { volumeInfo_ = std::move(provider); }
    std::optional<QString> checkFreeSpace(const QString& sourcePath, const QString& outputFolder) const;

signals:
    void processingChanged(bool isProcessing);
    void verificationStateChanged();

private:
    class Relay;
    enum class Access { started, alreadyHeld, notGranted };
    using RunPtr = std::shared_ptr<JobRun>;

    // How a stage proposes that its run ends; finish() has the last word.
    struct Ending {
        enum class Kind { cancelled, failed, corrected, verified };
        Kind kind = Kind::cancelled;
        QString message;          // failed: the job's message
        QString line;             // failed: the console line
        QString detail;           // failed: an extra console line, when there is one
        VerificationResult result;  // verified

        static Ending cancelled() { return {}; }
        static Ending failed(QString message, QString line, QString detail = {});
        static Ending corrected();
        static Ending verified(VerificationResult result);
    };

    // The loop.
    void processQueue();
    void processNextPending();
    void finishProcessing();
    void processJob(CorrectionJob job);
    // Makes the run's partial file and records it with its job; once the record is
    // on disk (`unsaved`: why it is not), launchCorrection names the file and
    // starts the tool, or, when the record could not be saved, fails the job.
    void correct(const RunPtr& run);
    void launchCorrection(const RunPtr& run, const std::optional<QString>& unsaved);
    // Ends the run failed with the problem, the console saying which job it was.
    void fail(const RunPtr& run, const QString& problem, const QString& detail = {});
    // The hidden file the run's output was to be written to did not get its name:
    // another file took it (EEXIST), or the file system refused it (`error`).
    void failNaming(const RunPtr& run, int error);
    void onCorrectionFinished(const RunPtr& run);
    void beginVerification(const RunPtr& run);
    void onStandardVerified(const RunPtr& run, const QFuture<VerificationResult>& future);
    // The one place where a run ends: the run's cancellation, then what the stage
    // proposes, decide the job's status, its console lines and its partial file.
    void finish(const RunPtr& run, Ending ending);
    void applyVerification(const RunPtr& run, const VerificationResult& result);
    // The output takes its name and the job is completed, or it fails saying why not.
    void complete(const RunPtr& run);
    void completeWith(const RunPtr& run, const JobRun::Placement& placed);
    // The run's output under its name, or the next free one beside it; the job
    // carries the name and what was placed there.
    JobRun::Placement placeOutput(const RunPtr& run);
    // A console line when the output could not take its name, or took another.
    void logPlacement(const RunPtr& run, const JobRun::Placement& placed);
    void endRun(const RunPtr& run);

    // Finds the job's files by their bookmarks on a worker (a moved source means
    // reading its folder) and sweeps what an earlier run of the output left; then,
    // on this thread, writes renewed bookmarks back into the job and calls `then`.
    void locateFiles(const RunPtr& run, std::function<void()> then);
    void setJobStatus(const QUuid& id, JobStatus status, std::optional<double> progress = std::nullopt);
    void setProcessing(bool processing);
    void setLoopVerifying(std::optional<QUuid> id, bool deep);
    void preventSleep();
    void allowSleep();
    Access beginAccess(const QString& path);
    void endAccess(const QString& path);
    void log(const QString& message);
    std::function<void(double)> verificationProgressSetter(const QUuid& id);

    JobStore& store_;
    QueueConsole& console_;
    std::shared_ptr<CorrectionRunning> runner_;
    std::shared_ptr<OutputVerifying> verifier_;
    std::shared_ptr<Relay> relay_;
    std::unique_ptr<SleepInhibitor> sleepInhibitor_;
    VolumeInfoProvider volumeInfo_;

    bool isProcessing_ = false;
    std::optional<QUuid> loopVerifyingJobId_;
    bool loopDeepVerifying_ = false;
    qint64 sessionBytesDone_ = 0;
    double sessionSecondsDone_ = 0;
    bool isSleepPrevented_ = false;
    QSet<QString> accessedResources_;
    RunPtr loopRun_;    // the loop's run, until it has ended
    RunPtr manualRun_;  // a thorough verification asked for by hand
    // A loop verification that waits for a manual one to end.
    std::function<void()> deferredVerification_;
};

}  // namespace vantrel
