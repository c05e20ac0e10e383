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

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace shelltest {

using namespace vantrel;

inline void ensureGuiApplication() {
    testsupport::ensureWidgetApplication();
    VantrelApp::configureApplication();
}

// The colour a widget shows at a point, as its grab draws it.
inline QColor pixel(QWidget* widget, QPoint at) { return widget->grab().toImage().pixelColor(at); }

// Asks the window manager on the X server for a window's state as its title bar
// and pagers do (the EWMH _NET_WM_STATE request), and waits for it by round trips
// through it: the window manager answers a request once it has handled all that
// was asked of it before, the application's own moves and sizes included, and the
// application sees the answer after all that the window manager said before it.
class WindowManager : public QAbstractNativeEventFilter {
public:
    explicit WindowManager(QWidget* window)
        : window_(xcb_window_t(window->winId())), widget_(window),
          x_(qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection()),
          state_(atom("_NET_WM_STATE")), above_(atom("_NET_WM_STATE_ABOVE")) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~WindowManager() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    void maximise(bool on) { ask(on, atom("_NET_WM_STATE_MAXIMIZED_VERT"), atom("_NET_WM_STATE_MAXIMIZED_HORZ")); }

    // Round trips until one changes nothing on the window: then neither the window
    // manager nor the application has anything left to answer. Each one puts the
    // window above the others or back, so that its answer can be told apart.
    bool settle() {
        for (int round = 0; round < 12; ++round) {
            const QRect geometry = widget_->geometry();
            const Qt::WindowStates state = widget_->windowState();
            wantAbove_ = !wantAbove_;
            answered_ = false;
            ask(wantAbove_, above_);
            if (!QTest::qWaitFor([this] { return answered_; }, 10000)) break;
            // What the window system said before the answer, and what the window's
            // own handlers posted in turn.
            QWindowSystemInterface::flushWindowSystemEvents();
            QCoreApplication::sendPostedEvents();
            if (!wantAbove_ && widget_->geometry() == geometry && widget_->windowState() == state) return true;
        }
        ADD_FAILURE() << "the window manager and the window did not come to rest";
        return false;
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
        if (type == "xcb_generic_event_t" && (notify->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
            notify->window == window_ && notify->atom == state_ && isAbove() == wantAbove_)
            answered_ = true;
        return false;
    }

private:
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(x_, xcb_intern_atom(x_, 0, qstrlen(name), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    }

    void ask(bool add, xcb_atom_t first, xcb_atom_t second = XCB_ATOM_NONE) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window_;
        message.type = state_;
        message.data.data32[0] = add ? 1 : 0;
        message.data.data32[1] = first;
        message.data.data32[2] = second;
        message.data.data32[3] = 1;  // from an application
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x_)).data->root;
        xcb_send_event(x_, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(x_);
    }

    bool isAbove() {
        xcb_get_property_reply_t* reply =
            xcb_get_property_reply(x_, xcb_get_property(x_, 0, window_, state_, XCB_ATOM_ATOM, 0, 32), nullptr);
        if (!reply) return false;
        const auto* states = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        const auto* end = states + xcb_get_property_value_length(reply) / int(sizeof(xcb_atom_t));
        const bool above = std::find(states, end, above_) != end;
        std::free(reply);
        return above;
    }

    xcb_window_t window_;
    QWidget* widget_;
    xcb_connection_t* x_;
    xcb_atom_t state_, above_;
    bool wantAbove_ = false;
    bool answered_ = false;
};

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
