#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

class QProcess;

namespace vantrel {

// Sets up a tool process: its program and arguments, no standard input, and the
// tool ends (SIGKILL) when the application dies, however it dies, so that a killed
// application leaves no tool writing on. Every tool is started through this.
// Call before start(), on the thread that starts and waits for the process.
void setUpToolProcess(QProcess& process, const QString& executable, const QStringList& arguments);

// One run of an external tool on the calling thread (never the GUI thread). Every
// tool the application runs, the correction included, runs through this.
struct ToolProcessRun {
    bool started = false;  // false: the process could not be started, or was stopped before it was
    int exitStatus = -1;   // the tool's exit status; -1 when it never started or ended by a signal
    QString errorOutput;   // standard error when collected; the start error when it never started
    bool stopped = false;  // shouldStop() turned true and the tool was told to stop
    int signal = 0;        // the signal that ended the tool, when one did
};

struct ToolProcessOptions {
    // Receives standard output as it arrives; without it standard output is discarded.
    std::function<void(QByteArrayView)> output;
    // Receives standard error as it arrives.
    std::function<void(QByteArrayView)> errors;
    // Collects standard error (invalid UTF-8 shows as replacement characters).
    // Without this or `errors`, standard error is discarded, so that a chatty tool
    // never blocks on a full pipe.
    bool collectErrors = false;
    // Asked about every 50 ms; when true the tool is told to stop.
    std::function<bool()> shouldStop;
    // How it is told: killed at once (zero), or asked to end (SIGTERM) and killed
    // when it is still running after this long.
    std::chrono::milliseconds stopGracePeriod{0};
    // Called once the tool is running, with its process id.
    std::function<void(qint64 pid)> started;
};

ToolProcessRun runToolProcess(const QString& executable, const QStringList& arguments,
                              const ToolProcessOptions& options = {});

}  // namespace vantrel
