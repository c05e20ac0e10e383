#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

namespace timecode {

// One option of a timecode's text form. Reached as Timecode::StringFormatOption.
enum class StringFormatOption : std::uint8_t {
    alwaysShowDays,      // days even when zero
    showSubFrames,       // "." and the subframes after the frames
    filenameCompatible,  // ":", ";" and space written as "-"
};

// The case name ("alwaysShowDays", ...), its coded form.
std::string_view caseName(StringFormatOption option) noexcept;
// The option named exactly so (case-sensitive); nullopt otherwise.
std::optional<StringFormatOption> stringFormatOption(std::string_view caseName) noexcept;
// The three options in case order.
const std::vector<StringFormatOption>& allStringFormatOptions();

// A set of text-form options; the empty set is the default format. Reached as
// Timecode::StringFormat.
class StringFormat {
public:
    constexpr StringFormat() noexcept = default;
    constexpr StringFormat(std::initializer_list<StringFormatOption> options) noexcept {
        for (StringFormatOption o : options) insert(o);
    }

    // The empty set.
    static constexpr StringFormat defaultFormat() noexcept { return {}; }
    // The set holding only showSubFrames, shared.
    static const StringFormat& showSubFramesFormat() noexcept;

    constexpr bool contains(StringFormatOption o) const noexcept { return (bits_ & bit(o)) != 0; }
    constexpr void insert(StringFormatOption o) noexcept { bits_ |= bit(o); }
    constexpr void remove(StringFormatOption o) noexcept { bits_ &= std::uint8_t(~bit(o)); }
    constexpr bool isEmpty() const noexcept { return bits_ == 0; }

    constexpr bool alwaysShowDays() const noexcept { return contains(StringFormatOption::alwaysShowDays); }
    constexpr bool showSubFrames() const noexcept { return contains(StringFormatOption::showSubFrames); }
    constexpr bool filenameCompatible() const noexcept { return contains(StringFormatOption::filenameCompatible); }
    constexpr void setAlwaysShowDays(bool on) noexcept { set(StringFormatOption::alwaysShowDays, on); }
    constexpr void setShowSubFrames(bool on) noexcept { set(StringFormatOption::showSubFrames, on); }
    constexpr void setFilenameCompatible(bool on) noexcept { set(StringFormatOption::filenameCompatible, on); }

    friend constexpr bool operator==(const StringFormat&, const StringFormat&) = default;

private:
    static constexpr std::uint8_t bit(StringFormatOption o) noexcept { return std::uint8_t(1u << unsigned(o)); }
    constexpr void set(StringFormatOption o, bool on) noexcept { on ? insert(o) : remove(o); }

    std::uint8_t bits_ = 0;
};

}  // namespace timecode
