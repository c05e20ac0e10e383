#pragma once

#include "MarkdownRender/BlockNode.h"
#include "MarkdownRender/Views/InlineText.h"
#include "MarkdownRender/Views/RenderContext.h"
#include "MarkdownRender/Views/TableStyles.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class QGridLayout;

namespace markdown {

// The space between two blocks when neither asks for a margin.
inline constexpr double defaultBlockPadding = 8;

// The widget of one block, named by its kind ("paragraph", "heading1", ...),
// drawn in the context's theme.
Built buildBlock(const BlockNode& block, const RenderContext& context);

// Blocks one below the other. The space above each but the first is the larger
// of its top margin and the previous block's bottom margin (0 in its place
// under tight spacing), the default padding when neither is there. The result
// reports every margin declared inside it.
Built buildBlocks(const std::vector<BlockNode>& blocks, const RenderContext& context);
Built buildSequence(const std::vector<std::function<Built()>>& rows, const RenderContext& context);

// A block image: the context's image provider's widget, a link when the image
// has a destination, in the theme's image style. Named "image".
Built buildImage(const RawImageData& data, const RenderContext& context);

// The items of a paragraph made only of images (links around one image count),
// line breaks, soft breaks and empty texts; none for any other paragraph.
// A line break is an item without image.
using ImageFlowItems = std::vector<std::optional<RawImageData>>;
std::optional<ImageFlowItems> imageFlowItems(const std::vector<InlineNode>& inlines);
Built buildImageFlow(const ImageFlowItems& items, const RenderContext& context);

// A heading's identity: its plain text, every character that is not a letter or
// digit replaced by "-", lower-cased ("Hello, World!" gives "hello--world-").
QString headingIdentifier(const std::vector<InlineNode>& inlines);

// The number of the item at `index` of a list starting at `start`; stays at the
// largest number instead of running past it.
std::int64_t itemNumber(std::int64_t start, std::size_t index);

// The cells of a table in a grid: gaps and padding of the border width, the
// backgrounds painted under the cells, the borders over them. A missing cell
// is empty; a table without rows or columns draws nothing.
class TableGrid final : public QWidget {
    Q_OBJECT
public:
    TableGrid(const BlockNode::Table& table, const RenderContext& context, QWidget* parent = nullptr);

    // The geometry of the laid-out cells, in this widget's coordinates.
    TableBounds tableBounds() const;
    QWidget* cell(int row, int column) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TableBorderStyle borderStyle_;
    TableBackgroundStyle backgroundStyle_;
    ColorScheme colorScheme_;
    int rowCount_;
    int columnCount_;
    std::map<std::pair<int, int>, QPointer<QWidget>> cells_;
    QWidget* overlay_;
};

}  // namespace markdown
