#pragma once

// The main window's fonts: the application font at a fixed pixel size with an
// explicit weight. Sizes are logical pixels, so text keeps its size whatever the
// desktop's font point size.

#include <QFont>

namespace vantrel::fonts {

QFont system(int pixelSize, QFont::Weight weight = QFont::Normal);

// For counts and times that must not jitter as they change: the application
// font when its ten digits are equally wide, else "DejaVu Sans", whose are.
QFont digits(int pixelSize, QFont::Weight weight = QFont::Normal);

// Whether the ten digits of a font all have the same advance.
bool hasEqualWidthDigits(const QFont& font);

}  // namespace vantrel::fonts
