#include "HelpMenu/BundleImageProvider.h"

#include <QDir>
#include <QFileInfo>

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

}  // namespace helpmenu
