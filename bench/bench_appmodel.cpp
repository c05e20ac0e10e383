// Adds a folder of generated movies to the window model and waits until every
// row is analysed. Reports files per second and the longest stretch the main
// thread spent in one event (the folder scan and addSources run in one of them).
//
// Usage: bench_appmodel [file count, default 1000]
#include "BenchMovies.h"
#include "TimedApplication.h"
#include "Vantrel/model/AppModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace vantrel;

namespace {

using MainThreadTimedApplication = TimedApplication<QCoreApplication>;

}  // namespace

int main(int argc, char** argv) {
    MainThreadTimedApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    QLoggingCategory::setFilterRules(QStringLiteral("*.info=false"));

    QTemporaryDir root;
    const QString sources = root.path() + QStringLiteral("/sources");
    QDir().mkpath(sources);
    // A few kinds of movie, copied until there are `count` files.
    const QList<QStringList> kinds{
        {QStringLiteral("-timecode"), QStringLiteral("10:00:00:00"), QStringLiteral("-metadata"),
         QStringLiteral("com.apple.quicktime.creationdate=2024-05-01T10:00:00+02:00"), QStringLiteral("-movflags"),
         QStringLiteral("use_metadata_tags")},
        {QStringLiteral("-r"), QStringLiteral("30000/1001"), QStringLiteral("-timecode"), QStringLiteral("01:00:00;00")},
        {},
    };
    QStringList templates;
    for (int k = 0; k < kinds.size(); ++k) {
        const QString path = root.path() + QStringLiteral("/kind%1.mov").arg(k);
        if (!benchmovies::makeMovie(path, kinds[k])) {
            std::fprintf(stderr, "ffmpeg could not make the test movies\n");
            return 1;
        }
        templates << path;
    }
    for (int i = 0; i < count; ++i) {
        QFile::copy(templates[i % templates.size()], sources + QStringLiteral("/clip%1.mov").arg(i, 5, 10, QLatin1Char('0')));
    }

    AppModel model(new CorrectionQueue(nullptr, nullptr, root.path() + QStringLiteral("/storage")));
    QElapsedTimer clock;
    qint64 scanNs = 0;
    qint64 addNs = 0;
    QTimer::singleShot(0, &model, [&] {
        app.longestNs = 0;
        clock.start();
        const QList<QUrl> files = AppModel::videoFiles(QUrl::fromLocalFile(sources));
        scanNs = clock.nsecsElapsed();
        model.addSources(files);
        addNs = clock.nsecsElapsed() - scanNs;
    });
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (model.sources().size() < count) return;
        for (const SourceItem& row : model.sources()) {
            if (!row.analysis.isDone()) return;
        }
        app.quit();
    });
    poll.start();
    app.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;

    std::printf("files analysed:            %d\n", count);
    std::printf("total time:                %.3f s\n", seconds);
    std::printf("files per second:          %.0f\n", count / seconds);
    std::printf("folder scan:               %.2f ms\n", double(scanNs) / 1e6);
    std::printf("addSources:                %.2f ms\n", double(addNs) / 1e6);
    std::printf("longest main-thread event: %.2f ms (of %lld events)\n", double(app.longestNs) / 1e6,
                static_cast<long long>(app.events));
    return 0;
}
