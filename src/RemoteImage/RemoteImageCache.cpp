#include "RemoteImage/RemoteImageCache.h"

#include <QMutexLocker>

namespace remoteimage {

DefaultRemoteImageCache::DefaultRemoteImageCache(qsizetype countLimit, qint64 costLimit)
    : countLimit_(countLimit), costLimit_(costLimit) {}

DefaultRemoteImageCache& DefaultRemoteImageCache::shared() {
    static DefaultRemoteImageCache cache;
    return cache;
}

QImage DefaultRemoteImageCache::image(const QUrl& url) {
    QMutexLocker lock(&mutex_);
    const auto found = index_.constFind(url);
    if (found == index_.constEnd()) return {};
    entries_.splice(entries_.begin(), entries_, *found);
    return entries_.front().image;
}

void DefaultRemoteImageCache::setImage(const QImage& image, const QUrl& url) {
    QMutexLocker lock(&mutex_);
    if (const auto found = index_.constFind(url); found != index_.constEnd()) removeLocked(*found);
    const qint64 cost = costOf(image);
    if (image.isNull() || countLimit_ <= 0 || cost > costLimit_) return;
    while (!entries_.empty() && (entries_.size() >= size_t(countLimit_) || totalCost_ + cost > costLimit_))
        removeLocked(std::prev(entries_.end()));
    entries_.push_front({url, image, cost});
    index_.insert(url, entries_.begin());
    totalCost_ += cost;
}

qsizetype DefaultRemoteImageCache::count() const {
    QMutexLocker lock(&mutex_);
    return qsizetype(entries_.size());
}

qint64 DefaultRemoteImageCache::totalCost() const {
    QMutexLocker lock(&mutex_);
    return totalCost_;
}

void DefaultRemoteImageCache::clear() {
    QMutexLocker lock(&mutex_);
    entries_.clear();
    index_.clear();
    totalCost_ = 0;
}

void DefaultRemoteImageCache::removeLocked(Entries::iterator it) {
    totalCost_ -= it->cost;
    index_.remove(it->url);
    entries_.erase(it);
}

}  // namespace remoteimage
