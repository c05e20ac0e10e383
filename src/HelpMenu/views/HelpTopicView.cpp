#include "HelpMenu/views/HelpTopicView.h"

#include "HelpMenu/BundleImageProvider.h"
#include "MarkdownRender/Styles/TextStyles.h"
#include "MarkdownRender/Views/MarkdownView.h"
#include "MarkdownRender/Views/Providers/ImageProviders.h"

namespace helpmenu {

QWidget* makeHelpTopicView(const HelpTopic& topic, const std::optional<QUrl>& imageBaseURL) {
    // Settings first, the text last: the view builds the topic's blocks once.
    auto* view = new markdown::MarkdownView;
    const BundleImageLookup lookup(imageBaseURL, [](const QString& name) { return markdown::loadBundleImage(name, {}); });
    view->setImageProvider(std::make_shared<markdown::FunctionImageProvider>(
        [lookup](const std::optional<QUrl>& url, const markdown::RenderContext& context) -> QWidget* {
            const QImage image = lookup.find(url);
            if (image.isNull()) return markdown::DefaultImageProvider().makeImage(url, context);
            return markdown::makeFittedImage(image);
        }));
    view->setTextStyle(markdown::FontSize(15));
    view->setTextSelectable(true);
    view->setMarkdown(topic.markdown);
    return view;
}

}  // namespace helpmenu
