#pragma once

#include "MarkdownRender/Styles/RelativeSize.h"
#include "MarkdownRender/Styles/TextStyle.h"

#include <variant>

namespace markdown {

// The single-attribute text styles.
//
// The font styles change one field of the font properties already present and
// never create them: without font properties they leave the attributes alone.
// The other styles write their attribute unconditionally; an absent value
// removes it.

// The style in force where nothing else was set: the default font properties.
const AnyTextStyle& defaultTextStyle();

// Sets one field of the font properties present.
template <class Value, auto Field>
struct FontFieldStyle {
    Value value;
    explicit FontFieldStyle(Value value) : value(std::move(value)) {}
    void collectAttributes(TextAttributes& attributes) const
    {
        if (attributes.fontProperties) (*attributes.fontProperties).*Field = value;
    }
};

struct FontFamily : FontFieldStyle<FontProperties::Family, &FontProperties::family> {
    using FontFieldStyle::FontFieldStyle;
};
struct FontFamilyVariant : FontFieldStyle<FontProperties::FamilyVariant, &FontProperties::familyVariant> {
    using FontFieldStyle::FontFieldStyle;
};
struct FontCapsVariant : FontFieldStyle<FontProperties::CapsVariant, &FontProperties::capsVariant> {
    using FontFieldStyle::FontFieldStyle;
};
struct FontDigitVariant : FontFieldStyle<FontProperties::DigitVariant, &FontProperties::digitVariant> {
    using FontFieldStyle::FontFieldStyle;
};
struct FontStyle : FontFieldStyle<FontProperties::Style, &FontProperties::style> {
    using FontFieldStyle::FontFieldStyle;
};
struct FontWeight : FontFieldStyle<FontProperties::Weight, &FontProperties::weight> {
    using FontFieldStyle::FontFieldStyle;
};
// Stores the width even when it is standard.
struct FontWidth : FontFieldStyle<FontProperties::Width, &FontProperties::widthStorage> {
    using FontFieldStyle::FontFieldStyle;
};

// Points set the base size and reset the scale; em multiplies the scale, so
// successive em sizes compound; rem sets the scale, relative to the base size.
struct FontSize {
    using Size = std::variant<double, RelativeSize>;
    Size size;
    explicit FontSize(double points) : size(points) {}
    explicit FontSize(RelativeSize relative) : size(relative) {}
    void collectAttributes(TextAttributes& attributes) const;
};

// Sets one attribute, or removes it when the value is absent.
template <class Value, auto Field>
struct AttributeStyle {
    std::optional<Value> value;
    explicit AttributeStyle(std::optional<Value> value) : value(std::move(value)) {}
    void collectAttributes(TextAttributes& attributes) const { attributes.*Field = value; }
};

struct ForegroundColor : AttributeStyle<Color, &TextAttributes::foregroundColor> {
    using AttributeStyle::AttributeStyle;
};
struct BackgroundColor : AttributeStyle<Color, &TextAttributes::backgroundColor> {
    using AttributeStyle::AttributeStyle;
};
struct StrikethroughStyle : AttributeStyle<LineStyle, &TextAttributes::strikethroughStyle> {
    using AttributeStyle::AttributeStyle;
};
struct UnderlineStyle : AttributeStyle<LineStyle, &TextAttributes::underlineStyle> {
    using AttributeStyle::AttributeStyle;
};
struct TextKerning : AttributeStyle<double, &TextAttributes::kerning> {
    using AttributeStyle::AttributeStyle;
};
struct TextTracking : AttributeStyle<double, &TextAttributes::tracking> {
    using AttributeStyle::AttributeStyle;
};

}  // namespace markdown
