#include "TimecodeUI/TimecodeField.h"

#include <QAccessible>
#include <QClipboard>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "TimecodeCoreQt/TimecodeTransfer.h"
#include "TimecodeUI/FieldAccessibility.h"
#include "TimecodeUI/RejectionAnimation.h"
#include "TimecodeUI/TimecodePainting.h"

namespace timecode {

using field::KeyEquivalent;
using FocusResult = field::KeyResult::FocusResult;

namespace {

constexpr qreal horizontalPadding = 2;  // around a component's digits
constexpr qreal verticalPadding = 1;
// Room on either side for the field's shake, which moves the painting, never the layout.
constexpr qreal shakeMargin = animation::shakeIntensity;

QString separatorBefore(TimecodeComponent component, const TimecodeProperties& properties) {
    switch (component) {
    case TimecodeComponent::days: return {};
    case TimecodeComponent::hours: return QStringLiteral(" ");
    case TimecodeComponent::minutes:
    case TimecodeComponent::seconds: return QStringLiteral(":");
    case TimecodeComponent::frames: return QString(QChar(properties.frameRate.framesSeparator()));
    case TimecodeComponent::subFrames: return QStringLiteral(".");
    }
    return {};
}

// The key as the field understands it; none for keys it leaves alone entirely
// (modifiers by themselves, Tab).
std::optional<KeyEquivalent> keyEquivalent(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return std::nullopt;
    case Qt::Key_Up: return KeyEquivalent{KeyEquivalent::upArrow};
    case Qt::Key_Down: return KeyEquivalent{KeyEquivalent::downArrow};
    case Qt::Key_Left: return KeyEquivalent{KeyEquivalent::leftArrow};
    case Qt::Key_Right: return KeyEquivalent{KeyEquivalent::rightArrow};
    case Qt::Key_Backspace: return KeyEquivalent{KeyEquivalent::deleteBackward};
    case Qt::Key_Delete: return KeyEquivalent{KeyEquivalent::deleteForward};
    case Qt::Key_Clear: return KeyEquivalent{KeyEquivalent::clear};
    case Qt::Key_Escape: return KeyEquivalent{KeyEquivalent::escape};
    case Qt::Key_Return: return KeyEquivalent{KeyEquivalent::returnKey};
    case Qt::Key_Enter: return KeyEquivalent{KeyEquivalent::keypadEnter};
    case Qt::Key_Home: return KeyEquivalent{0xF729};
    case Qt::Key_End: return KeyEquivalent{0xF72B};
    case Qt::Key_PageUp: return KeyEquivalent{0xF72C};
    case Qt::Key_PageDown: return KeyEquivalent{0xF72D};
    default: break;
    }
    const QList<uint> text = event->text().toUcs4();
    if (text.size() == 1) return KeyEquivalent{char32_t(text.front())};
    // Function keys and other keys without text: not a key the field knows.
    return KeyEquivalent{0xF8FF};
}

}  // namespace

// ---- Layout

struct TimecodeField::Layout {
    std::vector<std::pair<Component, QRectF>> components;
    std::vector<SeparatorView> separators;
    QSize size;
};

const TimecodeField::Layout& TimecodeField::layout() const {
    if (layout_) return *layout_;
    auto result = std::make_unique<Layout>();
    const auto environment = TimecodeEnvironment::resolve(this);
    const DigitFonts fonts(font(), environment.timecodeSubFramesStyle.scale);
    const qreal height = fonts.metrics.height() + 2 * verticalPadding;
    qreal x = shakeMargin;
    bool first = true;
    for (Component c : visibleComponents()) {
        if (!first) {
            const QString text = separatorBefore(c, properties());
            const qreal w = fonts.metrics.horizontalAdvance(text);
            result->separators.push_back({text, QRectF(x, 0, w, height)});
            x += w;
        }
        first = false;
        const QString digits = QString::fromStdString(componentView(c)->stateModel().displayText());
        const qreal w = fonts.digitsWidth(digits, c == Component::subFrames) + 2 * horizontalPadding;
        result->components.push_back({c, QRectF(x, 0, w, height)});
        x += w;
    }
    result->size = QSize(int(std::ceil(x + shakeMargin)), int(std::ceil(height)));
    layout_ = std::move(result);
    return *layout_;
}

void TimecodeField::invalidateLayout() {
    const QSize before = layout_ ? layout_->size : QSize();
    layout_.reset();
    if (layout().size != before) updateGeometry();
    update();
    announceChanges();
}

std::vector<TimecodeComponent> TimecodeField::visibleComponents() const {
    const TimecodeComponentSet hidden =
        field::hiddenComponents(TimecodeEnvironment::resolve(this).timecodeFormat, properties().upperLimit);
    std::vector<Component> shown;
    for (Component c : TimecodeComponent::allCases())
        if (!hidden.contains(c)) shown.push_back(c);
    return shown;
}

const std::vector<TimecodeField::SeparatorView>& TimecodeField::separatorViews() const { return layout().separators; }

QRect TimecodeField::componentRect(Component component) const {
    for (const auto& [c, rect] : layout().components)
        if (c == component) return rect.toAlignedRect();
    return {};
}

TimecodeField::ComponentView* TimecodeField::viewAt(const QPointF& point) const {
    for (const auto& [c, rect] : layout().components)
        if (point.x() >= rect.left() && point.x() < rect.right()) return componentView(c);
    return nullptr;
}

TimecodeComponent TimecodeField::componentNearest(const QPointF& point) const {
    std::optional<Component> nearest;
    qreal best = 0;
    for (const auto& [c, rect] : layout().components) {
        const qreal distance = point.x() < rect.left() ? rect.left() - point.x()
                               : point.x() >= rect.right() ? point.x() - rect.right()
                                                            : 0;
        if (!nearest || distance < best) {
            nearest = c;
            best = distance;
        }
    }
    // Some component is always shown: at least the frames.
    return nearest.value_or(Component::frames);
}

QSize TimecodeField::sizeHint() const { return layout().size; }

std::vector<TimecodeField::TextRun> TimecodeField::textRuns() const {
    const Layout& lay = layout();
    std::vector<TextRun> runs;
    for (std::size_t i = 0; i < lay.components.size(); ++i) {
        if (i > 0) runs.push_back({lay.separators[i - 1].text, lay.separators[i - 1].rect, std::nullopt});
        const auto& [c, rect] = lay.components[i];
        runs.push_back({QString::fromStdString(componentView(c)->stateModel().displayText()), rect, c});
    }
    return runs;
}

QString TimecodeField::text() const {
    QString joined;
    for (const TextRun& run : textRuns()) joined += run.text;
    return joined;
}

void TimecodeField::announceChanges(bool tell) {
    tell = tell && QAccessible::isActive();  // nobody listens otherwise
    const QString shown = text();
    if (shown != announcedText_) {
        const QString before = std::exchange(announcedText_, shown);
        if (tell) {
            QAccessibleTextUpdateEvent event(this, 0, before, shown);
            QAccessible::updateAccessibility(&event);
        }
    }
    for (Component c : visibleComponents()) {
        ComponentView* view = componentView(c);
        QString digits = QString::fromStdString(view->stateModel().displayText());
        if (digits == announcedDigits_[std::size_t(c)]) continue;
        announcedDigits_[std::size_t(c)] = std::move(digits);
        if (tell) {
            QAccessibleValueChangeEvent event(view, qlonglong(view->stateModel().value()));
            QAccessible::updateAccessibility(&event);
        }
    }
}

// ---- Construction and value

TimecodeField::TimecodeField(QWidget* parent) : QWidget(parent) {
    timecode_ = field::timecodeOf(
        {}, Properties(TimecodeFrameRate::fps24, SubFramesBase::max100SubFrames, UpperLimit::max24Hours));
    for (Component c : TimecodeComponent::allCases()) views_.push_back(std::make_unique<ComponentView>(this, c));
    accessibility::install();
    announcedDigits_.resize(views_.size());
    announceChanges(false);  // what a new field shows is no change
    layout_.reset();  // laid out afresh where it is placed
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

TimecodeField::~TimecodeField() = default;

TimecodeField::ComponentView* TimecodeField::componentView(Component component) const {
    return views_[std::size_t(component)].get();
}

void TimecodeField::setComponents(const Components& components) {
    timecode_.setComponents(components);
    syncing_ = true;
    for (auto& view : views_) view->stateModel_.setValue(components.value(view->component()));
    syncing_ = false;
    invalidateLayout();
}

void TimecodeField::setProperties(const Properties& properties) {
    timecode_.setProperties(properties);
    propertiesChanged();
}

void TimecodeField::setTimecode(const Timecode& timecode) {
    setComponents(timecode.components());
    setProperties(timecode.properties());
}

void TimecodeField::propertiesChanged() {
    for (auto& view : views_) {
        view->stateModel_.setTimecodeProperties(properties());
        view->viewModel_.setTimecodeProperties(properties());
    }
    // A component that the new limit hides hands focus to the first shown one.
    if (focusedComponent_) {
        const auto shown = visibleComponents();
        if (std::find(shown.begin(), shown.end(), *focusedComponent_) == shown.end())
            setFocusedComponent(shown.front());
    }
    invalidateLayout();
}

void TimecodeField::componentEdited(Component component, std::int64_t value) {
    if (syncing_) return;
    Components components = timecode_.components();
    components.setValue(component, value);
    timecode_.setComponents(components);
    invalidateLayout();
    emit componentsEdited(components);
    emit timecodeEdited(timecode_);
}

void TimecodeField::writeTimecode(const Timecode& timecode) {
    const bool componentsChange = timecode.components() != components();
    const bool propertiesChange = propertiesBound_ && timecode.properties() != properties();
    if (componentsChange) setComponents(timecode.components());
    if (propertiesChange) setProperties(timecode.properties());
    if (componentsChange) emit componentsEdited(components());
    if (propertiesChange) emit propertiesEdited(properties());
    if (componentsChange || propertiesChange) emit timecodeEdited(timecode_);
}

// ---- Focus

void TimecodeField::setFocusedComponent(std::optional<Component> component) {
    if (component && !isEnabled()) return;
    const bool moved = component != focusedComponent_;
    if (moved) {
        focusedComponent_ = component;
        // Whichever component gains or loses focus, the next digit starts afresh everywhere.
        for (auto& view : views_) view->stateModel_.setVirgin(true);
        update();
    }
    if (component && !hasFocus()) setFocus(Qt::OtherFocusReason);
    if (moved && component && hasFocus() && QAccessible::isActive()) {
        QAccessibleEvent event(componentView(*component), QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

void TimecodeField::focusInEvent(QFocusEvent* event) {
    const TimecodeComponentSet hidden =
        field::hiddenComponents(TimecodeEnvironment::resolve(this).timecodeFormat, properties().upperLimit);
    if (event->reason() == Qt::TabFocusReason)
        setFocusedComponent(TimecodeComponent::first(hidden));
    else if (event->reason() == Qt::BacktabFocusReason)
        setFocusedComponent(TimecodeComponent::last(hidden));
    else if (!focusedComponent_)
        setFocusedComponent(TimecodeComponent::first(hidden));
    QWidget::focusInEvent(event);
}

void TimecodeField::focusOutEvent(QFocusEvent* event) {
    // A window that goes to the background, or a popup, keeps the focused component.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        setFocusedComponent(std::nullopt);
    QWidget::focusOutEvent(event);
}

bool TimecodeField::focusNextPrevChild(bool next) {
    if (focusedComponent_) {
        const TimecodeComponentSet hidden =
            field::hiddenComponents(TimecodeEnvironment::resolve(this).timecodeFormat, properties().upperLimit);
        const Component target = next ? focusedComponent_->next(hidden, false) : focusedComponent_->previous(hidden, false);
        if (target != *focusedComponent_) {
            setFocusedComponent(target);
            return true;
        }
    }
    return QWidget::focusNextPrevChild(next);
}

void TimecodeField::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) setFocusedComponent(std::nullopt);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) invalidateLayout();
    QWidget::changeEvent(event);
}

void TimecodeField::hideEvent(QHideEvent* event) {
    // Taken away by the host; a minimised window keeps its focused component.
    if (!event->spontaneous()) setFocusedComponent(std::nullopt);
    QWidget::hideEvent(event);
}

bool TimecodeField::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (focusedComponent_ && wouldConsume(key)) {
            event->accept();
            return true;
        }
    } else if (event->type() == timecodeEnvironmentChangeEvent()) {
        propertiesChanged();
        return true;
    }
    return QWidget::event(event);
}

bool TimecodeField::wouldConsume(const QKeyEvent* event) const {
    if (event->matches(QKeySequence::Paste)) return true;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const std::optional<KeyEquivalent> key = keyEquivalent(event);
    if (!key) return false;
    const char32_t c = key->character;
    if ((c >= U'0' && c <= U'9') || std::u32string_view(U"+-.:;,\x7f").find(c) != std::u32string_view::npos)
        return true;
    switch (c) {
    case KeyEquivalent::upArrow:
    case KeyEquivalent::downArrow:
    case KeyEquivalent::leftArrow:
    case KeyEquivalent::rightArrow:
    case KeyEquivalent::deleteBackward:
    case KeyEquivalent::deleteForward:
    case KeyEquivalent::clear: return true;
    case KeyEquivalent::escape:
    case KeyEquivalent::returnKey:
    case KeyEquivalent::keypadEnter: {
        const auto environment = TimecodeEnvironment::resolve(this);
        const auto& action = c == KeyEquivalent::escape ? environment.timecodeFieldEscapeAction
                                                        : environment.timecodeFieldReturnAction;
        return action && action->kind() == FieldAction::focusNextComponent;
    }
    default: return false;
    }
}

// ---- Keys and pointer

void TimecodeField::keyPressEvent(QKeyEvent* event) {
    if (!focusedComponent_) return QWidget::keyPressEvent(event);
    if (event->matches(QKeySequence::Paste)) {
        paste();
        event->accept();
        return;
    }
    // Shortcuts travel on: the field takes no key with Ctrl, Alt or Meta but Paste.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return event->ignore();
    const std::optional<KeyEquivalent> key = keyEquivalent(event);
    if (!key) return event->ignore();
    event->setAccepted(componentView(*focusedComponent_)->handleKeyPress(*key));
}

void TimecodeField::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    // Separators and the margins focus their nearest component: a click on the
    // field never leaves it without one, so the keys typed next are not lost.
    setFocusedComponent(componentNearest(event->position()));
    event->accept();
}

void TimecodeField::mouseMoveEvent(QMouseEvent* event) {
    setHovered(viewAt(event->position()));
    QWidget::mouseMoveEvent(event);
}

void TimecodeField::leaveEvent(QEvent* event) {
    setHovered(nullptr);
    QWidget::leaveEvent(event);
}

void TimecodeField::setHovered(ComponentView* hovered) {
    bool changed = false;
    for (auto& view : views_) {
        const bool hovering = view.get() == hovered;
        changed |= view->isHovering_ != hovering;
        view->isHovering_ = hovering;
    }
    if (changed) update();
}

// ---- Paste and rejection

void TimecodeField::paste() {
    PasteResult result;
    try {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (!data) throw TimecodeValueNotFound();
        result.timecode = timecodeFromMimeData(*data, properties());
    } catch (...) {
        result.error = std::current_exception();
    }
    handlePaste(result);
}

void TimecodeField::handlePaste(const PasteResult& result) {
    const auto environment = TimecodeEnvironment::resolve(this);
    std::optional<Timecode> accepted;
    if (result.timecode)
        accepted = validate(*result.timecode, properties(), environment.timecodeFieldPastePolicy,
                            environment.timecodeFieldValidationPolicy, environment.timecodeFieldInputStyle);
    if (accepted)
        writeTimecode(*accepted);
    else
        giveRejectionFeedback(field::PasteRejected{}, nullptr);
}

void TimecodeField::giveRejectionFeedback(const UserAction& action, ComponentView* animated) {
    const auto feedback = TimecodeEnvironment::resolve(this).timecodeFieldInputRejectionFeedback;
    if (!feedback) return;
    if (feedback->kind() == InputRejectionFeedback::custom) {
        if (feedback->handler()) feedback->handler()(action);
        return;
    }
    playRejectionBeep();
    if (!feedback->animation()) return;
    if (animated)
        animated->playRejectionAnimation(*feedback->animation());
    else
        playRejectionAnimation(*feedback->animation());
}

void TimecodeField::playRejectionAnimation(RejectionAnimation kind) {
    if (kind == RejectionAnimation::shake)
        animation::play(this, "shakeOffset", animation::shakeIntensity, true);
    else
        animation::play(this, "pulseBrightness", animation::pulseIntensity, false);
}

void TimecodeField::setShakeOffset(qreal offset) {
    shakeOffset_ = offset;
    update();
}

void TimecodeField::setPulseBrightness(qreal brightness) {
    pulseBrightness_ = brightness;
    update();
}

// ---- Painting

void TimecodeField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.translate(shakeOffset_, 0);
    const auto environment = TimecodeEnvironment::resolve(this);
    const DigitFonts fonts(font(), environment.timecodeSubFramesStyle.scale);
    const QColor text = palette().color(QPalette::WindowText);
    const TimecodeComponentSet invalid = timecode_.invalidComponents();
    const Layout& lay = layout();

    const QBrush separatorBrush = environment.timecodeSeparatorStyle.value_or(QBrush(text));
    for (const SeparatorView& separator : lay.separators) {
        painter.setFont(fonts.standard);
        painter.setPen(QPen(painting::brightened(separatorBrush, pulseBrightness_), 0));
        painter.drawText(separator.rect, Qt::AlignCenter, separator.text);
    }
    for (const auto& [c, rect] : lay.components) {
        const ComponentView* view = componentView(c);
        const qreal brightness = pulseBrightness_ + view->pulseBrightness();
        painter.save();
        painter.translate(view->shakeOffset(), 0);
        const std::optional<QBrush> background = view->highlightStyle(environment);
        if (background) {
            QPainterPath path;
            path.addRoundedRect(rect, 2, 2);
            painter.fillPath(path, painting::brightened(*background, brightness));
        }
        QBrush brush(text);
        if (view->isFocused() && background && background->color() == palette().color(QPalette::Highlight))
            brush = palette().brush(QPalette::HighlightedText);
        if (c == Component::subFrames && environment.timecodeSubFramesStyle.style)
            brush = *environment.timecodeSubFramesStyle.style;
        if (invalid.contains(c) && environment.timecodeValidationStyle) brush = *environment.timecodeValidationStyle;
        painter.setPen(QPen(painting::brightened(brush, brightness), 0));
        const QString digits = QString::fromStdString(view->stateModel().displayText());
        fonts.drawDigits(painter, rect, digits, c == Component::subFrames);
        painter.restore();
    }
}

// ---- Component view

TimecodeField::ComponentView::ComponentView(TimecodeField* field, Component component)
    : QObject(field),
      field_(field),
      stateModel_(component, field->properties(), field->components().value(component)),
      viewModel_(component, field->properties()) {
    stateModel_.valueChanged = [this](std::int64_t value) { field_->componentEdited(this->component(), value); };
}

std::optional<QBrush> TimecodeField::ComponentView::highlightStyle(
    const TimecodeEnvironment::Resolved& environment) const {
    if (isFocused() && environment.timecodeFieldHighlightStyle) return environment.timecodeFieldHighlightStyle;
    if (isHovering_) {
        QColor hover = field_->palette().color(QPalette::WindowText);
        hover.setAlphaF(0.15f);
        return QBrush(hover);
    }
    return std::nullopt;
}

bool TimecodeField::ComponentView::handleKeyPress(KeyEquivalent key) {
    const auto environment = TimecodeEnvironment::resolve(field_);
    const KeyResult result = stateModel_.keyResult(key, environment.timecodeFieldInputStyle,
                                                   environment.timecodeFieldValidationPolicy);
    bool consumed = false;
    switch (result.result) {
    case KeyResult::Result::handled: consumed = true; break;
    case KeyResult::Result::ignored: consumed = false; break;
    case KeyResult::Result::performEscapeAction:
        consumed = performFieldAction(environment.timecodeFieldEscapeAction);
        break;
    case KeyResult::Result::performReturnAction:
        consumed = performFieldAction(environment.timecodeFieldReturnAction);
        break;
    }
    // Focus moves at once: a digit typed right after a component fills must land
    // in the next one, however quickly the keys arrive.
    applyFocusAndRejection(result.updateFocus, result.rejection, key);
    return consumed;
}

bool TimecodeField::ComponentView::performFieldAction(const std::optional<FieldAction>& action) {
    if (!action) return false;
    switch (action->kind()) {
    case FieldAction::resetComponentFocus: {
        const TimecodeComponentSet hidden =
            viewModel_.hiddenComponents(TimecodeEnvironment::resolve(field_).timecodeFormat);
        field_->setFocusedComponent(action->component().value_or(TimecodeComponent::first(hidden)));
        return false;
    }
    case FieldAction::endEditing:
        field_->setFocusedComponent(std::nullopt);
        field_->clearFocus();
        return false;
    case FieldAction::focusNextComponent:
        focusAdjacentComponent(FocusResult::focusNextComponent,
                               TimecodeEnvironment::resolve(field_).timecodeFieldInputWrapping);
        return true;
    }
    return false;
}

void TimecodeField::ComponentView::focusAdjacentComponent(FocusResult direction, InputWrapping wrapping) {
    const TimecodeComponentSet hidden = viewModel_.hiddenComponents(TimecodeEnvironment::resolve(field_).timecodeFormat);
    const bool wrap = wrapping == InputWrapping::wrap;
    const Component c = viewModel_.component();
    field_->setFocusedComponent(direction == FocusResult::focusNextComponent ? c.next(hidden, wrap)
                                                                             : c.previous(hidden, wrap));
}

void TimecodeField::ComponentView::applyFocusAndRejection(std::optional<FocusResult> focus,
                                                          std::optional<RejectionReason> rejection,
                                                          KeyEquivalent key) {
    if (focus) focusAdjacentComponent(*focus, TimecodeEnvironment::resolve(field_).timecodeFieldInputWrapping);
    if (rejection) field_->giveRejectionFeedback(field::KeyRejected{component(), key, *rejection}, this);
}

void TimecodeField::ComponentView::playRejectionAnimation(RejectionAnimation kind) {
    if (kind == RejectionAnimation::shake)
        animation::play(this, "shakeOffset", animation::shakeIntensity, true);
    else
        animation::play(this, "pulseBrightness", animation::pulseIntensity, false);
}

void TimecodeField::ComponentView::setShakeOffset(qreal offset) {
    shakeOffset_ = offset;
    field_->update();
}

void TimecodeField::ComponentView::setPulseBrightness(qreal brightness) {
    pulseBrightness_ = brightness;
    field_->update();
}

}  // namespace timecode
