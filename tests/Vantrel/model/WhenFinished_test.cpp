// Continuations with a context: called on the context's thread once the future
// has finished in any way, and never once the context is gone.
#include "FutureWatch/WhenFinished.h"
#include "TestMedia.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPromise>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>
#include <stdexcept>

using futurewatch::resultOf;
using futurewatch::whenFinished;

namespace {

struct Seen {
    int calls = 0;
    std::optional<int> result;
    bool cancelled = false;
    QThread* thread = nullptr;
};

auto recorder(Seen& seen) {
    return [&seen](const QFuture<int>& done) {
        ++seen.calls;
        seen.result = resultOf(done);
        seen.cancelled = done.isCanceled();
        seen.thread = QThread::currentThread();
    };
}

}  // namespace

TEST(WhenFinished, ResultsFromAWorkerArriveOnTheContextsThread) {
    testsupport::ensureApplication();
    QObject context;
    Seen seen;
    whenFinished(QtConcurrent::run([] { return 42; }), &context, recorder(seen));
    EXPECT_EQ(seen.calls, 0);  // never within the call, even for a future already done
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.calls > 0; }, 10000));
    EXPECT_EQ(seen.result, 42);
    EXPECT_EQ(seen.thread, context.thread());
    QTest::qWait(5);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_TRUE(context.children().isEmpty());  // the watcher is gone too
}

TEST(WhenFinished, CancelledAndFailedFuturesArriveWithoutAResult) {
    testsupport::ensureApplication();
    QObject context;
    Seen cancelled, failed;
    {
        QPromise<int> promise;
        whenFinished(promise.future(), &context, recorder(cancelled));
        promise.start();
        promise.future().cancel();
        promise.finish();
    }
    {
        QPromise<int> promise;
        whenFinished(promise.future(), &context, recorder(failed));
        promise.start();
        promise.setException(std::make_exception_ptr(std::runtime_error("reader fell over")));
        promise.finish();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return cancelled.calls && failed.calls; }, 10000));
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_FALSE(cancelled.result);
    EXPECT_FALSE(failed.result);
}

TEST(WhenFinished, NothingArrivesOnceTheContextIsGone) {
    testsupport::ensureApplication();
    Seen seen;
    auto context = std::make_unique<QObject>();
    QPromise<int> promise;
    promise.start();
    whenFinished(promise.future(), context.get(), recorder(seen));
    // Finished, but its news not yet delivered, when the context goes.
    auto early = std::make_unique<QObject>();
    whenFinished(QtConcurrent::run([] { return 1; }), early.get(), recorder(seen));
    QThreadPool::globalInstance()->waitForDone();
    early.reset();
    context.reset();
    promise.addResult(7);
    promise.finish();
    QTest::qWait(20);
    EXPECT_EQ(seen.calls, 0);
}
