#include "TimecodeUI/TimecodeEnvironment.h"

#include <QApplication>
#include <QCoreApplication>
#include <QObject>
#include <QWidget>

namespace timecode {

namespace {

// Holds a widget's own settings as a child object, so they go with the widget.
class EnvironmentHolder : public QObject {
public:
    explicit EnvironmentHolder(QWidget* owner) : QObject(owner) { setObjectName(name()); }
    static QString name() { return QStringLiteral("timecodeEnvironment"); }
    static EnvironmentHolder* of(const QWidget* widget) {
        for (QObject* child : widget->children())
            if (child->objectName() == name())
                if (auto* holder = dynamic_cast<EnvironmentHolder*>(child)) return holder;
        return nullptr;
    }
    TimecodeEnvironment environment;
};

// Takes each of the named settings from `own` that `resolved` does not have yet.
template <class... T>
void fillFrom(TimecodeEnvironment& resolved, const TimecodeEnvironment& own,
              std::optional<T> TimecodeEnvironment::*... members) {
    ((resolved.*members = resolved.*members ? resolved.*members : own.*members), ...);
}

std::function<void()>& beepFunction() {
    static std::function<void()> beep;
    return beep;
}

}  // namespace

TimecodeEnvironment TimecodeEnvironment::of(const QWidget* widget) {
    const EnvironmentHolder* holder = widget ? EnvironmentHolder::of(widget) : nullptr;
    return holder ? holder->environment : TimecodeEnvironment{};
}

TimecodeEnvironment::Resolved TimecodeEnvironment::resolve(const QWidget* widget) {
    TimecodeEnvironment e;
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const EnvironmentHolder* holder = EnvironmentHolder::of(w);
        if (!holder) continue;
        using E = TimecodeEnvironment;
        fillFrom(e, holder->environment, &E::timecodeFormat, &E::timecodeSeparatorStyle,
                 &E::timecodeSubFramesStyleBrush, &E::timecodeSubFramesScale, &E::timecodeValidationStyle,
                 &E::timecodeFieldValidationPolicy, &E::timecodeFieldEscapeAction, &E::timecodeFieldReturnAction,
                 &E::timecodeFieldPastePolicy, &E::timecodeFieldInputWrapping, &E::timecodeFieldInputStyle,
                 &E::timecodeFieldHighlightStyle, &E::timecodeFieldInputRejectionFeedback);
    }
    Resolved r;
    r.timecodeFormat = e.timecodeFormat.value_or(StringFormat{});
    r.timecodeSeparatorStyle = e.timecodeSeparatorStyle.value_or(std::nullopt);
    r.timecodeSubFramesStyle = {e.timecodeSubFramesStyleBrush.value_or(std::nullopt),
                                e.timecodeSubFramesScale.value_or(TextScale::standard)};
    r.timecodeValidationStyle = e.timecodeValidationStyle.value_or(QBrush(Qt::red));
    r.timecodeFieldValidationPolicy = e.timecodeFieldValidationPolicy.value_or(field::ValidationPolicy::enforceValid);
    r.timecodeFieldEscapeAction = e.timecodeFieldEscapeAction.value_or(std::nullopt);
    r.timecodeFieldReturnAction = e.timecodeFieldReturnAction.value_or(std::nullopt);
    r.timecodeFieldPastePolicy = e.timecodeFieldPastePolicy.value_or(field::PastePolicy::preserveLocalProperties);
    r.timecodeFieldInputWrapping = e.timecodeFieldInputWrapping.value_or(field::InputWrapping::noWrap);
    r.timecodeFieldInputStyle = e.timecodeFieldInputStyle.value_or(field::InputStyle::continuousWithinComponent);
    if (e.timecodeFieldHighlightStyle)
        r.timecodeFieldHighlightStyle = *e.timecodeFieldHighlightStyle;
    else if (widget)
        r.timecodeFieldHighlightStyle = widget->palette().brush(QPalette::Highlight);
    r.timecodeFieldInputRejectionFeedback = e.timecodeFieldInputRejectionFeedback.value_or(
        field::InputRejectionFeedback::validationBasedFeedback(field::RejectionAnimation::pulse));
    return r;
}

QEvent::Type timecodeEnvironmentChangeEvent() {
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

void TimecodeEnvironment::modify(QWidget* widget, const std::function<void(TimecodeEnvironment&)>& change) {
    if (!widget) return;
    EnvironmentHolder* holder = EnvironmentHolder::of(widget);
    if (!holder) holder = new EnvironmentHolder(widget);
    change(holder->environment);
    QList<QWidget*> affected = widget->findChildren<QWidget*>();
    affected.prepend(widget);
    for (QWidget* w : affected) {
        QEvent event(timecodeEnvironmentChangeEvent());
        QCoreApplication::sendEvent(w, &event);
        w->update();
    }
}

void timecodeFormat(QWidget* w, const StringFormat& format) {
    TimecodeEnvironment::modify(w, [&](TimecodeEnvironment& e) { e.timecodeFormat = format; });
}
void timecodeSeparatorStyle(QWidget* w, const std::optional<QBrush>& style) {
    TimecodeEnvironment::modify(w, [&](TimecodeEnvironment& e) { e.timecodeSeparatorStyle = style; });
}
void timecodeSubFramesStyle(QWidget* w, const std::optional<QBrush>& style) {
    TimecodeEnvironment::modify(w, [&](TimecodeEnvironment& e) { e.timecodeSubFramesStyleBrush = style; });
}
void timecodeSubFramesStyle(QWidget* w, TextScale scale) {
    TimecodeEnvironment::modify(w, [&](TimecodeEnvironment& e) { e.timecodeSubFramesScale = scale; });
}
void timecodeSubFramesStyle(QWidget* w, const std::optional<QBrush>& style, TextScale scale) {
    timecodeSubFramesStyle(w, style);
    timecodeSubFramesStyle(w, scale);
}
void timecodeValidationStyle(QWidget* w, const std::optional<QBrush>& style) {
    TimecodeEnvironment::modify(w, [&](TimecodeEnvironment& e) { e.timecodeValidationStyle = style; });
}
void timecodeFieldValidationPolicy(QWidget* w, field::ValidationPolicy policy) {
    TimecodeEnvironment::modify(w, [&](TimecodeEnvironment& e) { e.timecodeFieldValidationPolicy = policy; });
}
void timecodeFieldEscapeAction(QWidget* w, const std::optional<field::FieldAction>& action) {
    TimecodeEnvironment::modify(w, [&](TimecodeEnvironment& e) { e.timecodeFieldEscapeAction = action; });
}
void timecodeFieldReturnAction(QWidget* w, const std::optional<field::FieldAction>& action) {
    TimecodeEnvironment::modify(w, [&](TimecodeEnvironment& e) { e.timecodeFieldReturnAction = action; });
}
void timecodeFieldPastePolicy(QWidget* w, field::PastePolicy policy) {
    TimecodeEnvironment::modify(w, [&](TimecodeEnvironment& e) { e.timecodeFieldPastePolicy = policy; });
}
void timecodeFieldInputWrapping(QWidget* w, field::InputWrapping wrapping) {
    TimecodeEnvironment::modify(w, [&](TimecodeEnvironment& e) { e.timecodeFieldInputWrapping = wrapping; });
}
void timecodeFieldInputStyle(QWidget* w, field::InputStyle style) {
    TimecodeEnvironment::modify(w, [&](TimecodeEnvironment& e) { e.timecodeFieldInputStyle = style; });
}
void timecodeFieldHighlightStyle(QWidget* w, const std::optional<QBrush>& style) {
    TimecodeEnvironment::modify(w, [&](TimecodeEnvironment& e) { e.timecodeFieldHighlightStyle = style; });
}
void timecodeFieldInputRejectionFeedback(QWidget* w, const std::optional<field::InputRejectionFeedback>& feedback) {
    TimecodeEnvironment::modify(w, [&](TimecodeEnvironment& e) { e.timecodeFieldInputRejectionFeedback = feedback; });
}

void setRejectionBeep(std::function<void()> beep) { beepFunction() = std::move(beep); }

void playRejectionBeep() {
    if (beepFunction())
        beepFunction()();
    else
        QApplication::beep();
}

}  // namespace timecode
