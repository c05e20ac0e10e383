// ffmpeg's standard error, chunk by chunk: what is logged, what is collected, the
// total duration, and which progress (fraction, phase, metrics) gets through.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "ToolTestSupport.h"
#include "Vantrel/tools/FFmpegWrapper.h"

#include <QDir>
#include <QThread>

using namespace vantrel;
using namespace std::chrono_literals;
using Wrapper = FFmpegWrapper;

namespace {

const QByteArray kStats =
    "frame=  240 fps= 48 q=-1.0 size=    1024kB time=00:00:10.00 bitrate= 838.9kbits/s speed=1.92x";
const QByteArray kBanner =
    "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'in.mov':\n  Duration: 00:00:40.00, start: 0.000000, bitrate: 5000 kb/s\n";

struct Delivery {
    double fraction;
    QString phase;
};

// Drives a chunk processor with a clock of its own; callbacks run synchronously.
class Chunks {
public:
    explicit Chunks(std::optional<qint64> totalFrames = std::nullopt, bool withMetrics = true)
        : owner(std::make_shared<int>(0)),
          collector(std::make_shared<Wrapper::OutputCollector>()),
          processor(
              collector, totalFrames, [this](double f, const QString& p) { progress.push_back({f, p}); },
              [this](const QString& line) { log << line; },
              withMetrics ? Wrapper::MetricsHandler([this](const ProgressMetrics& m) { metrics.push_back(m); })
                          : Wrapper::MetricsHandler(),
              owner, [](std::function<void()> block) { block(); }) {}

    // Each chunk arrives `gap` after the one before.
    void feed(const QByteArray& bytes, std::chrono::milliseconds gap = 1s) {
        now += gap;
        processor.process(bytes, now);
    }

    std::shared_ptr<int> owner;
    std::shared_ptr<Wrapper::OutputCollector> collector;
    QStringList log;
    std::vector<Delivery> progress;
    std::vector<ProgressMetrics> metrics;
    Wrapper::Clock::time_point now{};
    Wrapper::ChunkProcessor processor;
};

}  // namespace

TEST(FFmpegTimeString, ConvertsOneToThreeStrictPieces) {
    EXPECT_EQ(Wrapper::parseTimeString(QStringLiteral("01:02:03.5")), 3723.5);
    EXPECT_EQ(Wrapper::parseTimeString(QStringLiteral("02:03")), 123.0);
    EXPECT_EQ(Wrapper::parseTimeString(QStringLiteral("7.25")), 7.25);
    EXPECT_EQ(Wrapper::parseTimeString(QStringLiteral("1::2")), 62.0);
    EXPECT_EQ(Wrapper::parseTimeString(std::nullopt), std::nullopt);
    EXPECT_EQ(Wrapper::parseTimeString(QString()), std::nullopt);
    EXPECT_EQ(Wrapper::parseTimeString(QStringLiteral(":::")), std::nullopt);
    EXPECT_EQ(Wrapper::parseTimeString(QStringLiteral("1:2:3:4")), std::nullopt);
    EXPECT_EQ(Wrapper::parseTimeString(QStringLiteral("00: 01:02")), std::nullopt);
    EXPECT_EQ(Wrapper::parseTimeString(QStringLiteral("00:01:02 ")), std::nullopt);
    EXPECT_EQ(Wrapper::parseTimeString(QStringLiteral("00:01:0x")), std::nullopt);
    EXPECT_EQ(Wrapper::parseTimeString(QStringLiteral("N/A")), std::nullopt);
}

TEST(FFmpegOutputMetrics, OddValues) {
    EXPECT_EQ(Wrapper::parseOutputMetrics(QStringLiteral("nothing to see")), Wrapper::FFmpegOutputMetrics{});
    // The final line of a stream copy: Lsize, speed with a blank, N/A bitrate.
    auto m = Wrapper::parseOutputMetrics(
        QStringLiteral("frame=   30 fps=0.0 q=-1.0 Lsize=      70kB time=00:00:00.96 bitrate=N/A speed= 253x"));
    EXPECT_EQ(m.size, QStringLiteral("70kB"));
    EXPECT_EQ(m.speed, QStringLiteral("253x"));
    EXPECT_EQ(m.fps, 0.0);
    EXPECT_EQ(m.bitrate, std::nullopt);
    EXPECT_EQ(Wrapper::parseOutputMetrics(QString::fromLatin1(kStats)).bitrate, QStringLiteral("838.9kbits/s"));

    m = Wrapper::parseOutputMetrics(QStringLiteral("frame=    0 fps=1.2.3 time=-577014:32:22.77 speed=N/A"));
    EXPECT_EQ(m.frame, 0);
    EXPECT_EQ(m.fps, std::nullopt);
    EXPECT_EQ(m.time, std::nullopt);
    EXPECT_EQ(m.speed, std::nullopt);

    m = Wrapper::parseOutputMetrics(QStringLiteral("frame=99999999999999999999 time=N/A"));
    EXPECT_EQ(m.frame, std::nullopt);
    EXPECT_EQ(m.time, std::nullopt);

    // Two lines in one chunk: the first one counts.
    m = Wrapper::parseOutputMetrics(QStringLiteral("frame=  10 time=00:00:01.00\rframe=  20 time=00:00:02.00\r"));
    EXPECT_EQ(m.frame, 10);
    EXPECT_EQ(m.time, QStringLiteral("00:00:01.00"));
}

TEST(FFmpegChunks, StatisticsAgainstAKnownDuration) {
    Chunks c;
    c.feed(kBanner);
    EXPECT_EQ(c.collector->totalSeconds(), 40.0);
    EXPECT_EQ(c.log, (QStringList{QStringLiteral("FFmpeg: Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'in.mov':"),
                                  QStringLiteral("FFmpeg: Duration: 00:00:40.00, start: 0.000000, bitrate: 5000 kb/s")}));
    EXPECT_TRUE(c.progress.empty());

    c.feed(kStats + '\r');
    EXPECT_EQ(c.log.size(), 2);  // statistics are not logged
    ASSERT_EQ(c.progress.size(), 1u);
    EXPECT_DOUBLE_EQ(c.progress[0].fraction, 0.25);
    EXPECT_EQ(c.progress[0].phase, QStringLiteral("00:00:10.00 \u2022 1.92x"));
    ASSERT_EQ(c.metrics.size(), 1u);
    const ProgressMetrics expected{0.25, QStringLiteral("00:00:10.00 \u2022 1.92x"), QStringLiteral("1.92x"), 48.0,
                                   QStringLiteral("00:00:10.00"), 240, std::nullopt};
    EXPECT_EQ(c.metrics[0], expected);

    c.feed("frame= 1200 fps= 48 time=00:00:50.00 bitrate= 838.9kbits/s speed=1.92x\r");
    EXPECT_DOUBLE_EQ(c.progress.back().fraction, 0.99);
    EXPECT_EQ(c.collector->joinedOutput(), QString::fromLatin1(kBanner + kStats + '\r' +
                                                               "frame= 1200 fps= 48 time=00:00:50.00 bitrate= "
                                                               "838.9kbits/s speed=1.92x\r"));
}

TEST(FFmpegChunks, FrameCountsWhenNoDurationIsKnown) {
    Chunks byThousand;
    byThousand.feed(kStats);
    ASSERT_EQ(byThousand.progress.size(), 1u);
    EXPECT_DOUBLE_EQ(byThousand.progress[0].fraction, 0.24);
    EXPECT_EQ(byThousand.progress[0].phase, QStringLiteral("Frame 240 \u2022 1.92x"));
    byThousand.feed("frame= 5000 fps=25");
    EXPECT_DOUBLE_EQ(byThousand.progress.back().fraction, 0.9);
    EXPECT_EQ(byThousand.progress.back().phase, QStringLiteral("Frame 5000 \u2022 25 fps"));

    Chunks byTotal(960);
    byTotal.feed(kStats);
    EXPECT_DOUBLE_EQ(byTotal.progress[0].fraction, 0.25);
    EXPECT_EQ(byTotal.progress[0].phase, QStringLiteral("Frame 240/960 \u2022 1.92x"));
    EXPECT_EQ(byTotal.metrics[0].totalFrames, 960);
    byTotal.feed("frame= 2000 fps=0.0 speed=N/A");
    EXPECT_DOUBLE_EQ(byTotal.progress.back().fraction, 0.99);
    EXPECT_EQ(byTotal.progress.back().phase, QStringLiteral("Frame 2000/960"));
}

TEST(FFmpegChunks, ThrottleLetsOneUpdateThroughPerTenthOfASecond) {
    Chunks c(std::nullopt, false);
    c.feed(kStats);
    c.feed(kStats, 50ms);
    EXPECT_EQ(c.progress.size(), 1u);
    c.feed(kStats, 50ms);  // exactly 0.1 s after the last one let through
    EXPECT_EQ(c.progress.size(), 2u);
    EXPECT_TRUE(c.metrics.empty());  // no metrics handler given

    // A time without a frame while no duration is known uses up the slot all the same.
    Chunks timeOnly;
    timeOnly.feed("time=00:00:01.00");
    timeOnly.feed(kStats, 50ms);
    EXPECT_TRUE(timeOnly.progress.empty());
    timeOnly.feed(kStats, 50ms);
    EXPECT_EQ(timeOnly.progress.size(), 1u);

    // Chunks without time or frame do not use a slot.
    Chunks noise;
    noise.feed("speed=2x fps=30");
    noise.feed(kStats, 1ms);
    EXPECT_EQ(noise.progress.size(), 1u);
}

TEST(FFmpegChunks, DurationIsTakenOnceAndOnlyWhenReadable) {
    Chunks c;
    c.feed("Duration: N/A, start: 0.000000, bitrate: N/A\n");
    EXPECT_EQ(c.collector->totalSeconds(), std::nullopt);
    c.feed("  Duration: 00:00:40.00, start: 0.000000\n  Duration: 00:01:00.00\n");
    c.feed("  Duration: 00:02:00.00\n");
    EXPECT_EQ(c.collector->totalSeconds(), 40.0);
    // Statistics behind other text in the same chunk still count.
    c.feed("Press [q] to stop\n" + kStats);
    ASSERT_EQ(c.progress.size(), 1u);
    EXPECT_DOUBLE_EQ(c.progress[0].fraction, 0.25);
    EXPECT_EQ(c.log.last(), QStringLiteral("FFmpeg: Press [q] to stop"));
}

TEST(FFmpegChunks, DurationWrittenInPiecesIsPutTogether) {
    Chunks mid;
    mid.feed("Input #0, mov, from 'a.mov':\n  Duration: 00:00:0");
    EXPECT_EQ(mid.collector->totalSeconds(), std::nullopt);
    mid.feed("4.5");
    mid.feed("0, start: 0.000000, bitrate: 325 kb/s\n");
    EXPECT_EQ(mid.collector->totalSeconds(), 4.5);

    Chunks pieces;
    for (const char* piece : {"  Dura", "tion: ", "00:01:00.00", ", start: ", "0.000000\n"}) pieces.feed(piece);
    EXPECT_EQ(pieces.collector->totalSeconds(), 60.0);
    EXPECT_EQ(pieces.log, QStringList{QStringLiteral("FFmpeg: Duration: 00:01:00.00, start: 0.000000")});
}

TEST(FFmpegChunks, TheLogGetsWholeLinesOnly) {
    Chunks c;
    c.feed(" \r\n");
    c.feed("");
    EXPECT_TRUE(c.log.isEmpty());  // blank lines are left out
    EXPECT_EQ(c.collector->joinedOutput(), QStringLiteral(" \r\n"));

    c.feed("[mov @ 0x1] moov atom ");
    c.feed("not found\nin.mov: Invalid data");
    EXPECT_EQ(c.log, QStringList{QStringLiteral("FFmpeg: [mov @ 0x1] moov atom not found")});
    c.feed(" found when processing input");
    c.processor.finish(c.now);  // the run ended: the last line counts without its end
    EXPECT_EQ(c.log.last(), QStringLiteral("FFmpeg: in.mov: Invalid data found when processing input"));

    // A line that never ends is logged in pieces rather than held without limit.
    Chunks endless;
    for (int i = 0; i < 40; ++i) endless.feed(QByteArray(1000, 'x'));
    EXPECT_EQ(endless.log.size(), 2);
}

TEST(FFmpegChunks, CharactersSplitAcrossChunksAreKept) {
    Chunks c;
    const QByteArray text = QStringLiteral("Input from 'Caf\u00e9 \U0001F3AC.mov'\n").toUtf8();
    const qsizetype splitE = text.indexOf("\xc3") + 1;           // inside the two-byte é
    const qsizetype splitClapper = text.indexOf("\xf0\x9f") + 2;  // inside the four-byte clapper
    c.feed(text.left(splitE));
    c.feed(text.mid(splitE, splitClapper - splitE));
    c.feed(text.mid(splitClapper));
    EXPECT_EQ(c.collector->joinedOutput(), QString::fromUtf8(text));

    // Bytes that are no UTF-8 at all become replacement characters, and so does
    // a character cut off by the end of the stream.
    Chunks bad;
    bad.feed("a\xff" "b\xe2\x82");
    bad.processor.finish(bad.now);
    const QString decoded = bad.collector->joinedOutput();
    EXPECT_TRUE(decoded.startsWith(QStringLiteral("a\ufffdb\ufffd")));
    EXPECT_EQ(decoded.count(QChar(0xfffd)), decoded.size() - 2);
}

TEST(FFmpegChunks, NothingButTheLogOnceTheWrapperIsGone) {
    Chunks c;
    c.owner.reset();
    c.feed(kBanner);
    c.feed(kStats);
    EXPECT_EQ(c.log.size(), 2);
    EXPECT_TRUE(c.progress.empty());
    EXPECT_EQ(c.collector->totalSeconds(), std::nullopt);
}

// A run in the form Debian's ffmpeg 5.1 writes it when re-encoding a 4 s clip: the
// banner arrives in pieces, then statistics lines ended by "\r", then the summary.
TEST(FFmpegChunks, RecordedRun) {
    const std::vector<QByteArray> recorded{
        "ffmpeg version 5.1.9-0+deb12u1 Copyright (c) 2000-2025 the FFmpeg developers\n",
        "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'clip.mov':\n  Metadata:\n    major_brand     : qt  \n",
        "  Duration: 00:00:04.00, start: 0.000000, bitrate: 325 kb/s\n  Stream #0:0[0x1]: Video: mpeg4 "
        "(mp4v / 0x7634706D), yuv420p, 160x120 [SAR 1:1 DAR 4:3], 321 kb/s, 25 fps, 25 tbr, 12800 tbn (default)\n",
        "Stream mapping:\n  Stream #0:0 -> #0:0 (mpeg4 (native) -> mpeg4 (native))\nPress [q] to stop, [?] for help\n",
        "frame=   26 fps=0.0 q=2.0 size=N/A time=00:00:01.00 bitrate=N/A speed=1.98x    \r",
        "frame=   51 fps= 50 q=2.0 size=N/A time=00:00:02.00 bitrate=N/A speed=1.99x    \r",
        "frame=   76 fps= 50 q=2.0 size=N/A time=00:00:03.00 bitrate=N/A speed=1.99x    \r",
        "frame=  100 fps= 50 q=2.0 Lsize=N/A time=00:00:03.96 bitrate=N/A speed=   2x    \n"
        "video:154kB audio:0kB subtitle:0kB other streams:0kB global headers:0kB muxing overhead: unknown\n",
    };
    Chunks c;
    for (const QByteArray& chunk : recorded) c.feed(chunk, 500ms);
    EXPECT_EQ(c.collector->totalSeconds(), 4.0);
    ASSERT_EQ(c.progress.size(), 4u);
    EXPECT_DOUBLE_EQ(c.progress[0].fraction, 0.25);
    EXPECT_DOUBLE_EQ(c.progress[1].fraction, 0.5);
    EXPECT_DOUBLE_EQ(c.progress[2].fraction, 0.75);
    EXPECT_DOUBLE_EQ(c.progress[3].fraction, 0.99);
    EXPECT_EQ(c.progress[0].phase, QStringLiteral("00:00:01.00 \u2022 1.98x"));
    EXPECT_EQ(c.progress[3].phase, QStringLiteral("00:00:03.96 \u2022 2x"));
    EXPECT_EQ(c.metrics[3].currentFrame, 100);
    // Every text line once, whole; the statistics lines left out.
    EXPECT_EQ(c.log.size(), 10);
    EXPECT_EQ(c.log[2], QStringLiteral("FFmpeg: Metadata:"));
    EXPECT_EQ(c.log.last(), QStringLiteral("FFmpeg: video:154kB audio:0kB subtitle:0kB other streams:0kB global "
                                           "headers:0kB muxing overhead: unknown"));
}
