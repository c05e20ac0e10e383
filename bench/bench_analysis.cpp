// Analysis of many movies: reading the timecode track and the creation date in
// process against running ffprobe once per file for the same facts. Prints both
// times and their ratio. Usage: bench_analysis [file count, default 200]
#include "Vantrel/media/SourceTimecodeReader.h"
#include "Vantrel/media/VideoMetadataReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <variant>

using namespace vantrel;

namespace {

bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return false;
    if (output) *output = process.readAllStandardOutput();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // The reader logs one line per file; keep the cost of making it, drop the printing.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    QTemporaryDir folder;
    if (!folder.isValid()) return 1;

    // A few kinds of camera-like files, copied up to the wanted count.
    struct Kind {
        const char* rate;
        const char* timecode;
        const char* date;
    };
    const Kind kinds[] = {{"25", "10:00:00:00", "2024-05-01T14:30:00+02:00"},
                          {"30000/1001", "01:02:03;04", "2024-05-01T14:30:00.250Z"},
                          {"24000/1001", "23:59:59:23", "2024-05-01T14:30:00-0700"},
                          {"60000/1001", "05:01:00;04", "2024-05-01T14:30:00+05:45"},
                          {"50", "00:00:00:00", "2024-05-01T14:30:00Z"}};
    QStringList originals;
    for (const Kind& kind : kinds) {
        const QString path = folder.filePath(QStringLiteral("kind%1.mov").arg(originals.size()));
        if (!run(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                  QStringLiteral("-i"), QStringLiteral("testsrc=size=320x240:rate=%1").arg(QLatin1String(kind.rate)),
                  QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("sine=sample_rate=48000"), QStringLiteral("-t"), QStringLiteral("2"),
                  QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"), QStringLiteral("aac"),
                  QStringLiteral("-timecode"), QLatin1String(kind.timecode), QStringLiteral("-metadata"),
                  QStringLiteral("com.apple.quicktime.creationdate=%1").arg(QLatin1String(kind.date)),
                  QStringLiteral("-movflags"), QStringLiteral("use_metadata_tags"), path})) {
            std::fprintf(stderr, "ffmpeg could not make the test files\n");
            return 1;
        }
        originals << path;
    }
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path = folder.filePath(QStringLiteral("clip %1.mov").arg(i, 4, 10, QLatin1Char('0')));
        QFile::copy(originals[i % originals.size()], path);
        files << path;
    }

    // Warm the page cache the same way for both.
    for (const QString& file : files) (void)VideoMetadataReader::readNow(file);

    QElapsedTimer timer;
    timer.start();
    int readable = 0;
    for (const QString& file : files) {
        const auto track = SourceTimecodeReader::readTimecodeNow(file);
        const auto metadata = VideoMetadataReader::readNow(file);
        if (std::holds_alternative<TimecodeTrackReading>(track) &&
            metadata.source == VideoMetadataReader::Source::quickTimeAtom)
            ++readable;
    }
    const double inProcessMs = double(timer.nsecsElapsed()) / 1e6;

    timer.restart();
    int probed = 0;
    for (const QString& file : files) {
        QByteArray json;
        if (run(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                 QStringLiteral("stream=codec_tag_string:stream_tags=timecode:format=duration:"
                                "format_tags=com.apple.quicktime.creationdate"),
                 QStringLiteral("-of"), QStringLiteral("json"), file},
                &json) &&
            json.contains("creationdate") && json.contains("tmcd"))
            ++probed;
    }
    const double ffprobeMs = double(timer.nsecsElapsed()) / 1e6;

    std::printf("files: %d (in process read %d fully, ffprobe %d)\n", count, readable, probed);
    std::printf("in process: %.1f ms total, %.3f ms per file\n", inProcessMs, inProcessMs / count);
    std::printf("ffprobe:    %.1f ms total, %.3f ms per file\n", ffprobeMs, ffprobeMs / count);
    std::printf("ratio: %.1fx faster in process\n", ffprobeMs / inProcessMs);
    return readable == count && probed == count ? 0 : 2;
}
