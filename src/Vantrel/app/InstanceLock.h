#pragma once

// One Vantrel per data folder: the running application holds a lock file in the
// folder that keeps the queue, so a second copy never restores, runs or saves the
// same jobs. A lock left behind by a process that is gone is taken over.

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
    // process holds it or the lock cannot be written.
    static std::unique_ptr<InstanceLock> acquire(const QString& folder = defaultFolder());

    // Tells the user that another copy is running; gets the whole sentence.
    using Teller = std::function<void(const QString& message)>;

    // As acquire; when another Vantrel holds the lock, tells the user so (always a
    // line on standard error, then `tell`; none shows the message box where there
    // is a screen) and gives nothing: the caller then exits with a non-zero status.
    // A folder where no lock can be written (so no queue either) gives a lock that
    // holds nothing, with a warning. Needs the application object; the box takes
    // the application's palette, so the appearance is best applied first.
    static std::unique_ptr<InstanceLock> acquireOrTellUser(const QString& folder = defaultFolder(),
                                                           const Teller& tell = {});

    // The warning box that says so, not yet shown.
    static std::unique_ptr<QMessageBox> alreadyRunningBox(const QString& message);

    const QString& path() const { return path_; }

private:
    explicit InstanceLock(const QString& path);
    // The lock object of the folder after one attempt to take it.
    static std::unique_ptr<InstanceLock> tryLock(const QString& folder);
    QString path_;
    QLockFile file_;
};

}  // namespace vantrel
