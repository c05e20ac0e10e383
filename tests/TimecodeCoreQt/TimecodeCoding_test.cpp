#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include "TimecodeCoreQt/TimecodeCoding.h"

using namespace timecode;
using R = TimecodeFrameRate;
using Kind = DecodingError::Kind;

namespace {

Timecode make(const Timecode::Components& c, const Timecode::Properties& p) {
    Timecode t;
    t.setProperties(p);
    t.setComponents(c);
    return t;
}

// The kind of the DecodingError that decoding `json` throws, or none.
template <class Decode>
std::optional<Kind> failure(Decode decode, const QJsonValue& json, QString* key = nullptr) {
    try {
        decode(json);
    } catch (const DecodingError& e) {
        if (key) *key = e.key();
        return e.kind();
    }
    return std::nullopt;
}

}  // namespace

TEST(TimecodeCoding, FlatObjectOfATimecode) {
    const Timecode t = make({0, 1, 0, 0, 0, 0}, {R::fps29_97d, SubFramesBase::max80SubFrames, UpperLimit::max24Hours});
    const QJsonObject o = toJson(t);
    EXPECT_EQ(o.size(), 9);
    EXPECT_EQ(o["frameRate"].toString(), "29.97d");
    EXPECT_EQ(o["upperLimit"].toString(), "24 hours");
    EXPECT_EQ(o["subFramesBase"].toInteger(), 80);
    EXPECT_EQ(o["hours"].toInteger(), 1);
    for (const char* key : {"days", "minutes", "seconds", "frames", "subFrames"}) EXPECT_EQ(o[key].toInteger(-1), 0) << key;
    const Timecode back = timecodeFromJson(o);
    EXPECT_EQ(back.components(), t.components());
    EXPECT_EQ(back.properties(), t.properties());
}

TEST(TimecodeCoding, RoundTripOfEveryRateBaseAndLimitAtTheLimits) {
    for (R rate : R::allCases())
        for (SubFramesBase base : SubFramesBase::allCases())
            for (UpperLimit limit : UpperLimit::allCases()) {
                const Timecode::Properties p(rate, base, limit);
                for (const Timecode::Components& c :
                     {Timecode::Components{}, Timecode::Components{limit.maxDays(), 23, 59, 59, rate.maxFrameNumberDisplayable(),
                                                                   base.maxSubFrames()},
                      Timecode::Components{INT64_MIN, -1, INT64_MAX, 99, 1000, -7}}) {
                    const Timecode t = make(c, p);
                    const Timecode back = timecodeFromJsonData(jsonData(t));
                    EXPECT_EQ(back.components(), c) << rate.description();
                    EXPECT_EQ(back.properties(), p) << rate.description();
                }
            }
}

TEST(TimecodeCoding, DecodingKeepsOutOfRangeComponentsAndIgnoresUnknownMembers) {
    QJsonObject o = toJson(make({}, {}));
    o["hours"] = 99;
    o["stringFormat"] = "whatever";
    const Timecode t = timecodeFromJson(o);
    EXPECT_EQ(t.hours(), 99);
    EXPECT_FALSE(t.isValid());
    // Integral numbers written as floating point are accepted.
    EXPECT_EQ(timecodeFromJsonData(R"({"frameRate":"24","subFramesBase":80,"upperLimit":"24 hours","days":0,"hours":1e0,
        "minutes":2.0,"seconds":3,"frames":4,"subFrames":5})").minutes(), 2);
}

TEST(TimecodeCoding, DecodingFailures) {
    const QJsonObject good = toJson(make({0, 1, 2, 3, 4, 5}, {}));
    auto without = [&](const char* key) {
        QJsonObject o = good;
        o.remove(key);
        return o;
    };
    auto with = [&](const char* key, const QJsonValue& value) {
        QJsonObject o = good;
        o[key] = value;
        return o;
    };
    QString key;
    EXPECT_EQ(failure(timecodeFromJson, without("subFrames"), &key), Kind::keyNotFound);
    EXPECT_EQ(key, "subFrames");
    EXPECT_EQ(failure(timecodeFromJson, with("frameRate", "29.97D"), &key), Kind::dataCorrupted);
    EXPECT_EQ(key, "frameRate");
    EXPECT_EQ(failure(timecodeFromJson, with("frameRate", 24)), Kind::typeMismatch);
    EXPECT_EQ(failure(timecodeFromJson, with("subFramesBase", 90)), Kind::dataCorrupted);
    EXPECT_EQ(failure(timecodeFromJson, with("subFramesBase", "80")), Kind::typeMismatch);
    EXPECT_EQ(failure(timecodeFromJson, with("upperLimit", "24 Hours")), Kind::dataCorrupted);
    EXPECT_EQ(failure(timecodeFromJson, with("hours", "1")), Kind::typeMismatch);
    EXPECT_EQ(failure(timecodeFromJson, with("hours", QJsonValue())), Kind::typeMismatch);
    EXPECT_EQ(failure(timecodeFromJson, with("frames", 1.5)), Kind::dataCorrupted);
    EXPECT_EQ(failure(timecodeFromJson, with("frames", 1e19)), Kind::dataCorrupted);
    EXPECT_EQ(failure(timecodeFromJson, QJsonArray{1, 2}), Kind::typeMismatch);
    // Members are read in order and the first failure wins.
    QJsonObject twoFaults = with("frameRate", "nope");
    twoFaults.remove("days");
    EXPECT_EQ(failure(timecodeFromJson, twoFaults, &key), Kind::dataCorrupted);
    EXPECT_EQ(key, "frameRate");

    auto fromData = [](const QJsonValue& v) { timecodeFromJsonData(v.toString().toUtf8()); };
    EXPECT_EQ(failure(fromData, QString("{\"frameRate\":")), Kind::dataCorrupted);
    EXPECT_EQ(failure(fromData, QString("[1]")), Kind::typeMismatch);
    EXPECT_EQ(failure(fromData, QString("")), Kind::dataCorrupted);
}

TEST(TimecodeCoding, PartsAndSingleValues) {
    const Timecode::Components c{1, 2, 3, 4, 5, 6};
    EXPECT_EQ(componentsFromJson(toJson(c)), c);
    const Timecode::Properties p(R::fps119_88d, SubFramesBase::quarterFrames, UpperLimit::max100Days);
    EXPECT_EQ(propertiesFromJson(toJson(p)), p);
    EXPECT_EQ(toJson(SubFramesBase(SubFramesBase::quarterFrames)), QJsonValue(4));
    EXPECT_EQ(toJson(UpperLimit(UpperLimit::max100Days)), QJsonValue("100 days"));
    for (VideoFrameRate v : VideoFrameRate::allCases()) EXPECT_EQ(videoFrameRateFromJson(toJson(v)), v);
    EXPECT_EQ(failure(videoFrameRateFromJson, QJsonValue("25P")), Kind::dataCorrupted);
    EXPECT_EQ(failure(componentsFromJson, QJsonObject{{"days", 1}}), Kind::keyNotFound);
}

TEST(TimecodeCoding, StringFormatOptions) {
    EXPECT_EQ(toJson(StringFormatOption::showSubFrames), QJsonValue("showSubFrames"));
    for (StringFormatOption o : allStringFormatOptions()) EXPECT_EQ(stringFormatOptionFromJson(toJson(o)), o);
    try {
        stringFormatOptionFromJson("showsubframes");
        FAIL();
    } catch (const DecodingError& e) {
        EXPECT_EQ(e.kind(), Kind::valueNotFound);
        EXPECT_EQ(e.description(), "Decoded value is not valid.");
    }
    EXPECT_EQ(failure(stringFormatOptionFromJson, QJsonValue(1)), Kind::typeMismatch);
}
