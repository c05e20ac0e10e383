// The start timecode of a movie's timecode track: the frame-number conversion and
// real files written by ffmpeg, including damaged and hostile ones.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "FutureWatch/WhenFinished.h"
#include "Vantrel/media/SourceTimecodeReader.h"

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

namespace {

QString text(std::int32_t frameNumber, std::int32_t quanta, bool drop) {
    return formatTimecode(SourceTimecodeReader::components(frameNumber, quanta, drop), drop);
}

// Counts labels one frame at a time, skipping the ones a drop-frame rate omits,
// against the direct conversion of every frame number on the way.
void expectDropCountingMatchesStepping(int quanta, int framesToWalk) {
    int h = 0, m = 0, s = 0, f = 0;
    for (int n = 0; n < framesToWalk; ++n) {
        const auto r = SourceTimecodeReader::components(n, quanta, true);
        ASSERT_EQ(std::tuple(int(r.hours), int(r.minutes), int(r.seconds), int(r.frames)), std::tuple(h, m, s, f))
            << "frame number " << n << " at quanta " << quanta;
        if (++f < quanta) continue;
        f = 0;
        if (++s < 60) continue;
        s = 0;
        if (++m == 60) m = 0, ++h;
        if (m % 10 != 0) f = quanta / 15;
    }
}

}  // namespace

TEST(MediaTimecodeTrack, FrameNumbersToComponents) {
    EXPECT_EQ(text(1799, 30, true), QStringLiteral("00:00:59;29"));
    EXPECT_EQ(text(1800, 30, true), QStringLiteral("00:01:00;02"));
    EXPECT_EQ(text(17982, 30, true), QStringLiteral("00:10:00;00"));
    EXPECT_EQ(text(107892, 30, true), QStringLiteral("01:00:00;00"));
    // 59.94 and 119.88 drop 4 and 8 labels a minute.
    EXPECT_EQ(text(3600, 60, true), QStringLiteral("00:01:00;04"));
    EXPECT_EQ(text(215784, 60, true), QStringLiteral("01:00:00;00"));
    EXPECT_EQ(text(431568, 120, true), QStringLiteral("01:00:00;00"));
    expectDropCountingMatchesStepping(30, 2 * 17982 + 5000);
    expectDropCountingMatchesStepping(60, 2 * 35964 + 5000);
    expectDropCountingMatchesStepping(120, 71928 + 9000);

    EXPECT_EQ(text(90000, 25, false), QStringLiteral("01:00:00:00"));
    EXPECT_EQ(text(2160000, 24, false), QStringLiteral("25:00:00:00"));  // hours are not wrapped
    EXPECT_EQ(text(24 * 3600 * 200, 24, false), QStringLiteral("200:00:00:00"));
    // A drop flag at a quanta that is not a multiple of 30 counts non-drop (and keeps the flag).
    EXPECT_EQ(text(90000, 25, true), QStringLiteral("01:00:00;00"));
    EXPECT_TRUE(SourceTimecodeReader::components(90000, 25, true).isDropFrame);
    // Quanta 0 or below: every frame number is a second; never a division by zero.
    for (bool drop : {false, true}) {
        EXPECT_EQ(text(3725, 0, drop), drop ? QStringLiteral("01:02:05;00") : QStringLiteral("01:02:05:00"));
        EXPECT_EQ(SourceTimecodeReader::components(5, -3, drop).seconds, 5);
    }
    // Hours beyond 16 bits saturate instead of wrapping.
    EXPECT_EQ(SourceTimecodeReader::components(INT32_MAX, 1, false).hours, INT16_MAX);
    EXPECT_LT(SourceTimecodeReader::components(INT32_MIN, 60, true).frames, 60);
}

TEST(MediaTimecodeTrack, SampleBytesAndErrors) {
    // As ffmpeg stores it for 29.97 drop frame: flags 1, 30000/1001, quanta 30.
    const auto description = SourceTimecodeReader::parseSampleDescription(
        QByteArray::fromHex("000000000000000100007530000003e91e000000"));
    ASSERT_TRUE(description);
    EXPECT_EQ(description->flags, 1u);
    EXPECT_EQ(description->frameQuanta, 30);
    EXPECT_FALSE(SourceTimecodeReader::parseSampleDescription(QByteArray(16, 0)));
    EXPECT_EQ(SourceTimecodeReader::parseSampleDescription(QByteArray(16, 0) + char(0xf0))->frameQuanta, 240);
    EXPECT_EQ(SourceTimecodeReader::frameNumberOfSample(QByteArray::fromHex("ffffffff99")), -1);
    EXPECT_FALSE(SourceTimecodeReader::frameNumberOfSample(QByteArray::fromHex("000102")));

    EXPECT_EQ(ReaderError::unsupportedFormatType(0x74633634).errorDescription(),
              QStringLiteral("Unsupported timecode format type 'tc64'. Expected 'tmcd'."));
    EXPECT_EQ(ReaderError::unsupportedFormatType(0x00410a42).errorDescription(),
              QStringLiteral("Unsupported timecode format type '?A?B'. Expected 'tmcd'."));
}

class MediaTimecodeTrackFiles : public ::testing::Test {
protected:
    void SetUp() override { folder = makeTestFolder(QStringLiteral("media-tc")); }
    void TearDown() override {
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    QString movie(const QString& name, const QString& rate, std::optional<QString> timecode, QStringList extra = {}) {
        MovieRecipe recipe;
        recipe.rate = rate;
        recipe.seconds = 0.4;
        recipe.timecode = std::move(timecode);
        recipe.extraArgs = std::move(extra);
        recipe.audio = name.endsWith(QStringLiteral(".mp4"));
        const QString path = folder + u'/' + name;
        QString error;
        EXPECT_TRUE(makeMovie(path, recipe, &error)) << error.toStdString();
        return path;
    }

    // The text of the reading, or the error's description.
    static QString read(const QString& path) {
        const auto result = SourceTimecodeReader::readTimecodeNow(path);
        if (const auto* error = std::get_if<ReaderError>(&result)) return error->errorDescription();
        const auto& reading = std::get<TimecodeTrackReading>(result);
        return formatTimecode(reading, reading.isDropFrame) + QStringLiteral(" @%1").arg(reading.frameQuanta);
    }
    static std::optional<ReaderError::Kind> failure(const QString& path) {
        const auto result = SourceTimecodeReader::readTimecodeNow(path);
        if (const auto* error = std::get_if<ReaderError>(&result)) return error->kind();
        return std::nullopt;
    }

    QString folder;
};

TEST_F(MediaTimecodeTrackFiles, ReadsEveryCommonRate) {
    const std::tuple<const char*, const char*, int> cases[] = {
        {"25", "01:00:00:00", 25},          {"24000/1001", "12:34:56:23", 24}, {"30000/1001", "10:20:30;15", 30},
        {"30000/1001", "00:09:00;02", 30},  {"30000/1001", "23:59:59:29", 30}, {"60000/1001", "05:01:00;04", 60},
        {"50", "13:14:15:49", 50},          {"120000/1001", "01:00:00;00", 120}};
    int index = 0;
    for (const auto& [rate, timecode, quanta] : cases) {
        const QString name = QStringLiteral("rate%1.%2").arg(index).arg(index % 2 ? "mp4" : "mov");
        ++index;
        EXPECT_EQ(read(movie(name, QString::fromLatin1(rate), QString::fromLatin1(timecode))),
                  QStringLiteral("%1 @%2").arg(QLatin1String(timecode)).arg(quanta));
    }
}

TEST_F(MediaTimecodeTrackFiles, MissingSecondAndDamagedTracks) {
    const QString none = QStringLiteral("Asset has no tmcd timecode track.");
    EXPECT_EQ(read(movie(QStringLiteral("none.mov"), QStringLiteral("25"), std::nullopt)), none);
    const QString audio = folder + QStringLiteral("/tone.m4a");
    ASSERT_EQ(runTool(QStringLiteral("ffmpeg"), {"-v", "error", "-f", "lavfi", "-i", "sine", "-t", "0.3", audio}), 0);
    EXPECT_EQ(read(audio), none);

    // Of two timecode tracks the first counts.
    const QString first = movie(QStringLiteral("a.mov"), QStringLiteral("25"), QStringLiteral("02:00:00:00"));
    const QString second = movie(QStringLiteral("b.mov"), QStringLiteral("25"), QStringLiteral("07:00:00:00"));
    const QString both = folder + QStringLiteral("/both.mov");
    ASSERT_EQ(runTool(QStringLiteral("ffmpeg"), {"-v", "error", "-i", first, "-i", second, "-map", "0:v", "-map", "0:d",
                                                 "-map", "1:d", "-c", "copy", both}),
              0);
    EXPECT_EQ(read(both), QStringLiteral("02:00:00:00 @25"));

    // With the header first, ffmpeg puts the timecode sample at the start of the media data.
    const QString faststart = movie(QStringLiteral("fs.mov"), QStringLiteral("25"), QStringLiteral("02:00:00:00"),
                                    {QStringLiteral("-movflags"), QStringLiteral("+faststart")});
    QFile file(faststart);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const qsizetype sampleAt = bytes.indexOf("mdat") + 4;
    ASSERT_EQ(bytes.mid(sampleAt, 4), QByteArray::fromHex("0002bf20"));
    const auto damaged = [&](const QByteArray& content) {
        const QString path = folder + QStringLiteral("/damaged.mov");
        EXPECT_TRUE(writeFile(path, content));
        return failure(path);
    };
    EXPECT_EQ(damaged(bytes.left(sampleAt)), ReaderError::Kind::noSampleBuffer);
    EXPECT_EQ(damaged(bytes.left(sampleAt + 2)), ReaderError::Kind::emptyBlockBuffer);
    EXPECT_EQ(damaged(bytes.left(40)), ReaderError::Kind::noTimecodeTrack);  // header cut short: no tracks
    EXPECT_EQ(damaged({}), ReaderError::Kind::readerInitFailed);
    EXPECT_EQ(damaged("just some text\n"), ReaderError::Kind::readerInitFailed);
    QFile plain(first);  // header at the end: cut short, nothing is readable
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
    EXPECT_EQ(damaged(plain.readAll().chopped(200)), ReaderError::Kind::readerInitFailed);
    for (qsizetype at = 0; at < bytes.size(); at += 97) {  // flipped bytes never crash
        QByteArray flipped = bytes;
        flipped[at] = char(~flipped[at]);
        damaged(flipped);
    }
}

TEST_F(MediaTimecodeTrackFiles, HostilePathsAndNames) {
    const QString source = movie(QStringLiteral("src.mov"), QStringLiteral("25"), QStringLiteral("03:00:00:00"));
    for (const QString& name : {QStringLiteral("with space.mov"), QStringLiteral("quo\"te's.mov"),
                                QStringLiteral("new\nline.mov"), QStringLiteral("-leading.mov"),
                                QStringLiteral("concat:x.mov"), QStringLiteral("ünï©ødé.mov")}) {
        ASSERT_TRUE(QFile::copy(source, folder + u'/' + name));
        EXPECT_EQ(read(folder + u'/' + name), QStringLiteral("03:00:00:00 @25")) << name.toStdString();
    }
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder);
    EXPECT_EQ(read(QStringLiteral("-leading.mov")), QStringLiteral("03:00:00:00 @25"));
    QDir::setCurrent(previous);

    // Not plain movie files: missing, a folder, nothing, a FIFO (which would block an
    // open), and a name that is not UTF-8 (no QString can spell it).
    const QString fifo = folder + QStringLiteral("/pipe.mov");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QByteArray rawName = QFile::encodeName(folder) + "/bad\xff\xfe.mov";
    ASSERT_EQ(::link(QFile::encodeName(source).constData(), rawName.constData()), 0);
    for (const QString& path : {folder + QStringLiteral("/missing.mov"), folder, QString(), fifo,
                                QFile::decodeName(rawName)})
        EXPECT_EQ(failure(path), ReaderError::Kind::readerInitFailed) << path.toStdString();
}

TEST_F(MediaTimecodeTrackFiles, ReadsRunInOrderAndReportOnTheCallersThread) {
    const QString a = movie(QStringLiteral("a.mov"), QStringLiteral("25"), QStringLiteral("01:00:00:00"));
    SourceTimecodeReader reader;
    QObject context;
    QStringList delivered;
    QEventLoop loop;
    const auto record = [&](const SourceTimecodeReader::Result& result) {
        EXPECT_EQ(QThread::currentThread(), qApp->thread());
        const auto* r = std::get_if<TimecodeTrackReading>(&result);
        delivered << (r ? formatTimecode(*r, false) : std::get<ReaderError>(result).errorDescription());
        if (delivered.size() == 2) loop.quit();
    };
    const auto deliver = [&](const QFuture<SourceTimecodeReader::Result>& done) { record(done.result()); };
    futurewatch::whenFinished(reader.readTimecode(a), &context, deliver);
    futurewatch::whenFinished(reader.readTimecode(folder), &context, deliver);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_EQ(delivered.size(), 2);
    EXPECT_EQ(delivered[0], QStringLiteral("01:00:00:00"));
    EXPECT_TRUE(delivered[1].startsWith(QStringLiteral("Movie reader init failed: ")));
}
