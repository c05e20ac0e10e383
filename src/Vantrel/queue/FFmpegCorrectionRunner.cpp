#include "Vantrel/queue/FFmpegCorrectionRunner.h"

#include "Vantrel/tools/CorrectionCommand.h"
#include "Vantrel/media/SourceTimecodeReader.h"
#include "Vantrel/media/TimecodeModel.h"
#include "Vantrel/queue/FFmpegOutputVerifier.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

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

// The longest file name the file systems in use take, in bytes.
constexpr qsizetype maxNameBytes = 255;
const QString partialMarker = QStringLiteral(".partial-");
constexpr qsizetype partialTagLength = 8;
const QString partialSuffix = QStringLiteral(".mov");

// The longest start of the text whose UTF-8 form fits in the bytes; a character
// (a surrogate pair included) is kept whole or left out.
QString leadingUtf8(const QString& text, qsizetype maxBytes) {
    qsizetype bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const qsizetype length =
            text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate() ? 2 : 1;
        bytes += QFile::encodeName(text.mid(end, length)).size();
        if (bytes > maxBytes) break;
        end += length;
    }
    return text.left(end);
}

// The output stem as a partial name carries it.
QString partialStem(const QString& stem) {
    const qsizetype room = maxNameBytes - 1 - partialMarker.size() - partialTagLength - partialSuffix.size();
    if (QFile::encodeName(stem).size() <= room) return stem;
    const QString digest = QString::fromLatin1(
        QCryptographicHash::hash(stem.toUtf8(), QCryptographicHash::Sha1).toHex().left(8).toUpper());
    const QString mark = QLatin1Char('~') + digest;
    return leadingUtf8(stem, room - mark.size()) + mark;
}

QString partialPrefix(const QString& outputPath) {
    return QLatin1Char('.') + partialStem(QFileInfo(outputPath).completeBaseName()) + partialMarker;
}

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

}  // namespace

QString FFmpegCorrectionRunner::partialOutputPath(const QString& outputPath) {
    const QString tag = QUuid::createUuid().toString(QUuid::Id128).left(partialTagLength).toUpper();
    return QFileInfo(outputPath).dir().absoluteFilePath(partialPrefix(outputPath) + tag + partialSuffix);
}

bool FFmpegCorrectionRunner::isPartialOf(const QString& fileName, const QString& outputPath) {
    const QString prefix = partialPrefix(outputPath);
    if (fileName.size() != prefix.size() + partialTagLength + partialSuffix.size() || !fileName.startsWith(prefix) ||
        !fileName.endsWith(partialSuffix)) {
        return false;
    }
    const QStringView tag = QStringView(fileName).mid(prefix.size(), partialTagLength);
    return std::all_of(tag.begin(), tag.end(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
    });
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

QFuture<void> FFmpegCorrectionRunner::run(const CorrectionJob& job, ProgressCallback progress, LogCallback log) {
    const auto ffmpeg = wrapper_->toolResolver().resolve(BundledToolResolver::Tool::ffmpeg);
    if (!ffmpeg) return QtFuture::makeExceptionalFuture(CorrectionRunnerError::toolUnavailable());
    const auto timecode = job.timecodeModel();
    if (!timecode) return QtFuture::makeExceptionalFuture(CorrectionRunnerError::invalidTimecode(job.assignedTimecodeString));
    const QString output = QFileInfo(job.outputPath).absoluteFilePath();
    if (output == QFileInfo(job.sourcePath).absoluteFilePath() ||
        FFmpegWrapper::outputOverwritingInput({QStringLiteral("-i"), job.sourcePath, output})) {
        return QtFuture::makeExceptionalFuture(CorrectionRunnerError::outputIsSource(job.outputPath));
    }

    // Partial files an interrupted earlier run of this output left behind go first.
    QDir folder = QFileInfo(output).dir();
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
        if (isPartialOf(name, output)) folder.remove(name);
    }

    const QString partial = partialOutputPath(output);
    const QStringList arguments = makeTimecodeArguments(job.sourcePath, partial, timecode->tc);
    wrapper_->clearCancelling();
    QFuture<QString> tool = wrapper_->runFFmpegKeepingErrors(
        *ffmpeg, arguments, std::nullopt,
        [progress = std::move(progress)](double fraction, const QString&) {
            if (progress) progress(fraction);
        },
        [log = std::move(log)](const QString& line) {
            if (log) log(line);
        });

    return QtConcurrent::run(&pool_, [tool, partial, output, assigned = job.assignedTimecodeString]() mutable {
        try {
            tool.waitForFinished();
        } catch (...) {
            QFile::remove(partial);
            throw;
        }
        if (tool.isCanceled()) {
            QFile::remove(partial);
            FFmpegWrapper::FFmpegError::cancelled().raise();
        }
        // The tool can end with status 0 having failed (a full disk when it writes
        // the movie header, a timecode it could not apply): the file must prove
        // itself before it takes the output name.
        if (const auto problem = finishedOutputProblem(partial, assigned)) {
            QFile::remove(partial);
            const QString standardError = tool.resultCount() > 0 ? tool.result() : QString();
            CorrectionRunnerError::outputIncomplete(incompleteOutputText(*problem, standardError)).raise();
        }
        // rename(2) replaces an existing file at the output name in one step, as
        // the tool itself would have with "-y".
        if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(output).constData()) != 0) {
            const QString reason = QString::fromLocal8Bit(std::strerror(errno));
            QFile::remove(partial);
            CorrectionRunnerError::outputNotPlaced(reason).raise();
        }
    });
}

void FFmpegCorrectionRunner::cancel() { wrapper_->cancel(); }

}  // namespace vantrel
