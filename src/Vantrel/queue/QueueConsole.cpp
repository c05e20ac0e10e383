#include "Vantrel/queue/QueueConsole.h"

#include <QLocale>
#include <QTime>

namespace vantrel {

namespace {

// The console's clock: the user's short time format, with seconds added when it has none.
QString consoleTimestamp() {
    static const QString format = [] {
        QString f = QLocale().timeFormat(QLocale::ShortFormat);
        if (!f.contains(QLatin1Char('s'))) {
            const qsizetype minutes = f.indexOf(QStringLiteral("mm"));
            if (minutes >= 0) f.insert(minutes + 2, QStringLiteral(":ss"));
        }
        return f;
    }();
    return QLocale().toString(QTime::currentTime(), format);
}

}  // namespace

QueueConsole::QueueConsole(QObject* parent) : QObject(parent) {}

void QueueConsole::log(const QStringList& messages) {
    if (messages.isEmpty()) return;
    const QString time = consoleTimestamp();
    QStringList added;
    added.reserve(messages.size());
    for (const QString& message : messages) added << QStringLiteral("[%1] %2").arg(time, message);
    lines_.append(added);
    if (lines_.size() > maxLines) lines_.remove(0, lines_.size() - maxLines);
    for (const QString& line : std::as_const(added)) emit lineAdded(line);
    emit linesAdded(added);
}

void QueueConsole::clear() {
    if (lines_.isEmpty()) return;
    lines_.clear();
    emit cleared();
}

}  // namespace vantrel
