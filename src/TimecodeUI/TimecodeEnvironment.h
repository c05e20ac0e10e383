#pragma once

// Settings of the timecode views that travel down the widget tree: set on any
// widget, they reach every timecode view inside it, the innermost setting winning;
// whatever nobody set takes its default.

#include <functional>
#include <optional>

#include <QBrush>

#include "TimecodeCore/Timecode.h"
#include "TimecodeUI/model/FieldTypes.h"

#include <QEvent>

class QWidget;

namespace timecode {

// The size of the subframes digits: the rest's, or a smaller secondary size.
enum class TextScale : std::uint8_t { standard, secondary };

// The subframes' own look.
struct SubFramesStyle {
    std::optional<QBrush> style;
    TextScale scale = TextScale::standard;
};

// The result of loading a pasted timecode: the timecode, or the error.
struct PasteResult {
    std::optional<Timecode> timecode;
    std::exception_ptr error;
};
// Receives pasted timecodes.
struct TimecodePasteAction {
    std::function<void(const PasteResult&)> action;
};

// One widget's settings. Each member is unset (std::nullopt) unless this widget
// sets it; a style that is set may itself be "none" (an empty inner optional).
struct TimecodeEnvironment {
    // Display.
    std::optional<StringFormat> timecodeFormat;
    std::optional<std::optional<QBrush>> timecodeSeparatorStyle;
    std::optional<std::optional<QBrush>> timecodeSubFramesStyleBrush;
    std::optional<TextScale> timecodeSubFramesScale;
    std::optional<std::optional<QBrush>> timecodeValidationStyle;
    // Field behaviour.
    std::optional<field::ValidationPolicy> timecodeFieldValidationPolicy;
    std::optional<std::optional<field::FieldAction>> timecodeFieldEscapeAction;
    std::optional<std::optional<field::FieldAction>> timecodeFieldReturnAction;
    std::optional<field::PastePolicy> timecodeFieldPastePolicy;
    std::optional<field::InputWrapping> timecodeFieldInputWrapping;
    std::optional<field::InputStyle> timecodeFieldInputStyle;
    std::optional<std::optional<QBrush>> timecodeFieldHighlightStyle;
    std::optional<std::optional<field::InputRejectionFeedback>> timecodeFieldInputRejectionFeedback;

    // The settings in force at a widget: its own, then its parents' outwards,
    // then the defaults. The highlight's default is the widget's Highlight colour.
    struct Resolved {
        StringFormat timecodeFormat;
        std::optional<QBrush> timecodeSeparatorStyle;
        SubFramesStyle timecodeSubFramesStyle;
        std::optional<QBrush> timecodeValidationStyle;
        field::ValidationPolicy timecodeFieldValidationPolicy = field::ValidationPolicy::enforceValid;
        std::optional<field::FieldAction> timecodeFieldEscapeAction;
        std::optional<field::FieldAction> timecodeFieldReturnAction;
        field::PastePolicy timecodeFieldPastePolicy = field::PastePolicy::preserveLocalProperties;
        field::InputWrapping timecodeFieldInputWrapping = field::InputWrapping::noWrap;
        field::InputStyle timecodeFieldInputStyle = field::InputStyle::continuousWithinComponent;
        std::optional<QBrush> timecodeFieldHighlightStyle;
        std::optional<field::InputRejectionFeedback> timecodeFieldInputRejectionFeedback;
    };
    static Resolved resolve(const QWidget* widget);

    // This widget's own settings (all unset when it has none).
    static TimecodeEnvironment of(const QWidget* widget);
    // Changes this widget's own settings and refreshes the timecode views inside it.
    static void modify(QWidget* widget, const std::function<void(TimecodeEnvironment&)>& change);
};

// Sent to every widget inside one whose settings changed.
QEvent::Type timecodeEnvironmentChangeEvent();

// Setters, named as the settings. A style argument of std::nullopt means "none".
void timecodeFormat(QWidget* widget, const StringFormat& format);
void timecodeSeparatorStyle(QWidget* widget, const std::optional<QBrush>& style);
void timecodeSubFramesStyle(QWidget* widget, const std::optional<QBrush>& style);
void timecodeSubFramesStyle(QWidget* widget, TextScale scale);
void timecodeSubFramesStyle(QWidget* widget, const std::optional<QBrush>& style, TextScale scale);
void timecodeValidationStyle(QWidget* widget, const std::optional<QBrush>& style);
void timecodeFieldValidationPolicy(QWidget* widget, field::ValidationPolicy policy);
void timecodeFieldEscapeAction(QWidget* widget, const std::optional<field::FieldAction>& action);
void timecodeFieldReturnAction(QWidget* widget, const std::optional<field::FieldAction>& action);
void timecodeFieldPastePolicy(QWidget* widget, field::PastePolicy policy);
void timecodeFieldInputWrapping(QWidget* widget, field::InputWrapping wrapping);
void timecodeFieldInputStyle(QWidget* widget, field::InputStyle style);
void timecodeFieldHighlightStyle(QWidget* widget, const std::optional<QBrush>& style);
void timecodeFieldInputRejectionFeedback(QWidget* widget, const std::optional<field::InputRejectionFeedback>& feedback);

// The system beep of rejected input. Replaceable (tests count beeps); an empty
// function restores the default, QApplication::beep().
void setRejectionBeep(std::function<void()> beep);
void playRejectionBeep();

}  // namespace timecode

