#pragma once

#include "MarkdownRender/Hasher.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace markdown {

// One piece of running text. An immutable value: copies never share mutable state
// and nothing in the tree refers to its parent.
class InlineNode {
public:
    // The cases in declaration order; the position is the discriminator fed to hashing.
    enum class Kind : std::uint8_t { text, softBreak, lineBreak, code, html, emphasis, strong, strikethrough, link, image };

    struct Text { std::string text; };
    struct SoftBreak {};
    struct LineBreak {};
    struct Code { std::string text; };
    struct Html { std::string text; };
    struct Emphasis { std::vector<InlineNode> children; };
    struct Strong { std::vector<InlineNode> children; };
    struct Strikethrough { std::vector<InlineNode> children; };
    struct Link { std::string destination; std::vector<InlineNode> children; };
    struct Image { std::string source; std::vector<InlineNode> children; };

    using Value = std::variant<Text, SoftBreak, LineBreak, Code, Html, Emphasis, Strong, Strikethrough, Link, Image>;

    template <class Case>
        requires std::is_constructible_v<Value, Case&&> && (!std::is_same_v<std::remove_cvref_t<Case>, InlineNode>)
    InlineNode(Case&& value) : value_(std::forward<Case>(value)) {}

    static InlineNode text(std::string text) { return Text{std::move(text)}; }
    static InlineNode softBreak() { return SoftBreak{}; }
    static InlineNode lineBreak() { return LineBreak{}; }
    static InlineNode code(std::string text) { return Code{std::move(text)}; }
    static InlineNode html(std::string text) { return Html{std::move(text)}; }
    static InlineNode emphasis(std::vector<InlineNode> children) { return Emphasis{std::move(children)}; }
    static InlineNode strong(std::vector<InlineNode> children) { return Strong{std::move(children)}; }
    static InlineNode strikethrough(std::vector<InlineNode> children) { return Strikethrough{std::move(children)}; }
    static InlineNode link(std::string destination, std::vector<InlineNode> children)
    {
        return Link{std::move(destination), std::move(children)};
    }
    static InlineNode image(std::string source, std::vector<InlineNode> children)
    {
        return Image{std::move(source), std::move(children)};
    }

    Kind kind() const { return static_cast<Kind>(value_.index()); }
    const Value& value() const { return value_; }
    template <class Case>
    const Case* as() const { return std::get_if<Case>(&value_); }

    // The string of `text`, `code` and `html`; empty for every other case.
    const std::string& literal() const;
    // The children of `emphasis`, `strong`, `strikethrough`, `link` and `image`;
    // empty for the leaf cases.
    const std::vector<InlineNode>& children() const;

    // What this node itself contributes to plain text (its children are not
    // included): the string of text, code and html, " " for a soft break,
    // "\n" for a line break, nothing for the containers.
    std::vector<std::string> plainTextSegments() const;

    void hash(Hasher& hasher) const;
    std::size_t hashValue() const;

    // Structural equality; strings compare by Unicode canonical equivalence.
    friend bool operator==(const InlineNode& a, const InlineNode& b);

private:
    Value value_;
};

using InlineTransform = std::function<std::vector<InlineNode>(const InlineNode&)>;

// Rewrites every inline post-order: a container's children are rewritten first,
// then the transform is applied to the rebuilt node and its results are spliced in
// (none deletes the node, several replace it). Exceptions from the transform
// propagate; no partial result is returned.
std::vector<InlineNode> rewrite(const std::vector<InlineNode>& inlines, const InlineTransform& transform);

// Walks the inlines in order; for each, the results from its children come first,
// then the results of `function` applied to the node itself.
template <class Function>
auto collect(const std::vector<InlineNode>& inlines, Function&& function)
    -> std::remove_cvref_t<std::invoke_result_t<Function&, const InlineNode&>>
{
    using Results = std::remove_cvref_t<std::invoke_result_t<Function&, const InlineNode&>>;
    Results results;
    for (const InlineNode& node : inlines) {
        Results fromChildren = collect(node.children(), function);
        results.insert(results.end(), std::make_move_iterator(fromChildren.begin()),
                       std::make_move_iterator(fromChildren.end()));
        Results own = function(node);
        results.insert(results.end(), std::make_move_iterator(own.begin()), std::make_move_iterator(own.end()));
    }
    return results;
}

// The plain-text pieces of an inline sequence (see plainTextSegments()), joined.
std::string plainText(const std::vector<InlineNode>& inlines);

void hashSequence(Hasher& hasher, const std::vector<InlineNode>& inlines);

}  // namespace markdown

template <>
struct std::hash<markdown::InlineNode> {
    std::size_t operator()(const markdown::InlineNode& node) const { return node.hashValue(); }
};
