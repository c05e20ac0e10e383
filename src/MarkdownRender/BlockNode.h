#pragma once

#include "MarkdownRender/InlineNode.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace markdown {

class BlockNode;

struct RawListItem {
    std::vector<BlockNode> children;
    friend bool operator==(const RawListItem& a, const RawListItem& b);
};

struct RawTaskListItem {
    bool isCompleted = false;  // the box is checked
    std::vector<BlockNode> children;
    friend bool operator==(const RawTaskListItem& a, const RawTaskListItem& b);
};

struct RawTableCell {
    std::vector<InlineNode> content;
    friend bool operator==(const RawTableCell& a, const RawTableCell& b);
};

struct RawTableRow {
    std::vector<RawTableCell> cells;
    friend bool operator==(const RawTableRow& a, const RawTableRow& b);
};

// Column alignment of a table; the raw values are the table extension's letters.
enum class RawTableColumnAlignment : char { none = '\0', left = 'l', center = 'c', right = 'r' };

constexpr char rawValue(RawTableColumnAlignment alignment) { return static_cast<char>(alignment); }

// The alignment for exactly U+0000, "l", "c" or "r"; no value for anything else.
constexpr std::optional<RawTableColumnAlignment> makeRawTableColumnAlignment(char32_t raw)
{
    switch (raw) {
    case U'\0': return RawTableColumnAlignment::none;
    case U'l': return RawTableColumnAlignment::left;
    case U'c': return RawTableColumnAlignment::center;
    case U'r': return RawTableColumnAlignment::right;
    default: return std::nullopt;
    }
}

// One block of a document. An immutable value like InlineNode.
class BlockNode {
public:
    // The cases in declaration order; the position is the discriminator fed to hashing.
    enum class Kind : std::uint8_t {
        blockquote, bulletedList, numberedList, taskList, codeBlock, htmlBlock, paragraph, heading, table, thematicBreak
    };

    struct Blockquote { std::vector<BlockNode> children; };
    struct BulletedList { bool isTight = true; std::vector<RawListItem> items; };
    struct NumberedList { bool isTight = true; std::int64_t start = 1; std::vector<RawListItem> items; };
    struct TaskList { bool isTight = true; std::vector<RawTaskListItem> items; };
    // `fenceInfo` is the info string of a fenced block; absent and empty differ.
    struct CodeBlock { std::optional<std::string> fenceInfo; std::string content; };
    struct HtmlBlock { std::string content; };
    struct Paragraph { std::vector<InlineNode> content; };
    struct Heading { std::int64_t level = 1; std::vector<InlineNode> content; };
    // The first row is the header row.
    struct Table { std::vector<RawTableColumnAlignment> columnAlignments; std::vector<RawTableRow> rows; };
    struct ThematicBreak {};

    using Value = std::variant<Blockquote, BulletedList, NumberedList, TaskList, CodeBlock, HtmlBlock, Paragraph,
                               Heading, Table, ThematicBreak>;

    template <class Case>
        requires std::is_constructible_v<Value, Case&&> && (!std::is_same_v<std::remove_cvref_t<Case>, BlockNode>)
    BlockNode(Case&& value) : value_(std::forward<Case>(value)) {}

    static BlockNode blockquote(std::vector<BlockNode> children) { return Blockquote{std::move(children)}; }
    static BlockNode bulletedList(bool isTight, std::vector<RawListItem> items)
    {
        return BulletedList{isTight, std::move(items)};
    }
    static BlockNode numberedList(bool isTight, std::int64_t start, std::vector<RawListItem> items)
    {
        return NumberedList{isTight, start, std::move(items)};
    }
    static BlockNode taskList(bool isTight, std::vector<RawTaskListItem> items)
    {
        return TaskList{isTight, std::move(items)};
    }
    static BlockNode codeBlock(std::optional<std::string> fenceInfo, std::string content)
    {
        return CodeBlock{std::move(fenceInfo), std::move(content)};
    }
    static BlockNode htmlBlock(std::string content) { return HtmlBlock{std::move(content)}; }
    static BlockNode paragraph(std::vector<InlineNode> content) { return Paragraph{std::move(content)}; }
    static BlockNode heading(std::int64_t level, std::vector<InlineNode> content)
    {
        return Heading{level, std::move(content)};
    }
    static BlockNode table(std::vector<RawTableColumnAlignment> columnAlignments, std::vector<RawTableRow> rows)
    {
        return Table{std::move(columnAlignments), std::move(rows)};
    }
    static BlockNode thematicBreak() { return ThematicBreak{}; }

    Kind kind() const { return static_cast<Kind>(value_.index()); }
    const Value& value() const { return value_; }
    template <class Case>
    const Case* as() const { return std::get_if<Case>(&value_); }

    // The blocks one level down: a quote's children, or the children of every item
    // of a list in item order; empty for every other case.
    std::vector<BlockNode> children() const;

    // This block with all its inline content rewritten (see markdown::rewrite);
    // always exactly one block: blocks are never removed or split.
    std::vector<BlockNode> rewrite(const InlineTransform& transform) const;

    void hash(Hasher& hasher) const;
    std::size_t hashValue() const;

    friend bool operator==(const BlockNode& a, const BlockNode& b);

private:
    Value value_;
};

using BlockNodeArray = std::vector<BlockNode>;

// Every block rewritten in order, the results concatenated.
std::vector<BlockNode> rewrite(const std::vector<BlockNode>& blocks, const InlineTransform& transform);

void hashSequence(Hasher& hasher, const std::vector<BlockNode>& blocks);
void hashValue(Hasher& hasher, const RawListItem& item);
void hashValue(Hasher& hasher, const RawTaskListItem& item);
void hashValue(Hasher& hasher, const RawTableRow& row);
void hashValue(Hasher& hasher, const RawTableCell& cell);

}  // namespace markdown

template <>
struct std::hash<markdown::BlockNode> {
    std::size_t operator()(const markdown::BlockNode& node) const { return node.hashValue(); }
};
