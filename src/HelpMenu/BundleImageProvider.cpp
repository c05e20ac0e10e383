#include "HelpMenu/BundleImageProvider.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

namespace helpmenu {

namespace {

bool isFileURL(const QUrl& url) { return url.isLocalFile() || url.scheme() == "qrc"; }

QString filePath(const QUrl& url) { return url.scheme() == "qrc" ? ":" + url.path() : url.toLocalFile(); }

bool isInside(const QString& path, const QString& folder) {
    if (folder.isEmpty()) return false;
    if (folder.startsWith(':')) return QDir::cleanPath(path).startsWith(QDir::cleanPath(folder) + "/");
    const QString root = QFileInfo(folder).canonicalFilePath();
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return !root.isEmpty() && resolved.startsWith(root + "/");
}

}  // namespace

BundleImageLookup::BundleImageLookup(std::optional<QUrl> baseURL, NamedImage namedImage)
    : baseURL_(std::move(baseURL)), namedImage_(std::move(namedImage)) {}

QString BundleImageLookup::baseFolder() const {
    if (!baseURL_ || !isFileURL(*baseURL_)) return {};
    return filePath(*baseURL_);
}

QImage BundleImageLookup::find(const std::optional<QUrl>& url) const {
    if (!url) return {};
    const QString folder = baseFolder();
    if (isFileURL(*url)) {
        const QString path = filePath(*url);
        if (isInside(path, folder)) {
            QImage image(path);
            if (!image.isNull()) return image;
        }
    }
    if (url->scheme() == "http" || url->scheme() == "https") return {};
    const QString name = QFileInfo(url->path()).fileName();
    if (name.isEmpty() || name == "." || name == "..") return {};
    if (!folder.isEmpty()) {
        const QString path = QDir(folder).filePath(name);
        if (isInside(path, folder)) {
            QImage image(path);
            if (!image.isNull()) return image;
        }
    }
    const QString stem = QFileInfo(name).completeBaseName();
    if (!stem.isEmpty() && namedImage_) return namedImage_(stem);
    return {};
}

ScaledImageView::ScaledImageView(QImage image, QWidget* parent) : QWidget(parent), image_(std::move(image)) {
    setObjectName("bundleImage");
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QSize ScaledImageView::naturalSize() const {
    return (QSizeF(image_.size()) / image_.devicePixelRatio()).toSize();
}

QSize ScaledImageView::sizeHint() const { return naturalSize(); }

int ScaledImageView::heightForWidth(int width) const {
    const QSize natural = naturalSize();
    if (natural.isEmpty()) return 0;
    const int shown = std::min(width, natural.width());
    return int(std::lround(double(shown) * natural.height() / natural.width()));
}

QRect ScaledImageView::imageRect() const {
    const QSize natural = naturalSize();
    const int w = std::min(width(), natural.width());
    const int h = heightForWidth(w);
    return QRect((width() - w) / 2, 0, w, h);
}

void ScaledImageView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(imageRect(), image_);
}

}  // namespace helpmenu
