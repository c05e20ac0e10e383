#include "MarkdownRender/InlineContent.h"

namespace markdown {

namespace {

InlineContent one(InlineNode node)
{
    std::vector<InlineNode> inlines;
    inlines.push_back(std::move(node));
    return InlineContent(std::move(inlines));
}

}  // namespace

InlineContent InlineContent::text(std::string text) { return one(InlineNode::text(std::move(text))); }

InlineContent Code::_inlineContent() const { return one(InlineNode::code(text)); }
InlineContent Emphasis::_inlineContent() const { return one(InlineNode::emphasis(content.inlines)); }
InlineContent Strong::_inlineContent() const { return one(InlineNode::strong(content.inlines)); }
InlineContent Strikethrough::_inlineContent() const { return one(InlineNode::strikethrough(content.inlines)); }
InlineContent InlineLink::_inlineContent() const { return one(InlineNode::link(destination, content.inlines)); }
InlineContent InlineImage::_inlineContent() const { return one(InlineNode::image(source, content.inlines)); }
InlineContent LineBreak::_inlineContent() const { return one(InlineNode::lineBreak()); }
InlineContent SoftBreak::_inlineContent() const { return one(InlineNode::softBreak()); }

}  // namespace markdown
