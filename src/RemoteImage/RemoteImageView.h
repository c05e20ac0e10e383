#pragma once

#include "RemoteImage/IdentityTask.h"
#include "RemoteImage/RemoteImageModel.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QVBoxLayout;

namespace remoteimage {

// Shows the image at an address through a content function: for each state of
// its model the function makes the child widget shown (null shows nothing). The
// image loads while the view is shown; a new source cancels the wait and loads
// again. Size hints and height-for-width are the content's.
class RemoteImageView final : public QWidget {
    Q_OBJECT
public:
    using Content = std::function<QWidget*(const RemoteImageState&)>;
    using ImageContent = std::function<QWidget*(const QImage& image, const QSizeF& idealSize)>;
    using Builder = std::function<QWidget*()>;

    RemoteImageView(const std::optional<QUrl>& url, qreal scale, Content content, const Transaction& transaction = {},
                    QWidget* parent = nullptr);

    // The image at its size, or a placeholder box until it is there.
    static RemoteImageView* image(const std::optional<QUrl>& url, qreal scale, QWidget* parent = nullptr);
    // `content` on the image, or a placeholder box until it is there.
    static RemoteImageView* image(const std::optional<QUrl>& url, qreal scale, const Transaction& transaction,
                                  ImageContent content, QWidget* parent = nullptr);
    // `content` on the image; `placeholder` while loading and after a failure.
    static RemoteImageView* withPlaceholder(const std::optional<QUrl>& url, qreal scale,
                                            const Transaction& transaction, ImageContent content,
                                            Builder placeholder, QWidget* parent = nullptr);
    // `content` on the image, `placeholder` while loading, `fallback` after a failure.
    static RemoteImageView* withFallback(const std::optional<QUrl>& url, qreal scale, const Transaction& transaction,
                                         ImageContent content, Builder placeholder, Builder fallback,
                                         QWidget* parent = nullptr);

    std::optional<ImageSource> source() const { return task_->id(); }
    // A source unequal to the current one starts a new load (while shown).
    void setSource(const std::optional<QUrl>& url, qreal scale);

    // Where images come from (null: the shared loader); used from the next load on.
    void setImageLoader(RemoteImageLoader* loader) { loader_ = loader; }
    void setTransaction(const Transaction& transaction) { transaction_ = transaction; }
    void setContent(Content content);

    RemoteImageModel& model() { return *model_; }
    // The widget the content function made for the current state, if any.
    QWidget* contentWidget() const { return current_; }

private:
    static std::optional<ImageSource> sourceOf(const std::optional<QUrl>& url, qreal scale);
    void rebuild(const Transaction& transaction);

    RemoteImageModel* model_;
    IdentityTask<std::optional<ImageSource>>* task_;
    Content content_;
    Transaction transaction_;
    RemoteImageLoader* loader_ = nullptr;
    QVBoxLayout* layout_;
    QPointer<QWidget> current_;
};

}  // namespace remoteimage
