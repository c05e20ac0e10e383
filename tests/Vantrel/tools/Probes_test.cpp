// Measuring files with ffprobe: real movies made by ffmpeg, files that are no
// movies, and stand-in tools with canned answers.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "ToolTestSupport.h"
#include "Vantrel/tools/FFmpegWrapper.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdint>

using namespace vantrel;
using Wrapper = FFmpegWrapper;
using Stream = Wrapper::ProbeStream;

namespace {

template <typename T>
T valueOf(const QFuture<T>& future) {
    EXPECT_TRUE(tooltest::waitFor(future));
    return future.result();
}

std::optional<QJsonObject> json(const char* text) {
    const QJsonDocument document = QJsonDocument::fromJson(text);
    if (!document.isObject()) return std::nullopt;
    return document.object();
}

class ProbesTest : public ::testing::Test {
protected:
    void SetUp() override {
        tooltest::app();
        folder = testsupport::makeTestFolder(QStringLiteral("probes"));
    }
    void TearDown() override {
        if (!HasFailure()) QDir(folder).removeRecursively();
    }
    QString movie(const QString& name, const testsupport::MovieRecipe& recipe) {
        const QString path = folder + QLatin1Char('/') + name;
        QString error;
        EXPECT_TRUE(testsupport::makeMovie(path, recipe, &error)) << error.toStdString();
        return path;
    }
    // A wrapper whose only ffprobe is a script with this body.
    std::unique_ptr<Wrapper> fakeProbe(const QByteArray& body) {
        const QString helpers = folder + QStringLiteral("/Helpers");
        EXPECT_TRUE(testsupport::writeScript(helpers + QStringLiteral("/ffprobe"), body));
        return std::make_unique<Wrapper>(BundledToolResolver({helpers, {}}));
    }

    QString folder;
    Wrapper wrapper;
};

}  // namespace

TEST_F(ProbesTest, MeasuresARealMovie) {
    testsupport::MovieRecipe recipe;
    recipe.seconds = 1.0;
    recipe.timecode = QStringLiteral("01:00:00:00");
    recipe.audio = true;
    const QString path = movie(QStringLiteral("with tc & audio.mov"), recipe);

    EXPECT_EQ(valueOf(wrapper.timecodeTrackCount(path)), 1);
    EXPECT_EQ(valueOf(wrapper.streamParams(path, Stream::video)),
              (StreamParams{"mpeg4", 160, 120, "yuv420p", std::nullopt}));
    const auto audio = valueOf(wrapper.streamParams(path, Stream::audio));
    ASSERT_TRUE(audio.has_value());
    EXPECT_EQ(audio->codec, "aac");
    EXPECT_EQ(audio->sampleRate, 48000);
    EXPECT_EQ(audio->width, std::nullopt);
    EXPECT_EQ(valueOf(wrapper.packetCount(path, Stream::video)), 25);
    EXPECT_GT(valueOf(wrapper.packetCount(path, Stream::audio)), 40);
    const qint64 videoBytes = valueOf(wrapper.packetBytes(path, Stream::video));
    EXPECT_GT(videoBytes, 1000);
    EXPECT_LT(videoBytes, QFileInfo(path).size());
    EXPECT_NEAR(valueOf(wrapper.duration(path)), 1000, 50);
}

TEST_F(ProbesTest, MovieWithoutTimecodeOrAudio) {
    const QString path = movie(QStringLiteral("plain.mp4"), {});
    EXPECT_EQ(valueOf(wrapper.timecodeTrackCount(path)), 0);
    EXPECT_EQ(valueOf(wrapper.packetCount(path, Stream::audio)), -1);
    EXPECT_EQ(valueOf(wrapper.packetBytes(path, Stream::audio)), -1);
    EXPECT_EQ(valueOf(wrapper.streamParams(path, Stream::audio)), std::nullopt);
}

TEST_F(ProbesTest, FilesThatAreNoMoviesMeasureNothing) {
    const QString text = folder + QStringLiteral("/notes.mov");
    ASSERT_TRUE(testsupport::writeFile(text, "this is not a movie\n"));
    const QString truncated = folder + QStringLiteral("/truncated.mov");
    QFile source(movie(QStringLiteral("whole.mov"), {}));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    ASSERT_TRUE(testsupport::writeFile(truncated, source.read(64)));

    for (const QString& path : {text, truncated, folder + QStringLiteral("/missing.mov"), folder}) {
        EXPECT_EQ(valueOf(wrapper.timecodeTrackCount(path)), -1) << path.toStdString();
        EXPECT_EQ(valueOf(wrapper.streamParams(path, Stream::video)), std::nullopt);
        EXPECT_EQ(valueOf(wrapper.packetCount(path, Stream::video)), -1);
        EXPECT_EQ(valueOf(wrapper.duration(path)), -1);
    }
}

TEST_F(ProbesTest, WithoutFfprobeNoToolIsStarted) {
    const Wrapper nowhere(BundledToolResolver({QString(), {}}));
    const QString path = folder + QStringLiteral("/any.mov");
    EXPECT_EQ(valueOf(nowhere.timecodeTrackCount(path)), -1);
    EXPECT_EQ(valueOf(nowhere.streamParams(path, Stream::video)), std::nullopt);
    EXPECT_EQ(valueOf(nowhere.packetCount(path, Stream::audio)), -1);
    EXPECT_EQ(valueOf(nowhere.packetBytes(path, Stream::video)), -1);
    EXPECT_EQ(valueOf(nowhere.duration(path)), -1);
    EXPECT_EQ(valueOf(nowhere.probeJSON(path, {})), std::nullopt);
}

TEST_F(ProbesTest, CommandLinesAreFixed) {
    auto probe = fakeProbe("for a in \"$@\"; do printf '%s\\n' \"$a\"; done >> \"$0.args\"\nprintf '{}'\n");
    const QString args = folder + QStringLiteral("/Helpers/ffprobe.args");
    const QString path = folder + QStringLiteral("/a clip.mov");
    auto lines = [&] {
        QFile file(args);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QStringList list = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        list.removeLast();
        file.close();
        file.remove();
        return list;
    };
    const QStringList head{QStringLiteral("-hide_banner"), QStringLiteral("-v"), QStringLiteral("error"),
                           QStringLiteral("-of"), QStringLiteral("json")};

    valueOf(probe->packetCount(path, Stream::audio));
    EXPECT_EQ(lines(), (head + QStringList{QStringLiteral("-select_streams"), QStringLiteral("a:0"),
                                          QStringLiteral("-count_packets"), QStringLiteral("-show_entries"),
                                          QStringLiteral("stream=nb_read_packets"), path}));
    valueOf(probe->timecodeTrackCount(path));
    EXPECT_EQ(lines(), (head + QStringList{QStringLiteral("-show_entries"), QStringLiteral("stream=codec_tag_string"), path}));
    valueOf(probe->streamParams(path, Stream::video));
    EXPECT_EQ(lines(), (head + QStringList{QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                                          QStringLiteral("-show_entries"),
                                          QStringLiteral("stream=codec_name,width,height,pix_fmt,sample_rate"), path}));
    valueOf(probe->packetBytes(path, Stream::video));
    EXPECT_EQ(lines(), (head + QStringList{QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                                          QStringLiteral("-show_entries"), QStringLiteral("packet=size"), path}));
    valueOf(probe->duration(path));
    EXPECT_EQ(lines(), (head + QStringList{QStringLiteral("-show_entries"), QStringLiteral("format=duration"), path}));

    // A relative name that looks like an option reaches the tool as an absolute path.
    valueOf(probe->duration(QStringLiteral("-f.mov")));
    EXPECT_EQ(lines().last(), QDir::currentPath() + QStringLiteral("/-f.mov"));
}

TEST_F(ProbesTest, ExitStatusAndOutputDecideTheAnswer) {
    auto failing = fakeProbe("printf '{\"format\":{\"duration\":\"1.0\"}}'\nexit 1\n");
    EXPECT_EQ(valueOf(failing->duration(folder)), -1);

    auto array = fakeProbe("printf '[{\"format\":{\"duration\":\"1.0\"}}]'\n");
    EXPECT_EQ(valueOf(array->probeJSON(folder, {})), std::nullopt);

    auto empty = fakeProbe("exit 0\n");
    EXPECT_EQ(valueOf(empty->probeJSON(folder, {})), std::nullopt);

    // Megabytes on standard error beside the answer: nothing blocks.
    auto chatty = fakeProbe("head -c 3000000 /dev/zero | tr '\\0' 'e' >&2\n"
                            "printf '{\"format\":{\"duration\":\"2.5\"}}'\n");
    EXPECT_EQ(valueOf(chatty->duration(folder)), 2500);

    // And a large answer on standard output.
    auto large = fakeProbe("printf '{\"packets\":['\n"
                           "i=0; while [ $i -lt 20000 ]; do printf '{\"size\":10},'; i=$((i+1)); done\n"
                           "printf '{\"size\":\"5\"}]}'\n");
    EXPECT_EQ(valueOf(large->packetBytes(folder, Stream::video)), 200005);
}

TEST_F(ProbesTest, CancelledProbeStopsTheTool) {
    auto hanging = fakeProbe("touch \"$0.started\"\nexec sleep 600\n");
    QFuture<qint64> future = hanging->duration(folder);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(folder + QStringLiteral("/Helpers/ffprobe.started")); }, 60000));
    QElapsedTimer clock;
    clock.start();
    future.cancel();
    EXPECT_TRUE(tooltest::waitFor(future, 120000));
    EXPECT_LT(clock.elapsed(), 120000);  // not the tool's ten minutes
    EXPECT_TRUE(future.isCanceled());
    EXPECT_EQ(future.resultCount(), 0);
}

TEST(ProbeJSON, NumberFields) {
    EXPECT_EQ(Wrapper::integerField(QJsonValue(1920.0)), 1920);
    EXPECT_EQ(Wrapper::integerField(QJsonValue(QStringLiteral("+48000"))), 48000);
    EXPECT_EQ(Wrapper::integerField(QJsonValue(QStringLiteral("9223372036854775807"))), INT64_MAX);
    for (const char* text : {"1920.5", "1e300", "\"48k\"", "\" 1\"", "\"\"", "\"+-1\"", "\"9223372036854775808\"",
                             "\"\u0661\"", "true", "null", "{}"}) {
        const QJsonValue value = QJsonDocument::fromJson(QByteArray("[") + text + "]").array().first();
        EXPECT_EQ(Wrapper::integerField(value), std::nullopt) << text;
    }
}

TEST(ProbeJSON, TrackCountAndStreamParameters) {
    EXPECT_EQ(Wrapper::timecodeTrackCountFromJSON(json(
                  R"({"streams":[{"codec_tag_string":"avc1"},{"codec_tag_string":"tmcd"},{},{"codec_tag_string":"TMCD"},{"codec_tag_string":"tmcd"}]})")),
              2);
    EXPECT_EQ(Wrapper::timecodeTrackCountFromJSON(json(R"({"streams":[]})")), 0);
    EXPECT_EQ(Wrapper::timecodeTrackCountFromJSON(json(R"({"streams":{}})")), -1);
    EXPECT_EQ(Wrapper::timecodeTrackCountFromJSON(json(R"({"streams":[1]})")), -1);
    EXPECT_EQ(Wrapper::timecodeTrackCountFromJSON(json("{}")), -1);
    EXPECT_EQ(Wrapper::timecodeTrackCountFromJSON(std::nullopt), -1);

    EXPECT_EQ(Wrapper::streamParamsFromJSON(json(
                  R"({"streams":[{"codec_name":"pcm_s16le","sample_rate":"48000","width":1920,"pix_fmt":7},{"codec_name":"x"}]})")),
              (StreamParams{"pcm_s16le", 1920, std::nullopt, std::nullopt, 48000}));
    EXPECT_EQ(Wrapper::streamParamsFromJSON(json(R"({"streams":[{"codec_name":"aac","sample_rate":"48k"}]})")),
              (StreamParams{"aac", std::nullopt, std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(Wrapper::streamParamsFromJSON(json(R"({"streams":[{"codec_name":"h264","width":99999999999}]})")),
              (StreamParams{"h264", std::nullopt, std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(Wrapper::streamParamsFromJSON(json(R"({"streams":[{"width":10}]})")), std::nullopt);
    EXPECT_EQ(Wrapper::streamParamsFromJSON(json(R"({"streams":[]})")), std::nullopt);
}

TEST(ProbeJSON, PacketsAndDuration) {
    EXPECT_EQ(Wrapper::packetCountFromJSON(json(R"({"streams":[{"nb_read_packets":"250"}]})")), 250);
    EXPECT_EQ(Wrapper::packetCountFromJSON(json(R"({"streams":[{}]})")), -1);
    EXPECT_EQ(Wrapper::packetCountFromJSON(json(R"({"streams":[]})")), -1);

    EXPECT_EQ(Wrapper::packetBytesFromJSON(json(R"({"packets":[{"size":"100"},{},{"size":"x"},{"size":23}]})")), 123);
    EXPECT_EQ(Wrapper::packetBytesFromJSON(json(R"({"packets":[{}]})")), 0);
    EXPECT_EQ(Wrapper::packetBytesFromJSON(json(R"({"packets":[]})")), -1);
    EXPECT_EQ(Wrapper::packetBytesFromJSON(json(R"({"streams":[]})")), -1);
    EXPECT_EQ(Wrapper::packetBytesFromJSON(
                  json(R"({"packets":[{"size":"9223372036854775807"},{"size":"1"}]})")),
              -1);

    auto duration = [](const char* text) {
        return Wrapper::durationFromJSON(json(QByteArray(R"({"format":{"duration":)") + text + "}}"));
    };
    EXPECT_EQ(duration(R"("12.3456")"), 12346);
    EXPECT_EQ(duration(R"("0.0005")"), 1);
    EXPECT_EQ(duration(R"("3600.000000")"), 3600000);
    EXPECT_EQ(duration(R"("N/A")"), -1);
    EXPECT_EQ(duration(R"(" 1.0")"), -1);
    EXPECT_EQ(duration(R"("1.0s")"), -1);
    EXPECT_EQ(duration(R"("")"), -1);
    EXPECT_EQ(duration(R"("inf")"), -1);
    EXPECT_EQ(duration(R"("1e300")"), -1);
    EXPECT_EQ(duration("12.5"), -1);  // a number, not a text
    EXPECT_EQ(Wrapper::durationFromJSON(json(R"({"format":[]})")), -1);
}
