// Adding sources and analysing them.
#include "Vantrel/model/AppModel.h"
#include "Vantrel/media/MovieFiles.h"

#include <QMetaObject>
#include <QSet>

namespace vantrel {

namespace {

// The standardized path of a local file URL; empty for anything else.
QString standardizedLocalPath(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    return standardizedFilePath(url.toLocalFile());
}

}  // namespace

const QList<QMimeType>& AppModel::acceptedContentTypes() { return acceptedMovieTypes(); }

QList<QUrl> AppModel::videoFiles(const QUrl& folder) {
    QList<QUrl> urls;
    const QString path = standardizedLocalPath(folder);
    if (path.isEmpty()) return urls;
    for (const QString& file : movieFilesInFolder(path)) urls.append(QUrl::fromLocalFile(file));
    return urls;
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

    timecodeReader_.readTimecode(path).then(this, [this, id, path](const SourceTimecodeReader::Result& result) {
        if (const auto* error = std::get_if<SourceTimecodeReader::ReaderError>(&result);
            error && error->kind() == SourceTimecodeReader::ReaderError::Kind::readerInitFailed) {
            updateSource(id, [&](SourceItem& row) {
                row.analysis = SourceItem::AnalysisState::failed(error->errorDescription());
            });
            return;
        }
        SourceItem::Analysis analysis;
        if (const auto* reading = std::get_if<TimecodeTrackReading>(&result)) {
            const FrameRate rate = FrameRate::fromNominal(reading->frameQuanta, reading->isDropFrame);
            analysis.detectedRate = rate;
            analysis.embeddedTimecode = TimecodeModel::fromText(formatTimecode(*reading, reading->isDropFrame), rate);
        }
        metadataReader_.read(path).then(this, [this, id, analysis](const VideoMetadataReader::ReadResult& metadata) {
            SourceItem::Analysis finished = analysis;
            finished.creationDate = metadata.creationDate;
            finished.creationZone = metadata.creationTimeZone;
            finished.creationSource = metadata.source;
            finishAnalysis(id, finished);
        });
    });
}

void AppModel::finishAnalysis(const QUuid& id, const SourceItem::Analysis& analysis) {
    updateSource(id, [&](SourceItem& row) { row.analysis = SourceItem::AnalysisState::done(analysis); });
}

}  // namespace vantrel
