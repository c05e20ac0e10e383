#pragma once

// Short names for building node trees in tests.

#include "MarkdownRender/BlockNode.h"

#include <string>
#include <vector>

namespace markdown::testing {

using Inlines = std::vector<InlineNode>;
using Blocks = std::vector<BlockNode>;

inline InlineNode text(std::string s) { return InlineNode::text(std::move(s)); }
inline InlineNode code(std::string s) { return InlineNode::code(std::move(s)); }
inline InlineNode html(std::string s) { return InlineNode::html(std::move(s)); }
inline InlineNode emph(Inlines c) { return InlineNode::emphasis(std::move(c)); }
inline InlineNode strong(Inlines c) { return InlineNode::strong(std::move(c)); }
inline InlineNode strike(Inlines c) { return InlineNode::strikethrough(std::move(c)); }
inline InlineNode linkTo(std::string d, Inlines c) { return InlineNode::link(std::move(d), std::move(c)); }
inline InlineNode imageOf(std::string s, Inlines c) { return InlineNode::image(std::move(s), std::move(c)); }
inline BlockNode para(Inlines c) { return BlockNode::paragraph(std::move(c)); }
inline BlockNode para(std::string s) { return para(Inlines{text(std::move(s))}); }
inline BlockNode heading(std::int64_t level, std::string s) { return BlockNode::heading(level, {text(std::move(s))}); }
inline RawTableRow row(std::vector<std::string> cells)
{
    RawTableRow r;
    for (std::string& c : cells) r.cells.push_back({c.empty() ? Inlines{} : Inlines{text(std::move(c))}});
    return r;
}

}  // namespace markdown::testing
