#pragma once

// Runs one correction: ffmpeg copies every stream of the source into the job's
// output file with the job's start timecode. A run succeeds only when the tool
// ended well and the file it wrote is a whole movie carrying the new timecode;
// otherwise, and when the run is cancelled, the file the tool wrote is removed.
// Where the file is written is the caller's choice: the queue hands over a hidden
// partial name, which it puts in place itself once the job is done.

#include "Vantrel/tools/BundledToolResolver.h"
#include "Vantrel/queue/CorrectionRunning.h"
#include "Vantrel/tools/FFmpegWrapper.h"

#include <QException>
#include <QThreadPool>

#include <memory>
#include <optional>

namespace vantrel {

// The errors the runner raises itself; what() is the UTF-8 description.
class CorrectionRunnerError : public QException {
public:
    enum class Kind { invalidTimecode, toolUnavailable, outputIsSource, outputNotPlaced, outputIncomplete };

    static CorrectionRunnerError invalidTimecode(const QString& assignedTimecode);
    static CorrectionRunnerError toolUnavailable();
    // The output name is the source file itself: the source is never overwritten.
    static CorrectionRunnerError outputIsSource(const QString& path);
    // The finished file could not be renamed onto the output name.
    static CorrectionRunnerError outputNotPlaced(const QString& reason);
    // The tool ended without an error status, but what it wrote is not the movie
    // asked for; the description says why.
    static CorrectionRunnerError outputIncomplete(const QString& description);

    Kind kind() const { return kind_; }
    const QString& errorDescription() const { return description_; }
    const char* what() const noexcept override { return what_.constData(); }
    void raise() const override { throw *this; }
    CorrectionRunnerError* clone() const override { return new CorrectionRunnerError(*this); }

private:
    CorrectionRunnerError(Kind kind, QString description);
    Kind kind_;
    QString description_;
    QByteArray what_;
};

class FFmpegCorrectionRunner final : public CorrectionRunning {
public:
    // `isAvailable` is fixed for the runner's life; run() looks for the tool afresh.
    FFmpegCorrectionRunner(std::unique_ptr<FFmpegWrapper> wrapper, bool isAvailable);
    // Stops a run still in progress.
    ~FFmpegCorrectionRunner() override;

    // A runner with a new wrapper, available when the resolver finds ffmpeg now.
    static std::shared_ptr<FFmpegCorrectionRunner> make(const BundledToolResolver& resolver = BundledToolResolver());

    FFmpegWrapper& wrapper() const { return *wrapper_; }

    bool isAvailable() const override { return isAvailable_; }
    using CorrectionRunning::run;
    QFuture<void> run(const CorrectionJob& job, ProgressCallback progress, LogCallback log,
                      CancellationToken token) override;
    // Cancels the run in progress (through the wrapper, which marks itself cancelling).
    void cancel() override;

    // Whether the output path names the source file, by its path or as the same
    // file reached another way (a link, a linked folder).
    static bool outputIsSource(const QString& outputPath, const QString& sourcePath);

    // Why a file the tool has finished is not yet the job's output: it is no whole
    // movie (cut short, no movie header, does not open) or its timecode track is
    // missing or does not start at the assigned timecode. None when it is fine.
    static std::optional<QString> finishedOutputProblem(const QString& path, const QString& assignedTimecode);
    // The failure text for such a file: the line where the tool said it failed
    // ("Error writing trailer of …: No space left on device"), else the problem,
    // followed by the last message a component of the tool logged, if any.
    static QString incompleteOutputText(const QString& problem, const QString& standardError);

    // Where a run's finishing step runs. It waits for the tool's run, and takes that
    // run up itself while it still waits for a worker of the tool threads.
    QThreadPool* finishingPool() { return &pool_; }

private:
    std::unique_ptr<FFmpegWrapper> wrapper_;
    bool isAvailable_;
    QThreadPool pool_;  // last: waits for a run's finishing step before the wrapper goes
};

}  // namespace vantrel
