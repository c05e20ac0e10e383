#pragma once

// Pieces of CorrectionQueue shared by its source files (state, storage, processing).

#include "Vantrel/queue/CorrectionQueue.h"

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

// One job taken by the processing loop (or by a manual verification).
struct CorrectionQueue::JobRun {
    CorrectionJob job;     // the value handed to the runner and the verifier
    QString sourcePath;    // where the source was found
    QString outputFolder;  // where the output folder was found
    bool sourceAccessStarted = false;
    bool folderAccessStarted = false;
    QElapsedTimer runTimer;        // the correction run alone
    std::function<void()> done;    // continues the loop
};

// The volume facts the preflight uses, from the file system.
CorrectionQueue::VolumeInfo defaultVolumeInfo(const QString& folder);

template <typename Change>
bool CorrectionQueue::updateJob(const QUuid& id, Change&& change) {
    const auto index = indexOfJob(id);
    if (!index) return false;
    change(jobs_[*index]);
    emit jobsChanged();
    return true;
}

// Calls the handler on the queue's thread when the future has finished (also when
// it was cancelled); never after the queue is gone.
template <typename T>
void CorrectionQueue::whenFinished(const QFuture<T>& future, std::function<void(const QFuture<T>&)> handler) {
    auto* watcher = new QFutureWatcher<T>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [watcher, handler = std::move(handler)] {
        const QFuture<T> finished = watcher->future();
        watcher->deleteLater();
        handler(finished);
    });
    watcher->setFuture(future);
}

// The description of the error a finished run ended with; nothing when it succeeded.
std::optional<QString> failureOf(QFuture<void> future);

}  // namespace vantrel
