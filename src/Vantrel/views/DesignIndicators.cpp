#include "Vantrel/views/DesignIndicators.h"

#include "SymbolIcons/SymbolIcons.h"
#include "Vantrel/views/ControlAccessibility.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace vantrel {

using Palette::Role;

namespace {

// The share of a width a fraction covers: clamped to 0...1, and 0 when it is
// not a number at all.
double clampedFraction(double fraction) { return std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0; }

}  // namespace

// ---- KelpCheckbox ----

KelpCheckbox::KelpCheckbox(bool on, QWidget* parent) : QAbstractButton(parent), on_(on) {
    Kelp::installAccessibility();
    setFixedSize(14, 14);
    setFocusPolicy(Qt::TabFocus);
}

void KelpCheckbox::setOn(bool on) {
    if (on == on_) return;
    on_ = on;
    update();
    if (!QAccessible::isActive()) return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void KelpCheckbox::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    QPainter p(this);
    const QRectF box(0, 0, 14, 14);
    Kelp::fillRounded(p, box, 3.5, on_ ? Palette::color(Role::accent, dark) : Palette::shadow(0.25, dark));
    if (on_)
        SymbolIcons::paint(&p, box.adjusted(2, 2, -2, -2), QStringLiteral("checkmark"), Qt::white, SymbolIcons::bold);
    else
        Kelp::strokeRoundedInside(p, box, 3.5, 1, Palette::overlay(0.28, dark));
}

// ---- KelpProgressBar ----

KelpProgressBar::KelpProgressBar(double fraction, Fill fill, QWidget* parent)
    : QWidget(parent), fraction_(fraction), fill_(fill) {
    setFixedHeight(5);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void KelpProgressBar::setFraction(double fraction) {
    if (fraction == fraction_) return;
    fraction_ = fraction;
    update();
}

void KelpProgressBar::setFill(Fill fill) {
    fill_ = fill;
    update();
}

void KelpProgressBar::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    QPainter p(this);
    const QRectF track(0, 0, width(), 5);
    Kelp::fillRounded(p, track, 2.5, Palette::shadow(0.35, dark));
    const Role role = fill_ == Fill::running ? Role::accent : fill_ == Fill::done ? Role::success : Role::danger;
    Kelp::fillRounded(p, QRectF(0, 0, clampedFraction(fraction_) * width(), 5), 2.5, Palette::color(role, dark));
}

// ---- KelpSegmentedBar ----

KelpSegmentedBar::KelpSegmentedBar(QList<KelpBarSegment> segments, int height, QWidget* parent)
    : QWidget(parent), segments_(std::move(segments)) {
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void KelpSegmentedBar::setSegments(QList<KelpBarSegment> segments) {
    segments_ = std::move(segments);
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
    for (const KelpBarSegment& segment : segments_) {
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
    : QWidget(parent), icon_(icon), path_(std::move(path)), placeholder_(placeholder),
      choose_(new KelpButton(tr("Choose…"), {KelpButtonStyle::Kind::standard, false}, this)) {
    choose_->setObjectName(QStringLiteral("choose"));
    connect(choose_, &QAbstractButton::clicked, this, &KelpPathWell::choose);
    setMaximumWidth(maximumWellWidth);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setMinWidth(minWidth);
    setWellHeight(height);
}

void KelpPathWell::setPath(std::optional<QString> path) {
    path_ = std::move(path);
    update();
}

void KelpPathWell::setPlaceholder(const QString& placeholder) {
    placeholder_ = placeholder;
    update();
}

void KelpPathWell::setIcon(const QString& icon) {
    icon_ = icon;
    update();
}

void KelpPathWell::setWellHeight(int height) {
    setFixedHeight(height);
    choose_->setVisualScale(height >= 30 ? 0.95 : 0.85);
    placeButton();
}

void KelpPathWell::setMinWidth(int width) { setMinimumWidth(std::min(width, int(maximumWellWidth))); }

QSize KelpPathWell::sizeHint() const { return {maximumWellWidth, height()}; }

void KelpPathWell::resizeEvent(QResizeEvent*) { placeButton(); }

void KelpPathWell::placeButton() {
    const QSize button = choose_->sizeHint();
    choose_->setGeometry(width() - wellTrailing - button.width(), (height() - button.height()) / 2, button.width(),
                          button.height());
}

QRectF KelpPathWell::textRect() const {
    const qreal left = wellLeading + wellIcon + wellSpacing;
    const qreal right = choose_->x() - wellSpacing - wellMinSpacer - wellSpacing;
    return QRectF(left, 0, std::max<qreal>(0, right - left), height());
}

int KelpPathWell::widthShowingPlaceholder() const {
    const int text = int(std::ceil(QFontMetricsF(Kelp::font(12)).horizontalAdvance(placeholder_)));
    return wellLeading + wellIcon + wellSpacing + text + wellSpacing + wellMinSpacer + wellSpacing +
           choose_->sizeHint().width() + wellTrailing + 1;
}

QString KelpPathWell::shownText() const {
    if (path_) return QFontMetrics(Kelp::digitsFont(12, QFont::Medium)).elidedText(*path_, Qt::ElideLeft, int(textRect().width()));
    return QFontMetrics(Kelp::font(12)).elidedText(placeholder_, Qt::ElideRight, int(textRect().width()));
}

void KelpPathWell::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    QPainter p(this);
    const QRectF r = rect();
    Kelp::fillRounded(p, r, 7, Palette::shadow(0.3, dark));
    Kelp::strokeRoundedInside(p, r, 7, 1, Palette::color(Role::hairline, dark));
    const QColor tertiary = Palette::color(Role::textTertiary, dark);
    SymbolIcons::paint(&p, QRectF(wellLeading, (r.height() - wellIcon) / 2, wellIcon, wellIcon), icon_, tertiary);
    p.setFont(path_ ? Kelp::digitsFont(12, QFont::Medium) : Kelp::font(12));
    p.setPen(path_ ? Palette::color(Role::textPrimary, dark) : tertiary);
    p.drawText(textRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownText());
}

// ---- KelpSectionHead ----

KelpSectionHead::KelpSectionHead(const QString& title, std::optional<QString> count, QWidget* parent)
    : QWidget(parent),
      title_(new KelpLabel({}, Kelp::font(11, QFont::Bold), Role::textTertiary, this)),
      countLabel_(new KelpLabel({}, Kelp::digitsFont(11, QFont::Medium), Role::textSecondary, this)),
      layout_(new QHBoxLayout(this)) {
    title_->setObjectName(QStringLiteral("title"));
    title_->setLetterSpacing(0.6);
    title_->setElideMode(Qt::ElideNone);
    countLabel_->setObjectName(QStringLiteral("count"));
    countLabel_->setElideMode(Qt::ElideNone);
    layout_->setContentsMargins(16, 8, 16, 8);
    layout_->setSpacing(10);
    layout_->addWidget(title_);
    layout_->addWidget(countLabel_);
    layout_->addStretch(1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setTitle(title);
    setCount(std::move(count));
}

void KelpSectionHead::setTitle(const QString& title) { title_->setText(title.toUpper()); }

void KelpSectionHead::setCount(std::optional<QString> count) {
    count_ = std::move(count);
    countLabel_->setText(count_.value_or(QString()));
    countLabel_->setVisible(count_.has_value());
}

void KelpSectionHead::addTrailing(QWidget* widget) { layout_->addWidget(widget); }

}  // namespace vantrel
