#include "Vantrel/queue/VerificationResult.h"

#include "Vantrel/queue/JsonCoding.h"

#include <QFileInfo>
#include <QJsonArray>

#include <algorithm>
#include <array>

namespace vantrel {

namespace {

using Kind = VerificationCheck::Kind;

constexpr std::array<std::pair<Kind, const char16_t*>, 9> kindNames{{
    {Kind::readability, u"readability"},
    {Kind::timecodeWriteBack, u"timecodeWriteBack"},
    {Kind::singleTimecodeTrack, u"singleTimecodeTrack"},
    {Kind::packetCount, u"packetCount"},
    {Kind::packetBytes, u"packetBytes"},
    {Kind::duration, u"duration"},
    {Kind::codecParams, u"codecParams"},
    {Kind::streamHash, u"streamHash"},
    {Kind::fullDecode, u"fullDecode"},
}};

}  // namespace

std::optional<CheckSeverity> checkSeverityFromRawValue(qint64 raw) {
    if (raw < 0 || raw > 3) return std::nullopt;
    return static_cast<CheckSeverity>(raw);
}

QString checkKindRawValue(Kind kind) {
    for (const auto& [k, name] : kindNames) {
        if (k == kind) return QString::fromUtf16(name);
    }
    return {};
}

std::optional<Kind> checkKindFromRawValue(QStringView raw) {
    for (const auto& [k, name] : kindNames) {
        if (raw == QStringView(name)) return k;
    }
    return std::nullopt;
}

QJsonObject VerificationCheck::toJson() const {
    return QJsonObject{
        {QStringLiteral("kind"), checkKindRawValue(kind)},
        {QStringLiteral("severity"), static_cast<int>(severity)},
        {QStringLiteral("label"), label},
        {QStringLiteral("detail"), detail},
    };
}

std::optional<VerificationCheck> VerificationCheck::fromJson(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto kindText = json::string(object.value(QLatin1StringView("kind")));
    const auto severityRaw = json::integer(object.value(QLatin1StringView("severity")));
    const auto label = json::string(object.value(QLatin1StringView("label")));
    const auto detail = json::string(object.value(QLatin1StringView("detail")));
    if (!kindText || !severityRaw || !label || !detail) return std::nullopt;
    const auto kind = checkKindFromRawValue(*kindText);
    const auto severity = checkSeverityFromRawValue(*severityRaw);
    if (!kind || !severity) return std::nullopt;
    return VerificationCheck{*kind, *severity, *label, *detail};
}

VerificationResult VerificationResult::skipped() {
    return VerificationResult{VerifyTier::off, {}, QDateTime::fromSecsSinceEpoch(0, Qt::UTC), 0};
}

CheckSeverity VerificationResult::worstSeverity() const {
    CheckSeverity worst = CheckSeverity::pass;
    for (const auto& check : checks) worst = std::max(worst, check.severity);
    return worst;
}

VerificationResult::Outcome VerificationResult::outcome() const {
    switch (worstSeverity()) {
    case CheckSeverity::fail: return Outcome::failed;
    case CheckSeverity::warning: return Outcome::warnings;
    case CheckSeverity::pass:
    case CheckSeverity::info: break;
    }
    return Outcome::clean;
}

QString VerificationResult::summary() const {
    if (checks.isEmpty()) return QStringLiteral("No verification requested.");
    for (const auto& check : checks) {
        if (check.severity == CheckSeverity::fail) return check.detail;
    }
    QStringList notes;
    for (const auto& check : checks) {
        if (check.severity != CheckSeverity::pass) notes << check.detail;
    }
    if (notes.isEmpty()) return QStringLiteral("All checks passed.");
    return notes.join(QLatin1Char('\n'));
}

QJsonObject VerificationResult::toJson() const {
    QJsonArray checkArray;
    for (const auto& check : checks) checkArray.append(check.toJson());
    return QJsonObject{
        {QStringLiteral("tier"), verifyTierRawValue(tier)},
        {QStringLiteral("checks"), checkArray},
        {QStringLiteral("verifiedAt"), json::dateString(verifiedAt)},
        {QStringLiteral("duration"), duration},
    };
}

std::optional<VerificationResult> VerificationResult::fromJson(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto tierText = json::string(object.value(QLatin1StringView("tier")));
    const QJsonValue checksValue = object.value(QLatin1StringView("checks"));
    const auto verifiedAt = json::date(object.value(QLatin1StringView("verifiedAt")));
    const auto duration = json::number(object.value(QLatin1StringView("duration")));
    if (!tierText || !checksValue.isArray() || !verifiedAt || !duration) return std::nullopt;
    const auto tier = verifyTierFromRawValue(*tierText);
    if (!tier) return std::nullopt;
    VerificationResult result{*tier, {}, *verifiedAt, *duration};
    for (const QJsonValue& element : checksValue.toArray()) {
        auto check = VerificationCheck::fromJson(element);
        if (!check) return std::nullopt;
        result.checks.append(std::move(*check));
    }
    return result;
}

QString streamParamsSummary(const StreamParams& params) {
    QStringList pieces{QString::fromStdString(params.codec)};
    if (params.width && params.height) {
        pieces << QStringLiteral("%1×%2").arg(*params.width).arg(*params.height);
    }
    if (params.pixelFormat) pieces << QString::fromStdString(*params.pixelFormat);
    if (params.sampleRate) pieces << QStringLiteral("%1 Hz").arg(*params.sampleRate);
    return pieces.join(QLatin1Char(' '));
}

bool isSameContainer(const QString& sourcePath, const QString& outputPath) {
    // QFileInfo::suffix() is the text after the last dot of the file name: a name
    // with no dot has the empty extension, as does a hidden file like ".mov".
    auto extension = [](const QString& path) {
        const QString name = QFileInfo(path).fileName();
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot <= 0) return QString();
        return name.mid(dot + 1).toLower();
    };
    return extension(sourcePath) == extension(outputPath);
}

}  // namespace vantrel
