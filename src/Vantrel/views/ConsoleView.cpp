#include "Vantrel/views/ConsoleView.h"

namespace vantrel {

ConsoleView::ConsoleView(CorrectionQueue* queue, QWidget* parent) : QWidget(parent), queue_(queue) {
    setObjectName(QStringLiteral("ConsoleView"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setFixedHeight(178);
}

}  // namespace vantrel
