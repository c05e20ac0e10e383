#include "MarkdownRender/Styles/RelativeSize.h"

#include "MarkdownRender/Hasher.h"

#include <cmath>

namespace markdown {

double RelativeSize::resolvedPoints(const std::optional<FontProperties>& font) const
{
    const FontProperties& properties = font ? *font : FontProperties{};
    const double base = unit == Unit::rem ? properties.size : properties.scaledSize();
    return std::round(value * base);
}

std::string romanNumeral(std::int64_t number)
{
    if (number < 1 || number > 3999) return std::to_string(number);
    static constexpr struct {
        int value;
        const char* symbol;
    } table[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
                 {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
    std::string numeral;
    for (const auto& entry : table) {
        for (; number >= entry.value; number -= entry.value) numeral += entry.symbol;
    }
    return numeral;
}

}  // namespace markdown

std::size_t std::hash<markdown::RelativeSize>::operator()(const markdown::RelativeSize& size) const
{
    markdown::Hasher hasher;
    hasher.combineNumber(size.value);
    hasher.combine(static_cast<std::uint64_t>(size.unit));
    return hasher.finalize();
}
