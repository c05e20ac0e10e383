// Comparisons of what the standard verification measured on source and output.
// Every mismatch is a warning that sends the job on to the byte-exact hash.
#include "Vantrel/queue/VerificationResult.h"

#include "Vantrel/media/FrameRate.h"

#include <QLocale>

#include <cmath>

namespace vantrel {

namespace {

const QString escalating = QStringLiteral(" — escalating to byte-exact hash.");

using Kind = VerificationCheck::Kind;

VerificationCheck compareCounts(Kind kind, const QString& stream, qint64 source, qint64 output, const QString& unit,
                                const QString& failure) {
    const QString label = (kind == Kind::packetCount ? QStringLiteral("Packet count (") : QStringLiteral("Packet bytes (")) +
                          stream + QLatin1Char(')');
    if (source < 0 || output < 0) return {kind, CheckSeverity::warning, label, failure};
    if (source == output) {
        return {kind, CheckSeverity::pass, label, QStringLiteral("%1 %2 match the source.").arg(source).arg(unit)};
    }
    const QLocale locale;
    return {kind, CheckSeverity::warning, label,
            QStringLiteral("%1 %2 ≠ source %3").arg(locale.toString(output), unit, locale.toString(source)) + escalating};
}

}  // namespace

VerificationCheck VerificationCheck::codecParams(const QString& stream, const std::optional<StreamParams>& source,
                                                 const std::optional<StreamParams>& output) {
    const QString label = QStringLiteral("Codec params (") + stream + QLatin1Char(')');
    if (source && !output) {
        // The output lost a stream the source has: never a clean result.
        return {Kind::codecParams, CheckSeverity::warning, label,
                QStringLiteral("Output has no ") + stream + QStringLiteral(" stream although the source has one") +
                    escalating};
    }
    if (!source || !output) {
        return {Kind::codecParams, CheckSeverity::info, label,
                QStringLiteral("Codec parameters for ") + stream + QStringLiteral(" could not be read on one side.")};
    }
    if (*source == *output) {
        return {Kind::codecParams, CheckSeverity::pass, label,
                streamParamsSummary(*source) + QStringLiteral(" carried across unchanged.")};
    }
    return {Kind::codecParams, CheckSeverity::warning, label,
            QStringLiteral("Codec parameters changed: source ") + streamParamsSummary(*source) +
                QStringLiteral(" → output ") + streamParamsSummary(*output) + escalating};
}

VerificationCheck VerificationCheck::packetCount(const QString& stream, qint64 source, qint64 output) {
    return compareCounts(Kind::packetCount, stream, source, output, QStringLiteral("packets"),
                         QStringLiteral("Could not measure packets — probe failed."));
}

VerificationCheck VerificationCheck::packetBytes(const QString& stream, qint64 source, qint64 output) {
    return compareCounts(Kind::packetBytes, stream, source, output, QStringLiteral("bytes"),
                         QStringLiteral("Could not measure bytes — probe failed."));
}

VerificationCheck VerificationCheck::duration(qint64 sourceMs, qint64 outputMs, const FrameRate& rate) {
    const QString label = QStringLiteral("Duration");
    // A rate of 0/1 makes a frame endlessly long (every difference is within it);
    // a rate with no sensible frame length at all defers to the hash.
    const double frame = 1000.0 / (double(rate.numerator) / double(rate.denominator));
    if (sourceMs < 0 || outputMs < 0 || !(frame > 0)) {
        return {Kind::duration, CheckSeverity::info, label,
                QStringLiteral("Duration unavailable on one side — deferring to the hash.")};
    }
    const qint64 delta = sourceMs > outputMs ? sourceMs - outputMs : outputMs - sourceMs;
    if (!(frame >= double(delta))) {
        return {Kind::duration, CheckSeverity::warning, label,
                QStringLiteral("Duration differs by %1 ms (> 1 frame ≈ %2 ms)").arg(delta).arg(std::llround(frame)) +
                    escalating};
    }
    if (delta != 0) {
        return {Kind::duration, CheckSeverity::info, label,
                QStringLiteral("Duration matches within a frame (Δ %1 ms).").arg(delta)};
    }
    return {Kind::duration, CheckSeverity::info, label, QStringLiteral("Duration matches the source exactly.")};
}

VerificationCheck VerificationCheck::containerChangedNote(const QString& stream) {
    return {Kind::packetBytes, CheckSeverity::info, QStringLiteral("Packet bytes (") + stream + QLatin1Char(')'),
            QStringLiteral("Container changed — packet-byte/count checks skipped (a bitstream filter rewrites them "
                           "legitimately); the byte-exact hash still applies.")};
}

}  // namespace vantrel
