// The main road without a window: a folder of generated movies is added to the
// window model, analysed, turned into jobs, and the queue corrects and verifies
// them with the real tools.
#include "AppModelTestSupport.h"

#include "Vantrel/FFmpegCorrectionRunner.h"
#include "Vantrel/FFmpegOutputVerifier.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>

using namespace appmodeltest;
using testsupport::probeTimecode;
using testsupport::sha256OfFile;
using testsupport::writeFile;

namespace {

// The time of day of an instant in the system zone as a timecode at a whole
// label rate, with the drop-frame separator when asked.
QString timeOfDay(const QDateTime& instant, int labelRate, bool drop) {
    const QTime time = instant.toLocalTime().time();
    return QStringLiteral("%1:%2:%3%4%5")
        .arg(time.hour(), 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'))
        .arg(drop ? QLatin1Char(';') : QLatin1Char(':'))
        .arg(time.msec() * labelRate / 1000, 2, 10, QLatin1Char('0'));
}

class AppModelEndToEnd : public ModelTest {
protected:
    std::unique_ptr<AppModel> makeRealModel() {
        auto* queue = new CorrectionQueue(FFmpegCorrectionRunner::make(), std::make_shared<FFmpegOutputVerifier>(),
                                          folder + QStringLiteral("/storage"));
        return std::make_unique<AppModel>(queue);
    }
};

}  // namespace

TEST_F(AppModelEndToEnd, ReadyMoviesGetVerifiedOutputsWithTheirTimeOfDay) {
    model = makeRealModel();
    const QString in = pathOf(QStringLiteral("card"));
    const QString out = pathOf(QStringLiteral("out"));
    QDir().mkpath(out);

    auto spec = [](const char* rate, std::optional<QString> timecode, std::optional<QString> date, bool audio) {
        testsupport::MovieSpec s = movieSpec(std::move(timecode), std::move(date), QLatin1String(rate));
        s.audio = audio;
        return s;
    };
    movie(QStringLiteral("card/A001.mov"),
          spec("25", QStringLiteral("01:00:00:00"), QStringLiteral("2024-05-01T14:22:33.480+02:00"), true));
    movie(QStringLiteral("card/A002.mov"),
          spec("30000/1001", QStringLiteral("00:00:00;00"), QStringLiteral("2024-05-01T09:10:11.500Z"), false));
    movie(QStringLiteral("card/day2/A003.mp4"),
          spec("50", QStringLiteral("23:00:00:00"), QStringLiteral("2024-05-02T23:59:59.990-05:00"), true));
    // No creation-date item: the file's own creation time is used.
    movie(QStringLiteral("card/A004 no date.mov"), spec("25", QStringLiteral("00:00:00:00"), std::nullopt, false));
    // Not ready: no timecode track, so no rate; and a file that is no movie at all.
    movie(QStringLiteral("card/A005 no tc.mov"),
          spec("25", std::nullopt, QStringLiteral("2024-05-01T08:00:00Z"), false));
    ASSERT_TRUE(writeFile(in + QStringLiteral("/A006 broken.mov"), QByteArray(4096, 'x')));
    ASSERT_TRUE(writeFile(in + QStringLiteral("/notes.txt"), "not a movie"));

    QMap<QString, QString> hashes;
    for (const QUrl& url : AppModel::videoFiles(QUrl::fromLocalFile(in))) {
        hashes.insert(url.toLocalFile(), sha256OfFile(url.toLocalFile()));
    }
    ASSERT_EQ(hashes.size(), 6);

    model->setOutputFolder(QUrl::fromLocalFile(out));
    model->addSources(AppModel::videoFiles(QUrl::fromLocalFile(in)));
    ASSERT_TRUE(allAnalysed());
    EXPECT_EQ(model->readyCount(), 4);
    ASSERT_TRUE(model->canEnqueue());

    const QString noDatePath = in + QStringLiteral("/A004 no date.mov");
    const QMap<QString, QString> expected{
        {QStringLiteral("A001.mov"), QStringLiteral("14:22:33:12")},
        {QStringLiteral("A002.mov"), QStringLiteral("09:10:11;15")},
        {QStringLiteral("A003.mp4"), QStringLiteral("23:59:59:49")},
        {QStringLiteral("A004 no date.mov"), timeOfDay(QFileInfo(noDatePath).birthTime(), 25, false)},
    };

    ASSERT_EQ(model->enqueueReadyRows(), 4);
    EXPECT_FALSE(model->queue().isProcessing());
    ASSERT_EQ(model->sources().size(), 2);
    for (const SourceItem& row : model->sources()) {
        EXPECT_EQ(row.blockingReason(), QStringLiteral("Unknown frame rate — set fps")) << row.url.toString().toStdString();
    }

    model->queue().start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->queue().isProcessing(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->queue().isProcessing(); }, 300000));

    ASSERT_EQ(model->queue().jobs().size(), 4);
    for (const CorrectionJob& job : model->queue().jobs()) {
        SCOPED_TRACE(job.sourceName().toStdString());
        EXPECT_EQ(job.status, JobStatus::completed()) << job.status.errorMessage.toStdString();
        ASSERT_TRUE(job.verification.has_value());
        for (const VerificationCheck& check : job.verification->checks) {
            EXPECT_TRUE(check.severity == CheckSeverity::pass || check.severity == CheckSeverity::info)
                << check.label.toStdString() << ": " << check.detail.toStdString();
        }
        EXPECT_EQ(job.assignedTimecodeString, expected.value(job.sourceName()));
        EXPECT_EQ(probeTimecode(job.outputPath), job.assignedTimecodeString);
        EXPECT_EQ(QFileInfo(job.outputPath).path(), out);
    }
    EXPECT_EQ(model->queue().doneCount(), 4);
    // The unready rows are still listed, and no source was touched.
    EXPECT_EQ(rowNames(), (QStringList{QStringLiteral("A005 no tc.mov"), QStringLiteral("A006 broken.mov")}));
    for (auto it = hashes.cbegin(); it != hashes.cend(); ++it) EXPECT_EQ(sha256OfFile(it.key()), it.value()) << it.key().toStdString();

    QFile queueFile(*model->queue().queueFilePath());
    ASSERT_TRUE(queueFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(QJsonDocument::fromJson(queueFile.readAll()).array().size(), 4);
}
