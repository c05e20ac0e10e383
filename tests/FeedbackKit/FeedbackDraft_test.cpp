// Validation order and limits, e-mail plausibility, and the composed body with a log.
#include "FeedbackKit/FeedbackDraft.h"
#include "QtPrinting.h"

#include <gtest/gtest.h>

using namespace feedback;

namespace {

const QString kTitleMissing = QStringLiteral("Add a short title.");
const QString kConsentMissing = QStringLiteral("Please tick the box so it can be listed publicly.");

FeedbackDraft complete() {
    FeedbackDraft draft;
    draft.title = QStringLiteral("Crash");
    draft.body = QStringLiteral("It crashed.");
    draft.consent = true;
    return draft;
}

QString repeat(const QString& unit, int count) { return unit.repeated(count); }

struct Case {
    const char* name;
    std::function<void(FeedbackDraft&)> change;
    std::optional<QString> message;
};

TEST(FeedbackDraft, ValidationRulesInOrder) {
    const QString e = QStringLiteral("e\u0301");            // e + combining accent: one character
    const QString emoji = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");  // one family
    const std::vector<Case> cases{
        {"complete", [](FeedbackDraft&) {}, std::nullopt},
        {"fresh draft shows the title first", [](FeedbackDraft& d) { d = FeedbackDraft(); }, kTitleMissing},
        {"blank title", [](FeedbackDraft& d) { d.title = QStringLiteral(" \n\t "); }, kTitleMissing},
        {"title 120", [](FeedbackDraft& d) { d.title = repeat("a", 120); }, std::nullopt},
        {"title 120 with spaces around", [](FeedbackDraft& d) { d.title = "  " + repeat("a", 120) + "\n"; }, std::nullopt},
        {"title 121", [](FeedbackDraft& d) { d.title = repeat("a", 121); }, QStringLiteral("Title is too long (max 120).")},
        {"title 120 emoji", [&](FeedbackDraft& d) { d.title = repeat(emoji, 120); }, std::nullopt},
        {"title 121 accented", [&](FeedbackDraft& d) { d.title = repeat(e, 121); }, QStringLiteral("Title is too long (max 120).")},
        {"title 120 accented", [&](FeedbackDraft& d) { d.title = repeat(e, 120); }, std::nullopt},
        {"blank body", [](FeedbackDraft& d) { d.body = QStringLiteral("\n\n"); }, QStringLiteral("Describe what happened.")},
        {"body 5000 after trimming", [](FeedbackDraft& d) { d.body = "\n\n\n" + repeat("b", 5000) + "\n\n"; }, std::nullopt},
        {"body 5001", [](FeedbackDraft& d) { d.body = repeat("b", 5001); }, QStringLiteral("Description is too long (max 5000).")},
        {"reporter 40", [](FeedbackDraft& d) { d.reporter = repeat("r", 40); }, std::nullopt},
        {"reporter 41 spaces count", [](FeedbackDraft& d) { d.reporter = repeat(" ", 41); }, QStringLiteral("Name is too long (max 40).")},
        {"reporter of spaces", [](FeedbackDraft& d) { d.reporter = repeat(" ", 3); }, std::nullopt},
        {"title before consent", [](FeedbackDraft& d) { d.title.clear(); d.consent = false; }, kTitleMissing},
        {"consent last", [](FeedbackDraft& d) { d.consent = false; }, kConsentMissing},
        {"email before consent", [](FeedbackDraft& d) { d.email = "a@b"; d.consent = false; }, QStringLiteral("That email looks off.")},
    };
    for (const Case& c : cases) {
        FeedbackDraft draft = complete();
        c.change(draft);
        EXPECT_EQ(draft.validationError(), c.message) << c.name;
        EXPECT_EQ(draft.isValid(), !c.message) << c.name;
    }
}

TEST(FeedbackDraft, EmailPlausibility) {
    const std::vector<std::pair<QString, bool>> cases{
        {"", true},          {"a@.b", true},      {"a@b@c.d", true}, {"a\t@b.c", true}, {"x@y.z", true},
        {"@a.b", false},     {"a@b", false},      {"a@b.", false},   {"a b@c.d", false}, {"   ", false},
    };
    for (const auto& [email, passes] : cases) {
        FeedbackDraft draft = complete();
        draft.email = email;
        EXPECT_EQ(draft.isValid(), passes) << email.toStdString();
    }
}

TEST(FeedbackDraft, TypesAndEnvironment) {
    EXPECT_EQ(feedbackTypeFromRaw("bug"), FeedbackType::bug);
    EXPECT_EQ(feedbackTypeFromRaw("Bug"), std::nullopt);
    EXPECT_EQ(label(FeedbackType::feature), "Feature request");

    const std::vector<std::pair<QString, QString>> releases{
        {"6.1.0-18-amd64", "6.1.0"}, {"5.10", "5.10.0"}, {"6", "6.0.0"}, {"6.07.3.4", "6.7.3"}, {"", "?"}, {"x6.1", "?"}};
    for (const auto& [release, version] : releases)
        EXPECT_EQ(FeedbackEnvironment::threeNumberVersion(release), version) << release.toStdString();

    FeedbackEnvironment environment;
    environment.appVersion = "1.4";
    EXPECT_EQ(environment.appVersionField(), "1.4 (?)");
}

TEST(FeedbackDraft, ComposedBodyWithLog) {
    const QString log = QStringLiteral("L").repeated(9990) + QStringLiteral("0123456789");  // 10,000, tail digits
    const QString separator = QStringLiteral("\n\n--- diagnostic log ---\n");
    const QString marker = QStringLiteral("\u2026(earlier log trimmed)\n");
    auto withLog = [](const QString& body, std::optional<QString> attached, bool attach = true) {
        FeedbackDraft draft;
        draft.body = body;
        draft.attachLog = attach;
        draft.attachedLog = std::move(attached);
        return draft.composedBody();
    };

    EXPECT_EQ(withLog("body", log, false), "body");
    EXPECT_EQ(withLog("body", QString()), "body");
    EXPECT_EQ(withLog("body", std::nullopt), "body");
    EXPECT_EQ(withLog("body", QStringLiteral("short")), "body" + separator + "short");

    // Budget 0: the body alone. Budget 1: separator and marker, no log.
    EXPECT_EQ(withLog(repeat("b", 4975), log), repeat("b", 4975));
    EXPECT_EQ(withLog(repeat("b", 4974), log), repeat("b", 4974) + separator + marker);
    // Budgets up to the marker's 23 characters give the marker alone; 24 the last log character.
    for (int budget = 1; budget <= 24; ++budget) {
        const QString body = repeat("b", 5000 - 25 - budget);
        EXPECT_EQ(withLog(body, log), body + separator + marker + (budget == 24 ? QStringLiteral("9") : QString()))
            << budget;
    }

    const QString composed = withLog("Short body", log);
    EXPECT_EQ(composed.size(), 5000);
    EXPECT_TRUE(composed.startsWith("Short body" + separator + marker));
    EXPECT_TRUE(composed.endsWith("0123456789"));

    // Blank lines around the description are not sent and do not push the log out.
    EXPECT_EQ(withLog("\n\n\n" + repeat("b", 4974) + "\n\n", log), repeat("b", 4974) + separator + marker);
}

}  // namespace
