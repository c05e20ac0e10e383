#pragma once

// How a top-level window fits the screen it is on: the whole window, frame
// included (the title bar and borders a window manager adds), lies within the
// screen's available area.

#include <QMargins>
#include <QRect>
#include <QSize>

namespace vantrel::screenfit {

// The smallest client size to allow: `designed` where the available area has room
// for it and the frame around it, else as much as there is.
QSize minimumClientSize(const QSize& designed, const QRect& available, const QMargins& frame);

// A window's frame rectangle, shrunk to the available area where it is larger and
// then moved into it; unchanged when it already lies within.
QRect fittedFrame(const QRect& frame, const QRect& available);

}  // namespace vantrel::screenfit
