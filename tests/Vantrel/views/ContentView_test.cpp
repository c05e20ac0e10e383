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
};

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
