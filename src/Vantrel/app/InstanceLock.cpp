#include "Vantrel/app/InstanceLock.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStandardPaths>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

const QString lockFileName = QStringLiteral("vantrel.lock");

// Platforms without a screen a person looks at: there the console line must do.
bool hasScreen() {
    const QString platform = QGuiApplication::platformName();
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && platform != QLatin1String("offscreen") &&
           platform != QLatin1String("minimal");
}

// The process holding a whole-file lock on the file with this inode, as the
// kernel's table of locks lists it ("1: FLOCK  ADVISORY  WRITE 4242 fd:01:1234 0 EOF");
// 0 when none is listed.
qint64 flockHolder(quint64 inode) {
    QFile table(QStringLiteral("/proc/locks"));
    if (!table.open(QIODevice::ReadOnly)) return 0;
    const QByteArray suffix = ':' + QByteArray::number(inode);
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // Waiters are listed with "->" and do not hold the lock.
        if (fields.size() < 6 || fields.at(1) != "FLOCK" || !fields.at(5).endsWith(suffix)) continue;
        bool ok = false;
        const qint64 pid = fields.at(4).toLongLong(&ok);
        if (ok && pid > 0) return pid;
    }
    return 0;
}

}  // namespace

InstanceLock::InstanceLock(const QString& folder, const QString& path) : folder_(folder), path_(path), file_(path) {
    // Held for the whole session, however long: only a process that is gone loses it.
    file_.setStaleLockTime(0);
}

InstanceLock::~InstanceLock() {
    if (folderDescriptor_ >= 0) ::close(folderDescriptor_);
}

QString InstanceLock::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Vantrel");
}

std::unique_ptr<InstanceLock> InstanceLock::tryLock(const QString& folder) {
    QDir().mkpath(folder);
    std::unique_ptr<InstanceLock> lock(new InstanceLock(folder, QDir(folder).absoluteFilePath(lockFileName)));
    // The folder itself is locked: that needs no space on its disk. The descriptor is
    // not handed to the tools the application starts, which would hold it too.
    lock->folderDescriptor_ = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock->folderDescriptor_ >= 0) {
        if (::flock(lock->folderDescriptor_, LOCK_EX | LOCK_NB) == 0) lock->folderState_ = Folder::held;
        else if (errno == EWOULDBLOCK) lock->folderState_ = Folder::heldElsewhere;
    }
    // The lock file names this process for a second copy to tell; where the disk is
    // full it cannot be written, and the folder's lock holds all the same.
    if (lock->folderState_ != Folder::heldElsewhere) lock->file_.tryLock(0);
    return lock;
}

bool InstanceLock::heldElsewhere() const {
    if (folderState_ == Folder::heldElsewhere) return true;
    if (file_.error() != QLockFile::LockFailedError) return false;
    if (folderState_ != Folder::held) return true;
    // With the folder held, the lock file is another's only while the process it names
    // lives (a copy that locks no folder): one left by a killed copy is refused as not
    // stale when the disk is too full to take it over.
    qint64 pid = 0;
    QString host, application;
    if (!file_.getLockInfo(&pid, &host, &application)) return false;
    if (host != QSysInfo::machineHostName()) return true;
    return pid > 0 && pid != ::getpid() && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

qint64 InstanceLock::holderOf(const QString& folder) {
    struct stat facts {};
    return ::stat(QFile::encodeName(folder).constData(), &facts) == 0 ? flockHolder(quint64(facts.st_ino)) : 0;
}

qint64 InstanceLock::holder() const {
    if (const qint64 pid = holderOf(folder_)) return pid;
    qint64 pid = 0;
    QString host, application;
    return file_.getLockInfo(&pid, &host, &application) ? pid : 0;
}

std::unique_ptr<InstanceLock> InstanceLock::acquire(const QString& folder) {
    auto lock = tryLock(folder);
    return !lock->heldElsewhere() && lock->holds() ? std::move(lock) : nullptr;
}

std::unique_ptr<QMessageBox> InstanceLock::alreadyRunningBox(const QString& message) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, QStringLiteral("Vantrel"), message, QMessageBox::Ok);
    box->setTextFormat(Qt::PlainText);
    return box;
}

std::unique_ptr<InstanceLock> InstanceLock::acquireOrTellUser(const QString& folder, const Teller& tell) {
    auto lock = tryLock(folder);
    if (!lock->heldElsewhere()) {
        if (!lock->holds()) {
            // A folder that can be neither made nor locked cannot hold the queue either:
            // that queue lives in memory only, so there is nothing to guard.
            std::fprintf(stderr, "Vantrel: cannot write a lock file in %s; going on without one\n",
                         QFile::encodeName(folder).constData());
        }
        return lock;
    }
    const qint64 pid = lock->holder();
    const QString message = pid > 0 ? QStringLiteral("Vantrel is already running (process %1). "
                                                     "Only one copy can work on the queue at a time.")
                                          .arg(pid)
                                    : QStringLiteral("Vantrel is already running. "
                                                     "Only one copy can work on the queue at a time.");
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    if (tell)
        tell(message);
    else if (hasScreen())
        alreadyRunningBox(message)->exec();
    return nullptr;
}

}  // namespace vantrel
