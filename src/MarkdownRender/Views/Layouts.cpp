#include "MarkdownRender/Views/Layouts.h"

#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace markdown {

FlowLayout::FlowLayout(int horizontalSpacing, int verticalSpacing, QWidget* parent)
    : QLayout(parent), horizontalSpacing_(horizontalSpacing), verticalSpacing_(verticalSpacing)
{
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout()
{
    for (QLayoutItem* item : items_) delete item;
}

void FlowLayout::addLineBreak()
{
    addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Fixed));
}

std::vector<FlowLayout::Row> FlowLayout::rows(int count, const Measure& measure, std::optional<int> width,
                                              int horizontalSpacing)
{
    std::vector<Row> result;
    Row current;
    int x = 0;
    for (int i = 0; i < count; ++i) {
        const QSize size = measure(i, width);
        if (x > 0 && width && x + size.width() > *width) {
            current.size = {x - horizontalSpacing, current.size.height()};
            result.push_back(std::move(current));
            current = Row{};
            x = 0;
        }
        current.items.push_back({i, size});
        current.size.setHeight(std::max(current.size.height(), size.height()));
        x += size.width() + horizontalSpacing;
    }
    if (!current.items.empty()) {
        current.size = {x - horizontalSpacing, current.size.height()};
        result.push_back(std::move(current));
    }
    return result;
}

QSize FlowLayout::size(const std::vector<Row>& rows, int verticalSpacing)
{
    if (rows.empty()) return {0, 0};
    int width = 0;
    int height = verticalSpacing * int(rows.size() - 1);
    for (const Row& row : rows) {
        width = std::max(width, row.size.width());
        height += row.size.height();
    }
    return {width, height};
}

QSize FlowLayout::measure(int index, std::optional<int> width) const
{
    QLayoutItem* item = items_[index];
    if (item->spacerItem()) return {width.value_or(0), 0};
    const QSize hint = item->sizeHint();
    if (!width || !item->hasHeightForWidth()) return hint;
    const int w = std::min(hint.width(), *width);
    return {w, item->heightForWidth(w)};
}

std::vector<FlowLayout::Row> FlowLayout::rowsFor(std::optional<int> width) const
{
    return rows(count(), [this](int index, std::optional<int> w) { return measure(index, w); }, width,
                horizontalSpacing_);
}

void FlowLayout::addItem(QLayoutItem* item) { items_.push_back(item); }

QLayoutItem* FlowLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? items_[index] : nullptr;
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= count()) return nullptr;
    QLayoutItem* item = items_[index];
    items_.erase(items_.begin() + index);
    return item;
}

int FlowLayout::heightForWidth(int width) const { return size(rowsFor(width), verticalSpacing_).height(); }

QSize FlowLayout::sizeHint() const { return size(rowsFor(std::nullopt), verticalSpacing_); }

QSize FlowLayout::minimumSize() const { return {0, 0}; }

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    int y = rect.top();
    for (const Row& row : rowsFor(rect.width())) {
        int x = rect.left();
        for (const Item& item : row.items) {
            items_[item.index]->setGeometry(
                QRect(QPoint(x, y + row.size.height() - item.size.height()), item.size));
            x += item.size.width() + horizontalSpacing_;
        }
        y += row.size.height() + verticalSpacing_;
    }
}

ResizeToFit::ResizeToFit(const QSizeF& idealSize, QWidget* content, QWidget* parent)
    : QWidget(parent), idealSize_(idealSize), content_(content)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    if (content_) content_->setParent(this);
}

QSize ResizeToFit::fitted(const QSizeF& idealSize, std::optional<int> width)
{
    const double w = idealSize.width();
    const double h = idealSize.height();
    if (w <= 0 || h <= 0) return {0, 0};
    if (width && w > *width) return {std::max(*width, 0), int(std::lround(*width / (w / h)))};
    return {int(std::lround(w)), int(std::lround(h))};
}

void ResizeToFit::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (content_) content_->setGeometry(QRect(QPoint(0, 0), fitted(idealSize_, width())));
}

}  // namespace markdown
