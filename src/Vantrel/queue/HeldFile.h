#pragma once

// A file a run makes and holds with an advisory lock (flock) for as long as it
// uses it. The kernel lets go of a process's locks when the process ends, however
// it ends, so a file that nobody holds is in use by no live run, in this process
// or any other, and a clean-up may remove it; a held one stays. The lock belongs
// to the open file, not to its name: a tool that opens the file at its path (and
// truncates it) writes into the held file, and the hold goes with the file when
// it is renamed.

#include "Vantrel/queue/FileIdentity.h"

#include <QString>

#include <optional>

#include <sys/types.h>

namespace vantrel {

class HeldFile {
public:
    // A new, empty file at the path, held; never a file that was there before.
    // Nothing when none can be made: `error` then says why (EEXIST: the name is
    // taken, or was taken by a clean-up the moment the file was made). On a file
    // system that takes no locks the file is made all the same, unheld: no
    // clean-up can take a lock there either, so none removes it.
    static std::optional<HeldFile> create(const QString& path, mode_t mode, int* error = nullptr);
    // A new, empty file in the folder that has no name yet, held: nothing can find
    // it, and it goes with the process, however that ends, unless it is given a name
    // (takeName). Nothing where the file system makes no such files (`error`:
    // EOPNOTSUPP, EISDIR on an old kernel) or the folder cannot take one.
    static std::optional<HeldFile> createUnnamed(const QString& folder, mode_t mode, int* error = nullptr);
    // Gives a file without a name the path, held as before; never a name another
    // file has (EEXIST). 0 when it has it, else the errno.
    int takeName(const QString& path);
    // Lets go of the file; the file stays.
    ~HeldFile();
    HeldFile(HeldFile&& other) noexcept;
    HeldFile& operator=(HeldFile&& other) noexcept;
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    const QString& path() const { return path_; }  // empty while the file has no name
    int descriptor() const { return descriptor_; }
    std::optional<FileNode> node() const { return FileNode::ofOpen(descriptor_); }
    // Removes the file at its path while still holding it, so that no clean-up can
    // have taken the name in between, then lets go (a file without a name just goes).
    void remove();
    // Lets go of the file, which stays (under whatever name it has now).
    void release();

    // Removes the file at the path when it is a plain file of this user's that no
    // live run holds, and nothing else (never a link, a folder or a pipe); with
    // `only`, when it is that very file too (FileNode::isSameFile). On the calling
    // thread. Whether it removed it.
    static bool removeUnheld(const QString& path, const std::optional<FileNode>& only = std::nullopt);

private:
    HeldFile(QString path, int descriptor) : path_(std::move(path)), descriptor_(descriptor) {}

    QString path_;
    int descriptor_ = -1;
};

}  // namespace vantrel
