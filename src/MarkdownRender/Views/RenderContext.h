#pragma once

#include "MarkdownRender/InlineContent.h"
#include "MarkdownRender/Styles/Color.h"
#include "MarkdownRender/Styles/RelativeSize.h"
#include "MarkdownRender/Styles/TextStyle.h"
#include "MarkdownRender/Views/TableStyles.h"

#include <QUrl>

#include <concepts>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

class QWidget;

namespace remoteimage {
class RemoteImageLoader;
}

namespace markdown {

struct Theme;
template <class Configuration>
class BlockStyle;
struct BlockConfiguration;
struct CodeBlockConfiguration;
struct ListMarkerConfiguration;
struct TaskListMarkerConfiguration;
struct TableCellConfiguration;
struct NoConfiguration;
class ImageProvider;
class InlineImageProvider;
class CodeSyntaxHighlighter;

// The larger of two optional lengths; the first when they are equal; none when
// neither is there.
std::optional<double> maxMerge(std::optional<double> a, std::optional<double> b);

// The space a block asks for above and below itself. Neighbouring blocks'
// margins collapse into the larger one.
struct BlockMargin {
    std::optional<double> top;
    std::optional<double> bottom;

    BlockMargin merged(const BlockMargin& other) const
    {
        return {maxMerge(top, other.top), maxMerge(bottom, other.bottom)};
    }
    friend bool operator==(const BlockMargin&, const BlockMargin&) = default;
};

// What a builder hands up: the widget it made (null: nothing to show), the
// margins declared anywhere inside it, and the widest list marker inside it.
struct Built {
    QWidget* widget = nullptr;
    BlockMargin margin{};
    std::optional<double> markerWidth{};

    // Takes over the margins and marker width of `inner`, merged with these.
    Built& absorb(const Built& inner)
    {
        margin = margin.merged(inner.margin);
        markerWidth = maxMerge(markerWidth, inner.markerWidth);
        return *this;
    }
};

struct RenderContext;

// A block as its view would draw it without a style. The style calls it with
// its own context, so what the style sets (text style, line spacing, table
// styles) reaches what the label builds.
using Label = std::function<Built(const RenderContext&)>;

// Receives the address of a clicked link, already resolved.
using LinkOpener = std::function<void(const QUrl&)>;

// Everything a block or inline builder needs to know about where it stands.
// A value passed down the tree; a container copies it with one field changed
// for its children.
struct RenderContext {
    std::shared_ptr<const Theme> theme;
    // The text style in force: inherited styles first, inner ones after them.
    AnyTextStyle textStyle;
    std::optional<QUrl> baseURL;       // links resolve against it
    std::optional<QUrl> imageBaseURL;  // image sources resolve against it
    std::shared_ptr<const ImageProvider> imageProvider;
    std::shared_ptr<const InlineImageProvider> inlineImageProvider;
    std::shared_ptr<const CodeSyntaxHighlighter> codeSyntaxHighlighter;
    SoftBreak::Mode softBreakMode = SoftBreak::Mode::space;
    int listLevel = 0;  // 0 outside any list
    bool tightSpacingEnabled = false;
    TableBorderStyle tableBorderStyle;
    TableBackgroundStyle tableBackgroundStyle = TableBackgroundStyle::clear();
    remoteimage::RemoteImageLoader* imageLoader = nullptr;  // null: the shared loader
    ColorScheme colorScheme = ColorScheme::light;
    double lineSpacing = 0;  // extra pixels between the lines of text
    Qt::Alignment alignment = Qt::AlignLeft;
    LinkOpener openLink;
    bool textSelectable = false;

    // The basic theme, the default text style and providers, the desktop opener.
    static RenderContext defaults();

    const Theme& currentTheme() const;
    TextAttributes attributes() const { return resolve(textStyle); }
    std::optional<FontProperties> font() const { return attributes().fontProperties; }
    // Whole pixels of a relative length at the current text style.
    double points(RelativeSize size) const { return size.resolvedPoints(font()); }
    // The drawn font size of the current text style (13 without font properties).
    double fontSize() const { return points(RelativeSize::em(1)); }

    template <TextStyle S>
    RenderContext appending(S&& style) const
    {
        RenderContext copy = *this;
        copy.textStyle = appendTextStyle(textStyle, std::forward<S>(style));
        return copy;
    }
    RenderContext withLineSpacing(RelativeSize size) const
    {
        RenderContext copy = *this;
        copy.lineSpacing = points(size);
        return copy;
    }

    // One slot of the theme replaced, the others as inherited, for whatever is
    // built with the copy: a container's style that hands it to its label
    // changes that slot for the blocks inside the container only. A slot is
    // named by its accessor, as in `&Theme::code` or `&Theme::heading2`.
    using TextSlot = AnyTextStyle& (Theme::*)();
    template <class Configuration>
    using BlockSlot = BlockStyle<Configuration>& (Theme::*)();
    template <class Configuration>
    using BlockBody = std::function<Built(const Configuration&, const RenderContext&)>;
    using LabelBody = std::function<Built(const Label&, const RenderContext&)>;

    RenderContext markdownTextStyle(TextSlot slot, AnyTextStyle style) const;
    // The function is called once, at once, and what it makes is stored.
    template <class F>
        requires std::invocable<F&> && TextStyle<std::invoke_result_t<F&>>
    RenderContext markdownTextStyle(TextSlot slot, F&& makeStyle) const
    {
        return markdownTextStyle(slot, AnyTextStyle(makeStyle()));
    }

    // The thematic break's style, from a function of the context alone.
    RenderContext markdownBlockStyle(BlockSlot<NoConfiguration> slot, std::function<Built(const RenderContext&)> body) const;
    RenderContext markdownBlockStyle(BlockSlot<BlockConfiguration> slot, BlockBody<BlockConfiguration> body) const;
    RenderContext markdownBlockStyle(BlockSlot<CodeBlockConfiguration> slot, BlockBody<CodeBlockConfiguration> body) const;
    RenderContext markdownBlockStyle(BlockSlot<ListMarkerConfiguration> slot, BlockBody<ListMarkerConfiguration> body) const;
    RenderContext markdownBlockStyle(BlockSlot<TaskListMarkerConfiguration> slot,
                                     BlockBody<TaskListMarkerConfiguration> body) const;
    RenderContext markdownBlockStyle(BlockSlot<TableCellConfiguration> slot, BlockBody<TableCellConfiguration> body) const;
    // Styles made from the block's label alone (for a code block, the highlighted code).
    RenderContext markdownBlockStyle(BlockSlot<BlockConfiguration> slot, LabelBody body) const;
    RenderContext markdownBlockStyle(BlockSlot<CodeBlockConfiguration> slot, LabelBody body) const;

    RenderContext markdownTaskListMarker(BlockStyle<TaskListMarkerConfiguration> style) const;
    RenderContext markdownBulletedListMarker(BlockStyle<ListMarkerConfiguration> style) const;
    RenderContext markdownNumberedListMarker(BlockStyle<ListMarkerConfiguration> style) const;
};

}  // namespace markdown
