// The field as a whole: focus, Return and Escape actions, rejection feedback,
// pasting, and the settings it reads from its surroundings.
#include "FieldTestSupport.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QMimeData>
#include <QPropertyAnimation>
#include <QSignalSpy>

#include "TimecodeCoreQt/TimecodeTransfer.h"

using namespace fieldtest;
using FA = TF::FieldAction;

namespace {

std::optional<C> focusAfter(Host& host, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(host.field, Qt::Key(key), modifiers);
    return host.field->focusedComponent();
}

QPropertyAnimation* animationOf(QObject* target, const char* property) {
    return target->findChild<QPropertyAnimation*>(QString("rejection-") + property, Qt::FindDirectChildrenOnly);
}

}  // namespace

TEST(FieldFocus, ArrowsSeparatorsAndWrapping) {
    struct Case {
        const char* name;
        StringFormat format;
        TF::InputWrapping wrapping;
        C from;
        int key;
        C to;
    };
    using SFO = StringFormatOption;
    const auto noWrap = TF::InputWrapping::noWrap, wrap = TF::InputWrapping::wrap;
    const Case cases[] = {
        {"right at the last stays", {}, noWrap, C::frames, Qt::Key_Right, C::frames},
        {"right at the last wraps to hours", {}, wrap, C::frames, Qt::Key_Right, C::hours},
        {"wraps to days when shown", {SFO::alwaysShowDays}, wrap, C::frames, Qt::Key_Right, C::days},
        {"left at hours wraps to frames", {}, wrap, C::hours, Qt::Key_Left, C::frames},
        {"left at hours wraps to subframes", {SFO::showSubFrames}, wrap, C::hours, Qt::Key_Left, C::subFrames},
        {"separator moves on", {}, noWrap, C::seconds, Qt::Key_Period, C::frames},
        {"frames to subframes", {SFO::showSubFrames}, noWrap, C::frames, Qt::Key_Right, C::subFrames},
    };
    for (const Case& c : cases) {
        Host host;
        timecodeFormat(&host, c.format);
        timecodeFieldInputWrapping(host.field, c.wrapping);
        host.field->setFocusedComponent(c.from);
        EXPECT_EQ(focusAfter(host, c.key), c.to) << c.name;
    }
}

TEST(FieldFocus, TabClickDisableAndWindowDeactivation) {
    Host host;
    TF* f = host.field;
    host.after->setFocus();
    QTest::keyClick(host.after, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(f->focusedComponent(), C::frames);
    // Tab walks the shown components, then leaves the field.
    host.after->setFocus();
    EXPECT_EQ(f->focusedComponent(), std::nullopt);
    QTest::keyClick(host.after, Qt::Key_Tab);
    EXPECT_EQ(f->focusedComponent(), C::hours);
    for (C next : {C::minutes, C::seconds, C::frames}) EXPECT_EQ(focusAfter(host, Qt::Key_Tab), next);
    QTest::keyClick(f, Qt::Key_Tab);
    EXPECT_TRUE(host.after->hasFocus());
    EXPECT_EQ(f->focusedComponent(), std::nullopt);

    // A click focuses the component under the pointer and starts every entry afresh.
    f->setFocusedComponent(C::minutes);
    QTest::keyClicks(f, "4");
    EXPECT_FALSE(f->componentView(C::minutes)->stateModel().isVirgin());
    QTest::mouseClick(f, Qt::LeftButton, Qt::NoModifier, f->componentRect(C::seconds).center());
    EXPECT_EQ(f->focusedComponent(), C::seconds);
    for (C c : TimecodeComponent::allCases()) EXPECT_TRUE(f->componentView(c)->stateModel().isVirgin());

    QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(f, &deactivated);
    EXPECT_EQ(f->focusedComponent(), C::seconds);

    f->setEnabled(false);
    EXPECT_EQ(f->focusedComponent(), std::nullopt);
    f->setEnabled(true);
    f->setFocusedComponent(C::hours);
    f->hide();
    EXPECT_EQ(f->focusedComponent(), std::nullopt);
}

// A click between components (a separator, the margins) focuses the nearest one,
// so the digits typed next land in the field instead of being lost.
TEST(FieldFocus, ClickAnywhereFocusesTheNearestComponent) {
    Host host;
    TF* f = host.field;
    host.after->setFocus();
    ASSERT_EQ(f->separatorViews().size(), 3u);
    const QRectF colon = f->separatorViews()[1].rect;  // between minutes and seconds
    const int middle = f->height() / 2;
    const struct {
        qreal x;
        C focused;
    } clicks[] = {
        {0, C::hours},                                            // the leading margin
        {qreal(f->width() - 1), C::frames},                       // the trailing margin
        {colon.left() + 0.5, C::minutes},                         // the colon's leading half
        {colon.right() - 0.5, C::seconds},                        // its trailing half
        {qreal(f->componentRect(C::hours).right() + 1), C::hours},  // just past the digits' cell
    };
    for (const auto& click : clicks) {
        host.after->setFocus();
        ASSERT_EQ(f->focusedComponent(), std::nullopt);
        QTest::mouseClick(f, Qt::LeftButton, Qt::NoModifier, QPoint(int(click.x), middle));
        EXPECT_EQ(f->focusedComponent(), click.focused) << click.x;
        EXPECT_TRUE(f->hasFocus()) << click.x;
    }
    QTest::mouseClick(f, Qt::LeftButton, Qt::NoModifier, QPoint(int(colon.left() + 0.5), middle));
    QTest::keyClicks(f, "7");
    EXPECT_EQ(f->components().minutes, 7);
    // A disabled field focuses nothing.
    host.after->setFocus();
    f->setEnabled(false);
    QTest::mouseClick(f, Qt::LeftButton, Qt::NoModifier, QPoint(0, middle));
    EXPECT_EQ(f->focusedComponent(), std::nullopt);
}

TEST(FieldFocus, ReturnAndEscapeActions) {
    struct Case {
        const char* name;
        int key;
        std::optional<FA> action;
        std::optional<C> focus;
        bool passedOn;
    };
    const Case cases[] = {
        {"return without action", Qt::Key_Return, std::nullopt, C::minutes, true},
        {"return moves on", Qt::Key_Return, FA::focusNext(), C::seconds, false},
        {"keypad enter moves on", Qt::Key_Enter, FA::focusNext(), C::seconds, false},
        {"return to the first", Qt::Key_Return, FA::resetFocus(), C::hours, true},
        {"return to frames", Qt::Key_Return, FA::resetFocus(C::frames), C::frames, true},
        {"escape ends editing", Qt::Key_Escape, FA::endEditingAction(), std::nullopt, true},
    };
    for (const Case& c : cases) {
        Host host;
        timecodeFieldReturnAction(&host, c.action);
        timecodeFieldEscapeAction(&host, c.action);
        host.field->setFocusedComponent(C::minutes);
        QKeyEvent override(QEvent::ShortcutOverride, c.key, Qt::NoModifier);
        QApplication::sendEvent(host.field, &override);
        EXPECT_EQ(override.isAccepted(), !c.passedOn) << c.name;
        EXPECT_EQ(focusAfter(host, c.key), c.focus) << c.name;
        EXPECT_EQ(host.passedKeys.contains(c.key), c.passedOn) << c.name;
        EXPECT_EQ(host.field->hasFocus(), c.focus.has_value()) << c.name;
    }
}

TEST(FieldFeedback, BeepAndAnimationByFeedback) {
    using IRF = TF::InputRejectionFeedback;
    using RA = TF::RejectionAnimation;
    {
        Host host;
        timecodeFieldInputRejectionFeedback(&host, IRF::validationBasedFeedback(RA::shake));
        host.field->setFocusedComponent(C::seconds);
        auto* seconds = host.field->componentView(C::seconds);
        QTest::keyClick(host.field, Qt::Key_A);
        EXPECT_EQ(host.beeps, 1);
        EXPECT_EQ(seconds->shakeOffset(), 5.0);
        QPropertyAnimation* shake = animationOf(seconds, "shakeOffset");
        ASSERT_TRUE(shake);
        // The swing is sampled on the animation's own time line (the frames of a busy
        // machine may skip it), then the animation runs out.
        shake->pause();
        qreal lowest = 5;
        for (int t = 0; t < shake->duration(); ++t) {
            shake->setCurrentTime(t);
            lowest = std::min(lowest, seconds->shakeOffset());
        }
        QSignalSpy finished(shake, &QAbstractAnimation::finished);
        shake->resume();
        ASSERT_TRUE(finished.wait(10000));
        EXPECT_LT(lowest, -1.0);  // swings past its place
        EXPECT_EQ(seconds->shakeOffset(), 0.0);
        EXPECT_EQ(host.field->shakeOffset(), 0.0);  // a key moves its component only
    }
    {
        Host host;  // the default: a beep and a pulse
        host.field->setFocusedComponent(C::hours);
        QTest::keyClick(host.field, Qt::Key_A);
        auto* hours = host.field->componentView(C::hours);
        EXPECT_EQ(host.beeps, 1);
        EXPECT_DOUBLE_EQ(hours->pulseBrightness(), 0.7);
        QPropertyAnimation* pulse = animationOf(hours, "pulseBrightness");
        ASSERT_TRUE(pulse);
        EXPECT_EQ(pulse->duration(), 80);
        QSignalSpy finished(pulse, &QAbstractAnimation::finished);
        ASSERT_TRUE(finished.wait(10000));
        EXPECT_EQ(hours->pulseBrightness(), 0.0);
    }
    {
        Host host;
        std::vector<TF::UserAction> actions;
        timecodeFieldInputRejectionFeedback(
            &host, IRF::customFeedback([&](const TF::UserAction& a) { actions.push_back(a); }));
        host.field->setFocusedComponent(C::minutes);
        QTest::keyClick(host.field, Qt::Key_A);
        ASSERT_EQ(actions.size(), 1u);
        EXPECT_EQ(actions[0], TF::UserAction(field::KeyRejected{C::minutes, {U'a'}, TF::RejectionReason::undefinedKey}));
        EXPECT_EQ(host.beeps, 0);
        EXPECT_EQ(host.field->componentView(C::minutes)->pulseBrightness(), 0.0);
    }
    {
        Host host;
        timecodeFieldInputRejectionFeedback(&host, std::nullopt);
        host.field->setFocusedComponent(C::minutes);
        QTest::keyClicks(host.field, "a9");
        EXPECT_EQ(host.beeps, 0);
        EXPECT_EQ(host.field->componentView(C::minutes)->pulseBrightness(), 0.0);
    }
}

TEST(FieldPaste, ClipboardIntoBoundAndUnboundFields) {
    const TimecodeProperties at25{TimecodeFrameRate::fps25, SubFramesBase::max80SubFrames, UpperLimit::max24Hours};
    const TimecodeProperties df{TimecodeFrameRate::fps29_97d, SubFramesBase::max80SubFrames, UpperLimit::max24Hours};
    auto copyText = [](const QString& text) { QGuiApplication::clipboard()->setText(text); };
    auto copyJson = [](const Timecode& t) { copyTimecode(*QGuiApplication::clipboard(), t); };
    struct Case {
        const char* name;
        std::function<void()> copy;
        TF::PastePolicy policy;
        bool bound;
        std::optional<TimecodeComponents> components;  // none: refused
        TimecodeProperties properties;
    };
    const TimecodeComponents pasted{0, 1, 2, 3, 4, 0};
    const Case cases[] = {
        {"text at the field's rate", [&] { copyText("01:02:03:04"); }, TF::PastePolicy::preserveLocalProperties, false,
         pasted, at25},
        {"json at the same rate", [&] { copyJson(field::timecodeOf(pasted, at25)); },
         TF::PastePolicy::preserveLocalProperties, true, pasted, at25},
        {"json at another rate refused", [&] { copyJson(field::timecodeOf(pasted, df)); },
         TF::PastePolicy::preserveLocalProperties, true, std::nullopt, at25},
        {"new properties, bound", [&] { copyJson(field::timecodeOf(pasted, df)); }, TF::PastePolicy::allowNewProperties,
         true, pasted, df},
        {"new properties, unbound", [&] { copyJson(field::timecodeOf(pasted, df)); },
         TF::PastePolicy::allowNewProperties, false, pasted, at25},
        {"junk refused", [&] { copyText("not a timecode"); }, TF::PastePolicy::allowNewProperties, true, std::nullopt,
         at25},
        {"empty clipboard refused", [&] { QGuiApplication::clipboard()->clear(); },
         TF::PastePolicy::allowNewProperties, true, std::nullopt, at25},
    };
    for (const Case& c : cases) {
        Host host(at25);
        timecodeFieldPastePolicy(&host, c.policy);
        timecodeFieldInputRejectionFeedback(&host, TF::InputRejectionFeedback::validationBasedFeedback(
                                                       TF::RejectionAnimation::shake));
        host.field->setPropertiesBound(c.bound);
        host.field->setFocusedComponent(C::seconds);
        QSignalSpy components(host.field, &TF::componentsEdited);
        QSignalSpy properties(host.field, &TF::propertiesEdited);
        c.copy();
        QTest::keyClick(host.field, Qt::Key_V, Qt::ControlModifier);
        EXPECT_FALSE(host.passedKeys.contains(Qt::Key_V)) << c.name;
        EXPECT_EQ(digitsOf(host.field->components()), digitsOf(c.components.value_or(TimecodeComponents{}))) << c.name;
        EXPECT_EQ(components.size(), c.components ? 1 : 0) << c.name;
        EXPECT_EQ(host.field->properties(), c.properties) << c.name;
        EXPECT_EQ(properties.size(), c.properties == at25 ? 0 : 1) << c.name;
        // A refused paste beeps and shakes the whole field.
        EXPECT_EQ(host.beeps, c.components ? 0 : 1) << c.name;
        EXPECT_EQ(host.field->shakeOffset(), c.components ? 0.0 : 5.0) << c.name;
        EXPECT_EQ(host.field->componentView(C::seconds)->shakeOffset(), 0.0) << c.name;
    }
}

TEST(FieldSettings, DefaultsInnermostWinsAndHostWritesAreSilent) {
    Host host;
    const auto defaults = TimecodeEnvironment::resolve(host.field);
    EXPECT_EQ(defaults.timecodeFieldValidationPolicy, TF::ValidationPolicy::enforceValid);
    EXPECT_EQ(defaults.timecodeFieldPastePolicy, TF::PastePolicy::preserveLocalProperties);
    EXPECT_EQ(defaults.timecodeFieldInputWrapping, TF::InputWrapping::noWrap);
    EXPECT_EQ(defaults.timecodeFieldInputStyle, TF::InputStyle::continuousWithinComponent);
    EXPECT_FALSE(defaults.timecodeFieldReturnAction || defaults.timecodeFieldEscapeAction);
    EXPECT_EQ(defaults.timecodeFieldHighlightStyle, host.field->palette().brush(QPalette::Highlight));
    ASSERT_TRUE(defaults.timecodeFieldInputRejectionFeedback);
    EXPECT_EQ(defaults.timecodeFieldInputRejectionFeedback->kind(), TF::InputRejectionFeedback::validationBased);
    EXPECT_EQ(defaults.timecodeFieldInputRejectionFeedback->animation(), TF::RejectionAnimation::pulse);
    EXPECT_EQ(defaults.timecodeValidationStyle, QBrush(Qt::red));
    EXPECT_TRUE(defaults.timecodeFormat.isEmpty());

    timecodeFieldInputStyle(&host, TF::InputStyle::unbounded);
    timecodeFieldInputStyle(host.field, TF::InputStyle::autoAdvance);
    timecodeFieldHighlightStyle(&host, QBrush(Qt::yellow));
    timecodeFieldHighlightStyle(host.field, std::nullopt);  // none, which is not unset
    timecodeSubFramesStyle(&host, TextScale::secondary);
    timecodeSubFramesStyle(host.field, QBrush(Qt::gray));
    const auto set = TimecodeEnvironment::resolve(host.field);
    EXPECT_EQ(set.timecodeFieldInputStyle, TF::InputStyle::autoAdvance);
    EXPECT_EQ(set.timecodeFieldHighlightStyle, std::nullopt);
    EXPECT_EQ(set.timecodeSubFramesStyle.scale, TextScale::secondary);
    EXPECT_EQ(set.timecodeSubFramesStyle.style, QBrush(Qt::gray));
    EXPECT_EQ(TimecodeEnvironment::resolve(&host).timecodeFieldInputStyle, TF::InputStyle::unbounded);

    // The host's writes raise no signal; the user's do.
    QSignalSpy components(host.field, &TF::componentsEdited);
    QSignalSpy timecodes(host.field, &TF::timecodeEdited);
    host.field->setTimecode(field::timecodeOf({0, 1, 0, 0, 0, 0}, {}));
    host.field->setComponents({0, 2, 0, 0, 0, 0});
    EXPECT_EQ(components.size() + timecodes.size(), 0);
    host.field->setFocusedComponent(C::hours);
    QTest::keyClick(host.field, Qt::Key_Up);
    ASSERT_EQ(components.size(), 1);
    EXPECT_EQ(timecodes.size(), 1);
    EXPECT_EQ(components.at(0).at(0).value<TimecodeComponents>().hours, 3);
    // Days shown only under the 100-day limit or when asked for.
    EXPECT_EQ(host.field->visibleComponents().size(), 4u);
    host.field->setProperties({TimecodeFrameRate::fps24, SubFramesBase::max80SubFrames, UpperLimit::max100Days});
    EXPECT_EQ(host.field->visibleComponents().front(), C::days);
    QStringList separators;
    for (const auto& s : host.field->separatorViews()) separators << s.text;
    EXPECT_EQ(separators, (QStringList{" ", ":", ":", ":"}));
}
