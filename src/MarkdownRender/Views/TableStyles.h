#pragma once

#include "MarkdownRender/Styles/Color.h"

#include <QBrush>
#include <QColor>
#include <QGradient>
#include <QPen>
#include <QRectF>

#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace markdown {

// The geometry of one laid-out table: its whole frame, and where each row and
// column starts and how far it reaches. A row is as tall as its tallest cell,
// a column as wide as its widest.
struct TableBounds {
    struct Span {
        double start = 0;
        double length = 0;
    };

    QRectF bounds;
    std::vector<Span> rows;     // start = top
    std::vector<Span> columns;  // start = left

    // From the cells' rectangles keyed by (row, column); cells not there change
    // nothing (their row or column keeps the greatest start and length 0).
    static TableBounds measure(int rowCount, int columnCount, const std::map<std::pair<int, int>, QRectF>& cells,
                               const QRectF& bounds);

    int rowCount() const { return int(rows.size()); }
    int columnCount() const { return int(columns.size()); }
    QRectF cell(int row, int column) const;
    QRectF row(int row) const;
    QRectF column(int column) const;
};

// Which border lines a table draws, as rectangles in the gaps between cells and
// in the padding around them. A table without rows or columns yields none.
struct TableBorderSelector {
    std::function<std::vector<QRectF>(const TableBounds&, double width)> rectangles;

    static TableBorderSelector allBorders();
    static TableBorderSelector outsideBorders();
    static TableBorderSelector insideBorders();
    static TableBorderSelector horizontalBorders();
    static TableBorderSelector insideHorizontalBorders();
    static TableBorderSelector insideVerticalBorders();
};

// How a line is drawn: its width, the shape of its ends and corners, and an
// optional dash pattern, lengths in pixels alternately drawn and left out,
// started `dashPhase` pixels into the pattern. An odd number of lengths
// repeats once more with drawn and left out swapped; lengths that add up to
// nothing draw a solid line.
struct StrokeStyle {
    double lineWidth = 1;
    Qt::PenCapStyle lineCap = Qt::FlatCap;  // butt ends
    Qt::PenJoinStyle lineJoin = Qt::MiterJoin;
    double miterLimit = 10;  // the longest miter, as a multiple of the line width
    std::vector<double> dash = {};
    double dashPhase = 0;

    // A pen drawing this stroke with `brush`.
    QPen pen(const QBrush& brush) const;

    friend bool operator==(const StrokeStyle&, const StrokeStyle&) = default;
};

struct TableBorderStyle {
    TableBorderSelector visibleBorders = TableBorderSelector::allBorders();
    Color color = Color::secondary();
    // Its line width is also the gap between cells and the padding around them.
    StrokeStyle strokeStyle;

    // All borders, one pixel wide, in the secondary colour.
    TableBorderStyle() = default;
    TableBorderStyle(TableBorderSelector visibleBorders, Color color, StrokeStyle strokeStyle)
        : visibleBorders(std::move(visibleBorders)), color(std::move(color)), strokeStyle(std::move(strokeStyle))
    {
    }
    // A solid stroke of that width, butt ends and mitered corners.
    TableBorderStyle(TableBorderSelector visibleBorders, Color color, double width)
        : TableBorderStyle(std::move(visibleBorders), std::move(color), StrokeStyle{width})
    {
    }
};

// A fill: a colour as data (which may follow the colour scheme), or any Qt
// brush: a colour, a gradient or a pattern. A gradient in object mode spans
// each filled cell; one in logical mode spans the table. A default-made one
// is clear.
class AnyShapeStyle {
public:
    AnyShapeStyle() = default;
    AnyShapeStyle(Color color) : value_(std::move(color)) {}
    AnyShapeStyle(QBrush brush) : value_(std::move(brush)) {}
    AnyShapeStyle(const QColor& color) : value_(QBrush(color)) {}
    AnyShapeStyle(Qt::GlobalColor color) : value_(QBrush(color)) {}
    AnyShapeStyle(const QGradient& gradient) : value_(QBrush(gradient)) {}

    // The brush to paint with under a colour scheme.
    QBrush brush(ColorScheme scheme) const;

    friend bool operator==(const AnyShapeStyle&, const AnyShapeStyle&) = default;

private:
    std::variant<Color, QBrush> value_ = Color::clear();
};

// The fill of each cell by row (0 is the header row) and column.
struct TableBackgroundStyle {
    std::function<AnyShapeStyle(int row, int column)> background;

    // Clear cells.
    TableBackgroundStyle() : TableBackgroundStyle(clear()) {}
    // Whatever the function gives for a cell, as a fill.
    template <class F>
        requires std::invocable<const F&, int, int> &&
                 std::constructible_from<AnyShapeStyle, std::invoke_result_t<const F&, int, int>>
    explicit TableBackgroundStyle(F function)
        : background([function = std::move(function)](int row, int column) {
              return AnyShapeStyle(function(row, column));
          })
    {
    }

    static TableBackgroundStyle clear();
    // Row 0 takes `header` (the first style without one), odd rows the first
    // style, even rows from 2 on the second. Columns play no part.
    static TableBackgroundStyle alternatingRows(AnyShapeStyle first, AnyShapeStyle second,
                                                std::optional<AnyShapeStyle> header = {});
};

}  // namespace markdown
