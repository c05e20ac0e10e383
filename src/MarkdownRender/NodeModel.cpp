#include "MarkdownRender/BlockNode.h"

#include <algorithm>

namespace markdown {

namespace {

template <class T>
bool equalSequences(const std::vector<T>& a, const std::vector<T>& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

bool equalOptional(const std::optional<std::string>& a, const std::optional<std::string>& b)
{
    if (a.has_value() != b.has_value()) return false;
    return !a || canonicallyEqual(*a, *b);
}

void hashString(Hasher& hasher, const std::string& text) { hashCanonical(hasher, text); }

template <class T>
void hashRecords(Hasher& hasher, const std::vector<T>& records)
{
    hasher.combine(records.size());
    for (const T& record : records) hashValue(hasher, record);
}

// Equality of two payloads of the same case.
struct InlineEqual {
    bool operator()(const InlineNode::Text& a, const InlineNode::Text& b) const { return canonicallyEqual(a.text, b.text); }
    bool operator()(const InlineNode::SoftBreak&, const InlineNode::SoftBreak&) const { return true; }
    bool operator()(const InlineNode::LineBreak&, const InlineNode::LineBreak&) const { return true; }
    bool operator()(const InlineNode::Code& a, const InlineNode::Code& b) const { return canonicallyEqual(a.text, b.text); }
    bool operator()(const InlineNode::Html& a, const InlineNode::Html& b) const { return canonicallyEqual(a.text, b.text); }
    bool operator()(const InlineNode::Emphasis& a, const InlineNode::Emphasis& b) const
    {
        return equalSequences(a.children, b.children);
    }
    bool operator()(const InlineNode::Strong& a, const InlineNode::Strong& b) const
    {
        return equalSequences(a.children, b.children);
    }
    bool operator()(const InlineNode::Strikethrough& a, const InlineNode::Strikethrough& b) const
    {
        return equalSequences(a.children, b.children);
    }
    bool operator()(const InlineNode::Link& a, const InlineNode::Link& b) const
    {
        return canonicallyEqual(a.destination, b.destination) && equalSequences(a.children, b.children);
    }
    bool operator()(const InlineNode::Image& a, const InlineNode::Image& b) const
    {
        return canonicallyEqual(a.source, b.source) && equalSequences(a.children, b.children);
    }
    template <class A, class B>
    bool operator()(const A&, const B&) const { return false; }
};

struct BlockEqual {
    bool operator()(const BlockNode::Blockquote& a, const BlockNode::Blockquote& b) const
    {
        return equalSequences(a.children, b.children);
    }
    bool operator()(const BlockNode::BulletedList& a, const BlockNode::BulletedList& b) const
    {
        return a.isTight == b.isTight && equalSequences(a.items, b.items);
    }
    bool operator()(const BlockNode::NumberedList& a, const BlockNode::NumberedList& b) const
    {
        return a.isTight == b.isTight && a.start == b.start && equalSequences(a.items, b.items);
    }
    bool operator()(const BlockNode::TaskList& a, const BlockNode::TaskList& b) const
    {
        return a.isTight == b.isTight && equalSequences(a.items, b.items);
    }
    bool operator()(const BlockNode::CodeBlock& a, const BlockNode::CodeBlock& b) const
    {
        return equalOptional(a.fenceInfo, b.fenceInfo) && canonicallyEqual(a.content, b.content);
    }
    bool operator()(const BlockNode::HtmlBlock& a, const BlockNode::HtmlBlock& b) const
    {
        return canonicallyEqual(a.content, b.content);
    }
    bool operator()(const BlockNode::Paragraph& a, const BlockNode::Paragraph& b) const
    {
        return equalSequences(a.content, b.content);
    }
    bool operator()(const BlockNode::Heading& a, const BlockNode::Heading& b) const
    {
        return a.level == b.level && equalSequences(a.content, b.content);
    }
    bool operator()(const BlockNode::Table& a, const BlockNode::Table& b) const
    {
        return a.columnAlignments == b.columnAlignments && equalSequences(a.rows, b.rows);
    }
    bool operator()(const BlockNode::ThematicBreak&, const BlockNode::ThematicBreak&) const { return true; }
    template <class A, class B>
    bool operator()(const A&, const B&) const { return false; }
};

// Feeds the payload fields of one case, in declaration order.
struct InlineHash {
    Hasher& hasher;
    void operator()(const InlineNode::Text& v) const { hashString(hasher, v.text); }
    void operator()(const InlineNode::SoftBreak&) const {}
    void operator()(const InlineNode::LineBreak&) const {}
    void operator()(const InlineNode::Code& v) const { hashString(hasher, v.text); }
    void operator()(const InlineNode::Html& v) const { hashString(hasher, v.text); }
    void operator()(const InlineNode::Emphasis& v) const { hashSequence(hasher, v.children); }
    void operator()(const InlineNode::Strong& v) const { hashSequence(hasher, v.children); }
    void operator()(const InlineNode::Strikethrough& v) const { hashSequence(hasher, v.children); }
    void operator()(const InlineNode::Link& v) const
    {
        hashString(hasher, v.destination);
        hashSequence(hasher, v.children);
    }
    void operator()(const InlineNode::Image& v) const
    {
        hashString(hasher, v.source);
        hashSequence(hasher, v.children);
    }
};

struct BlockHash {
    Hasher& hasher;
    void operator()(const BlockNode::Blockquote& v) const { hashSequence(hasher, v.children); }
    void operator()(const BlockNode::BulletedList& v) const
    {
        hasher.combine(v.isTight);
        hashRecords(hasher, v.items);
    }
    void operator()(const BlockNode::NumberedList& v) const
    {
        hasher.combine(v.isTight);
        hasher.combine(static_cast<std::uint64_t>(v.start));
        hashRecords(hasher, v.items);
    }
    void operator()(const BlockNode::TaskList& v) const
    {
        hasher.combine(v.isTight);
        hashRecords(hasher, v.items);
    }
    void operator()(const BlockNode::CodeBlock& v) const
    {
        hasher.combine(v.fenceInfo.has_value() ? 1 : 0);
        if (v.fenceInfo) hashString(hasher, *v.fenceInfo);
        hashString(hasher, v.content);
    }
    void operator()(const BlockNode::HtmlBlock& v) const { hashString(hasher, v.content); }
    void operator()(const BlockNode::Paragraph& v) const { hashSequence(hasher, v.content); }
    void operator()(const BlockNode::Heading& v) const
    {
        hasher.combine(static_cast<std::uint64_t>(v.level));
        hashSequence(hasher, v.content);
    }
    void operator()(const BlockNode::Table& v) const
    {
        hasher.combine(v.columnAlignments.size());
        for (RawTableColumnAlignment alignment : v.columnAlignments)
            hasher.combine(static_cast<unsigned char>(rawValue(alignment)));
        hashRecords(hasher, v.rows);
    }
    void operator()(const BlockNode::ThematicBreak&) const {}
};

std::vector<BlockNode> rewriteBlocks(const std::vector<BlockNode>& blocks, const InlineTransform& transform)
{
    std::vector<BlockNode> result;
    result.reserve(blocks.size());
    for (const BlockNode& block : blocks) {
        std::vector<BlockNode> rewritten = block.rewrite(transform);
        result.insert(result.end(), std::make_move_iterator(rewritten.begin()),
                      std::make_move_iterator(rewritten.end()));
    }
    return result;
}

// Rebuilds one inline with its children rewritten; leaves are copied.
InlineNode rebuildInline(const InlineNode& node, const InlineTransform& transform)
{
    return std::visit(
        [&](const auto& v) -> InlineNode {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, InlineNode::Emphasis> || std::is_same_v<T, InlineNode::Strong> ||
                          std::is_same_v<T, InlineNode::Strikethrough>) {
                return T{rewrite(v.children, transform)};
            } else if constexpr (std::is_same_v<T, InlineNode::Link>) {
                return InlineNode::Link{v.destination, rewrite(v.children, transform)};
            } else if constexpr (std::is_same_v<T, InlineNode::Image>) {
                return InlineNode::Image{v.source, rewrite(v.children, transform)};
            } else {
                return v;
            }
        },
        node.value());
}

const std::string emptyString;
const std::vector<InlineNode> noInlines;

}  // namespace

// ---- InlineNode

const std::string& InlineNode::literal() const
{
    if (const auto* v = as<Text>()) return v->text;
    if (const auto* v = as<Code>()) return v->text;
    if (const auto* v = as<Html>()) return v->text;
    return emptyString;
}

const std::vector<InlineNode>& InlineNode::children() const
{
    return std::visit(
        [](const auto& v) -> const std::vector<InlineNode>& {
            if constexpr (requires { v.children; }) {
                return v.children;
            } else {
                return noInlines;
            }
        },
        value_);
}

std::vector<std::string> InlineNode::plainTextSegments() const
{
    switch (kind()) {
    case Kind::text:
    case Kind::code:
    case Kind::html: return {literal()};
    case Kind::softBreak: return {" "};
    case Kind::lineBreak: return {"\n"};
    case Kind::emphasis:
    case Kind::strong:
    case Kind::strikethrough:
    case Kind::link:
    case Kind::image: return {};
    }
    return {};
}

void InlineNode::hash(Hasher& hasher) const
{
    hasher.combine(value_.index());
    std::visit(InlineHash{hasher}, value_);
}

std::size_t InlineNode::hashValue() const
{
    Hasher hasher;
    hash(hasher);
    return hasher.finalize();
}

bool operator==(const InlineNode& a, const InlineNode& b)
{
    return a.value_.index() == b.value_.index() && std::visit(InlineEqual{}, a.value_, b.value_);
}

void hashSequence(Hasher& hasher, const std::vector<InlineNode>& inlines)
{
    hasher.combine(inlines.size());
    for (const InlineNode& node : inlines) node.hash(hasher);
}

std::vector<InlineNode> rewrite(const std::vector<InlineNode>& inlines, const InlineTransform& transform)
{
    std::vector<InlineNode> result;
    result.reserve(inlines.size());
    for (const InlineNode& node : inlines) {
        std::vector<InlineNode> replaced = transform(rebuildInline(node, transform));
        result.insert(result.end(), std::make_move_iterator(replaced.begin()), std::make_move_iterator(replaced.end()));
    }
    return result;
}

std::string plainText(const std::vector<InlineNode>& inlines)
{
    std::string text;
    for (const std::string& piece : collect(inlines, [](const InlineNode& node) { return node.plainTextSegments(); }))
        text += piece;
    return text;
}

// ---- records

bool operator==(const RawListItem& a, const RawListItem& b) { return equalSequences(a.children, b.children); }

bool operator==(const RawTaskListItem& a, const RawTaskListItem& b)
{
    return a.isCompleted == b.isCompleted && equalSequences(a.children, b.children);
}

bool operator==(const RawTableCell& a, const RawTableCell& b) { return equalSequences(a.content, b.content); }

bool operator==(const RawTableRow& a, const RawTableRow& b) { return equalSequences(a.cells, b.cells); }

void hashValue(Hasher& hasher, const RawListItem& item) { hashSequence(hasher, item.children); }

void hashValue(Hasher& hasher, const RawTaskListItem& item)
{
    hasher.combine(item.isCompleted);
    hashSequence(hasher, item.children);
}

void hashValue(Hasher& hasher, const RawTableRow& row) { hashRecords(hasher, row.cells); }

void hashValue(Hasher& hasher, const RawTableCell& cell) { hashSequence(hasher, cell.content); }

// ---- BlockNode

std::vector<BlockNode> BlockNode::children() const
{
    std::vector<BlockNode> result;
    auto appendItems = [&result](const auto& items) {
        for (const auto& item : items) result.insert(result.end(), item.children.begin(), item.children.end());
    };
    if (const auto* v = as<Blockquote>()) result = v->children;
    else if (const auto* v = as<BulletedList>()) appendItems(v->items);
    else if (const auto* v = as<NumberedList>()) appendItems(v->items);
    else if (const auto* v = as<TaskList>()) appendItems(v->items);
    return result;
}

std::vector<BlockNode> BlockNode::rewrite(const InlineTransform& transform) const
{
    auto rewriteItems = [&transform](auto items) {
        for (auto& item : items) item.children = rewriteBlocks(item.children, transform);
        return items;
    };
    BlockNode rebuilt = std::visit(
        [&](const auto& v) -> BlockNode {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, Blockquote>) {
                return Blockquote{rewriteBlocks(v.children, transform)};
            } else if constexpr (std::is_same_v<T, BulletedList>) {
                return BulletedList{v.isTight, rewriteItems(v.items)};
            } else if constexpr (std::is_same_v<T, NumberedList>) {
                return NumberedList{v.isTight, v.start, rewriteItems(v.items)};
            } else if constexpr (std::is_same_v<T, TaskList>) {
                return TaskList{v.isTight, rewriteItems(v.items)};
            } else if constexpr (std::is_same_v<T, Paragraph>) {
                return Paragraph{markdown::rewrite(v.content, transform)};
            } else if constexpr (std::is_same_v<T, Heading>) {
                return Heading{v.level, markdown::rewrite(v.content, transform)};
            } else if constexpr (std::is_same_v<T, Table>) {
                Table table{v.columnAlignments, v.rows};
                for (RawTableRow& row : table.rows)
                    for (RawTableCell& cell : row.cells) cell.content = markdown::rewrite(cell.content, transform);
                return table;
            } else {
                return v;
            }
        },
        value_);
    std::vector<BlockNode> result;
    result.push_back(std::move(rebuilt));
    return result;
}

void BlockNode::hash(Hasher& hasher) const
{
    hasher.combine(value_.index());
    std::visit(BlockHash{hasher}, value_);
}

std::size_t BlockNode::hashValue() const
{
    Hasher hasher;
    hash(hasher);
    return hasher.finalize();
}

bool operator==(const BlockNode& a, const BlockNode& b)
{
    return a.value_.index() == b.value_.index() && std::visit(BlockEqual{}, a.value_, b.value_);
}

std::vector<BlockNode> rewrite(const std::vector<BlockNode>& blocks, const InlineTransform& transform)
{
    return rewriteBlocks(blocks, transform);
}

void hashSequence(Hasher& hasher, const std::vector<BlockNode>& blocks)
{
    hasher.combine(blocks.size());
    for (const BlockNode& block : blocks) block.hash(hasher);
}

}  // namespace markdown
