#pragma once

// The writer that keeps the queue file up to date.

#include "Vantrel/queue/CorrectionJob.h"
#include "Vantrel/queue/DurableFile.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace vantrel {

// Writes snapshots of the jobs to the queue file on a thread of its own. A request
// made while a write is under way replaces any request still waiting, so a burst
// of changes costs one or two writes. Outcomes come back on the context's thread,
// in order. On the way out whatever is waiting is still written.
class QueueSaver {
public:
    using Outcome = std::optional<QString>;  // nothing, or why the file was left as it was

    QueueSaver(QObject* context, std::function<void(const Outcome&)> deliver);
    ~QueueSaver();
    QueueSaver(const QueueSaver&) = delete;
    QueueSaver& operator=(const QueueSaver&) = delete;

    // `urgent`: someone is about to wait for this write.
    void request(const QString& path, QList<CorrectionJob> jobs, bool urgent = false);
    // Until every request made so far is written; their outcomes are delivered first.
    void wait();
    // Calls `then` on the context's thread (never from inside this call) once every
    // request made so far is written and its outcome delivered.
    void whenWritten(std::function<void()> then);
    void setWriter(FileByteWriter writer);

private:
    struct State;
    void work();
    static void deliverDue(State& state, bool followUps);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace vantrel
