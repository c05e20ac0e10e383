#include "TimecodeUI/model/ComponentModel.h"

#include <limits>

namespace timecode::field {

int digitCapacity(TimecodeComponent component, const TimecodeProperties& properties) noexcept {
    return component.numberOfDigits(properties.frameRate, properties.subFramesBase);
}

ClosedRange<std::int64_t> zeroTimecodeValidRange(TimecodeComponent component,
                                                 const TimecodeProperties& properties) noexcept {
    return TimecodeComponents::zero().validRange(component, properties);
}

TimecodeComponentSet hiddenComponents(const StringFormat& format, UpperLimit limit) {
    TimecodeComponentSet hidden;
    if (!format.alwaysShowDays() && limit == UpperLimit::max24Hours) hidden.insert(TimecodeComponent::days);
    if (!format.showSubFrames()) hidden.insert(TimecodeComponent::subFrames);
    return hidden;
}

Timecode timecodeOf(const TimecodeComponents& components, const TimecodeProperties& properties) noexcept {
    Timecode t;
    t.setComponents(components);
    t.setProperties(properties);
    return t;
}

bool sameTimecode(const Timecode& a, const Timecode& b) noexcept {
    return a.components() == b.components() && a.properties() == b.properties();
}

std::optional<std::int64_t> readDecimal(std::string_view text) noexcept {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    // Accumulate towards the negative side, which holds one more value.
    std::int64_t n = 0;
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const int d = c - '0';
        if (n < (lowest + d) / 10) return std::nullopt;
        n = n * 10 - d;
    }
    if (negative) return n;
    if (n == lowest) return std::nullopt;
    return -n;
}

ComponentStateModel::ComponentStateModel(TimecodeComponent component, const TimecodeProperties& properties,
                                         std::int64_t value)
    : component_(component), properties_(properties), value_(value) {}

void ComponentStateModel::setTimecodeProperties(const TimecodeProperties& properties) {
    if (properties == properties_) return;
    properties_ = properties;
    notifyChanged();
}

void ComponentStateModel::setValue(std::int64_t value) {
    if (value == value_) return;
    value_ = value;
    if (valueChanged) valueChanged(value);
    notifyChanged();
}

void ComponentStateModel::setVirgin(bool virgin) {
    if (virgin) textInput_.clear();
    if (virgin == isVirgin_) return;
    isVirgin_ = virgin;
    notifyChanged();
}

void ComponentStateModel::reset() {
    setValue(0);
    textInput_.clear();
}

std::string ComponentStateModel::displayText() const {
    std::string text = std::to_string(value_);
    const int capacity = digitCapacity();
    if (int(text.size()) < capacity) text.insert(0, std::size_t(capacity - int(text.size())), '0');
    return text;
}

KeyResult ComponentStateModel::keyResult(KeyEquivalent key, InputStyle style, ValidationPolicy policy) {
    using R = KeyResult::Result;
    using F = KeyResult::FocusResult;
    const char32_t c = key.character;
    if (c >= U'0' && c <= U'9') return digitEntry(char(c), style, policy);

    const ClosedRange<std::int64_t> range = validRange();
    constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t least = std::numeric_limits<std::int64_t>::min();
    if (c == U'+' || c == KeyEquivalent::upArrow) {
        // A step past the 64-bit range counts as out of range and wraps like one.
        const bool past = value_ == most || !range.contains(value_ + 1);
        setValue(past ? range.lowerBound : value_ + 1);
        setVirgin(true);
        return {R::handled, {}, {}};
    }
    if (c == U'-' || c == KeyEquivalent::downArrow) {
        const bool past = value_ == least || !range.contains(value_ - 1);
        setValue(past ? range.upperBound : value_ - 1);
        setVirgin(true);
        return {R::handled, {}, {}};
    }
    if (c == KeyEquivalent::deleteBackward || c == U'\x7f') {
        const std::int64_t before = value_;
        if (isVirgin_) {
            reset();
            setVirgin(false);
        } else {
            if (!textInput_.empty()) textInput_.pop_back();
            setValue(textInput_.empty() ? 0 : readDecimal(textInput_).value_or(0));
            notifyChanged();
        }
        return {R::handled, before == 0 ? std::optional(F::focusPreviousComponent) : std::nullopt, {}};
    }
    if (c == KeyEquivalent::deleteForward || c == KeyEquivalent::clear) {
        reset();
        setVirgin(false);
        return {R::handled, {}, {}};
    }
    if (c == KeyEquivalent::leftArrow) return {R::handled, F::focusPreviousComponent, {}};
    if (c == U'.' || c == U':' || c == U';' || c == U',' || c == KeyEquivalent::rightArrow)
        return {R::handled, F::focusNextComponent, {}};
    if (c == KeyEquivalent::escape) return {R::performEscapeAction, {}, {}};
    if (c == KeyEquivalent::returnKey || c == KeyEquivalent::keypadEnter) return {R::performReturnAction, {}, {}};
    return {R::ignored, {}, RejectionReason::undefinedKey};
}

KeyResult ComponentStateModel::digitEntry(char digit, InputStyle style, ValidationPolicy policy) {
    using R = KeyResult::Result;
    const std::string candidate = isVirgin_ ? std::string(1, digit) : std::to_string(value_) + digit;
    std::optional<std::int64_t> n = readDecimal(candidate);
    if (!n) {
        setVirgin(false);
        return {R::ignored, {}, {}};
    }
    std::string text = textInput_ + digit;
    const int capacity = digitCapacity();
    const bool enforce = policy == ValidationPolicy::enforceValid;
    const KeyResult rejected{R::handled, {}, RejectionReason::invalid};

    switch (style) {
    case InputStyle::autoAdvance: {
        if (enforce && !validRange().contains(*n)) {
            setVirgin(false);
            return rejected;
        }
        if (int(text.size()) > capacity) {
            setVirgin(false);
            return {R::handled, KeyResult::FocusResult::focusNextComponent, {}};
        }
        const bool full = int(text.size()) == capacity;
        setValue(*n);
        textInput_ = text;
        setVirgin(false);
        notifyChanged();
        return {R::handled, full ? std::optional(KeyResult::FocusResult::focusNextComponent) : std::nullopt, {}};
    }
    case InputStyle::continuousWithinComponent: {
        if (numberOfDigits(*n) > capacity) {
            const std::string digits = std::to_string(*n);
            n = readDecimal(digits.substr(digits.size() - std::size_t(capacity)));
            if (!n) {
                setVirgin(false);
                return {R::handled, {}, {}};
            }
        }
        if (int(text.size()) > capacity) text.erase(0, text.size() - std::size_t(capacity));
        break;
    }
    case InputStyle::unbounded: break;
    }
    if (enforce && !validRange().contains(*n)) {
        setVirgin(false);
        return rejected;
    }
    setValue(*n);
    textInput_ = text;
    setVirgin(false);
    notifyChanged();
    return {R::handled, {}, {}};
}

std::optional<Timecode> validatePaste(const Timecode& pasted, const TimecodeProperties& local, PastePolicy pastePolicy,
                                      ValidationPolicy validationPolicy, InputStyle inputStyle) {
    const bool enforce = validationPolicy == ValidationPolicy::enforceValid;
    const TimecodeComponents& components = pasted.components();
    TimecodeProperties candidate = local;
    switch (pastePolicy) {
    case PastePolicy::preserveLocalProperties:
        if (pasted.frameRate() != local.frameRate) return std::nullopt;
        // Enforced: checked and kept at the local rate with the pasted base and limit.
        if (enforce) candidate = TimecodeProperties(local.frameRate, pasted.subFramesBase(), pasted.upperLimit());
        break;
    case PastePolicy::allowNewProperties: candidate = pasted.properties(); break;
    case PastePolicy::discardProperties: break;
    }
    if (enforce && !components.isValid(candidate)) return std::nullopt;
    const TimecodeProperties& digitsAt = pastePolicy == PastePolicy::allowNewProperties ? candidate : local;
    if (inputStyle != InputStyle::unbounded &&
        !components.isWithinValidDigitCounts(digitsAt.frameRate, digitsAt.subFramesBase))
        return std::nullopt;
    return timecodeOf(components, candidate);
}

}  // namespace timecode::field
