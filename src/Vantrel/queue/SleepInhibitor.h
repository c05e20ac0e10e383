#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QPointer>
#include <QString>

namespace vantrel {

// Keeps the machine from idling to sleep while held.
class SleepInhibitor {
public:
    virtual ~SleepInhibitor() = default;
    // Takes the lock, or asks for it without waiting; true when it is now held or
    // asked for. Failing is not an error for callers.
    virtual bool acquire(const QString& reason) = 0;
    // Gives the lock back (or the request, whose answer is then dropped);
    // harmless when it is not held.
    virtual void release() = 0;
};

// An "idle" inhibitor lock of systemd-logind, taken over the system D-Bus and held
// for as long as the returned file descriptor stays open. The request is sent
// without waiting for the answer, which arrives later on the calling thread's
// event loop. Without a bus or logind the lock is not taken; that is logged once
// per process.
class LogindSleepInhibitor final : public SleepInhibitor {
public:
    LogindSleepInhibitor();
    // Asks `service` on `bus` instead (the same object path and interface).
    LogindSleepInhibitor(const QDBusConnection& bus, const QString& service);
    ~LogindSleepInhibitor() override;

    bool acquire(const QString& reason) override;
    void release() override;

    // Whether logind's answer has arrived and the lock is held now.
    bool isHeld() const { return lock_.isValid(); }

private:
    QDBusConnection bus_;
    QString service_;
    QDBusUnixFileDescriptor lock_;
    // Receives the answer of the request in flight; gone once it is answered or
    // given back.
    QPointer<QObject> pending_;
};

}  // namespace vantrel
