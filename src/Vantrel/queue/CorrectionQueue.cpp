#include "Vantrel/queue/CorrectionQueue.h"

#include "Vantrel/queue/CorrectionQueuePrivate.h"

#include <cmath>
#include <QLocale>
#include <QMetaObject>
#include <QThread>
#include <QTime>

namespace vantrel {

Q_LOGGING_CATEGORY(lcCorrectionQueue, "vantrel.CorrectionQueue")

namespace {

// The console's clock: the user's short time format, with seconds added when it has none.
QString consoleTimestamp() {
    static const QString format = [] {
        QString f = QLocale().timeFormat(QLocale::ShortFormat);
        if (!f.contains(QLatin1Char('s'))) {
            const qsizetype minutes = f.indexOf(QStringLiteral("mm"));
            if (minutes >= 0) f.insert(minutes + 2, QStringLiteral(":ss"));
        }
        return f;
    }();
    return QLocale().toString(QTime::currentTime(), format);
}

}  // namespace

CorrectionQueue::Relay::Relay(CorrectionQueue* queue) : queue_(queue) {}

void CorrectionQueue::Relay::post(std::function<void(CorrectionQueue&)> task) {
    QMutexLocker lock(&mutex_);
    if (!queue_) return;
    CorrectionQueue* queue = queue_;
    if (QThread::currentThread() == queue->thread()) {
        // Already on the queue's thread: apply at once, so that a value reported
        // before a run finished is never applied after its result.
        lock.unlock();
        task(*queue);
        return;
    }
    // Posted events die with their receiver, so nothing runs after the queue is gone.
    QMetaObject::invokeMethod(
        queue, [queue, task = std::move(task)] { task(*queue); }, Qt::QueuedConnection);
}

void CorrectionQueue::Relay::detach() {
    QMutexLocker lock(&mutex_);
    queue_ = nullptr;
}

CorrectionQueue::CorrectionQueue(std::shared_ptr<CorrectionRunning> runner, std::shared_ptr<OutputVerifying> verifier,
                                 const std::optional<QString>& storageDirectory, QObject* parent)
    : QObject(parent),
      runner_(std::move(runner)),
      verifier_(std::move(verifier)),
      relay_(std::make_shared<Relay>(this)),
      sleepInhibitor_(std::make_unique<LogindSleepInhibitor>()),
      volumeInfo_(defaultVolumeInfo),
      store_(std::make_unique<JobStore>(this)) {
    makeQueueFileURL(storageDirectory);
    loadQueue();
}

CorrectionQueue::~CorrectionQueue() { relay_->detach(); }

const QList<CorrectionJob>& CorrectionQueue::jobs() const { return store_->jobs(); }

std::optional<QUuid> CorrectionQueue::currentlyVerifyingJobId() const {
    return loopVerifyingJobId_ ? loopVerifyingJobId_ : manualVerifyingJobId_;
}

bool CorrectionQueue::isDeepVerifying() const {
    return loopVerifyingJobId_ ? loopDeepVerifying_ : manualVerifyingJobId_.has_value();
}

// ---- counters ----

int CorrectionQueue::pendingCount() const { return store_->count(JobStore::Tally::pending); }
int CorrectionQueue::failedCount() const { return store_->count(JobStore::Tally::failed); }
int CorrectionQueue::cancelledCount() const { return store_->count(JobStore::Tally::cancelled); }
int CorrectionQueue::doneCount() const { return store_->count(JobStore::Tally::done); }
int CorrectionQueue::flaggedCount() const { return store_->count(JobStore::Tally::flagged); }

int CorrectionQueue::finishedCount() const {
    return int(jobs().size()) - store_->count(JobStore::Tally::pending) - store_->count(JobStore::Tally::running);
}

std::optional<CorrectionJob> CorrectionQueue::activeJob() const {
    if (store_->count(JobStore::Tally::running) == 0) return std::nullopt;
    // Usually the loop's own job, the only one running.
    if (currentJobId_ && store_->count(JobStore::Tally::running) == 1) {
        if (const CorrectionJob* current = store_->find(*currentJobId_); current && current->status.isRunning())
            return *current;
    }
    for (const auto& job : jobs()) {
        if (job.status.isRunning()) return job;
    }
    return std::nullopt;
}

std::optional<qsizetype> CorrectionQueue::indexOfJob(const QUuid& id) const { return store_->indexOf(id); }

namespace {

// The estimate from the running job (if any) and the bytes of the pending ones.
std::optional<double> estimateFrom(const CorrectionJob* active, qint64 pendingBytes, qint64 sessionBytesDone,
                                   double sessionSecondsDone, const QDateTime& now) {
    // Throughput of this run; finished corrections that counted no bytes (or no
    // time) would give a rate of 0 or infinity, so they keep the default rate.
    const double measured = sessionSecondsDone > 0 ? double(sessionBytesDone) / sessionSecondsDone : 0;
    const double rate = std::isfinite(measured) && measured > 0 ? measured : 150'000'000.0;
    double remaining = 0;
    if (active) {
        if (active->startedAt && active->progress > 0.03) {
            const double elapsed = double(active->startedAt->msecsTo(now)) / 1000.0;
            remaining += std::max(0.0, elapsed / active->progress - elapsed);
        } else if (active->totalSourceBytes && *active->totalSourceBytes > 0) {
            remaining += (1.0 - active->progress) * double(*active->totalSourceBytes) / rate;
        }
    }
    if (pendingBytes > 0) remaining += double(pendingBytes) / rate;
    if (remaining > 0) return remaining;
    return std::nullopt;
}

}  // namespace

std::optional<double> CorrectionQueue::estimatedTimeRemaining() const {
    if (!isProcessing_) return std::nullopt;
    // From the kept tallies: the footer asks on every change of the queue.
    const std::optional<CorrectionJob> active = activeJob();
    return estimateFrom(active ? &*active : nullptr, store_->pendingBytes(), sessionBytesDone_, sessionSecondsDone_,
                        QDateTime::currentDateTimeUtc());
}

std::optional<double> CorrectionQueue::estimateRemaining(const QList<CorrectionJob>& jobs, bool isProcessing,
                                                         qint64 sessionBytesDone, double sessionSecondsDone,
                                                         const QDateTime& now) {
    if (!isProcessing) return std::nullopt;
    const auto active = std::find_if(jobs.begin(), jobs.end(), [](const CorrectionJob& j) { return j.status.isRunning(); });
    qint64 pendingBytes = 0;
    for (const auto& job : jobs) {
        if (job.status.is(JobStatus::Kind::pending) && job.totalSourceBytes) pendingBytes += *job.totalSourceBytes;
    }
    return estimateFrom(active != jobs.end() ? &*active : nullptr, pendingBytes, sessionBytesDone, sessionSecondsDone,
                        now);
}

// ---- console ----

void CorrectionQueue::log(const QString& message) { log(QStringList{message}); }

void CorrectionQueue::log(const QStringList& messages) {
    if (messages.isEmpty()) return;
    const QString time = consoleTimestamp();
    QStringList lines;
    lines.reserve(messages.size());
    for (const QString& message : messages) lines << QStringLiteral("[%1] %2").arg(time, message);
    logLines_.append(lines);
    if (logLines_.size() > maxLogLines) logLines_.remove(0, logLines_.size() - maxLogLines);
    for (const QString& line : std::as_const(lines)) emit logLineAdded(line);
    emit logLinesAdded(lines);
}

void CorrectionQueue::clearLog() {
    if (logLines_.isEmpty()) return;
    logLines_.clear();
    emit logCleared();
}

// ---- commands ----

void CorrectionQueue::enqueue(const CorrectionJob& job) { enqueue(QList<CorrectionJob>{job}); }

void CorrectionQueue::enqueue(const QList<CorrectionJob>& jobs) {
    if (jobs.isEmpty()) return;
    store_->append(jobs);
    // Written while the console takes its lines, and waited for below.
    if (queueFilePath_) store_->saver().request(*queueFilePath_, store_->jobs(), true);
    QStringList lines;
    lines.reserve(jobs.size());
    for (const CorrectionJob& job : jobs) lines << QStringLiteral("Added job: ") + job.sourceName();
    log(lines);
    // New jobs are on disk before the caller goes on, as they always were.
    waitForSaves();
}

void CorrectionQueue::removeJob(const QUuid& id) {
    const CorrectionJob* job = store_->find(id);
    if (!job || job->status.isRunning()) return;
    const QString name = job->sourceName();
    store_->remove(id);
    log(QStringLiteral("Removed job: ") + name);
    saveQueue();
}

void CorrectionQueue::retryJob(const QUuid& id) {
    const CorrectionJob* job = store_->find(id);
    if (!job) return;
    const QString name = job->sourceName();
    if (!retryStatus(id)) return;
    log(QStringLiteral("Retrying job: ") + name);
    saveQueue();
}

void CorrectionQueue::clearFinished() {
    const auto removed = store_->removeIf([](const CorrectionJob& j) { return j.status.isFinished(); });
    if (removed == 0) return;
    log(QStringLiteral("Cleared finished jobs"));
    saveQueue();
}

void CorrectionQueue::clearQueue() {
    const auto current = currentJobId_;
    const auto removed = store_->removeIf([&](const CorrectionJob& j) { return !current || j.id != *current; });
    if (removed == 0) return;
    log(current ? QStringLiteral("Cleared queue (kept the running job)") : QStringLiteral("Cleared queue"));
    saveQueue();
}

void CorrectionQueue::cancelCurrentJob() {
    if (!currentJobId_ || !store_->find(*currentJobId_)) return;
    cancelRun(QStringLiteral("Cancelled job: "));
    saveQueue();
}

void CorrectionQueue::stop() {
    if (currentJobId_ && store_->find(*currentJobId_)) cancelRun(QStringLiteral("Cancelled active job: "));
    const int cancelled = settlePending(JobStatus::cancelled());
    if (cancelled > 0) {
        log(QStringLiteral("Cancelled %1 pending job%2").arg(cancelled).arg(cancelled == 1 ? "" : "s"));
    }
    saveQueue();
    log(QStringLiteral("=== Queue stopped ==="));
}

void CorrectionQueue::setSleepInhibitor(std::unique_ptr<SleepInhibitor> inhibitor) {
    if (isSleepPrevented_) allowSleep();
    sleepInhibitor_ = std::move(inhibitor);
}

void CorrectionQueue::setVolumeInfoProvider(VolumeInfoProvider provider) { volumeInfo_ = std::move(provider); }
void CorrectionQueue::setQueueFileWriter(FileByteWriter writer) { store_->saver().setWriter(std::move(writer)); }

// ---- helpers ----

void CorrectionQueue::setProcessing(bool processing) {
    if (isProcessing_ == processing) return;
    isProcessing_ = processing;
    emit processingChanged(processing);
}

void CorrectionQueue::setLoopVerifying(std::optional<QUuid> id, bool deep) {
    if (loopVerifyingJobId_ == id && loopDeepVerifying_ == deep) return;
    loopVerifyingJobId_ = id;
    loopDeepVerifying_ = deep;
    emit verificationStateChanged();
}

void CorrectionQueue::setPersistenceError(std::optional<QString> error) {
    if (persistenceError_ == error) return;
    persistenceError_ = std::move(error);
    emit persistenceErrorChanged();
}

}  // namespace vantrel
