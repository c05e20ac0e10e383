// The ffmpeg argument list of a correction, and a real correction made with it.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "ToolTestSupport.h"
#include "Vantrel/tools/CorrectionCommand.h"
#include "Vantrel/tools/FFmpegWrapper.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

using namespace vantrel;
using timecode::Timecode;
using timecode::TimecodeFrameRate;
using timecode::TimecodeSourceValue;

namespace {

Timecode makeTimecode(std::int64_t h, std::int64_t m, std::int64_t s, std::int64_t f, TimecodeFrameRate rate) {
    return Timecode(TimecodeSourceValue::components(0, h, m, s, f, 0), rate, Timecode::SubFramesBase::max100SubFrames,
                    Timecode::UpperLimit::max24Hours, timecode::ValidationRule::allowingInvalid);
}

// What ffprobe reads of a file's `entries`, as JSON.
QJsonObject probed(const QString& file, const QString& entries = QStringLiteral("format_tags")) {
    QByteArray json;
    if (testsupport::runTool(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"),
                                                         QStringLiteral("-show_entries"), entries,
                                                         QStringLiteral("-of"), QStringLiteral("json"), file},
                             &json) != 0)
        return {};
    return QJsonDocument::fromJson(json).object();
}
QJsonObject formatTags(const QJsonObject& probe) {
    return probe.value(QStringLiteral("format")).toObject().value(QStringLiteral("tags")).toObject();
}

// Corrects `source` into `output` with the built list, through the wrapper; the
// console lines go to `log`.
void correct(FFmpegWrapper& wrapper, const QString& source, const QString& output, const Timecode& tc,
             QStringList* log = nullptr) {
    tooltest::app();
    const auto ffmpeg = wrapper.toolResolver().resolve(BundledToolResolver::Tool::ffmpeg);
    ASSERT_TRUE(ffmpeg.has_value());
    QFuture<void> run = wrapper.runFFmpeg(*ffmpeg, makeTimecodeArguments(source, output, tc), std::nullopt,
                                          [](double, const QString&) {}, [log](const QString& line) {
                                              if (log) *log << line;
                                          });
    ASSERT_TRUE(tooltest::waitFor(run));
    EXPECT_NO_THROW(run.waitForFinished()) << (log ? log->join(QLatin1Char('\n')).toStdString() : std::string());
}

QStringList expected(const QString& input, const QString& tc, const QString& output,
                     const QStringList& creation = {}) {
    return QStringList{QStringLiteral("-hide_banner"), QStringLiteral("-i"), input,
                       QStringLiteral("-c"),           QStringLiteral("copy"),
                       QStringLiteral("-map"),         QStringLiteral("0"),
                       QStringLiteral("-map"),         QStringLiteral("-0:d"),
                       QStringLiteral("-map_metadata"), QStringLiteral("0"),
                       QStringLiteral("-movflags"),    QStringLiteral("use_metadata_tags"),
                       QStringLiteral("-metadata"),    QStringLiteral("major_brand="),
                       QStringLiteral("-metadata"),    QStringLiteral("minor_version="),
                       QStringLiteral("-metadata"),    QStringLiteral("compatible_brands="),
                       QStringLiteral("-timecode"),    tc} +
           creation + QStringList{QStringLiteral("-y"), output};
}

}  // namespace

TEST(CorrectionCommand, PathsPassWholeAndTheSeparatorFollowsTheRate) {
    const QString input = QStringLiteral("/Volumes/Shoot Day 1/A001 \"take\" $1; it's.mov");
    const QString output = QStringLiteral("/tmp/out dir/A001_TC.mov");
    EXPECT_EQ(makeTimecodeArguments(input, output, makeTimecode(1, 0, 0, 0, TimecodeFrameRate::fps29_97d)),
              expected(input, QStringLiteral("01:00:00;00"), output));
    EXPECT_EQ(makeTimecodeArguments(input, output, makeTimecode(23, 59, 59, 24, TimecodeFrameRate::fps25)),
              expected(input, QStringLiteral("23:59:59:24"), output));
    EXPECT_EQ(makeTimecodeArguments(input, output, makeTimecode(10, 1, 0, 2, TimecodeFrameRate::fps59_94d))[20],
              QStringLiteral("10:01:00;02"));
}

TEST(CorrectionCommand, RelativePathsBecomeAbsolute) {
    const QStringList arguments = makeTimecodeArguments(QStringLiteral("-f.mov"), QStringLiteral("-y.mov"),
                                                        makeTimecode(0, 0, 0, 0, TimecodeFrameRate::fps25));
    EXPECT_EQ(arguments[2], QDir::currentPath() + QStringLiteral("/-f.mov"));
    EXPECT_EQ(arguments.last(), QDir::currentPath() + QStringLiteral("/-y.mov"));
}

TEST(CorrectionCommand, CreationTimeIsStampedInUtcToWholeSeconds) {
    const QDateTime date(QDate(2024, 3, 5), QTime(15, 7, 9, 640), QTimeZone(3600));
    const QStringList arguments = makeTimecodeArguments(QStringLiteral("/in.mov"), QStringLiteral("/out.mov"),
                                                        makeTimecode(1, 0, 0, 0, TimecodeFrameRate::fps25), date);
    EXPECT_EQ(arguments, expected(QStringLiteral("/in.mov"), QStringLiteral("01:00:00:00"), QStringLiteral("/out.mov"),
                                  {QStringLiteral("-metadata"), QStringLiteral("creation_time=2024-03-05T14:07:09Z")}));
    EXPECT_EQ(makeTimecodeArguments(QStringLiteral("/in.mov"), QStringLiteral("/out.mov"),
                                    makeTimecode(1, 0, 0, 0, TimecodeFrameRate::fps25), QDateTime())
                  .size(),
              23);
}

// A 29.97 drop-frame movie with a creation date, corrected by ffmpeg with the
// built list: the new timecode is written, the source's dates are kept, the old
// timecode track is replaced rather than doubled, and the source is untouched.
TEST(CorrectionCommand, RealCorrectionWritesTheTimecodeAndKeepsTheDates) {
    const QString folder = testsupport::makeTestFolder(QStringLiteral("correction"));
    const QString source = folder + QStringLiteral("/A001 clip.mov");
    testsupport::MovieRecipe recipe;
    recipe.rate = QStringLiteral("30000/1001");
    recipe.timecode = QStringLiteral("10:00:00;00");
    recipe.creationDate = QStringLiteral("2024-03-05T14:22:33+0200");
    recipe.creationTime = QStringLiteral("2024-03-05T12:22:33Z");
    recipe.audio = true;
    QString error;
    ASSERT_TRUE(testsupport::makeMovie(source, recipe, &error)) << error.toStdString();
    const QString sourceHash = testsupport::sha256OfFile(source);

    FFmpegWrapper wrapper;
    const QString output = folder + QStringLiteral("/A001 clip_TC.mov");
    QStringList log;
    ASSERT_NO_FATAL_FAILURE(correct(wrapper, source, output, makeTimecode(1, 2, 3, 4, TimecodeFrameRate::fps29_97d), &log));
    // The console gets whole lines, and no banner.
    EXPECT_FALSE(log.filter(QStringLiteral("FFmpeg: ")).isEmpty());
    for (const QString& line : log) {
        EXPECT_FALSE(line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r'))) << line.toStdString();
        EXPECT_FALSE(line.contains(QStringLiteral("ffmpeg version")) || line.contains(QStringLiteral("configuration:")))
            << line.toStdString();
    }

    EXPECT_EQ(testsupport::probeTimecode(output), QStringLiteral("01:02:03;04"));
    const QFuture<int> trackCount = wrapper.timecodeTrackCount(output);
    ASSERT_TRUE(tooltest::waitFor(trackCount));
    EXPECT_EQ(trackCount.result(), 1);
    const QJsonObject root = probed(output, QStringLiteral("format_tags:stream=codec_type"));
    const QJsonObject tags = formatTags(root);
    EXPECT_EQ(tags.value(QStringLiteral("com.apple.quicktime.creationdate")).toString(),
              QStringLiteral("2024-03-05T14:22:33+0200"));
    EXPECT_TRUE(tags.value(QStringLiteral("creation_time")).toString().startsWith(QStringLiteral("2024-03-05T12:22:33")));
    QStringList types;
    for (const QJsonValue& stream : root.value(QStringLiteral("streams")).toArray()) {
        types << stream.toObject().value(QStringLiteral("codec_type")).toString();
    }
    EXPECT_EQ(types, (QStringList{QStringLiteral("video"), QStringLiteral("audio"), QStringLiteral("data")}));
    EXPECT_EQ(testsupport::sha256OfFile(source), sourceHash);
    if (!::testing::Test::HasFailure()) QDir(folder).removeRecursively();
}

// An MP4 source's file type becomes no metadata item of the .mov output; every
// item the source had is still there.
TEST(CorrectionCommand, OutputOfAnMp4SourceClaimsNoMp4Brand) {
    const QString folder = testsupport::makeTestFolder(QStringLiteral("brands"));
    const QString source = folder + QStringLiteral("/clip.mp4");
    testsupport::MovieRecipe recipe;
    recipe.seconds = 0.2;
    recipe.timecode = QStringLiteral("10:00:00:00");
    recipe.extraArgs = {QStringLiteral("-metadata"), QStringLiteral("title=Scene 4"), QStringLiteral("-metadata"),
                        QStringLiteral("comment=take two")};
    QString error;
    ASSERT_TRUE(testsupport::makeMovie(source, recipe, &error)) << error.toStdString();
    ASSERT_EQ(formatTags(probed(source)).value(QStringLiteral("major_brand")).toString(), QStringLiteral("isom"));

    FFmpegWrapper wrapper;
    const QString output = folder + QStringLiteral("/clip_TC.mov");
    ASSERT_NO_FATAL_FAILURE(correct(wrapper, source, output, makeTimecode(1, 0, 0, 0, TimecodeFrameRate::fps25)));
    ASSERT_FALSE(::testing::Test::HasFailure());

    const QJsonObject tags = formatTags(probed(output));
    // What ffprobe shows as the brands now comes from the output's own file type box.
    EXPECT_EQ(tags.value(QStringLiteral("major_brand")).toString().trimmed(), QStringLiteral("qt"));
    EXPECT_EQ(tags.value(QStringLiteral("compatible_brands")).toString().trimmed(), QStringLiteral("qt"));
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("isom"));
    EXPECT_EQ(tags.value(QStringLiteral("title")).toString(), QStringLiteral("Scene 4"));
    EXPECT_EQ(tags.value(QStringLiteral("comment")).toString(), QStringLiteral("take two"));
    if (!::testing::Test::HasFailure()) QDir(folder).removeRecursively();
}
