#include "Vantrel/views/DesignControls.h"

#include "SymbolIcons/SymbolIcons.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

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
    : QWidget(parent), m_text(text), m_role(role) {
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void KelpLabel::setText(const QString& text) {
    if (text == m_text) return;
    m_text = text;
    updateGeometry();
    update();
}

void KelpLabel::setRole(Role role) {
    m_role = role;
    update();
}

void KelpLabel::setColor(const QColor& color) {
    m_color = color;
    update();
}

void KelpLabel::setElideMode(Qt::TextElideMode mode) {
    m_elide = mode;
    update();
}

void KelpLabel::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

void KelpLabel::setLetterSpacing(qreal pixels) {
    QFont f = font();
    f.setLetterSpacing(QFont::AbsoluteSpacing, pixels);
    setFont(f);
    updateGeometry();
}

bool KelpLabel::isElided() const {
    return QFontMetrics(font()).horizontalAdvance(m_text) > width();
}

QSize KelpLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_text) + 1, metrics.height()};
}

QSize KelpLabel::minimumSizeHint() const {
    if (m_elide == Qt::ElideNone) return sizeHint();
    const QFontMetrics metrics(font());
    return {std::min(sizeHint().width(), metrics.horizontalAdvance(QStringLiteral("…")) * 3), metrics.height()};
}

void KelpLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(m_color.isValid() ? m_color : Palette::color(m_role, Palette::isDark(this)));
    const QString shown = m_elide == Qt::ElideNone ? m_text : QFontMetrics(font()).elidedText(m_text, m_elide, width());
    p.drawText(rect(), int(m_alignment) | Qt::TextSingleLine, shown);
}

// ---- KelpButton ----

namespace {

// Pressing dims what shows through the button's shape by this much.
constexpr qreal pressedDarkening = 0.08;

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
    : QAbstractButton(parent), m_style(style) {
    setText(title);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::TabFocus);
    setButtonStyle(style);
}

void KelpButton::setButtonStyle(KelpButtonStyle style) {
    m_style = style;
    setFont(Kelp::font(13, style.kind == KelpButtonStyle::Kind::primary ? QFont::Medium : QFont::Normal));
    setFixedHeight(style.large ? 28 : 22);
    updateGeometry();
    update();
}

void KelpButton::setSymbol(const QString& name) {
    m_symbol = name;
    updateGeometry();
    update();
}

void KelpButton::setVisualScale(qreal scale) {
    m_scale = scale;
    update();
}

QSize KelpButton::sizeHint() const {
    const int padding = m_style.large ? 16 : 11;
    int content = QFontMetrics(font()).horizontalAdvance(text());
    if (!m_symbol.isEmpty()) content += 14 + (text().isEmpty() ? 0 : symbolGap);
    return {content + 2 * padding, m_style.large ? 28 : 22};
}

QSize KelpButton::minimumSizeHint() const { return sizeHint(); }

QRectF KelpButton::shapeRect() const {
    const QRectF r = rect();
    const QPointF c = r.center();
    return QRectF(c.x() - r.width() * m_scale / 2, c.y() - r.height() * m_scale / 2, r.width() * m_scale,
                  r.height() * m_scale);
}

bool KelpButton::hitButton(const QPoint& pos) const {
    const qreal radius = (m_style.large ? 6 : 5) * m_scale;
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
        p.scale(m_scale, m_scale);
        p.translate(-r.center());

        const qreal radius = m_style.large ? 6 : 5;
        Kelp::fillRounded(p, r, radius, buttonFill(m_style.kind, dark));
        if (m_style.kind != KelpButtonStyle::Kind::ghost) {
            QLinearGradient highlight(0, r.top(), 0, r.center().y());
            highlight.setColorAt(0, QColor(255, 255, 255, qRound(0.18 * 255)));
            highlight.setColorAt(1, QColor(255, 255, 255, 0));
            const QRectF inner = r.adjusted(0.25, 0.25, -0.25, -0.25);
            p.setPen(QPen(QBrush(highlight), 0.5));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(inner, radius - 0.25, radius - 0.25);
        }

        const QColor fg = buttonText(m_style.kind, dark);
        const QFontMetricsF metrics(font());
        const qreal textWidth = metrics.horizontalAdvance(text());
        const qreal symbolWidth = m_symbol.isEmpty() ? 0 : 14 + (text().isEmpty() ? 0 : symbolGap);
        qreal x = r.center().x() - (textWidth + symbolWidth) / 2;
        if (!m_symbol.isEmpty()) {
            SymbolIcons::paint(&p, QRectF(x, r.center().y() - 7, 14, 14), m_symbol, fg,
                               m_style.kind == KelpButtonStyle::Kind::primary ? SymbolIcons::medium
                                                                              : SymbolIcons::regular);
            x += symbolWidth;
        }
        p.setFont(font());
        p.setPen(fg);
        p.drawText(QRectF(x, r.top(), textWidth + 1, r.height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    }
    if (isDown()) {
        QPainter p(&img);
        p.translate(rect().center());
        p.scale(m_scale, m_scale);
        p.translate(-rect().center());
        Kelp::fillRounded(p, rect(), m_style.large ? 6 : 5, QColor::fromRgbF(0, 0, 0, pressedDarkening));
    }
    QPainter p(this);
    p.setOpacity(isEnabled() ? 1.0 : 0.4);
    p.drawImage(QPointF(0, 0), img);
}

// ---- KelpIconButton ----

KelpIconButton::KelpIconButton(const QString& symbol, QWidget* parent) : QAbstractButton(parent), m_symbol(symbol) {
    setFixedSize(22, 22);
    setFocusPolicy(Qt::TabFocus);
}

void KelpIconButton::setSymbol(const QString& name) {
    m_symbol = name;
    update();
}

void KelpIconButton::setSymbolColor(const QColor& color) {
    m_color = color;
    update();
}

void KelpIconButton::setBackdrop(const QColor& color) {
    m_backdrop = color;
    update();
}

void KelpIconButton::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void KelpIconButton::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void KelpIconButton::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    QPainter p(this);
    if (m_backdrop.isValid()) Kelp::fillRounded(p, rect(), 5, m_backdrop);
    p.setOpacity(isDown() ? 0.7 : 1.0);
    if (m_hovered) Kelp::fillRounded(p, rect(), 5, Palette::overlay(0.08, dark));
    const QColor fg = m_color.isValid() ? m_color
                                        : Palette::color(m_hovered ? Role::textPrimary : Role::textTertiary, dark);
    const QRectF r = rect();
    SymbolIcons::paint(&p, QRectF(r.center().x() - 7, r.center().y() - 7, 14, 14), m_symbol, fg,
                       SymbolIcons::medium);
}

// ---- KelpSegGroup ----

class KelpSegButton : public QAbstractButton {
public:
    explicit KelpSegButton(QWidget* parent) : QAbstractButton(parent) {
        setFont(Kelp::font(12));
        setFixedHeight(20);
        setFocusPolicy(Qt::TabFocus);
    }
    void setActive(bool active) {
        m_active = active;
        update();
    }
    bool isActive() const { return m_active; }
    QSize sizeHint() const override { return {QFontMetrics(font()).horizontalAdvance(text()) + 20, 20}; }

protected:
    void enterEvent(QEnterEvent* event) override {
        m_hovered = true;
        update();
        QAbstractButton::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override {
        m_hovered = false;
        update();
        QAbstractButton::leaveEvent(event);
    }
    void paintEvent(QPaintEvent*) override {
        const bool dark = Palette::isDark(this);
        QPainter p(this);
        QColor fill = Qt::transparent;
        QColor fg = Palette::color(m_hovered ? Role::textPrimary : Role::textSecondary, dark);
        if (m_active) {
            fill = Palette::color(Role::accent, dark);
            fill.setAlphaF(0.15);
            fg = Palette::color(Role::accent, dark);
        } else if (m_hovered) {
            fill = Palette::overlay(0.16, dark);
        }
        Kelp::fillRounded(p, rect(), 5, fill);
        p.setPen(fg);
        p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
    }

private:
    bool m_active = false;
    bool m_hovered = false;
};

KelpSegGroup::KelpSegGroup(QWidget* parent) : QWidget(parent), m_layout(new QHBoxLayout(this)) {
    m_layout->setContentsMargins(1, 1, 1, 1);
    m_layout->setSpacing(1);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

KelpSegGroup::KelpSegGroup(QList<Action> actions, std::optional<QString> activeLabel, QWidget* parent)
    : KelpSegGroup(parent) {
    m_active = std::move(activeLabel);
    setActions(std::move(actions));
}

void KelpSegGroup::setActions(QList<Action> actions) {
    m_actions = std::move(actions);
    // Segments are kept by index; extra ones go away after the current event,
    // since an action may replace the group's actions from inside its click.
    while (m_buttons.size() > m_actions.size()) {
        KelpSegButton* extra = m_buttons.takeLast();
        extra->hide();
        m_layout->removeWidget(extra);
        extra->deleteLater();
    }
    while (m_buttons.size() < m_actions.size()) {
        auto* button = new KelpSegButton(this);
        const int index = int(m_buttons.size());
        connect(button, &QAbstractButton::clicked, this, [this, index] {
            if (index >= m_actions.size()) return;
            const auto action = m_actions[index].action;
            if (action) action();
            emit triggered(index);
        });
        m_layout->addWidget(button);
        m_buttons.append(button);
    }
    for (int i = 0; i < m_buttons.size(); ++i) {
        m_buttons[i]->setText(m_actions[i].label);
        m_buttons[i]->setObjectName(m_actions[i].label);
        m_buttons[i]->updateGeometry();
    }
    setActiveLabel(m_active);
}

void KelpSegGroup::setActiveLabel(std::optional<QString> label) {
    m_active = std::move(label);
    for (int i = 0; i < m_buttons.size(); ++i) m_buttons[i]->setActive(m_active && *m_active == m_actions[i].label);
}

QAbstractButton* KelpSegGroup::segment(int index) const {
    return index >= 0 && index < m_buttons.size() ? m_buttons[index] : nullptr;
}

void KelpSegGroup::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Kelp::fillRounded(p, rect(), 6, Palette::shadow(0.28, Palette::isDark(this)));
}
