// Remote images: a request answered from the memory cache, and the load of a
// 1-megapixel PNG from a server on 127.0.0.1, fetched anew or from the disk cache.
#include "LocalImageServer.h"
#include "RemoteImage/DefaultRemoteImageLoader.h"
#include "RemoteImage/FutureWatch.h"

#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QPainter>
#include <QTemporaryDir>

using namespace remoteimage;
using namespace imagetest;

namespace {

// A 1000 × 1000 picture with fine detail (a gradient under deterministic noise),
// so that it compresses like a photograph rather than like a flat fill.
QByteArray megapixelPng() {
    QImage image(1000, 1000, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 27);
            line[x] = qRgb((x / 4 + noise) & 0xff, (y / 4 + noise) & 0xff, ((x + y) / 8 + noise) & 0xff);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

struct Fixture {
    Fixture() {
        server.route("/photo.png",
                     LocalImageServer::respond(200, png, "image/png",
                                               {"Cache-Control: max-age=86400",
                                                "Last-Modified: Sun, 06 Dec 2026 12:00:00 GMT"}));
    }
    QByteArray png = megapixelPng();
    LocalImageServer server;
    QUrl url = server.url(QStringLiteral("/photo.png"));
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

RemoteImageResult load(DefaultRemoteImageLoader& loader, const QUrl& url) {
    const QFuture<RemoteImageResult> future = loader.image(url);
    if (!future.isFinished()) {
        QEventLoop loop;
        whenFinished(future, &loop, [&](const QFuture<RemoteImageResult>&) { loop.quit(); });
        loop.exec();
    }
    return future.result();
}

void BM_CacheHit(benchmark::State& state) {
    Fixture& f = fixture();
    DefaultRemoteImageCache cache;
    DefaultRemoteImageLoader loader(cache, imageLoadingSession({}, 0));
    if (!load(loader, f.url).isSuccess()) state.SkipWithError("the image did not load");
    for (auto _ : state) benchmark::DoNotOptimize(loader.image(f.url).result().image.cacheKey());
}
BENCHMARK(BM_CacheHit)->Unit(benchmark::kMicrosecond);

void BM_ColdLoad(benchmark::State& state) {
    Fixture& f = fixture();
    DefaultRemoteImageCache cache;
    DefaultRemoteImageLoader loader(cache, imageLoadingSession({}, 0));
    for (auto _ : state) {
        cache.clear();
        if (!load(loader, f.url).isSuccess()) state.SkipWithError("the image did not load");
    }
    state.counters["png_bytes"] = double(f.png.size());
}
BENCHMARK(BM_ColdLoad)->Unit(benchmark::kMillisecond);

void BM_DiskCachedLoad(benchmark::State& state) {
    Fixture& f = fixture();
    QTemporaryDir folder;
    DefaultRemoteImageCache cache;
    DefaultRemoteImageLoader loader(cache, imageLoadingSession(folder.path(), qint64(100) * 1024 * 1024));
    load(loader, f.url);
    const int fetches = f.server.hits("/photo.png");
    for (auto _ : state) {
        cache.clear();
        if (!load(loader, f.url).isSuccess()) state.SkipWithError("the image did not load");
    }
    state.counters["server_fetches"] = double(f.server.hits("/photo.png") - fetches);
}
BENCHMARK(BM_DiskCachedLoad)->Unit(benchmark::kMillisecond);

// For comparison: decoding the same PNG on the calling thread.
void BM_DecodeOnly(benchmark::State& state) {
    const QByteArray& png = fixture().png;
    for (auto _ : state) benchmark::DoNotOptimize(QImage::fromData(png, "PNG").cacheKey());
}
BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
