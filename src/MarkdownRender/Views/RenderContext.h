#pragma once

#include "MarkdownRender/InlineContent.h"
#include "MarkdownRender/Styles/Color.h"
#include "MarkdownRender/Styles/RelativeSize.h"
#include "MarkdownRender/Styles/TextStyle.h"
#include "MarkdownRender/Views/TableStyles.h"

#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace remoteimage {
class RemoteImageLoader;
}

namespace markdown {

struct Theme;
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
};

}  // namespace markdown
