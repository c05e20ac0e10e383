#include "RemoteImage/RemoteImageCache.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace remoteimage;

namespace {

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
