#include "Vantrel/tools/CancellationToken.h"

#include <QMutex>
#include <QMutexLocker>

#include <atomic>
#include <vector>

namespace vantrel {

struct CancellationToken::State {
    std::atomic<bool> cancelled{false};
    QMutex mutex;
    std::vector<std::function<void()>> callbacks;
};

CancellationToken::CancellationToken() : state_(std::make_shared<State>()) {}

void CancellationToken::cancel() const {
    std::vector<std::function<void()>> callbacks;
    {
        QMutexLocker lock(&state_->mutex);
        if (state_->cancelled.exchange(true)) return;
        callbacks.swap(state_->callbacks);
    }
    for (const auto& callback : callbacks) callback();
}

bool CancellationToken::isCancelled() const { return state_->cancelled.load(); }

void CancellationToken::onCancel(std::function<void()> callback) const {
    {
        QMutexLocker lock(&state_->mutex);
        if (!state_->cancelled.load()) {
            state_->callbacks.push_back(std::move(callback));
            return;
        }
    }
    callback();
}

}  // namespace vantrel
