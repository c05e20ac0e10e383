#pragma once

#include <QImage>
#include <QSizeF>
#include <QUrl>

namespace remoteimage {

// What to load: an address, and how many image pixels make one logical pixel.
struct ImageSource {
    QUrl url;
    qreal scale = 1.0;

    friend bool operator==(const ImageSource& a, const ImageSource& b) {
        return a.url == b.url && a.scale == b.scale;
    }
};

// How a loaded image appears: at once (the default), or fading in.
struct Transaction {
    int fadeMilliseconds = 0;

    friend bool operator==(const Transaction& a, const Transaction& b) = default;
};

// What an image view shows: a loaded image with its size in logical pixels,
// nothing yet, or the failure of the last load.
class RemoteImageState {
public:
    enum class Kind { empty, success, failure };

    RemoteImageState() = default;  // empty
    static RemoteImageState success(const QImage& image, const QSizeF& idealSize) {
        RemoteImageState state;
        state.kind_ = Kind::success;
        state.image_ = image;
        state.idealSize_ = idealSize;
        return state;
    }
    static RemoteImageState failure() {
        RemoteImageState state;
        state.kind_ = Kind::failure;
        return state;
    }

    Kind kind() const { return kind_; }
    bool isSuccess() const { return kind_ == Kind::success; }
    // The image of a success; a null image otherwise.
    const QImage& image() const { return image_; }
    QSizeF idealSize() const { return idealSize_; }

    // Successes are equal when they hold the same image (not merely equal
    // pixels) at the same size.
    friend bool operator==(const RemoteImageState& a, const RemoteImageState& b) {
        if (a.kind_ != b.kind_) return false;
        if (a.kind_ != Kind::success) return true;
        return a.image_.cacheKey() == b.image_.cacheKey() && a.idealSize_.width() == b.idealSize_.width() &&
               a.idealSize_.height() == b.idealSize_.height();
    }

private:
    Kind kind_ = Kind::empty;
    QImage image_;
    QSizeF idealSize_;
};

}  // namespace remoteimage
