#include "Vantrel/queue/HeldFile.h"

#include <QFile>

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

// Whether the path still names the file open at the descriptor.
bool pathNamesFile(const QByteArray& path, int descriptor) {
    struct stat open {};
    struct stat named {};
    return ::fstat(descriptor, &open) == 0 && ::lstat(path.constData(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

}  // namespace

std::optional<HeldFile> HeldFile::create(const QString& path, mode_t mode, int* error) {
    const QByteArray name = QFile::encodeName(path);
    const int descriptor = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (descriptor < 0) {
        if (error) *error = errno;
        return std::nullopt;
    }
    const int lockError = ::flock(descriptor, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
    // A clean-up may take a file made a moment ago, not yet locked, for a leftover:
    // it holds the file now, or has removed it already.
    if (lockError == EWOULDBLOCK || (lockError == 0 && !pathNamesFile(name, descriptor))) {
        ::close(descriptor);
        if (error) *error = EEXIST;
        return std::nullopt;
    }
    if (error) *error = 0;
    return HeldFile(path, descriptor);
}

std::optional<HeldFile> HeldFile::createUnnamed(const QString& folder, mode_t mode, int* error) {
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    if (descriptor < 0) {
        if (error) *error = errno;
        return std::nullopt;
    }
    // Nobody else can reach the file before it has a name: the lock is ours.
    ::flock(descriptor, LOCK_EX | LOCK_NB);
    if (error) *error = 0;
    return HeldFile(QString(), descriptor);
}

int HeldFile::takeName(const QString& path) {
    if (descriptor_ < 0) return EBADF;
    // A link refuses a name that is taken; the lock goes with the file.
    const QByteArray open = QByteArray("/proc/self/fd/") + QByteArray::number(descriptor_);
    if (::linkat(AT_FDCWD, open.constData(), AT_FDCWD, QFile::encodeName(path).constData(), AT_SYMLINK_FOLLOW) != 0) {
        return errno;
    }
    path_ = path;
    return 0;
}

HeldFile::~HeldFile() { release(); }

HeldFile::HeldFile(HeldFile&& other) noexcept
    : path_(std::exchange(other.path_, QString())), descriptor_(std::exchange(other.descriptor_, -1)) {}

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
    if (this != &other) {
        release();
        path_ = std::exchange(other.path_, QString());
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

void HeldFile::remove() {
    if (descriptor_ < 0) return;
    if (!path_.isEmpty()) ::unlink(QFile::encodeName(path_).constData());
    release();
}

void HeldFile::release() {
    if (descriptor_ >= 0) ::close(std::exchange(descriptor_, -1));
}

bool HeldFile::removeUnheld(const QString& path, const std::optional<FileNode>& only) {
    const QByteArray encoded = QFile::encodeName(path);
    // Never follows a link, never waits on a pipe.
    const int descriptor = ::open(encoded.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return false;
    struct stat held {};
    // With the lock taken, the file is removed only if the name is still that file's.
    const bool removed = ::fstat(descriptor, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
                         (!only || only->isSameFile(FileNode{quint64(held.st_dev), quint64(held.st_ino)})) &&
                         ::flock(descriptor, LOCK_EX | LOCK_NB) == 0 && pathNamesFile(encoded, descriptor) &&
                         ::unlink(encoded.constData()) == 0;
    ::close(descriptor);
    return removed;
}

}  // namespace vantrel
