#include "MarkdownRender/Views/BlockViews.h"
#include "MarkdownRender/Views/Layouts.h"
#include "MarkdownRender/Views/LinkOpener.h"
#include "MarkdownRender/Views/Providers/CodeSyntaxHighlighter.h"
#include "ViewTestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace markdown;
using namespace viewtest;

namespace {

// A table geometry of `rows` × `columns` cells of 10 × 10 with 1-pixel gaps
// and a 1-pixel frame, as the grid lays it out.
TableBounds grid(int rows, int columns)
{
    std::map<std::pair<int, int>, QRectF> cells;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) cells[{r, c}] = QRectF(1 + 11 * c, 1 + 11 * r, 10, 10);
    return TableBounds::measure(rows, columns, cells, QRectF(0, 0, 11 * columns + 1, 11 * rows + 1));
}

TEST(TableBorders, SelectorsGiveTheirRectanglesInOrder)
{
    const struct {
        TableBorderSelector selector;
        TableBounds bounds;
        std::vector<QRectF> expected;
    } cases[] = {
        {TableBorderSelector::allBorders(), grid(1, 1), {QRectF(0, 0, 12, 12)}},
        {TableBorderSelector::insideBorders(), grid(1, 1), {}},
        {TableBorderSelector::allBorders(), grid(3, 2),
         {QRectF(0, 11, 23, 1), QRectF(0, 22, 23, 1), QRectF(11, 0, 1, 34), QRectF(0, 0, 23, 34)}},
        {TableBorderSelector::horizontalBorders(), grid(2, 1),
         {QRectF(0, 0, 12, 1), QRectF(0, 22, 12, 1), QRectF(0, 11, 12, 1)}},
        {TableBorderSelector::outsideBorders(), grid(0, 0), {}},
        {TableBorderSelector::allBorders(), grid(0, 3), {}},
    };
    for (const auto& c : cases) EXPECT_EQ(c.selector.rectangles(c.bounds, 1), c.expected);
}

TEST(TableBorders, MissingCellsKeepTheirRowOpenAndBackgroundsAlternate)
{
    const TableBounds bounds = TableBounds::measure(2, 2, {{{0, 0}, QRectF(1, 1, 10, 10)}}, QRectF(0, 0, 23, 23));
    EXPECT_EQ(bounds.rows[1].length, 0);
    EXPECT_EQ(bounds.columns[1].start, std::numeric_limits<double>::max());

    const Color a = Color::rgba(0x111111FF), b = Color::rgba(0x222222FF), h = Color::rgba(0x333333FF);
    const auto plain = TableBackgroundStyle::alternatingRows(a, b);
    const auto headed = TableBackgroundStyle::alternatingRows(a, b, h);
    EXPECT_EQ((std::vector<AnyShapeStyle>{plain.background(0, 0), plain.background(1, 3), plain.background(2, 0), plain.background(3, 1)}),
              (std::vector<AnyShapeStyle>{a, a, b, a}));
    EXPECT_EQ(headed.background(0, 5), h);
    EXPECT_EQ(TableBackgroundStyle::clear().background(0, 0), Color::clear());
}

TEST(FlowLayout, RowsWrapOnlyPastTheWidthAndShareTheirBottom)
{
    const auto fixed = [](std::vector<QSize> sizes) {
        return [sizes](int i, std::optional<int>) { return sizes[std::size_t(i)]; };
    };
    const std::vector<QSize> three(3, QSize(100, 50));
    auto rows = FlowLayout::rows(3, fixed(three), 250, 3);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].size, QSize(203, 50));
    EXPECT_EQ(rows[0].items.size(), 2u);
    EXPECT_EQ(FlowLayout::rows(3, fixed(three), 203, 3)[0].items.size(), 2u);
    EXPECT_EQ(FlowLayout::rows(3, fixed(three), std::nullopt, 3).size(), 1u);
    EXPECT_EQ(FlowLayout::size(rows, 3), QSize(203, 103));
    // A wide item gets a row of its own at its width.
    rows = FlowLayout::rows(2, fixed({QSize(10, 5), QSize(400, 20)}), 250, 3);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].size, QSize(400, 20));

    testsupport::ensureWidgetApplication();
    QWidget host;
    auto* layout = new FlowLayout(3, 3, &host);
    auto* tall = new QWidget;
    tall->setFixedSize(20, 40);
    auto* low = new QWidget;
    low->setFixedSize(20, 10);
    auto* after = new QWidget;
    after->setFixedSize(20, 10);
    layout->addWidget(tall);
    layout->addWidget(low);
    layout->addLineBreak();
    layout->addWidget(after);
    layout->setGeometry(QRect(0, 0, 300, layout->heightForWidth(300)));
    EXPECT_EQ(low->geometry().bottom(), tall->geometry().bottom());
    // The break is a row of its own, zero high.
    EXPECT_EQ(after->geometry().topLeft(), QPoint(0, 40 + 3 + 0 + 3));
}

TEST(ResizeToFit, ShrinksProportionallyButNeverGrows)
{
    EXPECT_EQ(ResizeToFit::fitted(QSizeF(400, 300), 200), QSize(200, 150));
    EXPECT_EQ(ResizeToFit::fitted(QSizeF(400, 300), 500), QSize(400, 300));
    EXPECT_EQ(ResizeToFit::fitted(QSizeF(400, 300), std::nullopt), QSize(400, 300));
    EXPECT_EQ(ResizeToFit::fitted(QSizeF(0, 300), 100), QSize(0, 0));
}

TEST(ImageFlowItems, OnlyImagesAndBreaksMakeAFlow)
{
    using N = InlineNode;
    const N image = N::image("a.png", {N::text("A *b*")});
    EXPECT_EQ(imageFlowItems({image, N::softBreak(), N::text(""), N::link("https://x", {image})})->size(), 2u);
    EXPECT_EQ(imageFlowItems({image, N::lineBreak(), image})->size(), 3u);
    EXPECT_FALSE(imageFlowItems({image, N::text(" "), image}));
    EXPECT_FALSE(imageFlowItems({image, N::link("https://x", {image, image})}));
    EXPECT_FALSE(imageFlowItems({N::emphasis({image})}));
    EXPECT_EQ(rawImageData(N::link("outer", {N::link("inner", {image})}))->destination, "outer");
}

TEST(HeadingIdentifier, SeparatorsBecomeDashes)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Getting Started", "getting-started"}, {"Hello, World!", "hello--world-"}, {"Ünïcode 2", "ünïcode-2"}};
    for (const auto& [heading, id] : cases)
        EXPECT_EQ(headingIdentifier({InlineNode::text(heading)}), QString::fromUtf8(id)) << heading;
}

TEST(ColorSchemeImages, FragmentsPickTheScheme)
{
    const struct {
        const char* source;
        bool light;
        bool dark;
    } cases[] = {
        {"a.png", true, true},
        {"a.png#gh-dark-mode-only", false, true},
        {"a.png#GH-LIGHT-MODE-ONLY", true, false},
        {"a.png#gh-dark-mode-only-please", true, true},
        {"http://exa mple.org/%zz", false, false},
    };
    for (const auto& c : cases) {
        const std::vector<BlockNode> blocks{
            BlockNode::paragraph({InlineNode::link("x", {InlineNode::image(c.source, {})})})};
        const auto kept = [&](ColorScheme scheme) {
            return !filterImages(blocks, scheme)[0].as<BlockNode::Paragraph>()->content[0].children().empty();
        };
        EXPECT_EQ(kept(ColorScheme::light), c.light) << c.source;
        EXPECT_EQ(kept(ColorScheme::dark), c.dark) << c.source;
    }
}

TEST(InlineImages, FailuresAreLeftOutAndEqualImagesFetchedOnce)
{
    auto provider = std::make_shared<FakeInlineImages>();
    auto* view = makeView({});
    view->setInlineImageProvider(provider);
    view->setMarkdown("a ![one](https://h/1.png) ![two](https://h/2.png) ![one](https://h/1.png) "
                      "*![nested](https://h/3.png)* ![bad](https://h/4.png)");
    Shown shown = show(view);
    auto* text = view->findChild<InlineText*>();
    EXPECT_EQ(provider->calls, (std::vector<QUrl>{QUrl("https://h/1.png"), QUrl("https://h/2.png"), QUrl("https://h/4.png")}));
    QSignalSpy loaded(text, &InlineText::imagesLoaded);
    const int before = text->heightForWidth(text->width());
    provider->answerAll({QUrl("https://h/4.png")});
    ASSERT_TRUE(loaded.count() == 1 || loaded.wait(10000));
    EXPECT_EQ(text->images().size(), 2u);
    EXPECT_TRUE(text->images().count("https://h/1.png") && text->images().count("https://h/2.png"));
    EXPECT_EQ(text->text().count(QChar::ObjectReplacementCharacter), 0);
    EXPECT_EQ(text->document().toPlainText().count(QChar::ObjectReplacementCharacter), 3);
    EXPECT_GE(text->heightForWidth(text->width()), before);
}

TEST(InlineImages, AnswersForAGoneViewAreDropped)
{
    auto provider = std::make_shared<FakeInlineImages>();
    auto* view = makeView({});
    view->setInlineImageProvider(provider);
    view->setMarkdown("![one](https://h/1.png) text");
    delete view;
    provider->answerAll();
    SUCCEED();
}

TEST(Links, TheDesktopOpensOnlyWebAndMailLinks)
{
    const std::pair<const char*, bool> cases[] = {
        {"https://example.org/a", true}, {"http://example.org", true},  {"mailto:someone@example.org", true},
        {"file:///etc/passwd", false},    {"vantrel://open", false},     {"javascript:alert(1)", false},
        {"/usr/bin/xterm", false},        {"https:///no-host", false},   {"mailto:", false},
    };
    for (const auto& [link, opens] : cases) EXPECT_EQ(isDesktopLink(QUrl(link)), opens) << link;
}

TEST(Providers, BundleImagesAreLookedUpByPlainNamesOnly)
{
    testsupport::ensureWidgetApplication();
    QTemporaryDir dir;
    QImage(6, 4, QImage::Format_RGB32).save(dir.filePath("logo.png"));
    const QString bundle = dir.path();
    EXPECT_EQ(loadBundleImage("logo.png", bundle).size(), QSize(6, 4));
    EXPECT_EQ(loadBundleImage("logo", bundle).size(), QSize(6, 4));
    for (const char* refused : {"", "../logo.png", "sub/logo.png", "..", "missing"})
        EXPECT_TRUE(loadBundleImage(refused, bundle).isNull()) << refused;

    const AssetImageProvider provider(AssetImageProvider::lastPathComponent, bundle);
    std::unique_ptr<QWidget> shown(provider.makeImage(QUrl("https://example.org/images/logo.png"), RenderContext::defaults()));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->sizeHint(), QSize(6, 4));
    EXPECT_EQ(provider.makeImage(std::nullopt, RenderContext::defaults()), nullptr);
    const QFuture<QImage> inlineImage = AssetInlineImageProvider({}, bundle).image(QUrl("logo.png"), "Logo");
    EXPECT_TRUE(inlineImage.result().isNull());  // no name function: nothing
    EXPECT_EQ(AssetInlineImageProvider(AssetImageProvider::lastPathComponent, bundle).image(QUrl("x/logo"), {}).result().size(),
              QSize(6, 4));

    const PlainTextCodeSyntaxHighlighter plain;
    for (const std::optional<std::string>& language : {std::optional<std::string>{}, std::optional<std::string>{"swift"}})
        EXPECT_EQ(plain.highlightCode("let x = 1\n", language).plainText(), "let x = 1\n");
}

}  // namespace
