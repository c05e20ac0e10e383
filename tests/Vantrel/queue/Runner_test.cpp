// The correction runner: its checks before the tool runs, a run that puts the
// output in place, and runs that fail or are cancelled leaving nothing behind.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "QueueTestSupport.h"
#include "TestMedia.h"
#include "Vantrel/queue/FFmpegCorrectionRunner.h"

#include <QDir>
#include <QFile>

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

    QString folder;
};

}  // namespace

TEST_F(RunnerTest, ChecksComeBeforeAnyToolRuns) {
    FFmpegCorrectionRunner blind(std::make_unique<FFmpegWrapper>(nowhere()), false);
    EXPECT_FALSE(blind.isAvailable());
    // No tool wins over a bad timecode.
    EXPECT_EQ(errorOf(blind.run(jobFor("/in/a.mov", "25:00:00:00"), {}, {})),
              QStringLiteral("FFmpeg is not available — add it to the Helpers folder or install it with the package manager."));

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

TEST_F(RunnerTest, SuccessfulRunPutsTheOutputInPlace) {
    const QString source = folder + QStringLiteral("/in/clip.mov");
    testsupport::MovieSpec recipe;
    recipe.timecode = QStringLiteral("10:00:00:00");
    recipe.audio = true;
    ASSERT_TRUE(makeMovie(source, recipe));
    // A partial file an interrupted run of this output left behind.
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/out/.clip_TC.partial-0123ABCD.mov"), "left over"));
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/out/.other.partial-0123ABCD.mov"), "not ours to remove"));

    auto runner = FFmpegCorrectionRunner::make();
    EXPECT_TRUE(runner->isAvailable());
    runner->cancel();  // a cancel before the run is forgotten
    double lastProgress = 0;
    QStringList lines;
    const auto job = jobFor(source, QStringLiteral("01:02:03:04"));
    EXPECT_EQ(errorOf(runner->run(job, [&](double p) { lastProgress = p; }, [&](const QString& l) { lines << l; })),
              QString());
    EXPECT_EQ(testsupport::probeTimecode(job.outputPath), QStringLiteral("01:02:03:04"));
    EXPECT_EQ(outputFolderEntries(), (QStringList{".other.partial-0123ABCD.mov", "clip_TC.mov"}));
    // Callbacks are delivered on this thread.
    EXPECT_TRUE(waitFor([&] { return !lines.isEmpty(); }));
    EXPECT_GE(lastProgress, 0);
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
    auto slow = FFmpegCorrectionRunner::make(slowToolResolver(folder));
    auto run = slow->run(jobFor(source), {}, {});
    // The tool has begun writing its partial file when it is cancelled.
    ASSERT_TRUE(waitFor([&] { return outputFolderEntries().size() == 1; }));
    EXPECT_TRUE(outputFolderEntries()[0].startsWith(QStringLiteral(".clip_TC.partial-")));
    slow->cancel();
    EXPECT_EQ(errorOf(run), QStringLiteral("Operation was cancelled"));
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

TEST_F(RunnerTest, GoingAwayStopsTheToolRun) {
    const QString source = folder + QStringLiteral("/in/clip.mov");
    ASSERT_TRUE(makeMovie(source));
    auto slow = FFmpegCorrectionRunner::make(slowToolResolver(folder));
    auto run = slow->run(jobFor(source), {}, {});
    ASSERT_TRUE(waitFor([&] { return outputFolderEntries().size() == 1; }));
    slow.reset();  // waits only as long as the cancelled tool takes to stop
    EXPECT_TRUE(run.isFinished());
    EXPECT_TRUE(outputFolderEntries().isEmpty());
}
