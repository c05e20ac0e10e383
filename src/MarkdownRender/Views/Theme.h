#pragma once

#include "MarkdownRender/Renderers/InlineRenderers.h"
#include "MarkdownRender/Views/BlockStyle.h"

#include <array>
#include <cstdint>

namespace markdown {

// Everything that decides how a document looks: six text styles for running
// text and a block style for every kind of block. A plain value; copies share
// the style functions. A default-made theme shows every block as its label.
struct Theme {
    AnyTextStyle text;
    AnyTextStyle code;
    AnyTextStyle emphasis;
    AnyTextStyle strong;
    AnyTextStyle strikethrough;
    AnyTextStyle link;
    std::array<BlockStyle<BlockConfiguration>, 6> headings;  // level 1 first
    BlockStyle<BlockConfiguration> paragraph;
    BlockStyle<BlockConfiguration> blockquote;
    BlockStyle<CodeBlockConfiguration> codeBlock;
    BlockStyle<BlockConfiguration> image;
    BlockStyle<BlockConfiguration> list;
    BlockStyle<BlockConfiguration> listItem;
    BlockStyle<TaskListMarkerConfiguration> taskListMarker = markers::checkmarkSquare();
    BlockStyle<ListMarkerConfiguration> bulletedListMarker = markers::discCircleSquare();
    BlockStyle<ListMarkerConfiguration> numberedListMarker = markers::decimal();
    BlockStyle<BlockConfiguration> table;
    BlockStyle<TableCellConfiguration> tableCell;
    BlockStyle<NoConfiguration> thematicBreak;  // a one-pixel divider

    Theme();

    // The style of a heading level; levels outside 1 to 6 take the nearest.
    const BlockStyle<BlockConfiguration>& heading(std::int64_t level) const;
    BlockStyle<BlockConfiguration>& heading(std::int64_t level);

    // The background colour the text style sets, if any.
    std::optional<Color> textBackgroundColor() const;
    InlineTextStyles inlineTextStyles() const { return {code, emphasis, strong, strikethrough, link}; }

    // The built-in themes, each made once.
    static const Theme& basic();
    static const Theme& documentation();
    static const Theme& repository();
};

}  // namespace markdown
