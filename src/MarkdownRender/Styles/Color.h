#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <variant>

namespace markdown {

// The appearance a colour is resolved against.
enum class ColorScheme { light, dark };

// A colour as data: an sRGB value, a pair that follows the colour scheme, or one
// of the named system colours. Turned into a concrete value only when drawn.
class Color {
public:
    // sRGB components and opacity, each from 0 to 1.
    struct Components {
        double red = 0;
        double green = 0;
        double blue = 0;
        double opacity = 0;
        friend bool operator==(const Components&, const Components&) = default;
    };

    // Fully transparent black.
    Color() : value_(Components{}) {}

    static Color sRGB(double red, double green, double blue, double opacity = 1)
    {
        return Color(Components{red, green, blue, opacity});
    }
    // 0xRRGGBBAA: red in the top byte, opacity in the bottom one.
    static Color rgba(std::uint32_t rgba);
    // The light value under the light scheme, the dark value otherwise.
    static Color adaptive(Color light, Color dark);

    static Color clear() { return Color(Named::clear); }
    static Color white() { return Color(Named::white); }
    // The scheme's text colour at half opacity.
    static Color secondary() { return Color(Named::secondary); }

    // The palette of the built-in documentation and repository themes.
    static const Color& documentationText();
    static const Color& documentationLink();
    static const Color& documentationAsideBackground();
    static const Color& documentationAsideBorder();
    static const Color& documentationCodeBackground();
    static const Color& documentationGrid();
    static const Color& repositoryText();
    static const Color& repositorySecondaryText();
    static const Color& repositoryTertiaryText();
    static const Color& repositoryBackground();
    static const Color& repositorySecondaryBackground();
    static const Color& repositoryLink();
    static const Color& repositoryBorder();
    static const Color& repositoryDivider();

    // The text colour of a scheme: black in light, white in dark.
    static Components primaryText(ColorScheme scheme);

    Components resolved(ColorScheme scheme) const;

    std::size_t hashValue() const;
    friend bool operator==(const Color& a, const Color& b);

private:
    enum class Named { clear, white, secondary };
    struct Adaptive {
        std::shared_ptr<const Color> light;
        std::shared_ptr<const Color> dark;
    };

    explicit Color(Components components) : value_(components) {}
    explicit Color(Named named) : value_(named) {}

    std::variant<Components, Adaptive, Named> value_;
};

}  // namespace markdown

template <>
struct std::hash<markdown::Color> {
    std::size_t operator()(const markdown::Color& color) const { return color.hashValue(); }
};
