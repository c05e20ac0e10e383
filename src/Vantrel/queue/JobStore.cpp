// The job store.
#include "Vantrel/queue/JobStore.h"

#include <QLoggingCategory>

namespace vantrel {

Q_LOGGING_CATEGORY(lcJobStore, "vantrel.JobStore")

JobStore::JobStore(QObject* parent)
    : QObject(parent), saver_(this, [this](const QueueSaver::Outcome& outcome) { applySaveOutcome(outcome); }) {}

std::optional<qsizetype> JobStore::indexOf(const QUuid& id) const {
    const auto it = index_.constFind(id);
    if (it == index_.constEnd()) return std::nullopt;
    return *it;
}

const CorrectionJob* JobStore::find(const QUuid& id) const {
    const auto index = indexOf(id);
    return index ? &jobs_[*index] : nullptr;
}

JobStore::Tally JobStore::tallyOf(const CorrectionJob& job) {
    switch (job.status.kind) {
    case JobStatus::Kind::pending: return Tally::pending;
    case JobStatus::Kind::preparing:
    case JobStatus::Kind::active: return Tally::running;
    case JobStatus::Kind::failed: return Tally::failed;
    case JobStatus::Kind::cancelled: return Tally::cancelled;
    case JobStatus::Kind::completed: break;
    }
    if (!job.verification) return Tally::done;
    switch (job.verification->outcome()) {
    case VerificationResult::Outcome::clean: return Tally::done;
    case VerificationResult::Outcome::warnings: return Tally::flagged;
    case VerificationResult::Outcome::failed: return Tally::completedFailing;
    }
    return Tally::done;
}

void JobStore::append(QList<CorrectionJob> jobs) {
    if (jobs.isEmpty()) return;
    jobs_.reserve(jobs_.size() + jobs.size());
    for (CorrectionJob& job : jobs) {
        if (index_.contains(job.id)) {
            const QUuid taken = job.id;
            job.id = QUuid::createUuid();
            qCWarning(lcJobStore).noquote()
                << "A job with id" << taken.toString(QUuid::WithoutBraces) << "is queued already; the new one is"
                << job.id.toString(QUuid::WithoutBraces);
        }
        index_.insert(job.id, jobs_.size());
        count(job, +1);
        jobs_.append(std::move(job));
    }
    emit jobsChanged();
}

bool JobStore::remove(QUuid id) {
    const auto index = indexOf(id);
    if (!index) return false;
    count(jobs_[*index], -1);
    jobs_.removeAt(*index);
    index_.remove(id);
    for (auto it = index_.begin(); it != index_.end(); ++it) {
        if (*it > *index) --*it;
    }
    emit jobsChanged();
    return true;
}

QList<CorrectionJob> JobStore::removeIf(const std::function<bool(const CorrectionJob&)>& which) {
    QList<CorrectionJob> removed;
    for (const CorrectionJob& job : std::as_const(jobs_)) {
        if (which(job)) removed.append(job);
    }
    if (removed.isEmpty()) return removed;
    jobs_.removeIf(which);
    rebuild();
    emit jobsChanged();
    return removed;
}

int JobStore::updateWhere(const std::function<bool(const CorrectionJob&)>& which,
                          const std::function<void(CorrectionJob&)>& change) {
    int changed = 0;
    for (qsizetype i = 0; i < jobs_.size(); ++i) {
        if (!which(std::as_const(jobs_)[i])) continue;
        CorrectionJob& job = jobs_[i];
        const QUuid id = job.id;
        count(job, -1);
        change(job);
        job.id = id;
        count(job, +1);
        ++changed;
    }
    if (changed > 0) emit jobsChanged();
    return changed;
}

void JobStore::rebuild() {
    index_.clear();
    index_.reserve(jobs_.size());
    counts_.fill(0);
    pendingBytes_ = 0;
    for (qsizetype i = 0; i < jobs_.size(); ++i) {
        index_.insert(jobs_[i].id, i);
        count(jobs_[i], +1);
    }
}

void JobStore::save(bool urgent) {
    if (!filePath_) return;
    // A snapshot shares the jobs until they next change; the writer encodes it.
    saver_.request(*filePath_, jobs_, urgent);
}

void JobStore::waitForSaves() { saver_.wait(); }

void JobStore::whenSaved(std::function<void(const std::optional<QString>&)> then) {
    saver_.whenWritten(std::move(then));
}

void JobStore::setFileWriter(FileByteWriter writer) { saver_.setWriter(std::move(writer)); }

void JobStore::setRetryDelays(QueueSaver::Delay first, QueueSaver::Delay longest) {
    saver_.setRetryDelays(first, longest);
}

void JobStore::applySaveOutcome(const QueueSaver::Outcome& failure) {
    lastSaveFailure_ = failure;
    if (!failure) {
        if (!persistenceError_) return;
        persistenceError_.reset();
        emit persistenceErrorChanged();
        return;
    }
    // One announcement per run of failures; the text stays until a save succeeds.
    if (persistenceError_) return;
    persistenceError_ = QStringLiteral("Queue may not persist: ") + *failure;
    emit persistenceErrorChanged();
    emit saveFailed(*failure);
}

}  // namespace vantrel
