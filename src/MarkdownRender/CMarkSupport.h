#pragma once

// Shared set-up of the cmark-gfm library for parsing and rendering. Internal to
// this module.

#include <QLoggingCategory>

#include <cmark-gfm.h>
#include <cmark-gfm-extension_api.h>
#include <cmark-gfm-core-extensions.h>

#include <memory>
#include <mutex>
#include <vector>

namespace markdown {
class BlockNode;
}

namespace markdown::detail {

Q_DECLARE_LOGGING_CATEGORY(lcMarkdown)

// Deeper nodes are left out of the model, so that recursion over it stays shallow.
inline constexpr int maxNestingDepth = 200;

// The core extensions and the node types the library assigned to the extension
// nodes. A missing extension is null; a type that could not be read is 0, and
// the extension that owns it is then treated as missing.
struct CMarkLibrary {
    cmark_syntax_extension* autolink = nullptr;
    cmark_syntax_extension* strikethrough = nullptr;
    cmark_syntax_extension* table = nullptr;
    cmark_syntax_extension* tagfilter = nullptr;
    cmark_syntax_extension* tasklist = nullptr;
    cmark_node_type tableType = CMARK_NODE_NONE;
    cmark_node_type tableRowType = CMARK_NODE_NONE;
    cmark_node_type tableCellType = CMARK_NODE_NONE;
    cmark_node_type strikethroughType = CMARK_NODE_NONE;
};

// Registers the core extensions once per process (thread-safe) and returns what
// was found. Registration and lookups happen on the first call only.
const CMarkLibrary& cmarkLibrary();

// The inline parser of this library version keeps the extensions' special
// characters in a table shared by all parsers, added and removed around every
// parse; parses therefore take this lock. Rendering does not need it.
std::mutex& parseMutex();

// Converts the children of a parsed document into the model; what the model has
// no case for is left out, with a warning for nodes of unexpected kinds.
std::vector<BlockNode> convertDocument(cmark_node* document);

struct NodeDeleter {
    void operator()(cmark_node* node) const { cmark_node_free(node); }
};
using NodePtr = std::unique_ptr<cmark_node, NodeDeleter>;

struct ParserDeleter {
    void operator()(cmark_parser* parser) const { cmark_parser_free(parser); }
};
using ParserPtr = std::unique_ptr<cmark_parser, ParserDeleter>;

}  // namespace markdown::detail
