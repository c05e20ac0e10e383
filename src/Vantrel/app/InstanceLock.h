#pragma once

// One Vantrel per data folder: the running application holds a kernel lock on the
// folder that keeps the queue, so a second copy never restores, runs or saves the
// same jobs. Holding it takes no space, so a full disk does not let a second copy
// in. Beside it a lock file names the holder's process for the second copy to tell
// the user; one left behind by a process that is gone is taken over.

#include <QLockFile>
#include <QString>

#include <functional>
#include <memory>

class QMessageBox;

namespace vantrel {

class InstanceLock {
public:
    // "Vantrel" in the user's data folder: where the queue file lives.
    static QString defaultFolder();

    // Takes the lock of the folder (made when missing). Nothing when another living
    // process holds it, or no lock at all can be taken there.
    static std::unique_ptr<InstanceLock> acquire(const QString& folder = defaultFolder());

    // Tells the user that another copy is running; gets the whole sentence.
    using Teller = std::function<void(const QString& message)>;

    // As acquire; when another Vantrel holds the lock, tells the user so (always a
    // line on standard error, then `tell`; none shows the message box where there
    // is a screen) and gives nothing: the caller then exits with a non-zero status.
    // A folder that cannot be made or locked at all (so no queue either) gives a
    // lock that holds nothing, with a warning. Needs the application object; the
    // box takes the application's palette, so the appearance is best applied first.
    static std::unique_ptr<InstanceLock> acquireOrTellUser(const QString& folder = defaultFolder(),
                                                           const Teller& tell = {});

    // The warning box that says so, not yet shown.
    static std::unique_ptr<QMessageBox> alreadyRunningBox(const QString& message);

    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    const QString& path() const { return path_; }

    // The process that holds the folder's lock, as the kernel lists it; 0 when none does.
    static qint64 holderOf(const QString& folder);

private:
    // How the kernel lock on the folder went.
    enum class Folder { held, heldElsewhere, unlockable };

    InstanceLock(const QString& folder, const QString& path);
    // The lock object of the folder after one attempt to take it.
    static std::unique_ptr<InstanceLock> tryLock(const QString& folder);
    // Whether another process holds the folder or the lock file.
    bool heldElsewhere() const;
    // Whether this one holds anything.
    bool holds() const { return folderState_ == Folder::held || file_.isLocked(); }
    // The process that holds the folder, else the one the lock file names; 0 when
    // it cannot be told.
    qint64 holder() const;

    QString folder_;
    QString path_;
    int folderDescriptor_ = -1;
    Folder folderState_ = Folder::unlockable;
    QLockFile file_;
};

}  // namespace vantrel
