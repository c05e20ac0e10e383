#include "MarkdownRender/Styles/TextStyles.h"

namespace markdown {

const AnyTextStyle& defaultTextStyle()
{
    static const AnyTextStyle style{FontProperties{}};
    return style;
}

void FontSize::collectAttributes(TextAttributes& attributes) const
{
    if (!attributes.fontProperties) return;
    FontProperties& font = *attributes.fontProperties;
    if (const double* points = std::get_if<double>(&size)) {
        font.size = *points;
        font.scale = 1;
        return;
    }
    const RelativeSize& relative = std::get<RelativeSize>(size);
    font.scale = relative.unit == RelativeSize::Unit::em ? font.scale * relative.value : relative.value;
}

}  // namespace markdown
