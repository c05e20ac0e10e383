#pragma once

#include <QLayout>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

namespace markdown {

// Lays items out in rows, left to right, wrapping before an item that would end
// beyond the width; items of a row share their bottom edge. A line-break item
// (addLineBreak) takes the whole width, so what follows starts a new row.
// Height-for-width.
class FlowLayout final : public QLayout {
public:
    struct Item {
        int index = 0;
        QSize size;
    };
    struct Row {
        QSize size;  // the items' widths and the gaps between them; the tallest item
        std::vector<Item> items;
    };
    // The size of item `index` when offered a width (none: its own size).
    using Measure = std::function<QSize(int index, std::optional<int> width)>;

    FlowLayout(int horizontalSpacing, int verticalSpacing, QWidget* parent = nullptr);
    ~FlowLayout() override;

    void addLineBreak();

    // The rows of `count` items for a width (none: everything in one row).
    static std::vector<Row> rows(int count, const Measure& measure, std::optional<int> width, int horizontalSpacing);
    // Their size: the widest row, and the rows' heights with the gaps between.
    static QSize size(const std::vector<Row>& rows, int verticalSpacing);

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(items_.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    std::vector<Row> rowsFor(std::optional<int> width) const;
    QSize measure(int index, std::optional<int> width) const;

    std::vector<QLayoutItem*> items_;
    int horizontalSpacing_;
    int verticalSpacing_;
};

// Shows its content at `idealSize`, or, offered less width, at that width with
// the proportions kept; never larger. Content sits at the top left.
class ResizeToFit final : public QWidget {
    Q_OBJECT
public:
    ResizeToFit(const QSizeF& idealSize, QWidget* content, QWidget* parent = nullptr);

    static QSize fitted(const QSizeF& idealSize, std::optional<int> width);

    QWidget* content() const { return content_; }
    QSize sizeHint() const override { return fitted(idealSize_, std::nullopt); }
    QSize minimumSizeHint() const override { return {0, 0}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return fitted(idealSize_, width).height(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QSizeF idealSize_;
    QWidget* content_;
};

}  // namespace markdown
