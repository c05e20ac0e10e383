#include "Vantrel/queue/CorrectionJob.h"

#include "Vantrel/queue/Bookmarks.h"
#include "Vantrel/queue/JsonCoding.h"
#include "Vantrel/media/TimecodeModel.h"

#include <QFileInfo>

namespace vantrel {

namespace {

QString lastPathComponent(const QString& path) {
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/'))) trimmed.chop(1);
    return trimmed.mid(trimmed.lastIndexOf(QLatin1Char('/')) + 1);
}

QString parentFolder(const QString& path) { return QFileInfo(path).absolutePath(); }

// Resolves a bookmark in place: a stale one is renewed from where the item is now
// (keeping the old bytes when that fails).
std::optional<QString> resolveAndRenew(std::optional<QByteArray>& bookmark) {
    const auto resolution = resolveBookmark(*bookmark);
    if (!resolution) return std::nullopt;
    if (resolution->isStale) {
        if (auto renewed = makeBookmark(resolution->path)) bookmark = std::move(renewed);
    }
    return resolution->path;
}

}  // namespace

std::optional<TimecodeModel> CorrectionJob::timecodeModel() const {
    return TimecodeModel::fromText(assignedTimecodeString, frameRate);
}

std::optional<QString> CorrectionJob::resolveSourceURL() {
    if (!sourceBookmarkData) return sourcePath;
    auto resolved = resolveAndRenew(sourceBookmarkData);
    if (resolved) sourcePath = *resolved;
    return resolved;
}

std::optional<QString> CorrectionJob::resolveOutputFolderURL() {
    if (!outputBookmarkData) return parentFolder(outputPath);
    return resolveAndRenew(outputBookmarkData);
}

QString CorrectionJob::sourceName() const { return lastPathComponent(sourcePath); }
QString CorrectionJob::outputName() const { return lastPathComponent(outputPath); }

QJsonObject CorrectionJob::toJson() const {
    QJsonObject object{
        {QStringLiteral("id"), id.toString(QUuid::WithoutBraces).toUpper()},
        {QStringLiteral("sourcePath"), sourcePath},
        {QStringLiteral("outputPath"), outputPath},
        {QStringLiteral("assignedTimecodeString"), assignedTimecodeString},
        {QStringLiteral("frameRate"), frameRate.toJson()},
        {QStringLiteral("fixMode"), QString::fromLatin1(fixModeRawValue(fixMode))},
        {QStringLiteral("verifyTier"), verifyTierRawValue(verifyTier)},
        {QStringLiteral("createdAt"), json::dateString(createdAt)},
        {QStringLiteral("status"), status.toJson()},
        {QStringLiteral("progress"), progress},
    };
    if (totalSourceBytes) object.insert(QStringLiteral("totalSourceBytes"), *totalSourceBytes);
    if (startedAt) object.insert(QStringLiteral("startedAt"), json::dateString(*startedAt));
    if (verification) object.insert(QStringLiteral("verification"), verification->toJson());
    if (sourceBookmarkData) {
        object.insert(QStringLiteral("sourceBookmarkData"), QString::fromLatin1(sourceBookmarkData->toBase64()));
    }
    if (outputBookmarkData) {
        object.insert(QStringLiteral("outputBookmarkData"), QString::fromLatin1(outputBookmarkData->toBase64()));
    }
    if (placedOutput) object.insert(QStringLiteral("placedOutput"), placedOutput->toJson());
    if (partialName) object.insert(QStringLiteral("partialName"), *partialName);
    if (partialFile) object.insert(QStringLiteral("partialFile"), partialFile->toJson());
    return object;
}

std::optional<CorrectionJob> CorrectionJob::fromJson(const QJsonValue& value, QString* why) {
    auto fail = [why](const char* reason) -> std::optional<CorrectionJob> {
        if (why) *why = QString::fromLatin1(reason);
        return std::nullopt;
    };
    if (!value.isObject()) return fail("not an object");
    const QJsonObject object = value.toObject();
    auto field = [&object](const char* key) { return object.value(QLatin1StringView(key)); };
    auto present = [&object](const char* key) { return json::isPresent(object, QLatin1StringView(key)); };

    CorrectionJob job;
    const auto idText = json::string(field("id"));
    if (!idText || idText->size() != 36) return fail("bad id");
    job.id = QUuid::fromString(*idText);
    if (job.id.isNull() && *idText != QStringLiteral("00000000-0000-0000-0000-000000000000")) return fail("bad id");

    const auto sourcePath = json::string(field("sourcePath"));
    const auto outputPath = json::string(field("outputPath"));
    const auto timecode = json::string(field("assignedTimecodeString"));
    if (!sourcePath || !outputPath || !timecode) return fail("missing path or timecode");
    job.sourcePath = *sourcePath;
    job.outputPath = *outputPath;
    job.assignedTimecodeString = *timecode;

    const auto rate = FrameRate::fromJson(field("frameRate"));
    if (!rate) return fail("bad frameRate");
    job.frameRate = *rate;

    const auto fixModeText = json::string(field("fixMode"));
    const auto fixMode = fixModeText ? fixModeFromRawValue(fixModeText->toStdString()) : std::nullopt;
    if (!fixMode) return fail("bad fixMode");
    job.fixMode = *fixMode;

    if (present("verifyTier")) {
        const auto tierText = json::string(field("verifyTier"));
        const auto tier = tierText ? verifyTierFromRawValue(*tierText) : std::nullopt;
        if (!tier) return fail("bad verifyTier");
        job.verifyTier = *tier;
    } else if (present("verifyLevel")) {
        const auto level = json::string(field("verifyLevel"));
        if (!level) return fail("bad verifyLevel");
        job.verifyTier = verifyTierFromLegacyLevel(*level);
    } else {
        job.verifyTier = VerifyTier::standard;
    }

    const auto createdAt = json::date(field("createdAt"));
    if (!createdAt) return fail("bad createdAt");
    job.createdAt = *createdAt;

    if (present("totalSourceBytes")) {
        job.totalSourceBytes = json::integer(field("totalSourceBytes"));
        if (!job.totalSourceBytes) return fail("bad totalSourceBytes");
    }
    if (present("status")) {
        const auto status = JobStatus::fromJson(field("status"));
        if (!status) return fail("bad status");
        job.status = *status;
    }
    if (present("progress")) {
        const auto progress = json::number(field("progress"));
        if (!progress) return fail("bad progress");
        job.progress = *progress;
    }
    if (present("startedAt")) {
        job.startedAt = json::date(field("startedAt"));
        if (!job.startedAt) return fail("bad startedAt");
    }
    // A verification that no longer reads is dropped; the job itself still counts.
    if (present("verification")) job.verification = VerificationResult::fromJson(field("verification"));
    // So is a placed output that no longer reads: the job then writes beside whatever stands there.
    if (present("placedOutput")) job.placedOutput = FileIdentity::fromJson(field("placedOutput"));

    for (auto [key, target] : {std::pair{"sourceBookmarkData", &job.sourceBookmarkData},
                               std::pair{"outputBookmarkData", &job.outputBookmarkData}}) {
        if (!present(key)) continue;
        *target = json::base64(field(key));
        if (!*target) return fail("bad bookmark");
    }
    // A record that does not read is dropped: nothing is then known to be the job's.
    if (present("partialName")) job.partialName = json::string(field("partialName"));
    if (present("partialFile")) job.partialFile = FileNode::fromJson(field("partialFile"));
    return job;
}

}  // namespace vantrel
