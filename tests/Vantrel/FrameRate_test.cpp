// The application's frame-rate record: made from a timecode track, shown in the
// source row, mapped onto the timecode library's rates, and stored in the queue.
#include <gtest/gtest.h>

#include "Vantrel/FrameRate.h"

#include <QJsonDocument>

using namespace vantrel;
using timecode::TimecodeFrameRate;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& value, std::ostream* out) { *out << '"' << value.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

std::optional<FrameRate> decode(const char* json, QString* error = nullptr) {
    return FrameRate::fromJson(QJsonDocument::fromJson(json).object(), error);
}

}  // namespace

TEST(FrameRate, FromTrackQuantaAndDropFlag) {
    EXPECT_EQ(FrameRate::fromNominal(24, false), (FrameRate{24, 1, 24, false}));
    EXPECT_EQ(FrameRate::fromNominal(30, false), (FrameRate{30, 1, 30, false}));
    EXPECT_EQ(FrameRate::fromNominal(30, true), (FrameRate{30000, 1001, 30, true}));
    EXPECT_EQ(FrameRate::fromNominal(60, true), (FrameRate{60000, 1001, 60, true}));
    EXPECT_EQ(FrameRate::fromNominal(120, true), (FrameRate{120, 1, 120, true}));
    const FrameRate odd = FrameRate::fromNominal(25, true);
    EXPECT_EQ(odd, (FrameRate{25, 1, 25, true}));
    EXPECT_EQ(odd.displayText(), QStringLiteral("25"));
    EXPECT_EQ(odd.timecodeFrameRate(), TimecodeFrameRate(TimecodeFrameRate::fps25));
}

TEST(FrameRate, TextAndLibraryRate) {
    struct Row {
        FrameRate rate;
        const char* text;
        std::optional<TimecodeFrameRate> mapped;
    };
    using R = TimecodeFrameRate;
    const Row rows[] = {
        {{24000, 1001, 24, false}, "23.98", R::fps23_976},
        {{24, 1, 24, false}, "24", R::fps24},
        {{25, 1, 25, false}, "25", R::fps25},
        {{30, 1, 30, false}, "30", R::fps30},
        {{30000, 1001, 30, true}, "29.97 DF", R::fps29_97d},
        {{30000, 1001, 30, false}, "29.97", R::fps29_97},
        {{60000, 1001, 60, true}, "59.94 DF", R::fps59_94d},
        {{50, 1, 50, false}, "50", R::fps50},
        {{60000, 1001, 60, false}, "59.94", R::fps59_94},
        {{60, 1, 60, false}, "60", R::fps60},
        {{120, 1, 120, true}, "120", R::fps120},
        {{24, 1, 24, true}, "24", R::fps24},
        {{23, 1, 23, false}, "23", std::nullopt},
        // A drop flag whose label rate is not a multiple of 30 neither shows nor maps as drop.
        {{30000, 1001, 24, true}, "29.97", R::fps29_97},
        {{120000, 1001, 120, true}, "119.88 DF", R::fps119_88d},
        {{48, 1, 48, false}, "48", R::fps48},
        {{15, 1, 15, false}, "15", std::nullopt},
        {{25, 2, 12, false}, "12.500", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.rate.displayText(), QString::fromLatin1(row.text)) << row.text;
        EXPECT_EQ(row.rate.timecodeFrameRate(), row.mapped) << row.text;
    }
}

TEST(FrameRate, RecordsWithoutAPositiveDenominatorNeverDivide) {
    const FrameRate zero{30, 0, 30, false};
    EXPECT_EQ(zero.displayText(), QStringLiteral("30/0"));
    EXPECT_FALSE(zero.timecodeFrameRate());
    EXPECT_EQ((FrameRate{INT64_MIN, -1, 0, false}).displayText(), QStringLiteral("-9223372036854775808/-1"));
}

TEST(FrameRate, StoredFormRoundTrips) {
    for (const FrameRate& rate : {FrameRate{30000, 1001, 30, true}, FrameRate{25, 1, 25, false},
                                  FrameRate{(std::int64_t(1) << 53) + 1, 1001, 7, false}}) {
        const QByteArray text = QJsonDocument(rate.toJson()).toJson();
        const auto back = FrameRate::fromJson(QJsonDocument::fromJson(text).object());
        ASSERT_TRUE(back) << text.toStdString();
        EXPECT_EQ(*back, rate);
        EXPECT_EQ(qHash(*back), qHash(rate));
    }
    EXPECT_EQ((FrameRate{30000, 1001, 30, true}).toJson().keys(),
              (QStringList{"denominator", "isDropFrame", "labelRate", "numerator"}));
    EXPECT_NE(qHash(FrameRate{30000, 1001, 30, true}), qHash(FrameRate{30000, 1001, 30, false}));
}

TEST(FrameRate, DecodingIsStrict) {
    EXPECT_EQ(decode(R"({"numerator":30000,"denominator":1001,"labelRate":30,"isDropFrame":true,"extra":[1]})"),
              (FrameRate{30000, 1001, 30, true}));
    QString error;
    EXPECT_FALSE(decode(R"({"numerator":30000,"denominator":1001,"isDropFrame":true})", &error));
    EXPECT_TRUE(error.contains(QStringLiteral("labelRate"))) << error.toStdString();
    for (const char* bad : {
             R"({"numerator":"30000","denominator":1001,"labelRate":30,"isDropFrame":true})",
             R"({"numerator":29.97,"denominator":1,"labelRate":30,"isDropFrame":false})",
             R"({"numerator":30,"denominator":1,"labelRate":30,"isDropFrame":1})",
             R"({"numerator":30,"denominator":1,"labelRate":true,"isDropFrame":false})",
             R"({"numerator":30,"denominator":1,"labelRate":null,"isDropFrame":false})",
             R"({"numerator":1e300,"denominator":1,"labelRate":30,"isDropFrame":false})",
             R"({"Numerator":30,"denominator":1,"labelRate":30,"isDropFrame":false})",
             // Rates the application would divide by zero or by a negative number.
             R"({"numerator":30,"denominator":0,"labelRate":30,"isDropFrame":false})",
             R"({"numerator":30,"denominator":-1,"labelRate":30,"isDropFrame":false})",
             R"({"numerator":0,"denominator":1,"labelRate":30,"isDropFrame":false})",
             R"({"numerator":-30,"denominator":1,"labelRate":30,"isDropFrame":false})",
         }) {
        EXPECT_FALSE(decode(bad)) << bad;
    }
    EXPECT_FALSE(FrameRate::fromJson(QJsonValue(30)));
    EXPECT_FALSE(FrameRate::fromJson(QJsonValue()));
}
