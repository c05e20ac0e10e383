// The UI explorer's command line.
//
//   vantrel_explore --check --seed S --steps N   one exploration in a child process; on
//                                                any failure prints the seed, the reason
//                                                and the actions (the test command)
//   vantrel_explore --run --seed S --steps N [--by-hand] [--log FILE]
//                                                one exploration in this process
//   vantrel_explore --seconds N [--steps N] [--impatient]
//                                                explorations from fresh seeds until N
//                                                seconds have passed, by hand; lists
//                                                slow GUI-thread events and failures.
//   --impatient: the next action often comes before the application is idle (finds
//   races; the order of events then depends on timing, so the test command never
//   uses it)
#include "Explorer.h"

#include "TestMedia.h"
#include "Vantrel/app/VantrelApp.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkProxy>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QUrl>

#include <cstdio>
#include <cstring>

namespace {

// Times every event the application dispatches at the top level.
class ExplorerApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        QElapsedTimer timer;
        timer.start();
        explore::Explorer::eventStarted();
        const bool result = QApplication::notify(receiver, event);
        const qint64 elapsed = timer.elapsed();
        QByteArray what;
        if (elapsed > 500) {
            what = QByteArray::number(int(event->type())) + " to " + receiver->metaObject()->className() + " '" +
                   receiver->objectName().toUtf8() + "'";
        }
        explore::Explorer::eventFinished(what.constData(), elapsed);
        return result;
    }
};

// Links and folders the application opens go nowhere: no browser, no file manager.
class UrlSink : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { std::fprintf(stdout, "  (the application opened %s)\n", qPrintable(url.toString())); }
};

struct Arguments {
    QString mode;
    std::uint64_t seed = 1;
    int steps = 0;
    int seconds = 0;
    bool byHand = false;
    bool impatient = false;
    QString log;
};

Arguments parse(int argc, char** argv) {
    Arguments a;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
        if (!std::strcmp(arg, "--check") || !std::strcmp(arg, "--run")) a.mode = QString::fromLatin1(arg + 2);
        else if (!std::strcmp(arg, "--seconds")) { a.mode = "seconds"; a.seconds = std::atoi(next()); }
        else if (!std::strcmp(arg, "--seed")) a.seed = std::strtoull(next(), nullptr, 10);
        else if (!std::strcmp(arg, "--steps")) a.steps = std::atoi(next());
        else if (!std::strcmp(arg, "--by-hand")) a.byHand = true;
        else if (!std::strcmp(arg, "--impatient")) a.impatient = true;
        else if (!std::strcmp(arg, "--log")) a.log = QString::fromLocal8Bit(next());
    }
    return a;
}

int runHere(int argc, char** argv, const Arguments& args) {
    testsupport::isolateUserFolders();
    // The file dialogs are Qt's own on every platform, so that the explorer can answer them.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    ExplorerApplication app(argc, argv);
    vantrel::VantrelApp::configureApplication();
    // Feedback, update checks and images reach no server.
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 9));
    UrlSink sink;
    const QStringList schemes = {"http", "https", "file", "mailto"};
    for (const QString& scheme : schemes) QDesktopServices::setUrlHandler(scheme, &sink, "open");

    explore::Fixture fixture;
    const QString root = testsupport::makeTestFolder(QStringLiteral("explore-%1").arg(args.seed));
    if (!fixture.make(root)) return 2;
    int result = 0;
    {
        QSettings settings(root + QStringLiteral("/profile/settings.ini"), QSettings::IniFormat);
        const auto makeApp = [&] {
            vantrel::VantrelApp::Options options;
            options.settings = &settings;
            options.queueFolder = root + QStringLiteral("/profile/queue");
            options.bus = std::nullopt;
            // Update checks fail as without a network, and show their dialog.
            options.feed = QUrl(QStringLiteral("https://updates.invalid/appcast.xml"));
            return std::make_unique<vantrel::VantrelApp>(options);
        };
        explore::Explorer explorer(makeApp, fixture, {args.seed, args.steps, args.byHand, args.impatient, args.log});
        result = explorer.run();
    }
    for (const QString& scheme : schemes) QDesktopServices::unsetUrlHandler(scheme);
    if (result == 0) QDir(root).removeRecursively();
    else std::fprintf(stderr, "the exploration's folder is kept: %s\n", qPrintable(root));
    return result;
}

struct Outcome {
    bool passed = false;
    QString reason;
    QByteArray output;
    QByteArray actions;
};

// Runs one exploration in a child process and judges it from outside.
Outcome runChild(const Arguments& args, bool byHand) {
    const QString folder = testsupport::makeTestFolder(QStringLiteral("explore-run-%1").arg(args.seed));
    const QString log = folder + QStringLiteral("/actions.txt");
    const QString out = folder + QStringLiteral("/output.txt");
    Outcome outcome;
    QProcess child;
    QStringList childArgs = {"--run", "--seed", QString::number(args.seed), "--steps", QString::number(args.steps),
                             "--log", log};
    if (byHand) childArgs << "--by-hand";
    if (args.impatient) childArgs << "--impatient";
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setStandardOutputFile(out);
    child.start(QCoreApplication::applicationFilePath(), childArgs);
    // The child's own watchdog ends a hang within seconds; this is the last resort.
    if (!child.waitForStarted(30000)) {
        outcome.reason = QStringLiteral("the exploration could not start: %1").arg(child.errorString());
        return outcome;
    }
    if (!child.waitForFinished(std::max(60, args.steps * 20) * 1000)) {
        child.kill();
        child.waitForFinished(5000);
        outcome.reason = QStringLiteral("the exploration did not end");
    }
    QFile outFile(out);
    if (outFile.open(QIODevice::ReadOnly)) outcome.output = outFile.readAll();
    QFile logFile(log);
    if (logFile.open(QIODevice::ReadOnly)) outcome.actions = logFile.readAll();
    if (outcome.reason.isEmpty()) {
        for (const char* mark : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:", "EXPLORER HANG",
                                 "EXPLORER CHECK FAILED"}) {
            if (outcome.output.contains(mark)) {
                const qsizetype at = outcome.output.indexOf(mark);
                const qsizetype end = outcome.output.indexOf('\n', at);
                outcome.reason = QString::fromUtf8(outcome.output.mid(at, end < 0 ? -1 : end - at));
                break;
            }
        }
    }
    if (outcome.reason.isEmpty() && child.exitStatus() != QProcess::NormalExit)
        outcome.reason = QStringLiteral("the application crashed");
    if (outcome.reason.isEmpty() && child.exitCode() != 0)
        outcome.reason = QStringLiteral("the exploration ended with code %1").arg(child.exitCode());
    outcome.passed = outcome.reason.isEmpty();
    if (outcome.passed) QDir(folder).removeRecursively();
    return outcome;
}

void report(const Arguments& args, const Outcome& outcome) {
    std::printf("\nEXPLORER FAILED: seed %llu, %d steps: %s\n", (unsigned long long)args.seed, args.steps,
                qPrintable(outcome.reason));
    std::printf("Replay: scripts/explore --replay %llu --steps %d%s\n", (unsigned long long)args.seed, args.steps,
                args.impatient ? " --impatient" : "");
    std::printf("---- actions ----\n%s", outcome.actions.constData());
    QList<QByteArray> lines = outcome.output.split('\n');
    const qsizetype from = std::max<qsizetype>(0, lines.size() - 120);
    std::printf("---- output of the exploration (last %lld lines) ----\n", (long long)(lines.size() - from));
    for (qsizetype i = from; i < lines.size(); ++i) std::printf("%s\n", lines[i].constData());
    std::fflush(stdout);
}

int check(int argc, char** argv, const Arguments& args) {
    QCoreApplication app(argc, argv);
    QElapsedTimer clock;
    clock.start();
    const Outcome outcome = runChild(args, false);
    if (!outcome.passed) {
        report(args, outcome);
        return 1;
    }
    std::printf("seed %llu: %d steps passed in %.1f s\n", (unsigned long long)args.seed, args.steps,
                clock.elapsed() / 1000.0);
    return 0;
}

int exploreFor(int argc, char** argv, Arguments args) {
    QCoreApplication app(argc, argv);
    QElapsedTimer clock;
    clock.start();
    if (args.steps <= 0) args.steps = 300;
    QList<std::uint64_t> failed;
    int runs = 0;
    while (clock.elapsed() < qint64(args.seconds) * 1000) {
        args.seed = QRandomGenerator::system()->bounded(1u, 1000000000u);
        ++runs;
        const Outcome outcome = runChild(args, true);
        std::printf("seed %llu: %s\n", (unsigned long long)args.seed, outcome.passed ? "passed" : "FAILED");
        for (const QByteArray& line : outcome.output.split('\n')) {
            if (line.contains("slow GUI-thread event") || line.contains("other warning"))
                std::printf("%s\n", line.constData());
        }
        if (!outcome.passed) {
            failed.append(args.seed);
            report(args, outcome);
        }
        std::fflush(stdout);
    }
    std::printf("\n%d explorations of %d steps in %lld s; %lld failed", runs, args.steps,
                (long long)(clock.elapsed() / 1000), (long long)failed.size());
    for (std::uint64_t seed : failed) std::printf(" %llu", (unsigned long long)seed);
    std::printf("\n");
    return failed.isEmpty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const Arguments args = parse(argc, argv);
    if (args.mode == "run" && args.steps > 0) return runHere(argc, argv, args);
    if (args.mode == "check" && args.steps > 0) return check(argc, argv, args);
    if (args.mode == "seconds" && args.seconds > 0) return exploreFor(argc, argv, args);
    std::fprintf(stderr,
                 "usage: vantrel_explore --check --seed S --steps N\n"
                 "       vantrel_explore --run --seed S --steps N [--by-hand] [--log FILE]\n"
                 "       vantrel_explore --seconds N [--steps N] [--impatient]\n");
    return 2;
}

#include "explore_main.moc"
