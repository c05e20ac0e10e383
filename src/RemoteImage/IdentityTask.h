#pragma once

#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

namespace remoteimage {

// Runs an asynchronous action while a widget is shown: started when the widget
// is shown, cancelled when it is hidden, and cancelled and started again when
// the identity changes while it is shown. The action returns the future of its
// work; cancelling is a request the work may ignore.
class IdentityTaskBase : public QObject {
    Q_OBJECT
public:
    using Action = std::function<QFuture<void>()>;

    // Becomes a child of `widget` and follows its show and hide events.
    IdentityTaskBase(QWidget* widget, Action action);

    // The task started last, while it is stored (from start until hide).
    const std::optional<QFuture<void>>& task() const { return task_; }

protected:
    void restart();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void start();
    void cancel();

    QPointer<QWidget> widget_;
    Action action_;
    std::optional<QFuture<void>> task_;
};

template <typename Id>
class IdentityTask final : public IdentityTaskBase {
public:
    IdentityTask(QWidget* widget, Id id, Action action) : IdentityTaskBase(widget, std::move(action)), id_(std::move(id)) {}

    const Id& id() const { return id_; }
    void setId(const Id& id) {
        if (id == id_) return;
        id_ = id;
        restart();
    }

private:
    Id id_;
};

}  // namespace remoteimage
