#include "MarkdownRender/Styles/TextStyles.h"

namespace markdown {

namespace {

// Changes one field of the font properties present; does nothing without them.
template <class Change>
void changeFont(TextAttributes& attributes, Change&& change)
{
    if (attributes.fontProperties) change(*attributes.fontProperties);
}

}  // namespace

const AnyTextStyle& defaultTextStyle()
{
    static const AnyTextStyle style{FontProperties{}};
    return style;
}

void FontFamily::collectAttributes(TextAttributes& attributes) const
{
    changeFont(attributes, [this](FontProperties& font) { font.family = family; });
}

void FontFamilyVariant::collectAttributes(TextAttributes& attributes) const
{
    changeFont(attributes, [this](FontProperties& font) { font.familyVariant = familyVariant; });
}

void FontCapsVariant::collectAttributes(TextAttributes& attributes) const
{
    changeFont(attributes, [this](FontProperties& font) { font.capsVariant = capsVariant; });
}

void FontDigitVariant::collectAttributes(TextAttributes& attributes) const
{
    changeFont(attributes, [this](FontProperties& font) { font.digitVariant = digitVariant; });
}

void FontStyle::collectAttributes(TextAttributes& attributes) const
{
    changeFont(attributes, [this](FontProperties& font) { font.style = style; });
}

void FontWeight::collectAttributes(TextAttributes& attributes) const
{
    changeFont(attributes, [this](FontProperties& font) { font.weight = weight; });
}

void FontWidth::collectAttributes(TextAttributes& attributes) const
{
    changeFont(attributes, [this](FontProperties& font) { font.setWidth(width); });
}

void FontSize::collectAttributes(TextAttributes& attributes) const
{
    changeFont(attributes, [this](FontProperties& font) {
        if (const double* points = std::get_if<double>(&size)) {
            font.size = *points;
            font.scale = 1;
            return;
        }
        const RelativeSize& relative = std::get<RelativeSize>(size);
        font.scale = relative.unit == RelativeSize::Unit::em ? font.scale * relative.value : relative.value;
    });
}

}  // namespace markdown
