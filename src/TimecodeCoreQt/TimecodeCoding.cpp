#include "TimecodeCoreQt/TimecodeCoding.h"

#include <cmath>
#include <optional>

#include <QJsonDocument>
#include <QJsonParseError>
#include <QVariant>

namespace timecode {

namespace {

using Kind = DecodingError::Kind;

const QString kFrameRate = QStringLiteral("frameRate");
const QString kSubFramesBase = QStringLiteral("subFramesBase");
const QString kUpperLimit = QStringLiteral("upperLimit");

QString name(Timecode::Component c) { return QString::fromUtf8(c.nameLowerCamelCase().data(), qsizetype(c.nameLowerCamelCase().size())); }

QJsonValue text(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// Decoders of single values, each told the member it reads for its errors.
QString stringValue(const QJsonValue& v, const QString& key) {
    if (!v.isString()) throw DecodingError(Kind::typeMismatch, key, QStringLiteral("Expected a string."));
    return v.toString();
}

std::int64_t integerValue(const QJsonValue& v, const QString& key) {
    if (!v.isDouble()) throw DecodingError(Kind::typeMismatch, key, QStringLiteral("Expected a number."));
    const QVariant variant = v.toVariant();
    if (variant.typeId() == QMetaType::LongLong) return variant.toLongLong();
    const double d = v.toDouble();
    if (d == std::trunc(d) && std::fabs(d) < 0x1p63) return std::int64_t(d);
    throw DecodingError(Kind::dataCorrupted, key, QStringLiteral("Number does not fit a 64-bit integer."));
}

template <class T, class Lookup>
T named(const QJsonValue& v, const QString& key, Lookup lookup, const char* what) {
    const QByteArray utf8 = stringValue(v, key).toUtf8();
    if (const std::optional<T> value = lookup(std::string_view(utf8.constData(), std::size_t(utf8.size())))) return *value;
    throw DecodingError(Kind::dataCorrupted, key, QStringLiteral("Not a valid %1.").arg(QLatin1String(what)));
}

TimecodeFrameRate frameRateOf(const QJsonValue& v, const QString& key) {
    return named<TimecodeFrameRate>(v, key, TimecodeFrameRate::fromRawValue, "frame rate");
}

Timecode::SubFramesBase baseOf(const QJsonValue& v, const QString& key) {
    if (const auto base = Timecode::SubFramesBase::fromRawValue(integerValue(v, key))) return *base;
    throw DecodingError(Kind::dataCorrupted, key, QStringLiteral("Not a valid subframes base."));
}

Timecode::UpperLimit limitOf(const QJsonValue& v, const QString& key) {
    return named<Timecode::UpperLimit>(v, key, Timecode::UpperLimit::fromRawValue, "upper limit");
}

QJsonObject objectOf(const QJsonValue& v) {
    if (!v.isObject()) throw DecodingError(Kind::typeMismatch, {}, QStringLiteral("Expected an object."));
    return v.toObject();
}

QJsonValue member(const QJsonObject& o, const QString& key) {
    const auto it = o.constFind(key);
    if (it == o.constEnd()) throw DecodingError(Kind::keyNotFound, key, QStringLiteral("No value for the key."));
    return *it;
}

Timecode::Properties propertiesOf(const QJsonObject& o) {
    const TimecodeFrameRate rate = frameRateOf(member(o, kFrameRate), kFrameRate);
    const Timecode::SubFramesBase base = baseOf(member(o, kSubFramesBase), kSubFramesBase);
    return {rate, base, limitOf(member(o, kUpperLimit), kUpperLimit)};
}

Timecode::Components componentsOf(const QJsonObject& o) {
    Timecode::Components c;
    for (Timecode::Component component : Timecode::Component::allCases())
        c.setValue(component, integerValue(member(o, name(component)), name(component)));
    return c;
}

void insertComponents(QJsonObject& o, const Timecode::Components& c) {
    for (Timecode::Component component : Timecode::Component::allCases())
        o.insert(name(component), qint64(c.value(component)));
}

}  // namespace

DecodingError::DecodingError(Kind kind, QString key, QString description)
    : kind_(kind), key_(std::move(key)), description_(std::move(description)) {
    what_ = (key_.isEmpty() ? description_ : key_ + QStringLiteral(": ") + description_).toStdString();
}

// ---- Encoding

QJsonValue toJson(TimecodeFrameRate rate) { return text(rate.rawValue()); }
QJsonValue toJson(Timecode::SubFramesBase base) { return qint64(base.rawValue()); }
QJsonValue toJson(Timecode::UpperLimit limit) { return text(limit.rawValue()); }
QJsonValue toJson(VideoFrameRate rate) { return text(rate.rawValue()); }
QJsonValue toJson(Timecode::StringFormatOption option) { return text(caseName(option)); }

QJsonObject toJson(const Timecode::Properties& p) {
    return {{kFrameRate, toJson(p.frameRate)}, {kSubFramesBase, toJson(p.subFramesBase)}, {kUpperLimit, toJson(p.upperLimit)}};
}

QJsonObject toJson(const Timecode::Components& components) {
    QJsonObject o;
    insertComponents(o, components);
    return o;
}

QJsonObject toJson(const Timecode& timecode) {
    QJsonObject o = toJson(timecode.properties());
    insertComponents(o, timecode.components());
    return o;
}

QByteArray jsonData(const Timecode& timecode) { return QJsonDocument(toJson(timecode)).toJson(QJsonDocument::Compact); }

// ---- Decoding: properties first, then the components in order; the first failure wins.

TimecodeFrameRate frameRateFromJson(const QJsonValue& json) { return frameRateOf(json, {}); }
Timecode::SubFramesBase subFramesBaseFromJson(const QJsonValue& json) { return baseOf(json, {}); }
Timecode::UpperLimit upperLimitFromJson(const QJsonValue& json) { return limitOf(json, {}); }
VideoFrameRate videoFrameRateFromJson(const QJsonValue& json) {
    return named<VideoFrameRate>(json, {}, VideoFrameRate::fromRawValue, "video frame rate");
}

Timecode::StringFormatOption stringFormatOptionFromJson(const QJsonValue& json) {
    const QByteArray utf8 = stringValue(json, {}).toUtf8();
    if (const auto option = stringFormatOption(std::string_view(utf8.constData(), std::size_t(utf8.size())))) return *option;
    throw DecodingError(Kind::valueNotFound, {}, QStringLiteral("Decoded value is not valid."));
}

Timecode::Properties propertiesFromJson(const QJsonValue& json) { return propertiesOf(objectOf(json)); }

Timecode::Components componentsFromJson(const QJsonValue& json) { return componentsOf(objectOf(json)); }

Timecode timecodeFromJson(const QJsonValue& json) {
    const QJsonObject o = objectOf(json);
    Timecode timecode;
    timecode.setProperties(propertiesOf(o));
    timecode.setComponents(componentsOf(o));
    return timecode;
}

Timecode timecodeFromJsonData(const QByteArray& data) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError)
        throw DecodingError(Kind::dataCorrupted, {}, QStringLiteral("Not valid JSON: %1").arg(error.errorString()));
    if (!document.isObject()) throw DecodingError(Kind::typeMismatch, {}, QStringLiteral("Expected an object."));
    return timecodeFromJson(document.object());
}

}  // namespace timecode
