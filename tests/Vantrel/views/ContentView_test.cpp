// The window content: split minimums and divider kept, the console sliding in and
// kept, and made afresh each time it opens.
#include "QueueTestSupport.h"
#include "ShellTestSupport.h"
#include "Vantrel/app/MainWindow.h"
#include "Vantrel/views/CommandBarView.h"
#include "Vantrel/queue/CorrectionQueue.h"
#include "Vantrel/views/ConsoleView.h"
#include "Vantrel/views/ContentView.h"
#include "Vantrel/views/DesignIndicators.h"
#include "Vantrel/views/FooterBar.h"
#include "Vantrel/views/LazyRowList.h"
#include "Vantrel/views/PaneWidgets.h"
#include "Vantrel/views/QueuePaneView.h"
#include "Vantrel/views/SourceListPane.h"
#include "Vantrel/model/AppModel.h"

#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QWheelEvent>

using namespace shelltest;

namespace {

class ContentViewTest : public ShellTest {
protected:
    ContentView* content() {
        app->show();
        app->window()->resize(1300, 1000);  // room for every pane at its full height
        ContentView* view = app->window()->content();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(app->window()));
        return view;
    }

    QWidget* drawer(ContentView* view) { return view->findChild<QWidget*>(QStringLiteral("ConsoleDrawer")); }

    // Rows of every kind in both lists: sources that cannot be read, and jobs
    // queued, failed and completed with a failed check (a row with chips).
    void addRowsAndJobs() {
        AppModel* model = app->model();
        QList<QUrl> urls;
        for (int i = 1; i <= 4; ++i) urls << QUrl::fromLocalFile(pathOf(QStringLiteral("none/clip%1.mov").arg(i)));
        model->addSources(urls);
        for (int i = 1; i <= 4; ++i) {
            CorrectionJob job = queuetest::makeJob(pathOf(QStringLiteral("none/clip%1.mov").arg(i)),
                                                   pathOf(QStringLiteral("out/clip%1_TC.mov").arg(i)));
            if (i == 1) {
                job.status = JobStatus::completed();
                job.verification = queuetest::resultOf(VerifyTier::standard, {CheckSeverity::fail, CheckSeverity::pass});
            } else if (i == 2) {
                job.status = JobStatus::failed(QStringLiteral("FFmpeg exited with status 1."));
            }
            model->queue().enqueue(job);
        }
    }

    void showConsole(ContentView* view, bool show) {
        if (show == view->showConsole()) return;
        view->setShowConsole(show);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isAnimating(); }, 5000));
    }

    // Brings the lists up to date and lets every layout settle.
    void settle(MainWindow* window) {
        window->findChild<SourceListPane*>()->refreshNow();
        window->findChild<QueuePaneView*>()->refreshNow();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
};

// Where a widget lies in `root`, and whether all of it shows: every widget above
// it up to `root` holds the whole of it.
QRect placeIn(const QWidget* widget, const QWidget* root) { return {widget->mapTo(root, QPoint()), widget->size()}; }

bool wholeIn(const QWidget* widget, const QWidget* root) {
    const QRect place = placeIn(widget, root);
    for (const QWidget* above = widget->parentWidget(); above && above != root; above = above->parentWidget())
        if (!placeIn(above, root).contains(place)) return false;
    return root->rect().contains(place);
}

// Nothing in the window's content overlaps, and every control and text shows
// whole: the panes, the split's handle, the console and the footer lie side by
// side; every button, field, label and list (the rows of the lists scroll, and
// are looked at one at a time) lies whole within its pane and clear of all the
// others; the first row of each list, scrolled into view, shows every button.
void expectNothingOverlaps(ContentView* view) {
    const auto shownChildren = [](const QWidget* parent) {
        QList<QWidget*> shown;
        for (QWidget* w : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisible() && !w->isWindow()) shown << w;
        return shown;
    };
    const auto expectSideBySide = [&](const QWidget* parent, const QList<QWidget*>& parts) {
        for (qsizetype i = 0; i < parts.size(); ++i) {
            EXPECT_TRUE(parent->rect().contains(parts[i]->geometry()))
                << parts[i]->objectName().toStdString() << ' ' << parts[i]->geometry() << " in " << parent->rect();
            for (qsizetype j = i + 1; j < parts.size(); ++j)
                EXPECT_FALSE(parts[i]->geometry().intersects(parts[j]->geometry()))
                    << parts[i]->objectName().toStdString() << ' ' << parts[i]->geometry() << " and "
                    << parts[j]->objectName().toStdString() << ' ' << parts[j]->geometry();
        }
    };
    expectSideBySide(view, shownChildren(view));
    expectSideBySide(view->splitter(), shownChildren(view->splitter()));
    QWidget* lower = view->splitter()->widget(1);
    expectSideBySide(lower, shownChildren(lower));

    // The controls and texts outside the rows.
    const auto inRows = [view](const QWidget* w) {
        for (const QWidget* above = w->parentWidget(); above && above != view; above = above->parentWidget())
            if (qobject_cast<const LazyRowList*>(above)) return true;
        return false;
    };
    QList<QWidget*> parts;
    for (QWidget* w : view->findChildren<QWidget*>()) {
        const bool part = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                          qobject_cast<QPlainTextEdit*>(w) || qobject_cast<LazyRowList*>(w) ||
                          qobject_cast<KelpLabel*>(w) || qobject_cast<SymbolText*>(w) || qobject_cast<RunsLabel*>(w) ||
                          qobject_cast<KelpSegmentedBar*>(w) || qobject_cast<vantrel::KelpPathWell*>(w) ||
                          qobject_cast<QSplitterHandle*>(w);
        if (part && w->isVisible() && !inRows(w)) parts << w;
    }
    ASSERT_GT(parts.size(), 20);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString name = parts[i]->objectName() + QLatin1Char('/') + QString::fromLatin1(parts[i]->metaObject()->className());
        EXPECT_TRUE(wholeIn(parts[i], view)) << name.toStdString() << " is cut at " << placeIn(parts[i], view);
        for (qsizetype j = i + 1; j < parts.size(); ++j) {
            if (parts[i]->isAncestorOf(parts[j]) || parts[j]->isAncestorOf(parts[i])) continue;
            EXPECT_FALSE(placeIn(parts[i], view).intersects(placeIn(parts[j], view)))
                << name.toStdString() << ' ' << placeIn(parts[i], view) << " and "
                << parts[j]->objectName().toStdString() << '/' << parts[j]->metaObject()->className() << ' '
                << placeIn(parts[j], view);
        }
    }
    for (LazyRowList* list : view->findChildren<LazyRowList*>()) {
        if (!list->isVisible() || list->ids().isEmpty()) continue;
        list->ensureVisible(list->ids().first());
        QWidget* row = list->rowWidget(list->ids().first());
        ASSERT_TRUE(row);
        for (QAbstractButton* button : row->findChildren<QAbstractButton*>()) {
            if (!button->isVisible()) continue;
            EXPECT_TRUE(wholeIn(button, list->viewport()))
                << list->objectName().toStdString() << ' ' << button->objectName().toStdString();
        }
    }
}

}  // namespace

TEST_F(ContentViewTest, SplitKeepsItsMinimumsAndDivider) {
    launch();
    ContentView* view = content();
    QSplitter* split = view->splitter();
    EXPECT_EQ(split->objectName(), QStringLiteral("MainSourcesQueueSplit"));
    const int total = split->sizes()[0] + split->sizes()[1];
    for (const int top : {0, total}) {  // dragged to either end
        split->setSizes({top, total - top});
        EXPECT_GE(split->widget(0)->height(), ContentView::sourcesMinimumHeight);
        EXPECT_GE(split->widget(1)->height(), ContentView::queueMinimumHeight);
    }
    split->setSizes({300, total - 300});
    QSplitterHandle* handle = split->handle(1);
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(5, 0));
    QTest::mouseMove(handle, QPoint(5, 40));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(5, 40));
    const QList<int> dragged = split->sizes();
    ASSERT_NE(dragged[0], 300);

    launch();
    EXPECT_EQ(content()->splitter()->sizes(), dragged);
}

TEST_F(ContentViewTest, ConsoleSlidesInAndIsKeptAcrossLaunches) {
    launch();
    ContentView* view = content();
    EXPECT_FALSE(view->showConsole());  // fresh install
    EXPECT_FALSE(drawer(view)->isVisible());
    const int splitHeight = view->splitter()->height();

    QSignalSpy finished(view, &ContentView::consoleAnimationFinished);
    view->footer()->setShowConsole(true);  // the footer's toggle
    EXPECT_TRUE(view->isAnimating());
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(drawer(view)->height(), ContentView::consoleHeight);
    EXPECT_EQ(view->console()->height(), 178);
    EXPECT_EQ(view->splitter()->height(), splitHeight - 178);
    EXPECT_TRUE(settings->value(QStringLiteral("showConsole")).toBool());

    launch();
    view = content();
    EXPECT_TRUE(view->showConsole());
    EXPECT_TRUE(view->footer()->showConsole());
    EXPECT_EQ(drawer(view)->height(), 178);

    QSignalSpy hidden(view, &ContentView::consoleAnimationFinished);
    view->setShowConsole(false);
    ASSERT_TRUE(hidden.wait(5000));
    EXPECT_FALSE(drawer(view)->isVisible());
    EXPECT_FALSE(view->footer()->showConsole());
}

// The columns of a picture that hold ink: any pixel that differs from the first
// column's (the background's) by more than a faint antialiasing trace.
static QList<int> inkedColumns(const QImage& image) {
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            const QColor here = image.pixelColor(x, y), back = image.pixelColor(0, y);
            if (std::abs(here.lightness() - back.lightness()) > 24) {
                columns << x;
                break;
            }
        }
    }
    return columns;
}

// On a small screen the window is 1024 × 600: the command bar still shows the whole
// placeholder of the output folder, every control of the bar lies inside it, and a
// row's longest rate label keeps clear of its menu's chevron.
TEST_F(ContentViewTest, SmallWindowKeepsTextsWhole) {
    const QString clip = pathOf(QStringLiteral("clip.mov"));
    testsupport::MovieRecipe ntsc;
    ntsc.rate = QStringLiteral("30000/1001");
    ntsc.seconds = 0.2;
    ntsc.timecode = QStringLiteral("01:00:00;00");
    QString error;
    ASSERT_TRUE(testsupport::makeMovie(clip, ntsc, &error)) << error.toStdString();
    for (const auto& theme : testsupport::galleryThemes) {
        SCOPED_TRACE(theme.name);
        preferences::store(*settings, theme.dark ? AppearancePreference::dark : AppearancePreference::light);
        launch();
        app->show();
        MainWindow* window = app->window();
        window->resize(1024, 600);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        AppModel* model = app->model();
        model->addSources({QUrl::fromLocalFile(clip)});
        ASSERT_TRUE(QTest::qWaitFor([&] { return model->sources().first().analysis.isDone(); }, 60000));
        const QUuid id = model->sources().first().id;
        auto* sources = window->findChild<SourceListPane*>();
        sources->refreshNow();
        QCoreApplication::processEvents();
        ASSERT_EQ(window->width(), 1024);

        auto* well = window->findChild<vantrel::KelpPathWell*>(QStringLiteral("outputFolder"));
        ASSERT_TRUE(well);
        EXPECT_EQ(well->shownText(), QStringLiteral("Choose output folder…"));
        auto* bar = qobject_cast<CommandBarView*>(well->parentWidget());
        ASSERT_TRUE(bar);
        for (QWidget* control : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!control->isVisible()) continue;
            EXPECT_GE(control->x(), 0) << control->objectName().toStdString();
            EXPECT_LE(control->geometry().right(), bar->width() - 1) << control->objectName().toStdString();
        }
        auto* enqueue = bar->findChild<QWidget*>(QStringLiteral("enqueue"));
        EXPECT_GE(enqueue->width(), enqueue->sizeHint().width());
        // Only what must go is gone: the captions of the verification and tolerance
        // stay, which their controls cannot say by themselves.
        EXPECT_NE(bar->density(), CommandBarView::Density::noCaptions);

        QWidget* row = sources->list()->rowWidget(id);
        ASSERT_TRUE(row);
        auto* rate = row->findChild<vantrel::KelpMenuButton*>(QStringLiteral("frameRate"));
        ASSERT_TRUE(rate);
        EXPECT_EQ(rate->text(), QStringLiteral("Auto (29.97 DF)"));
        // The ink of the label, then a clear gap, then the chevron's: the last run
        // of inked columns is the chevron alone.
        const QList<int> ink = inkedColumns(rate->grab().toImage());
        ASSERT_GE(ink.size(), 2);
        int chevron = int(ink.size()) - 1;
        while (chevron > 0 && ink[chevron - 1] == ink[chevron] - 1) --chevron;
        ASSERT_GT(chevron, 0) << "no label before the chevron";
        EXPECT_LE(ink.last() - ink[chevron] + 1, 9) << "the label runs into the chevron";
        EXPECT_GE(ink[chevron] - ink[chevron - 1] - 1, 6) << "the label touches the chevron";
        testsupport::saveGalleryPicture(window, QStringLiteral("window-1024x600-") + theme.name);
    }
}

// Where there is room the bar is as designed.
TEST_F(ContentViewTest, WideWindowKeepsTheDesignedBar) {
    launch();
    app->show();
    app->window()->resize(1300, 800);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app->window()));
    auto* bar = app->window()->findChild<CommandBarView*>();
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->density(), CommandBarView::Density::regular);
    EXPECT_EQ(bar->layout()->spacing(), 12);
    auto* well = bar->findChild<vantrel::KelpPathWell*>(QStringLiteral("outputFolder"));
    EXPECT_EQ(well->shownText(), QStringLiteral("Choose output folder…"));
}

TEST_F(ContentViewTest, OpeningTheConsoleShowsTheLogFromItsFirstLine) {
    launch();
    ContentView* view = content();
    EXPECT_EQ(view->console(), nullptr);  // off: there is no pane
    EXPECT_EQ(view->findChild<ConsoleView*>(), nullptr);
    CorrectionQueue& queue = app->model()->queue();
    for (int i = 0; i < 60; ++i) queue.log(QStringLiteral("line %1").arg(i));

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        QSignalSpy shown(view, &ContentView::consoleAnimationFinished);
        view->setShowConsole(true);
        ASSERT_TRUE(shown.wait(5000));
        ConsoleView* console = view->console();
        ASSERT_NE(console, nullptr);
        QScrollBar* bar = console->text()->verticalScrollBar();
        EXPECT_GT(bar->maximum(), 0);
        EXPECT_EQ(bar->value(), 0);
        EXPECT_EQ(console->text()->toPlainText(), queue.logLines().join(QLatin1Char('\n')));
        // The next line scrolls it to the end.
        QSignalSpy followed(console, &ConsoleView::followedTail);
        queue.log(QStringLiteral("newest"));
        ASSERT_TRUE(followed.wait(5000));
        EXPECT_EQ(bar->value(), bar->maximum());

        // Turned off, the pane goes once it has slid out; the log stays with the queue.
        QSignalSpy hidden(view, &ContentView::consoleAnimationFinished);
        view->setShowConsole(false);
        EXPECT_EQ(view->console(), console);  // still sliding out
        ASSERT_TRUE(hidden.wait(5000));
        EXPECT_EQ(view->console(), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(view->findChild<ConsoleView*>(), nullptr);
    }
}

TEST_F(ContentViewTest, ConsoleTurnedOnAgainWhileSlidingOutKeepsItsPane) {
    launch();
    ContentView* view = content();
    QSignalSpy finished(view, &ContentView::consoleAnimationFinished);
    view->setShowConsole(true);
    ASSERT_TRUE(finished.wait(5000));
    ConsoleView* console = view->console();
    view->setShowConsole(false);
    view->setShowConsole(true);  // before the slide out ends
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(view->console(), console);
    EXPECT_TRUE(console->isVisible());
    EXPECT_EQ(console->height(), ContentView::consoleHeight);
}

// Whatever the window, the divider and the console leave the lists, the scroll
// range is what their rows need: every row can be scrolled into view whole, the
// last one ends at the bottom edge, and rows that all fit neither scroll nor show
// a scroll bar.
TEST_F(ContentViewTest, ListsScrollExactlyOverTheirRowsAtEverySize) {
    const auto expectReachable = [](LazyRowList* list) {
        SCOPED_TRACE(list->objectName().toStdString());
        QScrollBar* bar = list->verticalScrollBar();
        const int page = list->viewport()->height();
        for (const QUuid& id : list->ids()) {
            list->ensureVisible(id);
            const QWidget* row = list->rowWidget(id);
            ASSERT_TRUE(row);
            EXPECT_GE(row->y(), 0);
            EXPECT_LE(row->geometry().bottom(), page - 1);
        }
        bar->setValue(bar->maximum());
        const QRect last = list->rowWidget(list->ids().last())->geometry();
        if (bar->maximum() > 0) {
            EXPECT_EQ(last.bottom(), page - 1) << "blank space below the last row";
            EXPECT_TRUE(bar->isVisibleTo(list));
        } else {
            EXPECT_LE(last.bottom(), page - 1);
            EXPECT_FALSE(bar->isVisibleTo(list)) << "a scroll bar with nothing to scroll";
        }
        // The wheel goes no further than the end.
        QWheelEvent wheel(QPointF(10, 10), list->viewport()->mapToGlobal(QPointF(10, 10)), {}, {0, -360},
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list->viewport(), &wheel);
        EXPECT_EQ(bar->value(), bar->maximum());
        EXPECT_EQ(list->rowWidget(list->ids().last())->geometry(), last);
        bar->setValue(0);
        EXPECT_EQ(list->rowWidget(list->ids().first())->y(), 0);
    };

    struct Step {
        const char* what;
        QSize window;  // invalid for the smallest
        int sourcesHeight;  // the divider's place; 0 leaves it
        bool console;
        const char* picture;  // a gallery picture of the window, or none
    };
    const Step steps[] = {
        {"smallest window", {}, 0, false, nullptr},
        {"enlarged", {1600, 1000}, 560, false, "lists-enlarged"},
        {"queue shrunk by the divider", {1600, 1000}, 2000, false, "lists-queue-shrunk"},
        {"console slid in", {1600, 1000}, 2000, true, nullptr},
        {"queue given room again", {1600, 1000}, 300, true, nullptr},
        {"console slid out", {1600, 1000}, 300, false, nullptr},
        {"smallest again", {}, 0, false, "lists-smallest"},
    };
    for (const auto& theme : testsupport::galleryThemes) {
        SCOPED_TRACE(theme.name);
        preferences::store(*settings, theme.dark ? AppearancePreference::dark : AppearancePreference::light);
        QDir(pathOf(QStringLiteral("queue"))).removeRecursively();
        launch();
        app->show();
        MainWindow* window = app->window();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        ContentView* view = window->content();
        AppModel* model = app->model();
        QStringList names;
        for (int i = 1; i <= 6; ++i) names << pathOf(QStringLiteral("none/clip%1.mov").arg(i));
        QList<QUrl> urls;
        for (const QString& name : names) urls << QUrl::fromLocalFile(name);
        model->addSources(urls);
        QUuid failed;
        for (int i = 0; i < 6; ++i) {
            CorrectionJob job = queuetest::makeJob(names[i], pathOf(QStringLiteral("out/clip%1.mov").arg(i + 1)));
            if (i == 4) {
                job.status = JobStatus::failed(QStringLiteral("ffmpeg exited with code 1"));
                failed = job.id;
            }
            model->queue().enqueue(job);
        }
        auto* sources = window->findChild<SourceListPane*>();
        auto* queue = window->findChild<QueuePaneView*>();
        ASSERT_TRUE(sources && queue);

        for (const Step& step : steps) {
            SCOPED_TRACE(step.what);
            window->resize(step.window.isValid() ? step.window : window->minimumSizeHint());
            if (step.sourcesHeight > 0) {
                const QList<int> sizes = view->splitter()->sizes();
                view->splitter()->setSizes({step.sourcesHeight, sizes[0] + sizes[1] - step.sourcesHeight});
            }
            if (step.console != view->showConsole()) {
                QSignalSpy slid(view, &ContentView::consoleAnimationFinished);
                view->setShowConsole(step.console);
                ASSERT_TRUE(slid.wait(5000));
            }
            sources->refreshNow();
            queue->refreshNow();
            QCoreApplication::processEvents();
            ASSERT_EQ(sources->list()->ids().size(), 6);
            ASSERT_EQ(queue->list()->ids().size(), 6);
            expectReachable(sources->list());
            expectReachable(queue->list());
            // The failed job's Retry can be reached.
            queue->list()->ensureVisible(failed);
            QWidget* retry = queue->list()->rowWidget(failed)->findChild<QWidget*>(QStringLiteral("retry"));
            ASSERT_TRUE(retry);
            EXPECT_TRUE(retry->isVisible());
            const QRect shown(retry->mapTo(queue->list()->viewport(), QPoint()), retry->size());
            EXPECT_TRUE(queue->list()->viewport()->rect().contains(shown));
            if (step.picture) {
                queue->list()->verticalScrollBar()->setValue(queue->list()->verticalScrollBar()->maximum());
                testsupport::saveGalleryPicture(window, QString::fromLatin1(step.picture) + QLatin1Char('-') +
                                                            theme.name);
            }
        }
    }
}

// On a small screen (the real one under a window manager, in the test command
// under Xvfb and openbox at 1024 × 600) nothing overlaps and every control shows
// whole: on a fresh start with the console shown, and with rows and jobs with the
// console shown and hidden, light and dark.
TEST_F(ContentViewTest, UnderAWindowManagerNothingOverlapsOnASmallScreen) {
    if (!underAWindowManager()) GTEST_SKIP() << "needs an X server with a window manager";
    struct Step {
        const char* what;
        bool rows, console;
    };
    const Step steps[] = {{"fresh-console", false, true}, {"rows-console", true, true}, {"rows-no-console", true, false}};
    for (const auto& theme : testsupport::galleryThemes) {
        SCOPED_TRACE(theme.name);
        QDir(pathOf(QStringLiteral("queue"))).removeRecursively();
        settings->clear();
        settings->setValue(ContentView::showConsoleKey, true);
        preferences::store(*settings, theme.dark ? AppearancePreference::dark : AppearancePreference::light);
        MainWindow* window = launchFramed();
        ASSERT_TRUE(window);
        for (const Step& step : steps) {
            SCOPED_TRACE(step.what);
            if (step.rows && app->model()->sources().isEmpty()) addRowsAndJobs();
            showConsole(window->content(), step.console);
            settle(window);
            expectNothingOverlaps(window->content());
            testsupport::saveGalleryPicture(window, QStringLiteral("small-screen-%1-%2")
                                                        .arg(QString::fromLatin1(step.what), QString::fromLatin1(theme.name)));
        }
    }
}

// Where the window has room for the designed heights (at the designed minimum,
// console shown or hidden) the panes keep them. In the content a 1024 × 600
// screen leaves under openbox (1022 × 517, the minimum bounded to it as on such a
// screen) nothing overlaps either.
TEST_F(ContentViewTest, PanesKeepTheirDesignedHeightsWhereThereIsRoom) {
    const QSize designed(MainWindow::minimumContentWidth, MainWindow::minimumContentHeight), small(1022, 517);
    struct Row {
        const char* what;
        QSize content;
        bool console;
    };
    const Row rows[] = {{"designed, console hidden", designed, false},
                        {"designed, console shown", designed, true},
                        {"small screen, console shown", small, true},
                        {"small screen, console hidden", small, false}};
    launch();
    app->show();
    MainWindow* window = app->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    addRowsAndJobs();
    ContentView* view = window->content();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        view->setMinimumSize(row.content);
        window->layout()->activate();  // the window's minimum follows
        window->resize(window->size() - view->size() + row.content);
        showConsole(view, row.console);
        settle(window);
        ASSERT_EQ(view->size(), row.content);
        expectNothingOverlaps(view);
        if (row.content != designed) continue;
        const QList<int> sizes = view->splitter()->sizes();
        EXPECT_EQ(view->splitter()->widget(0)->minimumHeight(), ContentView::sourcesMinimumHeight);
        EXPECT_EQ(view->splitter()->widget(1)->minimumHeight(), ContentView::queueMinimumHeight);
        EXPECT_GE(sizes[0], ContentView::sourcesMinimumHeight);
        EXPECT_GE(sizes[1], ContentView::queueMinimumHeight);
        EXPECT_EQ(drawer(view)->height(), row.console ? ContentView::consoleHeight : 0);
    }
}

// The least heights of the panes, from a split with room for the designed ones
// down to one with less than their headers.
TEST(ContentViewSplit, PanesGiveUpHeightDownToTheirHeaders) {
    const ContentView::PaneHeights headers{39, 91}, rows{50, 50};
    struct Case {
        int room;
        ContentView::PaneHeights least;
    };
    const Case cases[] = {
        {900, {220, 212}},  // as designed
        {432, {220, 212}},
        {431, {89, 141}},  // a header and a row each, the rest left to the divider
        {230, {89, 141}},
        {229, {89, 140}},  // each keeps its header and the same share of its row
        {180, {64, 116}},
        {131, {40, 91}},
        {130, {39, 91}},  // the headers
        {60, {39, 91}},   // never less
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.room);
        const ContentView::PaneHeights least = ContentView::paneMinimums(c.room, headers, rows);
        EXPECT_EQ(least.sources, c.least.sources);
        EXPECT_EQ(least.queue, c.least.queue);
    }
}
