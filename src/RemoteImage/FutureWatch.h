#pragma once

#include "FutureWatch/WhenFinished.h"

namespace remoteimage {

// Continuations with a context go through the one shared helper.
using futurewatch::whenFinished;

}  // namespace remoteimage
