// A disk that fills while the output is written, through the whole queue at each
// verify tier: the job fails and nothing is left under the output name. On a
// small tmpfs when the tests run as root, and through a tool that behaves as
// ffmpeg does on a full disk (it says so, and exits 0) for everyone.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "QueueTestSupport.h"
#include "TestMedia.h"
#include "Vantrel/queue/FFmpegCorrectionRunner.h"
#include "Vantrel/queue/FFmpegOutputVerifier.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

using namespace queuetest;
using testsupport::makeMovie;
using testsupport::makeTestFolder;

namespace {

class FullDisk : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        folder = makeTestFolder(QStringLiteral("full-disk"));
        source = folder + QStringLiteral("/in/clip.mov");
        testsupport::MovieRecipe recipe;
        recipe.size = QStringLiteral("640x360");
        recipe.seconds = 4;
        recipe.timecode = QStringLiteral("10:00:00:00");
        recipe.audio = true;
        recipe.extraArgs = {QStringLiteral("-q:v"), QStringLiteral("2")};
        QString error;
        ASSERT_TRUE(makeMovie(source, recipe, &error)) << error.toStdString();
        hash = testsupport::sha256OfFile(source);
    }
    void TearDown() override {
        if (mounted) testsupport::runTool(QStringLiteral("umount"), {disk()});
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    QString disk() const { return folder + QStringLiteral("/disk"); }

    // A tmpfs of this many KiB at disk(), in place of the one before.
    bool mountDisk(qint64 kibibytes) {
        if (mounted) testsupport::runTool(QStringLiteral("umount"), {disk()});
        QDir().mkpath(disk());
        mounted = testsupport::runTool(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                                 QStringLiteral("-o"), QStringLiteral("size=%1k").arg(kibibytes),
                                                                 QStringLiteral("tmpfs"), disk()}) == 0;
        return mounted;
    }

    // Runs one job to its end in a fresh queue; the job as it ended.
    CorrectionJob runJob(std::shared_ptr<CorrectionRunning> runner, VerifyTier tier) {
        CorrectionQueue queue(std::move(runner), std::make_shared<FFmpegOutputVerifier>(),
                              folder + QStringLiteral("/storage-") + verifyTierRawValue(tier));
        // The free space before the run is not what this is about.
        queue.setVolumeInfoProvider([](const QString&) { return CorrectionQueue::VolumeInfo{}; });
        queue.enqueue(makeJob(source, disk() + QStringLiteral("/clip_TC.mov"), tier));
        queue.start();
        EXPECT_TRUE(waitFor([&] { return queue.isProcessing(); }, 5000));
        EXPECT_TRUE(waitFor([&] { return !queue.isProcessing(); }, 120000));
        return queue.jobs().value(0);
    }

    // The message speaks of the output by its own name, never of the hidden file the
    // tool wrote. A tool that failed hands on everything it wrote, its description
    // of the input and output included; one that exited 0 over a broken file is told
    // by its complaint alone, without that banner.
    static void expectToldPlainly(const CorrectionJob& job) {
        const QString& message = job.status.errorMessage;
        EXPECT_FALSE(message.contains(QStringLiteral(".partial-"))) << message.toStdString();
        const bool toolFailed = message.startsWith(QStringLiteral("Operation failed: "));
        for (const char* banner : {"Input #", "Output #", "Stream mapping:"})
            EXPECT_EQ(message.contains(QLatin1String(banner)), toolFailed) << banner << "\n" << message.toStdString();
    }

    QStringList diskEntries() const { return QDir(disk()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot); }

    QString folder, source, hash;
    bool mounted = false;
};

}  // namespace

TEST_F(FullDisk, AToolEndingWellOnAFullDiskFailsTheJobAtEveryTier) {
    QDir().mkpath(disk());
    const QString real = *BundledToolResolver().resolve(BundledToolResolver::Tool::ffmpeg);
    const QString helpers = folder + QStringLiteral("/helpers");
    ASSERT_TRUE(testsupport::writeScript(helpers + QStringLiteral("/ffmpeg"),
                                         QStringLiteral("for last; do :; done\n"
                                                        "'%1' \"$@\" || exit $?\n"
                                                        "truncate -s 8192 \"$last\"\n"
                                                        "echo \"Error writing trailer of $last: No space left on device\" >&2\n"
                                                        "exit 0\n")
                                             .arg(real)
                                             .toUtf8()));
    const BundledToolResolver filling(BundledToolResolver::SearchList{helpers, {}});
    for (const VerifyTier tier : allVerifyTiers) {
        SCOPED_TRACE(verifyTierRawValue(tier).toStdString());
        const CorrectionJob job = runJob(FFmpegCorrectionRunner::make(filling), tier);
        EXPECT_TRUE(job.status.is(JobStatus::Kind::failed));
        EXPECT_TRUE(job.status.errorMessage.contains(QStringLiteral("No space left on device"))) << job.status.errorMessage.toStdString();
        EXPECT_TRUE(job.status.errorMessage.contains(disk() + QStringLiteral("/clip_TC.mov")));
        EXPECT_FALSE(job.status.errorMessage.startsWith(QStringLiteral("Operation failed: ")));  // it ended well
        expectToldPlainly(job);
        EXPECT_EQ(diskEntries(), QStringList());
    }
    EXPECT_EQ(testsupport::sha256OfFile(source), hash);
}

TEST_F(FullDisk, ADiskFillingDuringTheWriteFailsTheJobAtEveryTier) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small disk needs root";
    const qint64 sourceKiB = QFileInfo(source).size() / 1024;
    // Too small for the movie by a little (the media may fit and only the movie
    // header not, where the tool can exit 0) and by more (the media do not fit: the
    // tool fails). Where exactly the tool runs out depends on how it buffers (its
    // thread count follows the machine), so every size must end the same way; the
    // tool that exits 0 after a failed trailer is pinned by the test above.
    for (const qint64 shortBy : {16, 40, 96, 256}) {
        if (!mountDisk(sourceKiB - shortBy)) GTEST_SKIP() << "no tmpfs can be mounted here";
        for (const VerifyTier tier : allVerifyTiers) {
            SCOPED_TRACE(QStringLiteral("%1 KiB short, %2").arg(shortBy).arg(verifyTierRawValue(tier)).toStdString());
            const CorrectionJob job = runJob(FFmpegCorrectionRunner::make(), tier);
            EXPECT_TRUE(job.status.is(JobStatus::Kind::failed));
            EXPECT_TRUE(job.status.errorMessage.contains(QStringLiteral("No space left on device"))) << job.status.errorMessage.toStdString();
            expectToldPlainly(job);
            EXPECT_EQ(diskEntries(), QStringList());
        }
    }
    EXPECT_EQ(testsupport::sha256OfFile(source), hash);
}
