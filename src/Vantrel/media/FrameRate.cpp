#include "Vantrel/media/FrameRate.h"

#include <QHashFunctions>

#include <cmath>
#include <limits>

namespace vantrel {

FrameRate FrameRate::fromNominal(std::int64_t nominal, bool ntsc) {
    if (ntsc && (nominal == 30 || nominal == 60)) return {nominal * 1000, 1001, nominal, true};
    return {nominal, 1, nominal, ntsc};
}

QString FrameRate::displayText() const {
    // Only a hand-edited record has no positive denominator.
    if (denominator <= 0) return QStringLiteral("%1/%2").arg(numerator).arg(denominator);
    if (denominator == 1001) {
        QString text = QString::asprintf("%.2f", double(numerator) / 1001.0);
        if (isDropFrame && labelRate % 30 == 0) text += QStringLiteral(" DF");
        return text;
    }
    if (numerator % denominator == 0) return QString::number(numerator / denominator);
    return QString::asprintf("%.3f", double(numerator) / double(denominator));
}

std::optional<timecode::TimecodeFrameRate> FrameRate::timecodeFrameRate() const {
    if (denominator == 0) return std::nullopt;
    const bool wantDrop = isDropFrame && denominator == 1001 && labelRate % 30 == 0;
    const double target = double(numerator) / double(denominator);
    for (const timecode::TimecodeFrameRate rate : timecode::TimecodeFrameRate::allCases()) {
        if (rate.isDrop() != wantDrop) continue;
        if (std::abs(rate.rate().doubleValue() - target) < 0.01) return rate;
    }
    return std::nullopt;
}

QJsonObject FrameRate::toJson() const {
    return {{QStringLiteral("numerator"), qint64(numerator)},
            {QStringLiteral("denominator"), qint64(denominator)},
            {QStringLiteral("labelRate"), qint64(labelRate)},
            {QStringLiteral("isDropFrame"), isDropFrame}};
}

namespace {

// A JSON number that is a whole 64-bit integer.
std::optional<std::int64_t> wholeNumber(const QJsonValue& value) {
    if (!value.isDouble()) return std::nullopt;
    // toInteger gives the default for numbers that are not whole; two different
    // defaults tell that apart from a stored value equal to one of them.
    const qint64 a = value.toInteger(std::numeric_limits<qint64>::min());
    const qint64 b = value.toInteger(std::numeric_limits<qint64>::max());
    if (a != b) return std::nullopt;
    return a;
}

}  // namespace

std::optional<FrameRate> FrameRate::fromJson(const QJsonValue& value, QString* error) {
    const auto fail = [error](const QString& why) -> std::optional<FrameRate> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (!value.isObject()) return fail(QStringLiteral("frame rate is not an object"));
    const QJsonObject object = value.toObject();
    FrameRate rate;
    for (const auto& [key, field] : {std::pair{"numerator", &rate.numerator},
                                     std::pair{"denominator", &rate.denominator},
                                     std::pair{"labelRate", &rate.labelRate}}) {
        const QString name = QString::fromLatin1(key);
        if (!object.contains(name)) return fail(QStringLiteral("frame rate lacks \"%1\"").arg(name));
        const auto number = wholeNumber(object.value(name));
        if (!number) return fail(QStringLiteral("frame rate \"%1\" is not a whole number").arg(name));
        *field = *number;
    }
    const QJsonValue drop = object.value(QStringLiteral("isDropFrame"));
    if (drop.isUndefined()) return fail(QStringLiteral("frame rate lacks \"isDropFrame\""));
    if (!drop.isBool()) return fail(QStringLiteral("frame rate \"isDropFrame\" is not a boolean"));
    rate.isDropFrame = drop.toBool();
    // Every rate the application divides by must be a positive fraction.
    if (rate.numerator <= 0 || rate.denominator <= 0)
        return fail(QStringLiteral("frame rate %1/%2 is not positive").arg(rate.numerator).arg(rate.denominator));
    return rate;
}

std::size_t qHash(const FrameRate& rate, std::size_t seed) noexcept {
    return qHashMulti(seed, rate.numerator, rate.denominator, rate.labelRate, quint8(rate.isDropFrame));
}

}  // namespace vantrel
