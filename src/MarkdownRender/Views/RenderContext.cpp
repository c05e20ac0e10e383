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

namespace {

// The context with a copy of its theme in which one slot holds `value`.
template <class Slot>
RenderContext withSlot(const RenderContext& context, Slot& (Theme::*slot)(), Slot value)
{
    auto theme = std::make_shared<Theme>(context.currentTheme());
    ((*theme).*slot)() = std::move(value);
    RenderContext copy = context;
    copy.theme = std::move(theme);
    return copy;
}

}  // namespace

RenderContext RenderContext::markdownTextStyle(TextSlot slot, AnyTextStyle style) const
{
    return withSlot(*this, slot, std::move(style));
}

RenderContext RenderContext::markdownBlockStyle(BlockSlot<NoConfiguration> slot,
                                                std::function<Built(const RenderContext&)> body) const
{
    return withSlot(*this, slot, BlockStyle<NoConfiguration>(std::move(body)));
}

RenderContext RenderContext::markdownBlockStyle(BlockSlot<BlockConfiguration> slot, BlockBody<BlockConfiguration> body) const
{
    return withSlot(*this, slot, BlockStyle<BlockConfiguration>(std::move(body)));
}

RenderContext RenderContext::markdownBlockStyle(BlockSlot<CodeBlockConfiguration> slot,
                                                BlockBody<CodeBlockConfiguration> body) const
{
    return withSlot(*this, slot, BlockStyle<CodeBlockConfiguration>(std::move(body)));
}

RenderContext RenderContext::markdownBlockStyle(BlockSlot<ListMarkerConfiguration> slot,
                                                BlockBody<ListMarkerConfiguration> body) const
{
    return withSlot(*this, slot, BlockStyle<ListMarkerConfiguration>(std::move(body)));
}

RenderContext RenderContext::markdownBlockStyle(BlockSlot<TaskListMarkerConfiguration> slot,
                                                BlockBody<TaskListMarkerConfiguration> body) const
{
    return withSlot(*this, slot, BlockStyle<TaskListMarkerConfiguration>(std::move(body)));
}

RenderContext RenderContext::markdownBlockStyle(BlockSlot<TableCellConfiguration> slot,
                                                BlockBody<TableCellConfiguration> body) const
{
    return withSlot(*this, slot, BlockStyle<TableCellConfiguration>(std::move(body)));
}

RenderContext RenderContext::markdownBlockStyle(BlockSlot<BlockConfiguration> slot, LabelBody body) const
{
    return withSlot(*this, slot, BlockStyle<BlockConfiguration>(std::move(body)));
}

RenderContext RenderContext::markdownBlockStyle(BlockSlot<CodeBlockConfiguration> slot, LabelBody body) const
{
    return withSlot(*this, slot, BlockStyle<CodeBlockConfiguration>(std::move(body)));
}

RenderContext RenderContext::markdownTaskListMarker(BlockStyle<TaskListMarkerConfiguration> style) const
{
    return withSlot(*this, static_cast<BlockSlot<TaskListMarkerConfiguration>>(&Theme::taskListMarker), std::move(style));
}

RenderContext RenderContext::markdownBulletedListMarker(BlockStyle<ListMarkerConfiguration> style) const
{
    return withSlot(*this, static_cast<BlockSlot<ListMarkerConfiguration>>(&Theme::bulletedListMarker), std::move(style));
}

RenderContext RenderContext::markdownNumberedListMarker(BlockStyle<ListMarkerConfiguration> style) const
{
    return withSlot(*this, static_cast<BlockSlot<ListMarkerConfiguration>>(&Theme::numberedListMarker), std::move(style));
}

}  // namespace markdown
