#pragma once

#include "MarkdownRender/Renderers/InlineRenderers.h"
#include "MarkdownRender/Views/BlockStyle.h"

#include <array>
#include <concepts>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace markdown {

// A text style, or a function without arguments that makes one.
template <class S>
concept TextStyleSource = TextStyle<S> || (std::invocable<S&> && TextStyle<std::invoke_result_t<S&>>);

// The style itself, or what the function makes, called once, at once.
template <TextStyleSource S>
AnyTextStyle makeTextStyle(S&& source)
{
    if constexpr (TextStyle<S>) {
        return AnyTextStyle(std::forward<S>(source));
    } else {
        return AnyTextStyle(source());
    }
}

// Everything that decides how a document looks: six text styles for running
// text and a block style for every kind of block. A plain value; copies share
// the style functions. A default-made theme shows every block as its label.
//
// Every slot has three accessors of one name: without an argument on a const
// theme it reads the slot, on a mutable theme it gives the slot to assign;
// with an argument it returns a copy of the theme with that slot replaced and
// leaves this theme as it is:
//
//     Theme mine = Theme::basic().code(FontSize(RelativeSize::em(0.9))).heading1(body);
//
// A block slot takes a ready style of its kind, a function of its
// configuration and the context, or (headings, paragraphs, block quotes, code
// blocks, images, lists, list items and tables) a function of the block's
// label and the context; the thematic break takes a function of the context.
struct Theme {
public:
    Theme();

#define MARKDOWN_THEME_SLOT(Type, name, member)                                                                        \
    const Type& name() const { return member; }                                                                         \
    Type& name() { return member; }                                                                                     \
    template <class Source>                                                                                             \
        requires std::constructible_from<Type, Source>                                                                  \
    Theme name(Source&& source) const                                                                                   \
    {                                                                                                                   \
        Theme copy = *this;                                                                                             \
        copy.member = Type(std::forward<Source>(source));                                                               \
        return copy;                                                                                                    \
    }

#define MARKDOWN_THEME_TEXT_SLOT(name)                                                                                 \
    const AnyTextStyle& name() const { return name##_; }                                                                \
    AnyTextStyle& name() { return name##_; }                                                                            \
    template <TextStyleSource Source>                                                                                   \
    Theme name(Source&& source) const                                                                                   \
    {                                                                                                                   \
        Theme copy = *this;                                                                                             \
        copy.name##_ = makeTextStyle(std::forward<Source>(source));                                                     \
        return copy;                                                                                                    \
    }

    MARKDOWN_THEME_TEXT_SLOT(text)
    MARKDOWN_THEME_TEXT_SLOT(code)
    MARKDOWN_THEME_TEXT_SLOT(emphasis)
    MARKDOWN_THEME_TEXT_SLOT(strong)
    MARKDOWN_THEME_TEXT_SLOT(strikethrough)
    MARKDOWN_THEME_TEXT_SLOT(link)

    MARKDOWN_THEME_SLOT(BlockStyle<BlockConfiguration>, heading1, headings_[0])
    MARKDOWN_THEME_SLOT(BlockStyle<BlockConfiguration>, heading2, headings_[1])
    MARKDOWN_THEME_SLOT(BlockStyle<BlockConfiguration>, heading3, headings_[2])
    MARKDOWN_THEME_SLOT(BlockStyle<BlockConfiguration>, heading4, headings_[3])
    MARKDOWN_THEME_SLOT(BlockStyle<BlockConfiguration>, heading5, headings_[4])
    MARKDOWN_THEME_SLOT(BlockStyle<BlockConfiguration>, heading6, headings_[5])
    MARKDOWN_THEME_SLOT(BlockStyle<BlockConfiguration>, paragraph, paragraph_)
    MARKDOWN_THEME_SLOT(BlockStyle<BlockConfiguration>, blockquote, blockquote_)
    MARKDOWN_THEME_SLOT(BlockStyle<CodeBlockConfiguration>, codeBlock, codeBlock_)
    MARKDOWN_THEME_SLOT(BlockStyle<BlockConfiguration>, image, image_)
    MARKDOWN_THEME_SLOT(BlockStyle<BlockConfiguration>, list, list_)
    MARKDOWN_THEME_SLOT(BlockStyle<BlockConfiguration>, listItem, listItem_)
    MARKDOWN_THEME_SLOT(BlockStyle<TaskListMarkerConfiguration>, taskListMarker, taskListMarker_)
    MARKDOWN_THEME_SLOT(BlockStyle<ListMarkerConfiguration>, bulletedListMarker, bulletedListMarker_)
    MARKDOWN_THEME_SLOT(BlockStyle<ListMarkerConfiguration>, numberedListMarker, numberedListMarker_)
    MARKDOWN_THEME_SLOT(BlockStyle<BlockConfiguration>, table, table_)
    MARKDOWN_THEME_SLOT(BlockStyle<TableCellConfiguration>, tableCell, tableCell_)
    MARKDOWN_THEME_SLOT(BlockStyle<NoConfiguration>, thematicBreak, thematicBreak_)  // a one-pixel divider

#undef MARKDOWN_THEME_SLOT
#undef MARKDOWN_THEME_TEXT_SLOT

    // The six heading styles, level 1 first.
    const std::array<BlockStyle<BlockConfiguration>, 6>& headings() const { return headings_; }
    std::array<BlockStyle<BlockConfiguration>, 6>& headings() { return headings_; }
    // The style of a heading level; levels outside 1 to 6 take the nearest.
    const BlockStyle<BlockConfiguration>& heading(std::int64_t level) const;
    BlockStyle<BlockConfiguration>& heading(std::int64_t level);

    // The background colour the text style sets, if any.
    std::optional<Color> textBackgroundColor() const;
    InlineTextStyles inlineTextStyles() const { return {code_, emphasis_, strong_, strikethrough_, link_}; }

    // The built-in themes, each made once.
    static const Theme& basic();
    static const Theme& documentation();
    static const Theme& repository();

private:
    AnyTextStyle text_;
    AnyTextStyle code_;
    AnyTextStyle emphasis_;
    AnyTextStyle strong_;
    AnyTextStyle strikethrough_;
    AnyTextStyle link_;
    std::array<BlockStyle<BlockConfiguration>, 6> headings_;
    BlockStyle<BlockConfiguration> paragraph_;
    BlockStyle<BlockConfiguration> blockquote_;
    BlockStyle<CodeBlockConfiguration> codeBlock_;
    BlockStyle<BlockConfiguration> image_;
    BlockStyle<BlockConfiguration> list_;
    BlockStyle<BlockConfiguration> listItem_;
    BlockStyle<TaskListMarkerConfiguration> taskListMarker_ = markers::checkmarkSquare();
    BlockStyle<ListMarkerConfiguration> bulletedListMarker_ = markers::discCircleSquare();
    BlockStyle<ListMarkerConfiguration> numberedListMarker_ = markers::decimal();
    BlockStyle<BlockConfiguration> table_;
    BlockStyle<TableCellConfiguration> tableCell_;
    BlockStyle<NoConfiguration> thematicBreak_;
};

}  // namespace markdown
