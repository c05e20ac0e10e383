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

struct FontFamily {
    FontProperties::Family family;
    explicit FontFamily(FontProperties::Family family) : family(std::move(family)) {}
    void collectAttributes(TextAttributes& attributes) const;
};

struct FontFamilyVariant {
    FontProperties::FamilyVariant familyVariant;
    explicit FontFamilyVariant(FontProperties::FamilyVariant familyVariant) : familyVariant(familyVariant) {}
    void collectAttributes(TextAttributes& attributes) const;
};

struct FontCapsVariant {
    FontProperties::CapsVariant capsVariant;
    explicit FontCapsVariant(FontProperties::CapsVariant capsVariant) : capsVariant(capsVariant) {}
    void collectAttributes(TextAttributes& attributes) const;
};

struct FontDigitVariant {
    FontProperties::DigitVariant digitVariant;
    explicit FontDigitVariant(FontProperties::DigitVariant digitVariant) : digitVariant(digitVariant) {}
    void collectAttributes(TextAttributes& attributes) const;
};

struct FontStyle {
    FontProperties::Style style;
    explicit FontStyle(FontProperties::Style style) : style(style) {}
    void collectAttributes(TextAttributes& attributes) const;
};

struct FontWeight {
    FontProperties::Weight weight;
    explicit FontWeight(FontProperties::Weight weight) : weight(weight) {}
    void collectAttributes(TextAttributes& attributes) const;
};

struct FontWidth {
    FontProperties::Width width;
    explicit FontWidth(FontProperties::Width width) : width(width) {}
    void collectAttributes(TextAttributes& attributes) const;
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

struct ForegroundColor {
    std::optional<Color> foregroundColor;
    explicit ForegroundColor(std::optional<Color> color) : foregroundColor(std::move(color)) {}
    void collectAttributes(TextAttributes& attributes) const { attributes.foregroundColor = foregroundColor; }
};

struct BackgroundColor {
    std::optional<Color> backgroundColor;
    explicit BackgroundColor(std::optional<Color> color) : backgroundColor(std::move(color)) {}
    void collectAttributes(TextAttributes& attributes) const { attributes.backgroundColor = backgroundColor; }
};

struct StrikethroughStyle {
    std::optional<LineStyle> lineStyle;
    explicit StrikethroughStyle(std::optional<LineStyle> lineStyle) : lineStyle(std::move(lineStyle)) {}
    void collectAttributes(TextAttributes& attributes) const { attributes.strikethroughStyle = lineStyle; }
};

struct UnderlineStyle {
    std::optional<LineStyle> lineStyle;
    explicit UnderlineStyle(std::optional<LineStyle> lineStyle) : lineStyle(std::move(lineStyle)) {}
    void collectAttributes(TextAttributes& attributes) const { attributes.underlineStyle = lineStyle; }
};

struct TextKerning {
    std::optional<double> kern;
    explicit TextKerning(std::optional<double> kern) : kern(kern) {}
    void collectAttributes(TextAttributes& attributes) const { attributes.kerning = kern; }
};

struct TextTracking {
    std::optional<double> tracking;
    explicit TextTracking(std::optional<double> tracking) : tracking(tracking) {}
    void collectAttributes(TextAttributes& attributes) const { attributes.tracking = tracking; }
};

}  // namespace markdown
