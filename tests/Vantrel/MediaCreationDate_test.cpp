// Reading when a movie was recorded: the creation-date text, the fallback to the
// file's birth time, the duration, and the log lines that say which one was used.
#include <gtest/gtest.h>

#include "TestMedia.h"
#include "Vantrel/VideoMetadataReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMutex>
#include <QTimer>

using namespace vantrel;
using namespace testsupport;
using Source = VideoMetadataReader::Source;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& value, std::ostream* out) { *out << '"' << value.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), QTimeZone::utc());
}

// Collects what the metadata reader writes to its log category.
class LogCapture {
public:
    LogCapture() {
        lines().clear();
        previous_ = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    QStringList captured() const {
        QMutexLocker lock(&mutex());
        return lines();
    }

private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message) {
        if (qstrcmp(context.category, "Vantrel.VideoMetadataReader") != 0) return;
        QMutexLocker lock(&mutex());
        lines() << message;
    }
    static QStringList& lines() {
        static QStringList list;
        return list;
    }
    static QMutex& mutex() {
        static QMutex m;
        return m;
    }
    QtMessageHandler previous_;
};

}  // namespace

TEST(MediaCreationDate, ParsesZonedInternetDates) {
    const auto plus = VideoMetadataReader::parseCreationDate(QStringLiteral("2024-05-01T14:30:00+02:00"));
    ASSERT_TRUE(plus);
    EXPECT_EQ(plus->date, utc(2024, 5, 1, 12, 30, 0));
    ASSERT_TRUE(plus->zone);
    EXPECT_EQ(plus->zone->offsetFromUtc(plus->date), 7200);

    const auto compact = VideoMetadataReader::parseCreationDate(QStringLiteral("2024-03-05T14:22:33+0200"));
    ASSERT_TRUE(compact);
    EXPECT_EQ(compact->date, utc(2024, 3, 5, 12, 22, 33));
    EXPECT_EQ(compact->zone->offsetFromUtc(compact->date), 7200);

    const auto minus = VideoMetadataReader::parseCreationDate(QStringLiteral("2024-05-01T23:30:00-07:00"));
    ASSERT_TRUE(minus);
    EXPECT_EQ(minus->date, utc(2024, 5, 2, 6, 30, 0));
    EXPECT_EQ(minus->zone->offsetFromUtc(minus->date), -7 * 3600);

    const auto quarter = VideoMetadataReader::parseCreationDate(QStringLiteral("2024-05-01T10:00:00+05:45"));
    ASSERT_TRUE(quarter);
    EXPECT_EQ(quarter->zone->offsetFromUtc(quarter->date), 5 * 3600 + 45 * 60);

    const auto zulu = VideoMetadataReader::parseCreationDate(QStringLiteral("2024-03-05T14:22:33Z"));
    ASSERT_TRUE(zulu);
    EXPECT_EQ(zulu->date, utc(2024, 3, 5, 14, 22, 33));
    ASSERT_TRUE(zulu->zone);
    EXPECT_EQ(*zulu->zone, QTimeZone::utc());
}

TEST(MediaCreationDate, FractionalSecondsKeepMilliseconds) {
    const auto a = VideoMetadataReader::parseCreationDate(QStringLiteral("2024-03-05T14:22:33.250Z"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->date, utc(2024, 3, 5, 14, 22, 33, 250));
    EXPECT_EQ(VideoMetadataReader::parseCreationDate(QStringLiteral("2024-03-05T14:22:33.5+01:00"))->date,
              utc(2024, 3, 5, 13, 22, 33, 500));
    EXPECT_EQ(VideoMetadataReader::parseCreationDate(QStringLiteral("2024-03-05T14:22:33.999999999Z"))->date,
              utc(2024, 3, 5, 14, 22, 33, 999));
}

TEST(MediaCreationDate, RejectsEverythingElse) {
    for (const char* bad : {"", "2024-03-05T14:22:33", "2024-03-05 14:22:33Z", "2024-03-05t14:22:33Z",
                            "2024-03-05T14:22:33z", " 2024-03-05T14:22:33Z", "2024-03-05T14:22:33Z ",
                            "2024-13-05T14:22:33Z", "2023-02-29T14:22:33Z", "2024-03-05T24:00:00Z",
                            "2024-03-05T14:60:00Z", "2024-03-05T14:22:60Z", "2024-03-05T14:22:33.Z",
                            "2024-03-05T14:22:33+2", "2024-03-05T14:22:33+02", "2024-03-05T14:22:33+02:60",
                            "2024-03-05T14:22:33+24:00", "24-03-05T14:22:33Z", "2024-3-5T14:22:33Z",
                            "20240305T142233Z", "not a date", "2024-03-05T14:22:33+02:00\n"}) {
        EXPECT_FALSE(VideoMetadataReader::parseCreationDate(QString::fromUtf8(bad))) << bad;
    }
    // Digits of other scripts are not ISO digits.
    EXPECT_FALSE(VideoMetadataReader::parseCreationDate(QStringLiteral("٢٠٢٤-03-05T14:22:33Z")));
    // The leap day of a leap year is fine.
    EXPECT_TRUE(VideoMetadataReader::parseCreationDate(QStringLiteral("2024-02-29T00:00:00Z")));
}

TEST(MediaCreationDate, OffsetsBeyondAnyZoneKeepTheInstantWithoutAZone) {
    const auto far = VideoMetadataReader::parseCreationDate(QStringLiteral("2024-03-05T14:00:00+20:00"));
    ASSERT_TRUE(far);
    EXPECT_EQ(far->date, utc(2024, 3, 4, 18, 0, 0));
    EXPECT_FALSE(far->zone);
}

class MediaCreationDateFiles : public ::testing::Test {
protected:
    void SetUp() override { folder = makeTestFolder(QStringLiteral("media-date")); }
    void TearDown() override {
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    QString movie(const QString& name, std::optional<QString> creationDate, QStringList extra = {}) {
        MovieSpec spec;
        spec.seconds = 1.0;
        spec.creationDate = std::move(creationDate);
        spec.extraArgs = std::move(extra);
        const QString path = folder + QLatin1Char('/') + name;
        QString error;
        EXPECT_TRUE(makeMovie(path, spec, &error)) << error.toStdString();
        return path;
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
    ASSERT_TRUE(result.creationDate);
    EXPECT_EQ(*result.creationDate, utc(2024, 5, 1, 12, 30, 0));
    ASSERT_TRUE(result.creationTimeZone);
    EXPECT_EQ(result.creationTimeZone->offsetFromUtc(*result.creationDate), 7200);
    ASSERT_TRUE(result.duration);
    EXPECT_NEAR(*result.duration, 1.0, 0.05);
    EXPECT_EQ(log.captured(),
              QStringList{QStringLiteral("creationdate atom for clip one.mov: 2024-05-01T14:30:00+02:00")});
}

TEST_F(MediaCreationDateFiles, ReadsMpegFourAndFractionalUtc) {
    const auto result = VideoMetadataReader::readNow(movie(QStringLiteral("c.mp4"), QStringLiteral("2024-03-05T14:22:33.250Z")));
    EXPECT_EQ(result.source, Source::quickTimeAtom);
    EXPECT_EQ(result.creationDate, utc(2024, 3, 5, 14, 22, 33, 250));
    EXPECT_EQ(result.creationTimeZone, QTimeZone::utc());
}

TEST_F(MediaCreationDateFiles, FallsBackToTheFileDate) {
    if (!fileDatesAvailable()) GTEST_SKIP() << "no birth times on this file system";
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-2);
    for (const auto& value : {std::optional<QString>(), std::optional(QStringLiteral("2024-03-05T14:22:33")),
                              std::optional(QStringLiteral("yesterday"))}) {
        LogCapture log;
        const auto result = VideoMetadataReader::readNow(movie(QStringLiteral("fallback.mov"), value));
        EXPECT_EQ(result.source, Source::filesystem);
        ASSERT_TRUE(result.creationDate);
        EXPECT_GE(*result.creationDate, before);
        EXPECT_LE(*result.creationDate, QDateTime::currentDateTimeUtc().addSecs(2));
        EXPECT_FALSE(result.creationTimeZone);
        EXPECT_TRUE(result.duration);
        EXPECT_EQ(log.captured(), QStringList{QStringLiteral("filesystem creationDate fallback for fallback.mov")});
        QFile::remove(folder + QStringLiteral("/fallback.mov"));
    }
}

TEST_F(MediaCreationDateFiles, UnknownDurationStillReadsTheDate) {
    const QString path = movie(QStringLiteral("frag.mp4"), QStringLiteral("2024-05-01T14:30:00Z"),
                               {QStringLiteral("-movflags"), QStringLiteral("frag_keyframe+empty_moov+use_metadata_tags")});
    const auto result = VideoMetadataReader::readNow(path);
    EXPECT_FALSE(result.duration);
    EXPECT_EQ(result.source, Source::quickTimeAtom);
    EXPECT_EQ(result.creationDate, utc(2024, 5, 1, 14, 30, 0));
}

TEST_F(MediaCreationDateFiles, NonMoviesAndMissingFiles) {
    const QString text = folder + QStringLiteral("/notes.mov");
    ASSERT_TRUE(writeFile(text, "2024-05-01T14:30:00Z"));
    const auto notMovie = VideoMetadataReader::readNow(text);
    EXPECT_FALSE(notMovie.duration);
    EXPECT_EQ(notMovie.source, fileDatesAvailable() ? Source::filesystem : Source::none);

    const QString empty = folder + QStringLiteral("/-empty\n\"name\".mov");
    ASSERT_TRUE(writeFile(empty, {}));
    EXPECT_FALSE(VideoMetadataReader::readNow(empty).duration);

    LogCapture log;
    const auto missing = VideoMetadataReader::readNow(folder + QStringLiteral("/gone.mov"));
    EXPECT_EQ(missing.source, Source::none);
    EXPECT_FALSE(missing.creationDate);
    EXPECT_FALSE(missing.creationTimeZone);
    EXPECT_FALSE(missing.duration);
    EXPECT_EQ(log.captured(), QStringList{QStringLiteral("no creation date for gone.mov")});
}

TEST_F(MediaCreationDateFiles, ReadsDeliverOnTheCallersThread) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const QString path = movie(QStringLiteral("a.mov"), QStringLiteral("2024-05-01T14:30:00+02:00"));

    VideoMetadataReader reader;
    QObject context;
    QEventLoop loop;
    std::optional<VideoMetadataReader::ReadResult> received;
    QThread* deliveredOn = nullptr;
    reader.read(path).then(&context, [&](const VideoMetadataReader::ReadResult& result) {
        received = result;
        deliveredOn = QThread::currentThread();
        loop.quit();
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_TRUE(received);
    EXPECT_EQ(received->source, Source::quickTimeAtom);
    EXPECT_EQ(deliveredOn, app.thread());
}
