#include "Vantrel/app/InstanceLock.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStandardPaths>

#include <cstdio>

namespace vantrel {

namespace {

const QString lockFileName = QStringLiteral("vantrel.lock");

// Platforms without a screen a person looks at: there the console line must do.
bool hasScreen() {
    const QString platform = QGuiApplication::platformName();
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && platform != QLatin1String("offscreen") &&
           platform != QLatin1String("minimal");
}

}  // namespace

InstanceLock::InstanceLock(const QString& path) : path_(path), file_(path) {
    // Held for the whole session, however long: only a process that is gone loses it.
    file_.setStaleLockTime(0);
}

QString InstanceLock::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Vantrel");
}

std::unique_ptr<InstanceLock> InstanceLock::tryLock(const QString& folder) {
    QDir().mkpath(folder);
    std::unique_ptr<InstanceLock> lock(new InstanceLock(QDir(folder).absoluteFilePath(lockFileName)));
    lock->file_.tryLock(0);
    return lock;
}

std::unique_ptr<InstanceLock> InstanceLock::acquire(const QString& folder) {
    auto lock = tryLock(folder);
    return lock->file_.isLocked() ? std::move(lock) : nullptr;
}

std::unique_ptr<QMessageBox> InstanceLock::alreadyRunningBox(const QString& message) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, QStringLiteral("Vantrel"), message, QMessageBox::Ok);
    box->setTextFormat(Qt::PlainText);
    return box;
}

std::unique_ptr<InstanceLock> InstanceLock::acquireOrTellUser(const QString& folder, const Teller& tell) {
    auto lock = tryLock(folder);
    if (lock->file_.isLocked()) return lock;
    if (lock->file_.error() != QLockFile::LockFailedError) {
        // A folder that cannot hold the lock cannot hold the queue either: that queue
        // lives in memory only, so there is nothing to guard.
        std::fprintf(stderr, "Vantrel: cannot write a lock file in %s; going on without one\n",
                     QFile::encodeName(folder).constData());
        return lock;
    }
    qint64 pid = 0;
    QString host, application;
    lock->file_.getLockInfo(&pid, &host, &application);
    const QString message = QStringLiteral("Vantrel is already running (process %1). "
                                           "Only one copy can work on the queue at a time.")
                                .arg(pid);
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    if (tell)
        tell(message);
    else if (hasScreen())
        alreadyRunningBox(message)->exec();
    return nullptr;
}

}  // namespace vantrel
