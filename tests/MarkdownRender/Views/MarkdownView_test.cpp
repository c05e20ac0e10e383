#include "MarkdownRender/Styles/TextStyles.h"
#include "MarkdownRender/Views/BlockViews.h"
#include "MarkdownRender/Views/StyleKit.h"
#include "ViewTestSupport.h"

#include <QClipboard>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <limits>

using namespace markdown;
using namespace viewtest;

namespace {

QStringList namesIn(QWidget* root)
{
    QStringList names;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->objectName().isEmpty()) names << w->objectName();
    }
    return names;
}

struct StructureCase {
    const char* markdown;
    std::vector<std::pair<QString, int>> counts;  // objectName, how many
};

TEST(MarkdownViewStructure, BlocksBecomeWidgetsNamedByKind)
{
    const StructureCase cases[] = {
        {"Just text.", {{"paragraph", 1}, {"inlineText", 1}}},
        {"# 1\n## 2\n### 3\n#### 4\n##### 5\n###### 6",
         {{"heading1", 1}, {"heading2", 1}, {"heading3", 1}, {"heading4", 1}, {"heading5", 1}, {"heading6", 1}}},
        {"> > deep", {{"blockquote", 2}, {"paragraph", 1}}},
        {"- a\n  - b\n    - c", {{"bulletedList", 3}, {"listItem", 3}, {"listMarker", 3}}},
        {"3. a\n4. b", {{"numberedList", 1}, {"listItem", 2}, {"listMarker", 2}}},
        {"- [x] done\n- [ ] open", {{"taskList", 1}, {"taskMarker", 2}, {"listMarker", 0}}},
        {"```\ncode\n```", {{"codeBlock", 1}, {"inlineText", 1}}},
        {"<div>x</div>", {{"htmlBlock", 1}, {"inlineText", 1}}},
        {"| a | b |\n|---|---|\n| 1 | 2 |", {{"table", 1}, {"tableCell", 4}}},
        {"---", {{"thematicBreak", 1}}},
        {"![alt](https://example.org/a.png)", {{"paragraph", 1}, {"image", 1}, {"inlineText", 0}}},
        {"[![alt](a.png)](https://example.org)", {{"image", 1}, {"imageLink", 1}}},
        {"![a](https://example.org/a.png)\n![b](https://example.org/b.png)", {{"imageFlow", 1}, {"image", 2}}},
        {"![a](https://example.org/a.png) ![b](https://example.org/b.png)",
         {{"imageFlow", 0}, {"image", 0}, {"inlineText", 1}}},
    };
    for (const StructureCase& c : cases) {
        std::unique_ptr<MarkdownView> view(makeView(QString::fromUtf8(c.markdown)));
        const QStringList names = namesIn(view.get());
        for (const auto& [name, count] : c.counts) EXPECT_EQ(names.count(name), count) << c.markdown << " / " << name.toStdString();
    }
}

TEST(MarkdownViewStructure, LiteralBlocksShowTheirSourceAndHeadingsTheirIdentity)
{
    std::unique_ptr<MarkdownView> view(makeView("```\nline\n\n```\n\n<div>x</div>\n\n## Hello, World!"));
    const auto texts = view->findChildren<InlineText*>();
    ASSERT_EQ(texts.size(), 3);
    // One final line feed goes; a blank line before it stays.
    EXPECT_EQ(view->findChild<QWidget*>("codeBlock")->findChild<InlineText*>()->text(), "line\n");
    EXPECT_EQ(view->findChild<QWidget*>("htmlBlock")->findChild<InlineText*>()->text(), "<div>x</div>");
    EXPECT_EQ(view->findChild<QWidget*>("heading2")->property("headingId").toString(), "hello--world-");
}

// The space between consecutive top-level rows.
std::vector<int> gaps(const Shown& shown)
{
    const std::vector<QWidget*> rows = shown.rows();
    std::vector<int> result;
    for (std::size_t i = 1; i < rows.size(); ++i) result.push_back(rows[i]->y() - rows[i - 1]->geometry().bottom() - 1);
    return result;
}

std::vector<int> itemGaps(const Shown& shown, QWidget* list)
{
    auto items = list->findChildren<QWidget*>("listItem");
    std::sort(items.begin(), items.end(), [list](QWidget* a, QWidget* b) { return a->mapTo(list, QPoint()).y() < b->mapTo(list, QPoint()).y(); });
    std::vector<int> result;
    for (qsizetype i = 1; i < items.size(); ++i)
        result.push_back(shown.rectIn(items[i]).top() - shown.rectIn(items[i - 1]).bottom() - 1);
    return result;
}

TEST(MarkdownViewMargins, NeighbouringMarginsCollapse)
{
    Shown shown = show(makeView("One.\n\nTwo.\n\n## Head\n\nThree.\n\n> ## Quoted"));
    EXPECT_EQ(shown.rows().front()->y(), 0);
    // paragraph→paragraph, paragraph→heading, heading→paragraph, paragraph→quote holding a heading
    EXPECT_EQ(gaps(shown), (std::vector<int>{13, 20, 13, 20}));
}

TEST(MarkdownViewMargins, TightListsKeepOnlyTopMargins)
{
    Shown tight = show(makeView("- a\n- b\n- c"));
    EXPECT_EQ(itemGaps(tight, tight.view->findChild<QWidget*>("bulletedList")), (std::vector<int>{0, 0}));
    Shown loose = show(makeView("- a\n\n- b"));
    EXPECT_EQ(itemGaps(loose, loose.view->findChild<QWidget*>("bulletedList")), (std::vector<int>{13}));
}

TEST(MarkdownViewMargins, BlocksWithoutMarginsGetTheDefaultPaddingOrNoneWhenTight)
{
    Shown plain = show(makeView("One.\n\nTwo.", Theme()));
    EXPECT_EQ(gaps(plain), (std::vector<int>{int(defaultBlockPadding)}));
    Shown tight = show(makeView("- a\n- b", Theme()));
    EXPECT_EQ(itemGaps(tight, tight.view->findChild<QWidget*>("bulletedList")), (std::vector<int>{0}));
}

TEST(MarkdownViewThemes, HeadingSizesAndWeights)
{
    const struct {
        const Theme* theme;
        std::vector<int> sizes;
    } cases[] = {{&Theme::basic(), {26, 20, 15, 13, 11, 9}}, {&Theme::repository(), {32, 24, 20, 16, 14, 14}}};
    for (const auto& c : cases) {
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            std::unique_ptr<MarkdownView> view(makeView("# a\n## a\n### a\n#### a\n##### a\n###### a", *c.theme));
            view->setColorScheme(scheme);
            for (int level = 1; level <= 6; ++level) {
                auto* text = view->findChild<QWidget*>(QStringLiteral("heading%1").arg(level))->findChild<InlineText*>();
                const QFont font = firstFormat(text).font();
                EXPECT_EQ(font.pixelSize(), c.sizes[level - 1]) << level;
                EXPECT_EQ(font.weight(), QFont::DemiBold) << level;
            }
        }
    }
}

TEST(MarkdownViewThemes, ACallersTextStyleSetsTheBaseSize)
{
    std::unique_ptr<MarkdownView> view(makeView("# Title\n\nBody `code`"));
    view->setTextStyle(FontSize(15));
    EXPECT_EQ(firstFormat(view->findChild<QWidget*>("heading1")->findChild<InlineText*>()).font().pixelSize(), 30);
    auto* body = view->findChild<QWidget*>("paragraph")->findChild<InlineText*>();
    EXPECT_EQ(firstFormat(body).font().pixelSize(), 15);
    QTextCursor cursor(body->document().firstBlock());
    cursor.movePosition(QTextCursor::EndOfBlock);
    EXPECT_EQ(cursor.charFormat().font().pixelSize(), 14);  // code at 0.94 em
}

TEST(MarkdownViewThemes, TextAndLinkColoursFollowTheScheme)
{
    const struct {
        const Theme* theme;
        ColorScheme scheme;
        QRgb text;
        QRgb link;
    } cases[] = {
        {&Theme::documentation(), ColorScheme::light, 0x1D1D1F, 0x0066CC},
        {&Theme::documentation(), ColorScheme::dark, 0xF5F5F7, 0x2997FF},
        {&Theme::repository(), ColorScheme::light, 0x060606, 0x2C65CF},
        {&Theme::repository(), ColorScheme::dark, 0xFBFBFC, 0x4C8EF8},
    };
    for (const auto& c : cases) {
        std::unique_ptr<MarkdownView> view(makeView("text [link](https://example.org)", *c.theme));
        view->setColorScheme(c.scheme);
        QTextCursor cursor(view->findChild<InlineText*>()->document().firstBlock());
        cursor.movePosition(QTextCursor::NextCharacter);
        EXPECT_EQ(cursor.charFormat().foreground().color().rgb() & 0xFFFFFF, c.text);
        cursor.movePosition(QTextCursor::EndOfBlock);
        EXPECT_EQ(cursor.charFormat().foreground().color().rgb() & 0xFFFFFF, c.link);
    }
}

TEST(MarkdownViewTables, HeaderRowIsSemiboldAndRepositoryRowsAreBanded)
{
    for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
        auto* view = makeView("| H | I |\n|---|---|\n| a | b |\n| c | d |\n| e | f |", Theme::repository());
        view->setColorScheme(scheme);
        Shown shown = show(view);
        auto* grid = view->findChild<TableGrid*>();
        ASSERT_NE(grid, nullptr);
        EXPECT_EQ(firstFormat(grid->cell(0, 0)->findChild<InlineText*>()).font().weight(), QFont::DemiBold);
        EXPECT_EQ(firstFormat(grid->cell(1, 0)->findChild<InlineText*>()).font().weight(), QFont::Normal);
        const QImage picture = grid->grab().toImage();
        const TableBounds bounds = grid->tableBounds();
        const bool dark = scheme == ColorScheme::dark;
        const auto sample = [&](int row) {
            const QRectF cell = bounds.cell(row, 1);
            return picture.pixel(int(cell.right()) - 2, int(cell.top()) + 2) & 0xFFFFFF;
        };
        EXPECT_EQ(sample(1), dark ? 0x18191Du : 0xFFFFFFu);
        EXPECT_EQ(sample(2), dark ? 0x25262Au : 0xF7F7F9u);
        EXPECT_EQ(sample(3), dark ? 0x18191Du : 0xFFFFFFu);
        // The outer border and the rule between the columns.
        EXPECT_EQ(picture.pixel(0, picture.height() / 2) & 0xFFFFFF, dark ? 0x42444Eu : 0xE4E4E8u);
        EXPECT_EQ(picture.pixel(int(bounds.cell(1, 0).right()), picture.height() / 2) & 0xFFFFFF,
                  dark ? 0x42444Eu : 0xE4E4E8u);
    }
}

// Code in the repository theme takes its font and colour from the text around
// it, not the page's background: the block's own fill shows behind every line.
TEST(MarkdownViewThemes, RepositoryCodeLinesSitOnTheBlocksFill)
{
    const struct {
        ColorScheme scheme;
        QRgb page;
        QRgb fill;
    } cases[] = {{ColorScheme::light, 0xFFFFFF, 0xF7F7F9}, {ColorScheme::dark, 0x18191D, 0x25262A}};
    for (const auto& c : cases) {
        auto* view = makeView("```\nffmpeg -i in.mov\n  -c copy -timecode 01:00:00:00\nout.mov\n```", Theme::repository());
        view->setColorScheme(c.scheme);
        Shown shown = show(view);
        QWidget* block = view->findChild<QWidget*>("codeBlock");
        ASSERT_NE(block, nullptr);
        // Inside the rounded corners: the fill and the ink of the text, never the page.
        const QImage picture = block->grab().toImage();
        int fill = 0, page = 0, all = 0;
        for (int y = 8; y < picture.height() - 8; ++y) {
            for (int x = 8; x < picture.width() - 8; ++x, ++all) {
                const QRgb rgb = picture.pixel(x, y) & 0xFFFFFF;
                fill += rgb == c.fill;
                page += rgb == c.page;
            }
        }
        EXPECT_EQ(page, 0) << int(c.scheme);
        EXPECT_GT(fill * 10, all * 8) << int(c.scheme);
    }
}

TEST(MarkdownViewTables, ShortRowsAndTablesWithoutColumnsRender)
{
    RawTableRow header;
    header.cells = {{{InlineNode::text("only")}}};
    auto* view = makeView({});
    view->setContent(MarkdownContent(std::vector<BlockNode>{
        BlockNode::table({RawTableColumnAlignment::left, RawTableColumnAlignment::right}, {header, RawTableRow{}}),
        BlockNode::table({}, {header}), BlockNode::table({RawTableColumnAlignment::none}, {})}));
    Shown shown = show(view);
    const auto grids = view->findChildren<TableGrid*>();
    ASSERT_EQ(grids.size(), 3);
    EXPECT_EQ(grids[0]->findChildren<QWidget*>("tableCell").size(), 4);
    EXPECT_EQ(grids[1]->findChildren<QWidget*>("tableCell").size(), 0);
    EXPECT_TRUE(grids[2]->tableBounds().rows.empty());
}

std::vector<MarkerWidget*> markersOf(QWidget* root)
{
    auto markers = root->findChildren<MarkerWidget*>();
    std::sort(markers.begin(), markers.end(), [root](QWidget* a, QWidget* b) {
        return a->mapTo(root, QPoint()).y() < b->mapTo(root, QPoint()).y();
    });
    return {markers.begin(), markers.end()};
}

TEST(MarkdownViewLists, NumberedMarkersShareTheirTrailingEdge)
{
    QString markdown;
    for (int i = 1; i <= 10; ++i) markdown += QStringLiteral("%1. item\n").arg(i);
    Shown shown = show(makeView(markdown));
    const auto markers = markersOf(shown.view);
    ASSERT_EQ(markers.size(), 10u);
    EXPECT_EQ(markers[8]->text(), "9.");
    EXPECT_EQ(markers[9]->text(), "10.");
    for (MarkerWidget* marker : markers) EXPECT_EQ(shown.rectIn(marker).right(), shown.rectIn(markers[0]).right());
}

TEST(MarkdownViewLists, BulletsChangeWithTheLevel)
{
    Shown shown = show(makeView("- 1\n  - 2\n    - 3\n      - 4\n        - 5\n          - 6\n            - 7"));
    using S = MarkerWidget::Symbol;
    std::vector<S> symbols;
    for (MarkerWidget* marker : markersOf(shown.view)) symbols.push_back(marker->symbol());
    EXPECT_EQ(symbols, (std::vector<S>{S::disc, S::circle, S::square, S::square, S::square, S::square, S::square}));
    // Bullets are a third of the text size: 4 px at 13 px.
    EXPECT_EQ(markersOf(shown.view)[0]->sizeHint().width(), 20);  // at least 1.5 em
}

TEST(MarkdownViewLists, NumbersStartWhereTheListDoesAndStopAtTheLargest)
{
    std::unique_ptr<MarkdownView> zero(makeView("0. a\n1. b"));
    EXPECT_EQ(markersOf(zero.get())[0]->text(), "0.");

    constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
    std::vector<RawListItem> items(3, RawListItem{{BlockNode::paragraph({InlineNode::text("x")})}});
    std::unique_ptr<MarkdownView> view(makeView({}));
    view->setContent(MarkdownContent(BlockNode::numberedList(true, largest - 1, items)));
    QStringList texts;
    for (MarkerWidget* marker : markersOf(view.get())) texts << marker->text();
    EXPECT_EQ(texts, (QStringList{"9223372036854775806.", "9223372036854775807.", "9223372036854775807."}));
    EXPECT_EQ(itemNumber(std::numeric_limits<std::int64_t>::min(), 2), std::numeric_limits<std::int64_t>::min() + 2);
}

TEST(MarkdownViewLists, TaskMarkersShowCompletion)
{
    std::unique_ptr<MarkdownView> view(makeView("- [x] done\n- [ ] open"));
    const auto markers = markersOf(view.get());
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(markers[0]->symbol(), MarkerWidget::Symbol::checkedSquare);
    EXPECT_EQ(markers[1]->symbol(), MarkerWidget::Symbol::emptySquare);
    std::unique_ptr<MarkdownView> documentation(makeView("- [x] done", Theme::documentation()));
    EXPECT_EQ(markersOf(documentation.get())[0]->symbol(), MarkerWidget::Symbol::disc);
}

TEST(MarkdownViewLayout, RowsFollowTheWidthWithoutOverlapping)
{
    QString markdown = "# A heading that is long enough to wrap when the view becomes narrow\n\n";
    for (int i = 0; i < 3; ++i)
        markdown += "A paragraph with enough words in it to wrap onto several lines at a narrow width, "
                    "and a [link](https://example.org) too.\n\n- item one with text\n- item two\n\n"
                    "> quoted text that also wraps when narrow enough to wrap\n\n"
                    "| a | b |\n|---|---|\n| cell text | more cell text |\n\n```\nlet x = 1\n```\n\n";
    Shown shown = show(makeView(markdown), 800);
    for (const int width : {800, 320, 800}) {
        shown.resizeTo(width);
        const int viewport = shown.area->viewport()->width();
        EXPECT_EQ(shown.view->height(), shown.view->heightForWidth(viewport)) << width;
        const auto rows = shown.rows();
        for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_GT(rows[i]->y(), rows[i - 1]->geometry().bottom()) << width;
        EXPECT_LE(rows.back()->geometry().bottom(), shown.view->height());
        for (InlineText* text : shown.view->findChildren<InlineText*>()) {
            if (text->hasHeightForWidth()) {
                EXPECT_EQ(text->height(), text->heightForWidth(text->width())) << width;
            }
        }
    }
}

TEST(MarkdownViewLinks, ClicksReachTheOpenerResolved)
{
    auto* view = makeView("[go](page.html)");
    view->setBaseURLs(QUrl("https://example.org/docs/"));
    QList<QUrl> opened;
    view->setLinkOpener([&opened](const QUrl& url) { opened << url; });
    Shown shown = show(view);
    auto* text = view->findChild<InlineText*>();
    QTest::mouseClick(text, Qt::LeftButton, {}, QPoint(4, text->height() / 2));
    EXPECT_EQ(opened, QList<QUrl>{QUrl("https://example.org/docs/page.html")});
}

TEST(MarkdownViewLinks, LinkedImagesResolveSourceAndDestinationAgainstTheirOwnBases)
{
    auto* view = makeView({});
    QList<std::optional<QUrl>> asked;
    view->setImageProvider(std::make_shared<FunctionImageProvider>(
        [&asked](const std::optional<QUrl>& url, const RenderContext& context) {
            asked << url;
            return boxImages()->makeImage(url, context);
        }));
    view->setBaseURLs(QUrl("https://example.org/docs/"), QUrl("https://images.example.org/"));
    QList<QUrl> opened;
    view->setLinkOpener([&opened](const QUrl& url) { opened << url; });
    view->setMarkdown("[![alt](pic.png)](page.html)");
    Shown shown = show(view);
    EXPECT_EQ(asked.back(), QUrl("https://images.example.org/pic.png"));
    auto* link = view->findChild<LinkArea*>();
    ASSERT_NE(link, nullptr);
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(opened, QList<QUrl>{QUrl("https://example.org/docs/page.html")});
}

TEST(MarkdownViewSelection, SelectableTextCopiesWhatIsSelected)
{
    auto* view = makeView("Copy **me**.");
    Shown shown = show(view);
    auto* text = view->findChild<InlineText*>();
    EXPECT_EQ(text->focusPolicy(), Qt::NoFocus);
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(text->selectedText().isEmpty());

    view->setTextSelectable(true);
    shown.settle();
    text = view->findChild<InlineText*>();
    QApplication::clipboard()->clear();
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "Copy me.");
    // By mouse: a drag over the first characters.
    QTest::mousePress(text, Qt::LeftButton, {}, QPoint(0, text->height() / 2));
    QTest::mouseMove(text, QPoint(text->width() - 1, text->height() / 2));
    QTest::mouseRelease(text, Qt::LeftButton, {}, QPoint(text->width() - 1, text->height() / 2));
    EXPECT_EQ(text->selectedText(), "Copy me.");
}

}  // namespace
