#pragma once

#include <exception>

namespace timecode {

// How a value that is not valid for a timecode's properties is handled when it sets
// the timecode. Reached as Timecode::ValidationRule.
enum class ValidationRule {
    clamping,            // moved to the nearer end of the span the properties can express
    clampingComponents,  // each component moved into its own valid range
    wrapping,            // wrapped around the span
    allowingInvalid,     // stored unchanged
};

// A value outside the valid range. Reached as Timecode::ValidationError.
class ValidationError : public std::exception {
public:
    enum class Code { invalid, outOfBounds };

    explicit ValidationError(Code code) noexcept : code_(code) {}
    static ValidationError invalid() noexcept { return ValidationError(Code::invalid); }
    static ValidationError outOfBounds() noexcept { return ValidationError(Code::outOfBounds); }

    Code code() const noexcept { return code_; }
    const char* what() const noexcept override {
        return code_ == Code::invalid ? "Timecode is invalid." : "Timecode is out of bounds.";
    }
    friend bool operator==(const ValidationError& a, const ValidationError& b) noexcept { return a.code_ == b.code_; }

private:
    Code code_;
};

// Text that is not a timecode. Reached as Timecode::StringParseError.
class StringParseError : public std::exception {
public:
    enum class Code { malformed };

    explicit StringParseError(Code code = Code::malformed) noexcept : code_(code) {}
    static StringParseError malformed() noexcept { return StringParseError(Code::malformed); }

    Code code() const noexcept { return code_; }
    const char* what() const noexcept override { return "Timecode text is malformed."; }
    friend bool operator==(const StringParseError& a, const StringParseError& b) noexcept { return a.code_ == b.code_; }

private:
    Code code_;
};

}  // namespace timecode
