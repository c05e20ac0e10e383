#pragma once

#include <functional>
#include <memory>

namespace vantrel {

// A request to stop, shared by every copy: whoever started some work keeps one
// copy and cancels it; the work, wherever it runs, asks it. A cancelled token
// stays cancelled; a new piece of work gets a new token. Safe on any thread.
class CancellationToken {
public:
    CancellationToken();

    // Cancels the token; the first call runs the callbacks registered so far, on
    // the calling thread. Later calls do nothing.
    void cancel() const;
    bool isCancelled() const;
    // Runs `callback` when the token is cancelled, on the cancelling thread; at
    // once, on this thread, when it is cancelled already.
    void onCancel(std::function<void()> callback) const;

    // Copies of one token are equal.
    friend bool operator==(const CancellationToken& a, const CancellationToken& b) { return a.state_ == b.state_; }

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace vantrel
