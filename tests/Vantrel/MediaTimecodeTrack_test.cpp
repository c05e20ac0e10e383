// Reading the start timecode of a movie's timecode track: the frame-number
// conversion, the sample description, and real files written by ffmpeg,
// including damaged and hostile ones.
#include <gtest/gtest.h>

#include "TestMedia.h"
#include "Vantrel/SourceTimecodeReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

using namespace vantrel;
using namespace testsupport;
using ReaderError = SourceTimecodeReader::ReaderError;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& value, std::ostream* out) { *out << '"' << value.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

QString text(std::int32_t frameNumber, std::int32_t quanta, bool drop) {
    return formatTimecode(SourceTimecodeReader::components(frameNumber, quanta, drop), drop);
}

// Counts labels one frame at a time, skipping the labels a drop-frame rate omits,
// and checks the direct conversion against every frame number on the way.
void expectDropCountingMatchesStepping(int quanta, int framesToWalk) {
    const int dropped = quanta / 15;
    int h = 0, m = 0, s = 0, f = 0;
    for (int n = 0; n < framesToWalk; ++n) {
        const auto reading = SourceTimecodeReader::components(n, quanta, true);
        ASSERT_EQ(std::tuple(int(reading.hours), int(reading.minutes), int(reading.seconds), int(reading.frames)),
                  std::tuple(h, m, s, f))
            << "frame number " << n << " at quanta " << quanta;
        if (++f == quanta) {
            f = 0;
            if (++s == 60) {
                s = 0;
                if (++m == 60) { m = 0; ++h; }
                if (m % 10 != 0) f = dropped;
            }
        }
    }
}

}  // namespace

TEST(MediaTimecodeTrack, DropFrameAt2997) {
    EXPECT_EQ(text(1799, 30, true), QStringLiteral("00:00:59;29"));
    EXPECT_EQ(text(1800, 30, true), QStringLiteral("00:01:00;02"));
    EXPECT_EQ(text(17982, 30, true), QStringLiteral("00:10:00;00"));
    EXPECT_EQ(text(107892, 30, true), QStringLiteral("01:00:00;00"));
    EXPECT_EQ(text(1115799, 30, true), QStringLiteral("10:20:30;15"));
}

TEST(MediaTimecodeTrack, DropFrameAtHigherQuantaSkipsProportionally) {
    // 59.94 drops 4 labels a minute, 119.88 drops 8.
    EXPECT_EQ(text(3599, 60, true), QStringLiteral("00:00:59;59"));
    EXPECT_EQ(text(3600, 60, true), QStringLiteral("00:01:00;04"));
    EXPECT_EQ(text(215784, 60, true), QStringLiteral("01:00:00;00"));
    EXPECT_EQ(text(7200, 120, true), QStringLiteral("00:01:00;08"));
    EXPECT_EQ(text(431568, 120, true), QStringLiteral("01:00:00;00"));
    expectDropCountingMatchesStepping(30, 2 * 17982 + 5000);
    expectDropCountingMatchesStepping(60, 2 * 35964 + 5000);
    expectDropCountingMatchesStepping(120, 71928 + 9000);
}

TEST(MediaTimecodeTrack, NonDropAndDegenerateQuanta) {
    EXPECT_EQ(text(90000, 25, false), QStringLiteral("01:00:00:00"));
    EXPECT_EQ(text(2160000, 24, false), QStringLiteral("25:00:00:00"));  // hours are not wrapped
    EXPECT_EQ(text(24 * 3600 * 200, 24, false), QStringLiteral("200:00:00:00"));
    // A drop flag on a quanta that is not a multiple of 30 counts non-drop but keeps the flag.
    const auto flagged = SourceTimecodeReader::components(90000, 25, true);
    EXPECT_EQ(formatTimecode(flagged, flagged.isDropFrame), QStringLiteral("01:00:00;00"));
    EXPECT_TRUE(flagged.isDropFrame);
    EXPECT_EQ(text(3600 * 24, 24, true), QStringLiteral("01:00:00;00"));
    // Quanta 0 (or below) counts each frame number as one second, frames always 0,
    // and never divides by zero even with the drop flag.
    for (bool drop : {false, true}) {
        const auto zero = SourceTimecodeReader::components(3725, 0, drop);
        EXPECT_EQ(std::tuple(zero.hours, zero.minutes, zero.seconds, zero.frames),
                  std::tuple(std::int16_t(1), std::int16_t(2), std::int16_t(5), std::int16_t(0)));
        EXPECT_EQ(SourceTimecodeReader::components(5, -3, drop).seconds, 5);
    }
}

TEST(MediaTimecodeTrack, ExtremeFrameNumbersStayDefined) {
    const auto big = SourceTimecodeReader::components(INT32_MAX, 1, false);
    EXPECT_EQ(big.hours, INT16_MAX);  // saturates instead of wrapping
    const auto dropBig = SourceTimecodeReader::components(INT32_MAX, 30, true);
    EXPECT_GT(dropBig.hours, 19000);
    EXPECT_LT(dropBig.frames, 30);
    const auto negative = SourceTimecodeReader::components(-1, 25, false);
    EXPECT_EQ(negative.frames, -1);
    EXPECT_EQ(SourceTimecodeReader::components(INT32_MIN, 60, true).frameQuanta, 60);
}

TEST(MediaTimecodeTrack, FormatsThreeDigitHoursAndSeparators) {
    TimecodeTrackReading reading{1, 0, 0, 0, 30, true};
    EXPECT_EQ(formatTimecode(reading, true), QStringLiteral("01:00:00;00"));
    EXPECT_EQ(formatTimecode(reading, false), QStringLiteral("01:00:00:00"));
    reading.hours = 123;
    reading.frames = 7;
    EXPECT_EQ(formatTimecode(reading, false), QStringLiteral("123:00:00:07"));
}

TEST(MediaTimecodeTrack, ErrorDescriptionsAndEquality) {
    EXPECT_EQ(ReaderError::noTimecodeTrack().errorDescription(), QStringLiteral("Asset has no tmcd timecode track."));
    EXPECT_EQ(ReaderError::noSampleBuffer().errorDescription(),
              QStringLiteral("Timecode track produced no sample buffer."));
    EXPECT_EQ(ReaderError::missingFormatDescription().errorDescription(),
              QStringLiteral("Sample buffer lacks a format description."));
    EXPECT_EQ(ReaderError::emptyBlockBuffer().errorDescription(),
              QStringLiteral("Timecode sample block buffer is empty."));
    EXPECT_EQ(ReaderError::unsupportedFormatType(0x74633634).errorDescription(),
              QStringLiteral("Unsupported timecode format type 'tc64'. Expected 'tmcd'."));
    EXPECT_EQ(ReaderError::unsupportedFormatType(0x00410a42).errorDescription(),
              QStringLiteral("Unsupported timecode format type '?A?B'. Expected 'tmcd'."));
    EXPECT_TRUE(ReaderError::readerInitFailed(QStringLiteral("x")).errorDescription().endsWith(QStringLiteral(": x")));
    EXPECT_TRUE(ReaderError::startReadingFailed(QStringLiteral("y")).errorDescription().endsWith(QStringLiteral(": y")));

    EXPECT_EQ(ReaderError::readerInitFailed(QStringLiteral("a")), ReaderError::readerInitFailed(QStringLiteral("a")));
    EXPECT_NE(ReaderError::readerInitFailed(QStringLiteral("a")), ReaderError::readerInitFailed(QStringLiteral("b")));
    EXPECT_NE(ReaderError::readerInitFailed(QStringLiteral("a")), ReaderError::startReadingFailed(QStringLiteral("a")));
    EXPECT_NE(ReaderError::unsupportedFormatType(1), ReaderError::unsupportedFormatType(2));
    EXPECT_EQ(ReaderError::noTimecodeTrack(), ReaderError::noTimecodeTrack());
}

TEST(MediaTimecodeTrack, SampleDescriptionAndSampleBytes) {
    // As ffmpeg writes it for 29.97 drop frame: flags 1, 30000/1001, quanta 30.
    const QByteArray description = QByteArray::fromHex("0000000000000001000075300000" "03e91e000000");
    const auto parsed = SourceTimecodeReader::parseSampleDescription(description);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->flags, 1u);
    EXPECT_EQ(parsed->frameQuanta, 30);
    EXPECT_FALSE(SourceTimecodeReader::parseSampleDescription(description.left(16)));
    EXPECT_FALSE(SourceTimecodeReader::parseSampleDescription({}));
    // The quanta is one unsigned byte.
    EXPECT_EQ(SourceTimecodeReader::parseSampleDescription(QByteArray(16, 0) + char(0xf0))->frameQuanta, 240);

    EXPECT_EQ(SourceTimecodeReader::frameNumberOfSample(QByteArray::fromHex("0002bf20")), 180000);
    EXPECT_EQ(SourceTimecodeReader::frameNumberOfSample(QByteArray::fromHex("ffffffff99")), -1);
    EXPECT_FALSE(SourceTimecodeReader::frameNumberOfSample(QByteArray::fromHex("000102")));
}

// ---- real files ----

class MediaTimecodeTrackFiles : public ::testing::Test {
protected:
    void SetUp() override { folder = makeTestFolder(QStringLiteral("media-tc")); }
    void TearDown() override {
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    QString movie(const QString& name, const QString& rate, std::optional<QString> timecode,
                  QStringList extra = {}, bool audio = false) {
        MovieSpec spec;
        spec.rate = rate;
        spec.seconds = 0.4;
        spec.timecode = std::move(timecode);
        spec.extraArgs = std::move(extra);
        spec.audio = audio;
        const QString path = folder + QLatin1Char('/') + name;
        QString error;
        EXPECT_TRUE(makeMovie(path, spec, &error)) << error.toStdString();
        return path;
    }

    static TimecodeTrackReading reading(const QString& path) {
        const auto result = SourceTimecodeReader::readTimecodeNow(path);
        if (const auto* error = std::get_if<ReaderError>(&result)) {
            ADD_FAILURE() << error->errorDescription().toStdString();
            return {};
        }
        return std::get<TimecodeTrackReading>(result);
    }

    static std::optional<ReaderError> failure(const QString& path) {
        const auto result = SourceTimecodeReader::readTimecodeNow(path);
        if (const auto* error = std::get_if<ReaderError>(&result)) return *error;
        return std::nullopt;
    }

    QString folder;
};

TEST_F(MediaTimecodeTrackFiles, ReadsEveryCommonRate) {
    struct Case {
        QString rate, timecode;
        int quanta;
        bool drop;
    };
    const Case cases[] = {
        {QStringLiteral("25"), QStringLiteral("01:00:00:00"), 25, false},
        {QStringLiteral("24000/1001"), QStringLiteral("12:34:56:23"), 24, false},
        {QStringLiteral("30000/1001"), QStringLiteral("10:20:30;15"), 30, true},
        {QStringLiteral("30000/1001"), QStringLiteral("00:09:00;02"), 30, true},
        {QStringLiteral("30000/1001"), QStringLiteral("23:59:59:29"), 30, false},
        {QStringLiteral("60000/1001"), QStringLiteral("01:00:00;00"), 60, true},
        {QStringLiteral("60000/1001"), QStringLiteral("05:01:00;04"), 60, true},
        {QStringLiteral("50"), QStringLiteral("13:14:15:49"), 50, false},
        {QStringLiteral("120000/1001"), QStringLiteral("01:00:00;00"), 120, true},
    };
    int index = 0;
    for (const Case& c : cases) {
        const QString path = movie(QStringLiteral("rate%1.mov").arg(index++), c.rate, c.timecode);
        const auto r = reading(path);
        EXPECT_EQ(formatTimecode(r, r.isDropFrame), c.timecode) << c.rate.toStdString();
        EXPECT_EQ(r.frameQuanta, c.quanta);
        EXPECT_EQ(r.isDropFrame, c.drop);
        // ffprobe's own reading agrees (it writes three frame digits above 99 fps).
        if (c.quanta < 100) {
            EXPECT_EQ(probeTimecode(path), c.timecode);
        }
    }
}

TEST_F(MediaTimecodeTrackFiles, MpegFourContainerAndAudio) {
    const QString path = movie(QStringLiteral("clip.mp4"), QStringLiteral("25"), QStringLiteral("00:00:10:05"),
                               {}, true);
    EXPECT_EQ(formatTimecode(reading(path), false), QStringLiteral("00:00:10:05"));
}

TEST_F(MediaTimecodeTrackFiles, FilesWithoutATimecodeTrack) {
    EXPECT_EQ(failure(movie(QStringLiteral("none.mov"), QStringLiteral("25"), std::nullopt)),
              ReaderError::noTimecodeTrack());

    const QString audio = folder + QStringLiteral("/tone.m4a");
    ASSERT_EQ(runTool(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"),
                                                 QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine"),
                                                 QStringLiteral("-t"), QStringLiteral("0.3"), audio}),
              0);
    const auto error = failure(audio);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->errorDescription(), QStringLiteral("Asset has no tmcd timecode track."));
}

TEST_F(MediaTimecodeTrackFiles, TwoTimecodeTracksUseTheFirst) {
    const QString first = movie(QStringLiteral("a.mov"), QStringLiteral("25"), QStringLiteral("02:00:00:00"));
    const QString second = movie(QStringLiteral("b.mov"), QStringLiteral("25"), QStringLiteral("07:00:00:00"));
    const QString both = folder + QStringLiteral("/both.mov");
    ASSERT_EQ(runTool(QStringLiteral("ffmpeg"),
                      {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), first, QStringLiteral("-i"),
                       second, QStringLiteral("-map"), QStringLiteral("0:v"), QStringLiteral("-map"),
                       QStringLiteral("0:d"), QStringLiteral("-map"), QStringLiteral("1:d"), QStringLiteral("-c"),
                       QStringLiteral("copy"), both}),
              0);
    EXPECT_EQ(formatTimecode(reading(both), false), QStringLiteral("02:00:00:00"));
}

TEST_F(MediaTimecodeTrackFiles, DamagedFilesFailWithTheirError) {
    const QString good = movie(QStringLiteral("good.mov"), QStringLiteral("25"), QStringLiteral("02:00:00:00"),
                               {QStringLiteral("-movflags"), QStringLiteral("+faststart")});
    QFile file(good);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // ffmpeg puts the timecode sample first in the media data, here after the header.
    const qsizetype sampleAt = bytes.indexOf("mdat") + 4;
    ASSERT_GT(sampleAt, 4);
    ASSERT_EQ(bytes.mid(sampleAt, 4), QByteArray::fromHex("0002bf20"));

    const auto damaged = [&](const QString& name, const QByteArray& content) {
        const QString path = folder + QLatin1Char('/') + name;
        EXPECT_TRUE(writeFile(path, content));
        return failure(path);
    };
    EXPECT_EQ(damaged(QStringLiteral("nosample.mov"), bytes.left(sampleAt)), ReaderError::noSampleBuffer());
    EXPECT_EQ(damaged(QStringLiteral("partsample.mov"), bytes.left(sampleAt + 2)), ReaderError::emptyBlockBuffer());
    EXPECT_EQ(damaged(QStringLiteral("headeronly.mov"), bytes.left(bytes.indexOf("mdat") / 2))->kind(),
              ReaderError::Kind::readerInitFailed);
    EXPECT_EQ(damaged(QStringLiteral("empty.mov"), {})->kind(), ReaderError::Kind::readerInitFailed);
    const auto text = damaged(QStringLiteral("notes.mov"), "just some text\n");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->kind(), ReaderError::Kind::readerInitFailed);
    EXPECT_TRUE(text->errorDescription().contains(QStringLiteral("Invalid data"))) << text->errorDescription().toStdString();

    // A moov-at-end file cut short loses its header.
    const QString plain = movie(QStringLiteral("plain.mov"), QStringLiteral("25"), QStringLiteral("02:00:00:00"));
    QFile plainFile(plain);
    ASSERT_TRUE(plainFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(damaged(QStringLiteral("cut.mov"), plainFile.readAll().chopped(200))->kind(),
              ReaderError::Kind::readerInitFailed);

    // Flipping bytes anywhere never crashes.
    for (qsizetype at = 0; at < bytes.size(); at += 97) {
        QByteArray flipped = bytes;
        flipped[at] = char(~flipped[at]);
        const QString path = folder + QStringLiteral("/flipped.mov");
        ASSERT_TRUE(writeFile(path, flipped));
        (void)SourceTimecodeReader::readTimecodeNow(path);
    }
}

TEST_F(MediaTimecodeTrackFiles, PathsThatAreNotPlainMovies) {
    EXPECT_EQ(failure(folder + QStringLiteral("/missing.mov"))->kind(), ReaderError::Kind::readerInitFailed);
    EXPECT_EQ(failure(folder)->kind(), ReaderError::Kind::readerInitFailed);
    EXPECT_EQ(failure(QString())->kind(), ReaderError::Kind::readerInitFailed);
    // A FIFO would block a plain open forever.
    const QString fifo = folder + QStringLiteral("/pipe.mov");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(failure(fifo)->kind(), ReaderError::Kind::readerInitFailed);
}

TEST_F(MediaTimecodeTrackFiles, HostileFileNames) {
    const QString source = movie(QStringLiteral("src.mov"), QStringLiteral("25"), QStringLiteral("03:00:00:00"));
    const QStringList names{QStringLiteral("with space.mov"), QStringLiteral("quo\"te's.mov"),
                            QStringLiteral("new\nline.mov"), QStringLiteral("-leading.mov"),
                            QStringLiteral("concat:x.mov"), QStringLiteral("ünï©ødé.mov")};
    for (const QString& name : names) {
        const QString path = folder + QLatin1Char('/') + name;
        ASSERT_TRUE(QFile::copy(source, path)) << name.toStdString();
        EXPECT_EQ(formatTimecode(reading(path), false), QStringLiteral("03:00:00:00")) << name.toStdString();
    }
    // Relative paths resolve against the working folder like any file name.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder);
    EXPECT_EQ(formatTimecode(reading(QStringLiteral("-leading.mov")), false), QStringLiteral("03:00:00:00"));
    QDir::setCurrent(previous);

    // A name that is not valid UTF-8 cannot be spelled in a QString: it reads as missing.
    const QByteArray rawName = QFile::encodeName(folder) + "/bad\xff\xfe.mov";
    ASSERT_EQ(::link(QFile::encodeName(source).constData(), rawName.constData()), 0);
    const auto error = failure(QFile::decodeName(rawName));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), ReaderError::Kind::readerInitFailed);
}

TEST_F(MediaTimecodeTrackFiles, ReadsRunInOrderOffTheCallingThreadAndReportBack) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    const QString a = movie(QStringLiteral("a.mov"), QStringLiteral("25"), QStringLiteral("01:00:00:00"));
    const QString b = movie(QStringLiteral("b.mov"), QStringLiteral("25"), std::nullopt);
    SourceTimecodeReader reader;
    QObject context;
    QStringList delivered;
    QList<QThread*> deliveryThreads;
    QEventLoop loop;
    const auto record = [&](const SourceTimecodeReader::Result& result) {
        deliveryThreads << QThread::currentThread();
        if (const auto* r = std::get_if<TimecodeTrackReading>(&result)) delivered << formatTimecode(*r, false);
        else delivered << std::get<ReaderError>(result).errorDescription();
        if (delivered.size() == 3) loop.quit();
    };
    reader.readTimecode(a).then(&context, record);
    reader.readTimecode(b).then(&context, record);
    reader.readTimecode(folder + QStringLiteral("/nothing.mov")).then(&context, record);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();

    ASSERT_EQ(delivered.size(), 3);
    EXPECT_EQ(delivered[0], QStringLiteral("01:00:00:00"));
    EXPECT_EQ(delivered[1], QStringLiteral("Asset has no tmcd timecode track."));
    EXPECT_TRUE(delivered[2].startsWith(QStringLiteral("Movie reader init failed: ")));
    for (QThread* thread : deliveryThreads) EXPECT_EQ(thread, app.thread());
}
