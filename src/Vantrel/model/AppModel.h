#pragma once

// The window model: the source rows the user added, the settings that apply to
// new jobs, the analysis of every added movie and the creation of correction jobs
// from the ready rows. Lives on the main thread; the views observe its signals and
// call its operations. Every row edit finds the row by its id and changes one
// field of the current row, so an edit never writes back a stale copy.

#include "Vantrel/queue/CorrectionQueue.h"
#include "Vantrel/media/FixMode.h"
#include "Vantrel/media/FrameRate.h"
#include "Vantrel/media/SourceItem.h"
#include "Vantrel/media/SourceTimecodeReader.h"
#include "Vantrel/queue/VerifyTier.h"
#include "Vantrel/media/VideoMetadataReader.h"
#include "Vantrel/model/OpenPanelRequest.h"

#include <QFuture>
#include <QHash>
#include <QList>
#include <QMimeType>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <optional>

namespace vantrel {

class AppModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString namingPattern READ namingPattern WRITE setNamingPattern NOTIFY namingPatternChanged)
    Q_PROPERTY(double tolerance READ tolerance WRITE setTolerance NOTIFY toleranceChanged)
    Q_PROPERTY(int readyCount READ readyCount NOTIFY sourcesChanged)
    Q_PROPERTY(int mismatchedSources READ mismatchedSources NOTIFY sourcesChanged)
    Q_PROPERTY(int skippedFiles READ skippedFiles NOTIFY skippedFilesChanged)

public:
    // Takes ownership of the queue; makes its own timecode-track and metadata readers.
    explicit AppModel(CorrectionQueue* queue, QObject* parent = nullptr);
    ~AppModel() override;

    // Published state.
    const QList<SourceItem>& sources() const { return sources_; }
    const std::optional<QUrl>& outputFolder() const { return outputFolder_; }
    FixMode defaultFixMode() const { return defaultFixMode_; }
    VerifyTier verifyTier() const { return verifyTier_; }
    const QString& namingPattern() const { return namingPattern_; }
    double tolerance() const { return tolerance_; }

    CorrectionQueue& queue() const { return *queue_; }

    // Settings. Writing the default fix mode, even with the value it has, also
    // gives every row that mode.
    void setOutputFolder(const std::optional<QUrl>& folder);
    void setDefaultFixMode(FixMode mode);
    void setVerifyTier(VerifyTier tier);
    void setNamingPattern(const QString& pattern);
    void setTolerance(double seconds);

    // The pattern new output names are made with: the naming pattern, or the
    // default one while the naming field is empty (the field shows it then).
    static const QString& defaultNamingPattern();
    QString effectiveNamingPattern() const;

    // Open panels (modal dialogs): add movie files, add the movies of a folder,
    // choose the output folder. A cancelled panel changes nothing.
    void chooseFiles();
    void chooseFolder();
    void chooseOutputFolder();
    // Who shows the panels: the window the model serves, say. Without one (or
    // after an empty one) a dialog of the views opens on its own.
    void setOpenPanelRunner(OpenPanelRunner runner);

    // Adds the movies under a folder: the tree is walked on a worker thread and
    // the rows are added on this thread afterwards. The future finishes once they
    // are (never while the model is gone).
    QFuture<void> addFolder(const QUrl& folder);

    // Files of added folders that were left out because they cannot be opened
    // (a name that is not valid UTF-8), since the list was last cleared; each is
    // also named in the queue's console.
    int skippedFiles() const { return skippedFiles_; }
    void reportSkippedFiles(const QStringList& paths);

    // Appends a row for every given movie that is not listed yet (paths compared
    // after standardizing; the first of two equal ones wins; URLs that are not
    // local files are ignored), then starts the analysis of each new row.
    void addSources(const QList<QUrl>& urls);

    // The movie files under a folder at every depth, hidden items left out, by path.
    static QList<QUrl> videoFiles(const QUrl& folder);
    // The same walk, also giving the movie files it had to leave out.
    struct FolderScan {
        QList<QUrl> movies;
        QStringList unopenable;  // paths as Qt decodes them
    };
    static FolderScan scanFolder(const QUrl& folder);
    // QuickTime movie, MPEG-4 movie, any movie.
    static const QList<QMimeType>& acceptedContentTypes();

    // Row edits, each on the current row with that id; an unknown id does nothing.
    void removeSource(const QUuid& id);
    // Removes every row at once (analyses still running are dropped when they end).
    void clearSources();
    void setIncluded(const QUuid& id, bool included);
    void setFixMode(const QUuid& id, FixMode mode);
    void setManualComponents(const QUuid& id, const std::optional<timecode::Timecode::Components>& components);
    void setRateOverride(const QUuid& id, const std::optional<FrameRate>& rate);

    // Derived, worked out on every call. A row is ready when SourceItem::isReady
    // holds; the model counts and queues it unless its last enqueue failed and
    // nothing that names its output changed since.
    static bool isReady(const SourceItem& row);
    // The row's own blocking reason, else why its last enqueue failed.
    std::optional<QString> blockingReason(const SourceItem& row) const;
    int readyCount() const;
    bool canEnqueue() const;
    int mismatchedSources() const;

    // Turns every ready row into a pending job at the end of the queue and removes
    // those rows; returns how many jobs were made. A row whose output cannot be
    // named is logged, stays, and shows why as its blocking reason until the
    // row, the naming pattern or the output folder changes. Never starts processing.
    int enqueueReadyRows();

signals:
    void sourcesChanged();
    void outputFolderChanged();
    void defaultFixModeChanged();
    void verifyTierChanged();
    void namingPatternChanged();
    void toleranceChanged();
    void skippedFilesChanged();

private:
    QList<QUrl> openPanel(const OpenPanelRequest& request) const;
    std::optional<qsizetype> indexOfSource(const QUuid& id) const;
    template <typename Change>
    void updateSource(const QUuid& id, Change&& change);
    void analyze(const SourceItem& row);
    void finishAnalysis(const QUuid& id, const SourceItem::Analysis& analysis);
    bool isQueueable(const SourceItem& row) const;
    void forgetEnqueueFailures();

    QList<SourceItem> sources_;
    std::optional<QUrl> outputFolder_;
    FixMode defaultFixMode_ = FixMode::creationTime;
    VerifyTier verifyTier_ = VerifyTier::standard;
    QString namingPattern_ = QStringLiteral("{name}_TC");
    double tolerance_ = 1.0;
    QHash<QUuid, QString> enqueueFailures_;
    OpenPanelRunner openPanelRunner_;
    int skippedFiles_ = 0;
    CorrectionQueue* queue_;
    SourceTimecodeReader timecodeReader_;
    VideoMetadataReader metadataReader_;
};

template <typename Change>
void AppModel::updateSource(const QUuid& id, Change&& change) {
    const auto index = indexOfSource(id);
    if (!index) return;
    change(sources_[*index]);
    enqueueFailures_.remove(id);
    emit sourcesChanged();
}

}  // namespace vantrel
