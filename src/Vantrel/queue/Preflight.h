#pragma once

#include <QString>

#include <optional>

namespace vantrel {

// A byte count as the file manager shows sizes: decimal units, "1 byte", "532 bytes",
// "12 KB", "1.5 MB", "2.35 GB"; zero is "Zero KB".
QString formatFileByteCount(qint64 bytes);

// The free-space preflight of one job: a correction needs the source's size plus a
// tenth free on the output volume. Nothing when there is room or the free space is
// unknown; otherwise the message that fails the job.
std::optional<QString> freeSpaceProblem(qint64 sourceBytes, std::optional<qint64> freeBytes,
                                        const std::optional<QString>& volumeName);

}  // namespace vantrel
