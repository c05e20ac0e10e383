#pragma once

#include "MarkdownRender/BlockNode.h"

#include <concepts>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace markdown {

// A document, or a fragment of one, as one value.
class MarkdownContent {
public:
    std::vector<BlockNode> blocks;

    MarkdownContent() = default;
    // Parses Markdown text; text the library cannot parse gives no blocks.
    explicit MarkdownContent(std::string_view markdown);
    explicit MarkdownContent(std::vector<BlockNode> blocks) : blocks(std::move(blocks)) {}
    explicit MarkdownContent(BlockNode block) { blocks.push_back(std::move(block)); }

    const MarkdownContent& _markdownContent() const { return *this; }

    // The children of every block (quote children, list item children), one level
    // down, in block order; no value when there are none.
    std::optional<MarkdownContent> childContent() const;

    // CommonMark text, without its final line feed.
    std::string renderMarkdown() const;
    // Plain text, without its final line feed.
    std::string renderPlainText() const;
    // Safe HTML (raw HTML omitted), as the library writes it.
    std::string renderHTML() const;

    friend bool operator==(const MarkdownContent& a, const MarkdownContent& b);
};

// A piece that can stand in a document: a MarkdownContent or one of the block types.
template <class T>
concept MarkdownContentProtocol = requires(const T& piece) {
    { piece._markdownContent() } -> std::convertible_to<MarkdownContent>;
};

// Assembles content from pieces; each operation concatenates their blocks in order.
struct MarkdownContentBuilder {
    template <MarkdownContentProtocol... Pieces>
    static MarkdownContent buildBlock(const Pieces&... pieces)
    {
        MarkdownContent content;
        (append(content, pieces), ...);
        return content;
    }

    template <MarkdownContentProtocol Piece>
    static MarkdownContent buildArray(const std::vector<Piece>& pieces)
    {
        MarkdownContent content;
        for (const Piece& piece : pieces) append(content, piece);
        return content;
    }

    template <MarkdownContentProtocol Piece>
    static MarkdownContent buildOptional(const std::optional<Piece>& piece)
    {
        return piece ? MarkdownContent(piece->_markdownContent()) : MarkdownContent();
    }

    template <MarkdownContentProtocol Piece>
    static MarkdownContent buildEither(const Piece& piece) { return piece._markdownContent(); }

    template <MarkdownContentProtocol Piece>
    static MarkdownContent buildExpression(const Piece& piece) { return piece._markdownContent(); }

private:
    template <MarkdownContentProtocol Piece>
    static void append(MarkdownContent& content, const Piece& piece)
    {
        const MarkdownContent& part = piece._markdownContent();
        content.blocks.insert(content.blocks.end(), part.blocks.begin(), part.blocks.end());
    }
};

}  // namespace markdown
