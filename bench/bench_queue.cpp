// The queue under load, measured by the longest stretch the main thread spends
// in one event, with the queue pane, the footer and the console shown:
//  1. "Add to Queue" with 1,300 ready rows (one batch, one save);
//  2. removing single jobs from a queue of 60,000, whose saves are written in
//     the background.
//
// Usage: bench_queue [row count, default 1300] [queue length, default 60000]
#include "BenchMovies.h"
#include "TimedApplication.h"
#include "Vantrel/model/AppModel.h"
#include "Vantrel/views/ConsoleView.h"
#include "Vantrel/views/FooterBar.h"
#include "Vantrel/views/Palette.h"
#include "Vantrel/views/QueuePaneView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <unistd.h>

using namespace vantrel;

namespace {

using MainThreadTimedApplication = TimedApplication<QApplication>;

void report(const char* what, double seconds, const MainThreadTimedApplication& app) {
    std::printf("%-40s %8.3f s, longest main-thread event %7.2f ms (of %lld events)\n", what, seconds,
                double(app.longestNs) / 1e6, static_cast<long long>(app.events));
}

// Runs the event loop until nothing is left to do for a moment.
void settle(QApplication& app, int idleMs = 50) {
    QTimer::singleShot(idleMs, &app, &QCoreApplication::quit);
    app.exec();
}

// Views over the queue, as the main window shows them.
struct Views {
    explicit Views(CorrectionQueue* queue) : pane(queue), footer(queue, true), console(queue) {
        pane.resize(1100, 600);
        footer.resize(1100, 60);
        console.resize(1100, ConsoleView::paneHeight);
        pane.show();
        footer.show();
        console.show();
    }
    QueuePaneView pane;
    FooterBar footer;
    ConsoleView console;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariable("QT_QPA_PLATFORM", "offscreen").toUtf8());
    MainThreadTimedApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 1300;
    const int length = argc > 2 ? std::max(2, atoi(argv[2])) : 60000;
    QLoggingCategory::setFilterRules(QStringLiteral("*.info=false"));
    QApplication::setPalette(Palette::qtPalette(true));

    QTemporaryDir root;
    const QString cards = root.path() + QStringLiteral("/cards");
    const QString out = root.path() + QStringLiteral("/out");
    QDir().mkpath(cards);
    QDir().mkpath(out);
    const QString movie = root.path() + QStringLiteral("/template.mov");
    if (!benchmovies::makeReadyMovie(movie)) {
        std::fprintf(stderr, "ffmpeg could not make the test movie\n");
        return 1;
    }

    // 1. One click on "Add to Queue" with every row ready.
    {
        QList<QUrl> files;
        for (int i = 0; i < rows; ++i) {
            const QString path = cards + QStringLiteral("/clip%1.mov").arg(i, 5, 10, QLatin1Char('0'));
            if (::link(QFile::encodeName(movie).constData(), QFile::encodeName(path).constData()) != 0)
                QFile::copy(movie, path);
            files << QUrl::fromLocalFile(path);
        }
        AppModel model(new CorrectionQueue(nullptr, nullptr, root.path() + QStringLiteral("/storage")));
        model.setOutputFolder(QUrl::fromLocalFile(out));
        Views views(&model.queue());
        model.addSources(files);
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (model.readyCount() == rows) app.quit();
        });
        poll.start();
        app.exec();
        poll.stop();
        settle(app);

        QElapsedTimer clock;
        double callSeconds = 0;
        int added = 0;
        app.reset();
        QTimer::singleShot(0, &model, [&] {
            clock.start();
            added = model.enqueueReadyRows();
            callSeconds = double(clock.nsecsElapsed()) / 1e9;
        });
        settle(app);
        QFile saved(root.path() + QStringLiteral("/storage/queue.json"));
        std::printf("%d rows added, queue file %.1f MB\n", added, double(QFileInfo(saved).size()) / 1e6);
        report("add 1,300 rows (the call)", callSeconds, app);
    }

    // 2. Single removals from a long queue.
    {
        CorrectionQueue queue(nullptr, nullptr, root.path() + QStringLiteral("/long-storage"));
        QList<CorrectionJob> jobs;
        jobs.reserve(length);
        for (int i = 0; i < length; ++i) {
            CorrectionJob job;
            job.id = QUuid::createUuid();
            job.sourcePath = cards + QStringLiteral("/A%1_C%2.mov").arg(i / 100, 3, 10, QLatin1Char('0')).arg(i % 100);
            job.outputPath = out + QStringLiteral("/A%1_C%2_TC.mov").arg(i / 100, 3, 10, QLatin1Char('0')).arg(i % 100);
            job.assignedTimecodeString = QStringLiteral("10:00:00:00");
            job.frameRate = FrameRate{25, 1, 25, false};
            job.createdAt = QDateTime::currentDateTimeUtc();
            job.totalSourceBytes = 100'000'000;
            if (i % 2 == 0) {
                job.status = JobStatus::completed();
                job.verification = VerificationResult{
                    VerifyTier::standard,
                    {VerificationCheck{VerificationCheck::Kind::timecodeWriteBack, CheckSeverity::pass,
                                       QStringLiteral("Timecode"), QStringLiteral("Reads back 10:00:00:00")}},
                    QDateTime::currentDateTimeUtc(),
                    0.4};
            }
            jobs << job;
        }
        QElapsedTimer clock;
        clock.start();
        queue.enqueue(jobs);
        std::printf("%d jobs enqueued and saved in %.2f s, queue file %.1f MB\n", length,
                    double(clock.nsecsElapsed()) / 1e9,
                    double(QFileInfo(root.path() + QStringLiteral("/long-storage/queue.json")).size()) / 1e6);
        Views views(&queue);
        settle(app, 200);

        double longestCall = 0;
        int removed = 0;
        app.reset();
        QTimer remover;
        remover.setInterval(100);
        QObject::connect(&remover, &QTimer::timeout, [&] {
            QElapsedTimer call;
            call.start();
            queue.removeJob(queue.jobs()[queue.jobs().size() / 2].id);
            longestCall = std::max(longestCall, double(call.nsecsElapsed()) / 1e9);
            if (++removed == 10) {
                remover.stop();
                app.quit();
            }
        });
        remover.start();
        app.exec();
        settle(app);
        report("remove one of 60,000 (longest of 10)", longestCall, app);
        clock.restart();
        queue.waitForSaves();
        std::printf("%-40s %8.3f s\n", "saves still to write afterwards", double(clock.nsecsElapsed()) / 1e9);
    }
    return 0;
}
