// Whatever a tool writes: arbitrary standard-error bytes, cut into chunks at
// arbitrary places, and arbitrary JSON from ffprobe. Nothing may crash, and
// progress must stay within [0, 0.99].
#include "Vantrel/tools/FFmpegWrapper.h"

#include <QJsonDocument>

#include <cstdint>
#include <cstdlib>

using namespace vantrel;
using Wrapper = FFmpegWrapper;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    auto owner = std::make_shared<int>(0);
    const std::optional<qint64> totalFrames =
        size > 0 && data[0] % 3 == 0 ? std::optional<qint64>(data[0]) : std::nullopt;
    Wrapper::ChunkProcessor processor(
        std::make_shared<Wrapper::OutputCollector>(), totalFrames,
        [](double fraction, const QString&) {
            if (!(fraction >= 0.0 && fraction <= 0.99)) std::abort();
        },
        [](const QString&) {}, [](const ProgressMetrics&) {}, owner, [](std::function<void()> block) { block(); });
    // A byte below 8 ends a chunk there, so the input also chooses where chunks are cut.
    Wrapper::Clock::time_point now{};
    qsizetype start = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || static_cast<unsigned char>(bytes[i]) < 8) {
            now += std::chrono::milliseconds(static_cast<unsigned char>(i < bytes.size() ? bytes[i] : 0) * 40);
            processor.process(QByteArrayView(bytes).sliced(start, i - start), now);
            start = i + 1;
        }
    }
    processor.finish(now);
    Wrapper::parseTimeString(QString::fromUtf8(bytes));

    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (document.isObject()) {
        const std::optional<QJsonObject> json = document.object();
        Wrapper::timecodeTrackCountFromJSON(json);
        Wrapper::streamParamsFromJSON(json);
        Wrapper::packetCountFromJSON(json);
        Wrapper::packetBytesFromJSON(json);
        Wrapper::durationFromJSON(json);
    }
    return 0;
}
