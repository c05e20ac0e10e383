#include "MarkdownRender/Styles/FontProperties.h"

#include "MarkdownRender/Hasher.h"
#include "MarkdownRender/Styles/TextAttributes.h"

#include <cmath>

namespace markdown {

double FontProperties::scaledSize() const { return std::round(size * scale); }

void FontProperties::collectAttributes(TextAttributes& attributes) const { attributes.fontProperties = *this; }

std::size_t FontProperties::hashValue() const
{
    Hasher hasher;
    hasher.combine(static_cast<std::uint64_t>(family.kind));
    if (family.kind == Family::Kind::system)
        hasher.combine(static_cast<std::uint64_t>(family.design));
    else
        hasher.combineBytes(family.name);
    for (auto part : {static_cast<std::uint8_t>(familyVariant), static_cast<std::uint8_t>(capsVariant),
                      static_cast<std::uint8_t>(digitVariant), static_cast<std::uint8_t>(style),
                      static_cast<std::uint8_t>(weight)})
        hasher.combine(part);
    hasher.combine(widthStorage ? 1 : 0);
    if (widthStorage) hasher.combine(static_cast<std::uint64_t>(*widthStorage));
    hasher.combineNumber(size);
    hasher.combineNumber(scale);
    return hasher.finalize();
}

}  // namespace markdown
