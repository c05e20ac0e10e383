#pragma once
// Owns the application's one help window: made on first request, brought
// forward on later ones, forgotten when closed.

#include "HelpMenu/HelpContent.h"

#include <QWidget>

#include <functional>

namespace helpmenu {

// Builds the widget that shows one topic's Markdown; images are looked up
// against `imageBaseURL`.
using TopicRenderer = std::function<QWidget*(const HelpTopic& topic, const std::optional<QUrl>& imageBaseURL)>;

class HelpWindowController {
public:
    static constexpr const char* windowObjectName = "HelpMenu.HelpWindow";

    // Keeps `content` as the help the window shows; shows nothing.
    static void registerContent(HelpContent content);
    // Shows the window for the registered content; nothing when none is registered.
    static void showHelp();
    // Registers `content`, then shows the window. An open window keeps its own content.
    static void showHelp(HelpContent content);

    // How topics are drawn; without one, as Markdown (makeHelpTopicView).
    static void setTopicRenderer(TopicRenderer renderer);
    static const TopicRenderer& topicRenderer();

    // The open help window, or null.
    static QWidget* window();
    // Forgets the registered content, renderer and window (tests).
    static void reset();

private:
    static void show(const HelpContent& content);
};

}  // namespace helpmenu
