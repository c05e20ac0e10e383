#pragma once

// The list of correction jobs below the command bar: a header with the count
// and the two clearing commands, one row per job, or a prompt while empty.

#include "Vantrel/views/DesignIndicators.h"
#include "Vantrel/views/PaneWidgets.h"

#include <QHash>
#include <QUuid>
#include <QWidget>

#include <functional>

class QStackedLayout;

namespace vantrel {

class CorrectionQueue;
class LazyRowList;

class QueuePaneView : public QWidget {
    Q_OBJECT

public:
    explicit QueuePaneView(CorrectionQueue* queue, QWidget* parent = nullptr);

    CorrectionQueue* queue() const { return queue_; }
    LazyRowList* list() const { return list_; }
    // Applies queue changes now instead of on the next turn.
    void refreshNow();
    // The header and the line under it: the least height the pane gives up to.
    int headerHeight() const;
    // How a job's output file is shown (the file manager unless replaced).
    void setRevealer(std::function<void(const QString& path)> reveal) { reveal_ = std::move(reveal); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void refresh();

    CorrectionQueue* queue_;
    KelpSectionHead* head_;
    KelpButton* clearFinished_;
    KelpButton* clearQueue_;
    QStackedLayout* body_;
    QWidget* empty_;
    LazyRowList* list_;
    bool listChanged_ = true;  // the ids need setting again
    std::function<void(const QString&)> reveal_;
    TurnScheduler refresher_;
};

}  // namespace vantrel
