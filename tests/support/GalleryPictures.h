#pragma once

// Shared by the window tests: a widget application, light and dark palettes, and
// pictures written to $VANTREL_GALLERY_DIR (nothing when it is unset).

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QWidget>

#include "TestMedia.h"

namespace testsupport {

inline void ensureWidgetApplication() {
    if (QCoreApplication::instance()) return;
    isolateUserFolders();
    static int argc = 1;
    static char name[] = "vantrel-widget-tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

inline QPalette galleryPalette(bool dark) {
    QPalette p;
    if (!dark) {
        p.setColor(QPalette::Window, QColor(0xec, 0xec, 0xec));
        p.setColor(QPalette::WindowText, QColor(0x1d, 0x1d, 0x1f));
        p.setColor(QPalette::Base, Qt::white);
        p.setColor(QPalette::Text, QColor(0x1d, 0x1d, 0x1f));
        p.setColor(QPalette::Button, QColor(0xf6, 0xf6, 0xf6));
        p.setColor(QPalette::ButtonText, QColor(0x1d, 0x1d, 0x1f));
        p.setColor(QPalette::PlaceholderText, QColor(0x1d, 0x1d, 0x1f, 0x70));
        p.setColor(QPalette::Link, QColor(0x00, 0x64, 0xd2));
        return p;
    }
    p.setColor(QPalette::Window, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
    p.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    p.setColor(QPalette::AlternateBase, QColor(0x32, 0x32, 0x32));
    p.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3a));
    p.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
    p.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    p.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x40));
    p.setColor(QPalette::Mid, QColor(0x2c, 0x2c, 0x2c));
    p.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x18));
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::PlaceholderText, QColor(0xe8, 0xe8, 0xe8, 0x70));
    p.setColor(QPalette::Link, QColor(0x4d, 0xa3, 0xff));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    return p;
}

struct GalleryTheme {
    const char* name;
    bool dark;
};
inline constexpr GalleryTheme galleryThemes[] = {{"light", false}, {"dark", true}};

inline bool galleryWanted() { return !qEnvironmentVariableIsEmpty("VANTREL_GALLERY_DIR"); }

inline void saveGalleryPicture(QWidget* widget, const QString& name) {
    const QString dir = qEnvironmentVariable("VANTREL_GALLERY_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    QApplication::sendPostedEvents();
    widget->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

}  // namespace testsupport
