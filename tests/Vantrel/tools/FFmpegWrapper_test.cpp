// Running a tool as a cancellable child process, with stand-in scripts for ffmpeg
// (and the real ffmpeg where progress from a real run is the point).
#include <gtest/gtest.h>

#include "FutureWatch/WhenFinished.h"
#include "QtPrinting.h"
#include "TestMedia.h"
#include "ToolTestSupport.h"
#include "Vantrel/tools/FFmpegWrapper.h"
#include "Vantrel/tools/ToolProcess.h"
#include "Vantrel/tools/ToolThreadPool.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <csignal>
#include <unistd.h>

using namespace vantrel;
using Wrapper = FFmpegWrapper;
using Kind = Wrapper::FFmpegError::Kind;
using testsupport::writeScript;

namespace {

// Collects everything one run reports and how it ended.
struct Recorder {
    QStringList log;
    std::vector<std::pair<double, QString>> progress;
    std::vector<ProgressMetrics> metrics;
    bool allOnMainThread = true;

    bool ended = false;
    bool succeeded = false;
    std::optional<Kind> errorKind;
    QString errorText;
    std::optional<QString> launchError;

    QFuture<void> start(Wrapper& wrapper, const QString& tool, const QStringList& arguments = {},
                        std::optional<qint64> totalFrames = std::nullopt) {
        tooltest::app();
        future = wrapper.runFFmpeg(
            tool, arguments, totalFrames,
            [this](double fraction, const QString& phase) {
                noteThread();
                progress.emplace_back(fraction, phase);
            },
            [this](const QString& line) {
                noteThread();
                log << line;
            },
            [this](const ProgressMetrics& m) {
                noteThread();
                metrics.push_back(m);
            });
        return future;
    }

    // Waits for the end and reads the outcome.
    void finish(int timeoutMs = 30000) {
        ended = tooltest::waitFor(future, timeoutMs);
        if (!ended) return;
        try {
            future.waitForFinished();
            succeeded = true;
        } catch (const Wrapper::FFmpegError& error) {
            errorKind = error.kind();
            errorText = error.errorDescription();
        } catch (const Wrapper::LaunchError& error) {
            launchError = error.errorDescription();
        }
    }

    void run(Wrapper& wrapper, const QString& tool, const QStringList& arguments = {},
             std::optional<qint64> totalFrames = std::nullopt) {
        start(wrapper, tool, arguments, totalFrames);
        finish();
    }

    // Waits until the tool has said `ready`, cancels the run, and checks that
    // cancel() returned at once. The clock runs from the cancel.
    QElapsedTimer cancelWhenReady(Wrapper& wrapper, const QString& ready) {
        QElapsedTimer clock;
        EXPECT_TRUE(waitForLogLine(QStringLiteral("FFmpeg: ") + ready));
        clock.start();
        wrapper.cancel();
        EXPECT_LT(clock.elapsed(), wrapper.terminateGracePeriod().count());  // does not sit out the grace period
        return clock;
    }

    bool waitForLogLine(const QString& prefix, int timeoutMs = 60000) {
        return QTest::qWaitFor(
            [&] {
                return std::any_of(log.begin(), log.end(), [&](const QString& l) { return l.startsWith(prefix); });
            },
            timeoutMs);
    }

    void noteThread() {
        if (QThread::currentThread() != tooltest::app()->thread()) allOnMainThread = false;
    }

    QFuture<void> future;
};

class FFmpegWrapperTest : public ::testing::Test {
protected:
    void SetUp() override { folder = testsupport::makeTestFolder(QStringLiteral("wrapper")); }
    void TearDown() override {
        if (!HasFailure()) QDir(folder).removeRecursively();
    }
    // The throttle's clock moves on by a whole interval at every chunk the run
    // reads: each chunk that holds statistics is reported, however closely the
    // chunks follow each other.
    void stepTheClock() {
        wrapper.setClock([readings = std::make_shared<std::atomic<int>>(0)] {
            return Wrapper::Clock::time_point() + Wrapper::OutputCollector::progressThrottleInterval * ++*readings;
        });
    }
    QString script(const QByteArray& body, const QString& name = QStringLiteral("ffmpeg")) {
        const QString path = folder + QLatin1Char('/') + name;
        EXPECT_TRUE(writeScript(path, body));
        return path;
    }

    QString folder;
    Wrapper wrapper;
};

}  // namespace

TEST_F(FFmpegWrapperTest, QuietSuccessLogsStartPidAndExitCode) {
    Recorder r;
    r.run(wrapper, script("exit 0\n"));
    ASSERT_TRUE(r.ended);
    EXPECT_TRUE(r.succeeded);
    ASSERT_EQ(r.log.size(), 3);
    EXPECT_EQ(r.log[0], QStringLiteral("Starting FFmpeg: ffmpeg"));
    EXPECT_TRUE(r.log[1].startsWith(QStringLiteral("FFmpeg PID: ")));
    EXPECT_GT(r.log[1].mid(12).toLongLong(), 0);
    EXPECT_EQ(r.log[2], QStringLiteral("FFmpeg exit code: 0"));
    EXPECT_TRUE(r.progress.empty());
    EXPECT_TRUE(r.allOnMainThread);
}

// The failure text is everything the tool wrote to standard error, in the order
// it came: the description of inputs and outputs, the statistics lines and the
// summary as much as the complaint itself. A tool that failed without a word is
// described by its status.
TEST_F(FFmpegWrapperTest, FailureCarriesTheToolsWholeStandardError) {
    const QByteArray said =
        "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from '/in/a.mov':\n"
        "  Duration: 00:00:04.00, start: 0.000000, bitrate: 60 kb/s\n"
        "  Stream #0:0[0x1](und): Video: h264 (avc1 / 0x31637661), yuv420p, 320x240, 25 fps\n"
        "Output #0, mov, to '/out/a_TC.mov':\n"
        "Stream mapping:\n"
        "  Stream #0:0 -> #0:0 (copy)\n"
        "Press [q] to stop, [?] for help\n"
        "frame=   10 fps=0.0 time=00:00:00.40 speed=1x\r"
        "size=     256kB time=00:00:04.00 bitrate= 524.3kbits/s\r"
        "[mov @ 0x55d0] frame rate mismatch\nError while writing\n"
        "video:0kB audio:0kB subtitle:0kB other streams:0kB global headers:0kB muxing overhead: unknown\n"
        "Conversion failed!\n";
    ASSERT_TRUE(testsupport::writeFile(folder + QStringLiteral("/said.txt"), said));
    struct Case {
        const char* name;
        QByteArray body;
        QString errors;
    };
    const Case cases[] = {
        {"everything it said", "cat \"$(dirname \"$0\")/said.txt\" >&2\nexit 1\n", QString::fromUtf8(said)},
        {"nothing at all", "exit 4\n", QStringLiteral("FFmpeg exited with status 4.\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder r;
        r.run(wrapper, script(c.body));
        ASSERT_TRUE(r.ended);
        ASSERT_EQ(r.errorKind, Kind::conversionFailed);
        EXPECT_EQ(r.errorText, QStringLiteral("Operation failed: ") + c.errors);
        ASSERT_GE(r.log.size(), 2);
        EXPECT_TRUE(r.log[r.log.size() - 2].startsWith(QStringLiteral("FFmpeg exit code: ")));
        EXPECT_EQ(r.log.last(), QStringLiteral("FFmpeg error output: ") + c.errors);
    }
}

TEST_F(FFmpegWrapperTest, ASuccessCanHandBackWhatTheToolSaid) {
    // A tool that reports a failure and still exits 0: the caller gets to judge.
    const QString said = QStringLiteral("frame=   45 fps=0.0 time=00:00:01.78\rError writing trailer of x.mov: No space left on device\n");
    QFuture<QString> run = wrapper.runFFmpegKeepingErrors(
        script("printf 'frame=   45 fps=0.0 time=00:00:01.78\\r' >&2\n"
               "printf 'Error writing trailer of x.mov: No space left on device\\n' >&2\nexit 0\n"),
        {}, std::nullopt, {}, {});
    ASSERT_TRUE(tooltest::waitFor(run));
    ASSERT_EQ(run.resultCount(), 1);
    EXPECT_EQ(run.result(), said);
}

TEST_F(FFmpegWrapperTest, LargeAndSplitStandardErrorIsKeptWhole) {
    Recorder big;
    big.run(wrapper, script("head -c 200000 /dev/zero | tr '\\0' 'x' >&2\nprintf 'END\\n' >&2\nexit 3\n"));
    ASSERT_EQ(big.errorKind, Kind::conversionFailed);
    EXPECT_EQ(big.errorText.size(), QStringLiteral("Operation failed: ").size() + 200004);
    EXPECT_TRUE(big.errorText.endsWith(QStringLiteral("xxxEND\n")));
    EXPECT_TRUE(big.log.contains(QStringLiteral("FFmpeg exit code: 3")));

    Recorder split;
    split.run(wrapper, script("printf 'Caf\\303' >&2\nsleep 0.3\nprintf '\\251 \\360\\237' >&2\nsleep 0.3\n"
                              "printf '\\216\\254 done\\n' >&2\nexit 1\n"));
    ASSERT_EQ(split.errorKind, Kind::conversionFailed);
    EXPECT_EQ(split.errorText, QStringLiteral("Operation failed: Caf\u00e9 \U0001F3AC done\n"));
}

// The tool writes its next statistics line only once the last one has been
// reported on the main thread, so that no read takes in two; the throttle's clock
// is the test's.
TEST_F(FFmpegWrapperTest, ProgressAndMetricsArriveOnTheMainThreadBeforeTheEnd) {
    stepTheClock();
    const QString tool = script(
        "printf '  Duration: 00:00:04.00, start: 0.000000\\n' >&2\n"
        "for t in 1 2 3; do\n"
        "  printf 'frame=  %d fps= 25 time=00:00:0%d.00 speed=2x\\r' $((t*25)) $t >&2\n"
        "  [ $t = 3 ] || until [ -e \"$0.reported$t\" ]; do sleep 0.01; done\n"
        "done\nexit 0\n");
    Recorder r;
    bool continuationSawEverything = false;
    futurewatch::whenFinished(r.start(wrapper, tool, {}, 100), tooltest::app(), [&](const auto&) {
        continuationSawEverything = !r.log.isEmpty() && r.log.last() == QStringLiteral("FFmpeg exit code: 0") &&
                                    r.progress.size() == 3;
    });
    for (size_t reported = 1; reported <= 2; ++reported) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return r.progress.size() >= reported; }, 60000)) << reported;
        ASSERT_TRUE(testsupport::writeFile(tool + QStringLiteral(".reported%1").arg(reported), ""));
    }
    r.finish();
    ASSERT_TRUE(r.succeeded);
    EXPECT_TRUE(QTest::qWaitFor([&] { return continuationSawEverything; }, 30000));
    ASSERT_EQ(r.progress.size(), 3u);
    EXPECT_DOUBLE_EQ(r.progress[0].first, 0.25);
    EXPECT_DOUBLE_EQ(r.progress[2].first, 0.75);
    EXPECT_EQ(r.progress[1].second, QStringLiteral("00:00:02.00 \u2022 2x"));
    ASSERT_EQ(r.metrics.size(), 3u);
    EXPECT_EQ(r.metrics[2].currentFrame, 75);
    EXPECT_EQ(r.metrics[2].totalFrames, 100);
    EXPECT_TRUE(r.allOnMainThread);
}

TEST_F(FFmpegWrapperTest, CancelTerminatesARunningTool) {
    Recorder r;
    r.start(wrapper, script("printf 'working\\n' >&2\nexec sleep 600\n"));
    r.cancelWhenReady(wrapper, QStringLiteral("working"));
    r.finish(120000);
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.errorKind, Kind::cancelled);
    EXPECT_EQ(r.errorText, QStringLiteral("Operation was cancelled"));
    // Ended by the terminate signal, not killed after the grace period.
    EXPECT_EQ(r.log.last(), QStringLiteral("FFmpeg exit code: 15 (cancelled)"));
}

TEST_F(FFmpegWrapperTest, ToolThatIgnoresTerminateIsKilledAfterTheGracePeriod) {
    EXPECT_EQ(wrapper.terminateGracePeriod(), std::chrono::seconds(3));
    wrapper.setTerminateGracePeriod(std::chrono::milliseconds(400));  // not the whole 3 s here
    Recorder r;
    r.start(wrapper, script("trap '' TERM\nprintf 'ready\\n' >&2\nwhile :; do sleep 0.1; done\n"));
    const QElapsedTimer clock = r.cancelWhenReady(wrapper, QStringLiteral("ready"));
    r.finish(120000);
    ASSERT_TRUE(r.ended);
    EXPECT_GE(clock.elapsed(), wrapper.terminateGracePeriod().count() - 20);
    EXPECT_EQ(r.errorKind, Kind::cancelled);
    EXPECT_EQ(r.log.last(), QStringLiteral("FFmpeg exit code: 9 (cancelled)"));
}

TEST_F(FFmpegWrapperTest, ToolThatFinishesCleanlyOnTerminateSucceeds) {
    Recorder r;
    r.start(wrapper, script("trap 'exit 0' TERM\nprintf 'ready\\n' >&2\nwhile :; do sleep 0.1; done\n"));
    r.cancelWhenReady(wrapper, QStringLiteral("ready"));
    r.finish(120000);
    EXPECT_TRUE(r.succeeded);
    EXPECT_EQ(r.log.last(), QStringLiteral("FFmpeg exit code: 0 (cancelled)"));
}

TEST_F(FFmpegWrapperTest, CancelDuringLaunchStopsTheToolOnceItStarts) {
    Recorder r;
    QElapsedTimer clock;
    clock.start();
    r.start(wrapper, script("exec sleep 600\n"));
    wrapper.cancel();
    r.finish(120000);
    ASSERT_TRUE(r.ended);
    EXPECT_LT(clock.elapsed(), 120000);  // not the tool's ten minutes
    EXPECT_EQ(r.errorKind, Kind::cancelled);
}

TEST_F(FFmpegWrapperTest, CancellingFlagStaysUntilTheCallerClearsIt) {
    const QString failing = script("exit 1\n");
    wrapper.cancel();  // no run in progress
    EXPECT_TRUE(wrapper.isCancelling());
    Recorder stale;
    stale.run(wrapper, failing);
    EXPECT_EQ(stale.errorKind, Kind::cancelled);
    EXPECT_EQ(stale.log.last(), QStringLiteral("FFmpeg exit code: 1 (cancelled)"));

    wrapper.clearCancelling();
    Recorder fresh;
    fresh.run(wrapper, failing);
    EXPECT_EQ(fresh.errorKind, Kind::conversionFailed);

    // A cancel after a run has ended signals nothing and leaves the next run to the flag.
    wrapper.cancel();
    EXPECT_TRUE(wrapper.isCancelling());
}

TEST_F(FFmpegWrapperTest, ToolThatCannotStartIsALaunchError) {
    Recorder missing;
    missing.run(wrapper, folder + QStringLiteral("/no-such-tool"));
    ASSERT_TRUE(missing.launchError.has_value());
    EXPECT_FALSE(missing.launchError->isEmpty());
    ASSERT_EQ(missing.log.size(), 2);
    EXPECT_EQ(missing.log[0], QStringLiteral("Starting FFmpeg: no-such-tool"));
    EXPECT_EQ(missing.log[1], QStringLiteral("Failed to launch FFmpeg: ") + *missing.launchError);

    const QString plain = folder + QStringLiteral("/plain");
    ASSERT_TRUE(testsupport::writeFile(plain, "not a program"));
    Recorder notExecutable;
    notExecutable.run(wrapper, plain);
    EXPECT_TRUE(notExecutable.launchError.has_value());
}

TEST_F(FFmpegWrapperTest, OutputThatIsTheSourceFileIsRefusedBeforeTheToolStarts) {
    const QString source = folder + QStringLiteral("/source.mov");
    ASSERT_TRUE(testsupport::writeFile(source, "camera original"));
    ASSERT_TRUE(QFile::link(source, folder + QStringLiteral("/symlink.mov")));
    ASSERT_EQ(::link(QFile::encodeName(source).constData(),
                     QFile::encodeName(folder + QStringLiteral("/hardlink.mov")).constData()),
              0);
    ASSERT_TRUE(QFile::link(folder, folder + QStringLiteral("/linked-folder")));
    const QString tool = script("touch \"$0\".ran\n", QStringLiteral("ffmpeg"));

    for (const QString& output : {source, folder + QStringLiteral("/symlink.mov"),
                                  folder + QStringLiteral("/hardlink.mov"),
                                  folder + QStringLiteral("/linked-folder/source.mov"),
                                  folder + QStringLiteral("/./source.mov")}) {
        Recorder r;
        r.run(wrapper, tool, {QStringLiteral("-i"), source, QStringLiteral("-c"), QStringLiteral("copy"),
                              QStringLiteral("-y"), output});
        EXPECT_EQ(r.errorKind, Kind::invalidInput) << output.toStdString();
        EXPECT_TRUE(r.errorText.startsWith(QStringLiteral("Invalid input: ")));
        EXPECT_TRUE(r.log.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(tool + QStringLiteral(".ran")));
    EXPECT_EQ(testsupport::sha256OfFile(source), testsupport::sha256OfFile(folder + QStringLiteral("/hardlink.mov")));

    Recorder distinct;
    distinct.run(wrapper, tool, {QStringLiteral("-i"), source, QStringLiteral("-y"), folder + QStringLiteral("/out.mov")});
    EXPECT_TRUE(distinct.succeeded);
    EXPECT_TRUE(QFile::exists(tool + QStringLiteral(".ran")));
    EXPECT_EQ(Wrapper::outputOverwritingInput({QStringLiteral("-i"), source}), std::nullopt);
}

// The real ffmpeg, slowed to real time, reports rising progress against the
// input's duration (which it writes in pieces that may arrive in separate chunks).
// The throttle's clock is the test's: however the pieces arrive, each read that
// holds statistics is reported.
TEST_F(FFmpegWrapperTest, RealRunReportsProgress) {
    stepTheClock();
    const QString clip = folder + QStringLiteral("/clip.mov");
    testsupport::MovieRecipe recipe;
    recipe.seconds = 1.5;
    QString error;
    ASSERT_TRUE(testsupport::makeMovie(clip, recipe, &error)) << error.toStdString();
    const auto ffmpeg = wrapper.toolResolver().resolve(BundledToolResolver::Tool::ffmpeg);
    ASSERT_TRUE(ffmpeg.has_value());

    Recorder r;
    r.run(wrapper, *ffmpeg,
          {QStringLiteral("-re"), QStringLiteral("-i"), clip, QStringLiteral("-stats_period"), QStringLiteral("0.2"),
           QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")});
    ASSERT_TRUE(r.succeeded) << r.log.join(QLatin1Char('\n')).toStdString();
    ASSERT_GE(r.progress.size(), 3u);
    for (size_t i = 0; i < r.progress.size(); ++i) {
        EXPECT_GT(r.progress[i].first, 0.0);
        EXPECT_LE(r.progress[i].first, 0.99);
        if (i > 0) {
            EXPECT_GE(r.progress[i].first, r.progress[i - 1].first);
        }
        EXPECT_TRUE(r.progress[i].second.startsWith(QStringLiteral("00:00:0"))) << r.progress[i].second.toStdString();
    }
    EXPECT_GT(r.progress.back().first, 0.5);
    EXPECT_TRUE(r.log.join(QString()).contains(QStringLiteral("Duration:")));
}

// Runs as a child process: starts a correction run and a plain tool run of stand-in
// tools that write their process id and then wait, and waits until it is killed.
TEST(ToolChild, RunsToolsUntilKilled) {
    const QString folder = qEnvironmentVariable("VANTREL_TOOL_CHILD_FOLDER");
    if (folder.isEmpty()) GTEST_SKIP() << "only runs as the child of the application-death test";
    auto tool = [&](const char* name) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(name);
        EXPECT_TRUE(writeScript(path, QStringLiteral("echo $$ > '%1.tmp' && mv '%1.tmp' '%1.pid'\nexec sleep 600\n")
                                          .arg(path)
                                          .toUtf8()));
        return path;
    };
    // Both scripts are written before either starts: a script still open for writing
    // while another thread forks can fail to start with "Text file busy".
    const QString ffmpeg = tool("ffmpeg");
    const QString probe = tool("ffprobe");
    Wrapper wrapper;
    Recorder correction;
    correction.start(wrapper, ffmpeg);
    auto plain = QtConcurrent::run(toolThreadPool(), [probe] { return runToolProcess(probe, {}); });
    correction.finish(600000);
}

// However the application dies, the tools it started end with it: a tool left
// running could still write a partial file that the next run's cleanup races.
TEST_F(FFmpegWrapperTest, ToolsEndWhenTheApplicationIsKilled) {
    tooltest::app();
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VANTREL_TOOL_CHILD_FOLDER"), folder);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=ToolChild.*")});
    ASSERT_TRUE(child.waitForStarted());
    auto pidOf = [&](const char* name) -> pid_t {
        QFile file(folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".pid"));
        return file.open(QIODevice::ReadOnly) ? pid_t(file.readAll().trimmed().toLongLong()) : 0;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return pidOf("ffmpeg") > 1 && pidOf("ffprobe") > 1; }, 60000));
    const QList<pid_t> tools{pidOf("ffmpeg"), pidOf("ffprobe")};
    ::kill(pid_t(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(60000));
    // A process ended but not yet reaped by its new parent counts as gone.
    auto alive = [](pid_t pid) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) return false;
        const QByteArray text = stat.readAll();
        const QByteArray state = text.mid(text.lastIndexOf(')') + 2, 1);
        return state != "Z" && state != "X";
    };
    const bool ended = QTest::qWaitFor([&] { return !alive(tools[0]) && !alive(tools[1]); }, 60000);
    for (const pid_t pid : tools) {
        if (alive(pid)) ::kill(pid, SIGKILL);  // leave nothing behind when the test fails
    }
    EXPECT_TRUE(ended);
}

// Where ffmpeg is missing, the advice is what works here: the package manager.
TEST(FFmpegWrapperText, AMissingToolIsInstalledWithTheSystemsPackageManager) {
    const QString text = FFmpegWrapper::FFmpegError::ffmpegNotFound().errorDescription();
    EXPECT_TRUE(text.contains(QStringLiteral("apt-get install ffmpeg"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Helpers"))) << text.toStdString();
}
