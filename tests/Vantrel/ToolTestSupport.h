#pragma once

// Shared by the tool tests: an application object for the main-thread callbacks,
// and waiting for a future while those callbacks are delivered.
#include "TestMedia.h"

#include <QCoreApplication>
#include <QFuture>
#include <QTest>

namespace tooltest {

// Never destroyed: worker threads may still post to it while the tests exit.
// Make it before starting any tool: making it sets environment variables, and a
// process started on another thread meanwhile can be handed a freed environment
// (its exec then fails with "Bad address").
inline QCoreApplication* app() {
    testsupport::ensureApplication();
    return QCoreApplication::instance();
}

// Runs the event loop until the future has finished, then delivers every
// callback posted before that. False on timeout.
template <typename T>
bool waitFor(const QFuture<T>& future, int timeoutMs = 30000) {
    app();
    const bool finished = QTest::qWaitFor([&] { return future.isFinished(); }, timeoutMs);
    QCoreApplication::sendPostedEvents();
    return finished;
}

}  // namespace tooltest
