// The field's plain vocabulary and models: raw values, the component state model,
// paste decisions and the text field's partial-text check.
#include <gtest/gtest.h>

#include <limits>

#include "TimecodeUI/model/ComponentModel.h"
#include "TimecodeUI/model/PartialTimecodeText.h"

using namespace timecode;
using namespace timecode::field;
using C = TimecodeComponent;

TEST(FieldVocabulary, RawValuesAreCaseNamesAndReadBackExactly) {
    for (InputStyle v : allCases<InputStyle>()) EXPECT_EQ(fromRawValue<InputStyle>(rawValue(v)), v);
    for (PastePolicy v : allCases<PastePolicy>()) EXPECT_EQ(fromRawValue<PastePolicy>(rawValue(v)), v);
    EXPECT_EQ(rawValue(InputStyle::continuousWithinComponent), "continuousWithinComponent");
    EXPECT_EQ(fromRawValue<InputWrapping>("Wrap"), std::nullopt);

    std::vector<std::string> raws;
    for (const FieldAction& a : FieldAction::allCases()) raws.push_back(a.rawValue());
    EXPECT_EQ(raws, (std::vector<std::string>{"endEditing", "focusNextComponent", "resetComponentFocus-to-days",
                                              "resetComponentFocus-to-hours", "resetComponentFocus-to-minutes",
                                              "resetComponentFocus-to-seconds", "resetComponentFocus-to-frames",
                                              "resetComponentFocus-to-subFrames"}));
    EXPECT_EQ(FieldAction::fromRawValue("resetComponentFocus-to-frames"), FieldAction::resetFocus(C::frames));
    EXPECT_EQ(FieldAction::resetFocus().rawValue(), "resetComponentFocus");
    for (const char* none : {"resetComponentFocus", "EndEditing", "resetComponentFocus-to-Frames", ""})
        EXPECT_EQ(FieldAction::fromRawValue(none), std::nullopt) << none;

    using R = KeyResult::Result;
    using F = KeyResult::FocusResult;
    EXPECT_EQ((KeyResult{R::handled, F::focusNextComponent, {}}).description(), "<handled focusNextComponent>");
    EXPECT_EQ((KeyResult{R::ignored, F::focusPreviousComponent, RejectionReason::undefinedKey}).debugDescription(),
              "KeyResult<ignored focusPreviousComponent undefinedKey>");
}

TEST(ComponentStateModel, VirginTextResetAndDisplay) {
    const TimecodeProperties at24{TimecodeFrameRate::fps24, SubFramesBase::max80SubFrames, UpperLimit::max24Hours};
    ComponentStateModel m(C::minutes, at24, 0);
    EXPECT_TRUE(m.isVirgin());
    EXPECT_EQ(m.textInput(), "");
    int notified = 0;
    m.valueChanged = [&](std::int64_t) { ++notified; };
    m.keyResult({U'4'}, InputStyle::unbounded, ValidationPolicy::allowInvalid);
    m.setVirgin(false);
    EXPECT_EQ(m.textInput(), "4");
    m.setVirgin(true);
    EXPECT_EQ(m.textInput(), "");
    m.setValue(0);
    notified = 0;
    m.keyResult({U'0'}, InputStyle::unbounded, ValidationPolicy::allowInvalid);
    m.reset();
    EXPECT_EQ(notified, 0);
    EXPECT_EQ(m.textInput(), "");

    struct Display {
        C component;
        TimecodeProperties properties;
        std::int64_t value;
        const char* text;
    };
    const Display displays[] = {
        {C::minutes, at24, 5, "05"},
        {C::frames, {TimecodeFrameRate::fps120, SubFramesBase::max80SubFrames, UpperLimit::max24Hours}, 7, "007"},
        {C::subFrames, {TimecodeFrameRate::fps24, SubFramesBase::quarterFrames, UpperLimit::max24Hours}, 3, "3"},
        {C::hours, at24, 123, "123"},
    };
    for (const Display& d : displays) EXPECT_EQ(ComponentStateModel(d.component, d.properties, d.value).displayText(), d.text);

    EXPECT_EQ(ComponentStateModel(C::days, at24, 0).validRange(), (ClosedRange<std::int64_t>{0, 0}));
    EXPECT_EQ(ComponentStateModel(C::frames, {TimecodeFrameRate::fps29_97d, SubFramesBase::max80SubFrames,
                                              UpperLimit::max24Hours}, 0).validRange(),
              (ClosedRange<std::int64_t>{0, 29}));
}

TEST(ComponentStateModel, DigitReachingAFullComponentBeforeFocusMoves) {
    for (ValidationPolicy policy : allCases<ValidationPolicy>()) {
        ComponentStateModel hours(C::hours, {}, 0);
        hours.keyResult({U'1'}, InputStyle::unbounded, policy);
        hours.keyResult({U'2'}, InputStyle::unbounded, policy);
        const KeyResult r = hours.keyResult({U'5'}, InputStyle::autoAdvance, policy);
        EXPECT_EQ(hours.value(), 12);
        EXPECT_EQ(hours.textInput(), "12");
        if (policy == ValidationPolicy::enforceValid)
            EXPECT_EQ(r, (KeyResult{KeyResult::Result::handled, {}, RejectionReason::invalid}));
        else
            EXPECT_EQ(r, (KeyResult{KeyResult::Result::handled, KeyResult::FocusResult::focusNextComponent, {}}));
    }
}

TEST(ComponentStateModel, HiddenComponentsAndDecimalReading) {
    using SFO = StringFormatOption;
    EXPECT_EQ(hiddenComponents({}, UpperLimit::max24Hours), (TimecodeComponentSet{C::days, C::subFrames}));
    EXPECT_EQ(hiddenComponents({SFO::alwaysShowDays, SFO::showSubFrames}, UpperLimit::max24Hours), TimecodeComponentSet{});
    EXPECT_EQ(hiddenComponents({}, UpperLimit::max100Days), TimecodeComponentSet{C::subFrames});

    constexpr auto most = std::numeric_limits<std::int64_t>::max();
    constexpr auto least = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(readDecimal("9223372036854775807"), most);
    EXPECT_EQ(readDecimal("-9223372036854775808"), least);
    EXPECT_EQ(readDecimal("007"), 7);
    for (const char* bad : {"9223372036854775808", "-9223372036854775809", "", "-", "1a", "+1"})
        EXPECT_EQ(readDecimal(bad), std::nullopt) << bad;
}

TEST(PasteValidation, PoliciesRangesAndDigitCounts) {
    using PP = PastePolicy;
    using VP = ValidationPolicy;
    const TimecodeProperties local25{TimecodeFrameRate::fps25, SubFramesBase::max80SubFrames, UpperLimit::max24Hours};
    auto pasted = [](TimecodeComponents c, TimecodeFrameRate rate, SubFramesBase base = SubFramesBase::max100SubFrames,
                     UpperLimit limit = UpperLimit::max100Days) { return timecodeOf(c, {rate, base, limit}); };
    struct Case {
        const char* name;
        Timecode pasted;
        PP paste;
        VP validation;
        InputStyle style;
        std::optional<TimecodeProperties> result;  // none: refused
    };
    const TimecodeComponents ok{0, 1, 2, 3, 4, 0};
    const Case cases[] = {
        {"other rate refused", pasted(ok, TimecodeFrameRate::fps29_97), PP::preserveLocalProperties, VP::enforceValid,
         InputStyle::continuousWithinComponent, std::nullopt},
        {"same rate keeps pasted base and limit", pasted(ok, TimecodeFrameRate::fps25), PP::preserveLocalProperties,
         VP::enforceValid, InputStyle::continuousWithinComponent,
         TimecodeProperties{TimecodeFrameRate::fps25, SubFramesBase::max100SubFrames, UpperLimit::max100Days}},
        {"invalid allowed keeps local", pasted({0, 25, 0, 0, 0, 0}, TimecodeFrameRate::fps25),
         PP::preserveLocalProperties, VP::allowInvalid, InputStyle::continuousWithinComponent, local25},
        {"new properties", pasted(ok, TimecodeFrameRate::fps29_97d), PP::allowNewProperties, VP::enforceValid,
         InputStyle::autoAdvance,
         TimecodeProperties{TimecodeFrameRate::fps29_97d, SubFramesBase::max100SubFrames, UpperLimit::max100Days}},
        {"discarded properties, frames too high here", pasted({0, 1, 0, 0, 50, 0}, TimecodeFrameRate::fps60),
         PP::discardProperties, VP::enforceValid, InputStyle::autoAdvance, std::nullopt},
        {"three frame digits refused", pasted({0, 1, 0, 0, 100, 0}, TimecodeFrameRate::fps25),
         PP::preserveLocalProperties, VP::allowInvalid, InputStyle::autoAdvance, std::nullopt},
        {"three frame digits unbounded", pasted({0, 1, 0, 0, 100, 0}, TimecodeFrameRate::fps25),
         PP::preserveLocalProperties, VP::allowInvalid, InputStyle::unbounded, local25},
        {"negative refused", pasted({0, -1, 0, 0, 0, 0}, TimecodeFrameRate::fps25), PP::allowNewProperties,
         VP::enforceValid, InputStyle::unbounded, std::nullopt},
        {"dropped frame number refused", pasted({0, 0, 1, 0, 0, 0}, TimecodeFrameRate::fps29_97d),
         PP::allowNewProperties, VP::enforceValid, InputStyle::unbounded, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto result = validatePaste(c.pasted, local25, c.paste, c.validation, c.style);
        ASSERT_EQ(result.has_value(), c.result.has_value()) << c.name;
        if (!result) continue;
        EXPECT_EQ(result->components(), c.pasted.components()) << c.name;
        EXPECT_EQ(result->properties(), *c.result) << c.name;
    }
}

TEST(PartialTimecodeText, SeparatorsSpacesAndFullStops) {
    using O = PartialTextCheck::Outcome;
    const auto df = TimecodeFrameRate::fps29_97d;
    const auto f25 = TimecodeFrameRate::fps25;
    const StringFormat none{}, sub{StringFormatOption::showSubFrames};
    struct Case {
        const char* text;
        TimecodeFrameRate rate;
        UpperLimit limit;
        StringFormat format;
        O outcome;
        const char* replacement;
    };
    const auto h24 = UpperLimit::max24Hours, d100 = UpperLimit::max100Days;
    const Case cases[] = {
        {"01.02.03.04", df, h24, none, O::replaced, "01:02:03;04"},
        {"01.02.03.04", f25, h24, none, O::replaced, "01:02:03:04"},
        {"01;02", f25, h24, none, O::replaced, "01:02"},
        {"01:02:03:04", df, h24, none, O::accepted, ""},
        {"1 01:00:00:00", f25, d100, none, O::accepted, ""},
        {"1 01:00:00:00", f25, h24, none, O::rejected, ""},
        {"1 01 00", f25, d100, none, O::rejected, ""},
        {"01 02", f25, d100, none, O::accepted, ""},
        {"01:02:03:04.5", f25, h24, sub, O::accepted, ""},
        {"01:02:03:04.5", f25, h24, none, O::rejected, ""},
        {"01:02:03:04.5.", f25, h24, sub, O::rejected, ""},
        {"01:02:03:04:05", f25, h24, none, O::rejected, ""},
        {"", f25, h24, none, O::accepted, ""},
    };
    for (const Case& c : cases) {
        const PartialTextCheck r = checkPartialTimecodeText(c.text, c.rate, c.limit, c.format);
        EXPECT_EQ(r.outcome, c.outcome) << c.text;
        EXPECT_EQ(r.replacement, c.replacement) << c.text;
        EXPECT_FALSE(r.errorDescription) << c.text;
    }
    const PartialTextCheck letter = checkPartialTimecodeText("01:0a", f25, h24, none);
    EXPECT_EQ(letter.outcome, O::rejected);
    EXPECT_EQ(letter.errorDescription, "Invalid characters.");
    EXPECT_EQ(checkPartialTimecodeText("abc", std::nullopt, h24, none).outcome, O::accepted);
}
