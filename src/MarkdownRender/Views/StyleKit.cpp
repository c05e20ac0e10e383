#include "MarkdownRender/Views/StyleKit.h"

#include "MarkdownRender/Views/TextAdapter.h"

#include <QBoxLayout>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace markdown {

namespace {

// A plain rectangle of one colour, rounded by `radius`.
class FillWidget final : public QWidget {
public:
    FillWidget(QColor colour, double radius) : colour_(colour), radius_(radius) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, radius_ > 0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour_);
        painter.drawRoundedRect(QRectF(rect()), radius_, radius_);
    }

private:
    QColor colour_;
    double radius_;
};

}  // namespace

QBoxLayout* bareLayout(QWidget* widget, Qt::Orientation orientation)
{
    auto* layout = new QBoxLayout(orientation == Qt::Vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight,
                                  widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

QColor qColor(const Color& color, const RenderContext& context) { return resolvedColor(color, context.colorScheme); }

std::optional<QColor> textColor(const RenderContext& context)
{
    const TextAttributes attributes = context.attributes();
    if (!attributes.foregroundColor) return std::nullopt;
    return qColor(*attributes.foregroundColor, context);
}

Built margin(Built built, std::optional<double> top, std::optional<double> bottom)
{
    built.margin = built.margin.merged({top, bottom});
    return built;
}

Built margin(Built built, const RenderContext& context, std::optional<RelativeSize> top,
             std::optional<RelativeSize> bottom)
{
    const auto points = [&](std::optional<RelativeSize> size) -> std::optional<double> {
        if (!size) return std::nullopt;
        return context.points(*size);
    };
    return margin(std::move(built), points(top), points(bottom));
}

BlockBox::BlockBox(QWidget* content, const QMargins& padding, QWidget* parent) : QWidget(parent)
{
    QBoxLayout* layout = bareLayout(this, Qt::Vertical);
    layout->setContentsMargins(padding);
    if (content) layout->addWidget(content);
}

void BlockBox::setLook(std::optional<QColor> fill, std::optional<QColor> border, double borderWidth, double radius)
{
    fill_ = fill;
    border_ = border;
    borderWidth_ = borderWidth;
    radius_ = radius;
    update();
}

void BlockBox::paintEvent(QPaintEvent*)
{
    if (!fill_ && !border_) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF outer(rect());
    if (fill_) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(*fill_);
        painter.drawRoundedRect(outer, radius_, radius_);
    }
    if (border_) {
        // Stroked inside the edge: the shape inset by half the line width.
        const double half = borderWidth_ / 2;
        painter.setPen(QPen(*border_, borderWidth_));
        painter.setBrush(Qt::NoBrush);
        const double radius = std::max(0.0, radius_ - half);
        painter.drawRoundedRect(outer.adjusted(half, half, -half, -half), radius, radius);
    }
}

Built padding(Built built, int edges, double points)
{
    if (!built.widget) return built;
    const int p = int(std::lround(points));
    const QMargins margins(edges & edges::leading ? p : 0, edges & edges::top ? p : 0,
                           edges & edges::trailing ? p : 0, edges & edges::bottom ? p : 0);
    built.widget = new BlockBox(built.widget, margins);
    return built;
}

Built padding(Built built, const RenderContext& context, int edges, RelativeSize length)
{
    return padding(std::move(built), edges, context.points(length));
}

Built boxed(Built built, const BoxLook& look, const RenderContext& context)
{
    auto* box = new BlockBox(built.widget);
    const auto colour = [&](const std::optional<Color>& c) -> std::optional<QColor> {
        if (!c) return std::nullopt;
        return qColor(*c, context);
    };
    box->setLook(colour(look.fill), colour(look.border), look.borderWidth, look.radius);
    built.widget = box;
    return built;
}

Built stacked(std::vector<Built> parts, Qt::Orientation orientation)
{
    Built result;
    auto* container = new QWidget;
    QBoxLayout* layout = bareLayout(container, orientation);
    for (Built& part : parts) {
        result.absorb(part);
        if (part.widget) layout->addWidget(part.widget);
    }
    result.widget = container;
    return result;
}

QWidget* divider(const RenderContext& context, std::optional<Color> color, int thickness)
{
    const Color separator = color.value_or(Color::adaptive(Color::rgba(0x00000026), Color::rgba(0xFFFFFF26)));
    auto* line = new FillWidget(qColor(separator, context), 0);
    line->setObjectName(QStringLiteral("divider"));
    line->setFixedHeight(std::max(1, thickness));
    line->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return line;
}

QWidget* sideBar(const RenderContext& context, const Color& color, int width, double radius)
{
    auto* bar = new FillWidget(qColor(color, context), radius);
    bar->setFixedWidth(std::max(1, width));
    bar->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    return bar;
}

CodeScrollArea::CodeScrollArea(QWidget* content, QWidget* parent) : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    // As wide as it is let be: the code scrolls inside it.
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    if (content) {
        setWidget(content);
        // setWidget turns the fill on; the block's own background shows through.
        content->setAutoFillBackground(false);
        content->installEventFilter(this);
    }
}

bool CodeScrollArea::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == widget() && event->type() == QEvent::LayoutRequest) updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}

int CodeScrollArea::heightForWidth(int width) const
{
    if (!widget()) return 0;
    const bool scrolls = widget()->minimumSizeHint().width() > width;
    return widget()->sizeHint().height() + (scrolls ? horizontalScrollBar()->sizeHint().height() : 0);
}

QSize CodeScrollArea::sizeHint() const
{
    if (!widget()) return {0, 0};
    return {widget()->sizeHint().width(), widget()->sizeHint().height()};
}

QSize CodeScrollArea::minimumSizeHint() const
{
    return {0, widget() ? widget()->sizeHint().height() : 0};
}

Built codeScrollArea(Built content)
{
    content.widget = new CodeScrollArea(content.widget);
    return content;
}

MarkerWidget::MarkerWidget(Symbol symbol, const QString& text, const RenderContext& context, QWidget* parent)
    : QWidget(parent), symbol_(symbol), text_(text), font_(resolvedFont(context.font().value_or(FontProperties{}))),
      textSize_(int(context.fontSize())), minWidth_(int(context.points(RelativeSize::em(1.5)))),
      primary_(textColor(context))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void MarkerWidget::setColors(std::optional<QColor> primary, std::optional<QColor> secondary)
{
    if (primary) primary_ = primary;
    secondary_ = secondary;
    update();
}

void MarkerWidget::setFrameWidth(std::optional<int> width)
{
    frameWidth_ = width;
    updateGeometry();
    update();
}

namespace {
int bulletDiameter(int textSize) { return std::max(3, int(std::lround(textSize / 3.0))); }
int boxSide(int textSize) { return std::max(6, int(std::lround(textSize * 0.85))); }
}  // namespace

int MarkerWidget::naturalWidth() const
{
    int content = 0;
    switch (symbol_) {
    case Symbol::text: content = QFontMetrics(font_).horizontalAdvance(text_); break;
    case Symbol::disc:
    case Symbol::circle:
    case Symbol::square: content = bulletDiameter(textSize_); break;
    case Symbol::checkedSquare:
    case Symbol::emptySquare: content = boxSide(textSize_); break;
    }
    return std::max(minWidth_, content);
}

QSize MarkerWidget::sizeHint() const
{
    return {std::max(naturalWidth(), frameWidth_.value_or(0)), QFontMetrics(font_).height()};
}

void MarkerWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = primary_.value_or(palette().color(QPalette::WindowText));
    const QRectF area(rect());
    if (symbol_ == Symbol::text) {
        painter.setFont(font_);
        painter.setPen(ink);
        painter.drawText(area, Qt::AlignRight | Qt::AlignVCenter, text_);
        return;
    }
    const bool bullet = symbol_ == Symbol::disc || symbol_ == Symbol::circle || symbol_ == Symbol::square;
    const double side = bullet ? bulletDiameter(textSize_) : boxSide(textSize_);
    const QRectF shape(area.right() - side, area.center().y() - side / 2, side, side);
    switch (symbol_) {
    case Symbol::disc:
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawEllipse(shape);
        break;
    case Symbol::circle:
        painter.setPen(QPen(ink, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(shape.adjusted(0.5, 0.5, -0.5, -0.5));
        break;
    case Symbol::square:
        painter.setPen(Qt::NoPen);
        painter.fillRect(shape, ink);
        break;
    case Symbol::checkedSquare: {
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawRoundedRect(shape, side * 0.2, side * 0.2);
        QPainterPath tick;
        tick.moveTo(shape.left() + side * 0.25, shape.top() + side * 0.52);
        tick.lineTo(shape.left() + side * 0.43, shape.top() + side * 0.70);
        tick.lineTo(shape.left() + side * 0.76, shape.top() + side * 0.32);
        painter.setPen(QPen(secondary_.value_or(palette().color(QPalette::Base)), std::max(1.5, side / 8),
                            Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
        break;
    }
    case Symbol::emptySquare:
        painter.setPen(QPen(ink, 1));
        painter.setBrush(secondary_ ? QBrush(*secondary_) : QBrush(Qt::NoBrush));
        painter.drawRoundedRect(shape.adjusted(0.5, 0.5, -0.5, -0.5), side * 0.2, side * 0.2);
        break;
    case Symbol::text: break;
    }
}

LinkArea::LinkArea(QWidget* content, QUrl url, LinkOpener opener, QWidget* parent)
    : QWidget(parent), url_(std::move(url)), opener_(std::move(opener))
{
    bareLayout(this, Qt::Vertical)->addWidget(content);
    setCursor(Qt::PointingHandCursor);
    setObjectName(QStringLiteral("imageLink"));
}

void LinkArea::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && opener_) opener_(url_);
    event->accept();
}

}  // namespace markdown
