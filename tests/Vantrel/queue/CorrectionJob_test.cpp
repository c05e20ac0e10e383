// The job record: its stored form (strict where it must be, lenient where records
// grew over time), and resolution without bookmarks.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "Vantrel/queue/CorrectionJob.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace vantrel;

namespace {

CorrectionJob sampleJob() {
    CorrectionJob job;
    job.id = QUuid::fromString(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"));
    job.sourcePath = QStringLiteral("/media/card/A001.mov");
    job.outputPath = QStringLiteral("/media/out/A001_TC.mov");
    job.assignedTimecodeString = QStringLiteral("10:04:59:12");
    job.frameRate = FrameRate{25, 1, 25, false};
    job.fixMode = FixMode::creationTime;
    job.verifyTier = VerifyTier::thorough;
    job.createdAt = QDateTime(QDate(2025, 3, 1), QTime(14, 5, 9), Qt::UTC);
    return job;
}

// The record as the file would hold it, after a trip through JSON text.
QJsonObject stored(const CorrectionJob& job) {
    return QJsonDocument::fromJson(QJsonDocument(QJsonArray{job.toJson()}).toJson()).array().first().toObject();
}

std::optional<CorrectionJob> decode(QJsonObject object) { return CorrectionJob::fromJson(object); }

}  // namespace

TEST(CorrectionJob, MinimalRecordHasOnlyTheRequiredKeys) {
    const QJsonObject json = stored(sampleJob());
    EXPECT_EQ(json.keys(), (QStringList{"assignedTimecodeString", "createdAt", "fixMode", "frameRate", "id",
                                        "outputPath", "progress", "sourcePath", "status", "verifyTier"}));
    EXPECT_EQ(json.value("id").toString(), QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));
    EXPECT_EQ(json.value("createdAt").toString(), QStringLiteral("2025-03-01T14:05:09Z"));
    EXPECT_EQ(json.value("status").toObject(), (QJsonObject{{"type", "pending"}}));
    EXPECT_EQ(json.value("fixMode").toString(), QStringLiteral("creationTime"));
    EXPECT_EQ(json.value("verifyTier").toString(), QStringLiteral("thorough"));
}

TEST(CorrectionJob, FullRecordRoundTripsExceptTheInMemoryFields) {
    auto job = sampleJob();
    job.fixMode = FixMode::manual;
    job.totalSourceBytes = 7'000'000'000;
    job.status = JobStatus::failed(QStringLiteral("Verification failed: Output timecode 01:00:00:00 ≠ assigned 02:00:00:00."));
    job.progress = 0.25;
    job.startedAt = QDateTime(QDate(2025, 3, 2), QTime(1, 2, 3), Qt::UTC);
    job.verification = VerificationResult{VerifyTier::standard,
                                          {{VerificationCheck::Kind::duration, CheckSeverity::info, "Duration", "d"}},
                                          *job.startedAt, 2.5};
    job.sourceBookmarkData = QByteArray("\x00\x01source\xff", 10);
    job.outputBookmarkData = QByteArray("folder");
    // Numbers beyond what a JSON number keeps exactly.
    job.placedOutput = FileIdentity{0xfd01'0000'0000'0001, (1ull << 63) + 3, 7'000'000'001, 1'740'837'909, 999'999'999};
    job.partialName = QStringLiteral(".A001_TC.partial-0123ABCD.mov");
    job.partialFile = FileNode{0xfd01'0000'0000'0001, (1ull << 63) + 5};
    job.verificationProgress = 0.5;
    job.isDeepVerifying = true;

    const QJsonObject json = stored(job);
    EXPECT_FALSE(json.contains("verificationProgress"));
    EXPECT_FALSE(json.contains("isDeepVerifying"));
    EXPECT_FALSE(json.contains("verifyLevel"));
    EXPECT_EQ(json.value("status").toObject().keys(), (QStringList{"errorMessage", "type"}));

    const auto decoded = decode(json);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->id, job.id);
    EXPECT_EQ(decoded->fixMode, FixMode::manual);
    EXPECT_EQ(decoded->totalSourceBytes, 7'000'000'000);
    EXPECT_EQ(decoded->status, job.status);
    EXPECT_EQ(decoded->progress, 0.25);
    EXPECT_EQ(decoded->startedAt, job.startedAt);
    EXPECT_EQ(decoded->verification, job.verification);
    EXPECT_EQ(decoded->sourceBookmarkData, job.sourceBookmarkData);
    EXPECT_EQ(decoded->outputBookmarkData, job.outputBookmarkData);
    EXPECT_EQ(decoded->placedOutput, job.placedOutput);
    EXPECT_EQ(decoded->partialName, job.partialName);
    EXPECT_EQ(decoded->partialFile, job.partialFile);
    EXPECT_EQ(decoded->frameRate, job.frameRate);
    EXPECT_EQ(decoded->verificationProgress, 0);
    EXPECT_FALSE(decoded->isDeepVerifying);

    auto cancelled = sampleJob();
    cancelled.status = JobStatus::cancelled();
    EXPECT_EQ(stored(cancelled).value("status").toObject(), (QJsonObject{{"type", "cancelled"}}));
}

TEST(CorrectionJob, LegacyVerifyLevelMapsOntoTiers) {
    QJsonObject json = stored(sampleJob());
    json.remove("verifyTier");
    EXPECT_EQ(decode(json)->verifyTier, VerifyTier::standard);  // neither key
    const std::pair<const char*, VerifyTier> levels[] = {{"quick", VerifyTier::standard},
                                                         {"deep", VerifyTier::thorough},
                                                         {"streamIntegrity", VerifyTier::thorough},
                                                         {"off", VerifyTier::off},
                                                         {"Deep", VerifyTier::standard},
                                                         {"whatever", VerifyTier::standard}};
    for (const auto& [level, tier] : levels) {
        json.insert("verifyLevel", level);
        EXPECT_EQ(decode(json)->verifyTier, tier) << level;
    }
    json.insert("verifyTier", "off");  // the tier wins over the legacy key
    EXPECT_EQ(decode(json)->verifyTier, VerifyTier::off);
    json.insert("verifyTier", "quick");
    EXPECT_FALSE(decode(json));
    json.insert("verifyTier", QJsonValue::Null);  // null is as good as absent
    EXPECT_EQ(decode(json)->verifyTier, VerifyTier::standard);
}

TEST(CorrectionJob, LenientStatusProgressAndVerification) {
    QJsonObject json = stored(sampleJob());
    json.remove("status");
    json.remove("progress");
    auto job = decode(json);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->status, JobStatus::pending());
    EXPECT_EQ(job->progress, 0);
    EXPECT_FALSE(job->startedAt || job->totalSourceBytes || job->sourceBookmarkData || job->outputBookmarkData ||
                 job->partialName);

    json.insert("status", QJsonObject{{"type", "paused"}});
    EXPECT_EQ(decode(json)->status, JobStatus::pending());
    json.insert("status", QJsonObject{{"type", "failed"}});
    EXPECT_FALSE(decode(json));
    json.insert("status", QJsonObject{{"type", "failed"}, {"errorMessage", "exact text ✗"}});
    EXPECT_EQ(decode(json)->status, JobStatus::failed("exact text ✗"));

    // A verification that lost a key is dropped; the job still decodes.
    json.insert("verification", QJsonObject{{"tier", "standard"}, {"checks", QJsonArray{}}, {"verifiedAt", "2025-03-01T14:05:09Z"}});
    job = decode(json);
    ASSERT_TRUE(job);
    EXPECT_FALSE(job->verification);
    json.insert("verification", "not even an object");
    EXPECT_TRUE(decode(json));

    // So is a placed output whose numbers do not read exactly: the job then never
    // writes over the file at its name.
    QJsonObject placed = FileIdentity{1, 2, 3, 4, 5}.toJson();
    json.insert("placedOutput", placed);
    EXPECT_EQ(decode(json)->placedOutput, (FileIdentity{1, 2, 3, 4, 5}));
    placed.insert("inode", 2);
    json.insert("placedOutput", placed);
    job = decode(json);
    ASSERT_TRUE(job);
    EXPECT_FALSE(job->placedOutput);
    // So is a partial file's name that is no text, or a partial file whose numbers
    // do not read: nothing is then known to be the job's.
    json.insert("partialName", 12);
    json.insert("partialFile", QJsonObject{{"device", "1"}, {"inode", 2}});
    job = decode(json);
    ASSERT_TRUE(job);
    EXPECT_FALSE(job->partialName);
    EXPECT_FALSE(job->partialFile);
}

TEST(CorrectionJob, StrictIdentityPathsRateModeDatesAndBookmarks) {
    const QJsonObject good = stored(sampleJob());
    auto with = [&](const char* key, QJsonValue value) {
        QJsonObject json = good;
        if (value.isUndefined()) {
            json.remove(QLatin1StringView(key));
        } else {
            json.insert(QLatin1StringView(key), value);
        }
        return decode(json);
    };
    ASSERT_TRUE(decode(good));
    for (const char* key : {"id", "sourcePath", "outputPath", "assignedTimecodeString", "frameRate", "fixMode", "createdAt"}) {
        EXPECT_FALSE(with(key, QJsonValue::Undefined)) << key;
        EXPECT_FALSE(with(key, QJsonValue::Null)) << key;
    }
    EXPECT_FALSE(with("id", "not-a-uuid"));
    EXPECT_FALSE(with("id", "{0f8fad5b-d9cb-469f-a165-70867728950e}"));
    EXPECT_TRUE(with("id", "0f8fad5b-d9cb-469f-a165-70867728950e"));  // lower case reads too
    EXPECT_FALSE(with("fixMode", "creation"));
    EXPECT_FALSE(with("frameRate", QJsonObject{{"numerator", 25}, {"denominator", 1}}));
    EXPECT_FALSE(with("createdAt", "yesterday"));
    EXPECT_FALSE(with("startedAt", "2025-03-01"));
    EXPECT_FALSE(with("totalSourceBytes", "100"));
    EXPECT_FALSE(with("totalSourceBytes", 1.5));
    EXPECT_FALSE(with("progress", "half"));
    EXPECT_FALSE(with("sourceBookmarkData", "***not base64***"));
    EXPECT_TRUE(with("someFutureKey", "ignored"));
}

TEST(CorrectionJob, WithoutBookmarksResolvesToTheStoredPaths) {
    auto job = sampleJob();
    EXPECT_EQ(job.resolveSourceURL(), job.sourcePath);
    EXPECT_EQ(job.resolveOutputFolderURL(), QStringLiteral("/media/out"));
    job.sourceBookmarkData = QByteArray("not a bookmark");
    EXPECT_FALSE(job.resolveSourceURL());
    EXPECT_EQ(job.sourcePath, QStringLiteral("/media/card/A001.mov"));
}
