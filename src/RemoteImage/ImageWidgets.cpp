#include "RemoteImage/ImageWidgets.h"

#include <QPainter>

#include <cmath>

namespace remoteimage {

ImageWidget::ImageWidget(const QImage& image, const QSizeF& idealSize, QWidget* parent)
    : QWidget(parent), image_(image), idealSize_(idealSize) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QSize ImageWidget::sizeHint() const {
    return {int(std::ceil(idealSize_.width())), int(std::ceil(idealSize_.height()))};
}

int ImageWidget::heightForWidth(int width) const {
    return idealSize_.width() > 0 ? int(std::lround(width * idealSize_.height() / idealSize_.width())) : 0;
}

void ImageWidget::paintEvent(QPaintEvent*) {
    if (image_.isNull() || idealSize_.isEmpty()) return;
    const QSizeF fitted = idealSize_.scaled(QSizeF(size()), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image_);
}

PlaceholderBox::PlaceholderBox(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PlaceholderBox::paintEvent(QPaintEvent*) {
    // The placeholder colour, lighter: a box in the text's place, not text.
    QColor fill = palette().color(QPalette::PlaceholderText);
    fill.setAlphaF(fill.alphaF() * 0.35f);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), 4, 4);
}

}  // namespace remoteimage
