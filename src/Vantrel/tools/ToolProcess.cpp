#include "Vantrel/tools/ToolProcess.h"

#include <QProcess>

namespace vantrel {

ToolProcessRun runToolProcess(const QString& executable, const QStringList& arguments,
                              const ToolProcessOptions& options) {
    constexpr int pollMs = 50;
    QProcess process;
    process.setProgram(executable);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
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
