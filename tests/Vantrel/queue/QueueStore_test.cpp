// The job store: batched enqueue, saves written in the background and merged,
// failed saves written later, running tallies, the announcements of one job or
// of the list, and queue files whose records share an id.
#include <gtest/gtest.h>

#include "AppModelTestSupport.h"
#include "PlacementStandIn.h"
#include "QtPrinting.h"
#include "QueueTestSupport.h"
#include "TestMedia.h"
#include "Vantrel/queue/PartialOutput.h"
#include "Vantrel/queue/QueueFile.h"
#include "Vantrel/queue/QueueSaver.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QSemaphore>
#include <QSet>
#include <QSignalSpy>

#include <atomic>
#include <chrono>
#include <random>

#include <fcntl.h>
#include <unistd.h>

using namespace queuetest;
using testsupport::makeTestFolder;
using testsupport::writeFile;

namespace {

// A queue-file writer that counts its writes and, once closed, holds each write
// until the test lets it through.
struct GatedWriter {
    std::shared_ptr<QSemaphore> gate = std::make_shared<QSemaphore>(0);
    std::shared_ptr<std::atomic<int>> writes = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<bool>> timedOut = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<bool>> closed = std::make_shared<std::atomic<bool>>(false);

    FileByteWriter writer() const {
        return [gate = gate, writes = writes, timedOut = timedOut, closed = closed](QFileDevice& file,
                                                                                   const QByteArray& data) {
            ++*writes;
            // Generous: a save the caller waits for would hold it up this long.
            if (*closed && !gate->tryAcquire(1, 10000)) *timedOut = true;
            return file.write(data) == data.size();
        };
    }
    void close() { *closed = true; }
    void open() {
        *closed = false;
        gate->release(1000);
    }
};

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        folder = makeTestFolder(QStringLiteral("store"));
    }
    void TearDown() override {
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    std::unique_ptr<CorrectionQueue> makeQueue() { return std::make_unique<CorrectionQueue>(runner, verifier, folder); }
    QString queueFile() const { return folder + QStringLiteral("/queue.json"); }
    // Starts the queue, its first job's record of its partial file held back from
    // the disk by `record` (until it opens).
    void startWithTheRecordHeld(CorrectionQueue& queue, GatedWriter& record) {
        ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/out")));
        queue.setQueueFileWriter(record.writer());
        record.close();
        queue.start();
        ASSERT_TRUE(waitFor([&] { return queue.jobs().first().partialName.has_value(); }));
    }
    QJsonArray savedJobs() const {
        QFile file(queueFile());
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(file.readAll()).array();
    }
    CorrectionJob job(const QString& name, JobStatus status = JobStatus::pending()) {
        auto j = makeJob(folder + QStringLiteral("/src/") + name, folder + QStringLiteral("/out/") + name + "_TC.mov",
                         VerifyTier::off);
        j.status = std::move(status);
        return j;
    }

    QString folder;
    std::shared_ptr<FakeRunner> runner = std::make_shared<FakeRunner>();
    std::shared_ptr<FakeVerifier> verifier = std::make_shared<FakeVerifier>();
};

}  // namespace

TEST_F(StoreTest, ABatchIsAnnouncedAndSavedOnceAndOnDiskWhenEnqueueReturns) {
    auto queue = makeQueue();
    GatedWriter counted;
    queue->setQueueFileWriter(counted.writer());
    QSignalSpy listChanged(queue.get(), &CorrectionQueue::jobsChanged);
    QList<CorrectionJob> batch;
    for (int i = 0; i < 1300; ++i) batch << job(QStringLiteral("clip%1.mov").arg(i));
    queue->enqueue(batch);
    EXPECT_EQ(savedJobs().size(), 1300);  // no waiting: the file holds every job already
    EXPECT_EQ(*counted.writes, 1);
    EXPECT_EQ(listChanged.count(), 1);
    EXPECT_EQ(messages(*queue).size(), 1300);
    EXPECT_EQ(messages(*queue).last(), QStringLiteral("Added job: clip1299.mov"));
    EXPECT_EQ(queue->pendingCount(), 1300);

    // The same value twice is two jobs, each with an id of its own.
    queue->enqueue(QList<CorrectionJob>{batch[0], batch[0]});
    ASSERT_EQ(queue->jobs().size(), 1302);
    EXPECT_EQ(queue->jobs()[0].id, batch[0].id);
    EXPECT_NE(queue->jobs()[1300].id, batch[0].id);
    EXPECT_NE(queue->jobs()[1301].id, queue->jobs()[1300].id);
    EXPECT_EQ(*queue->indexOfJob(queue->jobs()[1301].id), 1301);
    queue->enqueue(QList<CorrectionJob>{});  // nothing: no line, no save
    EXPECT_EQ(*counted.writes, 2);
}

TEST_F(StoreTest, OtherCommandsReturnBeforeTheirSaveAndMergeTheirSaves) {
    auto queue = makeQueue();
    QList<CorrectionJob> jobs;
    for (int i = 0; i < 5; ++i) jobs << job(QStringLiteral("j%1.mov").arg(i), JobStatus::failed(QStringLiteral("x")));
    queue->enqueue(jobs);
    GatedWriter gated;
    queue->setQueueFileWriter(gated.writer());
    gated.close();

    // Each command returns while the writer is held; had one waited for its save,
    // the writer would have given up waiting for the gate.
    queue->removeJob(jobs[0].id);
    queue->retryJob(jobs[1].id);
    queue->removeJob(jobs[2].id);
    queue->removeJob(jobs[3].id);
    EXPECT_EQ(queue->jobs().size(), 2);
    gated.open();
    queue->waitForSaves();
    EXPECT_FALSE(*gated.timedOut);
    EXPECT_LE(*gated.writes, 2);  // the first write, then the rest merged into one
    const QJsonArray saved = savedJobs();
    ASSERT_EQ(saved.size(), 2);
    EXPECT_EQ(saved[0].toObject().value("status").toObject().value("type"), QStringLiteral("pending"));
    EXPECT_FALSE(queue->persistenceError());

    // What is still to be written when the queue goes is written on its way out.
    gated.close();
    queue->removeJob(jobs[4].id);
    gated.open();
    queue.reset();
    EXPECT_EQ(CorrectionQueue(runner, verifier, folder).jobs().size(), 1);
}

TEST_F(StoreTest, ABackgroundSaveThatFailsIsReportedOnce) {
    auto queue = makeQueue();
    const auto a = job(QStringLiteral("a.mov"), JobStatus::failed(QStringLiteral("x")));
    const auto b = job(QStringLiteral("b.mov"), JobStatus::failed(QStringLiteral("x")));
    queue->enqueue(QList<CorrectionJob>{a, b, job(QStringLiteral("c.mov"))});
    ASSERT_TRUE(QFile::remove(queueFile()));
    ASSERT_TRUE(QDir().mkpath(queueFile()));  // a folder where the file should go
    queue->removeJob(a.id);
    queue->waitForSaves();
    ASSERT_TRUE(queue->persistenceError());
    queue->retryJob(b.id);
    queue->waitForSaves();
    EXPECT_EQ(messages(*queue).filter(QStringLiteral("Failed to save queue — ")).size(), 1);

    ASSERT_TRUE(QDir(queueFile()).removeRecursively());
    queue->removeJob(b.id);
    queue->waitForSaves();
    EXPECT_FALSE(queue->persistenceError());
    EXPECT_EQ(savedJobs().size(), 1);
}

// Jobs added while the disk is full are not lost once there is room again: they
// reach the file with the next change, when the save is tried again, or when the
// queue goes (at quit); a disk still full at quit costs one more try, not a hang.
// Until a save succeeds the file keeps its last good list, the warning stays and
// the console says it once, however often the save fails.
TEST_F(StoreTest, ASaveTheDiskRefusedIsWrittenOnceThereIsRoom) {
    enum class Then { nextChange, retry, quit, quitStillFull };
    struct Row { const char* name; Then then; qsizetype restored; };
    const Row rows[] = {{"written with the next change", Then::nextChange, 51},
                        {"tried again after a delay", Then::retry, 52},
                        {"written when the queue goes", Then::quit, 52},
                        {"still full when the queue goes", Then::quitStillFull, 3}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(queueFile());
        auto queue = makeQueue();
        // Only the retry row tries again in the test's time, and at once.
        const std::chrono::milliseconds delay =
            row.then == Then::retry ? std::chrono::milliseconds(1) : std::chrono::hours(24);
        queue->setSaveRetryDelays(delay, delay);
        auto full = std::make_shared<std::atomic<bool>>(false);
        auto refused = std::make_shared<std::atomic<int>>(0);
        auto going = std::make_shared<std::atomic<bool>>(false);
        // A disk full for good, except that a saver that never stops trying on its
        // way out wins at last (so that the test ends and says so). Until the queue
        // goes it refuses every write, however many the retries have made by the
        // time the test looks.
        queue->setQueueFileWriter([full, refused, going](QFileDevice& file, const QByteArray& data) {
            if (*full && (++*refused < 1000 || !*going)) return false;
            return file.write(data) == data.size();
        });
        QSignalSpy warned(queue.get(), &CorrectionQueue::persistenceErrorChanged);
        queue->enqueue(QList<CorrectionJob>{job(QStringLiteral("a.mov")), job(QStringLiteral("b.mov")), job(QStringLiteral("c.mov"))});

        *full = true;
        QList<CorrectionJob> batch;
        for (int i = 0; i < 50; ++i) batch << job(QStringLiteral("new%1.mov").arg(i));
        queue->enqueue(batch);
        EXPECT_EQ(queue->persistenceError(), QStringLiteral("Queue may not persist: Write failed"));
        queue->removeJob(batch[0].id);  // refused again
        queue->waitForSaves();
        EXPECT_TRUE(row.then != Then::retry || waitFor([&] { return *refused >= 5; }));
        EXPECT_EQ(savedJobs().size(), 3);
        EXPECT_EQ(warned.count(), 1);
        EXPECT_EQ(messages(*queue).filter(QStringLiteral("Failed to save queue — ")),
                  QStringList{QStringLiteral("Failed to save queue — Write failed")});

        *full = row.then == Then::quitStillFull;
        const int refusedBefore = *refused;
        if (row.then == Then::nextChange) queue->removeJob(batch[1].id);
        EXPECT_TRUE(row.then != Then::retry || waitFor([&] { return savedJobs().size() == row.restored; }));
        if (row.then == Then::quit || row.then == Then::quitStillFull) {
            *going = true;
            queue.reset();
            EXPECT_EQ(*refused, refusedBefore + (row.then == Then::quitStillFull ? 1 : 0));
        } else {
            EXPECT_TRUE(waitFor([&] { return !queue->persistenceError(); }));
            EXPECT_EQ(warned.count(), 2);
            queue.reset();
        }
        EXPECT_EQ(makeQueue()->jobs().size(), row.restored);
    }
}

namespace {

// The saver's clock in the test's hands: its time stands still, and a wait for a
// retry moves it on to the retry's time at once.
class JumpingClock : public QueueSaver::Clock {
public:
    TimePoint now() const override { return TimePoint(std::chrono::milliseconds(ms_.load())); }
    void waitUntil(QWaitCondition&, QMutex&, TimePoint until) override {
        ms_ = std::max(ms_.load(), qint64(std::chrono::ceil<std::chrono::milliseconds>(until.time_since_epoch()).count()));
    }

private:
    std::atomic<qint64> ms_ = 0;
};

}  // namespace

// A write the disk refuses is tried again 2 s later, then after twice as long each
// time, never more than 30 s apart; once a write succeeds, the next failure is
// tried again after 2 s.
TEST_F(StoreTest, AFailedSaveIsTriedAgainSoonThenLessOften) {
    auto clock = std::make_shared<JumpingClock>();
    // The seconds on the saver's clock at each write; the disk takes only the
    // writes marked.
    auto seconds = std::make_shared<QList<double>>();
    auto mutex = std::make_shared<QMutex>();
    const QSet<int> taken{8, 10};
    QObject context;
    // A write counts once its outcome is back: the writer's entry comes before the
    // file is in place, and a failed write already counts its request as written.
    int succeeded = 0;
    QueueSaver saver(&context, [&succeeded](const QueueSaver::Outcome& outcome) { succeeded += outcome ? 0 : 1; });
    saver.setClock(clock);
    saver.setWriter([=](QFileDevice& file, const QByteArray& data) {
        QMutexLocker lock(mutex.get());
        seconds->append(std::chrono::duration<double>(clock->now().time_since_epoch()).count());
        return taken.contains(int(seconds->size())) && file.write(data) == data.size();
    });
    const auto writes = [=] {
        QMutexLocker lock(mutex.get());
        return *seconds;
    };
    saver.request(queueFile(), {job(QStringLiteral("a.mov"))});
    ASSERT_TRUE(waitFor([&] { return succeeded == 1; }));
    saver.request(queueFile(), {job(QStringLiteral("a.mov")), job(QStringLiteral("b.mov"))});
    ASSERT_TRUE(waitFor([&] { return succeeded == 2; }));
    EXPECT_EQ(writes(), QList<double>({0, 2, 6, 14, 30, 60, 90, 120, 120, 122}));
    EXPECT_EQ(savedJobs().size(), 2);
}

namespace {

// Runs its callback when it goes: the queue lets its inhibitor go before its job
// store, so the callback comes while the queue is being taken down.
class OnTheWayOut : public SleepInhibitor {
public:
    explicit OnTheWayOut(std::function<void()> then) : then_(std::move(then)) {}
    ~OnTheWayOut() override { then_(); }
    bool acquire(const QString&) override { return false; }
    void release() override {}

private:
    std::function<void()> then_;
};

}  // namespace

// A change still waiting to be written when the queue goes is written on the way
// out: a removed job does not come back at the next launch.
TEST_F(StoreTest, AChangeWaitingToBeSavedIsWrittenOnTheWayOut) {
    auto queue = makeQueue();
    const auto a = job(QStringLiteral("a.mov"));
    const auto b = job(QStringLiteral("b.mov"));
    queue->enqueue(QList<CorrectionJob>{a, b});
    GatedWriter gated;
    queue->setQueueFileWriter(gated.writer());
    gated.close();
    queue->removeJob(a.id);  // written, and held at the gate
    ASSERT_TRUE(waitFor([&] { return *gated.writes == 1; }));
    queue->removeJob(b.id);  // waits behind it
    // The gate opens only once the queue is going.
    queue->setSleepInhibitor(std::make_unique<OnTheWayOut>([&gated] { gated.open(); }));
    queue.reset();
    EXPECT_FALSE(*gated.timedOut);
    EXPECT_EQ(*gated.writes, 2);
    EXPECT_TRUE(savedJobs().isEmpty());
    EXPECT_TRUE(makeQueue()->jobs().isEmpty());
}

// A job's tool starts only once the job's record of its partial file is on disk,
// so that a run cut off at any moment leaves no file the next start does not know
// for the job's own; the record goes when the file has taken its name. The next
// job starts only once the last one's end is on disk.
TEST_F(StoreTest, AToolAndTheNextJobStartOnlyOnceWhatCameBeforeIsOnDisk) {
    auto queue = makeQueue();
    runner->finishAtOnce = false;
    queue->enqueue(QList<CorrectionJob>{job(QStringLiteral("a.mov")), job(QStringLiteral("b.mov"))});
    const auto saved = [&] {
        QFile file(queueFile());
        return decodeQueueFile(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()).jobs;
    };
    GatedWriter record;
    ASSERT_NO_FATAL_FAILURE(startWithTheRecordHeld(*queue, record));
    EXPECT_TRUE(runner->calls.isEmpty());  // held until the record is written
    record.open();
    ASSERT_TRUE(waitFor([&] { return runner->calls.size() == 1; }));
    ASSERT_TRUE(saved().first().partialName.has_value());
    EXPECT_EQ(*saved().first().partialName, runner->calls[0].job.outputName());
    EXPECT_TRUE(QFile::exists(runner->calls[0].job.outputPath));  // made, empty, before the tool starts

    GatedWriter gated;
    queue->setQueueFileWriter(gated.writer());
    gated.close();
    runner->succeed(0);
    ASSERT_TRUE(waitFor([&] { return queue->doneCount() == 1; }));
    QTest::qWait(100);
    EXPECT_EQ(runner->calls.size(), 1);  // held until a's end is written
    gated.open();
    ASSERT_TRUE(waitFor([&] { return runner->calls.size() == 2; }));
    EXPECT_EQ(saved().first().status, JobStatus::completed());
    EXPECT_FALSE(saved().first().partialName.has_value());
    runner->succeed(1);
    ASSERT_TRUE(waitFor([&] { return !queue->isProcessing(); }));
}

// A run writes nothing until its job's record of the partial file is on disk, and
// then only under a name that is free. A file that takes the recorded name first
// is someone else's: the job fails without touching it; so does a name the file
// system refuses to give. A record that cannot be saved starts nothing: the job
// fails saying why and where, with advice that follows the reason (room on a full
// disk, else write access), and the queue goes on to the next job, which runs once
// saves work again. Either way nothing of the run is left, and the job forgets the
// name, so that no later sweep takes a file for the job's.
TEST_F(StoreTest, ARunWritesNothingUntilItsRecordIsOnDiskUnderAFreeName) {
    enum class Then { nameTaken, nameRefused, saveFails, diskFull, saveFailsOnce };
    struct Case {
        const char* name;
        Then then;
        QString message;
    };
    const QString unwritable =
        QStringLiteral("The queue could not be saved (Write failed), so the correction was not started: make sure "
                       "Vantrel can write to %1, then Retry")
            .arg(folder);
    const Case cases[] = {
        {"a file takes the recorded name first", Then::nameTaken,
         QStringLiteral("A file appeared under the hidden name the output was to be written to; it was left as it "
                        "was. Retry the job.")},
        {"the file system refuses the recorded name", Then::nameRefused,
         QStringLiteral("The hidden file the output was to be written to could not be given its name (Input/output "
                        "error); nothing was written. Retry the job.")},
        {"the record cannot be saved", Then::saveFails, unwritable},
        {"the record cannot be saved on a full disk", Then::diskFull,
         QStringLiteral("The queue could not be saved (No space left on device), so the correction was not started: "
                        "free space in %1, then Retry")
             .arg(folder)},
        {"the record cannot be saved, the next one can", Then::saveFailsOnce, unwritable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(queueFile());
        QDir(folder + QStringLiteral("/out")).removeRecursively();
        runner->calls.clear();
        auto queue = makeQueue();
        const CorrectionJob a = job(QStringLiteral("a.mov")), b = job(QStringLiteral("b.mov"));
        queue->enqueue(QList<CorrectionJob>{a, b});
        QString taken;
        std::optional<placementstandin::RefusingUnnamed> refusing;
        const auto failed = std::make_shared<std::atomic<bool>>(false);
        ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/out")));
        switch (c.then) {
        case Then::nameTaken: {
            GatedWriter record;
            ASSERT_NO_FATAL_FAILURE(startWithTheRecordHeld(*queue, record));
            taken = folder + QStringLiteral("/out/") + *queue->jobs().first().partialName;
            ASSERT_TRUE(writeFile(taken, "someone else's"));
            record.open();
            break;
        }
        case Then::nameRefused: refusing.emplace(0, EIO); break;
        case Then::saveFails: queue->setQueueFileWriter([](QFileDevice&, const QByteArray&) { return false; }); break;
        case Then::diskFull:
            // The bytes go to a device that is always full.
            queue->setQueueFileWriter([](QFileDevice& file, const QByteArray& data) {
                const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
                const bool swapped = full >= 0 && ::dup2(full, file.handle()) >= 0;
                if (full >= 0) ::close(full);
                return swapped && file.write(data) == data.size();
            });
            break;
        case Then::saveFailsOnce:
            // Only the first record of a partial file fails to be written.
            queue->setQueueFileWriter([failed](QFileDevice& file, const QByteArray& data) {
                if (data.contains("partialName") && !failed->exchange(true)) return false;
                return file.write(data) == data.size();
            });
            break;
        }
        if (c.then != Then::nameTaken) queue->start();
        ASSERT_TRUE(waitFor([&] {
            return !queue->isProcessing() && std::none_of(queue->jobs().begin(), queue->jobs().end(), [](const auto& j) {
                return j.status.is(JobStatus::Kind::pending) || j.status.isRunning();
            });
        }));
        refusing.reset();
        const bool nextRuns = c.then == Then::nameTaken || c.then == Then::saveFailsOnce;
        EXPECT_EQ(queue->jobs().first().status, JobStatus::failed(c.message));
        EXPECT_EQ(queue->jobs().last().status, nextRuns ? JobStatus::completed() : JobStatus::failed(c.message));
        EXPECT_EQ(runner->calls.size(), nextRuns ? 1 : 0);  // b's, when it could start
        EXPECT_TRUE(messages(*queue).contains(QStringLiteral("FAILED: a.mov — ") + c.message));
        EXPECT_FALSE(queue->jobs().first().partialName.has_value());
        EXPECT_FALSE(queue->jobs().first().partialFile.has_value());
        queue->removeJob(a.id);
        queue->waitForSaves();
        const QStringList hidden = QDir(folder + QStringLiteral("/out")).entryList(QDir::Files | QDir::Hidden).filter(
            QRegularExpression(QStringLiteral("^\\.")));
        EXPECT_EQ(hidden, taken.isEmpty() ? QStringList() : QStringList{QFileInfo(taken).fileName()});
        if (!taken.isEmpty()) {
            QFile kept(taken);
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), QByteArray("someone else's"));
        }
    }
}

TEST_F(StoreTest, AProgressTickAnnouncesItsJobAloneAndTalliesStayTrue) {
    auto queue = makeQueue();
    runner->finishAtOnce = false;
    const auto a = job(QStringLiteral("a.mov"));
    queue->enqueue(QList<CorrectionJob>{a, job(QStringLiteral("b.mov"))});
    queue->start();
    ASSERT_TRUE(waitFor([&] { return runner->calls.size() == 1; }));

    // The estimate comes from kept tallies; it is what a count over the jobs gives.
    QList<CorrectionJob> sized;
    for (int i = 0; i < 4; ++i) {
        sized << job(QStringLiteral("s%1.mov").arg(i), i == 3 ? JobStatus::failed(QStringLiteral("x")) : JobStatus::pending());
        sized.last().totalSourceBytes = 150'000'000LL * (i + 1);
    }
    queue->enqueue(sized);
    queue->removeJob(sized[1].id);
    queue->retryJob(sized[3].id);
    ASSERT_TRUE(queue->estimatedTimeRemaining());
    EXPECT_DOUBLE_EQ(*queue->estimatedTimeRemaining(), 1.0 + 3.0 + 4.0);
    EXPECT_EQ(queue->estimatedTimeRemaining(),
              CorrectionQueue::estimateRemaining(queue->jobs(), true, 0, 0, QDateTime::currentDateTimeUtc()));
    queue->clearQueue();  // the running job stays
    queue->enqueue(job(QStringLiteral("b.mov")));

    QSignalSpy listChanged(queue.get(), &CorrectionQueue::jobsChanged);
    QSignalSpy jobChanged(queue.get(), &CorrectionQueue::jobChanged);
    runner->calls[0].progress(0.25);
    ASSERT_TRUE(waitFor([&] { return queue->jobs()[0].progress == 0.25; }));
    EXPECT_EQ(listChanged.count(), 0);
    ASSERT_EQ(jobChanged.count(), 1);
    EXPECT_EQ(jobChanged[0][0].value<QUuid>(), a.id);
    ASSERT_TRUE(queue->activeJob());
    EXPECT_EQ(queue->activeJob()->id, a.id);
    queue->stop();
    ASSERT_TRUE(runner->lastRunStopped());
    ASSERT_TRUE(waitFor([&] { return !queue->isProcessing(); }));
    EXPECT_FALSE(queue->activeJob());
    EXPECT_EQ(queue->cancelledCount(), 2);
    EXPECT_FALSE(queue->estimatedTimeRemaining());
}

// The counters are kept as jobs change; after any mix of commands they are what a
// count over the jobs says.
TEST_F(StoreTest, TalliesMatchACountAfterEveryCommand) {
    auto queue = makeQueue();
    std::mt19937 random(24);
    const JobStatus statuses[] = {JobStatus::pending(),   JobStatus::active(),    JobStatus::completed(),
                                  JobStatus::completed(), JobStatus::cancelled(), JobStatus::failed(QStringLiteral("x"))};
    const std::optional<QList<CheckSeverity>> outcomes[] = {std::nullopt,
                                                            QList<CheckSeverity>{CheckSeverity::pass},
                                                            QList<CheckSeverity>{CheckSeverity::warning},
                                                            QList<CheckSeverity>{CheckSeverity::fail}};
    auto check = [&](int step) {
        int pending = 0, failed = 0, cancelled = 0, done = 0, flagged = 0, finished = 0;
        for (const auto& j : queue->jobs()) {
            pending += j.status.is(JobStatus::Kind::pending);
            failed += j.status.is(JobStatus::Kind::failed);
            cancelled += j.status.is(JobStatus::Kind::cancelled);
            finished += !j.status.is(JobStatus::Kind::pending) && !j.status.isRunning();
            if (!j.status.is(JobStatus::Kind::completed)) continue;
            const auto outcome = j.verification ? j.verification->outcome() : VerificationResult::Outcome::clean;
            done += outcome == VerificationResult::Outcome::clean;
            flagged += outcome == VerificationResult::Outcome::warnings;
        }
        SCOPED_TRACE(step);
        EXPECT_EQ(queue->pendingCount(), pending);
        EXPECT_EQ(queue->failedCount(), failed);
        EXPECT_EQ(queue->cancelledCount(), cancelled);
        EXPECT_EQ(queue->doneCount(), done);
        EXPECT_EQ(queue->flaggedCount(), flagged);
        EXPECT_EQ(queue->finishedCount(), finished);
        for (qsizetype i = 0; i < queue->jobs().size(); ++i) EXPECT_EQ(queue->indexOfJob(queue->jobs()[i].id), i);
    };
    for (int step = 0; step < 300 && !HasFailure(); ++step) {
        const auto& jobs = queue->jobs();
        const QUuid someone = jobs.isEmpty() ? QUuid::createUuid() : jobs[random() % jobs.size()].id;
        switch (random() % 8) {
        case 0:
        case 1: {
            QList<CorrectionJob> batch;
            for (int n = int(random() % 4); n >= 0; --n) {
                auto j = job(QStringLiteral("s%1-%2.mov").arg(step).arg(n), statuses[random() % 6]);
                if (const auto& severities = outcomes[random() % 4]) j.verification = resultOf(VerifyTier::standard, *severities);
                batch << j;
            }
            queue->enqueue(batch);
            break;
        }
        case 2: queue->removeJob(someone); break;
        case 3: queue->retryJob(someone); break;
        case 4: queue->clearFinished(); break;
        case 5: queue->stop(); break;
        case 6: queue->clearQueue(); break;
        default: queue->log(QStringLiteral("nothing changes")); break;
        }
        check(step);
    }
}

// A long queue is encoded in pieces; the file reads as the plain encoding of the
// whole list would, byte for byte.
TEST_F(StoreTest, TheQueueFileIsTheWholeListsEncoding) {
    for (const int count : {0, 1, 128, 129, 300}) {
        SCOPED_TRACE(count);
        QList<CorrectionJob> jobs;
        QJsonArray array;
        for (int i = 0; i < count; ++i) {
            auto j = job(QStringLiteral("clip \"%1\" é.mov").arg(i), i % 3 ? JobStatus::pending() : JobStatus::failed("a\nb"));
            if (i % 2) j.verification = resultOf(VerifyTier::thorough, {CheckSeverity::pass, CheckSeverity::warning});
            j.progress = i / 7.0;
            jobs << j;
            array.append(j.toJson());
        }
        const QByteArray encoded = encodeQueueFile(jobs);
        EXPECT_EQ(encoded, QJsonDocument(array).toJson(QJsonDocument::Indented));
        EXPECT_EQ(decodeQueueFile(encoded).jobs.size(), count);
    }
}

// Records that share an id (a hand-edited or synced file) are told apart on load:
// the same record twice is kept once, two different records both stay.
TEST_F(StoreTest, RecordsSharingAnIdAreToldApartOnLoad) {
    auto first = job(QStringLiteral("first.mov"));
    auto second = job(QStringLiteral("second.mov"));
    second.id = first.id;
    auto done = job(QStringLiteral("done.mov"), JobStatus::completed());
    done.id = first.id;
    QJsonArray array{first.toJson(), second.toJson(), first.toJson(), done.toJson()};
    ASSERT_TRUE(writeFile(queueFile(), QJsonDocument(array).toJson()));

    auto queue = makeQueue();
    ASSERT_EQ(queue->jobs().size(), 2);
    EXPECT_EQ(queue->jobs()[0].id, first.id);
    EXPECT_NE(queue->jobs()[1].id, first.id);
    EXPECT_EQ(queue->jobs()[1].outputName(), QStringLiteral("second.mov_TC.mov"));
    EXPECT_EQ(messages(*queue),
              (QStringList{"Queue file had 2 job record(s) whose id was already taken — given new ids",
                           "Queue file had 1 repeated job record(s) — left out",
                           "Restored 2 job(s) from previous session"}));

    // Each runs once, into its own output, and the loop ends.
    queue->start();
    ASSERT_TRUE(waitFor([&] { return !queue->isProcessing() && queue->doneCount() == 2; }));
    ASSERT_EQ(runner->calls.size(), 2);
    EXPECT_TRUE(PartialOutput::isPartialOf(runner->calls[0].job.outputName(), first.outputPath));
    EXPECT_TRUE(PartialOutput::isPartialOf(runner->calls[1].job.outputName(), second.outputPath));
    EXPECT_TRUE(QFile::exists(first.outputPath));
    EXPECT_TRUE(QFile::exists(second.outputPath));
}

namespace {

class BatchFromRowsTest : public appmodeltest::ModelTest {};

}  // namespace

// The window's "Add to Queue" with 1,300 ready rows: one save, holding every job
// by the time the call returns.
TEST_F(BatchFromRowsTest, ThirteenHundredRowsAreSavedOnceAndWhole) {
    const QString out = pathOf(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    model->setOutputFolder(QUrl::fromLocalFile(out));
    const QUrl original = movie(QStringLiteral("cards/A001.mov"));
    QList<QUrl> urls;
    for (int i = 0; i < 1300; ++i) {
        const QString path = pathOf(QStringLiteral("cards/clip%1.mov").arg(i, 4, 10, QLatin1Char('0')));
        ASSERT_EQ(::link(QFile::encodeName(original.toLocalFile()).constData(), QFile::encodeName(path).constData()), 0);
        urls << QUrl::fromLocalFile(path);
    }
    model->addSources(urls);
    ASSERT_TRUE(allAnalysed());
    ASSERT_EQ(model->readyCount(), 1300);

    GatedWriter counted;
    model->queue().setQueueFileWriter(counted.writer());
    EXPECT_EQ(model->enqueueReadyRows(), 1300);
    EXPECT_EQ(*counted.writes, 1);
    QFile file(pathOf(QStringLiteral("storage/queue.json")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<CorrectionJob> saved = decodeQueueFile(file.readAll()).jobs;
    ASSERT_EQ(saved.size(), 1300);
    QSet<QString> outputs;
    for (const auto& job : saved) outputs.insert(job.outputPath);
    EXPECT_EQ(outputs.size(), 1300);
}
