#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>

#include "TimecodeCore/CharacterSet.h"
#include "TimecodeCore/NumericUtilities.h"
#include "TimecodeCore/TemporaryFile.h"

using namespace timecode;

TEST(CharacterSet, ContainsOnlyAndSetOperations) {
    const CharacterSet digits({"0123456789"});
    const CharacterSet separators({":;", "."});
    EXPECT_TRUE(containsOnly("", digits));
    EXPECT_TRUE(containsOnly("0042", digits));
    EXPECT_FALSE(containsOnly("00:42", digits));
    EXPECT_TRUE(containsOnly("00:42.1", digits + separators));
    EXPECT_FALSE(containsOnly("00:42.1", digits + separators - CharacterSet({"."})));
    CharacterSet set = digits;
    set += separators;
    set -= CharacterSet({"0123456789"});
    EXPECT_EQ(set, separators);
    // Scalars beyond ASCII count as one each, and malformed bytes match nothing.
    const CharacterSet accents({"é€😀"});
    EXPECT_TRUE(containsOnly("é😀€é", accents));
    EXPECT_FALSE(containsOnly("e", accents));
    EXPECT_FALSE(containsOnly("\xC3", accents));
    EXPECT_EQ(unicodeScalars("a\xE2\x82"), (std::u32string{U'a', U'\uFFFD', U'\uFFFD'}));
    EXPECT_EQ(unicodeScalars("\xC0\xAF"), (std::u32string{U'\uFFFD', U'\uFFFD'}));  // overlong "/"
    EXPECT_EQ(unicodeScalars("\xED\xA0\x80").front(), U'\uFFFD');                  // a surrogate
}

TEST(NumericUtilities, PartialRangeClampingAndDigitPlaces) {
    EXPECT_EQ(clamped(5, PartialRangeUpTo<int>{3}), 2);
    EXPECT_EQ(clamped(5, PartialRangeFrom<int>{7}), 7);
    EXPECT_EQ(clamped(5.5, PartialRangeThrough<double>{2.5}), 2.5);
    EXPECT_EQ(clamped(-4, HalfOpenRange<int>{0, 10}), 0);
    EXPECT_EQ(clamped(10, HalfOpenRange<int>{0, 10}), 9);

    EXPECT_EQ(integralDigitPlaces(12.34), 2);
    EXPECT_EQ(fractionDigitPlaces(12.34), 2);
    EXPECT_EQ(integralDigitPlaces(100.0), 3);
    EXPECT_EQ(integralDigitPlaces(0.5), 0);
    EXPECT_EQ(fractionDigitPlaces(0.001), 3);
    EXPECT_EQ(integralDigitPlaces(-29.97), 2);
    EXPECT_EQ(fractionDigitPlaces(-29.97), 2);
    EXPECT_EQ(integralDigitPlaces(1e300), 301);
    EXPECT_EQ(integralDigitPlaces(0.0), 0);
    EXPECT_EQ(fractionDigitPlaces(std::nan("")), 0);
}

TEST(TemporaryFile, WritesANewUuidNamedFile) {
    const auto a = writeToTemporaryFile("timecode data");
    const auto b = writeToTemporaryFile("");
    EXPECT_NE(a, b);
    EXPECT_EQ(a.parent_path(), temporaryDirectory());
    EXPECT_TRUE(std::regex_match(a.filename().string(),
                                 std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")));
    std::ifstream in(a, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "timecode data");
    EXPECT_EQ(std::filesystem::file_size(b), 0u);
    std::filesystem::remove(a);
    std::filesystem::remove(b);
}
