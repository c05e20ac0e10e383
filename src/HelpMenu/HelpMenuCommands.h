#pragma once
// The Help menu's entry that opens the help window, for a menu built by the
// application (HelpMenuCommands) or installed into a menu bar (MenuBarHelpMenu).

#include "HelpMenu/HelpContent.h"

#include <QAction>
#include <QMenuBar>

namespace helpmenu {

class HelpMenuCommands {
public:
    // The title is the application name + " Help", else the content's window title.
    HelpMenuCommands(HelpContent content, std::optional<QString> appName);

    const HelpContent& content() const { return content_; }
    const QString& title() const { return title_; }
    static QKeySequence shortcut() { return QKeySequence(Qt::CTRL | Qt::Key_Question); }

    // A new action, owned by `parent`, that shows the help window for the content.
    QAction* makeAction(QObject* parent) const;

private:
    HelpContent content_;
    QString title_;
};

// The target of a menu item that opens help for its content.
class HelpMenuAction : public QObject {
    Q_OBJECT
public:
    HelpMenuAction(HelpContent content, QObject* parent);
    const HelpContent& content() const { return content_; }

public slots:
    void openHelp();

private:
    HelpContent content_;
};

namespace MenuBarHelpMenu {
// A "Help" menu with one entry opening the help window for `content`.
QMenu* makeHelpMenu(const HelpContent& content, const std::optional<QString>& appName, QWidget* parent);
// Replaces the menu bar's "Help" menu (if any) by one made with makeHelpMenu, at the end.
void install(QMenuBar* menuBar, const HelpContent& content, const std::optional<QString>& appName);
}  // namespace MenuBarHelpMenu

}  // namespace helpmenu
