#pragma once

#include <variant>

#include "TimecodeCore/TimecodeComponents.h"
#include "TimecodeCore/TimecodeSources.h"

namespace timecode {

class Timecode;

// The right-hand side of a timecode sum or difference: another timecode, plain
// components, or a source value. It refers to its argument, so it lives only for
// the call it is made for (made implicitly at the call site).
class TimecodeOperand {
public:
    using Ref = std::variant<const Timecode*, const TimecodeComponents*, const TimecodeSourceValue*,
                             const FormattedTimecodeSourceValue*, const RichTimecodeSourceValue*,
                             const GuaranteedTimecodeSourceValue*, const GuaranteedRichTimecodeSourceValue*>;

    TimecodeOperand(const Timecode& value) noexcept : ref_(&value) {}
    TimecodeOperand(const TimecodeComponents& value) noexcept : ref_(&value) {}
    TimecodeOperand(const TimecodeSourceValue& value) noexcept : ref_(&value) {}
    TimecodeOperand(const FormattedTimecodeSourceValue& value) noexcept : ref_(&value) {}
    TimecodeOperand(const RichTimecodeSourceValue& value) noexcept : ref_(&value) {}
    TimecodeOperand(const GuaranteedTimecodeSourceValue& value) noexcept : ref_(&value) {}
    TimecodeOperand(const GuaranteedRichTimecodeSourceValue& value) noexcept : ref_(&value) {}

    const Ref& ref() const noexcept { return ref_; }

private:
    Ref ref_;
};

// The right-hand side of an asynchronous sum or difference: a value produced
// asynchronously. Holds its own copy of the value.
class AsyncTimecodeOperand {
public:
    using Value = std::variant<AsyncTimecodeSourceValue, AsyncRichTimecodeSourceValue>;

    AsyncTimecodeOperand(const AsyncTimecodeSourceValue& value) : value_(value) {}
    AsyncTimecodeOperand(const AsyncRichTimecodeSourceValue& value) : value_(value) {}

    const Value& value() const noexcept { return value_; }

private:
    Value value_;
};

}  // namespace timecode
