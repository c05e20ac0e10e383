// Timecodes paired with a rate record: from text, from the time of day of a date,
// and the seconds of the day a date falls on.
#include <gtest/gtest.h>

#include "Vantrel/media/TimecodeModel.h"

using namespace vantrel;
using timecode::Timecode;
using timecode::TimecodeFrameRate;

namespace {

const FrameRate fps25 = FrameRate::fromNominal(25, false);
const FrameRate df2997 = FrameRate::fromNominal(30, true);
const FrameRate df5994 = FrameRate::fromNominal(60, true);
const FrameRate nd2997{30000, 1001, 30, false};
const FrameRate df11988{120000, 1001, 120, true};

QDateTime utc(int h, int m, int s, int ms = 0) { return QDateTime(QDate(2024, 5, 1), QTime(h, m, s, ms), QTimeZone::utc()); }

std::string text(const std::optional<TimecodeModel>& model) { return model ? model->tc.stringValue() : "none"; }
std::string fromText(const char* text, const FrameRate& rate) {
    return ::text(TimecodeModel::fromText(QString::fromLatin1(text), rate));
}
std::string timeOfDay(const QDateTime& date, const FrameRate& rate, const std::optional<QTimeZone>& zone = QTimeZone::utc()) {
    return text(timeOfDayTimecode(date, zone, rate));
}

}  // namespace

TEST(TimecodeModel, FromTextAtTheMappedRate) {
    const auto model = TimecodeModel::fromText(QStringLiteral("10:20:30;15"), df2997);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->resolvedRate, TimecodeFrameRate(TimecodeFrameRate::fps29_97d));
    EXPECT_EQ(model->tc.components(), (Timecode::Components{0, 10, 20, 30, 15, 0}));
    EXPECT_EQ(model->tc.subFramesBase(), timecode::SubFramesBase(timecode::SubFramesBase::max100SubFrames));
    EXPECT_EQ(model->tc.upperLimit(), timecode::UpperLimit(timecode::UpperLimit::max24Hours));
    // The track reader writes two frame digits even where the rate shows three.
    EXPECT_EQ(fromText("01:00:00;00", df11988), "01:00:00;000");
    for (const auto& [bad, rate] : {std::pair{"00:00:00:25", fps25}, {"00:01:00;00", df2997}, {"24:00:00:00", fps25},
                                    {"not a timecode", fps25}, {"", fps25}, {"01:00:00:00", FrameRate{23, 1, 23, false}}})
        EXPECT_EQ(fromText(bad, rate), "none") << bad;

    // Equal: the same record and the same whole frames (subframes do not count).
    auto other = *model;
    other.tc.setSubFrames(50);
    EXPECT_EQ(*model, other);
    other.frameRate.isDropFrame = false;
    EXPECT_NE(*model, other);
}

TEST(TimecodeModel, TimeOfDayAtTheLabelRate) {
    EXPECT_EQ(timeOfDay(utc(10, 0, 0, 999), fps25), "10:00:00:24");  // 24.975 truncated
    EXPECT_EQ(timeOfDay(utc(23, 59, 59, 999), nd2997), "23:59:59:29");  // label 30, no 1000/1001 scaling
    EXPECT_EQ(timeOfDay(utc(10, 0, 0), FrameRate{23, 1, 23, false}), "none");
    const auto model = timeOfDayTimecode(utc(10, 0, 0, 999), QTimeZone::utc(), fps25);
    EXPECT_EQ(model->tc.components(), (Timecode::Components{0, 10, 0, 0, 24, 0}));
    EXPECT_EQ(model->frameRate, fps25);

    // The zone moves the wall clock; without one the system's applies.
    const QDateTime instant = utc(10, 30, 15, 250);
    EXPECT_EQ(timeOfDay(instant, fps25, QTimeZone(2 * 3600)), "12:30:15:06");
    EXPECT_EQ(timeOfDay(instant, fps25, QTimeZone(-7 * 3600)), "03:30:15:06");
    EXPECT_EQ(timeOfDay(instant, fps25, std::nullopt), timeOfDay(instant, fps25, QTimeZone::systemTimeZone()));
    EXPECT_DOUBLE_EQ(secondsSinceMidnight(instant, QTimeZone(2 * 3600)), 12 * 3600 + 30 * 60 + 15.25);
    EXPECT_DOUBLE_EQ(secondsSinceMidnight(instant, std::nullopt),
                     secondsSinceMidnight(instant, QTimeZone::systemTimeZone()));
}

TEST(TimecodeModel, TimeOfDayNeverLandsOnADroppedLabel) {
    EXPECT_EQ(timeOfDay(utc(10, 10, 0), df2997), "10:10:00;00");
    EXPECT_EQ(timeOfDay(utc(10, 1, 1), df2997), "10:01:01;00");
    EXPECT_EQ(timeOfDay(utc(10, 1, 0, 100), df2997), "10:01:00;03");
    // Labels 0 and 1 (0 to 3 at 59.94, 0 to 7 at 119.88) of minutes not divisible by ten do not exist.
    EXPECT_EQ(timeOfDay(utc(10, 1, 0), df2997), "10:01:00;02");
    EXPECT_EQ(timeOfDay(utc(10, 1, 0, 50), df2997), "10:01:00;02");
    EXPECT_EQ(timeOfDay(utc(10, 59, 0, 40), df5994), "10:59:00;04");
    EXPECT_EQ(timeOfDay(utc(0, 1, 0), df11988), "00:01:00;008");
    EXPECT_EQ(timeOfDay(utc(10, 1, 0), nd2997), "10:01:00:00");
    for (const FrameRate& rate : {df2997, df5994, df11988})
        for (int minute = 0; minute < 60; ++minute)
            for (int ms : {0, 10, 20, 40, 60}) {
                const auto model = timeOfDayTimecode(utc(7, minute, 0, ms), QTimeZone::utc(), rate);
                EXPECT_TRUE(model->tc.isValid()) << model->tc.stringValue();
            }
}
