#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>

class QProcess;

namespace vantrel {

// Sets up a tool process: its program and arguments, no standard input, and the
// tool ends (SIGKILL) when the application dies, however it dies, so that a killed
// application leaves no tool writing on. Every tool is started through this.
// Call before start(), on the thread that starts and waits for the process.
void setUpToolProcess(QProcess& process, const QString& executable, const QStringList& arguments);

// One run of an external tool on the calling thread (never the GUI thread).
struct ToolProcessRun {
    int exitStatus = -1;  // -1 when the process could not be started, crashed or was stopped
    QString errorOutput;  // standard error when collected; the start error when it never started
    bool stopped = false; // shouldStop() turned true and the process was killed
};

struct ToolProcessOptions {
    // Receives standard output as it arrives; without it standard output is discarded.
    std::function<void(QByteArrayView)> output;
    // Collects standard error (invalid UTF-8 shows as replacement characters);
    // otherwise it is discarded, so that a chatty tool never blocks on a full pipe.
    bool collectErrors = false;
    // Asked about every 50 ms; when true the process is killed.
    std::function<bool()> shouldStop;
};

ToolProcessRun runToolProcess(const QString& executable, const QStringList& arguments,
                              const ToolProcessOptions& options = {});

}  // namespace vantrel
