#pragma once

#include <optional>

#include "TimecodeCore/Timecode.h"

// The core operations behind the public arithmetic, shared by the offsets,
// intervals and rounding. Without a rule they use the exact form, which throws
// ValidationError (outOfBounds) for a result out of range or not valid.
namespace timecode::detail {

// The timecode's components at `rate`, converted through real time when its own
// rate differs (throws what the conversion throws).
TimecodeComponents componentsAtRate(const Timecode& timecode, TimecodeFrameRate rate);
// The components an operand contributes to a sum with `receiver`.
TimecodeComponents operandComponents(const Timecode& receiver, const TimecodeOperand& operand);
// receiver + sign × operand, both read at the receiver's rate and base.
TimecodeComponents sum(const Timecode& receiver, const TimecodeComponents& operand, int sign,
                       std::optional<ValidationRule> rule);
// The receiver's total multiplied (or divided) by a number, truncated toward zero.
TimecodeComponents scaled(const Timecode& receiver, double factor, bool dividing, std::optional<ValidationRule> rule);
// The receiver's total over the operand's; throws outOfBounds when it is negative,
// past the last total or undefined.
double ratio(const Timecode& receiver, const TimecodeComponents& operand);

}  // namespace timecode::detail
