// Keys typed into the field, one row per key and state, over the input styles and
// validation policies it applies to.
#include "FieldTestSupport.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <limits>

using namespace fieldtest;
using IS = TF::InputStyle;
using VP = TF::ValidationPolicy;

namespace {

struct Key {
    int code;
    QString text;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};
Key ch(char c) { return {c >= 'a' && c <= 'z' ? Qt::Key_A + (c - 'a') : int(c), QString(QChar(c))}; }
Key named(int code) { return {code, {}}; }

constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t least = std::numeric_limits<std::int64_t>::min();

struct Row {
    const char* name;
    // Combinations the row holds for: "A" autoAdvance, "C" continuous, "U" unbounded;
    // "E" enforceValid, "I" allowInvalid; "*" all six.
    const char* where;
    C component;
    TimecodeFrameRate rate;
    std::int64_t initial;  // set by the host
    const char* typed;     // typed first, stored as typed
    Key key;
    std::int64_t value;
    const char* text;
    bool virgin;
    C focus;
    bool passedOn = false;
    int beeps = 0;
    SubFramesBase base = SubFramesBase::max100SubFrames;
};

bool holds(const char* where, IS style, VP policy) {
    const std::string w = where;
    if (w == "*") return true;
    const char s = style == IS::autoAdvance ? 'A' : style == IS::continuousWithinComponent ? 'C' : 'U';
    const char p = policy == VP::enforceValid ? 'E' : 'I';
    for (std::size_t i = 0; i + 1 < w.size(); i += 3)
        if ((w[i] == s || w[i] == '*') && (w[i + 1] == p || w[i + 1] == '*')) return true;
    return false;
}

const auto fps24 = TimecodeFrameRate::fps24;

const Row rows[] = {
    // Digits.
    {"first digit", "*", C::minutes, fps24, 7, "", ch('1'), 1, "1", false, C::minutes},
    {"second digit fills and moves on", "A*", C::minutes, fps24, 0, "1", ch('2'), 12, "", true, C::seconds},
    {"second digit stays", "C* U*", C::minutes, fps24, 0, "1", ch('2'), 12, "12", false, C::minutes},
    {"continuous keeps the newest digits", "C*", C::seconds, fps24, 0, "45", ch('7'), 57, "57", false, C::seconds},
    {"third digit refused", "AE UE", C::seconds, fps24, 0, "45", ch('7'), 45, "45", false, C::seconds, false, 1},
    {"third digit moves on", "AI", C::seconds, fps24, 0, "45", ch('7'), 45, "", true, C::frames},
    {"unbounded accumulates", "UI", C::seconds, fps24, 0, "45", ch('7'), 457, "457", false, C::seconds},
    {"out of range refused", "*E", C::hours, fps24, 0, "2", ch('5'), 2, "2", false, C::hours, false, 1},
    {"out of range kept", "CI UI", C::hours, fps24, 0, "2", ch('5'), 25, "25", false, C::hours},
    {"three frame digits at 119.88", "A*", C::frames, TimecodeFrameRate::fps119_88, 0, "11", ch('9'), 119, "", true,
     C::subFrames},
    {"two frame digits at 100", "A*", C::frames, TimecodeFrameRate::fps100, 0, "9", ch('9'), 99, "", true, C::subFrames},
    {"quarter frame fills at once", "A*", C::subFrames, fps24, 0, "", ch('3'), 3, "3", false, C::subFrames, false, 0,
     SubFramesBase::quarterFrames},
    {"digit past 64 bits dropped", "UI", C::seconds, fps24, 0, "9223372036854775807", ch('0'), most,
     "9223372036854775807", false, C::seconds, true},
    {"keypad digit", "*", C::minutes, fps24, 0, "", {Qt::Key_4, "4", Qt::KeypadModifier}, 4, "4", false, C::minutes},
    // Steps.
    {"plus wraps hours", "*", C::hours, fps24, 23, "", ch('+'), 0, "", true, C::hours},
    {"minus wraps hours", "*", C::hours, fps24, 0, "", ch('-'), 23, "", true, C::hours},
    {"down wraps frames at 24", "*", C::frames, fps24, 0, "", named(Qt::Key_Down), 23, "", true, C::frames},
    {"up wraps frames at 120", "*", C::frames, TimecodeFrameRate::fps120, 119, "", named(Qt::Key_Up), 0, "", true,
     C::frames},
    {"drop frames wrap from 0", "*", C::frames, TimecodeFrameRate::fps29_97d, 0, "", ch('-'), 29, "", true, C::frames},
    {"keypad plus", "*", C::minutes, fps24, 8, "", {Qt::Key_Plus, "+", Qt::KeypadModifier}, 9, "", true, C::minutes},
    {"step after typing", "CI UI", C::minutes, fps24, 0, "7", ch('+'), 8, "", true, C::minutes},
    {"plus at the largest value", "*", C::minutes, fps24, most, "", ch('+'), 0, "", true, C::minutes},
    {"minus at the smallest value", "*", C::minutes, fps24, least, "", ch('-'), 59, "", true, C::minutes},
    {"up past a value out of range", "*", C::seconds, fps24, 75, "", named(Qt::Key_Up), 0, "", true, C::seconds},
    // Deleting.
    {"backspace on virgin resets", "*", C::minutes, fps24, 5, "", named(Qt::Key_Backspace), 0, "", false, C::minutes},
    {"backspace on zero goes back", "*", C::minutes, fps24, 0, "", named(Qt::Key_Backspace), 0, "", true, C::hours},
    {"backspace drops a digit", "C* U*", C::minutes, fps24, 0, "12", named(Qt::Key_Backspace), 1, "1", false,
     C::minutes},
    {"backspace of the only digit", "*", C::minutes, fps24, 0, "3", named(Qt::Key_Backspace), 0, "", false,
     C::minutes},
    {"U+007F deletes too", "*", C::minutes, fps24, 0, "3", {Qt::Key_unknown, QString(QChar(0x7f))}, 0, "", false,
     C::minutes},
    {"forward delete", "*", C::minutes, fps24, 0, "4", named(Qt::Key_Delete), 0, "", false, C::minutes},
    {"clear", "*", C::minutes, fps24, 9, "", named(Qt::Key_Clear), 0, "", false, C::minutes},
    // Navigation.
    {"left", "*", C::minutes, fps24, 0, "", named(Qt::Key_Left), 0, "", true, C::hours},
    {"left at the first stays", "*", C::hours, fps24, 0, "", named(Qt::Key_Left), 0, "", true, C::hours},
    {"right", "*", C::minutes, fps24, 0, "", named(Qt::Key_Right), 0, "", true, C::seconds},
    {"full stop", "*", C::minutes, fps24, 0, "", ch('.'), 0, "", true, C::seconds},
    {"colon", "*", C::minutes, fps24, 0, "", {Qt::Key_Colon, ":", Qt::ShiftModifier}, 0, "", true, C::seconds},
    {"semicolon", "*", C::minutes, fps24, 0, "", ch(';'), 0, "", true, C::seconds},
    {"comma", "*", C::minutes, fps24, 0, "", ch(','), 0, "", true, C::seconds},
    {"moving on makes virgin", "C*", C::minutes, fps24, 0, "4", ch('.'), 4, "", true, C::seconds},
    // Keys the field passes on.
    {"escape without action", "*", C::minutes, fps24, 0, "4", named(Qt::Key_Escape), 4, "4", false, C::minutes, true},
    {"return without action", "*", C::minutes, fps24, 0, "", named(Qt::Key_Return), 0, "", true, C::minutes, true},
    {"keypad enter without action", "*", C::minutes, fps24, 0, "", named(Qt::Key_Enter), 0, "", true, C::minutes,
     true},
    {"letter rejected", "*", C::minutes, fps24, 6, "", ch('a'), 6, "", true, C::minutes, true, 1},
    {"shift alone", "*", C::minutes, fps24, 6, "", {Qt::Key_Shift, {}, Qt::ShiftModifier}, 6, "", true, C::minutes,
     true},
    {"ctrl+o", "*", C::minutes, fps24, 6, "", {Qt::Key_O, "o", Qt::ControlModifier}, 6, "", true, C::minutes, true},
    {"autorepeat counts", "*", C::minutes, fps24, 6, "", {Qt::Key_Up, {}, Qt::NoModifier}, 7, "", true, C::minutes},
};

void press(QWidget* w, const Key& key, bool autorepeat = false) {
    QKeyEvent down(QEvent::KeyPress, key.code, key.modifiers, key.text, autorepeat);
    QApplication::sendEvent(w, &down);
    QKeyEvent up(QEvent::KeyRelease, key.code, key.modifiers, key.text, autorepeat);
    QApplication::sendEvent(w, &up);
}

}  // namespace

TEST(FieldKeys, EveryRowUnderEveryStyleAndPolicy) {
    for (const Row& row : rows) {
        for (IS style : field::allCases<IS>()) {
            for (VP policy : field::allCases<VP>()) {
                if (!holds(row.where, style, policy)) continue;
                SCOPED_TRACE(std::string(row.name) + " / " + std::string(field::rawValue(style)) + " / " +
                             std::string(field::rawValue(policy)));
                Host host({row.rate, row.base, UpperLimit::max24Hours});
                TF* f = host.field;
                timecodeFormat(f, {StringFormatOption::showSubFrames});
                TimecodeComponents start;
                start.setValue(row.component, row.initial);
                f->setComponents(start);
                f->setFocusedComponent(row.component);
                timecodeFieldInputStyle(f, IS::unbounded);
                timecodeFieldValidationPolicy(f, VP::allowInvalid);
                QTest::keyClicks(f, row.typed);
                timecodeFieldInputStyle(f, style);
                timecodeFieldValidationPolicy(f, policy);
                const bool repeat = std::string(row.name) == "autorepeat counts";
                press(f, row.key, repeat);

                const auto& model = f->componentView(row.component)->stateModel();
                EXPECT_EQ(f->components().value(row.component), row.value);
                EXPECT_EQ(model.textInput(), row.text);
                EXPECT_EQ(model.isVirgin(), row.virgin);
                ASSERT_TRUE(f->focusedComponent());
                EXPECT_EQ(int(*f->focusedComponent()), int(row.focus));
                EXPECT_EQ(!host.passedKeys.isEmpty(), row.passedOn);
                EXPECT_EQ(host.beeps, row.beeps);
            }
        }
    }
}

TEST(FieldKeys, FastTypingFillsEveryComponent) {
    struct Case {
        TimecodeFrameRate rate;
        const char* typed;
        TimecodeComponents expected;
        bool framesInvalid;
    };
    const Case cases[] = {
        {TimecodeFrameRate::fps29_97d, "01000205", {0, 1, 0, 2, 5, 0}, false},
        {TimecodeFrameRate::fps23_976, "23595923", {0, 23, 59, 59, 23, 0}, false},
        {TimecodeFrameRate::fps29_97d, "00010000", {0, 0, 1, 0, 0, 0}, true},
    };
    for (const Case& c : cases) {
        Host host({c.rate, SubFramesBase::max100SubFrames, UpperLimit::max24Hours});
        timecodeFieldInputStyle(&host, IS::autoAdvance);
        QSignalSpy edited(host.field, &TF::componentsEdited);
        host.field->setFocusedComponent(C::hours);
        // One event after another with nothing processed in between.
        QTest::keyClicks(host.field, c.typed);
        ASSERT_FALSE(edited.isEmpty());
        EXPECT_EQ(digitsOf(edited.last().at(0).value<TimecodeComponents>()), digitsOf(c.expected)) << c.typed;
        EXPECT_EQ(host.field->timecode().invalidComponents().contains(C::frames), c.framesInvalid);
        EXPECT_EQ(host.beeps, 0);
    }
}
