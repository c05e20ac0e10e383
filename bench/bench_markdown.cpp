// Speed of the Markdown model: parsing a help topic, rendering it back, and
// comparing and hashing parsed documents.

#include "MarkdownRender/MarkdownContent.h"
#include "MarkdownRender/MarkdownParser.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A help topic of about 1.5 KB with every kind of block, repeated `copies` times.
std::string helpTopic(int copies)
{
    const std::string section = R"(## Verification

Vantrel reads the **creation date** and the *timecode track* of each movie and
writes a corrected copy; see [the queue](queue.md) or www.example.com/help.

| Check | Standard | Thorough |
|:--|:-:|--:|
| Timecode write-back | yes | yes |
| Stream hash | | yes |

1. Add movies.
2. Choose the output folder.
3. Press **Add to Queue**, then **Start**.

- [x] Read the overview
- [ ] Try a correction with `ffmpeg`

> Queued jobs survive a restart. ~~Sources are rewritten.~~ Sources are never touched.

```json
{"status": "pending", "progress": 0}
```

Café, naïve and 日本語 text. ![logo](logo.png)

---
)";
    std::string text = "# Vantrel Help\n\n";
    for (int i = 0; i < copies; ++i) text += section;
    return text;
}

void BM_Parse(benchmark::State& state)
{
    const std::string text = helpTopic(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(markdown::parseBlockNodeArray(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_Parse)->Arg(1)->Arg(20);

// Eight threads parsing at once share the library's parse lock.
void BM_ParseEightThreads(benchmark::State& state)
{
    const std::string text = helpTopic(1);
    for (auto _ : state) benchmark::DoNotOptimize(markdown::parseBlockNodeArray(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseEightThreads)->Threads(8)->UseRealTime();

void BM_RenderHTML(benchmark::State& state)
{
    const markdown::MarkdownContent content(helpTopic(static_cast<int>(state.range(0))));
    for (auto _ : state) benchmark::DoNotOptimize(content.renderHTML());
}
BENCHMARK(BM_RenderHTML)->Arg(1)->Arg(20);

void BM_RenderMarkdown(benchmark::State& state)
{
    const markdown::MarkdownContent content(helpTopic(static_cast<int>(state.range(0))));
    for (auto _ : state) benchmark::DoNotOptimize(content.renderMarkdown());
}
BENCHMARK(BM_RenderMarkdown)->Arg(1)->Arg(20);

// Equal documents parsed separately: every string is compared, the non-ASCII
// ones through Unicode normalisation.
void BM_CompareAndHash(benchmark::State& state)
{
    const markdown::MarkdownContent a(helpTopic(20));
    const markdown::MarkdownContent b(helpTopic(20));
    for (auto _ : state) {
        benchmark::DoNotOptimize(a == b);
        markdown::Hasher hasher;
        markdown::hashSequence(hasher, a.blocks);
        benchmark::DoNotOptimize(hasher.finalize());
    }
}
BENCHMARK(BM_CompareAndHash);

}  // namespace

BENCHMARK_MAIN();
