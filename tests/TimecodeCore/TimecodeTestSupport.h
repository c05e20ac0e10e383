#pragma once

// Helpers of the timecode tests: readable failure messages for timecode values in
// GoogleTest assertions, and a timecode made from components as they are.
#include <ostream>
#include <string>
#include <string_view>

#include "TimecodeCore/Timecode.h"

namespace timecode {

inline void PrintTo(const TimecodeComponents& c, std::ostream* os) {
    *os << "{d " << c.days << ", " << c.hours << ":" << c.minutes << ":" << c.seconds << ":" << c.frames << "."
        << c.subFrames << "}";
}

inline void PrintTo(const Timecode& t, std::ostream* os) { *os << t.debugDescription(); }

inline void PrintTo(const TimecodeFrameCount::Value& v, std::ostream* os) { *os << v.debugDescription(); }

// The components stored as given (valid or not) at the properties.
inline Timecode makeTimecode(const TimecodeComponents& c, TimecodeFrameRate rate = TimecodeFrameRate::fps24,
                             SubFramesBase base = SubFramesBase::max80SubFrames,
                             UpperLimit limit = UpperLimit::max24Hours,
                             ValidationRule rule = ValidationRule::allowingInvalid) {
    return Timecode(TimecodeSourceValue::components(c), rate, base, limit, rule);
}

// Timecode text read and stored as written (valid or not) at the properties.
inline Timecode timecodeFromText(std::string_view text, TimecodeFrameRate rate = TimecodeFrameRate::fps24,
                                 SubFramesBase base = SubFramesBase::max80SubFrames,
                                 UpperLimit limit = UpperLimit::max24Hours) {
    return Timecode(FormattedTimecodeSourceValue::string(text), rate, base, limit, ValidationRule::allowingInvalid);
}

// The components as text with subframes (days shown when not zero).
inline std::string textWithSubFrames(const Timecode& t) { return t.stringValue({StringFormatOption::showSubFrames}); }

}  // namespace timecode
