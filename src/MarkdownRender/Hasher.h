#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace markdown {

// Accumulates a structural hash: values are fed in order and mixed into one
// 64-bit state. The figures are only meant for hash tables within one process.
class Hasher {
public:
    void combine(std::uint64_t value)
    {
        // One round of the splitmix64 finaliser over the state and the value.
        std::uint64_t z = state_ ^ (value + 0x9e3779b97f4a7c15ULL + (state_ << 6) + (state_ >> 2));
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        state_ = z ^ (z >> 31);
    }

    void combineBytes(std::string_view bytes)
    {
        // FNV-1a over the bytes, then mixed in together with the length.
        std::uint64_t h = 0xcbf29ce484222325ULL;
        for (unsigned char c : bytes) {
            h ^= c;
            h *= 0x100000001b3ULL;
        }
        combine(bytes.size());
        combine(h);
    }

    // A floating-point number by its bits; both zeros feed the same.
    void combineNumber(double value) { combine(std::bit_cast<std::uint64_t>(value == 0 ? 0.0 : value)); }

    std::size_t finalize() const { return static_cast<std::size_t>(state_); }

private:
    std::uint64_t state_ = 0x84222325cbf29ce4ULL;
};

// Unicode canonical equivalence of two UTF-8 strings: equal when their NFC forms
// are equal. Byte-identical strings are equal without normalising.
bool canonicallyEqual(std::string_view a, std::string_view b);

// Feeds the NFC form of a UTF-8 string, so canonically equal strings hash equally.
void hashCanonical(Hasher& hasher, std::string_view text);

}  // namespace markdown
