// Queue state, console, commands, and the queue file with its restore rules.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "QueueTestSupport.h"
#include "TestMedia.h"
#include "Vantrel/queue/Bookmarks.h"
#include "Vantrel/queue/QueueFile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScopeGuard>
#include <QSignalSpy>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <unistd.h>

using namespace queuetest;
using testsupport::makeTestFolder;
using testsupport::writeFile;

namespace {

class QueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        folder = makeTestFolder(QStringLiteral("queue"));
    }
    void TearDown() override {
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    std::unique_ptr<CorrectionQueue> makeQueue() {
        return std::make_unique<CorrectionQueue>(runner, verifier, folder);
    }

    QString queueFile() const { return folder + QStringLiteral("/queue.json"); }

    QJsonArray savedJobs() const {
        QFile file(queueFile());
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(file.readAll()).array();
    }

    CorrectionJob job(const QString& name, JobStatus status = JobStatus::pending()) {
        auto j = makeJob(folder + QStringLiteral("/src/") + name, folder + QStringLiteral("/out/") + name + "_TC.mov");
        j.status = status;
        return j;
    }

    void writeQueueFile(const QList<CorrectionJob>& jobs) {
        QJsonArray array;
        for (const auto& j : jobs) array.append(j.toJson());
        ASSERT_TRUE(writeFile(queueFile(), QJsonDocument(array).toJson()));
    }

    QString folder;
    std::shared_ptr<FakeRunner> runner = std::make_shared<FakeRunner>();
    std::shared_ptr<FakeVerifier> verifier = std::make_shared<FakeVerifier>();
};

}  // namespace

TEST_F(QueueTest, ConsoleKeepsTheNewestFiveThousandLines) {
    auto queue = makeQueue();
    for (int i = 1; i <= 5001; ++i) queue->log(QString::number(i));
    ASSERT_EQ(queue->logLines().size(), 5000);
    EXPECT_TRUE(queue->logLines().first().endsWith(QStringLiteral("] 2")));
    for (int i = 5002; i <= 6000; ++i) queue->log(QString::number(i));
    EXPECT_TRUE(queue->logLines().first().endsWith(QStringLiteral("] 1001")));
    EXPECT_TRUE(queue->logLines().last().endsWith(QStringLiteral("] 6000")));
    EXPECT_TRUE(queue->logLines().last().startsWith(QLatin1Char('[')));

    QSignalSpy cleared(queue.get(), &CorrectionQueue::logCleared);
    queue->clearLog();
    queue->clearLog();  // already empty: no announcement
    EXPECT_TRUE(queue->logLines().isEmpty());
    EXPECT_EQ(cleared.count(), 1);
}

TEST_F(QueueTest, EnqueueRemoveRetryAndClear) {
    auto queue = makeQueue();
    EXPECT_TRUE(queue->logLines().isEmpty());
    EXPECT_FALSE(QFile::exists(queueFile()));  // the first launch writes nothing

    const auto a = job(QStringLiteral("a.mov"));
    queue->enqueue(a);
    queue->enqueue(a);  // no duplicate check
    EXPECT_EQ(queue->jobs().size(), 2);
    EXPECT_EQ(savedJobs().size(), 2);
    EXPECT_EQ(messages(*queue), (QStringList{"Added job: a.mov", "Added job: a.mov"}));

    auto failed = job(QStringLiteral("f.mov"), JobStatus::failed(QStringLiteral("boom")));
    failed.verification = resultOf(VerifyTier::standard, {CheckSeverity::fail});
    failed.startedAt = QDateTime::currentDateTimeUtc();
    failed.progress = 0.7;
    const auto completed = job(QStringLiteral("c.mov"), JobStatus::completed());
    const auto active = job(QStringLiteral("r.mov"), JobStatus::active());
    for (const auto& j : {failed, completed, active}) queue->enqueue(j);
    const int lines = queue->logLines().size();

    queue->retryJob(completed.id);  // only failed or cancelled jobs are retried
    queue->removeJob(active.id);    // a running job stays, without a word
    queue->removeJob(QUuid::createUuid());
    EXPECT_EQ(queue->logLines().size(), lines);
    EXPECT_EQ(queue->jobs().size(), 5);

    queue->retryJob(failed.id);
    const auto& retried = queue->jobs()[*queue->indexOfJob(failed.id)];
    EXPECT_EQ(retried.status, JobStatus::pending());
    EXPECT_EQ(retried.progress, 0);
    EXPECT_TRUE(retried.verification && retried.startedAt);  // nothing else is cleared
    EXPECT_EQ(messages(*queue).last(), QStringLiteral("Retrying job: f.mov"));

    queue->removeJob(failed.id);
    EXPECT_FALSE(queue->indexOfJob(failed.id));
    EXPECT_EQ(messages(*queue).last(), QStringLiteral("Removed job: f.mov"));

    queue->clearFinished();  // the completed job goes; pending and running stay in order
    EXPECT_EQ(messages(*queue).last(), QStringLiteral("Cleared finished jobs"));
    ASSERT_EQ(queue->jobs().size(), 3);
    EXPECT_EQ(queue->jobs()[2].id, active.id);
    const int before = queue->logLines().size();
    queue->clearFinished();
    EXPECT_EQ(queue->logLines().size(), before);

    queue->clearQueue();
    EXPECT_TRUE(queue->jobs().isEmpty());
    EXPECT_EQ(messages(*queue).last(), QStringLiteral("Cleared queue"));
    queue->waitForSaves();  // only enqueue waits for its save
    QFile file(queueFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().simplified(), QByteArray("[ ]"));  // an empty queue is still an array
    file.close();

    // Nothing to clear: no line, no save.
    ASSERT_TRUE(QFile::remove(queueFile()));
    queue->clearQueue();
    EXPECT_FALSE(QFile::exists(queueFile()));
    EXPECT_EQ(messages(*queue).last(), QStringLiteral("Cleared queue"));
}

TEST_F(QueueTest, CountersFollowStatusAndOutcome) {
    auto queue = makeQueue();
    auto withOutcome = [&](const QString& name, JobStatus status, std::optional<CheckSeverity> worst) {
        auto j = job(name, status);
        if (worst) j.verification = resultOf(VerifyTier::standard, {CheckSeverity::pass, *worst});
        queue->enqueue(j);
    };
    withOutcome("done-unverified.mov", JobStatus::completed(), std::nullopt);
    withOutcome("done-clean.mov", JobStatus::completed(), CheckSeverity::info);
    withOutcome("flagged.mov", JobStatus::completed(), CheckSeverity::warning);
    withOutcome("completed-but-failed.mov", JobStatus::completed(), CheckSeverity::fail);
    withOutcome("pending.mov", JobStatus::pending(), std::nullopt);
    withOutcome("failed.mov", JobStatus::failed("x"), std::nullopt);
    withOutcome("cancelled.mov", JobStatus::cancelled(), std::nullopt);
    withOutcome("preparing.mov", JobStatus::preparing(), std::nullopt);
    EXPECT_EQ(queue->doneCount(), 2);
    EXPECT_EQ(queue->flaggedCount(), 1);
    EXPECT_EQ(queue->pendingCount(), 1);
    EXPECT_EQ(queue->failedCount(), 1);
    EXPECT_EQ(queue->cancelledCount(), 1);
    ASSERT_TRUE(queue->activeJob());
    EXPECT_EQ(queue->activeJob()->sourceName(), QStringLiteral("preparing.mov"));
    EXPECT_FALSE(queue->estimatedTimeRemaining());  // not processing
    queue->cancelCurrentJob();                       // no current job: nothing
    EXPECT_EQ(runner->cancels, 0);
}

TEST(QueueEstimate, FromThroughputOrTheDefaultRate) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    auto job = [](JobStatus status, std::optional<qint64> bytes, double progress = 0) {
        auto j = makeJob("/a.mov", "/b.mov");
        j.status = status;
        j.totalSourceBytes = bytes;
        j.progress = progress;
        return j;
    };
    // Before any job finished: 150,000,000 bytes per second.
    auto running = job(JobStatus::active(), 150'000'000);
    running.startedAt = now;
    const QList<CorrectionJob> jobs{running, job(JobStatus::pending(), 300'000'000),
                                    job(JobStatus::pending(), std::nullopt), job(JobStatus::completed(), 999)};
    EXPECT_DOUBLE_EQ(*CorrectionQueue::estimateRemaining(jobs, true, 0, 0, now), 3.0);
    EXPECT_FALSE(CorrectionQueue::estimateRemaining(jobs, false, 0, 0, now));
    // With measured throughput: 100 bytes per second.
    EXPECT_DOUBLE_EQ(*CorrectionQueue::estimateRemaining({job(JobStatus::pending(), 1000)}, true, 500, 5, now), 10.0);
    // Finished corrections that counted time but no bytes keep the default rate.
    EXPECT_DOUBLE_EQ(*CorrectionQueue::estimateRemaining({job(JobStatus::pending(), 300'000'000)}, true, 0, 5, now), 2.0);

    // A running job past 3 % extrapolates from its own elapsed time.
    auto halfway = job(JobStatus::active(), std::nullopt, 0.5);
    halfway.startedAt = now.addSecs(-60);
    EXPECT_NEAR(*CorrectionQueue::estimateRemaining({halfway}, true, 0, 0, now), 60.0, 1e-9);
    // Nothing known about the running job and nothing pending: no estimate.
    EXPECT_FALSE(CorrectionQueue::estimateRemaining({job(JobStatus::active(), std::nullopt)}, true, 0, 0, now));
}

TEST_F(QueueTest, RestoreDropsFinishedJobsAndResetsInterruptedOnes) {
    auto active = job(QStringLiteral("active.mov"), JobStatus::active());
    active.progress = 0.4;
    auto preparing = job(QStringLiteral("preparing.mov"), JobStatus::preparing());
    writeQueueFile({job(QStringLiteral("done.mov"), JobStatus::completed()), job(QStringLiteral("x.mov"), JobStatus::cancelled()),
                    active, job(QStringLiteral("pending.mov")), preparing,
                    job(QStringLiteral("failed.mov"), JobStatus::failed(QStringLiteral("kept")))});
    auto queue = makeQueue();
    ASSERT_EQ(queue->jobs().size(), 4);
    EXPECT_EQ(queue->jobs()[0].sourceName(), QStringLiteral("active.mov"));
    EXPECT_EQ(queue->jobs()[0].status, JobStatus::pending());
    EXPECT_EQ(queue->jobs()[0].progress, 0);
    EXPECT_EQ(queue->jobs()[2].status, JobStatus::pending());
    EXPECT_EQ(queue->jobs()[3].status, JobStatus::failed(QStringLiteral("kept")));
    EXPECT_EQ(messages(*queue), QStringList{QStringLiteral("Restored 4 job(s) from previous session")});
    EXPECT_FALSE(queue->isProcessing());
    EXPECT_EQ(runner->calls.size(), 0);

    // Restoring writes nothing: the file still holds all six records.
    EXPECT_EQ(savedJobs().size(), 6);
}

TEST_F(QueueTest, RestoreFailsJobsWhoseBookmarksNoLongerResolve) {
    const QString source = folder + QStringLiteral("/src/gone.mov");
    ASSERT_TRUE(writeFile(source, "x"));
    QDir().mkpath(folder + QStringLiteral("/out"));
    auto sourceLost = job(QStringLiteral("gone.mov"));
    sourceLost.sourceBookmarkData = makeBookmark(source);
    auto bothLost = job(QStringLiteral("gone.mov"));
    bothLost.sourceBookmarkData = sourceLost.sourceBookmarkData;
    bothLost.outputBookmarkData = makeBookmark(folder + QStringLiteral("/out"));
    auto fine = job(QStringLiteral("fine.mov"));
    fine.outputBookmarkData = bothLost.outputBookmarkData;
    writeQueueFile({sourceLost, bothLost, fine});
    ASSERT_TRUE(QFile::remove(source));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/elsewhere")));
    ASSERT_TRUE(QFile::rename(folder + QStringLiteral("/out"), folder + QStringLiteral("/elsewhere/out")));

    auto queue = makeQueue();
    ASSERT_EQ(queue->jobs().size(), 3);
    EXPECT_EQ(queue->jobs()[0].status, JobStatus::failed(QStringLiteral("Cannot find source file (moved or deleted)")));
    EXPECT_EQ(queue->jobs()[1].status, JobStatus::failed(QStringLiteral("Cannot find output folder (moved or deleted)")));
    EXPECT_EQ(queue->jobs()[2].status, JobStatus::failed(QStringLiteral("Cannot find output folder (moved or deleted)")));
}

TEST_F(QueueTest, UnreadableQueueFileIsKeptAsideNotOverwritten) {
    const QByteArray garbage = "[{\"id\": \"truncated";
    ASSERT_TRUE(writeFile(queueFile(), garbage));
    auto queue = makeQueue();
    EXPECT_TRUE(queue->jobs().isEmpty());
    ASSERT_EQ(queue->logLines().size(), 1);
    EXPECT_TRUE(messages(*queue)[0].startsWith(QStringLiteral("Queue file could not be read — kept as queue.json.unreadable-")));
    const QStringList aside = QDir(folder).entryList({QStringLiteral("queue.json.unreadable-*")});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(folder + "/" + aside[0]);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), garbage);

    queue->enqueue(job(QStringLiteral("new.mov")));  // the next save starts a fresh file
    EXPECT_EQ(savedJobs().size(), 1);
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("queue.json.unreadable-*")}).size(), 1);
}

TEST_F(QueueTest, UndecodableRecordsAreKeptAsideAndTheRestRestored) {
    QJsonArray array{job(QStringLiteral("good.mov")).toJson(), QJsonObject{{"id", "nonsense"}},
                     job(QStringLiteral("good2.mov")).toJson(), 42};
    ASSERT_TRUE(writeFile(queueFile(), QJsonDocument(array).toJson()));
    auto queue = makeQueue();
    ASSERT_EQ(queue->jobs().size(), 2);
    ASSERT_EQ(queue->logLines().size(), 2);
    EXPECT_TRUE(messages(*queue)[0].startsWith(QStringLiteral("Queue file had 2 unreadable job record(s) — kept as ")));
    EXPECT_EQ(messages(*queue)[1], QStringLiteral("Restored 2 job(s) from previous session"));
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("queue.json.unreadable-*")}).size(), 1);

    // Quit without a change: the readable jobs were written back, and the next
    // launch finds them in a file that reads whole.
    queue.reset();
    EXPECT_EQ(savedJobs().size(), 2);
    auto next = makeQueue();
    EXPECT_EQ(next->jobs().size(), 2);
    EXPECT_EQ(messages(*next), QStringList{QStringLiteral("Restored 2 job(s) from previous session")});
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("queue.json.unreadable-*")}).size(), 1);
}

TEST_F(QueueTest, SaveFailuresGiveOneLineUntilASaveSucceeds) {
    auto queue = makeQueue();
    ASSERT_TRUE(QDir().mkpath(queueFile()));  // a folder where the file should go
    queue->enqueue(job(QStringLiteral("a.mov")));
    ASSERT_TRUE(queue->persistenceError());
    EXPECT_TRUE(queue->persistenceError()->startsWith(QStringLiteral("Queue may not persist: ")));
    queue->enqueue(job(QStringLiteral("b.mov")));
    EXPECT_EQ(messages(*queue).filter(QStringLiteral("Failed to save queue — ")).size(), 1);
    EXPECT_EQ(queue->jobs().size(), 2);  // the commands' own effect stands

    ASSERT_TRUE(QDir(queueFile()).removeRecursively());
    queue->enqueue(job(QStringLiteral("c.mov")));
    EXPECT_FALSE(queue->persistenceError());
    EXPECT_EQ(savedJobs().size(), 3);
}

namespace {

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes zeros into a new file until the volume refuses more.
void fillVolume(const QString& path) {
    QFile filler(path);
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray block(4096, '\0');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
}

}  // namespace

TEST_F(QueueTest, FullDiskKeepsThePreviousQueueFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root; the full-disk save is not tried";
    const QString disk = folder + QStringLiteral("/disk");
    ASSERT_TRUE(QDir().mkpath(disk));
    if (::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    const auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(disk).constData(), MNT_DETACH); });

    CorrectionQueue queue(runner, verifier, disk);
    const QString file = disk + QStringLiteral("/queue.json");
    queue.enqueue(job(QStringLiteral("a.mov")));
    const QByteArray before = contentsOf(file);
    ASSERT_FALSE(before.isEmpty());

    fillVolume(disk + QStringLiteral("/filler"));
    queue.enqueue(job(QStringLiteral("b.mov")));
    ASSERT_TRUE(queue.persistenceError());
    EXPECT_EQ(messages(queue).filter(QStringLiteral("Failed to save queue — ")).size(), 1);
    EXPECT_EQ(contentsOf(file), before);
    EXPECT_EQ(QDir(disk).entryList(QDir::Files), (QStringList{"filler", "queue.json"}));  // no temporary left
    EXPECT_EQ(CorrectionQueue(runner, verifier, disk).jobs().size(), 1);  // a restart finds the last good save

    ASSERT_TRUE(QFile::remove(disk + QStringLiteral("/filler")));
    queue.enqueue(job(QStringLiteral("c.mov")));
    EXPECT_FALSE(queue.persistenceError());
    EXPECT_EQ(decodeQueueFile(contentsOf(file)).jobs.size(), 3);
}

TEST_F(QueueTest, AWriterThatFailsLeavesThePreviousQueueFile) {
    auto queue = makeQueue();
    queue->enqueue(job(QStringLiteral("a.mov")));
    const QByteArray before = contentsOf(queueFile());
    struct Fault {
        const char* name;
        FileByteWriter writer;
    };
    const Fault faults[] = {
        // Claims every byte but keeps only half, as a buffered write to a full disk does.
        {"short write reported whole",
         [](QFileDevice& file, const QByteArray& data) { return file.write(data.left(data.size() / 2)) >= 0; }},
        {"write refused", [](QFileDevice&, const QByteArray&) { return false; }},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        queue->setQueueFileWriter(fault.writer);
        queue->enqueue(job(QStringLiteral("b.mov")));
        ASSERT_TRUE(queue->persistenceError());
        EXPECT_EQ(contentsOf(queueFile()), before);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"queue.json"});
    }
    EXPECT_EQ(messages(*queue).filter(QStringLiteral("Failed to save queue — ")).size(), 1);
    queue->setQueueFileWriter({});
    queue->enqueue(job(QStringLiteral("c.mov")));
    EXPECT_FALSE(queue->persistenceError());
    EXPECT_EQ(savedJobs().size(), 4);
}

TEST_F(QueueTest, StorageFolderThatCannotBeMadeLeavesAnInMemoryQueue) {
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/blocker"), "a file, not a folder"));
    CorrectionQueue queue(runner, verifier, folder + QStringLiteral("/blocker/sub"));
    EXPECT_FALSE(queue.queueFilePath());
    ASSERT_EQ(queue.logLines().size(), 1);
    EXPECT_TRUE(messages(queue)[0].startsWith(QStringLiteral("Cannot create storage folder — queue will not persist: ")));
    queue.enqueue(job(QStringLiteral("a.mov")));
    EXPECT_FALSE(queue.persistenceError());
}

