// The processing loop and the verification stage, driven with a fake runner and
// verifier so that every ordering and failure path can be staged; and the free-space
// preflight with the byte counts its message shows.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "QueueTestSupport.h"
#include "TestMedia.h"
#include "Vantrel/queue/Bookmarks.h"
#include "Vantrel/queue/Preflight.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>
#include <QThreadPool>

#include <stdexcept>

using namespace queuetest;
using testsupport::makeTestFolder;
using testsupport::writeFile;

namespace {

class ProcessingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        folder = makeTestFolder(QStringLiteral("processing"));
        QDir().mkpath(folder + QStringLiteral("/out"));
        queue = std::make_unique<CorrectionQueue>(runner, verifier, folder);
        queue->setSleepInhibitor(std::make_unique<CountingInhibitor>(&sleepAcquired, &sleepReleased));
    }
    void TearDown() override {
        queue.reset();
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    CorrectionJob addJob(const QString& name, VerifyTier tier = VerifyTier::standard) {
        const QString source = folder + QStringLiteral("/src/") + name;
        writeFile(source, QByteArray(1000, 'x'));
        auto job = makeJob(source, folder + QStringLiteral("/out/") + name + QStringLiteral("_TC.mov"), tier);
        queue->enqueue(job);
        return job;
    }

    const CorrectionJob& jobNamed(const QString& name) const {
        for (const auto& job : queue->jobs()) {
            if (job.sourceName() == name) return job;
        }
        throw std::runtime_error("no such job");
    }

    bool runToEnd() {
        auto completions = [&] { return messages(*queue).count(QStringLiteral("=== Queue processing complete ===")); };
        const auto before = completions();
        // Nothing to run (a retry refused, say) would never complete: said at once.
        if (queue->pendingCount() == 0) return false;
        queue->start();
        return waitFor([&] { return !queue->isProcessing() && completions() > before; });
    }

    // Outputs of earlier runs would stand under the next run's output names.
    void clearOutputs() const {
        QDir(folder + QStringLiteral("/out")).removeRecursively();
        QDir().mkpath(folder + QStringLiteral("/out"));
    }

    // Console lines from "--- Starting" on, without the run's first and last line.
    QStringList jobLines() const {
        QStringList lines = messages(*queue);
        lines.erase(lines.begin(), std::find_if(lines.begin(), lines.end(),
                                                [](const QString& l) { return l.startsWith("--- Starting"); }));
        lines.removeAll(QStringLiteral("=== Queue processing complete ==="));
        lines.removeAll(QStringLiteral("tool says hello"));
        return lines;
    }

    QString folder;
    std::shared_ptr<FakeRunner> runner = std::make_shared<FakeRunner>();
    std::shared_ptr<FakeVerifier> verifier = std::make_shared<FakeVerifier>();
    std::unique_ptr<CorrectionQueue> queue;
    int sleepAcquired = 0;
    int sleepReleased = 0;
};

class Preflight : public ::testing::Test {
protected:
    const testsupport::DefaultLocale locale{QLocale(QLocale::English, QLocale::UnitedStates)};
};

}  // namespace

TEST_F(ProcessingTest, StartNeedsPendingJobsAndTheTool) {
    queue->start();
    QTest::qWait(20);
    EXPECT_FALSE(queue->isProcessing());
    EXPECT_TRUE(queue->logLines().isEmpty());

    runner->available = false;
    addJob(QStringLiteral("a.mov"));
    addJob(QStringLiteral("b.mov"));
    const int lines = queue->logLines().size();
    queue->start();
    ASSERT_TRUE(waitFor([&] { return queue->failedCount() == 2; }));
    for (const auto& job : queue->jobs()) {
        EXPECT_EQ(job.status,
                  JobStatus::failed("FFmpeg unavailable — install it (or check the bundled tools), then retry."));
    }
    EXPECT_EQ(queue->logLines().size(), lines);
    EXPECT_FALSE(queue->isProcessing());
    EXPECT_EQ(sleepAcquired, 0);
    EXPECT_EQ(runner->calls.size(), 0);

    // A queue made without a runner cannot correct anything either.
    CorrectionQueue bare(nullptr, nullptr, folder + QStringLiteral("/bare"));
    bare.enqueue(makeJob("/in/a.mov", "/out/a_TC.mov"));
    bare.stop();
    bare.retryJob(bare.jobs()[0].id);
    ASSERT_EQ(bare.pendingCount(), 1);
    bare.start();
    ASSERT_TRUE(waitFor([&] { return bare.failedCount() == 1; }));
}

TEST_F(ProcessingTest, TierOffCompletesWithSuccessAndHoldsSleepWhileRunning) {
    addJob(QStringLiteral("clip.mov"), VerifyTier::off);
    auto sized = addJob(QStringLiteral("sized.mov"), VerifyTier::off);
    queue->removeJob(sized.id);
    sized.totalSourceBytes = 123456;
    queue->enqueue(sized);
    ASSERT_TRUE(runToEnd());
    const auto& done = jobNamed(QStringLiteral("clip.mov"));
    EXPECT_EQ(done.status, JobStatus::completed());
    EXPECT_EQ(done.progress, 1.0);
    EXPECT_TRUE(verifier->calls.isEmpty());
    EXPECT_EQ(jobLines().mid(0, 2), (QStringList{"--- Starting: clip.mov → clip.mov_TC.mov ---", "SUCCESS: clip.mov"}));
    EXPECT_TRUE(messages(*queue).contains(QStringLiteral("tool says hello")));  // the runner's lines, unchanged
    EXPECT_EQ(sleepAcquired, 1);
    EXPECT_EQ(sleepReleased, 1);
    EXPECT_FALSE(queue->currentJobId());
    // Throughput counts only the job with a byte count.
    EXPECT_EQ(queue->sessionBytesDone(), 123456);
    EXPECT_TRUE(queue->accessedSecurityScopedResources().isEmpty());
    EXPECT_EQ(startedAccessCount(folder + QStringLiteral("/out")), 0);
}

TEST_F(ProcessingTest, JobsRunInQueueOrderAndSeeLaterChanges) {
    runner->finishAtOnce = false;
    const auto a = addJob(QStringLiteral("A.mov"), VerifyTier::off);
    addJob(QStringLiteral("B.mov"), VerifyTier::off);
    queue->start();
    ASSERT_TRUE(waitFor([&] { return runner->calls.size() == 1; }));
    addJob(QStringLiteral("C.mov"), VerifyTier::off);
    FakeRunner::fail(runner->calls[0], "tool exploded");  // A fails
    ASSERT_TRUE(waitFor([&] { return runner->calls.size() == 2; }));
    EXPECT_EQ(jobNamed("A.mov").status, JobStatus::failed("tool exploded"));
    EXPECT_TRUE(messages(*queue).contains(QStringLiteral("FAILED: A.mov — tool exploded")));
    queue->retryJob(a.id);  // while B runs: A goes again before C
    ASSERT_EQ(jobNamed("A.mov").status, JobStatus::pending());
    runner->succeed(1);
    ASSERT_TRUE(waitFor([&] { return runner->calls.size() == 3; }));
    runner->succeed(2);
    ASSERT_TRUE(waitFor([&] { return runner->calls.size() == 4; }));
    runner->succeed(3);
    ASSERT_TRUE(waitFor([&] { return !queue->isProcessing(); }));
    QStringList order;
    for (const auto& call : runner->calls) order << call.job.sourceName();
    EXPECT_EQ(order, (QStringList{"A.mov", "B.mov", "A.mov", "C.mov"}));
    EXPECT_EQ(queue->doneCount(), 3);
}

TEST_F(ProcessingTest, StopDuringARunCancelsEverythingAndWindsDown) {
    runner->finishAtOnce = false;
    addJob(QStringLiteral("running.mov"));
    addJob(QStringLiteral("p1.mov"));
    addJob(QStringLiteral("p2.mov"));
    queue->start();
    ASSERT_TRUE(waitFor([&] { return runner->isRunning(); }));
    EXPECT_TRUE(queue->isSleepPrevented());

    queue->clearQueue();  // keeps exactly the running job
    ASSERT_EQ(queue->jobs().size(), 1);
    EXPECT_EQ(messages(*queue).last(), QStringLiteral("Cleared queue (kept the running job)"));
    addJob(QStringLiteral("p1.mov"));
    addJob(QStringLiteral("p2.mov"));
    queue->removeJob(queue->jobs()[0].id);  // running: left alone
    queue->retryJob(queue->jobs()[0].id);   // running: not made pending again
    EXPECT_EQ(queue->jobs().size(), 3);
    EXPECT_EQ(jobNamed("running.mov").status, JobStatus::active());
    EXPECT_EQ(messages(*queue).last(), QStringLiteral("Added job: p2.mov"));

    const int before = queue->logLines().size();
    queue->stop();
    EXPECT_EQ(messages(*queue).mid(before, 3),
              (QStringList{"Cancelled active job: running.mov", "Cancelled 2 pending jobs", "=== Queue stopped ==="}));
    ASSERT_EQ(runner->cancels, 1);  // the tool is told at once
    ASSERT_TRUE(waitFor([&] { return !queue->isProcessing(); }));
    EXPECT_TRUE(messages(*queue).contains(QStringLiteral("Cancelled: running.mov")));
    EXPECT_EQ(messages(*queue).last(), QStringLiteral("=== Queue processing complete ==="));
    EXPECT_EQ(jobNamed("running.mov").status, JobStatus::cancelled());
    EXPECT_EQ(jobNamed("running.mov").progress, 0);
    EXPECT_EQ(queue->cancelledCount(), 3);
    EXPECT_EQ(sleepReleased, 1);
    EXPECT_TRUE(verifier->calls.isEmpty());

    // One pending job is "job", not "jobs"; with nothing to cancel only the last line.
    queue->retryJob(jobNamed("p1.mov").id);
    const int now = queue->logLines().size();
    queue->stop();
    queue->stop();
    EXPECT_EQ(messages(*queue).mid(now),
              (QStringList{"Cancelled 1 pending job", "=== Queue stopped ===", "=== Queue stopped ==="}));
}

TEST_F(ProcessingTest, CancelCurrentJobActsOnTheRunningJob) {
    runner->finishAtOnce = false;
    addJob(QStringLiteral("a.mov"));
    const auto b = addJob(QStringLiteral("b.mov"), VerifyTier::off);
    queue->start();
    ASSERT_TRUE(waitFor([&] { return runner->isRunning(); }));
    queue->cancelCurrentJob();
    ASSERT_TRUE(runner->lastRunStopped());
    EXPECT_EQ(messages(*queue).filter("Cancelled job: a.mov").size(), 1);
    ASSERT_TRUE(waitFor([&] { return runner->calls.size() == 2; }));  // the loop goes on with b
    EXPECT_EQ(jobNamed("a.mov").status, JobStatus::cancelled());
    runner->succeed(1);
    ASSERT_TRUE(waitFor([&] { return !queue->isProcessing(); }));
    EXPECT_EQ(jobNamed("b.mov").status, JobStatus::completed());
}

// What the tool of a cancelled run still reports does not reach its row, whether
// it comes on this thread or from a worker, after Stop or the row's cancel.
TEST_F(ProcessingTest, ProgressAfterACancelIsNotShown) {
    struct Case {
        const char* name;
        bool fromWorker;
        bool rowCancel;
    };
    const Case cases[] = {{"this thread, Stop", false, false},
                          {"a worker, Stop", true, false},
                          {"this thread, the row's cancel", false, true}};
    runner->finishAtOnce = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runner->calls.clear();
        const auto job = addJob(QStringLiteral("%1.mov").arg(c.name));
        queue->start();
        ASSERT_TRUE(waitFor([&] { return runner->isRunning(); }));
        const auto progress = runner->calls[0].progress;
        progress(0.4);
        ASSERT_EQ(queue->jobs().last().progress, 0.4);
        if (c.rowCancel) queue->cancelCurrentJob();
        else queue->stop();
        ASSERT_EQ(queue->jobs().last().status, JobStatus::cancelled());
        ASSERT_TRUE(runner->lastRunStopped());
        if (c.fromWorker) QtConcurrent::run([progress] { progress(0.9); }).waitForFinished();
        else progress(0.9);
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(queue->jobs().last().progress, 0);
        ASSERT_TRUE(waitFor([&] { return !queue->isProcessing(); }));
        EXPECT_EQ(queue->jobs().last().progress, 0);
        queue->removeJob(job.id);
    }
}

TEST_F(ProcessingTest, PreflightFailureSkipsTheRunAndTheLoopGoesOn) {
    queue->setVolumeInfoProvider([](const QString&) { return CorrectionQueue::VolumeInfo{1099, QStringLiteral("Card")}; });
    addJob(QStringLiteral("big.mov"));
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(runner->calls.size(), 0);
    const QString message = QStringLiteral("Not enough space on Card: 1 KB free, ~1 KB required.");
    EXPECT_EQ(jobNamed("big.mov").status, JobStatus::failed(message));
    EXPECT_EQ(jobLines(), (QStringList{"--- Starting: big.mov → big.mov_TC.mov ---", "FAILED preflight: big.mov — " + message}));

    queue->setVolumeInfoProvider([](const QString&) { return CorrectionQueue::VolumeInfo{1100, std::nullopt}; });
    queue->retryJob(jobNamed("big.mov").id);
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(runner->calls.size(), 1);
}

TEST_F(ProcessingTest, StandardResultDecidesEscalationAndTheJobsEnd) {
    struct Case {
        QList<CheckSeverity> standard, thorough;
        QStringList lines;  // after "Verifying (Standard): clip.mov"
        JobStatus status;
        int flagged;
    };
    const QList<Case> cases{
        {{CheckSeverity::pass, CheckSeverity::info}, {}, {"VERIFY ✓: clip.mov", "SUCCESS: clip.mov"}, JobStatus::completed(), 0},
        {{CheckSeverity::pass, CheckSeverity::warning},
         {CheckSeverity::warning, CheckSeverity::pass},
         {"Verifying (byte-exact, escalated): clip.mov", "VERIFY ⚠: clip.mov", "SUCCESS: clip.mov"},
         JobStatus::completed(),
         1},
        {{CheckSeverity::fail},
         {CheckSeverity::info, CheckSeverity::fail, CheckSeverity::fail},
         {"Verifying (byte-exact, escalated): clip.mov", "VERIFY ✗: clip.mov — detail 1"},
         JobStatus::failed("Verification failed: detail 1"),
         0},
    };
    for (const auto& c : cases) {
        queue->clearQueue();
        clearOutputs();
        verifier->calls.clear();
        verifier->standardSeverities = c.standard;
        verifier->thoroughSeverities = c.thorough;
        const int start = queue->logLines().size();
        addJob(QStringLiteral("clip.mov"));
        ASSERT_TRUE(runToEnd());
        QStringList lines = messages(*queue).mid(start);
        lines = lines.mid(lines.indexOf(QStringLiteral("Verifying (Standard): clip.mov")) + 1);
        lines.removeLast();  // "=== Queue processing complete ==="
        EXPECT_EQ(lines, c.lines);
        const auto& job = jobNamed("clip.mov");
        EXPECT_EQ(job.status, c.status);
        // The escalated job keeps its tier, and the thorough result replaces the first.
        EXPECT_EQ(verifier->calls.size(), c.thorough.isEmpty() ? 1 : 2);
        EXPECT_EQ(verifier->jobs.last().verifyTier, VerifyTier::standard);
        EXPECT_EQ(job.verification->checks.size(), (c.thorough.isEmpty() ? c.standard : c.thorough).size());
        EXPECT_EQ(queue->flaggedCount(), c.flagged);
    }
}

// The checks read the output under its hidden partial name; what they say names
// the output where it was saved, also when a file at its name made it take another:
// the stored result, the job's message and the console.
TEST_F(ProcessingTest, TheChecksNameTheOutputWhereItWasSaved) {
    struct Case {
        const char* name;
        QList<CheckSeverity> standard, thorough;
        QString line;  // naming the file
    };
    const QString saved = folder + QStringLiteral("/out/a_TC-2.mov");
    const Case cases[] = {
        {"failed, escalated", {CheckSeverity::fail}, {CheckSeverity::pass, CheckSeverity::fail},
         "VERIFY ✗: a — detail 1 of " + saved},
        {"clean", {CheckSeverity::pass, CheckSeverity::info}, {}, {}},
    };
    verifier->namesTheFile = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        queue->clearQueue();
        clearOutputs();
        ASSERT_TRUE(writeFile(folder + QStringLiteral("/out/a_TC.mov"), "someone else's"));
        verifier->standardSeverities = c.standard;
        verifier->thoroughSeverities = c.thorough;
        const int start = queue->logLines().size();
        addJob(QStringLiteral("a"));
        ASSERT_TRUE(runToEnd());
        const auto& job = jobNamed(QStringLiteral("a"));
        EXPECT_EQ(job.outputPath, saved);
        ASSERT_TRUE(job.verification);
        for (const auto& check : job.verification->checks) {
            EXPECT_TRUE(check.detail.endsWith(" of " + saved)) << check.detail.toStdString();
        }
        const QStringList naming = messages(*queue).mid(start).filter(QStringLiteral(" of /"));
        EXPECT_EQ(naming, c.line.isEmpty() ? QStringList{} : QStringList{c.line});
        if (!c.line.isEmpty()) {
            EXPECT_EQ(job.status, JobStatus::failed(QString(c.line).replace(QStringLiteral("VERIFY ✗: a — "),
                                                                      QStringLiteral("Verification failed: "))));
        }
    }
}

TEST_F(ProcessingTest, ThoroughTierRunsDeepWithoutTheEscalationLine) {
    verifier->holdThorough = true;
    addJob(QStringLiteral("clip.mov"), VerifyTier::thorough);
    queue->start();
    ASSERT_TRUE(waitFor([&] { return verifier->held != nullptr; }));
    EXPECT_TRUE(queue->isDeepVerifying());
    EXPECT_EQ(queue->currentlyVerifyingJobId(), jobNamed("clip.mov").id);

    verifier->heldProgress(0.6);
    ASSERT_TRUE(waitFor([&] { return jobNamed("clip.mov").verificationProgress == 0.6; }));
    verifier->releaseHeld();
    ASSERT_TRUE(waitFor([&] { return !queue->isProcessing(); }));
    EXPECT_EQ(jobNamed("clip.mov").status, JobStatus::completed());
    EXPECT_FALSE(messages(*queue).contains(QStringLiteral("Verifying (byte-exact, escalated): clip.mov")));
    EXPECT_TRUE(messages(*queue).contains(QStringLiteral("Verifying (Thorough): clip.mov")));
    EXPECT_FALSE(queue->isDeepVerifying());
    EXPECT_FALSE(queue->currentlyVerifyingJobId());
}

// A cancel that comes once the tool has ended well does not stop the job: Stop or
// the row's cancel during the checks marks the job cancelled at once, the checks
// run on undisturbed, and their result then ends the job completed or failed.
TEST_F(ProcessingTest, ACancelDuringTheChecksLetsTheirResultDecide) {
    struct Case {
        const char* name;
        bool wholeQueue;
        QList<CheckSeverity> thorough;
        JobStatus status;
        QStringList lines;  // from the cancel on
    };
    const QString failed = QStringLiteral("Verification failed: detail 1");
    const Case cases[] = {
        {"Stop, checks pass", true, {CheckSeverity::pass, CheckSeverity::pass}, JobStatus::completed(),
         {"Cancelled active job: stopped.mov", "Cancelled 1 pending job", "=== Queue stopped ===",
          "VERIFY ✓: stopped.mov", "SUCCESS: stopped.mov", "=== Queue processing complete ==="}},
        {"the row's cancel, checks fail", false, {CheckSeverity::pass, CheckSeverity::fail}, JobStatus::failed(failed),
         {"Cancelled job: cancelled.mov", "VERIFY ✗: cancelled.mov — detail 1", "=== Queue processing complete ==="}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearOutputs();
        queue->clearQueue();
        verifier->holdThorough = true;
        verifier->held.reset();
        verifier->thoroughSeverities = c.thorough;
        const QString name = c.wholeQueue ? QStringLiteral("stopped.mov") : QStringLiteral("cancelled.mov");
        const auto clip = addJob(name, VerifyTier::thorough);
        if (c.wholeQueue) addJob(QStringLiteral("next.mov"), VerifyTier::off);
        queue->start();
        ASSERT_TRUE(waitFor([&] { return verifier->held != nullptr; }));
        const auto held = verifier->held;
        verifier->heldProgress(0.5);
        ASSERT_TRUE(waitFor([&] { return jobNamed(name).verificationProgress == 0.5; }));

        const int before = queue->logLines().size();
        if (c.wholeQueue) queue->stop();
        else queue->cancelCurrentJob();
        // The row shows the cancel at once; the checks are not told to stop.
        EXPECT_EQ(jobNamed(name).status, JobStatus::cancelled());
        EXPECT_EQ(jobNamed(name).progress, 0);
        EXPECT_FALSE(held->future().isCanceled());
        QTest::qWait(20);
        EXPECT_TRUE(queue->isProcessing());
        EXPECT_EQ(queue->currentlyVerifyingJobId(), clip.id);
        EXPECT_TRUE(queue->isDeepVerifying());

        verifier->releaseHeld();
        ASSERT_TRUE(waitFor([&] { return !queue->isProcessing(); }));
        const CorrectionJob& ended = jobNamed(name);
        EXPECT_EQ(ended.status, c.status);
        ASSERT_TRUE(ended.verification.has_value());
        EXPECT_EQ(ended.verification->checks.size(), c.thorough.size());
        EXPECT_TRUE(QFileInfo(ended.outputPath).isFile());  // under its name, good or bad
        EXPECT_EQ(messages(*queue).mid(before), c.lines);
        EXPECT_FALSE(queue->currentlyVerifyingJobId());
        EXPECT_FALSE(queue->isDeepVerifying());
        EXPECT_TRUE(queue->accessedSecurityScopedResources().isEmpty());
        if (c.wholeQueue) {
            EXPECT_EQ(jobNamed("next.mov").status, JobStatus::cancelled());
        }
    }
    EXPECT_EQ(runner->calls.size(), 2);
    EXPECT_EQ(sleepReleased, 2);
}

// Cancelling the job whose checks wait for a manual verification to end: its
// checks still run once the manual one has ended, and decide; the loop then goes on.
TEST_F(ProcessingTest, CancelWhileWaitingForAManualVerification) {
    const auto done = addJob(QStringLiteral("done.mov"));
    ASSERT_TRUE(runToEnd());
    verifier->holdThorough = true;
    queue->manualThoroughVerify(done.id);
    ASSERT_TRUE(waitFor([&] { return verifier->held != nullptr; }));  // after its files are looked for
    addJob(QStringLiteral("waiting.mov"));
    addJob(QStringLiteral("after.mov"), VerifyTier::off);
    queue->start();
    // Corrected, and its verification waits for the manual one.
    ASSERT_TRUE(waitFor([&] { return runner->calls.size() == 2 && jobNamed("waiting.mov").progress == 1.0; }));
    queue->cancelCurrentJob();
    EXPECT_EQ(jobNamed("waiting.mov").status, JobStatus::cancelled());
    QTest::qWait(20);
    EXPECT_EQ(runner->calls.size(), 2);  // the loop waits for the job's checks
    EXPECT_EQ(verifier->calls.filter(QStringLiteral("waiting.mov")).size(), 0);

    verifier->holdThorough = false;
    verifier->releaseHeld();
    ASSERT_TRUE(waitFor([&] { return !queue->isProcessing(); }));
    EXPECT_EQ(verifier->calls.filter(QStringLiteral("waiting.mov")).size(), 1);
    EXPECT_EQ(jobNamed("waiting.mov").status, JobStatus::completed());
    EXPECT_EQ(jobNamed("after.mov").status, JobStatus::completed());
    EXPECT_EQ(runner->calls.size(), 3);
}

namespace {

// A verifier whose answers end without a result: thrown, cancelled by someone
// else, or finished with nothing in it.
class BrokenVerifier : public OutputVerifying {
public:
    enum class Way { throws, throwsUnknown, cancelled, empty };
    Way way = Way::throws;
    bool breakThorough = false;  // the standard run passes, the thorough one breaks

    QFuture<VerificationResult> verify(const CorrectionJob& job) override {
        if (breakThorough) return QtFuture::makeReadyFuture(resultOf(job.verifyTier, {CheckSeverity::pass}));
        return broken();
    }
    QFuture<VerificationResult> verifyThorough(const CorrectionJob&, ProgressCallback) override { return broken(); }

private:
    QFuture<VerificationResult> broken() const {
        switch (way) {
        case Way::throws: return QtFuture::makeExceptionalFuture<VerificationResult>(FakeError("probe went away"));
        case Way::throwsUnknown:
            return QtFuture::makeExceptionalFuture<VerificationResult>(
                std::make_exception_ptr(std::runtime_error("vector::_M_range_check")));
        case Way::cancelled:
        case Way::empty: break;
        }
        QPromise<VerificationResult> promise;
        promise.start();
        if (way == Way::cancelled) promise.future().cancel();
        promise.finish();
        return promise.future();
    }
};

}  // namespace

TEST_F(ProcessingTest, AVerificationWithoutAResultFailsTheJobWithItsReason) {
    struct Case {
        BrokenVerifier::Way way;
        bool thorough;
        QString reason;
    };
    const Case cases[] = {
        {BrokenVerifier::Way::throws, false, "probe went away"},
        {BrokenVerifier::Way::throwsUnknown, false, "The verification stopped on an unexpected error."},
        {BrokenVerifier::Way::cancelled, false, "The verification was stopped before it ended."},
        {BrokenVerifier::Way::empty, false, "Verification ended without a result."},
        {BrokenVerifier::Way::empty, true, "Verification ended without a result."},
        {BrokenVerifier::Way::throws, true, "probe went away"},
        {BrokenVerifier::Way::cancelled, true, "The verification was stopped before it ended."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason.toStdString() + (c.thorough ? " (thorough)" : ""));
        auto broken = std::make_shared<BrokenVerifier>();
        broken->way = c.way;
        broken->breakThorough = c.thorough;
        CorrectionQueue own(runner, broken, folder + QStringLiteral("/own"));
        const QString source = folder + QStringLiteral("/src/clip.mov");
        writeFile(source, "x");
        own.enqueue(makeJob(source, folder + QStringLiteral("/out/clip_TC.mov"),
                            c.thorough ? VerifyTier::thorough : VerifyTier::standard));
        own.start();
        // Watched to the end of the loop, however the job ended.
        ASSERT_TRUE(waitFor([&] { return own.pendingCount() == 0 && !own.activeJob() && !own.isProcessing(); }));
        ASSERT_EQ(own.failedCount(), 1);
        const auto& job = own.jobs().first();
        EXPECT_EQ(job.status, JobStatus::failed("Verification failed: " + c.reason));
        ASSERT_TRUE(job.verification);
        EXPECT_EQ(job.verification->outcome(), VerificationResult::Outcome::failed);
        EXPECT_EQ(own.doneCount() + own.flaggedCount(), 0);
        EXPECT_FALSE(messages(own).filter(QStringLiteral("SUCCESS")).size());
        own.clearQueue();
        own.waitForSaves();
    }
}

// A fault that is not one of the tools' own errors reaches the user in plain
// words; its own text is for the console.
TEST_F(ProcessingTest, AnUnexpectedRunnerFaultIsToldInPlainWords) {
    runner->finishAtOnce = false;
    addJob(QStringLiteral("clip.mov"));
    queue->start();
    ASSERT_TRUE(waitFor([&] { return runner->isRunning(); }));
    runner->calls[0].promise->setException(std::make_exception_ptr(std::length_error("basic_string::_M_create")));
    runner->calls[0].promise->finish();
    ASSERT_TRUE(waitFor([&] { return !queue->isProcessing(); }));
    const QString words = QStringLiteral("The correction stopped on an unexpected error.");
    EXPECT_EQ(jobNamed("clip.mov").status, JobStatus::failed(words));
    EXPECT_TRUE(messages(*queue).contains("FAILED: clip.mov — " + words));
    EXPECT_TRUE(messages(*queue).contains(QStringLiteral("Error detail: basic_string::_M_create")));
}

TEST_F(ProcessingTest, ManualVerifyOnlyForCompletedJobsAndOneAtATime) {
    const auto done = addJob(QStringLiteral("done.mov"));
    const auto other = addJob(QStringLiteral("other.mov"));
    ASSERT_TRUE(runToEnd());
    const auto pending = addJob(QStringLiteral("pending.mov"));
    verifier->calls.clear();

    queue->manualThoroughVerify(pending.id);  // not completed: nothing
    queue->manualThoroughVerify(QUuid::createUuid());
    EXPECT_TRUE(verifier->calls.isEmpty());

    verifier->holdThorough = true;
    verifier->thoroughSeverities = {CheckSeverity::pass, CheckSeverity::fail};
    const int lines = queue->logLines().size();
    queue->manualThoroughVerify(done.id);
    ASSERT_TRUE(waitFor([&] { return verifier->calls.size() == 1; }));  // once its files are looked for
    EXPECT_EQ(messages(*queue).mid(lines), QStringList{QStringLiteral("Manual thorough verify: done.mov")});
    EXPECT_EQ(verifier->jobs.last().verifyTier, VerifyTier::thorough);
    EXPECT_TRUE(queue->isDeepVerifying());
    queue->manualThoroughVerify(other.id);  // another verification runs: refused silently
    EXPECT_EQ(verifier->calls.size(), 1);

    // The loop's verification of a new job waits for the manual one to end.
    verifier->holdThorough = false;
    queue->start();
    ASSERT_TRUE(waitFor([&] { return runner->calls.size() == 3; }));
    QTest::qWait(20);
    EXPECT_EQ(verifier->calls.size(), 1);
    EXPECT_EQ(jobNamed("pending.mov").status, JobStatus::active());

    verifier->holdThorough = true;  // keeps the held promise's severities
    verifier->releaseHeld();
    ASSERT_TRUE(waitFor([&] { return !queue->isProcessing(); }));
    EXPECT_EQ(jobNamed("done.mov").status, JobStatus::failed("Verification failed: detail 1"));
    EXPECT_TRUE(messages(*queue).contains(QStringLiteral("VERIFY ✗ (manual): done.mov — detail 1")));
    EXPECT_EQ(verifier->calls.last(), QStringLiteral("standard pending.mov"));
    EXPECT_EQ(jobNamed("pending.mov").status, JobStatus::completed());

    // A failed job can be retried.
    queue->retryJob(done.id);
    EXPECT_EQ(jobNamed("done.mov").status, JobStatus::pending());
}

TEST_F(ProcessingTest, ManualVerifyOfARemovedJobStoresNothing) {
    const auto done = addJob(QStringLiteral("done.mov"));
    ASSERT_TRUE(runToEnd());
    verifier->holdThorough = true;
    verifier->thoroughSeverities = {CheckSeverity::warning};
    queue->manualThoroughVerify(done.id);
    ASSERT_TRUE(waitFor([&] { return verifier->held != nullptr; }));  // after its files are looked for
    queue->removeJob(done.id);
    verifier->releaseHeld();
    ASSERT_TRUE(waitFor([&] { return !queue->currentlyVerifyingJobId(); }));
    EXPECT_TRUE(queue->jobs().isEmpty());
    EXPECT_EQ(messages(*queue).last(), QStringLiteral("VERIFY ⚠ (manual): done.mov"));
}

TEST_F(ProcessingTest, ASourceFoundElsewhereByItsBookmarkIsTheOneUsed) {
    const QString original = folder + QStringLiteral("/src/take1.mov");
    writeFile(original, "camera original");
    auto job = makeJob(original, folder + QStringLiteral("/out/take1_TC.mov"), VerifyTier::standard);
    job.sourceBookmarkData = makeBookmark(original);
    job.outputBookmarkData = makeBookmark(folder + QStringLiteral("/out"));
    queue->enqueue(job);
    const QString renamed = folder + QStringLiteral("/src/take1 (renamed).mov");
    ASSERT_TRUE(QFile::rename(original, renamed));

    ASSERT_TRUE(runToEnd());
    ASSERT_EQ(runner->calls.size(), 1);
    EXPECT_EQ(runner->calls[0].job.sourcePath, renamed);
    EXPECT_EQ(verifier->jobs[0].sourcePath, renamed);
    const auto& stored = jobNamed("take1 (renamed).mov");
    EXPECT_EQ(stored.sourcePath, renamed);
    EXPECT_NE(stored.sourceBookmarkData, job.sourceBookmarkData);  // renewed
    EXPECT_FALSE(resolveBookmark(*stored.sourceBookmarkData)->isStale);
    EXPECT_EQ(startedAccessCount(renamed), 0);
}

// Finding a moved source reads its folder: that happens on a worker while the
// window goes on, and a Stop meanwhile wins.
TEST_F(ProcessingTest, AMovedSourceIsLookedForOffTheGuiThread) {
    const QString original = folder + QStringLiteral("/src/take1.mov");
    writeFile(original, "camera original");
    auto job = makeJob(original, folder + QStringLiteral("/out/take1_TC.mov"), VerifyTier::off);
    job.sourceBookmarkData = makeBookmark(original);
    queue->enqueue(job);
    const QString renamed = folder + QStringLiteral("/src/take1 (renamed).mov");
    ASSERT_TRUE(QFile::rename(original, renamed));

    {
        HeldPool held;
        queue->start();
        ASSERT_TRUE(waitFor([&] { return queue->isProcessing(); }));
        QTest::qWait(20);
        // Still looking, with nothing found or run yet.
        EXPECT_EQ(queue->jobs()[0].status, JobStatus::preparing());
        EXPECT_EQ(queue->jobs()[0].sourcePath, original);
        EXPECT_TRUE(runner->calls.isEmpty());
    }
    ASSERT_TRUE(waitFor([&] { return !queue->isProcessing(); }));
    ASSERT_EQ(runner->calls.size(), 1);
    EXPECT_EQ(runner->calls[0].job.sourcePath, renamed);
    EXPECT_EQ(queue->jobs()[0].status, JobStatus::completed());

    // Stopped while its source is looked for: cancelled, never run, nothing held.
    auto second = makeJob(renamed, folder + QStringLiteral("/out/take2_TC.mov"), VerifyTier::off);
    second.sourceBookmarkData = makeBookmark(renamed);
    queue->enqueue(second);
    {
        HeldPool held;
        queue->start();
        ASSERT_TRUE(waitFor([&] { return queue->isProcessing(); }));
        queue->stop();
    }
    ASSERT_TRUE(waitFor([&] { return !queue->isProcessing(); }));
    EXPECT_EQ(runner->calls.size(), 1);
    EXPECT_EQ(queue->jobs()[1].status, JobStatus::cancelled());
    EXPECT_EQ(startedAccessCount(renamed), 0);
}

TEST_F(ProcessingTest, CallbacksAfterTheQueueIsGoneAreDropped) {
    runner->finishAtOnce = false;
    addJob(QStringLiteral("a.mov"));
    queue->start();
    ASSERT_TRUE(waitFor([&] { return runner->isRunning(); }));
    auto call = runner->calls[0];
    queue.reset();
    call.progress(0.9);
    call.log(QStringLiteral("late"));
    FakeRunner::fail(call, "late failure");
    QTest::qWait(20);  // nothing may touch the destroyed queue
}

TEST_F(Preflight, NeedsTheSourceSizePlusATenth) {
    EXPECT_FALSE(freeSpaceProblem(1000, 1100, QStringLiteral("Disk")));
    const auto problem = freeSpaceProblem(1000, 1099, QStringLiteral("Media"));
    ASSERT_TRUE(problem);
    EXPECT_EQ(*problem, QStringLiteral("Not enough space on Media: 1 KB free, ~1 KB required."));
    // An unreadable source size needs nothing; unknown free space always passes.
    EXPECT_FALSE(freeSpaceProblem(0, 0, std::nullopt));
    EXPECT_FALSE(freeSpaceProblem(5'000'000'000, std::nullopt, std::nullopt));
}

TEST_F(Preflight, VolumeWithoutANameIsTheOutputVolume) {
    const auto problem = freeSpaceProblem(2'000'000'000, 1'500'000'000, std::nullopt);
    ASSERT_TRUE(problem);
    EXPECT_EQ(*problem, QStringLiteral("Not enough space on the output volume: 1.5 GB free, ~2.2 GB required."));
}

TEST_F(Preflight, ByteCountsReadLikeTheFileManager) {
    EXPECT_EQ(formatFileByteCount(0), QStringLiteral("Zero KB"));
    EXPECT_EQ(formatFileByteCount(1), QStringLiteral("1 byte"));
    EXPECT_EQ(formatFileByteCount(1500), QStringLiteral("2 KB"));
    EXPECT_EQ(formatFileByteCount(999'950), QStringLiteral("1 MB"));  // rounds up into the next unit
    EXPECT_EQ(formatFileByteCount(1'100'000), QStringLiteral("1.1 MB"));
    EXPECT_EQ(formatFileByteCount(1'234'567'890), QStringLiteral("1.23 GB"));
    EXPECT_EQ(formatFileByteCount(1'234'000'000'000'000), QStringLiteral("1.23 PB"));
}
