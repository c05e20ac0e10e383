#include "Vantrel/tools/ToolProcess.h"

#include <QDeadlineTimer>
#include <QProcess>

#include <optional>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#include <csignal>
#include <unistd.h>
#endif

namespace vantrel {

namespace {

void endWithApplication(QProcess& process) {
#ifdef Q_OS_LINUX
    // The kernel sends the parent-death signal when the *thread* that forked the
    // child ends, not only when the process does, and most tools are started on pool
    // threads that end when idle. That is sound here all the same: every tool's
    // QProcess lives on the stack of the function that started it, and that function
    // returns only once the tool has ended (QProcess's destructor kills and reaps a
    // tool still running), so its thread cannot end before the tool has. The signal
    // can therefore reach a running tool only when the application dies. SIGKILL, not
    // SIGTERM: a tool told to stop would still finish writing its output file.
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The application may have died before the line above took effect.
        if (::getppid() != parent) ::_exit(127);
    });
#else
    Q_UNUSED(process);
#endif
}

}  // namespace

void setUpToolProcess(QProcess& process, const QString& executable, const QStringList& arguments) {
    process.setProgram(executable);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    endWithApplication(process);
}

ToolProcessRun runToolProcess(const QString& executable, const QStringList& arguments,
                              const ToolProcessOptions& options) {
    constexpr int pollMs = 50;
    QProcess process;
    setUpToolProcess(process, executable, arguments);
    const bool readErrors = options.errors || options.collectErrors;
    if (!options.output) process.setStandardOutputFile(QProcess::nullDevice());
    if (!readErrors) process.setStandardErrorFile(QProcess::nullDevice());
    ToolProcessRun run;
    // Stopped before it started: it never starts.
    if (options.shouldStop && options.shouldStop()) {
        run.stopped = true;
        return run;
    }
    process.start();
    if (!process.waitForStarted(-1)) {
        run.errorOutput = process.errorString();
        return run;
    }
    run.started = true;
    if (options.started) options.started(process.processId());

    QByteArray errors;
    // Waiting reads both pipes into the process's buffers; each turn hands on what came.
    auto deliver = [&] {
        if (options.output) {
            const QByteArray bytes = process.readAllStandardOutput();
            if (!bytes.isEmpty()) options.output(bytes);
        }
        if (readErrors) {
            const QByteArray bytes = process.readAllStandardError();
            if (bytes.isEmpty()) return;
            if (options.errors) options.errors(bytes);
            if (options.collectErrors) errors.append(bytes);
        }
    };
    std::optional<QDeadlineTimer> killAt;
    while (process.state() != QProcess::NotRunning) {
        if (!run.stopped && options.shouldStop && options.shouldStop()) {
            run.stopped = true;
            if (options.stopGracePeriod.count() > 0) {
                process.terminate();
                killAt = QDeadlineTimer(options.stopGracePeriod, Qt::PreciseTimer);
            } else {
                process.kill();
            }
        }
        if (killAt && killAt->hasExpired()) {
            process.kill();
            killAt.reset();
        }
        process.waitForFinished(pollMs);
        deliver();
    }
    deliver();
    if (options.collectErrors) run.errorOutput = QString::fromUtf8(errors);
    if (process.exitStatus() != QProcess::NormalExit) run.signal = process.exitCode();
    // A tool killed on request counts as stopped, however it ended; one asked to
    // end may still finish its work and says so by its status.
    if (run.stopped && options.stopGracePeriod.count() == 0) return run;
    if (process.exitStatus() != QProcess::NormalExit) {
        if (run.errorOutput.isEmpty() && !run.stopped) run.errorOutput = process.errorString();
        return run;
    }
    run.exitStatus = process.exitCode();
    return run;
}

}  // namespace vantrel
