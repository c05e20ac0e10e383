#include "MarkdownRender/BlockContent.h"
#include "Nodes.h"

#include <gtest/gtest.h>

using namespace markdown;
namespace t = markdown::testing;

namespace {

BlockNode onlyBlock(const MarkdownContent& content)
{
    EXPECT_EQ(content.blocks.size(), 1u);
    return content.blocks.at(0);
}

ListItem itemOf(std::vector<BlockNode> blocks) { return ListItem(MarkdownContent(std::move(blocks))); }

struct Clip {
    std::string name;
    int frames;
    double seconds;
};

}  // namespace

TEST(InlineBuilders, ConcatenationWithoutMergingOrParsing)
{
    const InlineContent content = InlineContentBuilder::buildBlock("before ", Strong("bold"), " after");
    EXPECT_EQ(content.inlines, (t::Inlines{t::text("before "), t::strong({t::text("bold")}), t::text(" after")}));

    EXPECT_EQ(InlineContentBuilder::buildBlock("**not strong** [x](y) \\").inlines,
              t::Inlines{t::text("**not strong** [x](y) \\")});

    const Emphasis emphasis(InlineContentBuilder::buildBlock("a", Code("b")));
    EXPECT_EQ(emphasis._inlineContent().inlines, t::Inlines{t::emph({t::text("a"), t::code("b")})});
}

TEST(InlineBuilders, OptionalsLoopsAndBranches)
{
    EXPECT_EQ(InlineContentBuilder::buildOptional(std::optional<Code>()), InlineContent());
    EXPECT_EQ(InlineContentBuilder::buildBlock(InlineContentBuilder::buildOptional(std::optional<Strong>()),
                                               InlineContentBuilder::buildOptional(std::optional<Code>())),
              InlineContent());
    EXPECT_EQ(InlineContentBuilder::buildOptional(std::optional<Code>(Code("x"))).inlines, t::Inlines{t::code("x")});
    EXPECT_EQ(InlineContentBuilder::buildArray(std::vector{Code("1"), Code("2")}).inlines,
              (t::Inlines{t::code("1"), t::code("2")}));
    EXPECT_EQ(InlineContentBuilder::buildEither(Strikethrough("s")).inlines, t::Inlines{t::strike({t::text("s")})});
}

TEST(InlineBuilders, LinksImagesAndBreaks)
{
    EXPECT_EQ(InlineImage("https://a.b/i.png")._inlineContent().inlines, t::Inlines{t::imageOf("https://a.b/i.png", {})});
    EXPECT_EQ(InlineImage::withText("alt", "https://a.b/i.png")._inlineContent().inlines,
              t::Inlines{t::imageOf("https://a.b/i.png", {t::text("alt")})});
    EXPECT_EQ(InlineLink::withText("site", "https://a.b/")._inlineContent().inlines,
              t::Inlines{t::linkTo("https://a.b/", {t::text("site")})});
    EXPECT_EQ(InlineLink("https://a.b/", InlineContentBuilder::buildBlock(Emphasis("e")))._inlineContent().inlines,
              t::Inlines{t::linkTo("https://a.b/", {t::emph({t::text("e")})})});
    EXPECT_EQ(SoftBreak()._inlineContent().inlines, t::Inlines{InlineNode::softBreak()});
    EXPECT_EQ(LineBreak()._inlineContent().inlines, t::Inlines{InlineNode::lineBreak()});
    EXPECT_NE(InlineContentBuilder::buildBlock("a", SoftBreak(), "b"), InlineContentBuilder::buildBlock("a", LineBreak(), "b"));
}

TEST(ListBuilders, TightnessFollowsParagraphCount)
{
    const BulletedList twoParagraphs(true, {itemOf({t::para("a"), t::para("b")})});
    EXPECT_EQ(onlyBlock(twoParagraphs._markdownContent()),
              BlockNode::bulletedList(false, {RawListItem{{t::para("a"), t::para("b")}}}));

    // Paragraphs inside nested blocks do not count.
    const BlockNode nested = BlockNode::bulletedList(true, {RawListItem{{t::para("x")}}});
    EXPECT_TRUE(BulletedList(true, {itemOf({t::para("a"), nested}), itemOf({t::para("b"), nested})}).tight);
    EXPECT_TRUE(BulletedList(true, {itemOf({BlockNode::blockquote({t::para("q1"), t::para("q2")})})}).tight);

    EXPECT_FALSE(BulletedList(false, ListContentBuilder::buildBlock("a", "b")).tight);
    EXPECT_TRUE(BulletedList(true, {}).tight);
    EXPECT_FALSE(NumberedList(true, 1, {itemOf({t::para("a"), t::para("b")})}).tight);
    EXPECT_FALSE(TaskList(true, {TaskListItem(true, MarkdownContent(t::Blocks{t::para("a"), t::para("b")}))}).tight);
}

TEST(ListBuilders, NumberedListStartIsStoredUnchanged)
{
    for (std::int64_t start : {std::int64_t{0}, std::int64_t{-3}, std::int64_t{1} << 40}) {
        const NumberedList list(true, start, ListContentBuilder::buildBlock("x"));
        EXPECT_EQ(onlyBlock(list._markdownContent()), BlockNode::numberedList(true, start, {RawListItem{{t::para("x")}}}));
    }
}

TEST(ListBuilders, FormsOverSequences)
{
    EXPECT_EQ(onlyBlock(BulletedList::of(std::vector<std::string>{"one", "two"}, true)._markdownContent()),
              BlockNode::bulletedList(true, {RawListItem{{t::para("one")}}, RawListItem{{t::para("two")}}}));
    EXPECT_EQ(onlyBlock(NumberedList::of(std::vector<std::string>{"x"}, false, 4)._markdownContent()),
              BlockNode::numberedList(false, 4, {RawListItem{{t::para("x")}}}));

    std::vector<int> calls;
    const BulletedList perElement = BulletedList::of(std::vector{1, 2}, true, [&](int n) {
        calls.push_back(n);
        return ListContentBuilder::buildBlock(std::to_string(n), std::to_string(n * 10));
    });
    EXPECT_EQ(calls, (std::vector{1, 2}));
    EXPECT_EQ(onlyBlock(perElement._markdownContent()),
              BlockNode::bulletedList(true, {RawListItem{{t::para("1")}}, RawListItem{{t::para("10")}},
                                             RawListItem{{t::para("2")}}, RawListItem{{t::para("20")}}}));

    const TaskList tasks = TaskList::of(std::vector<bool>{true, false}, true, [](bool done) {
        return TaskListContentBuilder::buildExpression(TaskListItem(done, MarkdownContent(t::Blocks{t::para("t")})));
    });
    EXPECT_EQ(onlyBlock(tasks._markdownContent()),
              BlockNode::taskList(true, {RawTaskListItem{true, {t::para("t")}}, RawTaskListItem{false, {t::para("t")}}}));
}

TEST(ListBuilders, BuilderOperations)
{
    const auto task = TaskListContentBuilder::buildExpression("todo");
    ASSERT_EQ(task.size(), 1u);
    EXPECT_FALSE(task[0].isCompleted);
    EXPECT_EQ(task[0].children, t::Blocks{t::para("todo")});

    // A string, an absent optional part and a loop over two strings.
    const std::vector<ListItem> items = ListContentBuilder::buildBlock(
        "first", ListContentBuilder::buildOptional(std::nullopt),
        ListContentBuilder::buildArray({ListContentBuilder::buildBlock("loop 1"), ListContentBuilder::buildBlock("loop 2")}));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].children, t::Blocks{t::para("first")});
    EXPECT_EQ(items[1].children, t::Blocks{t::para("loop 1")});
    EXPECT_EQ(items[2].children, t::Blocks{t::para("loop 2")});
    EXPECT_EQ(ListContentBuilder::buildEither(ListContentBuilder::buildBlock("e")), ListContentBuilder::buildBlock("e"));

    EXPECT_EQ(std::hash<ListItem>()(items[1]), std::hash<ListItem>()(ListContentBuilder::buildBlock("loop 1")[0]));
    EXPECT_NE(TaskListItem(true, MarkdownContent()), TaskListItem(false, MarkdownContent()));
}

TEST(TableBuilders, HeaderRowFromTitlesThenOneRowPerValue)
{
    const std::vector<Clip> clips{{"a", 1, 0.5}, {"b", 2, 1.0}, {"c", 30, 2.25}};
    std::vector<std::string> order;
    const TextTable table(clips, TextTableColumnBuilder<Clip>::buildBlock(
                                     TextTableColumn<Clip>(TextTableColumnAlignment::leading, "Name",
                                                           [&](const Clip& clip) {
                                                               order.push_back("name " + clip.name);
                                                               return InlineContentBuilder::buildBlock(Strong(clip.name));
                                                           }),
                                     TextTableColumn<Clip>::value(std::nullopt, "Frames", &Clip::frames)));
    EXPECT_EQ(table.columnAlignments, (std::vector{RawTableColumnAlignment::left, RawTableColumnAlignment::none}));
    ASSERT_EQ(table.rows.size(), 4u);
    EXPECT_EQ(table.rows[0], t::row({"Name", "Frames"}));
    EXPECT_EQ(table.rows[3].cells[0].content, t::Inlines{t::strong({t::text("c")})});
    EXPECT_EQ(table.rows[3].cells[1].content, t::Inlines{t::text("30")});
    EXPECT_EQ(order, (std::vector<std::string>{"name a", "name b", "name c"}));

    const TextTable seconds(clips, {TextTableColumn<Clip>::value(TextTableColumnAlignment::trailing, "s", &Clip::seconds),
                                    TextTableColumn<Clip>::value(TextTableColumnAlignment::center, "n", &Clip::name)});
    EXPECT_EQ(seconds.columnAlignments, (std::vector{RawTableColumnAlignment::right, RawTableColumnAlignment::center}));
    EXPECT_EQ(seconds.rows[1], t::row({"0.5", "a"}));
    EXPECT_EQ(seconds.rows[3], t::row({"2.25", "c"}));
}

TEST(TableBuilders, EmptyTablesAndRowValues)
{
    const std::vector<Clip> none;
    const TextTable headerOnly(none, {TextTableColumn<Clip>::value(std::nullopt, "Name", &Clip::name)});
    EXPECT_EQ(headerOnly.rows, std::vector{t::row({"Name"})});

    const std::vector<Clip> two{{"a", 1, 0}, {"b", 2, 0}};
    const TextTable noColumns(two, std::vector<TextTableColumn<Clip>>{});
    EXPECT_TRUE(noColumns.columnAlignments.empty());
    EXPECT_EQ(noColumns.rows, (std::vector<RawTableRow>(3)));

    const TextTable fromRows(TextTableColumnBuilder<int>::buildBlock(TextTableColumn<int>::value(
                                 std::nullopt, InlineContentBuilder::buildBlock(Emphasis("n")), [](int n) { return n * 2; })),
                             TextTableRowBuilder<int>::buildBlock(TextTableRow<int>(4), TextTableRow<int>(-1)));
    ASSERT_EQ(fromRows.rows.size(), 3u);
    EXPECT_EQ(fromRows.rows[0].cells[0].content, t::Inlines{t::emph({t::text("n")})});
    EXPECT_EQ(fromRows.rows[1], t::row({"8"}));
    EXPECT_EQ(fromRows.rows[2], t::row({"-2"}));
    EXPECT_EQ(onlyBlock(fromRows._markdownContent()).kind(), BlockNode::Kind::table);
}

TEST(BlockBuilders, SingleBlocks)
{
    EXPECT_FALSE(Heading::makeLevel(0));
    EXPECT_FALSE(Heading::makeLevel(7));
    EXPECT_EQ(Heading::makeLevel(3), Heading::Level::level3);
    EXPECT_EQ(onlyBlock(Heading(Heading::Level::level3, InlineContentBuilder::buildBlock("h"))._markdownContent()),
              t::heading(3, "h"));
    EXPECT_EQ(onlyBlock(CodeBlock(std::nullopt, "x")._markdownContent()), BlockNode::codeBlock(std::nullopt, "x"));
    EXPECT_EQ(onlyBlock(CodeBlock("sh", "ls")._markdownContent()), BlockNode::codeBlock("sh", "ls"));
    EXPECT_EQ(ThematicBreak()._markdownContent().blocks, t::Blocks{BlockNode::thematicBreak()});
    EXPECT_EQ(onlyBlock(Blockquote(MarkdownContentBuilder::buildBlock(Paragraph(InlineContentBuilder::buildBlock("q"))))
                            ._markdownContent()),
              BlockNode::blockquote({t::para("q")}));
}

TEST(ContentValue, BuilderKeepsOrderAndSkipsAbsentParts)
{
    const MarkdownContent content = MarkdownContentBuilder::buildBlock(
        Heading(Heading::Level::level1, InlineContentBuilder::buildBlock("T")), MarkdownContentBuilder::buildOptional(std::optional<ThematicBreak>()),
        Paragraph(InlineContentBuilder::buildBlock("p")), MarkdownContent("- x"));
    EXPECT_EQ(content.blocks, (t::Blocks{t::heading(1, "T"), t::para("p"),
                                         BlockNode::bulletedList(true, {RawListItem{{t::para("x")}}})}));
    EXPECT_EQ(MarkdownContentBuilder::buildArray(std::vector{ThematicBreak(), ThematicBreak()}).blocks.size(), 2u);
    EXPECT_EQ(MarkdownContentBuilder::buildEither(CodeBlock("c", "x")), CodeBlock("c", "x")._markdownContent());
    EXPECT_EQ(MarkdownContentBuilder::buildExpression(ThematicBreak()), ThematicBreak()._markdownContent());
}

TEST(ContentValue, ChildContent)
{
    EXPECT_EQ(MarkdownContent("> a\n>\n> b").childContent(), MarkdownContent(t::Blocks{t::para("a"), t::para("b")}));
    EXPECT_FALSE(MarkdownContent("a\n\nb").childContent());
    EXPECT_EQ(MarkdownContent("- 1\n- 2\n\n> 3").childContent(),
              MarkdownContent(t::Blocks{t::para("1"), t::para("2"), t::para("3")}));
    // Built content renders like parsed content.
    const MarkdownContent built =
        MarkdownContentBuilder::buildBlock(BulletedList(true, ListContentBuilder::buildBlock("a", "b")));
    EXPECT_EQ(built.renderPlainText(), "  - a\n  - b");
    EXPECT_EQ(MarkdownContent(built.renderMarkdown()), built);
}
