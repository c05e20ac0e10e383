#pragma once

// An end on SIGTERM and SIGINT that asks nothing: the signal only wakes the event
// loop, which runs what the application gives it to do first (its last save, say),
// closes every window and leaves the event loop with 0, so that objects are
// destroyed as on Quit. It ends the same way when a box is open or a window would
// rather stay; signals that come once the end is under way change nothing.

#include <functional>

namespace vantrel {

void endOnTerminationSignals(std::function<void()> beforeEnd);

}  // namespace vantrel
