#include "Vantrel/tools/CorrectionCommand.h"

#include <QFileInfo>

namespace vantrel {

QStringList makeTimecodeArguments(const QString& input, const QString& output, const timecode::Timecode& timecode,
                                  const std::optional<QDateTime>& creationDate) {
    QStringList arguments{QStringLiteral("-hide_banner"),
                          QStringLiteral("-i"), QFileInfo(input).absoluteFilePath(),
                          QStringLiteral("-c"), QStringLiteral("copy"),
                          QStringLiteral("-map"), QStringLiteral("0"),
                          QStringLiteral("-map"), QStringLiteral("-0:d"),
                          // Without these ffmpeg drops the creation time and the
                          // QuickTime creation date of the source.
                          QStringLiteral("-map_metadata"), QStringLiteral("0"),
                          QStringLiteral("-movflags"), QStringLiteral("use_metadata_tags"),
                          // The demuxer reports the source's file type box as these three
                          // items; written out they would make a .mov claim to be an MP4.
                          QStringLiteral("-metadata"), QStringLiteral("major_brand="),
                          QStringLiteral("-metadata"), QStringLiteral("minor_version="),
                          QStringLiteral("-metadata"), QStringLiteral("compatible_brands="),
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
