#pragma once

// Drawing timecode digits: every digit centred in a cell as wide as the widest
// digit, so that numbers do not shift as they change; the subframes optionally
// in a smaller secondary size.

#include <optional>

#include <QBrush>
#include <QFont>
#include <QFontMetricsF>
#include <QRectF>
#include <QString>

#include "TimecodeUI/TimecodeEnvironment.h"

class QPainter;

namespace timecode {

struct DigitFonts {
    DigitFonts(const QFont& base, TextScale subFramesScale);

    QFont standard;
    QFont subFrames;
    QFontMetricsF metrics;
    QFontMetricsF subFramesMetrics;
    qreal digitCell;
    qreal subFramesDigitCell;

    // The width of the text with its digits in cells.
    qreal digitsWidth(const QString& text, bool isSubFrames) const;
    // Draws the text centred in the rectangle (on the given baseline, when one is
    // given), digits in cells, with the painter's pen.
    void drawDigits(QPainter& painter, const QRectF& rect, const QString& text, bool isSubFrames,
                    std::optional<qreal> baseline = std::nullopt) const;
};

namespace painting {
// The brush with `brightness` added to its colour's channels (solid brushes only).
QBrush brightened(const QBrush& brush, qreal brightness);
}  // namespace painting

}  // namespace timecode
