#include "Vantrel/views/LazyRowList.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace vantrel {

LazyRowList::LazyRowList(Delegate delegate, QWidget* parent) : QAbstractScrollArea(parent), delegate_(std::move(delegate)) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(20);
    offsets_ = {0};
}

void LazyRowList::setIds(QList<QUuid> ids) {
    ids_ = std::move(ids);
    indexOf_.clear();
    indexOf_.reserve(ids_.size());
    for (qsizetype i = 0; i < ids_.size(); ++i) indexOf_.insert(ids_[i], i);
    invalidate();
}

void LazyRowList::refreshRow(const QUuid& id) {
    changed_.insert(id);
    schedule();
}

void LazyRowList::invalidate() {
    dirty_ = true;
    schedule();
}

void LazyRowList::schedule() {
    if (scheduled_) return;
    scheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (scheduled_) reconcile();
        },
        Qt::QueuedConnection);
}

void LazyRowList::reconcile() {
    scheduled_ = false;
    const bool updateAll = dirty_;
    dirty_ = false;
    const QSet<QUuid> changed = std::exchange(changed_, {});
    bool moved = updateAll || offsets_.size() != ids_.size() + 1;
    // A changed row moves the rows below it only when its height changed.
    for (auto it = changed.cbegin(); !moved && it != changed.cend(); ++it) {
        const qsizetype i = indexOf_.value(*it, -1);
        if (i >= 0) moved = std::max(0, delegate_.height(*it)) != offsets_[i + 1] - offsets_[i];
    }
    if (moved) placeRows();
    // The range follows the visible height too, which changes without any row
    // changing (a resize, a splitter move, the console sliding in).
    updateRange();  // may scroll, which lays out again
    layoutRows(updateAll, changed);
}

void LazyRowList::placeRows() {
    offsets_.resize(ids_.size() + 1);
    int y = 0;
    for (qsizetype i = 0; i < ids_.size(); ++i) {
        offsets_[i] = y;
        y += std::max(0, delegate_.height(ids_[i]));
    }
    offsets_[ids_.size()] = y;
}

void LazyRowList::updateRange() {
    QScrollBar* bar = verticalScrollBar();
    const int page = viewport()->height();
    bar->setPageStep(page);
    bar->setRange(0, std::max(0, offsets_.back() - page));
}

bool LazyRowList::holdsFocus(QWidget* row) const {
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == row || row->isAncestorOf(focus));
}

void LazyRowList::layoutRows(bool updateAll, const QSet<QUuid>& changed) {
    if (offsets_.size() != ids_.size() + 1) return;  // a reconcile is pending
    const int top = verticalScrollBar()->value();
    const int bottom = top + viewport()->height();
    const int width = viewport()->width();

    // The rows in view: the first whose bottom is below the top edge, up to the
    // first whose top is at or past the bottom edge.
    const auto first = std::upper_bound(offsets_.begin(), offsets_.end(), top) - offsets_.begin() - 1;
    QHash<QUuid, qsizetype> wanted;
    for (qsizetype i = std::max<qsizetype>(0, first); i < ids_.size() && offsets_[i] < bottom; ++i) {
        if (offsets_[i + 1] > offsets_[i]) wanted.insert(ids_[i], i);
    }

    // Rows out of view go, unless they hold the focus and their id is still listed.
    QHash<QUuid, qsizetype> indexOf;
    for (auto it = rows_.begin(); it != rows_.end();) {
        if (!wanted.contains(it.key())) {
            const qsizetype index = indexOf_.value(it.key(), -1);
            if (index >= 0 && holdsFocus(it.value())) {
                wanted.insert(it.key(), index);
                ++it;
                continue;
            }
            it.value()->hide();
            it.value()->deleteLater();
            it = rows_.erase(it);
        } else {
            ++it;
        }
    }

    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        const QUuid& id = it.key();
        const qsizetype i = it.value();
        QWidget* row = rows_.value(id);
        const bool made = !row;
        if (made) {
            row = delegate_.create(id, viewport());
            row->setProperty("rowId", id.toString(QUuid::WithoutBraces));
            rows_.insert(id, row);
        }
        if (made || updateAll || changed.contains(id)) delegate_.update(row, id);
        row->setGeometry(0, offsets_[i] - top, width, offsets_[i + 1] - offsets_[i]);
        if (made) row->show();
    }
}

void LazyRowList::ensureVisible(const QUuid& id) {
    reconcile();
    const qsizetype i = indexOf_.value(id, -1);
    if (i < 0) return;
    QScrollBar* bar = verticalScrollBar();
    // A row taller than the view shows its top, where its buttons are.
    if (offsets_[i] < bar->value())
        bar->setValue(offsets_[i]);
    else if (offsets_[i + 1] > bar->value() + viewport()->height())
        bar->setValue(std::min(offsets_[i], offsets_[i + 1] - viewport()->height()));
}

void LazyRowList::scrollContentsBy(int, int) { layoutRows(false); }

void LazyRowList::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    reconcile();
}

bool LazyRowList::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Paint) {
        QPainter p(viewport());
        p.fillRect(viewport()->rect(), Palette::color(background_, Palette::isDark(this)));
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

}  // namespace vantrel
