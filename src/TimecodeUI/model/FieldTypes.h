#pragma once

// The vocabulary of the timecode entry field: its configuration enumerations,
// the keys it understands, what a key did, and how a rejection is signalled.
// Plain C++; TimecodeField re-exports every type under its own name.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "TimecodeCore/Timecode.h"

namespace timecode::field {

// How digits enter a component.
enum class InputStyle : std::uint8_t { autoAdvance, continuousWithinComponent, unbounded };
// Whether focus moving past either end of the shown components wraps around.
enum class InputWrapping : std::uint8_t { noWrap, wrap };
// What a pasted timecode may change of the field's properties.
enum class PastePolicy : std::uint8_t { preserveLocalProperties, allowNewProperties, discardProperties };
// Whether out-of-range entries and pastes are refused.
enum class ValidationPolicy : std::uint8_t { allowInvalid, enforceValid };
// Why a key was rejected.
enum class RejectionReason : std::uint8_t { invalid, undefinedKey };
enum class RejectionAnimation : std::uint8_t { shake, pulse };

// Raw values equal the case names; fromRawValue is exact (letter case counts).
std::string_view rawValue(InputStyle v) noexcept;
std::string_view rawValue(InputWrapping v) noexcept;
std::string_view rawValue(PastePolicy v) noexcept;
std::string_view rawValue(ValidationPolicy v) noexcept;
std::string_view rawValue(RejectionReason v) noexcept;
std::string_view rawValue(RejectionAnimation v) noexcept;

// Every case in declaration order.
template <class E>
inline const std::vector<E> allCasesOf;
template <>
inline const std::vector<InputStyle> allCasesOf<InputStyle>{InputStyle::autoAdvance,
                                                            InputStyle::continuousWithinComponent, InputStyle::unbounded};
template <>
inline const std::vector<InputWrapping> allCasesOf<InputWrapping>{InputWrapping::noWrap, InputWrapping::wrap};
template <>
inline const std::vector<PastePolicy> allCasesOf<PastePolicy>{
    PastePolicy::preserveLocalProperties, PastePolicy::allowNewProperties, PastePolicy::discardProperties};
template <>
inline const std::vector<ValidationPolicy> allCasesOf<ValidationPolicy>{ValidationPolicy::allowInvalid,
                                                                        ValidationPolicy::enforceValid};
template <>
inline const std::vector<RejectionReason> allCasesOf<RejectionReason>{RejectionReason::invalid,
                                                                      RejectionReason::undefinedKey};
template <>
inline const std::vector<RejectionAnimation> allCasesOf<RejectionAnimation>{RejectionAnimation::shake,
                                                                            RejectionAnimation::pulse};
template <class E>
const std::vector<E>& allCases() {
    return allCasesOf<E>;
}
template <class E>
std::optional<E> fromRawValue(std::string_view raw) {
    for (E e : allCases<E>())
        if (rawValue(e) == raw) return e;
    return std::nullopt;
}

// The action Return or Escape runs.
class FieldAction {
public:
    enum Kind : std::uint8_t { resetComponentFocus, endEditing, focusNextComponent };

    static FieldAction resetFocus(std::optional<TimecodeComponent> component = std::nullopt) {
        return FieldAction(resetComponentFocus, component);
    }
    static FieldAction endEditingAction() { return FieldAction(endEditing, std::nullopt); }
    static FieldAction focusNext() { return FieldAction(focusNextComponent, std::nullopt); }

    Kind kind() const noexcept { return kind_; }
    // Only for resetComponentFocus: the component to focus, none for the first shown.
    std::optional<TimecodeComponent> component() const noexcept { return component_; }

    // "resetComponentFocus", "resetComponentFocus-to-hours", "endEditing", "focusNextComponent".
    std::string rawValue() const;
    std::string id() const { return rawValue(); }
    // endEditing, focusNextComponent, then the reset to each of the six components.
    static const std::vector<FieldAction>& allCases();
    // The first of allCases with this raw value (so the bare reset builds nothing).
    static std::optional<FieldAction> fromRawValue(std::string_view raw);

    friend bool operator==(const FieldAction& a, const FieldAction& b) { return a.rawValue() == b.rawValue(); }

private:
    FieldAction(Kind kind, std::optional<TimecodeComponent> component) : kind_(kind), component_(component) {}
    Kind kind_;
    std::optional<TimecodeComponent> component_;
};

// A key as the field understands it: one character, the named keys among them
// carrying the private-use codes of the classic function keys.
struct KeyEquivalent {
    char32_t character = 0;

    static constexpr char32_t upArrow = 0xF700, downArrow = 0xF701, leftArrow = 0xF702, rightArrow = 0xF703;
    static constexpr char32_t deleteBackward = 0x0008;  // backspace ("delete")
    static constexpr char32_t deleteForward = 0xF728, clear = 0xF739;
    static constexpr char32_t escape = 0x001B, returnKey = 0x000D, keypadEnter = 0x0003;
    static constexpr char32_t tab = 0x0009, space = 0x0020;

    friend constexpr bool operator==(KeyEquivalent, KeyEquivalent) = default;
};

// What a rejected input was.
struct KeyRejected {
    TimecodeComponent component;
    KeyEquivalent key;
    RejectionReason reason;
    friend bool operator==(const KeyRejected&, const KeyRejected&) = default;
};
struct PasteRejected {
    friend bool operator==(const PasteRejected&, const PasteRejected&) = default;
};
using UserAction = std::variant<KeyRejected, PasteRejected>;

// How a rejected key or paste is signalled: a beep, then the animation when one
// is given (both "validation based" kinds alike); or only the host's closure.
class InputRejectionFeedback {
public:
    enum Kind : std::uint8_t { validationBased, validationBasedAndUndefinedKeys, custom };
    using Handler = std::function<void(const UserAction&)>;

    static InputRejectionFeedback validationBasedFeedback(std::optional<RejectionAnimation> animation) {
        return InputRejectionFeedback(validationBased, animation, {});
    }
    static InputRejectionFeedback validationBasedAndUndefinedKeysFeedback(std::optional<RejectionAnimation> animation) {
        return InputRejectionFeedback(validationBasedAndUndefinedKeys, animation, {});
    }
    static InputRejectionFeedback customFeedback(Handler handler) {
        return InputRejectionFeedback(custom, std::nullopt, std::move(handler));
    }

    Kind kind() const noexcept { return kind_; }
    std::optional<RejectionAnimation> animation() const noexcept { return animation_; }
    const Handler& handler() const noexcept { return handler_; }

private:
    InputRejectionFeedback(Kind kind, std::optional<RejectionAnimation> animation, Handler handler)
        : kind_(kind), animation_(animation), handler_(std::move(handler)) {}
    Kind kind_;
    std::optional<RejectionAnimation> animation_;
    Handler handler_;
};

// What one key did to a component.
struct KeyResult {
    enum class Result : std::uint8_t { handled, ignored, performEscapeAction, performReturnAction };
    enum class FocusResult : std::uint8_t { focusPreviousComponent, focusNextComponent };

    Result result = Result::handled;
    std::optional<FocusResult> updateFocus;
    std::optional<RejectionReason> rejection;

    // "<handled focusNextComponent>", "<ignored undefinedKey>".
    std::string description() const;
    std::string debugDescription() const { return "KeyResult" + description(); }
    friend bool operator==(const KeyResult&, const KeyResult&) = default;
};
std::string_view rawValue(KeyResult::Result v) noexcept;
std::string_view rawValue(KeyResult::FocusResult v) noexcept;
template <>
inline const std::vector<KeyResult::Result> allCasesOf<KeyResult::Result>{
    KeyResult::Result::handled, KeyResult::Result::ignored, KeyResult::Result::performEscapeAction,
    KeyResult::Result::performReturnAction};
template <>
inline const std::vector<KeyResult::FocusResult> allCasesOf<KeyResult::FocusResult>{
    KeyResult::FocusResult::focusPreviousComponent, KeyResult::FocusResult::focusNextComponent};

// A decided paste: the timecode to apply, or the rejection to report.
using PasteValidationResult = std::variant<Timecode, UserAction>;

}  // namespace timecode::field
