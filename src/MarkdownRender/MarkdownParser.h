#pragma once

#include "MarkdownRender/BlockNode.h"

#include <optional>
#include <string>
#include <string_view>

namespace markdown {

// Parses GitHub-flavoured Markdown (with the autolink, strikethrough, table,
// tagfilter and tasklist extensions) into blocks. No value only when the library
// returns no document; empty or blank text gives an empty sequence. Invalid UTF-8
// is repaired with U+FFFD first. What the model has no case for is left out, and
// so is content nested deeper than 200 levels. Safe to call from any thread.
std::optional<BlockNodeArray> parseBlockNodeArray(std::string_view markdown);

// The library's text renderers.
enum class CMarkRenderer { commonMark, plainText };

// Rebuilds a library tree from the blocks and renders it as CommonMark or plain
// text, without line wrapping. No value only when the document node cannot be
// created. Safe to call from any thread.
std::optional<std::string> renderCMark(const BlockNodeArray& blocks, CMarkRenderer renderer);

// The same rendered as HTML in the library's safe mode: raw HTML becomes the
// comment "<!-- raw HTML omitted -->" and unsafe link destinations are dropped.
std::optional<std::string> renderHTML(const BlockNodeArray& blocks);

}  // namespace markdown
