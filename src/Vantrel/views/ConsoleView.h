#pragma once

// The console: the queue's log lines, shown above the footer while switched on.

#include <QWidget>

namespace vantrel {

class CorrectionQueue;

class ConsoleView : public QWidget {
    Q_OBJECT

public:
    explicit ConsoleView(CorrectionQueue* queue, QWidget* parent = nullptr);

    CorrectionQueue* queue() const { return queue_; }

private:
    CorrectionQueue* queue_;
};

}  // namespace vantrel
