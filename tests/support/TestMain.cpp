// The main function of the test programs that use Qt. The program makes its one
// application object before the first test and keeps it to the end, so that every
// test finds the same kind of application whatever ran before it, and a test may
// run alone, whole or shuffled. A test that needs an application of its own (one
// that goes away, say) runs in a child process.
//
// After each test, the process-wide settings a test may change (the default
// locale, the working folder) must be as they were: a test that leaves them
// changed fails, and they are put back, so that the tests after it are not
// affected.

#include "TestMedia.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLocale>

#if VANTREL_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

namespace {

class ProcessStateGuard : public ::testing::EmptyTestEventListener {
public:
    ProcessStateGuard() : locale_(QLocale()), folder_(QDir::currentPath()) {}

    void OnTestEnd(const ::testing::TestInfo&) override {
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
    const QLocale locale_;
    const QString folder_;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    testsupport::isolateUserFolders();
    // The application keeps a reference to its argument count; it lives as long as
    // the process, as does the application (static objects of the tests may still
    // use it when main returns).
    static int count = argc;
    new TestApplication(count, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ProcessStateGuard);
    return RUN_ALL_TESTS();
}
