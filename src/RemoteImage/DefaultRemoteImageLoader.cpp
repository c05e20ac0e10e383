#include "RemoteImage/DefaultRemoteImageLoader.h"

#include "RemoteImage/FutureWatch.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QImageReader>
#include <QLoggingCategory>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QPointer>
#include <QPromise>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <memory>

Q_LOGGING_CATEGORY(lcRemoteImage, "vantrel.RemoteImage")

namespace remoteimage {

const char* errorName(RemoteImageError error) {
    switch (error) {
    case RemoteImageError::none: return "none";
    case RemoteImageError::badServerResponse: return "badServerResponse";
    case RemoteImageError::cannotDecodeContentData: return "cannotDecodeContentData";
    case RemoteImageError::unsupportedURL: return "unsupportedURL";
    case RemoteImageError::tooLarge: return "tooLarge";
    case RemoteImageError::timedOut: return "timedOut";
    case RemoteImageError::network: return "network";
    }
    return "unknown";
}

namespace {

bool isWebScheme(const QString& scheme) {
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// The first frame of the body, as it is stored (no EXIF rotation). Runs on the
// thread pool. Refuses pictures wider or taller than `maxSide` from the header,
// before anything is allocated for the pixels.
RemoteImageResult decodeImage(const QByteArray& body, int maxSide) {
    QBuffer buffer;
    buffer.setData(body);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    if (!reader.canRead())
        return RemoteImageResult::failure(RemoteImageError::cannotDecodeContentData,
                                          QStringLiteral("The data is not an image."));
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > maxSide || size.height() > maxSide))
        return RemoteImageResult::failure(RemoteImageError::tooLarge,
                                          QStringLiteral("The image is %1 × %2 pixels; at most %3 a side are read.")
                                              .arg(size.width()).arg(size.height()).arg(maxSide));
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return RemoteImageResult::failure(RemoteImageError::cannotDecodeContentData, reader.errorString());
    // One of the formats painting needs no conversion for.
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    return RemoteImageResult::success(image);
}

// One address being fetched and decoded. Finishes its promise exactly once;
// destroyed unfinished (its loader went away), the promise ends cancelled.
class ImageDownload final : public QObject {
public:
    using Done = std::function<void(const RemoteImageResult&)>;

    ImageDownload(const QUrl& url, QNetworkAccessManager* session, const RemoteImageLimits& limits,
                  Done done, QObject* parent)
        : QObject(parent), limits_(limits), done_(std::move(done)), current_(url) {
        promise_.start();
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setMaximumRedirectsAllowed(limits.maxRedirects);
        request.setTransferTimeout(int(limits.idleTimeout.count()));
        request.setRawHeader("Accept", "image/*");
        reply_ = session->get(request);
        reply_->setParent(this);
        // Without a bound QtNetwork reads whatever the server sends as fast as it
        // comes, however slowly we take it; with one, it waits for us.
        reply_->setReadBufferSize(std::max<qint64>(limits.readBufferBytes, 1));
        connect(reply_, &QNetworkReply::metaDataChanged, this, &ImageDownload::checkDeclaredLength);
        connect(reply_, &QNetworkReply::readyRead, this, &ImageDownload::takeData);
        connect(reply_, &QNetworkReply::redirected, this, &ImageDownload::verifyRedirect);
        connect(reply_, &QNetworkReply::finished, this, &ImageDownload::fetched);
        deadline_.setSingleShot(true);
        connect(&deadline_, &QTimer::timeout, this, [this] {
            fail(RemoteImageError::timedOut, QStringLiteral("The download took longer than %1 s.")
                                                 .arg(double(limits_.totalTimeout.count()) / 1000.0));
        });
        deadline_.start(limits.totalTimeout);
    }

    QFuture<RemoteImageResult> future() { return promise_.future(); }

private:
    void checkDeclaredLength() {
        const QVariant declared = reply_->header(QNetworkRequest::ContentLengthHeader);
        if (declared.isValid() && declared.toLongLong() > limits_.maxBodyBytes) failTooLarge(declared.toLongLong());
    }

    // Takes what has arrived, never more than the cap: a byte beyond it refuses
    // the download at once, before the rest is read.
    void takeData() {
        if (finished_ || !reply_->isOpen()) return;
        while (reply_->bytesAvailable() > 0) {
            const qint64 room = limits_.maxBodyBytes - body_.size();
            if (room <= 0) {
                failTooLarge(body_.size() + reply_->bytesAvailable());
                return;
            }
            const QByteArray piece = reply_->read(std::min(room, reply_->bytesAvailable()));
            if (piece.isEmpty()) return;
            body_ += piece;
        }
    }

    // QtNetwork follows redirects itself (never from https to http, at most
    // maxRedirects); this checks each target once more before it is fetched.
    void verifyRedirect(const QUrl& target) {
        if (finished_) return;
        if (!isWebScheme(target.scheme()) ||
            (current_.scheme() == QLatin1String("https") && target.scheme() == QLatin1String("http"))) {
            fail(RemoteImageError::unsupportedURL,
                 QStringLiteral("Refused a redirect from %1 to %2.")
                     .arg(current_.toDisplayString(), target.toDisplayString()));
            return;
        }
        if (++redirects_ > limits_.maxRedirects) {
            fail(RemoteImageError::network, QStringLiteral("Too many redirects."),
                 QNetworkReply::TooManyRedirectsError);
            return;
        }
        current_ = target;
    }

    void fetched() {
        if (finished_) return;
        takeData();
        if (finished_) return;
        const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const QNetworkReply::NetworkError error = reply_->error();
        const QUrl location = current_.resolved(QUrl::fromEncoded(reply_->rawHeader("Location")));
        if (status.isValid() && status.toInt() / 100 == 3 && reply_->hasRawHeader("Location") &&
            !isWebScheme(location.scheme())) {
            // QtNetwork refuses such a redirect itself, before asking us.
            finish(RemoteImageResult::failure(RemoteImageError::unsupportedURL,
                                              QStringLiteral("Refused a redirect from %1 to %2.")
                                                  .arg(current_.toDisplayString(), location.toDisplayString())));
        } else if (error == QNetworkReply::TooManyRedirectsError || error == QNetworkReply::InsecureRedirectError) {
            finish(RemoteImageResult::failure(RemoteImageError::network, reply_->errorString(), error));
        } else if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
            finish(RemoteImageResult::failure(RemoteImageError::badServerResponse,
                                              QStringLiteral("The server answered %1.").arg(status.toInt())));
        } else if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError) {
            // We abort only through fail(), so a cancel here is the idle timeout.
            finish(RemoteImageResult::failure(RemoteImageError::timedOut, reply_->errorString(), error));
        } else if (error != QNetworkReply::NoError) {
            finish(RemoteImageResult::failure(RemoteImageError::network, reply_->errorString(), error));
        } else if (!status.isValid()) {
            finish(RemoteImageResult::failure(RemoteImageError::badServerResponse,
                                              QStringLiteral("The answer is not an HTTP response.")));
        } else {
            deadline_.stop();
            whenFinished(QtConcurrent::run(decodeImage, std::exchange(body_, {}), limits_.maxPixelsPerSide), this,
                         [this](const QFuture<RemoteImageResult>& decoded) {
                             finish(decoded.resultCount() ? decoded.result()
                                                          : RemoteImageResult::failure(
                                                                RemoteImageError::cannotDecodeContentData,
                                                                QStringLiteral("Decoding was cancelled.")));
                         });
        }
    }

    void failTooLarge(qint64 bytes) {
        fail(RemoteImageError::tooLarge, QStringLiteral("The image is %1 bytes or more; at most %2 are read.")
                                             .arg(bytes).arg(limits_.maxBodyBytes));
    }

    void fail(RemoteImageError error, const QString& message,
              QNetworkReply::NetworkError networkError = QNetworkReply::NoError) {
        if (finished_) return;
        finish(RemoteImageResult::failure(error, message, networkError));
    }

    void finish(const RemoteImageResult& result) {
        if (finished_) return;
        finished_ = true;
        deadline_.stop();
        reply_->disconnect(this);
        if (reply_->isRunning()) reply_->abort();
        body_.clear();
        if (!result.isSuccess())
            qCDebug(lcRemoteImage) << "image" << reply_->request().url() << errorName(result.error) << result.message;
        done_(result);
        promise_.addResult(result);
        promise_.finish();
        deleteLater();
    }

    const RemoteImageLimits limits_;
    const Done done_;
    QPromise<RemoteImageResult> promise_;
    QNetworkReply* reply_ = nullptr;
    QTimer deadline_;
    QByteArray body_;
    QUrl current_;
    int redirects_ = 0;
    bool finished_ = false;
};

}  // namespace

QNetworkAccessManager* imageLoadingSession(const QString& cacheDirectory, qint64 diskCapacity, QObject* parent) {
    auto* session = new QNetworkAccessManager(parent);
    if (!cacheDirectory.isEmpty()) {
        auto* diskCache = new QNetworkDiskCache(session);
        diskCache->setCacheDirectory(cacheDirectory);
        diskCache->setMaximumCacheSize(diskCapacity);
        session->setCache(diskCache);
    }
    return session;
}

DefaultRemoteImageLoader::DefaultRemoteImageLoader(RemoteImageCache& cache, QNetworkAccessManager* session,
                                                   const RemoteImageLimits& limits, QObject* parent)
    : QObject(parent), cache_(cache), session_(session), limits_(limits) {
    session_->setParent(this);
    QImageReader::setAllocationLimit(imageAllocationLimitMiB);
}

DefaultRemoteImageLoader::~DefaultRemoteImageLoader() {
    // Downloads (and their replies) go before the session, ending their futures cancelled.
    const QObjectList downloads = children();
    for (QObject* child : downloads)
        if (child != session_) delete child;
}

namespace {

QBasicMutex sharedMutex;
QPointer<DefaultRemoteImageLoader> sharedLoader;

// Runs first in the application object's destructor: the downloads, the session
// and what the session leaves for deferred deletion go while QtNetwork and the
// event loop are whole.
void destroySharedLoader() {
    QMutexLocker lock(&sharedMutex);
    delete sharedLoader.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

DefaultRemoteImageLoader* DefaultRemoteImageLoader::shared() {
    QMutexLocker lock(&sharedMutex);
    QPointer<DefaultRemoteImageLoader>& loader = sharedLoader;
    if (!loader) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) return nullptr;
        const QString folder =
            QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/images");
        auto* made = new DefaultRemoteImageLoader(DefaultRemoteImageCache::shared(),
                                                  imageLoadingSession(folder, qint64(100) * 1024 * 1024));
        if (made->thread() != app->thread()) made->moveToThread(app->thread());
        made->setParent(app);
        loader = made;
        qAddPostRoutine(destroySharedLoader);
    }
    return loader;
}

bool DefaultRemoteImageLoader::isFetchable(const QUrl& url) {
    return url.isValid() && isWebScheme(url.scheme()) && !url.host().isEmpty();
}

QFuture<RemoteImageResult> DefaultRemoteImageLoader::image(const QUrl& url) {
    if (!isFetchable(url))
        return QtFuture::makeReadyFuture(RemoteImageResult::failure(
            RemoteImageError::unsupportedURL, QStringLiteral("Only http and https addresses are loaded.")));
    if (const QImage cached = cache_.image(url); !cached.isNull())
        return QtFuture::makeReadyFuture(RemoteImageResult::success(cached));
    if (QThread::currentThread() == thread()) return imageHere(url);

    // Another thread: the loader's own thread starts or joins the download.
    auto promise = std::make_shared<QPromise<RemoteImageResult>>();
    promise->start();
    QFuture<RemoteImageResult> future = promise->future();
    QMetaObject::invokeMethod(
        this,
        [this, url, promise] {
            whenFinished(imageHere(url), this, [promise](const QFuture<RemoteImageResult>& done) {
                if (done.resultCount()) promise->addResult(done.result());
                promise->finish();
            });
        },
        Qt::QueuedConnection);
    return future;
}

QFuture<RemoteImageResult> DefaultRemoteImageLoader::imageHere(const QUrl& url) {
    if (const QImage cached = cache_.image(url); !cached.isNull())
        return QtFuture::makeReadyFuture(RemoteImageResult::success(cached));
    if (const auto running = inFlight_.constFind(url); running != inFlight_.constEnd()) return *running;

    // The entry goes on every outcome, before waiters hear of it; a success is
    // cached first, so asking again at once hits the cache.
    auto* download = new ImageDownload(
        url, session_, limits_,
        [this, url](const RemoteImageResult& result) {
            inFlight_.remove(url);
            if (result.isSuccess()) cache_.setImage(result.image, url);
        },
        this);
    QFuture<RemoteImageResult> future = download->future();
    inFlight_.insert(url, future);
    return future;
}

}  // namespace remoteimage
