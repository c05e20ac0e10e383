#pragma once

#include "MarkdownRender/InlineContent.h"
#include "MarkdownRender/InlineNode.h"
#include "MarkdownRender/Renderers/StyledText.h"
#include "MarkdownRender/Styles/TextStyle.h"

#include <QUrl>

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace markdown {

// The styles a theme gives to the inline kinds.
struct InlineTextStyles {
    AnyTextStyle code;
    AnyTextStyle emphasis;
    AnyTextStyle strong;
    AnyTextStyle strikethrough;
    AnyTextStyle link;
};

// The sources of the inline images that have been loaded.
using ImageSources = std::unordered_set<std::string>;

// Renders inlines one at a time into styled text. The attributes of a styled
// inline's children are the enclosing ones with its style applied on top; they
// are restored after the children. Images draw nothing here.
class AttributedStringInlineRenderer {
public:
    AttributedStringInlineRenderer(const std::optional<QUrl>& baseURL, const InlineTextStyles& textStyles,
                                   SoftBreak::Mode softBreakMode, TextAttributes attributes);

    void render(const InlineNode& inline_);

    StyledText result;
    TextAttributes attributes;
    // Set by an HTML line break: the next text drops its leading whitespace.
    bool shouldSkipNextWhitespace = false;

private:
    void renderText(const std::string& text);
    void renderStyled(const AnyTextStyle& style, const std::vector<InlineNode>& children);
    void renderLink(const std::string& destination, const std::vector<InlineNode>& children);

    const std::optional<QUrl>& baseURL_;
    const InlineTextStyles& textStyles_;
    SoftBreak::Mode softBreakMode_;
};

// Renders a whole run of inlines. Every piece of text goes through a fresh
// AttributedStringInlineRenderer starting from the base attributes; top-level
// images whose source was loaded become image places.
class TextInlineRenderer {
public:
    TextInlineRenderer(const std::optional<QUrl>& baseURL, const InlineTextStyles& textStyles,
                       const ImageSources& images, SoftBreak::Mode softBreakMode, const TextAttributes& attributes);

    void render(const std::vector<InlineNode>& inlines);
    void renderHTML(const std::string& html);

    StyledText result;
    bool shouldSkipNextWhitespace = false;

private:
    AttributedStringInlineRenderer freshRenderer() const;
    void appendPiece(std::string_view text);

    const std::optional<QUrl>& baseURL_;
    const InlineTextStyles& textStyles_;
    const ImageSources& images_;
    SoftBreak::Mode softBreakMode_;
    const TextAttributes& attributes_;
};

// The styled text of a run of inlines (a paragraph, a heading, a table cell).
// Links resolve against `baseURL`; without one they stay relative.
StyledText renderText(const std::vector<InlineNode>& inlines, const std::optional<QUrl>& baseURL,
                      const InlineTextStyles& textStyles, const ImageSources& images, SoftBreak::Mode softBreakMode,
                      const TextAttributes& attributes);

// `text` without the Unicode whitespace at its very start.
std::string removingLeadingWhitespace(const std::string& text);

// The URL a link destination names, resolved against `baseURL`; none when the
// destination is empty or not a valid URL.
std::optional<QUrl> linkURL(const std::string& destination, const std::optional<QUrl>& baseURL);

}  // namespace markdown
