// Centred and right-aligned text place every block so, not only the lines of
// text: images, tables and image rows keep their own width; dividers and code
// blocks keep the whole width.

#include "MarkdownRender/Views/BlockViews.h"
#include "MarkdownRender/Views/StyleKit.h"
#include "MarkdownRender/Views/InlineText.h"
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

using namespace markdown;
using namespace viewtest;

namespace {

const QColor green(0x20, 0x90, 0x20);

std::shared_ptr<const ImageProvider> solidImages(QSize size)
{
    return std::make_shared<FunctionImageProvider>([size](const std::optional<QUrl>& url, const RenderContext&) -> QWidget* {
        if (!url) return nullptr;
        QImage image(size, QImage::Format_RGB32);
        image.fill(green);
        return makeFittedImage(image, QSizeF(size));
    });
}

// The first and last column holding a pixel that `wanted` accepts, between two rows.
std::pair<int, int> columnsWith(const QImage& picture, int top, int bottom, const std::function<bool(QRgb)>& wanted)
{
    int first = picture.width(), last = -1;
    for (int y = std::max(top, 0); y < std::min(bottom, picture.height()); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (!wanted(picture.pixel(x, y))) continue;
            first = std::min(first, x);
            last = std::max(last, x);
        }
    }
    return {first, last};
}

bool isGreen(QRgb pixel) { return (pixel & 0xFFFFFF) == (green.rgb() & 0xFFFFFF); }
bool isDark(QRgb pixel) { return qGray(pixel) < 110; }

const char* const document = "A short line.\n\n"
                             "![picture](picture.png)\n\n"
                             "| a | b |\n|---|---|\n| c | d |\n\n"
                             "---\n\n"
                             "```\ncode\n```\n\n"
                             "> ![quoted](quoted.png)\n\n"
                             "1. listed";

struct Placed {
    Shown shown;
    QImage picture;
    int width;

    QRect rectOf(QWidget* widget) const { return shown.rectIn(widget); }
    // The margins left and right of what `wanted` accepts in the rows of `widget`.
    std::pair<int, int> sides(QWidget* widget, const std::function<bool(QRgb)>& wanted) const
    {
        const QRect rect = rectOf(widget);
        const auto [first, last] = columnsWith(picture, rect.top(), rect.bottom() + 1, wanted);
        return {first, width - 1 - last};
    }
};

Placed place(Qt::Alignment alignment)
{
    auto* view = makeView(QString::fromLatin1(document));
    view->setImageProvider(solidImages({80, 40}));
    view->setTableBorderStyle({TableBorderSelector::allBorders(), Color::rgba(0x000000FF), 2});
    view->setTextAlignment(alignment);
    Shown shown = show(view, 600);
    const QImage picture = view->grab().toImage();
    return {std::move(shown), picture, view->width()};
}

QWidget* topLevel(MarkdownView* view, const QString& name)
{
    for (QWidget* row : view->findChild<QWidget*>(QStringLiteral("blocks"))->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (row->objectName() == name) return row;
    return nullptr;
}

// The top-level paragraph that holds text, and the one that holds the picture.
std::pair<QWidget*, QWidget*> paragraphs(MarkdownView* view)
{
    QWidget* text = nullptr;
    QWidget* picture = nullptr;
    for (QWidget* row : view->findChild<QWidget*>(QStringLiteral("blocks"))->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (row->objectName() != QStringLiteral("paragraph")) continue;
        (row->findChild<InlineText*>() ? text : picture) = row;
    }
    return {text, picture};
}

TEST(BlockAlignment, CentredTextCentresEveryBlock)
{
    const Placed placed = place(Qt::AlignHCenter);
    MarkdownView* view = placed.shown.view;
    const auto [text, picture] = paragraphs(view);
    ASSERT_TRUE(text && picture);

    const auto expectCentred = [&](QWidget* widget, const std::function<bool(QRgb)>& wanted, const char* what) {
        ASSERT_NE(widget, nullptr) << what;
        const auto [left, right] = placed.sides(widget, wanted);
        EXPECT_GT(left, 20) << what;
        EXPECT_NEAR(left, right, 2) << what;
    };
    expectCentred(text, isDark, "text");
    expectCentred(picture, isGreen, "image");
    expectCentred(topLevel(view, QStringLiteral("table")), isDark, "table");
    // A block quote keeps its own width, centred, and centres what it holds.
    QWidget* quote = topLevel(view, QStringLiteral("blockquote"));
    ASSERT_NE(quote, nullptr);
    const QRect quoteRect = placed.rectOf(quote);
    EXPECT_NEAR(quoteRect.left(), placed.width - 1 - quoteRect.right(), 1);
    EXPECT_LT(quoteRect.width(), 200);
    EXPECT_GT(placed.sides(quote, isGreen).first, quoteRect.left());

    // A list item is centred whole, its marker beside its text.
    auto* marker = view->findChild<MarkerWidget*>();
    InlineText* listed = nullptr;
    for (InlineText* candidate : topLevel(view, QStringLiteral("numberedList"))->findChildren<InlineText*>()) listed = candidate;
    ASSERT_TRUE(marker && listed);
    const QRect markerRect = placed.rectOf(marker), listedRect = placed.rectOf(listed);
    EXPECT_GT(markerRect.left(), placed.width / 3);
    EXPECT_LE(markerRect.right(), listedRect.left());
    EXPECT_LT(listedRect.left() - markerRect.right(), 16);
    EXPECT_NEAR(markerRect.left(), placed.width - 1 - listedRect.right(), 2);

    // A divider keeps the whole width, and so does a code block.
    auto* divider = view->findChild<QWidget*>(QStringLiteral("divider"));
    ASSERT_NE(divider, nullptr);
    EXPECT_EQ(placed.rectOf(divider).left(), 0);
    EXPECT_EQ(placed.rectOf(divider).width(), placed.width);
    auto* code = view->findChild<CodeScrollArea*>();
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(placed.rectOf(code).width(), placed.width);
}

TEST(BlockAlignment, RightAndLeftPlaceBlocksAgainstTheirEdge)
{
    const Placed right = place(Qt::AlignRight);
    const Placed left = place(Qt::AlignLeft);
    const auto [rightText, rightPicture] = paragraphs(right.shown.view);
    const auto [leftText, leftPicture] = paragraphs(left.shown.view);
    ASSERT_TRUE(rightPicture && leftPicture);
    EXPECT_EQ(right.sides(rightPicture, isGreen).second, 0);
    EXPECT_EQ(right.sides(topLevel(right.shown.view, QStringLiteral("table")), isDark).second, 0);
    EXPECT_EQ(left.sides(leftPicture, isGreen).first, 0);
    QWidget* table = topLevel(left.shown.view, QStringLiteral("table"));
    EXPECT_EQ(left.sides(table, isDark).first, 0);
    EXPECT_GT(left.sides(table, isDark).second, 100);
    // Left-aligned, every row still takes the whole width.
    EXPECT_EQ(left.rectOf(table).width(), left.width);
    EXPECT_EQ(left.rectOf(leftText).width(), left.width);
}

}  // namespace
