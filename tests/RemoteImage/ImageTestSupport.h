#pragma once

// Shared by the image tests: waiting for a loader's answer, readable errors.
#include "RemoteImage/RemoteImageResult.h"
#include "TestMedia.h"

#include <QCoreApplication>
#include <QFuture>
#include <QTest>

#include <ostream>

namespace remoteimage {
inline void PrintTo(RemoteImageError error, std::ostream* os) { *os << errorName(error); }
}  // namespace remoteimage

namespace imagetest {

// Runs the event loop until the future has finished and delivers what was
// posted before that; a future that ends without a result reads as "network".
inline remoteimage::RemoteImageResult awaitResult(const QFuture<remoteimage::RemoteImageResult>& future) {
    (void)QTest::qWaitFor([&] { return future.isFinished(); }, 60000);
    QCoreApplication::sendPostedEvents();
    if (!future.isFinished() || future.resultCount() == 0)
        return remoteimage::RemoteImageResult::failure(remoteimage::RemoteImageError::network,
                                                       QStringLiteral("no answer"));
    return future.result();
}

}  // namespace imagetest
