#include "Vantrel/views/PaneWidgets.h"

#include "SymbolIcons/SymbolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace vantrel {

using Palette::Role;

// ---- KelpSpinner ----

KelpSpinner::KelpSpinner(int size, QWidget* parent) : QWidget(parent), size_(size) {
    setFixedSize(size, size);
}

void KelpSpinner::showEvent(QShowEvent*) {
    if (!timer_) timer_ = startTimer(80);
}

void KelpSpinner::hideEvent(QHideEvent*) {
    if (timer_) killTimer(timer_);
    timer_ = 0;
}

void KelpSpinner::timerEvent(QTimerEvent*) {
    angle_ = (angle_ + 30) % 360;
    update();
}

void KelpSpinner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Palette::isDark(this);
    const QPointF c = rect().center() + QPointF(0.5, 0.5);
    const qreal outer = size_ / 2.0 - 1, inner = outer * 0.5;
    for (int i = 0; i < 12; ++i) {
        QColor color = Palette::color(Role::textSecondary, dark);
        color.setAlphaF(0.15 + 0.85 * ((12 - i) % 12) / 12.0);
        p.setPen(QPen(color, std::max(1.0, size_ / 10.0), Qt::SolidLine, Qt::RoundCap));
        const qreal a = qDegreesToRadians(double(angle_ - i * 30));
        p.drawLine(c + QPointF(inner * std::cos(a), inner * std::sin(a)), c + QPointF(outer * std::cos(a), outer * std::sin(a)));
    }
}

// ---- KelpMenuButton ----

namespace {
constexpr qreal chevronRoom = 9;  // the chevron's 6 and a margin of 3 to the edge
}  // namespace

KelpMenuButton::KelpMenuButton(const QFont& font, int width, QWidget* parent)
    : KelpHoverButton(parent), menu_(new QMenu(this)) {
    setFont(font);
    setFixedWidth(width);
    setFixedHeight(22);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { menu_->popup(mapToGlobal(QPoint(0, height()))); });
}

QSize KelpMenuButton::sizeHint() const { return {width(), 22}; }

void KelpMenuButton::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (isHovered() || isDown()) Kelp::fillRounded(p, rect(), 5, Palette::overlay(isDown() ? 0.12 : 0.08, dark));
    const QColor fg = Palette::color(Role::textPrimary, dark);
    // The label is centred in the room left of the chevron, keeping a clear gap
    // of 6 before it: a long label ("Auto (29.97 DF)") must not run into it.
    const QRectF textRect = QRectF(rect()).adjusted(0, 0, -(chevronRoom + 6), 0);
    p.setPen(fg);
    p.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine,
               QFontMetrics(font()).elidedText(text(), Qt::ElideRight, int(textRect.width())));
    // A small down chevron at the trailing edge, within its last `chevronRoom`.
    const qreal x = width() - 6, y = height() / 2.0;
    QPainterPath chevron;
    chevron.moveTo(x - 3, y - 1.5);
    chevron.lineTo(x, y + 1.5);
    chevron.lineTo(x + 3, y - 1.5);
    p.setPen(QPen(Palette::color(Role::textTertiary, dark), 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(chevron);
}

// ---- SymbolText ----

SymbolText::SymbolText(const QString& symbol, const QString& text, const QFont& font, Role role, QWidget* parent)
    : QWidget(parent), symbol_(symbol), text_(text), role_(role), symbolSize_(font.pixelSize() + 1) {
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void SymbolText::setSymbol(const QString& symbol) {
    symbol_ = symbol;
    update();
}

void SymbolText::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    updateGeometry();
    update();
}

void SymbolText::setRole(Role role) {
    role_ = role;
    update();
}

void SymbolText::setSymbolSize(int size) {
    symbolSize_ = size;
    updateGeometry();
    update();
}

QSize SymbolText::sizeHint() const {
    const QFontMetrics metrics(font());
    const int gap = text_.isEmpty() || symbol_.isEmpty() ? 0 : 5;
    return {(symbol_.isEmpty() ? 0 : symbolSize_) + gap + metrics.horizontalAdvance(text_) + 1,
            std::max(metrics.height(), symbolSize_)};
}

void SymbolText::setTrailing(bool trailing) {
    trailing_ = trailing;
    update();
}

QSize SymbolText::minimumSizeHint() const { return {symbolSize_, sizeHint().height()}; }

void SymbolText::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor color = Palette::color(role_, Palette::isDark(this));
    qreal x = trailing_ ? std::max(0, width() - sizeHint().width()) : 0;
    if (!symbol_.isEmpty()) {
        SymbolIcons::paint(&p, QRectF(x, (height() - symbolSize_) / 2.0, symbolSize_, symbolSize_), symbol_, color);
        x += symbolSize_ + 5;
    }
    if (text_.isEmpty()) return;
    p.setPen(color);
    const QRectF r(x, 0, width() - x, height());
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               QFontMetrics(font()).elidedText(text_, Qt::ElideRight, int(r.width())));
}

// ---- KelpCapsule ----

KelpCapsule::KelpCapsule(Style style, QWidget* parent) : QWidget(parent), style_(std::move(style)) {
    setFont(style_.font);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void KelpCapsule::set(const QString& symbol, const QString& text, Role role) {
    if (symbol == symbol_ && text == text_ && role == role_) return;
    symbol_ = symbol;
    text_ = text;
    role_ = role;
    updateGeometry();
    update();
}

QSize KelpCapsule::sizeHint() const {
    const QFontMetrics metrics(font());
    const int symbol = symbol_.isEmpty() ? 0 : style_.symbolSize + 4;
    return {2 * style_.horizontalInset + symbol + metrics.horizontalAdvance(text_) + 1,
            2 * style_.verticalInset + metrics.height()};
}

void KelpCapsule::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor color = Palette::color(role_, Palette::isDark(this));
    const QRectF r = rect();
    const qreal radius = r.height() / 2;
    QColor fill = color;
    fill.setAlphaF(style_.fillOpacity);
    Kelp::fillRounded(p, r, radius, fill);
    if (style_.borderOpacity > 0) {
        QColor border = color;
        border.setAlphaF(style_.borderOpacity);
        Kelp::strokeRoundedInside(p, r, radius, 0.5, border);
    }
    qreal x = style_.horizontalInset;
    if (!symbol_.isEmpty()) {
        SymbolIcons::paint(&p, QRectF(x, (r.height() - style_.symbolSize) / 2, style_.symbolSize, style_.symbolSize),
                           symbol_, color, SymbolIcons::bold);
        x += style_.symbolSize + 4;
    }
    p.setPen(color);
    p.drawText(QRectF(x, 0, r.width() - x, r.height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
}

// ---- RunsLabel ----

RunsLabel::RunsLabel(QList<Run> runs, int pixelSize, Role role, QWidget* parent)
    : QWidget(parent), runs_(std::move(runs)), pixelSize_(pixelSize), role_(role) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QFont RunsLabel::fontFor(bool bold) const { return Kelp::font(pixelSize_, bold ? QFont::Bold : QFont::Normal); }

QString RunsLabel::text() const {
    QString all;
    for (const Run& run : runs_) all += run.text;
    return all;
}

QSize RunsLabel::sizeHint() const {
    int width = 0, height = 0;
    for (const Run& run : runs_) {
        const QFontMetrics metrics(fontFor(run.bold));
        width += metrics.horizontalAdvance(run.text);
        height = std::max(height, metrics.height());
    }
    return {width + 1, height};
}

void RunsLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(Palette::color(role_, Palette::isDark(this)));
    qreal x = (width() - sizeHint().width()) / 2.0;
    for (const Run& run : runs_) {
        const QFont f = fontFor(run.bold);
        p.setFont(f);
        const qreal w = QFontMetricsF(f).horizontalAdvance(run.text);
        p.drawText(QRectF(x, 0, w + 1, height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, run.text);
        x += w;
    }
}

QWidget* makeNameBlock(int minWidth, const QFont& secondFont, KelpLabel** name, KelpLabel** second,
                       const QString& secondName, QWidget* parent) {
    auto* names = new QWidget(parent);
    names->setMinimumWidth(minWidth);
    auto* column = new QVBoxLayout(names);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    *name = new KelpLabel({}, Kelp::font(13, QFont::Medium), Role::textPrimary, names);
    (*name)->setObjectName(QStringLiteral("name"));
    (*name)->setElideMode(Qt::ElideMiddle);
    *second = new KelpLabel({}, secondFont, Role::textTertiary, names);
    (*second)->setObjectName(secondName);
    (*second)->setElideMode(Qt::ElideMiddle);
    column->addWidget(*name);
    column->addWidget(*second);
    return names;
}

namespace {
constexpr int controlGap = 4;  // added to the spacing above the control
}  // namespace

EmptyState::EmptyState(const QString& symbol, int symbolSize, int spacing, const QString& title, int titleSize,
                       QList<RunsLabel::Run> hint, int hintSize, QWidget* parent)
    : QWidget(parent), column_(new QVBoxLayout(this)) {
    setObjectName(QStringLiteral("emptyState"));
    column_->setSpacing(spacing);
    column_->addStretch(1);
    auto* icon = new SymbolText(symbol, {}, Kelp::font(symbolSize, QFont::Light), Role::textTertiary, this);
    icon->setObjectName(QStringLiteral("emptySymbol"));
    icon->setSymbolSize(symbolSize);
    column_->addWidget(icon, 0, Qt::AlignHCenter);
    auto* titleLabel = new KelpLabel(title, Kelp::font(titleSize, QFont::Medium), Role::textSecondary, this);
    titleLabel->setObjectName(QStringLiteral("emptyTitle"));
    column_->addWidget(titleLabel, 0, Qt::AlignHCenter);
    auto* hintLabel = new RunsLabel(std::move(hint), hintSize, Role::textTertiary, this);
    hintLabel->setObjectName(QStringLiteral("emptyHint"));
    column_->addWidget(hintLabel, 0, Qt::AlignHCenter);
    column_->addStretch(1);
    givingWay_ = {icon, hintLabel, titleLabel};
}

void EmptyState::addControl(QWidget* control) {
    control_ = control;
    control->setParent(this);
    column_->insertSpacing(column_->count() - 1, controlGap);
    column_->insertWidget(column_->count() - 1, control, 0, Qt::AlignHCenter);
}

int EmptyState::neededHeight(int dropped) const {
    int top = 0, bottom = 0;
    column_->getContentsMargins(nullptr, &top, nullptr, &bottom);
    QList<const QWidget*> shown(givingWay_.begin() + std::min<qsizetype>(dropped, givingWay_.size()), givingWay_.end());
    int height = top + bottom;
    if (control_) {
        shown << control_;
        height += controlGap;
    }
    for (const QWidget* part : shown) height += part->sizeHint().height();
    return height + column_->spacing() * std::max<int>(0, int(shown.size()) - 1);
}

QSize EmptyState::minimumSizeHint() const {
    return {QWidget::minimumSizeHint().width(), neededHeight(int(givingWay_.size()))};
}

void EmptyState::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    int dropped = 0;
    while (dropped < givingWay_.size() && neededHeight(dropped) > height()) ++dropped;
    for (int i = 0; i < givingWay_.size(); ++i) givingWay_[i]->setVisible(i >= dropped);
}

void paintEdgeLine(QWidget* widget, const QColor& color, bool bottom) {
    QPainter p(widget);
    p.fillRect(QRect(0, bottom ? widget->height() - 1 : 0, widget->width(), 1), color);
}

}  // namespace vantrel

namespace vantrel {

Divider::Divider(Palette::Role role, QWidget* parent) : QWidget(parent), role_(role) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Palette::color(role_, Palette::isDark(this)));
}

void TurnScheduler::schedule() {
    if (pending_) return;
    pending_ = true;
    QMetaObject::invokeMethod(
        context_, [this] { flush(); }, Qt::QueuedConnection);
}

void TurnScheduler::flush() {
    if (!pending_) return;
    pending_ = false;
    work_();
}

}  // namespace vantrel
