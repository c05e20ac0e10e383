#pragma once

#include <QHash>
#include <QImage>
#include <QMutex>
#include <QUrl>

#include <list>

namespace remoteimage {

// Decoded images by address. Implementations may be called from any thread.
class RemoteImageCache {
public:
    virtual ~RemoteImageCache() = default;
    // The cached image for the address, or a null image.
    virtual QImage image(const QUrl& url) = 0;
    virtual void setImage(const QImage& image, const QUrl& url) = 0;
};

// Least recently used images within two budgets: a number of images and their
// bytes in memory. An image larger than the byte budget is not kept at all.
class DefaultRemoteImageCache final : public RemoteImageCache {
public:
    static constexpr qsizetype defaultCountLimit = 100;
    static constexpr qint64 defaultCostLimit = qint64(128) * 1024 * 1024;

    explicit DefaultRemoteImageCache(qsizetype countLimit = defaultCountLimit, qint64 costLimit = defaultCostLimit);

    // The process's one cache, made on first use.
    static DefaultRemoteImageCache& shared();

    QImage image(const QUrl& url) override;
    void setImage(const QImage& image, const QUrl& url) override;

    qsizetype count() const;
    qint64 totalCost() const;
    void clear();

    // What an image costs: its pixel bytes.
    static qint64 costOf(const QImage& image) { return image.sizeInBytes(); }

private:
    struct Entry {
        QUrl url;
        QImage image;
        qint64 cost;
    };
    using Entries = std::list<Entry>;  // most recently used first

    void removeLocked(Entries::iterator it);

    mutable QMutex mutex_;
    const qsizetype countLimit_;
    const qint64 costLimit_;
    Entries entries_;
    QHash<QUrl, Entries::iterator> index_;
    qint64 totalCost_ = 0;
};

}  // namespace remoteimage
