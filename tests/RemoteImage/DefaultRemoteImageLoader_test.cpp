// The shared loader against a server on this machine, its cache, and the
// application going while downloads are in flight.
#include "ImageTestSupport.h"
#include "LocalImageServer.h"
#include "RemoteImage/DefaultRemoteImageLoader.h"
#include "RemoteImage/RemoteImageCache.h"
#include "RemoteImage/RemoteImageView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QNetworkReply>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <limits>
#include <memory>
#include <vector>

using namespace remoteimage;
using namespace imagetest;
using namespace std::chrono_literals;

namespace {

constexpr qint64 MiB = 1024 * 1024;

QImage imageOf(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    return image;
}

QUrl at(const char* name) { return QUrl(QStringLiteral("https://images.test/") + QLatin1String(name)); }

QString kept(DefaultRemoteImageCache& cache) {
    QStringList names;
    for (const char* name : {"a", "b", "c", "d"})
        if (!cache.image(at(name)).isNull()) names << QLatin1String(name);
    return names.join(QLatin1Char(' '));
}

class RemoteImageLoaderTest : public ::testing::Test {
protected:
    DefaultRemoteImageLoader& makeLoader(const RemoteImageLimits& limits = {}) {
        loader = std::make_unique<DefaultRemoteImageLoader>(cache, imageLoadingSession({}, 0), limits);
        return *loader;
    }

    LocalImageServer server;
    DefaultRemoteImageCache cache;
    std::unique_ptr<DefaultRemoteImageLoader> loader;
    const QByteArray png = pngBytes(8, 6);
};

TEST_F(RemoteImageLoaderTest, AnswersOfTheServer) {
    using S = LocalImageServer;
    struct Case {
        const char* name;
        QByteArray path;
        S::Handler handler;
        RemoteImageError expected;
    };
    const std::vector<Case> cases = {
        {"200", "/ok", S::respond(200, png), RemoteImageError::none},
        {"299", "/299", S::respond(299, png), RemoteImageError::none},
        {"300", "/300", S::respond(300, png), RemoteImageError::badServerResponse},
        {"404", "/missing", S::respond(404, "<p>gone</p>", "text/html"), RemoteImageError::badServerResponse},
        {"HTML page", "/page", S::respond(200, "<html><body>hi</body></html>", "text/html"),
         RemoteImageError::cannotDecodeContentData},
        {"dropped connection", "/drop", S::drop(), RemoteImageError::network},
        {"redirect", "/moved", S::redirect(server.url(QStringLiteral("/ok")).toEncoded()), RemoteImageError::none},
        {"5 redirects", "/r5", S::redirect("/r4"), RemoteImageError::none},
        {"6 redirects", "/r6", S::redirect("/r5"), RemoteImageError::network},
        {"redirect loop", "/loop", S::redirect("/loop"), RemoteImageError::network},
        {"redirect to a file", "/to-file", S::redirect("file:///etc/hostname"), RemoteImageError::unsupportedURL},
        {"1 GiB declared", "/huge", S::headersThenSilence(1024 * MiB, png.left(16)), RemoteImageError::tooLarge},
        {"60000 × 60000 pixels", "/giant", S::respond(200, pngClaiming(60000, 60000)), RemoteImageError::tooLarge},
    };
    for (const Case& c : cases) server.route(c.path, c.handler);
    for (int i = 1; i <= 4; ++i) server.route("/r" + QByteArray::number(i), S::redirect(i == 1 ? "/ok" : "/r" + QByteArray::number(i - 1)));
    DefaultRemoteImageLoader& images = makeLoader();

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QUrl url = server.url(QString::fromLatin1(c.path));
        const RemoteImageResult result = awaitResult(images.image(url));
        EXPECT_EQ(result.error, c.expected) << result.message.toStdString();
        EXPECT_EQ(images.downloadsInFlight(), 0);
        if (c.expected == RemoteImageError::none) {
            EXPECT_EQ(result.image.size(), QSize(8, 6));
            EXPECT_EQ(cache.image(url).cacheKey(), result.image.cacheKey());
        } else {
            EXPECT_TRUE(cache.image(url).isNull());
            // A failure is not remembered: asking again reaches the server again.
            const int hits = server.hits(c.path);
            EXPECT_EQ(awaitResult(images.image(url)).error, c.expected);
            EXPECT_GT(server.hits(c.path), hits);
        }
    }
    ASSERT_FALSE(server.requests.isEmpty());
    for (const Request& request : server.requests) EXPECT_EQ(request.headers.value("accept"), "image/*") << request.path.data();
}

TEST_F(RemoteImageLoaderTest, RequestsDuringOneDownloadShareItAndTheCacheAnswersAfterwards) {
    std::function<void()> release;
    server.route("/shared", LocalImageServer::held(LocalImageServer::respond(200, png), &release));
    DefaultRemoteImageLoader& images = makeLoader();
    const QUrl url = server.url(QStringLiteral("/shared"));

    const auto first = images.image(url);
    const auto second = images.image(url);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(release); }, 60000));
    EXPECT_EQ(images.downloadsInFlight(), 1);
    release();
    const QImage a = awaitResult(first).image;
    const QImage b = awaitResult(second).image;
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(a.cacheKey(), b.cacheKey());

    const auto third = images.image(url);
    ASSERT_TRUE(third.isFinished());
    EXPECT_EQ(third.result().image.cacheKey(), a.cacheKey());
    EXPECT_EQ(server.hits("/shared"), 1);
}

TEST_F(RemoteImageLoaderTest, OnlyWebAddressesAreFetched) {
    const QString port = QString::number(server.url({}).port());
    const QStringList refused = {
        QStringLiteral("file:///etc/hostname"),
        QStringLiteral("qrc:/image.png"),
        QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64()),
        QStringLiteral("ftp://127.0.0.1:%1/image.png").arg(port),
        QStringLiteral("images/image.png"),
        QStringLiteral("//127.0.0.1:%1/image.png").arg(port),
    };
    DefaultRemoteImageLoader& images = makeLoader();
    for (const QString& text : refused) {
        SCOPED_TRACE(text.left(60).toStdString());
        const auto future = images.image(QUrl(text));
        ASSERT_TRUE(future.isFinished());
        EXPECT_EQ(future.result().error, RemoteImageError::unsupportedURL);
    }
    EXPECT_EQ(images.downloadsInFlight(), 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(server.requests.isEmpty());
}

TEST_F(RemoteImageLoaderTest, SlowServersRunIntoTheDeadlines) {
    server.route("/silent", LocalImageServer::headersThenSilence(png.size(), png.left(20)));
    server.route("/trickle", LocalImageServer::trickle(20));

    RemoteImageLimits idle;
    idle.idleTimeout = 200ms;
    EXPECT_EQ(awaitResult(makeLoader(idle).image(server.url(QStringLiteral("/silent")))).error,
              RemoteImageError::timedOut);

    RemoteImageLimits total;
    total.totalTimeout = 400ms;
    EXPECT_EQ(awaitResult(makeLoader(total).image(server.url(QStringLiteral("/trickle")))).error,
              RemoteImageError::timedOut);
}

TEST_F(RemoteImageLoaderTest, AnUnsizedFloodIsCutOffAtTheCap) {
    const qint64 offered = 256 * MiB;
    auto sent = std::make_shared<qint64>(0);
    server.route("/flood", LocalImageServer::chunkedFlood(offered, sent));
    RemoteImageLimits limits;
    limits.maxBodyBytes = 256 * 1024;

    const RemoteImageResult result = awaitResult(makeLoader(limits).image(server.url(QStringLiteral("/flood"))));
    EXPECT_EQ(result.error, RemoteImageError::tooLarge);
    EXPECT_GT(*sent, limits.maxBodyBytes);
    EXPECT_LT(*sent, offered / 4);
}

// A session that watches its replies: what QtNetwork handed them, and the most
// one reply held at once. Its slots run before the loader's (connected first), so
// they see each arrival before the loader empties the buffer; since the loader
// takes everything each time, the sum of those sights is what arrived (more if a
// piece were left over, never less). The first arrivals find the thread busy for
// a while, as a window's thread is while it paints: QtNetwork reads on in its own
// thread meanwhile, as far as it is let.
class WatchedSession : public QNetworkAccessManager {
public:
    qint64 received = 0;
    qint64 mostHeld = 0;

protected:
    QNetworkReply* createRequest(Operation op, const QNetworkRequest& request, QIODevice* data) override {
        QNetworkReply* reply = QNetworkAccessManager::createRequest(op, request, data);
        connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
            received += reply->bytesAvailable();
            mostHeld = std::max(mostHeld, reply->bytesAvailable());
            if (busyTurns_ > 0) {
                --busyTurns_;
                QThread::msleep(40);
            }
        });
        return reply;
    }

private:
    int busyTurns_ = 8;
};

qint64 kernelSocketBuffers() {
    // The largest receive and send buffers the kernel may give a connection
    // (third field of each): the most a server gets out before the reader takes any.
    qint64 total = 0;
    for (const char* name : {"/proc/sys/net/ipv4/tcp_rmem", "/proc/sys/net/ipv4/tcp_wmem"}) {
        QFile file(QString::fromLatin1(name));
        const QList<QByteArray> fields = file.open(QIODevice::ReadOnly) ? file.readAll().simplified().split(' ')
                                                                         : QList<QByteArray>();
        total += fields.size() == 3 ? fields[2].toLongLong() : 64 * MiB;
    }
    return total;
}

TEST_F(RemoteImageLoaderTest, EndlessBodiesAreReadNoFurtherThanTheCap) {
    RemoteImageLimits limits;
    limits.maxBodyBytes = 4 * MiB;
    limits.readBufferBytes = 128 * 1024;

    for (const auto framing : {EndlessBodyServer::Framing::chunked, EndlessBodyServer::Framing::untilClose}) {
        SCOPED_TRACE(framing == EndlessBodyServer::Framing::chunked ? "chunked" : "until close");
        EndlessBodyServer endless(framing);
        auto* session = new WatchedSession;
        loader = std::make_unique<DefaultRemoteImageLoader>(cache, session, limits);
        const RemoteImageResult result = awaitResult(loader->image(endless.url()));
        EXPECT_EQ(result.error, RemoteImageError::tooLarge) << result.message.toStdString();
        // QtNetwork stops reading while a reply holds its buffer's worth; it may
        // have one piece in flight beyond it when it stops.
        EXPECT_LE(session->mostHeld, 2 * limits.readBufferBytes);
        EXPECT_GT(session->received, limits.maxBodyBytes);
        EXPECT_LE(session->received, limits.maxBodyBytes + 2 * limits.readBufferBytes);
        loader.reset();
        // Beyond that, only the kernel's socket buffers and the server's own queue.
        EXPECT_LT(endless.sent(), limits.maxBodyBytes + 2 * limits.readBufferBytes + kernelSocketBuffers() + MiB);
    }
}

TEST_F(RemoteImageLoaderTest, ABodyOfExactlyTheCapIsReadAndOneByteMoreIsRefused) {
    // Chunked, so that no declared length refuses it before the body is read.
    server.route("/chunked-png", [this](QTcpSocket* socket, const Request&) {
        socket->write(LocalImageServer::head(200, {"Content-Type: image/png", "Transfer-Encoding: chunked"}) +
                      QByteArray::number(png.size(), 16) + "\r\n" + png + "\r\n0\r\n\r\n");
    });
    const QUrl url = server.url(QStringLiteral("/chunked-png"));
    RemoteImageLimits limits;
    limits.readBufferBytes = 7;  // the body arrives in pieces smaller than itself
    limits.maxBodyBytes = png.size() - 1;
    EXPECT_EQ(awaitResult(makeLoader(limits).image(url)).error, RemoteImageError::tooLarge);
    limits.maxBodyBytes = png.size();
    EXPECT_EQ(awaitResult(makeLoader(limits).image(url)).image.size(), QSize(8, 6));
}

TEST_F(RemoteImageLoaderTest, OtherThreadsGetTheirAnswerThroughTheLoadersThread) {
    server.route("/ok", LocalImageServer::respond(200, png));
    DefaultRemoteImageLoader& images = makeLoader();
    const QUrl url = server.url(QStringLiteral("/ok"));
    const auto fromWorker = QtConcurrent::run([&] { return images.image(url); }).result();
    EXPECT_EQ(awaitResult(fromWorker).image.size(), QSize(8, 6));
}

TEST_F(RemoteImageLoaderTest, GoingAwayWithDownloadsInFlightCancelsTheirWaiters) {
    std::function<void()> release;
    server.route("/held", LocalImageServer::held(LocalImageServer::respond(200, png), &release));
    const auto future = makeLoader().image(server.url(QStringLiteral("/held")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(release); }, 60000));

    loader.reset();
    EXPECT_TRUE(future.isFinished());
    EXPECT_TRUE(future.isCanceled());
    release();  // the answer now goes to a closed connection
    QCoreApplication::processEvents();
}

TEST(RemoteImageCache, EvictsTheLeastRecentlyUsedByCountAndByBytes) {
    const qint64 tile = DefaultRemoteImageCache::costOf(imageOf(16));
    struct Case {
        const char* name;
        qsizetype countLimit;
        qint64 costLimit;
    };
    for (const Case& c : {Case{"count", 3, 100 * tile}, Case{"bytes", 100, 3 * tile + tile / 2}}) {
        SCOPED_TRACE(c.name);
        DefaultRemoteImageCache cache(c.countLimit, c.costLimit);
        const QImage first = imageOf(16);
        cache.setImage(first, at("a"));
        for (const char* name : {"b", "c"}) cache.setImage(imageOf(16), at(name));
        cache.image(at("a"));  // a is now used more recently than b
        cache.setImage(imageOf(16), at("d"));
        EXPECT_EQ(cache.count(), 3);
        EXPECT_EQ(cache.totalCost(), 3 * tile);
        EXPECT_TRUE(cache.image(at("b")).isNull());
        EXPECT_EQ(cache.image(at("a")).cacheKey(), first.cacheKey());
    }
}

TEST(RemoteImageCache, KeepsNothingLargerThanItsBudget) {
    const qint64 tile = DefaultRemoteImageCache::costOf(imageOf(16));
    DefaultRemoteImageCache cache(100, 4 * tile);
    cache.setImage(imageOf(16), at("a"));
    cache.setImage(imageOf(16), at("b"));
    cache.setImage(imageOf(64), at("c"));  // 16 tiles
    EXPECT_EQ(kept(cache), QStringLiteral("a b"));
    cache.setImage(imageOf(64), at("a"));  // a larger image under a kept address replaces it by nothing
    EXPECT_EQ(kept(cache), QStringLiteral("b"));
    EXPECT_EQ(cache.totalCost(), tile);
}

}  // namespace

// Runs as a child process of the test below: the program's application object
// goes while downloads of the shared loader are in flight, as when the program
// quits with a help page still loading.
TEST(RemoteImageQuitChild, TheApplicationGoesWithDownloadsInFlight) {
    if (qEnvironmentVariableIsEmpty("VANTREL_QUIT_CHILD")) GTEST_SKIP() << "only runs as the child of the quit test";
    QFuture<RemoteImageResult> outliving;
    {
        LocalImageServer server;
        std::function<void()> release;
        server.route("/held", LocalImageServer::held(LocalImageServer::respond(200, pngBytes(8, 8)), &release));
        const QUrl url = server.url(QStringLiteral("/held"));
        {
            RemoteImageView view(url, 1, [](const RemoteImageState&) { return nullptr; });
            view.show();
            ASSERT_TRUE(QTest::qWaitFor([&] { return bool(release); }, 60000));
        }
        outliving = DefaultRemoteImageLoader::shared()->image(url);
        ASSERT_EQ(DefaultRemoteImageLoader::shared()->downloadsInFlight(), 1);
    }
    delete QCoreApplication::instance();
    EXPECT_TRUE(outliving.isFinished());
    EXPECT_TRUE(outliving.isCanceled());
    EXPECT_EQ(DefaultRemoteImageLoader::shared(), nullptr);
}

// The test program shares one application among its tests, so the application
// that goes is a child process's.
TEST(RemoteImageQuit, TheApplicationGoesWithDownloadsInFlight) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VANTREL_QUIT_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=RemoteImageQuitChild.*")});
    ASSERT_TRUE(child.waitForFinished(300000));
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test.")) << output.toStdString();
}
