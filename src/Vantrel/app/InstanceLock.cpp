#include "Vantrel/app/InstanceLock.h"

#include <QDir>
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

std::unique_ptr<InstanceLock> InstanceLock::acquire(const QString& folder) {
    if (!QDir().mkpath(folder)) return nullptr;
    std::unique_ptr<InstanceLock> lock(new InstanceLock(QDir(folder).absoluteFilePath(lockFileName)));
    if (!lock->file_.tryLock(0)) return nullptr;
    return lock;
}

std::unique_ptr<InstanceLock> InstanceLock::acquireOrTellUser(const QString& folder) {
    if (auto lock = acquire(folder)) return lock;
    QLockFile probe(QDir(folder).absoluteFilePath(lockFileName));
    qint64 pid = 0;
    QString host, application;
    const bool held = probe.getLockInfo(&pid, &host, &application);
    const QString message = held ? QStringLiteral("Vantrel is already running (process %1). "
                                                  "Only one copy can work on the queue at a time.")
                                       .arg(pid)
                                 : QStringLiteral("Vantrel could not lock its data folder %1.").arg(folder);
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    if (hasScreen()) QMessageBox::warning(nullptr, QStringLiteral("Vantrel"), message);
    return nullptr;
}

}  // namespace vantrel
