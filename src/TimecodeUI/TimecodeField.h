#pragma once

// The timecode entry field: one widget that edits a timecode component by
// component. Each shown component takes digits, steps with +/- and the arrow
// keys, and passes focus on; a pasted timecode replaces the whole value. The
// field is configured by the settings of TimecodeEnvironment.h set on it or on
// any widget around it.
//
// The host owns the value: setComponents, setProperties and setTimecode store
// without a signal; every edit by the user emits componentsEdited and
// timecodeEdited, and propertiesEdited when a paste changes the properties
// (only when the properties are bound; see setPropertiesBound).

#include <memory>
#include <optional>
#include <vector>

#include <QObject>
#include <QRectF>
#include <QWidget>

#include "TimecodeCore/Timecode.h"
#include "TimecodeUI/TimecodeEnvironment.h"
#include "TimecodeUI/model/ComponentModel.h"
#include "TimecodeUI/model/FieldTypes.h"

namespace timecode {

class TimecodeField : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal shakeOffset READ shakeOffset WRITE setShakeOffset)
    Q_PROPERTY(qreal pulseBrightness READ pulseBrightness WRITE setPulseBrightness)

public:
    using InputStyle = field::InputStyle;
    using InputWrapping = field::InputWrapping;
    using PastePolicy = field::PastePolicy;
    using ValidationPolicy = field::ValidationPolicy;
    using FieldAction = field::FieldAction;
    using InputRejectionFeedback = field::InputRejectionFeedback;
    using RejectionAnimation = field::RejectionAnimation;
    using RejectionReason = field::RejectionReason;
    using UserAction = field::UserAction;
    using KeyEquivalent = field::KeyEquivalent;
    using KeyResult = field::KeyResult;
    using PasteValidationResult = field::PasteValidationResult;
    using Component = TimecodeComponent;
    using Components = TimecodeComponents;
    using Properties = TimecodeProperties;

    class ComponentView;
    // A separator between two shown components.
    struct SeparatorView {
        QString text;
        QRectF rect;
    };

    // Zero components at 24 fps, 100 subframes, 24 hours.
    explicit TimecodeField(QWidget* parent = nullptr);
    ~TimecodeField() override;

    Components components() const { return timecode_.components(); }
    Properties properties() const { return timecode_.properties(); }
    const Timecode& timecode() const { return timecode_; }
    // The host's writes: stored, no signal.
    void setComponents(const Components& components);
    void setProperties(const Properties& properties);
    void setTimecode(const Timecode& timecode);

    // Bound properties follow a pasted timecode's (per the paste policy) and report
    // it with propertiesEdited; unbound (the default) they only change by
    // setProperties, and a paste changes the components alone.
    bool propertiesBound() const { return propertiesBound_; }
    void setPropertiesBound(bool bound) { propertiesBound_ = bound; }

    // The component with keyboard focus; none while the field has no focus.
    std::optional<Component> focusedComponent() const { return focusedComponent_; }
    // Focuses a shown component (taking keyboard focus), or none.
    void setFocusedComponent(std::optional<Component> component);

    // The shown components in order, and their views and separators.
    std::vector<Component> visibleComponents() const;
    // What the field shows, piece by piece in reading order: each shown component's
    // digits (with its component) and the separators between them (without).
    struct TextRun {
        QString text;
        QRectF rect;  // in widget coordinates
        std::optional<Component> component;
    };
    std::vector<TextRun> textRuns() const;
    // The timecode as the field shows it ("01:00:00:00"): the runs joined.
    QString text() const;
    ComponentView* componentView(Component component) const;
    const std::vector<SeparatorView>& separatorViews() const;
    // Where a shown component is drawn, in widget coordinates (empty when hidden).
    QRect componentRect(Component component) const;
    // The shown component nearest to a point along the row, in widget coordinates:
    // the one under it, else the closest (the earlier one when two are as close).
    // A click anywhere on the field, or on a host's padding around it, focuses it.
    Component componentNearest(const QPointF& point) const;

    // Whether a pasted timecode may replace the value, and with which properties.
    static std::optional<Timecode> validate(const Timecode& pastedTimecode, const Properties& localTimecodeProperties,
                                            PastePolicy pastePolicy, ValidationPolicy validationPolicy,
                                            InputStyle inputStyle) {
        return field::validatePaste(pastedTimecode, localTimecodeProperties, pastePolicy, validationPolicy,
                                    inputStyle);
    }
    // Applies a loaded paste: the accepted timecode is written, a refusal signalled.
    void handlePaste(const PasteResult& result);

    // Signals a rejection by the feedback in force (beep and animation, or the
    // host's handler); a paste animates the whole field.
    void giveRejectionFeedback(const UserAction& action, ComponentView* animated);
    void playRejectionAnimation(RejectionAnimation animation);

    qreal shakeOffset() const { return shakeOffset_; }
    void setShakeOffset(qreal offset);
    qreal pulseBrightness() const { return pulseBrightness_; }
    void setPulseBrightness(qreal brightness);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

public slots:
    // Pastes the clipboard's timecode (its JSON, or text read at this field's properties).
    void paste();

signals:
    void componentsEdited(const timecode::TimecodeComponents& components);
    void propertiesEdited(const timecode::TimecodeProperties& properties);
    void timecodeEdited(const timecode::Timecode& timecode);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    friend class ComponentView;
    struct Layout;
    void componentEdited(Component component, std::int64_t value);
    // Tells assistive technology what changed since it was last told: the text,
    // and the value of each component whose digits changed. Not telling only
    // takes note.
    void announceChanges(bool tell = true);
    void writeTimecode(const Timecode& timecode);
    void propertiesChanged();
    void invalidateLayout();
    const Layout& layout() const;
    ComponentView* viewAt(const QPointF& point) const;
    void setHovered(ComponentView* view);
    bool wouldConsume(const QKeyEvent* event) const;

    Timecode timecode_;
    bool propertiesBound_ = false;
    std::optional<Component> focusedComponent_;
    std::vector<std::unique_ptr<ComponentView>> views_;  // all six, days first
    mutable std::unique_ptr<Layout> layout_;
    bool syncing_ = false;
    QString announcedText_;
    std::vector<QString> announcedDigits_;  // per component, days first
    qreal shakeOffset_ = 0;
    qreal pulseBrightness_ = 0;
};

// One component of the field: its typing state, hover and rejection animation.
// Not a widget: the field paints and lays it out.
class TimecodeField::ComponentView : public QObject {
    Q_OBJECT
    Q_PROPERTY(qreal shakeOffset READ shakeOffset WRITE setShakeOffset)
    Q_PROPERTY(qreal pulseBrightness READ pulseBrightness WRITE setPulseBrightness)

public:
    ComponentView(TimecodeField* field, Component component);

    Component component() const { return stateModel_.component(); }
    field::ComponentStateModel& stateModel() { return stateModel_; }
    const field::ComponentStateModel& stateModel() const { return stateModel_; }
    const field::ComponentViewModel& viewModel() const { return viewModel_; }

    bool isFocused() const { return field_->focusedComponent_ == component(); }
    bool isHovering() const { return isHovering_; }
    // The background: the highlight while focused (when one is set), else a quiet
    // fill while the pointer is over it, else none.
    std::optional<QBrush> highlightStyle(const TimecodeEnvironment::Resolved& environment) const;

    // Runs one key through the state machine and applies its result; true when
    // the key was consumed.
    bool handleKeyPress(KeyEquivalent key);
    // Runs Return's or Escape's action; true when it consumes the key.
    bool performFieldAction(const std::optional<FieldAction>& action);
    void focusAdjacentComponent(KeyResult::FocusResult direction, InputWrapping wrapping);
    void playRejectionAnimation(RejectionAnimation animation);

    qreal shakeOffset() const { return shakeOffset_; }
    void setShakeOffset(qreal offset);
    qreal pulseBrightness() const { return pulseBrightness_; }
    void setPulseBrightness(qreal brightness);

private:
    friend class TimecodeField;
    void applyFocusAndRejection(std::optional<KeyResult::FocusResult> focus,
                                std::optional<RejectionReason> rejection, KeyEquivalent key);

    TimecodeField* field_;
    field::ComponentStateModel stateModel_;
    field::ComponentViewModel viewModel_;
    bool isHovering_ = false;
    qreal shakeOffset_ = 0;
    qreal pulseBrightness_ = 0;
};

}  // namespace timecode
