#include "TimecodeUI/model/FieldTypes.h"

namespace timecode::field {

std::string_view rawValue(InputStyle v) noexcept {
    switch (v) {
    case InputStyle::autoAdvance: return "autoAdvance";
    case InputStyle::continuousWithinComponent: return "continuousWithinComponent";
    case InputStyle::unbounded: return "unbounded";
    }
    return {};
}
std::string_view rawValue(InputWrapping v) noexcept { return v == InputWrapping::wrap ? "wrap" : "noWrap"; }
std::string_view rawValue(PastePolicy v) noexcept {
    switch (v) {
    case PastePolicy::preserveLocalProperties: return "preserveLocalProperties";
    case PastePolicy::allowNewProperties: return "allowNewProperties";
    case PastePolicy::discardProperties: return "discardProperties";
    }
    return {};
}
std::string_view rawValue(ValidationPolicy v) noexcept {
    return v == ValidationPolicy::enforceValid ? "enforceValid" : "allowInvalid";
}
std::string_view rawValue(RejectionReason v) noexcept {
    return v == RejectionReason::invalid ? "invalid" : "undefinedKey";
}
std::string_view rawValue(RejectionAnimation v) noexcept { return v == RejectionAnimation::shake ? "shake" : "pulse"; }
std::string_view rawValue(KeyResult::Result v) noexcept {
    switch (v) {
    case KeyResult::Result::handled: return "handled";
    case KeyResult::Result::ignored: return "ignored";
    case KeyResult::Result::performEscapeAction: return "performEscapeAction";
    case KeyResult::Result::performReturnAction: return "performReturnAction";
    }
    return {};
}
std::string_view rawValue(KeyResult::FocusResult v) noexcept {
    return v == KeyResult::FocusResult::focusNextComponent ? "focusNextComponent" : "focusPreviousComponent";
}

std::string FieldAction::rawValue() const {
    switch (kind_) {
    case endEditing: return "endEditing";
    case focusNextComponent: return "focusNextComponent";
    case resetComponentFocus:
        if (!component_) return "resetComponentFocus";
        return "resetComponentFocus-to-" + std::string(component_->nameLowerCamelCase());
    }
    return {};
}

const std::vector<FieldAction>& FieldAction::allCases() {
    static const std::vector<FieldAction> all = [] {
        std::vector<FieldAction> v{endEditingAction(), focusNext()};
        for (TimecodeComponent c : TimecodeComponent::allCases()) v.push_back(resetFocus(c));
        return v;
    }();
    return all;
}

std::optional<FieldAction> FieldAction::fromRawValue(std::string_view raw) {
    for (const FieldAction& a : allCases())
        if (a.rawValue() == raw) return a;
    return std::nullopt;
}

std::string KeyResult::description() const {
    std::string s = "<" + std::string(rawValue(result));
    if (updateFocus) s += " " + std::string(rawValue(*updateFocus));
    if (rejection) s += " " + std::string(rawValue(*rejection));
    return s + ">";
}

}  // namespace timecode::field
