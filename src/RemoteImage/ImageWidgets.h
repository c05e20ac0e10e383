#pragma once

#include <QImage>
#include <QSizeF>
#include <QWidget>

namespace remoteimage {

// A loaded image at its size in logical pixels; given another size it keeps its
// proportions, centred.
class ImageWidget final : public QWidget {
    Q_OBJECT
public:
    ImageWidget(const QImage& image, const QSizeF& idealSize, QWidget* parent = nullptr);

    const QImage& image() const { return image_; }
    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return !idealSize_.isEmpty(); }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    QSizeF idealSize_;
};

// Where an image is not (yet) there: a box in the placeholder colour that takes
// the space offered to it.
class PlaceholderBox final : public QWidget {
    Q_OBJECT
public:
    explicit PlaceholderBox(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {0, 0}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace remoteimage
