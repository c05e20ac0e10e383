// When a movie was recorded: the creation-date text, the fallback to the file's
// birth time, the duration, and the log line that says which one was used.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/media/VideoMetadataReader.h"

#include <QDir>
#include <QFile>

using namespace vantrel;
using namespace testsupport;
using Source = VideoMetadataReader::Source;

namespace {

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), QTimeZone::utc());
}

// What the reader writes to its log category while one of these lives.
struct LogCapture {
    static inline QStringList lines;
    QtMessageHandler previous;
    LogCapture() {
        lines.clear();
        previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& message) {
            if (qstrcmp(context.category, "Vantrel.VideoMetadataReader") == 0) lines << message;
        });
    }
    ~LogCapture() { qInstallMessageHandler(previous); }
};

}  // namespace

TEST(MediaCreationDate, ParsesZonedInternetDates) {
    const std::tuple<const char*, QDateTime, int> cases[] = {
        {"2024-05-01T14:30:00+02:00", utc(2024, 5, 1, 12, 30, 0), 7200},
        {"2024-03-05T14:22:33+0200", utc(2024, 3, 5, 12, 22, 33), 7200},
        {"2024-05-01T23:30:00-07:00", utc(2024, 5, 2, 6, 30, 0), -7 * 3600},
        {"2024-05-01T10:00:00+05:45", utc(2024, 5, 1, 4, 15, 0), 5 * 3600 + 45 * 60},
        {"2024-03-05T14:22:33.250Z", utc(2024, 3, 5, 14, 22, 33, 250), 0},
        {"2024-03-05T14:22:33.5+01:00", utc(2024, 3, 5, 13, 22, 33, 500), 3600},
        {"2024-03-05T14:22:33.999999999Z", utc(2024, 3, 5, 14, 22, 33, 999), 0},
        {"2024-02-29T00:00:00Z", utc(2024, 2, 29, 0, 0, 0), 0},
    };
    for (const auto& [text, instant, offset] : cases) {
        const auto parsed = VideoMetadataReader::parseCreationDate(QString::fromLatin1(text));
        ASSERT_TRUE(parsed && parsed->zone) << text;
        EXPECT_EQ(parsed->date, instant) << text;
        EXPECT_EQ(parsed->zone->offsetFromUtc(instant), offset) << text;
    }
    EXPECT_EQ(VideoMetadataReader::parseCreationDate(QStringLiteral("2024-03-05T14:22:33Z"))->zone, QTimeZone::utc());
    // An offset no zone has keeps the instant but gives no zone.
    const auto far = VideoMetadataReader::parseCreationDate(QStringLiteral("2024-03-05T14:00:00+20:00"));
    ASSERT_TRUE(far);
    EXPECT_EQ(far->date, utc(2024, 3, 4, 18, 0, 0));
    EXPECT_FALSE(far->zone);
}

TEST(MediaCreationDate, RejectsEverythingElse) {
    for (const char* bad : {"", "2024-03-05T14:22:33", "2024-03-05 14:22:33Z", "2024-03-05t14:22:33Z",
                            "2024-03-05T14:22:33z", " 2024-03-05T14:22:33Z", "2024-03-05T14:22:33Z ",
                            "2024-03-05T14:22:33+02:00\n", "2024-13-05T14:22:33Z", "2023-02-29T14:22:33Z",
                            "2024-03-05T24:00:00Z", "2024-03-05T14:60:00Z", "2024-03-05T14:22:60Z",
                            "2024-03-05T14:22:33.Z", "2024-03-05T14:22:33+02", "2024-03-05T14:22:33+02:60",
                            "2024-03-05T14:22:33+24:00", "2024-3-5T14:22:33Z", "20240305T142233Z", "not a date"})
        EXPECT_FALSE(VideoMetadataReader::parseCreationDate(QString::fromLatin1(bad))) << bad;
    EXPECT_FALSE(VideoMetadataReader::parseCreationDate(QStringLiteral("٢٠٢٤-03-05T14:22:33Z")));  // not ISO digits
}

class MediaCreationDateFiles : public ::testing::Test {
protected:
    void SetUp() override { folder = makeTestFolder(QStringLiteral("media-date")); }
    void TearDown() override {
        if (!HasFailure()) QDir(folder).removeRecursively();
    }
    QString movie(const QString& name, std::optional<QString> creationDate, QStringList extra = {}) {
        MovieRecipe recipe;
        recipe.creationDate = std::move(creationDate);
        recipe.extraArgs = std::move(extra);
        EXPECT_TRUE(makeMovie(folder + u'/' + name, recipe));
        return folder + u'/' + name;
    }
    // Whether this file system keeps birth times at all.
    bool fileDatesAvailable() const { return VideoMetadataReader::fileCreationDate(folder).has_value(); }

    QString folder;
};

TEST_F(MediaCreationDateFiles, ReadsTheCreationDateItemWithItsZone) {
    LogCapture log;
    const QString path = movie(QStringLiteral("clip one.mov"), QStringLiteral("2024-05-01T14:30:00+02:00"));
    const auto result = VideoMetadataReader::readNow(path);
    EXPECT_EQ(result.source, Source::quickTimeAtom);
    EXPECT_EQ(result.url, QUrl::fromLocalFile(path));
    EXPECT_EQ(result.creationDate, utc(2024, 5, 1, 12, 30, 0));
    EXPECT_EQ(result.creationTimeZone, QTimeZone(7200));
    EXPECT_NEAR(result.duration.value_or(0), 1.0, 0.05);
    EXPECT_EQ(log.lines, QStringList{QStringLiteral("creationdate atom for clip one.mov: 2024-05-01T14:30:00+02:00")});

    // Fragmented, with no duration in its header: the date still reads.
    const auto fragmented = VideoMetadataReader::readNow(
        movie(QStringLiteral("frag.mp4"), QStringLiteral("2024-05-01T14:30:00.250Z"),
              {QStringLiteral("-movflags"), QStringLiteral("frag_keyframe+empty_moov+use_metadata_tags")}));
    EXPECT_FALSE(fragmented.duration);
    EXPECT_EQ(fragmented.creationDate, utc(2024, 5, 1, 14, 30, 0, 250));
    EXPECT_EQ(fragmented.creationTimeZone, QTimeZone::utc());
}

TEST_F(MediaCreationDateFiles, FallsBackToTheFileDate) {
    if (!fileDatesAvailable()) GTEST_SKIP() << "no birth times on this file system";
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-2);
    for (const auto& value : {std::optional<QString>(), std::optional(QStringLiteral("2024-03-05T14:22:33")),
                              std::optional(QStringLiteral("yesterday"))}) {
        LogCapture log;
        const auto result = VideoMetadataReader::readNow(movie(QStringLiteral("fallback.mov"), value));
        EXPECT_EQ(result.source, Source::filesystem);
        EXPECT_GE(result.creationDate.value_or(QDateTime()), before);
        EXPECT_FALSE(result.creationTimeZone);
        EXPECT_TRUE(result.duration);
        EXPECT_EQ(log.lines, QStringList{QStringLiteral("filesystem creationDate fallback for fallback.mov")});
        QFile::remove(folder + QStringLiteral("/fallback.mov"));
    }
    // A file that is no movie still has its own date.
    const QString text = folder + QStringLiteral("/-notes\n\"x\".mov");
    ASSERT_TRUE(writeFile(text, "2024-05-01T14:30:00Z"));
    const auto notMovie = VideoMetadataReader::readNow(text);
    EXPECT_EQ(notMovie.source, Source::filesystem);
    EXPECT_FALSE(notMovie.duration);
}

TEST_F(MediaCreationDateFiles, MissingFileHasNothing) {
    LogCapture log;
    const auto missing = VideoMetadataReader::readNow(folder + QStringLiteral("/gone.mov"));
    EXPECT_EQ(missing.source, Source::none);
    EXPECT_FALSE(missing.creationDate || missing.creationTimeZone || missing.duration);
    EXPECT_EQ(log.lines, QStringList{QStringLiteral("no creation date for gone.mov")});
}
