#pragma once

// The list of correction jobs below the command bar.

#include <QWidget>

namespace vantrel {

class CorrectionQueue;

class QueuePaneView : public QWidget {
    Q_OBJECT

public:
    explicit QueuePaneView(CorrectionQueue* queue, QWidget* parent = nullptr);

    CorrectionQueue* queue() const { return queue_; }

private:
    CorrectionQueue* queue_;
};

}  // namespace vantrel
