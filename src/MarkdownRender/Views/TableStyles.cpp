#include "MarkdownRender/Views/TableStyles.h"

#include "MarkdownRender/Views/TextAdapter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace markdown {

namespace {

bool isEmpty(const TableBounds& table) { return table.rows.empty() || table.columns.empty(); }

std::vector<QRectF> insideHorizontal(const TableBounds& table, double w)
{
    std::vector<QRectF> result;
    if (isEmpty(table) || table.rowCount() == 1) return result;
    for (int r = 0; r + 1 < table.rowCount(); ++r) {
        const QRectF grown = table.row(r).adjusted(-w, -w, w, w);
        result.emplace_back(grown.left(), grown.bottom() - w, grown.width(), w);
    }
    return result;
}

std::vector<QRectF> insideVertical(const TableBounds& table, double w)
{
    std::vector<QRectF> result;
    if (isEmpty(table) || table.columnCount() == 1) return result;
    for (int c = 0; c + 1 < table.columnCount(); ++c) {
        const QRectF grown = table.column(c).adjusted(-w, -w, w, w);
        result.emplace_back(grown.right() - w, grown.top(), w, grown.height());
    }
    return result;
}

std::vector<QRectF> concat(std::vector<QRectF> a, const std::vector<QRectF>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TableBounds TableBounds::measure(int rowCount, int columnCount, const std::map<std::pair<int, int>, QRectF>& cells,
                                 const QRectF& bounds)
{
    constexpr double far = std::numeric_limits<double>::max();
    TableBounds table;
    table.bounds = bounds;
    table.rows.assign(std::max(rowCount, 0), Span{far, 0});
    table.columns.assign(std::max(columnCount, 0), Span{far, 0});
    for (int r = 0; r < rowCount; ++r) {
        for (int c = 0; c < columnCount; ++c) {
            const auto found = cells.find({r, c});
            if (found == cells.end()) continue;
            const QRectF& rect = found->second;
            table.rows[r].start = std::min(rect.top(), table.rows[r].start);
            table.rows[r].length = std::max(rect.height(), table.rows[r].length);
            table.columns[c].start = std::min(rect.left(), table.columns[c].start);
            table.columns[c].length = std::max(rect.width(), table.columns[c].length);
        }
    }
    return table;
}

QRectF TableBounds::cell(int row, int column) const
{
    return {columns[column].start, rows[row].start, columns[column].length, rows[row].length};
}

QRectF TableBounds::row(int r) const
{
    QRectF united;
    for (int c = 0; c < columnCount(); ++c) united = united.isNull() ? cell(r, c) : united.united(cell(r, c));
    return united;
}

QRectF TableBounds::column(int c) const
{
    QRectF united;
    for (int r = 0; r < rowCount(); ++r) united = united.isNull() ? cell(r, c) : united.united(cell(r, c));
    return united;
}

TableBorderSelector TableBorderSelector::allBorders()
{
    return {[](const TableBounds& t, double w) {
        if (isEmpty(t)) return std::vector<QRectF>{};
        return concat(concat(insideHorizontal(t, w), insideVertical(t, w)), {t.bounds});
    }};
}

TableBorderSelector TableBorderSelector::outsideBorders()
{
    return {[](const TableBounds& t, double) { return isEmpty(t) ? std::vector<QRectF>{} : std::vector{t.bounds}; }};
}

TableBorderSelector TableBorderSelector::insideBorders()
{
    return {[](const TableBounds& t, double w) { return concat(insideHorizontal(t, w), insideVertical(t, w)); }};
}

TableBorderSelector TableBorderSelector::horizontalBorders()
{
    return {[](const TableBounds& t, double w) {
        if (isEmpty(t)) return std::vector<QRectF>{};
        const QRectF& b = t.bounds;
        return concat({QRectF(b.left(), b.top(), b.width(), w), QRectF(b.left(), b.bottom() - w, b.width(), w)},
                      insideHorizontal(t, w));
    }};
}

TableBorderSelector TableBorderSelector::insideHorizontalBorders() { return {insideHorizontal}; }

TableBorderSelector TableBorderSelector::insideVerticalBorders() { return {insideVertical}; }

QPen StrokeStyle::pen(const QBrush& brush) const
{
    QPen pen(brush, lineWidth, Qt::SolidLine, lineCap, lineJoin);
    // Qt measures a miter from the join point, that is half of its whole length.
    pen.setMiterLimit(miterLimit / 2);
    // Negative lengths count as none; a length that is not a number, or is
    // endless, leaves the line solid, as do lengths that add up to nothing.
    double total = 0;
    for (const double length : dash) total += std::max(length, 0.0);
    if (std::isfinite(total) && total > 0 && lineWidth > 0) {
        // Qt counts dash lengths and the offset in line widths.
        QList<qreal> pattern;
        for (const double length : dash) pattern.append(std::max(length, 0.0) / lineWidth);
        if (pattern.size() % 2 == 1) pattern.append(QList<qreal>(pattern));
        pen.setDashPattern(pattern);
        pen.setDashOffset(std::isfinite(dashPhase) ? dashPhase / lineWidth : 0);
    }
    return pen;
}

QBrush AnyShapeStyle::brush(ColorScheme scheme) const
{
    if (const auto* color = std::get_if<Color>(&value_)) return QBrush(resolvedColor(*color, scheme));
    return std::get<QBrush>(value_);
}

TableBackgroundStyle TableBackgroundStyle::clear()
{
    TableBackgroundStyle style([](int, int) { return Color::clear(); });
    return style;
}

TableBackgroundStyle TableBackgroundStyle::alternatingRows(AnyShapeStyle first, AnyShapeStyle second,
                                                           std::optional<AnyShapeStyle> header)
{
    return TableBackgroundStyle([first = std::move(first), second = std::move(second),
                                 header = std::move(header)](int row, int) {
        if (row >= 1) return row % 2 == 1 ? first : second;
        return header.value_or(first);
    });
}

}  // namespace markdown
