#pragma once

// One queued correction: which movie is rewritten into which output, with which
// start timecode at which rate, how the output is verified and how far it has come.

#include "Vantrel/media/FixMode.h"
#include "Vantrel/media/FrameRate.h"
#include "Vantrel/queue/FileIdentity.h"
#include "Vantrel/queue/JobStatus.h"
#include "Vantrel/queue/VerificationResult.h"
#include "Vantrel/queue/VerifyTier.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace vantrel {

struct TimecodeModel;

struct CorrectionJob {
    QUuid id;
    QString sourcePath;   // absolute; follows the source bookmark when that resolves elsewhere
    QString outputPath;   // absolute path of the output .mov
    QString assignedTimecodeString;
    FrameRate frameRate;
    FixMode fixMode = FixMode::creationTime;
    VerifyTier verifyTier = VerifyTier::standard;
    QDateTime createdAt;
    std::optional<qint64> totalSourceBytes;
    JobStatus status;
    double progress = 0;
    std::optional<QDateTime> startedAt;
    std::optional<VerificationResult> verification;
    double verificationProgress = 0;  // in memory only
    bool isDeepVerifying = false;     // in memory only
    std::optional<QByteArray> sourceBookmarkData;
    std::optional<QByteArray> outputBookmarkData;  // of the output folder
    // The output this job put at outputPath, as it was then: a later run of the job
    // writes over that file, and over no other.
    std::optional<FileIdentity> placedOutput;
    // The hidden file (its name, in the output's folder) the job's latest run writes,
    // and which file it is: on disk before the file has that name, and kept until the
    // file has taken the output's name or is gone. A run cut off leaves only a file
    // the queue knows for its own, and a file that has the name and is not that one
    // (a user's, or one a record wrongly names) is never taken for it.
    std::optional<QString> partialName;
    std::optional<FileNode> partialFile;

    // The assigned timecode parsed at the job's rate; nothing when the rate has no
    // timecode rate or the text does not parse or validate at it.
    std::optional<TimecodeModel> timecodeModel() const;

    // Where the source is now: its bookmark resolved (renewing a stale one and
    // taking over the new path), or the stored path when there is no bookmark.
    // Nothing when the bookmark cannot be resolved.
    std::optional<QString> resolveSourceURL();
    // The output folder, resolved the same way; outputPath is not changed.
    std::optional<QString> resolveOutputFolderURL();

    QString sourceName() const;  // last path component of sourcePath
    QString outputName() const;  // last path component of outputPath

    // The record's form in the queue file; absent optionals are left out.
    QJsonObject toJson() const;
    // Strict on identity, paths, timecode, rate, fix mode and dates; lenient on
    // the tier (legacy "verifyLevel"), status, progress and verification.
    static std::optional<CorrectionJob> fromJson(const QJsonValue& value, QString* why = nullptr);
};

}  // namespace vantrel
