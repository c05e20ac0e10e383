#pragma once

#include <QUrl>

namespace markdown {

// Whether the desktop may be handed a link: web pages and mail addresses only.
// Files, local programs and other schemes are not opened from a document.
bool isDesktopLink(const QUrl& url);

// The default link opener: opens web and mail links with the desktop and logs
// (and ignores) every other link.
void openLinkOnDesktop(const QUrl& url);

}  // namespace markdown
