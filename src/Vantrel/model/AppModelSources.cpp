// Adding sources and analysing them.
#include "Vantrel/model/AppModel.h"
#include "Vantrel/media/MovieFiles.h"

#include "FutureWatch/WhenFinished.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QPromise>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

namespace vantrel {

namespace {

// The standardized path of a local file URL; empty for anything else.
QString standardizedLocalPath(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    return standardizedFilePath(url.toLocalFile());
}

}  // namespace

const QList<QMimeType>& AppModel::acceptedContentTypes() { return acceptedMovieTypes(); }

QList<QUrl> AppModel::videoFiles(const QUrl& folder) { return scanFolder(folder).movies; }

AppModel::FolderScan AppModel::scanFolder(const QUrl& folder) {
    FolderScan scan;
    const QString path = standardizedLocalPath(folder);
    if (path.isEmpty()) return scan;
    const MovieFolderScan found = scanMovieFolder(path);
    for (const QString& file : found.movies) scan.movies.append(QUrl::fromLocalFile(file));
    scan.unopenable = found.unopenable;
    return scan;
}

QFuture<void> AppModel::addFolder(const QUrl& folder) {
    // Destroyed unfinished with the model, the promise ends the future cancelled.
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    futurewatch::whenFinished(QtConcurrent::run([folder] { return scanFolder(folder); }), this,
                              [this, promise](const QFuture<FolderScan>& done) {
                                  if (const auto scan = futurewatch::resultOf(done)) {
                                      reportSkippedFiles(scan->unopenable);
                                      if (!scan->movies.isEmpty()) addSources(scan->movies);
                                  }
                                  promise->finish();
                              });
    return promise->future();
}

void AppModel::reportSkippedFiles(const QStringList& paths) {
    if (paths.isEmpty()) return;
    for (const QString& path : paths) {
        if (path.endsWith(u'/'))
            queue_->log(QStringLiteral("Skipped folder %1: its name is not valid UTF-8, so its videos cannot be opened — "
                                       "rename it to add them")
                            .arg(path));
        else
            queue_->log(QStringLiteral("Skipped %1: its name is not valid UTF-8, so it cannot be opened — rename it to add it")
                            .arg(path));
    }
    skippedFiles_ += int(paths.size());
    emit skippedFilesChanged();
}

void AppModel::addSources(const QList<QUrl>& urls) {
    QSet<QString> listed;
    for (const SourceItem& row : std::as_const(sources_)) listed.insert(standardizedLocalPath(row.url));

    QList<SourceItem> added;
    for (const QUrl& url : urls) {
        const QString path = standardizedLocalPath(url);
        if (path.isEmpty() || listed.contains(path)) continue;
        listed.insert(path);
        const SourceItem row = SourceItem::make(QUrl::fromLocalFile(path), defaultFixMode_);
        sources_.append(row);
        added.append(row);
        emit sourcesChanged();
    }
    // Each analysis starts later on the main thread, after this call has returned.
    for (const SourceItem& row : std::as_const(added)) {
        QMetaObject::invokeMethod(this, [this, row] { analyze(row); }, Qt::QueuedConnection);
    }
}

// Reads the timecode track, then the creation date, and stores both in the row
// found again by its id. A file that cannot be opened as a movie at all ends
// failed with the reader's message; other read failures only leave members absent.
// A row removed (or enqueued) in the meantime is not brought back.
void AppModel::analyze(const SourceItem& row) {
    const QUuid id = row.id;
    const auto index = indexOfSource(id);
    if (!index) return;
    const QString path = sources_[*index].url.toLocalFile();
    updateSource(id, [](SourceItem& item) { item.analysis = SourceItem::AnalysisState::analyzing(); });

    futurewatch::whenFinished(timecodeReader_.readTimecode(path), this,
                              [this, id, path](const QFuture<SourceTimecodeReader::Result>& done) {
        const auto result = futurewatch::resultOf(done);
        if (!result) {
            updateSource(id, [](SourceItem& row) {
                row.analysis = SourceItem::AnalysisState::failed(QStringLiteral("The file could not be read"));
            });
            return;
        }
        if (const auto* error = std::get_if<SourceTimecodeReader::ReaderError>(&*result);
            error && error->kind() == SourceTimecodeReader::ReaderError::Kind::readerInitFailed) {
            updateSource(id, [&](SourceItem& row) {
                row.analysis = SourceItem::AnalysisState::failed(error->errorDescription());
            });
            return;
        }
        SourceItem::Analysis analysis;
        if (const auto* reading = std::get_if<TimecodeTrackReading>(&*result)) {
            const FrameRate rate = FrameRate::fromNominal(reading->frameQuanta, reading->isDropFrame);
            analysis.detectedRate = rate;
            analysis.embeddedTimecode = TimecodeModel::fromText(formatTimecode(*reading, reading->isDropFrame), rate);
        }
        futurewatch::whenFinished(metadataReader_.read(path), this,
                                  [this, id, analysis](const QFuture<VideoMetadataReader::ReadResult>& read) {
            SourceItem::Analysis finished = analysis;
            if (const auto metadata = futurewatch::resultOf(read)) {
                finished.creationDate = metadata->creationDate;
                finished.creationZone = metadata->creationTimeZone;
                finished.creationSource = metadata->source;
                finished.videoFrameRate = metadata->videoFrameRate;
                finished.videoStreamCount = metadata->videoStreamCount;
            }
            finishAnalysis(id, finished);
        });
    });
}

void AppModel::finishAnalysis(const QUuid& id, const SourceItem::Analysis& analysis) {
    updateSource(id, [&](SourceItem& row) { row.analysis = SourceItem::AnalysisState::done(analysis); });
}

}  // namespace vantrel
