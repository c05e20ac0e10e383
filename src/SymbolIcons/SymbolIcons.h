#pragma once

#include <QColor>
#include <QIcon>
#include <QRectF>
#include <QString>

class QPainter;

// The application's own monochrome symbols. Each is a 24x24 SVG drawn in black
// on transparency; painting tints it with one colour and scales its strokes by
// the weight. A symbol is found at ":/symbols/<name>.svg", so a module adds its
// own by shipping SVGs in a resource file under the "/symbols" prefix, or names
// any other file with addSymbol().
namespace SymbolIcons {

// Stroke weights, as factors of the drawn stroke width.
inline constexpr qreal light = 0.8;
inline constexpr qreal regular = 1.0;
inline constexpr qreal medium = 1.15;
inline constexpr qreal semibold = 1.3;
inline constexpr qreal bold = 1.5;

// Draws the symbol centred in the largest square that fits in rect. An unknown
// name draws nothing.
void paint(QPainter* painter, const QRectF& rect, const QString& name, const QColor& color, qreal weight = regular);

// An icon of the symbol at size x size logical pixels (with a 2x rendition).
QIcon icon(const QString& name, const QColor& color, int size = 16, qreal weight = regular);

// The symbol rendered into an image of size x size device pixels.
QImage image(const QString& name, const QColor& color, int size, qreal weight = regular);

bool has(const QString& name);

// Makes name draw from the SVG file at path (a resource path or a file).
void addSymbol(const QString& name, const QString& path);

}  // namespace SymbolIcons
