#include "MarkdownRender/CMarkSupport.h"
#include "MarkdownRender/MarkdownParser.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <cstring>
#include <vector>

namespace markdown {

using namespace detail;

namespace {

// Ordered list numbers in Markdown have at most nine digits.
constexpr std::int64_t maxListStart = 999'999'999;

// Allocates the nodes of one render-back tree and frees all of it at once when
// the tree is done with, whatever the library itself freed or left behind: this
// library version never frees the data it attaches to table cells built by hand.
// Small blocks are cut from large chunks, so an allocation costs a few
// instructions and a free costs nothing; large blocks (the growing output
// buffer) get memory of their own that can be resized in place. The library's
// allocator hooks take no context, so the arena in use is kept per thread.
class NodeArena {
public:
    NodeArena() : previous_(current_) { current_ = this; }
    ~NodeArena()
    {
        // A few chunks stay with the thread for its next tree: fresh memory costs
        // page faults that would otherwise weigh more than the rendering.
        for (void* chunk : chunks_) {
            if (spareChunks_.size() < maxSpareChunks) spareChunks_.push_back(chunk);
            else std::free(chunk);
        }
        for (void* block : large_) std::free(block);
        current_ = previous_;
    }
    NodeArena(const NodeArena&) = delete;
    NodeArena& operator=(const NodeArena&) = delete;

    cmark_mem* allocator() { return &allocator_; }

private:
    // Before every block: its usable size, and for a large block its place in large_.
    struct alignas(16) Header {
        std::size_t size;
        std::size_t largeIndex;
    };
    static constexpr std::size_t notLarge = std::numeric_limits<std::size_t>::max();
    static constexpr std::size_t chunkSize = 256 * 1024;
    static constexpr std::size_t largeSize = 8 * 1024;
    static constexpr std::size_t maxSpareChunks = 16;

    static std::size_t rounded(std::size_t size)
    {
        if (size > std::numeric_limits<std::size_t>::max() / 2) std::abort();
        return (std::max<std::size_t>(size, 1) + 15) & ~std::size_t(15);
    }

    static Header* headerOf(void* block) { return static_cast<Header*>(block) - 1; }

    // A block of `size` bytes, not cleared. The usual case, a small block from the
    // current chunk, stays short enough to be inlined.
    void* take(std::size_t size)
    {
        size = rounded(size);
        if (size >= largeSize || sizeof(Header) + size > left_) return takeSlowly(size);
        auto* header = reinterpret_cast<Header*>(next_);
        *header = {size, notLarge};
        next_ += sizeof(Header) + size;
        left_ -= sizeof(Header) + size;
        return header + 1;
    }

    // A large block of its own, or a small one from a new chunk.
    [[gnu::noinline]] void* takeSlowly(std::size_t size)
    {
        if (size >= largeSize) {
            auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
            if (!header) std::abort();  // as the library's own allocator does
            *header = {size, large_.size()};
            large_.push_back(header);
            return header + 1;
        }
        char* chunk = nullptr;
        if (spareChunks_.empty()) {
            chunk = static_cast<char*>(std::malloc(chunkSize));
            if (!chunk) std::abort();
        } else {
            chunk = static_cast<char*>(spareChunks_.back());
            spareChunks_.pop_back();
        }
        chunks_.push_back(chunk);
        next_ = chunk;
        left_ = chunkSize;
        return take(size);
    }

    void* resize(void* block, std::size_t size)
    {
        if (!block) return take(size);
        Header* header = headerOf(block);
        size = rounded(size);
        if (header->largeIndex != notLarge) {
            auto* moved = static_cast<Header*>(std::realloc(header, sizeof(Header) + size));
            if (!moved) std::abort();
            moved->size = size;
            large_[moved->largeIndex] = moved;
            return moved + 1;
        }
        if (size <= header->size) return block;
        // The newest small block grows where it is when the chunk has room.
        char* end = static_cast<char*>(block) + header->size;
        if (end == next_ && size < largeSize && size - header->size <= left_) {
            left_ -= size - header->size;
            next_ += size - header->size;
            header->size = size;
            return block;
        }
        void* moved = take(size);
        std::memcpy(moved, block, header->size);
        return moved;
    }

    static void* allocate(std::size_t count, std::size_t size)
    {
        std::size_t bytes = 0;
        if (__builtin_mul_overflow(count, size, &bytes)) std::abort();
        void* block = current_->take(bytes);
        std::memset(block, 0, bytes);
        return block;
    }

    static void* reallocate(void* block, std::size_t size) { return current_->resize(block, size); }

    static void release(void*) {}

    // Freed with the thread.
    struct SpareChunks : std::vector<void*> {
        ~SpareChunks()
        {
            for (void* chunk : *this) std::free(chunk);
        }
    };

    static thread_local NodeArena* current_;
    static thread_local SpareChunks spareChunks_;
    NodeArena* previous_;
    std::vector<void*> chunks_;
    std::vector<void*> large_;
    char* next_ = nullptr;
    std::size_t left_ = 0;
    cmark_mem allocator_{allocate, reallocate, release};
};

thread_local NodeArena* NodeArena::current_ = nullptr;
thread_local NodeArena::SpareChunks NodeArena::spareChunks_;

// Builds a library tree from the model. A node that cannot be built is left out
// with everything under it. The values handed to the library are kept within
// what it accepts: heading levels 1 to 6, list starts 0 and up, and exactly one
// cell per column in every table row.
class TreeBuilder {
public:
    TreeBuilder(const CMarkLibrary& library, cmark_mem* allocator) : library_(library), allocator_(allocator) {}

    void appendBlocks(cmark_node* parent, const std::vector<BlockNode>& blocks, int depth)
    {
        if (depth > maxNestingDepth) return;
        for (const BlockNode& block : blocks) appendBlock(parent, block, depth);
    }

private:
    // Creates a node and appends it to `parent`; null when either fails.
    static cmark_node* append(cmark_node* parent, cmark_node* child)
    {
        if (!child) return nullptr;
        if (!cmark_node_append_child(parent, child)) {
            qCWarning(lcMarkdown) << "cmark-gfm refused a" << cmark_node_get_type_string(child) << "node under a"
                                  << cmark_node_get_type_string(parent) << "node; it is left out.";
            cmark_node_free(child);
            return nullptr;
        }
        return child;
    }

    cmark_node* appendNew(cmark_node* parent, cmark_node_type type)
    {
        return append(parent, cmark_node_new_with_mem(type, allocator_));
    }

    cmark_node* appendNewWithExtension(cmark_node* parent, cmark_node_type type, cmark_syntax_extension* extension)
    {
        return append(parent, cmark_node_new_with_mem_and_ext(type, allocator_, extension));
    }

    void appendBlock(cmark_node* parent, const BlockNode& block, int depth)
    {
        std::visit([&](const auto& v) { appendCase(parent, v, depth); }, block.value());
    }

    void appendCase(cmark_node* parent, const BlockNode::Blockquote& v, int depth)
    {
        if (cmark_node* node = appendNew(parent, CMARK_NODE_BLOCK_QUOTE)) appendBlocks(node, v.children, depth + 1);
    }

    cmark_node* appendList(cmark_node* parent, cmark_list_type type, bool isTight)
    {
        cmark_node* node = appendNew(parent, CMARK_NODE_LIST);
        if (node) {
            cmark_node_set_list_type(node, type);
            cmark_node_set_list_tight(node, isTight ? 1 : 0);
        }
        return node;
    }

    void appendItems(cmark_node* list, const std::vector<RawListItem>& items, int depth)
    {
        for (const RawListItem& item : items) {
            if (cmark_node* node = appendNew(list, CMARK_NODE_ITEM)) appendBlocks(node, item.children, depth + 2);
        }
    }

    void appendCase(cmark_node* parent, const BlockNode::BulletedList& v, int depth)
    {
        if (cmark_node* list = appendList(parent, CMARK_BULLET_LIST, v.isTight)) appendItems(list, v.items, depth);
    }

    void appendCase(cmark_node* parent, const BlockNode::NumberedList& v, int depth)
    {
        cmark_node* list = appendList(parent, CMARK_ORDERED_LIST, v.isTight);
        if (!list) return;
        cmark_node_set_list_start(list, static_cast<int>(std::clamp<std::int64_t>(v.start, 0, maxListStart)));
        appendItems(list, v.items, depth);
    }

    void appendCase(cmark_node* parent, const BlockNode::TaskList& v, int depth)
    {
        cmark_node* list = appendList(parent, CMARK_BULLET_LIST, v.isTight);
        if (!list || !library_.tasklist) return;
        for (const RawTaskListItem& item : v.items) {
            cmark_node* node = appendNewWithExtension(list, CMARK_NODE_ITEM, library_.tasklist);
            if (!node) continue;
            cmark_gfm_extensions_set_tasklist_item_checked(node, item.isCompleted);
            appendBlocks(node, item.children, depth + 2);
        }
    }

    void appendCase(cmark_node* parent, const BlockNode::CodeBlock& v, int)
    {
        cmark_node* node = appendNew(parent, CMARK_NODE_CODE_BLOCK);
        if (!node) return;
        if (v.fenceInfo) cmark_node_set_fence_info(node, v.fenceInfo->c_str());
        cmark_node_set_literal(node, v.content.c_str());
    }

    void appendCase(cmark_node* parent, const BlockNode::HtmlBlock& v, int)
    {
        if (cmark_node* node = appendNew(parent, CMARK_NODE_HTML_BLOCK)) cmark_node_set_literal(node, v.content.c_str());
    }

    void appendCase(cmark_node* parent, const BlockNode::Paragraph& v, int depth)
    {
        if (cmark_node* node = appendNew(parent, CMARK_NODE_PARAGRAPH)) appendInlines(node, v.content, depth + 1);
    }

    void appendCase(cmark_node* parent, const BlockNode::Heading& v, int depth)
    {
        cmark_node* node = appendNew(parent, CMARK_NODE_HEADING);
        if (!node) return;
        cmark_node_set_heading_level(node, static_cast<int>(std::clamp<std::int64_t>(v.level, 1, 6)));
        appendInlines(node, v.content, depth + 1);
    }

    void appendCase(cmark_node* parent, const BlockNode::Table& v, int depth)
    {
        if (!library_.table) return;
        cmark_node* table = appendNewWithExtension(parent, library_.tableType, library_.table);
        if (!table) return;
        const std::size_t columns = std::min<std::size_t>(v.columnAlignments.size(), std::numeric_limits<std::uint16_t>::max());
        std::vector<std::uint8_t> letters;
        letters.reserve(columns);
        for (std::size_t i = 0; i < columns; ++i)
            letters.push_back(static_cast<std::uint8_t>(rawValue(v.columnAlignments[i])));
        cmark_gfm_extensions_set_table_columns(table, static_cast<std::uint16_t>(columns));
        cmark_gfm_extensions_set_table_alignments(table, static_cast<std::uint16_t>(columns), letters.data());

        static const RawTableCell emptyCell;
        for (const RawTableRow& row : v.rows) {
            cmark_node* rowNode = appendNewWithExtension(table, library_.tableRowType, library_.table);
            if (!rowNode) continue;
            // The library indexes its alignments by cell position: give it exactly
            // one cell per column, padding short rows and dropping surplus cells.
            bool complete = true;
            for (std::size_t i = 0; i < columns && complete; ++i) {
                const RawTableCell& cell = i < row.cells.size() ? row.cells[i] : emptyCell;
                cmark_node* cellNode = appendNewWithExtension(rowNode, library_.tableCellType, library_.table);
                if (cellNode) appendInlines(cellNode, cell.content, depth + 1);
                complete = cellNode != nullptr;
            }
            if (!complete) {
                // A missing cell would shift the ones after it into the wrong column.
                cmark_node_unlink(rowNode);
                cmark_node_free(rowNode);
            }
        }
        if (cmark_node* header = cmark_node_first_child(table)) cmark_gfm_extensions_set_table_row_is_header(header, 1);
    }

    void appendCase(cmark_node* parent, const BlockNode::ThematicBreak&, int) { appendNew(parent, CMARK_NODE_THEMATIC_BREAK); }

    void appendInlines(cmark_node* parent, const std::vector<InlineNode>& inlines, int depth)
    {
        if (depth > maxNestingDepth) return;
        for (const InlineNode& node : inlines) appendInline(parent, node, depth);
    }

    void appendInline(cmark_node* parent, const InlineNode& inlineNode, int depth)
    {
        switch (inlineNode.kind()) {
        case InlineNode::Kind::text: setLiteral(appendNew(parent, CMARK_NODE_TEXT), inlineNode.literal()); return;
        case InlineNode::Kind::softBreak: appendNew(parent, CMARK_NODE_SOFTBREAK); return;
        case InlineNode::Kind::lineBreak: appendNew(parent, CMARK_NODE_LINEBREAK); return;
        case InlineNode::Kind::code: setLiteral(appendNew(parent, CMARK_NODE_CODE), inlineNode.literal()); return;
        case InlineNode::Kind::html: setLiteral(appendNew(parent, CMARK_NODE_HTML_INLINE), inlineNode.literal()); return;
        case InlineNode::Kind::emphasis: appendContainer(appendNew(parent, CMARK_NODE_EMPH), inlineNode, depth); return;
        case InlineNode::Kind::strong: appendContainer(appendNew(parent, CMARK_NODE_STRONG), inlineNode, depth); return;
        case InlineNode::Kind::strikethrough:
            if (library_.strikethrough)
                appendContainer(appendNewWithExtension(parent, library_.strikethroughType, library_.strikethrough),
                                inlineNode, depth);
            return;
        case InlineNode::Kind::link: {
            cmark_node* node = appendNew(parent, CMARK_NODE_LINK);
            if (node) cmark_node_set_url(node, inlineNode.as<InlineNode::Link>()->destination.c_str());
            appendContainer(node, inlineNode, depth);
            return;
        }
        case InlineNode::Kind::image: {
            cmark_node* node = appendNew(parent, CMARK_NODE_IMAGE);
            if (node) cmark_node_set_url(node, inlineNode.as<InlineNode::Image>()->source.c_str());
            appendContainer(node, inlineNode, depth);
            return;
        }
        }
    }

    void appendContainer(cmark_node* node, const InlineNode& inlineNode, int depth)
    {
        if (node) appendInlines(node, inlineNode.children(), depth + 1);
    }

    static void setLiteral(cmark_node* node, const std::string& literal)
    {
        if (node) cmark_node_set_literal(node, literal.c_str());
    }

    const CMarkLibrary& library_;
    cmark_mem* allocator_;
};

// Builds the tree in an arena, renders it with `render` and copies the text out.
// Every block of the tree and of the rendered buffer comes from the arena, which
// frees them all at once: the tree is not taken apart node by node.
template <class Render>
std::optional<std::string> renderTree(const BlockNodeArray& blocks, Render render)
{
    const CMarkLibrary& library = cmarkLibrary();
    NodeArena arena;
    cmark_node* root = cmark_node_new_with_mem(CMARK_NODE_DOCUMENT, arena.allocator());
    if (!root) return std::nullopt;
    TreeBuilder(library, arena.allocator()).appendBlocks(root, blocks, 1);
    const char* rendered = render(root);
    return std::string(rendered ? rendered : "");
}

}  // namespace

std::optional<std::string> renderCMark(const BlockNodeArray& blocks, CMarkRenderer renderer)
{
    return renderTree(blocks, [renderer](cmark_node* root) {
        // Options 0 (the library's defaults) and width 0 (no wrapping).
        return renderer == CMarkRenderer::commonMark ? cmark_render_commonmark(root, CMARK_OPT_DEFAULT, 0)
                                                     : cmark_render_plaintext(root, CMARK_OPT_DEFAULT, 0);
    });
}

std::optional<std::string> renderHTML(const BlockNodeArray& blocks)
{
    // Options 0: the library's safe mode. The unsafe option is never passed.
    return renderTree(blocks, [](cmark_node* root) { return cmark_render_html(root, CMARK_OPT_DEFAULT, nullptr); });
}

}  // namespace markdown
