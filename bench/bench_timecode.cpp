// Timing of the timecode core at 29.97 drop-frame: components → frames,
// frames → components, reading text, text → validated timecode, and writing text.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "TimecodeCore/Timecode.h"

using timecode::Timecode;
using R = timecode::TimecodeFrameRate;
using B = Timecode::SubFramesBase;
using V = Timecode::FrameCount::Value;

namespace {

constexpr R rate = R::fps29_97d;
constexpr std::size_t sampleCount = 4096;

// Frame numbers spread over 24 hours, and their components and texts.
struct Samples {
    std::vector<std::int64_t> frames;
    std::vector<Timecode::Components> components;
    std::vector<std::string> texts;

    Samples() {
        const std::int64_t total = rate.maxTotalFrames(Timecode::UpperLimit::max24Hours);
        Timecode t;
        t.setProperties({rate, B::max80SubFrames, Timecode::UpperLimit::max24Hours});
        for (std::size_t i = 0; i < sampleCount; ++i) {
            const std::int64_t f = std::int64_t((i * 2654435761u) % std::uint64_t(total));
            frames.push_back(f);
            components.push_back(Timecode::components({V::frames(f), B::max80SubFrames}, rate));
            t.setComponents(components.back());
            texts.push_back(t.stringValue());
        }
    }
};

// On a machine shared with other work the fastest of several runs is the one
// least disturbed: it is reported beside the median.
void fastestOfRuns(benchmark::internal::Benchmark* bench) {
    bench->Repetitions(9)
        ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ReportAggregatesOnly(true);
}

const Samples& samples() {
    static const Samples s;
    return s;
}

void ComponentsToFrames(benchmark::State& state) {
    const auto& c = samples().components;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Timecode::frameCount(c[i++ % sampleCount], rate, B::max80SubFrames).wholeFrames());
    }
}
BENCHMARK(ComponentsToFrames)->Apply(fastestOfRuns);

void FramesToComponents(benchmark::State& state) {
    const auto& f = samples().frames;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Timecode::components({V::frames(f[i++ % sampleCount]), B::max80SubFrames}, rate));
    }
}
BENCHMARK(FramesToComponents)->Apply(fastestOfRuns);

void ParseText(benchmark::State& state) {
    const auto& texts = samples().texts;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Timecode::decode(texts[i++ % sampleCount]));
    }
}
BENCHMARK(ParseText)->Apply(fastestOfRuns);

void FormatText(benchmark::State& state) {
    const auto& c = samples().components;
    Timecode t;
    t.setProperties({rate, B::max80SubFrames, Timecode::UpperLimit::max24Hours});
    std::size_t i = 0;
    for (auto _ : state) {
        t.setComponents(c[i++ % sampleCount]);
        benchmark::DoNotOptimize(t.stringValue());
    }
}
BENCHMARK(FormatText)->Apply(fastestOfRuns);

// Text → validated timecode through the public constructor (strict validation).
void TextToValidatedTimecode(benchmark::State& state) {
    const auto& texts = samples().texts;
    std::size_t i = 0;
    for (auto _ : state) {
        const Timecode t(timecode::FormattedTimecodeSourceValue::string(texts[i++ % sampleCount]), rate,
                         B::max80SubFrames, Timecode::UpperLimit::max24Hours);
        benchmark::DoNotOptimize(t.frames());
    }
}
BENCHMARK(TextToValidatedTimecode)->Apply(fastestOfRuns);

// The component check alone.
void ValidateComponents(benchmark::State& state) {
    const auto& c = samples().components;
    const Timecode::Properties properties{rate, B::max80SubFrames, Timecode::UpperLimit::max24Hours};
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(c[i++ % sampleCount].isValid(properties));
}
BENCHMARK(ValidateComponents)->Apply(fastestOfRuns);

// The whole road of a typed timecode: text → validated timecode (strict) → text.
void ParseValidateFormat(benchmark::State& state) {
    const auto& texts = samples().texts;
    std::size_t i = 0;
    for (auto _ : state) {
        const Timecode t(timecode::FormattedTimecodeSourceValue::string(texts[i++ % sampleCount]), rate,
                         B::max80SubFrames, Timecode::UpperLimit::max24Hours);
        benchmark::DoNotOptimize(t.stringValue());
    }
}
BENCHMARK(ParseValidateFormat)->Apply(fastestOfRuns);

}  // namespace

BENCHMARK_MAIN();
