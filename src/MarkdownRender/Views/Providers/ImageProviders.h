#pragma once

#include "MarkdownRender/Views/RenderContext.h"

#include <QFuture>
#include <QImage>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace markdown {

// Makes the widget of a block image: an image alone in its paragraph, or one
// of a paragraph of images. The address is absent when the source forms none.
// Null means nothing is shown. Called on the GUI thread while the view is built.
class ImageProvider {
public:
    virtual ~ImageProvider() = default;
    virtual QWidget* makeImage(const std::optional<QUrl>& url, const RenderContext& context) const = 0;
};

// Images in running text. The future gives the image, or a null image (or no
// result at all) when it cannot be had; the image is then left out.
class InlineImageProvider {
public:
    virtual ~InlineImageProvider() = default;
    virtual QFuture<QImage> image(const QUrl& url, const QString& label) const = 0;
};

// Loads through a remote image view (the context's loader, else the shared
// one): the image at its size, scaled down to a narrower width; nothing, and
// no space taken, while it loads, after a failure and without an address.
class DefaultImageProvider final : public ImageProvider {
public:
    QWidget* makeImage(const std::optional<QUrl>& url, const RenderContext& context) const override;
};

// An image from a bundle: a folder, or the application's ":/images" when
// absent. The name for an address is `name(url)` (its last path component by
// default); it is tried as given and with the usual image suffixes. Names that
// hold "/" or ".." are refused.
class AssetImageProvider final : public ImageProvider {
public:
    using Name = std::function<QString(const QUrl&)>;
    explicit AssetImageProvider(Name name = lastPathComponent, std::optional<QString> bundle = {})
        : name_(std::move(name)), bundle_(std::move(bundle)) {}

    QWidget* makeImage(const std::optional<QUrl>& url, const RenderContext& context) const override;

    static QString lastPathComponent(const QUrl& url) { return url.fileName(); }

private:
    Name name_;
    std::optional<QString> bundle_;
};

// Any function as a block image provider (the help window's lookup with its
// fallback, for one).
class FunctionImageProvider final : public ImageProvider {
public:
    using Function = std::function<QWidget*(const std::optional<QUrl>&, const RenderContext&)>;
    explicit FunctionImageProvider(Function function) : function_(std::move(function)) {}
    QWidget* makeImage(const std::optional<QUrl>& url, const RenderContext& context) const override
    {
        return function_ ? function_(url, context) : nullptr;
    }

private:
    Function function_;
};

// Loads through the shared remote image loader (or the one given).
class DefaultInlineImageProvider final : public InlineImageProvider {
public:
    explicit DefaultInlineImageProvider(remoteimage::RemoteImageLoader* loader = nullptr) : loader_(loader) {}
    QFuture<QImage> image(const QUrl& url, const QString& label) const override;

private:
    remoteimage::RemoteImageLoader* loader_;
};

// An image of a bundle, looked up as AssetImageProvider does.
class AssetInlineImageProvider final : public InlineImageProvider {
public:
    explicit AssetInlineImageProvider(AssetImageProvider::Name name = AssetImageProvider::lastPathComponent,
                                      std::optional<QString> bundle = {})
        : name_(std::move(name)), bundle_(std::move(bundle)) {}
    QFuture<QImage> image(const QUrl& url, const QString& label) const override;

private:
    AssetImageProvider::Name name_;
    std::optional<QString> bundle_;
};

// The image of `name` in `bundle` (":/images" when absent): the name as given,
// then with each image suffix. A null image when there is none or the name is
// not a plain file name.
QImage loadBundleImage(const QString& name, const std::optional<QString>& bundle);

// A widget showing a loaded image at `idealSize`, scaled down proportionally
// when narrower room is offered.
QWidget* makeFittedImage(const QImage& image, const QSizeF& idealSize);
// The same at the image's own size in logical pixels.
QWidget* makeFittedImage(const QImage& image);

}  // namespace markdown
