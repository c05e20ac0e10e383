#pragma once

#include <QDBusUnixFileDescriptor>
#include <QString>

namespace vantrel {

// Keeps the machine from idling to sleep while held.
class SleepInhibitor {
public:
    virtual ~SleepInhibitor() = default;
    // Takes the lock; true when it is now held. Failing is not an error for callers.
    virtual bool acquire(const QString& reason) = 0;
    // Gives the lock back; harmless when it is not held.
    virtual void release() = 0;
};

// An "idle" inhibitor lock of systemd-logind, taken over the system D-Bus and held
// for as long as the returned file descriptor stays open. Without a system bus or
// logind the lock is not taken; that is logged once per process.
class LogindSleepInhibitor final : public SleepInhibitor {
public:
    bool acquire(const QString& reason) override;
    void release() override;

private:
    QDBusUnixFileDescriptor lock_;
};

}  // namespace vantrel
