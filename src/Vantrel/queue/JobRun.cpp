#include "Vantrel/queue/JobRun.h"

#include "Vantrel/media/OutputNamer.h"
#include "Vantrel/queue/FFmpegCorrectionRunner.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

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

int JobRun::makePartial() {
    partialPath_ = PartialOutput::pathFor(job_.outputPath);
    int error = 0;
    partial_ = PartialOutput::Hold::make(partialPath_, &error);
    // Someone else's file has the name: the run has no partial file there.
    if (error == EEXIST) partialPath_.clear();
    return error;
}

QString JobRun::partialName() const { return QFileInfo(partialPath_).fileName(); }

int JobRun::namePartial() {
    const int error = partial_.takeName();
    if (error != 0) partialPath_.clear();
    return error;
}

bool JobRun::hasPartialLeft() const {
    struct stat info {};
    return !partialPath_.isEmpty() && ::lstat(QFile::encodeName(partialPath_).constData(), &info) == 0;
}

CorrectionJob JobRun::checkedJob() const {
    CorrectionJob checked = job_;
    if (!partialPath_.isEmpty()) checked.outputPath = partialPath_;
    return checked;
}

JobRun::Placement JobRun::placeOutput(const std::function<bool(const QString&)>& isTaken) {
    const QString partial = partial_.path();
    auto fail = [this](const QString& problem) {
        discardPartial();
        return Placement{{}, job_.outputPath, false, problem};
    };
    if (partial.isEmpty()) return fail(CorrectionRunnerError::outputNotPlaced(QStringLiteral("nothing was written")).errorDescription());
    // Whatever happened to the folders meanwhile, the source is never replaced.
    if (FFmpegCorrectionRunner::outputIsSource(job_.outputPath, job_.sourcePath)) {
        return fail(CorrectionRunnerError::outputIsSource(job_.outputPath).errorDescription());
    }
    const QFileInfo wanted(job_.outputPath);
    // Taken before the move, which keeps the file as it is.
    const std::optional<FileIdentity> placing = FileIdentity::of(partial);
    QSet<QString> standing;  // names found taken on the way
    QString target = job_.outputPath;
    for (;;) {
        int error = PartialOutput::placeWithoutReplacing(partial, target);
        // The job's own earlier output (one kept for a look after its checks failed)
        // is written over, as a run of the job does; a file that only has its name is not.
        if (error == EEXIST && target == job_.outputPath && job_.placedOutput) {
            const auto replacing = PartialOutput::replaceOwn(partial, target, *job_.placedOutput);
            if (replacing == PartialOutput::Replacing::replaced) error = 0;
            if (replacing == PartialOutput::Replacing::stranded) {
                partial_.release();  // it holds the other file now
                return Placement{{}, job_.outputPath, false,
                                 CorrectionRunnerError::outputNotPlaced(
                                     QStringLiteral("the file that came to its name meanwhile is now at %1").arg(partial))
                                     .errorDescription()};
            }
        }
        if (error == 0) break;
        if (error != EEXIST) {
            return fail(CorrectionRunnerError::outputNotPlaced(QString::fromLocal8Bit(std::strerror(error))).errorDescription());
        }
        // Taken, by a file this run did not write: the next free name, as new jobs get theirs.
        standing.insert(target);
        const auto next = OutputNamer::freeOutputPath(
            wanted.absolutePath(), wanted.completeBaseName(), job_.sourcePath,
            [&](const QString& path) { return standing.contains(path) || (isTaken && isTaken(path)); });
        if (const auto* problem = std::get_if<OutputNamer::OutputNamerError>(&next)) {
            return fail(QStringLiteral("The output name %1 is taken by another file, and no free name is left beside "
                                       "it: %2.")
                            .arg(job_.outputPath, OutputNamer::errorDescription(*problem)));
        }
        target = std::get<QString>(next);
    }
    partial_.release();
    Placement placed{target, job_.outputPath, target != job_.outputPath, {}};
    job_.outputPath = target;
    job_.placedOutput = placing;
    return placed;
}

void JobRun::discardPartial() { partial_.remove(); }

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
