#include "FeedbackKit/FeedbackWidgets.h"

#include "SymbolIcons/SymbolIcons.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>
#include <QToolButton>
#include <QVariantAnimation>

#include <algorithm>

namespace feedback {

QIcon symbolIcon(const QString& name, const QColor& color, int size) {
    return SymbolIcons::icon(name, color, size);
}

QColor over(const QColor& top, qreal opacity, const QColor& bottom) {
    return QColor::fromRgbF(top.redF() * opacity + bottom.redF() * (1 - opacity),
                            top.greenF() * opacity + bottom.greenF() * (1 - opacity),
                            top.blueF() * opacity + bottom.blueF() * (1 - opacity));
}

QColor textOn(const QColor& fill) { return fill.lightnessF() > 0.62 ? QColor(Qt::black) : QColor(Qt::white); }

QColor fieldEdge(const QPalette& palette) {
    return over(palette.color(QPalette::WindowText), 0.3, palette.color(QPalette::Window));
}

FieldFrame::FieldFrame(QWidget* editor, qreal radius, int inset, QWidget* parent)
    : QWidget(parent), m_editor(editor), m_radius(radius) {
    auto* box = new QHBoxLayout(this);
    box->setContentsMargins(inset, inset, inset, inset);
    box->addWidget(editor);
    setSizePolicy(editor->sizePolicy());
    editor->installEventFilter(this);
}

bool FieldFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_editor && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) update();
    return QWidget::eventFilter(watched, event);
}

void FieldFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& p = palette();
    const QColor edge = m_editor->hasFocus() ? p.color(QPalette::Highlight) : fieldEdge(p);
    // Stroked inside the edge: the 1-px line lies on the outermost pixels.
    painter.setPen(QPen(edge, 1));
    painter.setBrush(p.brush(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Base));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), m_radius, m_radius);
}

ProminentButton::ProminentButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    QFont medium = font();
    medium.setWeight(QFont::Medium);
    setFont(medium);
}

void ProminentButton::setAccent(const QColor& accent) {
    m_accent = accent;
    update();
}

void ProminentButton::focusInEvent(QFocusEvent* event) {
    m_focusFromKeyboard = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QPushButton::focusInEvent(event);
}

void ProminentButton::paintEvent(QPaintEvent*) {
    constexpr qreal radius = 6;
    constexpr qreal pressedDarkening = 0.08;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Disabled, the whole button shows at 40 % over the window behind it.
    painter.setOpacity(isEnabled() ? 1.0 : 0.4);
    const QRectF shape = QRectF(rect()).adjusted(1, 1, -1, -1);
    QColor fill = m_accent;
    if (isDown()) {
        const auto darker = [](qreal channel) { return std::max(0.0, channel - pressedDarkening); };
        fill = QColor::fromRgbF(darker(fill.redF()), darker(fill.greenF()), darker(fill.blueF()));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(shape, radius, radius);

    QLinearGradient highlight(0, shape.top(), 0, shape.center().y());
    highlight.setColorAt(0, QColor(255, 255, 255, qRound(0.18 * 255)));
    highlight.setColorAt(1, QColor(255, 255, 255, 0));
    painter.setPen(QPen(QBrush(highlight), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(shape.adjusted(0.25, 0.25, -0.25, -0.25), radius - 0.25, radius - 0.25);

    const QColor text = textOn(m_accent);
    if (hasFocus() && m_focusFromKeyboard) {
        QColor ring = text;
        ring.setAlphaF(0.7);
        painter.setPen(QPen(ring, 1));
        painter.drawRoundedRect(shape.adjusted(2.5, 2.5, -2.5, -2.5), radius - 2, radius - 2);
    }
    painter.setPen(text);
    painter.setFont(font());
    painter.drawText(shape, Qt::AlignCenter | Qt::TextSingleLine, this->text());
}

CheckBox::CheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

void CheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The label and the focus frame as the style draws them; the box drawn here.
    QStyleOptionButton label(option);
    label.rect = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    painter.drawControl(QStyle::CE_CheckBoxLabel, label);
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = style()->subElementRect(QStyle::SE_CheckBoxFocusRect, &option, this);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }

    const QPalette& p = palette();
    const QRectF indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    const qreal side = std::min<qreal>(14, std::min(indicator.width(), indicator.height()));
    const QRectF box(indicator.center().x() - side / 2, indicator.center().y() - side / 2, side, side);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.5);
    const bool on = checkState() != Qt::Unchecked;
    QColor fill = on ? p.color(QPalette::Highlight) : p.color(QPalette::Base);
    if (isDown()) fill = fill.lightness() < 128 ? fill.lighter(130) : fill.darker(112);
    painter.setPen(QPen(on ? fill : fieldEdge(p), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    if (!on) return;
    QPen tick(p.color(QPalette::HighlightedText), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(tick);
    painter.setBrush(Qt::NoBrush);
    const auto at = [&](qreal x, qreal y) { return QPointF(box.left() + x * side, box.top() + y * side); };
    if (checkState() == Qt::PartiallyChecked) {
        painter.drawLine(at(0.28, 0.5), at(0.72, 0.5));
        return;
    }
    const QPointF mark[] = {at(0.26, 0.52), at(0.43, 0.69), at(0.75, 0.33)};
    painter.drawPolyline(mark, 3);
}

namespace {

// One segment: a rounded end only at the outer sides, the chosen one filled with
// the highlight colour.
class SegmentButton : public QToolButton {
public:
    SegmentButton(QString symbolName, QWidget* parent) : QToolButton(parent), m_symbol(std::move(symbolName)) {}
    bool first = false;
    bool last = false;

    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {metrics.horizontalAdvance(text()) + 14 + 6 + 24, std::max(24, metrics.height() + 10)};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPalette& p = palette();
        const QRectF box = QRectF(rect()).adjusted(first ? 0.5 : 0, 0.5, last ? -0.5 : 0, -0.5);
        QPainterPath shape;
        constexpr qreal radius = 5;
        // Round only the outer corners by widening inner sides past the clip.
        const QRectF widened = box.adjusted(first ? 0 : -radius * 2, 0, last ? 0 : radius * 2, 0);
        shape.addRoundedRect(widened, radius, radius);
        painter.setClipRect(rect());
        const bool chosen = isChecked();
        QColor fill = chosen ? p.color(QPalette::Highlight) : p.color(QPalette::Button);
        if (!chosen && underMouse()) fill = fill.lighter(fill.lightness() < 128 ? 130 : 96);
        painter.setPen(QPen(p.color(QPalette::Mid), 1));
        painter.setBrush(fill);
        painter.drawPath(shape);
        if (!last) {
            painter.setPen(QPen(p.color(QPalette::Mid), 1));
            painter.drawLine(QPointF(box.right(), box.top() + 4), QPointF(box.right(), box.bottom() - 4));
        }
        const QColor ink = chosen ? p.color(QPalette::HighlightedText) : p.color(QPalette::ButtonText);
        const QFontMetrics metrics(font());
        const int contentWidth = 14 + 6 + metrics.horizontalAdvance(text());
        const int left = (width() - contentWidth) / 2;
        SymbolIcons::paint(&painter, QRectF(left, (height() - 14) / 2.0, 14, 14), m_symbol, ink);
        painter.setPen(ink);
        painter.drawText(QRect(left + 20, 0, width() - left - 20, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    }

private:
    QString m_symbol;
};

}  // namespace

SegmentPicker::SegmentPicker(QWidget* parent) : QWidget(parent), m_group(new QButtonGroup(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) emit currentChanged(id);
    });
}

void SegmentPicker::addSegment(const QString& text, const QString& symbolName, const QString& objectName) {
    auto* button = new SegmentButton(symbolName, this);
    button->setObjectName(objectName);
    button->setText(text);
    button->setAccessibleName(text);
    button->setCheckable(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setAttribute(Qt::WA_Hover);
    const int index = int(m_group->buttons().size());
    if (index > 0) static_cast<SegmentButton*>(m_group->button(index - 1))->last = false;
    button->first = index == 0;
    button->last = true;
    m_group->addButton(button, index);
    layout()->addWidget(button);
    if (index == 0) button->setChecked(true);
}

int SegmentPicker::current() const { return m_group->checkedId(); }

void SegmentPicker::setCurrent(int index) {
    if (QAbstractButton* button = m_group->button(index)) button->setChecked(true);
}

ConsentBox::ConsentBox(const QString& text, QWidget* parent)
    : QWidget(parent), m_check(new CheckBox(text, this)), m_animation(new QVariantAnimation(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 6, 8, 6);
    row->addWidget(m_check);
    QFont callout = font();
    callout.setPixelSize(12);
    m_check->setFont(callout);
    m_animation->setDuration(150);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_level = value.toReal();
        update();
    });
}

void ConsentBox::setAccent(const QColor& accent) {
    m_accent = accent;
    update();
}

void ConsentBox::setHighlighted(bool on) {
    if (on == m_highlighted) return;
    m_highlighted = on;
    m_animation->stop();
    m_animation->setStartValue(m_level);
    m_animation->setEndValue(on ? 1.0 : 0.0);
    m_animation->start();
}

void ConsentBox::paintEvent(QPaintEvent*) {
    if (m_level <= 0) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = m_accent;
    fill.setAlphaF(0.12 * m_level);
    QColor stroke = m_accent;
    stroke.setAlphaF(0.55 * m_level);
    painter.setPen(QPen(stroke, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(box, 6, 6);
}

namespace {
constexpr int kSymbolSize = 12;
constexpr int kSymbolGap = 4;
}

StatusLine::StatusLine(QWidget* parent) : QWidget(parent) {
    QFont caption = font();
    caption.setPixelSize(11);
    setFont(caption);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void StatusLine::setMessage(const QString& symbolName, const QString& text, const QColor& color) {
    if (symbolName == m_symbol && text == m_text && color == m_color) return;
    m_symbol = symbolName;
    m_text = text;
    m_color = color;
    setAccessibleName(text);
    setToolTip(text);
    update();
}

void StatusLine::clear() { setMessage({}, {}, {}); }

QSize StatusLine::sizeHint() const { return {200, fontMetrics().lineSpacing() * 2}; }
QSize StatusLine::minimumSizeHint() const { return {40, fontMetrics().lineSpacing() * 2}; }

void StatusLine::paintEvent(QPaintEvent*) {
    if (m_text.isEmpty()) return;
    const QFontMetricsF metrics(font());
    const qreal lineHeight = metrics.lineSpacing();
    const qreal textLeft = kSymbolSize + kSymbolGap;
    const qreal textWidth = std::max<qreal>(1, width() - textLeft);

    // At most two lines; the second ends in an ellipsis when the text runs over.
    QString text = m_text;
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(text, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    first.setLineWidth(textWidth);
    QTextLine second = layout.createLine();
    if (second.isValid()) second.setLineWidth(textWidth);
    layout.endLayout();
    const int lines = second.isValid() ? 2 : 1;
    const qreal top = (height() - lineHeight * lines) / 2;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    symbolIcon(m_symbol, m_color, kSymbolSize)
        .paint(&painter, QRect(0, int(top + (lineHeight - kSymbolSize) / 2), kSymbolSize, kSymbolSize));
    painter.setPen(m_color);
    painter.drawText(QPointF(textLeft, top + metrics.ascent()),
                     text.mid(first.textStart(), first.textLength()).trimmed());
    if (second.isValid())
        painter.drawText(QPointF(textLeft, top + lineHeight + metrics.ascent()),
                         metrics.elidedText(text.mid(second.textStart()).simplified(), Qt::ElideRight, textWidth));
}

}  // namespace feedback
