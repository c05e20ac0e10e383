#include "MarkdownRender/Views/LinkOpener.h"

#include <QDesktopServices>
#include <QLoggingCategory>

namespace markdown {

namespace {
Q_LOGGING_CATEGORY(lcMarkdownLinks, "vantrel.markdown.links")
}

bool isDesktopLink(const QUrl& url)
{
    if (!url.isValid()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto")) return !url.path().isEmpty();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

void openLinkOnDesktop(const QUrl& url)
{
    if (!isDesktopLink(url)) {
        qCWarning(lcMarkdownLinks) << "Not opening a link that is not a web or mail address:"
                                   << url.toDisplayString(QUrl::RemoveUserInfo);
        return;
    }
    QDesktopServices::openUrl(url);
}

}  // namespace markdown
