#pragma once

#include "GalleryPictures.h"
#include "Vantrel/views/Palette.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QImage>
#include <QWidget>

#include <cstdlib>

namespace viewtest {

inline void app() { testsupport::ensureWidgetApplication(); }

// Installs the application palette of one appearance, as the shell does, and
// lets every widget take it.
inline void setAppearance(bool dark) {
    QApplication::setPalette(vantrel::Palette::qtPalette(dark));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::ApplicationPaletteChange);
    QCoreApplication::processEvents();
}

inline void saveGallery(QWidget* widget, const QString& name) { testsupport::saveGalleryPicture(widget, name); }

// A top-level host painted in the pane background, so pictures of controls show
// what a user sees.
inline QWidget* makeHost(QWidget* parent = nullptr) {
    auto* host = new QWidget(parent);
    host->setAutoFillBackground(true);
    QPalette palette = host->palette();
    palette.setColor(QPalette::Window, vantrel::Palette::color(vantrel::Palette::Role::paneBackground, vantrel::Palette::isDark(nullptr)));
    host->setPalette(palette);
    return host;
}

// The colour at a point of a widget as painted on its host.
inline QColor pixelAt(QWidget* widget, QPoint point) {
    QWidget* top = widget->window();
    return top->grab().toImage().pixelColor(widget->mapTo(top, point));
}

// top composited over an opaque bottom.
inline QColor over(const QColor& top, const QColor& bottom) {
    const double a = top.alphaF();
    return QColor::fromRgbF(top.redF() * a + bottom.redF() * (1 - a), top.greenF() * a + bottom.greenF() * (1 - a),
                            top.blueF() * a + bottom.blueF() * (1 - a));
}

inline bool nearWithin(const QColor& a, const QColor& b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}
inline bool near(const QColor& a, const QColor& b) { return nearWithin(a, b, 3); }

// Pointer entering or leaving, as the window system reports it.
inline void hover(QWidget* widget, bool inside) {
    if (inside) {
        QEnterEvent enter(QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)), widget->mapToGlobal(QPointF(1, 1)));
        QApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, &leave);
    }
}

}  // namespace viewtest

// Lets gtest print colours.
inline void PrintTo(const QColor& c, std::ostream* os) { *os << c.name(QColor::HexArgb).toStdString(); }
