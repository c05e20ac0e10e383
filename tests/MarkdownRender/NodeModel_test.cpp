#include "MarkdownRender/BlockNode.h"
#include "MarkdownRender/HTMLTag.h"
#include "Nodes.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <unordered_set>

using namespace markdown;
using namespace markdown::testing;

namespace {

// "é" precomposed (NFC) and as "e" plus a combining acute accent (NFD).
const std::string composed = "caf\xC3\xA9";
const std::string decomposed = "cafe\xCC\x81";

BlockNode sampleDocumentBlock()
{
    return BlockNode::bulletedList(
        true, {RawListItem{{para({text("a"), emph({imageOf("i.png", {text("alt")})})})}},
               RawListItem{{BlockNode::table({RawTableColumnAlignment::left},
                                             {row({"h"}), RawTableRow{{RawTableCell{{linkTo("u", {imageOf("j.png", {})})}}}}})}}});
}

}  // namespace

TEST(NodeEquality, StringsCompareByCanonicalEquivalence)
{
    EXPECT_EQ(text(composed), text(decomposed));
    EXPECT_EQ(text(composed).hashValue(), text(decomposed).hashValue());
    EXPECT_EQ(para({linkTo(decomposed, {code(composed)})}), para({linkTo(composed, {code(decomposed)})}));
    EXPECT_EQ(BlockNode::codeBlock(composed, decomposed).hashValue(),
              BlockNode::codeBlock(decomposed, composed).hashValue());
    // U+212A KELVIN SIGN normalises to the ASCII letter K.
    EXPECT_EQ(text("\xE2\x84\xAA"), text("K"));
    EXPECT_EQ(text("\xE2\x84\xAA").hashValue(), text("K").hashValue());
    EXPECT_NE(text("cafe"), text(composed));
    EXPECT_NE(text("a"), code("a"));
}

TEST(NodeEquality, PayloadDifferencesAreSeen)
{
    const auto list = [](std::int64_t start) { return BlockNode::numberedList(true, start, {RawListItem{{para("x")}}}); };
    EXPECT_NE(list(1), list(2));
    EXPECT_NE(list(1).hashValue(), list(2).hashValue());
    EXPECT_NE(BlockNode::codeBlock(std::nullopt, "x"), BlockNode::codeBlock("", "x"));
    EXPECT_NE(BlockNode::codeBlock(std::nullopt, "x").hashValue(), BlockNode::codeBlock("", "x").hashValue());
    EXPECT_NE(BlockNode::taskList(true, {{true, {}}}), BlockNode::taskList(true, {{false, {}}}));
    EXPECT_NE(BlockNode::bulletedList(true, {}), BlockNode::bulletedList(false, {}));
    EXPECT_NE(para({InlineNode::softBreak()}), para({InlineNode::lineBreak()}));
    EXPECT_NE(para({text("a")}), para({text("a"), text("")}));
    EXPECT_NE(BlockNode::table({RawTableColumnAlignment::left}, {}), BlockNode::table({RawTableColumnAlignment::right}, {}));
    // Nesting level matters even when the leaves agree.
    EXPECT_NE(BlockNode::blockquote({BlockNode::blockquote({})}), BlockNode::blockquote({}));
}

TEST(NodeEquality, HashesSpreadOverDistinctTrees)
{
    std::unordered_set<BlockNode> seen;
    for (int level = 1; level <= 6; ++level) {
        seen.insert(heading(level, "t"));
        seen.insert(heading(level, "u"));
        seen.insert(BlockNode::numberedList(level % 2 == 0, level, {}));
    }
    seen.insert(heading(1, "t"));
    EXPECT_EQ(seen.size(), 18u);
    std::unordered_set<std::size_t> hashes;
    for (const BlockNode& block : seen) hashes.insert(block.hashValue());
    EXPECT_EQ(hashes.size(), seen.size());
}

TEST(NodeModel, ChildrenOneLevelDown)
{
    EXPECT_TRUE(para("a").children().empty());
    EXPECT_TRUE(heading(1, "a").children().empty());
    EXPECT_TRUE(BlockNode::codeBlock("c", "x").children().empty());
    EXPECT_TRUE(BlockNode::htmlBlock("<p>").children().empty());
    EXPECT_TRUE(BlockNode::table({}, {}).children().empty());
    EXPECT_TRUE(BlockNode::thematicBreak().children().empty());

    const BlockNode list =
        BlockNode::bulletedList(true, {RawListItem{{para("1")}}, RawListItem{{para("2"), BlockNode::blockquote({para("3")})}}});
    EXPECT_EQ(list.children(), (Blocks{para("1"), para("2"), BlockNode::blockquote({para("3")})}));
    EXPECT_EQ(BlockNode::taskList(false, {{true, {para("t")}}}).children(), Blocks{para("t")});
}

TEST(Rewrite, RemovingImagesEverywhereKeepsBlocks)
{
    const auto dropImages = [](const InlineNode& node) -> Inlines {
        if (node.kind() == InlineNode::Kind::image) return {};
        return {node};
    };
    const Blocks rewritten = sampleDocumentBlock().rewrite(dropImages);
    const Blocks expected{BlockNode::bulletedList(
        true, {RawListItem{{para({text("a"), emph({})})}},
               RawListItem{{BlockNode::table({RawTableColumnAlignment::left},
                                             {row({"h"}), RawTableRow{{RawTableCell{{linkTo("u", {})}}}}})}}})};
    EXPECT_EQ(rewritten, expected);

    // A paragraph left empty stays in place.
    EXPECT_EQ(rewrite(Blocks{para({imageOf("x", {})}), heading(2, "h")}, dropImages), (Blocks{para(Inlines{}), heading(2, "h")}));
}

TEST(Rewrite, IdentityAndExpansionAndPostOrder)
{
    const BlockNode block = sampleDocumentBlock();
    EXPECT_EQ(block.rewrite([](const InlineNode& node) { return Inlines{node}; }), Blocks{block});

    // Every text doubles; containers see their already rewritten children.
    std::vector<InlineNode::Kind> visited;
    const Inlines result = rewrite(Inlines{strong({text("a")}), text("b")}, [&](const InlineNode& node) {
        visited.push_back(node.kind());
        if (node.kind() == InlineNode::Kind::text) return Inlines{node, node};
        return Inlines{node};
    });
    EXPECT_EQ(result, (Inlines{strong({text("a"), text("a")}), text("b"), text("b")}));
    EXPECT_EQ(visited, (std::vector{InlineNode::Kind::text, InlineNode::Kind::strong, InlineNode::Kind::text}));

    // Code blocks, HTML blocks and breaks pass through untouched.
    const Blocks leaves{BlockNode::codeBlock(std::nullopt, "x"), BlockNode::htmlBlock("<b>"), BlockNode::thematicBreak()};
    EXPECT_EQ(rewrite(leaves, [](const InlineNode&) { return Inlines{}; }), leaves);
}

TEST(Rewrite, ErrorFromTransformPropagates)
{
    int calls = 0;
    const auto failOnThird = [&](const InlineNode& node) -> Inlines {
        if (++calls == 3) throw std::runtime_error("third");
        return {node};
    };
    EXPECT_THROW(rewrite(Blocks{para({text("1"), text("2"), text("3"), text("4")})}, failOnThird), std::runtime_error);
    EXPECT_EQ(calls, 3);
}

TEST(Collect, PlainTextPiecesInOrder)
{
    const Inlines inlines{emph({text("a"), InlineNode::softBreak(), strong({text("b")})}), linkTo("u", {text("c")}),
                          InlineNode::lineBreak()};
    const auto pieces = collect(inlines, [](const InlineNode& node) { return node.plainTextSegments(); });
    EXPECT_EQ(pieces, (std::vector<std::string>{"a", " ", "b", "c", "\n"}));
    EXPECT_EQ(plainText(Inlines{imageOf("src", {text("alt "), code("x"), html("<i>")})}), "alt x<i>");

    // Children come before the node itself.
    const auto kinds = collect(Inlines{strong({text("a")})}, [](const InlineNode& node) {
        return std::vector<InlineNode::Kind>{node.kind()};
    });
    EXPECT_EQ(kinds, (std::vector{InlineNode::Kind::text, InlineNode::Kind::strong}));
}

TEST(HTMLTag, FindsTheFirstTagName)
{
    EXPECT_EQ(HTMLTag::from("<BR/>")->name, "br");
    EXPECT_EQ(HTMLTag::from("</Em>")->name, "em");
    EXPECT_EQ(HTMLTag::from("x <b>")->name, "b");
    EXPECT_EQ(HTMLTag::from("<a href=\"x\">link</a>")->name, "a");
    EXPECT_EQ(HTMLTag::from("1 < 2 <span\nclass=x>")->name, "span");
    EXPECT_EQ(HTMLTag::from("<h1>")->name, "h1");
    EXPECT_FALSE(HTMLTag::from("<!-- c -->"));
    EXPECT_FALSE(HTMLTag::from("< br>"));
    EXPECT_FALSE(HTMLTag::from("<br"));
    EXPECT_FALSE(HTMLTag::from("</>"));
    EXPECT_FALSE(HTMLTag::from(""));
    EXPECT_FALSE(HTMLTag::from("<\xC3\xA9>"));
    // Long fragments are scanned without trouble.
    EXPECT_FALSE(HTMLTag::from(std::string(200000, '<')));
    EXPECT_EQ(HTMLTag::from(std::string(100000, '<') + "p" + std::string(100000, ' ') + ">")->name, "p");
}

TEST(RawTableColumnAlignment, RawValues)
{
    EXPECT_EQ(makeRawTableColumnAlignment(U'l'), RawTableColumnAlignment::left);
    EXPECT_EQ(makeRawTableColumnAlignment(U'c'), RawTableColumnAlignment::center);
    EXPECT_EQ(makeRawTableColumnAlignment(U'r'), RawTableColumnAlignment::right);
    EXPECT_EQ(makeRawTableColumnAlignment(U'\0'), RawTableColumnAlignment::none);
    EXPECT_FALSE(makeRawTableColumnAlignment(U'L'));
    EXPECT_FALSE(makeRawTableColumnAlignment(U'x'));
    EXPECT_EQ(rawValue(RawTableColumnAlignment::center), 'c');
}
