// Making correction jobs from the ready rows: output names, job fields, failures;
// and the main road without a window, from a folder of movies to verified outputs.
#include "AppModelTestSupport.h"
#include "QueueTestSupport.h"

#include "Vantrel/queue/Bookmarks.h"
#include "Vantrel/media/OutputNamer.h"
#include "Vantrel/queue/FFmpegCorrectionRunner.h"
#include "Vantrel/queue/FFmpegOutputVerifier.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>

using namespace appmodeltest;
using testsupport::sha256OfFile;
using testsupport::writeFile;

namespace {

class EnqueueTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        out = pathOf(QStringLiteral("out"));
        QDir().mkpath(out);
        model->setOutputFolder(QUrl::fromLocalFile(out));
    }

    void addAndAnalyse(const QList<QUrl>& urls) {
        model->addSources(urls);
        ASSERT_TRUE(allAnalysed());
    }

    QStringList outputNames() const {
        QStringList names;
        for (const CorrectionJob& job : model->queue().jobs()) names << job.outputName();
        return names;
    }

    QStringList consoleMessages() const { return queuetest::messages(model->queue()); }

    QString out;
};

}  // namespace

TEST_F(EnqueueTest, WithoutAnOutputFolderOrAReadyRowNothingChanges) {
    addAndAnalyse({movie(QStringLiteral("a.mov")), movie(QStringLiteral("notc.mov"), movieRecipe(std::nullopt))});
    model->setOutputFolder(std::nullopt);
    EXPECT_EQ(model->enqueueReadyRows(), 0);
    model->setOutputFolder(QUrl::fromLocalFile(out));
    model->setIncluded(row(QStringLiteral("a.mov")).id, false);
    EXPECT_EQ(model->enqueueReadyRows(), 0);
    EXPECT_EQ(model->sources().size(), 2);
    EXPECT_TRUE(model->queue().jobs().isEmpty());
    EXPECT_TRUE(model->queue().logLines().isEmpty());
}

TEST_F(EnqueueTest, ReadyRowsBecomeJobsInListOrderAndLeaveTheList) {
    addAndAnalyse({movie(QStringLiteral("a.mov")), movie(QStringLiteral("b.mov"), movieRecipe(std::nullopt)),
                   movie(QStringLiteral("c.mov"))});
    EXPECT_EQ(model->enqueueReadyRows(), 2);
    EXPECT_EQ(outputNames(), (QStringList{QStringLiteral("a_TC.mov"), QStringLiteral("c_TC.mov")}));
    EXPECT_EQ(rowNames(), QStringList{QStringLiteral("b.mov")});
    EXPECT_EQ(consoleMessages(), (QStringList{QStringLiteral("Added job: a.mov"), QStringLiteral("Added job: c.mov")}));
    EXPECT_FALSE(model->queue().isProcessing());
    QFile file(*model->queue().queueFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QJsonDocument::fromJson(file.readAll()).array().size(), 2);
}

TEST_F(EnqueueTest, JobCarriesTheRowsTimecodeRateModeTierBytesAndBookmarks) {
    model->setVerifyTier(VerifyTier::thorough);
    const QUrl a = movie(QStringLiteral("in/a.mov"), movieRecipe(QStringLiteral("00:00:00;00"),
                                                               QStringLiteral("2024-05-01T10:04:59.420Z"),
                                                               QStringLiteral("30000/1001")));
    const QUrl gone = movie(QStringLiteral("in/gone.mov"));
    addAndAnalyse({a, gone});
    ASSERT_TRUE(QFile::remove(gone.toLocalFile()));  // its size and bookmark can no longer be had
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    ASSERT_EQ(model->enqueueReadyRows(), 2);

    const CorrectionJob job = model->queue().jobs()[0];
    EXPECT_EQ(job.sourcePath, a.toLocalFile());
    EXPECT_EQ(job.outputPath, out + QStringLiteral("/a_TC.mov"));
    EXPECT_EQ(job.assignedTimecodeString, QStringLiteral("10:04:59;12"));  // 0.42 s × 30 label frames
    EXPECT_EQ(job.frameRate, (FrameRate{30000, 1001, 30, true}));
    EXPECT_EQ(job.fixMode, FixMode::creationTime);
    EXPECT_EQ(job.verifyTier, VerifyTier::thorough);
    EXPECT_TRUE(job.createdAt >= before && job.createdAt <= QDateTime::currentDateTimeUtc());
    EXPECT_EQ(job.totalSourceBytes, QFileInfo(a.toLocalFile()).size());
    EXPECT_EQ(job.status, JobStatus::pending());
    EXPECT_EQ(job.progress, 0.0);
    ASSERT_TRUE(job.sourceBookmarkData && job.outputBookmarkData);
    EXPECT_EQ(resolveBookmark(*job.sourceBookmarkData)->path, a.toLocalFile());
    EXPECT_EQ(resolveBookmark(*job.outputBookmarkData)->path, out);

    const CorrectionJob goneJob = model->queue().jobs()[1];
    EXPECT_NE(goneJob.id, job.id);
    EXPECT_FALSE(goneJob.totalSourceBytes || goneJob.sourceBookmarkData);
    EXPECT_TRUE(goneJob.outputBookmarkData.has_value());
}

TEST_F(EnqueueTest, ManualRowWithOverrideIsEnqueuedBeforeItsAnalysisEnds) {
    model->addSources({movie(QStringLiteral("a.mov"))});
    const QUuid id = model->sources()[0].id;
    model->setFixMode(id, FixMode::manual);
    model->setManualComponents(id, components(1, 2, 3, 23));
    model->setRateOverride(id, FrameRate::fromNominal(24, false));
    ASSERT_EQ(model->enqueueReadyRows(), 1);
    const CorrectionJob job = model->queue().jobs().first();
    EXPECT_EQ(job.frameRate, FrameRate::fromNominal(24, false));
    EXPECT_EQ(job.fixMode, FixMode::manual);
    EXPECT_EQ(job.assignedTimecodeString, QStringLiteral("01:02:03:23"));
    // The analysis that ends later finds no row to bring back.
    addAndAnalyse({movie(QStringLiteral("b.mov"))});
    EXPECT_EQ(rowNames(), QStringList{QStringLiteral("b.mov")});
}

TEST_F(EnqueueTest, OutputNamesStepPastFilesFoldersAndOtherJobsOutputs) {
    ASSERT_TRUE(writeFile(out + QStringLiteral("/clip_TC.mov"), "taken"));
    ASSERT_TRUE(QDir().mkpath(out + QStringLiteral("/clip_TC-2.mov")));
    // The same file name from two cards, in one call...
    addAndAnalyse({movie(QStringLiteral("card1/clip.mov")), movie(QStringLiteral("card2/clip.mov"))});
    ASSERT_EQ(model->enqueueReadyRows(), 2);
    // ...and the first again while its job still waits in the queue.
    addAndAnalyse({QUrl::fromLocalFile(pathOf(QStringLiteral("card1/clip.mov")))});
    ASSERT_EQ(model->enqueueReadyRows(), 1);
    EXPECT_EQ(outputNames(), (QStringList{QStringLiteral("clip_TC-3.mov"), QStringLiteral("clip_TC-4.mov"),
                                          QStringLiteral("clip_TC-5.mov")}));

    // A source at a numbered name is passed over without a word.
    model->setNamingPattern(QStringLiteral("take"));
    ASSERT_TRUE(writeFile(out + QStringLiteral("/take.mov"), "taken"));
    addAndAnalyse({movie(QStringLiteral("out/take-2.mov"))});
    ASSERT_EQ(model->enqueueReadyRows(), 1);
    EXPECT_EQ(outputNames().last(), QStringLiteral("take-3.mov"));
}

TEST_F(EnqueueTest, SourceAtTheFirstNameFailsAndTheOtherRowsGoOn) {
    model->setNamingPattern(QStringLiteral("{name}"));
    addAndAnalyse({movie(QStringLiteral("out/clip.mov")), movie(QStringLiteral("in/other.mov"))});
    EXPECT_EQ(model->enqueueReadyRows(), 1);
    EXPECT_EQ(rowNames(), QStringList{QStringLiteral("clip.mov")});
    EXPECT_EQ(outputNames(), QStringList{QStringLiteral("other.mov")});
    EXPECT_EQ(consoleMessages(),
              (QStringList{QStringLiteral("Could not enqueue clip.mov: ") +
                               OutputNamer::errorDescription(OutputNamer::OutputNamerError::sameAsSource),
                           QStringLiteral("Added job: other.mov")}));
    // When every ready row fails, nothing is enqueued and every row stays.
    EXPECT_EQ(model->enqueueReadyRows(), 0);
    EXPECT_EQ(rowNames(), QStringList{QStringLiteral("clip.mov")});
}

TEST_F(EnqueueTest, PatternsThatNameNoFileInTheFolderAreRefusedPerRow) {
    addAndAnalyse({movie(QStringLiteral("in/a.mov")), movie(QStringLiteral("in/b.mov"))});
    for (const QString& pattern : {QStringLiteral(".mov"), QStringLiteral(".."), QStringLiteral("..MOV")}) {
        model->setNamingPattern(pattern);
        EXPECT_EQ(model->enqueueReadyRows(), 0) << pattern.toStdString();
        EXPECT_TRUE(consoleMessages().last().startsWith(QStringLiteral("Could not enqueue b.mov: ")));
    }
    EXPECT_EQ(model->sources().size(), 2);
    // A pattern that climbs out of the folder stays inside it; "{date}" is the day of enqueueing.
    // (The day may turn over while the rows are enqueued.)
    model->setNamingPattern(QStringLiteral("../{date}_{name}"));
    const QDate firstDay = QDate::currentDate();
    ASSERT_EQ(model->enqueueReadyRows(), 2);
    const QDate lastDay = QDate::currentDate();
    const auto namesOn = [](QDate day) {
        const QString date = day.toString(QStringLiteral("yyyy-MM-dd"));
        return QStringList{QStringLiteral("..-%1_a.mov").arg(date), QStringLiteral("..-%1_b.mov").arg(date)};
    };
    const QStringList names = outputNames();
    EXPECT_TRUE(names == namesOn(firstDay) || names == namesOn(lastDay)) << ::testing::PrintToString(names);
    for (const CorrectionJob& job : model->queue().jobs()) EXPECT_EQ(QFileInfo(job.outputPath).path(), out);
}

// A folder of generated movies is added to the window model, analysed, turned into
// jobs, and the queue corrects and verifies them with the real tools.
TEST_F(ModelTest, EndToEndReadyMoviesGetVerifiedOutputsWithTheirTimeOfDay) {
    model = std::make_unique<AppModel>(new CorrectionQueue(FFmpegCorrectionRunner::make(),
                                                           std::make_shared<FFmpegOutputVerifier>(),
                                                           pathOf(QStringLiteral("storage2"))));
    const auto recipe = [](const char* rate, std::optional<QString> timecode, std::optional<QString> date) {
        testsupport::MovieRecipe s = movieRecipe(std::move(timecode), std::move(date), QLatin1String(rate));
        s.audio = true;
        return s;
    };
    movie(QStringLiteral("card/A001.mov"), recipe("25", QStringLiteral("01:00:00:00"), QStringLiteral("2024-05-01T14:22:33.480+02:00")));
    movie(QStringLiteral("card/A002.mov"), recipe("30000/1001", QStringLiteral("00:00:00;00"), QStringLiteral("2024-05-01T09:10:11.500Z")));
    movie(QStringLiteral("card/day2/A003.mp4"), recipe("50", QStringLiteral("23:00:00:00"), QStringLiteral("2024-05-02T23:59:59.990-05:00")));
    // No creation-date item: the file's own creation time counts, in the system zone.
    movie(QStringLiteral("card/A004 no date.mov"), recipe("25", QStringLiteral("00:00:00:00"), std::nullopt));
    // Not ready: no timecode track, so no rate; and a file that is no movie at all.
    movie(QStringLiteral("card/A005 no tc.mov"), recipe("25", std::nullopt, QStringLiteral("2024-05-01T08:00:00Z")));
    ASSERT_TRUE(testsupport::writeFile(pathOf(QStringLiteral("card/A006 broken.mov")), QByteArray(4096, 'x')));
    ASSERT_TRUE(testsupport::writeFile(pathOf(QStringLiteral("card/notes.txt")), "not a movie"));

    const QTime born = QFileInfo(pathOf(QStringLiteral("card/A004 no date.mov"))).birthTime().toLocalTime().time();
    const QMap<QString, QString> expected{
        {QStringLiteral("A001.mov"), QStringLiteral("14:22:33:12")},
        {QStringLiteral("A002.mov"), QStringLiteral("09:10:11;15")},
        {QStringLiteral("A003.mp4"), QStringLiteral("23:59:59:49")},
        {QStringLiteral("A004 no date.mov"),
         born.toString(QStringLiteral("HH:mm:ss:")) + QStringLiteral("%1").arg(born.msec() / 40, 2, 10, QLatin1Char('0'))},
    };
    const QList<QUrl> found = AppModel::videoFiles(QUrl::fromLocalFile(pathOf(QStringLiteral("card"))));
    ASSERT_EQ(found.size(), 6);
    QMap<QString, QString> hashes;
    for (const QUrl& url : found) hashes.insert(url.toLocalFile(), sha256OfFile(url.toLocalFile()));

    const QString out = pathOf(QStringLiteral("out"));
    QDir().mkpath(out);
    model->setOutputFolder(QUrl::fromLocalFile(out));
    model->addSources(found);
    ASSERT_TRUE(allAnalysed());
    ASSERT_EQ(model->enqueueReadyRows(), 4);
    EXPECT_EQ(rowNames(), (QStringList{QStringLiteral("A005 no tc.mov"), QStringLiteral("A006 broken.mov")}));
    EXPECT_EQ(row(QStringLiteral("A005 no tc.mov")).blockingReason(), QStringLiteral("Unknown frame rate — set fps"));
    EXPECT_EQ(row(QStringLiteral("A006 broken.mov")).analysis.kind(), SourceItem::AnalysisState::Kind::failed);

    CorrectionQueue& queue = model->queue();
    queue.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return queue.isProcessing(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !queue.isProcessing(); }, 300000));
    EXPECT_EQ(queue.doneCount(), 4);  // completed with a clean verification
    for (const CorrectionJob& job : queue.jobs()) {
        SCOPED_TRACE(job.sourceName().toStdString());
        EXPECT_EQ(job.status, JobStatus::completed()) << job.status.errorMessage.toStdString();
        EXPECT_EQ(job.assignedTimecodeString, expected.value(job.sourceName()));
        EXPECT_EQ(testsupport::probeTimecode(job.outputPath), job.assignedTimecodeString);
        EXPECT_EQ(QFileInfo(job.outputPath).path(), out);
    }
    // The unready rows are still listed, and no source was touched.
    EXPECT_EQ(model->sources().size(), 2);
    for (auto it = hashes.cbegin(); it != hashes.cend(); ++it) EXPECT_EQ(sha256OfFile(it.key()), it.value());
}

// Movies on which ffmpeg could not write exactly one timecode track are held with
// their reason even in Manual mode with a rate and a typed timecode, are not
// counted by "Add N to Queue" and make no job; a cover picture is no second video
// stream, and its movie is corrected like any other (its output, a .mov that cannot
// hold the picture, is flagged for the loss).
TEST_F(ModelTest, OnlyMoviesWithOneVideoStreamAreCountedAndTheirJobsPass) {
    model = std::make_unique<AppModel>(new CorrectionQueue(FFmpegCorrectionRunner::make(),
                                                           std::make_shared<FFmpegOutputVerifier>(),
                                                           pathOf(QStringLiteral("storage2"))));
    // No creation date: the muxers drop a cover picture written beside one.
    const auto shaped = [](int videoStreams, bool cover, std::optional<QString> format = std::nullopt) {
        testsupport::MovieRecipe recipe = movieRecipe(std::nullopt, std::nullopt);
        recipe.audio = true;
        recipe.videoStreams = videoStreams;
        recipe.coverPicture = cover;
        recipe.format = std::move(format);
        return recipe;
    };
    const QString noVideo = QStringLiteral("No video stream — a timecode track needs one");
    const struct {
        QString name;
        testsupport::MovieRecipe recipe;
        QString reason;  // empty: counted
    } cases[] = {
        {QStringLiteral("plain.mov"), shaped(1, false), {}},
        {QStringLiteral("artwork.mp4"), shaped(1, true), {}},
        {QStringLiteral("sound.mov"), shaped(0, false), noVideo},
        {QStringLiteral("song.mov"), shaped(0, true, QStringLiteral("ipod")), noVideo},  // an .m4a with artwork, renamed
        {QStringLiteral("two angles.mov"), shaped(2, false),
         QStringLiteral("2 video streams — only a movie with one can get a timecode track")},
    };
    QList<QUrl> urls;
    for (const auto& c : cases) {
        urls << movie(QStringLiteral("card/") + c.name, c.recipe);
        // Each stream's type, and 1 for a cover picture.
        QByteArray streams;
        ASSERT_EQ(testsupport::runTool(QStringLiteral("ffprobe"),
                                       {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                        QStringLiteral("stream=codec_type:stream_disposition=attached_pic"),
                                        QStringLiteral("-of"), QStringLiteral("csv=p=0"), urls.last().toLocalFile()},
                                       &streams),
                  0);
        ASSERT_EQ(streams.contains("video,1"), c.recipe.coverPicture) << c.name.toStdString() << ": " << streams.toStdString();
    }
    const QString out = pathOf(QStringLiteral("out"));
    QDir().mkpath(out);
    model->setOutputFolder(QUrl::fromLocalFile(out));
    model->addSources(urls);
    ASSERT_TRUE(allAnalysed());
    for (const SourceItem& item : model->sources()) {
        model->setFixMode(item.id, FixMode::manual);
        model->setRateOverride(item.id, FrameRate::fromNominal(25, false));
        model->setManualComponents(item.id, components(1, 0, 0, 0));
    }

    QStringList counted, held;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const SourceItem item = row(c.name);
        ASSERT_TRUE(item.analysis.isDone());
        EXPECT_TRUE(item.resolvedStartTimecode());
        EXPECT_EQ(model->blockingReason(item).value_or(QString()), c.reason);
        (c.reason.isEmpty() ? counted : held) << c.name;
    }
    EXPECT_EQ(model->readyCount(), counted.size());
    ASSERT_EQ(model->enqueueReadyRows(), counted.size());
    EXPECT_EQ(rowNames(), held);

    CorrectionQueue& queue = model->queue();
    queue.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return queue.isProcessing(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !queue.isProcessing(); }, 300000));
    QStringList corrected;
    for (const CorrectionJob& job : queue.jobs()) {
        SCOPED_TRACE(job.sourceName().toStdString());
        corrected << job.sourceName();
        EXPECT_EQ(job.status, JobStatus::completed()) << job.status.errorMessage.toStdString();
        ASSERT_TRUE(job.verification);
        const auto outcome = job.sourceName() == QStringLiteral("artwork.mp4") ? VerificationResult::Outcome::warnings
                                                                                 : VerificationResult::Outcome::clean;
        EXPECT_EQ(job.verification->outcome(), outcome) << job.verification->summary().toStdString();
        EXPECT_EQ(testsupport::probeTimecode(job.outputPath), QStringLiteral("01:00:00:00"));
    }
    EXPECT_EQ(corrected, counted);
}

// An emptied naming field stands for the pattern it shows as its placeholder.
TEST_F(EnqueueTest, AnEmptyPatternNamesOutputsWithTheDefaultPattern) {
    addAndAnalyse({movie(QStringLiteral("in/a.mov"))});
    model->setNamingPattern(QString());
    EXPECT_EQ(model->namingPattern(), QString());
    EXPECT_EQ(model->readyCount(), 1);
    ASSERT_EQ(model->enqueueReadyRows(), 1);
    EXPECT_EQ(outputNames(), QStringList{QStringLiteral("a_TC.mov")});
}

// A row whose output cannot be named says why, in words, on the row and in the
// console; it is not counted again until something that names it changes.
TEST_F(EnqueueTest, ARowThatCouldNotBeEnqueuedSaysWhyAndIsNotCountedAgain) {
    model->setNamingPattern(QStringLiteral("{name}"));
    addAndAnalyse({movie(QStringLiteral("out/clip.mov"))});
    EXPECT_EQ(model->readyCount(), 1);
    EXPECT_EQ(model->enqueueReadyRows(), 0);
    const QString why = OutputNamer::errorDescription(OutputNamer::OutputNamerError::sameAsSource);
    EXPECT_EQ(consoleMessages().last(), QStringLiteral("Could not enqueue clip.mov: ") + why);
    for (const OutputNamer::OutputNamerError error : {OutputNamer::OutputNamerError::sameAsSource,
                                                      OutputNamer::OutputNamerError::invalidName,
                                                      OutputNamer::OutputNamerError::nameTooLong}) {
        const QString text = OutputNamer::errorDescription(error);
        EXPECT_FALSE(text.contains(QStringLiteral("OutputNamer")) || text.contains(QStringLiteral("error")) ||
                     text.contains(QStringLiteral("operation")))
            << text.toStdString();
    }
    const SourceItem stays = row(QStringLiteral("clip.mov"));
    EXPECT_EQ(model->blockingReason(stays), why);
    EXPECT_FALSE(stays.blockingReason());  // the row itself is fine
    EXPECT_EQ(model->readyCount(), 0);
    EXPECT_FALSE(model->canEnqueue());
    EXPECT_EQ(model->enqueueReadyRows(), 0);
    EXPECT_EQ(consoleMessages().count(QStringLiteral("Could not enqueue clip.mov: ") + why), 1);

    // A new pattern (or folder, or an edit of the row) is tried again.
    model->setNamingPattern(QStringLiteral("{name}_new"));
    EXPECT_FALSE(model->blockingReason(row(QStringLiteral("clip.mov"))));
    EXPECT_EQ(model->readyCount(), 1);
    model->setNamingPattern(QStringLiteral("{name}"));
    EXPECT_EQ(model->enqueueReadyRows(), 0);
    model->setIncluded(row(QStringLiteral("clip.mov")).id, true);
    EXPECT_EQ(model->readyCount(), 1);
    model->setOutputFolder(QUrl::fromLocalFile(pathOf(QStringLiteral("elsewhere"))));
    QDir().mkpath(pathOf(QStringLiteral("elsewhere")));
    EXPECT_EQ(model->enqueueReadyRows(), 1);
}

// File names are at most 255 bytes: a longer output name is refused at enqueue
// instead of failing at Start.
TEST_F(EnqueueTest, OutputNamesOverTheFileSystemLimitAreRefused) {
    addAndAnalyse({movie(QStringLiteral("in/a.mov")), movie(QStringLiteral("in/b.mov"))});
    // "a" + 250 × "x" + ".mov" is 255 bytes; one more is too many.
    model->setNamingPattern(QStringLiteral("{name}") + QString(251, u'x'));
    EXPECT_EQ(model->enqueueReadyRows(), 0);
    EXPECT_EQ(model->blockingReason(row(QStringLiteral("a.mov"))),
              OutputNamer::errorDescription(OutputNamer::OutputNamerError::nameTooLong));
    EXPECT_TRUE(consoleMessages().last().startsWith(QStringLiteral("Could not enqueue b.mov: Output name is over 255 bytes")));
    EXPECT_EQ(model->queue().jobs().size(), 0);

    // Bytes, not characters: 125 × "é" is 250 bytes.
    model->setNamingPattern(QString(125, QChar(0xE9)) + QStringLiteral("{name}"));
    ASSERT_EQ(model->enqueueReadyRows(), 2);
    EXPECT_EQ(QFile::encodeName(model->queue().jobs().first().outputName()).size(), 255);

    // The numbered name of a taken one may not fit where the plain one did.
    addAndAnalyse({movie(QStringLiteral("in2/a.mov"))});
    EXPECT_EQ(model->enqueueReadyRows(), 0);
    EXPECT_EQ(model->blockingReason(row(QStringLiteral("a.mov"))),
              OutputNamer::errorDescription(OutputNamer::OutputNamerError::nameTooLong));
    EXPECT_EQ(model->queue().jobs().size(), 2);
}
