#pragma once

// The writer that keeps the queue file up to date.

#include "Vantrel/queue/CorrectionJob.h"
#include "Vantrel/queue/DurableFile.h"

#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

class QMutex;
class QWaitCondition;

namespace vantrel {

// Writes snapshots of the jobs to the queue file on a thread of its own. A request
// made while a write is under way replaces any request still waiting, so a burst
// of changes costs one or two writes. Outcomes come back on the context's thread,
// in order.
//
// A write that fails (a full disk, a folder that went away) is not given up: its
// snapshot waits until the next request replaces it, and meanwhile is tried again
// after a delay that doubles after each failure. On the way out whatever is
// waiting, a failed snapshot included, is tried once more.
class QueueSaver {
public:
    using Outcome = std::optional<QString>;  // nothing, or why the file was left as it was
    using Delay = std::chrono::milliseconds;
    static constexpr Delay firstRetryDelay{2000};
    static constexpr Delay longestRetryDelay{30000};

    // The time the writer goes by while a failed write waits to be tried again: the
    // steady clock, waited on for real. Tests give one of their own.
    class Clock {
    public:
        using TimePoint = std::chrono::steady_clock::time_point;
        virtual ~Clock() = default;
        virtual TimePoint now() const;
        // Returns at `until`, or earlier when `wake` is signalled; `mutex` is held
        // on entry and on return.
        virtual void waitUntil(QWaitCondition& wake, QMutex& mutex, TimePoint until);
    };

    QueueSaver(QObject* context, std::function<void(const Outcome&)> deliver);
    ~QueueSaver();
    QueueSaver(const QueueSaver&) = delete;
    QueueSaver& operator=(const QueueSaver&) = delete;

    // `urgent`: someone is about to wait for this write.
    void request(const QString& path, QList<CorrectionJob> jobs, bool urgent = false);
    // Until every request made so far is written; their outcomes are delivered first.
    void wait();
    // Calls `then` on the context's thread (never from inside this call) once every
    // request made so far is written and its outcome delivered: with nothing when the
    // file holds the latest of them (or a newer one), else with why the write failed.
    void whenWritten(std::function<void(const Outcome&)> then);
    void setWriter(FileByteWriter writer);
    // The delay before the first retry of a failed write, and the most it grows to.
    void setRetryDelays(Delay first, Delay longest);
    void setClock(std::shared_ptr<Clock> clock);

private:
    struct State;
    void work();
    static void deliverDue(State& state, bool followUps);
    static Outcome outcomeOf(const State& state, quint64 request);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace vantrel
