#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>

#include <utility>

namespace remoteimage {

// Calls `handler(future)` on `context`'s thread once the future has finished,
// with a result or cancelled. Nothing is called once `context` is gone, so it is
// safe for futures that outlive their receiver (QFuture::then with a context
// must not see its context die first). Call it on `context`'s thread.
template <typename T, typename Handler>
void whenFinished(const QFuture<T>& future, QObject* context, Handler&& handler) {
    auto* watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, handler = std::forward<Handler>(handler)]() mutable {
                         watcher->disconnect();
                         watcher->deleteLater();
                         handler(watcher->future());
                     });
    watcher->setFuture(future);
}

}  // namespace remoteimage
