#pragma once

#include <cstdint>
#include <random>

namespace timecode {

// The random engine of the calling thread, seeded once from the system's entropy source.
std::mt19937_64& randomEngine();

// A uniform draw from lower...upper (lower when the bounds are reversed).
std::int64_t randomInRange(std::int64_t lower, std::int64_t upper);

}  // namespace timecode
