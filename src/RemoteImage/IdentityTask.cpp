#include "RemoteImage/IdentityTask.h"

#include <QEvent>

namespace remoteimage {

IdentityTaskBase::IdentityTaskBase(QWidget* widget, Action action)
    : QObject(widget), widget_(widget), action_(std::move(action)) {
    widget->installEventFilter(this);
    if (widget->isVisible()) start();
}

bool IdentityTaskBase::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget_) {
        if (event->type() == QEvent::Show)
            start();
        else if (event->type() == QEvent::Hide)
            cancel();
    }
    return QObject::eventFilter(watched, event);
}

void IdentityTaskBase::restart() {
    cancel();
    if (widget_ && widget_->isVisible()) start();
}

void IdentityTaskBase::start() {
    // A task still stored is replaced, not cancelled.
    task_ = action_();
}

void IdentityTaskBase::cancel() {
    if (task_) task_->cancel();
    task_.reset();
}

}  // namespace remoteimage
