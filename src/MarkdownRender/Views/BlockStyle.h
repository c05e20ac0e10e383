#pragma once

#include "MarkdownRender/MarkdownContent.h"
#include "MarkdownRender/Views/RenderContext.h"

#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace markdown {

struct BlockConfiguration {
    Label label;
    MarkdownContent content;  // the block itself, as a one-block document
};

struct CodeBlockConfiguration {
    std::optional<std::string> language;  // the fence info, unchanged
    std::string content;                  // the code
    Label label;                          // the highlighted code
};

struct ListMarkerConfiguration {
    std::int64_t listLevel = 1;  // 1 for the items of an outermost list
    std::int64_t itemNumber = 1;
};

struct TaskListMarkerConfiguration {
    bool isCompleted = false;
};

struct TableCellConfiguration {
    std::int64_t row = 0;  // 0 is the header row
    std::int64_t column = 0;
    Label label;
    MarkdownContent content;  // one paragraph of the cell's inlines
};

// The configuration of styles that are given nothing (thematic breaks).
struct NoConfiguration {};

// How a theme draws one kind of block: a shared function from the block's
// configuration to what is shown. A default-made style shows the label as it is.
template <class Configuration>
class BlockStyle {
public:
    using Body = std::function<Built(const Configuration&, const RenderContext&)>;

    BlockStyle()
        : body_(std::make_shared<const Body>([](const Configuration& configuration, const RenderContext& context) {
              if constexpr (requires { configuration.label; }) {
                  return configuration.label(context);
              } else {
                  return Built{};
              }
          }))
    {
    }
    explicit BlockStyle(Body body) : body_(std::make_shared<const Body>(std::move(body))) {}
    // A style made from the block's label alone (for a code block, the
    // highlighted code).
    template <class F>
        requires(std::same_as<Configuration, BlockConfiguration> || std::same_as<Configuration, CodeBlockConfiguration>) &&
                std::invocable<const F&, const Label&, const RenderContext&> &&
                (!std::invocable<const F&, const Configuration&, const RenderContext&>)
    explicit BlockStyle(F body)
        : BlockStyle(Body([body = std::move(body)](const Configuration& configuration, const RenderContext& context) {
              return Built(body(configuration.label, context));
          }))
    {
    }
    // A style given nothing (a thematic break's), from a function of the context alone.
    template <class F>
        requires std::same_as<Configuration, NoConfiguration> && std::invocable<const F&, const RenderContext&>
    explicit BlockStyle(F body)
        : BlockStyle(Body([body = std::move(body)](const NoConfiguration&, const RenderContext& context) {
              return Built(body(context));
          }))
    {
    }

    Built makeBody(const Configuration& configuration, const RenderContext& context) const
    {
        return (*body_)(configuration, context);
    }

    // Styles are equal when they share one function.
    friend bool operator==(const BlockStyle& a, const BlockStyle& b) { return a.body_ == b.body_; }

private:
    std::shared_ptr<const Body> body_;
};

// The built-in list and task markers. Each draws one marker at least 1.5 em
// wide, set against its trailing edge.
namespace markers {

BlockStyle<ListMarkerConfiguration> decimal();     // "12."
BlockStyle<ListMarkerConfiguration> upperRoman();  // "IV."
BlockStyle<ListMarkerConfiguration> lowerRoman();  // "iv."
BlockStyle<ListMarkerConfiguration> dash();        // "-"
BlockStyle<ListMarkerConfiguration> disc();
BlockStyle<ListMarkerConfiguration> circle();
BlockStyle<ListMarkerConfiguration> square();
// disc, circle, square for levels 1, 2 and 3 or deeper.
BlockStyle<ListMarkerConfiguration> discCircleSquare();

// A filled square with a check mark when completed, an empty square otherwise.
BlockStyle<TaskListMarkerConfiguration> checkmarkSquare();

}  // namespace markers

}  // namespace markdown
