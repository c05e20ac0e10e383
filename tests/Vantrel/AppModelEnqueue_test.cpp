// Making correction jobs from the ready rows: output names, job fields, failures.
#include "AppModelTestSupport.h"

#include "Vantrel/Bookmarks.h"
#include "Vantrel/OutputNamer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>

using namespace appmodeltest;
using testsupport::writeFile;

namespace {

class AppModelEnqueueTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        out = pathOf(QStringLiteral("out"));
        QDir().mkpath(out);
    }

    void useOutputFolder() { model->setOutputFolder(QUrl::fromLocalFile(out)); }

    QStringList outputNames() const {
        QStringList names;
        for (const CorrectionJob& job : model->queue().jobs()) names << QFileInfo(job.outputPath).fileName();
        return names;
    }

    QStringList consoleMessages() const {
        QStringList messages;
        for (const QString& line : model->queue().logLines()) messages << line.section(QStringLiteral("] "), 1);
        return messages;
    }

    QString out;
};

}  // namespace

TEST_F(AppModelEnqueueTest, WithoutAnOutputFolderNothingHappens) {
    model->addSources({movie(QStringLiteral("a.mov"))});
    ASSERT_TRUE(allAnalysed());
    const QStringList consoleBefore = model->queue().logLines();
    EXPECT_EQ(model->enqueueReadyRows(), 0);
    EXPECT_EQ(model->sources().size(), 1);
    EXPECT_TRUE(model->queue().jobs().isEmpty());
    EXPECT_EQ(model->queue().logLines(), consoleBefore);
}

TEST_F(AppModelEnqueueTest, ReadyRowsBecomeJobsInListOrderAndLeaveTheList) {
    useOutputFolder();
    model->addSources({movie(QStringLiteral("a.mov")), movie(QStringLiteral("b.mov"), movieSpec(std::nullopt)),
                       movie(QStringLiteral("c.mov"))});
    ASSERT_TRUE(allAnalysed());
    const QStringList consoleBefore = model->queue().logLines();
    EXPECT_EQ(model->enqueueReadyRows(), 2);
    EXPECT_EQ(outputNames(), (QStringList{QStringLiteral("a_TC.mov"), QStringLiteral("c_TC.mov")}));
    EXPECT_EQ(rowNames(), QStringList{QStringLiteral("b.mov")});
    EXPECT_EQ(consoleMessages().mid(consoleBefore.size()),
              (QStringList{QStringLiteral("Added job: a.mov"), QStringLiteral("Added job: c.mov")}));
    // Nothing starts by itself, and the queue file has both jobs.
    EXPECT_FALSE(model->queue().isProcessing());
    QFile file(*model->queue().queueFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QJsonDocument::fromJson(file.readAll()).array().size(), 2);

    // No ready row left: nothing changes, not even the list.
    QSignalSpy changes(model.get(), &AppModel::sourcesChanged);
    EXPECT_EQ(model->enqueueReadyRows(), 0);
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(AppModelEnqueueTest, JobCarriesTheRowsTimecodeRateModeTierBytesAndBookmarks) {
    useOutputFolder();
    model->setVerifyTier(VerifyTier::thorough);
    const QUrl a = movie(QStringLiteral("in/a.mov"),
                         movieSpec(QStringLiteral("00:00:00;00"), QStringLiteral("2024-05-01T10:04:59.420+00:00"),
                                   QStringLiteral("30000/1001")));
    model->addSources({a});
    ASSERT_TRUE(allAnalysed());
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    ASSERT_EQ(model->enqueueReadyRows(), 1);

    const CorrectionJob job = model->queue().jobs().first();
    EXPECT_FALSE(job.id.isNull());
    EXPECT_EQ(job.sourcePath, a.toLocalFile());
    EXPECT_EQ(job.outputPath, out + QStringLiteral("/a_TC.mov"));
    // 0.42 s at 30 frames per label second is frame 12, with the drop-frame separator.
    EXPECT_EQ(job.assignedTimecodeString, QStringLiteral("10:04:59;12"));
    EXPECT_EQ(job.frameRate, (FrameRate{30000, 1001, 30, true}));
    EXPECT_EQ(job.fixMode, FixMode::creationTime);
    EXPECT_EQ(job.verifyTier, VerifyTier::thorough);
    EXPECT_GE(job.createdAt, before);
    EXPECT_LE(job.createdAt, QDateTime::currentDateTimeUtc());
    EXPECT_EQ(job.totalSourceBytes, QFileInfo(a.toLocalFile()).size());
    EXPECT_EQ(job.status, JobStatus::pending());
    EXPECT_EQ(job.progress, 0.0);
    EXPECT_FALSE(job.startedAt.has_value());
    EXPECT_FALSE(job.verification.has_value());
    ASSERT_TRUE(job.sourceBookmarkData.has_value());
    ASSERT_TRUE(job.outputBookmarkData.has_value());
    EXPECT_EQ(resolveBookmark(*job.sourceBookmarkData)->path, a.toLocalFile());
    EXPECT_EQ(resolveBookmark(*job.outputBookmarkData)->path, out);
}

TEST_F(AppModelEnqueueTest, ManualRowWithOverrideIsEnqueuedBeforeItsAnalysisEnds) {
    useOutputFolder();
    model->addSources({movie(QStringLiteral("a.mov"))});
    const QUuid id = model->sources()[0].id;
    model->setFixMode(id, FixMode::manual);
    timecode::Timecode::Components typed;
    typed.hours = 1;
    typed.minutes = 2;
    typed.seconds = 3;
    typed.frames = 29;  // beyond 24 fps: taken as typed
    model->setManualComponents(id, typed);
    model->setRateOverride(id, FrameRate::fromNominal(24, false));
    ASSERT_EQ(model->enqueueReadyRows(), 1);
    EXPECT_TRUE(model->sources().isEmpty());
    const CorrectionJob job = model->queue().jobs().first();
    EXPECT_EQ(job.frameRate, FrameRate::fromNominal(24, false));
    EXPECT_EQ(job.fixMode, FixMode::manual);
    EXPECT_EQ(job.assignedTimecodeString, QStringLiteral("01:02:03:29"));
    // The analysis that ends later finds no row to bring back.
    model->addSources({movie(QStringLiteral("b.mov"))});
    ASSERT_TRUE(allAnalysed());
    EXPECT_EQ(rowNames(), QStringList{QStringLiteral("b.mov")});
}

TEST_F(AppModelEnqueueTest, FreeNameStepsPastFilesAndFolders) {
    useOutputFolder();
    ASSERT_TRUE(writeFile(out + QStringLiteral("/clip_TC.mov"), "taken"));
    ASSERT_TRUE(QDir().mkpath(out + QStringLiteral("/clip_TC-2.mov")));
    model->addSources({movie(QStringLiteral("in/clip.mov"))});
    ASSERT_TRUE(allAnalysed());
    ASSERT_EQ(model->enqueueReadyRows(), 1);
    EXPECT_EQ(outputNames(), QStringList{QStringLiteral("clip_TC-3.mov")});
}

TEST_F(AppModelEnqueueTest, TwoJobsNeverShareAnOutputPath) {
    useOutputFolder();
    // Same file name in two folders, enqueued in one call.
    model->addSources({movie(QStringLiteral("card1/clip.mov")), movie(QStringLiteral("card2/clip.mov"))});
    ASSERT_TRUE(allAnalysed());
    ASSERT_EQ(model->enqueueReadyRows(), 2);
    // The same source again, while its first job still waits in the queue.
    model->addSources({QUrl::fromLocalFile(pathOf(QStringLiteral("card1/clip.mov")))});
    ASSERT_TRUE(allAnalysed());
    ASSERT_EQ(model->enqueueReadyRows(), 1);
    EXPECT_EQ(outputNames(),
              (QStringList{QStringLiteral("clip_TC.mov"), QStringLiteral("clip_TC-2.mov"), QStringLiteral("clip_TC-3.mov")}));
}

TEST_F(AppModelEnqueueTest, SourceAtTheFirstNameFailsAndTheOtherRowsGoOn) {
    useOutputFolder();
    model->setNamingPattern(QStringLiteral("{name}"));
    model->addSources({movie(QStringLiteral("out/clip.mov")), movie(QStringLiteral("in/other.mov"))});
    ASSERT_TRUE(allAnalysed());
    EXPECT_EQ(model->enqueueReadyRows(), 1);
    EXPECT_EQ(rowNames(), QStringList{QStringLiteral("clip.mov")});
    EXPECT_EQ(outputNames(), QStringList{QStringLiteral("other.mov")});
    const QStringList console = consoleMessages();
    ASSERT_GE(console.size(), 2);
    EXPECT_EQ(console[console.size() - 2], QStringLiteral("Could not enqueue clip.mov: ") +
                                               OutputNamer::errorDescription(OutputNamer::OutputNamerError::sameAsSource));
    EXPECT_EQ(console.last(), QStringLiteral("Added job: other.mov"));
}

TEST_F(AppModelEnqueueTest, SourceAtALaterNameIsPassedOverSilently) {
    useOutputFolder();
    model->setNamingPattern(QStringLiteral("take"));
    ASSERT_TRUE(writeFile(out + QStringLiteral("/take.mov"), "taken"));
    model->addSources({movie(QStringLiteral("out/take-2.mov"))});
    ASSERT_TRUE(allAnalysed());
    ASSERT_EQ(model->enqueueReadyRows(), 1);
    EXPECT_EQ(outputNames(), QStringList{QStringLiteral("take-3.mov")});
}

TEST_F(AppModelEnqueueTest, PatternsThatNameNoFileInTheFolderAreRefusedPerRow) {
    useOutputFolder();
    model->addSources({movie(QStringLiteral("in/a.mov")), movie(QStringLiteral("in/b.mov"))});
    ASSERT_TRUE(allAnalysed());
    for (const QString& pattern : {QString(), QStringLiteral(".mov"), QStringLiteral(".."), QStringLiteral("..MOV")}) {
        model->setNamingPattern(pattern);
        EXPECT_EQ(model->enqueueReadyRows(), 0) << pattern.toStdString();
        EXPECT_EQ(model->sources().size(), 2);
        EXPECT_TRUE(consoleMessages().last().startsWith(QStringLiteral("Could not enqueue b.mov: ")));
    }
    // A pattern that climbs out of the folder stays inside it.
    model->setNamingPattern(QStringLiteral("../../{name}"));
    ASSERT_EQ(model->enqueueReadyRows(), 2);
    for (const CorrectionJob& job : model->queue().jobs()) EXPECT_EQ(QFileInfo(job.outputPath).path(), out);
}

TEST_F(AppModelEnqueueTest, SourceGoneAfterAnalysisGivesAJobWithoutBytesOrSourceBookmark) {
    useOutputFolder();
    const QUrl a = movie(QStringLiteral("in/a.mov"));
    model->addSources({a});
    ASSERT_TRUE(allAnalysed());
    ASSERT_TRUE(QFile::remove(a.toLocalFile()));
    ASSERT_EQ(model->enqueueReadyRows(), 1);
    const CorrectionJob job = model->queue().jobs().first();
    EXPECT_FALSE(job.totalSourceBytes.has_value());
    EXPECT_FALSE(job.sourceBookmarkData.has_value());
    EXPECT_TRUE(job.outputBookmarkData.has_value());
    EXPECT_EQ(job.outputPath, out + QStringLiteral("/a_TC.mov"));
}

TEST_F(AppModelEnqueueTest, DateTokenIsTheDayOfEnqueueing) {
    useOutputFolder();
    model->setNamingPattern(QStringLiteral("{date}_{name}_{tc}"));
    model->addSources({movie(QStringLiteral("in/a.mov"))});
    ASSERT_TRUE(allAnalysed());
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    ASSERT_EQ(model->enqueueReadyRows(), 1);
    EXPECT_EQ(outputNames(), QStringList{today + QStringLiteral("_a_10-00-00-00.mov")});
}
