// Timecode arithmetic at 29.97 drop-frame: sums in the wrapping and exact forms,
// an operand at another rate, intervals, rounding, a chain of offsets, and the
// JSON trip of the clipboard.
#include <benchmark/benchmark.h>

#include "TimecodeCore/TimecodeInterval.h"
#include "TimecodeCoreQt/TimecodeCoding.h"

using namespace timecode;

namespace {

Timecode at(std::string_view text, TimecodeFrameRate rate = TimecodeFrameRate::fps29_97d) {
    return Timecode(FormattedTimecodeSourceValue::string(text), rate, SubFramesBase::max80SubFrames,
                    UpperLimit::max24Hours);
}

void BM_AddWrapping(benchmark::State& state) {
    Timecode t = at("01:23:45;12");
    const Timecode step = at("00:10:00;00");
    for (auto _ : state) {
        t += step;
        benchmark::DoNotOptimize(t);
    }
}
BENCHMARK(BM_AddWrapping);

void BM_AddExactComponents(benchmark::State& state) {
    const Timecode t = at("01:23:45;12");
    const Timecode::Components step{0, 0, 1, 2, 3, 0};
    for (auto _ : state) benchmark::DoNotOptimize(t.adding(step));
}
BENCHMARK(BM_AddExactComponents);

void BM_AddOtherRate(benchmark::State& state) {
    const Timecode t = at("01:23:45;12");
    const Timecode step = at("00:00:10:12", TimecodeFrameRate::fps25);
    for (auto _ : state) benchmark::DoNotOptimize(t.adding(step));
}
BENCHMARK(BM_AddOtherRate);

void BM_Interval(benchmark::State& state) {
    const Timecode a = at("01:23:45;12"), b = at("23:01:02;03");
    for (auto _ : state) benchmark::DoNotOptimize(a.interval(b));
}
BENCHMARK(BM_Interval);

void BM_RoundUpMinutes(benchmark::State& state) {
    const Timecode t = at("01:23:45;12");
    for (auto _ : state) benchmark::DoNotOptimize(t.roundedUp(Timecode::Component::minutes));
}
BENCHMARK(BM_RoundUpMinutes);

void BM_TransformerThreeOffsets(benchmark::State& state) {
    using T = TimecodeTransformer::Transform;
    const TimecodeTransformer transformer(
        {T::offset(+at("00:00:01;00")), T::offset(-at("01:00:00;00")), T::offset(+at("00:00:00:05", TimecodeFrameRate::fps25))});
    const Timecode t = at("01:23:45;12");
    for (auto _ : state) benchmark::DoNotOptimize(transformer.transform(t));
}
BENCHMARK(BM_TransformerThreeOffsets);

void BM_JsonRoundTrip(benchmark::State& state) {
    const Timecode t = at("01:23:45;12");
    for (auto _ : state) benchmark::DoNotOptimize(timecodeFromJsonData(jsonData(t)));
}
BENCHMARK(BM_JsonRoundTrip);

}  // namespace

BENCHMARK_MAIN();
