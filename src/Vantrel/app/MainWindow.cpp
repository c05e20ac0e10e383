#include "Vantrel/app/MainWindow.h"

#include "Vantrel/app/AppIconController.h"
#include "Vantrel/app/AppearanceController.h"
#include "Vantrel/app/ScreenFit.h"
#include "Vantrel/app/UpdaterController.h"
#include "Vantrel/model/AppModel.h"
#include "Vantrel/views/ContentView.h"
#include "Vantrel/views/DesignIndicators.h"
#include "Vantrel/views/OpenPanel.h"
#include "Vantrel/views/Palette.h"

#include <SymbolIcons/SymbolIcons.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

namespace vantrel {

namespace {

const QString helpTitle = QStringLiteral("Vantrel Help");
const QString feedbackTitle = QStringLiteral("Send Feedback…");
const QString tipTitle = QStringLiteral("Leave a Tip");
const QString aboutTitle = QStringLiteral("About Vantrel");

QWidget* expandingSpacer(QWidget* parent) {
    auto* spacer = new QWidget(parent);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return spacer;
}

}  // namespace

MainWindow::MainWindow(AppModel* model, QSettings* settings, AppearanceController* appearance, AppIconController* icons,
                       UpdaterController* updater, QWidget* parent)
    : QMainWindow(parent), model_(model), settings_(settings), appearance_(appearance), icons_(icons), updater_(updater) {
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Vantrel"));
    content_ = new ContentView(model, settings, this);
    content_->setMinimumSize(minimumContentWidth, minimumContentHeight);
    setCentralWidget(content_);
    buildToolbar();
    buildFileMenu();
    buildAppearanceMenu();
    buildHelpMenu();
    updatePathWell();
    // The whole window, frame included, within the screen's available area.
    (new screenfit::WindowFit(this, [this](const QRect& available, const QMargins& frame) {
        boundMinimumSize(available, frame);
    }))->fit();
    connect(model_, &AppModel::sourcesChanged, this, &MainWindow::updatePathWell);
    // The model's open panels open over this window.
    model_->setOpenPanelRunner([window = QPointer<MainWindow>(this)](const OpenPanelRequest& request) {
        return runOpenPanel(request, window.data());
    });
}

std::optional<QString> MainWindow::sourceCountText(qsizetype count) {
    if (count == 0) return std::nullopt;
    return QString::number(count) + (count == 1 ? QStringLiteral(" video") : QStringLiteral(" videos"));
}

void MainWindow::updatePathWell() { pathWell_->setPath(sourceCountText(model_->sources().size())); }

void MainWindow::buildToolbar() {
    auto* toolbar = toolbar_ = addToolBar(QStringLiteral("Toolbar"));
    toolbar->setObjectName(QStringLiteral("toolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->toggleViewAction()->setEnabled(false);
    toolbar->setContextMenuPolicy(Qt::PreventContextMenu);

    pathWell_ = new KelpPathWell(QStringLiteral("film"), std::nullopt, QStringLiteral("No videos added"), 30, 320, toolbar);
    pathWell_->setObjectName(QStringLiteral("SourcesWell"));
    connect(pathWell_, &KelpPathWell::choose, model_, &AppModel::chooseFiles);

    helpButton_ = new QToolButton(toolbar);
    helpButton_->setObjectName(QStringLiteral("HelpButton"));
    helpButton_->setText(QStringLiteral("Help"));
    helpButton_->setToolTip(QStringLiteral("Open Vantrel Help"));
    helpButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    helpButton_->setAutoRaise(true);
    helpButton_->setEnabled(false);
    connect(helpButton_, &QToolButton::clicked, this, [this] {
        if (showHelp_) showHelp_();
    });
    auto tintHelpButton = [this](bool dark) {
        helpButton_->setIcon(SymbolIcons::icon(QStringLiteral("questionmark.circle"),
                                               Palette::color(Palette::Role::textSecondary, dark), 16));
    };
    tintHelpButton(appearance_->isDark());
    connect(appearance_, &AppearanceController::appearanceApplied, helpButton_, tintHelpButton);

    // An invisible twin of the Help button on the left keeps the well in the middle.
    auto* balance = new QWidget(toolbar);
    balance->setFixedWidth(helpButton_->sizeHint().width());
    toolbar->addWidget(balance);
    toolbar->addWidget(expandingSpacer(toolbar));
    toolbar->addWidget(pathWell_);
    toolbar->addWidget(expandingSpacer(toolbar));
    toolbar->addWidget(helpButton_);
}

void MainWindow::buildFileMenu() {
    fileMenu_ = menuBar()->addMenu(QStringLiteral("File"));
    fileMenu_->setObjectName(QStringLiteral("fileMenu"));
    QAction* addVideos = fileMenu_->addAction(QStringLiteral("Add Videos…"), model_, &AppModel::chooseFiles);
    addVideos->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction* addFolder = fileMenu_->addAction(QStringLiteral("Add Folder…"), model_, &AppModel::chooseFolder);
    addFolder->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    CorrectionQueue* queue = &model_->queue();
    QAction* clear = fileMenu_->addAction(QStringLiteral("Clear Queue"), queue, &CorrectionQueue::clearQueue);
    clear->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    auto followJobs = [clear, queue] { clear->setEnabled(!queue->jobs().isEmpty()); };
    followJobs();
    connect(queue, &CorrectionQueue::jobsChanged, clear, followJobs);
    fileMenu_->addSeparator();
    QAction* quit = fileMenu_->addAction(QStringLiteral("Quit"), this, &MainWindow::quit);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    for (QAction* action : fileMenu_->actions()) action->setShortcutContext(Qt::ApplicationShortcut);
}

namespace {

// One exclusive, checkable entry per choice, in order; choosing one calls `choose`.
template <typename Choice, typename Choose>
QActionGroup* addChoices(QMenu* menu, const QList<Choice>& choices, Choice current, Choose choose) {
    auto* group = new QActionGroup(menu);
    for (const Choice choice : choices) {
        QAction* action = menu->addAction(preferences::menuLabel(choice));
        action->setCheckable(true);
        action->setChecked(choice == current);
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, menu, [choose, choice] { choose(choice); });
    }
    return group;
}

}  // namespace

void MainWindow::buildAppearanceMenu() {
    appearanceMenu_ = menuBar()->addMenu(QStringLiteral("Appearance"));
    appearanceMenu_->setObjectName(QStringLiteral("appearanceMenu"));
    appearanceGroup_ = addChoices(appearanceMenu_, preferences::allAppearances(), appearance_->preference(),
                                  [this](AppearancePreference choice) { appearance_->setPreference(choice); });
    appearanceMenu_->addSeparator();
    appearanceMenu_->addSection(QStringLiteral("App Icon"));
    iconGroup_ = addChoices(appearanceMenu_, preferences::allIcons(), preferences::storedIcon(*settings_), [this](IconPreference choice) {
        preferences::store(*settings_, choice);
        icons_->setPreference(choice);
    });
}

QAction* MainWindow::placeholder(const QString& title) {
    auto* action = new QAction(title, this);
    action->setEnabled(false);
    return action;
}

QAction* MainWindow::divider() {
    auto* action = new QAction(this);
    action->setSeparator(true);
    return action;
}

void MainWindow::buildHelpMenu() {
    helpMenu_ = menuBar()->addMenu(QStringLiteral("Help"));
    helpMenu_->setObjectName(QStringLiteral("helpMenu"));
    // Until the help module registers its command, a disabled stand-in holds its place.
    helpAction_ = placeholder(helpTitle);
    helpMenu_->addAction(helpAction_);
    // A divider sets the help entry apart from the feedback module's entries.
    helpDivider_ = divider();
    checkForUpdates_ = new QAction(QStringLiteral("Check for Updates…"), this);
    connect(checkForUpdates_, &QAction::triggered, updater_, &UpdaterController::checkForUpdates);
    checkForUpdates_->setEnabled(updater_->canCheckForUpdates());
    connect(updater_, &UpdaterController::canCheckForUpdatesChanged, checkForUpdates_, &QAction::setEnabled);
    // Until the feedback module registers its entries, disabled stand-ins hold their places.
    setCitizenshipCommands({placeholder(feedbackTitle), divider(), placeholder(tipTitle), divider(),
                            placeholder(aboutTitle)});
}

void MainWindow::setHelpCommand(QAction* command) {
    if (!command || command == helpAction_) return;
    QAction* previous = helpAction_;
    helpMenu_->insertAction(previous, command);
    helpMenu_->removeAction(previous);
    helpAction_ = command;
    if (previous->parent() == this) previous->deleteLater();
}

void MainWindow::setShowHelp(std::function<void()> showHelp) {
    showHelp_ = std::move(showHelp);
    helpButton_->setEnabled(bool(showHelp_));
}

void MainWindow::setCitizenshipCommands(const QList<QAction*>& actions) {
    // The Help menu is rebuilt: the help entry and its divider, the given entries
    // as they come (dividers included), then the update check.
    const QList<QAction*> previous = citizenshipEntries_;
    helpMenu_->clear();
    helpMenu_->addAction(helpAction_);
    helpMenu_->addAction(helpDivider_);
    helpMenu_->addActions(actions);
    helpMenu_->addAction(checkForUpdates_);
    citizenshipEntries_ = actions;
    for (QAction* old : previous) {
        if (old->parent() == this && !actions.contains(old)) old->deleteLater();
    }
}

namespace {

// "1 job", "3 jobs".
QString jobCount(int count) { return count == 1 ? QStringLiteral("1 job") : QStringLiteral("%1 jobs").arg(count); }

// What is lost and why, as the box and the line both say it: "could not be saved
// (reason), so 3 jobs would be missing the next time Vantrel opens".
QString lossText(const CorrectionQueue::UnsavedJobs& unsaved) {
    return QStringLiteral("could not be saved (%1), so %2 would be missing the next time Vantrel opens")
        .arg(unsaved.reason, jobCount(unsaved.count));
}

QString folderOf(const CorrectionQueue::UnsavedJobs& unsaved) {
    return QDir::toNativeSeparators(QFileInfo(unsaved.file).absolutePath());
}

}  // namespace

std::unique_ptr<QMessageBox> MainWindow::unsavedJobsBox(const CorrectionQueue::UnsavedJobs& unsaved, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, QStringLiteral("Vantrel"),
                                             QStringLiteral("Quit and lose %1?").arg(jobCount(unsaved.count)),
                                             QMessageBox::NoButton, parent);
    box->setObjectName(QStringLiteral("UnsavedJobsAlert"));
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(QStringLiteral("The queue %1.\n\nTo keep %2, click Cancel, free some space or fix the "
                                           "queue's folder, and quit again:\n%3")
                                .arg(lossText(unsaved), unsaved.count == 1 ? QStringLiteral("it") : QStringLiteral("them"),
                                     folderOf(unsaved)));
    // A heading as the update dialog has, and room for a long folder name.
    if (auto* title = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        QFont font = title->font();
        font.setPixelSize(15);
        font.setWeight(QFont::DemiBold);
        title->setFont(font);
    }
    // The reason and the folder are shown as they are, never as markup.
    if (auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        informative->setTextFormat(Qt::PlainText);
        informative->setMinimumWidth(380);
    }
    QPushButton* quit = box->addButton(QStringLiteral("Quit Anyway"), QMessageBox::DestructiveRole);
    quit->setObjectName(QStringLiteral("QuitAnyway"));
    QPushButton* cancel = box->addButton(QMessageBox::Cancel);
    cancel->setObjectName(QStringLiteral("CancelQuit"));
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    return box;
}

QString MainWindow::unsavedJobsLine(const CorrectionQueue::UnsavedJobs& unsaved) {
    return QStringLiteral("Vantrel: the queue %1; the queue's folder: %2").arg(lossText(unsaved), folderOf(unsaved));
}

std::optional<CorrectionQueue::UnsavedJobs> MainWindow::agreeToEnd() {
    endAgreed_ = true;
    return model_->queue().saveBeforeQuit();
}

bool MainWindow::mayQuit() {
    if (endAgreed_) return true;
    if (askingToQuit_) return false;
    const std::optional<CorrectionQueue::UnsavedJobs> unsaved = model_->queue().saveBeforeQuit();
    if (!unsaved) return true;
    askingToQuit_ = true;
    const std::unique_ptr<QMessageBox> box = unsavedJobsBox(*unsaved, this);
    box->exec();
    askingToQuit_ = false;
    // An end that asks nothing may have come while the box was open: it goes ahead.
    if (endAgreed_) return true;
    return box->clickedButton() && box->clickedButton()->objectName() == QStringLiteral("QuitAnyway");
}

void MainWindow::quit() {
    // Asked before any window closes, so that Cancel leaves every one of them open.
    if (!mayQuit()) return;
    quitAgreed_ = true;
    QApplication::closeAllWindows();
    quitAgreed_ = false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!quitAgreed_ && !mayQuit()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::boundMinimumSize(const QRect& available, const QMargins& frame) {
    const QSize chrome(0, menuBar()->sizeHint().height() + toolbar_->sizeHint().height());
    const QSize designed = QSize(minimumContentWidth, minimumContentHeight) + chrome;
    content_->setMinimumSize((screenfit::minimumClientSize(designed, available, frame) - chrome).expandedTo(QSize(0, 0)));
    layout()->activate();  // the window's own minimum follows now, before the window is fitted
}

}  // namespace vantrel
