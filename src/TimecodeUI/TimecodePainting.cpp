#include "TimecodeUI/TimecodePainting.h"

#include <QPainter>

#include "TimecodeUI/RejectionAnimation.h"

namespace timecode {

namespace {

QFont scaled(const QFont& base, TextScale scale) {
    if (scale == TextScale::standard) return base;
    QFont font = base;
    if (base.pixelSize() > 0)
        font.setPixelSize(std::max(1, int(std::lround(base.pixelSize() * 0.8))));
    else
        font.setPointSizeF(base.pointSizeF() * 0.8);
    return font;
}

qreal widestDigit(const QFontMetricsF& metrics) {
    qreal widest = 0;
    for (char d = '0'; d <= '9'; ++d) widest = std::max(widest, metrics.horizontalAdvance(QChar(d)));
    return widest;
}

}  // namespace

DigitFonts::DigitFonts(const QFont& base, TextScale subFramesScale)
    : standard(base),
      subFrames(scaled(base, subFramesScale)),
      metrics(standard),
      subFramesMetrics(subFrames),
      digitCell(widestDigit(metrics)),
      subFramesDigitCell(widestDigit(subFramesMetrics)) {}

qreal DigitFonts::digitsWidth(const QString& text, bool isSubFrames) const {
    const QFontMetricsF& m = isSubFrames ? subFramesMetrics : metrics;
    const qreal cell = isSubFrames ? subFramesDigitCell : digitCell;
    qreal width = 0;
    for (QChar ch : text) width += ch.isDigit() ? cell : m.horizontalAdvance(ch);
    return width;
}

void DigitFonts::drawDigits(QPainter& painter, const QRectF& rect, const QString& text, bool isSubFrames,
                            std::optional<qreal> baseline) const {
    const QFontMetricsF& m = isSubFrames ? subFramesMetrics : metrics;
    const qreal cell = isSubFrames ? subFramesDigitCell : digitCell;
    painter.setFont(isSubFrames ? subFrames : standard);
    qreal x = rect.center().x() - digitsWidth(text, isSubFrames) / 2;
    const qreal y = baseline.value_or(rect.center().y() + (m.ascent() - m.descent()) / 2);
    for (QChar ch : text) {
        const qreal advance = m.horizontalAdvance(ch);
        const qreal width = ch.isDigit() ? cell : advance;
        painter.drawText(QPointF(x + (width - advance) / 2, y), QString(ch));
        x += width;
    }
}

namespace painting {

QBrush brightened(const QBrush& brush, qreal brightness) {
    if (brightness == 0.0 || brush.style() != Qt::SolidPattern) return brush;
    QBrush result = brush;
    result.setColor(animation::brightened(brush.color(), brightness));
    return result;
}

}  // namespace painting

}  // namespace timecode
