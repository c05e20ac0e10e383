#pragma once

// An application object that times every event the main thread handles at the
// outermost level, so a benchmark can report the longest stall of its main thread.

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>

#include <algorithm>

template <typename Application>
class TimedApplication : public Application {
public:
    using Application::Application;

    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_++ > 0) {
            const bool handled = Application::notify(receiver, event);
            --depth_;
            return handled;
        }
        QElapsedTimer timer;
        timer.start();
        const bool handled = Application::notify(receiver, event);
        longestNs = std::max(longestNs, timer.nsecsElapsed());
        ++events;
        --depth_;
        return handled;
    }

    void reset() {
        longestNs = 0;
        events = 0;
    }

    qint64 longestNs = 0;
    qint64 events = 0;

private:
    int depth_ = 0;
};
