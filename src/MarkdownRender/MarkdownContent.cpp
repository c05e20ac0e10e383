#include "MarkdownRender/MarkdownContent.h"

#include "MarkdownRender/MarkdownParser.h"

namespace markdown {

namespace {

std::string withoutFinalLineFeed(std::optional<std::string> rendered)
{
    std::string text = rendered.value_or(std::string());
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

}  // namespace

MarkdownContent::MarkdownContent(std::string_view markdown)
    : blocks(parseBlockNodeArray(markdown).value_or(BlockNodeArray()))
{
}

std::optional<MarkdownContent> MarkdownContent::childContent() const
{
    std::vector<BlockNode> children;
    for (const BlockNode& block : blocks) {
        std::vector<BlockNode> blockChildren = block.children();
        children.insert(children.end(), std::make_move_iterator(blockChildren.begin()),
                        std::make_move_iterator(blockChildren.end()));
    }
    if (children.empty()) return std::nullopt;
    return MarkdownContent(std::move(children));
}

std::string MarkdownContent::renderMarkdown() const
{
    return withoutFinalLineFeed(renderCMark(blocks, CMarkRenderer::commonMark));
}

std::string MarkdownContent::renderPlainText() const
{
    return withoutFinalLineFeed(renderCMark(blocks, CMarkRenderer::plainText));
}

std::string MarkdownContent::renderHTML() const { return markdown::renderHTML(blocks).value_or(std::string()); }

bool operator==(const MarkdownContent& a, const MarkdownContent& b) { return a.blocks == b.blocks; }

}  // namespace markdown
