// Cost of handling ffmpeg's standard error, chunk by chunk, and how much of it
// reaches the main thread. Chunks arrive 1 ms apart on a simulated clock, far
// faster than ffmpeg writes statistics, to show the throttle at work.
#include <benchmark/benchmark.h>

#include "Vantrel/tools/FFmpegWrapper.h"

using namespace vantrel;
using Wrapper = FFmpegWrapper;

namespace {

const QByteArray kStats =
    "frame= 1234 fps=240 q=-1.0 size=   10240kB time=00:00:49.36 bitrate=1699.4kbits/s speed=9.61x    \r";
const QByteArray kBanner =
    "  Stream #0:0[0x1](eng): Video: prores (HQ) (apch / 0x68637061), yuv422p10le(tv, bt709, progressive), "
    "3840x2160, 707018 kb/s, SAR 1:1 DAR 16:9, 25 fps, 25 tbr, 25 tbn (default)\n";

struct Sink {
    std::int64_t posts = 0;
};

Wrapper::ChunkProcessor makeProcessor(const std::shared_ptr<int>& owner, Sink& sink) {
    return Wrapper::ChunkProcessor(
        std::make_shared<Wrapper::OutputCollector>(), std::nullopt, [](double, const QString&) {},
        [](const QString&) {}, [](const ProgressMetrics&) {}, owner,
        [&sink](std::function<void()> block) {
            ++sink.posts;
            block();
        });
}

void feed(benchmark::State& state, const QByteArray& chunk) {
    auto owner = std::make_shared<int>(0);
    Sink sink;
    // A fresh processor per 10000 chunks keeps the collected text (which a run
    // keeps whole) from dominating the figure.
    std::optional<Wrapper::ChunkProcessor> processor;
    Wrapper::Clock::time_point now{};
    std::int64_t chunks = 0;
    for (auto _ : state) {
        if (chunks % 10000 == 0) {
            state.PauseTiming();
            processor.emplace(makeProcessor(owner, sink));
            state.ResumeTiming();
        }
        now += std::chrono::milliseconds(1);
        processor->process(chunk, now);
        ++chunks;
    }
    state.SetBytesProcessed(chunks * chunk.size());
    state.counters["posts_per_chunk"] = benchmark::Counter(static_cast<double>(sink.posts) / chunks);
}

void BM_StatisticsChunk(benchmark::State& state) { feed(state, kStats); }
void BM_BannerChunk(benchmark::State& state) { feed(state, kBanner); }

void BM_ParseOutputMetrics(benchmark::State& state) {
    const QString text = QString::fromLatin1(kStats);
    for (auto _ : state) benchmark::DoNotOptimize(Wrapper::parseOutputMetrics(text));
}

// A two-hour run at 25 fps writes about 36000 statistics chunks, all kept for the error text.
void BM_ErrorTextOfALongRun(benchmark::State& state) {
    const QString chunk = QString::fromLatin1(kStats);
    for (auto _ : state) {
        Wrapper::OutputCollector collector;
        for (int i = 0; i < 36000; ++i) collector.append(chunk);
        benchmark::DoNotOptimize(collector.joinedOutput());
    }
}

}  // namespace

BENCHMARK(BM_StatisticsChunk);
BENCHMARK(BM_BannerChunk);
BENCHMARK(BM_ParseOutputMetrics);
BENCHMARK(BM_ErrorTextOfALongRun)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
