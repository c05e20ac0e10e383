#pragma once

// An end on SIGTERM and SIGINT that asks nothing: the signal only wakes the event
// loop, which runs what the application gives it to do first (its last save, say),
// closes every window and leaves the event loop with 0, so that objects are
// destroyed as on Quit. It ends the same way when a box is open, in whatever loop
// it runs, or a window would rather stay; signals that come once the end is under
// way change nothing.

#include <QPointer>
#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace vantrel {

class TerminationSignals {
public:
    // Catches the signals from now on, for as long as it lives; one at a time.
    // Needs the application object.
    TerminationSignals();
    // The signals are handled as they were before.
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // What the end does before the windows close; until it is given, nothing.
    void setBeforeEnd(std::function<void()> beforeEnd);
    // Whether a signal has asked for the end, handled yet or not.
    static bool received();

private:
    struct State;
    std::shared_ptr<State> state_;
    QPointer<QSocketNotifier> notifier_;  // the application's, which may go first
};

}  // namespace vantrel
