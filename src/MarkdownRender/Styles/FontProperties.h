#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace markdown {

struct TextAttributes;

// The font of a run of text as plain, comparable data. Text styles change one
// aspect of it at a time; it becomes a real font only when the text is drawn.
// Sizes are logical pixels.
struct FontProperties {
    enum class Design : std::uint8_t { standard, serif, rounded, monospaced };
    enum class FamilyVariant : std::uint8_t { normal, monospaced };
    enum class CapsVariant : std::uint8_t { normal, smallCaps, lowercaseSmallCaps, uppercaseSmallCaps };
    enum class DigitVariant : std::uint8_t { normal, monospaced };
    enum class Style : std::uint8_t { normal, italic };
    // The nine stroke weights, lightest first.
    enum class Weight : std::uint8_t { ultraLight, thin, light, regular, medium, semibold, bold, heavy, black };
    enum class Width : std::uint8_t { compressed, condensed, standard, expanded };

    // Which typeface: the system face in one of its designs, or a font by name.
    struct Family {
        enum class Kind : std::uint8_t { system, custom };
        Kind kind = Kind::system;
        Design design = Design::standard;  // for system
        std::string name;                  // for custom

        static Family system(Design design = Design::standard) { return Family{Kind::system, design, {}}; }
        static Family custom(std::string name) { return Family{Kind::custom, Design::standard, std::move(name)}; }

        friend bool operator==(const Family& a, const Family& b)
        {
            if (a.kind != b.kind) return false;
            return a.kind == Kind::system ? a.design == b.design : a.name == b.name;
        }
    };

    static constexpr double defaultSize = 13;
    static constexpr Weight defaultWeight = Weight::regular;

    Family family;
    FamilyVariant familyVariant = FamilyVariant::normal;
    CapsVariant capsVariant = CapsVariant::normal;
    DigitVariant digitVariant = DigitVariant::normal;
    Style style = Style::normal;
    Weight weight = defaultWeight;
    // Behind width(): a width set to standard is still a set width.
    std::optional<Width> widthStorage;
    double size = defaultSize;
    double scale = 1;

    Width width() const { return widthStorage.value_or(Width::standard); }
    void setWidth(Width width) { widthStorage = width; }

    // size × scale rounded to a whole number, halves away from zero.
    double scaledSize() const;

    // Replaces the container's font properties with this value as a whole.
    void collectAttributes(TextAttributes& attributes) const;

    std::size_t hashValue() const;
    friend bool operator==(const FontProperties&, const FontProperties&) = default;
};

}  // namespace markdown

template <>
struct std::hash<markdown::FontProperties> {
    std::size_t operator()(const markdown::FontProperties& font) const { return font.hashValue(); }
};
