#include "HelpMenu/HelpWindowController.h"

#include "HelpMenu/views/HelpWindowView.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>

namespace helpmenu {

namespace {

struct State {
    std::optional<HelpContent> content;
    TopicRenderer renderer;
    QPointer<HelpWindowView> window;
};

State& state() {
    static State s;
    return s;
}

}  // namespace

void HelpWindowController::registerContent(HelpContent content) { state().content = std::move(content); }

void HelpWindowController::showHelp() {
    if (state().content) show(*state().content);
}

void HelpWindowController::showHelp(HelpContent content) {
    registerContent(std::move(content));
    show(*state().content);
}

void HelpWindowController::setTopicRenderer(TopicRenderer renderer) { state().renderer = std::move(renderer); }

const TopicRenderer& HelpWindowController::topicRenderer() { return state().renderer; }

QWidget* HelpWindowController::window() { return state().window; }

void HelpWindowController::reset() {
    delete state().window.data();
    state() = State{};
}

void HelpWindowController::show(const HelpContent& content) {
    QPointer<HelpWindowView>& window = state().window;
    if (!window) {
        window = new HelpWindowView(content);
        window->setObjectName(windowObjectName);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(content.windowTitle);
        window->resize(820, 560);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), window->size());
            frame.moveCenter(screen->availableGeometry().center());
            window->move(frame.topLeft());
        }
    }
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace helpmenu
