#include "Vantrel/views/Fonts.h"

#include <QApplication>
#include <QFontMetricsF>

namespace vantrel::fonts {

QFont system(int pixelSize, QFont::Weight weight) {
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

bool hasEqualWidthDigits(const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit) {
        if (!qFuzzyCompare(metrics.horizontalAdvance(QLatin1Char(digit)), zero)) return false;
    }
    return true;
}

QFont digits(int pixelSize, QFont::Weight weight) {
    QFont font = system(pixelSize, weight);
    if (!hasEqualWidthDigits(font)) font.setFamily(QStringLiteral("DejaVu Sans"));
    return font;
}

}  // namespace vantrel::fonts

