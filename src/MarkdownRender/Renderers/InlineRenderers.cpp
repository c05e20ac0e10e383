#include "MarkdownRender/Renderers/InlineRenderers.h"

#include "MarkdownRender/HTMLTag.h"

#include <QRegularExpression>

namespace markdown {

namespace {

bool isHTMLLineBreak(const std::string& html)
{
    const std::optional<HTMLTag> tag = HTMLTag::from(html);
    return tag && tag->name == "br";
}

template <TextStyle S>
TextAttributes withStyle(TextAttributes attributes, const S& style)
{
    applyTextStyle(style, attributes);
    return attributes;
}

}  // namespace

std::string removingLeadingWhitespace(const std::string& text)
{
    if (text.empty()) return text;
    const unsigned char first = static_cast<unsigned char>(text.front());
    if (first < 0x80 && std::string_view(" \t\n\v\f\r").find(static_cast<char>(first)) == std::string_view::npos)
        return text;
    static const QRegularExpression leadingWhitespace(QStringLiteral("^\\s+"),
                                                      QRegularExpression::UseUnicodePropertiesOption);
    return QString::fromStdString(text).remove(leadingWhitespace).toStdString();
}

std::optional<QUrl> linkURL(const std::string& destination, const std::optional<QUrl>& baseURL)
{
    if (destination.empty()) return std::nullopt;
    const QUrl url(QString::fromStdString(destination), QUrl::StrictMode);
    if (!url.isValid()) return std::nullopt;
    return baseURL ? baseURL->resolved(url) : url;
}

AttributedStringInlineRenderer::AttributedStringInlineRenderer(const std::optional<QUrl>& baseURL,
                                                               const InlineTextStyles& textStyles,
                                                               SoftBreak::Mode softBreakMode, TextAttributes attributes)
    : attributes(std::move(attributes)), baseURL_(baseURL), textStyles_(textStyles), softBreakMode_(softBreakMode)
{
}

void AttributedStringInlineRenderer::render(const InlineNode& inline_)
{
    switch (inline_.kind()) {
    case InlineNode::Kind::text:
        renderText(inline_.literal());
        break;
    case InlineNode::Kind::code:
        result.append(inline_.literal(), withStyle(attributes, textStyles_.code));
        break;
    case InlineNode::Kind::html:
        if (isHTMLLineBreak(inline_.literal())) {
            result.append("\n", attributes);
            shouldSkipNextWhitespace = true;
        } else {
            renderText(inline_.literal());
        }
        break;
    case InlineNode::Kind::emphasis:
        renderStyled(textStyles_.emphasis, inline_.children());
        break;
    case InlineNode::Kind::strong:
        renderStyled(textStyles_.strong, inline_.children());
        break;
    case InlineNode::Kind::strikethrough:
        renderStyled(textStyles_.strikethrough, inline_.children());
        break;
    case InlineNode::Kind::link:
        renderLink(inline_.as<InlineNode::Link>()->destination, inline_.children());
        break;
    case InlineNode::Kind::image:
        break;
    case InlineNode::Kind::softBreak:
        if (softBreakMode_ == SoftBreak::Mode::lineBreak) {
            result.append("\n", attributes);
        } else if (shouldSkipNextWhitespace) {
            shouldSkipNextWhitespace = false;
        } else {
            result.append(" ", attributes);
        }
        break;
    case InlineNode::Kind::lineBreak:
        result.append("\n", attributes);
        break;
    }
}

void AttributedStringInlineRenderer::renderText(const std::string& text)
{
    if (shouldSkipNextWhitespace) {
        shouldSkipNextWhitespace = false;
        result.append(removingLeadingWhitespace(text), attributes);
    } else {
        result.append(text, attributes);
    }
}

void AttributedStringInlineRenderer::renderStyled(const AnyTextStyle& style, const std::vector<InlineNode>& children)
{
    const TextAttributes saved = attributes;
    applyTextStyle(style, attributes);
    for (const InlineNode& child : children) render(child);
    attributes = saved;
}

void AttributedStringInlineRenderer::renderLink(const std::string& destination, const std::vector<InlineNode>& children)
{
    const TextAttributes saved = attributes;
    applyTextStyle(textStyles_.link, attributes);
    // After the style, so the destination wins over any link the style writes.
    attributes.link = linkURL(destination, baseURL_);
    for (const InlineNode& child : children) render(child);
    attributes = saved;
}

TextInlineRenderer::TextInlineRenderer(const std::optional<QUrl>& baseURL, const InlineTextStyles& textStyles,
                                       const ImageSources& images, SoftBreak::Mode softBreakMode,
                                       const TextAttributes& attributes)
    : baseURL_(baseURL), textStyles_(textStyles), images_(images), softBreakMode_(softBreakMode), attributes_(attributes)
{
}

AttributedStringInlineRenderer TextInlineRenderer::freshRenderer() const
{
    return AttributedStringInlineRenderer(baseURL_, textStyles_, softBreakMode_, attributes_);
}

void TextInlineRenderer::appendPiece(std::string_view text) { result.append(text, attributes_); }

void TextInlineRenderer::render(const std::vector<InlineNode>& inlines)
{
    for (const InlineNode& inline_ : inlines) {
        switch (inline_.kind()) {
        case InlineNode::Kind::text:
            if (shouldSkipNextWhitespace) {
                shouldSkipNextWhitespace = false;
                appendPiece(removingLeadingWhitespace(inline_.literal()));
            } else {
                appendPiece(inline_.literal());
            }
            break;
        case InlineNode::Kind::html:
            renderHTML(inline_.literal());
            break;
        case InlineNode::Kind::image: {
            const std::string& source = inline_.as<InlineNode::Image>()->source;
            if (images_.contains(source)) result.appendImage(source);
            break;
        }
        case InlineNode::Kind::softBreak:
            if (softBreakMode_ == SoftBreak::Mode::lineBreak) {
                shouldSkipNextWhitespace = true;
                appendPiece("\n");
            } else if (shouldSkipNextWhitespace) {
                shouldSkipNextWhitespace = false;
            } else {
                appendPiece(" ");
            }
            break;
        default: {
            AttributedStringInlineRenderer piece = freshRenderer();
            piece.render(inline_);
            result.append(piece.result);
            break;
        }
        }
    }
}

void TextInlineRenderer::renderHTML(const std::string& html)
{
    if (isHTMLLineBreak(html)) {
        appendPiece("\n");
        shouldSkipNextWhitespace = true;
    } else {
        appendPiece(html);
    }
}

StyledText renderText(const std::vector<InlineNode>& inlines, const std::optional<QUrl>& baseURL,
                      const InlineTextStyles& textStyles, const ImageSources& images, SoftBreak::Mode softBreakMode,
                      const TextAttributes& attributes)
{
    TextInlineRenderer renderer(baseURL, textStyles, images, softBreakMode, attributes);
    renderer.render(inlines);
    return std::move(renderer.result);
}

}  // namespace markdown
