#pragma once

#include "Vantrel/queue/CorrectionJob.h"
#include "Vantrel/tools/CancellationToken.h"

#include <QFuture>
#include <QString>

#include <functional>

namespace vantrel {

// What the queue needs of the thing that runs one correction.
class CorrectionRunning {
public:
    using ProgressCallback = std::function<void(double fraction)>;
    using LogCallback = std::function<void(const QString& line)>;

    virtual ~CorrectionRunning() = default;

    // Whether the correction tool was found when the runner was made.
    virtual bool isAvailable() const = 0;

    // Corrects one job: writes the job's output file. The future finishes normally
    // when the file is written and whole, otherwise with an exception (a
    // QException) whose what() is the UTF-8 text of the error's description. The
    // callbacks may be called from any thread. Cancelling the token stops this run
    // (and no other); a run whose tool had already ended well still succeeds.
    virtual QFuture<void> run(const CorrectionJob& job, ProgressCallback progress, LogCallback log,
                              CancellationToken token) = 0;
    // A run with a token of its own, stopped by cancel().
    QFuture<void> run(const CorrectionJob& job, ProgressCallback progress, LogCallback log) {
        return run(job, std::move(progress), std::move(log), CancellationToken());
    }

    // Stops the run in progress, if any; returns at once.
    virtual void cancel() = 0;
};

}  // namespace vantrel
