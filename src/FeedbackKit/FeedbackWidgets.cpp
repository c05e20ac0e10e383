#include "FeedbackKit/FeedbackWidgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QToolButton>
#include <QVariantAnimation>

namespace feedback {

QIcon symbolIcon(const QString& name, const QColor& color, int size) {
    Q_UNUSED(name);
    Q_UNUSED(color);
    Q_UNUSED(size);
    return {};
}

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
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setText(text);
    button->setCheckable(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setIconSize(QSize(14, 14));
    m_group->addButton(button, int(m_symbols.size()));
    m_symbols.append(symbolName);
    layout()->addWidget(button);
    if (m_symbols.size() == 1) button->setChecked(true);
    refreshIcons();
}

int SegmentPicker::current() const { return m_group->checkedId(); }

void SegmentPicker::setCurrent(int index) {
    if (QAbstractButton* button = m_group->button(index)) button->setChecked(true);
}

void SegmentPicker::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) refreshIcons();
}

void SegmentPicker::refreshIcons() {
    for (int i = 0; i < m_symbols.size(); ++i)
        m_group->button(i)->setIcon(symbolIcon(m_symbols[i], palette().color(QPalette::ButtonText), 14));
}

ConsentBox::ConsentBox(const QString& text, QWidget* parent)
    : QWidget(parent), m_check(new QCheckBox(text, this)), m_animation(new QVariantAnimation(this)) {
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
