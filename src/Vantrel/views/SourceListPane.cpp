#include "Vantrel/views/SourceListPane.h"

namespace vantrel {

SourceListPane::SourceListPane(AppModel* model, QWidget* parent) : QWidget(parent), model_(model) {
    setObjectName(QStringLiteral("SourceListPane"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
}

}  // namespace vantrel
