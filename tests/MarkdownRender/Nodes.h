#pragma once

// Short names for building node trees in tests.

#include "MarkdownRender/BlockNode.h"

#include <ostream>
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

// Readable forms for test failure messages.
namespace markdown {

inline void PrintTo(const InlineNode& node, std::ostream* os);

template <class Node>
void printSequence(const std::vector<Node>& nodes, const char* open, const char* close, std::ostream* os)
{
    *os << open;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (i) *os << ", ";
        PrintTo(nodes[i], os);
    }
    *os << close;
}

inline void PrintTo(const std::vector<InlineNode>& inlines, std::ostream* os) { printSequence(inlines, "[", "]", os); }

inline void PrintTo(const InlineNode& node, std::ostream* os)
{
    static const char* const names[] = {"text", "softBreak", "lineBreak", "code", "html",
                                        "emphasis", "strong", "strikethrough", "link", "image"};
    *os << names[static_cast<int>(node.kind())];
    if (const auto* l = node.as<InlineNode::Link>()) *os << "<" << l->destination << ">";
    if (const auto* i = node.as<InlineNode::Image>()) *os << "<" << i->source << ">";
    if (!node.literal().empty() || node.kind() == InlineNode::Kind::text) *os << "(\"" << node.literal() << "\")";
    if (!node.children().empty()) PrintTo(node.children(), os);
}

inline void PrintTo(const BlockNode& block, std::ostream* os);

inline void PrintTo(const std::vector<BlockNode>& blocks, std::ostream* os) { printSequence(blocks, "{", "}", os); }

inline void PrintTo(const BlockNode& block, std::ostream* os)
{
    std::visit(
        [os](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, BlockNode::Blockquote>) {
                *os << "blockquote";
                PrintTo(v.children, os);
            } else if constexpr (std::is_same_v<T, BlockNode::BulletedList> || std::is_same_v<T, BlockNode::NumberedList> ||
                                 std::is_same_v<T, BlockNode::TaskList>) {
                *os << "list(tight=" << v.isTight;
                if constexpr (std::is_same_v<T, BlockNode::NumberedList>) *os << ", start=" << v.start;
                *os << ")[";
                for (const auto& item : v.items) {
                    if constexpr (std::is_same_v<T, BlockNode::TaskList>) *os << (item.isCompleted ? "[x]" : "[ ]");
                    PrintTo(item.children, os);
                }
                *os << "]";
            } else if constexpr (std::is_same_v<T, BlockNode::CodeBlock>) {
                *os << "codeBlock(" << (v.fenceInfo ? "\"" + *v.fenceInfo + "\"" : "none") << ", \"" << v.content << "\")";
            } else if constexpr (std::is_same_v<T, BlockNode::HtmlBlock>) {
                *os << "htmlBlock(\"" << v.content << "\")";
            } else if constexpr (std::is_same_v<T, BlockNode::Paragraph>) {
                *os << "paragraph";
                PrintTo(v.content, os);
            } else if constexpr (std::is_same_v<T, BlockNode::Heading>) {
                *os << "heading" << v.level;
                PrintTo(v.content, os);
            } else if constexpr (std::is_same_v<T, BlockNode::Table>) {
                *os << "table(" << v.columnAlignments.size() << " columns)[";
                for (const RawTableRow& r : v.rows) {
                    *os << "(";
                    for (const RawTableCell& c : r.cells) PrintTo(c.content, os);
                    *os << ")";
                }
                *os << "]";
            } else {
                *os << "thematicBreak";
            }
        },
        block.value());
}

}  // namespace markdown
