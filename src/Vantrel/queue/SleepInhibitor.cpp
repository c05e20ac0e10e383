#include "Vantrel/queue/SleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QLoggingCategory>

#include <atomic>

namespace vantrel {

namespace {
Q_LOGGING_CATEGORY(lcSleep, "vantrel.SleepInhibitor")

std::atomic_bool unavailableLogged{false};

void logUnavailableOnce(const QString& why) {
    if (!unavailableLogged.exchange(true)) {
        qCInfo(lcSleep).noquote() << "Idle sleep cannot be held off:" << why << "— carrying on without it";
    }
}
}  // namespace

bool LogindSleepInhibitor::acquire(const QString& reason) {
    if (lock_.isValid()) return true;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        logUnavailableOnce(QStringLiteral("no system bus"));
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("idle") << QStringLiteral("Vantrel") << reason << QStringLiteral("block");
    const QDBusReply<QDBusUnixFileDescriptor> reply = bus.call(call, QDBus::Block, 3000);
    if (!reply.isValid() || !reply.value().isValid()) {
        logUnavailableOnce(reply.error().message());
        return false;
    }
    lock_ = reply.value();
    return true;
}

void LogindSleepInhibitor::release() {
    // Closing our copy of the descriptor ends the lock.
    lock_ = QDBusUnixFileDescriptor();
}

}  // namespace vantrel
