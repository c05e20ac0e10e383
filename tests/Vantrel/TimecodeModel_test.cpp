// Timecodes paired with a rate record: from text, from the time of day of a date,
// and the seconds of the day a date falls on.
#include <gtest/gtest.h>

#include "Vantrel/TimecodeModel.h"

using namespace vantrel;
using timecode::Timecode;
using timecode::TimecodeFrameRate;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& value, std::ostream* out) { *out << '"' << value.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

const FrameRate fps25 = FrameRate::fromNominal(25, false);
const FrameRate df2997 = FrameRate::fromNominal(30, true);
const FrameRate df5994 = FrameRate::fromNominal(60, true);
const FrameRate nd2997{30000, 1001, 30, false};
const FrameRate df11988{120000, 1001, 120, true};

QDateTime utc(int h, int m, int s, int ms = 0) {
    return QDateTime(QDate(2024, 5, 1), QTime(h, m, s, ms), QTimeZone::utc());
}

std::string text(const std::optional<TimecodeModel>& model) {
    return model ? model->tc.stringValue() : std::string("none");
}

std::string timeOfDay(const QDateTime& date, const FrameRate& rate) {
    return text(timeOfDayTimecode(date, QTimeZone::utc(), rate));
}

}  // namespace

TEST(TimecodeModel, FromTextAtTheMappedRate) {
    const auto model = TimecodeModel::fromText(QStringLiteral("10:20:30;15"), df2997);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->frameRate, df2997);
    EXPECT_EQ(model->resolvedRate, TimecodeFrameRate(TimecodeFrameRate::fps29_97d));
    EXPECT_EQ(model->tc.components(), (Timecode::Components{0, 10, 20, 30, 15, 0}));
    EXPECT_EQ(model->tc.subFramesBase(), timecode::SubFramesBase(timecode::SubFramesBase::max100SubFrames));
    EXPECT_EQ(model->tc.upperLimit(), timecode::UpperLimit(timecode::UpperLimit::max24Hours));

    EXPECT_EQ(text(TimecodeModel::fromText(QStringLiteral("01:00:00:00"), fps25)), "01:00:00:00");
    // The reader writes two frame digits even where the rate shows three.
    EXPECT_EQ(text(TimecodeModel::fromText(QStringLiteral("01:00:00;00"), df11988)), "01:00:00;000");

    EXPECT_FALSE(TimecodeModel::fromText(QStringLiteral("00:00:00:25"), fps25));           // frame out of range
    EXPECT_FALSE(TimecodeModel::fromText(QStringLiteral("00:01:00;00"), df2997));          // a dropped label
    EXPECT_FALSE(TimecodeModel::fromText(QStringLiteral("24:00:00:00"), fps25));           // past 24 hours
    EXPECT_FALSE(TimecodeModel::fromText(QStringLiteral("not a timecode"), fps25));
    EXPECT_FALSE(TimecodeModel::fromText(QString(), fps25));
    EXPECT_FALSE(TimecodeModel::fromText(QStringLiteral("01:00:00:00"), FrameRate{23, 1, 23, false}));
    EXPECT_FALSE(TimecodeModel::fromText(QStringLiteral("01:00:00:00"), FrameRate{30, 0, 30, false}));
}

TEST(TimecodeModel, EqualWhenRecordsMatchAndWholeFramesMatch) {
    auto a = *TimecodeModel::fromText(QStringLiteral("01:00:00:10"), fps25);
    auto b = a;
    b.tc.setSubFrames(50);
    EXPECT_EQ(a, b);
    b.tc.setFrames(11);
    EXPECT_NE(a, b);
    // The same digits under a record that differs only in its drop flag are another value.
    auto c = a;
    c.frameRate.isDropFrame = true;
    EXPECT_NE(a, c);
}

TEST(TimecodeModel, TimeOfDayFramesFromTheLabelRate) {
    EXPECT_EQ(timeOfDay(utc(10, 0, 0, 999), fps25), "10:00:00:24");  // 24.975 truncated
    EXPECT_EQ(timeOfDay(utc(10, 0, 0, 40), fps25), "10:00:00:01");
    EXPECT_EQ(timeOfDay(utc(23, 59, 59, 999), nd2997), "23:59:59:29");  // label 30, no 1000/1001 scaling
    EXPECT_EQ(timeOfDay(utc(0, 0, 0), fps25), "00:00:00:00");
    EXPECT_FALSE(timeOfDayTimecode(utc(10, 0, 0), QTimeZone::utc(), FrameRate{23, 1, 23, false}));

    const auto model = timeOfDayTimecode(utc(10, 0, 0, 999), QTimeZone::utc(), fps25);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->tc.days(), 0);
    EXPECT_EQ(model->tc.subFrames(), 0);
    EXPECT_EQ(model->frameRate, fps25);
    EXPECT_EQ(model->resolvedRate, TimecodeFrameRate(TimecodeFrameRate::fps25));
}

TEST(TimecodeModel, TimeOfDayNeverLandsOnADroppedLabel) {
    // Wall-clock digits stay as they are where the label exists.
    EXPECT_EQ(timeOfDay(utc(10, 10, 0), df2997), "10:10:00;00");
    EXPECT_EQ(timeOfDay(utc(10, 1, 1), df2997), "10:01:01;00");
    EXPECT_EQ(timeOfDay(utc(10, 1, 0, 100), df2997), "10:01:00;03");
    // The first labels of minutes not divisible by ten do not exist: the next one that does.
    EXPECT_EQ(timeOfDay(utc(10, 1, 0), df2997), "10:01:00;02");
    EXPECT_EQ(timeOfDay(utc(10, 1, 0, 50), df2997), "10:01:00;02");
    EXPECT_EQ(timeOfDay(utc(10, 59, 0, 40), df5994), "10:59:00;04");
    EXPECT_EQ(timeOfDay(utc(0, 1, 0), df11988), "00:01:00;008");
    EXPECT_EQ(timeOfDay(utc(10, 1, 0), nd2997), "10:01:00:00");  // non-drop keeps frame 0
    for (const FrameRate& rate : {df2997, df5994, df11988}) {
        for (int minute = 0; minute < 60; ++minute) {
            for (int ms : {0, 10, 20, 30, 40, 60}) {
                const auto model = timeOfDayTimecode(utc(7, minute, 0, ms), QTimeZone::utc(), rate);
                ASSERT_TRUE(model);
                EXPECT_TRUE(model->tc.isValid()) << model->tc.stringValue();
            }
        }
    }
}

TEST(TimecodeModel, TimeOfDayAndSecondsFollowTheZone) {
    const QDateTime instant = utc(10, 30, 15, 250);
    const QTimeZone plusTwo(2 * 3600);
    EXPECT_EQ(text(timeOfDayTimecode(instant, plusTwo, fps25)), "12:30:15:06");
    EXPECT_EQ(text(timeOfDayTimecode(instant, QTimeZone(-7 * 3600), fps25)), "03:30:15:06");
    EXPECT_DOUBLE_EQ(secondsSinceMidnight(instant, plusTwo), 12 * 3600 + 30 * 60 + 15.25);
    EXPECT_DOUBLE_EQ(secondsSinceMidnight(instant, QTimeZone::utc()), 10 * 3600 + 30 * 60 + 15.25);
    // Without a zone, the system's.
    EXPECT_DOUBLE_EQ(secondsSinceMidnight(instant, std::nullopt),
                     secondsSinceMidnight(instant, QTimeZone::systemTimeZone()));
    EXPECT_EQ(text(timeOfDayTimecode(instant, std::nullopt, fps25)),
              text(timeOfDayTimecode(instant, QTimeZone::systemTimeZone(), fps25)));
}
