#include "MarkdownRender/Views/RenderContext.h"

#include "MarkdownRender/Styles/TextStyles.h"
#include "MarkdownRender/Views/LinkOpener.h"
#include "MarkdownRender/Views/Providers/CodeSyntaxHighlighter.h"
#include "MarkdownRender/Views/Providers/ImageProviders.h"
#include "MarkdownRender/Views/Theme.h"

namespace markdown {

std::optional<double> maxMerge(std::optional<double> a, std::optional<double> b)
{
    if (!a) return b;
    if (!b) return a;
    return *a < *b ? b : a;
}

RenderContext RenderContext::defaults()
{
    static const auto theme = std::make_shared<const Theme>(Theme::basic());
    static const auto imageProvider = std::make_shared<const DefaultImageProvider>();
    static const auto inlineImageProvider = std::make_shared<const DefaultInlineImageProvider>();
    static const auto highlighter = std::make_shared<const PlainTextCodeSyntaxHighlighter>();
    RenderContext context;
    context.theme = theme;
    context.textStyle = defaultTextStyle();
    context.imageProvider = imageProvider;
    context.inlineImageProvider = inlineImageProvider;
    context.codeSyntaxHighlighter = highlighter;
    context.openLink = openLinkOnDesktop;
    return context;
}

const Theme& RenderContext::currentTheme() const { return theme ? *theme : Theme::basic(); }

}  // namespace markdown
