#pragma once

#include "MarkdownRender/InlineNode.h"

#include <concepts>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace markdown {

// Running text built in code: a sequence of inlines.
struct InlineContent {
    std::vector<InlineNode> inlines;

    InlineContent() = default;
    explicit InlineContent(std::vector<InlineNode> inlines) : inlines(std::move(inlines)) {}
    // One text inline holding exactly `text`; nothing in it is parsed as Markdown.
    static InlineContent text(std::string text);

    const InlineContent& _inlineContent() const { return *this; }

    friend bool operator==(const InlineContent&, const InlineContent&) = default;
};

template <class T>
concept InlineContentProtocol = requires(const T& piece) {
    { piece._inlineContent() } -> std::convertible_to<InlineContent>;
};

// Each of these is a value that stands for exactly one inline.

struct Code {
    std::string text;
    explicit Code(std::string text) : text(std::move(text)) {}
    InlineContent _inlineContent() const;
};

// The common part of the values that wrap running text in one container inline.
struct WrappedInlineContent {
    InlineContent content;
    explicit WrappedInlineContent(InlineContent content) : content(std::move(content)) {}
    // A single text inline with `text`.
    explicit WrappedInlineContent(std::string text) : content(InlineContent::text(std::move(text))) {}
};

struct Emphasis : WrappedInlineContent {
    using WrappedInlineContent::WrappedInlineContent;
    InlineContent _inlineContent() const;
};

struct Strong : WrappedInlineContent {
    using WrappedInlineContent::WrappedInlineContent;
    InlineContent _inlineContent() const;
};

struct Strikethrough : WrappedInlineContent {
    using WrappedInlineContent::WrappedInlineContent;
    InlineContent _inlineContent() const;
};

struct InlineLink {
    std::string destination;  // the URL as an absolute string
    InlineContent content;
    InlineLink(std::string destination, InlineContent content)
        : destination(std::move(destination)), content(std::move(content)) {}
    // A link whose only child is `text`.
    static InlineLink withText(std::string text, std::string destination)
    {
        return InlineLink(std::move(destination), InlineContent::text(std::move(text)));
    }
    InlineContent _inlineContent() const;
};

struct InlineImage {
    std::string source;     // the URL as an absolute string
    InlineContent content;  // the alternative text
    explicit InlineImage(std::string source, InlineContent content = {})
        : source(std::move(source)), content(std::move(content)) {}
    // An image whose alternative text is `text`.
    static InlineImage withText(std::string text, std::string source)
    {
        return InlineImage(std::move(source), InlineContent::text(std::move(text)));
    }
    InlineContent _inlineContent() const;
};

struct LineBreak {
    InlineContent _inlineContent() const;
};

struct SoftBreak {
    // How the inline renderers show a soft break: as a space or as a line break.
    enum class Mode { space, lineBreak };
    InlineContent _inlineContent() const;
};

// Joins strings and inline values into one InlineContent by plain concatenation:
// neighbouring texts are not merged and no string is parsed or escaped.
struct InlineContentBuilder {
    static InlineContent buildExpression(std::string_view text) { return InlineContent::text(std::string(text)); }

    template <InlineContentProtocol Piece>
    static InlineContent buildExpression(const Piece& piece) { return piece._inlineContent(); }

    // Each part is a string or an inline value.
    template <class... Parts>
    static InlineContent buildBlock(const Parts&... parts)
    {
        InlineContent content;
        (append(content, buildExpression(parts)), ...);
        return content;
    }

    template <InlineContentProtocol Piece>
    static InlineContent buildArray(const std::vector<Piece>& pieces)
    {
        InlineContent content;
        for (const Piece& piece : pieces) append(content, piece._inlineContent());
        return content;
    }

    template <InlineContentProtocol Piece>
    static InlineContent buildOptional(const std::optional<Piece>& piece)
    {
        return piece ? InlineContent(piece->_inlineContent()) : InlineContent();
    }

    template <InlineContentProtocol Piece>
    static InlineContent buildEither(const Piece& piece) { return piece._inlineContent(); }

private:
    static void append(InlineContent& content, const InlineContent& part)
    {
        content.inlines.insert(content.inlines.end(), part.inlines.begin(), part.inlines.end());
    }
};

}  // namespace markdown
