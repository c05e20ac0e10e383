#pragma once

// What one component of the entry field holds while it is edited, and the key
// handling that changes it. Plain C++.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "TimecodeCore/Timecode.h"
#include "TimecodeUI/model/FieldTypes.h"

namespace timecode::field {

// The digits a component shows and takes: 2 for days to seconds; frames 3 from
// 119.88 up, else 2; subframes 2, or 1 for quarter frames.
int digitCapacity(TimecodeComponent component, const TimecodeProperties& properties) noexcept;

// The valid values of a component of a zero timecode at the properties (so the
// lowest frame is 0 at drop rates too).
ClosedRange<std::int64_t> zeroTimecodeValidRange(TimecodeComponent component,
                                                 const TimecodeProperties& properties) noexcept;

// The components a field with this format and upper limit does not show.
TimecodeComponentSet hiddenComponents(const StringFormat& format, UpperLimit limit);

// A timecode holding exactly these components and properties, in range or not.
Timecode timecodeOf(const TimecodeComponents& components, const TimecodeProperties& properties) noexcept;

// Same components and same properties (not Timecode's ==, which compares real time).
bool sameTimecode(const Timecode& a, const Timecode& b) noexcept;

// Decimal text read as a 64-bit integer with an optional leading "-"; none when it
// is empty, holds anything else or does not fit.
std::optional<std::int64_t> readDecimal(std::string_view text) noexcept;

// The typing state of one component.
class ComponentStateModel {
public:
    ComponentStateModel(TimecodeComponent component, const TimecodeProperties& properties, std::int64_t value);

    TimecodeComponent component() const noexcept { return component_; }

    const TimecodeProperties& timecodeProperties() const noexcept { return properties_; }
    void setTimecodeProperties(const TimecodeProperties& properties);

    std::int64_t value() const noexcept { return value_; }
    // Stores the value; observers hear of it only when it changed.
    void setValue(std::int64_t value);

    // The digits typed since the component last became virgin.
    const std::string& textInput() const noexcept { return textInput_; }

    // True while the next digit starts a fresh entry. Becoming virgin empties the text.
    bool isVirgin() const noexcept { return isVirgin_; }
    void setVirgin(bool virgin);

    // Value 0 and no text; the virgin flag stays.
    void reset();

    ClosedRange<std::int64_t> validRange() const noexcept { return zeroTimecodeValidRange(component_, properties_); }
    int digitCapacity() const noexcept { return field::digitCapacity(component_, properties_); }
    // The value zero-filled to the digit capacity; longer values whole.
    std::string displayText() const;

    // Applies one key under the input style and validation policy.
    KeyResult keyResult(KeyEquivalent key, InputStyle style, ValidationPolicy policy);

    // Called with the new value when it changes.
    std::function<void(std::int64_t)> valueChanged;
    // Called after any change that alters what the component shows.
    std::function<void()> changed;

private:
    KeyResult digitEntry(char digit, InputStyle style, ValidationPolicy policy);
    void notifyChanged() const {
        if (changed) changed();
    }

    TimecodeComponent component_;
    TimecodeProperties properties_;
    std::int64_t value_;
    std::string textInput_;
    bool isVirgin_ = true;
};

// Which component the view edits and the properties its focus moves under.
class ComponentViewModel {
public:
    ComponentViewModel(TimecodeComponent component, const TimecodeProperties& properties)
        : component_(component), properties_(properties) {}

    TimecodeComponent component() const noexcept { return component_; }
    const TimecodeProperties& timecodeProperties() const noexcept { return properties_; }
    void setTimecodeProperties(const TimecodeProperties& properties) { properties_ = properties; }

    TimecodeComponentSet hiddenComponents(const StringFormat& format) const {
        return field::hiddenComponents(format, properties_.upperLimit);
    }

private:
    TimecodeComponent component_;
    TimecodeProperties properties_;
};

// Whether a pasted timecode may replace the field's value, and with which
// properties: the timecode to apply, or none when the paste is refused.
std::optional<Timecode> validatePaste(const Timecode& pasted, const TimecodeProperties& local, PastePolicy pastePolicy,
                                      ValidationPolicy validationPolicy, InputStyle inputStyle);

}  // namespace timecode::field
