#include "RemoteImage/RemoteImageView.h"

#include "RemoteImage/ImageWidgets.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QVBoxLayout>

namespace remoteimage {

namespace {

RemoteImageView::Content imageOrPlaceholder(RemoteImageView::ImageContent content) {
    return [content = std::move(content)](const RemoteImageState& state) -> QWidget* {
        if (state.isSuccess()) return content(state.image(), state.idealSize());
        return new PlaceholderBox;
    };
}

QWidget* plainImage(const QImage& image, const QSizeF& idealSize) { return new ImageWidget(image, idealSize); }

}  // namespace

RemoteImageView::RemoteImageView(const std::optional<QUrl>& url, qreal scale, Content content,
                                 const Transaction& transaction, QWidget* parent)
    : QWidget(parent), model_(new RemoteImageModel(this)), content_(std::move(content)), transaction_(transaction),
      layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    task_ = new IdentityTask<std::optional<ImageSource>>(this, sourceOf(url, scale), [this] {
        model_->setImageLoader(loader_);
        model_->setTransaction(transaction_);
        return model_->update(task_->id());
    });
    connect(model_, &RemoteImageModel::imageChanged, this, &RemoteImageView::rebuild);
    rebuild({});
}

RemoteImageView* RemoteImageView::image(const std::optional<QUrl>& url, qreal scale, QWidget* parent) {
    return image(url, scale, {}, plainImage, parent);
}

RemoteImageView* RemoteImageView::image(const std::optional<QUrl>& url, qreal scale, const Transaction& transaction,
                                        ImageContent content, QWidget* parent) {
    return new RemoteImageView(url, scale, imageOrPlaceholder(std::move(content)), transaction, parent);
}

RemoteImageView* RemoteImageView::withPlaceholder(const std::optional<QUrl>& url, qreal scale,
                                                  const Transaction& transaction, ImageContent content,
                                                  Builder placeholder, QWidget* parent) {
    return withFallback(url, scale, transaction, std::move(content), placeholder, placeholder, parent);
}

RemoteImageView* RemoteImageView::withFallback(const std::optional<QUrl>& url, qreal scale,
                                               const Transaction& transaction, ImageContent content,
                                               Builder placeholder, Builder fallback, QWidget* parent) {
    return new RemoteImageView(
        url, scale,
        [content = std::move(content), placeholder = std::move(placeholder),
         fallback = std::move(fallback)](const RemoteImageState& state) -> QWidget* {
            switch (state.kind()) {
            case RemoteImageState::Kind::success: return content(state.image(), state.idealSize());
            case RemoteImageState::Kind::empty: return placeholder();
            case RemoteImageState::Kind::failure: return fallback();
            }
            return nullptr;
        },
        transaction, parent);
}

std::optional<ImageSource> RemoteImageView::sourceOf(const std::optional<QUrl>& url, qreal scale) {
    if (!url) return std::nullopt;
    return ImageSource{*url, scale};
}

void RemoteImageView::setSource(const std::optional<QUrl>& url, qreal scale) { task_->setId(sourceOf(url, scale)); }

void RemoteImageView::setContent(Content content) {
    content_ = std::move(content);
    rebuild({});
}

void RemoteImageView::rebuild(const Transaction& transaction) {
    if (current_) {
        layout_->removeWidget(current_);
        current_->hide();
        current_->deleteLater();
    }
    current_ = content_ ? content_(model_->image()) : nullptr;
    if (current_) {
        layout_->addWidget(current_);
        if (isVisible()) current_->show();  // now, so that size hints count it at once
        setSizePolicy(current_->sizePolicy());
        if (transaction.fadeMilliseconds > 0) {
            auto* effect = new QGraphicsOpacityEffect(current_);
            current_->setGraphicsEffect(effect);
            auto* fade = new QPropertyAnimation(effect, "opacity", current_);
            fade->setDuration(transaction.fadeMilliseconds);
            fade->setStartValue(0.0);
            fade->setEndValue(1.0);
            // Once opaque the effect only costs drawing time.
            connect(fade, &QPropertyAnimation::finished, current_,
                    [widget = current_.data()] { widget->setGraphicsEffect(nullptr); });
            fade->start(QAbstractAnimation::DeleteWhenStopped);
        }
    } else {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    }
    updateGeometry();
}

}  // namespace remoteimage
