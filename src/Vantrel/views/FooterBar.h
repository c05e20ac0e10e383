#pragma once

// The footer under the queue: the console toggle, the queue's counters and
// progress strip, the tool and storage warnings, the time left, and the Start
// and Stop buttons. Its console toggle writes the showConsole flag, which the
// content view stores and follows.

#include "Vantrel/views/DesignIndicators.h"
#include "Vantrel/views/PaneWidgets.h"

#include <QTimer>
#include <QWidget>

#include <optional>

namespace vantrel {

class CorrectionQueue;

class FooterBar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool showConsole READ showConsole WRITE setShowConsole NOTIFY showConsoleChanged)

public:
    FooterBar(CorrectionQueue* queue, bool showConsole, QWidget* parent = nullptr);

    CorrectionQueue* queue() const { return queue_; }

    bool showConsole() const { return showConsole_; }
    // Announces only real changes.
    void setShowConsole(bool show);

    // Applies queue changes now instead of on the next turn.
    void refreshNow() { refresher_.flush(); }
    bool isTicking() const { return ticker_.isActive(); }

    // "1 sec", "59 sec", "1 min", "1 hr", "2 hr 2 min"; empty for a time that is
    // not a finite number of seconds or is beyond any real run.
    static QString durationText(double seconds);
    // The strip: done, flagged, failed, cancelled shares, then the running job's.
    static QList<KelpBarSegment> progressSegments(const CorrectionQueue& queue, bool dark);

signals:
    void showConsoleChanged(bool show);

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void tick();

    CorrectionQueue* queue_;
    bool showConsole_;
    QWidget* strip_;
    KelpSegmentedBar* bar_;
    KelpIconButton* console_;
    struct Counter {
        QWidget* box;
        KelpLabel* count;
    };
    QList<Counter> counters_;
    SymbolText* missingTool_;
    SymbolText* persistence_;
    KelpLabel* timeLeft_;
    KelpButton* stop_;
    KelpButton* start_ = nullptr;  // made last
    QTimer ticker_;
    TurnScheduler refresher_;
};

}  // namespace vantrel
