#pragma once

#include "Vantrel/queue/CorrectionJob.h"
#include "Vantrel/queue/VerificationResult.h"

#include <QFuture>

#include <functional>
#include <utility>

namespace vantrel {

// What the queue needs of the thing that checks a finished output. Neither
// operation fails: every finding is a check in the result.
class OutputVerifying {
public:
    using ProgressCallback = std::function<void(double fraction)>;

    virtual ~OutputVerifying() = default;

    // The standard checks.
    virtual QFuture<VerificationResult> verify(const CorrectionJob& job) = 0;

    // The standard checks again, then the byte-exact ones. The callback is called
    // off the main thread.
    virtual QFuture<VerificationResult> verifyThorough(const CorrectionJob& job, ProgressCallback progress) = 0;

    // The byte-exact checks after the standard ones have just been made for the
    // job; a verifier that can reuses them instead of measuring again.
    virtual QFuture<VerificationResult> verifyThoroughAfter(const CorrectionJob& job, const VerificationResult& standard,
                                                            ProgressCallback progress) {
        Q_UNUSED(standard);
        return verifyThorough(job, std::move(progress));
    }
};

}  // namespace vantrel
