#pragma once

// Block values for building documents in code. Each converts to exactly one block.

#include "MarkdownRender/InlineContent.h"
#include "MarkdownRender/MarkdownContent.h"

#include <charconv>
#include <concepts>
#include <cstdint>
#include <functional>
#include <iterator>
#include <optional>
#include <ranges>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace markdown {

// Assembles a sequence of elements; `Derived` supplies buildExpression for single
// expressions (elements, and strings where the builder takes them).
template <class Element, class Derived>
struct SequenceBuilder {
    static std::vector<Element> buildExpression(Element element)
    {
        std::vector<Element> elements;
        elements.push_back(std::move(element));
        return elements;
    }

    // Each part is a sequence of elements or a single expression.
    template <class... Parts>
    static std::vector<Element> buildBlock(Parts&&... parts)
    {
        std::vector<Element> elements;
        (appendPart(elements, std::forward<Parts>(parts)), ...);
        return elements;
    }

    static std::vector<Element> buildArray(std::vector<std::vector<Element>> parts)
    {
        std::vector<Element> elements;
        for (std::vector<Element>& part : parts) appendAll(elements, std::move(part));
        return elements;
    }

    static std::vector<Element> buildOptional(std::optional<std::vector<Element>> part)
    {
        return part ? std::move(*part) : std::vector<Element>();
    }

    static std::vector<Element> buildEither(std::vector<Element> part) { return part; }

private:
    static void appendAll(std::vector<Element>& elements, std::vector<Element>&& part)
    {
        elements.insert(elements.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    }

    template <class Part>
    static void appendPart(std::vector<Element>& elements, Part&& part)
    {
        if constexpr (std::is_same_v<std::remove_cvref_t<Part>, std::vector<Element>>)
            appendAll(elements, std::vector<Element>(std::forward<Part>(part)));
        else
            appendAll(elements, Derived::buildExpression(std::forward<Part>(part)));
    }
};

// One item of a bulleted or numbered list.
struct ListItem {
    std::vector<BlockNode> children;
    explicit ListItem(MarkdownContent content) : children(std::move(content.blocks)) {}
    friend bool operator==(const ListItem&, const ListItem&) = default;
    std::size_t hashValue() const;
};

// One item of a task list.
struct TaskListItem {
    bool isCompleted = false;
    std::vector<BlockNode> children;
    TaskListItem(bool isCompleted, MarkdownContent content)
        : isCompleted(isCompleted), children(std::move(content.blocks)) {}
    friend bool operator==(const TaskListItem&, const TaskListItem&) = default;
    std::size_t hashValue() const;
};

struct ListContentBuilder : SequenceBuilder<ListItem, ListContentBuilder> {
    using SequenceBuilder::buildExpression;
    // One item holding one paragraph with `text` as its only text; not parsed.
    static std::vector<ListItem> buildExpression(std::string_view text);
};

struct TaskListContentBuilder : SequenceBuilder<TaskListItem, TaskListContentBuilder> {
    using SequenceBuilder::buildExpression;
    // One unchecked item holding one paragraph with `text` as its only text.
    static std::vector<TaskListItem> buildExpression(std::string_view text);
};

namespace detail {
// A list given as tight is loose when any item holds two or more paragraphs
// directly; a list given as loose stays loose.
template <class Item>
bool listTightness(bool tight, const std::vector<Item>& items)
{
    for (const Item& item : items) {
        int paragraphs = 0;
        for (const BlockNode& block : item.children)
            if (block.kind() == BlockNode::Kind::paragraph && ++paragraphs >= 2) return false;
    }
    return tight;
}

std::vector<RawListItem> rawItems(std::vector<ListItem> items);
std::vector<ListItem> itemsOfStrings(const std::vector<std::string>& strings);

template <class Range, class Function>
auto concatenateItems(const Range& elements, Function&& items)
{
    std::remove_cvref_t<std::invoke_result_t<Function&, std::ranges::range_reference_t<const Range>>> result;
    for (auto&& element : elements) {
        auto part = items(element);
        result.insert(result.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    }
    return result;
}
}  // namespace detail

class Blockquote {
public:
    MarkdownContent content;
    explicit Blockquote(MarkdownContent content) : content(std::move(content)) {}
    MarkdownContent _markdownContent() const;
};

class BulletedList {
public:
    bool tight;
    std::vector<RawListItem> items;

    BulletedList(bool tight, std::vector<ListItem> items)
        : tight(detail::listTightness(tight, items)), items(detail::rawItems(std::move(items))) {}
    // `items` is called once per element, in order; the items are concatenated.
    template <std::ranges::input_range Range, class Function>
    static BulletedList of(const Range& elements, bool tight, Function&& items)
    {
        return BulletedList(tight, detail::concatenateItems(elements, items));
    }
    // One item per string, each a paragraph with that string as its only text.
    static BulletedList of(const std::vector<std::string>& strings, bool tight)
    {
        return BulletedList(tight, detail::itemsOfStrings(strings));
    }
    MarkdownContent _markdownContent() const;
};

class NumberedList {
public:
    bool tight;
    std::int64_t start;  // stored as given, zero and negative numbers included
    std::vector<RawListItem> items;

    NumberedList(bool tight, std::int64_t start, std::vector<ListItem> items)
        : tight(detail::listTightness(tight, items)), start(start), items(detail::rawItems(std::move(items))) {}
    template <std::ranges::input_range Range, class Function>
    static NumberedList of(const Range& elements, bool tight, std::int64_t start, Function&& items)
    {
        return NumberedList(tight, start, detail::concatenateItems(elements, items));
    }
    static NumberedList of(const std::vector<std::string>& strings, bool tight, std::int64_t start)
    {
        return NumberedList(tight, start, detail::itemsOfStrings(strings));
    }
    MarkdownContent _markdownContent() const;
};

class TaskList {
public:
    bool tight;
    std::vector<RawTaskListItem> items;

    TaskList(bool tight, std::vector<TaskListItem> items);
    template <std::ranges::input_range Range, class Function>
    static TaskList of(const Range& elements, bool tight, Function&& items)
    {
        return TaskList(tight, detail::concatenateItems(elements, items));
    }
    MarkdownContent _markdownContent() const;
};

class CodeBlock {
public:
    std::optional<std::string> language;  // absent stays absent: not an empty info string
    std::string content;
    CodeBlock(std::optional<std::string> language, std::string content)
        : language(std::move(language)), content(std::move(content)) {}
    MarkdownContent _markdownContent() const;
};

class Heading {
public:
    enum class Level : std::uint8_t { level1 = 1, level2, level3, level4, level5, level6 };
    // The level for 1 to 6; no value for any other number.
    static std::optional<Level> makeLevel(std::int64_t rawValue);

    Level level;
    InlineContent content;
    Heading(Level level, InlineContent content) : level(level), content(std::move(content)) {}
    MarkdownContent _markdownContent() const;
};

class Paragraph {
public:
    InlineContent content;
    explicit Paragraph(InlineContent content) : content(std::move(content)) {}
    MarkdownContent _markdownContent() const;
};

class ThematicBreak {
public:
    MarkdownContent _markdownContent() const;
};

enum class TextTableColumnAlignment { leading, center, trailing };

namespace detail {
// The text form of a value shown in a table cell.
template <class Value>
std::string description(const Value& value)
{
    if constexpr (std::is_convertible_v<const Value&, std::string_view>) {
        return std::string(std::string_view(value));
    } else if constexpr (std::is_same_v<Value, bool>) {
        return value ? "true" : "false";
    } else if constexpr (std::is_arithmetic_v<Value>) {
        char buffer[64];
        const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
        return error == std::errc() ? std::string(buffer, end) : std::string();
    } else {
        std::ostringstream stream;
        stream << value;
        return stream.str();
    }
}
}  // namespace detail

template <class Row>
struct TextTableColumn {
    std::optional<TextTableColumnAlignment> alignment;
    InlineContent title;
    std::function<InlineContent(const Row&)> content;  // called while the table is built

    TextTableColumn(std::optional<TextTableColumnAlignment> alignment, InlineContent title,
                    std::function<InlineContent(const Row&)> content)
        : alignment(alignment), title(std::move(title)), content(std::move(content)) {}
    TextTableColumn(std::optional<TextTableColumnAlignment> alignment, std::string title,
                    std::function<InlineContent(const Row&)> content)
        : TextTableColumn(alignment, InlineContent::text(std::move(title)), std::move(content)) {}

    // A column whose cells show the text form of the value `accessor` reads from a
    // row (a member pointer or any callable), as one text inline.
    template <class Accessor>
    static TextTableColumn value(std::optional<TextTableColumnAlignment> alignment, InlineContent title,
                                 Accessor accessor)
    {
        return TextTableColumn(alignment, std::move(title), [accessor](const Row& row) {
            return InlineContent::text(detail::description(std::invoke(accessor, row)));
        });
    }
    template <class Accessor>
    static TextTableColumn value(std::optional<TextTableColumnAlignment> alignment, std::string title, Accessor accessor)
    {
        return value(alignment, InlineContent::text(std::move(title)), std::move(accessor));
    }
};

template <class Row>
struct TextTableRow {
    Row value;
    explicit TextTableRow(Row value) : value(std::move(value)) {}
};

template <class Row>
struct TextTableColumnBuilder : SequenceBuilder<TextTableColumn<Row>, TextTableColumnBuilder<Row>> {};

template <class Row>
struct TextTableRowBuilder : SequenceBuilder<TextTableRow<Row>, TextTableRowBuilder<Row>> {};

class TextTable {
public:
    std::vector<RawTableColumnAlignment> columnAlignments;
    std::vector<RawTableRow> rows;  // the header row of column titles first

    template <std::ranges::random_access_range Range>
    TextTable(const Range& values, const std::vector<TextTableColumn<std::ranges::range_value_t<Range>>>& columns)
    {
        for (const auto& column : columns) columnAlignments.push_back(rawAlignment(column.alignment));
        RawTableRow header;
        for (const auto& column : columns) header.cells.push_back({column.title.inlines});
        rows.push_back(std::move(header));
        for (const auto& value : values) {
            RawTableRow row;
            for (const auto& column : columns) row.cells.push_back({column.content(value).inlines});
            rows.push_back(std::move(row));
        }
    }

    template <class Row>
    TextTable(const std::vector<TextTableColumn<Row>>& columns, const std::vector<TextTableRow<Row>>& tableRows)
        : TextTable(valuesOf(tableRows), columns) {}

    MarkdownContent _markdownContent() const;

private:
    static RawTableColumnAlignment rawAlignment(std::optional<TextTableColumnAlignment> alignment);

    template <class Row>
    static std::vector<Row> valuesOf(const std::vector<TextTableRow<Row>>& tableRows)
    {
        std::vector<Row> values;
        values.reserve(tableRows.size());
        for (const TextTableRow<Row>& row : tableRows) values.push_back(row.value);
        return values;
    }
};

}  // namespace markdown

template <>
struct std::hash<markdown::ListItem> {
    std::size_t operator()(const markdown::ListItem& item) const { return item.hashValue(); }
};

template <>
struct std::hash<markdown::TaskListItem> {
    std::size_t operator()(const markdown::TaskListItem& item) const { return item.hashValue(); }
};
