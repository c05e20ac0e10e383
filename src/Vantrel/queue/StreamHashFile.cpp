#include "Vantrel/queue/StreamHashFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUuid>

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

std::optional<StreamHashFile> StreamHashFile::create(const QString& folder) {
    // A sweep elsewhere may take a file made a moment ago, not yet locked, for a
    // leftover and remove it; the next name is tried then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QString path = QDir(folder).absoluteFilePath(
            QStringLiteral("vantrel-streamhash-%1.txt").arg(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()));
        const QByteArray name = QFile::encodeName(path);
        const int descriptor = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (descriptor < 0) {
            if (errno == EEXIST) continue;
            return std::nullopt;
        }
        const int lockError = ::flock(descriptor, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
        // Where the file system takes no locks, no sweep can take one either, and
        // the file is left alone.
        if (lockError != EWOULDBLOCK && (lockError != 0 || pathNamesFile(name, descriptor))) {
            return StreamHashFile(path, descriptor);
        }
        // Held by a sweep, or already gone: the sweep removes it.
        ::close(descriptor);
    }
    return std::nullopt;
}

StreamHashFile::~StreamHashFile() { release(); }

StreamHashFile::StreamHashFile(StreamHashFile&& other) noexcept
    : path_(std::exchange(other.path_, QString())), descriptor_(std::exchange(other.descriptor_, -1)) {}

StreamHashFile& StreamHashFile::operator=(StreamHashFile&& other) noexcept {
    if (this != &other) {
        release();
        path_ = std::exchange(other.path_, QString());
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

void StreamHashFile::release() {
    if (descriptor_ < 0) return;
    // Removed while still held, so no sweep can have taken the name in between.
    ::unlink(QFile::encodeName(path_).constData());
    ::close(std::exchange(descriptor_, -1));
}

std::optional<QByteArray> StreamHashFile::readAll() const {
    if (descriptor_ < 0) return std::nullopt;
    QByteArray bytes;
    char buffer[16 * 1024];
    for (off_t offset = 0;;) {
        const ssize_t count = ::pread(descriptor_, buffer, sizeof buffer, offset);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return std::nullopt;
        if (count == 0) return bytes;
        bytes.append(buffer, count);
        offset += count;
    }
}

bool StreamHashFile::isHashFileName(const QString& name) {
    static const QRegularExpression naming(
        QStringLiteral("^vantrel-streamhash-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.txt$"));
    return naming.match(name).hasMatch();
}

QStringList StreamHashFile::sweep(const QString& folder) {
    QStringList removed;
    const QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("vantrel-streamhash-*.txt")},
                                            QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& name : names) {
        if (!isHashFileName(name)) continue;
        const QString path = dir.absoluteFilePath(name);
        const QByteArray encoded = QFile::encodeName(path);
        // Never follows a link, never waits on a pipe.
        const int descriptor = ::open(encoded.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0) continue;
        struct stat held {};
        // Only plain files of this user's, and only those no live run holds. With the
        // lock taken, the file is removed only if the name is still that file's.
        if (::fstat(descriptor, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
            ::flock(descriptor, LOCK_EX | LOCK_NB) == 0 && pathNamesFile(encoded, descriptor) &&
            ::unlink(encoded.constData()) == 0) {
            removed << path;
        }
        ::close(descriptor);
    }
    return removed;
}

}  // namespace vantrel
