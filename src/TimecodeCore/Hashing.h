#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace timecode {

// Folds `value`'s hash into `seed` (order-sensitive).
template <class T>
void hashCombine(std::size_t& seed, const T& value) noexcept {
    seed ^= std::hash<T>{}(value) + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2);
}

inline void hashCombine128(std::size_t& seed, __int128 value) noexcept {
    hashCombine(seed, std::uint64_t(static_cast<unsigned __int128>(value)));
    hashCombine(seed, std::uint64_t(static_cast<unsigned __int128>(value) >> 64));
}

}  // namespace timecode
