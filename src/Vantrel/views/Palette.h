#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

namespace vantrel {

// Vantrel's own colours. Every pane and control of the main window takes its
// colours from here, chosen at paint time for the appearance being drawn.
namespace Palette {

enum class Role {
    paneBackground,     // window content, source list and queue panes
    barBackground,      // command bar, console header, footer
    consoleBackground,  // console body
    textPrimary,
    textSecondary,
    textTertiary,
    warning,
    accent,   // same in both appearances
    success,  // same in both appearances
    danger,   // same in both appearances
    hairline,    // 1-pixel borders and row dividers
    barDivider,  // outer edge of the command bar, console and footer
};

QColor color(Role role, bool dark);

// Tinted fill that lifts a surface: black in light, white in dark, at opacity.
QColor overlay(double opacity, bool dark);

// Sunken fill: black at 0.45 x opacity in light, black at opacity in dark.
QColor shadow(double opacity, bool dark);

// Whether a widget draws dark: its palette's window colour is dark. Panes and
// controls follow whatever palette the application has installed.
bool isDark(const QWidget* widget);

// The explicit palette the application installs for one appearance, so menus,
// dialogs and the panes agree. Highlight is the accent.
QPalette qtPalette(bool dark);

}  // namespace Palette

}  // namespace vantrel
