#pragma once

// How a top-level window fits the screen it is on: the whole window, frame
// included (the title bar and borders a window manager adds), lies within the
// screen's available area.

#include <QMargins>
#include <QObject>
#include <QRect>
#include <QSize>

#include <functional>
#include <optional>
#include <utility>

class QScreen;
class QWidget;

namespace vantrel::screenfit {

// The smallest client size to allow: `designed` where the available area has room
// for it and the frame around it, else as much as there is.
QSize minimumClientSize(const QSize& designed, const QRect& available, const QMargins& frame);

// A window's frame rectangle, shrunk to the available area where it is larger and
// then moved into it; unchanged when it already lies within.
QRect fittedFrame(const QRect& frame, const QRect& available);

// Keeps one top-level window within the available area of its screen. The window
// is fitted when it is shown, when its frame or its screen's area changes (a
// window manager adds its frame only after the window is shown, and takes it
// away while the window is maximised), and after it leaves the maximised or full
// screen state, and whenever the window system makes it larger than the area. In
// between a window stays where it is put: one the user moves partly off the
// screen is left there. A maximised or full-screen window is never moved or
// sized, nor one on its way back from that state (a window manager keeps such a
// size as the one to restore to, or restores over it): leaving the state, the
// window goes back to the size and place it had before, fitted.
class WindowFit : public QObject {
    Q_OBJECT

public:
    // Called with the area and the frame before the window is fitted to them, also
    // while it is hidden (the main window bounds its minimum size there).
    using Prepare = std::function<void(const QRect& available, const QMargins& frame)>;

    explicit WindowFit(QWidget* window, Prepare prepare = {});

    // Fits the window now, unless it was fitted to the same area and frame before.
    void fit();

    // The fit of a window, if it has one.
    static WindowFit* of(const QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The screen the window is on, else the primary one.
    const QScreen* screen() const;
    // The frame around the window as it is fitted.
    QMargins frame();
    bool isLargerThanTheArea();
    // Puts a window that has left the maximised or full-screen state back where
    // it was before, fitted.
    void returnToNormal();
    // Ends the return once the window manager has the window where it was sent.
    void checkReturned();

    QWidget* window_;
    Prepare prepare_;
    // What the window was last fitted to.
    std::optional<std::pair<QRect, QMargins>> fittedTo_;
    // The widest frame the window had while not maximised or full screen.
    QMargins ownFrame_;
    // Where the window was last seen in its own size (not maximised or full screen).
    QRect normal_;
    // Where the window was last seen maximised or full screen.
    QRect sized_;
    // Where a returning window is sent, until it is there.
    std::optional<QRect> returning_;
};

// Gives every top-level window of the application (dialogs included, menus and
// tooltips not) a WindowFit when it is first shown, unless it has one already.
class FitEveryWindow : public QObject {
    Q_OBJECT

public:
    explicit FitEveryWindow(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace vantrel::screenfit
