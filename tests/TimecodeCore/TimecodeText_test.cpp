#include <gtest/gtest.h>

#include <string>

#include "TimecodeCore/Timecode.h"
#include "TimecodeTestSupport.h"

using timecode::FormattedTimecodeSourceValue;
using timecode::StringFormat;
using timecode::Timecode;
using timecode::TimecodeSourceValue;
using B = Timecode::SubFramesBase;
using C = Timecode::Components;
using L = Timecode::UpperLimit;
using O = Timecode::StringFormatOption;
using R = timecode::TimecodeFrameRate;
using Rule = Timecode::ValidationRule;

using timecode::makeTimecode;

TEST(TimecodeText, Writing) {
    const Timecode hour = makeTimecode({0, 1, 0, 0, 0, 0}, R::fps24);
    EXPECT_EQ(hour.stringValue(), "01:00:00:00");
    EXPECT_EQ(hour.stringValue({O::alwaysShowDays}), "0 01:00:00:00");

    const Timecode df = makeTimecode({2, 3, 4, 5, 6, 0}, R::fps29_97d);
    EXPECT_EQ(df.stringValue(), "2 03:04:05;06");
    EXPECT_EQ(df.stringValue({O::filenameCompatible}), "2-03-04-05-06");

    EXPECT_EQ(makeTimecode({0, 10, 0, 0, 5, 0}, R::fps120).stringValue(), "10:00:00:005");
    EXPECT_EQ(makeTimecode({0, 10, 0, 0, 5, 0}, R::fps100).stringValue(), "10:00:00:05");

    EXPECT_EQ(makeTimecode({0, 0, 0, 0, 0, 7}, R::fps24).stringValue({O::showSubFrames}), "00:00:00:00.07");
    EXPECT_EQ(makeTimecode({0, 0, 0, 0, 0, 7}, R::fps24, B::max100SubFrames).stringValue({O::showSubFrames}), "00:00:00:00.07");
    EXPECT_EQ(makeTimecode({0, 0, 0, 0, 0, 3}, R::fps24, B::quarterFrames).stringValue({O::showSubFrames}), "00:00:00:00.3");
    EXPECT_EQ(makeTimecode({0, 1, 0, 0, 0, 0}, R::fps29_97d).stringValue({O::showSubFrames, O::filenameCompatible}),
              "01-00-00-00.00");

    // Any value is written as printf writes it, never cut.
    EXPECT_EQ(makeTimecode({0, -1, 0, 0, 0, 0}, R::fps24).stringValue(), "-1:00:00:00");
    EXPECT_EQ(makeTimecode({-3, 0, -5, 123, 0, -7}, R::fps120).stringValue({O::showSubFrames}), "-3 00:-5:123:000.-7");
    EXPECT_EQ(makeTimecode({0, 0, 0, 0, -5, 0}, R::fps120).stringValue(), "00:00:00:-05");
    const std::int64_t min = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(makeTimecode({0, min, 0, 0, 0, 0}, R::fps24).stringValue(), "-9223372036854775808:00:00:00");
}

TEST(TimecodeText, FormatSets) {
    StringFormat f = StringFormat::defaultFormat();
    EXPECT_TRUE(f.isEmpty());
    f.setShowSubFrames(true);
    EXPECT_TRUE(f.showSubFrames());
    EXPECT_EQ(f, StringFormat::showSubFramesFormat());
    f.setShowSubFrames(false);
    f.setShowSubFrames(false);
    EXPECT_TRUE(f.isEmpty());
    EXPECT_EQ(timecode::caseName(O::showSubFrames), "showSubFrames");
    EXPECT_EQ(timecode::stringFormatOption("filenameCompatible"), O::filenameCompatible);
    EXPECT_FALSE(timecode::stringFormatOption("showsubframes"));
}

// Each row: text, then the expected components, or nothing when the text is malformed.
TEST(TimecodeText, ReadingTable) {
    struct Row {
        std::string text;
        std::optional<C> expected;
    };
    const std::vector<Row> rows{
        {"01:02:03:04", C{0, 1, 2, 3, 4, 0}},
        {"01;02;03;04.05", C{0, 1, 2, 3, 4, 5}},
        {"01:02:03;04", C{0, 1, 2, 3, 4, 0}},
        {"01:02:03:04.", C{0, 1, 2, 3, 4, 0}},
        {"1 01:02:03:04.05", C{1, 1, 2, 3, 4, 5}},
        {"1\t01:02:03:04.05", C{1, 1, 2, 3, 4, 5}},
        {"1\xC2\xA0" "01:02:03:04", C{1, 1, 2, 3, 4, 0}},      // no-break space
        {"1\xE3\x80\x80" "01:02:03:04", C{1, 1, 2, 3, 4, 0}},  // ideographic space
        {"1:01:02:03:04", C{1, 1, 2, 3, 4, 0}},
        {"1;01;02;03;04", C{1, 1, 2, 3, 4, 0}},
        {"12:01:02:03:04", C{12, 1, 2, 3, 4, 0}},
        {"101:02:03:04", C{0, 101, 2, 3, 4, 0}},
        {" 01:02:03:04", C{0, 1, 2, 3, 4, 0}},
        {":01:02:03:04", C{0, 1, 2, 3, 4, 0}},
        {";01:02:03:04", C{0, 1, 2, 3, 4, 0}},
        {"01:02:03:0405", C{0, 1, 2, 3, 405, 0}},
        {"99:99:99:99", C{0, 99, 99, 99, 99, 0}},
        {"0001:02:03:04.0099", C{0, 1, 2, 3, 4, 99}},
        // One line terminator may end the text.
        {"01:02:03:04\n", C{0, 1, 2, 3, 4, 0}},
        {"01:02:03:04.05\r\n", C{0, 1, 2, 3, 4, 5}},
        {"01:02:03:04\xE2\x80\xA8", C{0, 1, 2, 3, 4, 0}},
        {"01:02:03:04\n\n", std::nullopt},
        {"01:02:03", std::nullopt},
        {"1:2:3:4:5:6", std::nullopt},
        {"01:02:03:04 ", std::nullopt},
        {"01.02.03.04", std::nullopt},
        {"-01:02:03:04", std::nullopt},
        {"01:02:-03:04", std::nullopt},
        {"01:02:03:04.-5", std::nullopt},
        {"", std::nullopt},
        {"  01:02:03:04", std::nullopt},
        {"1  01:02:03:04", std::nullopt},
        {"1\v01:02:03:04", std::nullopt},  // vertical tab is not white space here
        {"01:02:03:04..05", std::nullopt},
        {"01::02:03:04", std::nullopt},
        {"a01:02:03:04", std::nullopt},
        {"01:02:03:04a", std::nullopt},
        {"01 02:03:04:05:06", std::nullopt},
        {"\xD9\xA1:02:03:04", std::nullopt},  // non-ASCII digit
        {std::string("01:02:03:04\0", 12), std::nullopt},
        // Any group that does not fit 64 bits makes the text malformed, never 0.
        {"99999999999999999999:02:03:04", std::nullopt},
        {"1 99999999999999999999:02:03:04.05", std::nullopt},
        {"01:02:03:99999999999999999999.05", std::nullopt},
        {"01:02:03:04.99999999999999999999", std::nullopt},
        {"99999999999999999999 01:02:03:04", std::nullopt},
        {"9223372036854775807:00:00:00", C{0, std::numeric_limits<std::int64_t>::max(), 0, 0, 0, 0}},
        {"9223372036854775808:00:00:00", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("text: \"" + row.text + "\"");
        if (row.expected) {
            EXPECT_EQ(Timecode::decode(row.text), *row.expected);
        } else {
            EXPECT_THROW(Timecode::decode(row.text), Timecode::StringParseError);
        }
    }
}

TEST(TimecodeText, SettingFromText) {
    const auto at24 = [](const std::string& text, std::optional<Rule> rule) {
        if (rule)
            return Timecode(FormattedTimecodeSourceValue::string(text), R::fps24, B::max80SubFrames, L::max24Hours, *rule);
        return Timecode(FormattedTimecodeSourceValue::string(text), R::fps24, B::max80SubFrames, L::max24Hours);
    };
    EXPECT_THROW(at24("99:99:99:99", std::nullopt), Timecode::ValidationError);
    EXPECT_EQ(at24("99:99:99:99", Rule::clamping).components(), (C{0, 23, 59, 59, 23, 79}));
    EXPECT_EQ(at24("99:99:99:99", Rule::allowingInvalid).components(), (C{0, 99, 99, 99, 99, 0}));
    EXPECT_EQ(at24("99:99:99:99", Rule::clampingComponents).components(), (C{0, 23, 59, 59, 23, 0}));
    EXPECT_EQ(at24("24:00:00:01", Rule::wrapping).components(), (C{0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(at24("01:00:00:00", std::nullopt).hours(), 1);
    for (auto rule : {std::optional<Rule>(), std::optional(Rule::allowingInvalid), std::optional(Rule::clamping)})
        EXPECT_THROW(at24("01:00:00", rule), Timecode::StringParseError);

    Timecode t = at24("01:00:00:00", std::nullopt);
    EXPECT_THROW(t.set(FormattedTimecodeSourceValue::string("01:00:00:24")), Timecode::ValidationError);
    EXPECT_THROW(t.set(FormattedTimecodeSourceValue::string("junk"), Rule::allowingInvalid), Timecode::StringParseError);
    EXPECT_EQ(t.hours(), 1);  // unchanged by either failure
    const Timecode df(FormattedTimecodeSourceValue::string("00:01:00;00"), R::fps29_97d, B::max80SubFrames,
                      L::max24Hours, Rule::clampingComponents);
    EXPECT_EQ(df.frames(), 2);
    // Any separator is accepted whatever the rate.
    EXPECT_EQ(at24("01;00;00;05", std::nullopt).frames(), 5);
}

TEST(TimecodeText, TextRoundTripsAtEveryRate) {
    for (R rate : R::allCases())
        for (B base : B::allCases()) {
            const Timecode t = makeTimecode({7, 23, 59, 58, rate.maxFrames() - 1, base.maxSubFrames()}, rate, base);
            for (const StringFormat& f : {StringFormat{O::showSubFrames}, StringFormat{O::alwaysShowDays, O::showSubFrames}})
                EXPECT_EQ(Timecode::decode(t.stringValue(f)), t.components()) << t.stringValue(f);
        }
}
