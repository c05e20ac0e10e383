#include "Vantrel/views/Palette.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace Palette {
namespace {

QColor withAlpha(Qt::GlobalColor base, double opacity) {
    QColor c(base);
    c.setAlphaF(std::isfinite(opacity) ? std::clamp(opacity, 0.0, 1.0) : 0.0);
    return c;
}

}  // namespace

QColor color(Role role, bool dark) {
    switch (role) {
    case Role::paneBackground: return QColor(dark ? 0x1D1D1D : 0xF4F4F4);
    case Role::barBackground: return QColor(dark ? 0x232323 : 0xECECEC);
    case Role::consoleBackground: return QColor(dark ? 0x151515 : 0xDCDCDC);
    case Role::textPrimary: return QColor(dark ? 0xE8E8E8 : 0x1E1E1E);
    case Role::textSecondary: return QColor(dark ? 0x9F9F9F : 0x5A5A5A);
    case Role::textTertiary: return QColor(dark ? 0x6E6E6E : 0x8A8A8A);
    case Role::warning: return QColor(dark ? 0xFFB23E : 0x8F5600);
    case Role::accent: return QColor(240, 98, 42);
    case Role::success: return QColor(63, 214, 138);
    case Role::danger: return QColor(255, 107, 107);
    case Role::hairline: return overlay(0.07, dark);
    case Role::barDivider: return overlay(0.12, dark);
    }
    return {};
}

QColor overlay(double opacity, bool dark) { return withAlpha(dark ? Qt::white : Qt::black, opacity); }

QColor shadow(double opacity, bool dark) { return withAlpha(Qt::black, dark ? opacity : 0.45 * opacity); }

bool isDark(const QWidget* widget) {
    const QPalette palette = widget ? widget->palette() : QApplication::palette();
    return palette.color(QPalette::Window).lightness() < 128;
}

QPalette qtPalette(bool dark) {
    const QColor pane = color(Role::paneBackground, dark);
    const QColor bar = color(Role::barBackground, dark);
    const QColor text = color(Role::textPrimary, dark);
    const QColor secondary = color(Role::textSecondary, dark);
    const QColor tertiary = color(Role::textTertiary, dark);
    const QColor base = dark ? QColor(0x151515) : QColor(0xFFFFFF);
    const QColor button = dark ? QColor(0x2E2E2E) : QColor(0xE4E4E4);

    QPalette p;
    p.setColor(QPalette::Window, pane);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, bar);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::ToolTipBase, bar);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, tertiary);
    p.setColor(QPalette::Highlight, color(Role::accent, dark));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, color(Role::accent, dark));
    p.setColor(QPalette::LinkVisited, color(Role::accent, dark).darker(115));
    p.setColor(QPalette::Light, button.lighter(dark ? 140 : 110));
    p.setColor(QPalette::Midlight, button.lighter(dark ? 120 : 105));
    p.setColor(QPalette::Mid, dark ? QColor(0x3A3A3A) : QColor(0xBDBDBD));
    p.setColor(QPalette::Dark, dark ? QColor(0x101010) : QColor(0x9A9A9A));
    p.setColor(QPalette::Shadow, Qt::black);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, tertiary);
    p.setColor(QPalette::Disabled, QPalette::Highlight, secondary);
    return p;
}

}  // namespace Palette

}  // namespace vantrel
