// Turning ready rows into correction jobs.
#include "Vantrel/model/AppModel.h"
#include "Vantrel/queue/Bookmarks.h"
#include "Vantrel/media/MovieFiles.h"
#include "Vantrel/media/OutputNamer.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSet>

namespace vantrel {

int AppModel::enqueueReadyRows() {
    if (!outputFolder_) return 0;
    const QString folder = outputFolder_->toLocalFile();

    QList<SourceItem> ready;
    for (const SourceItem& row : std::as_const(sources_)) {
        if (isQueueable(row)) ready.append(row);
    }
    if (ready.isEmpty()) return 0;

    // Outputs do not exist until their jobs run, so the disk alone cannot tell
    // that a name is promised: the outputs of the queued jobs and of the jobs made
    // earlier in this call count as taken too.
    QSet<QString> taken;
    for (const CorrectionJob& job : queue_->jobs()) taken.insert(standardizedFilePath(job.outputPath));
    const auto isTaken = [&taken](const QString& candidate) { return taken.contains(candidate); };

    // One click, one moment for the names' dates; the output folder's bookmark is
    // the same for every job.
    const QDateTime now = QDateTime::currentDateTime();
    const auto folderBookmark = makeBookmark(folder);
    const QString pattern = effectiveNamingPattern();
    QSet<QUuid> enqueued;
    QList<CorrectionJob> jobs;
    jobs.reserve(ready.size());
    for (const SourceItem& row : std::as_const(ready)) {
        const auto start = row.resolvedStartTimecode();
        const auto rate = row.effectiveRate();
        if (!start || !rate) continue;
        const QString sourcePath = row.url.toLocalFile();
        const QString stem = OutputNamer::makeName(sourcePath, pattern, start->tc, now);
        const auto output = OutputNamer::freeOutputPath(folder, stem, sourcePath, isTaken);
        if (const auto* error = std::get_if<OutputNamer::OutputNamerError>(&output)) {
            // Shown on the row too, which stays and is not counted again until
            // something that names its output changes.
            const QString why = OutputNamer::errorDescription(*error);
            queue_->log(QStringLiteral("Could not enqueue %1: %2").arg(QFileInfo(sourcePath).fileName(), why));
            enqueueFailures_.insert(row.id, why);
            continue;
        }
        const QString& outputPath = std::get<QString>(output);

        CorrectionJob job;
        job.id = QUuid::createUuid();
        job.sourcePath = sourcePath;
        job.outputPath = outputPath;
        job.assignedTimecodeString = QString::fromStdString(start->tc.stringValue());
        job.frameRate = *rate;
        job.fixMode = row.fixMode;
        job.verifyTier = verifyTier_;
        job.createdAt = QDateTime::currentDateTimeUtc();
        job.sourceBookmarkData = makeBookmark(sourcePath);
        job.outputBookmarkData = QFileInfo(outputPath).path() == folder ? folderBookmark
                                                                         : makeBookmark(QFileInfo(outputPath).path());
        const QFileInfo source(sourcePath);
        if (source.isFile()) job.totalSourceBytes = source.size();
        jobs.append(std::move(job));

        taken.insert(outputPath);
        enqueued.insert(row.id);
    }
    // One announcement and one save for the whole batch.
    queue_->enqueue(jobs);

    sources_.removeIf([&](const SourceItem& row) { return enqueued.contains(row.id); });
    emit sourcesChanged();
    return int(enqueued.size());
}

}  // namespace vantrel
