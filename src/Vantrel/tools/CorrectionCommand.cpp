#include "Vantrel/tools/CorrectionCommand.h"

#include <QFileInfo>

namespace vantrel {

QStringList makeTimecodeArguments(const QString& input, const QString& output, const timecode::Timecode& timecode,
                                  const std::optional<QDateTime>& creationDate) {
    QStringList arguments{QStringLiteral("-i"), QFileInfo(input).absoluteFilePath(),
                          QStringLiteral("-c"), QStringLiteral("copy"),
                          QStringLiteral("-map"), QStringLiteral("0"),
                          QStringLiteral("-map"), QStringLiteral("-0:d"),
                          // Without these ffmpeg drops the creation time and the
                          // QuickTime creation date of the source.
                          QStringLiteral("-map_metadata"), QStringLiteral("0"),
                          QStringLiteral("-movflags"), QStringLiteral("use_metadata_tags"),
                          QStringLiteral("-timecode"), QString::fromStdString(timecode.stringValue())};
    if (creationDate && creationDate->isValid()) {
        // Whole seconds in UTC, e.g. 2024-03-05T14:07:09Z.
        arguments << QStringLiteral("-metadata")
                  << QStringLiteral("creation_time=") + creationDate->toUTC().toString(Qt::ISODate);
    }
    arguments << QStringLiteral("-y") << QFileInfo(output).absoluteFilePath();
    return arguments;
}

}  // namespace vantrel
