#include "MarkdownRender/CMarkSupport.h"
#include "MarkdownRender/MarkdownParser.h"

#include <QString>

#include <array>
#include <cstring>
#include <string_view>

namespace markdown {

using namespace detail;

namespace {

// The library's node type names, told apart by exact comparison of the type string.
enum class NodeType {
    document, blockquote, list, item, codeBlock, htmlBlock, customBlock, paragraph, heading, thematicBreak,
    text, softBreak, lineBreak, code, html, customInline, emphasis, strong, link, image, inlineAttributes,
    none, unknown, strikethrough, table, tableHead, tableRow, tableCell, taskListItem
};

struct NodeTypeName {
    NodeType type;
    const char* typeName;
    const char* caseName;
};

constexpr std::array<NodeTypeName, 29> nodeTypeNames{{
    {NodeType::document, "document", "document"},
    {NodeType::blockquote, "block_quote", "blockquote"},
    {NodeType::list, "list", "list"},
    {NodeType::item, "item", "item"},
    {NodeType::codeBlock, "code_block", "codeBlock"},
    {NodeType::htmlBlock, "html_block", "htmlBlock"},
    {NodeType::customBlock, "custom_block", "customBlock"},
    {NodeType::paragraph, "paragraph", "paragraph"},
    {NodeType::heading, "heading", "heading"},
    {NodeType::thematicBreak, "thematic_break", "thematicBreak"},
    {NodeType::text, "text", "text"},
    {NodeType::softBreak, "softbreak", "softBreak"},
    {NodeType::lineBreak, "linebreak", "lineBreak"},
    {NodeType::code, "code", "code"},
    {NodeType::html, "html_inline", "html"},
    {NodeType::customInline, "custom_inline", "customInline"},
    {NodeType::emphasis, "emph", "emphasis"},
    {NodeType::strong, "strong", "strong"},
    {NodeType::link, "link", "link"},
    {NodeType::image, "image", "image"},
    {NodeType::inlineAttributes, "attribute", "inlineAttributes"},
    {NodeType::none, "NONE", "none"},
    {NodeType::unknown, "<unknown>", "unknown"},
    {NodeType::strikethrough, "strikethrough", "strikethrough"},
    {NodeType::table, "table", "table"},
    {NodeType::tableHead, "table_header", "tableHead"},
    {NodeType::tableRow, "table_row", "tableRow"},
    {NodeType::tableCell, "table_cell", "tableCell"},
    {NodeType::taskListItem, "tasklist", "taskListItem"},
}};

const char* caseName(NodeType type) { return nodeTypeNames[static_cast<std::size_t>(type)].caseName; }

std::string copyString(const char* text) { return text ? std::string(text) : std::string(); }

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t minimum = 0;
        char32_t value = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2, minimum = 0x80, value = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, minimum = 0x800, value = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, minimum = 0x10000, value = c & 0x07;
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            value = (value << 6) | (next & 0x3F);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

// Converts one library tree into the model. Unexpected nodes are left out with a
// warning; nodes nested deeper than maxNestingDepth are left out and counted.
class TreeConverter {
public:
    std::vector<BlockNode> blocks(cmark_node* parent, int depth)
    {
        std::vector<BlockNode> result;
        for (cmark_node* child = cmark_node_first_child(parent); child; child = cmark_node_next(child)) {
            if (!withinDepth(depth)) break;
            if (std::optional<BlockNode> block = convertBlock(child, depth)) result.push_back(std::move(*block));
        }
        return result;
    }

    std::vector<InlineNode> inlines(cmark_node* parent, int depth)
    {
        std::vector<InlineNode> result;
        for (cmark_node* child = cmark_node_first_child(parent); child; child = cmark_node_next(child)) {
            if (!withinDepth(depth)) break;
            if (std::optional<InlineNode> node = convertInline(child, depth)) result.push_back(std::move(*node));
        }
        return result;
    }

    void reportOmissions() const
    {
        if (tooDeep_ > 0)
            qCWarning(lcMarkdown).nospace() << "Left out content nested deeper than " << maxNestingDepth << " levels ("
                                            << tooDeep_ << " times).";
    }

private:
    bool withinDepth(int depth)
    {
        if (depth <= maxNestingDepth) return true;
        ++tooDeep_;
        return false;
    }

    static std::optional<NodeType> nodeType(cmark_node* node)
    {
        const char* name = cmark_node_get_type_string(node);
        if (name) {
            for (const NodeTypeName& entry : nodeTypeNames)
                if (std::strcmp(name, entry.typeName) == 0) return entry.type;
        }
        qCWarning(lcMarkdown).nospace() << "Unknown node type '" << (name ? name : "") << "' found.";
        return std::nullopt;
    }

    std::optional<BlockNode> convertBlock(cmark_node* node, int depth)
    {
        const std::optional<NodeType> type = nodeType(node);
        if (!type) return std::nullopt;
        switch (*type) {
        case NodeType::blockquote: return BlockNode::blockquote(blocks(node, depth + 1));
        case NodeType::list: return convertList(node, depth);
        case NodeType::codeBlock: {
            const char* info = cmark_node_get_fence_info(node);
            return BlockNode::codeBlock(info ? std::optional<std::string>(info) : std::nullopt,
                                        copyString(cmark_node_get_literal(node)));
        }
        case NodeType::htmlBlock: return BlockNode::htmlBlock(copyString(cmark_node_get_literal(node)));
        case NodeType::paragraph: return BlockNode::paragraph(inlines(node, depth + 1));
        case NodeType::heading:
            return BlockNode::heading(cmark_node_get_heading_level(node), inlines(node, depth + 1));
        case NodeType::thematicBreak: return BlockNode::thematicBreak();
        case NodeType::table: return convertTable(node, depth);
        default: return std::nullopt;
        }
    }

    std::optional<BlockNode> convertList(cmark_node* list, int depth)
    {
        bool isTaskList = false;
        for (cmark_node* child = cmark_node_first_child(list); child && !isTaskList; child = cmark_node_next(child))
            isTaskList = nodeType(child) == NodeType::taskListItem;
        const bool isTight = cmark_node_get_list_tight(list) != 0;

        if (isTaskList) {
            std::vector<RawTaskListItem> items;
            for (cmark_node* child = cmark_node_first_child(list); child; child = cmark_node_next(child)) {
                const std::optional<NodeType> type = nodeType(child);
                if (type != NodeType::taskListItem && type != NodeType::item) {
                    unexpectedChild("Expected a list item but got a '", type);
                    continue;
                }
                items.push_back({cmark_gfm_extensions_get_tasklist_item_checked(child), blocks(child, depth + 2)});
            }
            return BlockNode::taskList(isTight, std::move(items));
        }

        const cmark_list_type listType = cmark_node_get_list_type(list);
        if (listType != CMARK_BULLET_LIST && listType != CMARK_ORDERED_LIST) {
            qCWarning(lcMarkdown) << "cmark reported a list node without a list type.";
            return std::nullopt;
        }
        std::vector<RawListItem> items;
        for (cmark_node* child = cmark_node_first_child(list); child; child = cmark_node_next(child)) {
            const std::optional<NodeType> type = nodeType(child);
            if (type != NodeType::item) {
                unexpectedChild("Expected a list item but got a '", type);
                continue;
            }
            items.push_back({blocks(child, depth + 2)});
        }
        if (listType == CMARK_ORDERED_LIST)
            return BlockNode::numberedList(isTight, cmark_node_get_list_start(list), std::move(items));
        return BlockNode::bulletedList(isTight, std::move(items));
    }

    std::optional<BlockNode> convertTable(cmark_node* table, int depth)
    {
        const std::uint16_t columns = cmark_gfm_extensions_get_table_columns(table);
        const std::uint8_t* letters = cmark_gfm_extensions_get_table_alignments(table);
        std::vector<RawTableColumnAlignment> alignments;
        alignments.reserve(columns);
        for (std::uint16_t i = 0; i < columns; ++i)
            alignments.push_back(
                makeRawTableColumnAlignment(letters ? letters[i] : 0).value_or(RawTableColumnAlignment::none));

        std::vector<RawTableRow> rows;
        for (cmark_node* row = cmark_node_first_child(table); row; row = cmark_node_next(row)) {
            const std::optional<NodeType> rowType = nodeType(row);
            if (rowType != NodeType::tableRow && rowType != NodeType::tableHead) {
                unexpectedChild("Expected a table row but got a '", rowType);
                continue;
            }
            RawTableRow converted;
            for (cmark_node* cell = cmark_node_first_child(row); cell; cell = cmark_node_next(cell)) {
                const std::optional<NodeType> cellType = nodeType(cell);
                if (cellType != NodeType::tableCell) {
                    unexpectedChild("Expected a table cell but got a '", cellType);
                    continue;
                }
                converted.cells.push_back({inlines(cell, depth + 1)});
            }
            // Every row holds one cell per column.
            converted.cells.resize(columns);
            rows.push_back(std::move(converted));
        }
        return BlockNode::table(std::move(alignments), std::move(rows));
    }

    std::optional<InlineNode> convertInline(cmark_node* node, int depth)
    {
        const std::optional<NodeType> type = nodeType(node);
        if (!type) return std::nullopt;
        switch (*type) {
        case NodeType::text: return InlineNode::text(copyString(cmark_node_get_literal(node)));
        case NodeType::softBreak: return InlineNode::softBreak();
        case NodeType::lineBreak: return InlineNode::lineBreak();
        case NodeType::code: return InlineNode::code(copyString(cmark_node_get_literal(node)));
        case NodeType::html: return InlineNode::html(copyString(cmark_node_get_literal(node)));
        case NodeType::emphasis: return InlineNode::emphasis(inlines(node, depth + 1));
        case NodeType::strong: return InlineNode::strong(inlines(node, depth + 1));
        case NodeType::strikethrough: return InlineNode::strikethrough(inlines(node, depth + 1));
        case NodeType::link:
            return InlineNode::link(copyString(cmark_node_get_url(node)), inlines(node, depth + 1));
        case NodeType::image:
            return InlineNode::image(copyString(cmark_node_get_url(node)), inlines(node, depth + 1));
        default: return std::nullopt;
        }
    }

    static void unexpectedChild(const char* message, std::optional<NodeType> type)
    {
        if (type) qCWarning(lcMarkdown).nospace() << message << caseName(*type) << "' instead.";
    }

    int tooDeep_ = 0;
};

}  // namespace

std::optional<BlockNodeArray> parseBlockNodeArray(std::string_view markdown)
{
    std::string repaired;
    if (!isValidUtf8(markdown)) {
        repaired = QString::fromUtf8(markdown.data(), static_cast<qsizetype>(markdown.size())).toUtf8().toStdString();
        markdown = repaired;
    }

    const CMarkLibrary& library = cmarkLibrary();
    ParserPtr parser(cmark_parser_new(CMARK_OPT_DEFAULT));
    if (!parser) return std::nullopt;
    NodePtr document;
    {
        std::lock_guard lock(parseMutex());
        for (cmark_syntax_extension* extension :
             {library.autolink, library.strikethrough, library.tagfilter, library.tasklist, library.table}) {
            if (extension) cmark_parser_attach_syntax_extension(parser.get(), extension);
        }
        cmark_parser_feed(parser.get(), markdown.data(), markdown.size());
        document.reset(cmark_parser_finish(parser.get()));
    }
    if (!document) return std::nullopt;

    return convertDocument(document.get());
}

std::vector<BlockNode> detail::convertDocument(cmark_node* document)
{
    TreeConverter converter;
    std::vector<BlockNode> blocks = converter.blocks(document, 1);
    converter.reportOmissions();
    return blocks;
}

}  // namespace markdown
