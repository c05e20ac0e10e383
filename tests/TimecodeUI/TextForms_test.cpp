// The timecode as styled text in its three forms, the timecode line edit with its
// formatter, and the timecode state holder.
#include "FieldTestSupport.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "TimecodeUI/TimecodeState.h"
#include "TimecodeUI/TimecodeText.h"
#include "TimecodeUI/TimecodeTextField.h"
#include "TimecodeUI/model/ComponentModel.h"

using namespace fieldtest;
using SFO = StringFormatOption;

namespace {

Timecode tc(TimecodeComponents c, TimecodeFrameRate rate, SubFramesBase base = SubFramesBase::max80SubFrames,
            UpperLimit limit = UpperLimit::max24Hours) {
    return field::timecodeOf(c, {rate, base, limit});
}

QString joined(const QList<ColouredPiece>& pieces) {
    QString s;
    for (const auto& p : pieces) s += p.text;
    return s;
}

QTextCharFormat foreground(const QColor& colour) {
    QTextCharFormat f;
    f.setForeground(colour);
    return f;
}

}  // namespace

TEST(TimecodeTextForms, PiecesInEachForm) {
    struct Case {
        Timecode timecode;
        StringFormat format;
        const char* coloured;  // with file-name dashes when asked
        const char* attributed;
    };
    const auto df = TimecodeFrameRate::fps29_97d;
    const Case cases[] = {
        {tc({0, 1, 2, 3, 4, 0}, df), {}, "01:02:03;04", "01:02:03;04"},
        {tc({0, 1, 2, 3, 4, 0}, TimecodeFrameRate::fps29_97), {}, "01:02:03:04", "01:02:03:04"},
        {tc({0, 1, 2, 3, 4, 0}, df), {SFO::filenameCompatible}, "01-02-03-04", "01:02:03;04"},
        {tc({0, 0, 0, 0, 7, 0}, TimecodeFrameRate::fps120), {}, "00:00:00:007", "00:00:00:007"},
        {tc({0, 0, 0, 0, 7, 0}, TimecodeFrameRate::fps100), {}, "00:00:00:07", "00:00:00:07"},
        {tc({0, 0, 0, 0, 0, 3}, TimecodeFrameRate::fps24, SubFramesBase::quarterFrames), {SFO::showSubFrames},
         "00:00:00:00.3", "00:00:00:00.3"},
        {tc({0, 0, 0, 0, 0, 3}, TimecodeFrameRate::fps24), {SFO::showSubFrames}, "00:00:00:00.03", "00:00:00:00.03"},
        {tc({0, 0, 0, 0, 0, 0}, TimecodeFrameRate::fps24), {SFO::alwaysShowDays}, "0 00:00:00:00", "0 00:00:00:00"},
        {tc({3, 0, 0, 0, 0, 0}, TimecodeFrameRate::fps24, SubFramesBase::max80SubFrames, UpperLimit::max100Days), {},
         "3 00:00:00:00", "3 00:00:00:00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(joined(colouredTimecode(c.timecode, c.format)), c.coloured);
        EXPECT_EQ(attributedTimecode(c.timecode, c.format).text, c.attributed);
    }
}

TEST(TimecodeTextForms, StylesOfSeparatorsSubFramesAndInvalidComponents) {
    // Hours 25 and subframes 90 are out of range.
    const Timecode t = tc({0, 25, 0, 0, 0, 90}, TimecodeFrameRate::fps24);
    const StringFormat sub{SFO::showSubFrames};
    const QColor grey(Qt::gray), blue(Qt::blue), red(Qt::red);

    const auto pieces = colouredTimecode(t, sub, grey, blue, red);
    EXPECT_EQ(pieces.front(), (ColouredPiece{"25", red}));
    EXPECT_EQ(pieces.at(1), (ColouredPiece{":", grey}));
    EXPECT_EQ(pieces.at(2), (ColouredPiece{"00", std::nullopt}));
    EXPECT_EQ(pieces.back(), (ColouredPiece{"90", red}));
    // Without an invalid colour the invalid subframes have none, not the subframes colour.
    EXPECT_EQ(colouredTimecode(t, sub, grey, blue).back(), (ColouredPiece{"90", std::nullopt}));

    QTextCharFormat bold = foreground(blue);
    bold.setFontWeight(QFont::Bold);
    const AttributedTimecode a = attributedTimecode(t, sub, bold, foreground(grey), foreground(Qt::green), foreground(red));
    ASSERT_EQ(a.formats.size(), 9);
    // Invalid hours: the default and the invalid format together, the invalid colour winning.
    EXPECT_EQ(a.formats[0].format.foreground().color(), red);
    EXPECT_EQ(a.formats[0].format.fontWeight(), QFont::Bold);
    EXPECT_EQ(a.formats[1].format.foreground().color(), grey);
    EXPECT_EQ(a.formats[8].format.foreground().color(), red);
    // Without an invalid format, invalid subframes still take the subframes format.
    const AttributedTimecode noInvalid = attributedTimecode(t, sub, std::nullopt, std::nullopt, foreground(Qt::green));
    ASSERT_EQ(noInvalid.formats.size(), 1);
    EXPECT_EQ(noInvalid.formats[0].start, 12);
    EXPECT_EQ(noInvalid.formats[0].format.foreground().color(), QColor(Qt::green));
}

TEST(TimecodeTextFormatter, FormatsValidatesAndRewrites) {
    const TimecodeProperties df{TimecodeFrameRate::fps29_97d, SubFramesBase::max80SubFrames, UpperLimit::max24Hours};
    TimecodeTextFormatter plain;
    EXPECT_EQ(plain.stringFor(QString("1:2:3:4")), "1:2:3:4");
    EXPECT_EQ(plain.stringFor(42), std::nullopt);
    TimecodeTextFormatter f(df, StringFormat{SFO::showSubFrames}, true, foreground(Qt::red));
    EXPECT_EQ(f.stringFor(QString("1:2:3:4")), "01:02:03;04.00");
    EXPECT_EQ(f.stringFor(QString("junk")), "junk");
    // The validation form leaves the subframes out; an unreadable text is invalid as a whole.
    EXPECT_EQ(f.attributedStringFor(QString("1:2:3:4"), std::nullopt)->text, "01:02:03;04");
    const auto junk = f.attributedStringFor(QString("junk"), std::nullopt);
    ASSERT_EQ(junk->formats.size(), 1);
    EXPECT_EQ(junk->formats[0].format.foreground().color(), QColor(Qt::red));
    f.showsValidation = false;
    f.alignment = Qt::AlignRight;
    EXPECT_EQ(f.attributedStringFor(QString("1:2:3:4"), std::nullopt)->alignment, Qt::AlignRight);

    QString text = "01.02.03.04";
    int position = 5;
    EXPECT_EQ(f.validate(text, position), QValidator::Intermediate);
    EXPECT_EQ(text, "01:02:03;04");
    EXPECT_EQ(position, 5);
    EXPECT_EQ(f.validate(text, position), QValidator::Acceptable);
    QString letter = "01:0x";
    EXPECT_EQ(f.validate(letter, position), QValidator::Invalid);
    EXPECT_EQ(f.lastErrorDescription(), "Invalid characters.");
}

TEST(TimecodeTextField, TypingReformattingAndEscape) {
    ensureWidgetApplication();
    QWidget window;
    auto* field = new TimecodeTextField(&window);
    field->formatter()->frameRate = TimecodeFrameRate::fps29_97d;
    field->formatter()->upperLimit = UpperLimit::max24Hours;
    field->formatter()->subFramesBase = SubFramesBase::max80SubFrames;
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 10000));
    field->setFocus();
    QTest::keyClicks(field, "1.2.3.4x");
    EXPECT_EQ(field->text(), "1:2:3;4");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(field->text(), "01:02:03;04");
    QTest::keyClicks(field, "5");
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(field->text(), "01:02:03;04");
    EXPECT_TRUE(field->hasFocus());
}

TEST(TimecodeState, PostsChangedOnlyForADifferentValue) {
    ensureWidgetApplication();
    const Timecode start = tc({0, 1, 0, 0, 0, 0}, TimecodeFrameRate::fps25);
    TimecodeState state(start);
    QSignalSpy changed(&state, &TimecodeState::changed);
    state.setValue(start);
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.size(), 0);
    // Same components at another rate: a different value, stored before anyone hears of it.
    const Timecode other = tc({0, 1, 0, 0, 0, 0}, TimecodeFrameRate::fps24);
    Timecode seen;
    QObject::connect(&state, &TimecodeState::changed, [&] { seen = state.value(); });
    state.setValue(other);
    EXPECT_EQ(changed.size(), 0);
    EXPECT_EQ(state.value().frameRate(), TimecodeFrameRate::fps24);
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(seen.frameRate(), TimecodeFrameRate::fps24);
}
