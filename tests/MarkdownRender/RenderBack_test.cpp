#include "MarkdownRender/MarkdownContent.h"
#include "MarkdownRender/MarkdownParser.h"
#include "Nodes.h"

#include <gtest/gtest.h>

using namespace markdown;
using namespace markdown::testing;

namespace {

std::string markdownOf(Blocks blocks) { return MarkdownContent(std::move(blocks)).renderMarkdown(); }
std::string plainTextOf(Blocks blocks) { return MarkdownContent(std::move(blocks)).renderPlainText(); }
std::string htmlOf(Blocks blocks) { return MarkdownContent(std::move(blocks)).renderHTML(); }

}  // namespace

TEST(RenderBack, EmptyContentRendersEmpty)
{
    const MarkdownContent empty("");
    EXPECT_TRUE(empty.blocks.empty());
    EXPECT_EQ(empty.renderMarkdown(), "");
    EXPECT_EQ(empty.renderPlainText(), "");
    EXPECT_EQ(empty.renderHTML(), "");
}

TEST(RenderBack, OnlyOneFinalLineFeedIsRemoved)
{
    const MarkdownContent letter("a");
    EXPECT_EQ(letter.renderMarkdown(), "a");
    EXPECT_EQ(letter.renderPlainText(), "a");
    EXPECT_EQ(letter.renderHTML(), "<p>a</p>\n");
    // Text that ends in two line feeds keeps one.
    EXPECT_EQ(renderCMark({BlockNode::codeBlock("", "x\n\n")}, CMarkRenderer::plainText), std::optional<std::string>("x\n\n"));
    EXPECT_EQ(plainTextOf({BlockNode::codeBlock("", "x\n\n")}), "x\n");
    // HTML is never trimmed.
    EXPECT_EQ(htmlOf({BlockNode::codeBlock("", "x\n\n")}), "<pre><code>x\n\n</code></pre>\n");
}

TEST(RenderBack, TaskLists)
{
    const BlockNode tight = BlockNode::taskList(true, {{true, {para("done")}}, {false, {para("open")}}});
    EXPECT_EQ(markdownOf({tight}), "- [x] done\n- [ ] open");
    const BlockNode loose = BlockNode::taskList(false, {{true, {para("done")}}, {false, {para("open")}}});
    EXPECT_EQ(markdownOf({loose}), "- [x] done\n\n- [ ] open");
    EXPECT_EQ(htmlOf({tight}),
              "<ul>\n<li><input type=\"checkbox\" checked=\"\" disabled=\"\" /> done</li>\n"
              "<li><input type=\"checkbox\" disabled=\"\" /> open</li>\n</ul>\n");
}

TEST(RenderBack, ListsKeepTightnessAndStart)
{
    const BlockNode items = BlockNode::numberedList(true, 7, {RawListItem{{para("a")}}, RawListItem{{para("b")}}});
    EXPECT_EQ(markdownOf({items}), "7.  a\n8.  b");
    EXPECT_EQ(htmlOf({items}), "<ol start=\"7\">\n<li>a</li>\n<li>b</li>\n</ol>\n");
    const BlockNode loose = BlockNode::bulletedList(false, {RawListItem{{para("a")}}, RawListItem{{para("b")}}});
    EXPECT_EQ(htmlOf({loose}), "<ul>\n<li>\n<p>a</p>\n</li>\n<li>\n<p>b</p>\n</li>\n</ul>\n");
    EXPECT_EQ(MarkdownContent(markdownOf({loose})).blocks, Blocks{loose});
}

TEST(RenderBack, Tables)
{
    const BlockNode table = BlockNode::table({RawTableColumnAlignment::left, RawTableColumnAlignment::none},
                                             {row({"h1", "h2"}), row({"a", "b"})});
    EXPECT_EQ(markdownOf({table}), "| h1 | h2 |\n| :-- | --- |\n| a | b |");
    EXPECT_EQ(htmlOf({table}),
              "<table>\n<thead>\n<tr>\n<th align=\"left\">h1</th>\n<th>h2</th>\n</tr>\n</thead>\n"
              "<tbody>\n<tr>\n<td align=\"left\">a</td>\n<td>b</td>\n</tr>\n</tbody>\n</table>\n");
    EXPECT_EQ(MarkdownContent(markdownOf({table})).blocks, Blocks{table});
}

TEST(RenderBack, RaggedTableRowsGetOneCellPerColumn)
{
    const BlockNode ragged = BlockNode::table({RawTableColumnAlignment::right, RawTableColumnAlignment::center},
                                              {row({"h1", "h2", "h3"}), row({"only"}), RawTableRow{}});
    const BlockNode even = BlockNode::table({RawTableColumnAlignment::right, RawTableColumnAlignment::center},
                                            {row({"h1", "h2"}), row({"only", ""}), row({"", ""})});
    EXPECT_EQ(htmlOf({ragged}), htmlOf({even}));
    EXPECT_EQ(markdownOf({ragged}), markdownOf({even}));

    // Tables without columns or rows still render without harm.
    EXPECT_NO_THROW(htmlOf({BlockNode::table({}, {row({"x"})})}));
    EXPECT_NO_THROW(markdownOf({BlockNode::table({RawTableColumnAlignment::left}, {})}));
    EXPECT_NO_THROW(plainTextOf({BlockNode::table({}, {})}));
}

TEST(RenderBack, OutOfRangeNumbersAreKeptInRange)
{
    EXPECT_EQ(markdownOf({heading(0, "low")}), "# low");
    EXPECT_EQ(markdownOf({heading(99, "high")}), "###### high");
    EXPECT_EQ(htmlOf({heading(-5, "neg")}), "<h1>neg</h1>\n");
    EXPECT_EQ(markdownOf({BlockNode::numberedList(true, -3, {RawListItem{{para("a")}}})}), "0.  a");
    EXPECT_EQ(htmlOf({BlockNode::numberedList(true, std::int64_t{1} << 40, {RawListItem{{para("a")}}})}),
              "<ol start=\"999999999\">\n<li>a</li>\n</ol>\n");
}

TEST(RenderBack, FenceInfoAbsentOrEmpty)
{
    EXPECT_EQ(markdownOf({BlockNode::codeBlock(std::nullopt, "x\n")}), markdownOf({BlockNode::codeBlock("", "x\n")}));
    EXPECT_EQ(htmlOf({BlockNode::codeBlock(std::nullopt, "x\n")}), "<pre><code>x\n</code></pre>\n");
    EXPECT_EQ(htmlOf({BlockNode::codeBlock("", "x\n")}), "<pre><code>x\n</code></pre>\n");
    EXPECT_EQ(markdownOf({BlockNode::codeBlock("swift", "let x = 1\n")}), "``` swift\nlet x = 1\n```");
    EXPECT_EQ(htmlOf({BlockNode::codeBlock("swift extra", "x\n")}), "<pre><code class=\"language-swift\">x\n</code></pre>\n");
}

TEST(RenderBack, RawHtmlOmittedOnlyInHtml)
{
    const Blocks blocks{BlockNode::htmlBlock("<div>x</div>\n"), para({text("a "), html("<b>"), text("b")})};
    EXPECT_EQ(htmlOf(blocks), "<!-- raw HTML omitted -->\n<p>a <!-- raw HTML omitted -->b</p>\n");
    EXPECT_EQ(markdownOf(blocks), "<div>x</div>\n\na <b>b");
    // Unsafe destinations are dropped from HTML.
    EXPECT_EQ(htmlOf({para({linkTo("javascript:alert(1)", {text("x")})})}), "<p><a href=\"\">x</a></p>\n");
}

TEST(RenderBack, InlinesAndPlainText)
{
    const Blocks blocks{para({emph({text("e")}), text(" "), strong({text("s")}), text(" "), strike({text("k")}), text(" "),
                              linkTo("http://u", {text("l")}), text(" "), imageOf("i.png", {text("alt")}), text(" "),
                              code("c"), InlineNode::softBreak(), text("n"), InlineNode::lineBreak(), text("m")})};
    EXPECT_EQ(markdownOf(blocks), "*e* **s** ~~k~~ [l](http://u) ![alt](i.png) `c`\nn  \nm");
    EXPECT_EQ(plainTextOf(blocks), "e s ~k~ l alt c\nn\nm");
    EXPECT_EQ(htmlOf(blocks),
              "<p><em>e</em> <strong>s</strong> <del>k</del> <a href=\"http://u\">l</a> <img src=\"i.png\" alt=\"alt\" /> "
              "<code>c</code>\nn<br />\nm</p>\n");
    // A title read from the text is gone when written back.
    EXPECT_EQ(MarkdownContent("[a](u \"title\")").renderMarkdown(), "[a](u)");
}

TEST(RenderBack, NestedBlocks)
{
    const Blocks blocks{BlockNode::blockquote({heading(2, "h"), BlockNode::bulletedList(true, {RawListItem{{para("a")}}}),
                                               BlockNode::thematicBreak()})};
    EXPECT_EQ(markdownOf(blocks), "> ## h\n> \n>   - a\n> \n> -----");
    EXPECT_EQ(MarkdownContent(markdownOf(blocks)).blocks, blocks);
    EXPECT_EQ(htmlOf(blocks), "<blockquote>\n<h2>h</h2>\n<ul>\n<li>a</li>\n</ul>\n<hr />\n</blockquote>\n");
}

TEST(RenderBack, HandBuiltDeepTreesAreCut)
{
    Blocks blocks{para("leaf")};
    for (int i = 0; i < 500; ++i) blocks = Blocks{BlockNode::blockquote(std::move(blocks))};
    const std::string html = htmlOf(blocks);
    EXPECT_EQ(html.find("leaf"), std::string::npos);
    EXPECT_NE(html.find("<blockquote>"), std::string::npos);

    Inlines inlines{text("x")};
    for (int i = 0; i < 500; ++i) inlines = Inlines{emph(std::move(inlines))};
    EXPECT_NO_THROW(markdownOf({para(std::move(inlines))}));
}
