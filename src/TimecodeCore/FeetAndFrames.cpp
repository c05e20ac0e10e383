#include "TimecodeCore/FeetAndFrames.h"

#include <charconv>
#include <cstdio>
#include <limits>
#include <optional>

#include "TimecodeCore/Hashing.h"
#include "TimecodeCore/Timecode.h"

namespace timecode {

namespace {

// A run of ASCII digits at `pos` as a base-10 number; advances `pos`. None when
// there is no digit or the number does not fit 64 bits.
std::optional<std::int64_t> readDigits(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
    if (pos == start) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data() + start, text.data() + pos, value);
    if (error != std::errc() || end != text.data() + pos) return std::nullopt;
    return value;
}

std::int64_t saturatingTotalFrames(std::int64_t feet, std::int64_t frames) noexcept {
    const __int128 total = __int128(feet) * FeetAndFrames::framesPerFoot + frames;
    constexpr auto lo = std::numeric_limits<std::int64_t>::min(), hi = std::numeric_limits<std::int64_t>::max();
    return total < lo ? lo : total > hi ? hi : std::int64_t(total);
}

std::string formatted(const char* format, std::int64_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, static_cast<long long>(value));
    return buffer;
}

}  // namespace

FeetAndFrames::FeetAndFrames(std::string_view text, SubFramesBase base) : subFramesBase(base) {
    std::size_t pos = 0;
    const auto feetValue = readDigits(text, pos);
    if (!feetValue || pos >= text.size() || text[pos] != '+') throw StringParseError::malformed();
    ++pos;
    const auto framesValue = readDigits(text, pos);
    if (!framesValue) throw StringParseError::malformed();
    std::optional<std::int64_t> subFramesValue = 0;
    if (pos < text.size()) {
        if (text[pos] != '.') throw StringParseError::malformed();
        ++pos;
        subFramesValue = readDigits(text, pos);
        if (!subFramesValue || pos != text.size()) throw StringParseError::malformed();
    }
    feet = *feetValue;
    frames = *framesValue;
    subFrames = *subFramesValue;
}

TimecodeFrameCount FeetAndFrames::frameCount() const noexcept {
    const std::int64_t total = saturatingTotalFrames(feet, frames);
    const auto value = subFrames == 0 ? TimecodeFrameCount::Value::frames(total)
                                      : TimecodeFrameCount::Value::split(total, subFrames);
    return {value, subFramesBase};
}

std::string FeetAndFrames::stringValue() const { return std::to_string(feet) + "+" + formatted("%02lld", frames); }

std::string FeetAndFrames::stringValueVerbose() const { return stringValue() + "." + formatted("%02lld", subFrames); }

std::size_t FeetAndFrames::hashValue() const noexcept {
    std::size_t seed = 0;
    hashCombine(seed, feet);
    hashCombine(seed, frames);
    hashCombine(seed, subFrames);
    hashCombine(seed, subFramesBase.rawValue());
    return seed;
}

// ---- As a timecode source and a reading of a timecode

TimecodeSourceValue TimecodeSourceValue::feetAndFrames(const FeetAndFrames& value) {
    return frames(value.frameCount());
}

TimecodeSourceValue TimecodeSourceValue::feetAndFrames(std::int64_t feet, std::int64_t frames, std::int64_t subFrames,
                                                       SubFramesBase subFramesBase) {
    return feetAndFrames(FeetAndFrames(feet, frames, subFrames, subFramesBase));
}

TimecodeSourceValue TimecodeSourceValue::feetAndFrames(std::string_view text, SubFramesBase subFramesBase) {
    return feetAndFrames(FeetAndFrames(text, subFramesBase));
}

FeetAndFrames Timecode::feetAndFramesValue() const noexcept {
    const std::int64_t whole = frameCount().wholeFrames();
    return {whole / FeetAndFrames::framesPerFoot, whole % FeetAndFrames::framesPerFoot, subFrames(), subFramesBase()};
}

}  // namespace timecode
