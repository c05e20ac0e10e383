#include "Vantrel/tools/ToolProcess.h"

#include <QProcess>

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
    if (!options.output) process.setStandardOutputFile(QProcess::nullDevice());
    if (!options.collectErrors) process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1)) return {-1, process.errorString(), false};

    bool stopped = false;
    auto deliver = [&] {
        if (!options.output) return;
        const QByteArray bytes = process.readAllStandardOutput();
        if (!bytes.isEmpty()) options.output(bytes);
    };
    while (process.state() != QProcess::NotRunning) {
        if (options.shouldStop && options.shouldStop()) {
            stopped = true;
            process.kill();
            process.waitForFinished(-1);
            break;
        }
        // Either wait also reads whatever standard error brought meanwhile.
        if (options.output ? process.waitForReadyRead(pollMs) : process.waitForFinished(pollMs)) deliver();
    }
    deliver();
    QString errors = options.collectErrors ? QString::fromUtf8(process.readAllStandardError()) : QString();
    if (stopped) return {-1, errors, true};
    if (process.exitStatus() != QProcess::NormalExit) {
        return {-1, errors.isEmpty() ? process.errorString() : errors, false};
    }
    return {process.exitCode(), errors, false};
}

}  // namespace vantrel
