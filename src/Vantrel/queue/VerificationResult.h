#pragma once

// What verifying one output found: a list of checks, each with a severity, and
// what every consumer derives from them (worst severity, outcome, summary).

#include "Vantrel/tools/StreamParams.h"
#include "Vantrel/queue/VerifyTier.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace vantrel {

struct FrameRate;

// Ordered by raw value: pass < info < warning < fail. Stored as the integer.
enum class CheckSeverity : int { pass = 0, info = 1, warning = 2, fail = 3 };

std::optional<CheckSeverity> checkSeverityFromRawValue(qint64 raw);

struct VerificationCheck {
    enum class Kind {
        readability,
        timecodeWriteBack,
        singleTimecodeTrack,
        packetCount,
        packetBytes,
        duration,
        codecParams,
        streamHash,
        fullDecode,
    };

    Kind kind = Kind::readability;
    CheckSeverity severity = CheckSeverity::pass;
    QString label;   // the chip's short name
    QString detail;  // one sentence explaining the result

    friend bool operator==(const VerificationCheck&, const VerificationCheck&) = default;

    QJsonObject toJson() const;
    static std::optional<VerificationCheck> fromJson(const QJsonValue& value);

    // Comparisons of what the standard tier measured on source and output.
    // Negative counts, byte sums and durations mean the measurement failed.
    static VerificationCheck codecParams(const QString& stream, const std::optional<StreamParams>& source,
                                         const std::optional<StreamParams>& output);
    static VerificationCheck packetCount(const QString& stream, qint64 source, qint64 output);
    static VerificationCheck packetBytes(const QString& stream, qint64 source, qint64 output);
    static VerificationCheck duration(qint64 sourceMs, qint64 outputMs, const FrameRate& rate);
    static VerificationCheck containerChangedNote(const QString& stream);
};

QString checkKindRawValue(VerificationCheck::Kind kind);
std::optional<VerificationCheck::Kind> checkKindFromRawValue(QStringView raw);

struct VerificationResult {
    enum class Outcome { clean, warnings, failed };

    VerifyTier tier = VerifyTier::standard;
    QList<VerificationCheck> checks;  // in the order the checks ran
    QDateTime verifiedAt;             // when verification started
    double duration = 0;              // seconds

    friend bool operator==(const VerificationResult&, const VerificationResult&) = default;

    // The one result for jobs that asked for no verification.
    static VerificationResult skipped();

    CheckSeverity worstSeverity() const;
    Outcome outcome() const;
    QString summary() const;

    QJsonObject toJson() const;
    static std::optional<VerificationResult> fromJson(const QJsonValue& value);
};

// Summary text of a stream for check details, e.g. "h264 1920×1080 yuv420p" or "aac 48000 Hz".
QString streamParamsSummary(const StreamParams& params);

// Same container when the lower-cased path extensions are equal (no extension is the empty one).
bool isSameContainer(const QString& sourcePath, const QString& outputPath);

}  // namespace vantrel
