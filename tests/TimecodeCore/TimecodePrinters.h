#pragma once

// Readable failure messages for timecode values in GoogleTest assertions.
#include <ostream>

#include "TimecodeCore/Timecode.h"

namespace timecode {

inline void PrintTo(const TimecodeComponents& c, std::ostream* os) {
    *os << "{d " << c.days << ", " << c.hours << ":" << c.minutes << ":" << c.seconds << ":" << c.frames << "."
        << c.subFrames << "}";
}

inline void PrintTo(const Timecode& t, std::ostream* os) { *os << t.debugDescription(); }

inline void PrintTo(const TimecodeFrameCount::Value& v, std::ostream* os) { *os << v.debugDescription(); }

}  // namespace timecode
