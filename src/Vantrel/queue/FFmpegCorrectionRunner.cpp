#include "Vantrel/queue/FFmpegCorrectionRunner.h"

#include "Vantrel/tools/CorrectionCommand.h"
#include "Vantrel/media/TimecodeModel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

#include <cerrno>
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
    return {Kind::toolUnavailable, QStringLiteral("FFmpeg is not available — add it to the Helpers folder or "
                                                  "install it with the package manager.")};
}

CorrectionRunnerError CorrectionRunnerError::outputIsSource(const QString& path) {
    return {Kind::outputIsSource,
            QStringLiteral("The output '%1' is the source file itself — it is never overwritten.").arg(path)};
}

CorrectionRunnerError CorrectionRunnerError::outputNotPlaced(const QString& reason) {
    return {Kind::outputNotPlaced, QStringLiteral("The finished output could not be put in place: ") + reason};
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

QString FFmpegCorrectionRunner::partialOutputPath(const QString& outputPath) {
    const QFileInfo output(outputPath);
    const QString tag = QUuid::createUuid().toString(QUuid::Id128).left(8).toUpper();
    return output.dir().absoluteFilePath(QStringLiteral(".%1.partial-%2.mov").arg(output.completeBaseName(), tag));
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
    const QFileInfo outputInfo(output);
    QDir folder = outputInfo.dir();
    const QString partialPrefix = QLatin1Char('.') + outputInfo.completeBaseName() + QStringLiteral(".partial-");
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
        if (name.startsWith(partialPrefix) && name.endsWith(QStringLiteral(".mov")) &&
            name.size() == partialPrefix.size() + 12) {
            folder.remove(name);
        }
    }

    const QString partial = partialOutputPath(output);
    const QStringList arguments = makeTimecodeArguments(job.sourcePath, partial, timecode->tc);
    wrapper_->clearCancelling();
    QFuture<void> tool = wrapper_->runFFmpeg(
        *ffmpeg, arguments, std::nullopt,
        [progress = std::move(progress)](double fraction, const QString&) {
            if (progress) progress(fraction);
        },
        [log = std::move(log)](const QString& line) {
            if (log) log(line);
        });

    return QtConcurrent::run(&pool_, [tool, partial, output]() mutable {
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
