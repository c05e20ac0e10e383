#pragma once

// Small movies the benchmarks make with the ffmpeg tool.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace benchmovies {

// 0.4 s of a 160x120, 25 fps MPEG-4 test pattern at `path`, with `options` given
// to ffmpeg before the file name; whether ffmpeg made it.
inline bool makeMovie(const QString& path, const QStringList& options = {}) {
    QStringList args{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                     QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("testsrc=size=160x120:rate=25"), QStringLiteral("-t"), QStringLiteral("0.4"),
                     QStringLiteral("-c:v"), QStringLiteral("mpeg4")};
    args << options << path;
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

// Such a movie that is ready to correct: a timecode track and a creation date.
inline bool makeReadyMovie(const QString& path) {
    return makeMovie(path, {QStringLiteral("-timecode"), QStringLiteral("10:00:00:00"), QStringLiteral("-metadata"),
                            QStringLiteral("com.apple.quicktime.creationdate=2024-05-01T10:00:03Z"),
                            QStringLiteral("-movflags"), QStringLiteral("use_metadata_tags")});
}

}  // namespace benchmovies
