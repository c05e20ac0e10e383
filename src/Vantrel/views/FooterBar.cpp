#include "Vantrel/views/FooterBar.h"

namespace vantrel {

FooterBar::FooterBar(CorrectionQueue* queue, bool showConsole, QWidget* parent)
    : QWidget(parent), queue_(queue), showConsole_(showConsole) {
    setObjectName(QStringLiteral("FooterBar"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    setFixedHeight(48);
}

void FooterBar::setShowConsole(bool show) {
    if (show == showConsole_) return;
    showConsole_ = show;
    emit showConsoleChanged(show);
}

}  // namespace vantrel
