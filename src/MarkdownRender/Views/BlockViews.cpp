#include "MarkdownRender/Views/BlockViews.h"

#include "MarkdownRender/Views/Layouts.h"
#include "MarkdownRender/Views/Providers/CodeSyntaxHighlighter.h"
#include "MarkdownRender/Views/Providers/ImageProviders.h"
#include "MarkdownRender/Views/StyleKit.h"
#include "MarkdownRender/Views/Theme.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QPainter>

#include <cmath>
#include <limits>
#include <memory>

namespace markdown {

namespace {

// Names the built widget, or, when it already has a name of its own (a label
// the style showed as it is), a container around it, so both keep their names.
Built named(Built built, const QString& name)
{
    if (built.widget && built.widget->objectName().isEmpty()) {
        built.widget->setObjectName(name);
        return built;
    }
    auto* row = new QWidget;
    row->setObjectName(name);
    if (built.widget) bareLayout(row, Qt::Vertical)->addWidget(built.widget);
    built.widget = row;
    return built;
}

std::string withoutFinalLineFeed(const std::string& text)
{
    if (!text.empty() && text.back() == '\n') return text.substr(0, text.size() - 1);
    return text;
}

// Run attributes over the code block's own: what a highlighter sets wins.
TextAttributes over(const TextAttributes& base, const TextAttributes& run)
{
    TextAttributes result = base;
    if (run.fontProperties) result.fontProperties = run.fontProperties;
    if (run.foregroundColor) result.foregroundColor = run.foregroundColor;
    if (run.backgroundColor) result.backgroundColor = run.backgroundColor;
    if (run.strikethroughStyle) result.strikethroughStyle = run.strikethroughStyle;
    if (run.underlineStyle) result.underlineStyle = run.underlineStyle;
    if (run.kerning) result.kerning = run.kerning;
    if (run.tracking) result.tracking = run.tracking;
    if (run.link) result.link = run.link;
    return result;
}

Built inlineLabel(const std::vector<InlineNode>& inlines, const RenderContext& context)
{
    if (const auto flow = imageFlowItems(inlines)) return buildImageFlow(*flow, context);
    return Built{new InlineText(inlines, context)};
}

Built paragraph(const std::vector<InlineNode>& inlines, const BlockNode& node, const RenderContext& context)
{
    BlockConfiguration configuration{[inlines](const RenderContext& c) -> Built {
                                         if (inlines.size() == 1) {
                                             if (const auto data = rawImageData(inlines.front()))
                                                 return buildImage(*data, c);
                                         }
                                         return inlineLabel(inlines, c);
                                     },
                                     MarkdownContent(node)};
    return context.currentTheme().paragraph().makeBody(configuration, context);
}

Built heading(const BlockNode::Heading& heading, const BlockNode& node, const RenderContext& context)
{
    const std::vector<InlineNode>& inlines = heading.content;
    BlockConfiguration configuration{[inlines](const RenderContext& c) { return Built{new InlineText(inlines, c)}; },
                                     MarkdownContent(node)};
    return context.currentTheme().heading(heading.level).makeBody(configuration, context);
}

Built codeBlock(const BlockNode::CodeBlock& code, const RenderContext& context)
{
    const std::string content = withoutFinalLineFeed(code.content);
    const std::optional<std::string> language = code.fenceInfo;
    CodeBlockConfiguration configuration{
        language, content, [content, language](const RenderContext& c) {
            StyledText highlighted = c.codeSyntaxHighlighter ? c.codeSyntaxHighlighter->highlightCode(content, language)
                                                             : PlainTextCodeSyntaxHighlighter().highlightCode(content, language);
            // The code takes only its font and colour from the text style in force;
            // a background there (the page's) would band every line inside the block.
            const TextAttributes inherited = c.attributes();
            TextAttributes base;
            base.fontProperties = inherited.fontProperties;
            base.foregroundColor = inherited.foregroundColor;
            for (StyledText::Piece& piece : highlighted.pieces) {
                if (auto* run = std::get_if<StyledText::Run>(&piece)) run->attributes = over(base, run->attributes);
            }
            return Built{new InlineText(highlighted, c, false)};
        }};
    return context.currentTheme().codeBlock().makeBody(configuration, context);
}

// One item: the marker, framed, beside the item's blocks. `frames` collects
// the marker frames of one list so it can give them a common width.
using MarkerFrames = std::shared_ptr<std::vector<QPointer<QWidget>>>;

Built listItem(const std::vector<BlockNode>& children, std::function<Built(const RenderContext&)> marker,
               const QString& markerName, const MarkerFrames& frames, const RenderContext& context)
{
    BlockConfiguration configuration{
        [children, marker, markerName, frames](const RenderContext& c) {
            Built markerBuilt = marker(c);
            auto* frame = new QWidget;
            frame->setObjectName(markerName);
            QBoxLayout* frameLayout = bareLayout(frame, Qt::Horizontal);
            frameLayout->addStretch(1);
            if (markerBuilt.widget) frameLayout->addWidget(markerBuilt.widget);
            const int reported = markerBuilt.widget ? markerBuilt.widget->sizeHint().width() : 0;
            frame->setFixedWidth(reported);
            if (frames) frames->push_back(frame);

            Built title = buildBlocks(children, c);
            auto* row = new QWidget;
            QBoxLayout* layout = bareLayout(row, Qt::Horizontal);
            layout->setSpacing(int(c.points(RelativeSize::em(0.5))));
            auto* markerColumn = new QWidget;
            QBoxLayout* column = bareLayout(markerColumn, Qt::Vertical);
            column->addWidget(frame);
            column->addStretch(1);
            layout->addWidget(markerColumn);
            if (title.widget) layout->addWidget(title.widget, 1);
            Built result{row};
            result.absorb(title);
            result.absorb(markerBuilt);
            result.markerWidth = maxMerge(result.markerWidth, double(reported));
            return result;
        },
        MarkdownContent(children)};
    return named(context.currentTheme().listItem().makeBody(configuration, context), QStringLiteral("listItem"));
}

// A list's label: its items in a sequence one level deeper, with the list's
// tightness. Numbered lists give their markers the widest width reported.
Built listBody(std::size_t count, const std::function<Built(std::size_t, const RenderContext&, const MarkerFrames&)>& item,
               bool isTight, bool commonWidth, int level, const RenderContext& c)
{
    RenderContext inner = c;
    inner.listLevel = level + 1;
    inner.tightSpacingEnabled = isTight;
    auto frames = std::make_shared<std::vector<QPointer<QWidget>>>();
    std::vector<std::function<Built()>> rows;
    for (std::size_t i = 0; i < count; ++i) rows.push_back([&item, i, &inner, &frames] { return item(i, inner, frames); });
    Built sequence = buildSequence(rows, inner);
    if (commonWidth && sequence.markerWidth) {
        for (const QPointer<QWidget>& frame : *frames) {
            if (frame) frame->setFixedWidth(int(*sequence.markerWidth));
        }
    }
    return sequence;
}

using MarkerBuilder = std::function<Built(const RenderContext&)>;
// The marker of item `index` of a list whose items stand at `level`.
using MarkerFor = std::function<MarkerBuilder(std::size_t index, std::int64_t level)>;

template <class Configuration>
MarkerBuilder styledMarker(const BlockStyle<Configuration>& style, const Configuration& configuration)
{
    return [style, configuration](const RenderContext& c) { return style.makeBody(configuration, c); };
}

Built listView(const BlockNode& node, std::vector<std::vector<BlockNode>> children, MarkerFor markerFor, bool isTight,
               bool commonWidth, const QString& markerName, const RenderContext& context)
{
    const int level = context.listLevel;
    BlockConfiguration configuration{
        [=](const RenderContext& c) {
            return listBody(children.size(),
                            [&](std::size_t i, const RenderContext& ic, const MarkerFrames& frames) {
                                return listItem(children[i], markerFor(i, ic.listLevel), markerName, frames, ic);
                            },
                            isTight, commonWidth, level, c);
        },
        MarkdownContent(node)};
    return context.currentTheme().list().makeBody(configuration, context);
}

template <class Item>
std::vector<std::vector<BlockNode>> childrenOf(const std::vector<Item>& items)
{
    std::vector<std::vector<BlockNode>> children;
    for (const Item& item : items) children.push_back(item.children);
    return children;
}

Built list(const BlockNode& node, const RenderContext& context)
{
    const Theme& theme = context.currentTheme();
    const QString listMarker = QStringLiteral("listMarker");
    if (const auto* bulleted = node.as<BlockNode::BulletedList>()) {
        return listView(node, childrenOf(bulleted->items),
                        [style = theme.bulletedListMarker()](std::size_t i, std::int64_t level) {
                            return styledMarker(style, ListMarkerConfiguration{level, itemNumber(1, i)});
                        },
                        bulleted->isTight, false, listMarker, context);
    }
    if (const auto* numbered = node.as<BlockNode::NumberedList>()) {
        return listView(node, childrenOf(numbered->items),
                        [style = theme.numberedListMarker(), start = numbered->start](std::size_t i, std::int64_t level) {
                            return styledMarker(style, ListMarkerConfiguration{level, itemNumber(start, i)});
                        },
                        numbered->isTight, true, listMarker, context);
    }
    const auto& tasks = *node.as<BlockNode::TaskList>();
    std::vector<bool> completed;
    for (const RawTaskListItem& item : tasks.items) completed.push_back(item.isCompleted);
    return listView(node, childrenOf(tasks.items),
                    [style = theme.taskListMarker(), completed](std::size_t i, std::int64_t) {
                        return styledMarker(style, TaskListMarkerConfiguration{completed[i]});
                    },
                    tasks.isTight, false, QStringLiteral("taskMarker"), context);
}

Built table(const BlockNode::Table& table, const BlockNode& node, const RenderContext& context)
{
    BlockConfiguration configuration{[table](const RenderContext& c) {
                                         auto* widget = new QWidget;
                                         QBoxLayout* layout = bareLayout(widget, Qt::Horizontal);
                                         // The grid keeps its own width, placed as the text is aligned.
                                         const Qt::Alignment horizontal = c.alignment & Qt::AlignHorizontal_Mask;
                                         if (horizontal & (Qt::AlignHCenter | Qt::AlignRight)) layout->addStretch(1);
                                         layout->addWidget(new TableGrid(table, c));
                                         if (!(horizontal & Qt::AlignRight)) layout->addStretch(1);
                                         return Built{widget};
                                     },
                                     MarkdownContent(node)};
    return context.currentTheme().table().makeBody(configuration, context);
}

// Paints the border rectangles of the table it lies over; clicks pass through.
class BorderOverlay final : public QWidget {
public:
    BorderOverlay(TableGrid* grid, const TableBorderStyle& style, QColor colour)
        : QWidget(grid), grid_(grid), style_(style), colour_(colour)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const StrokeStyle& stroke = style_.strokeStyle;
        const double w = stroke.lineWidth;
        if (!style_.visibleBorders.rectangles || !(w > 0) || !std::isfinite(w)) return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(stroke.pen(colour_));
        painter.setBrush(Qt::NoBrush);
        constexpr double flat = 1e-9;
        for (const QRectF& rect : style_.visibleBorders.rectangles(grid_->tableBounds(), w)) {
            // Stroked inside the rectangle: the path runs half a line width in
            // from its edges. A bar as thick as the line is one stroke along
            // its middle, so its dashes and ends show as they are.
            const QRectF path = rect.adjusted(w / 2, w / 2, -w / 2, -w / 2);
            if (path.width() < -flat || path.height() < -flat) continue;
            if (path.height() <= flat)
                painter.drawLine(QLineF(path.left(), path.top(), path.right(), path.top()));
            else if (path.width() <= flat)
                painter.drawLine(QLineF(path.left(), path.top(), path.left(), path.bottom()));
            else
                painter.drawRect(path);
        }
    }

private:
    TableGrid* grid_;
    TableBorderStyle style_;
    QColor colour_;
};

Qt::Alignment columnAlignment(RawTableColumnAlignment alignment)
{
    switch (alignment) {
    case RawTableColumnAlignment::center: return Qt::AlignHCenter;
    case RawTableColumnAlignment::right: return Qt::AlignRight;
    case RawTableColumnAlignment::none:
    case RawTableColumnAlignment::left: break;
    }
    return Qt::AlignLeft;
}

bool fillsWidth(QLayoutItem* item);

// Whether a widget takes all the width it is given: its own size policy
// expands, or something it lays out does. Widgets of fixed width never do;
// stretches do not count, since they only place what stands beside them.
bool fillsWidth(QWidget* widget)
{
    if (widget->minimumWidth() == widget->maximumWidth()) return false;
    const QSizePolicy::Policy policy = widget->sizePolicy().horizontalPolicy();
    if (policy & QSizePolicy::ExpandFlag) return true;
    return (policy & QSizePolicy::GrowFlag) && widget->layout() && fillsWidth(widget->layout());
}

bool fillsWidth(QLayoutItem* item)
{
    if (QWidget* widget = item->widget()) return fillsWidth(widget);
    if (QLayout* layout = item->layout()) {
        for (int i = 0; i < layout->count(); ++i) {
            if (fillsWidth(layout->itemAt(i))) return true;
        }
    }
    return false;
}

// A row of a sequence under centred or right-aligned text: at its own width,
// placed as the text is, unless it takes all the width it is given (a
// divider, a code block).
class AlignedRow final : public QWidgetItem {
public:
    AlignedRow(QWidget* widget, Qt::Alignment horizontal) : QWidgetItem(widget), horizontal_(horizontal) {}

    int heightForWidth(int width) const override { return QWidgetItem::heightForWidth(rowWidth(width)); }

    void setGeometry(const QRect& rect) override
    {
        const int width = rowWidth(rect.width());
        const int x = horizontal_ & Qt::AlignRight ? rect.x() + rect.width() - width
                                                   : rect.x() + (rect.width() - width) / 2;
        QWidgetItem::setGeometry(QRect(x, rect.y(), width, rect.height()));
    }

private:
    int rowWidth(int available) const
    {
        if (fillsWidth(widget())) return available;
        return std::min(available, sizeHint().width());
    }

    Qt::Alignment horizontal_;
};

}  // namespace

TableGrid::TableGrid(const BlockNode::Table& table, const RenderContext& context, QWidget* parent)
    : QWidget(parent), borderStyle_(context.tableBorderStyle), backgroundStyle_(context.tableBackgroundStyle),
      colorScheme_(context.colorScheme), rowCount_(int(table.rows.size())),
      columnCount_(int(table.columnAlignments.size()))
{
    setObjectName(QStringLiteral("tableGrid"));
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    auto* grid = new QGridLayout(this);
    // Gaps of whole pixels; a width that is no number or beyond any screen leaves none.
    const double lineWidth = borderStyle_.strokeStyle.lineWidth;
    const int w = lineWidth > 0 && lineWidth < 1000 ? int(std::lround(lineWidth)) : 0;
    grid->setContentsMargins(w, w, w, w);
    grid->setSpacing(w);
    const Theme& theme = context.currentTheme();
    for (int r = 0; r < rowCount_; ++r) {
        const std::vector<RawTableCell>& cells = table.rows[r].cells;
        for (int c = 0; c < columnCount_; ++c) {
            const std::vector<InlineNode> inlines = c < int(cells.size()) ? cells[c].content : std::vector<InlineNode>{};
            TableCellConfiguration configuration{
                r, c, [inlines](const RenderContext& cc) { return inlineLabel(inlines, cc); },
                MarkdownContent(BlockNode::paragraph(inlines))};
            Built cell = named(theme.tableCell().makeBody(configuration, context), QStringLiteral("tableCell"));
            grid->addWidget(cell.widget, r, c, columnAlignment(table.columnAlignments[c]) | Qt::AlignVCenter);
            cells_[{r, c}] = cell.widget;
        }
    }
    const QColor borderColour = resolvedColor(borderStyle_.color, colorScheme_);
    overlay_ = new BorderOverlay(this, borderStyle_, borderColour);
}

QWidget* TableGrid::cell(int row, int column) const
{
    const auto found = cells_.find({row, column});
    return found == cells_.end() ? nullptr : found->second.data();
}

TableBounds TableGrid::tableBounds() const
{
    std::map<std::pair<int, int>, QRectF> rects;
    for (const auto& [index, widget] : cells_) {
        if (widget) rects[index] = QRectF(widget->geometry());
    }
    return TableBounds::measure(rowCount_, columnCount_, rects, QRectF(rect()));
}

void TableGrid::paintEvent(QPaintEvent*)
{
    if (!backgroundStyle_.background) return;
    QPainter painter(this);
    const TableBounds bounds = tableBounds();
    for (int r = 0; r < bounds.rowCount(); ++r) {
        for (int c = 0; c < bounds.columnCount(); ++c) {
            const QBrush fill = backgroundStyle_.background(r, c).brush(colorScheme_);
            if (fill.style() == Qt::NoBrush || (fill.style() == Qt::SolidPattern && fill.color().alpha() == 0)) continue;
            painter.fillRect(bounds.cell(r, c), fill);
        }
    }
}

void TableGrid::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    overlay_->setGeometry(rect());
    overlay_->raise();
}

std::int64_t itemNumber(std::int64_t start, std::size_t index)
{
    constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
    if (index > std::size_t(largest) || start > largest - std::int64_t(index)) return largest;
    return start + std::int64_t(index);
}

QString headingIdentifier(const std::vector<InlineNode>& inlines)
{
    QString identifier;
    for (const char32_t c : QString::fromStdString(plainText(inlines)).toUcs4()) {
        if (QChar::isLetterOrNumber(c))
            identifier += QString::fromUcs4(std::u32string(1, QChar::toLower(c)).c_str(), 1);
        else
            identifier += QLatin1Char('-');
    }
    return identifier;
}

std::optional<ImageFlowItems> imageFlowItems(const std::vector<InlineNode>& inlines)
{
    ImageFlowItems items;
    for (const InlineNode& node : inlines) {
        switch (node.kind()) {
        case InlineNode::Kind::text:
            if (!node.literal().empty()) return std::nullopt;
            break;
        case InlineNode::Kind::softBreak: break;
        case InlineNode::Kind::lineBreak: items.push_back(std::nullopt); break;
        case InlineNode::Kind::image:
        case InlineNode::Kind::link: {
            std::optional<RawImageData> data = rawImageData(node);
            if (!data) return std::nullopt;
            items.push_back(std::move(data));
            break;
        }
        default: return std::nullopt;
        }
    }
    return items;
}

Built buildImage(const RawImageData& data, const RenderContext& context)
{
    std::vector<InlineNode> image{InlineNode::image(data.source, {InlineNode::text(data.alt)})};
    std::vector<InlineNode> content = data.destination
                                          ? std::vector<InlineNode>{InlineNode::link(*data.destination, image)}
                                          : image;
    BlockConfiguration configuration{
        [data](const RenderContext& c) -> Built {
            const std::optional<QUrl> url = linkURL(data.source, c.imageBaseURL);
            QWidget* widget = c.imageProvider ? c.imageProvider->makeImage(url, c) : nullptr;
            if (!widget) return {};
            widget->setAccessibleName(QString::fromStdString(data.alt));
            if (data.destination) {
                if (const std::optional<QUrl> link = linkURL(*data.destination, c.baseURL))
                    widget = new LinkArea(widget, *link, c.openLink);
            }
            return Built{widget};
        },
        MarkdownContent(BlockNode::paragraph(std::move(content)))};
    return named(context.currentTheme().image().makeBody(configuration, context), QStringLiteral("image"));
}

Built buildImageFlow(const ImageFlowItems& items, const RenderContext& context)
{
    auto* widget = new QWidget;
    widget->setObjectName(QStringLiteral("imageFlow"));
    const int spacing = int(context.points(RelativeSize::rem(0.25)));
    auto* layout = new FlowLayout(spacing, spacing, widget);
    Built result;
    for (const std::optional<RawImageData>& item : items) {
        if (!item) {
            layout->addLineBreak();
            continue;
        }
        Built image = buildImage(*item, context);
        result.absorb(image);
        layout->addWidget(image.widget);
    }
    result.widget = widget;
    return result;
}

Built buildSequence(const std::vector<std::function<Built()>>& rows, const RenderContext& context)
{
    auto* widget = new QWidget;
    QBoxLayout* layout = bareLayout(widget, Qt::Vertical);
    Built result;
    std::optional<double> previousBottom;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Built row = rows[i]();
        if (i > 0) {
            const std::optional<double> bottom = context.tightSpacingEnabled ? std::optional<double>(0) : previousBottom;
            layout->addSpacing(int(std::lround(maxMerge(row.margin.top, bottom).value_or(defaultBlockPadding))));
        }
        QWidget* rowWidget = row.widget ? row.widget : new QWidget;
        if (const Qt::Alignment horizontal = context.alignment & (Qt::AlignHCenter | Qt::AlignRight)) {
            rowWidget->setParent(widget);
            layout->addItem(new AlignedRow(rowWidget, horizontal));
        } else {
            layout->addWidget(rowWidget);
        }
        previousBottom = row.margin.bottom;
        result.absorb(row);
    }
    result.widget = widget;
    return result;
}

Built buildBlocks(const std::vector<BlockNode>& blocks, const RenderContext& context)
{
    std::vector<std::function<Built()>> rows;
    rows.reserve(blocks.size());
    for (const BlockNode& block : blocks) rows.push_back([&block, &context] { return buildBlock(block, context); });
    return buildSequence(rows, context);
}

Built buildBlock(const BlockNode& block, const RenderContext& context)
{
    const Theme& theme = context.currentTheme();
    switch (block.kind()) {
    case BlockNode::Kind::blockquote: {
        const auto children = block.as<BlockNode::Blockquote>()->children;
        BlockConfiguration configuration{[children](const RenderContext& c) { return buildBlocks(children, c); },
                                         MarkdownContent(block)};
        return named(theme.blockquote().makeBody(configuration, context), QStringLiteral("blockquote"));
    }
    case BlockNode::Kind::bulletedList: return named(list(block, context), QStringLiteral("bulletedList"));
    case BlockNode::Kind::numberedList: return named(list(block, context), QStringLiteral("numberedList"));
    case BlockNode::Kind::taskList: return named(list(block, context), QStringLiteral("taskList"));
    case BlockNode::Kind::codeBlock:
        return named(codeBlock(*block.as<BlockNode::CodeBlock>(), context), QStringLiteral("codeBlock"));
    case BlockNode::Kind::htmlBlock: {
        // Raw HTML is never interpreted: its source shows as paragraph text.
        const std::vector<InlineNode> text{
            InlineNode::text(withoutFinalLineFeed(block.as<BlockNode::HtmlBlock>()->content))};
        return named(paragraph(text, BlockNode::paragraph(text), context), QStringLiteral("htmlBlock"));
    }
    case BlockNode::Kind::paragraph:
        return named(paragraph(block.as<BlockNode::Paragraph>()->content, block, context), QStringLiteral("paragraph"));
    case BlockNode::Kind::heading: {
        const auto& h = *block.as<BlockNode::Heading>();
        const std::int64_t level = std::clamp<std::int64_t>(h.level, 1, 6);
        Built built = named(heading(h, block, context), QStringLiteral("heading%1").arg(level));
        built.widget->setProperty("headingId", headingIdentifier(h.content));
        return built;
    }
    case BlockNode::Kind::table: return named(table(*block.as<BlockNode::Table>(), block, context), QStringLiteral("table"));
    case BlockNode::Kind::thematicBreak:
        return named(theme.thematicBreak().makeBody({}, context), QStringLiteral("thematicBreak"));
    }
    return {};
}

}  // namespace markdown
