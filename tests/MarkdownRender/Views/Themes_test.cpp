// Theme values: copies with one slot replaced, and one slot replaced for the
// blocks inside a container only.

#include "MarkdownRender/Styles/TextStyles.h"
#include "MarkdownRender/Views/StyleKit.h"
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

using namespace markdown;
using namespace viewtest;

namespace {

// A label that builds nothing and asks for `top` above itself.
Label labelAsking(double top)
{
    return [top](const RenderContext&) { return Built{nullptr, {top, std::nullopt}}; };
}

// A style that shows the label and asks for 99 below it.
Built marked(const BlockConfiguration& configuration, const RenderContext& context)
{
    Built built = configuration.label(context);
    built.margin.bottom = 99;
    return built;
}

// What a style makes of a block whose label asks for 1 above itself.
BlockMargin marginOf(const BlockStyle<BlockConfiguration>& style)
{
    return style.makeBody({labelAsking(1), MarkdownContent()}, RenderContext{}).margin;
}

TEST(ThemeBuilders, ACopyGetsTheNewSlotAndTheSourceKeepsItsOwn)
{
    const Theme before = Theme::basic();
    const Theme third = Theme::basic().heading3(marked);
    EXPECT_EQ(marginOf(third.heading3()).bottom, 99);
    EXPECT_EQ(marginOf(third.headings()[2]).bottom, 99);
    EXPECT_NE(marginOf(Theme::basic().heading3()).bottom, 99);
    EXPECT_TRUE(Theme::basic().heading3() == before.heading3());
    // Every other slot still shares the source's style.
    EXPECT_TRUE(third.heading2() == Theme::basic().heading2());
    EXPECT_TRUE(third.heading4() == Theme::basic().heading4());
    EXPECT_TRUE(third.paragraph() == Theme::basic().paragraph());
    EXPECT_TRUE(third.tableCell() == Theme::basic().tableCell());

    // Writing a heading of a copy in place copies the headings first.
    Theme source = Theme::basic();
    Theme copy = source;
    copy.heading6() = BlockStyle<BlockConfiguration>(marked);
    EXPECT_EQ(marginOf(copy.headings()[5]).bottom, 99);
    EXPECT_TRUE(source.heading6() == Theme::basic().heading6());
    EXPECT_TRUE(copy.heading5() == source.heading5());
    EXPECT_EQ(Theme().headings().size(), 6u);
}

TEST(ThemeBuilders, LabelAndContextFormsAndReadyMarkers)
{
    const auto bottom7 = [](const Label& label, const RenderContext& context) {
        Built built = label(context);
        built.margin.bottom = 7;
        return built;
    };
    const auto roman = markers::upperRoman();
    const Theme theme = Theme()
                            .paragraph(bottom7)
                            .codeBlock(bottom7)
                            .thematicBreak([](const RenderContext&) { return Built{nullptr, {5, 5}}; })
                            .numberedListMarker(roman);

    EXPECT_EQ(marginOf(theme.paragraph()), (BlockMargin{1, 7}));
    const CodeBlockConfiguration code{"json", "{}", labelAsking(2)};
    EXPECT_EQ(theme.codeBlock().makeBody(code, RenderContext{}).margin, (BlockMargin{2, 7}));
    EXPECT_EQ(theme.thematicBreak().makeBody({}, RenderContext{}).margin, (BlockMargin{5, 5}));
    EXPECT_TRUE(theme.numberedListMarker() == roman);
    EXPECT_FALSE(Theme().numberedListMarker() == roman);
    // The blocks not named keep the label as it is.
    EXPECT_EQ(marginOf(theme.blockquote()), (BlockMargin{1, std::nullopt}));
}

TEST(ThemeBuilders, TextStylesAreMadeOnceAtOnce)
{
    const Color red = Color::rgba(0xCC0000FF);
    int calls = 0;
    const Theme theme = Theme::basic().code([&] {
        ++calls;
        return ForegroundColor(red);
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(resolve(theme.code()).foregroundColor, red);
    EXPECT_EQ(resolve(theme.inlineTextStyles().code).foregroundColor, red);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(resolve(Theme::basic().code()).foregroundColor);

    EXPECT_FALSE(Theme().textBackgroundColor());
    EXPECT_FALSE(Theme::basic().textBackgroundColor());
    EXPECT_EQ(Theme().text(BackgroundColor(red)).textBackgroundColor(), red);
    EXPECT_EQ(Theme::repository().textBackgroundColor(), Color::repositoryBackground());
}

TEST(ThemeOverrides, AContextCopyHasOneSlotReplaced)
{
    const Color red = Color::rgba(0xCC0000FF);
    const RenderContext inherited = RenderContext::defaults();
    int calls = 0;
    const RenderContext inner = inherited.markdownTextStyle(&Theme::code, [&] {
        ++calls;
        return ForegroundColor(red);
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(resolve(inner.currentTheme().code()).foregroundColor, red);
    EXPECT_FALSE(resolve(inherited.currentTheme().code()).foregroundColor);
    EXPECT_EQ(resolve(inner.currentTheme().emphasis()), resolve(Theme::basic().emphasis()));
    EXPECT_TRUE(inner.currentTheme().heading2() == inherited.currentTheme().heading2());
    EXPECT_TRUE(inner.currentTheme().paragraph() == Theme::basic().paragraph());

    const RenderContext headed = inner.markdownBlockStyle(&Theme::heading2, marked);
    EXPECT_EQ(marginOf(headed.currentTheme().heading2()).bottom, 99);
    EXPECT_EQ(resolve(headed.currentTheme().code()).foregroundColor, red);
    EXPECT_TRUE(inner.currentTheme().heading2() == Theme::basic().heading2());
}

QColor colourAt(InlineText* text, const QString& word)
{
    QTextCursor cursor = text->document().find(word);
    if (cursor.isNull()) return {};
    cursor.setPosition(cursor.selectionStart() + 1);
    return cursor.charFormat().foreground().color();
}

InlineText* textWith(QWidget* root, const QString& word)
{
    for (InlineText* text : root->findChildren<InlineText*>()) {
        if (text->document().toPlainText().contains(word)) return text;
    }
    return nullptr;
}

bool isInside(QWidget* widget, const QString& name)
{
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (w->objectName() == name) return true;
    }
    return false;
}

TEST(ThemeOverrides, AContainerChangesOneSlotForItsBlocksOnly)
{
    const Color red = Color::rgba(0xCC0000FF);
    const Theme theme = Theme::basic().blockquote([red](const Label& label, const RenderContext& context) {
        return label(context.markdownTextStyle(&Theme::code, ForegroundColor(red))
                         .markdownNumberedListMarker(markers::upperRoman())
                         .markdownBlockStyle(&Theme::thematicBreak, [](const RenderContext&) { return Built{}; })
                         .markdownBlockStyle(&Theme::codeBlock, [](const Label& code, const RenderContext& c) {
                             Built built = code(c);
                             built.widget->setProperty("quoted", true);
                             return built;
                         }));
    });
    std::unique_ptr<MarkdownView> view(makeView("> `inner` *lean*\n>\n> 1. one\n>\n> ---\n>\n> ```\n> quoted\n> ```\n\n"
                                                "`outer` *lean*\n\n1. one\n\n---\n\n```\nplain\n```",
                                                theme));

    InlineText* inner = textWith(view.get(), "inner");
    InlineText* outer = textWith(view.get(), "outer");
    ASSERT_TRUE(inner && outer);
    EXPECT_EQ(colourAt(inner, "inner").rgb() & 0xFFFFFF, 0xCC0000u);
    EXPECT_NE(colourAt(outer, "outer").rgb() & 0xFFFFFF, 0xCC0000u);
    // The code slot is replaced whole inside; outside it is the theme's.
    EXPECT_FALSE(firstFormat(inner).font().fixedPitch());
    EXPECT_TRUE(firstFormat(outer).font().fixedPitch());
    // The other slots are inherited inside.
    QTextCursor lean = inner->document().find(QStringLiteral("lean"));
    EXPECT_TRUE(lean.charFormat().fontItalic());

    QStringList quotedMarkers, siblingMarkers;
    for (MarkerWidget* marker : view->findChildren<MarkerWidget*>())
        (isInside(marker, QStringLiteral("blockquote")) ? quotedMarkers : siblingMarkers) << marker->text();
    EXPECT_EQ(quotedMarkers, QStringList{QStringLiteral("I.")});
    EXPECT_EQ(siblingMarkers, QStringList{QStringLiteral("1.")});

    const auto dividers = view->findChildren<QWidget*>(QStringLiteral("divider"));
    ASSERT_EQ(dividers.size(), 1);
    EXPECT_FALSE(isInside(dividers.front(), QStringLiteral("blockquote")));

    InlineText* quotedCode = textWith(view.get(), "quoted");
    InlineText* plainCode = textWith(view.get(), "plain");
    ASSERT_TRUE(quotedCode && plainCode);
    EXPECT_TRUE(quotedCode->property("quoted").toBool());
    EXPECT_FALSE(plainCode->property("quoted").toBool());
}

TEST(ThemeOverrides, AListRestylesTheParagraphsOfItsItems)
{
    const Theme theme = Theme::basic().list([](const Label& label, const RenderContext& context) {
        return label(context.markdownBlockStyle(
            &Theme::paragraph, [](const BlockConfiguration& configuration, const RenderContext& c) {
                Built built = configuration.label(c);
                built.widget->setProperty("inList", true);
                return built;
            }));
    });
    std::unique_ptr<MarkdownView> view(makeView("- listed\n\nbeside", theme));
    InlineText* listed = textWith(view.get(), "listed");
    InlineText* beside = textWith(view.get(), "beside");
    ASSERT_TRUE(listed && beside);
    EXPECT_TRUE(listed->property("inList").toBool());
    EXPECT_FALSE(beside->property("inList").toBool());
}

}  // namespace
