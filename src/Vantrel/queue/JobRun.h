#pragma once

// One job taken by the processing loop, or a thorough verification asked for by
// hand, from its preparation to its end. The run owns what has to be stopped or
// cleaned up: one cancellation token for every tool it starts, its tool runs, and
// the partial file its correction writes, which takes the output's name only when
// the run ends completed, or failed its checks. How a run ends is decided in one
// place (RunProcessor::finish): a run cancelled before its tool ended well ends
// cancelled; one whose tool ended well goes on to its checks, whose result decides.

#include "Vantrel/queue/CorrectionJob.h"
#include "Vantrel/queue/PartialOutput.h"
#include "Vantrel/queue/VerificationResult.h"
#include "Vantrel/tools/CancellationToken.h"

#include <QElapsedTimer>
#include <QFuture>
#include <QString>

#include <functional>
#include <optional>

namespace vantrel {

class JobRun {
public:
    enum class Stage { preparing, correcting, verifying, finished };
    enum class Purpose { correction, manualVerification };

    JobRun(CorrectionJob job, Purpose purpose);
    // A run dropped before its end (the queue going away) stops its tools and
    // leaves no partial file.
    ~JobRun();
    JobRun(const JobRun&) = delete;
    JobRun& operator=(const JobRun&) = delete;

    // The job as the run knows it: its files where they were found.
    const CorrectionJob& job() const { return job_; }
    void setLocations(const QString& sourcePath, const QString& outputFolder, std::optional<QByteArray> sourceBookmark,
                      std::optional<QByteArray> outputBookmark);
    const QString& sourcePath() const { return job_.sourcePath; }
    const QString& outputFolder() const { return outputFolder_; }
    bool isManual() const { return purpose_ == Purpose::manualVerification; }

    Stage stage() const { return stage_; }
    bool isFinished() const { return stage_ == Stage::finished; }
    void enter(Stage stage) { stage_ = stage; }

    // The run's cancellation: the tool it has started or is about to start.
    const CancellationToken& token() const { return token_; }
    bool isCancelled() const { return token_.isCancelled(); }
    // Stops the correction's tool, or keeps it from starting. A run whose tool has
    // already ended well goes on to its end: its checks are not interrupted.
    void cancel() { token_.cancel(); }

    // The tool has ended well and its output is whole: from here on the run ends
    // completed or failed, however late a cancel comes.
    bool isCorrected() const { return corrected_; }
    void markCorrected() { corrected_ = true; }

    // The correction's partial file: made and held first, without a name where the
    // file system can (the job records its name and which file it is, on disk,
    // before the file has the name), then given its name; held by the run until it
    // takes the output's name or is removed. Each gives 0 when that went well; else
    // as PartialOutput::Hold says (EEXIST from makePartial, any error from
    // namePartial: the name is not the run's, and the run has no partial file).
    int makePartial();
    QString partialName() const;
    std::optional<FileNode> partialFile() const { return partial_.file(); }
    int namePartial();
    // Whether the partial file is still there (also when the run could not remove it).
    bool hasPartialLeft() const;
    void setCorrection(QFuture<void> correction) { correction_ = std::move(correction); }
    const QFuture<void>& correction() const { return correction_; }
    // The job as the runner and the checks see it: the partial file is the output
    // until the run ends.
    CorrectionJob checkedJob() const;
    void setVerification(QFuture<VerificationResult> verification) { verification_ = std::move(verification); }
    const QFuture<VerificationResult>& verification() const { return verification_; }
    QElapsedTimer& correctionTimer() { return correctionTimer_; }

    // Where the finished output went: its path, and whether that is another name
    // than the job's because a file stood under the job's; or why it went nowhere.
    struct Placement {
        QString path;
        QString wanted;  // the name the job had
        bool renamed = false;
        QString problem;  // empty when placed
    };
    // Puts the finished partial file under the output name. The output this job
    // placed there before, unchanged since (as the job recorded it), is written
    // over; any other file standing there (whoever put it there, whenever) is never
    // replaced: the output then takes the next free name beside it, passing over the
    // names `isTaken` holds (outputs promised to other jobs). The run's job carries
    // the name and what it placed from now on. The partial file is gone either way.
    Placement placeOutput(const std::function<bool(const QString&)>& isTaken = {});
    // Removes the partial file, if there is one.
    void discardPartial();

    // Texts of the tools and checks name the hidden partial file; the user knows
    // the output by its own name.
    QString namingOutput(QString text) const;
    // The same, for texts that arrive on other threads.
    std::function<QString(QString)> outputNaming() const;
    VerificationResult namingOutput(VerificationResult result) const;

    // Access the run started, to be stopped when it ends.
    bool sourceAccessStarted = false;
    bool folderAccessStarted = false;

private:
    CorrectionJob job_;
    QString partialPath_;  // the partial file the correction writes, kept after it is gone
    Purpose purpose_;
    Stage stage_ = Stage::preparing;
    bool corrected_ = false;
    QString outputFolder_;
    CancellationToken token_;
    QFuture<void> correction_;
    QFuture<VerificationResult> verification_;
    PartialOutput::Hold partial_;
    QElapsedTimer correctionTimer_;
};

}  // namespace vantrel
