#include "Vantrel/queue/SleepInhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>

#include <atomic>

namespace vantrel {

namespace {
Q_LOGGING_CATEGORY(lcSleep, "vantrel.SleepInhibitor")

const QString logindService = QStringLiteral("org.freedesktop.login1");

std::atomic_bool unavailableLogged{false};

void logUnavailableOnce(const QString& why) {
    if (!unavailableLogged.exchange(true)) {
        qCInfo(lcSleep).noquote() << "Idle sleep cannot be held off:" << why << "— carrying on without it";
    }
}
}  // namespace

LogindSleepInhibitor::LogindSleepInhibitor() : LogindSleepInhibitor(QDBusConnection::systemBus(), logindService) {}

LogindSleepInhibitor::LogindSleepInhibitor(const QDBusConnection& bus, const QString& service)
    : bus_(bus), service_(service) {}

LogindSleepInhibitor::~LogindSleepInhibitor() { release(); }

bool LogindSleepInhibitor::acquire(const QString& reason) {
    if (lock_.isValid() || pending_) return true;
    if (!bus_.isConnected()) {
        logUnavailableOnce(QStringLiteral("no system bus"));
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service_, QStringLiteral("/org/freedesktop/login1"),
                                                       QStringLiteral("org.freedesktop.login1.Manager"),
                                                       QStringLiteral("Inhibit"));
    call << QStringLiteral("idle") << QStringLiteral("Vantrel") << reason << QStringLiteral("block");
    // Never waits: the answer comes through the watcher. A watcher deleted
    // before it (release, or this object gone) drops the answer, and with it the
    // descriptor, which ends the lock at once.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, 3000));
    pending_ = watcher;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [this, watcher] {
        watcher->deleteLater();
        pending_ = nullptr;
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
        if (reply.isError() || !reply.value().isValid()) {
            logUnavailableOnce(reply.error().message());
            return;
        }
        lock_ = reply.value();
    });
    return true;
}

void LogindSleepInhibitor::release() {
    delete pending_.data();
    // Closing our copy of the descriptor ends the lock.
    lock_ = QDBusUnixFileDescriptor();
}

}  // namespace vantrel
