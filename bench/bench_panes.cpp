// The panes under load, measured by the longest stretch the main thread spends
// in one event:
//  1. the source list while 1,000 added movies are analysed, then scrolled from
//     top to bottom;
//  2. the queue pane and footer with 1,000 jobs while the running job reports
//     its progress every 10 ms.
//
// Usage: bench_panes [row count, default 1000]
#include "BenchMovies.h"
#include "TimedApplication.h"
#include "Vantrel/model/AppModel.h"
#include "Vantrel/queue/CorrectionRunning.h"
#include "Vantrel/views/FooterBar.h"
#include "Vantrel/views/LazyRowList.h"
#include "Vantrel/views/Palette.h"
#include "Vantrel/views/QueuePaneView.h"
#include "Vantrel/views/SourceListPane.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QPromise>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace vantrel;

namespace {

using MainThreadTimedApplication = TimedApplication<QApplication>;

// A runner whose one run never ends; the bench drives its progress.
class ProgressRunner : public CorrectionRunning {
public:
    bool isAvailable() const override { return true; }
    using CorrectionRunning::run;
    QFuture<void> run(const CorrectionJob&, ProgressCallback progress, LogCallback, CancellationToken token) override {
        progress_ = std::move(progress);
        auto promise = std::make_shared<QPromise<void>>();
        promise_ = promise;
        promise_->start();
        token.onCancel([promise] { promise->finish(); });
        return promise_->future();
    }
    void cancel() override {
        if (promise_) promise_->finish();
    }
    ProgressCallback progress_;
    std::shared_ptr<QPromise<void>> promise_;
};

void report(const char* what, double seconds, const MainThreadTimedApplication& app) {
    std::printf("%-34s %8.3f s, longest main-thread event %6.2f ms (of %lld events)\n", what, seconds,
                double(app.longestNs) / 1e6, static_cast<long long>(app.events));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariable("QT_QPA_PLATFORM", "offscreen").toUtf8());
    MainThreadTimedApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    QLoggingCategory::setFilterRules(QStringLiteral("*.info=false"));
    QApplication::setPalette(Palette::qtPalette(true));

    QTemporaryDir root;
    const QString sources = root.path() + QStringLiteral("/sources");
    QDir().mkpath(sources);
    const QString movie = root.path() + QStringLiteral("/template.mov");
    if (!benchmovies::makeReadyMovie(movie)) {
        std::fprintf(stderr, "ffmpeg could not make the test movie\n");
        return 1;
    }
    QList<QUrl> files;
    for (int i = 0; i < count; ++i) {
        const QString path = sources + QStringLiteral("/clip%1.mov").arg(i, 5, 10, QLatin1Char('0'));
        QFile::copy(movie, path);
        files << QUrl::fromLocalFile(path);
    }

    // 1. Rows while their analyses stream in, then scrolled.
    {
        AppModel model(new CorrectionQueue(nullptr, nullptr, root.path() + QStringLiteral("/storage")));
        SourceListPane pane(&model);
        pane.resize(1300, 800);
        pane.show();
        QElapsedTimer clock;
        QTimer::singleShot(0, &model, [&] {
            app.reset();
            clock.start();
            model.addSources(files);
        });
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (std::all_of(model.sources().cbegin(), model.sources().cend(),
                            [](const SourceItem& row) { return row.analysis.isDone(); }) &&
                model.sources().size() == count)
                app.quit();
        });
        poll.start();
        app.exec();
        poll.stop();
        report("source rows analysed", double(clock.nsecsElapsed()) / 1e9, app);

        QScrollBar* bar = pane.list()->verticalScrollBar();
        int step = 0;
        const int steps = 400;
        QTimer scroller;
        scroller.setInterval(2);
        QObject::connect(&scroller, &QTimer::timeout, [&] {
            bar->setValue(bar->maximum() * ++step / steps);
            if (step >= steps) app.quit();
        });
        app.reset();
        clock.restart();
        scroller.start();
        app.exec();
        report("source rows scrolled (400 steps)", double(clock.nsecsElapsed()) / 1e9, app);
        std::printf("%-34s %d of %d rows\n", "row widgets alive at the end", pane.list()->liveRowCount(), count);
    }

    // 2. Jobs while the running one reports progress.
    {
        auto runner = std::make_shared<ProgressRunner>();
        CorrectionQueue queue(runner, nullptr, root.path() + QStringLiteral("/queue-storage"));
        QueuePaneView pane(&queue);
        FooterBar footer(&queue, false);
        pane.resize(1100, 600);
        footer.resize(1100, 60);
        pane.show();
        footer.show();
        QList<CorrectionJob> jobs;
        for (int i = 0; i < count; ++i) {
            CorrectionJob job;
            job.id = QUuid::createUuid();
            job.sourcePath = files[i].toLocalFile();
            job.outputPath = root.path() + QStringLiteral("/out/clip%1_TC.mov").arg(i);
            job.assignedTimecodeString = QStringLiteral("10:00:00:00");
            job.frameRate = FrameRate{25, 1, 25, false};
            job.createdAt = QDateTime::currentDateTimeUtc();
            job.totalSourceBytes = 100'000;
            jobs << job;
        }
        queue.enqueue(jobs);
        QElapsedTimer clock;
        int ticks = 0;
        QTimer progress;
        progress.setInterval(10);
        QObject::connect(&progress, &QTimer::timeout, [&] {
            if (!runner->progress_) return;
            if (ticks == 0) {
                app.reset();
                clock.start();
            }
            runner->progress_(std::min(1.0, ++ticks / 200.0));
            if (ticks >= 200) app.quit();
        });
        queue.start();
        progress.start();
        app.exec();
        report("1,000 jobs, 200 progress updates", double(clock.nsecsElapsed()) / 1e9, app);
        queue.stop();
    }
    return 0;
}
