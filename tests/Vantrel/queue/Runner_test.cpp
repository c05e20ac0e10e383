// The correction runner: its checks before the tool runs, a run that writes the
// output, and runs that fail or are cancelled leaving nothing behind.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "QueueTestSupport.h"
#include "TestMedia.h"
#include "Vantrel/queue/FFmpegCorrectionRunner.h"
#include "Vantrel/tools/ToolThreadPool.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <unistd.h>

using namespace queuetest;
using testsupport::makeMovie;
using testsupport::makeTestFolder;
using testsupport::writeFile;

namespace {

class RunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        folder = makeTestFolder(QStringLiteral("runner"));
        QDir().mkpath(folder + QStringLiteral("/out"));
    }
    void TearDown() override {
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    CorrectionJob jobFor(const QString& source, const QString& timecode = QStringLiteral("01:00:00:00")) {
        auto job = makeJob(source, folder + QStringLiteral("/out/clip_TC.mov"));
        job.assignedTimecodeString = timecode;
        return job;
    }

    // A resolver that finds no tool at all.
    BundledToolResolver nowhere() const {
        return BundledToolResolver(BundledToolResolver::SearchList{folder + QStringLiteral("/no-helpers"), {}});
    }

    // The error a finished run ended with, or an empty text.
    static QString errorOf(QFuture<void> future) {
        waitFor([&] { return future.isFinished(); }, 120000);
        try {
            future.waitForFinished();
        } catch (const std::exception& e) {
            return QString::fromUtf8(e.what());
        }
        return {};
    }

    QStringList outputFolderEntries() const {
        return QDir(folder + QStringLiteral("/out")).entryList(QDir::Files | QDir::Hidden);
    }

    // A helpers folder whose "ffmpeg" is this script; the real tools stay reachable by name.
    BundledToolResolver scriptedTool(const QByteArray& body) const {
        const QString helpers = folder + QStringLiteral("/scripted-helpers");
        EXPECT_TRUE(testsupport::writeScript(helpers + QStringLiteral("/ffmpeg"),
                                             "for last; do :; done\n" + body));
        return BundledToolResolver(BundledToolResolver::SearchList{helpers, {}});
    }

    // A tool that starts its output, says so, and waits; each SIGTERM it gets is a
    // line in `stops`.
    BundledToolResolver stoppableTool() const {
        return scriptedTool(QStringLiteral("trap 'echo stopped >> \"%1\"; kill $pid; exit 143' TERM\n"
                                           "printf partial > \"$last\"\n"
                                           "echo writing >&2\n"
                                           "sleep 60 & pid=$!\n"
                                           "wait $pid\n")
                                .arg(stops())
                                .toUtf8());
    }
    QString stops() const { return folder + QStringLiteral("/stops.txt"); }
    int stopCount() const {
        QFile file(stops());
        return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
    }

    QString folder;
};

}  // namespace

TEST_F(RunnerTest, ChecksComeBeforeAnyToolRuns) {
    FFmpegCorrectionRunner blind(std::make_unique<FFmpegWrapper>(nowhere()), false);
    EXPECT_FALSE(blind.isAvailable());
    // No tool wins over a bad timecode.
    EXPECT_EQ(errorOf(blind.run(jobFor("/in/a.mov", "25:00:00:00"), {}, {})),
              QStringLiteral("FFmpeg is not installed — install it with “sudo apt-get install ffmpeg”."));

    // Built without the tool, the runner stays unavailable, but run() looks again.
    FFmpegCorrectionRunner late(std::make_unique<FFmpegWrapper>(), false);
    EXPECT_FALSE(late.isAvailable());
    EXPECT_EQ(errorOf(late.run(jobFor("/in/a.mov", "25:00:00:00"), {}, {})),
              QStringLiteral("Assigned timecode '25:00:00:00' is not valid for this job's frame rate."));
    auto oddRate = jobFor("/in/a.mov");
    oddRate.frameRate = FrameRate{7, 1, 7, false};
    EXPECT_EQ(errorOf(late.run(oddRate, {}, {})),
              QStringLiteral("Assigned timecode '01:00:00:00' is not valid for this job's frame rate."));
    EXPECT_TRUE(outputFolderEntries().isEmpty());
}

TEST_F(RunnerTest, SuccessfulRunWritesTheOutput) {
    const QString source = folder + QStringLiteral("/in/clip.mov");
    testsupport::MovieRecipe recipe;
    recipe.timecode = QStringLiteral("10:00:00:00");
    recipe.audio = true;
    ASSERT_TRUE(makeMovie(source, recipe));

    auto runner = FFmpegCorrectionRunner::make();
    EXPECT_TRUE(runner->isAvailable());
    runner->cancel();  // a cancel before the run is forgotten
    double lastProgress = 0;
    QStringList lines;
    const auto job = jobFor(source, QStringLiteral("01:02:03:04"));
    EXPECT_EQ(errorOf(runner->run(job, [&](double p) { lastProgress = p; }, [&](const QString& l) { lines << l; })),
              QString());
    EXPECT_EQ(testsupport::probeTimecode(job.outputPath), QStringLiteral("01:02:03:04"));
    EXPECT_EQ(outputFolderEntries(), QStringList{"clip_TC.mov"});
    // Callbacks are delivered on this thread.
    EXPECT_TRUE(waitFor([&] { return !lines.isEmpty(); }));
    EXPECT_GE(lastProgress, 0);
    // The finished run posted all its callbacks: deliver them while their targets live.
    QCoreApplication::sendPostedEvents();
}

TEST_F(RunnerTest, TheSourceIsNeverTheOutput) {
    const QString source = folder + QStringLiteral("/out/clip_TC.mov");
    ASSERT_TRUE(makeMovie(source));
    const QString hash = testsupport::sha256OfFile(source);
    auto runner = FFmpegCorrectionRunner::make();
    auto job = jobFor(source);
    EXPECT_TRUE(errorOf(runner->run(job, {}, {})).contains(QStringLiteral("is the source file itself")));
    // Also through another spelling of the same path.
    job.outputPath = folder + QStringLiteral("/out/../out/clip_TC.mov");
    EXPECT_TRUE(errorOf(runner->run(job, {}, {})).contains(QStringLiteral("is the source file itself")));
    EXPECT_EQ(testsupport::sha256OfFile(source), hash);
}

TEST_F(RunnerTest, CancelledAndFailedRunsLeaveNoFiles) {
    const QString source = folder + QStringLiteral("/in/clip.mov");
    ASSERT_TRUE(makeMovie(source));
    auto slow = FFmpegCorrectionRunner::make(stoppableTool());
    // Kept alive by the callback: lines still posted when the test ends land in it.
    const auto lines = std::make_shared<QStringList>();
    auto run = slow->run(jobFor(source), {}, [lines](const QString& line) { *lines << line; });
    // The tool has begun writing its output when it is cancelled.
    ASSERT_TRUE(waitFor([&] { return lines->contains(QStringLiteral("FFmpeg: writing")); }, 60000));
    EXPECT_EQ(outputFolderEntries(), QStringList{"clip_TC.mov"});
    slow->cancel();
    EXPECT_EQ(errorOf(run), QStringLiteral("Operation was cancelled"));
    EXPECT_EQ(stopCount(), 1);  // the tool itself was told to stop, once
    EXPECT_TRUE(outputFolderEntries().isEmpty());

    // A source that is not a movie: the tool fails, and nothing is left either.
    auto runner = FFmpegCorrectionRunner::make();
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/in/fake.mov"), "definitely not a movie"));
    // The message is the tool's whole error text, which starts with the cause.
    const QString failure = errorOf(runner->run(jobFor(folder + QStringLiteral("/in/fake.mov")), {}, {}));
    EXPECT_TRUE(failure.startsWith(QStringLiteral("Operation failed: [mov"))) << failure.toStdString();
    EXPECT_TRUE(failure.contains(QStringLiteral("moov atom not found")));
    EXPECT_TRUE(failure.contains(QStringLiteral("fake.mov: Invalid data found when processing input")));
    EXPECT_TRUE(outputFolderEntries().isEmpty());
}

// A run that fails takes away what its tool wrote at the output, and nothing else:
// a file standing there that the tool never touched (it failed before it wrote,
// never started, or ended well without writing) stays as it was.
TEST_F(RunnerTest, AFailedRunRemovesOnlyWhatTheToolWrote) {
    const QString source = folder + QStringLiteral("/in/clip.mov");
    ASSERT_TRUE(makeMovie(source));
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/in/fake.mov"), "definitely not a movie"));
    enum class How { failsOnItsInput, stoppedBeforeItStarts, writesThenFails, endsWellWithoutWriting };
    struct Case {
        const char* name;
        How how;
        QString error;  // how the error starts
        bool stays;
    };
    const Case cases[] = {
        {"the tool fails on its input", How::failsOnItsInput, QStringLiteral("Operation failed: "), true},
        {"stopped before the tool starts", How::stoppedBeforeItStarts, QStringLiteral("Operation was cancelled"), true},
        {"the tool writes, then fails", How::writesThenFails, QStringLiteral("Operation failed: "), false},
        {"the tool ends well without writing", How::endsWellWithoutWriting, QStringLiteral("The written file is cut short."),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto job = jobFor(c.how == How::failsOnItsInput ? folder + QStringLiteral("/in/fake.mov") : source);
        ASSERT_TRUE(writeFile(job.outputPath, "someone's own file"));
        auto runner = c.how == How::writesThenFails ? FFmpegCorrectionRunner::make(scriptedTool("printf partial > \"$last\"\nexit 1\n"))
                      : c.how == How::endsWellWithoutWriting ? FFmpegCorrectionRunner::make(scriptedTool("exit 0\n"))
                                                             : FFmpegCorrectionRunner::make();
        CancellationToken token;
        std::optional<HeldPool> held;
        // Held too: the run's finishing step would take the tool up itself.
        if (c.how == How::stoppedBeforeItStarts) held.emplace({toolThreadPool(), runner->finishingPool()});
        QFuture<void> run = runner->run(job, {}, {}, token);
        if (held) {
            token.cancel();
            held.reset();
        }
        EXPECT_TRUE(errorOf(run).startsWith(c.error)) << errorOf(run).toStdString();
        EXPECT_EQ(outputFolderEntries(), c.stays ? QStringList{"clip_TC.mov"} : QStringList{});
        if (c.stays) {
            QFile kept(job.outputPath);
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), QByteArray("someone's own file"));
        }
    }
}

TEST_F(RunnerTest, GoingAwayStopsTheToolRun) {
    const QString source = folder + QStringLiteral("/in/clip.mov");
    ASSERT_TRUE(makeMovie(source));
    auto slow = FFmpegCorrectionRunner::make(stoppableTool());
    // Kept alive by the callback: lines still posted when the test ends land in it.
    const auto lines = std::make_shared<QStringList>();
    auto run = slow->run(jobFor(source), {}, [lines](const QString& line) { *lines << line; });
    ASSERT_TRUE(waitFor([&] { return lines->contains(QStringLiteral("FFmpeg: writing")); }, 60000));
    slow.reset();  // waits only as long as the cancelled tool takes to stop
    EXPECT_TRUE(run.isFinished());
    EXPECT_EQ(stopCount(), 1);
    EXPECT_EQ(errorOf(run), QStringLiteral("Operation was cancelled"));
    EXPECT_TRUE(outputFolderEntries().isEmpty());
}

TEST_F(RunnerTest, AnOutputReachingTheSourceAnotherWayIsRefused) {
    const QString source = folder + QStringLiteral("/in/clip_TC.mov");
    ASSERT_TRUE(makeMovie(source));
    const QString hash = testsupport::sha256OfFile(source);
    auto runner = FFmpegCorrectionRunner::make();
    auto job = jobFor(source);

    // Through a folder that is a link to the source's folder.
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("/in"), folder + QStringLiteral("/linked")));
    job.outputPath = folder + QStringLiteral("/linked/clip_TC.mov");
    EXPECT_TRUE(errorOf(runner->run(job, {}, {})).contains(QStringLiteral("is the source file itself")));
    // Through a second name of the same file.
    ASSERT_EQ(::link(QFile::encodeName(source).constData(),
                     QFile::encodeName(folder + QStringLiteral("/out/clip_TC.mov")).constData()), 0);
    job.outputPath = folder + QStringLiteral("/out/clip_TC.mov");
    EXPECT_TRUE(errorOf(runner->run(job, {}, {})).contains(QStringLiteral("is the source file itself")));

    EXPECT_EQ(testsupport::sha256OfFile(source), hash);
    EXPECT_EQ(QDir(folder + QStringLiteral("/in")).entryList(QDir::Files | QDir::Hidden), QStringList{"clip_TC.mov"});
    EXPECT_EQ(outputFolderEntries(), QStringList{"clip_TC.mov"});

    // A source that is gone is still never written over by its own output.
    job.sourcePath = folder + QStringLiteral("/in/gone.mov");
    job.outputPath = job.sourcePath;
    EXPECT_TRUE(errorOf(runner->run(job, {}, {})).contains(QStringLiteral("is the source file itself")));
    EXPECT_FALSE(QFile::exists(job.sourcePath));
}

TEST(RunnerFinishedOutput, OnlyAWholeMovieWithTheAssignedTimecodePasses) {
    const QString folder = makeTestFolder(QStringLiteral("runner-finished"));
    const QString movie = folder + QStringLiteral("/whole.mov");
    testsupport::MovieRecipe recipe;
    recipe.timecode = QStringLiteral("01:02:03:04");
    recipe.audio = true;
    ASSERT_TRUE(makeMovie(movie, recipe));
    using R = FFmpegCorrectionRunner;
    EXPECT_EQ(R::finishedOutputProblem(movie, QStringLiteral("01:02:03:04")), std::nullopt);
    EXPECT_EQ(R::finishedOutputProblem(movie, QStringLiteral("1:2:3:4")), std::nullopt);
    EXPECT_EQ(R::finishedOutputProblem(movie, QStringLiteral("01:02:03:05")),
              QStringLiteral("The written file starts at timecode 01:02:03:04, not at the assigned 01:02:03:05."));
    EXPECT_EQ(R::finishedOutputProblem(movie, QStringLiteral("01:02:03;04")),
              QStringLiteral("The written file starts at timecode 01:02:03:04, not at the assigned 01:02:03;04."));

    const QString plain = folder + QStringLiteral("/plain.mov");
    ASSERT_TRUE(makeMovie(plain));
    EXPECT_EQ(R::finishedOutputProblem(plain, QStringLiteral("01:00:00:00")),
              QStringLiteral("The written file has no timecode track."));

    // However the file is cut short, it is never taken for a whole movie.
    QFile file(movie);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QString cut = folder + QStringLiteral("/cut.mov");
    for (qsizetype length = 0; length < bytes.size(); length += std::max<qsizetype>(1, bytes.size() / 97)) {
        ASSERT_TRUE(writeFile(cut, bytes.left(length)));
        EXPECT_NE(R::finishedOutputProblem(cut, QStringLiteral("01:02:03:04")), std::nullopt) << length;
    }
    for (qsizetype length : {bytes.size() - 1, bytes.size() - 8, bytes.size() - 9}) {
        ASSERT_TRUE(writeFile(cut, bytes.left(length)));
        EXPECT_EQ(R::finishedOutputProblem(cut, QStringLiteral("01:02:03:04")), QStringLiteral("The written file is cut short."));
    }
    ASSERT_TRUE(writeFile(cut, bytes.left(bytes.indexOf("moov") - 4)));
    EXPECT_EQ(R::finishedOutputProblem(cut, QStringLiteral("01:02:03:04")),
              QStringLiteral("The written file is not a whole movie: its movie header is missing."));
    EXPECT_EQ(R::finishedOutputProblem(folder + QStringLiteral("/missing.mov"), QStringLiteral("01:02:03:04")),
              QStringLiteral("The written file cannot be read: No such file or directory"));
    QDir(folder).removeRecursively();
}

TEST(RunnerFinishedOutput, TheFailureSaysWhatTheToolSaid) {
    using R = FFmpegCorrectionRunner;
    const QString problem = QStringLiteral("The written file is cut short.");
    // ffmpeg's own "Error …" line wins, the first of them; names and metadata that
    // merely contain the word do not count.
    const QString full = QStringLiteral(
        "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from '/v/Error take.mov':\n"
        "    title           : Error 404\n"
        "[mov @ 0x55d0c3a1e2c0] Starting second pass: moving the moov atom to the beginning of the file\n"
        "frame=   45 fps=0.0 q=-1.0 size=  256kB time=00:00:01.78 bitrate=N/A speed=N/A    \r"
        "Error writing trailer of /v/out/.clip_TC.partial-0123ABCD.mov: No space left on device\r\n"
        "frame=   45 fps=0.0 q=-1.0 Lsize=       0kB time=00:00:01.78 bitrate=   0.2kbits/s\n"
        "Error closing file /v/out/.clip_TC.partial-0123ABCD.mov: No space left on device\n");
    EXPECT_EQ(R::incompleteOutputText(problem, full),
              QStringLiteral("Error writing trailer of /v/out/.clip_TC.partial-0123ABCD.mov: No space left on device"));
    // Without one, the problem, with the last thing a component of the tool said.
    EXPECT_EQ(R::incompleteOutputText(QStringLiteral("The written file has no timecode track."),
                                      QStringLiteral("[mov @ 0x5640d02cf280] Drop frame is only allowed with multiples of "
                                                     "30000/1001 FPS\nOutput #0, mov, to 'x.mov':\n")),
              QStringLiteral("The written file has no timecode track. FFmpeg: Drop frame is only allowed with multiples "
                             "of 30000/1001 FPS"));
    EXPECT_EQ(R::incompleteOutputText(problem, QStringLiteral("Input #0\nStream mapping:\n")), problem);
    EXPECT_EQ(R::incompleteOutputText(problem, QString()), problem);
}

TEST_F(RunnerTest, AToolThatEndsWellWithoutAWholeMovieFailsTheRun) {
    const QString source = folder + QStringLiteral("/in/clip.mov");
    testsupport::MovieRecipe recipe;
    recipe.timecode = QStringLiteral("10:00:00:00");
    recipe.audio = true;
    recipe.seconds = 2;
    ASSERT_TRUE(makeMovie(source, recipe));
    const QString real = *BundledToolResolver().resolve(BundledToolResolver::Tool::ffmpeg);

    // The disk fills as the movie header is written: ffmpeg says so and exits 0.
    auto full = FFmpegCorrectionRunner::make(scriptedTool(
        QStringLiteral("'%1' \"$@\" || exit $?\n"
                       "truncate -s 8192 \"$last\"\n"
                       "echo \"Error writing trailer of $last: No space left on device\" >&2\n"
                       "exit 0\n").arg(real).toUtf8()));
    QString error = errorOf(full->run(jobFor(source), {}, {}));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Error writing trailer of .*/out/clip_TC\\.mov: "
                                                  "No space left on device$")).match(error).hasMatch())
        << error.toStdString();
    EXPECT_TRUE(outputFolderEntries().isEmpty());

    auto wrongTimecode = FFmpegCorrectionRunner::make(
        scriptedTool(QStringLiteral("cp '%1' \"$last\"\n").arg(source).toUtf8()));
    EXPECT_EQ(errorOf(wrongTimecode->run(jobFor(source), {}, {})),
              QStringLiteral("The written file starts at timecode 10:00:00:00, not at the assigned 01:00:00:00."));
    EXPECT_TRUE(outputFolderEntries().isEmpty());

    // The real tool asked for a drop-frame timecode on a 25 fps movie writes no
    // timecode track at all, and exits 0.
    auto runner = FFmpegCorrectionRunner::make();
    auto dropFrame = jobFor(source, QStringLiteral("01:00:00;00"));
    dropFrame.frameRate = FrameRate::fromNominal(30, true);
    error = errorOf(runner->run(dropFrame, {}, {}));
    EXPECT_TRUE(error.startsWith(QStringLiteral("The written file has no timecode track."))) << error.toStdString();
    EXPECT_TRUE(error.endsWith(QStringLiteral("FFmpeg: Drop frame is only allowed with multiples of 30000/1001 FPS")))
        << error.toStdString();
    EXPECT_TRUE(outputFolderEntries().isEmpty());
}
