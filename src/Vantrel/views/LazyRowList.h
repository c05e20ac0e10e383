#pragma once

#include "Vantrel/views/Palette.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QList>
#include <QSet>
#include <QUuid>

#include <functional>

namespace vantrel {

// A vertical list of rows identified by id, in a scroll area. Only rows in view
// have widgets; a row's widget lives as long as its id stays in view (or holds
// the keyboard focus), so focus, open menus and hover survive updates. Changes
// are gathered and applied once per event-loop turn.
class LazyRowList : public QAbstractScrollArea {
    Q_OBJECT

public:
    struct Delegate {
        // Makes the widget of a row; update() fills it in afterwards.
        std::function<QWidget*(const QUuid& id, QWidget* parent)> create;
        // Brings a live row's widget up to date with its id's current data.
        std::function<void(QWidget* row, const QUuid& id)> update;
        // The row's height for its current data.
        std::function<int(const QUuid& id)> height;
    };

    explicit LazyRowList(Delegate delegate, QWidget* parent = nullptr);

    // The ids in display order. Applied on the next turn of the event loop, with
    // every live row brought up to date.
    void setIds(QList<QUuid> ids);
    // Brings every live row up to date on the next turn.
    void invalidate();
    // Brings one row up to date on the next turn (its widget, when it has one, and
    // its height); the other rows are left as they are.
    void refreshRow(const QUuid& id);
    // Applies pending changes now.
    void reconcile();

    const QList<QUuid>& ids() const { return ids_; }
    // The widget of a row, or null while it has none.
    QWidget* rowWidget(const QUuid& id) const { return rows_.value(id); }
    int liveRowCount() const { return int(rows_.size()); }
    // Scrolls so that the row is in view.
    void ensureVisible(const QUuid& id);
    void setBackgroundRole(Palette::Role role) { background_ = role; }

protected:
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void schedule();
    void layoutRows(bool updateAll, const QSet<QUuid>& changed = {});
    void placeRows();
    void updateRange();
    bool holdsFocus(QWidget* row) const;

    Delegate delegate_;
    QList<QUuid> ids_;
    QHash<QUuid, qsizetype> indexOf_;
    QSet<QUuid> changed_;  // rows to bring up to date on the next turn
    QList<int> offsets_;  // top of each row; one extra entry for the end
    QHash<QUuid, QWidget*> rows_;
    bool scheduled_ = false;
    bool dirty_ = false;
    Palette::Role background_ = Palette::Role::paneBackground;
};

}  // namespace vantrel
