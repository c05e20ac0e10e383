// Table borders drawn with a stroke (width, ends, dashes) and cells filled
// with any brush, checked on the drawn pixels.

#include "MarkdownRender/Views/BlockViews.h"
#include "ViewTestSupport.h"

#include <QLinearGradient>

#include <limits>

#include <gtest/gtest.h>

using namespace markdown;
using namespace viewtest;

namespace {

const Color red = Color::rgba(0xFF0000FF);

bool isRed(QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) < 80 && qBlue(pixel) < 80; }

struct Drawn {
    QImage picture;
    TableBounds bounds;
};

Drawn draw(const TableBorderStyle& border, const std::optional<TableBackgroundStyle>& background = {},
           const QString& markdown = QStringLiteral("| a | b |\n|---|---|\n| c | d |"))
{
    auto* view = makeView(markdown);
    view->setTableBorderStyle(border);
    if (background) view->setTableBackgroundStyle(*background);
    Shown shown = show(view);
    auto* grid = view->findChild<TableGrid*>();
    if (!grid) return {};
    return {grid->grab().toImage(), grid->tableBounds()};
}

// The bar between the two rows, drawn `width` thick: which pixels along its
// middle are red, from its left end.
std::string barPixels(const StrokeStyle& stroke, int count)
{
    const Drawn drawn = draw({TableBorderSelector::insideHorizontalBorders(), red, stroke});
    const int y = int(drawn.bounds.cell(0, 0).bottom() + stroke.lineWidth / 2);
    std::string pixels;
    for (int x = 0; x < count; ++x) pixels += isRed(drawn.picture.pixel(x, y)) ? '#' : '.';
    return pixels;
}

TEST(TableBorderStyles, StrokeDefaultsAndWidthInitialiser)
{
    const TableBorderStyle fallback;
    EXPECT_EQ(fallback.strokeStyle, StrokeStyle{});
    EXPECT_EQ(fallback.strokeStyle.lineWidth, 1);
    EXPECT_EQ(fallback.color, Color::secondary());
    EXPECT_EQ(fallback.visibleBorders.rectangles(TableBounds::measure(1, 1, {{{0, 0}, QRectF(1, 1, 4, 4)}}, QRectF(0, 0, 6, 6)), 1).size(), 1u);

    const TableBorderStyle two(TableBorderSelector::outsideBorders(), red, 2);
    EXPECT_EQ(two.strokeStyle.lineWidth, 2);
    EXPECT_EQ(two.strokeStyle.lineCap, Qt::FlatCap);
    EXPECT_EQ(two.strokeStyle.lineJoin, Qt::MiterJoin);
    EXPECT_EQ(two.strokeStyle.miterLimit, 10);
    EXPECT_TRUE(two.strokeStyle.dash.empty());
    EXPECT_EQ(two.strokeStyle.dashPhase, 0);
}

TEST(TableBorderStyles, DashesPhasesAndEndsAlongABar)
{
    // The bar's stroke runs from 2 to the far end less 2: 4 wide, inside the bar.
    const std::string dashed = "..########........########......";
    EXPECT_EQ(barPixels({4, Qt::FlatCap, Qt::MiterJoin, 10, {8, 8}}, 32), dashed);
    EXPECT_EQ(barPixels({4, Qt::FlatCap, Qt::MiterJoin, 10, {8, 8}, 4}, 32), "..####........########........##");
    // One length stands for on and off alike.
    EXPECT_EQ(barPixels({4, Qt::FlatCap, Qt::MiterJoin, 10, {6}}, 26), "..######......######......");
    // Lengths that add up to nothing, or to no number, leave the line solid.
    for (const std::vector<double>& dash : {std::vector<double>{0, 0}, {std::numeric_limits<double>::infinity(), 4},
                                           {std::numeric_limits<double>::quiet_NaN(), 4}})
        EXPECT_EQ(barPixels({4, Qt::FlatCap, Qt::MiterJoin, 10, dash}, 12), "..##########");
    // Square ends reach the bar's own ends; butt ends stop half a line short.
    EXPECT_EQ(barPixels({4, Qt::FlatCap}, 4), "..##");
    EXPECT_EQ(barPixels({4, Qt::SquareCap}, 4), "####");
    // Square-capped dashes grow by half a line at each end.
    EXPECT_EQ(barPixels({4, Qt::SquareCap, Qt::MiterJoin, 10, {4, 8}}, 20), "########....########");
}

TEST(TableBorderStyles, DashedFrameLeavesGapsAndSolidFrameNone)
{
    const auto redShare = [](const StrokeStyle& stroke) {
        const Drawn drawn = draw({TableBorderSelector::outsideBorders(), red, stroke});
        int count = 0;
        for (int x = 0; x < drawn.picture.width(); ++x) count += isRed(drawn.picture.pixel(x, 0)) ? 1 : 0;
        return double(count) / drawn.picture.width();
    };
    EXPECT_EQ(redShare({2}), 1.0);
    const double dashed = redShare({2, Qt::FlatCap, Qt::MiterJoin, 10, {6, 6}});
    EXPECT_GT(dashed, 0.35);
    EXPECT_LT(dashed, 0.65);
}

TEST(TableBackgroundStyles, AnyBrushFillsTheCellsOnly)
{
    // No border lines, so the gaps and the padding show what is under the table.
    const TableBorderSelector none{[](const TableBounds&, double) { return std::vector<QRectF>{}; }};
    QLinearGradient across(0, 0, 1, 0);
    across.setCoordinateMode(QGradient::ObjectMode);
    across.setColorAt(0, QColor(0xFF, 0, 0));
    across.setColorAt(1, QColor(0, 0, 0xFF));
    const auto background =
        TableBackgroundStyle::alternatingRows(QColor(0, 0xC0, 0), QBrush(QColor(0xC0, 0xC0, 0)), QBrush(across));
    const Drawn drawn = draw({none, red, 4}, background, QStringLiteral("| a | b |\n|---|---|\n| c | d |\n| e | f |"));

    const auto at = [&](int row, double fx, double fy = 0.5) {
        const QRectF cell = drawn.bounds.cell(row, 0);
        return drawn.picture.pixel(int(cell.left() + fx * cell.width()), int(cell.top() + fy * cell.height()));
    };
    // The header row takes the gradient, across each cell.
    EXPECT_GT(qRed(at(0, 0.05)), 200);
    EXPECT_LT(qBlue(at(0, 0.05)), 60);
    EXPECT_GT(qBlue(at(0, 0.95)), 200);
    EXPECT_LT(qRed(at(0, 0.95)), 60);
    EXPECT_EQ(at(1, 0.05, 0.1) & 0xFFFFFF, 0x00C000u);
    EXPECT_EQ(at(2, 0.95, 0.9) & 0xFFFFFF, 0xC0C000u);

    const QRectF cell = drawn.bounds.cell(1, 0);
    const QRgb gap = drawn.picture.pixel(int(cell.center().x()), int(cell.bottom()) + 2);
    const QRgb padding = drawn.picture.pixel(1, int(cell.center().y()));
    for (const QRgb pixel : {gap, padding}) {
        EXPECT_NE(pixel & 0xFFFFFF, 0x00C000u);
        EXPECT_NE(pixel & 0xFFFFFF, 0xC0C000u);
    }

    // A pattern brush leaves its holes unfilled.
    const Drawn patterned = draw({none, red, 1}, TableBackgroundStyle([](int, int) { return QBrush(Qt::red, Qt::Dense4Pattern); }));
    const QRectF first = patterned.bounds.cell(0, 0);
    int filled = 0;
    for (int x = 0; x < 8; ++x) filled += isRed(patterned.picture.pixel(int(first.left()) + x, int(first.top()) + 2)) ? 1 : 0;
    EXPECT_GT(filled, 0);
    EXPECT_LT(filled, 8);
}

TEST(TableBackgroundStyles, ClearAndAlternatingRowsAsStyles)
{
    const AnyShapeStyle a = QColor(1, 2, 3), b = QBrush(Qt::blue, Qt::CrossPattern);
    const auto plain = TableBackgroundStyle::alternatingRows(a, b);
    EXPECT_EQ((std::vector<AnyShapeStyle>{plain.background(0, 4), plain.background(1, 0), plain.background(2, 2),
                                          plain.background(3, 0), plain.background(4, 1)}),
              (std::vector<AnyShapeStyle>{a, a, b, a, b}));
    for (const int row : {0, 1, 7}) EXPECT_EQ(TableBackgroundStyle().background(row, row), AnyShapeStyle(Color::clear()));
    EXPECT_EQ(AnyShapeStyle(Color::adaptive(Color::rgba(0x102030FF), Color::rgba(0x405060FF))).brush(ColorScheme::dark).color().rgba(),
              QColor(0x40, 0x50, 0x60).rgba());
}

}  // namespace
