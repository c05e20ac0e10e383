#pragma once

#include "TimecodeCore/Timecode.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace vantrel {

// The ffmpeg argument list of one timecode correction: every stream but the data
// streams (the old timecode track) copied packet for packet, the container's
// metadata kept (but for the file-type brands, which belong to the source's
// container), the new start timecode written, optionally a creation time
// stamped, and the output overwritten if it exists. Each element is one process
// argument; nothing is quoted. No banner: the run's log starts with what matters. Relative paths are made absolute so that a name
// beginning with "-" is never read as an option.
QStringList makeTimecodeArguments(const QString& input, const QString& output, const timecode::Timecode& timecode,
                                  const std::optional<QDateTime>& creationDate = std::nullopt);

}  // namespace vantrel
