#include "Vantrel/queue/JsonCoding.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace vantrel::json {

QString dateString(const QDateTime& date) {
    // Whole seconds, truncated: the reader sees the second the writer meant.
    return QDateTime::fromSecsSinceEpoch(date.toSecsSinceEpoch(), Qt::UTC).toString(Qt::ISODate);
}

std::optional<QDateTime> parseDate(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(Z|[+-]\d{2}:?\d{2})$)"));
    if (!form.match(text).hasMatch()) return std::nullopt;
    const QDateTime parsed = QDateTime::fromString(text, Qt::ISODate).toUTC();
    // Only dates that can be written back in the same form.
    if (!parsed.isValid() || parsed.date().year() < 1 || parsed.date().year() > 9999) return std::nullopt;
    return parsed;
}

std::optional<QString> string(const QJsonValue& value) {
    if (!value.isString()) return std::nullopt;
    return value.toString();
}

std::optional<double> number(const QJsonValue& value) {
    if (!value.isDouble() || !std::isfinite(value.toDouble())) return std::nullopt;
    return value.toDouble();
}

std::optional<qint64> integer(const QJsonValue& value) {
    if (!value.isDouble()) return std::nullopt;
    // toInteger() answers the default for values that are not integral; two
    // different defaults tell a stored value from the fallback.
    const qint64 a = value.toInteger(std::numeric_limits<qint64>::min());
    const qint64 b = value.toInteger(std::numeric_limits<qint64>::max());
    if (a != b) return std::nullopt;
    return a;
}

std::optional<QDateTime> date(const QJsonValue& value) {
    if (!value.isString()) return std::nullopt;
    return parseDate(value.toString());
}

std::optional<QByteArray> base64(const QJsonValue& value) {
    if (!value.isString()) return std::nullopt;
    const QByteArray text = value.toString().toLatin1();
    if (text.size() % 4 != 0) return std::nullopt;
    auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (decoded.decodingStatus != QByteArray::Base64DecodingStatus::Ok) return std::nullopt;
    return decoded.decoded;
}

}  // namespace vantrel::json
