#pragma once

// Fakes and helpers for the queue tests: a runner and a verifier whose futures the
// test finishes, a sleep inhibitor that counts, and a ready-made job.

#include "Vantrel/tools/BundledToolResolver.h"
#include "TestMedia.h"
#include "Vantrel/queue/CorrectionQueue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QException>
#include <QFileInfo>
#include <QPromise>
#include <QSemaphore>
#include <QThreadPool>
#include <QTest>
#include <QFuture>

#include <initializer_list>
#include <memory>

namespace queuetest {

using namespace vantrel;

using testsupport::ensureApplication;

template <typename Predicate>
bool waitFor(Predicate predicate, int timeoutMs = 10000) {
    return QTest::qWaitFor(predicate, timeoutMs);
}

class FakeError : public QException {
public:
    explicit FakeError(QByteArray text) : text_(std::move(text)) {}
    const char* what() const noexcept override { return text_.constData(); }
    void raise() const override { throw *this; }
    FakeError* clone() const override { return new FakeError(*this); }

private:
    QByteArray text_;
};

// Runs nothing: each run's future is finished by the test (or at once). A run
// that succeeds writes a few bytes where the job says, as the tool would; a
// cancel of its token fails it as the real runner's does.
class FakeRunner : public CorrectionRunning {
public:
    struct Call {
        CorrectionJob job;
        std::shared_ptr<QPromise<void>> promise;
        ProgressCallback progress;
        LogCallback log;
        CancellationToken token;
    };

    bool available = true;
    bool finishAtOnce = true;  // otherwise the test finishes each run
    QList<Call> calls;
    int cancels = 0;

    bool isAvailable() const override { return available; }

    using CorrectionRunning::run;
    QFuture<void> run(const CorrectionJob& job, ProgressCallback progress, LogCallback log,
                      CancellationToken token) override {
        auto promise = std::make_shared<QPromise<void>>();
        promise->start();
        calls.append({job, promise, progress, log, token});
        token.onCancel([this, promise] {
            ++cancels;
            if (!promise->future().isFinished()) fail(*promise, "Operation was cancelled");
        });
        if (finishAtOnce) succeed(calls.size() - 1);
        return promise->future();
    }

    void cancel() override {
        for (auto& call : calls) call.token.cancel();
    }

    void succeed(qsizetype index) {
        Call& call = calls[index];
        call.progress(0.5);
        call.log(QStringLiteral("tool says hello"));
        QDir().mkpath(QFileInfo(call.job.outputPath).absolutePath());
        QFile output(call.job.outputPath);
        if (output.open(QIODevice::WriteOnly)) output.write("corrected");
        call.promise->finish();
    }

    static void fail(Call& call, const QByteArray& text) { fail(*call.promise, text); }
    static void fail(QPromise<void>& promise, const QByteArray& text) {
        promise.setException(FakeError(text));
        promise.finish();
    }

    bool isRunning() const { return !calls.isEmpty() && !calls.last().promise->future().isFinished(); }
    // Whether the latest run was told to stop (at once, by its token).
    bool lastRunStopped() const { return !calls.isEmpty() && calls.last().token.isCancelled(); }
};

// Checks "Check n" with details "detail n", or "detail n of <file>" when a checked file is named.
inline VerificationResult resultOf(VerifyTier tier, QList<CheckSeverity> severities, const QString& checked = {}) {
    VerificationResult result{tier, {}, QDateTime::currentDateTimeUtc(), 0.5};
    int n = 0;
    for (auto severity : severities) {
        result.checks.append({VerificationCheck::Kind::duration, severity, QStringLiteral("Check %1").arg(n),
                              QStringLiteral("detail %1").arg(n) + (checked.isEmpty() ? QString() : " of " + checked)});
        ++n;
    }
    return result;
}

class FakeVerifier : public OutputVerifying {
public:
    QList<CheckSeverity> standardSeverities{CheckSeverity::pass};
    QList<CheckSeverity> thoroughSeverities{CheckSeverity::pass, CheckSeverity::pass};
    bool holdThorough = false;  // the test finishes thorough runs through `held`
    bool holdStandard = false;  // and standard runs through `heldStandard`
    bool namesTheFile = false;  // the details of unheld runs name the file checked
    QStringList calls;          // "standard <source name>" / "thorough <source name>"
    QList<CorrectionJob> jobs;  // as each call received it
    std::shared_ptr<QPromise<VerificationResult>> held;
    std::shared_ptr<QPromise<VerificationResult>> heldStandard;
    ProgressCallback heldProgress;

    QFuture<VerificationResult> verify(const CorrectionJob& job) override {
        calls << QStringLiteral("standard ") + job.sourceName();
        jobs << job;
        if (holdStandard) {
            heldStandard = std::make_shared<QPromise<VerificationResult>>();
            heldStandard->start();
            heldStandardTier = job.verifyTier;
            return heldStandard->future();
        }
        return QtFuture::makeReadyFuture(resultOf(job.verifyTier, standardSeverities, checked(job)));
    }

    // Finishes the held standard run with `standardSeverities`.
    void releaseHeldStandard() {
        auto promise = std::exchange(heldStandard, nullptr);
        promise->addResult(resultOf(heldStandardTier, standardSeverities));
        promise->finish();
    }

    QFuture<VerificationResult> verifyThorough(const CorrectionJob& job, ProgressCallback progress) override {
        calls << QStringLiteral("thorough ") + job.sourceName();
        jobs << job;
        if (holdThorough) {
            held = std::make_shared<QPromise<VerificationResult>>();
            held->start();
            heldProgress = progress;
            heldTier = job.verifyTier;
            return held->future();
        }
        progress(0.1);
        progress(1.0);
        return QtFuture::makeReadyFuture(resultOf(job.verifyTier, thoroughSeverities, checked(job)));
    }

    void releaseHeld() {
        auto promise = std::exchange(held, nullptr);
        promise->addResult(resultOf(heldTier, thoroughSeverities));
        promise->finish();
    }

private:
    QString checked(const CorrectionJob& job) const { return namesTheFile ? job.outputPath : QString(); }

    VerifyTier heldTier = VerifyTier::thorough;
    VerifyTier heldStandardTier = VerifyTier::standard;
};

class CountingInhibitor : public SleepInhibitor {
public:
    explicit CountingInhibitor(int* acquired, int* released, bool grants = true)
        : acquired_(acquired), released_(released), grants_(grants) {}
    bool acquire(const QString&) override {
        ++*acquired_;
        return grants_;
    }
    void release() override { ++*released_; }

private:
    int* acquired_;
    int* released_;
    bool grants_;
};

inline CorrectionJob makeJob(const QString& sourcePath, const QString& outputPath,
                             VerifyTier tier = VerifyTier::standard) {
    CorrectionJob job;
    job.id = QUuid::createUuid();
    job.sourcePath = sourcePath;
    job.outputPath = outputPath;
    job.assignedTimecodeString = QStringLiteral("01:00:00:00");
    job.frameRate = FrameRate{25, 1, 25, false};
    job.fixMode = FixMode::manual;
    job.verifyTier = tier;
    job.createdAt = QDateTime(QDate(2025, 3, 1), QTime(14, 5, 9), Qt::UTC);
    return job;
}

// A resolver whose "ffmpeg" starts writing its output (the last argument) and then
// waits for a minute, so that a run can be cancelled at leisure.
inline BundledToolResolver slowToolResolver(const QString& folder) {
    const QString helpers = folder + QStringLiteral("/slow-helpers");
    QDir().mkpath(helpers);
    QFile tool(helpers + QStringLiteral("/ffmpeg"));
    if (tool.open(QIODevice::WriteOnly)) {
        tool.write("#!/bin/sh\nfor last; do :; done\nprintf 'partial' > \"$last\"\nexec sleep 60\n");
        tool.close();
        tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return BundledToolResolver(BundledToolResolver::SearchList{helpers, {}});
}

// Every worker of a pool (the shared one unless named), or of several, held until
// released, so that work handed to them cannot begin meanwhile. The workers share
// the gate they wait at, so that it outlives this object for as long as any of them
// uses it.
class HeldPool {
public:
    explicit HeldPool(QThreadPool* pool = QThreadPool::globalInstance())
        : HeldPool(std::initializer_list<QThreadPool*>{pool}) {}
    explicit HeldPool(std::initializer_list<QThreadPool*> pools) : gates_(std::make_shared<Gates>()) {
        for (QThreadPool* pool : pools) {
            for (int i = 0; i < pool->maxThreadCount(); ++i, ++count_)
                pool->start([gates = gates_] {
                    gates->started.release();
                    gates->open.acquire();
                });
        }
        gates_->started.acquire(count_);
    }
    ~HeldPool() { release(); }
    void release() {
        gates_->open.release(count_);
        count_ = 0;
    }

private:
    struct Gates {
        QSemaphore started, open;
    };
    int count_ = 0;
    std::shared_ptr<Gates> gates_;
};

// The console lines without their "[time] " prefix.
inline QStringList messages(const CorrectionQueue& queue) {
    QStringList result;
    for (const QString& line : queue.logLines()) result << line.mid(line.indexOf(QStringLiteral("] ")) + 2);
    return result;
}

}  // namespace queuetest
