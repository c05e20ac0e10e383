// Start-up of the whole application with 1,000 jobs in the queue file, then one
// switch of the appearance. Reports how long each step held the main thread and
// the longest single event the main thread handled once the window was up.
//
// Usage: bench_startup [job count, default 1000]
#include "TimedApplication.h"
#include "Vantrel/app/AppearanceController.h"
#include "Vantrel/app/MainWindow.h"
#include "Vantrel/app/VantrelApp.h"
#include "Vantrel/model/AppModel.h"
#include "Vantrel/queue/QueueFile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>

using namespace vantrel;

namespace {

using MainThreadTimedApplication = TimedApplication<QApplication>;

QList<CorrectionJob> jobs(int count, const QString& folder) {
    QList<CorrectionJob> made;
    for (int i = 0; i < count; ++i) {
        CorrectionJob job;
        job.id = QUuid::createUuid();
        job.sourcePath = folder + QStringLiteral("/clip%1.mov").arg(i);
        job.outputPath = folder + QStringLiteral("/out/clip%1_TC.mov").arg(i);
        job.assignedTimecodeString = QStringLiteral("10:00:00:00");
        job.frameRate = FrameRate{25, 1, 25, false};
        job.fixMode = FixMode::manual;
        job.createdAt = QDateTime::currentDateTimeUtc();
        made.append(job);
    }
    return made;
}

double ms(qint64 ns) { return double(ns) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    MainThreadTimedApplication application(argc, argv);
    VantrelApp::configureApplication();
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    QLoggingCategory::setFilterRules(QStringLiteral("*.info=false"));

    QTemporaryDir root;
    const QString queueFolder = root.path() + QStringLiteral("/queue");
    QDir().mkpath(queueFolder);
    QFile file(queueFolder + QStringLiteral("/queue.json"));
    if (!file.open(QIODevice::WriteOnly) || file.write(encodeQueueFile(jobs(count, root.path()))) < 0) return 1;
    file.close();
    QSettings settings(root.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat);

    QElapsedTimer clock;
    qint64 makeNs = 0, buildNs = 0, showNs = 0, switchNs = 0, settledLongestNs = 0;
    std::optional<VantrelApp> app;
    QTimer::singleShot(0, [&] {
        clock.start();
        VantrelApp::Options options;
        options.settings = &settings;
        options.queueFolder = queueFolder;
        options.bus = std::nullopt;
        app.emplace(options);
        app->model();
        makeNs = clock.nsecsElapsed();
        clock.restart();
        app->window();
        buildNs = clock.nsecsElapsed();
        clock.restart();
        app->show();
        showNs = clock.nsecsElapsed();
        QTimer::singleShot(200, [&] {
            application.longestNs = 0;  // the window is up and painted: from here every event counts
            clock.restart();
            app->appearance()->setPreference(AppearancePreference::light);
            switchNs = clock.nsecsElapsed();
            QTimer::singleShot(200, [&] {
                settledLongestNs = application.longestNs;
                application.quit();
            });
        });
    });
    application.exec();

    std::printf("queued jobs restored:            %lld\n", static_cast<long long>(app->model()->queue().jobs().size()));
    std::printf("make application and model:      %.2f ms\n", ms(makeNs));
    std::printf("build the window:                %.2f ms\n", ms(buildNs));
    std::printf("show the window:                 %.2f ms\n", ms(showNs));
    std::printf("switch appearance (call):        %.2f ms\n", ms(switchNs));
    std::printf("longest event after start-up:    %.2f ms (includes the repaint after the switch)\n", ms(settledLongestNs));
    app.reset();
    return 0;
}
