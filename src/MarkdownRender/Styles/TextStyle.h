#pragma once

#include "MarkdownRender/Styles/TextAttributes.h"

#include <concepts>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace markdown {

// A text style writes its attributes into a TextAttributes. Styles are small
// immutable values; composed styles write their parts in the order written,
// so a later part overrides what an earlier one set.
template <class S>
concept MemberTextStyle = requires(const S& style, TextAttributes& attributes) {
    { style.collectAttributes(attributes) } -> std::same_as<void>;
};

template <class S>
inline constexpr bool isTextStyle = MemberTextStyle<S>;
// An optional style applies the wrapped style when present and nothing otherwise.
template <class S>
inline constexpr bool isTextStyle<std::optional<S>> = isTextStyle<S>;

template <class S>
concept TextStyle = isTextStyle<std::remove_cvref_t<S>>;

template <TextStyle S>
void applyTextStyle(const S& style, TextAttributes& attributes)
{
    if constexpr (MemberTextStyle<S>) {
        style.collectAttributes(attributes);
    } else if (style) {
        applyTextStyle(*style, attributes);
    }
}

// The style that writes nothing.
struct EmptyTextStyle {
    void collectAttributes(TextAttributes&) const {}
};

// Any text style behind one type; shared and immutable, so copies are cheap.
// A default-made one writes nothing.
class AnyTextStyle {
public:
    AnyTextStyle() = default;

    template <TextStyle S>
        requires(!std::same_as<std::remove_cvref_t<S>, AnyTextStyle>)
    AnyTextStyle(S&& style) : model_(std::make_shared<const Model<std::remove_cvref_t<S>>>(std::forward<S>(style)))
    {
    }

    void collectAttributes(TextAttributes& attributes) const
    {
        if (model_) model_->collect(attributes);
    }

private:
    struct Concept {
        virtual ~Concept() = default;
        virtual void collect(TextAttributes& attributes) const = 0;
    };
    template <class S>
    struct Model final : Concept {
        explicit Model(S style) : style(std::move(style)) {}
        void collect(TextAttributes& attributes) const override { applyTextStyle(style, attributes); }
        S style;
    };

    std::shared_ptr<const Concept> model_;
};

// The composition steps behind textStyle() and either().
struct TextStyleBuilder {
    // Applies s0, then s1, to the same attributes.
    template <TextStyle S0, TextStyle S1>
    struct Pair {
        S0 s0;
        S1 s1;
        void collectAttributes(TextAttributes& attributes) const
        {
            applyTextStyle(s0, attributes);
            applyTextStyle(s1, attributes);
        }
    };

    // Holds one of two styles and applies the one it holds.
    template <TextStyle First, TextStyle Second>
    struct Conditional {
        std::variant<First, Second> value;

        static Conditional first(First style) { return Conditional{std::variant<First, Second>(std::in_place_index<0>, std::move(style))}; }
        static Conditional second(Second style) { return Conditional{std::variant<First, Second>(std::in_place_index<1>, std::move(style))}; }

        void collectAttributes(TextAttributes& attributes) const
        {
            std::visit([&attributes](const auto& style) { applyTextStyle(style, attributes); }, value);
        }
    };
};

// textStyle() writes nothing, textStyle(a) is a, and textStyle(a, b, c) is
// Pair(Pair(a, b), c): applied in the order written.
inline EmptyTextStyle textStyle() { return {}; }

template <TextStyle S>
std::remove_cvref_t<S> textStyle(S&& style)
{
    return std::forward<S>(style);
}

template <TextStyle S0, TextStyle S1, TextStyle... Rest>
auto textStyle(S0 s0, S1 s1, Rest... rest)
{
    return textStyle(TextStyleBuilder::Pair<S0, S1>{std::move(s0), std::move(s1)}, std::move(rest)...);
}

// The first style when the condition holds, the second otherwise.
template <TextStyle First, TextStyle Second>
TextStyleBuilder::Conditional<First, Second> either(bool condition, First first, Second second)
{
    using Result = TextStyleBuilder::Conditional<First, Second>;
    return condition ? Result::first(std::move(first)) : Result::second(std::move(second));
}

// The style in force below a point that adds `next` to the inherited one:
// the inherited style applies first, so `next` overrides it where both write.
template <TextStyle S>
AnyTextStyle appendTextStyle(const AnyTextStyle& inherited, S&& next)
{
    return AnyTextStyle(TextStyleBuilder::Pair<AnyTextStyle, AnyTextStyle>{inherited, AnyTextStyle(std::forward<S>(next))});
}

// The attributes a style gives to a run that starts with none.
template <TextStyle S>
TextAttributes resolve(const S& style)
{
    TextAttributes attributes;
    applyTextStyle(style, attributes);
    return attributes;
}

}  // namespace markdown
