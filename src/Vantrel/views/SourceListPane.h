#pragma once

// The list of added movies, above the split's divider.

#include <QWidget>

namespace vantrel {

class AppModel;

class SourceListPane : public QWidget {
    Q_OBJECT

public:
    explicit SourceListPane(AppModel* model, QWidget* parent = nullptr);

    AppModel* model() const { return model_; }

private:
    AppModel* model_;
};

}  // namespace vantrel
