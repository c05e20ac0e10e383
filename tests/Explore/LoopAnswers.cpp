#include "Explorer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWindow>

namespace explore {

QString describe(const QWidget* w) {
    QString name = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty()) name += QStringLiteral(" '%1'").arg(w->objectName());
    if (const auto* button = qobject_cast<const QAbstractButton*>(w); button && !button->text().isEmpty())
        name += QStringLiteral(" \"%1\"").arg(button->text().left(30));
    if (w->isWindow() && !w->windowTitle().isEmpty()) name += QStringLiteral(" [%1]").arg(w->windowTitle());
    const QWidget* window = w->window();
    if (window != w) name += QStringLiteral(" in %1").arg(window->objectName().isEmpty()
                                                             ? QString::fromLatin1(window->metaObject()->className())
                                                             : window->objectName());
    return name;
}

struct LoopAnswers::Held {
    QPointer<QWidget> target;
    QPoint at;  // where the pointer is, in the target
    // What was open when the button went down: a menu or a box that opens later
    // is answered as itself, and a loop with neither is the drag's.
    QPointer<QWidget> popup;
    QPointer<QWidget> modal;
    int loopLevel = 0;
    bool up = false;  // let go inside a drag's loop
};

LoopAnswers::LoopAnswers(Choices& choices, Log log)
    : choices_(choices), log_(std::move(log)), timer_(std::make_unique<QTimer>()) {
    timer_->setInterval(50);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] {
        // The answer runs after this timer's turn: Qt fires no timer again while
        // it is firing, and an answer may open a loop of its own (a menu entry's
        // box, the next box after a box's button) that needs the next answer.
        if (queued_) return;
        queued_ = true;
        QTimer::singleShot(0, timer_.get(), [this] {
            queued_ = false;
            answer();
        });
    });
    timer_->start();
}

LoopAnswers::~LoopAnswers() = default;

void LoopAnswers::drag(QWidget* target, QPoint from, QPoint to) {
    held_ = std::make_unique<Held>(Held{target, from, QApplication::activePopupWidget(),
                                        QApplication::activeModalWidget(), QThread::currentThread()->loopLevel()});
    QPointer<QWidget> guard(target);
    QTest::mousePress(target, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 4 && guard && !held_->up; ++i) {
        held_->at = from + (to - from) * i / 4;
        QTest::mouseMove(target, held_->at);
    }
    if (guard && !held_->up) QTest::mouseRelease(target, Qt::LeftButton, {}, to);
    held_.reset();
}

void LoopAnswers::answer() {
    // Only a loop run with exec() holds the step up; a menu or a window opened
    // with popup() or show() is there for the next steps to use.
    const int level = QThread::currentThread()->loopLevel();
    if (level == 0) return;
    QWidget* popup = QApplication::activePopupWidget();
    QWidget* modal = QApplication::activeModalWidget();
    if (held_ && level > held_->loopLevel && (!popup || popup == held_->popup) &&
        (!modal || modal == held_->modal)) {
        endDrag();
        return;
    }
    if (auto* menu = qobject_cast<QMenu*>(popup)) {
        answerMenu(menu);
        return;
    }
    if (modal && !qobject_cast<QFileDialog*>(modal)) answerModal(modal);
}

void LoopAnswers::endDrag() {
    // The move went past the drag distance with the button down, and Qt started
    // a drag of its own (selected text, a row). Its loop takes the button's
    // release and Escape from the application's events, which are sent from
    // here, inside that loop.
    Held& held = *held_;
    if (held.target && !held.up && !choices_.chance(escapePercent)) {
        // Let go where the pointer is. The release goes where the press went: the
        // drag hands it on to that widget when it ends, as it does a hand's, and
        // the widget stops following the pointer (a text view's selection would
        // scroll on and start the next drag).
        log_(QStringLiteral("  the drag that Qt started: let go at %1,%2").arg(held.at.x()).arg(held.at.y()));
        held.up = true;
        QTest::mouseRelease(held.target.data(), Qt::LeftButton, {}, held.at);
        return;
    }
    // Escape (also for a drag that a release did not end, or whose widget is gone).
    // After Escape the button is still down: the moves go on, then it comes up.
    QWindow* handle = held.target ? held.target->window()->windowHandle() : nullptr;
    if (!handle) handle = QGuiApplication::focusWindow();
    if (!handle && !QGuiApplication::topLevelWindows().isEmpty()) handle = QGuiApplication::topLevelWindows().first();
    if (!handle) return;
    log_(QStringLiteral("  the drag that Qt started: Escape"));
    QTest::keyClick(handle, Qt::Key_Escape);
}

void LoopAnswers::answerMenu(QMenu* menu) {
    // A menu run with exec() (a scroll bar's, a tool button's): an entry is
    // chosen, or Escape.
    QList<QAction*> entries;
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->isEnabled() && a->isVisible()) entries.append(a);
    if (entries.isEmpty() || choices_.chance(40)) {
        log_(QStringLiteral("  menu %1: Escape").arg(describe(menu)));
        QTest::keyClick(menu, Qt::Key_Escape);
    } else {
        QAction* a = entries[choices_.below(int(entries.size()))];
        log_(QStringLiteral("  menu %1: %2").arg(describe(menu), a->text()));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
    }
}

void LoopAnswers::answerModal(QWidget* modal) {
    // A message box (the file dialog's own "file not found" among them) is read
    // and closed, as Escape does. One that will not close, having no button that
    // rejects, is answered with one of its buttons.
    log_(QStringLiteral("  close the modal %1").arg(describe(modal)));
    QPointer<QWidget> box(modal);
    modal->close();
    if (!box || !box->isVisible()) return;
    QList<QAbstractButton*> buttons;
    for (QAbstractButton* b : box->findChildren<QAbstractButton*>())
        if (b->isVisible() && b->isEnabled()) buttons.append(b);
    if (buttons.isEmpty()) return;
    QAbstractButton* button = buttons[choices_.below(int(buttons.size()))];
    log_(QStringLiteral("  it stays open: click %1").arg(describe(button)));
    button->click();
}

}  // namespace explore
