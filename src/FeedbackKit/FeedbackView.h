#pragma once

// The feedback form: kind, title, description, name and e-mail, the optional log,
// the consent box and the live status; it sends the report and shows the outcome.

#include "FeedbackKit/FeedbackDraft.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

namespace feedback {

class ConsentBox;
class ProminentButton;
class SegmentPicker;
class StatusLine;

class FeedbackView : public QWidget {
    Q_OBJECT
public:
    enum class Phase { editing, sending, sent, failed };

    FeedbackView(FeedbackConfig config, FeedbackEnvironment environment, std::function<void()> onClose = {},
                 QWidget* parent = nullptr);

    const FeedbackDraft& draft() const { return m_draft; }
    Phase phase() const { return m_phase; }

    // Consent is the only thing still missing.
    bool highlightConsent() const;

    void send();
    void close();

signals:
    void phaseChanged(feedback::FeedbackView::Phase phase);

protected:
    void changeEvent(QEvent* event) override;

private:
    QWidget* buildForm();
    QWidget* buildThanks();
    void setPhase(Phase phase, const QString& failure = {});
    void refresh();
    void applyAccent();
    void muteSecondaryLabels();

    FeedbackConfig m_config;
    FeedbackEnvironment m_environment;
    std::function<void()> m_onClose;
    FeedbackDraft m_draft;
    Phase m_phase = Phase::editing;
    QString m_failure;

    QStackedWidget* m_pages = nullptr;
    SegmentPicker* m_picker = nullptr;
    QLineEdit* m_title = nullptr;
    QPlainTextEdit* m_body = nullptr;
    QLineEdit* m_reporter = nullptr;
    QLineEdit* m_email = nullptr;
    QCheckBox* m_logToggle = nullptr;
    ConsentBox* m_consent = nullptr;
    StatusLine* m_status = nullptr;
    QPushButton* m_cancel = nullptr;
    ProminentButton* m_send = nullptr;
    QLabel* m_thanksMark = nullptr;
    QLabel* m_thanks = nullptr;
    ProminentButton* m_done = nullptr;
};

}  // namespace feedback
