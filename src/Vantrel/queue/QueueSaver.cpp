// Writing the queue file on a thread of its own.
#include "Vantrel/queue/QueueSaver.h"

#include "Vantrel/queue/QueueFile.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QMutexLocker>
#include <QWaitCondition>

#include <algorithm>

namespace vantrel {

// Notes for a look into what the writer did (QT_LOGGING_RULES="vantrel.QueueSaver.info=true").
Q_LOGGING_CATEGORY(lcQueueSaver, "vantrel.QueueSaver", QtWarningMsg)

struct QueueSaver::State {
    QMutex mutex;
    QWaitCondition changed;
    QString path;
    std::optional<QList<CorrectionJob>> waiting;  // the newest request not yet taken
    bool urgent = false;                          // someone waits for it
    quint64 requested = 0;  // requests made
    quint64 taken = 0;      // the newest request the writer took
    quint64 written = 0;    // the newest request written (or failed)
    quint64 stored = 0;     // the newest request whose snapshot is in the file
    Outcome lastFailure;    // why the latest write that failed did
    QList<Outcome> outcomes;  // not yet delivered
    QList<std::pair<quint64, std::function<void(const Outcome&)>>> followUps;
    bool stopping = false;
    // The bytes of the latest write, while it failed and no newer request replaced
    // them, and when they are tried again.
    std::optional<QByteArray> failed;
    QString failedPath;
    quint64 failedRequest = 0;
    std::shared_ptr<Clock> clock = std::make_shared<Clock>();
    Clock::TimePoint retryAt;
    Delay firstDelay = firstRetryDelay;
    Delay longestDelay = longestRetryDelay;
    Delay nextDelay = firstRetryDelay;
    FileByteWriter writer;
    QObject* context = nullptr;
    std::function<void(const Outcome&)> deliver;
};

QueueSaver::Clock::TimePoint QueueSaver::Clock::now() const { return std::chrono::steady_clock::now(); }

void QueueSaver::Clock::waitUntil(QWaitCondition& wake, QMutex& mutex, TimePoint until) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - now());
    wake.wait(&mutex, QDeadlineTimer(std::max<qint64>(left.count(), 0)));
}

// Hands the outcomes not yet delivered to the queue, then (when asked) the
// follow-ups whose requests are all written.
void QueueSaver::deliverDue(State& state, bool followUps) {
    QList<Outcome> outcomes;
    QList<std::pair<Outcome, std::function<void(const Outcome&)>>> due;
    {
        QMutexLocker lock(&state.mutex);
        outcomes = std::exchange(state.outcomes, {});
        for (auto it = state.followUps.begin(); followUps && it != state.followUps.end();) {
            if (it->first <= state.written) {
                due.append({outcomeOf(state, it->first), std::move(it->second)});
                it = state.followUps.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const Outcome& outcome : outcomes) state.deliver(outcome);
    for (auto& [outcome, then] : due) then(outcome);
}

// Whether the file holds the snapshot of the request, or a newer one; the mutex is held.
QueueSaver::Outcome QueueSaver::outcomeOf(const State& state, quint64 request) {
    if (state.stored >= request) return std::nullopt;
    return state.lastFailure;
}

QueueSaver::QueueSaver(QObject* context, std::function<void(const Outcome&)> deliver)
    : state_(std::make_shared<State>()) {
    state_->context = context;
    state_->deliver = std::move(deliver);
}

QueueSaver::~QueueSaver() {
    {
        QMutexLocker lock(&state_->mutex);
        state_->stopping = true;
        state_->changed.wakeAll();
    }
    // The writer finishes what is waiting, and tries a failed write once more,
    // before it stops.
    if (thread_.joinable()) thread_.join();
}

void QueueSaver::setWriter(FileByteWriter writer) {
    QMutexLocker lock(&state_->mutex);
    state_->writer = std::move(writer);
}

void QueueSaver::setRetryDelays(Delay first, Delay longest) {
    QMutexLocker lock(&state_->mutex);
    state_->firstDelay = first;
    state_->longestDelay = std::max(first, longest);
    state_->nextDelay = first;
}

void QueueSaver::setClock(std::shared_ptr<Clock> clock) {
    QMutexLocker lock(&state_->mutex);
    state_->clock = std::move(clock);
}

void QueueSaver::request(const QString& path, QList<CorrectionJob> jobs, bool urgent) {
    QMutexLocker lock(&state_->mutex);
    state_->path = path;
    state_->waiting = std::move(jobs);
    state_->failed.reset();  // the newer snapshot takes its place
    state_->urgent = state_->urgent || urgent;
    ++state_->requested;
    state_->changed.wakeAll();
    if (!thread_.joinable()) thread_ = std::thread([this] { work(); });
}

void QueueSaver::work() {
    const std::shared_ptr<State> state = state_;
    QMutexLocker lock(&state->mutex);
    for (;;) {
        // Until there is a request, a failed write is due again, or the saver goes.
        while (!state->waiting && !state->stopping && !(state->failed && state->clock->now() >= state->retryAt)) {
            if (state->failed) {
                state->clock->waitUntil(state->changed, state->mutex, state->retryAt);
            } else {
                state->changed.wait(&state->mutex);
            }
        }
        // On the way out each snapshot is tried once: a disk that stays full cannot
        // hold up the quit.
        const bool lastChance = state->stopping;
        QList<CorrectionJob> jobs;
        QByteArray data;
        QString path;
        std::optional<quint64> generation;  // none: a failed write tried again
        quint64 snapshot = 0;               // the request whose jobs are written
        bool urgent = false;
        if (state->waiting) {
            jobs = std::move(*state->waiting);
            state->waiting.reset();
            urgent = std::exchange(state->urgent, false);
            generation = state->requested;
            snapshot = *generation;
            state->taken = *generation;
            path = state->path;
        } else if (state->failed) {
            data = std::move(*state->failed);
            state->failed.reset();
            path = state->failedPath;
            snapshot = state->failedRequest;
        } else {
            return;
        }
        const FileByteWriter writer = state->writer;
        lock.unlock();

        if (generation) {
            data = encodeQueueFile(jobs, urgent);
            jobs.clear();
        }
        const Outcome outcome = replaceFileContents(path, data, writer);

        lock.relock();
        if (generation) state->written = *generation;
        if (outcome) state->lastFailure = outcome;
        if (!outcome) {
            state->stored = std::max(state->stored, snapshot);
            state->nextDelay = state->firstDelay;
        } else if (lastChance) {
            // What that loses the user has been told by the end itself: the quit box
            // asked, or the signal's line said so.
            qCInfo(lcQueueSaver).noquote() << "The queue file could not be written on the way out:" << *outcome;
        } else if (!state->waiting) {
            state->failed = std::move(data);
            state->failedPath = path;
            state->failedRequest = snapshot;
            state->retryAt = state->clock->now() + state->nextDelay;
            state->nextDelay = std::min(state->nextDelay * 2, state->longestDelay);
        }
        state->outcomes.append(outcome);
        state->changed.wakeAll();
        // The outcome is delivered on the queue's thread; posted events die with
        // their receiver, and the weak state with the saver.
        const std::weak_ptr<State> weak = state;
        QMetaObject::invokeMethod(
            state->context,
            [weak] {
                if (const auto alive = weak.lock()) deliverDue(*alive, true);
            },
            Qt::QueuedConnection);
    }
}

void QueueSaver::wait() {
    {
        QMutexLocker lock(&state_->mutex);
        const quint64 target = state_->requested;
        while (state_->written < target) state_->changed.wait(&state_->mutex);
    }
    deliverDue(*state_, false);
}

void QueueSaver::whenWritten(std::function<void(const Outcome&)> then) {
    QMutexLocker lock(&state_->mutex);
    if (state_->written >= state_->requested && state_->outcomes.isEmpty()) {
        const Outcome outcome = outcomeOf(*state_, state_->requested);
        lock.unlock();
        QMetaObject::invokeMethod(
            state_->context, [then = std::move(then), outcome] { then(outcome); }, Qt::QueuedConnection);
        return;
    }
    state_->followUps.append({state_->requested, std::move(then)});
}

}  // namespace vantrel
