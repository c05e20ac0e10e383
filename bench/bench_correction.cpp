// Times one correction job on a movie of at least 200 MB made here with ffmpeg:
// a plain copy of the file, a bare ffmpeg stream copy, and the queue's correction
// alone, with standard verification and with thorough verification. Prints the
// seconds and the ratios against the copy and the bare ffmpeg run.
//
// Usage: bench_correction [work folder]   (default: the system temp folder)
#include "Vantrel/queue/CorrectionQueue.h"
#include "Vantrel/queue/FFmpegCorrectionRunner.h"
#include "Vantrel/queue/FFmpegOutputVerifier.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>

#include <algorithm>
#include <cstdio>

using namespace vantrel;

namespace {

constexpr qint64 minimumBytes = 200'000'000;

bool runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// All-intra MPEG-4 at 1080p with a tone: about 8 MB a second.
bool makeLargeMovie(const QString& path, int seconds) {
    return runTool(QStringLiteral("ffmpeg"),
                   {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=25", "-f", "lavfi", "-i",
                    "sine=frequency=440:sample_rate=48000", "-t", QString::number(seconds), "-c:v", "mpeg4", "-q:v", "1",
                    "-g", "1", "-c:a", "aac", "-timecode", "10:00:00:00", path});
}

double timed(const std::function<bool()>& work) {
    QElapsedTimer timer;
    timer.start();
    if (!work()) {
        std::fprintf(stderr, "a measured step failed\n");
        std::exit(1);
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

// One job through the queue, from start() to the end of processing.
bool runJob(const QString& source, const QString& output, VerifyTier tier, const QString& storage) {
    CorrectionQueue queue(FFmpegCorrectionRunner::make(), std::make_shared<FFmpegOutputVerifier>(), storage);
    CorrectionJob job;
    job.id = QUuid::createUuid();
    job.sourcePath = source;
    job.outputPath = output;
    job.assignedTimecodeString = QStringLiteral("01:00:00:00");
    job.frameRate = FrameRate::fromNominal(25, false);
    job.fixMode = FixMode::manual;
    job.verifyTier = tier;
    job.createdAt = QDateTime::currentDateTimeUtc();
    job.totalSourceBytes = QFileInfo(source).size();
    queue.enqueue(job);
    QEventLoop loop;
    QObject::connect(&queue, &CorrectionQueue::processingChanged, &loop, [&](bool processing) {
        if (!processing) loop.quit();
    });
    queue.start();
    loop.exec();
    const auto& done = queue.jobs().first();
    if (!done.status.is(JobStatus::Kind::completed)) {
        std::fprintf(stderr, "job ended as %s: %s\n", qPrintable(jobStatusTypeName(done.status.kind)),
                     qPrintable(done.status.errorMessage));
        return false;
    }
    QFile::remove(output);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QTemporaryDir work(root + QStringLiteral("/vantrel-bench-XXXXXX"));
    if (!work.isValid()) return 1;
    const QString source = work.filePath(QStringLiteral("source.mov"));
    const QString output = work.filePath(QStringLiteral("output.mov"));

    int seconds = 30;
    std::printf("Making the source movie...\n");
    while (true) {
        if (!makeLargeMovie(source, seconds)) return 1;
        const qint64 made = QFileInfo(source).size();
        if (made >= minimumBytes) break;
        // Scale up from what this length gave, with a margin.
        seconds = int(double(seconds) * double(minimumBytes) / double(std::max<qint64>(made, 1)) * 1.1) + 1;
    }
    const qint64 bytes = QFileInfo(source).size();
    std::printf("Source: %.1f MB, %d s of 1080p25 all-intra MPEG-4 with AAC audio\n\n", double(bytes) / 1e6, seconds);

    // Warm the page cache so that every step reads the source from memory alike.
    timed([&] { return runTool(QStringLiteral("cat"), {source}); });

    const int rounds = 3;
    struct Step {
        const char* name;
        std::function<bool()> work;
        double best = 1e300;
    };
    QList<Step> steps{
        {"cp (plain copy)", [&] { return runTool("cp", {source, output}) && QFile::remove(output); }},
        {"ffmpeg -c copy (bare)",
         [&] {
             return runTool("ffmpeg", {"-v", "error", "-y", "-i", source, "-c", "copy", "-map", "0", "-map", "-0:d",
                                       "-timecode", "01:00:00:00", output}) &&
                    QFile::remove(output);
         }},
        {"correction, no verification", [&] { return runJob(source, output, VerifyTier::off, work.filePath("q1")); }},
        {"correction + standard", [&] { return runJob(source, output, VerifyTier::standard, work.filePath("q2")); }},
        {"correction + thorough", [&] { return runJob(source, output, VerifyTier::thorough, work.filePath("q3")); }},
    };
    for (int round = 0; round < rounds; ++round) {
        for (auto& step : steps) step.best = std::min(step.best, timed(step.work));
    }

    const double copy = steps[0].best;
    const double bare = steps[1].best;
    std::printf("%-30s %9s %9s %10s %10s\n", "step (best of 3)", "seconds", "MB/s", "× cp", "× ffmpeg");
    for (const auto& step : steps) {
        std::printf("%-30s %9.2f %9.0f %10.2f %10.2f\n", step.name, step.best, double(bytes) / 1e6 / step.best,
                    step.best / copy, step.best / bare);
    }
    return 0;
}
