#include "Vantrel/queue/Bookmarks.h"

#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <QMutex>

#include <sys/stat.h>

namespace vantrel {

namespace {

constexpr quint32 bookmarkMagic = 0x56544b42;  // "VTKB"
constexpr quint8 bookmarkVersion = 1;

struct Identity {
    quint64 device = 0;
    quint64 inode = 0;
    bool isDirectory = false;
    qint64 size = 0;
    qint64 modifiedNs = 0;

    // A renamed file keeps its inode, size and modification time; checking all
    // of them keeps a deleted file's recycled inode from matching a new file.
    bool sameItem(const Identity& other) const {
        if (device != other.device || inode != other.inode || isDirectory != other.isDirectory) return false;
        return isDirectory || (size == other.size && modifiedNs == other.modifiedNs);
    }
};

std::optional<Identity> identityOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return std::nullopt;
    Identity identity;
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    identity.isDirectory = S_ISDIR(info.st_mode);
    identity.size = info.st_size;
    identity.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return identity;
}

QMutex accessMutex;
QHash<QString, int> accessCounts;

}  // namespace

std::optional<QByteArray> makeBookmark(const QString& path) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const auto identity = identityOf(absolute);
    if (!identity) return std::nullopt;
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << bookmarkMagic << bookmarkVersion << absolute << identity->device << identity->inode
        << identity->isDirectory << identity->size << identity->modifiedNs;
    return data;
}

std::optional<BookmarkResolution> resolveBookmark(const QByteArray& data) {
    QDataStream in(data);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    quint8 version = 0;
    in >> magic >> version;
    if (in.status() != QDataStream::Ok || magic != bookmarkMagic || version != bookmarkVersion) return std::nullopt;
    QString path;
    Identity recorded;
    in >> path >> recorded.device >> recorded.inode >> recorded.isDirectory >> recorded.size >> recorded.modifiedNs;
    if (in.status() != QDataStream::Ok || !in.atEnd() || !QDir::isAbsolutePath(path)) return std::nullopt;

    if (const auto current = identityOf(path)) {
        // Something is at the recorded path: that is the item, though it may have
        // been replaced since, in which case the bookmark is renewed.
        return BookmarkResolution{path, !current->sameItem(recorded)};
    }

    // Gone from its path: look for the same item under another name in its folder.
    const QString folder = QFileInfo(path).absolutePath();
    QDirIterator entries(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        const QString candidate = entries.next();
        const auto identity = identityOf(candidate);
        if (identity && identity->sameItem(recorded)) return BookmarkResolution{candidate, true};
    }
    return std::nullopt;
}

bool startAccessingSecurityScopedResource(const QString& path) {
    if (!QFileInfo::exists(path)) return false;
    QMutexLocker lock(&accessMutex);
    ++accessCounts[path];
    return true;
}

void stopAccessingSecurityScopedResource(const QString& path) {
    QMutexLocker lock(&accessMutex);
    auto it = accessCounts.find(path);
    if (it == accessCounts.end()) return;
    if (--it.value() <= 0) accessCounts.erase(it);
}

int startedAccessCount(const QString& path) {
    QMutexLocker lock(&accessMutex);
    return accessCounts.value(path, 0);
}

}  // namespace vantrel
