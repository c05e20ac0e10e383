// The main window: start-up appearance, menus and their keys, the sources well,
// the registration points of the help and feedback modules.
#include "AppCitizenshipKit/CitizenshipAbout.h"
#include "FeedbackKit/FeedbackDraft.h"
#include "FeedbackKit/FeedbackPresenter.h"
#include "QueueTestSupport.h"
#include "ShellTestSupport.h"
#include "HelpMenu/HelpWindowController.h"
#include "Vantrel/app/AppDelegate.h"
#include "Vantrel/app/AppIconController.h"
#include "Vantrel/app/BuildNumber.h"
#include "Vantrel/app/AppearanceController.h"
#include "Vantrel/app/InstanceLock.h"
#include "Vantrel/app/MainWindow.h"
#include "Vantrel/app/ScreenFit.h"
#include "Vantrel/app/Termination.h"
#include "Vantrel/app/UpdaterController.h"
#include "Vantrel/model/AppModel.h"
#include "Vantrel/views/ContentView.h"
#include "Vantrel/views/FooterBar.h"
#include "Vantrel/views/DesignIndicators.h"
#include "Vantrel/views/PaneWidgets.h"

#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>
#include <QWindow>

#include <csignal>

using namespace shelltest;

namespace {

QStringList entries(QMenu* menu) {
    QStringList titles;
    for (QAction* action : menu->actions()) {
        titles << (action->isSeparator() && action->text().isEmpty() ? QStringLiteral("—") : action->text());
    }
    return titles;
}

QAction* entry(QMenu* menu, const QString& title) {
    for (QAction* action : menu->actions()) {
        if (action->text() == title) return action;
    }
    ADD_FAILURE() << "no entry " << title.toStdString();
    return nullptr;
}

class MainWindowTest : public ShellTest {
protected:
    MainWindow* shown() {
        app->show();
        MainWindow* window = app->window();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        return window;
    }

    QColor background(MainWindow* window) { return pixel(window->content(), QPoint(4, 4)); }

    CorrectionJob job(const QString& name) {
        return queuetest::makeJob(pathOf(name), pathOf(QStringLiteral("out/") + name));
    }
};

}  // namespace

TEST_F(MainWindowTest, StoredChoicesDecideTheFirstWindow) {
    struct Case { const char* appearance; const char* icon; bool dark; const char* checkedAppearance; const char* checkedIcon; };
    const Case cases[] = {{nullptr, nullptr, true, "Dark", "Match System"},
                          {"light", "dark", false, "Light", "Dark"},
                          {"blue", "green", true, "Dark", "Match System"}};
    for (const Case& c : cases) {
        settings->clear();
        if (c.appearance) settings->setValue(preferences::appearanceKey, QString::fromLatin1(c.appearance));
        if (c.icon) settings->setValue(preferences::iconKey, QString::fromLatin1(c.icon));
        launch();
        MainWindow* window = shown();
        EXPECT_EQ(background(window), QColor(c.dark ? 0x1D1D1D : 0xF4F4F4)) << (c.appearance ? c.appearance : "nothing");
        QStringList checked;
        for (QAction* action : window->appearanceMenu()->actions()) {
            if (action->isChecked()) checked << action->text();
        }
        EXPECT_EQ(checked, QStringList({QString::fromLatin1(c.checkedAppearance), QString::fromLatin1(c.checkedIcon)}));
    }
}

TEST_F(MainWindowTest, MissingFFmpegStaysMissing) {
    launch();
    EXPECT_FALSE(app->isFFmpegAvailable());
    ASSERT_TRUE(testsupport::writeScript(pathOf(QStringLiteral("bin/ffmpeg")), "exit 0\n"));
    EXPECT_FALSE(app->isFFmpegAvailable());
}

TEST_F(MainWindowTest, MenusInOrderWithTheirKeys) {
    launch();
    MainWindow* window = shown();
    QStringList menus;
    for (QAction* action : window->menuBar()->actions()) menus << action->text();
    EXPECT_EQ(menus, QStringList({QStringLiteral("File"), QStringLiteral("Appearance"), QStringLiteral("Help")}));
    EXPECT_EQ(entries(window->fileMenu()), QStringList({QStringLiteral("Add Videos…"), QStringLiteral("Add Folder…"),
                                                        QStringLiteral("Clear Queue"), QStringLiteral("—"),
                                                        QStringLiteral("Quit")}));
    EXPECT_EQ(entries(window->appearanceMenu()),
              QStringList({QStringLiteral("Match System"), QStringLiteral("Light"), QStringLiteral("Dark"),
                           QStringLiteral("—"), QStringLiteral("App Icon"), QStringLiteral("Match System"), QStringLiteral("Light"),
                           QStringLiteral("Dark")}));
    EXPECT_EQ(entries(window->helpMenu()),
              QStringList({QStringLiteral("Vantrel Help"), QStringLiteral("—"), QStringLiteral("Send Feedback…"),
                           QStringLiteral("—"), QStringLiteral("Leave a Tip"), QStringLiteral("—"),
                           QStringLiteral("About Vantrel"), QStringLiteral("Check for Updates…")}));
    const std::pair<const char*, const char*> keys[] = {{"Add Videos…", "Ctrl+O"}, {"Add Folder…", "Ctrl+Shift+O"},
                                                        {"Clear Queue", "Ctrl+Shift+K"}, {"Quit", "Ctrl+Q"}};
    for (const auto& [title, key] : keys) {
        EXPECT_EQ(entry(window->fileMenu(), QString::fromUtf8(title))->shortcut(), QKeySequence(QString::fromLatin1(key)));
    }
    EXPECT_EQ(entry(window->helpMenu(), QStringLiteral("Vantrel Help"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Question));
    // No web host and no feed in this build: no tip page and no update check.
    QStringList enabled;
    for (QAction* action : window->helpMenu()->actions()) {
        if (action->isEnabled() && !action->isSeparator()) enabled << action->text();
    }
    EXPECT_EQ(enabled, QStringList({QStringLiteral("Vantrel Help"), QStringLiteral("Send Feedback…"),
                                    QStringLiteral("About Vantrel")}));
}

TEST_F(MainWindowTest, FileKeysOpenThePanels) {
    launch();
    MainWindow* window = shown();
    const std::pair<QKeyCombination, const char*> panels[] = {
        {Qt::CTRL | Qt::Key_O, "Choose video files to correct"},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_O, "Choose a folder of videos to correct"}};
    for (const auto& [key, title] : panels) {
        QString seen;
        auto* poll = new QTimer(window);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, &seen] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                seen = dialog->windowTitle();
                poll->stop();
                poll->deleteLater();
                dialog->reject();
            }
        });
        poll->start(10);
        QTest::keyClick(window, key.key(), key.keyboardModifiers());
        EXPECT_EQ(seen, QString::fromLatin1(title));
        window->activateWindow();  // the closed dialog leaves no window active here
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
}

TEST_F(MainWindowTest, PanelsOpenOverTheWindow) {
    launch();
    MainWindow* window = shown();
    QWidget* parent = nullptr;
    bool answered = false;
    auto* poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, poll, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            parent = dialog->parentWidget();
            answered = true;
            poll->stop();
            poll->deleteLater();
            dialog->reject();
        }
    });
    poll->start(10);
    app->model()->chooseOutputFolder();
    EXPECT_TRUE(answered);
    EXPECT_EQ(parent, window);
    EXPECT_FALSE(app->model()->outputFolder().has_value());
}

TEST_F(MainWindowTest, ClearQueueKeyFollowsTheJobs) {
    launch();
    MainWindow* window = shown();
    QAction* clear = entry(window->fileMenu(), QStringLiteral("Clear Queue"));
    CorrectionQueue& queue = app->model()->queue();
    EXPECT_FALSE(clear->isEnabled());
    QTest::keyClick(window, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);  // disabled: nothing happens
    queue.enqueue(job(QStringLiteral("a.mov")));
    EXPECT_TRUE(clear->isEnabled());
    QTest::keyClick(window, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(queue.jobs().isEmpty());
    EXPECT_FALSE(clear->isEnabled());
}

// A quit that would lose jobs asks first, once, whichever way it comes: the queue
// file could not be written, and one more try on the way out failed too. Cancel
// (Escape, or Enter: it is the default) keeps the window and the footer's warning;
// with room again the quit asks nothing and the next start has every job; Quit
// Anyway leaves the file as it was. Only the jobs the next start would miss are
// counted: not a finished job the file lacks, nor a pending one the file holds;
// when the unsaved changes are only such, the quit asks nothing. A termination
// signal while the box is open answers it: every window closes, and the application
// ends with 0 after one line on standard error that counts the lost jobs alone; a
// second signal while it ends changes nothing.
TEST_F(MainWindowTest, AQuitThatWouldLoseJobsAsksFirst) {
    enum class Way { key, command, closing };
    const struct {
        const char* name;
        Way way;
        bool roomAgain;  // before the second quit
        // Else the unsaved changes are only ones the next start makes no difference to.
        bool losesJobs = true;
        // A pending job the file holds, and a completed one queued once the disk is full.
        bool keptAndFinished = false;
        Qt::Key decline = Qt::Key_Escape;  // the answer to the first question
        // Instead of an answer, SIGTERM while the box is open; 2: and again while it ends.
        int signalsSent = 0;
    } rows[] = {{"Ctrl+Q", Way::key, true}, {"the Quit command", Way::command, false}, {"closing the window", Way::closing, true},
                {"Enter, beside a kept and a finished job", Way::key, false, true, true, Qt::Key_Return},
                {"only a change the start ignores unsaved", Way::closing, false, false},
                {"only a finished job unsaved", Way::command, false, false, true},
                {"SIGTERM while the box is open, beside a kept and a finished job", Way::key, false, true, true,
                 Qt::Key_Escape, 1},
                {"a second signal while the end is under way", Way::closing, false, true, false, Qt::Key_Escape, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        app.reset();
        QDir(pathOf(QStringLiteral("queue"))).removeRecursively();
        launch();
        MainWindow* window = shown();
        CorrectionQueue& queue = app->model()->queue();
        auto full = std::make_shared<std::atomic<bool>>(false);
        queue.setQueueFileWriter(
            [full](QFileDevice& file, const QByteArray& data) { return !*full && file.write(data) == data.size(); });
        queue.setSaveRetryDelays(std::chrono::hours(24), std::chrono::hours(24));  // only a quit tries again
        CorrectionJob a = job(QStringLiteral("a.mov")), b = job(QStringLiteral("b.mov"));
        b.status = JobStatus::cancelled();
        queue.enqueue(QList<CorrectionJob>{a, b});
        if (row.keptAndFinished) queue.enqueue(job(QStringLiteral("k.mov")));
        *full = true;
        if (row.keptAndFinished) {
            CorrectionJob finished = job(QStringLiteral("e.mov"));
            finished.status = JobStatus::completed();
            queue.enqueue(finished);
        }
        if (row.losesJobs) {
            // Lost: c and d, and b, retried (the file has it cancelled, which a start
            // drops); not a, which the file brings back.
            queue.enqueue(QList<CorrectionJob>{job(QStringLiteral("c.mov")), job(QStringLiteral("d.mov"))});
            queue.retryJob(b.id);
            queue.removeJob(a.id);
        } else {
            queue.removeJob(b.id);  // the start drops it all the same
        }

        QStringList asked;
        bool quitAnyway = false;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box->objectName() != QStringLiteral("UnsavedJobsAlert")) return;
            if (row.signalsSent && !asked.isEmpty()) return;  // the signal has come: the box is on its way out
            asked << box->text() << box->informativeText();
            if (row.signalsSent) ::raise(SIGTERM);
            else if (quitAnyway) box->findChild<QPushButton*>(QStringLiteral("QuitAnyway"))->click();
            else QTest::keyClick(box, row.decline);
        });
        answer.start(10);
        const auto quit = [&] {
            asked.clear();
            switch (row.way) {
            case Way::key:
                window->activateWindow();  // a closed box leaves no window active here
                EXPECT_TRUE(QTest::qWaitForWindowActive(window));
                QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
                break;
            case Way::command: entry(window->fileMenu(), QStringLiteral("Quit"))->trigger(); break;
            case Way::closing: window->close(); break;
            }
        };
        const auto restored = [&] {
            launch();
            QStringList names;
            for (const CorrectionJob& restoredJob : app->model()->queue().jobs()) names << restoredJob.sourceName();
            return names;
        };
        const QStringList kept = row.keptAndFinished ? QStringList{QStringLiteral("k.mov")} : QStringList();
        const QString lossLine = QStringLiteral("could not be saved (Write failed), so 3 jobs would be missing the next "
                                                "time Vantrel opens");
        if (row.signalsSent) {
            // As the executable ends: in its event loop, the signal's end set up as it is there.
            // The help open beside it: every window goes, not only the one that asked.
            helpmenu::HelpWindowController::showHelp();
            ASSERT_TRUE(QTest::qWaitFor([] { return helpmenu::HelpWindowController::window(); }));
            TerminationSignals termination;
            termination.setBeforeEnd([&] {
                if (row.signalsSent > 1) ::raise(SIGTERM);
                app->prepareToEnd();
            });
            // The last window closing in the event loop would post a quit of Qt's own,
            // left over to end a later test's loop.
            QGuiApplication::setQuitOnLastWindowClosed(false);
            QTimer::singleShot(0, quit);
            QTimer stuck;  // a signal that ends nothing
            stuck.setSingleShot(true);
            QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(1); });
            stuck.start(60000);
            testing::internal::CaptureStderr();
            EXPECT_EQ(QCoreApplication::exec(), 0);
            QGuiApplication::setQuitOnLastWindowClosed(true);
            for (QWidget* left : QApplication::topLevelWidgets()) EXPECT_FALSE(left->isVisible()) << left->objectName().toStdString();
            answer.stop();
            EXPECT_EQ(restored(), QStringList{QStringLiteral("a.mov")} + kept);  // the queue's last words included
            QStringList said;
            for (const QString& line : QString::fromStdString(testing::internal::GetCapturedStderr()).split(QLatin1Char('\n'))) {
                if (line.startsWith(QStringLiteral("Vantrel")) || line.startsWith(QStringLiteral("vantrel"))) said << line;
            }
            EXPECT_EQ(said, QStringList{QStringLiteral("Vantrel: the queue %1; the queue's folder: %2")
                                            .arg(lossLine, pathOf(QStringLiteral("queue")))});
            EXPECT_EQ(asked.size(), 2);
            continue;
        }
        quit();
        if (!row.losesJobs) {
            EXPECT_EQ(asked, QStringList());
            EXPECT_FALSE(window->isVisible());
            answer.stop();
            EXPECT_EQ(restored(), QStringList{QStringLiteral("a.mov")} + kept);
            continue;
        }
        EXPECT_EQ(asked, QStringList({QStringLiteral("Quit and lose 3 jobs?"),
                                      QStringLiteral("The queue %1.\n\nTo keep them, click Cancel, free some space or "
                                                     "fix the queue's folder, and quit again:\n%2")
                                          .arg(lossLine, pathOf(QStringLiteral("queue")))}));
        EXPECT_TRUE(window->isVisible());
        auto* warning = window->findChild<SymbolText*>(QStringLiteral("persistenceError"));
        EXPECT_TRUE(queuetest::waitFor([&] { return warning->isVisible(); }));
        EXPECT_EQ(warning->text(), QStringLiteral("Queue may not persist: Write failed"));

        *full = !row.roomAgain;
        quitAnyway = true;
        quit();
        EXPECT_EQ(asked.size(), row.roomAgain ? 0 : 2);
        EXPECT_FALSE(window->isVisible());
        answer.stop();
        EXPECT_EQ(restored(), row.roomAgain ? QStringList{QStringLiteral("b.mov")} + kept +
                                                  QStringList({QStringLiteral("c.mov"), QStringLiteral("d.mov")})
                                            : QStringList{QStringLiteral("a.mov")} + kept);
    }
}

TEST_F(MainWindowTest, HelpKeyIsFixedOnceAfterLaunch) {
    launch();
    MainWindow* window = app->window();
    QAction* slash = window->helpMenu()->addAction(QStringLiteral("Slash"));
    slash->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Slash));
    QAction* shifted = window->helpMenu()->addAction(QStringLiteral("Shifted"));
    shifted->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Slash));
    shown();
    EXPECT_EQ(slash->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Question));
    EXPECT_EQ(shifted->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Slash));
    AppDelegate::applicationDidFinishLaunching(nullptr);  // no Help menu: nothing to do
}

TEST_F(MainWindowTest, SourcesWellCountsVideos) {
    launch();
    MainWindow* window = shown();
    vantrel::KelpPathWell* well = window->findChild<vantrel::KelpPathWell*>(QStringLiteral("SourcesWell"));
    ASSERT_NE(well, nullptr);
    EXPECT_EQ(well->shownText(), QStringLiteral("No videos added"));
    QList<QUrl> urls;
    for (int i = 0; i < 12; ++i) urls << QUrl::fromLocalFile(pathOf(QStringLiteral("v%1.mov").arg(i)));
    app->model()->addSources(urls.mid(0, 1));
    EXPECT_EQ(well->shownText(), QStringLiteral("1 video"));
    app->model()->addSources(urls);
    EXPECT_EQ(well->shownText(), QStringLiteral("12 videos"));
    // The well sits in the middle of the toolbar.
    const QRect inWindow(well->mapTo(window, QPoint(0, 0)), well->size());
    EXPECT_NEAR(inWindow.center().x(), window->width() / 2, 4);
}

TEST_F(MainWindowTest, AppearanceMenuPersistsAndRecoloursAtOnce) {
    launch();
    MainWindow* window = shown();
    entry(window->appearanceMenu(), QStringLiteral("Light"))->trigger();
    EXPECT_EQ(settings->value(preferences::appearanceKey).toString(), QStringLiteral("light"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return background(window) == QColor(0xF4F4F4); }));
    const QList<QAction*> actions = window->appearanceMenu()->actions();
    actions.last()->trigger();  // App Icon: Dark
    EXPECT_EQ(settings->value(preferences::iconKey).toString(), QStringLiteral("dark"));
    EXPECT_EQ(app->icons()->appliedIconName(), AppIconController::darkIconName);
}

TEST_F(MainWindowTest, HelpAndFeedbackEntriesAreRegistered) {
    launch();
    MainWindow* window = shown();
    // The entry is the help module's command for the application's own help: it
    // shows that content, whatever was registered since.
    helpmenu::HelpWindowController::registerContent(helpmenu::HelpContent({}, QStringLiteral("Other"), std::nullopt));
    QTest::keyClick(window, Qt::Key_Question, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([] { return helpmenu::HelpWindowController::window() != nullptr; }));
    QWidget* help = helpmenu::HelpWindowController::window();
    EXPECT_EQ(help->windowTitle(), QStringLiteral("Vantrel Help"));
    // Its key works in the help window as well and brings the same window forward.
    QSignalSpy chosen(window->helpCommand(), &QAction::triggered);
    QTest::keyClick(help, Qt::Key_Question, Qt::ControlModifier);
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_EQ(helpmenu::HelpWindowController::window(), help);
    help->close();
    ASSERT_TRUE(QTest::qWaitFor([] { return helpmenu::HelpWindowController::window() == nullptr; }));
    // The toolbar's Help button shows the registered help, now the application's own again.
    window->findChild<QAbstractButton*>(QStringLiteral("HelpButton"))->click();
    ASSERT_TRUE(QTest::qWaitFor([] { return helpmenu::HelpWindowController::window() != nullptr; }));
    EXPECT_EQ(helpmenu::HelpWindowController::window()->windowTitle(), QStringLiteral("Vantrel Help"));
    helpmenu::HelpWindowController::window()->close();

    int helpCalls = 0;
    window->setShowHelp([&] { ++helpCalls; });
    window->findChild<QAbstractButton*>(QStringLiteral("HelpButton"))->click();
    EXPECT_EQ(helpCalls, 1);

    // The application's own entries open the feedback form and the About panel.
    entry(window->helpMenu(), QStringLiteral("Send Feedback…"))->trigger();
    EXPECT_TRUE(feedback::FeedbackPresenter::shared().window());
    feedback::FeedbackPresenter::shared().close();
    entry(window->helpMenu(), QStringLiteral("About Vantrel"))->trigger();
    ASSERT_TRUE(citizenship::CitizenshipAbout::window());
    citizenship::CitizenshipAbout::window()->close();

    QAction sendFeedback(QStringLiteral("Send Feedback…"));
    QAction about(QStringLiteral("About Vantrel"));
    window->setCitizenshipCommands({&sendFeedback, &about});
    EXPECT_EQ(entries(window->helpMenu()),
              QStringList({QStringLiteral("Vantrel Help"), QStringLiteral("—"), QStringLiteral("Send Feedback…"),
                           QStringLiteral("About Vantrel"), QStringLiteral("Check for Updates…")}));
    EXPECT_EQ(window->helpMenu()->actions()[2], &sendFeedback);
}

// Each top-level window carries its own title and nothing more. Qt's X11 and
// Wayland windows add the application's display name, when one was set by hand,
// to every title ("Vantrel Help — Vantrel"); the application sets none, so the
// display name follows the application name and no title is added to.
TEST_F(MainWindowTest, TopLevelWindowsCarryTheirOwnTitles) {
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("Probe"));
    const QString displayName = QGuiApplication::applicationDisplayName();
    QCoreApplication::setApplicationName(name);
    EXPECT_EQ(displayName, QStringLiteral("Probe"));

    launch();
    MainWindow* window = shown();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vantrel"));
    helpmenu::HelpWindowController::showHelp();
    ASSERT_TRUE(helpmenu::HelpWindowController::window());
    EXPECT_EQ(helpmenu::HelpWindowController::window()->windowTitle(), QStringLiteral("Vantrel Help"));
    helpmenu::HelpWindowController::window()->close();
    entry(window->helpMenu(), QStringLiteral("Send Feedback…"))->trigger();
    ASSERT_TRUE(feedback::FeedbackPresenter::shared().window());
    EXPECT_EQ(feedback::FeedbackPresenter::shared().window()->windowTitle(), QStringLiteral("Send Feedback"));
    feedback::FeedbackPresenter::shared().close();
    entry(window->helpMenu(), QStringLiteral("About Vantrel"))->trigger();
    ASSERT_TRUE(citizenship::CitizenshipAbout::window());
    EXPECT_EQ(citizenship::CitizenshipAbout::window()->windowTitle(), QStringLiteral("About Vantrel"));
    citizenship::CitizenshipAbout::window()->close();
    const appcast::Release release{QStringLiteral("1.0.0"), QStringLiteral("Vantrel 1.0"),
                                   QUrl(QStringLiteral("https://example.com/vantrel"))};
    const std::unique_ptr<QWidget> update(UpdaterController::makeDialog(
        {UpdaterController::Result::Kind::upToDate, release, {}}, QStringLiteral("1.0.0")));
    EXPECT_EQ(update->windowTitle(), QStringLiteral("Software Update"));
    EXPECT_EQ(InstanceLock::alreadyRunningBox(QStringLiteral("Vantrel is already running."))->windowTitle(),
              QStringLiteral("Vantrel"));
}

TEST_F(MainWindowTest, AboutAndFeedbackCarryTheBuildNumber) {
    launch();
    MainWindow* window = shown();
    const QString build = buildNumber();
    // A commit count or the build's setting: never empty, never the unknown mark.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z0-9._+-]+$")).match(build).hasMatch()) << build.toStdString();
    EXPECT_NE(build, QStringLiteral("?"));
    EXPECT_EQ(feedback::FeedbackEnvironment::current().appVersionField(), QStringLiteral("0.1.0 (%1)").arg(build));
    entry(window->helpMenu(), QStringLiteral("About Vantrel"))->trigger();
    ASSERT_TRUE(citizenship::CitizenshipAbout::window());
    auto* version = citizenship::CitizenshipAbout::window()->findChild<QLabel*>(QStringLiteral("appVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), QStringLiteral("Version 0.1.0 (%1)").arg(build));
    citizenship::CitizenshipAbout::window()->close();
}

TEST_F(MainWindowTest, MinimumSizeNeverExceedsTheScreen) {
    launch();
    MainWindow* window = shown();
    // The offscreen screen is smaller than the content's own minimum.
    const QSize available = window->screen()->availableGeometry().size();
    ASSERT_LT(available.width(), MainWindow::minimumContentWidth);
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    EXPECT_LE(window->minimumSizeHint().width() + frame.width(), available.width());
    EXPECT_LE(window->minimumSizeHint().height() + frame.height(), available.height());
}

// The whole window, frame included, within the screen's available area: the
// smallest the window may be, and a window shown larger than that.
TEST(ScreenFit, WholeWindowFitsTheAvailableArea) {
    const QSize designed(1220, 775);  // the content's minimum with the menu bar and toolbar
    const QMargins none, openbox(1, 20, 1, 5), thick(4, 30, 4, 4);
    struct Case { QRect available; QMargins frame; QSize minimum; };
    const Case cases[] = {
        {QRect(0, 0, 1024, 600), none, QSize(1024, 600)},
        {QRect(0, 0, 1024, 600), openbox, QSize(1022, 575)},
        {QRect(0, 0, 1280, 720), openbox, QSize(1220, 695)},
        {QRect(0, 28, 1280, 692), thick, QSize(1220, 658)},  // a panel along the top
        {QRect(0, 0, 1600, 1000), openbox, designed},
        {QRect(1600, 0, 1600, 1000), thick, designed},  // a second screen
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.available << " frame " << c.frame);
        const QSize minimum = screenfit::minimumClientSize(designed, c.available, c.frame);
        EXPECT_EQ(minimum, c.minimum);
        // The window at its smallest, wherever it stands, comes to lie within.
        const QRect top(c.available.topLeft(), minimum.grownBy(c.frame));
        EXPECT_EQ(screenfit::fittedFrame(top, c.available), top);
        for (const QPoint& off : {QPoint(-50, -50), QPoint(3000, 3000)}) {
            const QRect fitted = screenfit::fittedFrame(top.translated(off), c.available);
            EXPECT_TRUE(c.available.contains(fitted)) << fitted;
            EXPECT_EQ(fitted.size(), top.size());
        }
        // One as large as the whole screen, framed afterwards, shrinks to the area.
        const QRect whole = c.available.marginsAdded(c.frame);
        EXPECT_EQ(screenfit::fittedFrame(whole, c.available), c.available);
    }
}

// The offscreen platform gives a window no frame while it is full screen and a
// frame of 2 once it leaves it: as when a window manager frames a shown window.
// (A window's first showing still carries the frame it was made with: it is shown
// full screen a second time.)
TEST_F(MainWindowTest, WholeWindowFitsTheScreenOnceItsFrameIsKnown) {
    launch();
    MainWindow* window = app->window();
    window->showFullScreen();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->hide();
    window->showFullScreen();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ASSERT_TRUE(window->windowHandle()->frameMargins().isNull());
    ASSERT_EQ(window->frameGeometry(), window->geometry());
    const QRect available = window->screen()->availableGeometry();
    ASSERT_LT(available.width(), MainWindow::minimumContentWidth);

    window->showNormal();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->windowHandle()->frameMargins().isNull(); }));
    const QMargins frame = window->windowHandle()->frameMargins();
    EXPECT_LE(window->minimumSizeHint().width() + frame.left() + frame.right(), available.width());
    EXPECT_LE(window->minimumSizeHint().height() + frame.top() + frame.bottom(), available.height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return available.contains(window->geometry().marginsAdded(frame)); }))
        << window->geometry().marginsAdded(frame);
}

// On a real X server of 1024 × 600 with a window manager (the test command runs
// this under openbox; elsewhere it is skipped), the window the manager frames
// after it is shown fits the screen title bar and all, Start and the counters
// of the footer with it.
TEST_F(MainWindowTest, UnderAWindowManagerTheFramedWindowFitsASmallScreen) {
    if (!underAWindowManager()) GTEST_SKIP() << "needs an X server with a window manager";
    MainWindow* window = launchFramed();
    ASSERT_TRUE(window);
    const QRect screen = window->screen()->geometry();
    EXPECT_EQ(screen.size(), QSize(1024, 600));
    for (const char* name : {"start", "queued", "done"}) {
        auto* widget = window->content()->footer()->findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_TRUE(widget) << name;
        EXPECT_TRUE(screen.contains(QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()))) << name;
    }
}

// On the same screen every window, frame included, lies within the available
// area: the main window after it is maximised and restored, the help window, the
// feedback form (a sheet on the main window, and a window of its own) and About.
TEST_F(MainWindowTest, UnderAWindowManagerEveryWindowStaysOnASmallScreen) {
    if (!underAWindowManager()) GTEST_SKIP() << "needs an X server with a window manager";
    MainWindow* window = launchFramed();
    ASSERT_TRUE(window);
    const QMargins normalFrame = window->windowHandle()->frameMargins();

    struct Row {
        const char* what;
        std::function<QWidget*()> open;
    };
    const Row rows[] = {
        {"main window, maximised, console switched on and restored",
         [&]() -> QWidget* {
             window->showMaximized();
             EXPECT_TRUE(QTest::qWaitFor([&] { return window->windowHandle()->frameMargins() != normalFrame; }, 5000))
                 << "the window manager did not maximise the window";
             // A change of the window's minimum while it is maximised (the console
             // sliding in) made the window manager give back the maximised size.
             window->content()->setShowConsole(true);
             EXPECT_TRUE(QTest::qWaitFor([&] { return !window->content()->isAnimating(); }, 5000));
             window->showNormal();
             EXPECT_TRUE(QTest::qWaitFor([&] { return window->windowHandle()->frameMargins() == normalFrame; }, 5000));
             return window;
         }},
        {"help window", [&]() -> QWidget* {
             window->helpCommand()->trigger();
             return helpmenu::HelpWindowController::window();
         }},
        {"feedback on the main window", [&]() -> QWidget* {
             window->activateWindow();
             EXPECT_TRUE(QTest::qWaitForWindowActive(window));
             entry(window->helpMenu(), QStringLiteral("Send Feedback…"))->trigger();
             return feedback::FeedbackPresenter::shared().window();
         }},
        {"feedback on its own", [&]() -> QWidget* {
             feedback::FeedbackPresenter::shared().close();
             EXPECT_TRUE(QTest::qWaitFor([] { return !feedback::FeedbackPresenter::shared().window(); }));
             QDialog passing;  // an active dialog: the form becomes a window of its own
             passing.show();
             passing.activateWindow();
             EXPECT_TRUE(QTest::qWaitForWindowActive(&passing));
             entry(window->helpMenu(), QStringLiteral("Send Feedback…"))->trigger();
             return feedback::FeedbackPresenter::shared().window();
         }},
        {"About", [&]() -> QWidget* {
             entry(window->helpMenu(), QStringLiteral("About Vantrel"))->trigger();
             return citizenship::CitizenshipAbout::window();
         }},
    };
    QList<QPointer<QWidget>> opened;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QWidget* shownWindow = row.open();
        ASSERT_TRUE(shownWindow);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(shownWindow));
        ASSERT_TRUE(waitFramed(shownWindow));
        EXPECT_TRUE(waitWithinTheScreen(shownWindow)) << framed(shownWindow);
        opened << shownWindow;
    }
    // And they stay there: a size the window manager gives back late is fitted too.
    for (const QPointer<QWidget>& w : opened)
        if (w) {
            EXPECT_TRUE(waitWithinTheScreen(w)) << w->objectName().toStdString() << ' ' << framed(w);
        }
    feedback::FeedbackPresenter::shared().close();
    citizenship::CitizenshipAbout::window()->close();
    helpmenu::HelpWindowController::window()->close();
}

// On a real X server under a window manager (the test command runs this at
// 1024 × 600 and at 1600 × 1000), a window maximised and restored four times comes
// back each time to the size and place it had, its frame on the screen: the main
// window and the help window, through the window manager (as its title bar does
// it) and by the application.
TEST_F(MainWindowTest, UnderAWindowManagerARestoreBringsTheWindowBack) {
    if (!underAWindowManager()) GTEST_SKIP() << "needs an X server with a window manager";
    struct Row {
        const char* what;
        bool help, throughTheWindowManager;
    };
    const Row rows[] = {
        {"main window, through the window manager", false, true},
        {"main window, by the application", false, false},
        {"help window, through the window manager", true, true},
        {"help window, by the application", true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        helpmenu::HelpWindowController::reset();
        MainWindow* main = launchFramed();
        ASSERT_TRUE(main);
        QWidget* window = main;
        if (row.help) {
            main->helpCommand()->trigger();
            window = helpmenu::HelpWindowController::window();
            ASSERT_TRUE(window);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
            ASSERT_TRUE(waitFramed(window));
        }
        WindowManager windowManager(window);
        const auto maximise = [&](bool on) {
            if (row.throughTheWindowManager) windowManager.maximise(on);
            else if (on) window->showMaximized();
            else window->showNormal();
            return windowManager.settle() && window->isMaximized() == on;
        };
        ASSERT_TRUE(windowManager.settle());
        const QRect available = window->screen()->availableGeometry();
        const QRect before = window->geometry();
        const QMargins frame = window->windowHandle()->frameMargins();
        ASSERT_TRUE(available.contains(framed(window))) << framed(window);
        for (int time = 1; time <= 4; ++time) {
            SCOPED_TRACE(time);
            ASSERT_TRUE(maximise(true));
            EXPECT_EQ(framed(window), available);
            ASSERT_TRUE(maximise(false));
            EXPECT_EQ(window->geometry(), before);
            EXPECT_EQ(window->windowHandle()->frameMargins(), frame);
            EXPECT_TRUE(available.contains(framed(window))) << framed(window);
        }
    }
}
