#include "Vantrel/app/Termination.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <memory>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantrel {

namespace {

int wakeFds[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // The writing end never blocks: when it is full, the loop has a wake-up waiting anyway.
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[0], &byte, 1);
    errno = saved;
}

// Every window the user could see, the modal ones first (a box closes before the
// window it asks about), each asked once to close; one that stays is left as it is.
void closeEveryWindow() {
    QList<QPointer<QWidget>> asked;
    const auto close = [&asked](QWidget* window) {
        asked << window;
        window->close();
    };
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (asked.contains(modal)) break;
        close(modal);
    }
    QList<QPointer<QWidget>> windows;
    for (QWidget* window : QApplication::topLevelWidgets()) windows << window;
    for (const QPointer<QWidget>& window : std::as_const(windows)) {
        if (window && window->isVisible() && !asked.contains(window)) close(window);
    }
}

}  // namespace

void endOnTerminationSignals(std::function<void()> beforeEnd) {
    if (wakeFds[0] >= 0) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeFds) != 0) return;
    ::fcntl(wakeFds[0], F_SETFL, ::fcntl(wakeFds[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(wakeFds[1], F_SETFL, ::fcntl(wakeFds[1], F_GETFL) | O_NONBLOCK);
    QCoreApplication* app = QCoreApplication::instance();
    // Set once the end is under way, by a signal or by a quit leaving the event loop.
    auto ending = std::make_shared<bool>(false);
    QObject::connect(app, &QCoreApplication::aboutToQuit, app, [ending] { *ending = true; });
    auto* notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [ending, beforeEnd = std::move(beforeEnd)] {
        char bytes[64];
        while (::read(wakeFds[1], bytes, sizeof bytes) > 0) {
        }
        if (*ending) return;
        *ending = true;
        if (beforeEnd) beforeEnd();
        closeEveryWindow();
        // Not quit(): its Quit event is refused by a window that will not close.
        QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

}  // namespace vantrel
