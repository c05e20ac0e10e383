#include "Vantrel/app/Termination.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <utility>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantrel {

namespace {

constexpr int caught[] = {SIGTERM, SIGINT};

int wakeFds[2] = {-1, -1};
volatile std::sig_atomic_t signalled = 0;

void onSignal(int) {
    const int saved = errno;
    signalled = 1;
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

struct TerminationSignals::State {
    std::function<void()> beforeEnd;
    bool ending = false;  // by a signal, or by a quit leaving the event loop
    bool installed = false;
    QMetaObject::Connection quitting;
    struct sigaction previous[std::size(caught)] = {};
};

TerminationSignals::TerminationSignals() : state_(std::make_shared<State>()) {
    if (wakeFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeFds) != 0) return;
    ::fcntl(wakeFds[0], F_SETFL, ::fcntl(wakeFds[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(wakeFds[1], F_SETFL, ::fcntl(wakeFds[1], F_GETFL) | O_NONBLOCK);
    signalled = 0;
    QCoreApplication* app = QCoreApplication::instance();
    const std::weak_ptr<State> weak = state_;
    state_->quitting = QObject::connect(app, &QCoreApplication::aboutToQuit, app, [weak] {
        if (const auto state = weak.lock()) state->ending = true;
    });
    notifier_ = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, app);
    QObject::connect(notifier_, &QSocketNotifier::activated, notifier_, [state = state_] {
        char bytes[64];
        while (::read(wakeFds[1], bytes, sizeof bytes) > 0) {
        }
        if (state->ending) return;
        state->ending = true;
        if (state->beforeEnd) state->beforeEnd();
        closeEveryWindow();
        // Not quit(): its Quit event is refused by a window that will not close. This
        // leaves every loop that runs, a box's included.
        QCoreApplication::exit(0);
    });
    // The handler stays after the first signal: a second one, while the end is under
    // way, must not end the process by the signal's default.
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(caught); ++i) ::sigaction(caught[i], &action, &state_->previous[i]);
    state_->installed = true;
}

TerminationSignals::~TerminationSignals() {
    if (!state_->installed) return;
    for (size_t i = 0; i < std::size(caught); ++i) ::sigaction(caught[i], &state_->previous[i], nullptr);
    QObject::disconnect(state_->quitting);
    delete notifier_;
    for (int& fd : wakeFds) ::close(std::exchange(fd, -1));
}

void TerminationSignals::setBeforeEnd(std::function<void()> beforeEnd) { state_->beforeEnd = std::move(beforeEnd); }

bool TerminationSignals::received() { return signalled != 0; }

}  // namespace vantrel
