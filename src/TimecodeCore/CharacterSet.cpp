#include "TimecodeCore/CharacterSet.h"

#include <algorithm>

namespace timecode {

std::u32string unicodeScalars(std::string_view utf8) {
    std::u32string scalars;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        int length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : (byte >> 3) == 0x1E ? 4 : 0;
        char32_t scalar = length == 1 ? byte : length == 2 ? (byte & 0x1F) : length == 3 ? (byte & 0x0F) : (byte & 0x07);
        bool valid = length != 0 && i + std::size_t(length) <= utf8.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + std::size_t(k)]);
            valid = (next & 0xC0) == 0x80;
            scalar = (scalar << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not scalars.
        static constexpr char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && scalar >= minimum[length] && scalar <= 0x10FFFF && !(scalar >= 0xD800 && scalar <= 0xDFFF);
        scalars.push_back(valid ? scalar : U'\uFFFD');
        i += valid ? std::size_t(length) : 1;
    }
    return scalars;
}

CharacterSet::CharacterSet(const std::vector<std::string>& strings) {
    for (const std::string& s : strings)
        for (char32_t c : unicodeScalars(s)) scalars_.insert(c);
}

CharacterSet& CharacterSet::operator+=(const CharacterSet& other) {
    scalars_.insert(other.scalars_.begin(), other.scalars_.end());
    return *this;
}

CharacterSet& CharacterSet::operator-=(const CharacterSet& other) {
    for (char32_t c : other.scalars_) scalars_.erase(c);
    return *this;
}

bool containsOnly(std::string_view utf8, const CharacterSet& characterSet) {
    const std::u32string scalars = unicodeScalars(utf8);
    return std::all_of(scalars.begin(), scalars.end(), [&](char32_t c) { return characterSet.contains(c); });
}

}  // namespace timecode
