#include "Vantrel/queue/FFmpegOutputVerifier.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPromise>
#include <QRegularExpression>
#include <QUuid>
#include <QMutexLocker>
#include <QtConcurrent/QtConcurrentRun>

#include "Vantrel/media/MovieDemuxer.h"
#include "Vantrel/queue/StreamHashFile.h"
#include "Vantrel/tools/ToolProcess.h"
#include "Vantrel/tools/ToolThreadPool.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>

namespace vantrel {

namespace {

using Kind = VerificationCheck::Kind;
using ProbeStream = FFmpegWrapper::ProbeStream;

// Waits on a read; a read that ends without a value counts as failed.
template <typename T>
T awaitValue(QFuture<T> future, T failed) {
    try {
        future.waitForFinished();
    } catch (...) {
        return failed;
    }
    if (future.isCanceled() || future.resultCount() == 0) return failed;
    return future.result();
}

QString selector(ProbeStream stream) { return stream == ProbeStream::video ? QStringLiteral("v:0") : QStringLiteral("a:0"); }

const QString noTimecodeTrack = QStringLiteral("Output has no timecode track — the write did not take.");

double secondsSince(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e9; }

// The output's length in microseconds as its header gives it; 0 when unknown.
qint64 durationMicroseconds(const QString& path) {
    MovieDemuxer movie(path);
    if (!movie.isOpen() || movie.context()->duration == AV_NOPTS_VALUE) return 0;
    return std::max<qint64>(movie.context()->duration, 0);
}

// Follows ffmpeg's "-progress" report ("out_time_us=…" lines) as a fraction of the length.
class DecodeProgress {
public:
    DecodeProgress(qint64 lengthMicroseconds, std::function<void(double)> decoded)
        : length_(lengthMicroseconds), decoded_(std::move(decoded)) {}
    void feed(QByteArrayView bytes) {
        pending_.append(bytes);
        qsizetype newline;
        while ((newline = pending_.indexOf('\n')) >= 0) {
            const QByteArrayView line = QByteArrayView(pending_).first(newline);
            if (line.startsWith("out_time_us=") && length_ > 0) {
                bool ok = false;
                const qint64 done = line.sliced(12).toLongLong(&ok);
                if (ok && done >= 0) decoded_(std::min(1.0, double(done) / double(length_)));
            }
            pending_.remove(0, newline + 1);
        }
    }

private:
    qint64 length_;
    std::function<void(double)> decoded_;
    QByteArray pending_;
};

}  // namespace

// Both stream hashes and the full decode of one thorough verification. They may be
// started before anyone waits for them: whoever does later hands over its progress
// callback and its stop check, and hears at once how far the decode has come.
struct FFmpegOutputVerifier::ByteExactRuns {
    QUuid jobId;
    QString sourcePath, outputPath;
    std::atomic<bool> stop{false};
    QFuture<std::pair<Outcome, Outcome>> results;  // stream hash, full decode

    bool shouldStop() {
        if (stop.load()) return true;
        QMutexLocker lock(&mutex);
        return waiterStop && waiterStop();
    }
    // Progress runs from 0.1 as soon as someone follows, then follows the decode.
    void follow(ProgressCallback callback, StopCheck stopCheck) {
        QMutexLocker lock(&mutex);
        waiterStop = std::move(stopCheck);
        progress = std::move(callback);
        report(0.1);
        report(decodedValue);
    }
    void decoded(double fraction) {
        QMutexLocker lock(&mutex);
        decodedValue = std::max(decodedValue, 0.1 + 0.9 * fraction);
        report(decodedValue);
    }
    void finished() {
        QMutexLocker lock(&mutex);
        waiterStop = nullptr;
        if (progress) progress(1.0);
    }

private:
    void report(double value) {
        if (!progress || value >= 1.0 || (reported && value < *reported + 0.01)) return;
        reported = value;
        progress(value);
    }

    QMutex mutex;
    StopCheck waiterStop;
    ProgressCallback progress;
    std::optional<double> reported;
    double decodedValue = 0.0;
};

FFmpegOutputVerifier::FFmpegOutputVerifier(std::shared_ptr<SourceTimecodeReader> reader, BundledToolResolver resolver,
                                           std::shared_ptr<FFmpegWrapper> prober)
    : closing_(std::make_shared<std::atomic<bool>>(false)),
      reader_(std::move(reader)),
      resolver_(std::move(resolver)),
      prober_(prober ? std::move(prober) : std::make_shared<FFmpegWrapper>(resolver_)) {
    pool_.setMaxThreadCount(2);
    pool_.setObjectName(QStringLiteral("OutputVerifier"));
}

FFmpegOutputVerifier::~FFmpegOutputVerifier() {
    closing_->store(true);
    pool_.waitForDone();
    // Early runs nobody took over still use this verifier until their tools are stopped.
    QMutexLocker lock(&earlyMutex_);
    for (const auto& runs : std::as_const(earlyStarted_)) runs->results.waitForFinished();
}

QFuture<VerificationResult> FFmpegOutputVerifier::verify(const CorrectionJob& job) {
    if (job.verifyTier == VerifyTier::off) return QtFuture::makeReadyFuture(VerificationResult::skipped());
    std::shared_ptr<ByteExactRuns> early;
    if (job.verifyTier == VerifyTier::thorough) {
        // A thorough job goes on to the byte-exact checks whatever the standard ones
        // find, so those start now, alongside the standard measurements.
        early = startByteExact(job);
        QMutexLocker lock(&earlyMutex_);
        if (early_) early_->stop.store(true);
        early_ = early;
        earlyStarted_.removeIf([](const auto& runs) { return runs->results.isFinished(); });
        earlyStarted_.append(early);
    }
    return QtConcurrent::run(&pool_, [this, job, early](QPromise<VerificationResult>& promise) {
        promise.addResult(verifyNow(job, [&promise] { return promise.isCanceled(); }));
        if (!early || !promise.isCanceled()) return;
        if (const auto runs = takeEarlyRuns(job)) runs->stop.store(true);
    });
}

void FFmpegOutputVerifier::sweepLeftovers() {
    pool_.start([] { StreamHashFile::sweep(QDir::tempPath()); });
}

QFuture<VerificationResult> FFmpegOutputVerifier::verifyThorough(const CorrectionJob& job, ProgressCallback progress) {
    return runThorough(job, std::nullopt, std::move(progress), takeEarlyRuns(job));
}

QFuture<VerificationResult> FFmpegOutputVerifier::verifyThoroughAfter(const CorrectionJob& job,
                                                                      const VerificationResult& standard,
                                                                      ProgressCallback progress) {
    return runThorough(job, standard, std::move(progress), takeEarlyRuns(job));
}

std::shared_ptr<FFmpegOutputVerifier::ByteExactRuns> FFmpegOutputVerifier::takeEarlyRuns(const CorrectionJob& job) {
    QMutexLocker lock(&earlyMutex_);
    if (!early_ || early_->jobId != job.id) return nullptr;
    auto runs = std::exchange(early_, nullptr);
    if (runs->sourcePath == job.sourcePath && runs->outputPath == job.outputPath) return runs;
    runs->stop.store(true);
    return nullptr;
}

QFuture<VerificationResult> FFmpegOutputVerifier::runThorough(const CorrectionJob& job,
                                                              std::optional<VerificationResult> standard,
                                                              ProgressCallback progress,
                                                              std::shared_ptr<ByteExactRuns> runs) {
    if (runs && job.verifyTier == VerifyTier::off) runs->stop.store(true);
    if (job.verifyTier == VerifyTier::off) return QtFuture::makeReadyFuture(VerificationResult::skipped());
    return QtConcurrent::run(&pool_, [this, job, standard = std::move(standard), progress = std::move(progress),
                                      runs = std::move(runs)](QPromise<VerificationResult>& promise) {
        promise.addResult(thoroughNow(job, progress, standard, [&promise] { return promise.isCanceled(); }, runs));
    });
}

std::shared_ptr<FFmpegOutputVerifier::ByteExactRuns> FFmpegOutputVerifier::startByteExact(const CorrectionJob& job) const {
    auto runs = std::make_shared<ByteExactRuns>();
    runs->jobId = job.id;
    runs->sourcePath = job.sourcePath;
    runs->outputPath = job.outputPath;
    // On the tool threads, not the verifier's own: a verification waits for these.
    runs->results = QtConcurrent::run(toolThreadPool(), [this, job, runs] {
        const StopCheck stop = [&runs] { return runs->shouldStop(); };
        QFuture<Outcome> hash = QtConcurrent::run(toolThreadPool(), [this, &job, &stop] { return checkStreamHash(job, stop); });
        Outcome decode = checkFullDecode(job, [&runs](double fraction) { runs->decoded(fraction); }, stop);
        return std::pair{awaitValue(hash, Outcome{QStringLiteral("Stream-integrity skipped — could not hash one side."),
                                                  CheckSeverity::warning}),
                         std::move(decode)};
    });
    return runs;
}

VerificationResult FFmpegOutputVerifier::verifyNow(const CorrectionJob& job, const StopCheck& shouldStop) const {
    if (job.verifyTier == VerifyTier::off) return VerificationResult::skipped();
    const QDateTime start = QDateTime::currentDateTimeUtc();
    QElapsedTimer timer;
    timer.start();
    // The read-back, and one listing of each file, all at the same time.
    auto listing = [this, &shouldStop](const QString& file) {
        return QtConcurrent::run(toolThreadPool(), [this, file, shouldStop] {
            const auto closing = closing_;
            return ProbeListing::probe(prober_->toolResolver(), file,
                                       [&] { return closing->load() || (shouldStop && shouldStop()); });
        });
    };
    QFuture<ProbeListing> source = listing(job.sourcePath);
    QFuture<ProbeListing> output = listing(job.outputPath);
    QList<VerificationCheck> checks;
    const auto [detail, severity] = checkTimecodeWriteBack(job);
    checks.append({Kind::timecodeWriteBack, severity, QStringLiteral("Timecode write-back"), detail});
    const ProbeListing outputListing = awaitValue(output, ProbeListing());
    const ProbeListing sourceListing = awaitValue(source, ProbeListing());
    checks.append(checkSingleTimecodeTrack(outputListing));
    checks.append(checkStreams(job, sourceListing, outputListing));
    return {job.verifyTier, checks, start, secondsSince(timer)};
}

VerificationResult FFmpegOutputVerifier::verifyThoroughNow(const CorrectionJob& job, const ProgressCallback& progress,
                                                           const std::optional<VerificationResult>& standard,
                                                           const StopCheck& shouldStop) const {
    return thoroughNow(job, progress, standard, shouldStop, nullptr);
}

VerificationResult FFmpegOutputVerifier::thoroughNow(const CorrectionJob& job, const ProgressCallback& progress,
                                                     const std::optional<VerificationResult>& standard,
                                                     const StopCheck& shouldStop,
                                                     std::shared_ptr<ByteExactRuns> runs) const {
    if (job.verifyTier == VerifyTier::off) return VerificationResult::skipped();
    QElapsedTimer timer;
    timer.start();
    // The byte-exact runs go alongside the standard measurements (when these are
    // made here at all); progress follows the decode, the longest of the runs.
    if (!runs) runs = startByteExact(job);
    runs->follow(progress, shouldStop);
    const bool reuse = standard && standard->tier != VerifyTier::off && !standard->checks.isEmpty();
    const VerificationResult measured = reuse ? *standard : verifyNow(job, shouldStop);
    QList<VerificationCheck> checks = measured.checks;
    const double standardSeconds = reuse ? standard->duration : 0.0;

    const auto [hash, decode] = awaitValue(
        runs->results,
        std::pair{Outcome{QStringLiteral("Stream-integrity skipped — could not hash one side."), CheckSeverity::warning},
                  fullDecodeOutcome(ToolRun{})});
    checks.append({Kind::streamHash, hash.second, QStringLiteral("Stream integrity"), hash.first});
    checks.append({Kind::fullDecode, decode.second, QStringLiteral("Full decode"), decode.first});
    runs->finished();
    return {job.verifyTier, checks, measured.verifiedAt, standardSeconds + secondsSince(timer)};
}

// ---- standard tier ----

FFmpegOutputVerifier::Outcome FFmpegOutputVerifier::checkTimecodeWriteBack(const CorrectionJob& job) const {
    using ReaderError = SourceTimecodeReader::ReaderError;
    const SourceTimecodeReader::Result failed = ReaderError::readerInitFailed(QStringLiteral("The read did not finish."));
    const auto result = awaitValue(reader_->readTimecode(job.outputPath), failed);
    if (const auto* error = std::get_if<ReaderError>(&result)) {
        if (error->kind() == ReaderError::Kind::noTimecodeTrack) return {noTimecodeTrack, CheckSeverity::fail};
        return {QStringLiteral("Output could not be read back: ") + error->errorDescription(), CheckSeverity::fail};
    }
    const auto& reading = std::get<TimecodeTrackReading>(result);
    const QString readText = formatTimecode(reading, reading.isDropFrame);
    const auto readKey = normalizedTimecodeKey(readText);
    const auto assignedKey = normalizedTimecodeKey(job.assignedTimecodeString);
    if (readKey && assignedKey && *readKey == *assignedKey) {
        return {QStringLiteral("Timecode ") + readText + QStringLiteral(" read back correctly."), CheckSeverity::pass};
    }
    return {QStringLiteral("Output timecode %1 ≠ assigned %2.").arg(readText, job.assignedTimecodeString), CheckSeverity::fail};
}

VerificationCheck FFmpegOutputVerifier::checkSingleTimecodeTrack(const ProbeListing& output) {
    const int count = output.timecodeTrackCount();
    const QString label = QStringLiteral("Timecode track");
    if (count < 0) {
        return {Kind::singleTimecodeTrack, CheckSeverity::warning, label,
                QStringLiteral("Could not determine the timecode-track count.")};
    }
    if (count == 0) return {Kind::singleTimecodeTrack, CheckSeverity::fail, label, noTimecodeTrack};
    if (count == 1) {
        return {Kind::singleTimecodeTrack, CheckSeverity::pass, label, QStringLiteral("Exactly one timecode track, as expected.")};
    }
    return {Kind::singleTimecodeTrack, CheckSeverity::fail, label,
            QStringLiteral("Output has %1 timecode tracks — a stale track may shadow the corrected one.").arg(count)};
}

QList<VerificationCheck> FFmpegOutputVerifier::checkStreams(const CorrectionJob& job, const ProbeListing& source,
                                                            const ProbeListing& output) {
    const auto outputVideo = output.streamParams(ProbeStream::video);
    if (!outputVideo) {
        return {{Kind::readability, CheckSeverity::fail, QStringLiteral("Readability"),
                 QStringLiteral("Output video stream could not be demuxed — the file is unreadable.")}};
    }
    QList<VerificationCheck> checks{
        {Kind::readability, CheckSeverity::pass, QStringLiteral("Readability"), QStringLiteral("Output demuxes cleanly.")}};
    const bool sameContainer = isSameContainer(job.sourcePath, job.outputPath);

    auto streamGroup = [&](ProbeStream stream, const std::optional<StreamParams>& sourceParams,
                           const std::optional<StreamParams>& outputParams) {
        const QString name = selector(stream);
        checks.append(VerificationCheck::codecParams(name, sourceParams, outputParams));
        if (!sameContainer) {
            checks.append(VerificationCheck::containerChangedNote(name));
            return;
        }
        checks.append(VerificationCheck::packetCount(name, source.packetCount(stream), output.packetCount(stream)));
        checks.append(VerificationCheck::packetBytes(name, source.packetBytes(stream), output.packetBytes(stream)));
    };

    streamGroup(ProbeStream::video, source.streamParams(ProbeStream::video), outputVideo);
    checks.append(VerificationCheck::duration(source.durationMilliseconds(), output.durationMilliseconds(), job.frameRate));

    // A source without a readable first audio stream gets no audio group.
    if (const auto sourceAudio = source.streamParams(ProbeStream::audio)) {
        streamGroup(ProbeStream::audio, sourceAudio, output.streamParams(ProbeStream::audio));
    }
    checks.append(checkCarriedStreams(source, output));
    return checks;
}

QList<VerificationCheck> FFmpegOutputVerifier::checkCarriedStreams(const ProbeListing& source,
                                                                   const ProbeListing& output) {
    using Stream = ProbeListing::Stream;
    // What a stream holds, in words; nothing for the streams not compared.
    auto holds = [](const Stream& stream) -> std::optional<QString> {
        if (stream.type == "video") return stream.attachedPicture ? QStringLiteral("cover picture") : QStringLiteral("video");
        if (stream.type == "audio" || stream.type == "subtitle") return QString::fromLatin1(stream.type);
        return std::nullopt;
    };
    auto codec = [](const Stream& stream) { return stream.params ? stream.params->codec : std::string(); };

    const QList<Stream> sourceStreams = source.streams();
    const QList<Stream> outputStreams = output.streams();
    // Each source stream takes an output stream that holds the same, one of its own
    // codec first, so that the stream named missing is the one that is.
    std::vector<bool> found(size_t(sourceStreams.size()), false);
    std::vector<bool> taken(size_t(outputStreams.size()), false);
    for (const bool sameCodec : {true, false}) {
        for (qsizetype s = 0; s < sourceStreams.size(); ++s) {
            const auto kind = holds(sourceStreams[s]);
            if (!kind || found[size_t(s)]) continue;
            for (qsizetype o = 0; o < outputStreams.size(); ++o) {
                if (taken[size_t(o)] || holds(outputStreams[o]) != kind) continue;
                if (sameCodec && codec(outputStreams[o]) != codec(sourceStreams[s])) continue;
                taken[size_t(o)] = found[size_t(s)] = true;
                break;
            }
        }
    }

    QList<VerificationCheck> checks;
    for (qsizetype s = 0; s < sourceStreams.size(); ++s) {
        const Stream& stream = sourceStreams[s];
        const auto kind = holds(stream);
        if (!kind || found[size_t(s)]) continue;
        const qsizetype index = stream.index >= 0 ? stream.index : s;
        const QString what = codec(stream).empty() ? *kind : *kind + QLatin1Char(' ') + QString::fromStdString(codec(stream));
        const QString lacks = QStringLiteral("Output lacks the source's stream #%1 (%2)").arg(index).arg(what);
        // A cover picture is the file's artwork, not its media: worth a warning.
        const bool cover = stream.attachedPicture && stream.type == "video";
        checks.append({Kind::codecParams, cover ? CheckSeverity::warning : CheckSeverity::fail,
                       QStringLiteral("Missing stream (#%1)").arg(index),
                       lacks + (cover ? QStringLiteral(" — the cover picture was not carried across.")
                                      : QStringLiteral(" — it was lost in the copy."))});
    }
    return checks;
}

std::optional<QString> FFmpegOutputVerifier::normalizedTimecodeKey(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[:;]"));
    static const QRegularExpression decimal(QStringLiteral(R"(^[+-]?\d+$)"));
    const QStringList pieces = text.split(separators, Qt::SkipEmptyParts);
    if (pieces.size() != 4) return std::nullopt;
    QStringList fields;
    for (const QString& piece : pieces) {
        bool ok = false;
        const qint64 value = decimal.match(piece).hasMatch() ? piece.toLongLong(&ok) : 0;
        if (!ok) return std::nullopt;
        fields << QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    }
    return fields.join(QLatin1Char(':')) + (text.contains(QLatin1Char(';')) ? QStringLiteral("|df") : QStringLiteral("|ndf"));
}

// ---- thorough tier ----

FFmpegOutputVerifier::Outcome FFmpegOutputVerifier::checkStreamHash(const CorrectionJob& job,
                                                                    const StopCheck& shouldStop) const {
    const auto ffmpeg = resolver_.resolve(BundledToolResolver::Tool::ffmpeg);
    if (!ffmpeg) return {QStringLiteral("Stream-integrity skipped — ffmpeg unavailable."), CheckSeverity::warning};
    QFuture<std::optional<QStringList>> outputHash = QtConcurrent::run(
        toolThreadPool(), [this, &job, &ffmpeg, &shouldStop] { return hashStreams(job.outputPath, *ffmpeg, shouldStop); });
    const auto source = hashStreams(job.sourcePath, *ffmpeg, shouldStop);
    const auto output = awaitValue(outputHash, std::optional<QStringList>());
    if (!source || !output) return {QStringLiteral("Stream-integrity skipped — could not hash one side."), CheckSeverity::warning};
    if (*source == *output) return {QStringLiteral("Media streams are bit-identical to the source."), CheckSeverity::pass};
    return {QStringLiteral("Media streams diverged from the source (stream copy altered packets)."), CheckSeverity::fail};
}

std::optional<QStringList> FFmpegOutputVerifier::hashStreams(const QString& file, const QString& ffmpeg,
                                                             const StopCheck& shouldStop) const {
    // Held for the whole run and removed at its end; a sweep at the next start
    // removes it should this process be killed meanwhile.
    const auto hashFile = StreamHashFile::create(QDir::tempPath());
    if (!hashFile) return std::nullopt;
    const ToolRun run = runOwnTool(ffmpeg,
                                   {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), file,
                                    QStringLiteral("-map"), QStringLiteral("0:v:0"), QStringLiteral("-map"),
                                    QStringLiteral("0:a:0?"), QStringLiteral("-c"), QStringLiteral("copy"),
                                    QStringLiteral("-f"), QStringLiteral("streamhash"), QStringLiteral("-hash"),
                                    QStringLiteral("md5"), QStringLiteral("-y"), hashFile->path()},
                                   shouldStop);
    if (run.exitStatus != 0) return std::nullopt;
    const auto text = hashFile->readAll();
    if (!text) return std::nullopt;
    static const QRegularExpression lineBreaks(QStringLiteral("\r\n|[\n\v\f\r\u0085\u2028\u2029]"));
    QStringList keys;
    for (const QString& line : QString::fromUtf8(*text).split(lineBreaks, Qt::SkipEmptyParts)) {
        if (auto key = streamHashLineKey(line)) keys << *key;
    }
    if (keys.isEmpty()) return std::nullopt;
    std::sort(keys.begin(), keys.end());
    return keys;
}

std::optional<QString> FFmpegOutputVerifier::streamHashLineKey(const QString& line) {
    // At most two splits, counting only splits that ended a non-empty piece; the
    // third piece keeps any further commas. Empty pieces drop out.
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i < line.size() && pieces.size() < 2; ++i) {
        if (line.at(i) != QLatin1Char(',')) continue;
        if (i > start) pieces << line.mid(start, i - start);
        start = i + 1;
    }
    if (start < line.size()) pieces << line.mid(start);
    if (pieces.size() != 3) return std::nullopt;
    return pieces[1] + QLatin1Char(',') + pieces[2];
}

FFmpegOutputVerifier::Outcome FFmpegOutputVerifier::checkFullDecode(const CorrectionJob& job,
                                                                    const std::function<void(double)>& decoded,
                                                                    const StopCheck& shouldStop) const {
    const auto ffmpeg = resolver_.resolve(BundledToolResolver::Tool::ffmpeg);
    if (!ffmpeg) return {QStringLiteral("Deep decode skipped — ffmpeg unavailable."), CheckSeverity::warning};
    QStringList arguments{QStringLiteral("-v"), QStringLiteral("error")};
    std::function<void(QByteArrayView)> output;
    if (decoded) {
        // The progress report goes to standard output; the error output stays the judge.
        arguments << QStringLiteral("-progress") << QStringLiteral("pipe:1");
        output = [progress = std::make_shared<DecodeProgress>(durationMicroseconds(job.outputPath), decoded)](
                     QByteArrayView bytes) { progress->feed(bytes); };
    }
    arguments << QStringLiteral("-i") << job.outputPath << QStringLiteral("-f") << QStringLiteral("null")
              << QStringLiteral("-");
    return fullDecodeOutcome(runOwnTool(*ffmpeg, arguments, shouldStop, std::move(output)));
}

FFmpegOutputVerifier::Outcome FFmpegOutputVerifier::fullDecodeOutcome(const ToolRun& run) {
    if (run.exitStatus == 0 && run.errorOutput.trimmed().isEmpty()) {
        return {QStringLiteral("Output decoded cleanly end-to-end."), CheckSeverity::pass};
    }
    if (run.errorOutput.isEmpty()) {
        return {QStringLiteral("Deep decode found errors: exit code %1").arg(run.exitStatus), CheckSeverity::fail};
    }
    QString errors = run.errorOutput;
    if (errors.size() > maxDecodeErrorLength) {
        // Keep the first errors (they name the cause) and say how much was left out.
        qsizetype cut = maxDecodeErrorLength;
        if (errors.at(cut - 1).isHighSurrogate()) --cut;
        const qsizetype dropped = errors.size() - cut;
        errors.truncate(cut);
        errors += QStringLiteral("\n… [cut: %1 more characters]").arg(dropped);
    }
    return {QStringLiteral("Deep decode found errors: ") + errors, CheckSeverity::fail};
}

FFmpegOutputVerifier::ToolRun FFmpegOutputVerifier::runTool(const QString& executable, const QStringList& arguments) {
    ToolProcessOptions options;
    options.collectErrors = true;
    const ToolProcessRun run = runToolProcess(executable, arguments, options);
    return {run.exitStatus, run.errorOutput};
}

FFmpegOutputVerifier::ToolRun FFmpegOutputVerifier::runOwnTool(const QString& executable, const QStringList& arguments,
                                                               const StopCheck& shouldStop,
                                                               std::function<void(QByteArrayView)> output) const {
    ToolProcessOptions options;
    options.output = std::move(output);
    options.collectErrors = true;
    options.shouldStop = [closing = closing_, &shouldStop] { return closing->load() || (shouldStop && shouldStop()); };
    const ToolProcessRun run = runToolProcess(executable, arguments, options);
    return {run.exitStatus, run.errorOutput};
}

}  // namespace vantrel
