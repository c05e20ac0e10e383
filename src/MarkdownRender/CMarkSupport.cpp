#include "MarkdownRender/CMarkSupport.h"

#include <dlfcn.h>

namespace markdown::detail {

Q_LOGGING_CATEGORY(lcMarkdown, "vantrel.markdown")

namespace {

// The extension node types are published in variables of the extensions library;
// they are looked up by name among the symbols already loaded into the process.
cmark_node_type extensionNodeType(const char* symbol)
{
    const void* address = dlsym(RTLD_DEFAULT, symbol);
    if (!address) {
        qCWarning(lcMarkdown) << "cmark-gfm does not export" << symbol;
        return CMARK_NODE_NONE;
    }
    return *static_cast<const cmark_node_type*>(address);
}

CMarkLibrary loadLibrary()
{
    cmark_gfm_core_extensions_ensure_registered();
    CMarkLibrary library;
    library.autolink = cmark_find_syntax_extension("autolink");
    library.strikethrough = cmark_find_syntax_extension("strikethrough");
    library.table = cmark_find_syntax_extension("table");
    library.tagfilter = cmark_find_syntax_extension("tagfilter");
    library.tasklist = cmark_find_syntax_extension("tasklist");
    library.tableType = extensionNodeType("CMARK_NODE_TABLE");
    library.tableRowType = extensionNodeType("CMARK_NODE_TABLE_ROW");
    library.tableCellType = extensionNodeType("CMARK_NODE_TABLE_CELL");
    library.strikethroughType = extensionNodeType("CMARK_NODE_STRIKETHROUGH");
    // Building a node with type 0 would make a node the library cannot handle:
    // an extension whose types are unknown counts as missing.
    if (library.tableType == CMARK_NODE_NONE || library.tableRowType == CMARK_NODE_NONE ||
        library.tableCellType == CMARK_NODE_NONE)
        library.table = nullptr;
    if (library.strikethroughType == CMARK_NODE_NONE) library.strikethrough = nullptr;
    return library;
}

}  // namespace

const CMarkLibrary& cmarkLibrary()
{
    static std::once_flag once;
    static CMarkLibrary library;
    std::call_once(once, [] { library = loadLibrary(); });
    return library;
}

std::mutex& parseMutex()
{
    static std::mutex mutex;
    return mutex;
}

}  // namespace markdown::detail
