// The window model's sources, settings, readiness and mismatch counts, and the
// analysis of added movies.
#include "AppModelTestSupport.h"

#include "QueueTestSupport.h"

#include <QSignalSpy>
#include <QThreadPool>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
                       movie(QStringLiteral("notc.mov"), movieRecipe(std::nullopt))});
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
        return movieRecipe(QStringLiteral("10:00:00:00"), QStringLiteral("2024-05-01T%1Z").arg(QLatin1String(time)));
    };
    model->addSources({movie(QStringLiteral("same.mov"), at("10:00:00")),
                       movie(QStringLiteral("plus1.mov"), at("10:00:01")),
                       movie(QStringLiteral("minus1.mov"), at("09:59:59")),
                       movie(QStringLiteral("plus1_01.mov"), at("10:00:01.010")),
                       movie(QStringLiteral("minus2.mov"), at("09:59:58")),
                       movie(QStringLiteral("notc.mov"), movieRecipe(std::nullopt, QStringLiteral("2024-05-01T12:00:00Z")))});
    ASSERT_TRUE(allAnalysed());
    model->setIncluded(row(QStringLiteral("minus2.mov")).id, false);  // excluded rows count too
    EXPECT_EQ(model->mismatchedSources(), 2);                        // 1.01 s and −2 s
    model->setTolerance(1.5);
    EXPECT_EQ(model->mismatchedSources(), 1);
    model->setTolerance(0.0);
    EXPECT_EQ(model->mismatchedSources(), 4);
}

// Camera files at common rates: the track gives the detected rate and the embedded
// timecode, the metadata the creation date; the row derives its start and mismatch.
TEST_F(ModelTest, AnalysisOfCameraFilesAtCommonRates) {
    struct Case {
        const char *rate, *timecode, *date, *detected, *start;
        double mismatch;
    };
    const Case cases[] = {
        {"25", "10:00:00:00", "2024-05-01T10:00:01+02:00", "25", "10:00:01:00", 1.0},
        {"24000/1001", "12:00:00:12", "2024-05-01T12:00:00.500Z", "24", "12:00:00:12", 0.0},
        {"30000/1001", "10:20:30;15", "2024-05-01T10:20:30.500+0200", "29.97 DF", "10:20:30;15", 0.0},
        {"60000/1001", "05:01:00;04", "2024-05-01T05:01:00-07:00", "59.94 DF", "05:01:00;04", -4.0 / 60},
        {"50", "23:59:59:00", "2024-05-02T00:00:01.000+01:00", "50", "00:00:01:00", 2.0},
    };
    QList<QUrl> urls;
    for (const Case& c : cases)
        urls << movie(QStringLiteral("clip %1.mov").arg(QLatin1String(c.rate)).replace(u'/', u'_'),
                      movieRecipe(QLatin1String(c.timecode), QLatin1String(c.date), QLatin1String(c.rate)));
    // A drop-frame track without a date item, and no track with a date that names no zone.
    urls << movie(QStringLiteral("df.mov"), movieRecipe(QStringLiteral("00:59:59;29"), std::nullopt, QStringLiteral("30000/1001")))
         << movie(QStringLiteral("bare.mov"), movieRecipe(std::nullopt, QStringLiteral("2024-05-01T10:00:00")));
    model->addSources(urls);
    ASSERT_TRUE(allAnalysed());
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.rate);
        const SourceItem item = row(urls[i].fileName());
        const SourceItem::Analysis* analysis = item.analysis.analysis();
        ASSERT_TRUE(analysis && analysis->detectedRate && analysis->embeddedTimecode);
        EXPECT_EQ(analysis->detectedRate->displayText(), QLatin1String(c.detected));
        EXPECT_EQ(analysis->embeddedTimecode->tc.stringValue(), c.timecode);
        EXPECT_EQ(analysis->creationSource, VideoMetadataReader::Source::quickTimeAtom);
        EXPECT_EQ(item.resolvedStartTimecode().value().tc.stringValue(), c.start);
        EXPECT_NEAR(item.timeOfDayMismatch(1.0).value().delta, c.mismatch, 1e-9);
        EXPECT_FALSE(item.blockingReason());
    }
    const SourceItem first = row(urls[0].fileName());
    const SourceItem::Analysis* zoned = first.analysis.analysis();
    EXPECT_EQ(*zoned->detectedRate, (FrameRate{25, 1, 25, false}));
    EXPECT_EQ(*zoned->creationDate, QDateTime::fromString(QStringLiteral("2024-05-01T08:00:01Z"), Qt::ISODate));
    EXPECT_EQ(zoned->creationZone->offsetFromUtc(*zoned->creationDate), 7200);

    const SourceItem df = row(QStringLiteral("df.mov"));
    EXPECT_EQ(df.analysis.analysis()->detectedRate, (FrameRate{30000, 1001, 30, true}));
    EXPECT_EQ(df.analysis.analysis()->embeddedTimecode->tc.stringValue(), "00:59:59;29");
    EXPECT_EQ(df.analysis.analysis()->creationSource, VideoMetadataReader::Source::filesystem);

    const SourceItem bare = row(QStringLiteral("bare.mov"));
    const SourceItem::Analysis& analysis = *bare.analysis.analysis();
    EXPECT_FALSE(analysis.detectedRate || analysis.embeddedTimecode || bare.timeOfDayMismatch(1.0));
    EXPECT_NE(analysis.creationSource, VideoMetadataReader::Source::quickTimeAtom);
    EXPECT_EQ(bare.blockingReason(), analysis.creationDate ? QStringLiteral("Unknown frame rate — set fps")
                                                           : QStringLiteral("No creation date — switch to Manual or set fps"));
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
                       movie(QStringLiteral("no tc.mov"), movieRecipe(std::nullopt))});
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
        // ... and the row says so, rather than leaving the button disabled without a word.
        EXPECT_EQ(model->blockingReason(row(name)), QStringLiteral("Can't read this file — remove it from the list"));
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

namespace {

// A file whose name is the given bytes, which need not be UTF-8.
bool makeRawNamedFile(const QString& folder, const QByteArray& name) {
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace

// "Add Folder…" walks the tree on a worker, like a drop, and names every movie it
// had to leave out because Qt cannot open it by name.
TEST_F(ModelTest, AddedFolderIsWalkedOffTheGuiThreadAndNamesFilesItCannotOpen) {
    movie(QStringLiteral("card/a.mov"));
    movie(QStringLiteral("card/sub/b.mov"));
    const QString card = pathOf(QStringLiteral("card"));
    ASSERT_TRUE(makeRawNamedFile(card, "bad\xff.mov"));
    ASSERT_TRUE(makeRawNamedFile(card + QStringLiteral("/sub"), "worse\xfe\xfd.MP4"));
    ASSERT_TRUE(makeRawNamedFile(card, "notes\xff.txt"));  // no movie by its name: not worth a word
    ASSERT_EQ(::mkdir((QFile::encodeName(card) + "/lost\xff").constData(), 0755), 0);  // lost with its videos

    const AppModel::FolderScan scan = AppModel::scanFolder(QUrl::fromLocalFile(card));
    EXPECT_EQ(scan.movies.size(), 2);
    ASSERT_EQ(scan.unopenable.size(), 3);
    EXPECT_EQ(scan.unopenable[0], card + QStringLiteral("/bad\uFFFD.mov"));
    EXPECT_EQ(scan.unopenable[1], card + QStringLiteral("/lost\uFFFD/"));

    QSignalSpy skipped(model.get(), &AppModel::skippedFilesChanged);
    const QFuture<void> added = model->addFolder(QUrl::fromLocalFile(card));
    EXPECT_TRUE(model->sources().isEmpty());  // the call only starts the walk
    ASSERT_TRUE(QTest::qWaitFor([&] { return added.isFinished(); }, 30000));
    EXPECT_EQ(rowNames(), (QStringList{QStringLiteral("a.mov"), QStringLiteral("b.mov")}));
    EXPECT_EQ(model->skippedFiles(), 3);
    EXPECT_EQ(skipped.count(), 1);
    const QStringList console = queuetest::messages(model->queue());
    ASSERT_EQ(console.filter(QStringLiteral("Skipped ")).size(), 3);
    EXPECT_TRUE(console.filter(QStringLiteral("Skipped ")).first().contains(card + QStringLiteral("/bad\uFFFD.mov")));
    EXPECT_TRUE(console.filter(QStringLiteral("Skipped ")).first().contains(QStringLiteral("not valid UTF-8")));

    model->clearSources();
    EXPECT_EQ(model->skippedFiles(), 0);
    // A folder the model does not live to see added adds nothing and ends.
    const QFuture<void> orphan = model->addFolder(QUrl::fromLocalFile(card));
    model.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return orphan.isFinished(); }, 30000));
    EXPECT_TRUE(orphan.isCanceled());
    // The orphaned walk itself goes on in the shared pool; it must end before the
    // test's folder goes and before the process exits (the test program, unlike the
    // application, never destroys its application object, which would wait for it).
    QThreadPool::globalInstance()->waitForDone();
}

// Rows whose job could only fail at Start are not counted, and say why.
TEST_F(ModelTest, RowsThatCanOnlyFailAreNotCounted) {
    model->setOutputFolder(QUrl::fromLocalFile(folder));
    model->addSources({movie(QStringLiteral("pal.mov")),
                       movie(QStringLiteral("ntsc.mov"), movieRecipe(QStringLiteral("10:00:00;00"), QStringLiteral("2024-05-01T10:00:00Z"),
                                                                    QStringLiteral("30000/1001")))});
    ASSERT_TRUE(allAnalysed());
    EXPECT_EQ(model->readyCount(), 2);
    const FrameRate dropFrame{30000, 1001, 30, true};
    // ffmpeg writes no timecode track at all for drop frame on a 25 fps video.
    model->setRateOverride(row(QStringLiteral("pal.mov")).id, dropFrame);
    model->setRateOverride(row(QStringLiteral("ntsc.mov")).id, dropFrame);
    EXPECT_EQ(row(QStringLiteral("pal.mov")).analysis.analysis()->videoFrameRate, (FrameRate{25, 1, 25, false}));
    EXPECT_EQ(model->blockingReason(row(QStringLiteral("pal.mov"))),
              QStringLiteral("Drop frame doesn't fit this video's 25 fps — choose another rate"));
    EXPECT_FALSE(model->blockingReason(row(QStringLiteral("ntsc.mov"))));
    EXPECT_EQ(model->readyCount(), 1);

    // A typed label that 29.97 drop frame skips.
    const QUuid ntsc = row(QStringLiteral("ntsc.mov")).id;
    model->setFixMode(ntsc, FixMode::manual);
    model->setManualComponents(ntsc, components(0, 1, 0, 0));
    EXPECT_EQ(model->blockingReason(row(QStringLiteral("ntsc.mov"))), QStringLiteral("Invalid timecode for this rate"));
    EXPECT_EQ(model->readyCount(), 0);
    EXPECT_FALSE(model->canEnqueue());
    EXPECT_EQ(model->enqueueReadyRows(), 0);
    model->setManualComponents(ntsc, components(0, 1, 0, 2));
    EXPECT_EQ(model->readyCount(), 1);
}
