#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>

#include <optional>
#include <utility>

namespace futurewatch {

// Calls `handler(future)` on `context`'s thread once the future has finished, with
// results, an exception or cancelled; the handler asks the future which. Nothing
// is called once `context` is gone, so the future may outlive its receiver, which
// QFuture::then(context, ...) does not allow. Call it on `context`'s thread.
template <typename T, typename Handler>
void whenFinished(const QFuture<T>& future, QObject* context, Handler&& handler) {
    Q_ASSERT(context);
    // The watcher is the context's child, so it dies with it and the call with it.
    auto* watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, handler = std::forward<Handler>(handler)]() mutable {
                         watcher->disconnect();
                         watcher->deleteLater();
                         handler(watcher->future());
                     });
    watcher->setFuture(future);
}

// The result of a finished future; nothing when it was cancelled, has no result
// or holds an exception.
template <typename T>
std::optional<T> resultOf(const QFuture<T>& future) {
    if (future.isCanceled() || future.resultCount() == 0) return std::nullopt;
    try {
        return future.result();
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace futurewatch
