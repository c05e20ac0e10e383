#include "MarkdownRender/MarkdownContent.h"
#include "MarkdownRender/MarkdownParser.h"
#include "Nodes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace markdown;
using namespace markdown::testing;

namespace {

Blocks parse(std::string_view text)
{
    std::optional<BlockNodeArray> blocks = parseBlockNodeArray(text);
    EXPECT_TRUE(blocks.has_value());
    return blocks.value_or(Blocks{});
}

// Depth of the deepest node of a tree, counting blocks, list items and inlines.
int depth(const Inlines& inlines)
{
    int deepest = 0;
    for (const InlineNode& node : inlines) deepest = std::max(deepest, 1 + depth(node.children()));
    return deepest;
}

int depth(const Blocks& blocks)
{
    int deepest = 0;
    for (const BlockNode& block : blocks) {
        int inner = 0;
        if (const auto* p = block.as<BlockNode::Paragraph>()) inner = depth(p->content);
        else if (const auto* q = block.as<BlockNode::Blockquote>()) inner = depth(q->children);
        else if (const auto* l = block.as<BlockNode::BulletedList>())
            for (const RawListItem& item : l->items) inner = std::max(inner, 1 + depth(item.children));
        deepest = std::max(deepest, 1 + inner);
    }
    return deepest;
}

}  // namespace

TEST(Parse, EmptyAndBlankTextGiveNoBlocks)
{
    EXPECT_EQ(parseBlockNodeArray(""), std::optional<BlockNodeArray>(Blocks{}));
    EXPECT_EQ(parseBlockNodeArray("\n\n   \n\t\n"), std::optional<BlockNodeArray>(Blocks{}));
}

TEST(Parse, Headings)
{
    EXPECT_EQ(parse("### Three"), Blocks{heading(3, "Three")});
    EXPECT_EQ(parse("Title\n====="), Blocks{heading(1, "Title")});
    EXPECT_EQ(parse("Sub\n---"), Blocks{heading(2, "Sub")});
}

TEST(Parse, Lists)
{
    EXPECT_EQ(parse("3. a\n4. b"), Blocks{BlockNode::numberedList(true, 3, {RawListItem{{para("a")}}, RawListItem{{para("b")}}})});
    EXPECT_EQ(parse("- a\n\n- b"), Blocks{BlockNode::bulletedList(false, {RawListItem{{para("a")}}, RawListItem{{para("b")}}})});
    EXPECT_EQ(parse("0) zero"), Blocks{BlockNode::numberedList(true, 0, {RawListItem{{para("zero")}}})});
    // Nested lists stay inside their item.
    EXPECT_EQ(parse("* a\n  * b"),
              Blocks{BlockNode::bulletedList(
                  true, {RawListItem{{para("a"), BlockNode::bulletedList(true, {RawListItem{{para("b")}}})}}})});
}

TEST(Parse, TaskListsTakeInPlainItems)
{
    EXPECT_EQ(parse("- [x] a\n- b"),
              Blocks{BlockNode::taskList(true, {RawTaskListItem{true, {para("a")}}, RawTaskListItem{false, {para("b")}}})});
    EXPECT_EQ(parse("1. [ ] one\n2. [X] two"),
              Blocks{BlockNode::taskList(true, {RawTaskListItem{false, {para("one")}}, RawTaskListItem{true, {para("two")}}})});
    // A box that is not at the start of an item is plain text.
    EXPECT_EQ(parse("- a [x]"), Blocks{BlockNode::bulletedList(true, {RawListItem{{para("a [x]")}}})});
}

TEST(Parse, Tables)
{
    const Blocks blocks = parse("| a | b | c | d |\n|:--|:-:|--:|---|\n| 1 | 2 |\n| 1 | 2 | 3 | 4 | 5 |\n");
    ASSERT_EQ(blocks.size(), 1u);
    const auto* table = blocks[0].as<BlockNode::Table>();
    ASSERT_TRUE(table);
    EXPECT_EQ(table->columnAlignments,
              (std::vector{RawTableColumnAlignment::left, RawTableColumnAlignment::center, RawTableColumnAlignment::right,
                           RawTableColumnAlignment::none}));
    ASSERT_EQ(table->rows.size(), 3u);
    EXPECT_EQ(table->rows[0], row({"a", "b", "c", "d"}));
    // Short rows are padded and long rows cut to the column count.
    EXPECT_EQ(table->rows[1], row({"1", "2", "", ""}));
    EXPECT_EQ(table->rows[2], row({"1", "2", "3", "4"}));

    const Blocks inlineCells = parse("| *x* | `y` |\n|---|---|\n| [l](u) | a \\| b |");
    const auto* cells = inlineCells.at(0).as<BlockNode::Table>();
    ASSERT_TRUE(cells);
    EXPECT_EQ(cells->rows[0].cells[0].content, Inlines{emph({text("x")})});
    EXPECT_EQ(cells->rows[0].cells[1].content, Inlines{code("y")});
    EXPECT_EQ(cells->rows[1].cells[0].content, Inlines{linkTo("u", {text("l")})});
    EXPECT_EQ(plainText(cells->rows[1].cells[1].content), "a | b");
}

TEST(Parse, InlineExtensions)
{
    EXPECT_EQ(parse("~~gone~~"), Blocks{para({strike({text("gone")})})});
    EXPECT_EQ(parse("see www.example.com now"),
              Blocks{para({text("see "), linkTo("http://www.example.com", {text("www.example.com")}), text(" now")})});
    EXPECT_EQ(parse("<https://a.b/c>"), Blocks{para({linkTo("https://a.b/c", {text("https://a.b/c")})})});
}

TEST(Parse, LinksImagesAndTitles)
{
    EXPECT_EQ(parse("[a](u \"t\")"), Blocks{para({linkTo("u", {text("a")})})});
    EXPECT_EQ(parse("![alt *x*](i.png \"t\")"), Blocks{para({imageOf("i.png", {text("alt "), emph({text("x")})})})});
    EXPECT_EQ(parse("[a][r]\n\n[r]: /ref"), Blocks{para({linkTo("/ref", {text("a")})})});
    // A title is not kept, so texts differing only in it give equal content.
    EXPECT_EQ(MarkdownContent("[a](u \"one\")"), MarkdownContent("[a](u 'two')"));
}

TEST(Parse, CodeBlocks)
{
    EXPECT_EQ(parse("```json\n{}\n```"), Blocks{BlockNode::codeBlock("json", "{}\n")});
    EXPECT_EQ(parse("```\nx\n```"), Blocks{BlockNode::codeBlock("", "x\n")});
    EXPECT_EQ(parse("    indented\n"), Blocks{BlockNode::codeBlock("", "indented\n")});
    EXPECT_EQ(parse("```\n```"), Blocks{BlockNode::codeBlock("", "")});
}

TEST(Parse, HtmlBreaksAndCode)
{
    EXPECT_EQ(parse("a <span>b</span>"), Blocks{para({text("a "), html("<span>"), text("b"), html("</span>")})});
    // The tag filter only acts on HTML output: the model keeps the tag.
    EXPECT_EQ(parse("x <script>y"), Blocks{para({text("x "), html("<script>"), text("y")})});
    EXPECT_EQ(parse("<div>\nblock\n</div>"), Blocks{BlockNode::htmlBlock("<div>\nblock\n</div>\n")});
    EXPECT_EQ(parse("a\nb  \nc\\\nd `e`"),
              Blocks{para({text("a"), InlineNode::softBreak(), text("b"), InlineNode::lineBreak(), text("c"),
                           InlineNode::lineBreak(), text("d "), code("e")})});
    EXPECT_EQ(parse("***"), Blocks{BlockNode::thematicBreak()});
    EXPECT_EQ(parse("> q\n>\n> r"), Blocks{BlockNode::blockquote({para("q"), para("r")})});
    EXPECT_EQ(parse("**s** _e_"), Blocks{para({strong({text("s")}), text(" "), emph({text("e")})})});
}

TEST(Parse, FootnotesStayOff)
{
    // Without footnote parsing the definition is an ordinary link reference.
    EXPECT_EQ(parse("a[^1]\n\n[^1]: note"), (Blocks{para({text("a"), linkTo("note", {text("^1")})})}));
}

TEST(Parse, CanonicallyEquivalentTextsGiveEqualContent)
{
    // "é" precomposed and decomposed, in text, a link destination and code.
    const MarkdownContent composed("caf\xC3\xA9 [x](/caf\xC3\xA9) `\xC3\xA9`");
    const MarkdownContent decomposed("cafe\xCC\x81 [x](/cafe\xCC\x81) `e\xCC\x81`");
    EXPECT_NE(composed.renderHTML(), decomposed.renderHTML());
    EXPECT_EQ(composed, decomposed);
    Hasher a, b;
    hashSequence(a, composed.blocks);
    hashSequence(b, decomposed.blocks);
    EXPECT_EQ(a.finalize(), b.finalize());
    EXPECT_NE(composed, MarkdownContent("cafe [x](/cafe) `e`"));
}

TEST(Parse, BadBytesAreRepaired)
{
    EXPECT_EQ(parse("a\xFF" "b"), Blocks{para("a\xEF\xBF\xBD" "b")});
    EXPECT_EQ(parse(std::string("a\0b", 3)), Blocks{para("a\xEF\xBF\xBD" "b")});
    EXPECT_EQ(parse("\xC3"), Blocks{para("\xEF\xBF\xBD")});
    // An overlong encoding of "/" and an encoded surrogate are not valid UTF-8.
    EXPECT_EQ(plainText(parse("\xC0\xAF").at(0).as<BlockNode::Paragraph>()->content).find('/'), std::string::npos);
    EXPECT_EQ(parse("\xED\xA0\x80").size(), 1u);
}

TEST(Parse, DeepNestingIsCapped)
{
    const Blocks quotes = parse(std::string(100000, '>') + " deep");
    EXPECT_EQ(depth(quotes), 200);

    const Blocks emphasis = parse(std::string(50000, '*') + "a" + std::string(50000, '*'));
    EXPECT_LE(depth(emphasis), 201);

    const Blocks stars = parse(std::string(100000, '*'));
    EXPECT_EQ(stars, Blocks{BlockNode::thematicBreak()});

    std::string lists;
    for (int i = 0; i < 1000; ++i) lists += std::string(static_cast<std::size_t>(i) * 2, ' ') + "- x\n";
    EXPECT_LE(depth(parse(lists)), 201);

    // Whatever was kept renders back.
    EXPECT_FALSE(MarkdownContent(quotes).renderHTML().empty());
    EXPECT_FALSE(MarkdownContent(emphasis).renderMarkdown().empty());
}

TEST(Parse, ConcurrentParsesAgree)
{
    // The autolink and strikethrough extensions hook into characters shared by
    // all parsers; results must not depend on what other threads parse.
    const std::vector<std::string> texts{
        "~~a~~ www.x.com and ~~b~~ https://y.org",
        "| a | b |\n|---|:-:|\n| ~~c~~ | d@e.fr |",
        "- [x] done ~~old~~\n- [ ] www.todo.net",
        "plain *text* with no extension characters",
    };
    std::vector<Blocks> expected;
    for (const std::string& text : texts) expected.push_back(parse(text));

    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                const std::size_t k = static_cast<std::size_t>(t + i) % texts.size();
                if (parseBlockNodeArray(texts[k]) != std::optional<BlockNodeArray>(expected[k])) ++mismatches;
                if (MarkdownContent(expected[k]).renderHTML().empty()) ++mismatches;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}
