// The verification result model: the checks the standard verification makes between
// source and output, what consumers derive from a result, and its stored form.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/media/FrameRate.h"
#include "Vantrel/queue/JsonCoding.h"
#include "Vantrel/queue/VerificationResult.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QTimeZone>

using namespace vantrel;
using Kind = VerificationCheck::Kind;

namespace {

VerificationCheck check(CheckSeverity severity, const QString& detail, Kind kind = Kind::duration) {
    return VerificationCheck{kind, severity, QStringLiteral("Label"), detail};
}

VerificationResult resultWith(QList<VerificationCheck> checks) {
    return VerificationResult{VerifyTier::standard, std::move(checks),
                              QDateTime(QDate(2025, 3, 1), QTime(14, 5, 9), Qt::UTC), 1.25};
}

class StreamChecks : public ::testing::Test {
protected:
    const testsupport::DefaultLocale locale{QLocale(QLocale::English, QLocale::UnitedStates)};
};

StreamParams video(std::string pixelFormat = "yuv420p") { return {"h264", 1920, 1080, pixelFormat, std::nullopt}; }

}  // namespace

TEST(VerificationResult, SummaryAndOutcomeFollowTheWorstChecks) {
    using Outcome = VerificationResult::Outcome;
    const auto skipped = VerificationResult::skipped();  // nothing requested: clean
    EXPECT_EQ(skipped.tier, VerifyTier::off);
    EXPECT_EQ(skipped.summary(), QStringLiteral("No verification requested."));
    EXPECT_EQ(skipped.worstSeverity(), CheckSeverity::pass);
    EXPECT_EQ(skipped.outcome(), Outcome::clean);

    const auto allPass = resultWith({check(CheckSeverity::pass, "a"), check(CheckSeverity::pass, "b")});
    EXPECT_EQ(allPass.summary(), QStringLiteral("All checks passed."));
    EXPECT_EQ(allPass.outcome(), Outcome::clean);

    const auto oneInfo = resultWith({check(CheckSeverity::pass, "a"), check(CheckSeverity::info, "note"),
                                     check(CheckSeverity::pass, "c")});
    EXPECT_EQ(oneInfo.summary(), QStringLiteral("note"));
    EXPECT_EQ(oneInfo.outcome(), Outcome::clean);

    const auto infoThenWarning = resultWith({check(CheckSeverity::info, "first"), check(CheckSeverity::warning, "second")});
    EXPECT_EQ(infoThenWarning.summary(), QStringLiteral("first\nsecond"));
    EXPECT_EQ(infoThenWarning.outcome(), Outcome::warnings);
    EXPECT_EQ(infoThenWarning.worstSeverity(), CheckSeverity::warning);

    const auto failures = resultWith({check(CheckSeverity::warning, "w"), check(CheckSeverity::fail, "f1"),
                                      check(CheckSeverity::fail, "f2")});
    EXPECT_EQ(failures.summary(), QStringLiteral("f1"));
    EXPECT_EQ(failures.outcome(), Outcome::failed);
}

TEST(VerificationResult, RoundTripsThroughJsonUpToWholeSeconds) {
    auto original = resultWith({check(CheckSeverity::pass, "ok", Kind::timecodeWriteBack),
                                check(CheckSeverity::warning, "différent — ≠", Kind::packetBytes),
                                check(CheckSeverity::fail, "bad", Kind::fullDecode)});
    original.tier = VerifyTier::thorough;
    original.verifiedAt = original.verifiedAt.addMSecs(700);

    const QJsonObject json = original.toJson();
    EXPECT_EQ(json.keys(), (QStringList{"checks", "duration", "tier", "verifiedAt"}));
    EXPECT_EQ(json.value("verifiedAt").toString(), QStringLiteral("2025-03-01T14:05:09Z"));
    EXPECT_EQ(json.value("checks").toArray().at(1).toObject().keys(),
              (QStringList{"detail", "kind", "label", "severity"}));
    EXPECT_EQ(json.value("checks").toArray().at(1).toObject().value("severity").toInt(), 2);

    const auto decoded = VerificationResult::fromJson(QJsonDocument::fromJson(QJsonDocument(json).toJson()).object());
    ASSERT_TRUE(decoded);
    auto expected = original;
    expected.verifiedAt = QDateTime(QDate(2025, 3, 1), QTime(14, 5, 9), Qt::UTC);
    EXPECT_EQ(*decoded, expected);
}

TEST(VerificationResult, DecodingRejectsMissingKeysUnknownKindsAndBadSeverities) {
    const QJsonObject good = resultWith({check(CheckSeverity::info, "x")}).toJson();
    ASSERT_TRUE(VerificationResult::fromJson(good));
    for (const char* key : {"tier", "checks", "verifiedAt", "duration"}) {
        QJsonObject missing = good;
        missing.insert(QLatin1StringView(key), QJsonValue::Null);
        EXPECT_FALSE(VerificationResult::fromJson(missing)) << key;
    }
    const QJsonObject goodCheck = check(CheckSeverity::info, "x").toJson();
    const std::pair<const char*, QJsonValue> badFields[] = {
        {"severity", 4}, {"severity", 1.5}, {"kind", "somethingElse"}, {"detail", QJsonValue::Undefined}};
    for (const auto& [key, value] : badFields) {
        QJsonObject bad = goodCheck;
        if (value.isUndefined()) bad.remove(QLatin1StringView(key));
        else bad.insert(QLatin1StringView(key), value);
        QJsonObject result = good;
        result.insert("checks", QJsonArray{bad});
        EXPECT_FALSE(VerificationResult::fromJson(result)) << key;
    }
}

TEST(JsonDates, WholeSecondsUtcAndOffsetsAccepted) {
    const QDateTime local(QDate(2025, 3, 1), QTime(16, 5, 9, 999), QTimeZone(7200));
    EXPECT_EQ(json::dateString(local), QStringLiteral("2025-03-01T14:05:09Z"));
    EXPECT_EQ(json::parseDate("2025-03-01T16:05:09+02:00"), QDateTime(QDate(2025, 3, 1), QTime(14, 5, 9), Qt::UTC));
    EXPECT_FALSE(json::parseDate("2025-03-01T14:05:09"));  // no designator
    EXPECT_FALSE(json::parseDate("2025-03-01T14:05:09.5Z"));
    // Dates whose UTC form would leave four-digit years are refused: they could not be written back.
    EXPECT_FALSE(json::parseDate("9999-12-31T23:59:59-05:00"));
    EXPECT_TRUE(json::parseDate("9999-12-31T23:59:59+05:00"));
}

TEST_F(StreamChecks, CodecParameters) {
    auto same = VerificationCheck::codecParams("v:0", video(), video());
    EXPECT_EQ(same.severity, CheckSeverity::pass);
    EXPECT_EQ(same.label, QStringLiteral("Codec params (v:0)"));
    EXPECT_EQ(same.detail, QStringLiteral("h264 1920×1080 yuv420p carried across unchanged."));

    auto changed = VerificationCheck::codecParams("v:0", video(), video("yuv422p10le"));
    EXPECT_EQ(changed.severity, CheckSeverity::warning);
    EXPECT_EQ(changed.detail, QStringLiteral("Codec parameters changed: source h264 1920×1080 yuv420p → output "
                                             "h264 1920×1080 yuv422p10le — escalating to byte-exact hash."));

    auto unreadable = VerificationCheck::codecParams("a:0", std::nullopt, StreamParams{"aac", {}, {}, {}, 48000});
    EXPECT_EQ(unreadable.severity, CheckSeverity::info);
    EXPECT_EQ(unreadable.detail, QStringLiteral("Codec parameters for a:0 could not be read on one side."));

    // The output lost a stream the source has: a warning that escalates, never clean.
    auto lost = VerificationCheck::codecParams("a:0", StreamParams{"aac", {}, {}, {}, 48000}, std::nullopt);
    EXPECT_EQ(lost.severity, CheckSeverity::warning);
    EXPECT_TRUE(lost.detail.endsWith(QStringLiteral("— escalating to byte-exact hash.")));
}

TEST_F(StreamChecks, SummaryLeavesOutWhatIsMissing) {
    EXPECT_EQ(streamParamsSummary({"aac", {}, {}, {}, 48000}), QStringLiteral("aac 48000 Hz"));
    EXPECT_EQ(streamParamsSummary({"prores", 1920, std::nullopt, "yuv422p10le", {}}), QStringLiteral("prores yuv422p10le"));
    EXPECT_EQ(streamParamsSummary({"pcm_s24le", {}, {}, {}, {}}), QStringLiteral("pcm_s24le"));
}

TEST_F(StreamChecks, PacketCountsAndBytes) {
    auto zero = VerificationCheck::packetCount("v:0", 0, 0);
    EXPECT_EQ(zero.severity, CheckSeverity::pass);
    EXPECT_EQ(zero.detail, QStringLiteral("0 packets match the source."));
    EXPECT_EQ(zero.kind, Kind::packetCount);
    EXPECT_EQ(zero.label, QStringLiteral("Packet count (v:0)"));

    auto fewer = VerificationCheck::packetCount("v:0", 1001, 1000);
    EXPECT_EQ(fewer.severity, CheckSeverity::warning);
    EXPECT_EQ(fewer.detail, QStringLiteral("1,000 packets ≠ source 1,001 — escalating to byte-exact hash."));
    EXPECT_EQ(VerificationCheck::packetCount("a:0", -1, 5).detail, QStringLiteral("Could not measure packets — probe failed."));
    EXPECT_EQ(VerificationCheck::packetCount("a:0", 5, -1).severity, CheckSeverity::warning);

    auto bytes = VerificationCheck::packetBytes("a:0", 123456, 123456);
    EXPECT_EQ(bytes.detail, QStringLiteral("123456 bytes match the source."));
    EXPECT_EQ(bytes.label, QStringLiteral("Packet bytes (a:0)"));
    EXPECT_EQ(VerificationCheck::packetBytes("a:0", 123456, 123455).detail,
              QStringLiteral("123,455 bytes ≠ source 123,456 — escalating to byte-exact hash."));
    EXPECT_EQ(VerificationCheck::packetBytes("a:0", -1, -1).detail, QStringLiteral("Could not measure bytes — probe failed."));
}

TEST_F(StreamChecks, DurationWithinOneFrameIsNeverAPass) {
    const FrameRate fps24{24, 1, 24, false};
    auto over = VerificationCheck::duration(10'000, 10'042, fps24);
    EXPECT_EQ(over.severity, CheckSeverity::warning);
    EXPECT_EQ(over.detail, QStringLiteral("Duration differs by 42 ms (> 1 frame ≈ 42 ms) — escalating to byte-exact hash."));
    auto within = VerificationCheck::duration(10'041, 10'000, fps24);
    EXPECT_EQ(within.severity, CheckSeverity::info);
    EXPECT_EQ(within.detail, QStringLiteral("Duration matches within a frame (Δ 41 ms)."));

    EXPECT_EQ(VerificationCheck::duration(1000, 1040, {25, 1, 25, false}).severity, CheckSeverity::info);  // exactly a frame
    EXPECT_EQ(VerificationCheck::duration(1000, 1034, {30000, 1001, 30, true}).severity, CheckSeverity::warning);
    EXPECT_EQ(VerificationCheck::duration(1000, 1000, fps24).detail, QStringLiteral("Duration matches the source exactly."));
    EXPECT_EQ(VerificationCheck::duration(1000, 1000, fps24).severity, CheckSeverity::info);
    EXPECT_EQ(VerificationCheck::duration(-1, 1000, fps24).detail,
              QStringLiteral("Duration unavailable on one side — deferring to the hash."));

    // Rates no real job has still give an answer rather than a crash.
    EXPECT_EQ(VerificationCheck::duration(0, 99'999, {0, 1, 0, false}).severity, CheckSeverity::info);
    EXPECT_EQ(VerificationCheck::duration(0, 99'999, {0, 0, 0, false}).severity, CheckSeverity::info);
}

TEST_F(StreamChecks, ContainerRuleComparesLowerCasedExtensions) {
    EXPECT_FALSE(isSameContainer("/in/a.MP4", "/out/a_TC.mov"));
    EXPECT_TRUE(isSameContainer("/in/a.mov", "/out/a_TC.MOV"));
    EXPECT_TRUE(isSameContainer("/in/clip.MOV", "/out/clip_TC.mov"));
    EXPECT_TRUE(isSameContainer("/in/noext", "/out/alsonone"));
    EXPECT_FALSE(isSameContainer("/in.d/noext", "/out/x.mov"));  // a dot in a folder name is no extension

    auto note = VerificationCheck::containerChangedNote("v:0");
    EXPECT_EQ(note.kind, Kind::packetBytes);
    EXPECT_EQ(note.severity, CheckSeverity::info);
    EXPECT_EQ(note.label, QStringLiteral("Packet bytes (v:0)"));
}
