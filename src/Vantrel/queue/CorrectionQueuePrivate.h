#pragma once

// Pieces of CorrectionQueue shared by its source files (relay, runs, processing helpers).

#include "Vantrel/queue/CorrectionQueue.h"
#include "Vantrel/queue/CorrectionQueueStore.h"

#include "FutureWatch/WhenFinished.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QLoggingCategory>
#include <QMutex>

namespace vantrel {

Q_DECLARE_LOGGING_CATEGORY(lcCorrectionQueue)

// Hands work from any thread to the queue's thread, and drops it once the queue is gone.
class CorrectionQueue::Relay {
public:
    explicit Relay(CorrectionQueue* queue);
    void post(std::function<void(CorrectionQueue&)> task);
    void detach();

private:
    QMutex mutex_;
    CorrectionQueue* queue_;
};

// One job taken by the processing loop (or by a manual verification), from its
// preparation to its end. Only the stage the run is in may act on what comes back.
struct CorrectionQueue::JobRun {
    enum class Stage { preparing, correcting, verifying, finished };

    Stage stage = Stage::preparing;
    bool manual = false;       // a thorough verification asked for by hand
    bool cancelled = false;    // stopped by the user; what comes back is dropped
    CorrectionJob job;         // the value handed to the runner and the verifier
    QString sourcePath;        // where the source was found
    QString outputFolder;      // where the output folder was found
    bool sourceAccessStarted = false;
    bool folderAccessStarted = false;
    QElapsedTimer runTimer;                   // the correction run alone
    QFuture<VerificationResult> verification; // the verification run under way
};

// The volume facts the preflight uses, from the file system.
CorrectionQueue::VolumeInfo defaultVolumeInfo(const QString& folder);

// Calls the handler on the queue's thread when the future has finished (also when
// it was cancelled); never after the queue is gone.
template <typename T>
void CorrectionQueue::whenFinished(const QFuture<T>& future, std::function<void(const QFuture<T>&)> handler) {
    futurewatch::whenFinished(future, this, std::move(handler));
}

// The description of the error a finished run ended with; nothing when it succeeded.
// An error that carries no description for the user (not one of the tools' own)
// is told in plain words; its own text goes to `detail` when given.
std::optional<QString> failureOf(QFuture<void> future, QString* detail = nullptr);

}  // namespace vantrel
