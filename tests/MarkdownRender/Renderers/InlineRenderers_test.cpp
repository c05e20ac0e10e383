#include "MarkdownRender/Renderers/InlineRenderers.h"
#include "MarkdownRender/Styles/TextStyles.h"
#include "Nodes.h"

#include <gtest/gtest.h>

using namespace markdown;
namespace t = markdown::testing;
using Mode = SoftBreak::Mode;

namespace {

const InlineTextStyles styles{
    textStyle(FontFamilyVariant(FontProperties::FamilyVariant::monospaced), FontSize(RelativeSize::em(0.94))),
    FontStyle(FontProperties::Style::italic),
    FontWeight(FontProperties::Weight::bold),
    StrikethroughStyle(LineStyle::single()),
    ForegroundColor(Color::rgba(0x0066CCFF)),
};

const TextAttributes base = resolve(defaultTextStyle());

// The inlines through one attributed-string renderer, as the text renderer's
// pieces would be without the top-level rules.
StyledText attributedRendering(const t::Inlines& inlines, Mode mode, const std::optional<QUrl>& baseURL,
                               const ImageSources&)
{
    AttributedStringInlineRenderer renderer(baseURL, styles, mode, base);
    for (const InlineNode& node : inlines) {
        renderer.render(node);
        EXPECT_EQ(renderer.attributes, base);
    }
    return renderer.result;
}

StyledText textRendering(const t::Inlines& inlines, Mode mode, const std::optional<QUrl>& baseURL,
                         const ImageSources& images)
{
    return renderText(inlines, baseURL, styles, images, mode, base);
}

using Rendering = StyledText (*)(const t::Inlines&, Mode, const std::optional<QUrl>&, const ImageSources&);
const std::pair<const char*, Rendering> renderings[] = {{"attributed", attributedRendering}, {"text", textRendering}};

TextAttributes with(const AnyTextStyle& style) { return resolve(textStyle(defaultTextStyle(), style)); }

std::vector<StyledText::Run> runsOf(const StyledText& text)
{
    std::vector<StyledText::Run> runs;
    for (const StyledText::Piece& piece : text.pieces) {
        if (const auto* run = std::get_if<StyledText::Run>(&piece)) runs.push_back(*run);
    }
    return runs;
}

}  // namespace

TEST(InlineRenderers, BreaksHTMLAndTheWhitespaceRule)
{
    const InlineNode soft = InlineNode::softBreak();
    const struct {
        const char* name;
        Mode mode;
        t::Inlines inlines;
        const char* attributed;
        const char* text;
    } cases[] = {
        {"soft break as space", Mode::space, {t::text("a"), soft, t::text("b")}, "a b", "a b"},
        {"soft break as line", Mode::lineBreak, {t::text("a"), soft, t::text("b")}, "a\nb", "a\nb"},
        {"line-break soft break skips", Mode::lineBreak, {t::text("a"), soft, t::text("  b")}, "a\n  b", "a\nb"},
        {"space soft break keeps", Mode::space, {t::text("a"), soft, t::text("  b")}, "a   b", "a   b"},
        {"br", Mode::space, {t::html("<br>"), t::text("  x")}, "\nx", "\nx"},
        {"BR", Mode::space, {t::html("<BR>"), t::text(" x")}, "\nx", "\nx"},
        {"br/", Mode::space, {t::html("<br/>"), t::text("\t x")}, "\nx", "\nx"},
        {"br /", Mode::space, {t::html("<br />"), t::text("\n x")}, "\nx", "\nx"},
        {"/br", Mode::space, {t::html("</br>"), t::text("\u3000x")}, "\nx", "\nx"},
        {"other tag", Mode::space, {t::html("<b>"), t::text("  x")}, "<b>  x", "<b>  x"},
        {"code keeps space, flag survives", Mode::space, {t::html("<br>"), t::code(" c"), t::text(" t")}, "\n ct", "\n ct"},
        {"soft break after br adds nothing", Mode::space, {t::html("<br>"), soft, t::text("x")}, "\nx", "\nx"},
        {"hard break leaves flag", Mode::space, {t::text("a"), InlineNode::lineBreak(), t::text(" b")}, "a\n b", "a\n b"},
        {"styled text after br", Mode::space, {t::html("<br>"), t::emph({t::text(" x")}), t::text(" y")}, "\nx y", "\n xy"},
        {"tag after br", Mode::space, {t::html("<br>"), t::html("<b>"), t::text(" y")}, "\n<b> y", "\n<b>y"},
        {"image in map", Mode::space, {t::text("a"), t::imageOf("i.png", {t::text("alt")})}, "a", "a\uFFFC"},
        {"image not in map", Mode::space, {t::imageOf("gone.png", {t::text("alt")}), t::text("b")}, "b", "b"},
        {"nested image", Mode::space, {t::emph({t::imageOf("i.png", {t::text("alt")})})}, "", ""},
    };
    const ImageSources images{"i.png"};
    for (const auto& [renderingName, rendering] : renderings) {
        for (const auto& c : cases) {
            const bool text = renderingName == std::string("text");
            EXPECT_EQ(rendering(c.inlines, c.mode, std::nullopt, images).plainText(), text ? c.text : c.attributed)
                << renderingName << ": " << c.name;
        }
    }
    EXPECT_TRUE(textRendering({t::imageOf("i.png", {})}, Mode::space, std::nullopt, {}).pieces.empty());
}

TEST(InlineRenderers, StylesNestOutermostFirst)
{
    const TextAttributes italic = with(styles.emphasis);
    const TextAttributes italicBold = with(textStyle(styles.emphasis, styles.strong));
    const TextAttributes italicCode = with(textStyle(styles.emphasis, styles.code));
    const TextAttributes struck = with(styles.strikethrough);
    ASSERT_EQ(italicCode.fontProperties->scaledSize(), 12);

    for (const auto& [name, rendering] : renderings) {
        SCOPED_TRACE(name);
        const StyledText rendered = rendering(
            {t::emph({t::text("a"), t::strong({t::text("b")}), t::code("k")}), t::text("c"), t::strike({t::text("s")})},
            Mode::space, std::nullopt, {});
        const std::vector<StyledText::Run> expected = {
            {"a", italic}, {"b", italicBold}, {"k", italicCode}, {"c", base}, {"s", struck}};
        EXPECT_EQ(runsOf(rendered), expected);
    }
}

TEST(InlineRenderers, LinksResolveAgainstTheBase)
{
    const struct {
        const char* destination;
        std::optional<QUrl> baseURL;
        std::optional<QUrl> link;
    } cases[] = {
        {"guide.md", QUrl("file:///help/topics/"), QUrl("file:///help/topics/guide.md")},
        {"../img/a.png", QUrl("https://example.com/docs/page"), QUrl("https://example.com/img/a.png")},
        {"guide.md", std::nullopt, QUrl("guide.md")},
        {"https://example.com/x", QUrl("file:///help/"), QUrl("https://example.com/x")},
        {"a b", std::nullopt, std::nullopt},
        {"", QUrl("file:///help/"), std::nullopt},
    };
    for (const auto& [name, rendering] : renderings) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(name) + ": " + c.destination);
            const StyledText rendered =
                rendering({t::linkTo(c.destination, {t::text("l"), t::emph({t::text("e")})}), t::text("after")},
                          Mode::space, c.baseURL, {});
            const std::vector<StyledText::Run> runs = runsOf(rendered);
            ASSERT_EQ(runs.size(), 3u);
            EXPECT_EQ(runs[0].attributes.link, c.link);
            EXPECT_EQ(runs[0].attributes.foregroundColor, Color::rgba(0x0066CCFF));
            EXPECT_EQ(runs[1].attributes.link, c.link);
            EXPECT_EQ(runs[1].attributes.fontProperties->style, FontProperties::Style::italic);
            EXPECT_EQ(runs[2].attributes, base);
        }
    }
}
