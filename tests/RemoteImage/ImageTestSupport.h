#pragma once

// Shared by the image tests: waiting for a loader's answer, readable errors.
#include "RemoteImage/RemoteImageLoader.h"
#include "TestMedia.h"

#include <QCoreApplication>
#include <QFuture>
#include <QHash>
#include <QList>
#include <QPromise>
#include <QTest>

#include <memory>
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

// A loader that answers when the test says so.
class FakeLoader final : public remoteimage::RemoteImageLoader {
public:
    QFuture<remoteimage::RemoteImageResult> image(const QUrl& url) override {
        calls.append(url);
        auto& promise = pending[url];
        if (!promise) {
            promise = std::make_shared<QPromise<remoteimage::RemoteImageResult>>();
            promise->start();
        }
        return promise->future();
    }

    // Answers every waiter for the address; true when there was one.
    bool answer(const QUrl& url, const remoteimage::RemoteImageResult& result) {
        const auto promise = pending.take(url);
        if (!promise) return false;
        promise->addResult(result);
        promise->finish();
        QCoreApplication::processEvents();
        return true;
    }
    bool answer(const QUrl& url, const QImage& image) {
        return answer(url, remoteimage::RemoteImageResult::success(image));
    }
    bool fail(const QUrl& url) {
        return answer(url, remoteimage::RemoteImageResult::failure(remoteimage::RemoteImageError::badServerResponse,
                                                                   QStringLiteral("The server answered 404.")));
    }

    QList<QUrl> calls;
    QHash<QUrl, std::shared_ptr<QPromise<remoteimage::RemoteImageResult>>> pending;
};

inline QImage filledImage(int width, int height, QColor colour = Qt::darkCyan) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

}  // namespace imagetest
