#include "MarkdownRender/BlockContent.h"

namespace markdown {

namespace {

std::vector<BlockNode> paragraphOf(std::string_view text)
{
    std::vector<BlockNode> blocks;
    blocks.push_back(BlockNode::paragraph(InlineContent::text(std::string(text)).inlines));
    return blocks;
}

}  // namespace

std::size_t ListItem::hashValue() const
{
    Hasher hasher;
    hashSequence(hasher, children);
    return hasher.finalize();
}

std::size_t TaskListItem::hashValue() const
{
    Hasher hasher;
    hasher.combine(isCompleted);
    hashSequence(hasher, children);
    return hasher.finalize();
}

std::vector<ListItem> ListContentBuilder::buildExpression(std::string_view text)
{
    return SequenceBuilder::buildExpression(ListItem(MarkdownContent(paragraphOf(text))));
}

std::vector<TaskListItem> TaskListContentBuilder::buildExpression(std::string_view text)
{
    return SequenceBuilder::buildExpression(TaskListItem(false, MarkdownContent(paragraphOf(text))));
}

namespace detail {

std::vector<RawListItem> rawItems(std::vector<ListItem> items)
{
    std::vector<RawListItem> raw;
    raw.reserve(items.size());
    for (ListItem& item : items) raw.push_back({std::move(item.children)});
    return raw;
}

std::vector<ListItem> itemsOfStrings(const std::vector<std::string>& strings)
{
    std::vector<ListItem> items;
    items.reserve(strings.size());
    for (const std::string& text : strings) items.emplace_back(MarkdownContent(paragraphOf(text)));
    return items;
}

}  // namespace detail

TaskList::TaskList(bool tight, std::vector<TaskListItem> taskItems) : tight(detail::listTightness(tight, taskItems))
{
    items.reserve(taskItems.size());
    for (TaskListItem& item : taskItems) items.push_back({item.isCompleted, std::move(item.children)});
}

std::optional<Heading::Level> Heading::makeLevel(std::int64_t rawValue)
{
    if (rawValue < 1 || rawValue > 6) return std::nullopt;
    return static_cast<Level>(rawValue);
}

RawTableColumnAlignment TextTable::rawAlignment(std::optional<TextTableColumnAlignment> alignment)
{
    if (!alignment) return RawTableColumnAlignment::none;
    switch (*alignment) {
    case TextTableColumnAlignment::leading: return RawTableColumnAlignment::left;
    case TextTableColumnAlignment::center: return RawTableColumnAlignment::center;
    case TextTableColumnAlignment::trailing: return RawTableColumnAlignment::right;
    }
    return RawTableColumnAlignment::none;
}

MarkdownContent Blockquote::_markdownContent() const { return MarkdownContent(BlockNode::blockquote(content.blocks)); }

MarkdownContent BulletedList::_markdownContent() const { return MarkdownContent(BlockNode::bulletedList(tight, items)); }

MarkdownContent NumberedList::_markdownContent() const
{
    return MarkdownContent(BlockNode::numberedList(tight, start, items));
}

MarkdownContent TaskList::_markdownContent() const { return MarkdownContent(BlockNode::taskList(tight, items)); }

MarkdownContent CodeBlock::_markdownContent() const { return MarkdownContent(BlockNode::codeBlock(language, content)); }

MarkdownContent Heading::_markdownContent() const
{
    return MarkdownContent(BlockNode::heading(static_cast<std::int64_t>(level), content.inlines));
}

MarkdownContent Paragraph::_markdownContent() const { return MarkdownContent(BlockNode::paragraph(content.inlines)); }

MarkdownContent ThematicBreak::_markdownContent() const { return MarkdownContent(BlockNode::thematicBreak()); }

MarkdownContent TextTable::_markdownContent() const
{
    return MarkdownContent(BlockNode::table(columnAlignments, rows));
}

}  // namespace markdown
