#pragma once

#include <cstdint>

namespace timecode {

// The direction of a signed quantity.
enum class FloatingPointSign : std::uint8_t { plus, minus };

}  // namespace timecode
