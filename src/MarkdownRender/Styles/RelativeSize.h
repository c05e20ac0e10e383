#pragma once

#include "MarkdownRender/Styles/FontProperties.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace markdown {

// A length relative to the font of the current text style: em against the
// drawn size (size × scale), rem against the base size.
struct RelativeSize {
    enum class Unit : std::uint8_t { em, rem };

    double value = 0;
    Unit unit = Unit::rem;

    static constexpr RelativeSize em(double value) { return {value, Unit::em}; }
    static constexpr RelativeSize rem(double value) { return {value, Unit::rem}; }
    static constexpr RelativeSize zero() { return {0, Unit::rem}; }

    // Whole pixels; without font properties the base is 13 at scale 1.
    double resolvedPoints(const std::optional<FontProperties>& font) const;

    friend bool operator==(const RelativeSize&, const RelativeSize&) = default;
};

// The upper-case roman numeral of 1 to 3999; other numbers as decimal text.
std::string romanNumeral(std::int64_t number);

}  // namespace markdown

template <>
struct std::hash<markdown::RelativeSize> {
    std::size_t operator()(const markdown::RelativeSize& size) const;
};
