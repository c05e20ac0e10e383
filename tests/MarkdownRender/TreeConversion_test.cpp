// Library trees that the parser does not produce, built by hand: the conversion
// leaves out what it does not expect instead of failing.

#include "MarkdownRender/BlockNode.h"
#include "MarkdownRender/CMarkSupport.h"
#include "Nodes.h"

#include <gtest/gtest.h>

using namespace markdown;
using namespace markdown::testing;

namespace {

cmark_node* add(cmark_node* parent, cmark_node_type type, const char* literal = nullptr)
{
    cmark_node* node = cmark_node_new(type);
    if (literal) cmark_node_set_literal(node, literal);
    EXPECT_TRUE(cmark_node_append_child(parent, node));
    return node;
}

cmark_node* paragraphWith(cmark_node* parent, const char* text)
{
    cmark_node* paragraph = add(parent, CMARK_NODE_PARAGRAPH);
    add(paragraph, CMARK_NODE_TEXT, text);
    return paragraph;
}

}  // namespace

TEST(TreeConversion, UnknownAndCustomNodesAreLeftOut)
{
    detail::NodePtr document(cmark_node_new(CMARK_NODE_DOCUMENT));
    paragraphWith(document.get(), "before");
    // A footnote definition is a type this model does not know at all.
    paragraphWith(add(document.get(), CMARK_NODE_FOOTNOTE_DEFINITION), "in footnote");
    add(document.get(), CMARK_NODE_CUSTOM_BLOCK);
    cmark_node* paragraph = paragraphWith(document.get(), "after");
    add(paragraph, CMARK_NODE_CUSTOM_INLINE);
    add(paragraph, CMARK_NODE_FOOTNOTE_REFERENCE, "1");

    EXPECT_EQ(detail::convertDocument(document.get()), (Blocks{para("before"), para("after")}));
}

TEST(TreeConversion, MissingLiteralsBecomeEmptyStrings)
{
    detail::NodePtr document(cmark_node_new(CMARK_NODE_DOCUMENT));
    add(document.get(), CMARK_NODE_CODE_BLOCK);
    add(document.get(), CMARK_NODE_HTML_BLOCK);
    cmark_node* paragraph = add(document.get(), CMARK_NODE_PARAGRAPH);
    add(paragraph, CMARK_NODE_TEXT);
    add(paragraph, CMARK_NODE_LINK);

    const Blocks blocks = detail::convertDocument(document.get());
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].as<BlockNode::CodeBlock>()->content, "");
    EXPECT_EQ(blocks[1], BlockNode::htmlBlock(""));
    EXPECT_EQ(blocks[2], para({text(""), linkTo("", {})}));
}
