#include "Vantrel/views/DesignIndicators.h"

#include "SymbolIcons/SymbolIcons.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

using Palette::Role;

namespace {

// The share of a width a fraction covers: clamped to 0...1, and 0 when it is
// not a number at all.
double clampedFraction(double fraction) { return std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0; }

}  // namespace

// ---- KelpCheckbox ----

KelpCheckbox::KelpCheckbox(bool on, QWidget* parent) : QAbstractButton(parent), m_on(on) {
    setFixedSize(14, 14);
    setFocusPolicy(Qt::TabFocus);
}

void KelpCheckbox::setOn(bool on) {
    if (on == m_on) return;
    m_on = on;
    update();
}

void KelpCheckbox::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    QPainter p(this);
    const QRectF box(0, 0, 14, 14);
    Kelp::fillRounded(p, box, 3.5, m_on ? Palette::color(Role::accent, dark) : Palette::shadow(0.25, dark));
    if (m_on)
        SymbolIcons::paint(&p, box.adjusted(2, 2, -2, -2), QStringLiteral("checkmark"), Qt::white, SymbolIcons::bold);
    else
        Kelp::strokeRoundedInside(p, box, 3.5, 1, Palette::overlay(0.28, dark));
}

// ---- KelpProgressBar ----

KelpProgressBar::KelpProgressBar(double fraction, Fill fill, QWidget* parent)
    : QWidget(parent), m_fraction(fraction), m_fill(fill) {
    setFixedHeight(5);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void KelpProgressBar::setFraction(double fraction) {
    if (fraction == m_fraction) return;
    m_fraction = fraction;
    update();
}

void KelpProgressBar::setFill(Fill fill) {
    m_fill = fill;
    update();
}

void KelpProgressBar::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    QPainter p(this);
    const QRectF track(0, 0, width(), 5);
    Kelp::fillRounded(p, track, 2.5, Palette::shadow(0.35, dark));
    const Role role = m_fill == Fill::running ? Role::accent : m_fill == Fill::done ? Role::success : Role::danger;
    Kelp::fillRounded(p, QRectF(0, 0, clampedFraction(m_fraction) * width(), 5), 2.5, Palette::color(role, dark));
}

// ---- KelpSegmentedBar ----

KelpSegmentedBar::KelpSegmentedBar(QList<KelpBarSegment> segments, int height, QWidget* parent)
    : QWidget(parent), m_segments(std::move(segments)) {
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void KelpSegmentedBar::setSegments(QList<KelpBarSegment> segments) {
    m_segments = std::move(segments);
    update();
}

void KelpSegmentedBar::setBarHeight(int height) {
    setFixedHeight(height);
    update();
}

void KelpSegmentedBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    const qreal radius = std::min(r.width(), r.height()) / 2;
    QPainterPath capsule;
    capsule.addRoundedRect(r, radius, radius);
    p.setClipPath(capsule);
    p.fillRect(r, Palette::shadow(0.35, Palette::isDark(this)));
    p.setRenderHint(QPainter::Antialiasing, false);
    qreal x = 0;
    for (const KelpBarSegment& segment : m_segments) {
        const qreal w = clampedFraction(segment.fraction) * r.width();
        p.fillRect(QRectF(x, 0, w, r.height()), segment.color);
        x += w;
    }
}

// ---- KelpPathWell ----

namespace {
constexpr int wellLeading = 10;
constexpr int wellTrailing = 4;
constexpr int wellSpacing = 8;
constexpr int wellIcon = 13;
constexpr int wellMinSpacer = 4;
}  // namespace

KelpPathWell::KelpPathWell(const QString& icon, std::optional<QString> path, const QString& placeholder, int height,
                           int minWidth, QWidget* parent)
    : QWidget(parent), m_icon(icon), m_path(std::move(path)), m_placeholder(placeholder),
      m_choose(new KelpButton(tr("Choose…"), {KelpButtonStyle::Kind::standard, false}, this)) {
    m_choose->setObjectName(QStringLiteral("choose"));
    connect(m_choose, &QAbstractButton::clicked, this, &KelpPathWell::choose);
    setMaximumWidth(maximumWellWidth);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setMinWidth(minWidth);
    setWellHeight(height);
}

void KelpPathWell::setPath(std::optional<QString> path) {
    m_path = std::move(path);
    update();
}

void KelpPathWell::setPlaceholder(const QString& placeholder) {
    m_placeholder = placeholder;
    update();
}

void KelpPathWell::setIcon(const QString& icon) {
    m_icon = icon;
    update();
}

void KelpPathWell::setWellHeight(int height) {
    setFixedHeight(height);
    m_choose->setVisualScale(height >= 30 ? 0.95 : 0.85);
    placeButton();
}

void KelpPathWell::setMinWidth(int width) { setMinimumWidth(std::min(width, int(maximumWellWidth))); }

QSize KelpPathWell::sizeHint() const { return {maximumWellWidth, height()}; }

void KelpPathWell::resizeEvent(QResizeEvent*) { placeButton(); }

void KelpPathWell::placeButton() {
    const QSize button = m_choose->sizeHint();
    m_choose->setGeometry(width() - wellTrailing - button.width(), (height() - button.height()) / 2, button.width(),
                          button.height());
}

QRectF KelpPathWell::textRect() const {
    const qreal left = wellLeading + wellIcon + wellSpacing;
    const qreal right = m_choose->x() - wellSpacing - wellMinSpacer - wellSpacing;
    return QRectF(left, 0, std::max<qreal>(0, right - left), height());
}

int KelpPathWell::widthShowingPlaceholder() const {
    const int text = int(std::ceil(QFontMetricsF(Kelp::font(12)).horizontalAdvance(m_placeholder)));
    return wellLeading + wellIcon + wellSpacing + text + wellSpacing + wellMinSpacer + wellSpacing +
           m_choose->sizeHint().width() + wellTrailing + 1;
}

QString KelpPathWell::shownText() const {
    if (m_path) return QFontMetrics(Kelp::digitsFont(12, QFont::Medium)).elidedText(*m_path, Qt::ElideLeft, int(textRect().width()));
    return QFontMetrics(Kelp::font(12)).elidedText(m_placeholder, Qt::ElideRight, int(textRect().width()));
}

void KelpPathWell::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    QPainter p(this);
    const QRectF r = rect();
    Kelp::fillRounded(p, r, 7, Palette::shadow(0.3, dark));
    Kelp::strokeRoundedInside(p, r, 7, 1, Palette::color(Role::hairline, dark));
    const QColor tertiary = Palette::color(Role::textTertiary, dark);
    SymbolIcons::paint(&p, QRectF(wellLeading, (r.height() - wellIcon) / 2, wellIcon, wellIcon), m_icon, tertiary);
    p.setFont(m_path ? Kelp::digitsFont(12, QFont::Medium) : Kelp::font(12));
    p.setPen(m_path ? Palette::color(Role::textPrimary, dark) : tertiary);
    p.drawText(textRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownText());
}

// ---- KelpSectionHead ----

KelpSectionHead::KelpSectionHead(const QString& title, std::optional<QString> count, QWidget* parent)
    : QWidget(parent),
      m_title(new KelpLabel({}, Kelp::font(11, QFont::Bold), Role::textTertiary, this)),
      m_countLabel(new KelpLabel({}, Kelp::digitsFont(11, QFont::Medium), Role::textSecondary, this)),
      m_layout(new QHBoxLayout(this)) {
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setLetterSpacing(0.6);
    m_title->setElideMode(Qt::ElideNone);
    m_countLabel->setObjectName(QStringLiteral("count"));
    m_countLabel->setElideMode(Qt::ElideNone);
    m_layout->setContentsMargins(16, 8, 16, 8);
    m_layout->setSpacing(10);
    m_layout->addWidget(m_title);
    m_layout->addWidget(m_countLabel);
    m_layout->addStretch(1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setTitle(title);
    setCount(std::move(count));
}

void KelpSectionHead::setTitle(const QString& title) { m_title->setText(title.toUpper()); }

void KelpSectionHead::setCount(std::optional<QString> count) {
    m_count = std::move(count);
    m_countLabel->setText(m_count.value_or(QString()));
    m_countLabel->setVisible(m_count.has_value());
}

void KelpSectionHead::addTrailing(QWidget* widget) { m_layout->addWidget(widget); }
