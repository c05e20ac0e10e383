#pragma once

// The footer under the queue: the console toggle, the queue's counters and the
// Start and Stop buttons. Its console toggle writes the showConsole flag, which
// the content view stores and follows.

#include <QWidget>

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

signals:
    void showConsoleChanged(bool show);

private:
    CorrectionQueue* queue_;
    bool showConsole_;
};

}  // namespace vantrel
