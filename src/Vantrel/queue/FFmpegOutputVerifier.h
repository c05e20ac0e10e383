#pragma once

// Checks a corrected output against its source. The standard tier reads the new
// timecode back, counts timecode tracks and compares stream parameters, packets
// and duration, all from one ffprobe run per file (source and output at the same
// time); the thorough tier adds per-stream hashes of both files and a full decode
// of the output, the three ffmpeg runs at the same time and alongside the standard
// measurements. Nothing here changes a file, and nothing fails: every finding is a
// check in the result.

#include "Vantrel/tools/BundledToolResolver.h"
#include "Vantrel/tools/FFmpegWrapper.h"
#include "Vantrel/tools/ProbeListing.h"
#include "Vantrel/queue/OutputVerifying.h"
#include "Vantrel/media/SourceTimecodeReader.h"

#include <QMutex>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace vantrel {

class FFmpegOutputVerifier final : public OutputVerifying {
public:
    // How a check that judges by itself came out: the detail and pass, warning or fail.
    using Outcome = std::pair<QString, CheckSeverity>;
    // Asked now and then during a tool run; true stops the run.
    using StopCheck = std::function<bool()>;

    struct ToolRun {
        int exitStatus = -1;  // -1 when the process could not be started or crashed
        QString errorOutput;  // invalid UTF-8 shows as replacement characters
    };

    // Longest error text a full-decode check keeps.
    static constexpr qsizetype maxDecodeErrorLength = 8 * 1024;

    explicit FFmpegOutputVerifier(std::shared_ptr<SourceTimecodeReader> reader = std::make_shared<SourceTimecodeReader>(),
                                  BundledToolResolver resolver = BundledToolResolver(),
                                  std::shared_ptr<FFmpegWrapper> prober = nullptr);
    // Stops the tools of checks still running (their results go nowhere) and waits for them.
    ~FFmpegOutputVerifier() override;

    // All run on the verifier's own threads; the thorough progress callback too.
    // Cancelling a returned future stops its tool runs. For a thorough job, verify()
    // starts the byte-exact runs as well, and verifyThoroughAfter() for the same job
    // takes them over (only the latest such start is kept).
    QFuture<VerificationResult> verify(const CorrectionJob& job) override;
    QFuture<VerificationResult> verifyThorough(const CorrectionJob& job, ProgressCallback progress) override;
    QFuture<VerificationResult> verifyThoroughAfter(const CorrectionJob& job, const VerificationResult& standard,
                                                    ProgressCallback progress) override;

    // The same work on the calling thread (never the GUI thread). A thorough run
    // given the job's standard result takes its checks over instead of measuring again.
    VerificationResult verifyNow(const CorrectionJob& job, const StopCheck& shouldStop = {}) const;
    VerificationResult verifyThoroughNow(const CorrectionJob& job, const ProgressCallback& progress,
                                         const std::optional<VerificationResult>& standard = std::nullopt,
                                         const StopCheck& shouldStop = {}) const;

    // Removes, on the verifier's own threads, the stream-hash files that processes
    // killed in the middle of a thorough verification left in the temporary folder;
    // the files of runs still going, here or in another process, stay. Once, at start-up.
    void sweepLeftovers();

    Outcome checkTimecodeWriteBack(const CorrectionJob& job) const;
    // From the one listing of each file.
    static VerificationCheck checkSingleTimecodeTrack(const ProbeListing& output);
    static QList<VerificationCheck> checkStreams(const CorrectionJob& job, const ProbeListing& source,
                                                 const ProbeListing& output);
    // One check for each video, audio, subtitle or cover-picture stream of the source
    // that the output lacks; none when the output holds them all. Data streams (the
    // timecode track among them) are left out on both sides: the correction drops
    // them and writes a timecode track of its own.
    static QList<VerificationCheck> checkCarriedStreams(const ProbeListing& source, const ProbeListing& output);
    // The two hash runs go at the same time.
    Outcome checkStreamHash(const CorrectionJob& job, const StopCheck& shouldStop = {}) const;
    // decoded, when given, hears the fraction of the output decoded so far.
    Outcome checkFullDecode(const CorrectionJob& job, const std::function<void(double)>& decoded = {},
                            const StopCheck& shouldStop = {}) const;

    // The sorted "type,hash" lines of the first video and audio stream, or nothing.
    std::optional<QStringList> hashStreams(const QString& file, const QString& ffmpeg,
                                           const StopCheck& shouldStop = {}) const;

    // "1:2:3:4" and "01:02:03:04" share a key; a ";" anywhere makes it drop-frame.
    static std::optional<QString> normalizedTimecodeKey(const QString& text);
    // A stream-hash line without its stream index: "0,v,MD5=…" → "v,MD5=…".
    static std::optional<QString> streamHashLineKey(const QString& line);
    // The outcome of a full-decode run, with long error text cut down.
    static Outcome fullDecodeOutcome(const ToolRun& run);

    // Runs a tool to its end on the calling thread, collecting standard error.
    static ToolRun runTool(const QString& executable, const QStringList& arguments);

private:
    struct ByteExactRuns;
    // Starts both stream hashes and the full decode.
    std::shared_ptr<ByteExactRuns> startByteExact(const CorrectionJob& job) const;
    // The runs verify() started for this job, if they are still kept; they are kept no longer.
    std::shared_ptr<ByteExactRuns> takeEarlyRuns(const CorrectionJob& job);
    VerificationResult thoroughNow(const CorrectionJob& job, const ProgressCallback& progress,
                                   const std::optional<VerificationResult>& standard, const StopCheck& shouldStop,
                                   std::shared_ptr<ByteExactRuns> runs) const;
    QFuture<VerificationResult> runThorough(const CorrectionJob& job, std::optional<VerificationResult> standard,
                                            ProgressCallback progress, std::shared_ptr<ByteExactRuns> runs);
    ToolRun runOwnTool(const QString& executable, const QStringList& arguments, const StopCheck& shouldStop,
                       std::function<void(QByteArrayView)> output = {}) const;

    std::shared_ptr<std::atomic<bool>> closing_;
    std::shared_ptr<SourceTimecodeReader> reader_;
    BundledToolResolver resolver_;
    std::shared_ptr<FFmpegWrapper> prober_;
    QMutex earlyMutex_;
    std::shared_ptr<ByteExactRuns> early_;       // started by verify(), not yet taken over
    QList<std::shared_ptr<ByteExactRuns>> earlyStarted_;  // every such start, waited for on the way out
    mutable QThreadPool pool_;  // last: waits for running verifications before the rest goes
};

}  // namespace vantrel
