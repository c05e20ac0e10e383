#pragma once

#include "Vantrel/queue/CorrectionJob.h"

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

    // Corrects one job. The future finishes normally when the output is in place,
    // otherwise with an exception (a QException) whose what() is the UTF-8 text of
    // the error's description. The callbacks may be called from any thread.
    virtual QFuture<void> run(const CorrectionJob& job, ProgressCallback progress, LogCallback log) = 0;

    // Stops the run in progress, if any; returns at once.
    virtual void cancel() = 0;
};

}  // namespace vantrel
