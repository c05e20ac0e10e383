#include "MarkdownRender/Styles/TextStyles.h"

#include <gtest/gtest.h>

#include <functional>
#include <unordered_set>

using namespace markdown;
using Weight = FontProperties::Weight;

namespace {

FontProperties fontWith(const std::function<void(FontProperties&)>& change)
{
    FontProperties font;
    change(font);
    return font;
}

TextAttributes withDefaultFont() { return resolve(defaultTextStyle()); }

template <TextStyle S>
TextAttributes applied(const S& style, TextAttributes attributes = withDefaultFont())
{
    applyTextStyle(style, attributes);
    return attributes;
}

}  // namespace

TEST(FontProperties, ScaledSizeRoundsHalvesAwayFromZero)
{
    const struct {
        double scale;
        double pixels;
    } cases[] = {{1, 13}, {0.94, 12}, {1.5, 20}, {0.83, 11}, {0.67, 9}, {0.94 * 0.94, 11}};
    for (const auto& c : cases) {
        EXPECT_EQ(fontWith([&](FontProperties& f) { f.scale = c.scale; }).scaledSize(), c.pixels) << c.scale;
    }
}

TEST(FontProperties, WidthSetToStandardIsNotAbsent)
{
    const FontProperties absent;
    const FontProperties standard = fontWith([](FontProperties& f) { f.setWidth(FontProperties::Width::standard); });
    EXPECT_EQ(standard.width(), absent.width());
    EXPECT_NE(standard, absent);
    EXPECT_NE(std::hash<FontProperties>{}(standard), std::hash<FontProperties>{}(absent));

    // Every field takes part in equality and hashing.
    const std::vector<FontProperties> distinct = {
        absent,
        standard,
        fontWith([](FontProperties& f) { f.family = FontProperties::Family::custom("Noto Sans"); }),
        fontWith([](FontProperties& f) { f.family = FontProperties::Family::system(FontProperties::Design::serif); }),
        fontWith([](FontProperties& f) { f.familyVariant = FontProperties::FamilyVariant::monospaced; }),
        fontWith([](FontProperties& f) { f.capsVariant = FontProperties::CapsVariant::smallCaps; }),
        fontWith([](FontProperties& f) { f.digitVariant = FontProperties::DigitVariant::monospaced; }),
        fontWith([](FontProperties& f) { f.style = FontProperties::Style::italic; }),
        fontWith([](FontProperties& f) { f.weight = Weight::semibold; }),
        fontWith([](FontProperties& f) { f.size = 15; }),
        fontWith([](FontProperties& f) { f.scale = 2; }),
    };
    std::unordered_set<FontProperties> set(distinct.begin(), distinct.end());
    EXPECT_EQ(set.size(), distinct.size());
    EXPECT_EQ(set.count(fontWith([](FontProperties& f) { f.family = FontProperties::Family::custom("Noto Sans"); })), 1u);
}

TEST(TextStyles, FontStylesChangeOneFieldOfPresentFontPropertiesOnly)
{
    const struct {
        const char* name;
        AnyTextStyle style;
        std::function<void(FontProperties&)> expected;
    } cases[] = {
        {"weight", FontWeight(Weight::bold), [](FontProperties& f) { f.weight = Weight::bold; }},
        {"style", FontStyle(FontProperties::Style::italic), [](FontProperties& f) { f.style = FontProperties::Style::italic; }},
        {"family", FontFamily(FontProperties::Family::custom("Mono")),
         [](FontProperties& f) { f.family = FontProperties::Family::custom("Mono"); }},
        {"family variant", FontFamilyVariant(FontProperties::FamilyVariant::monospaced),
         [](FontProperties& f) { f.familyVariant = FontProperties::FamilyVariant::monospaced; }},
        {"caps", FontCapsVariant(FontProperties::CapsVariant::lowercaseSmallCaps),
         [](FontProperties& f) { f.capsVariant = FontProperties::CapsVariant::lowercaseSmallCaps; }},
        {"digits", FontDigitVariant(FontProperties::DigitVariant::monospaced),
         [](FontProperties& f) { f.digitVariant = FontProperties::DigitVariant::monospaced; }},
        {"width", FontWidth(FontProperties::Width::condensed),
         [](FontProperties& f) { f.setWidth(FontProperties::Width::condensed); }},
        {"em", FontSize(RelativeSize::em(0.94)), [](FontProperties& f) { f.scale = 0.94; }},
        {"em twice", textStyle(FontSize(RelativeSize::em(0.94)), FontSize(RelativeSize::em(0.94))),
         [](FontProperties& f) { f.scale = 0.94 * 0.94; }},
        {"rem after em", textStyle(FontSize(RelativeSize::em(0.5)), FontSize(RelativeSize::rem(1.5))),
         [](FontProperties& f) { f.scale = 1.5; }},
        {"points after em", textStyle(FontSize(RelativeSize::em(0.5)), FontSize(20)), [](FontProperties& f) { f.size = 20; }},
        {"nested em", appendTextStyle(AnyTextStyle(FontSize(RelativeSize::em(1.5))), FontSize(RelativeSize::em(2))),
         [](FontProperties& f) { f.scale = 3; }},
        {"inner weight wins", appendTextStyle(AnyTextStyle(FontWeight(Weight::semibold)), FontWeight(Weight::bold)),
         [](FontProperties& f) { f.weight = Weight::bold; }},
        {"whole value replaces",
         textStyle(FontWeight(Weight::bold), FontSize(30), fontWith([](FontProperties& f) { f.size = 17; })),
         [](FontProperties& f) { f.size = 17; }},
        {"monospaced code",
         textStyle(FontFamilyVariant(FontProperties::FamilyVariant::monospaced), FontSize(RelativeSize::em(0.94))),
         [](FontProperties& f) {
             f.familyVariant = FontProperties::FamilyVariant::monospaced;
             f.scale = 0.94;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TextAttributes expected;
        expected.fontProperties = fontWith(c.expected);
        EXPECT_EQ(applied(c.style), expected);
        if (c.name != std::string("whole value replaces")) {
            EXPECT_EQ(applied(c.style, TextAttributes{}), TextAttributes{});
        }
    }
    EXPECT_EQ(applied(textStyle(FontFamilyVariant(FontProperties::FamilyVariant::monospaced),
                                FontSize(RelativeSize::em(0.94))))
                  .fontProperties->scaledSize(),
              12);
}

TEST(TextStyles, AttributeStylesSetAndRemove)
{
    TextAttributes all;
    all.foregroundColor = Color::rgba(0xFF0000FF);
    all.backgroundColor = Color::white();
    all.strikethroughStyle = LineStyle::single();
    all.underlineStyle = LineStyle{LineStyle::Pattern::dash, Color::clear()};
    all.kerning = 1.5;
    all.tracking = 2;
    const auto setAll = textStyle(ForegroundColor(all.foregroundColor), BackgroundColor(all.backgroundColor),
                                  StrikethroughStyle(all.strikethroughStyle), UnderlineStyle(all.underlineStyle),
                                  TextKerning(all.kerning), TextTracking(all.tracking));
    EXPECT_EQ(resolve(setAll), all);

    const auto removeAll = textStyle(ForegroundColor(std::nullopt), BackgroundColor(std::nullopt),
                                     StrikethroughStyle(std::nullopt), UnderlineStyle(std::nullopt),
                                     TextKerning(std::nullopt), TextTracking(std::nullopt));
    EXPECT_EQ(resolve(textStyle(setAll, removeAll)), TextAttributes{});

    // Pair order: the later style wins.
    EXPECT_EQ(resolve(textStyle(ForegroundColor(Color::white()), ForegroundColor(Color::clear()))).foregroundColor,
              Color::clear());
}

TEST(TextStyles, EmptyOptionalAndConditionalStyles)
{
    const TextAttributes start = applied(ForegroundColor(Color::white()));
    const std::optional<FontWeight> absent;
    EXPECT_EQ(applied(textStyle(), start), start);
    EXPECT_EQ(applied(absent, start), start);
    EXPECT_EQ(applied(AnyTextStyle(), start), start);
    EXPECT_EQ(applied(either(false, FontWeight(Weight::bold), EmptyTextStyle()), start), start);

    EXPECT_EQ(applied(std::optional(FontWeight(Weight::bold))).fontProperties->weight, Weight::bold);
    EXPECT_EQ(applied(either(true, FontWeight(Weight::bold), EmptyTextStyle())).fontProperties->weight, Weight::bold);

    // One style through the builder is that style, not a pair.
    static_assert(std::is_same_v<decltype(textStyle(FontWeight(Weight::bold))), FontWeight>);
}

TEST(TextStyles, DefaultStyleIsThirteenPixelRegularAtScaleOne)
{
    const TextAttributes attributes = withDefaultFont();
    ASSERT_TRUE(attributes.fontProperties);
    EXPECT_EQ(*attributes.fontProperties, FontProperties{});
    EXPECT_EQ(attributes.fontProperties->scaledSize(), 13);
    EXPECT_EQ(attributes.fontProperties->weight, Weight::regular);
    EXPECT_FALSE(attributes.foregroundColor);
}
