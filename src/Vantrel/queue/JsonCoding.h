#pragma once

// Small strict readers and the date form shared by the queue file's records.

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace vantrel::json {

// Dates: ISO 8601 internet date and time, UTC, whole seconds, e.g. 2025-03-01T14:05:09Z.
QString dateString(const QDateTime& date);

// Reads what dateString writes, and any other offset designator ("+02:00");
// fractional seconds and a missing designator are rejected.
std::optional<QDateTime> parseDate(const QString& text);

// A key counts as present when it exists and is not null (null reads as absent).
inline bool isPresent(const QJsonObject& object, QLatin1StringView key) {
    const QJsonValue value = object.value(key);
    return !value.isUndefined() && !value.isNull();
}

// Each reader yields nothing when the value is missing, null or of the wrong type.
std::optional<QString> string(const QJsonValue& value);
std::optional<double> number(const QJsonValue& value);
std::optional<qint64> integer(const QJsonValue& value);  // a JSON number with no fractional part
std::optional<QDateTime> date(const QJsonValue& value);
std::optional<QByteArray> base64(const QJsonValue& value);  // standard Base64 with padding

}  // namespace vantrel::json
