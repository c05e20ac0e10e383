#include "Vantrel/queue/VolumeInfo.h"

#include <QStorageInfo>

namespace vantrel {

namespace {

std::optional<QStorageInfo> storageOf(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    QStorageInfo storage(path);
    if (!storage.isValid() || !storage.isReady()) return std::nullopt;
    return storage;
}

std::optional<std::int64_t> known(qint64 bytes) {
    if (bytes < 0) return std::nullopt;
    return bytes;
}

}  // namespace

std::optional<std::int64_t> chooseAvailableCapacity(std::optional<std::int64_t> forUser,
                                                    std::optional<std::int64_t> free) {
    if (forUser && *forUser > 0) return forUser;
    return free;
}

std::optional<std::int64_t> volumeAvailableCapacity(const QString& path) {
    const auto storage = storageOf(path);
    if (!storage) return std::nullopt;
    return chooseAvailableCapacity(known(storage->bytesAvailable()), known(storage->bytesFree()));
}

std::optional<QString> volumeName(const QString& path) {
    const auto storage = storageOf(path);
    if (!storage) return std::nullopt;
    const QString name = storage->displayName();
    if (name.isEmpty()) return std::nullopt;
    return name;
}

VolumeFacts volumeFacts(const QString& folder) { return {volumeAvailableCapacity(folder), volumeName(folder)}; }

}  // namespace vantrel
