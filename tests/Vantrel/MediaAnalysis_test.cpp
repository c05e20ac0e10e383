// The pieces of a source analysis put together on real files: the timecode track
// gives the detected rate and the embedded timecode, the metadata the creation
// date, and the row derives its start timecode and mismatch from them.
#include <gtest/gtest.h>

#include "TestMedia.h"
#include "Vantrel/SourceItem.h"
#include "Vantrel/SourceTimecodeReader.h"
#include "Vantrel/VideoMetadataReader.h"

#include <QDir>

using namespace vantrel;
using namespace testsupport;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& value, std::ostream* out) { *out << '"' << value.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

// What the window model does with the two readers' results.
SourceItem analyse(const QString& path) {
    SourceItem item = SourceItem::make(QUrl::fromLocalFile(path), FixMode::creationTime);
    SourceItem::Analysis analysis;
    const auto track = SourceTimecodeReader::readTimecodeNow(path);
    if (const auto* reading = std::get_if<TimecodeTrackReading>(&track)) {
        analysis.detectedRate = FrameRate::fromNominal(reading->frameQuanta, reading->isDropFrame);
        analysis.embeddedTimecode =
            TimecodeModel::fromText(formatTimecode(*reading, reading->isDropFrame), *analysis.detectedRate);
    }
    const auto metadata = VideoMetadataReader::readNow(path);
    analysis.creationDate = metadata.creationDate;
    analysis.creationZone = metadata.creationTimeZone;
    analysis.creationSource = metadata.source;
    item.analysis = SourceItem::AnalysisState::done(analysis);
    return item;
}

}  // namespace

TEST(MediaAnalysis, CameraFilesAtCommonRates) {
    const QString folder = makeTestFolder(QStringLiteral("analysis"));
    struct Case {
        const char* rate;
        const char* timecode;
        const char* date;
        const char* detected;      // displayText of the detected rate
        const char* creationTc;    // time of day at that rate, in the recorded zone
        double delta;
    };
    const Case cases[] = {
        {"25", "10:00:00:00", "2024-05-01T10:00:01+02:00", "25", "10:00:01:00", 1.0},
        {"24000/1001", "12:00:00:12", "2024-05-01T12:00:00.500Z", "24", "12:00:00:12", 0.0},
        {"30000/1001", "10:20:30;15", "2024-05-01T10:20:30.500+0200", "29.97 DF", "10:20:30;15", 0.0},
        {"60000/1001", "05:01:00;04", "2024-05-01T05:01:00-07:00", "59.94 DF", "05:01:00;04", -4.0 / 60},
        {"50", "23:59:59:00", "2024-05-02T00:00:01.000+01:00", "50", "00:00:01:00", 2.0},
    };
    for (const Case& c : cases) {
        MovieSpec spec;
        spec.rate = QString::fromLatin1(c.rate);
        spec.seconds = 0.3;
        spec.timecode = QString::fromLatin1(c.timecode);
        spec.creationDate = QString::fromLatin1(c.date);
        const QString path = folder + QStringLiteral("/clip %1.mov").arg(QString::fromLatin1(c.rate).replace(u'/', u'_'));
        QString error;
        ASSERT_TRUE(makeMovie(path, spec, &error)) << error.toStdString();

        const SourceItem item = analyse(path);
        const SourceItem::Analysis& analysis = *item.analysis.analysis();
        ASSERT_TRUE(analysis.detectedRate) << c.rate;
        EXPECT_EQ(analysis.detectedRate->displayText(), QString::fromLatin1(c.detected));
        ASSERT_TRUE(analysis.embeddedTimecode) << c.rate;
        EXPECT_EQ(analysis.embeddedTimecode->tc.stringValue(), c.timecode);
        EXPECT_EQ(analysis.creationSource, VideoMetadataReader::Source::quickTimeAtom);
        const auto start = item.resolvedStartTimecode();
        ASSERT_TRUE(start) << c.rate;
        EXPECT_EQ(start->tc.stringValue(), c.creationTc);
        EXPECT_NEAR(item.timeOfDayMismatch(1.0)->delta, c.delta, 1e-9) << c.rate;
        EXPECT_FALSE(item.blockingReason());
    }
    QDir(folder).removeRecursively();
}

TEST(MediaAnalysis, FileWithoutTimecodeTrackOrZonedDate) {
    const QString folder = makeTestFolder(QStringLiteral("analysis-bare"));
    const QString path = folder + QStringLiteral("/bare.mov");
    MovieSpec spec;
    spec.seconds = 0.3;
    spec.creationDate = QStringLiteral("2024-05-01T10:00:00");  // no zone: not a usable date
    ASSERT_TRUE(makeMovie(path, spec));
    SourceItem item = analyse(path);
    const SourceItem::Analysis& analysis = *item.analysis.analysis();
    EXPECT_FALSE(analysis.detectedRate);
    EXPECT_FALSE(analysis.embeddedTimecode);
    EXPECT_NE(analysis.creationSource, VideoMetadataReader::Source::quickTimeAtom);
    EXPECT_FALSE(item.timeOfDayMismatch(1.0));
    if (analysis.creationDate) {
        EXPECT_EQ(item.blockingReason(), QStringLiteral("Unknown frame rate — set fps"));
        item.rateOverride = FrameRate::fromNominal(50, false);
        EXPECT_TRUE(item.resolvedStartTimecode());
    } else {
        EXPECT_EQ(item.blockingReason(), QStringLiteral("No creation date — switch to Manual or set fps"));
    }
    QDir(folder).removeRecursively();
}
