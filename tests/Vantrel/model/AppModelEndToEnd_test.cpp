// The main road without a window: a folder of generated movies is added to the
// window model, analysed, turned into jobs, and the queue corrects and verifies
// them with the real tools.
#include "AppModelTestSupport.h"

#include "Vantrel/queue/FFmpegCorrectionRunner.h"
#include "Vantrel/queue/FFmpegOutputVerifier.h"

#include <QMap>

using namespace appmodeltest;
using testsupport::sha256OfFile;

TEST_F(ModelTest, EndToEndReadyMoviesGetVerifiedOutputsWithTheirTimeOfDay) {
    model = std::make_unique<AppModel>(new CorrectionQueue(FFmpegCorrectionRunner::make(),
                                                           std::make_shared<FFmpegOutputVerifier>(),
                                                           pathOf(QStringLiteral("storage2"))));
    const auto recipe = [](const char* rate, std::optional<QString> timecode, std::optional<QString> date) {
        testsupport::MovieSpec s = movieSpec(std::move(timecode), std::move(date), QLatin1String(rate));
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
