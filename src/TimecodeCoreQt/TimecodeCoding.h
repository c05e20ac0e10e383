#pragma once

#include <exception>
#include <string>

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include "TimecodeCore/Timecode.h"
#include "TimecodeCore/VideoFrameRate.h"

// The JSON forms of timecodes and their parts. A timecode is one flat object of
// nine members ("frameRate", "upperLimit", "subFramesBase" and the six
// components); rates, bases and limits code as single values (the rate's text,
// the base's integer, the limit's text). Readers accept members in any order and
// ignore members they do not know; they validate the coded values but not the
// ranges of the components, which come back exactly as written.
namespace timecode {

// A JSON value that does not decode. `key` names the member (empty for the value itself).
class DecodingError : public std::exception {
public:
    enum class Kind {
        keyNotFound,    // a required member is missing
        typeMismatch,   // a member has the wrong JSON type
        valueNotFound,  // a name that is no case of the type
        dataCorrupted,  // a value of the right type that names nothing valid, or malformed JSON
    };

    DecodingError(Kind kind, QString key, QString description);

    Kind kind() const noexcept { return kind_; }
    const QString& key() const noexcept { return key_; }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    Kind kind_;
    QString key_;
    QString description_;
    std::string what_;
};

QJsonObject toJson(const Timecode& timecode);
QJsonObject toJson(const Timecode::Components& components);
QJsonObject toJson(const Timecode::Properties& properties);
QJsonValue toJson(TimecodeFrameRate rate);
QJsonValue toJson(Timecode::SubFramesBase base);
QJsonValue toJson(Timecode::UpperLimit limit);
QJsonValue toJson(VideoFrameRate rate);
QJsonValue toJson(Timecode::StringFormatOption option);

// Each throws DecodingError.
Timecode timecodeFromJson(const QJsonValue& json);
Timecode::Components componentsFromJson(const QJsonValue& json);
Timecode::Properties propertiesFromJson(const QJsonValue& json);
TimecodeFrameRate frameRateFromJson(const QJsonValue& json);
Timecode::SubFramesBase subFramesBaseFromJson(const QJsonValue& json);
Timecode::UpperLimit upperLimitFromJson(const QJsonValue& json);
VideoFrameRate videoFrameRateFromJson(const QJsonValue& json);
Timecode::StringFormatOption stringFormatOptionFromJson(const QJsonValue& json);

// The timecode as compact JSON text, and back (DecodingError for text that is not
// JSON, as dataCorrupted).
QByteArray jsonData(const Timecode& timecode);
Timecode timecodeFromJsonData(const QByteArray& data);

}  // namespace timecode
