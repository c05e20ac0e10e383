// The readers and the source row together on real files, as the window model
// combines them: the track gives the detected rate and the embedded timecode, the
// metadata the creation date; the row derives its start timecode and mismatch.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/media/SourceItem.h"
#include "Vantrel/media/SourceTimecodeReader.h"
#include "Vantrel/media/VideoMetadataReader.h"

#include <QDir>

using namespace vantrel;
using namespace testsupport;

namespace {

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
    // rate, embedded timecode, creation date, detected rate, start timecode, mismatch
    const std::tuple<const char*, const char*, const char*, const char*, const char*, double> cases[] = {
        {"25", "10:00:00:00", "2024-05-01T10:00:01+02:00", "25", "10:00:01:00", 1.0},
        {"24000/1001", "12:00:00:12", "2024-05-01T12:00:00.500Z", "24", "12:00:00:12", 0.0},
        {"30000/1001", "10:20:30;15", "2024-05-01T10:20:30.500+0200", "29.97 DF", "10:20:30;15", 0.0},
        {"60000/1001", "05:01:00;04", "2024-05-01T05:01:00-07:00", "59.94 DF", "05:01:00;04", -4.0 / 60},
        {"50", "23:59:59:00", "2024-05-02T00:00:01.000+01:00", "50", "00:00:01:00", 2.0},
    };
    for (const auto& [rate, timecode, date, detected, startTc, delta] : cases) {
        MovieSpec recipe;
        recipe.rate = QString::fromLatin1(rate);
        recipe.seconds = 0.3;
        recipe.timecode = QString::fromLatin1(timecode);
        recipe.creationDate = QString::fromLatin1(date);
        const QString path = folder + QStringLiteral("/clip %1.mov").arg(recipe.rate).replace(u'/', u'_');
        ASSERT_TRUE(makeMovie(path, recipe));
        const SourceItem item = analyse(path);
        const SourceItem::Analysis& analysis = *item.analysis.analysis();
        EXPECT_EQ(analysis.detectedRate.value_or(FrameRate{}).displayText(), QString::fromLatin1(detected));
        EXPECT_EQ(analysis.embeddedTimecode.value().tc.stringValue(), timecode);
        EXPECT_EQ(item.resolvedStartTimecode().value().tc.stringValue(), startTc);
        EXPECT_NEAR(item.timeOfDayMismatch(1.0).value().delta, delta, 1e-9) << rate;
        EXPECT_FALSE(item.blockingReason());
    }

    // No timecode track, and a date without a zone (not a usable date item).
    MovieSpec bare;
    bare.seconds = 0.3;
    bare.creationDate = QStringLiteral("2024-05-01T10:00:00");
    ASSERT_TRUE(makeMovie(folder + QStringLiteral("/bare.mov"), bare));
    SourceItem item = analyse(folder + QStringLiteral("/bare.mov"));
    const SourceItem::Analysis& analysis = *item.analysis.analysis();
    EXPECT_FALSE(analysis.detectedRate || analysis.embeddedTimecode || item.timeOfDayMismatch(1.0));
    EXPECT_NE(analysis.creationSource, VideoMetadataReader::Source::quickTimeAtom);
    EXPECT_EQ(item.blockingReason(), analysis.creationDate ? QStringLiteral("Unknown frame rate — set fps")
                                                           : QStringLiteral("No creation date — switch to Manual or set fps"));
    QDir(folder).removeRecursively();
}
