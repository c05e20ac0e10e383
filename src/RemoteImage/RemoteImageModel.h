#pragma once

#include "RemoteImage/RemoteImageLoader.h"
#include "RemoteImage/RemoteImageState.h"

#include <QFuture>
#include <QObject>

#include <optional>

namespace remoteimage {

// Loads the image of one source at a time for a view and publishes its state.
// Lives on the GUI thread.
class RemoteImageModel final : public QObject {
    Q_OBJECT
public:
    explicit RemoteImageModel(QObject* parent = nullptr);

    const std::optional<ImageSource>& source() const { return source_; }
    const RemoteImageState& image() const { return image_; }

    // Where images come from; null means the shared loader.
    RemoteImageLoader* imageLoader() const { return imageLoader_; }
    void setImageLoader(RemoteImageLoader* loader) { imageLoader_ = loader; }

    // How the next loaded image is published.
    const Transaction& transaction() const { return transaction_; }
    void setTransaction(const Transaction& transaction) { transaction_ = transaction; }

    // Loads the image of a new source. A source equal to the current one is not
    // loaded again, and an absent one keeps the image shown. The old image stays
    // until the new answer arrives; an answer for a source that is no longer
    // current is dropped. The future finishes once the answer has been handled;
    // cancelling it does not stop the answer from being published.
    QFuture<void> update(const std::optional<ImageSource>& source);

signals:
    void sourceChanged();
    // `transaction` says how to show the change (a failure is never animated).
    void imageChanged(const remoteimage::Transaction& transaction);

private:
    QFuture<void> load(const ImageSource& source);
    void publish(const RemoteImageState& state, const Transaction& transaction);

    std::optional<ImageSource> source_;
    RemoteImageState image_;
    Transaction transaction_;
    RemoteImageLoader* imageLoader_ = nullptr;
};

}  // namespace remoteimage
