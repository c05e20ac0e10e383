#pragma once

// The one main window ("main"): the content view, a toolbar with the sources
// well centred and the Help button, and the File, Appearance and Help menus.
// The help and feedback modules register their commands here; until they do,
// their entries stay disabled.

#include "Vantrel/app/Preferences.h"
#include "Vantrel/queue/CorrectionQueue.h"

#include <QList>
#include <QMargins>
#include <QRect>
#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QMenu;
class QMessageBox;
class QSettings;
class QToolBar;
class QToolButton;

namespace vantrel {

class AppModel;
class AppearanceController;
class AppIconController;
class ContentView;
class KelpPathWell;
class UpdaterController;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int minimumContentWidth = 1220;
    static constexpr int minimumContentHeight = 700;

    MainWindow(AppModel* model, QSettings* settings, AppearanceController* appearance, AppIconController* icons,
               UpdaterController* updater, QWidget* parent = nullptr);

    ContentView* content() const { return content_; }
    QMenu* fileMenu() const { return fileMenu_; }
    QMenu* appearanceMenu() const { return appearanceMenu_; }
    QMenu* helpMenu() const { return helpMenu_; }
    KelpPathWell* pathWell() const { return pathWell_; }

    // "1 video", "12 videos"; none for no sources.
    static std::optional<QString> sourceCountText(qsizetype count);

    // The help module's menu command (the "Vantrel Help" entry with its key): it
    // takes the stand-in's place at the top of the Help menu.
    void setHelpCommand(QAction* command);
    QAction* helpCommand() const { return helpAction_; }
    // What the toolbar's Help button calls from now on.
    void setShowHelp(std::function<void()> showHelp);
    // The feedback module's entries ("Send Feedback…", "Leave a Tip", "About
    // Vantrel" and their dividers, in menu order): they take the place of the
    // stand-ins between the help entry's divider and "Check for Updates…".
    void setCitizenshipCommands(const QList<QAction*>& actions);

    // The question a quit asks when it would lose jobs, not yet shown: "Quit
    // Anyway" (object name "QuitAnyway") or "Cancel" ("CancelQuit", also Escape).
    static std::unique_ptr<QMessageBox> unsavedJobsBox(const CorrectionQueue::UnsavedJobs& unsaved,
                                                       QWidget* parent = nullptr);
    // What an end that cannot ask says instead, in one line for standard error.
    static QString unsavedJobsLine(const CorrectionQueue::UnsavedJobs& unsaved);

    // Readies an end nothing may question (a termination signal): the last try to
    // save the queue, and what it could not keep. From then on the window closes
    // without asking, also when the question is open at this moment.
    std::optional<CorrectionQueue::UnsavedJobs> agreeToEnd();

protected:
    // Closing the window quits the application; asked first when that would lose jobs.
    void closeEvent(QCloseEvent* event) override;

private:
    // Whether the application may end now: at once when the queue file holds every
    // job worth keeping or an end that asks nothing is under way; else after one
    // more save, and when that fails too, as the user answers.
    bool mayQuit();
    // The Quit command: asks once, then closes every window.
    void quit();
    void buildToolbar();
    void buildFileMenu();
    void buildAppearanceMenu();
    void buildHelpMenu();
    void updatePathWell();
    // The smallest the window may be: as designed where the screen has room for it
    // and its frame, else as much as there is.
    void boundMinimumSize(const QRect& available, const QMargins& frame);
    QAction* placeholder(const QString& title);
    QAction* divider();

    AppModel* model_;
    QSettings* settings_;
    AppearanceController* appearance_;
    AppIconController* icons_;
    UpdaterController* updater_;
    ContentView* content_;
    KelpPathWell* pathWell_ = nullptr;
    QToolButton* helpButton_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* appearanceMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* helpAction_ = nullptr;
    QAction* helpDivider_ = nullptr;  // closes the help group
    QAction* checkForUpdates_ = nullptr;
    QList<QAction*> citizenshipEntries_;
    QActionGroup* appearanceGroup_ = nullptr;
    QActionGroup* iconGroup_ = nullptr;
    std::function<void()> showHelp_;
    QToolBar* toolbar_ = nullptr;
    bool quitAgreed_ = false;  // the Quit command asked already
    bool endAgreed_ = false;   // an end that asks nothing is under way
    bool askingToQuit_ = false;
};

}  // namespace vantrel
