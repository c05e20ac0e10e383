#include <gtest/gtest.h>

#include "HelpMenu/HelpViewModel.h"

#include <QSignalSpy>

using namespace helpmenu;

namespace {

HelpContent content() {
    return HelpContent({{"start", "Getting Started", "## Setting the start time\n\nType a timecode.", "Basics"},
                        {"queue", "The Queue", "Jobs run one after another.", {}},
                        {"verify", "Verification", "Checks read the output back.", "Basics"}},
                       "Help", std::nullopt);
}

QList<HighlightedText::Range> ranges(std::initializer_list<std::pair<int, int>> list) {
    QList<HighlightedText::Range> out;
    for (auto [s, l] : list) out.append({s, l});
    return out;
}

}  // namespace

TEST(HelpSearch, FilteringHitsAndSelection) {
    HelpViewModel m(content());
    EXPECT_EQ(m.selection(), "start");
    m.setSearchText("  \n ");
    EXPECT_FALSE(m.isSearching());
    EXPECT_EQ(m.filteredTopics().size(), 3);
    EXPECT_TRUE(m.searchHits().isEmpty());

    m.setSearchText("  QUEUE ");
    ASSERT_EQ(m.searchHits().size(), 1);
    const HelpSearchHit hit = m.searchHits().first();
    EXPECT_EQ(hit.highlightedTitle.ranges, ranges({{4, 5}}));
    EXPECT_FALSE(hit.snippet);  // a title-only match
    m.reconcileSelectionWithFilter();
    EXPECT_EQ(m.selection(), "queue");

    m.setSearchText("nothing like it");
    EXPECT_TRUE(m.hasNoSearchResults());
    m.reconcileSelectionWithFilter();
    EXPECT_EQ(m.selection(), "queue");
    EXPECT_EQ(m.selectedTopic()->title, "The Queue");

    m.setSearchText("");
    EXPECT_EQ(m.selection(), "queue");  // clearing keeps the selection

    m.setSearchText("output");
    EXPECT_EQ(m.filteredGroups().size(), 1);
    EXPECT_EQ(m.hit("verify")->snippet->text, "Checks read the output back.");
    EXPECT_FALSE(m.hit("queue"));
}

TEST(HelpSearch, SignalsOnlyOnRealChanges) {
    HelpViewModel m(content());
    QSignalSpy selection(&m, &HelpViewModel::selectionChanged);
    QSignalSpy search(&m, &HelpViewModel::searchTextChanged);
    m.setSelection(QString("start"));
    m.setSearchText("");
    EXPECT_EQ(selection.size() + search.size(), 0);
    m.setSelection(std::nullopt);
    m.setSearchText("x");
    EXPECT_EQ(selection.size() + search.size(), 2);
    EXPECT_FALSE(HelpViewModel(HelpContent({}, "Help", std::nullopt)).selection());
}

TEST(HelpSearch, HighlightsWithoutOverlapAndNeverInsideACharacter) {
    EXPECT_EQ(highlight("abab", "ab").ranges, ranges({{0, 2}, {2, 2}}));
    EXPECT_EQ(highlight("aaa", "aa").ranges, ranges({{0, 2}}));
    EXPECT_EQ(highlight("Timecode TIME", " time ").ranges, ranges({{0, 4}, {9, 4}}));
    EXPECT_TRUE(highlight("text", "  ").ranges.isEmpty());
    // "e" does not match the first half of "e" with a combining acute accent.
    EXPECT_EQ(highlight(QString("cafe\u0301 cafe"), "cafe").ranges, ranges({{6, 4}}));
}

TEST(HelpSearch, ExcerptsCutAtSeventyTwoCharactersEachSide) {
    const QString match = "MATCH";
    const auto around = [&](int before, int after) {
        return excerpt(QString(before, 'x') + match + QString(after, 'y'), "match").value();
    };
    const QString short10 = around(10, 400);
    EXPECT_TRUE(short10.startsWith("xxxxxxxxxxMATCH"));
    EXPECT_TRUE(short10.endsWith(QString(72, 'y') + QChar(0x2026)));
    EXPECT_FALSE(around(72, 0).startsWith(QChar(0x2026)));
    EXPECT_EQ(around(73, 0), QChar(0x2026) + QString(72, 'x') + match);

    EXPECT_EQ(excerpt("## Setting the start time\n\nMore", "start"), "Setting the start time More");
    EXPECT_FALSE(excerpt("abc", "zzz"));
    EXPECT_FALSE(excerpt("abc", " "));

    // Emoji and accents count as one character each and are never split.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB");  // woman technologist
    const QString text = QString(71, 'x') + emoji + "e\u0301" + match;
    const QString e = excerpt(text, "match").value();
    EXPECT_TRUE(e.startsWith(QChar(0x2026) + QString(70, 'x') + emoji + "e\u0301")) << e.toStdString();
}
