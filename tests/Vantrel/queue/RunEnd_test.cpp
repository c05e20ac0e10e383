// How a run ends when it is interrupted, and what it leaves in the output folder:
// a Stop at every stage boundary, tools that end badly, an output that cannot take
// its name, and the partial files of jobs the queue lets go. The correction runs
// the real runner with a stand-in ffmpeg that the test holds at each boundary (it
// writes with the real ffmpeg); the verifier is a fake the test answers.
#include <gtest/gtest.h>

#include "PlacementStandIn.h"
#include "QtPrinting.h"
#include "QueueTestSupport.h"
#include "TestMedia.h"
#include "Vantrel/queue/FFmpegCorrectionRunner.h"
#include "Vantrel/queue/PartialOutput.h"
#include "Vantrel/tools/ToolThreadPool.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace queuetest;
using testsupport::makeTestFolder;
using testsupport::writeFile;

namespace {

class RunEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        folder = makeTestFolder(QStringLiteral("run-end"));
        source = folder + QStringLiteral("/in/clip.mov");
        testsupport::MovieRecipe recipe;
        recipe.timecode = QStringLiteral("10:00:00:00");
        recipe.audio = true;
        ASSERT_TRUE(testsupport::makeMovie(source, recipe));
        real = *BundledToolResolver().resolve(BundledToolResolver::Tool::ffmpeg);
    }
    void TearDown() override {
        queue.reset();
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    QString out() const { return folder + QStringLiteral("/out"); }
    QString output() const { return out() + QStringLiteral("/clip_TC.mov"); }
    QString gate(const char* name) const { return folder + QStringLiteral("/gate/") + QLatin1String(name); }
    void open(const char* name, const QByteArray& content = "0") { ASSERT_TRUE(writeFile(gate(name), content)); }
    bool reached(const char* name) const { return QFile::exists(gate(name)); }
    int terms() const {
        QFile file(gate("terms"));
        return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
    }

    // A stand-in ffmpeg held at each boundary: it says it started, waits for "write",
    // writes with the real ffmpeg, says it has written, and waits for "exit", which
    // holds its exit status. Told to stop, it ends well once it has written the
    // file (as ffmpeg does), else with 143; each SIGTERM is a line in "terms".
    // `before` and `after` are shell lines run just before and after the write.
    BundledToolResolver heldTool(const QByteArray& before = {}, const QByteArray& after = {}) const {
        const QString helpers = folder + QStringLiteral("/held-helpers");
        const QString g = folder + QStringLiteral("/gate");
        QDir().mkpath(g);
        const QString body =
            QStringLiteral("for last; do :; done\n"
                           "trap 'echo term >> \"%1/terms\"; if [ -e \"%1/written\" ]; then exit 0; fi; exit 143' TERM\n"
                           "echo $$ > \"%1/pid\"\n"
                           "touch \"%1/started\"\n"
                           "while [ ! -e \"%1/write\" ]; do sleep 0.01; done\n"
                           "%3\n"
                           "'%2' \"$@\" || exit $?\n"
                           "%4\n"
                           "touch \"%1/written\"\n"
                           "while [ ! -e \"%1/exit\" ]; do sleep 0.01; done\n"
                           "exit $(cat \"%1/exit\")\n")
                .arg(g, real, QString::fromUtf8(before), QString::fromUtf8(after));
        EXPECT_TRUE(testsupport::writeScript(helpers + QStringLiteral("/ffmpeg"), body.toUtf8()));
        return BundledToolResolver(BundledToolResolver::SearchList{helpers, {}});
    }

    void makeQueue(const BundledToolResolver& tools, const QString& storage = {}) {
        auto runner = FFmpegCorrectionRunner::make(tools);
        finishing = runner->finishingPool();
        queue = std::make_unique<CorrectionQueue>(std::move(runner), verifier,
                                                  storage.isEmpty() ? folder + QStringLiteral("/storage") : storage);
    }

    CorrectionJob enqueue(VerifyTier tier) {
        QDir().mkpath(out());
        auto job = makeJob(source, output(), tier);
        job.assignedTimecodeString = QStringLiteral("01:02:03:04");
        queue->enqueue(job);
        return job;
    }

    const CorrectionJob& only() const { return queue->jobs().first(); }

    // Until the held tool's process has ended, without handling any event meanwhile:
    // the run has not heard of it yet.
    bool toolHasEnded() const {
        QFile pidFile(gate("pid"));
        if (!pidFile.open(QIODevice::ReadOnly)) return false;
        const QString stat = QStringLiteral("/proc/%1/stat").arg(pidFile.readAll().trimmed().toInt());
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            QFile proc(stat);
            if (!proc.open(QIODevice::ReadOnly)) return true;  // reaped
            const QByteArray line = proc.readAll();
            const qsizetype name = line.lastIndexOf(')');
            if (name >= 0 && line.mid(name + 2, 1) == "Z") return true;  // ended, not yet reaped
            QThread::msleep(2);
        }
        return false;
    }

    // Every file in the output folder, hidden ones included.
    QStringList outputFolder() const { return QDir(out()).entryList(QDir::Files | QDir::Hidden | QDir::System); }

    // The boundaries a run can be held at, the tool by its gates and the checks by
    // the fake verifier.
    enum class At {
        locatingFiles,     // before the tool is handed to a thread
        waitingForThread,  // the tool waits for a thread to start it on
        toolStarted,       // the tool runs, nothing written yet
        toolWrote,         // the whole file written, the tool not yet ended
        toolExited,        // the tool has ended well, its end not yet taken
        standardChecks,    // the standard verification runs
        standardResult,    // its result has come, not yet taken
        thoroughChecks,    // the thorough verification runs
        thoroughResult,    // its result has come, not yet taken
        afterTheEnd,       // the job is done
        manualChecks,      // then a thorough verification asked for by hand runs
    };

    // A fresh queue with one job of the tier, started and held at `at` (for the
    // two boundaries before the tool starts, with the workers of `pool` held).
    void startHeldAt(At at, VerifyTier tier, const QString& storageName, std::optional<HeldPool>& pool) {
        QDir(folder + QStringLiteral("/gate")).removeRecursively();
        QDir(out()).removeRecursively();
        verifier->holdStandard = at == At::standardChecks || at == At::standardResult;
        verifier->holdThorough = at == At::thoroughChecks || at == At::thoroughResult || at == At::manualChecks;
        verifier->held.reset();
        verifier->heldStandard.reset();
        makeQueue(heldTool(), folder + QStringLiteral("/storage/") + storageName);
        enqueue(tier);
        const bool toolHeld = at == At::toolStarted || at == At::toolWrote || at == At::toolExited;
        if (at != At::toolStarted) open("write");
        if (!toolHeld) open("exit");
        if (at == At::locatingFiles) pool.emplace();
        // The run's finishing step takes the tool up itself when it gets to wait
        // for it first: its thread is held too.
        if (at == At::waitingForThread) pool.emplace({toolThreadPool(), finishing});
        queue->start();
        switch (at) {
        case At::locatingFiles:
            ASSERT_TRUE(waitFor([&] { return queue->isProcessing(); }));
            ASSERT_EQ(only().status, JobStatus::preparing());
            break;
        case At::waitingForThread: ASSERT_TRUE(waitFor([&] { return only().status == JobStatus::active(); })); break;
        case At::toolStarted: ASSERT_TRUE(waitFor([&] { return reached("started"); })); break;
        case At::toolWrote: ASSERT_TRUE(waitFor([&] { return reached("written"); })); break;
        case At::toolExited:
            ASSERT_TRUE(waitFor([&] { return reached("written"); }));
            // Let it end, without this thread hearing of it yet.
            open("exit");
            ASSERT_TRUE(toolHasEnded());
            break;
        case At::standardChecks:
        case At::standardResult: ASSERT_TRUE(waitFor([&] { return verifier->heldStandard != nullptr; })); break;
        case At::thoroughChecks:
        case At::thoroughResult: ASSERT_TRUE(waitFor([&] { return verifier->held != nullptr; })); break;
        case At::afterTheEnd: ASSERT_TRUE(ended()); break;
        case At::manualChecks:
            ASSERT_TRUE(ended());
            queue->manualThoroughVerify(only().id);
            ASSERT_TRUE(waitFor([&] { return verifier->held != nullptr; }));
            break;
        }
    }

    // Until no job waits or runs any more and the loop has wound down.
    bool ended() {
        return waitFor(
            [&] {
                return !queue->isProcessing() && !queue->currentlyVerifyingJobId() && queue->pendingCount() == 0 &&
                       !queue->activeJob();
            },
            60000);
    }

    QString folder, source, real;
    std::shared_ptr<FakeVerifier> verifier = std::make_shared<FakeVerifier>();
    std::unique_ptr<CorrectionQueue> queue;
    QThreadPool* finishing = nullptr;  // the queue's runner's
};

}  // namespace

// A run stopped before its tool ended well ends cancelled with nothing in the
// output folder. Once the tool has ended well, a Stop comes too late to stop the
// job: the checks run on undisturbed and their result ends it, completed or
// failed, with the output under its name either way. The row says Cancelled from
// the Stop on. Whether the tool was still running shows in the SIGTERMs it got.
// A job removed while its checks run (after the Stop, or during a thorough
// verification asked for by hand) is gone at once: the checks run on, their
// console lines are written, and the output takes its name all the same. While
// the tool runs its partial file is held, and recorded by name and inode (also
// where the file system makes no file without a name): a sweep leaves it, and
// one that could not be removed is swept once the job goes.
TEST_F(RunEnd, AStopAtEachStageBoundary) {
    struct Case {
        const char* name;
        At at;
        VerifyTier tier;
        bool rowCancel;    // the row's cancel instead of Stop
        bool checksFail;
        JobStatus status;  // at the end
        int terms;
        bool removed = false;  // the row's × once the Stop is made
        bool unremovable = false;  // the file system fails the partial file's removal
        bool noUnnamedFiles = false;  // the file system makes no file without a name
    };
    const JobStatus cancelled = JobStatus::cancelled();
    const JobStatus completed = JobStatus::completed();
    const JobStatus failed = JobStatus::failed(QStringLiteral("Verification failed: detail 1"));
    const VerifyTier standard = VerifyTier::standard, thorough = VerifyTier::thorough, off = VerifyTier::off;
    const Case cases[] = {
        {"while its files are looked for", At::locatingFiles, standard, false, false, cancelled, 0},
        {"while the tool waits for a thread", At::waitingForThread, standard, false, false, cancelled, 0},
        {"as the tool starts", At::toolStarted, standard, false, false, cancelled, 1},
        {"as the tool starts (row)", At::toolStarted, off, true, false, cancelled, 1},
        {"after the tool wrote, before it ended", At::toolWrote, standard, false, false, completed, 1},
        {"after the tool wrote, tier off (row)", At::toolWrote, off, true, false, completed, 1},
        {"after the tool ended well", At::toolExited, standard, false, false, completed, 0},
        {"during the standard checks", At::standardChecks, standard, false, false, completed, 0},
        {"during the standard checks, which fail", At::standardChecks, standard, false, true, failed, 0},
        {"with the standard result", At::standardResult, standard, false, false, completed, 0},
        {"with the standard result (row)", At::standardResult, standard, true, false, completed, 0},
        {"during the thorough checks", At::thoroughChecks, thorough, false, false, completed, 0},
        {"during the thorough checks, which fail (row)", At::thoroughChecks, thorough, true, true, failed, 0},
        {"with the thorough result", At::thoroughResult, thorough, false, false, completed, 0},
        {"after the end", At::afterTheEnd, standard, false, false, completed, 0},
        {"during the standard checks, then removed", At::standardChecks, standard, false, false, completed, 0, true},
        {"during the thorough checks, then removed (row)", At::thoroughChecks, thorough, true, false, completed, 0, true},
        {"during escalated checks, which fail, then removed", At::thoroughChecks, standard, false, true, failed, 0, true},
        {"during checks asked for by hand, then removed", At::manualChecks, off, false, false, completed, 0, true},
        {"as the tool starts, its partial file cannot be removed", At::toolStarted, standard, false, false, cancelled, 1,
         false, true},
        {"as the tool starts, where no file is made without a name, and cannot be removed", At::toolStarted, standard,
         false, false, cancelled, 1, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        verifier->standardSeverities = {c.checksFail ? CheckSeverity::fail : CheckSeverity::pass};
        verifier->thoroughSeverities = {CheckSeverity::pass, c.checksFail ? CheckSeverity::fail : CheckSeverity::pass};
        std::optional<HeldPool> pool;
        std::optional<placementstandin::RefusingUnnamed> named;
        if (c.noUnnamedFiles) named.emplace(EOPNOTSUPP);
        ASSERT_NO_FATAL_FAILURE(startHeldAt(c.at, c.tier, c.name, pool));
        if (c.at == At::toolStarted || c.at == At::toolWrote) {
            // The file the tool writes is held, and its job records it by name and
            // inode: a sweep leaves it.
            ASSERT_TRUE(only().partialName && only().partialFile);
            const QString partial = out() + QLatin1Char('/') + *only().partialName;
            ASSERT_TRUE(FileIdentity::of(partial));
            EXPECT_EQ(FileIdentity::of(partial)->inode, only().partialFile->inode);
            EXPECT_EQ(PartialOutput::sweep(queue->jobs()), QStringList());
            EXPECT_TRUE(QFile::exists(partial));
        }
        // The answer and the Stop in one turn of the event loop: the answer waits
        // to be delivered when the Stop is made.
        if (c.at == At::standardResult) verifier->releaseHeldStandard();
        if (c.at == At::thoroughResult) verifier->releaseHeld();
        std::optional<placementstandin::Refusing> refusing;
        if (c.unremovable) refusing.emplace(0, 0, EIO);
        if (c.rowCancel) queue->cancelCurrentJob();
        else queue->stop();
        // The row shows the cancel at once, whatever is still on its way.
        EXPECT_EQ(only().status, c.at >= At::afterTheEnd ? completed : cancelled);
        if (c.removed) {
            queue->removeJob(only().id);
            EXPECT_TRUE(queue->jobs().isEmpty());
        }
        pool.reset();
        // A running tool is told to stop within its run's next look at the token;
        // then every gate opens, so that a tool nobody stopped runs to its end
        // and shows in the outcome.
        if (c.terms > 0) {
            ASSERT_TRUE(waitFor([&] { return terms() >= c.terms; }, 5000)) << "the tool was not told to stop";
        }
        open("write");
        open("exit");
        // The checks were not told to stop: they answer when they have ended.
        for (const auto& held : {verifier->heldStandard, verifier->held}) {
            EXPECT_TRUE(!held || !held->future().isCanceled());
        }
        if (verifier->heldStandard) verifier->releaseHeldStandard();
        if (verifier->held) verifier->releaseHeld();
        // A thorough run the failed standard checks escalated to answers at once.

        ASSERT_TRUE(ended());
        queue->waitForSaves();  // and the removed job's clean-up
        if (c.removed) {
            EXPECT_TRUE(queue->jobs().isEmpty());
        } else {
            EXPECT_EQ(only().status, c.status);
        }
        const QStringList console = messages(*queue);
        if (c.status == cancelled) {
            // A partial file that could not be removed stays recorded, for a later sweep.
            ASSERT_EQ(only().partialName.has_value(), c.unremovable);
            EXPECT_EQ(outputFolder(), c.unremovable ? QStringList{*only().partialName} : QStringList{});
            EXPECT_FALSE(only().verification.has_value());
            EXPECT_EQ(only().progress, 0);
            EXPECT_EQ(console.filter(QStringLiteral("Cancelled: clip.mov")).size(), 1);
        } else {
            EXPECT_EQ(outputFolder(), QStringList{"clip_TC.mov"});
            EXPECT_EQ(testsupport::probeTimecode(output()), QStringLiteral("01:02:03:04"));
            if (!c.removed) {
                EXPECT_EQ(only().verification.has_value(), c.tier != off);
            }
            if (c.tier != off || c.at == At::manualChecks) {
                const QString manual = c.at == At::manualChecks ? QStringLiteral(" (manual)") : QString();
                EXPECT_TRUE(console.contains(c.status == failed
                                                 ? QStringLiteral("VERIFY ✗%1: clip.mov — detail 1").arg(manual)
                                                 : QStringLiteral("VERIFY ✓%1: clip.mov").arg(manual)));
            }
            EXPECT_EQ(console.filter(QStringLiteral("Cancelled: clip.mov")).size(), 0);
            EXPECT_EQ(console.filter(QStringLiteral("SUCCESS: clip.mov")).size(), c.status == completed ? 1 : 0);
        }
        // A tool stopped before its thread took it up never starts.
        const bool launched = c.at != At::locatingFiles && c.at != At::waitingForThread;
        EXPECT_EQ(reached("started"), launched);
        EXPECT_EQ(console.filter(QRegularExpression(QStringLiteral("^FFmpeg PID: "))).size(), launched ? 1 : 0);
        EXPECT_EQ(console.contains(QStringLiteral("FFmpeg was cancelled before it started")),
                  c.at == At::waitingForThread);
        EXPECT_EQ(terms(), c.terms);
        EXPECT_TRUE(queue->accessedSecurityScopedResources().isEmpty());
        QCoreApplication::sendPostedEvents();
        if (!c.removed) {
            EXPECT_EQ(only().status, c.status);
        }
        if (c.unremovable) {
            refusing.reset();
            queue->removeJob(only().id);
            queue->waitForSaves();
            EXPECT_EQ(outputFolder(), QStringList{});
        }
        queue.reset();
    }
}

// A tool that ends badly fails the job, whatever it wrote: nothing of the run is
// left in the folder and an earlier output under the name stays as it was. The
// message holds everything the tool said, as the console's error line does, and
// names the output as the user knows it, never the hidden file the tool wrote.
TEST_F(RunEnd, AToolThatEndsBadlyLeavesTheOutputFolderAsItWas) {
    struct Case {
        const char* name;
        QByteArray exit;            // the stand-in's exit status, once it has written
        QByteArray beforeWriting;   // what it does before the real ffmpeg writes
        QString said;               // part of what the tool said; "%1": the output's path
    };
    const Case cases[] = {
        {"a whole movie with the new timecode, then exit status 1", "1", {},
         QStringLiteral("\nOutput #0, mov, to '%1':\n")},
        {"the output folder gone before the write", "0",
         QStringLiteral("rm -rf '%1'").arg(out()).toUtf8(),
         QStringLiteral("\n%1: No such file or directory")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(folder + QStringLiteral("/gate")).removeRecursively();
        QDir(out()).removeRecursively();
        makeQueue(heldTool(c.beforeWriting), folder + QStringLiteral("/storage/") + c.name);
        enqueue(VerifyTier::standard);
        const bool folderStays = c.beforeWriting.isEmpty();
        if (folderStays) {
            ASSERT_TRUE(writeFile(output(), "earlier output"));
        }
        open("write");
        open("exit", c.exit);
        queue->start();
        ASSERT_TRUE(ended());

        ASSERT_EQ(only().status.kind, JobStatus::Kind::failed);
        const QString message = only().status.errorMessage;
        EXPECT_TRUE(message.startsWith(QStringLiteral("Operation failed: Input #0, mov,"))) << message.toStdString();
        EXPECT_TRUE(message.contains(c.said.arg(output()))) << message.toStdString();
        EXPECT_FALSE(message.contains(QStringLiteral(".partial-"))) << message.toStdString();
        const QStringList console = messages(*queue);
        EXPECT_EQ(console.filter(QStringLiteral("FAILED: clip.mov — ")).size(), 1);
        const QStringList errorOutput = console.filter(QRegularExpression(QStringLiteral("^FFmpeg error output: ")));
        ASSERT_EQ(errorOutput.size(), 1);
        EXPECT_EQ(errorOutput.first().trimmed(), QStringLiteral("FFmpeg error output: ") +
                                                     message.mid(QStringLiteral("Operation failed: ").size()));
        EXPECT_TRUE(console.filter(QStringLiteral(".partial-")).isEmpty()) << console.join('\n').toStdString();
        EXPECT_TRUE(verifier->calls.isEmpty());
        if (folderStays) {
            EXPECT_EQ(outputFolder(), QStringList{"clip_TC.mov"});
            QFile earlier(output());
            ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
            EXPECT_EQ(earlier.readAll(), QByteArray("earlier output"));
        } else {
            EXPECT_FALSE(QFileInfo::exists(out()));
        }
        queue.reset();
    }
}

// The finished output takes its name at the end of the run. A file standing under
// that name, whenever it came (before the job was queued, while the job waited
// through a restart, while the tool wrote), is never replaced: the output takes the
// next free name beside it, passing over names promised to other jobs, and the
// job and the console say so; also where the file system has no rename that
// refuses to replace, nor links (NFS, some FUSE mounts). When it cannot, the job
// fails and nothing of the run is left. The partial file an interrupted run of
// the job recorded goes before the run, and nothing else.
TEST_F(RunEnd, TheOutputTakesItsNameOrAFreeOneOrTheJobFails) {
    const bool root = ::geteuid() == 0;
    enum class Standing { nothing, file, folder, fileWhileWriting };
    enum class Refused { nothing, rename, renameAndLink };  // by the file system
    struct Case {
        const char* name;
        QString outputName;
        Standing standing = Standing::nothing;
        bool restored = false;     // the job comes back from the queue file of an earlier launch
        bool promised = false;     // another queued job has the name after it
        QByteArray afterWriting;   // run by the stand-in once it has written
        QString placedAs;          // empty: the job fails
        QString message;           // when it fails
        QStringList left;          // the output folder afterwards
        Refused refused = Refused::nothing;
    };
    const QString clip = QStringLiteral("clip_TC.mov");
    const QString longName = QString(120, QChar(u'é')) + QStringLiteral("_TC.mov");  // 247 bytes
    const QString longestName = QString(124, QChar(u'é')) + QStringLiteral("_TC.mov");  // 255 bytes: no room for "-2"
    // The first is of this output's partial naming, but no job recorded it.
    const QStringList others{".clip_TC.partial-ABCDEF12.mov", ".clip_TC.partial-notes.mov",
                             ".clip_TC.partial-0123ABCDE.mov", "clip_TC.partial-0123ABCD.mov",
                             ".clip_TC.partial-0123ABCD.mov.bak", ".other_TC.partial-0123ABCD.mov"};
    const QString lockUp = root ? QStringLiteral("mount --bind '%1' '%1' && mount -o remount,bind,ro '%1' || exit 9").arg(out())
                                : QStringLiteral("chmod a-w '%1'").arg(out());
    const QByteArray appear = QStringLiteral("echo PRECIOUS > '%1/%2'").arg(out(), clip).toUtf8();
    const Case cases[] = {
        {"the name is free", clip, {}, false, false, {}, clip, {}, {clip}},
        {"left-over partials go, other files stay", clip, {}, false, false, {}, clip, {}, QStringList(others) << clip},
        {"the longest name", longName, {}, false, false, {}, longName, {}, {longName}},
        {"a file stands at the name", clip, Standing::file, false, false, {}, "clip_TC-2.mov", {}, {clip, "clip_TC-2.mov"}},
        {"a file stands at the name of a restored job", clip, Standing::file, true, false, {}, "clip_TC-2.mov", {},
         {clip, "clip_TC-2.mov"}},
        {"a file comes while the tool writes", clip, Standing::fileWhileWriting, false, false, appear, "clip_TC-2.mov",
         {}, {clip, "clip_TC-2.mov"}},
        {"a folder stands at the name", clip, Standing::folder, false, false, {}, "clip_TC-2.mov", {}, {"clip_TC-2.mov"}},
        {"no rename that refuses to replace", clip, {}, false, false, {}, clip, {}, {clip}, Refused::rename},
        {"no such rename, a file stands at the name", clip, Standing::file, false, false, {}, "clip_TC-2.mov", {},
         {clip, "clip_TC-2.mov"}, Refused::rename},
        {"no such rename, no links", clip, {}, false, false, {}, clip, {}, {clip}, Refused::renameAndLink},
        {"no such rename, no links, a file stands at the name", clip, Standing::file, false, false, {}, "clip_TC-2.mov",
         {}, {clip, "clip_TC-2.mov"}, Refused::renameAndLink},
        {"the next name is promised to another job", clip, Standing::file, false, true, {}, "clip_TC-3.mov", {},
         {clip, "clip_TC-2.mov", "clip_TC-3.mov"}},
        {"no free name is left beside a file", longestName, Standing::file, false, false, {}, {},
         QStringLiteral("The output name %1 is taken by another file, and no free name is left beside it: Output name "
                        "is over 255 bytes — shorten the name pattern.")
             .arg(out() + QLatin1Char('/') + longestName),
         {longestName}},
        {"the folder turns read-only", clip, {}, false, false, lockUp.toUtf8(), {},
         root ? QStringLiteral("The finished output could not be put in place: Read-only file system")
              : QStringLiteral("The finished output could not be put in place: Permission denied"),
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(folder + QStringLiteral("/gate")).removeRecursively();
        QDir(out()).removeRecursively();
        QDir().mkpath(out());
        const QString path = out() + QLatin1Char('/') + c.outputName;
        const QString storage = folder + QStringLiteral("/storage/") + c.name;
        if (QString(c.name).startsWith(QStringLiteral("left-over"))) {
            for (const QString& other : others) ASSERT_TRUE(writeFile(out() + "/" + other, "someone else's"));
        }
        // A partial file this very job recorded in an earlier, interrupted run.
        const QString leftOver = PartialOutput::pathFor(path);
        ASSERT_TRUE(writeFile(leftOver, "left over"));
        if (c.standing == Standing::file) {
            ASSERT_TRUE(writeFile(path, "PRECIOUS"));
        }
        if (c.standing == Standing::folder) {
            ASSERT_TRUE(writeFile(path + "/keep.txt", "kept"));
        }

        CorrectionJob job = makeJob(source, path, VerifyTier::off);
        job.partialName = QFileInfo(leftOver).fileName();
        job.partialFile = FileIdentity::of(leftOver)->node();
        if (c.restored) {
            ASSERT_TRUE(writeFile(storage + QStringLiteral("/queue.json"), QJsonDocument(QJsonArray{job.toJson()}).toJson()));
        }
        makeQueue(heldTool({}, c.afterWriting), storage);
        if (!c.restored) queue->enqueue(job);
        if (c.promised) queue->enqueue(makeJob(source, out() + QStringLiteral("/clip_TC-2.mov"), VerifyTier::off));
        open("write");
        open("exit");
        const int linksBefore = placementstandin::linkCalls();
        std::optional<placementstandin::Refusing> refusing;
        if (c.refused != Refused::nothing) refusing.emplace(EINVAL, c.refused == Refused::renameAndLink ? EPERM : 0);
        queue->start();
        ASSERT_TRUE(ended());
        refusing.reset();
        EXPECT_EQ(placementstandin::linkCalls() > linksBefore, c.refused != Refused::nothing);
        if (c.standing == Standing::nothing && !c.afterWriting.isEmpty()) {
            if (root) testsupport::runTool(QStringLiteral("umount"), {out()});
            else QFile::setPermissions(out(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            if (only().status.errorMessage.startsWith(QStringLiteral("Operation failed"))) {
                GTEST_SKIP() << "the folder could not be made read-only here";
            }
        }

        const QStringList console = messages(*queue);
        if (c.message.isEmpty()) {
            const QString placed = out() + QLatin1Char('/') + c.placedAs;
            EXPECT_EQ(only().status, JobStatus::completed());
            EXPECT_EQ(only().outputPath, placed);
            EXPECT_EQ(testsupport::probeTimecode(placed), QStringLiteral("01:00:00:00"));
            EXPECT_EQ(console.contains(QStringLiteral("Output name taken: %1 — saved as %2").arg(c.outputName, c.placedAs)),
                      c.placedAs != c.outputName);
            if (c.promised) {
                EXPECT_EQ(queue->jobs().last().status, JobStatus::completed());
                EXPECT_EQ(queue->jobs().last().outputPath, out() + QStringLiteral("/clip_TC-2.mov"));
            }
        } else {
            EXPECT_EQ(only().status, JobStatus::failed(c.message));
            EXPECT_EQ(only().outputPath, path);
        }
        if (c.standing == Standing::file || c.standing == Standing::fileWhileWriting) {
            QFile precious(path);
            ASSERT_TRUE(precious.open(QIODevice::ReadOnly));
            EXPECT_EQ(precious.readAll(), QByteArray("PRECIOUS\n").left(c.standing == Standing::file ? 8 : 9));
        }
        EXPECT_EQ(QFile::exists(path + "/keep.txt"), c.standing == Standing::folder);
        QStringList left = outputFolder();
        // A partial that a read-only folder kept is cleared by the next run of the output.
        if (!c.afterWriting.isEmpty() && c.standing == Standing::nothing) {
            left = left.filter(QRegularExpression(QStringLiteral("^(?!\\.clip_TC\\.partial-)")));
        }
        QStringList expected = c.left;
        expected.sort();
        EXPECT_EQ(left, expected);
        queue.reset();
    }
}

// An output that failed its checks stays under its name to be looked at; a Retry
// writes over it, as a run of the job does, also after a relaunch, and the job
// keeps its output path. A file at the name that is not the one the job placed
// there (changed or replaced since, or not known to a queue file of an earlier
// version) is kept, and the output takes a free name beside it. A disk attached
// again under another device number holds the same file. A file that comes to the
// name while the two are exchanged is never taken for the run's, moved on or
// removed: when it cannot be put back, the job fails saying where it is.
TEST_F(RunEnd, ARetryAfterFailedChecksWritesOverTheOutputKeptForALook) {
    enum class Since {
        nothing, relaunch, olderQueueFile, remounted, appended, touched, replacedByACopy, exchangeRefused,
        copiedInDuringTheExchange, anotherAsTheCopyGoesBack, anotherAsTheSwapBackFails
    };
    struct Case {
        const char* name;
        Since since;
        bool writtenOver;
    };
    const Case cases[] = {
        {"nothing happened to it", Since::nothing, true},
        {"the application was started again", Since::relaunch, true},
        {"a queue file of an earlier version", Since::olderQueueFile, false},
        {"its disk came back under another device number", Since::remounted, true},
        {"its content changed", Since::appended, false},
        {"only its time changed", Since::touched, false},
        {"replaced by a copy of the same size and time", Since::replacedByACopy, false},
        {"a file system that cannot exchange two files", Since::exchangeRefused, false},
        {"replaced by a copy as the new output is exchanged with it", Since::copiedInDuringTheExchange, false},
        {"then by another file as the copy is swapped back", Since::anotherAsTheCopyGoesBack, false},
        {"then by another file as the swap back fails", Since::anotherAsTheSwapBackFails, false},
    };
    const QString beside = out() + QStringLiteral("/clip_TC-2.mov");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(folder + QStringLiteral("/gate")).removeRecursively();
        QDir(out()).removeRecursively();
        const QString storage = folder + QStringLiteral("/storage/") + c.name;
        verifier->standardSeverities = {CheckSeverity::fail};
        verifier->thoroughSeverities = {CheckSeverity::pass, CheckSeverity::fail};
        makeQueue(heldTool(), storage);
        const CorrectionJob job = enqueue(VerifyTier::standard);
        open("write");
        open("exit");
        queue->start();
        ASSERT_TRUE(ended());
        ASSERT_EQ(only().status, JobStatus::failed(QStringLiteral("Verification failed: detail 1")));
        ASSERT_EQ(outputFolder(), QStringList{"clip_TC.mov"});
        EXPECT_EQ(only().placedOutput, FileIdentity::of(output()));

        const QString copy = out() + QStringLiteral("/copy.mov");
        switch (c.since) {
        case Since::nothing: break;
        case Since::relaunch:
        case Since::olderQueueFile:
        case Since::remounted: {
            CorrectionJob saved = only();
            if (c.since == Since::olderQueueFile) saved.placedOutput.reset();
            if (c.since == Since::remounted) ++saved.placedOutput->device;
            queue.reset();
            if (c.since != Since::relaunch) {
                ASSERT_TRUE(writeFile(storage + QStringLiteral("/queue.json"), QJsonDocument(QJsonArray{saved.toJson()}).toJson()));
            }
            makeQueue(heldTool(), storage);
            break;
        }
        case Since::appended: ASSERT_EQ(testsupport::runTool(QStringLiteral("sh"), {"-c", "echo notes >> '" + output() + "'"}), 0); break;
        case Since::touched: ASSERT_EQ(testsupport::runTool(QStringLiteral("touch"), {"-r", output(), "-d", "+1 second", output()}), 0); break;
        case Since::replacedByACopy:
            ASSERT_EQ(testsupport::runTool(QStringLiteral("cp"), {"-p", output(), copy}), 0);
            ASSERT_TRUE(QFile::remove(output()) && QFile::rename(copy, output()));
            break;
        case Since::exchangeRefused:
        case Since::copiedInDuringTheExchange:
        case Since::anotherAsTheCopyGoesBack:
        case Since::anotherAsTheSwapBackFails: break;
        }
        auto standing = FileIdentity::of(output());
        const QString standingHash = testsupport::sha256OfFile(output());

        // What the file system does while the new output takes the name.
        std::optional<placementstandin::Refusing> refusing;
        if (c.since == Since::exchangeRefused) refusing.emplace(EINVAL);
        bool copiedIn = false;
        const bool copying = c.since >= Since::copiedInDuringTheExchange;
        const bool stranded = c.since > Since::copiedInDuringTheExchange;
        const auto putAtTheName = [&](const QString& file) {
            return std::rename(QFile::encodeName(file).constData(), QFile::encodeName(output()).constData()) == 0;
        };
        if (copying) {
            placementstandin::beforeNextExchange([&] {
                copiedIn = QFile::copy(output(), copy) && putAtTheName(copy);
                standing = FileIdentity::of(output());
                return 0;
            });
        }
        if (stranded) {
            placementstandin::beforeNextExchange([&] {
                const QString another = out() + QStringLiteral("/another.mov");
                copiedIn = copiedIn && writeFile(another, "PRECIOUS") && putAtTheName(another);
                return c.since == Since::anotherAsTheSwapBackFails ? EIO : 0;
            });
        }
        verifier->standardSeverities = {CheckSeverity::pass};
        queue->retryJob(job.id);
        queue->start();
        ASSERT_TRUE(waitFor([&] { return queue->isProcessing(); }));
        ASSERT_TRUE(ended());
        refusing.reset();
        placementstandin::beforeNextExchange(nullptr);
        EXPECT_EQ(copiedIn, copying);
        if (stranded) {
            ASSERT_TRUE(only().partialName.has_value());
            const QString hiddenName = *only().partialName;
            const QString hidden = out() + QLatin1Char('/') + hiddenName;
            EXPECT_EQ(only().status, JobStatus::failed(QStringLiteral("The finished output could not be put in place: the "
                                                                      "file that came to its name meanwhile is now at ") +
                                                       hidden));
            // Swapped back, the copy has the name and the other file the hidden one;
            // else the other way round. Neither goes, not even with the job.
            const bool swappedBack = c.since == Since::anotherAsTheCopyGoesBack;
            queue->removeJob(job.id);
            queue->waitForSaves();
            EXPECT_EQ(outputFolder(), (QStringList{hiddenName, "clip_TC.mov"}));
            EXPECT_EQ(testsupport::sha256OfFile(swappedBack ? output() : hidden), standingHash);
            QFile another(swappedBack ? hidden : output());
            ASSERT_TRUE(another.open(QIODevice::ReadOnly));
            EXPECT_EQ(another.readAll(), QByteArray("PRECIOUS"));
            queue.reset();
            continue;
        }
        EXPECT_EQ(only().status, JobStatus::completed());
        const QString placedAs = c.writtenOver ? output() : beside;
        EXPECT_EQ(only().outputPath, placedAs);
        EXPECT_EQ(only().placedOutput, FileIdentity::of(placedAs));
        EXPECT_EQ(testsupport::probeTimecode(placedAs), QStringLiteral("01:02:03:04"));
        EXPECT_EQ(messages(*queue).contains(QStringLiteral("Output name taken: clip_TC.mov — saved as clip_TC-2.mov")),
                  !c.writtenOver);
        if (c.writtenOver) {
            EXPECT_EQ(outputFolder(), QStringList{"clip_TC.mov"});
            EXPECT_NE(FileIdentity::of(output()), standing);
        } else {
            EXPECT_EQ(outputFolder(), (QStringList{"clip_TC-2.mov", "clip_TC.mov"}));
            EXPECT_EQ(FileIdentity::of(output()), standing);
            EXPECT_EQ(testsupport::sha256OfFile(output()), standingHash);
        }
        queue.reset();
    }
}

// A run cut off by the queue going away (the application quitting) leaves nothing
// in the output folder, whatever it was doing: its tool is stopped, its checks are
// dropped, and its partial file goes.
TEST_F(RunEnd, ARunCutOffAtQuitLeavesNothingInTheOutputFolder) {
    struct Case {
        const char* name;
        At at;
        VerifyTier tier;
        int terms;
    };
    const Case cases[] = {
        {"the tool runs", At::toolStarted, VerifyTier::standard, 1},
        {"the tool has written", At::toolWrote, VerifyTier::standard, 1},
        {"the standard checks run", At::standardChecks, VerifyTier::standard, 0},
        {"the thorough checks run", At::thoroughChecks, VerifyTier::thorough, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<HeldPool> pool;
        ASSERT_NO_FATAL_FAILURE(startHeldAt(c.at, c.tier, c.name, pool));
        ASSERT_EQ(outputFolder().size(), 1);  // the partial file, made before the tool starts
        queue.reset();
        EXPECT_EQ(outputFolder(), QStringList{});
        EXPECT_EQ(terms(), c.terms);
        for (const auto& held : {verifier->heldStandard, verifier->held}) {
            EXPECT_TRUE(!held || held->future().isCanceled());
        }
    }
}

// A job the queue lets go takes its left-over partial file with it: removed,
// cleared, or restored at start-up after the application was killed. Only the file
// the job recorded goes, and only when no run holds it, in this process or another:
// a file of the partial naming that no job recorded stays (here another job's
// completed output, named so), and a queue file of an earlier version, which
// records none, loads and removes nothing. A job still queued keeps its own.
TEST_F(RunEnd, PartialFilesOfJobsLetGoAreRemoved) {
    enum class How { removed, clearedQueue, clearedFinished, restored };
    struct Case {
        const char* name;
        How how;
        JobStatus status;
        bool recorded = true;       // the job recorded its partial file
        bool heldElsewhere = false;  // by a run of another process
    };
    const Case cases[] = {
        {"a removed pending job", How::removed, JobStatus::pending()},
        {"a removed job whose partial another process holds", How::removed, JobStatus::pending(), true, true},
        {"a cleared queue", How::clearedQueue, JobStatus::pending()},
        {"cleared finished jobs", How::clearedFinished, JobStatus::failed(QStringLiteral("no"))},
        {"a restored interrupted job", How::restored, JobStatus::active()},
        {"a restored interrupted job whose partial another process holds", How::restored, JobStatus::active(), true, true},
        {"a restored finished job", How::restored, JobStatus::completed()},
        {"a restored job of an earlier version's queue file", How::restored, JobStatus::active(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(out()).removeRecursively();
        const QString storage = folder + QStringLiteral("/storage/") + c.name;
        auto job = makeJob(source, output(), VerifyTier::standard);
        job.status = c.status;
        auto kept = makeJob(source, out() + QStringLiteral("/kept_TC.mov"), VerifyTier::standard);
        const QString partial = PartialOutput::pathFor(output());
        const QString keptPartial = PartialOutput::pathFor(kept.outputPath);
        // An earlier job's output, named like a partial file of this job's output.
        auto named = makeJob(source, out() + QStringLiteral("/.clip_TC.partial-ABCDEF12.mov"), VerifyTier::standard);
        named.status = JobStatus::completed();
        const QString unrelated = out() + QStringLiteral("/.notes.partial-0123ABCD.mov");
        for (const QString& file : {partial, keptPartial, unrelated, named.outputPath}) ASSERT_TRUE(writeFile(file, "bytes"));
        if (c.recorded) {
            job.partialName = QFileInfo(partial).fileName();
            job.partialFile = FileIdentity::of(partial)->node();
        }
        kept.partialName = QFileInfo(keptPartial).fileName();
        kept.partialFile = FileIdentity::of(keptPartial)->node();
        std::optional<int> holder;
        if (c.heldElsewhere) {
            holder = ::open(QFile::encodeName(partial).constData(), O_RDONLY | O_CLOEXEC);
            ASSERT_EQ(::flock(*holder, LOCK_EX | LOCK_NB), 0);
        }

        if (c.how == How::restored) {
            ASSERT_TRUE(writeFile(storage + QStringLiteral("/queue.json"),
                                  QJsonDocument(QJsonArray{named.toJson(), job.toJson()}).toJson()));
            makeQueue(BundledToolResolver(), storage);
            EXPECT_EQ(queue->jobs().size(), c.status == JobStatus::completed() ? 0 : 1);
        } else {
            makeQueue(BundledToolResolver(), storage);
            queue->enqueue(QList<CorrectionJob>{named, job, kept});
            if (c.how == How::clearedQueue) queue->removeJob(kept.id);  // its partial goes too
            switch (c.how) {
            case How::removed: queue->removeJob(job.id); break;
            case How::clearedQueue: queue->clearQueue(); break;
            case How::clearedFinished: queue->clearFinished(); break;
            case How::restored: break;
            }
        }
        queue->waitForSaves();  // and the clean-ups asked for so far
        EXPECT_EQ(QFile::exists(partial), !c.recorded || c.heldElsewhere);
        EXPECT_TRUE(QFile::exists(unrelated));
        EXPECT_TRUE(QFile::exists(named.outputPath));
        const bool keptQueued = c.how == How::removed || c.how == How::clearedFinished;
        EXPECT_EQ(QFile::exists(keptPartial), keptQueued || c.how == How::restored);
        if (holder) ::close(*holder);
        queue.reset();
    }
}
