#include "Vantrel/app/ScreenFit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace vantrel::screenfit {

QSize minimumClientSize(const QSize& designed, const QRect& available, const QMargins& frame) {
    const QSize room = available.size().shrunkBy(frame).expandedTo(QSize(0, 0));
    return designed.boundedTo(room).expandedTo(QSize(0, 0));
}

QRect fittedFrame(const QRect& frame, const QRect& available) {
    const QSize size = frame.size().boundedTo(available.size());
    const int x = std::clamp(frame.x(), available.x(), available.x() + available.width() - size.width());
    const int y = std::clamp(frame.y(), available.y(), available.y() + available.height() - size.height());
    return QRect(QPoint(x, y), size);
}

WindowFit::WindowFit(QWidget* window, Prepare prepare) : QObject(window), window_(window), prepare_(std::move(prepare)) {
    window->installEventFilter(this);
}

WindowFit* WindowFit::of(const QWidget* window) {
    return window->findChild<WindowFit*>(QString(), Qt::FindDirectChildrenOnly);
}

const QScreen* WindowFit::screen() const {
    return window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
}

QMargins WindowFit::frame() {
    const QWindow* handle = window_->windowHandle();
    const QMargins current = handle ? handle->frameMargins() : QMargins();
    if (window_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return current;
    // Restored, a window may be moved and sized before the window manager's word
    // that its frame is back arrives (openbox drops the borders of a maximised
    // window), and nothing follows that word: the widest frame the window had in
    // its own size counts.
    ownFrame_ = QMargins(std::max(ownFrame_.left(), current.left()), std::max(ownFrame_.top(), current.top()),
                         std::max(ownFrame_.right(), current.right()), std::max(ownFrame_.bottom(), current.bottom()));
    return ownFrame_;
}

void WindowFit::fit() {
    const QMargins frame = this->frame();
    // A window the window manager sizes itself is left to it (its frame is another
    // then), and fitted afresh once it is back in its own size.
    if (window_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        fittedTo_.reset();
        return;
    }
    const QScreen* screen = this->screen();
    if (!screen) return;
    const QRect available = screen->availableGeometry();
    if (fittedTo_ == std::pair(available, frame)) return;
    if (prepare_) prepare_(available, frame);

    if (!window_->isVisible()) return;
    fittedTo_ = std::pair(available, frame);
    const QRect shown = window_->geometry().marginsAdded(frame);
    const QRect fitted = fittedFrame(shown, available);
    if (fitted == shown) return;
    window_->resize(fitted.size().shrunkBy(frame));
    window_->move(fitted.topLeft());  // the frame's corner
}

bool WindowFit::isLargerThanTheArea() {
    const QScreen* screen = this->screen();
    if (!screen) return false;
    const QSize framed = window_->size().grownBy(frame());
    const QSize available = screen->availableGeometry().size();
    return framed.width() > available.width() || framed.height() > available.height();
}

bool WindowFit::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_) return false;
    switch (event->type()) {
    case QEvent::Show:
        if (QWindow* handle = window_->windowHandle())
            connect(handle, &QWindow::screenChanged, this, &WindowFit::fit, Qt::UniqueConnection);
        fit();
        break;
    case QEvent::WindowStateChange:
        // Restored, it is fitted again even to the same area and frame: a window
        // manager may give back a size other than the one it took.
        fittedTo_.reset();
        fit();
        break;
    case QEvent::Move:  // a window manager's frame arrives with a move
    case QEvent::Resize:
        // The window system made it larger than the area: a restored size that
        // arrives after the window was fitted, say.
        if (event->spontaneous() && isLargerThanTheArea()) fittedTo_.reset();
        fit();
        break;
    default:
        break;
    }
    return false;
}

FitEveryWindow::FitEveryWindow(QObject* parent) : QObject(parent) {
    if (QCoreApplication* application = QCoreApplication::instance()) application->installEventFilter(this);
}

bool FitEveryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    const Qt::WindowType type = widget->windowType();
    if (!widget->isWindow() || (type != Qt::Window && type != Qt::Dialog) || WindowFit::of(widget)) return false;
    // Made during this showing, its own filter sees the window's events from the next on.
    (new WindowFit(widget))->fit();
    return false;
}

}  // namespace vantrel::screenfit
