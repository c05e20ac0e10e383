#include "Vantrel/app/AppDelegate.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

namespace vantrel {

void AppDelegate::applicationDidFinishLaunching(QMenu* helpMenu) { fixHelpKey(helpMenu); }

void AppDelegate::fixHelpKey(QMenu* helpMenu) {
    if (!helpMenu) return;
    const QKeySequence slash(Qt::CTRL | Qt::Key_Slash);
    for (QAction* action : helpMenu->actions()) {
        if (action->shortcut() == slash) action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Question));
    }
}

}  // namespace vantrel
