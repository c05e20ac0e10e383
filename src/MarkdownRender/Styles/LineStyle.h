#pragma once

#include "MarkdownRender/Styles/Color.h"

#include <optional>

namespace markdown {

// How an underline or a strike-through line is drawn.
struct LineStyle {
    enum class Pattern : std::uint8_t { solid, dot, dash, dashDot, dashDotDot };

    Pattern pattern = Pattern::solid;
    std::optional<Color> color;  // none: the text's colour

    static LineStyle single() { return {}; }

    friend bool operator==(const LineStyle&, const LineStyle&) = default;
};

}  // namespace markdown
