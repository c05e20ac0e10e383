#include "FeedbackKit/FeedbackDraft.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTextBoundaryFinder>
#include <QVariant>

namespace feedback {

namespace {

const QString kLogSeparator = QStringLiteral("\n\n--- diagnostic log ---\n");
const QString kLogTrimmedMarker = QStringLiteral("\u2026(earlier log trimmed)\n");
constexpr qsizetype kComposedLimit = 5000;

// UTF-16 positions of the grapheme boundaries of `text`, 0 and text.size() included.
QList<qsizetype> boundaries(const QString& text) {
    QList<qsizetype> positions{0};
    if (text.isEmpty()) return positions;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() != -1) positions.append(finder.position());
    return positions;
}

}  // namespace

qsizetype characterCount(const QString& text) {
    return boundaries(text).size() - 1;
}

QString leftCharacters(const QString& text, qsizetype count) {
    const QList<qsizetype> at = boundaries(text);
    if (count <= 0) return {};
    if (count >= at.size() - 1) return text;
    return text.left(at[count]);
}

QString rightCharacters(const QString& text, qsizetype count) {
    const QList<qsizetype> at = boundaries(text);
    if (count <= 0) return {};
    if (count >= at.size() - 1) return text;
    return text.mid(at[at.size() - 1 - count]);
}

FeedbackEnvironment FeedbackEnvironment::current() {
    FeedbackEnvironment environment;
    const QString version = QCoreApplication::applicationVersion();
    if (!version.isEmpty()) environment.appVersion = version;
    if (QCoreApplication* app = QCoreApplication::instance()) {
        const QVariant build = app->property("buildNumber");
        if (build.isValid() && !build.toString().isEmpty()) environment.build = build.toString();
    }
    environment.osVersion = threeNumberVersion(QSysInfo::kernelVersion());
    return environment;
}

QString FeedbackEnvironment::threeNumberVersion(const QString& release) {
    static const QRegularExpression leading(QStringLiteral("^(\\d+)(?:\\.(\\d+))?(?:\\.(\\d+))?"));
    const QRegularExpressionMatch match = leading.match(release);
    if (!match.hasMatch()) return QStringLiteral("?");
    QStringList parts;
    for (int group = 1; group <= 3; ++group) {
        const QString digits = match.captured(group);
        // Written as numbers: "06" reads 6, and a missing part is 0.
        parts.append(QString::number(digits.isEmpty() ? 0 : digits.toULongLong()));
    }
    return parts.join(QLatin1Char('.'));
}

QString FeedbackEnvironment::appVersionField() const {
    return appVersion + QStringLiteral(" (") + build + QStringLiteral(")");
}

QString wireValue(FeedbackType type) {
    switch (type) {
    case FeedbackType::bug: return QStringLiteral("bug");
    case FeedbackType::feature: return QStringLiteral("feature");
    case FeedbackType::question: return QStringLiteral("question");
    }
    return {};
}

QString label(FeedbackType type) {
    switch (type) {
    case FeedbackType::bug: return QStringLiteral("Bug");
    case FeedbackType::feature: return QStringLiteral("Feature request");
    case FeedbackType::question: return QStringLiteral("Question");
    }
    return {};
}

QString symbol(FeedbackType type) {
    switch (type) {
    case FeedbackType::bug: return QStringLiteral("ant");
    case FeedbackType::feature: return QStringLiteral("lightbulb");
    case FeedbackType::question: return QStringLiteral("questionmark.circle");
    }
    return {};
}

std::optional<FeedbackType> feedbackTypeFromRaw(const QString& raw) {
    for (FeedbackType type : allFeedbackTypes)
        if (wireValue(type) == raw) return type;
    return std::nullopt;
}

std::optional<QString> FeedbackDraft::validationError() const {
    const QString trimmedTitle = sentTitle();
    if (trimmedTitle.isEmpty()) return QStringLiteral("Add a short title.");
    if (characterCount(trimmedTitle) > maxTitle)
        return QStringLiteral("Title is too long (max %1).").arg(maxTitle);
    const QString trimmedBody = sentBody();
    if (trimmedBody.isEmpty()) return QStringLiteral("Describe what happened.");
    if (characterCount(trimmedBody) > maxBody)
        return QStringLiteral("Description is too long (max %1).").arg(maxBody);
    if (characterCount(reporter) > maxReporter)
        return QStringLiteral("Name is too long (max %1).").arg(maxReporter);
    if (!email.isEmpty() && !isPlausibleEmail(email)) return QStringLiteral("That email looks off.");
    if (!consent) return QStringLiteral("Please tick the box so it can be listed publicly.");
    return std::nullopt;
}

bool FeedbackDraft::isPlausibleEmail(const QString& email) {
    const qsizetype at = email.indexOf(QLatin1Char('@'));
    if (at <= 0) return false;
    const QString domain = email.mid(at + 1);
    if (!domain.contains(QLatin1Char('.')) || domain.endsWith(QLatin1Char('.'))) return false;
    return !email.contains(QLatin1Char(' '));
}

QString FeedbackDraft::composedBody() const {
    const QString text = sentBody();
    if (!attachLog || !attachedLog || attachedLog->isEmpty()) return text;
    const QString head = text + kLogSeparator;
    const qsizetype budget = kComposedLimit - characterCount(head);
    if (budget < 1) return leftCharacters(text, kComposedLimit);
    const QString& log = *attachedLog;
    if (characterCount(log) <= budget) return head + log;
    const qsizetype keep = std::max<qsizetype>(0, budget - characterCount(kLogTrimmedMarker));
    return head + kLogTrimmedMarker + rightCharacters(log, keep);
}

}  // namespace feedback
