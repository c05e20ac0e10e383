#pragma once

#include "MarkdownRender/Styles/Color.h"
#include "MarkdownRender/Styles/FontProperties.h"
#include "MarkdownRender/Styles/LineStyle.h"

#include <QUrl>

#include <optional>

namespace markdown {

// The attributes a run of text carries. Text styles write into it in order;
// an absent member means the run does not set that attribute.
struct TextAttributes {
    std::optional<FontProperties> fontProperties;
    std::optional<Color> foregroundColor;
    std::optional<Color> backgroundColor;
    std::optional<LineStyle> strikethroughStyle;
    std::optional<LineStyle> underlineStyle;
    std::optional<double> kerning;
    std::optional<double> tracking;
    std::optional<QUrl> link;

    friend bool operator==(const TextAttributes&, const TextAttributes&) = default;
};

}  // namespace markdown
