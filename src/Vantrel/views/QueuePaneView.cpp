#include "Vantrel/views/QueuePaneView.h"

namespace vantrel {

QueuePaneView::QueuePaneView(CorrectionQueue* queue, QWidget* parent) : QWidget(parent), queue_(queue) {
    setObjectName(QStringLiteral("QueuePaneView"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
}

}  // namespace vantrel
