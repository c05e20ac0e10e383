#include "Vantrel/views/QueuePaneView.h"

#include "Vantrel/queue/CorrectionQueue.h"
#include "Vantrel/views/FileReveal.h"
#include "Vantrel/views/LazyRowList.h"
#include "Vantrel/views/QueueRowView.h"

#include <QPainter>
#include <QPointer>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace vantrel {

using Palette::Role;

QueuePaneView::QueuePaneView(CorrectionQueue* queue, QWidget* parent)
    : QWidget(parent), queue_(queue), refresher_(this, [this] { refresh(); }) {
    setObjectName(QStringLiteral("QueuePaneView"));
    reveal_ = [this](const QString& path) { revealInFileManager(path, this); };
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    head_ = new KelpSectionHead(tr("Queue"), std::nullopt, this);
    clearFinished_ = new KelpButton(tr("Clear finished"), {KelpButtonStyle::Kind::ghost, false}, head_);
    clearFinished_->setObjectName(QStringLiteral("clearFinished"));
    connect(clearFinished_, &QAbstractButton::clicked, queue_, &CorrectionQueue::clearFinished);
    clearQueue_ = new KelpButton(tr("Clear Queue"), {KelpButtonStyle::Kind::ghost, false}, head_);
    clearQueue_->setObjectName(QStringLiteral("clearQueue"));
    clearQueue_->setToolTip(tr("Remove all jobs from the queue"));
    connect(clearQueue_, &QAbstractButton::clicked, queue_, &CorrectionQueue::clearQueue);
    head_->addTrailing(clearFinished_);
    head_->addTrailing(clearQueue_);
    column->addWidget(head_);
    column->addWidget(new Divider(Role::hairline, this));

    auto* body = new QWidget(this);
    body_ = new QStackedLayout(body);
    empty_ = new EmptyState(QStringLiteral("tray.full"), 30, 8, tr("No jobs queued"), 13,
                            {{tr("Add ready sources with "), false}, {tr("Add to Queue"), true}}, 11, body);
    body_->addWidget(empty_);

    list_ = new LazyRowList(
        {[](const QUuid&, QWidget* parent) -> QWidget* { return new QueueRowView(parent); },
         [this](QWidget* row, const QUuid& id) {
             const auto index = queue_->indexOfJob(id);
             if (!index) return;
             const CorrectionJob& job = queue_->jobs()[*index];
             const auto verifying = queue_->currentlyVerifyingJobId();
             QueueRowView::State state{verifying == job.id, queue_->isDeepVerifying(), verifying.has_value()};
             QPointer<CorrectionQueue> q = queue_;
             const QString output = job.outputPath;
             QueueRowView::Actions actions{
                 [q, id] { if (q) q->retryJob(id); },
                 [q, id] { if (q) q->removeJob(id); },
                 [q] { if (q) q->cancelCurrentJob(); },
                 [this, output] { reveal_(output); },
                 // Returns at once; the verification goes on in the queue.
                 [q, id] { QMetaObject::invokeMethod(q, [q, id] { if (q) q->manualThoroughVerify(id); }, Qt::QueuedConnection); },
             };
             static_cast<QueueRowView*>(row)->setJob(job, state, std::move(actions));
         },
         [this](const QUuid& id) {
             const auto index = queue_->indexOfJob(id);
             if (!index) return 0;
             const CorrectionJob& job = queue_->jobs()[*index];
             return QueueRowView::heightFor(job, queue_->currentlyVerifyingJobId() == job.id);
         }},
        body);
    list_->setObjectName(QStringLiteral("queueList"));
    body_->addWidget(list_);
    column->addWidget(body, 1);

    // A change of the list lays the rows out again; a change of one job (a progress
    // tick, say) touches that job's row and the header's counts alone.
    connect(queue_, &CorrectionQueue::jobsChanged, this, [this] {
        listChanged_ = true;
        refresher_.schedule();
    });
    connect(queue_, &CorrectionQueue::jobChanged, this, [this](const QUuid& id) {
        list_->refreshRow(id);
        refresher_.schedule();
    });
    connect(queue_, &CorrectionQueue::verificationStateChanged, this, [this] { list_->invalidate(); });
    refresh();
}

void QueuePaneView::refreshNow() {
    refresher_.flush();
    list_->reconcile();
}

int QueuePaneView::headerHeight() const { return head_->sizeHint().height() + 1; }

void QueuePaneView::refresh() {
    const QList<CorrectionJob>& jobs = queue_->jobs();
    const bool any = !jobs.isEmpty();
    head_->setCount(any ? std::optional<QString>(QString::number(jobs.size())) : std::nullopt);
    clearFinished_->setVisible(queue_->finishedCount() > 0);
    clearQueue_->setVisible(any);
    body_->setCurrentWidget(any ? static_cast<QWidget*>(list_) : empty_);
    if (!std::exchange(listChanged_, false)) return;
    QList<QUuid> ids;
    ids.reserve(jobs.size());
    for (const CorrectionJob& job : jobs) ids << job.id;
    list_->setIds(std::move(ids));
}

void QueuePaneView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Palette::color(Role::paneBackground, Palette::isDark(this)));
}

}  // namespace vantrel
