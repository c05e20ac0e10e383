#include "RemoteImage/RemoteImageModel.h"

#include "RemoteImage/DefaultRemoteImageLoader.h"
#include "RemoteImage/FutureWatch.h"

#include <QPromise>

#include <memory>

namespace remoteimage {

RemoteImageModel::RemoteImageModel(QObject* parent) : QObject(parent) {}

QFuture<void> RemoteImageModel::update(const std::optional<ImageSource>& source) {
    if (source == source_) return QtFuture::makeReadyFuture();
    source_ = source;
    emit sourceChanged();
    if (!source) return QtFuture::makeReadyFuture();
    return load(*source);
}

QFuture<void> RemoteImageModel::load(const ImageSource& source) {
    RemoteImageLoader* loader = imageLoader_ ? imageLoader_ : DefaultRemoteImageLoader::shared();
    if (!loader) {
        publish(RemoteImageState::failure(), {});
        return QtFuture::makeReadyFuture();
    }
    auto handled = std::make_shared<QPromise<void>>();
    handled->start();
    whenFinished(loader->image(source.url), this,
                 [this, source, handled](const QFuture<RemoteImageResult>& answer) {
                     if (source_ == source) {
                         const bool loaded = answer.resultCount() && answer.result().isSuccess();
                         if (loaded) {
                             const QImage image = answer.result().image;
                             const qreal scale = source.scale > 0 ? source.scale : 1.0;
                             publish(RemoteImageState::success(image, QSizeF(image.size()) / scale), transaction_);
                         } else {
                             publish(RemoteImageState::failure(), {});
                         }
                     }
                     handled->finish();
                 });
    return handled->future();
}

void RemoteImageModel::publish(const RemoteImageState& state, const Transaction& transaction) {
    if (state == image_) return;
    image_ = state;
    emit imageChanged(transaction);
}

}  // namespace remoteimage
