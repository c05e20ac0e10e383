#pragma once

#include <QFuture>
#include <QString>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace vantrel {

// One background thread that runs submitted work one item at a time, in the
// order it was submitted. Each submission returns a QFuture; callers on the GUI
// thread get the result back on their own thread with whenFinished
// (FutureWatch/WhenFinished.h). Destroying the worker waits for the work already submitted.
class SerialWorker {
public:
    explicit SerialWorker(const QString& name) {
        pool_.setMaxThreadCount(1);
        pool_.setObjectName(name);
    }
    ~SerialWorker() { pool_.waitForDone(); }
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    // Returns once the work submitted so far has run.
    void waitForDone() { pool_.waitForDone(); }

    template <typename Function>
    auto submit(Function&& function) {
        return QtConcurrent::run(&pool_, std::forward<Function>(function));
    }

private:
    QThreadPool pool_;
};

}  // namespace vantrel
