// The queue file: where it lives, how it is written and how it is restored.
#include "Vantrel/queue/CorrectionQueue.h"
#include "Vantrel/queue/DurableFile.h"
#include "Vantrel/queue/JobStore.h"
#include "Vantrel/queue/QueueFile.h"
#include "Vantrel/queue/RunProcessor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vantrel {

namespace {

const QString queueFileName = QStringLiteral("queue.json");

// Whether a start brings back a job of the queue file: finished ones are dropped.
bool isRestored(const CorrectionJob& job) {
    return !job.status.is(JobStatus::Kind::completed) && !job.status.is(JobStatus::Kind::cancelled);
}

}  // namespace

void CorrectionQueue::makeQueueFileURL(const std::optional<QString>& directory) {
    QString folder;
    if (directory) {
        folder = *directory;
    } else {
        const QString dataRoot = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (dataRoot.isEmpty()) {
            log(QStringLiteral("Data folder unavailable — queue will not persist"));
            return;
        }
        folder = dataRoot + QStringLiteral("/Vantrel");
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(folder).toStdString()), error);
    if (error || !QFileInfo(folder).isDir()) {
        const QString description = error ? QString::fromLocal8Bit(error.message().c_str())
                                          : QStringLiteral("Not a folder");
        log(QStringLiteral("Cannot create storage folder — queue will not persist: ") + description);
        return;
    }
    store_->setFilePath(QDir(folder).absoluteFilePath(queueFileName));
}

void CorrectionQueue::saveQueue() { store_->save(); }

void CorrectionQueue::waitForSaves() {
    housekeeping_.waitForDone();
    store_->waitForSaves();
}

std::optional<CorrectionQueue::UnsavedJobs> CorrectionQueue::saveBeforeQuit() {
    store_->waitForSaves();
    if (!store_->persistenceError() || !store_->filePath()) return std::nullopt;
    store_->save(true);
    store_->waitForSaves();
    const std::optional<QString> failure = store_->lastSaveFailure();
    if (!failure) return std::nullopt;
    // The jobs the next start would restore from the file as it stands.
    const QString& path = *store_->filePath();
    QSet<QUuid> kept;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        for (const CorrectionJob& job : decodeQueueFile(file.readAll()).jobs) {
            if (isRestored(job)) kept.insert(job.id);
        }
    }
    const auto lost = std::count_if(jobs().begin(), jobs().end(),
                                    [&](const CorrectionJob& job) { return isRestored(job) && !kept.contains(job.id); });
    if (lost == 0) return std::nullopt;
    return UnsavedJobs{*failure, int(lost), path};
}

std::optional<QString> CorrectionQueue::moveQueueFileAside() {
    const QString path = *store_->filePath();
    const QFileInfo info(path);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString name = queueFileName + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(info.dir().absoluteFilePath(name)); ++n) {
        name = queueFileName + QStringLiteral(".unreadable-%1-%2").arg(stamp).arg(n);
    }
    if (!QFile::rename(path, info.dir().absoluteFilePath(name))) return std::nullopt;
    syncFolder(info.absolutePath());
    return name;
}

void CorrectionQueue::loadQueue() {
    const std::optional<QString> path = store_->filePath();
    if (!path || !QFileInfo::exists(*path)) return;

    QueueFileContents contents;
    QFile file(*path);
    if (file.open(QIODevice::ReadOnly)) {
        contents = decodeQueueFile(file.readAll());
        file.close();
    } else {
        contents.isUnreadable = true;
    }
    const bool wholeFileUnreadable = contents.isUnreadable;
    const int unreadableRecords = contents.unreadableRecords;

    // Whatever cannot be read is kept aside rather than overwritten by the next save.
    bool movedAside = false;
    if (wholeFileUnreadable || unreadableRecords > 0) {
        const auto keptAs = moveQueueFileAside();
        const QString what = wholeFileUnreadable
                                 ? QStringLiteral("Queue file could not be read")
                                 : QStringLiteral("Queue file had %1 unreadable job record(s)").arg(unreadableRecords);
        if (keptAs) {
            log(what + QStringLiteral(" — kept as ") + *keptAs);
            movedAside = true;
        } else {
            log(what + QStringLiteral(" and could not be moved aside — queue will not persist"));
            store_->setFilePath(std::nullopt);
        }
    }

    if (contents.reassignedIds > 0) {
        log(QStringLiteral("Queue file had %1 job record(s) whose id was already taken — given new ids")
                .arg(contents.reassignedIds));
    }
    if (contents.repeatedRecords > 0) {
        log(QStringLiteral("Queue file had %1 repeated job record(s) — left out").arg(contents.repeatedRecords));
    }

    // The partial files these jobs recorded are left over from a run that was cut
    // off: no run of this queue has started yet (one another process still holds
    // stays).
    sweepPartialsOf(contents.jobs);

    QList<CorrectionJob> restored;
    for (auto& job : contents.jobs) {
        if (!isRestored(job)) continue;
        RunProcessor::settleRestored(job);
        restored.append(std::move(job));
    }
    if (!restored.isEmpty()) {
        const qsizetype count = restored.size();
        store_->append(std::move(restored));
        log(QStringLiteral("Restored %1 job(s) from previous session").arg(count));
    }
    // The file was moved aside: the jobs that could be read are written back at
    // once, or a quit without any change would leave no queue file at all.
    if (movedAside) saveQueue();
}

}  // namespace vantrel
