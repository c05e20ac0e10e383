#pragma once

// Opens the one feedback window and keeps track of it: a window-modal child of
// the active window when there is one, otherwise a centred window of its own.

#include "FeedbackKit/FeedbackDraft.h"

#include <QObject>
#include <QPointer>

class QAction;
#include <QDialog>

namespace feedback {

class FeedbackView;

class FeedbackPresenter : public QObject {
    Q_OBJECT
public:
    static FeedbackPresenter& shared();

    // Opens the form, or brings the open one forward with its draft (nothing when
    // it is a modal child; the configuration given then is not used).
    void show(const FeedbackConfig& config);

    // Closes the form; the next show() starts from an empty draft.
    void close();

    QDialog* window() const { return m_window; }
    FeedbackView* view() const;

private:
    QPointer<QDialog> m_window;
};

// The "Send Feedback…" command.
class FeedbackCommands {
public:
    explicit FeedbackCommands(FeedbackConfig config) : m_config(std::move(config)) {}

    void sendFeedback() const { FeedbackPresenter::shared().show(m_config); }
    QAction* makeAction(QObject* parent) const;
    const FeedbackConfig& config() const { return m_config; }

private:
    FeedbackConfig m_config;
};

}  // namespace feedback
