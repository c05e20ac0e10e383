#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace timecode {

// A set of Unicode scalar values.
class CharacterSet {
public:
    CharacterSet() = default;
    // Every scalar of every string (UTF-8).
    explicit CharacterSet(const std::vector<std::string>& strings);

    bool contains(char32_t scalar) const { return scalars_.count(scalar) != 0; }
    bool isEmpty() const noexcept { return scalars_.empty(); }

    friend CharacterSet operator+(CharacterSet a, const CharacterSet& b) { return a += b; }
    friend CharacterSet operator-(CharacterSet a, const CharacterSet& b) { return a -= b; }
    CharacterSet& operator+=(const CharacterSet& other);
    CharacterSet& operator-=(const CharacterSet& other);
    friend bool operator==(const CharacterSet&, const CharacterSet&) = default;

private:
    std::set<char32_t> scalars_;
};

// The Unicode scalars of UTF-8 text; a byte that does not start a valid sequence
// reads as U+FFFD.
std::u32string unicodeScalars(std::string_view utf8);

// Every scalar of the text is in the set (true for the empty text).
bool containsOnly(std::string_view utf8, const CharacterSet& characterSet);

}  // namespace timecode
