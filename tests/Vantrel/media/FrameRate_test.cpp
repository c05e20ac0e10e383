// The application's frame-rate record: made from a timecode track, shown in the
// source row, mapped onto the timecode library's rates, and stored in the queue.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "Vantrel/media/FrameRate.h"

#include <QJsonDocument>

using namespace vantrel;
using R = timecode::TimecodeFrameRate;

TEST(FrameRate, FromTrackTextAndLibraryRate) {
    EXPECT_EQ(FrameRate::fromNominal(24, false), (FrameRate{24, 1, 24, false}));
    EXPECT_EQ(FrameRate::fromNominal(30, true), (FrameRate{30000, 1001, 30, true}));
    EXPECT_EQ(FrameRate::fromNominal(60, true), (FrameRate{60000, 1001, 60, true}));
    EXPECT_EQ(FrameRate::fromNominal(25, true), (FrameRate{25, 1, 25, true}));

    const std::tuple<FrameRate, const char*, std::optional<R>> rows[] = {
        {{24000, 1001, 24, false}, "23.98", R::fps23_976}, {{24, 1, 24, false}, "24", R::fps24},
        {{25, 1, 25, false}, "25", R::fps25},              {{30, 1, 30, false}, "30", R::fps30},
        {{30000, 1001, 30, true}, "29.97 DF", R::fps29_97d}, {{30000, 1001, 30, false}, "29.97", R::fps29_97},
        {{60000, 1001, 60, true}, "59.94 DF", R::fps59_94d}, {{60000, 1001, 60, false}, "59.94", R::fps59_94},
        {{50, 1, 50, false}, "50", R::fps50},              {{120, 1, 120, true}, "120", R::fps120},
        {{25, 1, 25, true}, "25", R::fps25},               {{23, 1, 23, false}, "23", std::nullopt},
        // A drop flag whose label rate is not a multiple of 30 neither shows nor maps as drop.
        {{30000, 1001, 24, true}, "29.97", R::fps29_97},   {{120000, 1001, 120, true}, "119.88 DF", R::fps119_88d},
        {{15, 1, 15, false}, "15", std::nullopt},          {{25, 2, 12, false}, "12.500", std::nullopt},
        // Only a hand-made record lacks a positive denominator: shown raw, never divided by.
        {{30, 0, 30, false}, "30/0", std::nullopt},
    };
    for (const auto& [rate, text, mapped] : rows) {
        EXPECT_EQ(rate.displayText(), QString::fromLatin1(text)) << text;
        EXPECT_EQ(rate.timecodeFrameRate(), mapped) << text;
    }
    EXPECT_EQ((FrameRate{INT64_MIN, -1, 0, false}).displayText(), QStringLiteral("-9223372036854775808/-1"));
}

TEST(FrameRate, StoredFormRoundTripsAndDecodesStrictly) {
    for (const FrameRate& rate : {FrameRate{30000, 1001, 30, true}, FrameRate{(std::int64_t(1) << 53) + 1, 1001, 7, false}}) {
        const auto back = FrameRate::fromJson(QJsonDocument::fromJson(QJsonDocument(rate.toJson()).toJson()).object());
        EXPECT_EQ(back, rate);
        EXPECT_EQ(qHash(back.value()), qHash(rate));
    }
    EXPECT_NE(qHash(FrameRate{30000, 1001, 30, true}), qHash(FrameRate{30000, 1001, 30, false}));

    const auto decode = [](const char* json, QString* error = nullptr) {
        return FrameRate::fromJson(QJsonDocument::fromJson(json).object(), error);
    };
    EXPECT_EQ(decode(R"({"numerator":30000,"denominator":1001,"labelRate":30,"isDropFrame":true,"extra":1})"),
              (FrameRate{30000, 1001, 30, true}));
    QString error;
    EXPECT_FALSE(decode(R"({"numerator":30000,"denominator":1001,"isDropFrame":true})", &error));
    EXPECT_TRUE(error.contains(QStringLiteral("labelRate")));
    for (const char* bad : {
             R"({"numerator":"30000","denominator":1001,"labelRate":30,"isDropFrame":true})",
             R"({"numerator":29.97,"denominator":1,"labelRate":30,"isDropFrame":false})",
             R"({"numerator":30,"denominator":1,"labelRate":30,"isDropFrame":1})",
             R"({"numerator":30,"denominator":1,"labelRate":null,"isDropFrame":false})",
             R"({"numerator":1e300,"denominator":1,"labelRate":30,"isDropFrame":false})",
             R"({"Numerator":30,"denominator":1,"labelRate":30,"isDropFrame":false})",
             // Rates the application would divide by zero or by a negative number.
             R"({"numerator":30,"denominator":0,"labelRate":30,"isDropFrame":false})",
             R"({"numerator":30,"denominator":-1001,"labelRate":30,"isDropFrame":false})",
             R"({"numerator":0,"denominator":1,"labelRate":30,"isDropFrame":false})",
         })
        EXPECT_FALSE(decode(bad)) << bad;
    EXPECT_FALSE(FrameRate::fromJson(QJsonValue(30)));
}
