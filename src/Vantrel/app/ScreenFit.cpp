#include "Vantrel/app/ScreenFit.h"

#include <algorithm>

namespace vantrel::screenfit {

QSize minimumClientSize(const QSize& designed, const QRect& available, const QMargins& frame) {
    const QSize room = available.size().shrunkBy(frame).expandedTo(QSize(0, 0));
    return designed.boundedTo(room).expandedTo(QSize(0, 0));
}

QRect fittedFrame(const QRect& frame, const QRect& available) {
    const QSize size = frame.size().boundedTo(available.size());
    const int x = std::clamp(frame.x(), available.x(), available.x() + available.width() - size.width());
    const int y = std::clamp(frame.y(), available.y(), available.y() + available.height() - size.height());
    return QRect(QPoint(x, y), size);
}

}  // namespace vantrel::screenfit
