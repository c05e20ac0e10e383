#pragma once

// The bar of output folder, naming, fix mode and verification settings above the queue.

#include <QWidget>

namespace vantrel {

class AppModel;

class CommandBarView : public QWidget {
    Q_OBJECT

public:
    explicit CommandBarView(AppModel* model, QWidget* parent = nullptr);

    AppModel* model() const { return model_; }

private:
    AppModel* model_;
};

}  // namespace vantrel
