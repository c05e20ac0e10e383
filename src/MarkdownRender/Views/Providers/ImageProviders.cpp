#include "MarkdownRender/Views/Providers/ImageProviders.h"

#include "MarkdownRender/Views/Layouts.h"
#include "RemoteImage/DefaultRemoteImageLoader.h"
#include "RemoteImage/ImageWidgets.h"
#include "RemoteImage/RemoteImageView.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

namespace markdown {

QWidget* makeFittedImage(const QImage& image, const QSizeF& idealSize)
{
    return new ResizeToFit(idealSize, new remoteimage::ImageWidget(image, idealSize));
}

QWidget* makeFittedImage(const QImage& image)
{
    return makeFittedImage(image, QSizeF(image.size()) / image.devicePixelRatio());
}

QWidget* DefaultImageProvider::makeImage(const std::optional<QUrl>& url, const RenderContext& context) const
{
    auto* view = new remoteimage::RemoteImageView(url, 1.0, [](const remoteimage::RemoteImageState& state) -> QWidget* {
        // Nothing, taking no space, until the image is there.
        if (!state.isSuccess()) return nullptr;
        return makeFittedImage(state.image(), state.idealSize());
    });
    view->setImageLoader(context.imageLoader);
    return view;
}

QImage loadBundleImage(const QString& name, const std::optional<QString>& bundle)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QLatin1String("..")))
        return {};
    const QDir folder(bundle.value_or(QStringLiteral(":/images")));
    static const char* const suffixes[] = {"", ".png", ".jpg", ".jpeg", ".gif", ".svg", ".webp", ".bmp"};
    for (const char* suffix : suffixes) {
        const QString path = folder.filePath(name + QLatin1String(suffix));
        if (!QFileInfo(path).isFile()) continue;
        QImageReader reader(path);
        reader.setAllocationLimit(remoteimage::imageAllocationLimitMiB);
        const QImage image = reader.read();
        if (!image.isNull()) return image;
    }
    return {};
}

QWidget* AssetImageProvider::makeImage(const std::optional<QUrl>& url, const RenderContext&) const
{
    if (!url || !name_) return nullptr;
    const QImage image = loadBundleImage(name_(*url), bundle_);
    if (image.isNull()) return nullptr;
    return makeFittedImage(image);
}

QFuture<QImage> DefaultInlineImageProvider::image(const QUrl& url, const QString&) const
{
    remoteimage::RemoteImageLoader* loader = loader_ ? loader_ : remoteimage::DefaultRemoteImageLoader::shared();
    if (!loader) return QtFuture::makeReadyFuture(QImage());
    return loader->image(url).then(QtFuture::Launch::Sync, [](const remoteimage::RemoteImageResult& result) {
        return result.isSuccess() ? result.image : QImage();
    });
}

QFuture<QImage> AssetInlineImageProvider::image(const QUrl& url, const QString&) const
{
    return QtFuture::makeReadyFuture(name_ ? loadBundleImage(name_(url), bundle_) : QImage());
}

}  // namespace markdown
