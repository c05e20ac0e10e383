#include "MarkdownRender/CMarkSupport.h"
#include "MarkdownRender/MarkdownParser.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <utility>
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
// buffer) get memory of their own that can be resized in place. Chunks are
// handed out cleared and cleared again in one sweep when the arena is done, so
// the library's many small cleared allocations (one per node) need no clearing
// of their own. The library's allocator hooks take no context, so the arena in
// use is kept per thread.
class NodeArena {
public:
    NodeArena() : previous_(current_)
    {
        current_ = this;
        // The lists of the thread's last arena, emptied: heap blocks freed on the
        // way would cost the output's next large allocation a merging pass.
        chunks_.swap(spareLists_.chunks);
        large_.swap(spareLists_.large);
    }
    ~NodeArena()
    {
        // Up to 16 MB of chunks stay with the thread for its next tree: fresh memory costs
        // page faults that would otherwise weigh more than the rendering.
        if (!chunks_.empty()) chunks_.back().used = chunkSize - left_;
        for (const Chunk& chunk : chunks_) {
            if (spareChunks_.size() < maxSpareChunks) {
                clear(chunk.memory, chunk.used);
                spareChunks_.push_back(chunk.memory);
            } else {
                std::free(chunk.memory);
            }
        }
        // So does the largest large block, mostly the output buffer of the last
        // render: the next render grows its buffer into it without copying.
        for (Header* block : large_) {
            if (block->size <= maxSpareLarge && (!spareLarge_.block || block->size > spareLarge_.block->size)) {
                std::swap(block, spareLarge_.block);
            }
            std::free(block);
        }
        chunks_.clear();
        large_.clear();
        if (spareLists_.chunks.capacity() < chunks_.capacity()) chunks_.swap(spareLists_.chunks);
        if (spareLists_.large.capacity() < large_.capacity()) large_.swap(spareLists_.large);
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
    struct Chunk {
        char* memory;
        std::size_t used;
    };
    static constexpr std::size_t notLarge = std::numeric_limits<std::size_t>::max();
    static constexpr std::size_t chunkSize = 256 * 1024;
    static constexpr std::size_t largeSize = 8 * 1024;
    static constexpr std::size_t maxSpareChunks = 64;  // 16 MB, a 4,000-row table's tree
    static constexpr std::size_t maxSpareLarge = 16 * 1024 * 1024;

    static std::size_t rounded(std::size_t size)
    {
        if (size > std::numeric_limits<std::size_t>::max() / 2) std::abort();
        return (std::max<std::size_t>(size, 1) + 15) & ~std::size_t(15);
    }

    static Header* headerOf(void* block) { return static_cast<Header*>(block) - 1; }

    // Clears in pieces small enough for the C library's vector loop: larger ones
    // go to string instructions that are no faster here.
    static void clear(char* memory, std::size_t size)
    {
        constexpr std::size_t piece = 2048;
        for (; size > piece; memory += piece, size -= piece) std::memset(memory, 0, piece);
        std::memset(memory, 0, size);
    }

    // A block of `size` bytes, cleared if it is small. The usual case, a small
    // block from the current chunk, stays short enough to be inlined.
    void* take(std::size_t size)
    {
        size = rounded(size);
        if (size >= largeSize || sizeof(Header) + size > left_) return takeSlowly(size);
        auto* header = reinterpret_cast<Header*>(next_);
        header->size = size;
        header->largeIndex = notLarge;
        next_ += sizeof(Header) + size;
        left_ -= sizeof(Header) + size;
        return header + 1;
    }

    // A large block of its own (not cleared), or a small one from a new chunk.
    [[gnu::noinline]] void* takeSlowly(std::size_t size)
    {
        if (size >= largeSize) {
            Header* header = nullptr;
            if (spareLarge_.block && spareLarge_.block->size >= size) {
                header = std::exchange(spareLarge_.block, nullptr);
            } else {
                header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
                if (!header) std::abort();  // as the library's own allocator does
                header->size = size;
            }
            header->largeIndex = large_.size();
            large_.push_back(header);
            return header + 1;
        }
        char* chunk = nullptr;
        if (spareChunks_.empty()) {
            chunk = static_cast<char*>(std::calloc(1, chunkSize));
            if (!chunk) std::abort();
        } else {
            chunk = static_cast<char*>(spareChunks_.back());
            spareChunks_.pop_back();
        }
        if (!chunks_.empty()) chunks_.back().used = chunkSize - left_;
        chunks_.push_back({chunk, 0});
        next_ = chunk;
        left_ = chunkSize;
        return take(size);
    }

    void* resize(void* block, std::size_t size)
    {
        if (!block) return take(size);
        Header* header = headerOf(block);
        size = rounded(size);
        if (size <= header->size) return block;
        if (header->largeIndex != notLarge) {
            if (spareLarge_.block && spareLarge_.block->size >= size) {
                // The spare block from an earlier tree is large enough.
                Header* spare = std::exchange(spareLarge_.block, nullptr);
                std::memcpy(spare + 1, block, header->size);
                spare->largeIndex = header->largeIndex;
                large_[header->largeIndex] = spare;
                std::free(header);
                return spare + 1;
            }
            auto* moved = static_cast<Header*>(std::realloc(header, sizeof(Header) + size));
            if (!moved) std::abort();
            moved->size = size;
            large_[moved->largeIndex] = moved;
            return moved + 1;
        }
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

    // The library's calloc: called once per node and per text, so the usual case,
    // a small block from the current chunk, is kept to a few instructions.
    static void* allocate(std::size_t count, std::size_t size)
    {
        std::size_t bytes = 0;
        if (__builtin_mul_overflow(count, size, &bytes)) std::abort();
        NodeArena* arena = current_;
        if (bytes < largeSize) {
            const std::size_t taken = sizeof(Header) + ((bytes + 15) & ~std::size_t(15));
            if (taken <= arena->left_) {
                auto* header = reinterpret_cast<Header*>(arena->next_);
                header->size = taken - sizeof(Header);
                header->largeIndex = notLarge;
                arena->next_ += taken;
                arena->left_ -= taken;
                return header + 1;
            }
        }
        // A block rounded up to the large size has memory of its own, not cleared.
        void* block = arena->take(bytes);
        if (headerOf(block)->largeIndex != notLarge) std::memset(block, 0, bytes);
        return block;
    }

    static void* reallocate(void* block, std::size_t size) { return current_->resize(block, size); }

    // Frees nothing but the newest small block, which the chunk takes back: the
    // library's renderers make and drop temporary blocks as they go, and those
    // would otherwise pile up for as long as the tree lives.
    static void release(void* block)
    {
        if (block) current_->giveBack(block);
    }

    void giveBack(void* block)
    {
        Header* header = headerOf(block);
        if (header->largeIndex != notLarge || static_cast<char*>(block) + header->size != next_) return;
        const std::size_t taken = sizeof(Header) + header->size;
        std::memset(header, 0, taken);  // what lies beyond next_ is kept cleared
        next_ -= taken;
        left_ += taken;
    }

    // Freed with the thread.
    struct SpareLists {
        std::vector<Chunk> chunks;
        std::vector<Header*> large;
    };
    struct SpareLarge {
        Header* block = nullptr;
        ~SpareLarge() { std::free(block); }
    };
    struct SpareChunks : std::vector<void*> {
        ~SpareChunks()
        {
            for (void* chunk : *this) std::free(chunk);
        }
    };

    static thread_local NodeArena* current_;
    static thread_local SpareChunks spareChunks_;
    static thread_local SpareLarge spareLarge_;
    static thread_local SpareLists spareLists_;
    NodeArena* previous_;
    std::vector<Chunk> chunks_;
    std::vector<Header*> large_;
    char* next_ = nullptr;
    std::size_t left_ = 0;
    cmark_mem allocator_{allocate, reallocate, release};
};

thread_local NodeArena* NodeArena::current_ = nullptr;
thread_local NodeArena::SpareChunks NodeArena::spareChunks_;
thread_local NodeArena::SpareLarge NodeArena::spareLarge_;
thread_local NodeArena::SpareLists NodeArena::spareLists_;

// Builds a library tree from the model. A node that cannot be built is left out
// with everything under it. The values handed to the library are kept within
// what it accepts: heading levels 1 to 6, list starts 0 and up, and exactly one
// cell per column in every table row.
//
// Every node is filled before it is appended to its parent: the library checks
// on each append that the child is none of the parent's ancestors, and a node
// not yet in the tree has few of them.
class TreeBuilder {
public:
    TreeBuilder(const CMarkLibrary& library, cmark_mem* allocator) : library_(library), allocator_(allocator) {}

    void appendBlocks(cmark_node* parent, const std::vector<BlockNode>& blocks, int depth)
    {
        if (depth > maxNestingDepth) return;
        for (const BlockNode& block : blocks) appendBlock(parent, block, depth);
    }

private:
    // Appends `child` to `parent`; null when `child` is null or refused.
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

    cmark_node* make(cmark_node_type type) { return cmark_node_new_with_mem(type, allocator_); }

    cmark_node* make(cmark_node_type type, cmark_syntax_extension* extension)
    {
        return cmark_node_new_with_mem_and_ext(type, allocator_, extension);
    }

    void appendBlock(cmark_node* parent, const BlockNode& block, int depth)
    {
        std::visit([&](const auto& v) { append(parent, build(v, depth)); }, block.value());
    }

    cmark_node* build(const BlockNode::Blockquote& v, int depth)
    {
        cmark_node* node = make(CMARK_NODE_BLOCK_QUOTE);
        if (node) appendBlocks(node, v.children, depth + 1);
        return node;
    }

    cmark_node* makeList(cmark_list_type type, bool isTight)
    {
        cmark_node* node = make(CMARK_NODE_LIST);
        if (node) {
            cmark_node_set_list_type(node, type);
            cmark_node_set_list_tight(node, isTight ? 1 : 0);
        }
        return node;
    }

    void appendItems(cmark_node* list, const std::vector<RawListItem>& items, int depth)
    {
        for (const RawListItem& item : items) {
            cmark_node* node = make(CMARK_NODE_ITEM);
            if (node) appendBlocks(node, item.children, depth + 2);
            append(list, node);
        }
    }

    cmark_node* build(const BlockNode::BulletedList& v, int depth)
    {
        cmark_node* list = makeList(CMARK_BULLET_LIST, v.isTight);
        if (list) appendItems(list, v.items, depth);
        return list;
    }

    cmark_node* build(const BlockNode::NumberedList& v, int depth)
    {
        cmark_node* list = makeList(CMARK_ORDERED_LIST, v.isTight);
        if (!list) return nullptr;
        cmark_node_set_list_start(list, static_cast<int>(std::clamp<std::int64_t>(v.start, 0, maxListStart)));
        appendItems(list, v.items, depth);
        return list;
    }

    cmark_node* build(const BlockNode::TaskList& v, int depth)
    {
        cmark_node* list = makeList(CMARK_BULLET_LIST, v.isTight);
        if (!list || !library_.tasklist) return list;
        for (const RawTaskListItem& item : v.items) {
            cmark_node* node = make(CMARK_NODE_ITEM, library_.tasklist);
            if (!node) continue;
            cmark_gfm_extensions_set_tasklist_item_checked(node, item.isCompleted);
            appendBlocks(node, item.children, depth + 2);
            append(list, node);
        }
        return list;
    }

    cmark_node* build(const BlockNode::CodeBlock& v, int)
    {
        cmark_node* node = make(CMARK_NODE_CODE_BLOCK);
        if (!node) return nullptr;
        if (v.fenceInfo) cmark_node_set_fence_info(node, v.fenceInfo->c_str());
        cmark_node_set_literal(node, v.content.c_str());
        return node;
    }

    cmark_node* build(const BlockNode::HtmlBlock& v, int)
    {
        return withLiteral(make(CMARK_NODE_HTML_BLOCK), v.content);
    }

    cmark_node* build(const BlockNode::Paragraph& v, int depth)
    {
        cmark_node* node = make(CMARK_NODE_PARAGRAPH);
        if (node) appendInlines(node, v.content, depth + 1);
        return node;
    }

    cmark_node* build(const BlockNode::Heading& v, int depth)
    {
        cmark_node* node = make(CMARK_NODE_HEADING);
        if (!node) return nullptr;
        cmark_node_set_heading_level(node, static_cast<int>(std::clamp<std::int64_t>(v.level, 1, 6)));
        appendInlines(node, v.content, depth + 1);
        return node;
    }

    cmark_node* build(const BlockNode::Table& v, int depth)
    {
        if (!library_.table) return nullptr;
        cmark_node* table = make(library_.tableType, library_.table);
        if (!table) return nullptr;
        const std::size_t columns = std::min<std::size_t>(v.columnAlignments.size(), std::numeric_limits<std::uint16_t>::max());
        auto* letters = static_cast<std::uint8_t*>(allocator_->calloc(std::max<std::size_t>(columns, 1), 1));
        for (std::size_t i = 0; i < columns; ++i) letters[i] = static_cast<std::uint8_t>(rawValue(v.columnAlignments[i]));
        cmark_gfm_extensions_set_table_columns(table, static_cast<std::uint16_t>(columns));
        cmark_gfm_extensions_set_table_alignments(table, static_cast<std::uint16_t>(columns), letters);

        static const RawTableCell emptyCell;
        for (const RawTableRow& row : v.rows) {
            cmark_node* rowNode = make(library_.tableRowType, library_.table);
            if (!rowNode) continue;
            // The library indexes its alignments by cell position: give it exactly
            // one cell per column, padding short rows and dropping surplus cells.
            // A missing cell would shift the ones after it into the wrong column,
            // so a row with one is left out.
            bool complete = true;
            for (std::size_t i = 0; i < columns && complete; ++i) {
                const RawTableCell& cell = i < row.cells.size() ? row.cells[i] : emptyCell;
                cmark_node* cellNode = make(library_.tableCellType, library_.table);
                if (cellNode) appendInlines(cellNode, cell.content, depth + 1);
                complete = append(rowNode, cellNode) != nullptr;
            }
            if (complete) append(table, rowNode);
            else cmark_node_free(rowNode);
        }
        if (cmark_node* header = cmark_node_first_child(table)) cmark_gfm_extensions_set_table_row_is_header(header, 1);
        return table;
    }

    cmark_node* build(const BlockNode::ThematicBreak&, int) { return make(CMARK_NODE_THEMATIC_BREAK); }

    void appendInlines(cmark_node* parent, const std::vector<InlineNode>& inlines, int depth)
    {
        if (depth > maxNestingDepth) return;
        for (const InlineNode& node : inlines) append(parent, build(node, depth));
    }

    cmark_node* build(const InlineNode& inlineNode, int depth)
    {
        switch (inlineNode.kind()) {
        case InlineNode::Kind::text: return withLiteral(make(CMARK_NODE_TEXT), inlineNode.literal());
        case InlineNode::Kind::softBreak: return make(CMARK_NODE_SOFTBREAK);
        case InlineNode::Kind::lineBreak: return make(CMARK_NODE_LINEBREAK);
        case InlineNode::Kind::code: return withLiteral(make(CMARK_NODE_CODE), inlineNode.literal());
        case InlineNode::Kind::html: return withLiteral(make(CMARK_NODE_HTML_INLINE), inlineNode.literal());
        case InlineNode::Kind::emphasis: return withChildren(make(CMARK_NODE_EMPH), inlineNode, depth);
        case InlineNode::Kind::strong: return withChildren(make(CMARK_NODE_STRONG), inlineNode, depth);
        case InlineNode::Kind::strikethrough:
            if (!library_.strikethrough) return nullptr;
            return withChildren(make(library_.strikethroughType, library_.strikethrough), inlineNode, depth);
        case InlineNode::Kind::link: {
            cmark_node* node = make(CMARK_NODE_LINK);
            if (node) cmark_node_set_url(node, inlineNode.as<InlineNode::Link>()->destination.c_str());
            return withChildren(node, inlineNode, depth);
        }
        case InlineNode::Kind::image: {
            cmark_node* node = make(CMARK_NODE_IMAGE);
            if (node) cmark_node_set_url(node, inlineNode.as<InlineNode::Image>()->source.c_str());
            return withChildren(node, inlineNode, depth);
        }
        }
        return nullptr;
    }

    cmark_node* withChildren(cmark_node* node, const InlineNode& inlineNode, int depth)
    {
        if (node) appendInlines(node, inlineNode.children(), depth + 1);
        return node;
    }

    static cmark_node* withLiteral(cmark_node* node, const std::string& literal)
    {
        if (node) cmark_node_set_literal(node, literal.c_str());
        return node;
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
