// The whole correction without a window: real movies, the real runner and
// verifier, the queue file on disk, and a process killed in the middle of a run.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "QueueTestSupport.h"
#include "TestMedia.h"
#include "Vantrel/queue/Bookmarks.h"
#include "Vantrel/queue/FFmpegCorrectionRunner.h"
#include "Vantrel/queue/FFmpegOutputVerifier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <cstdio>

#include <unistd.h>

using namespace queuetest;
using testsupport::makeMovie;
using testsupport::makeTestFolder;
using testsupport::probeTimecode;
using testsupport::sha256OfFile;

namespace {

struct Source {
    QString name;
    QString rate;        // as ffmpeg takes it
    QString timecode;    // what the camera wrote
    QString assigned;    // what the job writes
    VerifyTier tier;
};

const QList<Source> sources{
    {"A001 25.mov", "25", "10:00:00:00", "01:02:03:04", VerifyTier::standard},
    {"A002 23976.mov", "24000/1001", "00:00:00:00", "12:34:56:07", VerifyTier::thorough},
    {"A003 2997DF.mov", "30000/1001", "10:00:00;02", "01:23:45;12", VerifyTier::standard},
    {"A004 5994DF.mov", "60000/1001", "00:00:00;00", "02:03:04;05", VerifyTier::thorough},
    {"A005 25.mp4", "25", "10:00:00:00", "05:06:07:08", VerifyTier::standard},
};

std::shared_ptr<CorrectionRunning> realRunner() { return FFmpegCorrectionRunner::make(); }
std::shared_ptr<OutputVerifying> realVerifier() { return std::make_shared<FFmpegOutputVerifier>(); }

// A job as the window model makes one: the rate read from the source's timecode
// track, bookmarks of the source and the output folder, the source's size.
CorrectionJob jobFor(const QString& sourcePath, const QString& outputFolder, const QString& assigned, VerifyTier tier) {
    const auto reading = std::get<vantrel::TimecodeTrackReading>(SourceTimecodeReader::readTimecodeNow(sourcePath));
    CorrectionJob job;
    job.id = QUuid::createUuid();
    job.sourcePath = sourcePath;
    job.outputPath = outputFolder + QLatin1Char('/') + QFileInfo(sourcePath).completeBaseName() + QStringLiteral("_TC.mov");
    job.assignedTimecodeString = assigned;
    job.frameRate = FrameRate::fromNominal(reading.frameQuanta, reading.isDropFrame);
    job.fixMode = FixMode::manual;
    job.verifyTier = tier;
    job.createdAt = QDateTime::currentDateTimeUtc();
    job.totalSourceBytes = QFileInfo(sourcePath).size();
    job.sourceBookmarkData = makeBookmark(sourcePath);
    job.outputBookmarkData = makeBookmark(outputFolder);
    return job;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        folder = makeTestFolder(QStringLiteral("end-to-end"));
        storage = folder + QStringLiteral("/storage");
        output = folder + QStringLiteral("/out");
        QDir().mkpath(output);
    }
    void TearDown() override {
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    QString makeSource(const Source& source, double seconds = 1.0) {
        testsupport::MovieRecipe recipe;
        recipe.rate = source.rate;
        recipe.seconds = seconds;
        recipe.timecode = source.timecode;
        recipe.audio = true;
        const QString path = folder + QStringLiteral("/cards/") + source.name;
        QString error;
        EXPECT_TRUE(makeMovie(path, recipe, &error)) << error.toStdString();
        return path;
    }

    QJsonArray queueFile() const {
        QFile file(storage + QStringLiteral("/queue.json"));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(file.readAll()).array();
    }

    bool runQueue(CorrectionQueue& queue, int timeoutMs = 300000) {
        queue.start();
        return waitFor([&] { return queue.isProcessing(); }, 5000) &&
               waitFor([&] { return !queue.isProcessing(); }, timeoutMs);
    }

    QString folder, storage, output;
};

// Only the console lines the queue writes itself, in order (the tool's own lines dropped).
QStringList queueLines(const CorrectionQueue& queue) {
    static const QStringList prefixes{"Added job: ", "=== ", "--- Starting: ", "Verifying (", "VERIFY ", "SUCCESS: ",
                                      "FAILED", "Cancelled", "Restored "};
    QStringList lines;
    for (const QString& line : messages(queue)) {
        for (const QString& prefix : prefixes) {
            if (line.startsWith(prefix)) {
                lines << line;
                break;
            }
        }
    }
    return lines;
}

// Whether a process of the group is still alive (a zombie can no longer write).
bool hasLiveProcessInGroup(pid_t group) {
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!entry.front().isDigit() || !stat.open(QIODevice::ReadOnly)) continue;
        // After the command's closing parenthesis: state, parent, group.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields[2].toLongLong() == group && fields[0] != "Z" && fields[0] != "X") return true;
    }
    return false;
}

}  // namespace

TEST_F(EndToEnd, EveryJobEndsCompletedWithTheNewTimecode) {
    QMap<QString, QString> hashes;
    QList<CorrectionJob> jobs;
    for (const auto& source : sources) {
        const QString path = makeSource(source);
        hashes[path] = sha256OfFile(path);
        jobs << jobFor(path, output, source.assigned, source.tier);
    }
    ASSERT_FALSE(HasFailure());

    CorrectionQueue queue(realRunner(), realVerifier(), storage);
    for (const auto& job : jobs) queue.enqueue(job);
    ASSERT_TRUE(runQueue(queue));

    QStringList expected;
    for (const auto& job : jobs) expected << "Added job: " + job.sourceName();
    expected << "=== Queue processing started ===";
    for (const auto& job : jobs) {
        const QString name = job.sourceName();
        expected << QStringLiteral("--- Starting: %1 → %2 ---").arg(name, job.outputName())
                 << QStringLiteral("Verifying (%1): %2").arg(job.verifyTier == VerifyTier::thorough ? "Thorough" : "Standard", name)
                 << "VERIFY ✓: " + name << "SUCCESS: " + name;
    }
    expected << "=== Queue processing complete ===";
    EXPECT_EQ(queueLines(queue), expected);

    for (qsizetype i = 0; i < jobs.size(); ++i) {
        const auto& job = queue.jobs()[i];
        SCOPED_TRACE(job.sourceName().toStdString());
        EXPECT_EQ(job.status, JobStatus::completed());
        EXPECT_EQ(job.progress, 1.0);
        ASSERT_TRUE(job.verification);
        EXPECT_EQ(job.verification->tier, sources[i].tier);
        EXPECT_EQ(job.verification->outcome(), VerificationResult::Outcome::clean) << job.verification->summary().toStdString();
        // An .mp4 source gets one container note per stream instead of two packet checks.
        const int packetChecks = job.sourcePath.endsWith(QStringLiteral(".mov")) ? 4 : 2;
        EXPECT_EQ(job.verification->checks.size(), 6 + packetChecks + (sources[i].tier == VerifyTier::thorough ? 2 : 0));
        EXPECT_EQ(probeTimecode(job.outputPath), sources[i].assigned);
        EXPECT_EQ(sha256OfFile(job.sourcePath), hashes[job.sourcePath]);  // sources are never touched
    }
    EXPECT_EQ(queue.doneCount(), sources.size());
    EXPECT_EQ(QDir(output).entryList(QDir::Files | QDir::Hidden).size(), sources.size());  // no partial files left
    EXPECT_TRUE(queue.accessedSecurityScopedResources().isEmpty());
    EXPECT_GT(queue.sessionBytesDone(), 0);

    const QJsonArray saved = queueFile();
    ASSERT_EQ(saved.size(), sources.size());
    for (const QJsonValue& value : saved) {
        const QJsonObject object = value.toObject();
        EXPECT_EQ(object.value("status").toObject(), (QJsonObject{{"type", "completed"}}));
        EXPECT_EQ(object.value("progress").toDouble(), 1.0);
        EXPECT_TRUE(object.value("startedAt").toString().endsWith('Z'));
        EXPECT_EQ(object.value("verification").toObject().keys(), (QStringList{"checks", "duration", "tier", "verifiedAt"}));
        EXPECT_FALSE(object.contains("verificationProgress"));
    }

    // A later launch drops the completed jobs and says nothing.
    CorrectionQueue relaunched(realRunner(), realVerifier(), storage);
    EXPECT_TRUE(relaunched.jobs().isEmpty());
    EXPECT_TRUE(relaunched.logLines().isEmpty());
}

// Runs as a child process: processes the queue in the given folder, printing each
// console line, until it is killed or the queue is done.
TEST(QueueChild, ProcessesTheQueueInItsFolder) {
    const QString storage = qEnvironmentVariable("VANTREL_QUEUE_CHILD_STORAGE");
    if (storage.isEmpty()) GTEST_SKIP() << "only runs as the child of the kill test";
    ensureApplication();
    CorrectionQueue queue(realRunner(), realVerifier(), storage);
    QObject::connect(&queue, &CorrectionQueue::logLineAdded, [](const QString& line) {
        std::printf("%s\n", line.toUtf8().constData());
        std::fflush(stdout);
        if (line == qEnvironmentVariable("VANTREL_QUEUE_CHILD_HOLD_AT")) ::raise(SIGSTOP);
    });
    queue.start();
    waitFor([&] { return queue.isProcessing(); }, 5000);
    waitFor([&] { return !queue.isProcessing(); }, 300000);
}

TEST_F(EndToEnd, AProcessKilledMidRunRestoresWithNothingLost) {
    QList<CorrectionJob> jobs;
    QMap<QString, QString> hashes;
    for (int i = 0; i < 3; ++i) {
        Source source = sources[0];
        source.name = QStringLiteral("K%1.mov").arg(i);
        const QString path = makeSource(source, 4);
        hashes[path] = sha256OfFile(path);
        jobs << jobFor(path, output, QStringLiteral("0%1:00:00:00").arg(i + 1), VerifyTier::thorough);
    }
    {
        CorrectionQueue setup(realRunner(), realVerifier(), storage);
        for (const auto& job : jobs) setup.enqueue(job);
    }

    // The child leads a process group of its own, so that the tools it has started
    // can be found: they must end with it, as a tool left running could still write
    // a partial file after the restored run has cleared the folder. The child holds
    // still once the second job's checks begin, and is killed there: that job is
    // mid-processing, its partial file written.
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VANTREL_QUEUE_CHILD_STORAGE"), storage);
    environment.insert(QStringLiteral("VANTREL_QUEUE_CHILD_HOLD_AT"), "Verifying (Thorough): " + jobs[1].sourceName());
    child.setProcessEnvironment(environment);
    child.setChildProcessModifier([] { ::setpgid(0, 0); });
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=QueueChild.*")});
    ASSERT_TRUE(child.waitForStarted());
    QByteArray seen;
    const QByteArray marker = "Verifying (Thorough): " + jobs[1].sourceName().toUtf8();
    while (!seen.contains(marker) && child.state() == QProcess::Running) {
        child.waitForReadyRead(1000);
        seen += child.readAllStandardOutput();
    }
    ASSERT_TRUE(seen.contains(marker)) << seen.toStdString();
    const pid_t group = pid_t(child.processId());
    ASSERT_GT(group, 1);
    ::kill(group, SIGKILL);  // the child alone
    child.waitForFinished();
    ASSERT_TRUE(waitFor([&] { return !hasLiveProcessInGroup(group); }, 60000));

    // The file holds every job: the first completed, the rest as last saved.
    const QJsonArray saved = queueFile();
    ASSERT_EQ(saved.size(), jobs.size());
    EXPECT_EQ(saved[0].toObject().value("status").toObject().value("type").toString(), QStringLiteral("completed"));

    CorrectionQueue restored(realRunner(), realVerifier(), storage);
    ASSERT_EQ(restored.jobs().size(), 2);
    for (const auto& job : restored.jobs()) {
        EXPECT_EQ(job.status, JobStatus::pending());
        EXPECT_EQ(job.progress, 0);
    }
    EXPECT_EQ(messages(restored), QStringList{QStringLiteral("Restored 2 job(s) from previous session")});
    // The killed run's partial file, which its job recorded, went with the restore.
    restored.waitForSaves();
    EXPECT_EQ(QDir(output).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(jobs[0].outputPath).fileName()});
    ASSERT_TRUE(runQueue(restored));
    for (const auto& job : jobs) {
        EXPECT_EQ(probeTimecode(job.outputPath), job.assignedTimecodeString) << job.sourceName().toStdString();
        EXPECT_EQ(sha256OfFile(job.sourcePath), hashes[job.sourcePath]);
    }
    EXPECT_EQ(restored.doneCount(), 2);
    // Nothing else was left when the jobs ran again.
    EXPECT_EQ(QDir(output).entryList(QDir::Files | QDir::Hidden).size(), jobs.size());
}

// The thorough tier takes over the standard measurements: each file is listed by
// ffprobe once, and each of the three ffmpeg checks runs once.
TEST_F(EndToEnd, AThoroughVerificationRunsEachToolOnce) {
    const QString helpers = folder + QStringLiteral("/counting-helpers");
    const QString runs = folder + QStringLiteral("/runs.txt");
    for (const auto tool : {BundledToolResolver::Tool::ffmpeg, BundledToolResolver::Tool::ffprobe}) {
        const QString name = BundledToolResolver::rawValue(tool);
        const auto real = BundledToolResolver().resolve(tool);
        ASSERT_TRUE(real);
        const QString script = QStringLiteral("#!/bin/sh\nfor last; do :; done\necho \"%1 $last\" >> '%2'\nexec '%3' \"$@\"\n")
                                   .arg(name, runs, *real);
        ASSERT_TRUE(testsupport::writeFile(helpers + QLatin1Char('/') + name, script.toUtf8()));
        QFile::setPermissions(helpers + QLatin1Char('/') + name, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const BundledToolResolver counting(BundledToolResolver::SearchList{helpers, {}});
    const QString source = makeSource(sources[1]);
    const auto job = jobFor(source, output, sources[1].assigned, VerifyTier::thorough);

    CorrectionQueue queue(realRunner(), std::make_shared<FFmpegOutputVerifier>(std::make_shared<SourceTimecodeReader>(), counting),
                          storage);
    queue.enqueue(job);
    ASSERT_TRUE(runQueue(queue));
    ASSERT_EQ(queue.jobs().first().status, JobStatus::completed());

    QFile log(runs);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    static const QRegularExpression hashRun(QStringLiteral("^ffmpeg .*/vantrel-streamhash-[0-9A-F-]+\\.txt$"));
    // The output is checked before it takes its name, as its partial file.
    static const QRegularExpression partialTag(QStringLiteral("\\.partial-[0-9A-F]{8}\\.mov$"));
    for (QString& line : lines) line.replace(hashRun, QStringLiteral("ffmpeg hash")).replace(partialTag, QStringLiteral(".partial.mov"));
    const QString partial = QFileInfo(job.outputPath).dir().filePath("." + QFileInfo(job.outputPath).completeBaseName() + ".partial.mov");
    QStringList expected{"ffmpeg -", "ffmpeg hash", "ffmpeg hash", "ffprobe " + partial, "ffprobe " + source};
    lines.sort();
    expected.sort();
    EXPECT_EQ(lines, expected);
}

// A movie with a cover picture: its .mov output cannot hold the picture. At either
// tier the job is completed but flagged, with the lost stream named, although the
// first video and audio streams hash the same as the source's.
TEST_F(EndToEnd, AnOutputWithoutTheSourcesCoverPictureIsFlaggedAtEitherTier) {
    testsupport::MovieRecipe recipe;
    recipe.audio = true;
    recipe.timecode = QStringLiteral("10:00:00:00");
    recipe.coverPicture = true;
    QList<CorrectionJob> jobs;
    for (const VerifyTier tier : {VerifyTier::standard, VerifyTier::thorough}) {
        const QString path = folder + QStringLiteral("/cards/cover %1.mp4").arg(verifyTierRawValue(tier));
        QString error;
        ASSERT_TRUE(makeMovie(path, recipe, &error)) << error.toStdString();
        jobs << jobFor(path, output, QStringLiteral("01:00:00:00"), tier);
    }
    CorrectionQueue queue(realRunner(), realVerifier(), storage);
    for (const auto& job : jobs) queue.enqueue(job);
    ASSERT_TRUE(runQueue(queue));

    for (qsizetype i = 0; i < jobs.size(); ++i) {
        const CorrectionJob& job = queue.jobs()[i];
        SCOPED_TRACE(job.sourceName().toStdString());
        EXPECT_EQ(job.status, JobStatus::completed()) << job.status.errorMessage.toStdString();
        ASSERT_TRUE(job.verification);
        EXPECT_EQ(job.verification->tier, jobs[i].verifyTier);  // a standard job escalated keeps its tier
        EXPECT_EQ(job.verification->outcome(), VerificationResult::Outcome::warnings);
        EXPECT_TRUE(job.verification->summary().endsWith(
            QStringLiteral("\nOutput lacks the source's stream #4 (cover picture png) — the cover picture was not carried across.")))
            << job.verification->summary().toStdString();
        const auto hash = std::find_if(job.verification->checks.cbegin(), job.verification->checks.cend(),
                                       [](const auto& check) { return check.kind == VerificationCheck::Kind::streamHash; });
        ASSERT_NE(hash, job.verification->checks.cend());
        EXPECT_EQ(hash->detail, QStringLiteral("Media streams are bit-identical to the source."));
        EXPECT_TRUE(messages(queue).contains(QStringLiteral("VERIFY ⚠: ") + job.sourceName()));
    }
    EXPECT_EQ(queue.flaggedCount(), jobs.size());
}
