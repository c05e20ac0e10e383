#include "FeedbackKit/FeedbackPresenter.h"

#include "FeedbackKit/FeedbackView.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <QVBoxLayout>

namespace feedback {

FeedbackPresenter& FeedbackPresenter::shared() {
    // Lives with the application object.
    static QPointer<FeedbackPresenter> presenter;
    if (!presenter) presenter = new FeedbackPresenter;
    if (!presenter->parent() && QCoreApplication::instance()) presenter->setParent(QCoreApplication::instance());
    return *presenter;
}

FeedbackView* FeedbackPresenter::view() const {
    return m_window ? m_window->findChild<FeedbackView*>() : nullptr;
}

void FeedbackPresenter::show(const FeedbackConfig& config) {
    if (m_window) {
        if (m_window->parentWidget()) return;  // a modal child stays where it is
        m_window->raise();
        m_window->activateWindow();
        return;
    }

    // A sheet belongs on a document window; on a passing panel (About, another
    // dialog) it would go when that panel is closed.
    QWidget* owner = QApplication::activeWindow();
    if (qobject_cast<QDialog*>(owner)) owner = nullptr;
    auto* dialog = new QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                          | Qt::WindowCloseButtonHint);
    dialog->setObjectName(QStringLiteral("feedbackWindow"));
    dialog->setWindowTitle(QStringLiteral("Send Feedback"));
    dialog->setFixedSize(460, 540);
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    QPointer<FeedbackPresenter> self(this);
    layout->addWidget(new FeedbackView(config, FeedbackEnvironment::current(), [self] {
        if (self) self->close();
    }, dialog));
    // Cancel, Escape, Done and the title bar all end here.
    connect(dialog, &QDialog::finished, this, [this, dialog] {
        if (m_window == dialog) m_window = nullptr;
        dialog->deleteLater();
    });
    m_window = dialog;

    if (owner) {
        dialog->setWindowModality(Qt::WindowModal);
        dialog->show();
        return;
    }
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = dialog->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        dialog->move(frame.topLeft());
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void FeedbackPresenter::close() {
    if (m_window) m_window->reject();
}

QAction* FeedbackCommands::makeAction(QObject* parent) const {
    auto* action = new QAction(QStringLiteral("Send Feedback\u2026"), parent);
    action->setObjectName(QStringLiteral("sendFeedbackAction"));
    action->setMenuRole(QAction::NoRole);
    QObject::connect(action, &QAction::triggered, action, [config = m_config] {
        FeedbackPresenter::shared().show(config);
    });
    return action;
}

}  // namespace feedback
