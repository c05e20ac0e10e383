#pragma once

#include "RemoteImage/RemoteImageCache.h"
#include "RemoteImage/RemoteImageLoader.h"

#include <QHash>
#include <QObject>

#include <chrono>

class QNetworkAccessManager;

namespace remoteimage {

// What one download may take. The defaults are the program's; tests shrink them.
struct RemoteImageLimits {
    qint64 maxBodyBytes = qint64(16) * 1024 * 1024;
    // What QtNetwork may hold for us at a time before it stops reading from the
    // connection; the body is taken from it piece by piece.
    qint64 readBufferBytes = qint64(256) * 1024;
    std::chrono::milliseconds idleTimeout{15000};    // no data for this long
    std::chrono::milliseconds totalTimeout{60000};   // the whole download, redirects included
    int maxPixelsPerSide = 16384;
    int maxRedirects = 5;
};

// Decoding never allocates more than this for one image (QImageReader's limit).
inline constexpr int imageAllocationLimitMiB = 128;

// The image session: a network access manager whose responses are kept in a disk
// cache of `diskCapacity` bytes in `cacheDirectory` (no disk cache when empty).
QNetworkAccessManager* imageLoadingSession(const QString& cacheDirectory, qint64 diskCapacity,
                                               QObject* parent = nullptr);

// Fetches each address once however many ask at once, checks the status,
// decodes the first frame on the thread pool and keeps the image in the cache.
// Only http and https are fetched. Lives on one thread (the GUI thread for the
// shared loader); calls from other threads are posted to it.
class DefaultRemoteImageLoader final : public QObject, public RemoteImageLoader {
    Q_OBJECT
public:
    // Takes ownership of `session`, which must live on the loader's thread.
    DefaultRemoteImageLoader(RemoteImageCache& cache, QNetworkAccessManager* session,
                             const RemoteImageLimits& limits = {}, QObject* parent = nullptr);
    ~DefaultRemoteImageLoader() override;

    // The process's loader, made on first use as a child of the application
    // object (with the shared cache and a 100 MiB disk cache in the cache
    // location's "images" folder). Null before there is an application object.
    static DefaultRemoteImageLoader* shared();

    QFuture<RemoteImageResult> image(const QUrl& url) override;

    // Addresses being downloaded or decoded now.
    qsizetype downloadsInFlight() const { return inFlight_.size(); }

    static bool isFetchable(const QUrl& url);

private:
    QFuture<RemoteImageResult> imageHere(const QUrl& url);

    RemoteImageCache& cache_;
    QNetworkAccessManager* session_;
    const RemoteImageLimits limits_;
    QHash<QUrl, QFuture<RemoteImageResult>> inFlight_;
};

}  // namespace remoteimage
