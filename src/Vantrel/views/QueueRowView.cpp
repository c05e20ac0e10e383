#include "Vantrel/views/QueueRowView.h"

#include "Vantrel/views/PaneWidgets.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace vantrel {

using Palette::Role;
using Kind = JobStatus::Kind;

namespace {

constexpr int chipLineHeight = 23;
constexpr int maxChips = 4;

Role outcomeRole(VerificationResult::Outcome outcome) {
    switch (outcome) {
    case VerificationResult::Outcome::clean: return Role::success;
    case VerificationResult::Outcome::warnings: return Role::warning;
    case VerificationResult::Outcome::failed: return Role::danger;
    }
    return Role::success;
}

QString sealSymbol(VerificationResult::Outcome outcome) {
    switch (outcome) {
    case VerificationResult::Outcome::clean: return QStringLiteral("checkmark.seal.fill");
    case VerificationResult::Outcome::warnings: return QStringLiteral("exclamationmark.triangle.fill");
    case VerificationResult::Outcome::failed: return QStringLiteral("xmark.seal.fill");
    }
    return {};
}

KelpIconButton* iconButton(const QString& symbol, const QString& name, const QString& help, QWidget* parent) {
    auto* button = new KelpIconButton(symbol, parent);
    button->setObjectName(name);
    button->setToolTip(help);
    return button;
}

}  // namespace

// ---- VerificationChip ----

VerificationChip::VerificationChip(const VerificationCheck& check, QWidget* parent)
    : QWidget(parent), capsule_(new KelpCapsule({Kelp::font(10, QFont::Medium), 9, 7, 2, 0.14, 0.3}, this)) {
    setObjectName(QStringLiteral("chip"));
    const bool fail = check.severity == CheckSeverity::fail;
    capsule_->set(fail ? QStringLiteral("xmark.octagon.fill") : QStringLiteral("exclamationmark.triangle.fill"),
                  check.label, fail ? Role::danger : Role::warning);
    setToolTip(check.detail);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

Palette::Role VerificationChip::role() const { return capsule_->role(); }
QString VerificationChip::symbol() const { return capsule_->symbol(); }
QSize VerificationChip::sizeHint() const { return capsule_->sizeHint(); }
void VerificationChip::resizeEvent(QResizeEvent*) { capsule_->setGeometry(rect()); }

// ---- QueueRowView ----

QString QueueRowView::statusWord(const JobStatus& status) {
    switch (status.kind) {
    case Kind::pending: return tr("Queued");
    case Kind::preparing: return tr("Preparing");
    case Kind::active: return tr("Correcting");
    case Kind::completed: return tr("Completed");
    case Kind::cancelled: return tr("Cancelled");
    case Kind::failed: return tr("Failed");
    }
    return {};
}

QString QueueRowView::statusSymbol(const JobStatus& status) {
    switch (status.kind) {
    case Kind::pending: return QStringLiteral("clock");
    case Kind::preparing: return QStringLiteral("gearshape.2");
    case Kind::active: return QStringLiteral("arrow.triangle.2.circlepath");
    case Kind::completed: return QStringLiteral("checkmark.circle.fill");
    case Kind::cancelled: return QStringLiteral("stop.circle.fill");
    case Kind::failed: return QStringLiteral("xmark.circle.fill");
    }
    return {};
}

Palette::Role QueueRowView::statusRole(const CorrectionJob& job) {
    switch (job.status.kind) {
    case Kind::pending: return Role::textSecondary;
    case Kind::preparing:
    case Kind::active: return Role::warning;
    case Kind::completed: return job.verification ? outcomeRole(job.verification->outcome()) : Role::success;
    case Kind::cancelled: return Role::textTertiary;
    case Kind::failed: return Role::danger;
    }
    return Role::textSecondary;
}

QList<VerificationCheck> QueueRowView::problemChecks(const CorrectionJob& job, bool isVerifying) {
    QList<VerificationCheck> problems;
    if (!job.status.isFinished() || isVerifying || !job.verification) return problems;
    for (const VerificationCheck& check : job.verification->checks)
        if (check.severity == CheckSeverity::warning || check.severity == CheckSeverity::fail) problems << check;
    return problems;
}

int QueueRowView::heightFor(const CorrectionJob& job, bool isVerifying) {
    // Asked for every job whenever the list changes: answered without making the list of checks.
    const bool chips = job.status.isFinished() && !isVerifying && job.verification &&
                       std::any_of(job.verification->checks.cbegin(), job.verification->checks.cend(),
                                   [](const VerificationCheck& check) {
                                       return check.severity == CheckSeverity::warning ||
                                              check.severity == CheckSeverity::fail;
                                   });
    return lineHeight + (chips ? chipLineHeight : 0);
}

QueueRowView::QueueRowView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("queueRow"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 9, 16, 9);
    column->setSpacing(6);
    auto* line = new QHBoxLayout;
    line->setSpacing(12);
    column->addLayout(line);

    icon_ = new SymbolText({}, {}, Kelp::font(13), Role::textSecondary, this);
    icon_->setObjectName(QStringLiteral("statusIcon"));
    icon_->setSymbolSize(15);
    icon_->setFixedWidth(18);
    line->addWidget(icon_);

    QWidget* names = makeNameBlock(200, Kelp::digitsFont(11), &name_, &destination_, QStringLiteral("destination"), this);
    line->addWidget(names, 1);

    verifying_ = new QWidget(this);
    verifying_->setObjectName(QStringLiteral("verifying"));
    verifying_->setMinimumWidth(140);
    auto* verifyingRow = new QHBoxLayout(verifying_);
    verifyingRow->setContentsMargins(0, 0, 0, 0);
    verifyingRow->setSpacing(6);
    verifyingRow->addStretch(1);
    spinner_ = new KelpSpinner(11, verifying_);
    verifyingRow->addWidget(spinner_);
    verifyingText_ = new KelpLabel({}, Kelp::font(11, QFont::Medium), Role::warning, verifying_);
    verifyingText_->setObjectName(QStringLiteral("verifyingText"));
    verifyingText_->setElideMode(Qt::ElideNone);
    verifyingRow->addWidget(verifyingText_);
    line->addWidget(verifying_);

    progress_ = new KelpProgressBar(0, KelpProgressBar::Fill::running, this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setFixedWidth(140);
    line->addWidget(progress_);

    status_ = new SymbolText({}, {}, Kelp::font(11, QFont::Medium), Role::textSecondary, this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setMinimumWidth(64);
    status_->setTrailing(true);
    line->addWidget(status_);

    retry_ = iconButton(QStringLiteral("arrow.clockwise"), QStringLiteral("retry"), tr("Retry"), this);
    verify_ = iconButton(QStringLiteral("checkmark.shield"), QStringLiteral("verifyThorough"),
                         tr("Thorough verify (byte-exact)"), this);
    reveal_ = iconButton(QStringLiteral("magnifyingglass"), QStringLiteral("reveal"), tr("Reveal in File Manager"), this);
    last_ = iconButton(QStringLiteral("xmark"), QStringLiteral("remove"), tr("Remove from queue"), this);
    connect(retry_, &QAbstractButton::clicked, this, [this] { if (actions_.retry) actions_.retry(); });
    connect(verify_, &QAbstractButton::clicked, this, [this] { if (actions_.verifyThorough) actions_.verifyThorough(); });
    connect(reveal_, &QAbstractButton::clicked, this, [this] { if (actions_.reveal) actions_.reveal(); });
    connect(last_, &QAbstractButton::clicked, this, [this] {
        const auto& action = running_ ? actions_.cancel : actions_.remove;
        if (action) action();
    });
    for (auto* button : {retry_, verify_, reveal_, last_}) line->addWidget(button);

    chips_ = new QWidget(this);
    chips_->setObjectName(QStringLiteral("chips"));
    auto* chipRow = new QHBoxLayout(chips_);
    chipRow->setContentsMargins(30, 0, 0, 0);
    chipRow->setSpacing(6);
    column->addWidget(chips_);
}

void QueueRowView::setJob(const CorrectionJob& job, State state, Actions actions) {
    actions_ = std::move(actions);
    const JobStatus& status = job.status;
    running_ = status.isRunning();
    const Role role = statusRole(job);

    icon_->setSymbol(statusSymbol(status));
    icon_->setRole(role);
    name_->setText(job.sourceName());
    destination_->setText(QStringLiteral("→ ") + job.outputName() + QStringLiteral(" · ") + job.assignedTimecodeString);

    verifying_->setVisible(state.isVerifying);
    verifyingText_->setText(state.isDeepVerifying ? tr("Verifying (byte-exact)…") : tr("Verifying…"));
    progress_->setVisible(!state.isVerifying && running_);
    progress_->setFraction(job.progress);

    if (job.verification && status.isFinished()) {
        const auto outcome = job.verification->outcome();
        status_->setSymbol(sealSymbol(outcome));
        status_->setText(statusWord(status));
        status_->setRole(outcomeRole(outcome));
        status_->setToolTip(job.verification->summary());
    } else {
        status_->setSymbol({});
        status_->setText(state.isVerifying ? tr("Verifying") : statusWord(status));
        status_->setRole(state.isVerifying ? Role::warning : role);
        status_->setToolTip({});
    }
    // A failure's message is not shown in the row.

    const bool completed = status.is(Kind::completed);
    retry_->setVisible(status.is(Kind::cancelled) || status.is(Kind::failed));
    verify_->setVisible(completed);
    // A second verification would be refused while one runs.
    verify_->setEnabled(!state.anyVerifying);
    reveal_->setVisible(completed);
    last_->setToolTip(running_ ? tr("Cancel this job") : tr("Remove from queue"));
    last_->setObjectName(running_ ? QStringLiteral("cancel") : QStringLiteral("remove"));
    // Removing works while the job's checks still run (after a late Stop, or a
    // verification asked for by hand): they run to their end, and their console
    // lines and the output's name come as usual; only the job is gone.

    const QList<VerificationCheck> problems = problemChecks(job, state.isVerifying);
    if (problems != shownChecks_) {
        shownChecks_ = problems;
        auto* chipRow = static_cast<QHBoxLayout*>(chips_->layout());
        while (QLayoutItem* item = chipRow->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        for (int i = 0; i < std::min<int>(maxChips, int(problems.size())); ++i)
            chipRow->addWidget(new VerificationChip(problems[i], chips_));
        if (problems.size() > maxChips) {
            auto* more = new KelpLabel(QStringLiteral("+%1").arg(problems.size() - maxChips),
                                       Kelp::font(10, QFont::Medium), Role::textTertiary, chips_);
            more->setObjectName(QStringLiteral("moreChips"));
            more->setElideMode(Qt::ElideNone);
            chipRow->addWidget(more);
        }
        chipRow->addStretch(1);
    }
    chips_->setVisible(!problems.isEmpty());
    layout()->activate();
}

void QueueRowView::paintEvent(QPaintEvent*) {
    paintEdgeLine(this, Palette::color(Role::hairline, Palette::isDark(this)), true);
}

}  // namespace vantrel
