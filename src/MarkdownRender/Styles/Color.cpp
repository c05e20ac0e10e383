#include "MarkdownRender/Styles/Color.h"

#include "MarkdownRender/Hasher.h"


namespace markdown {

Color Color::rgba(std::uint32_t rgba)
{
    const auto byte = [rgba](int shift) { return static_cast<double>((rgba >> shift) & 0xFFu) / 255.0; };
    return sRGB(byte(24), byte(16), byte(8), byte(0));
}

Color Color::adaptive(Color light, Color dark)
{
    Color color;
    color.value_ = Adaptive{std::make_shared<const Color>(std::move(light)), std::make_shared<const Color>(std::move(dark))};
    return color;
}

Color::Components Color::primaryText(ColorScheme scheme)
{
    return scheme == ColorScheme::light ? Components{0, 0, 0, 1} : Components{1, 1, 1, 1};
}

Color::Components Color::resolved(ColorScheme scheme) const
{
    if (const auto* components = std::get_if<Components>(&value_)) return *components;
    if (const auto* adaptive = std::get_if<Adaptive>(&value_))
        return (scheme == ColorScheme::light ? adaptive->light : adaptive->dark)->resolved(scheme);
    switch (std::get<Named>(value_)) {
    case Named::clear: return Components{};
    case Named::white: return Components{1, 1, 1, 1};
    case Named::secondary: {
        Components text = primaryText(scheme);
        text.opacity *= 0.5;
        return text;
    }
    }
    return Components{};
}

bool operator==(const Color& a, const Color& b)
{
    if (a.value_.index() != b.value_.index()) return false;
    if (const auto* left = std::get_if<Color::Adaptive>(&a.value_)) {
        const auto& right = std::get<Color::Adaptive>(b.value_);
        return *left->light == *right.light && *left->dark == *right.dark;
    }
    if (const auto* left = std::get_if<Color::Components>(&a.value_)) return *left == std::get<Color::Components>(b.value_);
    return std::get<Color::Named>(a.value_) == std::get<Color::Named>(b.value_);
}

std::size_t Color::hashValue() const
{
    Hasher hasher;
    hasher.combine(value_.index());
    if (const auto* components = std::get_if<Components>(&value_)) {
        for (double part : {components->red, components->green, components->blue, components->opacity})
            hasher.combineNumber(part);
    } else if (const auto* adaptive = std::get_if<Adaptive>(&value_)) {
        hasher.combine(adaptive->light->hashValue());
        hasher.combine(adaptive->dark->hashValue());
    } else {
        hasher.combine(static_cast<std::uint64_t>(std::get<Named>(value_)));
    }
    return hasher.finalize();
}

#define MARKDOWN_PALETTE_COLOR(name, light, dark)                      \
    const Color& Color::name()                                         \
    {                                                                  \
        static const Color color = adaptive(light, rgba(dark));        \
        return color;                                                  \
    }

MARKDOWN_PALETTE_COLOR(documentationText, rgba(0x1D1D1FFF), 0xF5F5F7FF)
MARKDOWN_PALETTE_COLOR(documentationLink, rgba(0x0066CCFF), 0x2997FFFF)
MARKDOWN_PALETTE_COLOR(documentationAsideBackground, rgba(0xF5F5F7FF), 0x323232FF)
MARKDOWN_PALETTE_COLOR(documentationAsideBorder, rgba(0x696969FF), 0x9A9A9EFF)
MARKDOWN_PALETTE_COLOR(documentationCodeBackground, rgba(0xF5F5F7FF), 0x333336FF)
MARKDOWN_PALETTE_COLOR(documentationGrid, rgba(0xD2D2D7FF), 0x424245FF)
MARKDOWN_PALETTE_COLOR(repositoryText, rgba(0x060606FF), 0xFBFBFCFF)
MARKDOWN_PALETTE_COLOR(repositorySecondaryText, rgba(0x6B6E7BFF), 0x9294A0FF)
MARKDOWN_PALETTE_COLOR(repositoryTertiaryText, rgba(0x6B6E7BFF), 0x6D707DFF)
MARKDOWN_PALETTE_COLOR(repositoryBackground, white(), 0x18191DFF)
MARKDOWN_PALETTE_COLOR(repositorySecondaryBackground, rgba(0xF7F7F9FF), 0x25262AFF)
MARKDOWN_PALETTE_COLOR(repositoryLink, rgba(0x2C65CFFF), 0x4C8EF8FF)
MARKDOWN_PALETTE_COLOR(repositoryBorder, rgba(0xE4E4E8FF), 0x42444EFF)
MARKDOWN_PALETTE_COLOR(repositoryDivider, rgba(0xD0D0D3FF), 0x333438FF)

#undef MARKDOWN_PALETTE_COLOR

}  // namespace markdown
