#pragma once

#include "MarkdownRender/Styles/Color.h"

#include <QRectF>

#include <functional>
#include <map>
#include <utility>
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

struct TableBorderStyle {
    TableBorderSelector visibleBorders = TableBorderSelector::allBorders();
    Color color = Color::secondary();
    double width = 1;  // the line width; also the gap between cells
};

// The fill of each cell by row (0 is the header row) and column.
struct TableBackgroundStyle {
    std::function<Color(int row, int column)> background;

    static TableBackgroundStyle clear();
    // Row 0 takes `header` (the first style without one), odd rows the first
    // style, even rows from 2 on the second.
    static TableBackgroundStyle alternatingRows(Color first, Color second, std::optional<Color> header = {});
};

}  // namespace markdown
