#pragma once

// The values behind a feedback report: where it goes, what the running program
// is, what kind of report it is, and the editable report with its rules.

#include <QColor>
#include <QString>
#include <QUrl>

#include <array>
#include <functional>
#include <optional>

namespace feedback {

// Supplies a recent diagnostic log; an empty function means the application has none.
using LogProvider = std::function<std::optional<QString>()>;

struct FeedbackConfig {
    QString appID;
    QUrl endpoint;
    QColor accent;
    LogProvider logProvider;
};

struct FeedbackEnvironment {
    QString appVersion = QStringLiteral("?");
    QString build = QStringLiteral("?");
    QString osVersion = QStringLiteral("?");

    // Version from the application object, build from its "buildNumber" property,
    // system version from the kernel release.
    static FeedbackEnvironment current();

    // "6.1.0-18-amd64" -> "6.1.0", "5.10" -> "5.10.0"; "?" when it starts with no number.
    static QString threeNumberVersion(const QString& release);

    // "1.4 (27)"
    QString appVersionField() const;
};

enum class FeedbackType { bug, feature, question };

inline constexpr std::array<FeedbackType, 3> allFeedbackTypes{FeedbackType::bug, FeedbackType::feature,
                                                              FeedbackType::question};

QString wireValue(FeedbackType type);                        // "bug", "feature", "question"
QString label(FeedbackType type);                            // "Bug", "Feature request", "Question"
QString symbol(FeedbackType type);                           // name of its symbol
std::optional<FeedbackType> feedbackTypeFromRaw(const QString& raw);  // exact, case-sensitive

// Number of characters as the user sees them (grapheme clusters).
qsizetype characterCount(const QString& text);
// The first / last `count` user-perceived characters.
QString leftCharacters(const QString& text, qsizetype count);
QString rightCharacters(const QString& text, qsizetype count);

struct FeedbackDraft {
    static constexpr int maxTitle = 120;
    static constexpr int maxBody = 5000;
    static constexpr int maxReporter = 40;

    FeedbackType type = FeedbackType::bug;
    QString title;
    QString body;
    QString reporter;
    QString email;
    bool consent = false;
    bool attachLog = false;
    std::optional<QString> attachedLog;

    bool operator==(const FeedbackDraft&) const = default;

    // The message of the first broken rule; absent when the draft may be sent.
    std::optional<QString> validationError() const;
    bool isValid() const { return !validationError(); }

    // Title and description as sent: white space and line breaks at both ends
    // removed (the draft keeps what was typed).
    QString sentTitle() const { return title.trimmed(); }
    QString sentBody() const { return body.trimmed(); }

    // The sent description with the attached log, if any, trimmed to fit.
    QString composedBody() const;

    static bool isPlausibleEmail(const QString& email);
};

}  // namespace feedback
