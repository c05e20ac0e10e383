// The output verifier on real movies: a correct output passes, and each kind of
// damaged output fails or escalates as it should.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/queue/FFmpegOutputVerifier.h"
#include "Vantrel/queue/StreamHashFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QSet>

#include <algorithm>
#include <csignal>
#include <functional>

#include <unistd.h>

using namespace vantrel;
using testsupport::makeMovie;
using testsupport::makeTestFolder;
using testsupport::runTool;
using Kind = VerificationCheck::Kind;

namespace {

class VerifierTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new QString(makeTestFolder(QStringLiteral("verifier")));
        testsupport::MovieRecipe recipe;
        recipe.seconds = 2;
        recipe.audio = true;
        recipe.timecode = QStringLiteral("10:00:00:00");
        QString error;
        ASSERT_TRUE(makeMovie(path("src.mov"), recipe, &error)) << error.toStdString();
        ASSERT_TRUE(makeMovie(path("src.mp4"), recipe, &error)) << error.toStdString();
        recipe.audio = false;
        ASSERT_TRUE(makeMovie(path("silent.mov"), recipe, &error)) << error.toStdString();
        // The correct output: a stream copy with the new timecode.
        ASSERT_TRUE(copy("src.mov", "good.mov", {"-map", "0", "-map", "-0:d", "-timecode", "01:00:00:00"}));
    }
    const testsupport::DefaultLocale locale{QLocale(QLocale::English, QLocale::UnitedStates)};

    static void TearDownTestSuite() {
        QDir(*folder).removeRecursively();
        delete folder;
    }

    static QString path(const char* name) { return *folder + QLatin1Char('/') + QLatin1String(name); }

    // A stream copy of a test source with extra arguments; false when ffmpeg fails.
    static bool copy(const char* source, const char* output, const QStringList& extra) {
        QStringList args{"-v", "error", "-y", "-i", path(source), "-c", "copy"};
        args << extra << path(output);
        return runTool(QStringLiteral("ffmpeg"), args) == 0;
    }

    static CorrectionJob job(const char* source, const char* output, VerifyTier tier = VerifyTier::standard) {
        CorrectionJob job;
        job.id = QUuid::createUuid();
        job.sourcePath = path(source);
        job.outputPath = path(output);
        job.assignedTimecodeString = QStringLiteral("01:00:00:00");
        job.frameRate = FrameRate{25, 1, 25, false};
        job.verifyTier = tier;
        return job;
    }

    static const VerificationCheck* find(const VerificationResult& result, Kind kind, const QString& label = {}) {
        for (const auto& check : result.checks) {
            if (check.kind == kind && (label.isEmpty() || check.label == label)) return &check;
        }
        return nullptr;
    }

    // An "ffmpeg" in HELPERS that adds a line to STARTED each time it starts and then
    // sleeps for SECONDS; false when it cannot be written.
    static bool writeHangingFFmpeg(const QString& helpers, const QString& started, int seconds) {
        return testsupport::writeScript(helpers + QStringLiteral("/ffmpeg"),
                                        QStringLiteral("echo run >> '%1'\nexec sleep %2\n").arg(started).arg(seconds).toUtf8());
    }
    // How many times such an ffmpeg has started.
    static qsizetype runsStarted(const QString& started) {
        QFile file(started);
        return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
    }

    // Makes a folder the temporary folder (where hash files go) while it lives.
    class TemporaryFolder {
    public:
        explicit TemporaryFolder(const QString& name) : path_(*folder + QLatin1Char('/') + name), previous_(qgetenv("TMPDIR")) {
            QDir().mkpath(path_);
            qputenv("TMPDIR", QFile::encodeName(path_));
        }
        ~TemporaryFolder() { qputenv("TMPDIR", previous_); }
        const QString& path() const { return path_; }
        QStringList hashFiles() const {
            QStringList paths;
            for (const QString& name : QDir(path_).entryList({QStringLiteral("vantrel-streamhash-*")}, QDir::Files))
                paths << path_ + QLatin1Char('/') + name;
            return paths;
        }

    private:
        const QString path_;
        const QByteArray previous_;
    };

    static QStringList labels(const VerificationResult& result) {
        QStringList list;
        for (const auto& check : result.checks) list << check.label;
        return list;
    }


    static QString* folder;
    FFmpegOutputVerifier verifier;
};

QString* VerifierTest::folder = nullptr;

}  // namespace

TEST(VerifierKeys, TimecodeKeysIgnorePaddingButNotTheDropMark) {
    using V = FFmpegOutputVerifier;
    EXPECT_EQ(V::normalizedTimecodeKey("1:2:3:4"), QStringLiteral("01:02:03:04|ndf"));
    EXPECT_EQ(V::normalizedTimecodeKey("01:00:00;00"), QStringLiteral("01:00:00:00|df"));
    EXPECT_NE(V::normalizedTimecodeKey("01:00:00;00"), V::normalizedTimecodeKey("01:00:00:00"));
    EXPECT_EQ(V::normalizedTimecodeKey("01::00:00:00"), QStringLiteral("01:00:00:00|ndf"));  // doubled separator
    EXPECT_EQ(V::normalizedTimecodeKey("+1:-2:3:4"), QStringLiteral("01:-2:03:04|ndf"));
    EXPECT_FALSE(V::normalizedTimecodeKey("01:00:00"));
    EXPECT_FALSE(V::normalizedTimecodeKey("01:00:0x:00"));
    EXPECT_FALSE(V::normalizedTimecodeKey("01:00: 0:00"));
    EXPECT_FALSE(V::normalizedTimecodeKey("99999999999999999999:0:0:0"));
}

TEST(VerifierKeys, StreamHashLinesLoseOnlyTheirIndex) {
    using V = FFmpegOutputVerifier;
    EXPECT_EQ(V::streamHashLineKey("0,v,MD5=0123"), QStringLiteral("v,MD5=0123"));
    EXPECT_EQ(V::streamHashLineKey("0,v,MD5=0123"), V::streamHashLineKey("1,v,MD5=0123"));
    EXPECT_EQ(V::streamHashLineKey(",0,v,MD5"), QStringLiteral("v,MD5"));  // empty pieces drop out
    EXPECT_EQ(V::streamHashLineKey("0,,v,MD5,x"), QStringLiteral("v,MD5,x"));
    EXPECT_FALSE(V::streamHashLineKey("0,v,"));
    EXPECT_FALSE(V::streamHashLineKey("v,MD5=0123"));
    EXPECT_FALSE(V::streamHashLineKey("#software: Lavf"));
}

TEST(VerifierDecode, AnyErrorTextOrExitStatusFails) {
    using V = FFmpegOutputVerifier;
    EXPECT_EQ(V::fullDecodeOutcome({0, QString()}).second, CheckSeverity::pass);
    EXPECT_EQ(V::fullDecodeOutcome({0, QStringLiteral(" \n\t ")}).first, QStringLiteral("Output decoded cleanly end-to-end."));
    EXPECT_EQ(V::fullDecodeOutcome({1, QString()}),
              (V::Outcome{QStringLiteral("Deep decode found errors: exit code 1"), CheckSeverity::fail}));
    EXPECT_EQ(V::fullDecodeOutcome({0, QStringLiteral("[h264] error\n")}),
              (V::Outcome{QStringLiteral("Deep decode found errors: [h264] error\n"), CheckSeverity::fail}));

    // Endless error output is cut, and says so.
    const auto flood = V::fullDecodeOutcome({1, QString(100'000, QLatin1Char('e'))});
    EXPECT_EQ(flood.second, CheckSeverity::fail);
    EXPECT_LT(flood.first.size(), V::maxDecodeErrorLength + 100);
    EXPECT_TRUE(flood.first.endsWith(QStringLiteral("[cut: %1 more characters]").arg(100'000 - V::maxDecodeErrorLength)));
    // A cut never splits a character in two.
    QString pairs;
    while (pairs.size() < V::maxDecodeErrorLength + 10) pairs += QStringLiteral("x😀");
    const QString cut = V::fullDecodeOutcome({1, pairs}).first;
    EXPECT_FALSE(cut.section(QLatin1Char('\n'), 0, 0).back().isHighSurrogate());
}

TEST(VerifierDecode, ToolOutputThatIsNotUtf8StillFails) {
    const QString folder = makeTestFolder(QStringLiteral("verifier-tool"));
    const QString tool = folder + QStringLiteral("/noisy-tool");
    ASSERT_TRUE(testsupport::writeScript(tool, "printf '\\377\\376' >&2\nexit 0\n"));
    const auto run = FFmpegOutputVerifier::runTool(tool, {});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_FALSE(run.errorOutput.isEmpty());
    EXPECT_EQ(FFmpegOutputVerifier::fullDecodeOutcome(run).second, CheckSeverity::fail);

    const auto missing = FFmpegOutputVerifier::runTool(folder + QStringLiteral("/no-such-tool"), {});
    EXPECT_EQ(missing.exitStatus, -1);
    EXPECT_FALSE(missing.errorOutput.isEmpty());
    QDir(folder).removeRecursively();
}

TEST_F(VerifierTest, TierOffIsSkippedWithoutLookingAtFiles) {
    auto off = job("nothing-here.mov", "nothing-either.mov", VerifyTier::off);
    EXPECT_EQ(verifier.verify(off).result(), VerificationResult::skipped());
    int progressCalls = 0;
    EXPECT_EQ(verifier.verifyThorough(off, [&](double) { ++progressCalls; }).result(), VerificationResult::skipped());
    EXPECT_EQ(progressCalls, 0);
}

TEST_F(VerifierTest, CorrectOutputPassesBothTiers) {
    const auto standard = verifier.verify(job("src.mov", "good.mov")).result();
    EXPECT_EQ(labels(standard), (QStringList{"Timecode write-back", "Timecode track", "Readability", "Codec params (v:0)",
                                             "Packet count (v:0)", "Packet bytes (v:0)", "Duration", "Codec params (a:0)",
                                             "Packet count (a:0)", "Packet bytes (a:0)"}));
    EXPECT_EQ(standard.checks[0].detail, QStringLiteral("Timecode 01:00:00:00 read back correctly."));
    EXPECT_EQ(standard.checks[3].detail, QStringLiteral("mpeg4 160×120 yuv420p carried across unchanged."));
    EXPECT_EQ(standard.worstSeverity(), CheckSeverity::info) << standard.summary().toStdString();
    EXPECT_EQ(standard.tier, VerifyTier::standard);
    EXPECT_GT(standard.duration, 0);

    // A temporary folder of its own, so that other tests' hash files do not count.
    const TemporaryFolder temp(QStringLiteral("tmp"));
    QList<double> progress;
    QMutex mutex;
    auto thoroughJob = job("src.mov", "good.mov", VerifyTier::thorough);
    thoroughJob.assignedTimecodeString = QStringLiteral("1:0:0:0");  // same key as the read text
    const auto thorough = verifier
                              .verifyThorough(thoroughJob,
                                              [&](double p) {
                                                  QMutexLocker lock(&mutex);
                                                  progress << p;
                                              })
                              .result();
    // From 0.1 after the standard checks, following the decode, to 1.0 at the end.
    ASSERT_GE(progress.size(), 2);
    EXPECT_EQ(progress.first(), 0.1);
    EXPECT_EQ(progress.last(), 1.0);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(std::adjacent_find(progress.begin(), progress.end()), progress.end());
    EXPECT_EQ(thorough.checks.size(), 12);
    EXPECT_EQ(thorough.checks[0].detail, QStringLiteral("Timecode 01:00:00:00 read back correctly."));
    EXPECT_EQ(*find(thorough, Kind::streamHash),
              (VerificationCheck{Kind::streamHash, CheckSeverity::pass, "Stream integrity", "Media streams are bit-identical to the source."}));
    EXPECT_EQ(find(thorough, Kind::fullDecode)->detail, QStringLiteral("Output decoded cleanly end-to-end."));
    EXPECT_EQ(thorough.outcome(), VerificationResult::Outcome::clean);
    EXPECT_TRUE(QDir(temp.path()).isEmpty());  // no hash file is left behind
}

TEST_F(VerifierTest, OtherContainerGetsNotesAndSilentSourceNoAudioChecks) {
    ASSERT_TRUE(copy("src.mp4", "from-mp4.mov", {"-map", "0", "-map", "-0:d", "-timecode", "01:00:00:00"}));
    const auto fromMp4 = verifier.verify(job("src.mp4", "from-mp4.mov")).result();
    EXPECT_EQ(labels(fromMp4), (QStringList{"Timecode write-back", "Timecode track", "Readability", "Codec params (v:0)",
                                            "Packet bytes (v:0)", "Duration", "Codec params (a:0)", "Packet bytes (a:0)"}));
    EXPECT_TRUE(find(fromMp4, Kind::packetBytes)->detail.startsWith(QStringLiteral("Container changed")));
    EXPECT_EQ(fromMp4.outcome(), VerificationResult::Outcome::clean) << fromMp4.summary().toStdString();

    ASSERT_TRUE(copy("silent.mov", "silent-out.mov", {"-map", "0", "-map", "-0:d", "-timecode", "01:00:00:00"}));
    const auto silent = verifier.verifyThorough(job("silent.mov", "silent-out.mov"), {}).result();
    for (const auto& check : silent.checks) EXPECT_FALSE(check.label.contains(QStringLiteral("a:0")));
    EXPECT_EQ(silent.outcome(), VerificationResult::Outcome::clean) << silent.summary().toStdString();
}

TEST_F(VerifierTest, DamagedOutputsFailOrEscalate) {
    // The timecode was never rewritten: the old one is still in the file.
    ASSERT_TRUE(copy("src.mov", "stale.mov", {"-map", "0"}));
    const auto stale = verifier.verify(job("src.mov", "stale.mov")).result();
    EXPECT_EQ(stale.checks[0].detail, QStringLiteral("Output timecode 10:00:00:00 ≠ assigned 01:00:00:00."));
    EXPECT_EQ(stale.outcome(), VerificationResult::Outcome::failed);

    // Two timecode tracks.
    ASSERT_TRUE(runTool("ffmpeg", {"-v", "error", "-y", "-i", path("good.mov"), "-i", path("src.mov"), "-c", "copy",
                                   "-map", "0:v", "-map", "0:a", "-map", "0:d", "-map", "1:d", path("two.mov")}) == 0);
    const auto two = verifier.verify(job("src.mov", "two.mov")).result();
    EXPECT_EQ(find(two, Kind::singleTimecodeTrack)->detail,
              QStringLiteral("Output has 2 timecode tracks — a stale track may shadow the corrected one."));
    EXPECT_EQ(two.outcome(), VerificationResult::Outcome::failed);

    // No timecode track at all: both timecode checks fail with the same words.
    ASSERT_TRUE(copy("src.mov", "notc.mov", {"-map", "0:v", "-map", "0:a", "-write_tmcd", "0"}));
    const auto notc = verifier.verify(job("src.mov", "notc.mov")).result();
    EXPECT_EQ(notc.checks[0].detail, QStringLiteral("Output has no timecode track — the write did not take."));
    EXPECT_EQ(notc.checks[1].detail, notc.checks[0].detail);
    EXPECT_EQ(notc.checks[1].severity, CheckSeverity::fail);

    // Lost audio, from a different container (no packet checks to notice it):
    // never clean, and the hash settles it.
    ASSERT_TRUE(copy("src.mp4", "noaudio.mov", {"-map", "0:v", "-timecode", "01:00:00:00"}));
    const auto lost = verifier.verify(job("src.mp4", "noaudio.mov")).result();
    EXPECT_EQ(find(lost, Kind::codecParams, "Codec params (a:0)")->severity, CheckSeverity::warning);
    const auto lostDeep = verifier.verifyThorough(job("src.mp4", "noaudio.mov"), {}).result();
    EXPECT_EQ(find(lostDeep, Kind::streamHash)->severity, CheckSeverity::fail);

    // Fewer packets: counts differ, escalation, and the hash fails.
    ASSERT_TRUE(copy("src.mov", "fewer.mov", {"-map", "0", "-map", "-0:d", "-timecode", "01:00:00:00", "-frames:v", "40"}));
    const auto fewer = verifier.verify(job("src.mov", "fewer.mov")).result();
    EXPECT_EQ(find(fewer, Kind::packetCount)->detail, QStringLiteral("40 packets ≠ source 50 — escalating to byte-exact hash."));
    EXPECT_EQ(fewer.outcome(), VerificationResult::Outcome::warnings);
    EXPECT_EQ(find(verifier.verifyThorough(job("src.mov", "fewer.mov"), {}).result(), Kind::streamHash)->severity,
              CheckSeverity::fail);
}

// A stream of the source that the output lacks is named, and the result is never
// clean: a lost cover picture is a warning, a lost video, audio or subtitle stream a
// failure, also where another stream took its place. The byte-exact tier, which
// hashes the first video and audio streams only, keeps the finding. Streams carried
// across, subtitles among them, and the data streams the correction drops on
// purpose are not named.
TEST_F(VerifierTest, AStreamTheOutputLacksIsNamedAndNeverClean) {
    testsupport::MovieRecipe recipe;
    recipe.seconds = 2;
    recipe.audio = true;
    recipe.timecode = QStringLiteral("10:00:00:00");
    recipe.coverPicture = true;
    QString error;
    ASSERT_TRUE(makeMovie(path("cover.mp4"), recipe, &error)) << error.toStdString();
    recipe.coverPicture = false;
    recipe.videoStreams = 2;
    ASSERT_TRUE(makeMovie(path("two-video.mov"), recipe, &error)) << error.toStdString();
    // src.mov with subtitles and a second audio stream of another codec: video #0,
    // aac #1, timecode #2, subtitles #3, pcm #4.
    ASSERT_TRUE(testsupport::writeFile(path("subs.srt"), "1\n00:00:00,000 --> 00:00:01,000\nHello\n"));
    ASSERT_EQ(runTool("ffmpeg", {"-v", "error", "-y", "-i", path("src.mov"), "-i", path("subs.srt"), "-f", "lavfi", "-i",
                                 "sine=duration=2", "-map", "0", "-map", "1", "-map", "2", "-c", "copy", "-c:s", "mov_text",
                                 "-c:a:1", "pcm_s16le", path("more.mov")}),
              0);

    const auto lacks = [](CheckSeverity severity, int index, const QString& what) {
        return VerificationCheck{Kind::codecParams, severity, QStringLiteral("Missing stream (#%1)").arg(index),
                                 QStringLiteral("Output lacks the source's stream #%1 (%2)").arg(index).arg(what) +
                                     (severity == CheckSeverity::warning
                                          ? QStringLiteral(" — the cover picture was not carried across.")
                                          : QStringLiteral(" — it was lost in the copy."))};
    };
    const struct {
        const char* source;
        const char* output;
        QStringList dropped;  // maps beside the correction's own
        QList<VerificationCheck> missing;
        VerificationResult::Outcome outcome;
    } rows[] = {
        // The correction's own command: the mov muxer leaves the cover out.
        {"cover.mp4", "cover-out.mov", {}, {lacks(CheckSeverity::warning, 4, "cover picture png")},
         VerificationResult::Outcome::warnings},
        {"more.mov", "more-out.mov", {}, {}, VerificationResult::Outcome::clean},
        {"more.mov", "no-subs.mov", {"-map", "-0:s"}, {lacks(CheckSeverity::fail, 3, "subtitle mov_text")},
         VerificationResult::Outcome::failed},
        // As many streams as the source, but the subtitles became a second aac.
        {"more.mov", "subs-to-audio.mov", {"-map", "-0:s", "-map", "0:a:0"},
         {lacks(CheckSeverity::fail, 3, "subtitle mov_text")}, VerificationResult::Outcome::failed},
        // The pcm stream moves up to a:0; the aac one is the stream lost.
        {"more.mov", "no-aac.mov", {"-map", "-0:a:0"}, {lacks(CheckSeverity::fail, 1, "audio aac")},
         VerificationResult::Outcome::failed},
        {"two-video.mov", "one-video.mov", {"-map", "-0:v:1"}, {lacks(CheckSeverity::fail, 1, "video mpeg4")},
         VerificationResult::Outcome::failed},
    };
    const auto missing = [](const VerificationResult& result) {
        QList<VerificationCheck> found;
        for (const auto& check : result.checks)
            if (check.label.startsWith(QStringLiteral("Missing stream"))) found << check;
        return found;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.output);
        ASSERT_TRUE(copy(row.source, row.output, QStringList{"-map", "0", "-map", "-0:d", "-timecode", "01:00:00:00"} + row.dropped));
        const auto standard = verifier.verify(job(row.source, row.output)).result();
        EXPECT_EQ(missing(standard), row.missing);
        EXPECT_EQ(standard.outcome(), row.outcome) << standard.summary().toStdString();
        const auto thorough = verifier.verifyThorough(job(row.source, row.output, VerifyTier::thorough), {}).result();
        EXPECT_EQ(missing(thorough), row.missing);
        EXPECT_EQ(thorough.outcome(), row.outcome) << thorough.summary().toStdString();
    }
}

TEST_F(VerifierTest, TruncatedAndCorruptedOutputsFail) {
    QFile good(path("good.mov"));
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    const QByteArray bytes = good.readAll();

    ASSERT_TRUE(testsupport::writeFile(path("truncated.mov"), bytes.left(bytes.size() / 2)));
    const auto truncated = verifier.verifyThorough(job("src.mov", "truncated.mov", VerifyTier::thorough), {}).result();
    EXPECT_EQ(truncated.outcome(), VerificationResult::Outcome::failed);
    EXPECT_EQ(find(truncated, Kind::readability)->severity, CheckSeverity::fail);
    EXPECT_EQ(truncated.checks.size(), 5);  // write-back, track, readability, hash, decode
    EXPECT_EQ(find(truncated, Kind::fullDecode)->severity, CheckSeverity::fail);

    // Same sizes and counts, different payload bytes: only the hash can tell.
    QByteArray corrupted = bytes;
    for (qsizetype i = 4000; i < 4200; ++i) corrupted[i] = char(corrupted[i] ^ 0x5a);
    ASSERT_TRUE(testsupport::writeFile(path("corrupted.mov"), corrupted));
    const auto result = verifier.verifyThorough(job("src.mov", "corrupted.mov", VerifyTier::thorough), {}).result();
    EXPECT_EQ(find(result, Kind::packetBytes, "Packet bytes (v:0)")->severity, CheckSeverity::pass);
    EXPECT_EQ(*find(result, Kind::streamHash),
              (VerificationCheck{Kind::streamHash, CheckSeverity::fail, "Stream integrity",
                                 "Media streams diverged from the source (stream copy altered packets)."}));
    EXPECT_EQ(result.outcome(), VerificationResult::Outcome::failed);
}

TEST_F(VerifierTest, MissingToolsBecomeWarningsAndAFailedReadability) {
    const BundledToolResolver nowhere(BundledToolResolver::SearchList{*folder + QStringLiteral("/no-helpers"), {}});
    FFmpegOutputVerifier blind(std::make_shared<SourceTimecodeReader>(), nowhere);
    const auto result = blind.verifyThorough(job("src.mov", "good.mov", VerifyTier::thorough), {}).result();
    ASSERT_EQ(labels(result), (QStringList{"Timecode write-back", "Timecode track", "Readability", "Stream integrity", "Full decode"}));
    EXPECT_EQ(result.checks[0].severity, CheckSeverity::pass);  // read in process, no tool needed
    EXPECT_EQ(result.checks[1].detail, QStringLiteral("Could not determine the timecode-track count."));
    EXPECT_EQ(result.checks[2].severity, CheckSeverity::fail);
    EXPECT_EQ(result.checks[3].detail, QStringLiteral("Stream-integrity skipped — ffmpeg unavailable."));
    EXPECT_EQ(result.checks[4].detail, QStringLiteral("Deep decode skipped — ffmpeg unavailable."));
}

TEST_F(VerifierTest, GoingAwayStopsItsOwnToolsInsteadOfWaiting) {
    // An "ffmpeg" that says it started and then never finishes by itself.
    const QString helpers = *folder + QStringLiteral("/slow-helpers");
    const QString started = *folder + QStringLiteral("/slow-started.txt");
    ASSERT_TRUE(writeHangingFFmpeg(helpers, started, 600));
    const BundledToolResolver slowTools(BundledToolResolver::SearchList{helpers, {}});
    auto slow = std::make_unique<FFmpegOutputVerifier>(std::make_shared<SourceTimecodeReader>(), slowTools);
    auto result = slow->verifyThorough(job("src.mov", "good.mov", VerifyTier::thorough), {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(started); }, 60000));
    QElapsedTimer timer;
    timer.start();
    slow.reset();
    EXPECT_LT(timer.elapsed(), 120000);  // not the tool's ten minutes
    ASSERT_TRUE(result.isFinished());
    EXPECT_EQ(result.result().outcome(), VerificationResult::Outcome::failed);  // never a pass
}

TEST_F(VerifierTest, CancellingAVerificationStopsItsTools) {
    // An "ffmpeg" that says it started and then never finishes by itself.
    const QString helpers = *folder + QStringLiteral("/stuck-helpers");
    const QString started = *folder + QStringLiteral("/stuck-started.txt");
    ASSERT_TRUE(writeHangingFFmpeg(helpers, started, 60));
    FFmpegOutputVerifier stuck(std::make_shared<SourceTimecodeReader>(), BundledToolResolver(BundledToolResolver::SearchList{helpers, {}}));
    auto runs = [&] { return runsStarted(started); };
    // Alone, or after the standard checks of a thorough job, which start the byte-exact
    // runs that the thorough verification then takes over instead of starting again.
    for (const bool afterStandard : {false, true}) {
        QFile::remove(started);
        const auto thoroughJob = job("src.mov", "good.mov", VerifyTier::thorough);
        auto result = afterStandard ? stuck.verifyThoroughAfter(thoroughJob, stuck.verify(thoroughJob).result(), {})
                                    : stuck.verifyThorough(thoroughJob, {});
        // The two hashes and the decode run at the same time.
        ASSERT_TRUE(QTest::qWaitFor([&] { return runs() == 3; }, 30000)) << afterStandard;
        result.cancel();
        EXPECT_TRUE(QTest::qWaitFor([&] { return result.isFinished(); }, 30000));
        EXPECT_EQ(runs(), 3);
    }
}

// Runs as a child process: a thorough verification in the given temporary folder
// whose tools never finish, until the process is killed.
TEST(VerifierChild, HashesUntilKilled) {
    const QString temp = qEnvironmentVariable("VANTREL_VERIFIER_CHILD_TEMP");
    if (temp.isEmpty()) GTEST_SKIP() << "only runs as the child of the sweep test";
    qputenv("TMPDIR", QFile::encodeName(temp));
    FFmpegOutputVerifier hanging(std::make_shared<SourceTimecodeReader>(),
                                 BundledToolResolver(BundledToolResolver::SearchList{qEnvironmentVariable("VANTREL_VERIFIER_CHILD_HELPERS"), {}}));
    CorrectionJob job;
    job.id = QUuid::createUuid();
    job.sourcePath = temp + QStringLiteral("/a.mov");
    job.outputPath = temp + QStringLiteral("/a_TC.mov");
    job.verifyTier = VerifyTier::thorough;
    hanging.verifyThorough(job, {}).waitForFinished();
}

// The sweep at start-up removes the hash files that no live run holds, whatever
// killed their process, and nothing else: not the files of runs still going, in
// another process or in this one, nor files and folders that only look alike.
TEST_F(VerifierTest, StartUpSweepRemovesOnlyHashFilesNoLiveRunHolds) {
    const TemporaryFolder temp(QStringLiteral("sweep-tmp"));
    // Each verification hashes two files; the hash files exist, held, once all three
    // tools have started.
    const auto hangingTools = [&](const QString& name) {
        const QString helpers = *folder + QStringLiteral("/") + name;
        EXPECT_TRUE(writeHangingFFmpeg(helpers, helpers + QStringLiteral("/started.txt"), 600));
        return helpers;
    };
    const auto allStarted = [](const QString& helpers) {
        return QTest::qWaitFor([&] { return runsStarted(helpers + QStringLiteral("/started.txt")) == 3; }, 60000);
    };
    std::vector<std::unique_ptr<QProcess>> children;
    const auto hashingChild = [&](const QString& name) {
        const QString helpers = hangingTools(name);
        auto child = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VANTREL_VERIFIER_CHILD_TEMP"), temp.path());
        environment.insert(QStringLiteral("VANTREL_VERIFIER_CHILD_HELPERS"), helpers);
        child->setProcessEnvironment(environment);
        child->setChildProcessModifier([] { ::setpgid(0, 0); });  // its tools go with it
        child->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=VerifierChild.*")});
        EXPECT_TRUE(child->waitForStarted() && allStarted(helpers)) << child->readAll().toStdString();
        children.push_back(std::move(child));
        return children.back().get();
    };
    const auto newHashFiles = [&](const std::function<void()>& make) {
        const QStringList before = temp.hashFiles();
        make();
        QStringList made = temp.hashFiles();
        made.removeIf([&](const QString& path) { return before.contains(path); });
        return made;
    };
    const auto named = [&](const QString& name) { return temp.path() + QLatin1Char('/') + name; };
    const auto hashFileName = [](const QString& suffix = QStringLiteral(".txt")) {
        return QStringLiteral("vantrel-streamhash-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + suffix;
    };
    // A plain file of that name.
    const auto file = [&](const QString& name) {
        return [&, name] {
            EXPECT_TRUE(testsupport::writeFile(named(name), "0,v,MD5=00\n"));
            return QStringList{named(name)};
        };
    };
    std::optional<QFuture<VerificationResult>> live;
    QStringList liveHere;
    FFmpegOutputVerifier hanging(std::make_shared<SourceTimecodeReader>(),
                                 BundledToolResolver(BundledToolResolver::SearchList{hangingTools("here-helpers"), {}}));

    const struct {
        const char* what;
        std::function<QStringList()> make;
        bool swept;
    } rows[] = {
        {"left by a process killed mid-hash", [&] {
             return newHashFiles([&] {
                 QProcess* child = hashingChild(QStringLiteral("killed-helpers"));
                 ASSERT_GT(child->processId(), 1);
                 ::kill(-pid_t(child->processId()), SIGKILL);
                 EXPECT_TRUE(child->waitForFinished());
             });
         }, true},
        {"left by a run that held no lock", file(hashFileName()), true},
        {"held by a run in another process", [&] {
             return newHashFiles([&] { hashingChild(QStringLiteral("live-helpers")); });
         }, false},
        {"held by a run in this process", [&] {
             liveHere = newHashFiles([&] {
                 live = hanging.verifyThorough(job("src.mov", "good.mov", VerifyTier::thorough), {});
                 EXPECT_TRUE(allStarted(*folder + QStringLiteral("/here-helpers")));
             });
             return liveHere;
         }, false},
        {"named in lower case", file(hashFileName().toLower()), false},
        {"named with more after the name", file(hashFileName(QStringLiteral(".txt.bak"))), false},
        {"named without an identifier", file(QStringLiteral("vantrel-streamhash-.txt")), false},
        {"a folder of the naming", [&] {
             const QString path = named(hashFileName());
             EXPECT_TRUE(QDir().mkpath(path));
             return QStringList{path};
         }, false},
        {"a link of the naming, and the file it points to", [&] {
             const QString target = named(QStringLiteral("kept.txt"));
             const QString link = named(hashFileName());
             EXPECT_TRUE(testsupport::writeFile(target, "x"));
             EXPECT_TRUE(QFile::link(target, link));
             return QStringList{link, target};
         }, false},
    };
    QList<QStringList> made;
    for (const auto& row : rows) {
        made << row.make();
        ASSERT_FALSE(made.last().isEmpty()) << row.what;
        ASSERT_FALSE(HasFailure()) << row.what;
    }

    const QStringList removed = StreamHashFile::sweep(temp.path());
    QStringList expectedRemoved;
    for (qsizetype i = 0; i < made.size(); ++i) {
        SCOPED_TRACE(rows[i].what);
        for (const QString& path : made[i]) EXPECT_EQ(QFileInfo::exists(path), !rows[i].swept) << path.toStdString();
        if (rows[i].swept) expectedRemoved << made[i];
    }
    EXPECT_EQ(QSet<QString>(removed.cbegin(), removed.cend()), QSet<QString>(expectedRemoved.cbegin(), expectedRemoved.cend()));

    // The run here removes its own files when it ends.
    live->cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return live->isFinished(); }, 30000));
    for (const QString& path : liveHere) EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    for (const auto& child : children) {
        if (child->processId() > 1) ::kill(-pid_t(child->processId()), SIGKILL);
    }
}
