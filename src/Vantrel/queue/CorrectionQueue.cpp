#include "Vantrel/queue/CorrectionQueue.h"

#include "Vantrel/queue/JobStore.h"
#include "Vantrel/queue/PartialOutput.h"
#include "Vantrel/queue/QueueConsole.h"
#include "Vantrel/queue/RunProcessor.h"

#include <cmath>

namespace vantrel {

CorrectionQueue::CorrectionQueue(std::shared_ptr<CorrectionRunning> runner, std::shared_ptr<OutputVerifying> verifier,
                                 const std::optional<QString>& storageDirectory, QObject* parent)
    : QObject(parent),
      console_(std::make_unique<QueueConsole>()),
      store_(std::make_unique<JobStore>()),
      processor_(std::make_unique<RunProcessor>(*store_, *console_, std::move(runner), std::move(verifier))) {
    connect(console_.get(), &QueueConsole::lineAdded, this, &CorrectionQueue::logLineAdded);
    connect(console_.get(), &QueueConsole::linesAdded, this, &CorrectionQueue::logLinesAdded);
    connect(console_.get(), &QueueConsole::cleared, this, &CorrectionQueue::logCleared);
    connect(store_.get(), &JobStore::jobsChanged, this, &CorrectionQueue::jobsChanged);
    connect(store_.get(), &JobStore::jobChanged, this, &CorrectionQueue::jobChanged);
    connect(store_.get(), &JobStore::persistenceErrorChanged, this, &CorrectionQueue::persistenceErrorChanged);
    connect(store_.get(), &JobStore::saveFailed, this,
            [this](const QString& reason) { log(QStringLiteral("Failed to save queue — ") + reason); });
    connect(processor_.get(), &RunProcessor::processingChanged, this, &CorrectionQueue::processingChanged);
    connect(processor_.get(), &RunProcessor::verificationStateChanged, this, &CorrectionQueue::verificationStateChanged);
    makeQueueFileURL(storageDirectory);
    loadQueue();
}

CorrectionQueue::~CorrectionQueue() = default;

const QList<CorrectionJob>& CorrectionQueue::jobs() const { return store_->jobs(); }
bool CorrectionQueue::isProcessing() const { return processor_->isProcessing(); }
const std::optional<QString>& CorrectionQueue::persistenceError() const { return store_->persistenceError(); }
std::optional<QUuid> CorrectionQueue::currentJobId() const { return processor_->currentJobId(); }
std::optional<QUuid> CorrectionQueue::currentlyVerifyingJobId() const { return processor_->currentlyVerifyingJobId(); }
bool CorrectionQueue::isDeepVerifying() const { return processor_->isDeepVerifying(); }
qint64 CorrectionQueue::sessionBytesDone() const { return processor_->sessionBytesDone(); }
double CorrectionQueue::sessionSecondsDone() const { return processor_->sessionSecondsDone(); }
const QStringList& CorrectionQueue::logLines() const { return console_->lines(); }
bool CorrectionQueue::isSleepPrevented() const { return processor_->isSleepPrevented(); }
const std::optional<QString>& CorrectionQueue::queueFilePath() const { return store_->filePath(); }
const QSet<QString>& CorrectionQueue::accessedSecurityScopedResources() const { return processor_->accessedResources(); }
const CorrectionRunning* CorrectionQueue::runner() const { return processor_->runner(); }

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
    if (const auto current = currentJobId(); current && store_->count(JobStore::Tally::running) == 1) {
        if (const CorrectionJob* job = store_->find(*current); job && job->status.isRunning()) return *job;
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
    if (!isProcessing()) return std::nullopt;
    // From the kept tallies: the footer asks on every change of the queue.
    const std::optional<CorrectionJob> active = activeJob();
    return estimateFrom(active ? &*active : nullptr, store_->pendingBytes(), sessionBytesDone(), sessionSecondsDone(),
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

void CorrectionQueue::log(const QString& message) { console_->log(message); }
void CorrectionQueue::log(const QStringList& messages) { console_->log(messages); }
void CorrectionQueue::clearLog() { console_->clear(); }

// ---- commands ----

void CorrectionQueue::enqueue(const CorrectionJob& job) { enqueue(QList<CorrectionJob>{job}); }

void CorrectionQueue::enqueue(const QList<CorrectionJob>& jobs) {
    if (jobs.isEmpty()) return;
    store_->append(jobs);
    // Written while the console takes its lines, and waited for below.
    store_->save(true);
    QStringList lines;
    lines.reserve(jobs.size());
    for (const CorrectionJob& job : jobs) lines << QStringLiteral("Added job: ") + job.sourceName();
    log(lines);
    // New jobs are on disk before the caller goes on, as they always were.
    store_->waitForSaves();
}

void CorrectionQueue::removeJob(const QUuid& id) {
    const CorrectionJob* job = store_->find(id);
    if (!job || job->status.isRunning()) return;
    const CorrectionJob removed = *job;
    store_->remove(id);
    log(QStringLiteral("Removed job: ") + removed.sourceName());
    saveQueue();
    sweepPartialsOf({removed});
}

void CorrectionQueue::retryJob(const QUuid& id) {
    const CorrectionJob* job = store_->find(id);
    if (!job) return;
    const QString name = job->sourceName();
    if (!processor_->retry(id)) return;
    log(QStringLiteral("Retrying job: ") + name);
    saveQueue();
}

void CorrectionQueue::clearFinished() {
    const auto removed = store_->removeIf([](const CorrectionJob& j) { return j.status.isFinished(); });
    if (removed.isEmpty()) return;
    log(QStringLiteral("Cleared finished jobs"));
    saveQueue();
    sweepPartialsOf(removed);
}

void CorrectionQueue::clearQueue() {
    const auto current = currentJobId();
    const auto removed = store_->removeIf([&](const CorrectionJob& j) { return !current || j.id != *current; });
    if (removed.isEmpty()) return;
    log(current ? QStringLiteral("Cleared queue (kept the running job)") : QStringLiteral("Cleared queue"));
    saveQueue();
    sweepPartialsOf(removed);
}

void CorrectionQueue::cancelCurrentJob() {
    const auto current = currentJobId();
    if (!current || !store_->find(*current)) return;
    processor_->cancelCurrentRun(QStringLiteral("Cancelled job: "));
    saveQueue();
}

void CorrectionQueue::stop() {
    processor_->cancelCurrentRun(QStringLiteral("Cancelled active job: "));
    const int cancelled = processor_->cancelPending();
    if (cancelled > 0) {
        log(QStringLiteral("Cancelled %1 pending job%2").arg(cancelled).arg(cancelled == 1 ? "" : "s"));
    }
    saveQueue();
    log(QStringLiteral("=== Queue stopped ==="));
}

void CorrectionQueue::start() { processor_->start(); }

void CorrectionQueue::manualThoroughVerify(const QUuid& id) { processor_->manualThoroughVerify(id); }

void CorrectionQueue::sweepPartialsOf(const QList<CorrectionJob>& jobs) {
    QList<CorrectionJob> recording;
    for (const CorrectionJob& job : jobs) {
        if (job.partialName && job.partialFile) recording << job;
    }
    if (recording.isEmpty()) return;
    housekeeping_.submit([recording] { PartialOutput::sweep(recording); });
}

void CorrectionQueue::setSleepInhibitor(std::unique_ptr<SleepInhibitor> inhibitor) {
    processor_->setSleepInhibitor(std::move(inhibitor));
}

void CorrectionQueue::setVolumeInfoProvider(VolumeInfoProvider provider) {
    processor_->setVolumeInfoProvider(std::move(provider));
}

void CorrectionQueue::setQueueFileWriter(FileByteWriter writer) { store_->setFileWriter(std::move(writer)); }

void CorrectionQueue::setSaveRetryDelays(std::chrono::milliseconds first, std::chrono::milliseconds longest) {
    store_->setRetryDelays(first, longest);
}

std::optional<QString> CorrectionQueue::checkFreeSpace(const QString& sourcePath, const QString& outputFolder) const {
    return processor_->checkFreeSpace(sourcePath, outputFolder);
}

}  // namespace vantrel
