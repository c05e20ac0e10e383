#pragma once

// Shared set-up of the application-shell tests: a widget application, and an
// application whose settings, queue and icons live in the test's own folder,
// with no session bus and tools looked up only where the test says.

#include "GalleryPictures.h"
#include "HelpMenu/HelpWindowController.h"
#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/app/MainWindow.h"
#include "Vantrel/app/VantrelApp.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <memory>

namespace shelltest {

using namespace vantrel;

inline void ensureGuiApplication() {
    testsupport::ensureWidgetApplication();
    VantrelApp::configureApplication();
}

// The colour a widget shows at a point, as its grab draws it.
inline QColor pixel(QWidget* widget, QPoint at) { return widget->grab().toImage().pixelColor(at); }

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureGuiApplication();
        folder = testsupport::makeTestFolder(QStringLiteral("shell"));
        settings = std::make_unique<QSettings>(pathOf(QStringLiteral("settings.ini")), QSettings::IniFormat);
    }

    void TearDown() override {
        app.reset();
        // The application registered its help with the process-wide help window.
        helpmenu::HelpWindowController::reset();
        settings.reset();
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    QString pathOf(const QString& relative) const { return folder + QLatin1Char('/') + relative; }

    // Whether the tests run on an X server with a window manager (the test command
    // runs the real-window tests under Xvfb and openbox).
    static bool underAWindowManager() {
        return QGuiApplication::platformName() == QStringLiteral("xcb") &&
               qEnvironmentVariableIsSet("VANTREL_WINDOW_MANAGER");
    }
    // A window with the frame the window manager draws around it.
    static QRect framed(const QWidget* window) {
        return window->geometry().marginsAdded(window->windowHandle()->frameMargins());
    }
    // Waits until the window manager has framed the window.
    static bool waitFramed(const QWidget* window) {
        return QTest::qWaitFor([window] { return window->windowHandle() && !window->windowHandle()->frameMargins().isNull(); },
                               10000);
    }
    // Waits until the whole framed window lies within its screen's available area.
    static bool waitWithinTheScreen(const QWidget* window) {
        return QTest::qWaitFor([window] { return window->screen()->availableGeometry().contains(framed(window)); }, 5000);
    }
    // A fresh application's main window, shown, framed by the window manager and
    // within the screen; null, after a failure, when it is not.
    MainWindow* launchFramed() {
        launch();
        app->show();
        MainWindow* window = app->window();
        if (!QTest::qWaitForWindowExposed(window)) ADD_FAILURE() << "the window was not shown";
        else if (!waitFramed(window)) ADD_FAILURE() << "no window manager framed the window";
        else if (!waitWithinTheScreen(window)) ADD_FAILURE() << framed(window) << " past the screen's area";
        else return window;
        return nullptr;
    }

    VantrelApp::Options options() const {
        VantrelApp::Options o;
        o.settings = settings.get();
        o.queueFolder = pathOf(QStringLiteral("queue"));
        o.resolver = BundledToolResolver({pathOf(QStringLiteral("helpers")), {pathOf(QStringLiteral("bin"))}});
        o.bus = std::nullopt;
        o.feed = QUrl();
        return o;
    }

    // A fresh application over the same settings and queue folder, like a relaunch.
    VantrelApp& launch(VantrelApp::Options o) {
        app.reset();
        app = std::make_unique<VantrelApp>(std::move(o));
        return *app;
    }
    VantrelApp& launch() { return launch(options()); }

    QString folder;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<VantrelApp> app;
};

}  // namespace shelltest
