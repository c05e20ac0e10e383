#include "Vantrel/views/CommandBarView.h"

namespace vantrel {

CommandBarView::CommandBarView(AppModel* model, QWidget* parent) : QWidget(parent), model_(model) {
    setObjectName(QStringLiteral("CommandBarView"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    setFixedHeight(52);
}

}  // namespace vantrel
