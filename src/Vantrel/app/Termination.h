#pragma once

// A polite end on SIGTERM and SIGINT: the signal only wakes the event loop,
// which then quits the application normally, so windows close and objects are
// destroyed as on Quit.

namespace vantrel {

void quitOnTerminationSignals();

}  // namespace vantrel
