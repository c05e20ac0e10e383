#pragma once

// Work done once the window is on screen: help entries given Ctrl+/ by a
// keyboard layout's default get the Ctrl+? that the Help menu is meant to show.

class QMenu;

namespace vantrel {

class AppDelegate {
public:
    // Runs the fixes on the window's Help menu (none: nothing to do).
    static void applicationDidFinishLaunching(QMenu* helpMenu);
    // Every entry whose shortcut is exactly Ctrl+/ gets Ctrl+?; others keep theirs.
    static void fixHelpKey(QMenu* helpMenu);
};

}  // namespace vantrel
