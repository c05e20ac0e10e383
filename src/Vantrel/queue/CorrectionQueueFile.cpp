// The queue file: where it lives, how it is written and how it is restored.
#include "Vantrel/queue/CorrectionQueuePrivate.h"
#include "Vantrel/queue/DurableFile.h"
#include "Vantrel/queue/QueueFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

namespace vantrel {

namespace {

const QString queueFileName = QStringLiteral("queue.json");

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
    queueFilePath_ = QDir(folder).absoluteFilePath(queueFileName);
}

void CorrectionQueue::saveQueue() {
    if (!queueFilePath_) return;
    // A snapshot shares the jobs until they next change; the writer encodes it.
    store_->saver().request(*queueFilePath_, store_->jobs());
}

void CorrectionQueue::waitForSaves() { store_->saver().wait(); }

void CorrectionQueue::applySaveOutcome(const std::optional<QString>& failure) {
    if (!failure) {
        setPersistenceError(std::nullopt);
        return;
    }
    // One console line per run of failures; the text stays until a save succeeds.
    if (persistenceError_) return;
    setPersistenceError(QStringLiteral("Queue may not persist: ") + *failure);
    log(QStringLiteral("Failed to save queue — ") + *failure);
}

std::optional<QString> CorrectionQueue::moveQueueFileAside() {
    const QFileInfo info(*queueFilePath_);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString name = queueFileName + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(info.dir().absoluteFilePath(name)); ++n) {
        name = queueFileName + QStringLiteral(".unreadable-%1-%2").arg(stamp).arg(n);
    }
    if (!QFile::rename(*queueFilePath_, info.dir().absoluteFilePath(name))) return std::nullopt;
    syncFolder(info.absolutePath());
    return name;
}

void CorrectionQueue::loadQueue() {
    if (!queueFilePath_ || !QFileInfo::exists(*queueFilePath_)) return;

    QueueFileContents contents;
    QFile file(*queueFilePath_);
    if (file.open(QIODevice::ReadOnly)) {
        contents = decodeQueueFile(file.readAll());
        file.close();
    } else {
        contents.isUnreadable = true;
    }
    const bool wholeFileUnreadable = contents.isUnreadable;
    const int unreadableRecords = contents.unreadableRecords;

    // Whatever cannot be read is kept aside rather than overwritten by the next save.
    if (wholeFileUnreadable || unreadableRecords > 0) {
        const auto keptAs = moveQueueFileAside();
        const QString what = wholeFileUnreadable
                                 ? QStringLiteral("Queue file could not be read")
                                 : QStringLiteral("Queue file had %1 unreadable job record(s)").arg(unreadableRecords);
        if (keptAs) {
            log(what + QStringLiteral(" — kept as ") + *keptAs);
        } else {
            log(what + QStringLiteral(" and could not be moved aside — queue will not persist"));
            queueFilePath_.reset();
        }
    }

    if (contents.reassignedIds > 0) {
        log(QStringLiteral("Queue file had %1 job record(s) whose id was already taken — given new ids")
                .arg(contents.reassignedIds));
    }
    if (contents.repeatedRecords > 0) {
        log(QStringLiteral("Queue file had %1 repeated job record(s) — left out").arg(contents.repeatedRecords));
    }

    QList<CorrectionJob> restored;
    for (auto& job : contents.jobs) {
        if (job.status.is(JobStatus::Kind::completed) || job.status.is(JobStatus::Kind::cancelled)) continue;
        settleRestored(job);
        restored.append(std::move(job));
    }
    if (restored.isEmpty()) return;
    const qsizetype count = restored.size();
    store_->append(std::move(restored));
    log(QStringLiteral("Restored %1 job(s) from previous session").arg(count));
}

}  // namespace vantrel
