#include "MarkdownRender/Styles/RelativeSize.h"
#include "MarkdownRender/Styles/Color.h"

#include <gtest/gtest.h>

using namespace markdown;

TEST(RelativeSize, ResolvesAgainstDrawnOrBaseSize)
{
    const auto font = [](double size, double scale) {
        FontProperties properties;
        properties.size = size;
        properties.scale = scale;
        return std::optional(properties);
    };
    const struct {
        RelativeSize length;
        std::optional<FontProperties> font;
        double pixels;
    } cases[] = {
        {RelativeSize::em(1), std::nullopt, 13},       {RelativeSize::rem(1), std::nullopt, 13},
        {RelativeSize::em(0.25), std::nullopt, 3},     {RelativeSize::rem(0.25), std::nullopt, 3},
        {RelativeSize::em(0.5), font(13, 2), 13},      {RelativeSize::rem(0.5), font(13, 2), 7},
        {RelativeSize::em(1), font(13, 1.5), 20},      {RelativeSize::rem(1), font(13, 1.5), 13},
        {RelativeSize::zero(), std::nullopt, 0},       {RelativeSize::zero(), font(40, 3), 0},
        {RelativeSize::em(1.5), font(17, 1), 26},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.length.resolvedPoints(c.font), c.pixels)
            << c.length.value << (c.length.unit == RelativeSize::Unit::em ? "em" : "rem");
    }
    EXPECT_NE(RelativeSize::em(1), RelativeSize::rem(1));
}

TEST(RelativeSize, RomanNumerals)
{
    const std::pair<std::int64_t, const char*> cases[] = {
        {1, "I"}, {4, "IV"}, {9, "IX"}, {14, "XIV"}, {40, "XL"}, {1994, "MCMXCIV"}, {3999, "MMMCMXCIX"},
        {0, "0"}, {-2, "-2"}, {4000, "4000"},
    };
    for (const auto& [number, numeral] : cases) EXPECT_EQ(romanNumeral(number), numeral) << number;
}

TEST(Colors, ComponentsFromRGBA)
{
    const Color::Components blue = Color::rgba(0x0066CCFF).resolved(ColorScheme::light);
    EXPECT_EQ(blue.red, 0);
    EXPECT_DOUBLE_EQ(blue.green, 0.4);
    EXPECT_DOUBLE_EQ(blue.blue, 0.8);
    EXPECT_EQ(blue.opacity, 1);
    EXPECT_EQ(Color::rgba(0).resolved(ColorScheme::dark), (Color::Components{0, 0, 0, 0}));
    EXPECT_EQ(Color::rgba(0), Color::sRGB(0, 0, 0, 0));
}

TEST(Colors, FollowTheScheme)
{
    const struct {
        Color color;
        Color::Components light;
        Color::Components dark;
    } cases[] = {
        {Color::documentationLink(), Color::rgba(0x0066CCFF).resolved(ColorScheme::light),
         Color::rgba(0x2997FFFF).resolved(ColorScheme::light)},
        {Color::repositoryBackground(), {1, 1, 1, 1}, Color::rgba(0x18191DFF).resolved(ColorScheme::light)},
        {Color::secondary(), {0, 0, 0, 0.5}, {1, 1, 1, 0.5}},
        {Color::clear(), {0, 0, 0, 0}, {0, 0, 0, 0}},
        {Color::adaptive(Color::white(), Color::adaptive(Color::clear(), Color::secondary())), {1, 1, 1, 1}, {1, 1, 1, 0.5}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.color.resolved(ColorScheme::light), c.light);
        EXPECT_EQ(c.color.resolved(ColorScheme::dark), c.dark);
    }
    EXPECT_EQ(Color::adaptive(Color::white(), Color::rgba(0x010203FF)), Color::adaptive(Color::white(), Color::rgba(0x010203FF)));
    EXPECT_NE(Color::adaptive(Color::white(), Color::clear()), Color::adaptive(Color::clear(), Color::white()));
    EXPECT_NE(Color::clear(), Color::rgba(0));
    EXPECT_EQ(std::hash<Color>{}(Color::documentationText()), std::hash<Color>{}(Color::adaptive(Color::rgba(0x1D1D1FFF), Color::rgba(0xF5F5F7FF))));
}
