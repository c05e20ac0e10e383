#pragma once
// Images named by help topics, taken from the help's own folder before the network.

#include <QImage>
#include <QUrl>

#include <functional>
#include <optional>

namespace helpmenu {

class BundleImageLookup {
public:
    using NamedImage = std::function<QImage(const QString& name)>;

    // `baseURL` is the folder of the help's files; `namedImage` finds an image the
    // application ships by name (default: none).
    explicit BundleImageLookup(std::optional<QUrl> baseURL, NamedImage namedImage = {});

    // The image for `url` from the help's files, or a null image when the network
    // (or nothing) should have it. Web addresses are never looked up here; a file
    // address is read only inside the help's folder.
    QImage find(const std::optional<QUrl>& url) const;

private:
    QString baseFolder() const;

    std::optional<QUrl> baseURL_;
    NamedImage namedImage_;
};

}  // namespace helpmenu
