// The main function of the test programs that use Qt. The program makes its one
// application object before the first test and keeps it to the end, so that every
// test finds the same kind of application whatever ran before it, and a test may
// run alone, whole or shuffled. A test that needs an application of its own (one
// that goes away, say) runs in a child process.
//
// After each test, what a test may change for the whole process must be as it
// was: no window of the test's left, the default locale and the working folder
// as before. A test that leaves them otherwise fails, and they are put back, so
// that the tests after it are not affected.

#include "TestMedia.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLocale>
#include <QThreadPool>

#if VANTREL_TEST_WIDGETS
#include <QApplication>
#include <QPointer>
#include <QWidget>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

namespace {

class ProcessStateGuard : public ::testing::EmptyTestEventListener {
public:
    ProcessStateGuard() : locale_(QLocale()), folder_(QDir::currentPath()) {}

#if VANTREL_TEST_WIDGETS
    void OnTestStart(const ::testing::TestInfo&) override { windows_ = QApplication::topLevelWidgets(); }
#endif

    void OnTestEnd(const ::testing::TestInfo&) override {
#if VANTREL_TEST_WIDGETS
        // What the test let go with deleteLater goes now, not during a later test;
        // a window it made and left is still there.
        if (QCoreApplication::instance()) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QList<QPointer<QWidget>> left;
            for (QWidget* window : QApplication::topLevelWidgets())
                if (!window->parentWidget() && !windows_.contains(window)) left << window;
            for (const QPointer<QWidget>& window : left) {
                if (!window) continue;
                ADD_FAILURE() << "the test left a window: " << window->metaObject()->className() << " \""
                              << window->objectName().toStdString() << '"';
                delete window.data();
            }
        }
#endif
        if (QLocale() != locale_) {
            ADD_FAILURE() << "the test left the default locale at " << QLocale().name().toStdString();
            QLocale::setDefault(locale_);
        }
        if (QDir::currentPath() != folder_) {
            ADD_FAILURE() << "the test left the working folder at " << QDir::currentPath().toStdString();
            QDir::setCurrent(folder_);
        }
    }

private:
#if VANTREL_TEST_WIDGETS
    QWidgetList windows_;
#endif
    const QLocale locale_;
    const QString folder_;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no application (nor a display).
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    testsupport::isolateUserFolders();
    // The application keeps a reference to its argument count; it lives as long as
    // the process, as does the application (static objects of the tests may still
    // use it when main returns).
    static int count = argc;
    new TestApplication(count, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ProcessStateGuard);
    const int result = RUN_ALL_TESTS();
    // As the application's destructor would (unless a test let it go): work a test
    // left on the shared thread pool ends before the process's static objects go
    // (a test may well end while the work it no longer waits for is still running).
    if (QCoreApplication::instance()) QThreadPool::globalInstance()->waitForDone();
    return result;
}
