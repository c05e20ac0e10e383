#include "Vantrel/queue/DurableFile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Flushes Qt's buffer and the kernel's, then checks that the file holds every byte.
// A write to a full disk is often only refused here: the buffered write succeeded.
std::optional<QString> settle(QSaveFile& file, qint64 expectedSize) {
    if (!file.flush()) return file.errorString();
    const int fd = file.handle();
    if (fd < 0) return QStringLiteral("The file is not open");
    if (::fsync(fd) != 0) return systemError(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0) return systemError(errno);
    if (qint64(info.st_size) != expectedSize)
        return QStringLiteral("Only %1 of %2 bytes were written").arg(qint64(info.st_size)).arg(expectedSize);
    return std::nullopt;
}

}  // namespace

void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::optional<QString> replaceFileContents(const QString& path, const QByteArray& data, const FileByteWriter& writer) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    const bool written = writer ? writer(file, data) : file.write(data) == data.size();
    std::optional<QString> failure;
    if (!written) {
        failure = file.errorString();
        if (failure->isEmpty() || file.error() == QFileDevice::NoError) failure = QStringLiteral("Write failed");
    } else {
        failure = settle(file, data.size());
    }
    if (failure) return failure;  // the temporary file goes with `file`; the previous one stays
    if (!file.commit()) return file.errorString();
    syncFolder(QFileInfo(path).absolutePath());
    return std::nullopt;
}

}  // namespace vantrel
