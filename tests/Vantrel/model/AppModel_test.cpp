// The window model's sources, settings, readiness and mismatch counts, and the
// analysis of added movies.
#include "AppModelTestSupport.h"

#include <QSignalSpy>

using namespace appmodeltest;
using Kind = SourceItem::AnalysisState::Kind;

TEST_F(ModelTest, StartsEmptyWithTheDefaultSettings) {
    EXPECT_TRUE(model->sources().isEmpty());
    EXPECT_FALSE(model->outputFolder().has_value());
    EXPECT_EQ(model->defaultFixMode(), FixMode::creationTime);
    EXPECT_EQ(model->verifyTier(), VerifyTier::standard);
    EXPECT_EQ(model->namingPattern(), QStringLiteral("{name}_TC"));
    EXPECT_EQ(model->tolerance(), 1.0);
}

TEST_F(ModelTest, AddingTheSameFileAgainByAnyPathGivesOneRow) {
    const QUrl a = movie(QStringLiteral("in/a.mov"));
    const QUrl b = movie(QStringLiteral("in/b.mov"));
    model->setDefaultFixMode(FixMode::manual);
    QSignalSpy changes(model.get(), &AppModel::sourcesChanged);
    model->addSources({a, a, b});
    model->addSources({QUrl::fromLocalFile(pathOf(QStringLiteral("in/./a.mov"))),
                       QUrl::fromLocalFile(pathOf(QStringLiteral("in/sub/../b.mov"))),
                       QUrl(QStringLiteral("https://example.com/c.mov")), QUrl()});
    EXPECT_EQ(rowNames(), (QStringList{QStringLiteral("a.mov"), QStringLiteral("b.mov")}));
    EXPECT_EQ(changes.count(), 2);  // one per new row; no analysis has started yet

    const SourceItem added = model->sources().first();
    EXPECT_EQ(added.url, a);
    EXPECT_EQ(added.analysis.kind(), Kind::pending);
    EXPECT_TRUE(added.included);
    EXPECT_EQ(added.fixMode, FixMode::manual);
    EXPECT_FALSE(added.manualComponents || added.rateOverride);
    ASSERT_TRUE(allAnalysed());
}

TEST_F(ModelTest, WritingTheDefaultFixModeResetsEveryRow) {
    model->addSources({movie(QStringLiteral("a.mov")), movie(QStringLiteral("b.mov"))});
    const QUuid a = model->sources()[0].id;
    model->setFixMode(a, FixMode::manual);
    model->setManualComponents(a, components(1, 2, 3, 4));
    model->setRateOverride(a, FrameRate::fromNominal(30, true));

    // Writing the value it already has still resets the row switched by hand.
    model->setDefaultFixMode(FixMode::creationTime);
    EXPECT_EQ(row(QStringLiteral("a.mov")).fixMode, FixMode::creationTime);
    EXPECT_EQ(row(QStringLiteral("a.mov")).manualComponents, components(1, 2, 3, 4));
    EXPECT_EQ(row(QStringLiteral("a.mov")).rateOverride, FrameRate::fromNominal(30, true));

    model->setDefaultFixMode(FixMode::manual);
    for (const SourceItem& item : model->sources()) EXPECT_EQ(item.fixMode, FixMode::manual);
    ASSERT_TRUE(allAnalysed());
}

TEST_F(ModelTest, ReadinessNeedsAResolvedTimecodeAndEnqueueingAnOutputFolder) {
    model->addSources({movie(QStringLiteral("a.mov")), movie(QStringLiteral("b.mov")),
                       movie(QStringLiteral("notc.mov"), movieSpec(std::nullopt))});
    for (const SourceItem& item : model->sources()) {
        model->setFixMode(item.id, FixMode::manual);
        model->setManualComponents(item.id, components(1, 0, 0, 0));
    }
    const QUuid a = model->sources()[0].id;
    model->setRateOverride(a, FrameRate::fromNominal(24, false));
    model->setOutputFolder(QUrl::fromLocalFile(folder));
    // Nothing is read yet: only the row with an override resolves.
    EXPECT_EQ(model->sources()[0].analysis.kind(), Kind::pending);
    EXPECT_EQ(model->readyCount(), 1);

    ASSERT_TRUE(allAnalysed());
    EXPECT_EQ(model->readyCount(), 2);  // b has its detected rate now; notc has none
    EXPECT_TRUE(model->canEnqueue());
    model->setIncluded(a, false);
    EXPECT_EQ(model->readyCount(), 1);
    model->setOutputFolder(std::nullopt);
    EXPECT_FALSE(model->canEnqueue());
}

TEST_F(ModelTest, MismatchIsCountedOnlyBeyondTheTolerance) {
    // Embedded 10:00:00:00 at 25 fps against creation times in UTC.
    const auto at = [](const char* time) {
        return movieSpec(QStringLiteral("10:00:00:00"), QStringLiteral("2024-05-01T%1Z").arg(QLatin1String(time)));
    };
    model->addSources({movie(QStringLiteral("same.mov"), at("10:00:00")),
                       movie(QStringLiteral("plus1.mov"), at("10:00:01")),
                       movie(QStringLiteral("minus1.mov"), at("09:59:59")),
                       movie(QStringLiteral("plus1_01.mov"), at("10:00:01.010")),
                       movie(QStringLiteral("minus2.mov"), at("09:59:58")),
                       movie(QStringLiteral("notc.mov"), movieSpec(std::nullopt, QStringLiteral("2024-05-01T12:00:00Z")))});
    ASSERT_TRUE(allAnalysed());
    model->setIncluded(row(QStringLiteral("minus2.mov")).id, false);  // excluded rows count too
    EXPECT_EQ(model->mismatchedSources(), 2);                        // 1.01 s and −2 s
    model->setTolerance(1.5);
    EXPECT_EQ(model->mismatchedSources(), 1);
    model->setTolerance(0.0);
    EXPECT_EQ(model->mismatchedSources(), 4);
}

TEST_F(ModelTest, AnalysisStoresTheTimecodeTrackAndTheQuickTimeDate) {
    model->addSources({movie(QStringLiteral("a.mov"),
                             movieSpec(QStringLiteral("01:00:00:00"), QStringLiteral("2024-05-01T12:30:00+02:00"))),
                       movie(QStringLiteral("df.mov"), movieSpec(QStringLiteral("00:59:59;29"), std::nullopt,
                                                                 QStringLiteral("30000/1001")))});
    ASSERT_TRUE(allAnalysed());
    const SourceItem a = row(QStringLiteral("a.mov"));
    const SourceItem::Analysis* analysis = a.analysis.analysis();
    ASSERT_TRUE(analysis && analysis->detectedRate && analysis->embeddedTimecode && analysis->creationDate &&
                analysis->creationZone);
    EXPECT_EQ(*analysis->detectedRate, (FrameRate{25, 1, 25, false}));
    EXPECT_EQ(analysis->embeddedTimecode->tc.stringValue(), "01:00:00:00");
    EXPECT_EQ(*analysis->creationDate, QDateTime::fromString(QStringLiteral("2024-05-01T10:30:00Z"), Qt::ISODate));
    EXPECT_EQ(analysis->creationZone->offsetFromUtc(*analysis->creationDate), 7200);
    EXPECT_EQ(analysis->creationSource, VideoMetadataReader::Source::quickTimeAtom);
    EXPECT_EQ(a.resolvedStartTimecode()->tc.stringValue(), "12:30:00:00");

    const SourceItem df = row(QStringLiteral("df.mov"));
    EXPECT_EQ(df.analysis.analysis()->detectedRate, (FrameRate{30000, 1001, 30, true}));
    EXPECT_EQ(df.analysis.analysis()->embeddedTimecode->tc.stringValue(), "00:59:59;29");
    EXPECT_EQ(df.analysis.analysis()->creationSource, VideoMetadataReader::Source::filesystem);
}

TEST_F(ModelTest, FilesThatAreNoMovieEndFailedWithTheReadersMessage) {
    const QUrl whole = movie(QStringLiteral("whole.mov"));
    const QString truncated = pathOf(QStringLiteral("truncated.mov"));
    ASSERT_TRUE(QFile::copy(whole.toLocalFile(), truncated));
    // The movie header comes last: half the file is media data without it.
    ASSERT_TRUE(QFile::resize(truncated, QFileInfo(truncated).size() / 2));
    ASSERT_TRUE(testsupport::writeFile(pathOf(QStringLiteral("text.mov")), "just some notes\n"));
    ASSERT_TRUE(testsupport::writeFile(pathOf(QStringLiteral("empty.mov")), {}));
    model->setOutputFolder(QUrl::fromLocalFile(folder));
    model->addSources({QUrl::fromLocalFile(truncated), QUrl::fromLocalFile(pathOf(QStringLiteral("text.mov"))),
                       QUrl::fromLocalFile(pathOf(QStringLiteral("empty.mov"))),
                       movie(QStringLiteral("no tc.mov"), movieSpec(std::nullopt))});
    ASSERT_TRUE(allAnalysed());
    for (const QString name : {"truncated.mov", "text.mov", "empty.mov"}) {
        SCOPED_TRACE(name.toStdString());
        SourceItem broken = row(name);
        EXPECT_EQ(broken.analysis.kind(), Kind::failed);
        EXPECT_TRUE(broken.analysis.failureMessage().startsWith(QStringLiteral("Movie reader init failed: ")))
            << broken.analysis.failureMessage().toStdString();
        // Whatever is typed for it, a file that cannot be read makes no job.
        model->setFixMode(broken.id, FixMode::manual);
        model->setManualComponents(broken.id, components(1, 0, 0, 0));
        model->setRateOverride(broken.id, FrameRate{25, 1, 25, false});
        EXPECT_FALSE(AppModel::isReady(row(name)));
    }
    // A movie without a timecode track opens: it is analysed, just without a rate.
    const SourceItem noTc = row(QStringLiteral("no tc.mov"));
    ASSERT_TRUE(noTc.analysis.isDone());
    EXPECT_FALSE(noTc.analysis.analysis()->detectedRate);
    EXPECT_EQ(noTc.blockingReason(), QStringLiteral("Unknown frame rate — set fps"));
    EXPECT_EQ(model->readyCount(), 0);
}

TEST_F(ModelTest, RowRemovedBeforeOrDuringItsAnalysisNeverComesBack) {
    model->addSources({movie(QStringLiteral("early.mov")), movie(QStringLiteral("late.mov"))});
    model->removeSource(model->sources()[0].id);  // before its analysis first runs
    QList<Kind> seen;
    QObject::connect(model.get(), &AppModel::sourcesChanged, [&] {
        for (const SourceItem& item : model->sources()) seen << item.analysis.kind();
    });
    ASSERT_TRUE(analyzingFirstRow());
    model->removeSource(model->sources()[0].id);  // while its reads run
    // The readers work in order, so once a later row is done the removed ones have ended too.
    model->addSources({movie(QStringLiteral("last.mov"))});
    ASSERT_TRUE(allAnalysed());
    EXPECT_EQ(rowNames(), QStringList{QStringLiteral("last.mov")});
    EXPECT_EQ(seen.first(), Kind::analyzing);  // late.mov; early.mov was never touched

    // Clearing drops every row in one announcement, analysing or not.
    model->addSources({movie(QStringLiteral("cleared.mov"))});
    QSignalSpy changes(model.get(), &AppModel::sourcesChanged);
    model->clearSources();
    model->clearSources();
    EXPECT_EQ(changes.count(), 1);
    model->addSources({movie(QStringLiteral("after.mov"))});
    ASSERT_TRUE(allAnalysed());
    EXPECT_EQ(rowNames(), QStringList{QStringLiteral("after.mov")});
}

TEST_F(ModelTest, EditsMadeDuringTheAnalysisSurviveIt) {
    model->addSources({movie(QStringLiteral("a.mov"))});
    ASSERT_TRUE(analyzingFirstRow());
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

TEST_F(ModelTest, ModelGoneWhileReadsArePendingIsSafe) {
    QList<QUrl> urls;
    for (int i = 0; i < 5; ++i) urls << movie(QStringLiteral("m%1.mov").arg(i));
    model->addSources(urls);
    QTest::qWait(1);  // some analyses start, most reads are still queued
    model.reset();
    QTest::qWait(50);
}
