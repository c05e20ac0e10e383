#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTextBlock>

#include "TimecodeCoreQt/TextUtilities.h"

using namespace timecode;

TEST(TextUtilities, CaptureGroupsOfEveryMatch) {
    const auto groups = regexCaptureGroups("1+08 2+09.5", R"((\d+)\+(\d+)(?:\.(\d+))?)");
    ASSERT_EQ(groups.size(), 8);
    EXPECT_EQ(groups[0], "1+08");
    EXPECT_EQ(groups[1], "1");
    EXPECT_EQ(groups[2], "08");
    EXPECT_EQ(groups[3], std::nullopt);  // the optional group did not take part
    EXPECT_EQ(groups[4], "2+09.5");
    EXPECT_EQ(groups[7], "5");
    EXPECT_TRUE(regexCaptureGroups("abc", "(").isEmpty());
    EXPECT_TRUE(regexCaptureGroups("abc", "x(y)").isEmpty());
    EXPECT_EQ(regexMatches("a1b22c333", R"(\d+)"), (QStringList{"1", "22", "333"}));
    EXPECT_EQ(regexMatches("ABC", "b", QRegularExpression::CaseInsensitiveOption), QStringList{"B"});
    EXPECT_TRUE(regexMatches("abc", "[").isEmpty());
}

TEST(TextUtilities, ReplacingWithATemplate) {
    EXPECT_EQ(regexReplacing("01:02:03:04", R"((\d+):(\d+))", "$2-$1"), "02-01:04-03");
    EXPECT_EQ(regexReplacing("a1", R"((\d))", R"(\$$1\\)"), "a$1\\");
    // "$12" with only one group is group 1 followed by the digit 2.
    EXPECT_EQ(regexReplacing("x7", R"((\d))", "$12"), "x72");
    EXPECT_EQ(regexReplacing("x7", R"((\d))", "$9"), "x");
    EXPECT_EQ(regexReplacing("cost", "o", "$"), "c$st");
    EXPECT_EQ(regexReplacing("none", "z", "y"), "none");
    EXPECT_EQ(regexReplacing("abc", "(", "y"), std::nullopt);
}

TEST(TextUtilities, AlignmentOfEveryParagraph) {
    QTextDocument document;
    document.setPlainText("01:00:00:00\n02:00:00:00");
    const auto copy = addingAlignment(document, Qt::AlignHCenter);
    EXPECT_EQ(copy->toPlainText(), document.toPlainText());
    for (QTextBlock b = copy->begin(); b.isValid(); b = b.next()) EXPECT_EQ(b.blockFormat().alignment(), Qt::AlignHCenter);
    EXPECT_NE(document.begin().blockFormat().alignment(), Qt::AlignHCenter);
    addAlignment(document, Qt::AlignRight);
    EXPECT_EQ(document.lastBlock().blockFormat().alignment(), Qt::AlignRight);
}
