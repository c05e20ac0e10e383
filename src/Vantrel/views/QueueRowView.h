#pragma once

// One correction job in the queue pane: status, names, progress or verification,
// the status word or seal, the buttons that apply to its state, and chips for
// the checks that warned or failed. The row only calls the actions it is given.

#include "Vantrel/queue/CorrectionJob.h"
#include "Vantrel/views/DesignIndicators.h"

#include <QWidget>

#include <functional>

namespace vantrel {

class KelpCapsule;
class KelpSpinner;
class SymbolText;

// A capsule showing one verification check: its label, with its detail as help.
class VerificationChip : public QWidget {
    Q_OBJECT
public:
    explicit VerificationChip(const VerificationCheck& check, QWidget* parent = nullptr);
    Palette::Role role() const;
    QString symbol() const;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    KelpCapsule* capsule_;
};

class QueueRowView : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> retry, remove, cancel, reveal, verifyThorough;
    };
    struct State {
        bool isVerifying = false;      // this job is being verified
        bool isDeepVerifying = false;  // the verification under way is the thorough one
        bool anyVerifying = false;     // some job is being verified (a second one would be refused)
    };

    // The height of a row without chips.
    static constexpr int lineHeight = 50;

    explicit QueueRowView(QWidget* parent = nullptr);
    void setJob(const CorrectionJob& job, State state, Actions actions);

    static int heightFor(const CorrectionJob& job, bool isVerifying);
    // The checks shown as chips: the warnings and failures of a finished, verified
    // job that is not being verified.
    static QList<VerificationCheck> problemChecks(const CorrectionJob& job, bool isVerifying);
    static QString statusWord(const JobStatus& status);
    static QString statusSymbol(const JobStatus& status);
    static Palette::Role statusRole(const CorrectionJob& job);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Actions actions_;
    SymbolText* icon_;
    KelpLabel* name_;
    KelpLabel* destination_;
    QWidget* verifying_;
    KelpSpinner* spinner_;
    KelpLabel* verifyingText_;
    KelpProgressBar* progress_;
    SymbolText* status_;
    KelpIconButton* retry_;
    KelpIconButton* verify_;
    KelpIconButton* reveal_;
    KelpIconButton* last_;  // remove, or cancel while running
    QWidget* chips_;
    QList<VerificationCheck> shownChecks_;
    bool running_ = false;
};

}  // namespace vantrel
