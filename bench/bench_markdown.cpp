// Speed of the Markdown model: parsing a help topic, rendering it back, and
// comparing and hashing parsed documents; and of the Markdown view: building a
// topic's widgets and laying them out.

#include "MarkdownRender/CMarkSupport.h"
#include "MarkdownRender/MarkdownContent.h"
#include "MarkdownRender/MarkdownParser.h"
#include "MarkdownRender/Views/MarkdownView.h"
#include "MarkdownRender/Views/Providers/ImageProviders.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

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

// One table of `rows` rows and five columns with some inline markup.
std::string tableDocument(int rows)
{
    std::string text = "# Checks\n\n| Job | Source | Check | Result | Note |\n|:--|:--|:-:|--:|---|\n";
    for (int i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i);
        text += "| " + n + " | A" + n + "_C001.mov | **write-back** | `pass` | see [log](log" + n + ".md) |\n";
    }
    return text;
}

std::string document(benchmark::State& state)
{
    const int size = static_cast<int>(state.range(1));
    return state.range(0) == 0 ? helpTopic(size) : tableDocument(size * 250);
}

// cmark-gfm alone, parsing the same text with the same extensions once and
// rendering its own tree in the loop: the yardstick for the render-back.
class LibraryTree {
public:
    explicit LibraryTree(const std::string& text)
    {
        const auto& library = markdown::detail::cmarkLibrary();
        std::lock_guard lock(markdown::detail::parseMutex());
        markdown::detail::ParserPtr parser(cmark_parser_new(CMARK_OPT_DEFAULT));
        for (auto* extension : {library.autolink, library.strikethrough, library.table, library.tasklist}) {
            if (extension) cmark_parser_attach_syntax_extension(parser.get(), extension);
        }
        cmark_parser_feed(parser.get(), text.data(), text.size());
        root_.reset(cmark_parser_finish(parser.get()));
    }
    cmark_node* root() const { return root_.get(); }

private:
    markdown::detail::NodePtr root_;
};

std::string takeRendered(char* rendered)
{
    std::string text(rendered ? rendered : "");
    cmark_get_default_mem_allocator()->free(rendered);
    return text;
}

// Arguments: document kind (0 help topic, 1 table) and size (sections, or 250 table rows per unit).
void BM_LibraryHTML(benchmark::State& state)
{
    const LibraryTree tree(document(state));
    for (auto _ : state) benchmark::DoNotOptimize(takeRendered(cmark_render_html(tree.root(), CMARK_OPT_DEFAULT, nullptr)));
}

void BM_RenderBackHTML(benchmark::State& state)
{
    const markdown::MarkdownContent content(document(state));
    for (auto _ : state) benchmark::DoNotOptimize(content.renderHTML());
}

void BM_LibraryCommonMark(benchmark::State& state)
{
    const LibraryTree tree(document(state));
    for (auto _ : state) benchmark::DoNotOptimize(takeRendered(cmark_render_commonmark(tree.root(), CMARK_OPT_DEFAULT, 0)));
}

void BM_RenderBackCommonMark(benchmark::State& state)
{
    const markdown::MarkdownContent content(document(state));
    for (auto _ : state) benchmark::DoNotOptimize(content.renderMarkdown());
}

// Side by side: the library's renderer, then the render-back, for each document.
void sideBySideArguments(benchmark::internal::Benchmark* bench)
{
    for (const int size : {1, 20}) bench->Args({0, size});
    for (const int size : {1, 16}) bench->Args({1, size});
}
// On a machine shared with other work the fastest of several runs is the one
// least disturbed: it is reported beside the median.
void sideBySide(benchmark::internal::Benchmark* bench)
{
    sideBySideArguments(bench);
    bench->Repetitions(5)
        ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ReportAggregatesOnly(true);
}
BENCHMARK(BM_LibraryHTML)->Apply(sideBySide);
BENCHMARK(BM_RenderBackHTML)->Apply(sideBySide);
BENCHMARK(BM_LibraryCommonMark)->Apply(sideBySide);
BENCHMARK(BM_RenderBackCommonMark)->Apply(sideBySide);

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

// A help topic's view without image loading, as the help window shows it
// (shown, so that layouts and painting really run).
std::unique_ptr<markdown::MarkdownView> topicView(const markdown::MarkdownContent& content)
{
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "bench_markdown";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    auto view = std::make_unique<markdown::MarkdownView>();
    view->setImageProvider(std::make_shared<markdown::FunctionImageProvider>(nullptr));
    view->setInlineImageProvider(nullptr);
    view->setContent(content);
    view->show();
    return view;
}

void layOut(markdown::MarkdownView& view, int width)
{
    view.resize(width, view.heightForWidth(width));
    QApplication::sendPostedEvents();
}

// Building the widgets of a parsed topic and laying them out at 800 px.
void BM_BuildView(benchmark::State& state)
{
    const markdown::MarkdownContent content(helpTopic(static_cast<int>(state.range(0))));
    auto view = topicView({});
    for (auto _ : state) {
        view->setContent(content);
        layOut(*view, 800);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
BENCHMARK(BM_BuildView)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

// The same view laid out again at 400 px and back at 800 px (two relayouts).
void BM_RelayoutView(benchmark::State& state)
{
    auto view = topicView(markdown::MarkdownContent(helpTopic(static_cast<int>(state.range(0)))));
    layOut(*view, 800);
    for (auto _ : state) {
        layOut(*view, 400);
        layOut(*view, 800);
    }
}
BENCHMARK(BM_RelayoutView)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
