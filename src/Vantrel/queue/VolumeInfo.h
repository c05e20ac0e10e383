#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace vantrel {

// Free bytes on the volume that holds a file or folder: the space this user may
// fill when the system reports any, else the plain free space; nothing when the
// location cannot be examined.
std::optional<std::int64_t> volumeAvailableCapacity(const QString& path);

// The display name of the volume that holds a file or folder (its label, else
// where it is mounted); nothing when the location cannot be examined.
std::optional<QString> volumeName(const QString& path);

// What the free-space preflight knows of the volume that holds a folder.
struct VolumeFacts {
    std::optional<qint64> availableBytes;
    std::optional<QString> name;
};
// The facts from the file system.
VolumeFacts volumeFacts(const QString& folder);

// The choice volumeAvailableCapacity makes from the two figures a volume reports.
std::optional<std::int64_t> chooseAvailableCapacity(std::optional<std::int64_t> forUser,
                                                    std::optional<std::int64_t> free);

}  // namespace vantrel
