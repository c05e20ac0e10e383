#pragma once

#include "RemoteImage/RemoteImageResult.h"

#include <QFuture>
#include <QUrl>

namespace remoteimage {

// Where images by address come from. The future may finish on another thread;
// receive it with whenFinished (FutureWatch.h). Waiters share futures, so never
// cancel one.
class RemoteImageLoader {
public:
    virtual ~RemoteImageLoader() = default;
    virtual QFuture<RemoteImageResult> image(const QUrl& url) = 0;
};

}  // namespace remoteimage
