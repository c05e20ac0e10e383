#include "Vantrel/queue/FFmpegCorrectionRunner.h"

#include "Vantrel/tools/CorrectionCommand.h"
#include "Vantrel/media/SourceTimecodeReader.h"
#include "Vantrel/media/TimecodeModel.h"
#include "Vantrel/queue/FFmpegOutputVerifier.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cstdint>

#include <sys/stat.h>

namespace vantrel {

CorrectionRunnerError::CorrectionRunnerError(Kind kind, QString description)
    : kind_(kind), description_(std::move(description)), what_(description_.toUtf8()) {}

CorrectionRunnerError CorrectionRunnerError::invalidTimecode(const QString& assignedTimecode) {
    return {Kind::invalidTimecode,
            QStringLiteral("Assigned timecode '%1' is not valid for this job's frame rate.").arg(assignedTimecode)};
}

CorrectionRunnerError CorrectionRunnerError::toolUnavailable() {
    return {Kind::toolUnavailable, QStringLiteral("FFmpeg is not installed — install it with "
                                                  "“sudo apt-get install ffmpeg”.")};
}

CorrectionRunnerError CorrectionRunnerError::outputIsSource(const QString& path) {
    return {Kind::outputIsSource,
            QStringLiteral("The output '%1' is the source file itself — it is never overwritten.").arg(path)};
}

CorrectionRunnerError CorrectionRunnerError::outputNotPlaced(const QString& reason) {
    return {Kind::outputNotPlaced, QStringLiteral("The finished output could not be put in place: ") + reason};
}

CorrectionRunnerError CorrectionRunnerError::outputIncomplete(const QString& description) {
    return {Kind::outputIncomplete, description};
}

FFmpegCorrectionRunner::FFmpegCorrectionRunner(std::unique_ptr<FFmpegWrapper> wrapper, bool isAvailable)
    : wrapper_(std::move(wrapper)), isAvailable_(isAvailable) {
    pool_.setMaxThreadCount(1);
    pool_.setObjectName(QStringLiteral("CorrectionRunner"));
}

FFmpegCorrectionRunner::~FFmpegCorrectionRunner() {
    // A run still going is stopped (its partial file removed) rather than waited for.
    wrapper_->cancel();
    pool_.waitForDone();
}

std::shared_ptr<FFmpegCorrectionRunner> FFmpegCorrectionRunner::make(const BundledToolResolver& resolver) {
    return std::make_shared<FFmpegCorrectionRunner>(std::make_unique<FFmpegWrapper>(resolver),
                                                    resolver.isAvailable(BundledToolResolver::Tool::ffmpeg));
}

namespace {

std::uint64_t bigEndian(const QByteArray& bytes, qsizetype offset, int count) {
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | std::uint8_t(bytes[offset + i]);
    return value;
}

// A QuickTime file is a run of top-level boxes (size, type, contents) that ends
// exactly where the file does, the movie header ('moov') among them. A write
// stopped early leaves a box running past the end, or no movie header at all.
std::optional<QString> boxStructureProblem(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("The written file cannot be read: ") + file.errorString();
    const QString cutShort = QStringLiteral("The written file is cut short.");
    const qint64 size = file.size();
    qint64 offset = 0;
    bool hasMovieHeader = false;
    while (offset < size) {
        if (!file.seek(offset)) return cutShort;
        const QByteArray header = file.read(16);
        if (header.size() < 8) return cutShort;
        std::uint64_t boxSize = bigEndian(header, 0, 4);
        if (boxSize == 1) {  // a 64-bit size follows the type
            if (header.size() < 16) return cutShort;
            boxSize = bigEndian(header, 8, 8);
            if (boxSize < 16) return cutShort;
        } else if (boxSize == 0) {  // the box runs to the end of the file
            boxSize = std::uint64_t(size - offset);
        } else if (boxSize < 8) {
            return cutShort;
        }
        if (boxSize > std::uint64_t(size - offset)) return cutShort;
        if (header.mid(4, 4) == "moov") hasMovieHeader = true;
        offset += qint64(boxSize);
    }
    if (!hasMovieHeader) return QStringLiteral("The written file is not a whole movie: its movie header is missing.");
    return std::nullopt;
}

// What stands at a path, told apart from anything written there later: the
// file's identity and the time of its last change. None when nothing is there.
struct FileStamp {
    dev_t device;
    ino_t inode;
    off_t size;
    timespec modified;

    static std::optional<FileStamp> of(const QString& path) {
        struct stat info {};
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0) return std::nullopt;
        return FileStamp{info.st_dev, info.st_ino, info.st_size, info.st_mtim};
    }
    friend bool operator==(const FileStamp& a, const FileStamp& b) {
        return a.device == b.device && a.inode == b.inode && a.size == b.size &&
               a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec;
    }
};

// Removes the output when the tool wrote it: nothing stood there before the run,
// or what stood there has changed since. A file the tool never touched (it failed
// before it wrote, or never started) stays as it was.
void removeWhatTheToolWrote(const QString& output, const std::optional<FileStamp>& before) {
    const auto now = FileStamp::of(output);
    if (now && (!before || !(*now == *before))) QFile::remove(output);
}

}  // namespace

bool FFmpegCorrectionRunner::outputIsSource(const QString& outputPath, const QString& sourcePath) {
    const QString output = QFileInfo(outputPath).absoluteFilePath();
    return output == QFileInfo(sourcePath).absoluteFilePath() ||
           FFmpegWrapper::outputOverwritingInput({QStringLiteral("-i"), sourcePath, output});
}

std::optional<QString> FFmpegCorrectionRunner::finishedOutputProblem(const QString& path,
                                                                     const QString& assignedTimecode) {
    if (auto problem = boxStructureProblem(path)) return problem;
    using ReaderError = SourceTimecodeReader::ReaderError;
    const auto result = SourceTimecodeReader::readTimecodeNow(path);
    if (const auto* error = std::get_if<ReaderError>(&result)) {
        switch (error->kind()) {
        case ReaderError::Kind::readerInitFailed:
            return QStringLiteral("The written file does not open as a movie: %1.").arg(error->text());
        case ReaderError::Kind::noTimecodeTrack:
            return QStringLiteral("The written file has no timecode track.");
        default:
            return QStringLiteral("The written file's timecode cannot be read: ") + error->errorDescription();
        }
    }
    const auto& reading = std::get<TimecodeTrackReading>(result);
    const QString written = formatTimecode(reading, reading.isDropFrame);
    const auto writtenKey = FFmpegOutputVerifier::normalizedTimecodeKey(written);
    if (!writtenKey || writtenKey != FFmpegOutputVerifier::normalizedTimecodeKey(assignedTimecode)) {
        return QStringLiteral("The written file starts at timecode %1, not at the assigned %2.").arg(written, assignedTimecode);
    }
    return std::nullopt;
}

QString FFmpegCorrectionRunner::incompleteOutputText(const QString& problem, const QString& standardError) {
    static const QRegularExpression lineBreak(QStringLiteral("[\r\n]"));
    // "[mov @ 0x55d0c3a1e2c0] Drop frame is only allowed …": a component of the tool speaking.
    static const QRegularExpression componentMessage(QStringLiteral("^\\[[^\\]]* @ 0x[0-9a-fA-F]+\\] (.+)$"));
    QString lastComponentMessage;
    for (const QString& rawLine : standardError.split(lineBreak, Qt::SkipEmptyParts)) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QStringLiteral("Error "))) return line;
        const auto match = componentMessage.match(line);
        if (match.hasMatch()) lastComponentMessage = match.captured(1);
    }
    if (lastComponentMessage.isEmpty()) return problem;
    return problem + QStringLiteral(" FFmpeg: ") + lastComponentMessage;
}

QFuture<void> FFmpegCorrectionRunner::run(const CorrectionJob& job, ProgressCallback progress, LogCallback log,
                                          CancellationToken token) {
    const auto ffmpeg = wrapper_->toolResolver().resolve(BundledToolResolver::Tool::ffmpeg);
    if (!ffmpeg) return QtFuture::makeExceptionalFuture(CorrectionRunnerError::toolUnavailable());
    const auto timecode = job.timecodeModel();
    if (!timecode) return QtFuture::makeExceptionalFuture(CorrectionRunnerError::invalidTimecode(job.assignedTimecodeString));
    if (outputIsSource(job.outputPath, job.sourcePath)) {
        return QtFuture::makeExceptionalFuture(CorrectionRunnerError::outputIsSource(job.outputPath));
    }

    const QString output = QFileInfo(job.outputPath).absoluteFilePath();
    const QStringList arguments = makeTimecodeArguments(job.sourcePath, output, timecode->tc);
    const std::optional<FileStamp> before = FileStamp::of(output);
    // A cancel from before this run is forgotten; one from now on is this run's.
    wrapper_->clearCancelling();
    QFuture<QString> tool = wrapper_->runFFmpegKeepingErrors(
        *ffmpeg, arguments, std::nullopt,
        [progress = std::move(progress)](double fraction, const QString&) {
            if (progress) progress(fraction);
        },
        [log = std::move(log)](const QString& line) {
            if (log) log(line);
        },
        {}, token);

    return QtConcurrent::run(&pool_, [tool, output, before, assigned = job.assignedTimecodeString]() mutable {
        try {
            tool.waitForFinished();
        } catch (...) {
            // Whatever the tool wrote goes; nothing else does.
            removeWhatTheToolWrote(output, before);
            throw;
        }
        // The tool can end with status 0 having failed (a full disk when it writes
        // the movie header, a timecode it could not apply): the file must prove
        // itself before the run counts as done.
        if (const auto problem = finishedOutputProblem(output, assigned)) {
            removeWhatTheToolWrote(output, before);
            const QString standardError = tool.resultCount() > 0 ? tool.result() : QString();
            CorrectionRunnerError::outputIncomplete(incompleteOutputText(*problem, standardError)).raise();
        }
    });
}

void FFmpegCorrectionRunner::cancel() { wrapper_->cancel(); }

}  // namespace vantrel
