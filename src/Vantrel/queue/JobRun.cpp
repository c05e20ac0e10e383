#include "Vantrel/queue/JobRun.h"

#include "Vantrel/queue/FFmpegCorrectionRunner.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vantrel {

JobRun::JobRun(CorrectionJob job, Purpose purpose)
    : job_(std::move(job)),
      purpose_(purpose),
      outputFolder_(QFileInfo(job_.outputPath).absolutePath()) {}

JobRun::~JobRun() {
    token_.cancel();
    verification_.cancel();
    discardPartial();
}

void JobRun::setLocations(const QString& sourcePath, const QString& outputFolder,
                          std::optional<QByteArray> sourceBookmark, std::optional<QByteArray> outputBookmark) {
    // A source found elsewhere by its bookmark is the one the run and the checks use.
    job_.sourcePath = sourcePath;
    job_.sourceBookmarkData = std::move(sourceBookmark);
    job_.outputBookmarkData = std::move(outputBookmark);
    outputFolder_ = outputFolder;
}

void JobRun::cancel() {
    token_.cancel();
    verification_.cancel();
}

CorrectionJob JobRun::startCorrection() {
    partialPath_ = PartialOutput::pathFor(job_.outputPath);
    partial_ = PartialOutput::Hold(partialPath_);
    return checkedJob();
}

CorrectionJob JobRun::checkedJob() const {
    CorrectionJob checked = job_;
    if (!partialPath_.isEmpty()) checked.outputPath = partialPath_;
    return checked;
}

std::optional<QString> JobRun::placeOutput() {
    const QString partial = partial_.path();
    if (partial.isEmpty()) return CorrectionRunnerError::outputNotPlaced(QStringLiteral("nothing was written")).errorDescription();
    // Whatever happened to the folders meanwhile, the source is never replaced.
    if (FFmpegCorrectionRunner::outputIsSource(job_.outputPath, job_.sourcePath)) {
        discardPartial();
        return CorrectionRunnerError::outputIsSource(job_.outputPath).errorDescription();
    }
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(job_.outputPath).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        discardPartial();
        return CorrectionRunnerError::outputNotPlaced(reason).errorDescription();
    }
    partial_.release();
    return std::nullopt;
}

void JobRun::discardPartial() {
    if (partial_.path().isEmpty()) return;
    QFile::remove(partial_.path());
    partial_.release();
}

namespace {

QString renamed(QString text, const QString& partialPath, const QString& outputPath) {
    if (partialPath.isEmpty()) return text;
    text.replace(partialPath, outputPath);
    text.replace(QFileInfo(partialPath).fileName(), QFileInfo(outputPath).fileName());
    return text;
}

}  // namespace

QString JobRun::namingOutput(QString text) const { return renamed(std::move(text), partialPath_, job_.outputPath); }

std::function<QString(QString)> JobRun::outputNaming() const {
    return [partial = partialPath_, output = job_.outputPath](QString text) {
        return renamed(std::move(text), partial, output);
    };
}

VerificationResult JobRun::namingOutput(VerificationResult result) const {
    for (VerificationCheck& check : result.checks) check.detail = namingOutput(check.detail);
    return result;
}

}  // namespace vantrel
