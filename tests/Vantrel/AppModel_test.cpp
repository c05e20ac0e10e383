// The window model's sources, settings, readiness and mismatch counts, and the
// analysis of added movies.
#include "AppModelTestSupport.h"

#include <QSignalSpy>

using namespace appmodeltest;
using testsupport::writeFile;

namespace {

timecode::Timecode::Components components(int h, int m, int s, int f) {
    timecode::Timecode::Components c;
    c.hours = h;
    c.minutes = m;
    c.seconds = s;
    c.frames = f;
    return c;
}

class AppModelTest : public ModelTest {};

}  // namespace

TEST_F(AppModelTest, StartsEmptyWithTheDefaultSettings) {
    EXPECT_TRUE(model->sources().isEmpty());
    EXPECT_FALSE(model->outputFolder().has_value());
    EXPECT_EQ(model->defaultFixMode(), FixMode::creationTime);
    EXPECT_EQ(model->verifyTier(), VerifyTier::standard);
    EXPECT_EQ(model->namingPattern(), QStringLiteral("{name}_TC"));
    EXPECT_EQ(model->tolerance(), 1.0);
    EXPECT_EQ(model->readyCount(), 0);
    EXPECT_FALSE(model->canEnqueue());
    EXPECT_EQ(model->mismatchedSources(), 0);
}

TEST_F(AppModelTest, SettingsAnnounceOnlyRealChanges) {
    QSignalSpy pattern(model.get(), &AppModel::namingPatternChanged);
    QSignalSpy tier(model.get(), &AppModel::verifyTierChanged);
    QSignalSpy tolerance(model.get(), &AppModel::toleranceChanged);
    QSignalSpy output(model.get(), &AppModel::outputFolderChanged);
    model->setNamingPattern(QStringLiteral("{name}_TC"));
    model->setNamingPattern(QStringLiteral("{tc}"));
    model->setVerifyTier(VerifyTier::thorough);
    model->setVerifyTier(VerifyTier::thorough);
    model->setTolerance(2.5);
    model->setOutputFolder(QUrl::fromLocalFile(folder));
    model->setOutputFolder(QUrl::fromLocalFile(folder));
    EXPECT_EQ(pattern.count(), 1);
    EXPECT_EQ(tier.count(), 1);
    EXPECT_EQ(tolerance.count(), 1);
    EXPECT_EQ(output.count(), 1);
    EXPECT_EQ(model->namingPattern(), QStringLiteral("{tc}"));
    EXPECT_EQ(model->property("tolerance").toDouble(), 2.5);
}

TEST_F(AppModelTest, AddingTheSameFileAgainByAnyPathGivesOneRow) {
    const QUrl a = movie(QStringLiteral("in/a.mov"));
    const QUrl b = movie(QStringLiteral("in/b.mov"));
    QSignalSpy changes(model.get(), &AppModel::sourcesChanged);
    model->addSources({a, a, b});
    EXPECT_EQ(rowNames(), (QStringList{QStringLiteral("a.mov"), QStringLiteral("b.mov")}));
    EXPECT_EQ(changes.count(), 2);  // one per appended row; the analysis has not started yet

    model->addSources({QUrl::fromLocalFile(pathOf(QStringLiteral("in/./a.mov"))),
                       QUrl::fromLocalFile(pathOf(QStringLiteral("in/sub/../b.mov"))),
                       QUrl::fromLocalFile(pathOf(QStringLiteral("in//a.mov")))});
    EXPECT_EQ(model->sources().size(), 2);
    EXPECT_EQ(model->sources()[1].url, b);

    // Only local files are taken.
    model->addSources({QUrl(QStringLiteral("https://example.com/c.mov")), QUrl()});
    EXPECT_EQ(model->sources().size(), 2);
    ASSERT_TRUE(allAnalysed());
}

TEST_F(AppModelTest, NewRowsArePendingIncludedAndTakeTheDefaultFixMode) {
    model->setDefaultFixMode(FixMode::manual);
    model->addSources({movie(QStringLiteral("a.mov"))});
    const SourceItem added = model->sources().first();
    EXPECT_EQ(added.analysis.kind(), SourceItem::AnalysisState::Kind::pending);
    EXPECT_TRUE(added.included);
    EXPECT_EQ(added.fixMode, FixMode::manual);
    EXPECT_FALSE(added.manualComponents.has_value());
    EXPECT_FALSE(added.rateOverride.has_value());
    EXPECT_FALSE(added.id.isNull());
    ASSERT_TRUE(allAnalysed());
}

TEST_F(AppModelTest, AddingTheMoviesOfAFolderTakesThemInPathOrder) {
    movie(QStringLiteral("in/sub/b.mp4"));
    movie(QStringLiteral("in/a.mov"));
    movie(QStringLiteral("in/.hidden.mov"));
    ASSERT_TRUE(writeFile(pathOf(QStringLiteral("in/notes.txt")), "not a movie"));
    model->addSources(AppModel::videoFiles(QUrl::fromLocalFile(pathOf(QStringLiteral("in")))));
    ASSERT_EQ(model->sources().size(), 2);
    EXPECT_EQ(model->sources()[0].url.toLocalFile(), pathOf(QStringLiteral("in/a.mov")));
    EXPECT_EQ(model->sources()[1].url.toLocalFile(), pathOf(QStringLiteral("in/sub/b.mp4")));
    EXPECT_TRUE(AppModel::videoFiles(QUrl(QStringLiteral("https://example.com/"))).isEmpty());
    ASSERT_TRUE(allAnalysed());
}

TEST_F(AppModelTest, WritingTheDefaultFixModeResetsEveryRow) {
    model->addSources({movie(QStringLiteral("a.mov")), movie(QStringLiteral("b.mov"))});
    const QUuid a = model->sources()[0].id;
    const QUuid b = model->sources()[1].id;
    model->setFixMode(a, FixMode::manual);
    model->setManualComponents(a, components(1, 2, 3, 4));
    model->setRateOverride(a, FrameRate::fromNominal(30, true));
    EXPECT_EQ(row(QStringLiteral("a.mov"))->fixMode, FixMode::manual);

    // The same value as before still resets the row switched by hand.
    QSignalSpy modeChanges(model.get(), &AppModel::defaultFixModeChanged);
    model->setDefaultFixMode(FixMode::creationTime);
    EXPECT_EQ(modeChanges.count(), 0);
    EXPECT_EQ(row(QStringLiteral("a.mov"))->fixMode, FixMode::creationTime);
    EXPECT_EQ(row(QStringLiteral("a.mov"))->manualComponents, components(1, 2, 3, 4));
    EXPECT_EQ(row(QStringLiteral("a.mov"))->rateOverride, FrameRate::fromNominal(30, true));

    model->setDefaultFixMode(FixMode::manual);
    EXPECT_EQ(modeChanges.count(), 1);
    for (const SourceItem& item : model->sources()) EXPECT_EQ(item.fixMode, FixMode::manual);
    EXPECT_EQ(model->sources()[1].id, b);
    ASSERT_TRUE(allAnalysed());
}

TEST_F(AppModelTest, RowEditsChangeOnlyTheirRowAndIgnoreUnknownIds) {
    model->addSources({movie(QStringLiteral("a.mov")), movie(QStringLiteral("b.mov")), movie(QStringLiteral("c.mov"))});
    ASSERT_TRUE(allAnalysed());
    const QList<SourceItem> before = model->sources();
    QSignalSpy changes(model.get(), &AppModel::sourcesChanged);
    const QUuid unknown = QUuid::createUuid();
    model->setIncluded(unknown, false);
    model->setFixMode(unknown, FixMode::manual);
    model->removeSource(unknown);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(model->sources(), before);

    model->setIncluded(before[1].id, false);
    SourceItem expected = before[1];
    expected.included = false;
    EXPECT_EQ(model->sources()[1], expected);
    EXPECT_EQ(model->sources()[0], before[0]);

    model->removeSource(before[1].id);
    EXPECT_EQ(rowNames(), (QStringList{QStringLiteral("a.mov"), QStringLiteral("c.mov")}));
}

TEST_F(AppModelTest, ManualRowWithOverrideIsReadyBeforeItsAnalysis) {
    model->addSources({movie(QStringLiteral("a.mov")), movie(QStringLiteral("b.mov"))});
    const QUuid a = model->sources()[0].id;
    const QUuid b = model->sources()[1].id;
    for (const QUuid& id : {a, b}) {
        model->setFixMode(id, FixMode::manual);
        model->setManualComponents(id, components(1, 0, 0, 0));
    }
    model->setRateOverride(a, FrameRate::fromNominal(24, false));
    // Nothing has been read yet: only the row with an override resolves.
    EXPECT_EQ(model->sources()[0].analysis.kind(), SourceItem::AnalysisState::Kind::pending);
    EXPECT_EQ(model->readyCount(), 1);

    ASSERT_TRUE(allAnalysed());
    EXPECT_EQ(model->readyCount(), 2);  // b now has the detected rate

    model->setIncluded(a, false);
    EXPECT_EQ(model->readyCount(), 1);
}

TEST_F(AppModelTest, CanEnqueueNeedsBothAnOutputFolderAndAReadyRow) {
    model->setOutputFolder(QUrl::fromLocalFile(folder));
    model->addSources({movie(QStringLiteral("a.mov"))});
    EXPECT_FALSE(model->canEnqueue());  // not analysed yet
    ASSERT_TRUE(allAnalysed());
    EXPECT_EQ(model->readyCount(), 1);
    EXPECT_TRUE(model->canEnqueue());
    model->setOutputFolder(std::nullopt);
    EXPECT_FALSE(model->canEnqueue());
}

TEST_F(AppModelTest, RowsWithoutARateAreNotReadyInEitherMode) {
    // No timecode track: no detected rate, whatever the creation date.
    model->addSources({movie(QStringLiteral("plain.mov"), movieSpec(std::nullopt))});
    ASSERT_TRUE(allAnalysed());
    const QUuid id = model->sources()[0].id;
    EXPECT_EQ(model->readyCount(), 0);
    EXPECT_EQ(model->sources()[0].blockingReason(), QStringLiteral("Unknown frame rate — set fps"));
    model->setFixMode(id, FixMode::manual);
    model->setManualComponents(id, components(1, 0, 0, 0));
    EXPECT_EQ(model->readyCount(), 0);
    model->setRateOverride(id, FrameRate::fromNominal(25, false));
    EXPECT_EQ(model->readyCount(), 1);
}

TEST_F(AppModelTest, MismatchIsCountedOnlyBeyondTheTolerance) {
    // Embedded 10:00:00:00 at 25 fps against creation times in UTC.
    const auto at = [](const char* time) {
        return movieSpec(QStringLiteral("10:00:00:00"), QStringLiteral("2024-05-01T%1+00:00").arg(QLatin1String(time)));
    };
    model->addSources({movie(QStringLiteral("same.mov"), at("10:00:00")),
                       movie(QStringLiteral("plus1.mov"), at("10:00:01")),
                       movie(QStringLiteral("minus1.mov"), at("09:59:59")),
                       movie(QStringLiteral("plus1_01.mov"), at("10:00:01.010")),
                       movie(QStringLiteral("minus2.mov"), at("09:59:58")),
                       movie(QStringLiteral("notimecode.mov"), movieSpec(std::nullopt, QStringLiteral("2024-05-01T12:00:00Z")))});
    ASSERT_TRUE(allAnalysed());
    EXPECT_EQ(model->mismatchedSources(), 2);  // 1.01 s and −2 s

    // Excluded rows still count.
    model->setIncluded(row(QStringLiteral("minus2.mov"))->id, false);
    EXPECT_EQ(model->mismatchedSources(), 2);

    model->setTolerance(1.5);
    EXPECT_EQ(model->mismatchedSources(), 1);
    model->setTolerance(2.0);
    EXPECT_EQ(model->mismatchedSources(), 0);
    model->setTolerance(0.0);
    EXPECT_EQ(model->mismatchedSources(), 4);
}

// --- Analysis -------------------------------------------------------------------

TEST_F(AppModelTest, AnalysisStoresTheTimecodeTrackAndTheQuickTimeDate) {
    model->addSources({movie(QStringLiteral("a.mov"),
                             movieSpec(QStringLiteral("01:00:00:00"), QStringLiteral("2024-05-01T12:30:00+02:00")))});
    ASSERT_TRUE(allAnalysed());
    const SourceItem::Analysis* analysis = model->sources()[0].analysis.analysis();
    ASSERT_NE(analysis, nullptr);
    ASSERT_TRUE(analysis->detectedRate.has_value());
    EXPECT_EQ(*analysis->detectedRate, (FrameRate{25, 1, 25, false}));
    ASSERT_TRUE(analysis->embeddedTimecode.has_value());
    EXPECT_EQ(analysis->embeddedTimecode->tc.stringValue(), "01:00:00:00");
    ASSERT_TRUE(analysis->creationDate.has_value());
    EXPECT_EQ(*analysis->creationDate, QDateTime::fromString(QStringLiteral("2024-05-01T10:30:00Z"), Qt::ISODate));
    ASSERT_TRUE(analysis->creationZone.has_value());
    EXPECT_EQ(analysis->creationZone->offsetFromUtc(*analysis->creationDate), 7200);
    EXPECT_EQ(analysis->creationSource, VideoMetadataReader::Source::quickTimeAtom);
    // Creation mode resolves the time of day in the recorded zone.
    EXPECT_EQ(model->sources()[0].resolvedStartTimecode()->tc.stringValue(), "12:30:00:00");
}

TEST_F(AppModelTest, AnalysisOfDropFrameAndPlainAndBrokenFiles) {
    model->addSources({movie(QStringLiteral("df.mov"), movieSpec(QStringLiteral("00:59:59;29"), std::nullopt,
                                                                 QStringLiteral("30000/1001"))),
                       movie(QStringLiteral("plain.mov"), movieSpec(std::nullopt, std::nullopt))});
    ASSERT_TRUE(writeFile(pathOf(QStringLiteral("broken.mov")), "this is not a movie"));
    model->addSources({QUrl::fromLocalFile(pathOf(QStringLiteral("broken.mov")))});
    ASSERT_TRUE(allAnalysed());

    const SourceItem dfRow = *row(QStringLiteral("df.mov"));
    const SourceItem::Analysis* df = dfRow.analysis.analysis();
    ASSERT_NE(df, nullptr);
    EXPECT_EQ(*df->detectedRate, (FrameRate{30000, 1001, 30, true}));
    EXPECT_EQ(df->embeddedTimecode->tc.stringValue(), "00:59:59;29");

    // Without a timecode track or a date item: no rate, no timecode, the file's own date.
    for (const QString& name : {QStringLiteral("plain.mov"), QStringLiteral("broken.mov")}) {
        const SourceItem item = *row(name);
        const SourceItem::Analysis* analysis = item.analysis.analysis();
        ASSERT_NE(analysis, nullptr) << name.toStdString();
        EXPECT_FALSE(analysis->detectedRate.has_value());
        EXPECT_FALSE(analysis->embeddedTimecode.has_value());
        EXPECT_EQ(analysis->creationSource, VideoMetadataReader::Source::filesystem);
        EXPECT_FALSE(analysis->creationZone.has_value());
    }
}

TEST_F(AppModelTest, RowRemovedBeforeItsAnalysisStartsIsNeverTouched) {
    model->addSources({movie(QStringLiteral("a.mov")), movie(QStringLiteral("b.mov"))});
    const QUuid a = model->sources()[0].id;
    model->removeSource(a);
    QList<SourceItem::AnalysisState::Kind> seen;
    QObject::connect(model.get(), &AppModel::sourcesChanged, [&] {
        for (const SourceItem& item : model->sources()) seen << item.analysis.kind();
    });
    ASSERT_TRUE(allAnalysed());
    EXPECT_EQ(rowNames(), QStringList{QStringLiteral("b.mov")});
    // Only b went through analyzing and done.
    EXPECT_EQ(seen, (QList{SourceItem::AnalysisState::Kind::analyzing, SourceItem::AnalysisState::Kind::done}));
}

TEST_F(AppModelTest, RowRemovedDuringItsAnalysisDoesNotComeBack) {
    model->addSources({movie(QStringLiteral("a.mov"))});
    const QUuid a = model->sources()[0].id;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return model->sources()[0].analysis.kind() == SourceItem::AnalysisState::Kind::analyzing;
    }));
    model->removeSource(a);
    // The readers work in order, so once a later row is done the removed one has ended too.
    model->addSources({movie(QStringLiteral("b.mov"))});
    ASSERT_TRUE(allAnalysed());
    EXPECT_EQ(rowNames(), QStringList{QStringLiteral("b.mov")});
}

TEST_F(AppModelTest, EditsMadeDuringTheAnalysisSurviveIt) {
    model->addSources({movie(QStringLiteral("a.mov"))});
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return model->sources()[0].analysis.kind() == SourceItem::AnalysisState::Kind::analyzing;
    }));
    const QUuid a = model->sources()[0].id;
    model->setFixMode(a, FixMode::manual);
    model->setManualComponents(a, components(7, 6, 5, 4));
    model->setIncluded(a, false);
    ASSERT_TRUE(allAnalysed());
    const SourceItem after = model->sources()[0];
    EXPECT_EQ(after.fixMode, FixMode::manual);
    EXPECT_EQ(after.manualComponents, components(7, 6, 5, 4));
    EXPECT_FALSE(after.included);
    EXPECT_TRUE(after.analysis.analysis()->detectedRate.has_value());
}

TEST_F(AppModelTest, ModelGoneWhileReadsArePendingIsSafe) {
    QList<QUrl> urls;
    for (int i = 0; i < 5; ++i) urls << movie(QStringLiteral("m%1.mov").arg(i));
    model->addSources(urls);
    QTest::qWait(1);  // some analyses start, most reads are still queued
    model.reset();
    QTest::qWait(50);
}
