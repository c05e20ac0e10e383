#pragma once

#include "HelpMenu/HelpContent.h"

#include <QWidget>

namespace helpmenu {

// A topic's Markdown at 15 px, selectable; block images come from the help's
// own folder first (see BundleImageLookup), else from the network.
QWidget* makeHelpTopicView(const HelpTopic& topic, const std::optional<QUrl>& imageBaseURL);

}  // namespace helpmenu
