// The verification result model: what consumers derive from a result, and its stored form.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "Vantrel/queue/JsonCoding.h"
#include "Vantrel/queue/VerificationResult.h"

#include <QJsonArray>
#include <QJsonDocument>
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

}  // namespace

TEST(VerificationResult, SkippedIsCleanWithNothingRequested) {
    const auto skipped = VerificationResult::skipped();
    EXPECT_EQ(skipped.tier, VerifyTier::off);
    EXPECT_TRUE(skipped.checks.isEmpty());
    EXPECT_EQ(skipped.verifiedAt.toSecsSinceEpoch(), 0);
    EXPECT_EQ(skipped.summary(), QStringLiteral("No verification requested."));
    EXPECT_EQ(skipped.worstSeverity(), CheckSeverity::pass);
    EXPECT_EQ(skipped.outcome(), VerificationResult::Outcome::clean);
}

TEST(VerificationResult, SummaryAndOutcomeFollowTheWorstChecks) {
    using Outcome = VerificationResult::Outcome;
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
