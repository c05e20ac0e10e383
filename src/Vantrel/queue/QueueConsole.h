#pragma once

// The queue's console: time-stamped lines, the newest maxLines kept.

#include <QObject>
#include <QString>
#include <QStringList>

namespace vantrel {

class QueueConsole : public QObject {
    Q_OBJECT

public:
    static constexpr int maxLines = 5000;

    explicit QueueConsole(QObject* parent = nullptr);

    const QStringList& lines() const { return lines_; }
    // Appends "[time] message" for each message, announced line by line and then together.
    void log(const QStringList& messages);
    void log(const QString& message) { log(QStringList{message}); }
    // Empties the console; announced only when there was a line.
    void clear();

signals:
    void lineAdded(const QString& line);
    void linesAdded(const QStringList& lines);
    void cleared();

private:
    QStringList lines_;
};

}  // namespace vantrel
