#include "Vantrel/app/ScreenFit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <QWindowStateChangeEvent>

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

namespace {

// The states in which the window manager sizes the window itself.
constexpr Qt::WindowStates sizedByTheWindowManager = Qt::WindowMaximized | Qt::WindowFullScreen;

}  // namespace

void WindowFit::fit() {
    const QMargins frame = this->frame();
    // A window the window manager sizes itself is left to it: its frame is another
    // then, and what it is given while maximised the window manager keeps as the
    // size to restore it to.
    if (window_->windowState() & sizedByTheWindowManager) {
        fittedTo_.reset();
        sized_ = window_->geometry();
        return;
    }
    if (returning_) return;  // see checkReturned()
    const QScreen* screen = this->screen();
    if (!screen) return;
    if (window_->isVisible()) normal_ = window_->geometry();
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

void WindowFit::returnToNormal() {
    const QMargins frame = this->frame();
    const QScreen* screen = this->screen();
    if (!window_->isVisible() || !normal_.isValid() || !screen) {
        fit();
        return;
    }
    const QRect available = screen->availableGeometry();
    if (prepare_) prepare_(available, frame);
    // Sent back by the application itself, fitted, rather than fitted wherever the
    // window manager's restore happens to be when this runs: a window manager that
    // gives back another size (the maximised one, or one below the window's new
    // minimum) is overruled, and the window is placed by its own corner, which
    // does not depend on a frame that comes back only after it moved.
    const QRect fitted = fittedFrame(normal_.marginsAdded(frame), available).marginsRemoved(frame);
    returning_ = QRect(fitted.topLeft(), fitted.size().expandedTo(window_->minimumSize()).boundedTo(window_->maximumSize()));
    normal_ = *returning_;
    fittedTo_ = std::pair(available, frame);
    window_->setGeometry(*returning_);
}

void WindowFit::checkReturned() {
    if (!returning_) return;
    // On its way back the window passes through places that are neither the
    // maximised one nor its own (the window manager sends the size and the place
    // apart, and each arrives as an event of its own): one that still has the
    // maximised size or place is halfway. Anything else is the end of the way,
    // where it was sent or where the window manager or the user put it instead,
    // and the window is fitted there as at any other move.
    const QRect now = window_->geometry();
    if (now != *returning_ && (now.size() == sized_.size() || now.topLeft() == sized_.topLeft())) return;
    returning_.reset();
    if (isLargerThanTheArea()) fittedTo_.reset();
    fit();
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
    case QEvent::Hide:
        returning_.reset();  // shown again, it is fitted afresh
        break;
    case QEvent::WindowStateChange:
        // Fitted again even to the same area and frame; restored, it goes back to
        // where it was before.
        returning_.reset();
        fittedTo_.reset();
        if ((static_cast<QWindowStateChangeEvent*>(event)->oldState() & sizedByTheWindowManager) &&
            !(window_->windowState() & (sizedByTheWindowManager | Qt::WindowMinimized))) {
            returnToNormal();
        } else {
            fit();
        }
        break;
    case QEvent::Move:  // a window manager's frame arrives with a move
    case QEvent::Resize:
        if (returning_) {
            // One report of the window system's arrives as a move and a resize event,
            // each with half of it: the whole is seen once both are delivered.
            if (event->spontaneous()) QMetaObject::invokeMethod(this, &WindowFit::checkReturned, Qt::QueuedConnection);
            break;
        }
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
