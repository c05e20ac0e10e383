#include "HelpMenu/HelpMenuCommands.h"

#include "HelpMenu/HelpWindowController.h"

#include <QMenu>

namespace helpmenu {

HelpMenuCommands::HelpMenuCommands(HelpContent content, std::optional<QString> appName)
    : content_(std::move(content)), title_(appName ? *appName + " Help" : content_.windowTitle) {}

QAction* HelpMenuCommands::makeAction(QObject* parent) const {
    auto* action = new QAction(title_, parent);
    action->setShortcut(shortcut());
    // A menu command: its key works in every window of the application, the help window included.
    action->setShortcutContext(Qt::ApplicationShortcut);
    action->setMenuRole(QAction::NoRole);
    QObject::connect(action, &QAction::triggered, action, [content = content_] { HelpWindowController::showHelp(content); });
    return action;
}

HelpMenuAction::HelpMenuAction(HelpContent content, QObject* parent) : QObject(parent), content_(std::move(content)) {}

void HelpMenuAction::openHelp() { HelpWindowController::showHelp(content_); }

QMenu* MenuBarHelpMenu::makeHelpMenu(const HelpContent& content, const std::optional<QString>& appName, QWidget* parent) {
    auto* menu = new QMenu("Help", parent);
    const HelpMenuCommands commands(content, appName);
    auto* target = new HelpMenuAction(content, menu);
    QAction* item = menu->addAction(commands.title(), target, &HelpMenuAction::openHelp);
    item->setShortcut(HelpMenuCommands::shortcut());
    return menu;
}

void MenuBarHelpMenu::install(QMenuBar* menuBar, const HelpContent& content, const std::optional<QString>& appName) {
    if (!menuBar) return;
    for (QAction* action : menuBar->actions()) {
        if (action->menu() && action->menu()->title().remove('&') == "Help") {
            menuBar->removeAction(action);
            break;
        }
    }
    menuBar->addMenu(makeHelpMenu(content, appName, menuBar));
}

}  // namespace helpmenu
