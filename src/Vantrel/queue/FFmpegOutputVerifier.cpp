#include "Vantrel/queue/FFmpegOutputVerifier.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

#include <signal.h>

namespace vantrel {

namespace {

using Kind = VerificationCheck::Kind;
using ProbeStream = FFmpegWrapper::ProbeStream;

// Waits on a probe; a probe that ends without a value counts as failed.
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

FFmpegOutputVerifier::ToolRun runToolTracked(const QString& executable, const QStringList& arguments,
                                             const std::function<bool(qint64)>& started,
                                             const std::function<void(qint64)>& ended) {
    QProcess process;
    process.setProgram(executable);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1)) return {-1, process.errorString()};
    const qint64 pid = process.processId();
    if (started && !started(pid)) process.kill();
    process.waitForFinished(-1);
    if (ended) ended(pid);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    if (process.exitStatus() != QProcess::NormalExit) return {-1, errors.isEmpty() ? process.errorString() : errors};
    return {process.exitCode(), errors};
}

}  // namespace

// The processes of this verifier's own checks, so that they can be stopped when
// the verifier goes away instead of being waited for.
class FFmpegOutputVerifier::RunningTools {
public:
    bool add(qint64 pid) {
        QMutexLocker lock(&mutex_);
        if (closing_) return false;
        pids_.insert(pid);
        return true;
    }
    void remove(qint64 pid) {
        QMutexLocker lock(&mutex_);
        pids_.remove(pid);
    }
    void closeAll() {
        QMutexLocker lock(&mutex_);
        closing_ = true;
        for (const qint64 pid : std::as_const(pids_)) ::kill(pid_t(pid), SIGKILL);
    }

private:
    QMutex mutex_;
    bool closing_ = false;
    QSet<qint64> pids_;
};

FFmpegOutputVerifier::FFmpegOutputVerifier(std::shared_ptr<SourceTimecodeReader> reader, BundledToolResolver resolver,
                                           std::shared_ptr<FFmpegWrapper> prober)
    : running_(std::make_shared<RunningTools>()),
      reader_(std::move(reader)),
      resolver_(std::move(resolver)),
      prober_(prober ? std::move(prober) : std::make_shared<FFmpegWrapper>(resolver_)) {
    pool_.setMaxThreadCount(2);
    pool_.setObjectName(QStringLiteral("OutputVerifier"));
}

FFmpegOutputVerifier::~FFmpegOutputVerifier() {
    running_->closeAll();
    pool_.waitForDone();
}

QFuture<VerificationResult> FFmpegOutputVerifier::verify(const CorrectionJob& job) {
    if (job.verifyTier == VerifyTier::off) return QtFuture::makeReadyFuture(VerificationResult::skipped());
    return QtConcurrent::run(&pool_, [this, job] { return verifyNow(job); });
}

QFuture<VerificationResult> FFmpegOutputVerifier::verifyThorough(const CorrectionJob& job, ProgressCallback progress) {
    if (job.verifyTier == VerifyTier::off) return QtFuture::makeReadyFuture(VerificationResult::skipped());
    return QtConcurrent::run(&pool_, [this, job, progress = std::move(progress)] { return verifyThoroughNow(job, progress); });
}

VerificationResult FFmpegOutputVerifier::verifyNow(const CorrectionJob& job) const {
    if (job.verifyTier == VerifyTier::off) return VerificationResult::skipped();
    const QDateTime start = QDateTime::currentDateTimeUtc();
    QElapsedTimer timer;
    timer.start();
    QList<VerificationCheck> checks;
    const auto [detail, severity] = checkTimecodeWriteBack(job);
    checks.append({Kind::timecodeWriteBack, severity, QStringLiteral("Timecode write-back"), detail});
    checks.append(checkSingleTimecodeTrack(job));
    checks.append(checkStreams(job));
    return {job.verifyTier, checks, start, double(timer.nsecsElapsed()) / 1e9};
}

VerificationResult FFmpegOutputVerifier::verifyThoroughNow(const CorrectionJob& job, const ProgressCallback& progress) const {
    if (job.verifyTier == VerifyTier::off) return VerificationResult::skipped();
    const QDateTime start = QDateTime::currentDateTimeUtc();
    QElapsedTimer timer;
    timer.start();
    auto report = [&progress](double fraction) {
        if (progress) progress(fraction);
    };
    QList<VerificationCheck> checks = verifyNow(job).checks;
    report(0.1);
    const auto [hashDetail, hashSeverity] = checkStreamHash(job);
    checks.append({Kind::streamHash, hashSeverity, QStringLiteral("Stream integrity"), hashDetail});
    report(0.6);
    const auto [decodeDetail, decodeSeverity] = checkFullDecode(job);
    checks.append({Kind::fullDecode, decodeSeverity, QStringLiteral("Full decode"), decodeDetail});
    report(1.0);
    return {job.verifyTier, checks, start, double(timer.nsecsElapsed()) / 1e9};
}

// MARK: standard tier

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

VerificationCheck FFmpegOutputVerifier::checkSingleTimecodeTrack(const CorrectionJob& job) const {
    const int count = awaitValue(prober_->timecodeTrackCount(job.outputPath), -1);
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

QList<VerificationCheck> FFmpegOutputVerifier::checkStreams(const CorrectionJob& job) const {
    const QString& source = job.sourcePath;
    const QString& output = job.outputPath;
    auto params = [this](const QString& file, ProbeStream stream) {
        return awaitValue(prober_->streamParams(file, stream), std::optional<StreamParams>());
    };
    const auto sourceVideo = params(source, ProbeStream::video);
    const auto outputVideo = params(output, ProbeStream::video);
    if (!outputVideo) {
        return {{Kind::readability, CheckSeverity::fail, QStringLiteral("Readability"),
                 QStringLiteral("Output video stream could not be demuxed — the file is unreadable.")}};
    }
    QList<VerificationCheck> checks{
        {Kind::readability, CheckSeverity::pass, QStringLiteral("Readability"), QStringLiteral("Output demuxes cleanly.")}};
    const bool sameContainer = isSameContainer(source, output);

    auto streamGroup = [&](ProbeStream stream, const std::optional<StreamParams>& sourceParams,
                           const std::optional<StreamParams>& outputParams) {
        const QString name = selector(stream);
        checks.append(VerificationCheck::codecParams(name, sourceParams, outputParams));
        if (!sameContainer) {
            checks.append(VerificationCheck::containerChangedNote(name));
            return;
        }
        const qint64 sourcePackets = awaitValue(prober_->packetCount(source, stream), qint64(-1));
        const qint64 outputPackets = awaitValue(prober_->packetCount(output, stream), qint64(-1));
        checks.append(VerificationCheck::packetCount(name, sourcePackets, outputPackets));
        const qint64 sourceBytes = awaitValue(prober_->packetBytes(source, stream), qint64(-1));
        const qint64 outputBytes = awaitValue(prober_->packetBytes(output, stream), qint64(-1));
        checks.append(VerificationCheck::packetBytes(name, sourceBytes, outputBytes));
    };

    streamGroup(ProbeStream::video, sourceVideo, outputVideo);
    const qint64 sourceDuration = awaitValue(prober_->duration(source), qint64(-1));
    const qint64 outputDuration = awaitValue(prober_->duration(output), qint64(-1));
    checks.append(VerificationCheck::duration(sourceDuration, outputDuration, job.frameRate));

    const auto sourceAudio = params(source, ProbeStream::audio);
    if (!sourceAudio) return checks;
    streamGroup(ProbeStream::audio, sourceAudio, params(output, ProbeStream::audio));
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

// MARK: thorough tier

FFmpegOutputVerifier::Outcome FFmpegOutputVerifier::checkStreamHash(const CorrectionJob& job) const {
    const auto ffmpeg = resolver_.resolve(BundledToolResolver::Tool::ffmpeg);
    if (!ffmpeg) return {QStringLiteral("Stream-integrity skipped — ffmpeg unavailable."), CheckSeverity::warning};
    const QString oneSide = QStringLiteral("Stream-integrity skipped — could not hash one side.");
    const auto source = hashStreams(job.sourcePath, *ffmpeg);
    if (!source) return {oneSide, CheckSeverity::warning};
    const auto output = hashStreams(job.outputPath, *ffmpeg);
    if (!output) return {oneSide, CheckSeverity::warning};
    if (*source == *output) return {QStringLiteral("Media streams are bit-identical to the source."), CheckSeverity::pass};
    return {QStringLiteral("Media streams diverged from the source (stream copy altered packets)."), CheckSeverity::fail};
}

std::optional<QStringList> FFmpegOutputVerifier::hashStreams(const QString& file, const QString& ffmpeg) const {
    const QString hashFile = QDir(QDir::tempPath())
                                 .absoluteFilePath(QStringLiteral("vantrel-streamhash-%1.txt")
                                                       .arg(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()));
    struct Cleanup {
        QString path;
        ~Cleanup() { QFile::remove(path); }
    } cleanup{hashFile};

    const ToolRun run = runOwnTool(ffmpeg, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), file,
                                         QStringLiteral("-map"), QStringLiteral("0:v:0"), QStringLiteral("-map"),
                                         QStringLiteral("0:a:0?"), QStringLiteral("-c"), QStringLiteral("copy"),
                                         QStringLiteral("-f"), QStringLiteral("streamhash"), QStringLiteral("-hash"),
                                         QStringLiteral("md5"), QStringLiteral("-y"), hashFile});
    if (run.exitStatus != 0) return std::nullopt;
    QFile hashes(hashFile);
    if (!hashes.open(QIODevice::ReadOnly)) return std::nullopt;
    static const QRegularExpression lineBreaks(QStringLiteral("\r\n|[\n\v\f\r\u0085\u2028\u2029]"));
    QStringList keys;
    for (const QString& line : QString::fromUtf8(hashes.readAll()).split(lineBreaks, Qt::SkipEmptyParts)) {
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

FFmpegOutputVerifier::Outcome FFmpegOutputVerifier::checkFullDecode(const CorrectionJob& job) const {
    const auto ffmpeg = resolver_.resolve(BundledToolResolver::Tool::ffmpeg);
    if (!ffmpeg) return {QStringLiteral("Deep decode skipped — ffmpeg unavailable."), CheckSeverity::warning};
    return fullDecodeOutcome(runOwnTool(*ffmpeg, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"),
                                               job.outputPath, QStringLiteral("-f"), QStringLiteral("null"),
                                               QStringLiteral("-")}));
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
    return runToolTracked(executable, arguments, {}, {});
}

FFmpegOutputVerifier::ToolRun FFmpegOutputVerifier::runOwnTool(const QString& executable,
                                                               const QStringList& arguments) const {
    const auto running = running_;
    return runToolTracked(
        executable, arguments, [&](qint64 pid) { return running->add(pid); }, [&](qint64 pid) { running->remove(pid); });
}

}  // namespace vantrel
