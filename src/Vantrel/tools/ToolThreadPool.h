#pragma once

class QThreadPool;

namespace vantrel {

// The worker threads on which tool processes are started and read. Separate from
// the global pool so that long tool runs never starve other background work.
// Never destroyed: quitting the application does not wait for a running tool.
QThreadPool* toolThreadPool();

}  // namespace vantrel
