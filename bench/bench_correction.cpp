// Times corrections side by side in one process, best of 3 with the steps taken
// in turn, so that a loaded machine weighs on every step alike:
//  1. one job on a movie of at least 200 MB made here with ffmpeg: a plain copy
//     of the file, a bare ffmpeg stream copy, the queue's correction alone, with
//     standard and with thorough verification, and one full decode of the output;
//  2. the same steps for a batch of 30 small camera-like clips (per clip);
//  3. the packet listing of a two-hour movie: ffprobe's run, the parse alone, and
//     the memory the listing takes while it is read.
// Prints seconds and ratios; the verification's share is the difference between
// a verified correction and the correction alone.
//
// Usage: bench_correction [work folder]   (default: the system temp folder)
#include "Vantrel/queue/CorrectionQueue.h"
#include "Vantrel/queue/FFmpegCorrectionRunner.h"
#include "Vantrel/queue/FFmpegOutputVerifier.h"
#include "Vantrel/tools/ProbeListing.h"

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

#include <sys/resource.h>

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

CorrectionJob jobFor(const QString& source, const QString& output, VerifyTier tier) {
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
    return job;
}

// The jobs through one queue, from start() to the end of processing; the outputs are removed.
bool runJobs(const QStringList& sources, const QString& outputFolder, VerifyTier tier, const QString& storage) {
    CorrectionQueue queue(FFmpegCorrectionRunner::make(), std::make_shared<FFmpegOutputVerifier>(), storage);
    QStringList outputs;
    for (const QString& source : sources) {
        outputs << outputFolder + QLatin1Char('/') + QFileInfo(source).completeBaseName() + QStringLiteral("_TC.mov");
        queue.enqueue(jobFor(source, outputs.last(), tier));
    }
    QEventLoop loop;
    QObject::connect(&queue, &CorrectionQueue::processingChanged, &loop, [&](bool processing) {
        if (!processing) loop.quit();
    });
    queue.start();
    loop.exec();
    bool allCompleted = true;
    for (const auto& done : queue.jobs()) {
        if (done.status.is(JobStatus::Kind::completed)) continue;
        std::fprintf(stderr, "job ended as %s: %s\n", qPrintable(jobStatusTypeName(done.status.kind)),
                     qPrintable(done.status.errorMessage));
        allCompleted = false;
    }
    for (const QString& output : outputs) QFile::remove(output);
    QDir(storage).removeRecursively();
    return allCompleted;
}

bool bareCopy(const QString& source, const QString& output) {
    return runTool("ffmpeg", {"-v", "error", "-y", "-i", source, "-c", "copy", "-map", "0", "-map", "-0:d", "-timecode",
                              "01:00:00:00", output});
}

bool decode(const QString& file) { return runTool("ffmpeg", {"-v", "error", "-i", file, "-f", "null", "-"}); }

struct Step {
    const char* name;
    std::function<bool()> work;
    double best = 1e300;
};

void measure(QList<Step>& steps, int rounds = 3) {
    for (int round = 0; round < rounds; ++round) {
        for (auto& step : steps) step.best = std::min(step.best, timed(step.work));
    }
}

// Steps: bare copy, correction, + standard, + thorough, decode (in that order).
void printVerificationShares(const QList<Step>& steps, double perItem, const char* unit) {
    const double bare = steps[0].best / perItem;
    const double correction = steps[1].best / perItem;
    const double standard = steps[2].best / perItem - correction;
    const double thorough = steps[3].best / perItem - correction;
    const double decoded = steps[4].best / perItem;
    std::printf("standard tier adds %.3f s %s = %.2f× the bare copy\n", standard, unit, standard / bare);
    std::printf("thorough tier adds %.3f s %s = %.2f× the full decode\n\n", thorough, unit, thorough / decoded);
}

long maxResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A two-hour movie of tiny frames: ten minutes made once, then joined twelve times by stream copy.
bool makeTwoHourMovie(const QString& folder, const QString& path) {
    const QString part = folder + QStringLiteral("/ten-minutes.mov");
    if (!runTool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=32x32:rate=25", "-f", "lavfi", "-i",
                            "anullsrc=sample_rate=48000:channel_layout=stereo", "-t", "600", "-c:v", "mpeg4", "-c:a",
                            "aac", "-b:a", "32k", part})) {
        return false;
    }
    const QString list = folder + QStringLiteral("/parts.txt");
    QFile listFile(list);
    if (!listFile.open(QIODevice::WriteOnly)) return false;
    for (int i = 0; i < 12; ++i) listFile.write("file 'ten-minutes.mov'\n");
    listFile.close();
    return runTool("ffmpeg", {"-v", "error", "-y", "-f", "concat", "-safe", "0", "-i", list, "-c", "copy", "-timecode",
                              "10:00:00:00", path});
}

void benchTwoHourListing(const QString& folder) {
    const QString movie = folder + QStringLiteral("/two-hours.mov");
    std::printf("Making a two-hour movie...\n");
    if (!makeTwoHourMovie(folder, movie)) std::exit(1);
    const BundledToolResolver resolver;

    // The whole probe as the verifier runs it, with the memory it takes.
    const long residentBefore = maxResidentKilobytes();
    ProbeListing probed;
    const double probeSeconds = timed([&] {
        probed = ProbeListing::probe(resolver, movie);
        return probed.succeeded();
    });
    const long residentGrowth = maxResidentKilobytes() - residentBefore;

    // The listing as text, then its parse alone.
    QProcess ffprobe;
    ffprobe.start(*resolver.resolve(BundledToolResolver::Tool::ffprobe), ProbeListing::arguments(movie));
    ffprobe.waitForFinished(-1);
    const QByteArray text = ffprobe.readAllStandardOutput();
    double parseSeconds = 1e300;
    for (int round = 0; round < 3; ++round) {
        parseSeconds = std::min(parseSeconds, timed([&] {
                                    ProbeListing listing;
                                    for (qsizetype at = 0; at < text.size(); at += 64 * 1024) {
                                        listing.feed(QByteArrayView(text).sliced(at, std::min<qsizetype>(64 * 1024, text.size() - at)));
                                    }
                                    listing.finish(true);
                                    return listing.packetCount(ProbeListing::ProbeStream::audio) ==
                                           probed.packetCount(ProbeListing::ProbeStream::audio);
                                }));
    }
    const qint64 packets = probed.packetCount(ProbeListing::ProbeStream::video) +
                           probed.packetCount(ProbeListing::ProbeStream::audio);
    std::printf("Two-hour listing: %lld packets, %.1f MB of text\n", qlonglong(packets), double(text.size()) / 1e6);
    std::printf("ffprobe run and tally  %6.3f s (maximum resident memory grew by %.1f MB)\n", probeSeconds,
                double(residentGrowth) / 1024.0);
    std::printf("parse alone            %6.3f s (%.0f MB/s)\n", parseSeconds, double(text.size()) / 1e6 / parseSeconds);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QTemporaryDir work(root + QStringLiteral("/vantrel-bench-XXXXXX"));
    if (!work.isValid()) return 1;

    benchTwoHourListing(work.path());

    const QString source = work.filePath(QStringLiteral("source.mov"));
    const QString output = work.filePath(QStringLiteral("output.mov"));
    const QString decodeTarget = work.filePath(QStringLiteral("decoded.mov"));

    int seconds = 30;
    std::printf("\nMaking the source movie...\n");
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
    // The output a correction writes, kept for the decode step.
    timed([&] { return bareCopy(source, decodeTarget); });

    const QString outputs = work.path();
    QList<Step> large{
        {"ffmpeg -c copy (bare)", [&] { return bareCopy(source, output) && QFile::remove(output); }},
        {"correction, no verification", [&] { return runJobs({source}, outputs, VerifyTier::off, work.filePath("q")); }},
        {"correction + standard", [&] { return runJobs({source}, outputs, VerifyTier::standard, work.filePath("q")); }},
        {"correction + thorough", [&] { return runJobs({source}, outputs, VerifyTier::thorough, work.filePath("q")); }},
        {"ffmpeg -i OUTPUT -f null -", [&] { return decode(decodeTarget); }},
        {"cp (plain copy)", [&] { return runTool("cp", {source, output}) && QFile::remove(output); }},
    };
    measure(large);
    const double bare = large[0].best;
    std::printf("%-30s %9s %9s %10s\n", "step (best of 3)", "seconds", "MB/s", "× ffmpeg");
    for (const auto& step : large) {
        std::printf("%-30s %9.2f %9.0f %10.2f\n", step.name, step.best, double(bytes) / 1e6 / step.best, step.best / bare);
    }
    printVerificationShares(large, 1, "");
    QFile::remove(decodeTarget);

    // Camera-like clips: 4 s of 1080p25 H.264 with stereo AAC and a timecode track.
    constexpr int clipCount = 30;
    const QString cards = work.filePath(QStringLiteral("cards"));
    const QString clipOutputs = work.filePath(QStringLiteral("clips-out"));
    QDir().mkpath(cards);
    QDir().mkpath(clipOutputs);
    std::printf("Making %d camera-like clips...\n", clipCount);
    QStringList clips;
    for (int i = 0; i < clipCount; ++i) {
        clips << cards + QStringLiteral("/C%1.mov").arg(i, 4, 10, QLatin1Char('0'));
        if (!runTool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                                QStringLiteral("testsrc2=size=1920x1080:rate=25:duration=4"), "-f", "lavfi", "-i",
                                "sine=frequency=440:sample_rate=48000:duration=4", "-ac", "2", "-c:v", "libx264",
                                "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-timecode",
                                QStringLiteral("10:%1:00:00").arg(i % 60, 2, 10, QLatin1Char('0')), clips.last()})) {
            return 1;
        }
    }
    qint64 clipBytes = 0;
    for (const QString& clip : clips) clipBytes += QFileInfo(clip).size();
    std::printf("Clips: %d, %.1f MB together\n\n", clipCount, double(clipBytes) / 1e6);
    for (const QString& clip : clips) runTool(QStringLiteral("cat"), {clip});
    for (const QString& clip : clips) bareCopy(clip, clipOutputs + QStringLiteral("/decoded-") + QFileInfo(clip).fileName());

    auto eachClip = [&](const std::function<bool(const QString&)>& work) {
        return [&clips, work] {
            return std::all_of(clips.begin(), clips.end(), work);
        };
    };
    QList<Step> batch{
        {"ffmpeg -c copy (bare)", eachClip([&](const QString& clip) { return bareCopy(clip, output) && QFile::remove(output); })},
        {"correction, no verification", [&] { return runJobs(clips, clipOutputs, VerifyTier::off, work.filePath("q")); }},
        {"correction + standard", [&] { return runJobs(clips, clipOutputs, VerifyTier::standard, work.filePath("q")); }},
        {"correction + thorough", [&] { return runJobs(clips, clipOutputs, VerifyTier::thorough, work.filePath("q")); }},
        {"ffmpeg -i OUTPUT -f null -", eachClip([&](const QString& clip) {
             return decode(clipOutputs + QStringLiteral("/decoded-") + QFileInfo(clip).fileName());
         })},
    };
    measure(batch);
    std::printf("%-30s %9s %9s %10s\n", "batch step (best of 3)", "seconds", "per clip", "× ffmpeg");
    for (const auto& step : batch) {
        std::printf("%-30s %9.2f %9.3f %10.2f\n", step.name, step.best, step.best / clipCount, step.best / batch[0].best);
    }
    printVerificationShares(batch, clipCount, "per clip");
    return 0;
}
