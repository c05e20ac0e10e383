#include "Vantrel/views/DesignControls.h"

#include "SymbolIcons/SymbolIcons.h"
#include "Vantrel/views/ControlAccessibility.h"

#include <QAccessible>
#include <QEnterEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace vantrel {

namespace Kelp {

void fillRounded(QPainter& p, const QRectF& rect, qreal radius, const QColor& color) {
    if (rect.isEmpty() || color.alpha() == 0) return;
    radius = std::min(radius, std::min(rect.width(), rect.height()) / 2);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(rect, radius, radius);
    p.restore();
}

void strokeRoundedInside(QPainter& p, const QRectF& rect, qreal radius, qreal width, const QColor& color) {
    if (rect.isEmpty() || color.alpha() == 0) return;
    const QRectF inner = rect.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    radius = std::max<qreal>(0, std::min(radius - width / 2, std::min(inner.width(), inner.height()) / 2));
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, width));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(inner, radius, radius);
    p.restore();
}

}  // namespace Kelp

using Palette::Role;

// ---- KelpLabel ----

KelpLabel::KelpLabel(const QString& text, const QFont& font, Role role, QWidget* parent)
    : QWidget(parent), text_(text), role_(role) {
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void KelpLabel::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    updateGeometry();
    update();
}

void KelpLabel::setRole(Role role) {
    role_ = role;
    update();
}

void KelpLabel::setColor(const QColor& color) {
    color_ = color;
    update();
}

void KelpLabel::setElideMode(Qt::TextElideMode mode) {
    elide_ = mode;
    update();
}

void KelpLabel::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

void KelpLabel::setLetterSpacing(qreal pixels) {
    QFont f = font();
    f.setLetterSpacing(QFont::AbsoluteSpacing, pixels);
    setFont(f);
    updateGeometry();
}

bool KelpLabel::isElided() const {
    return QFontMetrics(font()).horizontalAdvance(text_) > width();
}

QSize KelpLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text_) + 1, metrics.height()};
}

QSize KelpLabel::minimumSizeHint() const {
    if (elide_ == Qt::ElideNone) return sizeHint();
    const QFontMetrics metrics(font());
    return {std::min(sizeHint().width(), metrics.horizontalAdvance(QStringLiteral("…")) * 3), metrics.height()};
}

void KelpLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(color_.isValid() ? color_ : Palette::color(role_, Palette::isDark(this)));
    const QString shown = elide_ == Qt::ElideNone ? text_ : QFontMetrics(font()).elidedText(text_, elide_, width());
    p.drawText(rect(), int(alignment_) | Qt::TextSingleLine, shown);
}

// ---- KelpButton ----

namespace {

// Pressing lowers the brightness of what the button shows by this much.
constexpr qreal pressedDarkening = 0.08;

// Takes `amount` × coverage from every channel of the pixels in `coverage`, as
// they show over whatever lies behind them. A button's fill may be translucent,
// so darkening its own pixels alone would hardly show over a dark pane; the
// subtraction is made on the painted surface instead, which is opaque (the
// window's): the surface is inverted, lifted, and inverted back.
void darkenCovered(QPainter& p, const QImage& coverage, qreal amount) {
    QImage lift = coverage;
    {
        QPainter q(&lift);
        q.setCompositionMode(QPainter::CompositionMode_SourceIn);
        q.fillRect(lift.rect(), QColor::fromRgbF(amount, amount, amount));
    }
    const QRectF area(QPointF(0, 0), coverage.deviceIndependentSize());
    p.save();
    p.setOpacity(1);
    p.setCompositionMode(QPainter::CompositionMode_Difference);
    p.fillRect(area, Qt::white);
    p.setCompositionMode(QPainter::CompositionMode_Plus);
    p.drawImage(QPointF(0, 0), lift);
    p.setCompositionMode(QPainter::CompositionMode_Difference);
    p.fillRect(area, Qt::white);
    p.restore();
}

QColor buttonText(KelpButtonStyle::Kind kind, bool dark) {
    switch (kind) {
    case KelpButtonStyle::Kind::standard: return Palette::color(Role::textPrimary, dark);
    case KelpButtonStyle::Kind::primary: return Qt::white;
    case KelpButtonStyle::Kind::stop: return QColor(255, 179, 179);
    case KelpButtonStyle::Kind::ghost: return Palette::color(Role::textSecondary, dark);
    }
    return {};
}

QColor buttonFill(KelpButtonStyle::Kind kind, bool dark) {
    switch (kind) {
    case KelpButtonStyle::Kind::standard: return Palette::overlay(0.12, dark);
    case KelpButtonStyle::Kind::primary: return Palette::color(Role::accent, dark);
    case KelpButtonStyle::Kind::stop: {
        QColor c(255, 107, 107);
        c.setAlphaF(0.22);
        return c;
    }
    case KelpButtonStyle::Kind::ghost: return Qt::transparent;
    }
    return {};
}

constexpr int symbolGap = 5;

}  // namespace

KelpButton::KelpButton(const QString& title, KelpButtonStyle style, QWidget* parent)
    : QAbstractButton(parent), style_(style) {
    setText(title);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::TabFocus);
    setButtonStyle(style);
}

void KelpButton::setButtonStyle(KelpButtonStyle style) {
    style_ = style;
    setFont(Kelp::font(13, style.kind == KelpButtonStyle::Kind::primary ? QFont::Medium : QFont::Normal));
    setFixedHeight(style.large ? 28 : 22);
    updateGeometry();
    update();
}

void KelpButton::setSymbol(const QString& name) {
    symbol_ = name;
    updateGeometry();
    update();
}

void KelpButton::setVisualScale(qreal scale) {
    scale_ = scale;
    update();
}

QSize KelpButton::sizeHint() const {
    const int padding = style_.large ? 16 : 11;
    int content = QFontMetrics(font()).horizontalAdvance(text());
    if (!symbol_.isEmpty()) content += 14 + (text().isEmpty() ? 0 : symbolGap);
    return {content + 2 * padding, style_.large ? 28 : 22};
}

QSize KelpButton::minimumSizeHint() const { return sizeHint(); }

QRectF KelpButton::shapeRect() const {
    const QRectF r = rect();
    const QPointF c = r.center();
    return QRectF(c.x() - r.width() * scale_ / 2, c.y() - r.height() * scale_ / 2, r.width() * scale_,
                  r.height() * scale_);
}

bool KelpButton::hitButton(const QPoint& pos) const {
    const qreal radius = (style_.large ? 6 : 5) * scale_;
    QPainterPath shape;
    shape.addRoundedRect(shapeRect(), radius, radius);
    return shape.contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void KelpButton::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    const qreal dpr = devicePixelRatioF();
    QImage img((QSizeF(size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = rect();
        p.translate(r.center());
        p.scale(scale_, scale_);
        p.translate(-r.center());

        const qreal radius = style_.large ? 6 : 5;
        Kelp::fillRounded(p, r, radius, buttonFill(style_.kind, dark));
        if (style_.kind != KelpButtonStyle::Kind::ghost) {
            QLinearGradient highlight(0, r.top(), 0, r.center().y());
            highlight.setColorAt(0, QColor(255, 255, 255, qRound(0.18 * 255)));
            highlight.setColorAt(1, QColor(255, 255, 255, 0));
            const QRectF inner = r.adjusted(0.25, 0.25, -0.25, -0.25);
            p.setPen(QPen(QBrush(highlight), 0.5));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(inner, radius - 0.25, radius - 0.25);
        }

        const QColor fg = buttonText(style_.kind, dark);
        const QFontMetricsF metrics(font());
        const qreal textWidth = metrics.horizontalAdvance(text());
        const qreal symbolWidth = symbol_.isEmpty() ? 0 : 14 + (text().isEmpty() ? 0 : symbolGap);
        qreal x = r.center().x() - (textWidth + symbolWidth) / 2;
        if (!symbol_.isEmpty()) {
            SymbolIcons::paint(&p, QRectF(x, r.center().y() - 7, 14, 14), symbol_, fg,
                               style_.kind == KelpButtonStyle::Kind::primary ? SymbolIcons::medium
                                                                              : SymbolIcons::regular);
            x += symbolWidth;
        }
        p.setFont(font());
        p.setPen(fg);
        p.drawText(QRectF(x, r.top(), textWidth + 1, r.height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    }
    QPainter p(this);
    p.setOpacity(isEnabled() ? 1.0 : 0.4);
    p.drawImage(QPointF(0, 0), img);
    if (isDown()) {
        // The whole shape darkens; a ghost button, which has no fill, only its title.
        if (style_.kind == KelpButtonStyle::Kind::ghost) {
            darkenCovered(p, img, pressedDarkening);
        } else {
            QImage shape(img.size(), QImage::Format_ARGB32_Premultiplied);
            shape.setDevicePixelRatio(dpr);
            shape.fill(Qt::transparent);
            QPainter q(&shape);
            q.translate(rect().center());
            q.scale(scale_, scale_);
            q.translate(-rect().center());
            Kelp::fillRounded(q, rect(), style_.large ? 6 : 5, Qt::white);
            q.end();
            darkenCovered(p, shape, pressedDarkening);
        }
    }
}

// ---- KelpHoverButton ----

void KelpHoverButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void KelpHoverButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

// ---- KelpIconButton ----

KelpIconButton::KelpIconButton(const QString& symbol, QWidget* parent) : KelpHoverButton(parent), symbol_(symbol) {
    Kelp::installAccessibility();
    setFixedSize(22, 22);
    setFocusPolicy(Qt::TabFocus);
}

bool KelpIconButton::event(QEvent* event) {
    // Without a name of its own the button is named by its help text.
    if (event->type() == QEvent::ToolTipChange && accessibleName().isEmpty() && QAccessible::isActive()) {
        QAccessibleEvent renamed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&renamed);
    }
    return KelpHoverButton::event(event);
}

void KelpIconButton::setSymbol(const QString& name) {
    symbol_ = name;
    update();
}

void KelpIconButton::setSymbolColor(const QColor& color) {
    color_ = color;
    update();
}

void KelpIconButton::setBackdrop(const QColor& color) {
    backdrop_ = color;
    update();
}


void KelpIconButton::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    QPainter p(this);
    if (backdrop_.isValid()) Kelp::fillRounded(p, rect(), 5, backdrop_);
    p.setOpacity(isDown() ? 0.7 : 1.0);
    if (isHovered()) Kelp::fillRounded(p, rect(), 5, Palette::overlay(0.08, dark));
    const QColor fg = color_.isValid() ? color_
                                        : Palette::color(isHovered() ? Role::textPrimary : Role::textTertiary, dark);
    const QRectF r = rect();
    SymbolIcons::paint(&p, QRectF(r.center().x() - 7, r.center().y() - 7, 14, 14), symbol_, fg,
                       SymbolIcons::medium);
}

// ---- KelpSegGroup ----

class KelpSegButton : public KelpHoverButton {
public:
    explicit KelpSegButton(QWidget* parent) : KelpHoverButton(parent) {
        setFont(Kelp::font(12));
        setFixedHeight(20);
        setFocusPolicy(Qt::TabFocus);
    }
    void setActive(bool active) {
        active_ = active;
        update();
    }
    bool isActive() const { return active_; }
    QSize sizeHint() const override { return {QFontMetrics(font()).horizontalAdvance(text()) + 20, 20}; }

protected:
    void paintEvent(QPaintEvent*) override {
        const bool dark = Palette::isDark(this);
        QPainter p(this);
        QColor fill = Qt::transparent;
        QColor fg = Palette::color(isHovered() ? Role::textPrimary : Role::textSecondary, dark);
        if (active_) {
            fill = Palette::color(Role::accent, dark);
            fill.setAlphaF(0.15);
            fg = Palette::color(Role::accent, dark);
        } else if (isHovered()) {
            fill = Palette::overlay(0.16, dark);
        }
        Kelp::fillRounded(p, rect(), 5, fill);
        p.setPen(fg);
        p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
    }

private:
    bool active_ = false;
};

KelpSegGroup::KelpSegGroup(QWidget* parent) : QWidget(parent), layout_(new QHBoxLayout(this)) {
    layout_->setContentsMargins(1, 1, 1, 1);
    layout_->setSpacing(1);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

KelpSegGroup::KelpSegGroup(QList<Action> actions, std::optional<QString> activeLabel, QWidget* parent)
    : KelpSegGroup(parent) {
    active_ = std::move(activeLabel);
    setActions(std::move(actions));
}

void KelpSegGroup::setActions(QList<Action> actions) {
    actions_ = std::move(actions);
    // Segments are kept by index; extra ones go away after the current event,
    // since an action may replace the group's actions from inside its click.
    while (buttons_.size() > actions_.size()) {
        KelpSegButton* extra = buttons_.takeLast();
        extra->hide();
        layout_->removeWidget(extra);
        extra->deleteLater();
    }
    while (buttons_.size() < actions_.size()) {
        auto* button = new KelpSegButton(this);
        const int index = int(buttons_.size());
        connect(button, &QAbstractButton::clicked, this, [this, index] {
            if (index >= actions_.size()) return;
            const auto action = actions_[index].action;
            if (action) action();
            emit triggered(index);
        });
        layout_->addWidget(button);
        buttons_.append(button);
    }
    for (int i = 0; i < buttons_.size(); ++i) {
        buttons_[i]->setText(actions_[i].label);
        buttons_[i]->setObjectName(actions_[i].label);
        buttons_[i]->updateGeometry();
    }
    setActiveLabel(active_);
}

void KelpSegGroup::setActiveLabel(std::optional<QString> label) {
    active_ = std::move(label);
    for (int i = 0; i < buttons_.size(); ++i) buttons_[i]->setActive(active_ && *active_ == actions_[i].label);
}

QAbstractButton* KelpSegGroup::segment(int index) const {
    return index >= 0 && index < buttons_.size() ? buttons_[index] : nullptr;
}

void KelpSegGroup::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Kelp::fillRounded(p, rect(), 6, Palette::shadow(0.28, Palette::isDark(this)));
}

}  // namespace vantrel
