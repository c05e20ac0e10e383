// The window content: split minimums and divider kept, the console sliding in and kept.
#include "ShellTestSupport.h"
#include "Vantrel/app/MainWindow.h"
#include "Vantrel/views/ConsoleView.h"
#include "Vantrel/views/ContentView.h"
#include "Vantrel/views/FooterBar.h"

#include <QSignalSpy>
#include <QSplitter>

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
